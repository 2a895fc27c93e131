#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "frame/zq_trace.h"
#include "platform/access/zq_acesso_areas.h"
#include "platform/components/zq_bstr.h"
#include "platform/components/zq_componentes_lancamento.h"
#include "platform/components/zq_interacao.h"
#include "platform/records/zq_dados_empresarial.h"
#include "platform/records/zq_estruturas_integracao.h"
#include "posting/cl_conciliacao_lanca_auto.h"

// The posting run: generates the treasury entries of the open statement lines that
// have a posting rule, submits them to one integration transaction and, once it is
// recorded, marks the lines reconciled and writes the reconciliation logs.

namespace {

constexpr const char* kClasse = "CCLConciliacaoLancaAuto";
// The run's failures are traced under its public name, whichever step finds them.
constexpr const char* kCorrida = "ProcessaLancamentoConcAutomatico";

// Messages of the run (module 10).
constexpr long kErroHistoricoAsterisco = 5865;
constexpr long kErroGerencialInativa = 5883;
constexpr long kErroSemFormaSaida = 5884;
constexpr long kErroSemFormaEntrada = 5885;
constexpr long kErroSemContabil = 5889;
constexpr long kErroClassificacaoInutilizavel = 5890;
constexpr long kErroIntegracaoRecusada = 5879;
// Refusals of a line posted by hand.
constexpr long kRecusaLinhaInexistente = 6050;
constexpr long kRecusaOutraConta = 6051;
constexpr long kRecusaJaConciliada = 6052;
constexpr long kRecusaMovimentacaoBloqueada = 6053;
constexpr long kRecusaMesBloqueado = 6054;
constexpr long kRecusaLancamentoIdentico = 6055;
constexpr long kRecusaSemContaEmpresarial = 6056;
constexpr long kRecusaLinhaNaoAberta = 6057;
constexpr long kRecusaOutraFilial = 6058;

// A transaction holds at most this many statement lines before it is recorded.
constexpr uint32_t kLinhasPorTransacao = 255;

constexpr char kPerguntaDuplicado[] =
    "Existe na Tesouraria um lançamento idêntico ao que está sendo gerado automaticamente pela Conciliação. "
    "Deseja realmente gerar o lançamento?";

void AdicionaErro(CZQVector<CZQDadosDF_Erro>& listaErros, long codigo, HRESULT hr) {
  CZQDadosDF_Erro erro;
  erro.SetModuloMensagem(ZQ_MODULO_CL);
  erro.SetCodigoMensagem(codigo);
  erro.SetHR(hr);
  erro.SetTipoErro(ZQ_TIPO_ERRO_AVISO);
  listaErros.Add(erro);
}

}  // namespace

// A line posted by hand (LancaLinha): the run takes that line alone, with the rule given
// in place of the one it would look up, and says what became of it.
struct CCLLancamentoAvulso {
  uint32_t lPosicaoLinha = 0;
  _REG_PROP_CONC_TESBAN_PS regra{};
  uint32_t lNumero = 0;  // the number the line was marked with
  long lMotivo = 0;      // why the run dropped the entry where it says nothing itself
  bool bDescartada = false;
};

namespace {

// Tells LancaLinha why the run dropped its line, where the run says nothing itself.
void AnotaMotivo(CCLLancamentoAvulso* avulso, long lMotivo) {
  if (avulso) avulso->lMotivo = lMotivo;
}

}  // namespace

// The entry formed from one statement line and its group: made afresh for every line,
// dropped or submitted before the next.
struct CCLEntradaGrupo {
  int iRegra = -1;
  _REG_PROP_CONC_TESBAN_PS regra{};
  REG_ZQDMA dmaExtrato = 0;
  char cNatureza = 0;
  tagCY cyValor = 0;
  uint32_t lQtdGrupo = 0;   // 0 until the line's group is taken
  std::size_t iUltima = 0;  // the group's last line: the entry takes its position and keys
  tagREG_TESOURARIAPS RegTesourariaps{};
  CZQString sComplHistorico;
  CZQBstr bstrComplemento;
  uint16_t iChaveTabela = 0;
  RegSetTesouraria regSetTesouraria{};
  const tagRegGerencial_ps* pGerenciais = nullptr;
  int iQtdGerenciais = 0;
};

// What the steps of one posting run share: the reconciliation it was given, its result
// so far, the components and the transaction it holds, and where it stands in the lines.
struct CCLEstadoLancamento {
  CCLEstadoLancamento(const CZQDadosCL_ConciliacaoAutomatica& conciliacao, CZQVector<CZQDadosDF_Erro>& erros,
                      HRESULT hrInicial, CZQBaseParaRotinas& rotina)
      : dadosConciliacaoAutomatica(conciliacao),
        listaErros(erros),
        hr(hrInicial),
        lConta(conciliacao.GetPonteiroConta()),
        iFilial(static_cast<uint16_t>(conciliacao.GetPonteiroFilial())),
        pConciliacao(rotina.AreaConciliacao()),
        pEmpresarial(rotina.AreaEmpresarial()),
        pFinanceiro(rotina.AreaFinanceiro()),
        pIntegracao(rotina.AreaIntegracao()) {}

  CZQVector<CZQDadosCL_Extrato>& Extrato() { return dadosArrayConciliacao.GetListaExtrato(); }

  const CZQDadosCL_ConciliacaoAutomatica& dadosConciliacaoAutomatica;
  CZQVector<CZQDadosDF_Erro>& listaErros;
  // The last server call's result: what the run returns, and the HRESULT its error
  // records carry.
  HRESULT hr;
  const uint32_t lConta;
  const uint16_t iFilial;
  CZQAcessoConciliacao* const pConciliacao;
  CZQAcessoEmpresarial* const pEmpresarial;
  CZQAcessoFinanceiro* const pFinanceiro;
  CZQAcessoIntegracao* const pIntegracao;

  CCLClassificacao Classificacao;
  CCLContabilizaTesouraria contabilizaTesouraria;
  CZQDadosCL_ConciliacaoTesourariaBancos dadosArrayConciliacao;
  CZQComPtr<IZQDF_IntegracaoTransacao> pIIntegracaoTransacao;
  uint32_t lNumConciliacao = 0;
  // The lines taken into the transaction, in order; lQtdLinhas of them so far.
  std::vector<uint32_t> listaIndices;
  uint32_t lQtdLinhas = 0;
  bool bLancou = false;
  bool bTransacaoCheia = false;
  bool bPrimeiroErroClassificacao = true;
  ChaveOrigem chaveOrigem{};  // the last entry's: the transaction is recorded under it
  CZQVector<RegContasGerencial> aRegGerencialValida;
  CMapBatchGravaLog mapLogs;
  std::size_t p = 0;  // the line the run stands on
  CCLEntradaGrupo entrada;
};

// The run's checks are traced under the run's name and with the text the error log
// knows each call by, whichever step makes them.
#define CL_RASTREIA(nome, texto, valor) \
  ::zq::RegistraFalha(this, (nome), (texto), (valor), ::zq::LocalFonte{kClasse, kCorrida, __FILE_NAME__, __LINE__})
// A checked call whose result becomes the run's.
#define CL_FALHOU(c, texto, expr) CL_RASTREIA("hr", (texto), ((c).hr = (expr)))

HRESULT CCLConciliacaoLancaAuto::ProcessaLancamentoConcAutomatico(
    const CZQDadosCL_ConciliacaoAutomatica& dadosConciliacaoAutomatica, CZQVector<CZQDadosDF_Erro>& listaErros) {
  HRESULT hr = S_OK;
  LimpaErro();
  CZQAcessoConciliacao* pConciliacao = GetAcessoConciliacao();

  // One run of an account at a time, among every process on the store: a second run
  // would read the same open lines, post them again and give the same numbers.
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoConciliacao()->TravaConta(dadosConciliacaoAutomatica.GetPonteiroConta()))) {
    SetErro(pConciliacao->GetErro());
    return hr;
  }
  struct CLiberaConta {
    CCLConciliacaoLancaAuto* rotina;
    CZQAcessoConciliacao* pConciliacao;
    uint32_t lConta;
    // The run's result stands; a lock not let go ends with the connection. Traced as
    // the run's own step.
    ~CLiberaConta() {
      ::zq::RegistraFalha(
          rotina, "hr", "GetAcessoConciliacao()->LiberaConta(dadosConciliacaoAutomatica.GetPonteiroConta())",
          pConciliacao->LiberaConta(lConta), ::zq::LocalFonte{kClasse, kCorrida, __FILE_NAME__, __LINE__});
    }
  } liberaConta{this, pConciliacao, dadosConciliacaoAutomatica.GetPonteiroConta()};

  static constexpr Passo kPassos[] = {
      &CCLConciliacaoLancaAuto::LeLinhasEmAberto,
      &CCLConciliacaoLancaAuto::OrdenaLinhas,
      &CCLConciliacaoLancaAuto::CarregaRegras,
      &CCLConciliacaoLancaAuto::PreparaClassificacao,
      &CCLConciliacaoLancaAuto::AbreTransacaoIntegracao,
      &CCLConciliacaoLancaAuto::PreparaContabilizacao,
      &CCLConciliacaoLancaAuto::LeUltimoNumeroConciliacao,
      &CCLConciliacaoLancaAuto::LancaLinhas,
      &CCLConciliacaoLancaAuto::DeixaAvulsoNaoLancado,
      &CCLConciliacaoLancaAuto::SalvaNumeroConciliacao,
      &CCLConciliacaoLancaAuto::IniciaLogs,
      &CCLConciliacaoLancaAuto::RegistraTransacao,
      &CCLConciliacaoLancaAuto::MarcaLinhas,
      &CCLConciliacaoLancaAuto::AnotaTesourariaNosLogs,
      &CCLConciliacaoLancaAuto::FinalizaCorrida,
  };
  CCLEstadoLancamento c(dadosConciliacaoAutomatica, listaErros, hr, *this);
  for (Passo passo : kPassos) {
    if ((this->*passo)(c) == Rumo::EncerraCorrida) return c.hr;
  }

  // A full transaction leaves lines for another run. What this run read is let go
  // first: a long statement makes many runs, one inside the other.
  if (c.bTransacaoCheia) {
    c.dadosArrayConciliacao = CZQDadosCL_ConciliacaoTesourariaBancos();
    std::vector<uint32_t>().swap(c.listaIndices);
    ProcessaLancamentoConcAutomatico(dadosConciliacaoAutomatica, listaErros);
  }
  return c.hr;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::LeLinhasEmAberto(CCLEstadoLancamento& c) {
  if (CL_FALHOU(c, "GetAcessoConciliacao()->BuscaConciliacao(dadosConciliacaoAutomatica, dadosArrayConciliacao)",
                GetAcessoConciliacao()->BuscaConciliacao(c.dadosConciliacaoAutomatica, c.dadosArrayConciliacao))) {
    SetErro(c.pConciliacao->GetErro());
    return Rumo::EncerraCorrida;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::OrdenaLinhas(CCLEstadoLancamento& c) {
  // By date, movement code as a number, then sign ('+' before '-'). The keys are worked
  // out once per line and the lines moved once: a long statement is read and sorted
  // again for every transaction of 255 lines.
  CZQVector<CZQDadosCL_Extrato>& listaExtrato = c.Extrato();
  struct Chave {
    REG_ZQDMA dma;
    uint16_t codigo;
    char natureza;
    uint32_t indice;
  };
  std::vector<Chave> chaves;
  chaves.reserve(listaExtrato.Std().size());
  for (std::size_t i = 0; i < listaExtrato.Std().size(); ++i) {
    const CZQDadosCL_Extrato& l = listaExtrato.Std()[i];
    chaves.push_back(Chave{l.GetDmaExtrato(), static_cast<uint16_t>(std::atoi(l.GetCodigoMvtoBco().c_str())),
                           l.GetNatureza(), static_cast<uint32_t>(i)});
  }
  std::sort(chaves.begin(), chaves.end(), [](const Chave& a, const Chave& b) {
    if (a.dma != b.dma) return a.dma < b.dma;
    if (a.codigo != b.codigo) return a.codigo < b.codigo;
    if (a.natureza != b.natureza) return a.natureza < b.natureza;
    // Ties keep the order they were read in (date, then position): the same lines make
    // the same groups on every run.
    return a.indice < b.indice;
  });
  std::vector<CZQDadosCL_Extrato> ordenadas;
  ordenadas.reserve(chaves.size());
  for (const Chave& k : chaves) ordenadas.push_back(std::move(listaExtrato.Std()[k.indice]));
  listaExtrato.Std().swap(ordenadas);
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::CarregaRegras(CCLEstadoLancamento&) {
  // A run without rules still saves the number and writes its (empty) logs. A line
  // posted by hand brings its rule and needs none of the saved ones.
  if (m_pAvulso) {
    m_RegMovimentosProp.Std().assign(1, m_pAvulso->regra);
  } else {
    BuscaPropriedades();
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::PreparaClassificacao(CCLEstadoLancamento& c) {
  // The run goes on after a failure: an entry that needs the classification fails there.
  CL_RASTREIA("hrPasso", "Classificacao.Inicializa(false)", c.Classificacao.Inicializa(false));
  c.Classificacao.SetModoSilencioso(m_bModoSilencioso);
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::AbreTransacaoIntegracao(CCLEstadoLancamento& c) {
  if (CL_FALHOU(c, "GetAcessoIntegracao()->GetIDFIntegracaoTransacao(pIIntegracaoTransacao)",
                c.pIntegracao->GetIDFIntegracaoTransacao(c.pIIntegracaoTransacao))) {
    SetErro(c.pIntegracao->GetErro());
    return Rumo::EncerraCorrida;
  }
  if (!c.pIIntegracaoTransacao) {
    c.hr = E_NOINTERFACE;
    CL_RASTREIA("hr", "GetAcessoIntegracao()->GetIDFIntegracaoTransacao(pIIntegracaoTransacao)", c.hr);
    SetErro(c.hr, 0, 0);
    return Rumo::EncerraCorrida;
  }
  regNovaTransacaoPS regNovaTransacao;
  std::memset(&regNovaTransacao, 0, sizeof regNovaTransacao);
  regNovaTransacao.iTipoOrigem = ZQ_TIPO_ORIGEM_CONCILIACAO;
  regNovaTransacao.iTipoTransacao = 4;
  if (CL_FALHOU(c, "pIIntegracaoTransacao->NovaIntegracao(&regNovaTransacao)",
                c.pIIntegracaoTransacao->NovaIntegracao(&regNovaTransacao))) {
    SetErro(c.hr, 0, 0);
    return Rumo::EncerraCorrida;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::PreparaContabilizacao(CCLEstadoLancamento& c) {
  // Each shows its own errors unless the run is silent; a failure here fails the entries
  // that need them.
  CL_RASTREIA("hrPasso", "contabilizaTesouraria.Inicializa(GetEmpresa(), GetUsuario(), GetNumeroSessao(), 1)",
              c.contabilizaTesouraria.Inicializa(GetEmpresa(), GetUsuario(), GetNumeroSessao(), 1));
  c.contabilizaTesouraria.SetModoSilencioso(m_bModoSilencioso);
  CL_RASTREIA("hrPasso", "m_pClassificacaoEmp.Inicializa(GetEmpresa(), GetUsuario(), GetNumeroSessao(), '0', '0')",
              m_pClassificacaoEmp.Inicializa(GetEmpresa(), GetUsuario(), GetNumeroSessao(), '0', '0'));
  m_pClassificacaoEmp.SetTrataErros(!m_bModoSilencioso);
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::LeUltimoNumeroConciliacao(CCLEstadoLancamento& c) {
  if (CL_FALHOU(c,
                "GetAcessoConciliacao()->GetUltimoNrConciliacao(dadosConciliacaoAutomatica.GetPonteiroConta(), "
                "lNumConciliacao)",
                GetAcessoConciliacao()->GetUltimoNrConciliacao(c.lConta, c.lNumConciliacao))) {
    SetErro(c.pConciliacao->GetErro());
    return Rumo::EncerraCorrida;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::LancaLinhas(CCLEstadoLancamento& c) {
  // The steps of one line, from its rule to its entry in the transaction.
  static constexpr Passo kPassosLinha[] = {
      &CCLConciliacaoLancaAuto::ProcuraRegraDaLinha,
      &CCLConciliacaoLancaAuto::ConfereLancamentoPossivel,
      &CCLConciliacaoLancaAuto::TomaGrupo,
      &CCLConciliacaoLancaAuto::ConfereFormaPagamento,
      &CCLConciliacaoLancaAuto::ConfereHistoricoPadrao,
      &CCLConciliacaoLancaAuto::GeraLancamentoDoGrupo,
      &CCLConciliacaoLancaAuto::MontaComplementoHistorico,
      &CCLConciliacaoLancaAuto::MontaOrigem,
      &CCLConciliacaoLancaAuto::ConfereDuplicadoNaTesouraria,
      &CCLConciliacaoLancaAuto::ConfereContaClassificacao,
      &CCLConciliacaoLancaAuto::ClassificaLancamento,
      &CCLConciliacaoLancaAuto::ConfereContasGerenciais,
      &CCLConciliacaoLancaAuto::ContabilizaLancamento,
      &CCLConciliacaoLancaAuto::SubmeteLancamento,
  };
  const std::size_t nLinhas = static_cast<std::size_t>(c.Extrato().GetQuantidade());
  c.listaIndices.assign(nLinhas, 0);
  c.p = 0;
  while (c.p < nLinhas) {
    Rumo rumo = Rumo::Segue;
    for (Passo passo : kPassosLinha) {
      rumo = (this->*passo)(c);
      if (rumo != Rumo::Segue) break;
    }
    if (rumo == Rumo::EncerraCorrida) return rumo;
    if (rumo == Rumo::DescartaLinha) {
      DescartaEntrada(c);
      continue;
    }
    if (c.lQtdLinhas == kLinhasPorTransacao) {
      c.bTransacaoCheia = true;
      break;
    }
  }
  return Rumo::Segue;
}

void CCLConciliacaoLancaAuto::DescartaEntrada(CCLEstadoLancamento& c) {
  if (c.entrada.lQtdGrupo == 0) {
    ++c.p;
    return;
  }
  --c.lNumConciliacao;
  c.lQtdLinhas -= c.entrada.lQtdGrupo;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::ProcuraRegraDaLinha(CCLEstadoLancamento& c) {
  c.entrada = CCLEntradaGrupo{};
  const CZQDadosCL_Extrato& L = c.Extrato()[c.p];
  const int iRegra = !m_pAvulso ? ResolvePropriedade(c.lConta, L, ZQ_RESOLUCAO_LANCAMENTO)
                                : (L.GetPosicao() == m_pAvulso->lPosicaoLinha ? 0 : -1);
  if (iRegra < 0) return Rumo::DescartaLinha;
  c.entrada.iRegra = iRegra;
  c.entrada.regra = m_RegMovimentosProp[static_cast<std::size_t>(iRegra)];
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::ConfereLancamentoPossivel(CCLEstadoLancamento& c) {
  const CZQDadosCL_Extrato& L = c.Extrato()[c.p];
  // The amount of the entry about to be formed is the line's own.
  if (VerificaPodeLancar(L.GetValor(), c.iFilial, c.lConta, L, c.entrada.regra,
                         c.dadosArrayConciliacao.GetListaTesouraria()) == 0) {
    AnotaMotivo(m_pAvulso, kRecusaLancamentoIdentico);
    return Rumo::DescartaLinha;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::TomaGrupo(CCLEstadoLancamento& c) {
  CZQVector<CZQDadosCL_Extrato>& listaExtrato = c.Extrato();
  const std::size_t nLinhas = static_cast<std::size_t>(listaExtrato.GetQuantidade());
  CCLEntradaGrupo& g = c.entrada;
  ++c.lNumConciliacao;
  g.dmaExtrato = listaExtrato[c.p].GetDmaExtrato();
  g.cNatureza = listaExtrato[c.p].GetNatureza();

  // Consecutive lines of the same date and sign that the rule names.
  const CZQString sCodigoRegra = g.regra.szCodigoMvtoBco.Get();
  CZQString sHistoricoRegra = g.regra.szHistoricoBco.Get();
  sHistoricoRegra.MakeUpper();
  const std::size_t nHistorico = sHistoricoRegra.str().size();
  auto pertence = [&](const CZQDadosCL_Extrato& l) {
    if (l.GetDmaExtrato() != g.dmaExtrato || l.GetNatureza() != g.cNatureza) return false;
    if (l.GetCodigoMvtoBco() == sCodigoRegra) return true;
    CZQString h = l.GetHistBco();
    h.MakeUpper();
    return h.str().compare(0, nHistorico, sHistoricoRegra.str()) == 0 && h.str().size() >= nHistorico;
  };
  std::size_t q = c.p;
  do {
    CZQDadosCL_Extrato& tomada = listaExtrato[q];
    g.cyValor += tomada.GetValor();
    tomada.SetNumeroConciliacao(c.lNumConciliacao);
    c.listaIndices[c.lQtdLinhas++] = static_cast<uint32_t>(q);
    ++g.lQtdGrupo;
    ++q;
    // A line alone unless the rule aggregates; the line that found the rule always starts the group.
  } while (g.regra.cAgrupa == 'A' && q < nLinhas && pertence(listaExtrato[q]));
  g.iUltima = q - 1;
  c.p = q;
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::ConfereFormaPagamento(CCLEstadoLancamento& c) {
  const _REG_PROP_CONC_TESBAN_PS& regra = c.entrada.regra;
  int iSaida = 0;
  if (ZQDadosFN::Tesouraria::Transacao::TransacaoEhSaidaOuEntrada(regra.iTransacao, iSaida)) {
    if (iSaida && regra.iPosFormaPagamentoSaida == 0) {
      AdicionaErro(c.listaErros, kErroSemFormaSaida, c.hr);
      return Rumo::DescartaLinha;
    }
    if (!iSaida && regra.iPosFormaPagamento == 0) {
      AdicionaErro(c.listaErros, kErroSemFormaEntrada, c.hr);
      return Rumo::DescartaLinha;
    }
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::ConfereHistoricoPadrao(CCLEstadoLancamento& c) {
  const _REG_PROP_CONC_TESBAN_PS& regra = c.entrada.regra;
  if (regra.iComplHistorico != 0 || regra.lHistorico == 0) return Rumo::Segue;
  CZQDadosDF_Historico dadosHistorico;
  if (CL_FALHOU(c, "GetAcessoEmpresarial()->LeBufferHistorico(m_RegMovimentosProp[iRegra].lHistorico, &dadosHistorico)",
                GetAcessoEmpresarial()->LeBufferHistorico(m_RegMovimentosProp[c.entrada.iRegra].lHistorico,
                                                          &dadosHistorico))) {
    SetErro(c.pEmpresarial->GetErro());
    return Rumo::EncerraCorrida;
  }
  if (dadosHistorico.GetNome().Find('*') >= 0) {
    AdicionaErro(c.listaErros, kErroHistoricoAsterisco, c.hr);
    return Rumo::DescartaLinha;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::GeraLancamentoDoGrupo(CCLEstadoLancamento& c) {
  CCLEntradaGrupo& g = c.entrada;
  g.RegTesourariaps = GeraLancamento(c.iFilial, c.lConta, g.cyValor, g.regra, c.Extrato()[g.iUltima]);
  if (g.RegTesourariaps.iContabil == 0) {
    AdicionaErro(c.listaErros, kErroSemContabil, c.hr);
    return Rumo::DescartaLinha;
  }
  if (g.RegTesourariaps.lPonteiroContaEnt == c.lConta) {
    g.RegTesourariaps.lNumeroConciliacaoEnt = c.lNumConciliacao;
  } else {
    g.RegTesourariaps.lNumeroConciliacaoSai = c.lNumConciliacao;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::MontaComplementoHistorico(CCLEstadoLancamento& c) {
  CCLEntradaGrupo& g = c.entrada;
  if (CL_FALHOU(c,
                "GetComplHistorico(static_cast<uint16_t>(iRegra), RegTesourariaps, regra.iComplHistorico, E, "
                "sComplHistorico)",
                GetComplHistorico(static_cast<uint16_t>(g.iRegra), g.RegTesourariaps, g.regra.iComplHistorico,
                                  c.Extrato()[g.iUltima], g.sComplHistorico))) {
    return Rumo::EncerraCorrida;
  }
  g.bstrComplemento = CZQBstr(g.sComplHistorico);
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::MontaOrigem(CCLEstadoLancamento& c) {
  CCLEntradaGrupo& g = c.entrada;
  const CZQDadosCL_Extrato& E = c.Extrato()[g.iUltima];
  CZQDadosCL_Tabela dadosTabela;
  dadosTabela.SetConta(E.GetConta()).SetFilial(E.GetFilial());
  if (CL_FALHOU(c, "GetAcessoConciliacao()->GetChave(dadosTabela)", GetAcessoConciliacao()->GetChave(dadosTabela))) {
    SetErro(c.pConciliacao->GetErro());
    return Rumo::EncerraCorrida;
  }
  g.iChaveTabela = dadosTabela.GetChave();
  c.chaveOrigem = ZQMontaChaveOrigem(E.GetPosicao(), g.iChaveTabela);
  RegSetTesouraria& regSetTesouraria = g.regSetTesouraria;
  std::memset(&regSetTesouraria, 0, sizeof regSetTesouraria);
  regSetTesouraria.RegTesouraria = g.RegTesourariaps;
  regSetTesouraria.chaveOrigem = c.chaveOrigem;
  regSetTesouraria.lNumeroSessao = static_cast<uint32_t>(GetNumeroSessao());
  regSetTesouraria.lQuantidadeExtratos = c.lQtdLinhas;
  regSetTesouraria.iTipoLancamento = 1;
  regSetTesouraria.bstrComplemento = g.bstrComplemento.Get();
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::ConfereDuplicadoNaTesouraria(CCLEstadoLancamento& c) {
  const tagREG_TESOURARIAPS& RegTesourariaps = c.entrada.RegTesourariaps;
  RegExisteTesps regExiste;
  std::memset(&regExiste, 0, sizeof regExiste);
  regExiste.cyValor = RegTesourariaps.cyValor;
  regExiste.lPonteiroOrigem = RegTesourariaps.lPonteiroOrigem;
  regExiste.dmaLancamento = RegTesourariaps.dmaLancamento;
  regExiste.iPonteiroFilial = RegTesourariaps.iPonteiroFilial;
  regExiste.iHistorico = RegTesourariaps.iHistorico;
  regExiste.lPonteiroContaEnt = RegTesourariaps.lPonteiroContaEnt;
  regExiste.lPonteiroContaSai = RegTesourariaps.lPonteiroContaSai;
  regExiste.ucTipoDocumentoTransacao = RegTesourariaps.ucTipoDocumentoTransacao;
  regExiste.ucTipoDocFormaPagamento = RegTesourariaps.ucTipoDocFormaPagamento;
  regExiste.szDocumento.Set(RegTesourariaps.szDocumento.Get());
  regExiste.bstrComplemento = c.entrada.bstrComplemento.Get();
  CZQComPtr<IZQFN_Tesouraria> pITesouraria;
  if (CL_FALHOU(c, "GetAcessoFinanceiro()->GetIFNTesouraria(pITesouraria)",
                c.pFinanceiro->GetIFNTesouraria(pITesouraria))) {
    SetErro(c.pFinanceiro->GetErro());
    return Rumo::EncerraCorrida;
  }
  if (!pITesouraria) {
    c.hr = E_NOINTERFACE;
    CL_RASTREIA("hr", "GetAcessoFinanceiro()->GetIFNTesouraria(pITesouraria)", c.hr);
    SetErro(c.hr, 0, 0);
    return Rumo::EncerraCorrida;
  }
  tagREG_TESOURARIAPS regEncontrado;
  std::memset(&regEncontrado, 0, sizeof regEncontrado);
  if (CL_FALHOU(c, "pITesouraria->Existe(regExiste, &regEncontrado)",
                pITesouraria->Existe(regExiste, &regEncontrado))) {
    SetErro(c.hr, 0, 0);
    return Rumo::EncerraCorrida;
  }
  if (c.hr != S_OK) return Rumo::Segue;
  if (m_bModoSilencioso) {
    AnotaMotivo(m_pAvulso, kRecusaLancamentoIdentico);
    return Rumo::DescartaLinha;
  }
  CZQDadosDF_Erro pergunta;
  pergunta.SetQuestionamentoPersonalizado(ZQ_MODULO_CL, 0, "%s", kPerguntaDuplicado);
  if (pergunta.MostraMensagem(nullptr, static_cast<TipoBotao>(0), static_cast<TipoBotaoDefault>(0)) == ZQ_IDNO) {
    return Rumo::DescartaLinha;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::ConfereContaClassificacao(CCLEstadoLancamento& c) {
  if (c.entrada.regra.lPosClassificacao == 0) return Rumo::Segue;
  _RegContaPS RegContaps;
  std::memset(&RegContaps, 0, sizeof RegContaps);
  if (CL_FALHOU(c, "m_pClassificacaoEmp.Le(m_RegMovimentosProp[iRegra].lPosClassificacao, &RegContaps)",
                m_pClassificacaoEmp.Le(m_RegMovimentosProp[c.entrada.iRegra].lPosClassificacao, &RegContaps))) {
    SetErro(m_pClassificacaoEmp.GetErro());
    return Rumo::EncerraCorrida;
  }
  if (RegContaps.ucInutilizavel) {
    if (c.bPrimeiroErroClassificacao) {
      AdicionaErro(c.listaErros, kErroClassificacaoInutilizavel, c.hr);
      c.bPrimeiroErroClassificacao = false;
    }
    return Rumo::DescartaLinha;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::ClassificaLancamento(CCLEstadoLancamento& c) {
  CCLEntradaGrupo& g = c.entrada;
  c.Classificacao.LimpaDados();
  if (g.regra.lPosClassificacao == 0) return Rumo::Segue;
  _FN_REG_CONTABILPS RegConta;
  std::memset(&RegConta, 0, sizeof RegConta);
  RegConta.lPosClassificacao = g.regra.lPosClassificacao;
  RegConta.cyValor = g.cyValor;
  if (CL_FALHOU(
          c, "Classificacao.AdicionaConta(RegConta, dadosConciliacaoAutomatica.GetPonteiroFilial(), dmaExtrato, true)",
          c.Classificacao.AdicionaConta(RegConta, c.dadosConciliacaoAutomatica.GetPonteiroFilial(), g.dmaExtrato,
                                        true))) {
    SetErro(c.Classificacao.GetErro());
    return Rumo::EncerraCorrida;
  }
  if (c.Classificacao.GetQtdeContasEmpresariais() == 0) {
    AnotaMotivo(m_pAvulso, kRecusaSemContaEmpresarial);
    return Rumo::DescartaLinha;
  }
  g.pGerenciais = c.Classificacao.GetContaEmpresarial(0).GetContasGerenciais();
  g.iQtdGerenciais = c.Classificacao.GetContaEmpresarial(0).GetQtdeContasGerenciais();
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::ConfereContasGerenciais(CCLEstadoLancamento& c) {
  const tagRegGerencial_ps* RegGerencial = c.entrada.pGerenciais;
  c.aRegGerencialValida.Std().clear();
  CZQString sListaInativas;
  int iInativas = 0;
  const int iMaximoInativas = ZQDadosFN::Gerencial::GetTamanhoMaximoMensagem();
  for (int x = 0; x < c.entrada.iQtdGerenciais && iInativas != iMaximoInativas; ++x) {
    CZQDadosDF_PlanoEmpresarial dadosContaGerencial;
    if (CL_FALHOU(c, "GetAcessoEmpresarial()->LePlanoGerencial(RegGerencial[x].ContaGerencial, &dadosContaGerencial)",
                  GetAcessoEmpresarial()->LePlanoGerencial(RegGerencial[x].ContaGerencial, &dadosContaGerencial))) {
      SetErro(c.pEmpresarial->GetErro());
      return Rumo::EncerraCorrida;
    }
    if (dadosContaGerencial.GetInativa()) {
      sListaInativas += "\n";
      sListaInativas += dadosContaGerencial.GetCodigoProprio();
      sListaInativas += " - ";
      sListaInativas += dadosContaGerencial.GetNome();
      ++iInativas;
    } else {
      RegContasGerencial gerencial;
      std::memset(&gerencial, 0, sizeof gerencial);
      std::memcpy(gerencial.abValor, &RegGerencial[x], sizeof gerencial.abValor);
      gerencial.lPonteiroCentroCusto = RegGerencial[x].lPonteiroCentroCusto;
      gerencial.lContaGerencial = RegGerencial[x].ContaGerencial;
      gerencial.lQuantidadeExtratos = c.lQtdLinhas;
      gerencial.ucOrigem = 1;
      c.aRegGerencialValida.Add(gerencial);
    }
  }
  if (iInativas == 0) return Rumo::Segue;
  CZQDadosDF_Erro aviso;
  aviso.SetAvisoPersonalizado(ZQ_MODULO_CL, 0L, kErroGerencialInativa, sListaInativas.c_str());
  // Without the message file's text the list alone still names the accounts.
  if (aviso.GetTextoMostraMensagem().IsEmpty()) aviso.SetTexto(sListaInativas);
  aviso.SetHR(c.hr);
  aviso.SetTipoErro(ZQ_TIPO_ERRO_AVISO);
  c.listaErros.Add(aviso);
  return Rumo::DescartaLinha;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::ContabilizaLancamento(CCLEstadoLancamento& c) {
  CCLEntradaGrupo& g = c.entrada;
  int iResultado = c.contabilizaTesouraria.TestaContabilizacao(g.RegTesourariaps, c.Classificacao, g.sComplHistorico);
  if (iResultado <= 0) {
    c.Classificacao.LimpaDados();
    iResultado = c.contabilizaTesouraria.GeraLancamentos();
  }
  if (iResultado <= 0)
    iResultado = c.contabilizaTesouraria.Contabiliza(c.Extrato()[g.iUltima].GetPosicao(), g.iChaveTabela);
  if (iResultado > 0) {
    AdicionaErro(c.listaErros, iResultado & 0xFFFF, static_cast<HRESULT>(iResultado));
    return Rumo::DescartaLinha;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::SubmeteLancamento(CCLEstadoLancamento& c) {
  CCLEntradaGrupo& g = c.entrada;
  const tagREG_TESOURARIAPS& RegTesourariaps = g.RegTesourariaps;
  RegFNRetorno RegFNRetornoTes;
  std::memset(&RegFNRetornoTes, 0, sizeof RegFNRetornoTes);
  // Any failure ends the run here, the passed-over one included (untraced).
  c.hr = c.pIIntegracaoTransacao->SetFinanceiroTesouraria(&g.regSetTesouraria, &RegFNRetornoTes);
  if (FAILED(c.hr)) {
    CL_RASTREIA("hr", "pIIntegracaoTransacao->SetFinanceiroTesouraria(&RegSetTesouraria, &RegFNRetorno)", c.hr);
    SetErro(c.hr, 0, 0);
    return Rumo::EncerraCorrida;
  }
  if (RegTesourariaps.ucTipoDocumentoTransacao != 6 && RegTesourariaps.ucTipoDocumentoTransacao != 7) {
    RegContasContabil regContasContabil;
    std::memset(&regContasContabil, 0, sizeof regContasContabil);
    regContasContabil.cyValor = RegTesourariaps.cyValor;
    regContasContabil.lPosClassificacao = RegTesourariaps.lPosClassificacaoContabil;
    regContasContabil.lQuantidadeExtratos = c.lQtdLinhas;
    regContasContabil.iPonteiroFilial = RegTesourariaps.iPonteiroFilial;
    if (CL_FALHOU(c, "pIIntegracaoTransacao->SetContabilTes(1, &regContasContabil)",
                  c.pIIntegracaoTransacao->SetContabilTes(1, &regContasContabil))) {
      SetErro(c.hr, 0, 0);
      return Rumo::EncerraCorrida;
    }
  }
  if (!c.aRegGerencialValida.IsEmpty()) {
    if (CL_FALHOU(c,
                  "pIIntegracaoTransacao->SetGerencialTes(aRegGerencialValida.GetQuantidade(), "
                  "aRegGerencialValida.GetData())",
                  c.pIIntegracaoTransacao->SetGerencialTes(c.aRegGerencialValida.GetQuantidade(),
                                                           c.aRegGerencialValida.GetData()))) {
      SetErro(c.hr, 0, 0);
      return Rumo::EncerraCorrida;
    }
  }
  if (g.lQtdGrupo > 1) {
    // The group's other lines go with the entry, so that none of them can be posted twice.
    std::vector<ChaveOrigem> agrupadas;
    agrupadas.reserve(g.lQtdGrupo - 1);
    for (uint32_t i = c.lQtdLinhas - g.lQtdGrupo; i + 1 < c.lQtdLinhas; ++i) {
      agrupadas.push_back(ZQMontaChaveOrigem(c.Extrato()[c.listaIndices[i]].GetPosicao(), g.iChaveTabela));
    }
    if (CL_FALHOU(
            c,
            "pIIntegracaoTransacao->SetOrigensAgrupadas(static_cast<uint32_t>(agrupadas.size()), "
            "agrupadas.data())",
            c.pIIntegracaoTransacao->SetOrigensAgrupadas(static_cast<uint32_t>(agrupadas.size()), agrupadas.data()))) {
      SetErro(c.hr, 0, 0);
      return Rumo::EncerraCorrida;
    }
  }
  c.bLancou = true;
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::DeixaAvulsoNaoLancado(CCLEstadoLancamento& c) {
  // No number saved, no log: the caller tells why the line was not posted.
  if (!m_pAvulso || c.bLancou) return Rumo::Segue;
  m_pAvulso->bDescartada = true;
  c.contabilizaTesouraria.Finaliza();
  m_RegMovimentosProp.Std().clear();
  c.hr = S_FALSE;
  return Rumo::EncerraCorrida;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::SalvaNumeroConciliacao(CCLEstadoLancamento& c) {
  if (CL_FALHOU(c,
                "GetAcessoConciliacao()->SalvaArqNumConciliacao(dadosConciliacaoAutomatica.GetPonteiroConta(), "
                "lNumConciliacao)",
                GetAcessoConciliacao()->SalvaArqNumConciliacao(c.lConta, c.lNumConciliacao))) {
    SetErro(c.pConciliacao->GetErro());
    return Rumo::EncerraCorrida;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::IniciaLogs(CCLEstadoLancamento& c) {
  if (CL_FALHOU(c, "mapLogs.Inicializa(GetEmpresa(), GetUsuario(), GetNumeroSessao())",
                c.mapLogs.Inicializa(GetEmpresa(), GetUsuario(), GetNumeroSessao()))) {
    SetErro(c.mapLogs.GetErro());
    return Rumo::EncerraCorrida;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::RegistraTransacao(CCLEstadoLancamento& c) {
  if (!c.bLancou) return Rumo::Segue;
  RegGravaIntegracao regGravaIntegracao;
  std::memset(&regGravaIntegracao, 0, sizeof regGravaIntegracao);
  regGravaIntegracao.iConfirma = 1;
  regGravaIntegracao.ullReferenciaOrigem = ZQReferenciaOrigemDaChave(c.chaveOrigem);
  RegRetorno regRetorno;
  std::memset(&regRetorno, 0, sizeof regRetorno);
  // Only S_OK says every entry was stored.
  c.hr = c.pIIntegracaoTransacao->GravaIntegracao(&regGravaIntegracao, &regRetorno);
  if (c.hr != S_OK) {
    CL_RASTREIA("hr", "pIIntegracaoTransacao->GravaIntegracao(&RegGravaIntegracao, &RegRetorno)", c.hr);
    if (regRetorno.lCodigoRetorno == ZQ_RETORNO_INTEGRACAO_FALHA_GRAVACAO) {
      AdicionaErro(c.listaErros, kErroIntegracaoRecusada, c.hr);
    }
    SetErro(c.hr, 0, 0);
    return Rumo::EncerraCorrida;
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::MarcaLinhas(CCLEstadoLancamento& c) {
  for (uint32_t i = 0; i < c.lQtdLinhas; ++i) {
    CZQDadosCL_Extrato& dadosExtrato = c.Extrato()[c.listaIndices[i]];
    dadosExtrato.SetTipoConciliacao('L').SetConciliado('S').SetConta(c.lConta);
    if (CL_FALHOU(c, "GetAcessoConciliacao()->GravaExtrato(dadosExtrato)",
                  GetAcessoConciliacao()->GravaExtrato(dadosExtrato))) {
      SetErro(c.pConciliacao->GetErro());
      return Rumo::EncerraCorrida;
    }
    CCLBatchGravaLog& batch = c.mapLogs.GetBatchGravaLog(dadosExtrato.GetNumeroConciliacao());
    batch.SetNumeroConciliacao(dadosExtrato.GetNumeroConciliacao());
    batch.SetTipoChaves(0);
    batch.SetTipoConciliacao(2);
    batch.SetPonteiroBanco(c.lConta);
    batch.AddChaveExtrato(dadosExtrato.GetDmaExtrato(), dadosExtrato.GetPosicao());
    if (m_pAvulso) m_pAvulso->lNumero = dadosExtrato.GetNumeroConciliacao();
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::AnotaTesourariaNosLogs(CCLEstadoLancamento& c) {
  // The entries of the period reconciled automatically, each under its number's log
  // when it is of this account.
  CZQDadosFN_FiltroTesouraria dadosFiltro;
  dadosFiltro.SetDataInicial(c.dadosConciliacaoAutomatica.GetDataInicial())
      .SetDataFinal(c.dadosConciliacaoAutomatica.GetDataFinal())
      .SetConciliado('S')
      .SetConciladoAuto('S');
  CZQVector<REG_ZQDMC> listaDmc;
  if (CL_FALHOU(c, "GetAcessoFinanceiro()->BuscaPonteirosTesouraria(dadosFiltro, listaDmc)",
                c.pFinanceiro->BuscaPonteirosTesouraria(dadosFiltro, listaDmc))) {
    listaDmc.Std().clear();
  }
  if (listaDmc.GetQuantidade() == 0) return Rumo::Segue;
  CZQVector<CZQDadosFN_Tesouraria> listaTesourariaLida;
  if (CL_FALHOU(c, "GetAcessoFinanceiro()->LeTesouraria(listaDmc, listaTesourariaLida)",
                c.pFinanceiro->LeTesouraria(listaDmc, listaTesourariaLida))) {
    SetErro(c.pFinanceiro->GetErro());
    return Rumo::EncerraCorrida;
  }
  for (const CZQDadosFN_Tesouraria& t : listaTesourariaLida) {
    const uint32_t numero = static_cast<int32_t>(t.GetNumeroConciliacaoEnt()) > 0 ? t.GetNumeroConciliacaoEnt()
                                                                                  : t.GetNumeroConciliacaoSai();
    const uint32_t conta = t.GetPonteiroContaEnt() != 0 ? t.GetPonteiroContaEnt() : t.GetPonteiroContaSai();
    if (c.mapLogs.HasKey(numero) && conta == c.lConta) {
      c.mapLogs.GetBatchGravaLog(numero).AddChave(t.GetPosicaoReg(), t.GetDataLancamento());
    }
  }
  return Rumo::Segue;
}

CCLConciliacaoLancaAuto::Rumo CCLConciliacaoLancaAuto::FinalizaCorrida(CCLEstadoLancamento& c) {
  c.contabilizaTesouraria.Finaliza();
  m_RegMovimentosProp.Std().clear();
  m_RegMovimentosProp.Std().shrink_to_fit();
  if (CL_FALHOU(c, "mapLogs.GravaLogs()", c.mapLogs.GravaLogs())) SetErro(c.mapLogs.GetErro());
  c.pIIntegracaoTransacao.Release();
  return Rumo::Segue;
}

HRESULT CCLConciliacaoLancaAuto::LancaLinha(uint32_t lConta, uint16_t iFilial, uint32_t lPosicaoLinha,
                                            const _REG_PROP_CONC_TESBAN_PS& regra,
                                            CZQVector<CZQDadosDF_Erro>& listaErros, uint32_t& lNumConciliacao) {
  HRESULT hr = S_OK;
  lNumConciliacao = 0;
  LimpaErro();
  CZQAcessoConciliacao* pConciliacao = GetAcessoConciliacao();
  CZQAcessoEmpresarial* pEmpresarial = GetAcessoEmpresarial();
  // A refusal is a warning of the module naming what is wrong; the store stays untouched.
  auto recusa = [&](long codigo, const auto&... args) {
    CZQDadosDF_Erro erro;
    erro.SetAvisoPersonalizado(ZQ_MODULO_CL, 0L, codigo, args...);
    erro.SetHR(S_OK);
    listaErros.Add(erro);
    return S_FALSE;
  };

  // The line as stored, reconciled or not: each refusal says what is wrong with it.
  CZQDadosCL_FiltroExtrato filtro;
  CZQVector<uint32_t> posicoes;
  posicoes.Add(lPosicaoLinha);
  CZQVector<CZQDadosCL_Extrato> linhas;
  // clang-format off
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->BuscaRegistrosMovimentoExtrato(filtro, posicoes, linhas))) {
    // clang-format on
    SetErro(pConciliacao->GetErro());
    return hr;
  }
  if (linhas.IsEmpty()) return recusa(kRecusaLinhaInexistente, lPosicaoLinha);
  const CZQDadosCL_Extrato linha = linhas[0];
  if (linha.GetConta() != lConta) return recusa(kRecusaOutraConta, lPosicaoLinha, linha.GetConta(), lConta);
  if (linha.GetConciliado() == 'S') return recusa(kRecusaJaConciliada, lPosicaoLinha, linha.GetNumeroConciliacao());
  // The run reads the lines of one branch and gives the entry that branch.
  if (iFilial != 0 && iFilial != linha.GetFilial()) {
    return recusa(kRecusaOutraFilial, lPosicaoLinha, linha.GetFilial(), iFilial);
  }

  // The periods closed to changes by hand, as for a match by hand.
  const CZQDma data(linha.GetDmaExtrato());
  const std::string sData = ZQDataTexto(data.GetDma());
  CZQDadosCL_Mestre dadosMestre;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->LeBufferMestre(&dadosMestre))) {
    SetErro(pConciliacao->GetErro());
    return hr;
  }
  const REG_ZQDMA dmaBloqueio = dadosMestre.GetDataBloqueioMovimentacao();
  if (dmaBloqueio != 0 && linha.GetDmaExtrato() <= dmaBloqueio) {
    return recusa(kRecusaMovimentacaoBloqueada, lPosicaoLinha, sData, ZQDataTexto(dmaBloqueio));
  }
  CZQDadosDF_PeriodoContabil dadosPeriodo;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBufferPeriodoContabil(&dadosPeriodo))) {
    SetErro(pEmpresarial->GetErro());
    return hr;
  }
  const CZQMa mesBloqueio(dadosPeriodo.GetMesBloqueio());
  if (!mesBloqueio.EhVazio() && CZQMa(data) <= mesBloqueio) {
    return recusa(kRecusaMesBloqueado, lPosicaoLinha, sData,
                  ZQDataTexto(mesBloqueio.GetUltimoDia().GetDma()).substr(3));
  }

  // The posting run over the line's day: the treasury list it checks for an identical
  // entry is that day's, as the entry's date is the line's. No question is asked, so an
  // identical entry refuses the line.
  CZQDadosCL_ConciliacaoAutomatica dadosConciliacao;
  dadosConciliacao.SetPonteiroConta(lConta)
      .SetPonteiroFilial(linha.GetFilial())
      .SetDataInicial(linha.GetDmaExtrato())
      .SetDataFinal(linha.GetDmaExtrato());
  CCLLancamentoAvulso avulso;
  avulso.lPosicaoLinha = lPosicaoLinha;
  avulso.regra = regra;
  avulso.regra.cAgrupa = 'N';  // the line alone, whatever the rule says of grouping
  const bool bSilencioso = m_bModoSilencioso;
  const long nErros = listaErros.GetQuantidade();
  m_bModoSilencioso = true;
  m_pAvulso = &avulso;
  hr = ProcessaLancamentoConcAutomatico(dadosConciliacao, listaErros);
  m_pAvulso = nullptr;
  m_bModoSilencioso = bSilencioso;
  if (!avulso.bDescartada) {
    if (hr == S_OK) lNumConciliacao = avulso.lNumero;
    return hr;
  }
  // Dropped: the run said why, or the line was no longer open when the run read it.
  if (listaErros.GetQuantidade() > nErros) return S_FALSE;
  return recusa(avulso.lMotivo != 0 ? avulso.lMotivo : kRecusaLinhaNaoAberta, lPosicaoLinha);
}
