#include "store/zq_regras_lancamento_sql.h"

#include "frame/zq_base_rotinas.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"
#include "store/zq_tesouraria_sql.h"

namespace {

// The posting routine with what a person is shown of it.
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

std::string Texto(const CZQDadosDF_Erro& erro) { return erro.GetTextoMostraMensagem().c_str(); }

std::string Aspas(const std::string& texto) { return "\"" + texto + "\""; }

void CarregaRegras(CLConsultaRegras& rotina, const IZQDF_Profiler& perfil) {
  if (FAILED(rotina.Inicializa(&perfil)) || FAILED(rotina.BuscaPropriedades()))
    throw ZQRecusaRegras{"não foi possível ler as regras de lançamento: " + Texto(rotina.GetErro())};
}

std::string DescreveRegra(const _REG_PROP_CONC_TESBAN_PS& r) {
  std::string texto =
      "código " + Aspas(r.szCodigoMvtoBco.Get().str()) + ", histórico " + Aspas(r.szHistoricoBco.Get().str()) + ", ";
  texto += r.lPonteiroConta ? "conta " + std::to_string(r.lPonteiroConta) : std::string("todas as contas");
  return texto;
}

const char* NomeChave(ZQTipoChavePropriedade tipo) {
  switch (tipo) {
    case ZQ_CHAVE_CODIGO_CONTA:
      return "código, da conta";
    case ZQ_CHAVE_CODIGO_GERAL:
      return "código, de todas as contas";
    case ZQ_CHAVE_HISTORICO_CONTA:
      return "histórico, da conta";
    case ZQ_CHAVE_HISTORICO_GERAL:
      return "histórico, de todas as contas";
    case ZQ_CHAVE_SENTIDO_CONTA:
      return "sentido, da conta";
    case ZQ_CHAVE_SENTIDO_GERAL:
      return "sentido, de todas as contas";
    default:
      return "nenhuma";
  }
}

// The explanation, and the place of the rule the posting run finds (-1: none).
std::vector<std::string> Explica(uint32_t conta, long long posicao, const CZQDadosCL_Extrato& linha,
                                 int& achadaNoLancamento) {
  achadaNoLancamento = -1;
  CZQProfilerEmpresa perfil;
  CLConsultaRegras rotina;
  CarregaRegras(rotina, perfil);

  std::vector<std::string> texto;
  texto.push_back("Linha" + (posicao >= 0 ? " " + std::to_string(posicao) : std::string()) + ": conta " +
                  std::to_string(conta) + ", código " + Aspas(linha.GetCodigoMvtoBco().c_str()) + ", " +
                  (linha.GetNatureza() == ZQ_NATUREZA_DEBITO ? "débito" : "crédito") + ", histórico " +
                  Aspas(linha.GetHistBco().c_str()));
  if (rotina.Regras().IsEmpty()) {
    texto.push_back("Não há regras de lançamento cadastradas.");
    return texto;
  }
  ZQResolucaoPropriedade achada[2];
  const ZQVarianteResolucao variantes[2] = {ZQ_RESOLUCAO_LANCAMENTO, ZQ_RESOLUCAO_TESTE};
  const char* nomes[2] = {"Lançamento", "Teste"};
  for (int v = 0; v < 2; ++v) {
    rotina.ResolvePropriedade(conta, linha, variantes[v], &achada[v]);
    std::string frase = std::string(nomes[v]) + ": ";
    if (achada[v].iPosicao < 0) {
      texto.push_back(frase + "nenhuma regra");
      continue;
    }
    texto.push_back(frase + "regra " + std::to_string(achada[v].iPosicao) + " (" +
                    DescreveRegra(rotina.Regras()[static_cast<std::size_t>(achada[v].iPosicao)]) + ") pela chave " +
                    Aspas(achada[v].sChave.c_str()) + " (" + NomeChave(achada[v].tipoChave) + "), no lugar " +
                    std::to_string(achada[v].iPasso) + " da lista de históricos, com o texto " +
                    Aspas(achada[v].sTextoBusca.c_str()));
  }
  if (achada[0].iPosicao < 0 && achada[1].iPosicao >= 0) {
    const bool credito = linha.GetNatureza() == ZQ_NATUREZA_CREDITO;
    texto.push_back(std::string("O teste acha regra, mas o lançamento não: a regra achada não tem conta contábil de ") +
                    (credito ? "entrada" : "saída") + " e nenhuma regra responde à chave de sentido \"-" +
                    (credito ? "E" : "S") + "\" do texto.");
  }
  achadaNoLancamento = achada[0].iPosicao;
  return texto;
}

// Whether a value names a row of a table.
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
// company; 0 stands for "none" where the rule allows it. Values are bound, never spliced.
void ConfereRegra(CZQBancoSQL& banco, const ZQRegraPedida& r) {
  const auto recusa = [](std::string texto) { throw ZQRecusaRegras{std::move(texto), true}; };
  if (!Existe(banco, "SELECT COUNT(*) FROM plano_empresarial WHERE ponteiro = :p", r.contrapartida))
    recusa("a conta " + std::to_string(r.contrapartida) + " (--counter-account) não está no plano de contas");
  if (r.classificacao != 0 &&
      !Existe(banco, "SELECT COUNT(*) FROM plano_empresarial WHERE ponteiro = :p", r.classificacao))
    recusa("a conta " + std::to_string(r.classificacao) + " (--classification) não está no plano de contas");
  if (!Existe(banco, "SELECT COUNT(*) FROM forma_pagamento WHERE posicao = :f", r.forma))
    recusa("a forma de pagamento " + std::to_string(r.forma) + " (--payment-form) não está cadastrada");
  if (r.historicoPadrao != 0 && !Existe(banco, "SELECT COUNT(*) FROM historico WHERE codigo = :c", r.historicoPadrao))
    recusa("o histórico " + std::to_string(r.historicoPadrao) + " (--history) não está cadastrado");
}

}  // namespace

ZQRegrasDaConta ZQLeRegrasDaConta(uint32_t conta) {
  CZQProfilerEmpresa perfil;
  CLConsultaRegras rotina;
  CarregaRegras(rotina, perfil);
  const auto& regras = rotina.Regras();
  ZQRegrasDaConta lista;
  lista.total = regras.GetQuantidade();
  for (int i = 0; i < static_cast<int>(regras.GetQuantidade()); ++i) {
    const _REG_PROP_CONC_TESBAN_PS& r = regras[static_cast<std::size_t>(i)];
    if (r.lPonteiroConta != conta && r.lPonteiroConta != 0) continue;
    ZQRegraDaConta item;
    item.posicao = i;
    item.regra = r;
    const std::string codigo = r.szCodigoMvtoBco.Get().str();
    const std::string historico = r.szHistoricoBco.Get().str();
    const int c = static_cast<int>(r.lPonteiroConta);
    CZQString chaves[3];
    chaves[0].Format("%d-%s", c, codigo.c_str());
    chaves[1].Format("%d-%s", c, historico.c_str());
    chaves[2].Format("%d-%s-%s", c, historico.c_str(), r.iContabilEntrada ? "E" : "S");
    const char* papeis[3] = {"código", "histórico", "sentido"};
    for (int k = 0; k < 3; ++k) {
      if (k == 1 && chaves[1] == chaves[0]) continue;
      const int dono = rotina.Dono(chaves[k]);
      if (dono == i) continue;
      CZQString chave = chaves[k];
      item.chavesPerdidas.push_back(std::string("chave de ") + papeis[k] + " " + Aspas(chave.MakeUpper().str()) +
                                    " é da regra " + std::to_string(dono));
    }
    lista.regras.push_back(std::move(item));
  }
  return lista;
}

CZQDadosCL_Extrato ZQLeLinhaExtrato(CZQAcessoServidoresSQL& hub, uint32_t posicao) {
  CZQDadosCL_FiltroExtrato filtro;
  CZQVector<uint32_t> posicoes;
  posicoes.Add(posicao);
  CZQVector<CZQDadosCL_Extrato> linhas;
  CZQAcessoConciliacao& conciliacao = *hub.GetAcessoConciliacao();
  if (FAILED(conciliacao.BuscaRegistrosMovimentoExtrato(filtro, posicoes, linhas)))
    throw ZQRecusaRegras{Texto(*conciliacao.GetErro())};
  if (linhas.IsEmpty()) throw ZQRecusaRegras{"não há linha de extrato na posição " + std::to_string(posicao)};
  return linhas[0];
}

std::vector<std::string> ZQExplicaLinha(uint32_t conta, long long posicao, const CZQDadosCL_Extrato& linha) {
  int achada = -1;
  return Explica(conta, posicao, linha, achada);
}

ZQRegraDaLinha ZQFazRegraDaLinha(CZQAcessoServidoresSQL& hub, const ZQPedidoRegraDaLinha& pedido) {
  CZQBancoSQL& banco = hub.Banco();
  const CZQDadosCL_Extrato linha = ZQLeLinhaExtrato(hub, pedido.linha);
  const std::string codigo = linha.GetCodigoMvtoBco().c_str();
  const std::string historicoLinha = linha.GetHistBco().c_str();
  ZQRegraDaLinha r;
  r.regra = pedido.regra;
  r.porCodigo = pedido.por.empty() ? !codigo.empty() : pedido.por == "code";
  if (r.porCodigo) {
    if (codigo.empty()) throw ZQRecusaRegras{"a linha não tem código de movimento; use --by history", true};
    r.codigo = codigo;
  } else {
    r.historico = pedido.prefixo.empty() ? historicoLinha : pedido.prefixo;
    // The rule is found by the start of the line's history, so it must be one.
    if (r.historico.empty() || historicoLinha.compare(0, r.historico.size(), r.historico) != 0) {
      throw ZQRecusaRegras{
          "--history-prefix " + Aspas(r.historico) + " não é o começo do histórico da linha " + Aspas(historicoLinha),
          true};
    }
    r.historico = Corta(r.historico, 61);
  }
  const bool credito = linha.GetNatureza() != ZQ_NATUREZA_DEBITO;
  ConfereRegra(banco, pedido.regra);

  // Written inside a transaction and explained from there: unless kept it is undone, so
  // what is shown is exactly what the saved rule would do.
  CZQTransacaoSQL transacao(banco);
  // Last in the list: the rules already there keep their places, and the new one is
  // named by its place as the explanation names it.
  long long ultima = 0;
  soci::indicator ind = soci::i_ok;
  banco.Sessao() << "SELECT MAX(posicao), COUNT(*) FROM regra_lancamento", soci::into(ultima, ind),
      soci::into(r.indice);
  const long long posicao = (ind == soci::i_ok ? ultima : 0) + 1;
  const ZQRegraPedida& p = pedido.regra;
  long long transacaoRegra = p.transacao, contabilEntrada = credito ? p.contabil : 0, forma = credito ? p.forma : 0,
            formaSaida = credito ? 0 : p.forma, contabilSaida = credito ? 0 : p.contabil, hist = p.historicoPadrao,
            classif = p.classificacao != 0 ? p.classificacao : p.contrapartida, contra = p.contrapartida;
  r.conta = pedido.todasContas ? 0 : linha.GetConta();
  banco.Sessao() << "INSERT INTO regra_lancamento (posicao, codigo_mvto_bco, historico_bco, agrupa, transacao,"
                    " forma_pagamento, compl_historico, contabil_saida, historico, forma_pagamento_saida,"
                    " contabil_entrada, classificacao, conta_contrapartida, conta, reservado)"
                    " VALUES (:p, :c, :h, 'N', :t, :f, 0, :cs, :hi, :fs, :ce, :cl, :cc, :co, '')",
      soci::use(posicao), soci::use(r.codigo), soci::use(r.historico), soci::use(transacaoRegra), soci::use(forma),
      soci::use(contabilSaida), soci::use(hist), soci::use(formaSaida), soci::use(contabilEntrada), soci::use(classif),
      soci::use(contra), soci::use(r.conta);
  int achada = -1;
  r.explicacao = Explica(linha.GetConta(), pedido.linha, linha, achada);
  r.achada = achada == r.indice;
  r.gravada = r.achada && pedido.salvar;
  if (r.gravada) transacao.Confirma();
  return r;
}

ZQLinhaLancada ZQLancaLinhaPorRegra(CZQAcessoServidoresSQL& hub, const ZQPedidoLancaLinha& pedido) {
  ConfereRegra(hub.Banco(), pedido.regra);

  // The rule a rule made from the line would be, used once: its direction's payment form
  // and accounting code, the classification defaulting to the counter account. A missing
  // line gets a credit rule and the routine's refusal.
  CZQDadosCL_Extrato linha;
  {
    CZQDadosCL_FiltroExtrato filtro;
    CZQVector<uint32_t> posicoes;
    posicoes.Add(pedido.linha);
    CZQVector<CZQDadosCL_Extrato> linhas;
    if (SUCCEEDED(hub.GetAcessoConciliacao()->BuscaRegistrosMovimentoExtrato(filtro, posicoes, linhas)) &&
        !linhas.IsEmpty())
      linha = linhas[0];
  }
  const bool credito = linha.GetNatureza() != ZQ_NATUREZA_DEBITO;
  const ZQRegraPedida& p = pedido.regra;
  _REG_PROP_CONC_TESBAN_PS regra{};
  regra.szCodigoMvtoBco.Set(linha.GetCodigoMvtoBco());
  regra.szHistoricoBco.Set(linha.GetHistBco());
  regra.cAgrupa = 'N';
  regra.iTransacao = static_cast<uint16_t>(p.transacao);
  (credito ? regra.iPosFormaPagamento : regra.iPosFormaPagamentoSaida) = static_cast<uint16_t>(p.forma);
  (credito ? regra.iContabilEntrada : regra.iContabilSaida) = static_cast<uint16_t>(p.contabil);
  regra.iComplHistorico = static_cast<uint16_t>(pedido.complemento);
  regra.lHistorico = static_cast<uint16_t>(p.historicoPadrao);
  regra.lPosClassificacao = static_cast<uint32_t>(p.classificacao != 0 ? p.classificacao : p.contrapartida);
  regra.lContaContrapartida = static_cast<uint32_t>(p.contrapartida);
  regra.lPonteiroConta = pedido.conta;

  CZQProfilerEmpresa perfil(CZQString(), pedido.usuario, pedido.sessao);
  CCLConciliacaoLancaAuto rotina;
  CZQVector<CZQDadosDF_Erro> recusas;
  ZQLinhaLancada lancada;
  HRESULT hr = rotina.Inicializa(&perfil);
  if (SUCCEEDED(hr)) hr = rotina.LancaLinha(pedido.conta, pedido.filial, pedido.linha, regra, recusas, lancada.numero);
  if (FAILED(hr)) throw ZQRecusaRegras{"o lançamento da linha falhou: " + Texto(rotina.GetErro())};
  if (lancada.numero == 0) {
    for (const CZQDadosDF_Erro& e : recusas) lancada.recusas.push_back(Texto(e));
    if (lancada.recusas.empty()) lancada.recusas.push_back("a linha não foi lançada");
    return lancada;
  }
  // The entry as it was recorded, found by the number on its bank side.
  CZQVector<CZQDadosFN_Tesouraria> entradas;
  const std::string c = std::to_string(pedido.conta), n = std::to_string(lancada.numero);
  zq_sql::LeEntradasTesouraria(hub.Banco().Sessao(),
                               "(conta_ent = " + c + " AND numero_conciliacao_ent = " + n + ") OR (conta_sai = " + c +
                                   " AND numero_conciliacao_sai = " + n + ")",
                               entradas);
  if (entradas.IsEmpty()) throw ZQRecusaRegras{"a conciliação " + n + " não tem lançamento de tesouraria"};
  lancada.entrada = entradas[0].GetRegistro();
  return lancada;
}
