#include "cli/zq_cli_regras.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/zq_cli.h"
#include "frame/zq_currency.h"
#include "frame/zq_data_texto.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_regras_lancamento_sql.h"

namespace {

constexpr int kSaidaFalha = 1;
constexpr int kSaidaArgumentos = 2;

struct Falha {
  std::string texto;
  int codigo = kSaidaFalha;
};

// The store opened for the commands: installed as the process's servers while alive.
class Armazem {
 public:
  explicit Armazem(const std::string& conexao, bool escrita = false) {
    if (std::string motivo; !m_armazem.Abre(conexao, !escrita, motivo)) throw Falha{motivo};
    m_hub = std::make_unique<CZQAcessoServidoresSQL>(m_armazem.Banco());
  }

  CZQAcessoServidoresSQL& Hub() { return *m_hub; }

  std::string NomeConta(uint32_t conta) {
    CZQDadosDF_PlanoEmpresarial plano;
    if (FAILED(m_hub->GetAcessoEmpresarial()->LeBufferPlanoContabil(conta, &plano))) return std::string();
    return plano.GetNome().c_str();
  }

 private:
  ZQCliArmazem m_armazem;
  std::unique_ptr<CZQAcessoServidoresSQL> m_hub;
};

Falha DaRecusa(const ZQRecusaRegras& r) { return Falha{r.texto, r.doPedido ? kSaidaArgumentos : kSaidaFalha}; }

std::string Aspas(const std::string& texto) { return "\"" + texto + "\""; }

void ListaRegras(uint32_t conta, Armazem& armazem, std::ostream& saida) {
  const ZQRegrasDaConta lista = ZQLeRegrasDaConta(conta);
  const std::string nome = armazem.NomeConta(conta);
  saida << "Regras de lançamento da conta " << conta << (nome.empty() ? "" : " - " + nome) << ": "
        << lista.regras.size() << " de " << lista.total << (lista.total == 1 ? " regra" : " regras") << "\n";
  if (lista.regras.empty()) return;

  saida << ZQCliAjusta("Pos", 5, true) << "  " << ZQCliAjusta("Conta", 6) << "  " << ZQCliAjusta("Código", 6) << "  "
        << ZQCliAjusta("Histórico", 30) << "  " << ZQCliAjusta("Sent", 4) << "  " << ZQCliAjusta("Agr", 3) << "  "
        << ZQCliAjusta("Trans", 5, true) << "  " << ZQCliAjusta("Forma C/D", 9) << "  "
        << ZQCliAjusta("Contábil E/S", 12) << "  " << ZQCliAjusta("Compl", 5, true) << "  "
        << ZQCliAjusta("Hist", 5, true) << "  " << ZQCliAjusta("Classif", 8, true) << "  "
        << "Contrapartida\n";
  for (const ZQRegraDaConta& item : lista.regras) {
    const _REG_PROP_CONC_TESBAN_PS& r = item.regra;
    const std::string codigo = r.szCodigoMvtoBco.Get().str();
    const std::string historico = r.szHistoricoBco.Get().str();
    saida << ZQCliAjusta(std::to_string(item.posicao), 5, true) << "  "
          << ZQCliAjusta(r.lPonteiroConta ? std::to_string(r.lPonteiroConta) : "todas", 6) << "  "
          << ZQCliAjusta(codigo, 6) << "  " << ZQCliAjusta(Aspas(historico), 30) << "  "
          << ZQCliAjusta(r.iContabilEntrada ? "E" : "S", 4) << "  " << ZQCliAjusta(r.cAgrupa == 'A' ? "sim" : "não", 3)
          << "  " << ZQCliAjusta(std::to_string(r.iTransacao), 5, true) << "  "
          << ZQCliAjusta(std::to_string(r.iPosFormaPagamento) + "/" + std::to_string(r.iPosFormaPagamentoSaida), 9)
          << "  " << ZQCliAjusta(std::to_string(r.iContabilEntrada) + "/" + std::to_string(r.iContabilSaida), 12)
          << "  " << ZQCliAjusta(std::to_string(r.iComplHistorico), 5, true) << "  "
          << ZQCliAjusta(std::to_string(r.lHistorico), 5, true) << "  "
          << ZQCliAjusta(std::to_string(r.lPosClassificacao), 8, true) << "  " << r.lContaContrapartida << "\n";
    for (const std::string& perdida : item.chavesPerdidas) saida << "       " << perdida << "\n";
  }
}

char Natureza(const std::string& texto) {
  if (texto == "+" || texto == "C" || texto == "c") return ZQ_NATUREZA_CREDITO;
  if (texto == "-" || texto == "D" || texto == "d") return ZQ_NATUREZA_DEBITO;
  throw Falha{"natureza inválida: " + Aspas(texto) + " (use + ou C para crédito, - ou D para débito)",
              kSaidaArgumentos};
}

void Explica(uint32_t contaDada, long long posicao, const std::string& historico, const std::string& codigo,
             const std::string& natureza, Armazem& armazem, std::ostream& saida) {
  CZQDadosCL_Extrato linha;
  if (posicao >= 0) {
    linha = ZQLeLinhaExtrato(armazem.Hub(), static_cast<uint32_t>(posicao));
  } else {
    linha.SetConta(contaDada)
        .SetHistBco(CZQString(historico))
        .SetCodigoMvtoBco(CZQString(codigo))
        .SetNatureza(Natureza(natureza));
  }
  for (const std::string& frase : ZQExplicaLinha(contaDada ? contaDada : linha.GetConta(), posicao, linha))
    saida << frase << "\n";
}

}  // namespace

int ZQComandosRegras::RegraDaLinha(const std::string& conexao, std::ostream& saida) {
  Armazem armazem(conexao, true);
  ZQPedidoRegraDaLinha pedido;
  pedido.linha = static_cast<uint32_t>(m_linha);
  pedido.por = m_por;
  pedido.prefixo = m_prefixo;
  pedido.todasContas = m_todasContas;
  pedido.salvar = m_salvar;
  pedido.regra = {m_transacao, m_contrapartida, m_contabil, m_forma, m_classificacao, m_historicoPadrao};
  const ZQRegraDaLinha r = ZQFazRegraDaLinha(armazem.Hub(), pedido);
  if (m_json) {
    saida << nlohmann::json{{"rule", r.indice},
                            {"saved", r.gravada},
                            {"found", r.achada},
                            {"account", r.conta},
                            {"code", r.codigo},
                            {"history", r.historico},
                            {"counter_account", r.regra.contrapartida},
                            {"transaction", r.regra.transacao},
                            {"explanation", r.explicacao}}
                 .dump()
          << "\n";
  } else {
    saida << "Regra " << r.indice << (m_salvar ? " gravada" : " proposta") << ": "
          << (r.porCodigo ? "código " + Aspas(r.codigo) : "histórico " + Aspas(r.historico)) << ", "
          << (r.conta == 0 ? std::string("todas as contas") : "conta " + std::to_string(r.conta)) << ", contrapartida "
          << r.regra.contrapartida << ", transação " << r.regra.transacao << "\n";
    for (const std::string& frase : r.explicacao) saida << frase << "\n";
    if (r.achada && !m_salvar) saida << "Nada foi gravado: repita com --save para gravar a regra.\n";
  }
  if (!r.achada) throw Falha{"a linha não acharia a nova regra no lançamento (veja qual ela acha); nada foi gravado"};
  return 0;
}

int ZQComandosRegras::LancaLinha(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  Armazem armazem(conexao, true);
  ZQPedidoLancaLinha pedido;
  pedido.conta = m_conta;
  pedido.linha = static_cast<uint32_t>(m_linha);
  pedido.filial = m_filial;
  pedido.complemento = m_complemento;
  pedido.usuario = m_usuario;
  pedido.sessao = m_sessao;
  pedido.regra = {m_transacao, m_contrapartida, m_contabil, m_forma, m_classificacao, m_historicoPadrao};
  const ZQLinhaLancada l = ZQLancaLinhaPorRegra(armazem.Hub(), pedido);
  if (l.numero == 0) {
    for (const std::string& r : l.recusas) erros << "cl: " << r << "\n";
    erros << "cl: nada foi gravado\n";
    return kSaidaFalha;
  }
  const tagREG_TESOURARIAPS& e = l.entrada;
  const std::string data = ZQDataTexto(e.dmaLancamento), documento = e.szDocumento.Get().str();
  if (m_json) {
    saida << "{\"account\":" << m_conta << ",\"line\":" << m_linha << ",\"number\":" << l.numero
          << ",\"entry\":{\"position\":" << e.lPosicaoReg << ",\"date\":\"" << data
          << "\",\"amount\":" << ZQCliValorJson(e.cyValor) << ",\"incoming_account\":" << e.lPonteiroContaEnt
          << ",\"outgoing_account\":" << e.lPonteiroContaSai << ",\"classification\":" << e.lPosClassificacao
          << ",\"transaction\":" << static_cast<int>(e.ucTipoDocumentoTransacao)
          << ",\"payment_form\":" << static_cast<int>(e.ucTipoDocFormaPagamento) << ",\"accounting\":" << e.iContabil
          << ",\"history\":" << e.iHistorico << ",\"document\":" << nlohmann::json(documento).dump() << "}}\n";
  } else {
    saida << "Linha " << m_linha << " lançada e conciliada: conta " << m_conta << ", conciliação número " << l.numero
          << "\n"
          << "Lançamento de tesouraria " << e.lPosicaoReg << ": " << data << ", " << ZQCliValor(e.cyValor)
          << ", entrada na conta " << e.lPonteiroContaEnt << ", saída da conta " << e.lPonteiroContaSai
          << ", transação " << static_cast<int>(e.ucTipoDocumentoTransacao) << ", classificação " << e.lPosClassificacao
          << ", contábil " << e.iContabil << ", histórico " << e.iHistorico << ", documento " << documento << "\n";
  }
  return 0;
}

void ZQComandosRegras::Registra(CLI::App& app) {
  m_regras = Adiciona(app, "rules", "Lista as regras de lançamento automático que servem a uma conta");
  m_regras->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas)")->required();

  m_explica = Adiciona(app, "explain-rule",
                       "Mostra qual regra uma linha de extrato acha, por qual chave, no lançamento e no teste");
  m_explica->add_option("--account", m_conta, "Conta conciliada (padrão: a conta da linha dada por --line)");
  CLI::Option* linha = m_explica->add_option("--line", m_linha, "Posição de uma linha de extrato gravada");
  CLI::Option* historico = m_explica->add_option("--history", m_historico, "Histórico do banco da linha");
  m_explica->add_option("--code", m_codigo, "Código de movimento do banco da linha")->excludes(linha);
  m_explica->add_option("--sign", m_natureza, "Natureza: + (crédito, padrão) ou - (débito)")->excludes(linha);
  historico->excludes(linha);

  m_daLinha =
      Adiciona(app, "rule-from-line", "Faz de uma linha de extrato uma regra de lançamento, mostrada antes de gravar");
  m_daLinha->add_option("--line", m_linha, "Posição da linha de extrato")->required();
  m_daLinha->add_option("--by", m_por, "Chave da regra: code (o código de movimento) ou history (o histórico)")
      ->check(CLI::IsMember({"code", "history"}));
  m_daLinha->add_option("--history-prefix", m_prefixo,
                        "Começo do histórico da linha que a regra procura (com --by history)");
  m_daLinha->add_option("--transaction", m_transacao, "Transação do lançamento (1 a 255)")
      ->required()
      ->check(CLI::Range(1, 255));
  m_daLinha->add_option("--counter-account", m_contrapartida, "Conta de contrapartida (plano de contas)")->required();
  m_daLinha
      ->add_option("--accounting", m_contabil,
                   "Conta contábil do lançamento: de entrada num crédito, de saída num débito (1 a 65535)")
      ->required()
      ->check(CLI::Range(1, 65535));
  m_daLinha
      ->add_option("--payment-form", m_forma,
                   "Forma de pagamento do lançamento: de entrada num crédito, de saída num débito")
      ->required();
  m_daLinha->add_option("--classification", m_classificacao,
                        "Classificação (plano de contas; padrão: a contrapartida)");
  m_daLinha->add_option("--history", m_historicoPadrao, "Histórico padrão do lançamento (padrão: nenhum)");
  m_daLinha->add_flag("--all-accounts", m_todasContas, "Regra de todas as contas (padrão: só a conta da linha)");
  m_daLinha->add_flag("--save", m_salvar, "Grava a regra (sem isto, só mostra o que ela faria)");
  m_daLinha->add_flag("--json", m_json, "Saída em JSON, para scripts");

  m_lancaLinha = Adiciona(
      app, "post-line", "Lança e concilia uma linha de extrato por uma regra dada só para ela (a regra não é gravada)");
  m_lancaLinha->add_option("--account", m_conta, "Conta bancária da linha (ponteiro do plano de contas)")->required();
  m_lancaLinha->add_option("--line", m_linha, "Posição da linha de extrato")->required();
  m_lancaLinha->add_option("--transaction", m_transacao, "Transação do lançamento (1 a 255)")
      ->required()
      ->check(CLI::Range(1, 255));
  m_lancaLinha->add_option("--counter-account", m_contrapartida, "Conta de contrapartida (plano de contas)")
      ->required();
  m_lancaLinha
      ->add_option("--accounting", m_contabil,
                   "Conta contábil do lançamento: de entrada num crédito, de saída num débito (1 a 65535)")
      ->required()
      ->check(CLI::Range(1, 65535));
  m_lancaLinha
      ->add_option("--payment-form", m_forma,
                   "Forma de pagamento do lançamento: de entrada num crédito, de saída num débito")
      ->required();
  m_lancaLinha->add_option("--classification", m_classificacao,
                           "Classificação (plano de contas; padrão: a contrapartida)");
  m_lancaLinha->add_option("--history", m_historicoPadrao, "Histórico padrão do lançamento (padrão: nenhum)");
  m_lancaLinha
      ->add_option("--complement-type", m_complemento,
                   "Tipo de complemento do histórico, 0 a 10 (padrão 0: nenhum; 2: o histórico do banco)")
      ->check(CLI::Range(0, 10));
  m_lancaLinha->add_option("--branch", m_filial, "Filial da linha, conferida antes de lançar (padrão: a da linha)");
  m_lancaLinha->add_option("--user", m_usuario, "Código do usuário que lança (vai para o log)");
  m_lancaLinha->add_option("--session", m_sessao, "Sessão do usuário (vai para o log)");
  m_lancaLinha->add_flag("--json", m_json, "Saída em JSON, para scripts");
}

int ZQComandosRegras::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  try {
    if (m_daLinha && *m_daLinha) return RegraDaLinha(conexao, saida);
    if (m_lancaLinha && *m_lancaLinha) return LancaLinha(conexao, saida, erros);
    if (m_explica && *m_explica) {
      if (m_linha < 0 && m_historico.empty() && m_codigo.empty()) {
        throw Falha{"dê a linha: --line POSIÇÃO, ou --history (e --code, --sign) com --account", kSaidaArgumentos};
      }
      if (m_linha < 0 && m_conta == 0) throw Falha{"--account é obrigatória sem --line", kSaidaArgumentos};
      if (m_linha < 0) Natureza(m_natureza);
      Armazem armazem(conexao);
      Explica(m_conta, m_linha, m_historico, m_codigo, m_natureza, armazem, saida);
    } else if (m_regras && *m_regras) {
      Armazem armazem(conexao);
      ListaRegras(m_conta, armazem, saida);
    }
  } catch (const ZQRecusaRegras& r) {
    erros << "cl: " << r.texto << "\n";
    return DaRecusa(r).codigo;
  } catch (const Falha& f) {
    erros << "cl: " << f.texto << "\n";
    return f.codigo;
  }
  return 0;
}
