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
#include "posting/cl_conciliacao_lanca_auto.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"
#include "store/zq_tesouraria_sql.h"

namespace {

constexpr int kSaidaFalha = 1;
constexpr int kSaidaArgumentos = 2;

// The posting routine with what the commands show.
class CLConsultaRegras : public CCLConciliacaoLancaAuto {
 public:
  using CCLConciliacaoLancaAuto::BuscaPropriedades;
  using CCLConciliacaoLancaAuto::ResolvePropriedade;
  const CZQVector<_REG_PROP_CONC_TESBAN_PS>& Regras() const { return m_RegMovimentosProp; }
  // The rule holding a key, or -1.
  int Dono(CZQString chave) const {
    chave.MakeUpper();
    auto it = m_mapPropriedades.find(chave);
    return it == m_mapPropriedades.end() ? -1 : it->second;
  }
};

struct Falha {
  std::string texto;
  int codigo = kSaidaFalha;
};

std::string Texto(const CZQDadosDF_Erro& erro) { return erro.GetTextoMostraMensagem().c_str(); }

// Widths count letters, not bytes: the texts are UTF-8.
// The store opened for the routine: installed as the process's servers while alive.
class Armazem {
 public:
  explicit Armazem(const std::string& conexao, bool escrita = false) {
    if (std::string motivo; !m_armazem.Abre(conexao, !escrita, motivo)) throw Falha{motivo};
    m_hub = std::make_unique<CZQAcessoServidoresSQL>(m_armazem.Banco());
  }

  CZQAcessoServidoresSQL& Hub() { return *m_hub; }
  CZQBancoSQL& Banco() { return *m_armazem.Banco(); }

  std::string NomeConta(uint32_t conta) {
    CZQDadosDF_PlanoEmpresarial plano;
    if (FAILED(m_hub->GetAcessoEmpresarial()->LeBufferPlanoContabil(conta, &plano))) return std::string();
    return plano.GetNome().c_str();
  }

 private:
  ZQCliArmazem m_armazem;
  std::unique_ptr<CZQAcessoServidoresSQL> m_hub;
};

void CarregaRegras(CLConsultaRegras& rotina, const IZQDF_Profiler& perfil) {
  if (FAILED(rotina.Inicializa(&perfil)) || FAILED(rotina.BuscaPropriedades())) {
    throw Falha{"não foi possível ler as regras de lançamento: " + Texto(rotina.GetErro())};
  }
}

std::string Aspas(const std::string& texto) { return "\"" + texto + "\""; }

std::string DescreveRegra(const _REG_PROP_CONC_TESBAN_PS& r) {
  std::string texto = "código " + Aspas(r.szCodigoMvtoBco.Get().str()) + ", histórico " +
                      Aspas(r.szHistoricoBco.Get().str()) + ", ";
  texto += r.lPonteiroConta ? "conta " + std::to_string(r.lPonteiroConta) : std::string("todas as contas");
  return texto;
}

const char* NomeChave(ZQTipoChavePropriedade tipo) {
  switch (tipo) {
    case ZQ_CHAVE_CODIGO_CONTA: return "código, da conta";
    case ZQ_CHAVE_CODIGO_GERAL: return "código, de todas as contas";
    case ZQ_CHAVE_HISTORICO_CONTA: return "histórico, da conta";
    case ZQ_CHAVE_HISTORICO_GERAL: return "histórico, de todas as contas";
    case ZQ_CHAVE_SENTIDO_CONTA: return "sentido, da conta";
    case ZQ_CHAVE_SENTIDO_GERAL: return "sentido, de todas as contas";
    default: return "nenhuma";
  }
}

void ListaRegras(uint32_t conta, Armazem& armazem, std::ostream& saida) {
  CZQProfilerEmpresa perfil;
  CLConsultaRegras rotina;
  CarregaRegras(rotina, perfil);
  const auto& regras = rotina.Regras();

  std::vector<int> daConta;
  for (int i = 0; i < static_cast<int>(regras.GetQuantidade()); ++i) {
    const uint32_t c = regras[static_cast<std::size_t>(i)].lPonteiroConta;
    if (c == conta || c == 0) daConta.push_back(i);
  }
  const std::string nome = armazem.NomeConta(conta);
  saida << "Regras de lançamento da conta " << conta << (nome.empty() ? "" : " - " + nome) << ": " << daConta.size()
        << " de " << regras.GetQuantidade() << (regras.GetQuantidade() == 1 ? " regra" : " regras") << "\n";
  if (daConta.empty()) return;

  saida << ZQCliAjusta("Pos", 5, true) << "  " << ZQCliAjusta("Conta", 6) << "  " << ZQCliAjusta("Código", 6) << "  "
        << ZQCliAjusta("Histórico", 30) << "  " << ZQCliAjusta("Sent", 4) << "  " << ZQCliAjusta("Agr", 3) << "  "
        << ZQCliAjusta("Trans", 5, true) << "  " << ZQCliAjusta("Forma C/D", 9) << "  " << ZQCliAjusta("Contábil E/S", 12) << "  "
        << ZQCliAjusta("Compl", 5, true) << "  " << ZQCliAjusta("Hist", 5, true) << "  " << ZQCliAjusta("Classif", 8, true) << "  "
        << "Contrapartida\n";
  for (int i : daConta) {
    const _REG_PROP_CONC_TESBAN_PS& r = regras[static_cast<std::size_t>(i)];
    const std::string codigo = r.szCodigoMvtoBco.Get().str();
    const std::string historico = r.szHistoricoBco.Get().str();
    saida << ZQCliAjusta(std::to_string(i), 5, true) << "  "
          << ZQCliAjusta(r.lPonteiroConta ? std::to_string(r.lPonteiroConta) : "todas", 6) << "  " << ZQCliAjusta(codigo, 6)
          << "  " << ZQCliAjusta(Aspas(historico), 30) << "  " << ZQCliAjusta(r.iContabilEntrada ? "E" : "S", 4) << "  "
          << ZQCliAjusta(r.cAgrupa == 'A' ? "sim" : "não", 3) << "  " << ZQCliAjusta(std::to_string(r.iTransacao), 5, true)
          << "  " << ZQCliAjusta(std::to_string(r.iPosFormaPagamento) + "/" + std::to_string(r.iPosFormaPagamentoSaida), 9)
          << "  " << ZQCliAjusta(std::to_string(r.iContabilEntrada) + "/" + std::to_string(r.iContabilSaida), 12) << "  "
          << ZQCliAjusta(std::to_string(r.iComplHistorico), 5, true) << "  " << ZQCliAjusta(std::to_string(r.lHistorico), 5, true)
          << "  " << ZQCliAjusta(std::to_string(r.lPosClassificacao), 8, true) << "  " << r.lContaContrapartida << "\n";

    // A key an earlier rule already holds never leads to this one.
    const int c = static_cast<int>(r.lPonteiroConta);
    CZQString chaves[3];
    chaves[0].Format("%d-%s", c, codigo.c_str());
    chaves[1].Format("%d-%s", c, historico.c_str());
    chaves[2].Format("%d-%s-%s", c, historico.c_str(), r.iContabilEntrada ? "E" : "S");
    const char* papeis[3] = {"código", "histórico", "sentido"};
    for (int k = 0; k < 3; ++k) {
      if (k == 1 && chaves[1] == chaves[0]) continue;
      const int dono = rotina.Dono(chaves[k]);
      if (dono != i) {
        CZQString chave = chaves[k];
        saida << "       chave de " << papeis[k] << " " << Aspas(chave.MakeUpper().str()) << " é da regra " << dono
              << "\n";
      }
    }
  }
}

char Natureza(const std::string& texto) {
  if (texto == "+" || texto == "C" || texto == "c") return ZQ_NATUREZA_CREDITO;
  if (texto == "-" || texto == "D" || texto == "d") return ZQ_NATUREZA_DEBITO;
  throw Falha{"natureza inválida: " + Aspas(texto) + " (use + ou C para crédito, - ou D para débito)",
              kSaidaArgumentos};
}

// The stored statement line at a position.
CZQDadosCL_Extrato LeLinha(Armazem& armazem, long long posicao) {
  CZQDadosCL_FiltroExtrato filtro;
  CZQVector<uint32_t> posicoes;
  posicoes.Add(static_cast<uint32_t>(posicao));
  CZQVector<CZQDadosCL_Extrato> linhas;
  CZQAcessoConciliacao& conciliacao = *armazem.Hub().GetAcessoConciliacao();
  if (FAILED(conciliacao.BuscaRegistrosMovimentoExtrato(filtro, posicoes, linhas))) {
    throw Falha{Texto(*conciliacao.GetErro())};
  }
  if (linhas.IsEmpty()) throw Falha{"não há linha de extrato na posição " + std::to_string(posicao)};
  return linhas[0];
}

void Explica(uint32_t contaDada, long long posicao, const std::string& historico, const std::string& codigo,
             const std::string& natureza, Armazem& armazem, std::ostream& saida) {
  CZQDadosCL_Extrato linha;
  if (posicao >= 0) {
    linha = LeLinha(armazem, posicao);
  } else {
    linha.SetConta(contaDada).SetHistBco(CZQString(historico)).SetCodigoMvtoBco(CZQString(codigo)).SetNatureza(
        Natureza(natureza));
  }
  const uint32_t conta = contaDada ? contaDada : linha.GetConta();

  CZQProfilerEmpresa perfil;
  CLConsultaRegras rotina;
  CarregaRegras(rotina, perfil);

  saida << "Linha";
  if (posicao >= 0) saida << " " << posicao;
  saida << ": conta " << conta << ", código " << Aspas(linha.GetCodigoMvtoBco().c_str()) << ", "
        << (linha.GetNatureza() == ZQ_NATUREZA_DEBITO ? "débito" : "crédito") << ", histórico "
        << Aspas(linha.GetHistBco().c_str()) << "\n";
  if (rotina.Regras().IsEmpty()) {
    saida << "Não há regras de lançamento cadastradas.\n";
    return;
  }

  ZQResolucaoPropriedade achada[2];
  const ZQVarianteResolucao variantes[2] = {ZQ_RESOLUCAO_LANCAMENTO, ZQ_RESOLUCAO_TESTE};
  const char* nomes[2] = {"Lançamento", "Teste"};
  for (int v = 0; v < 2; ++v) {
    rotina.ResolvePropriedade(conta, linha, variantes[v], &achada[v]);
    saida << nomes[v] << ": ";
    if (achada[v].iPosicao < 0) {
      saida << "nenhuma regra\n";
      continue;
    }
    saida << "regra " << achada[v].iPosicao << " ("
          << DescreveRegra(rotina.Regras()[static_cast<std::size_t>(achada[v].iPosicao)]) << ") pela chave "
          << Aspas(achada[v].sChave.c_str()) << " (" << NomeChave(achada[v].tipoChave) << "), no lugar "
          << achada[v].iPasso << " da lista de históricos, com o texto " << Aspas(achada[v].sTextoBusca.c_str())
          << "\n";
  }
  if (achada[0].iPosicao < 0 && achada[1].iPosicao >= 0) {
    const bool credito = linha.GetNatureza() == ZQ_NATUREZA_CREDITO;
    saida << "O teste acha regra, mas o lançamento não: a regra achada não tem conta contábil de "
          << (credito ? "entrada" : "saída") << " e nenhuma regra responde à chave de sentido \"-"
          << (credito ? "E" : "S") << "\" do texto.\n";
  }
}

// Whether a value names a row of a table; 0 stands for "none" where the rule allows it.
bool Existe(CZQBancoSQL& banco, const std::string& consulta, long long valor) {
  long long n = 0;
  banco.Sessao() << consulta, soci::use(valor), soci::into(n);
  return n > 0;
}

// The longest start of `texto` that fits `bytes` without cutting a letter.
std::string Corta(const std::string& texto, std::size_t bytes) {
  if (texto.size() <= bytes) return texto;
  std::size_t fim = bytes;
  while (fim > 0 && (static_cast<unsigned char>(texto[fim]) & 0xC0) == 0x80) --fim;
  return texto.substr(0, fim);
}

// The accounts, payment form and standard history a rule names, each known to the
// company; 0 stands for "none" where the rule allows it.
void ConfereArgumentos(CZQBancoSQL& banco, long long contrapartida, long long classificacao, long long forma,
                       long long historico) {
  if (!Existe(banco, "SELECT COUNT(*) FROM plano_empresarial WHERE ponteiro = :p", contrapartida)) {
    throw Falha{"a conta " + std::to_string(contrapartida) + " (--counter-account) não está no plano de contas",
                kSaidaArgumentos};
  }
  if (classificacao != 0 &&
      !Existe(banco, "SELECT COUNT(*) FROM plano_empresarial WHERE ponteiro = :p", classificacao)) {
    throw Falha{"a conta " + std::to_string(classificacao) + " (--classification) não está no plano de contas",
                kSaidaArgumentos};
  }
  if (!Existe(banco, "SELECT COUNT(*) FROM forma_pagamento WHERE posicao = :f", forma)) {
    throw Falha{"a forma de pagamento " + std::to_string(forma) + " (--payment-form) não está cadastrada",
                kSaidaArgumentos};
  }
  if (historico != 0 && !Existe(banco, "SELECT COUNT(*) FROM historico WHERE codigo = :c", historico)) {
    throw Falha{"o histórico " + std::to_string(historico) + " (--history) não está cadastrado", kSaidaArgumentos};
  }
}


}  // namespace

int ZQComandosRegras::RegraDaLinha(const std::string& conexao, std::ostream& saida) {
  Armazem armazem(conexao, true);
  CZQBancoSQL& banco = armazem.Banco();
  const CZQDadosCL_Extrato linha = LeLinha(armazem, m_linha);
  const std::string codigo = linha.GetCodigoMvtoBco().c_str();
  const std::string historicoLinha = linha.GetHistBco().c_str();
  const bool porCodigo = m_por.empty() ? !codigo.empty() : m_por == "code";
  std::string historico;
  if (porCodigo) {
    if (codigo.empty()) throw Falha{"a linha não tem código de movimento; use --by history", kSaidaArgumentos};
  } else {
    historico = m_prefixo.empty() ? historicoLinha : m_prefixo;
    // The rule is found by the start of the line's history, so it must be one.
    if (historico.empty() || historicoLinha.compare(0, historico.size(), historico) != 0) {
      throw Falha{"--history-prefix " + Aspas(historico) + " não é o começo do histórico da linha " +
                      Aspas(historicoLinha),
                  kSaidaArgumentos};
    }
    historico = Corta(historico, 61);
  }
  const bool credito = linha.GetNatureza() != ZQ_NATUREZA_DEBITO;
  ConfereArgumentos(banco, m_contrapartida, m_classificacao, m_forma, m_historicoPadrao);

  // Written inside a transaction and explained from there: without --save it is undone,
  // so what is shown is exactly what the saved rule would do.
  CZQTransacaoSQL transacao(banco);
  // Last in the list: the rules already there keep their places, and the new one is
  // named by its place as explain-rule names it.
  long long posicao = 0, ultima = 0, indice = 0;
  soci::indicator ind = soci::i_ok;
  banco.Sessao() << "SELECT MAX(posicao), COUNT(*) FROM regra_lancamento", soci::into(ultima, ind), soci::into(indice);
  posicao = (ind == soci::i_ok ? ultima : 0) + 1;
  long long transacaoRegra = m_transacao, contabilEntrada = credito ? m_contabil : 0,
            forma = credito ? m_forma : 0, formaSaida = credito ? 0 : m_forma,
            contabilSaida = credito ? 0 : m_contabil, hist = m_historicoPadrao,
            classif = m_classificacao != 0 ? m_classificacao : m_contrapartida,
            contra = m_contrapartida, conta = m_todasContas ? 0 : linha.GetConta();
  std::string codigoRegra = porCodigo ? codigo : std::string();
  banco.Sessao() << "INSERT INTO regra_lancamento (posicao, codigo_mvto_bco, historico_bco, agrupa, transacao,"
                    " forma_pagamento, compl_historico, contabil_saida, historico, forma_pagamento_saida,"
                    " contabil_entrada, classificacao, conta_contrapartida, conta, reservado)"
                    " VALUES (:p, :c, :h, 'N', :t, :f, 0, :cs, :hi, :fs, :ce, :cl, :cc, :co, '')",
      soci::use(posicao), soci::use(codigoRegra), soci::use(historico), soci::use(transacaoRegra), soci::use(forma),
      soci::use(contabilSaida), soci::use(hist), soci::use(formaSaida), soci::use(contabilEntrada),
      soci::use(classif), soci::use(contra), soci::use(conta);
  std::ostringstream explicacao;
  Explica(0, m_linha, "", "", "+", armazem, explicacao);
  const bool achada = explicacao.str().find("Lançamento: regra " + std::to_string(indice) + " ") != std::string::npos;
  const bool gravada = achada && m_salvar;
  if (m_json) {
    nlohmann::json linhas = nlohmann::json::array();
    std::istringstream texto(explicacao.str());
    for (std::string l; std::getline(texto, l);) linhas.push_back(l);
    saida << nlohmann::json{{"rule", indice},       {"saved", gravada},      {"found", achada},
                            {"account", conta},     {"code", codigoRegra},   {"history", historico},
                            {"counter_account", contra}, {"transaction", transacaoRegra}, {"explanation", linhas}}
                 .dump()
          << "\n";
  } else {
    saida << "Regra " << indice << (m_salvar ? " gravada" : " proposta") << ": "
          << (porCodigo ? "código " + Aspas(codigo) : "histórico " + Aspas(historico)) << ", "
          << (conta == 0 ? std::string("todas as contas") : "conta " + std::to_string(conta)) << ", contrapartida "
          << contra << ", transação " << transacaoRegra << "\n"
          << explicacao.str();
    if (achada && !m_salvar) saida << "Nada foi gravado: repita com --save para gravar a regra.\n";
  }
  if (!achada) {
    throw Falha{"a linha não acharia a nova regra no lançamento (veja qual ela acha); nada foi gravado"};
  }
  if (gravada) transacao.Confirma();
  return 0;
}

int ZQComandosRegras::LancaLinha(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  Armazem armazem(conexao, true);
  ConfereArgumentos(armazem.Banco(), m_contrapartida, m_classificacao, m_forma, m_historicoPadrao);

  // The rule rule-from-line would save for the line, used once: its direction's payment
  // form and accounting code, the classification defaulting to the counter account. A
  // missing line gets a credit rule and the routine's refusal.
  CZQDadosCL_Extrato linha;
  {
    CZQDadosCL_FiltroExtrato filtro;
    CZQVector<uint32_t> posicoes;
    posicoes.Add(static_cast<uint32_t>(m_linha));
    CZQVector<CZQDadosCL_Extrato> linhas;
    if (SUCCEEDED(armazem.Hub().GetAcessoConciliacao()->BuscaRegistrosMovimentoExtrato(filtro, posicoes, linhas)) &&
        !linhas.IsEmpty())
      linha = linhas[0];
  }
  const bool credito = linha.GetNatureza() != ZQ_NATUREZA_DEBITO;
  _REG_PROP_CONC_TESBAN_PS regra{};
  regra.szCodigoMvtoBco.Set(linha.GetCodigoMvtoBco());
  regra.szHistoricoBco.Set(linha.GetHistBco());
  regra.cAgrupa = 'N';
  regra.iTransacao = static_cast<uint16_t>(m_transacao);
  (credito ? regra.iPosFormaPagamento : regra.iPosFormaPagamentoSaida) = static_cast<uint16_t>(m_forma);
  (credito ? regra.iContabilEntrada : regra.iContabilSaida) = static_cast<uint16_t>(m_contabil);
  regra.iComplHistorico = static_cast<uint16_t>(m_complemento);
  regra.lHistorico = static_cast<uint16_t>(m_historicoPadrao);
  regra.lPosClassificacao = static_cast<uint32_t>(m_classificacao != 0 ? m_classificacao : m_contrapartida);
  regra.lContaContrapartida = static_cast<uint32_t>(m_contrapartida);
  regra.lPonteiroConta = m_conta;

  CZQProfilerEmpresa perfil(CZQString(), m_usuario, m_sessao);
  CCLConciliacaoLancaAuto rotina;
  CZQVector<CZQDadosDF_Erro> recusas;
  uint32_t numero = 0;
  HRESULT hr = rotina.Inicializa(&perfil);
  if (SUCCEEDED(hr)) hr = rotina.LancaLinha(m_conta, m_filial, static_cast<uint32_t>(m_linha), regra, recusas, numero);
  if (FAILED(hr)) throw Falha{"o lançamento da linha falhou: " + Texto(rotina.GetErro())};
  if (numero == 0) {
    for (const CZQDadosDF_Erro& e : recusas) erros << "cl: " << Texto(e) << "\n";
    if (recusas.IsEmpty()) erros << "cl: a linha não foi lançada\n";
    erros << "cl: nada foi gravado\n";
    return kSaidaFalha;
  }

  // The entry as it was recorded, found by the number on its bank side.
  CZQVector<CZQDadosFN_Tesouraria> entradas;
  const std::string c = std::to_string(m_conta), n = std::to_string(numero);
  zq_sql::LeEntradasTesouraria(armazem.Banco().Sessao(),
                               "(conta_ent = " + c + " AND numero_conciliacao_ent = " + n + ") OR (conta_sai = " + c +
                                   " AND numero_conciliacao_sai = " + n + ")",
                               entradas);
  if (entradas.IsEmpty()) throw Falha{"a conciliação " + n + " não tem lançamento de tesouraria"};
  const tagREG_TESOURARIAPS e = entradas[0].GetRegistro();
  const std::string data = ZQDataTexto(e.dmaLancamento), documento = e.szDocumento.Get().str();
  if (m_json) {
    saida << "{\"account\":" << m_conta << ",\"line\":" << m_linha << ",\"number\":" << numero
          << ",\"entry\":{\"position\":" << e.lPosicaoReg << ",\"date\":\"" << data
          << "\",\"amount\":" << ZQCliValorJson(e.cyValor) << ",\"incoming_account\":" << e.lPonteiroContaEnt
          << ",\"outgoing_account\":" << e.lPonteiroContaSai << ",\"classification\":" << e.lPosClassificacao
          << ",\"transaction\":" << static_cast<int>(e.ucTipoDocumentoTransacao)
          << ",\"payment_form\":" << static_cast<int>(e.ucTipoDocFormaPagamento) << ",\"accounting\":" << e.iContabil
          << ",\"history\":" << e.iHistorico << ",\"document\":" << nlohmann::json(documento).dump() << "}}\n";
  } else {
    saida << "Linha " << m_linha << " lançada e conciliada: conta " << m_conta << ", conciliação número " << numero
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

  m_daLinha = Adiciona(app, "rule-from-line",
                                 "Faz de uma linha de extrato uma regra de lançamento, mostrada antes de gravar");
  m_daLinha->add_option("--line", m_linha, "Posição da linha de extrato")->required();
  m_daLinha->add_option("--by", m_por, "Chave da regra: code (o código de movimento) ou history (o histórico)")
      ->check(CLI::IsMember({"code", "history"}));
  m_daLinha->add_option("--history-prefix", m_prefixo, "Começo do histórico da linha que a regra procura (com --by history)");
  m_daLinha->add_option("--transaction", m_transacao, "Transação do lançamento (1 a 255)")
      ->required()
      ->check(CLI::Range(1, 255));
  m_daLinha->add_option("--counter-account", m_contrapartida, "Conta de contrapartida (plano de contas)")->required();
  m_daLinha->add_option("--accounting", m_contabil,
                        "Conta contábil do lançamento: de entrada num crédito, de saída num débito (1 a 65535)")
      ->required()
      ->check(CLI::Range(1, 65535));
  m_daLinha->add_option("--payment-form", m_forma,
                        "Forma de pagamento do lançamento: de entrada num crédito, de saída num débito")
      ->required();
  m_daLinha->add_option("--classification", m_classificacao, "Classificação (plano de contas; padrão: a contrapartida)");
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
  } catch (const Falha& f) {
    erros << "cl: " << f.texto << "\n";
    return f.codigo;
  }
  return 0;
}
