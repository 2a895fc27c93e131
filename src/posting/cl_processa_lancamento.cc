#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "frame/zq_trace.h"
#include "platform/zq_acesso_areas.h"
#include "platform/zq_bstr.h"
#include "platform/zq_componentes_lancamento.h"
#include "platform/zq_dados_empresarial.h"
#include "platform/zq_estruturas_integracao.h"
#include "platform/zq_interacao.h"
#include "posting/cl_conciliacao_lanca_auto.h"

// The posting run: generates the treasury entries of the open statement lines that
// have a posting rule, submits them to one integration transaction and, once it is
// recorded, marks the lines reconciled and writes the reconciliation logs.

namespace {

constexpr const char* kClasse = "CCLConciliacaoLancaAuto";
constexpr HRESULT kServidoresIndisponiveis = ZQ_HR(0x80080005);  // CO_E_SERVER_EXEC_FAILURE

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

HRESULT CCLConciliacaoLancaAuto::ProcessaLancamentoConcAutomatico(
    const CZQDadosCL_ConciliacaoAutomatica& dadosConciliacaoAutomatica, CZQVector<CZQDadosDF_Erro>& listaErros) {
  HRESULT hr = S_OK;
  LimpaErro();
  if (!GetAcessoServidores()) {
    hr = kServidoresIndisponiveis;
    ZQ_FALHOU_TEXTO(this, kClasse, hr, "GetAcessoServidores()");
    SetErro(hr, 0, 0, "%s", "Os servidores de dados não estão disponíveis.");
    return hr;
  }
  CZQAcessoConciliacao* pConciliacao = GetAcessoConciliacao();
  CZQAcessoEmpresarial* pEmpresarial = GetAcessoEmpresarial();
  CZQAcessoFinanceiro* pFinanceiro = GetAcessoServidores()->GetAcessoFinanceiro();
  CZQAcessoIntegracao* pIntegracao = GetAcessoServidores()->GetAcessoIntegracao();
  // Named as the trace quotes them.
  auto GetAcessoFinanceiro = [pFinanceiro]() { return pFinanceiro; };
  auto GetAcessoIntegracao = [pIntegracao]() { return pIntegracao; };

  // One run of an account at a time, among every process on the store: a second run
  // would read the same open lines, post them again and give the same numbers.
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->TravaConta(dadosConciliacaoAutomatica.GetPonteiroConta()))) {
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
      ::zq::RegistraFalha(rotina, "hr", "GetAcessoConciliacao()->LiberaConta(dadosConciliacaoAutomatica.GetPonteiroConta())",
                          pConciliacao->LiberaConta(lConta),
                          ::zq::LocalFonte{kClasse, "ProcessaLancamentoConcAutomatico", __FILE_NAME__, __LINE__});
    }
  } liberaConta{this, pConciliacao, dadosConciliacaoAutomatica.GetPonteiroConta()};

  // 1-2: the components and the open lines and entries.
  CCLClassificacao Classificacao;
  CCLContabilizaTesouraria contabilizaTesouraria;
  CZQDadosCL_ConciliacaoTesourariaBancos dadosArrayConciliacao;
  // clang-format off
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->BuscaConciliacao(dadosConciliacaoAutomatica, dadosArrayConciliacao))) {
    // clang-format on
    SetErro(pConciliacao->GetErro());
    return hr;
  }

  // 3: by date, movement code as a number, then sign ('+' before '-').
  // The keys are worked out once per line and the lines moved once: a long statement is
  // read and sorted again for every transaction of 255 lines.
  CZQVector<CZQDadosCL_Extrato>& listaExtrato = dadosArrayConciliacao.GetListaExtrato();
  {
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
    for (const Chave& c : chaves) ordenadas.push_back(std::move(listaExtrato.Std()[c.indice]));
    listaExtrato.Std().swap(ordenadas);
  }

  // 4: a run without rules still saves the number and writes its (empty) logs. A line
  // posted by hand brings its rule and needs none of the saved ones.
  if (m_pAvulso) {
    m_RegMovimentosProp.Std().assign(1, m_pAvulso->regra);
  } else {
    BuscaPropriedades();
  }

  // 5
  HRESULT hrPasso = S_OK;
  if (ZQ_FALHOU_EM(this, kClasse, hrPasso, Classificacao.Inicializa(false))) {
    // The run goes on: an entry that needs the classification fails there.
  }
  Classificacao.SetModoSilencioso(m_bModoSilencioso);

  // 6: the integration transaction.
  CZQComPtr<IZQDF_IntegracaoTransacao> pIIntegracaoTransacao;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoIntegracao()->GetIDFIntegracaoTransacao(pIIntegracaoTransacao))) {
    SetErro(pIntegracao->GetErro());
    return hr;
  }
  if (!pIIntegracaoTransacao) {
    hr = E_NOINTERFACE;
    ZQ_FALHOU_TEXTO(this, kClasse, hr, "GetAcessoIntegracao()->GetIDFIntegracaoTransacao(pIIntegracaoTransacao)");
    SetErro(hr, 0, 0);
    return hr;
  }
  regNovaTransacaoPS regNovaTransacao;
  std::memset(&regNovaTransacao, 0, sizeof regNovaTransacao);
  regNovaTransacao.iTipoOrigem = ZQ_TIPO_ORIGEM_CONCILIACAO;
  regNovaTransacao.iTipoTransacao = 4;
  if (ZQ_FALHOU_EM(this, kClasse, hr, pIIntegracaoTransacao->NovaIntegracao(&regNovaTransacao))) {
    SetErro(hr, 0, 0);
    return hr;
  }

  // 7: accounting and chart; each shows its own errors unless the run is silent.
  // clang-format off
  if (ZQ_FALHOU_EM(this, kClasse, hrPasso, contabilizaTesouraria.Inicializa(GetEmpresa(), GetUsuario(), GetNumeroSessao(), 1))) {
  }
  contabilizaTesouraria.SetModoSilencioso(m_bModoSilencioso);
  if (ZQ_FALHOU_EM(this, kClasse, hrPasso, m_pClassificacaoEmp.Inicializa(GetEmpresa(), GetUsuario(), GetNumeroSessao(), '0', '0'))) {
  }
  // clang-format on
  m_pClassificacaoEmp.SetTrataErros(!m_bModoSilencioso);

  // 8
  const uint32_t lConta = dadosConciliacaoAutomatica.GetPonteiroConta();
  const uint16_t iFilial = static_cast<uint16_t>(dadosConciliacaoAutomatica.GetPonteiroFilial());
  uint32_t lNumConciliacao = 0;
  // clang-format off
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->GetUltimoNrConciliacao(dadosConciliacaoAutomatica.GetPonteiroConta(), lNumConciliacao))) {
    // clang-format on
    SetErro(pConciliacao->GetErro());
    return hr;
  }

  // 9
  const std::size_t nLinhas = static_cast<std::size_t>(listaExtrato.GetQuantidade());
  std::vector<uint32_t> listaIndices(nLinhas);
  uint32_t lQtdLinhas = 0;
  bool bLancou = false;
  bool bTransacaoCheia = false;
  bool bPrimeiroErroClassificacao = true;
  ChaveOrigem chaveOrigem{};
  CZQVector<RegContasGerencial> aRegGerencialValida;
  const CZQVector<CZQDadosFN_Tesouraria>& listaTesouraria = dadosArrayConciliacao.GetListaTesouraria();
  auto anotaMotivo = [this](long lMotivo) {
    if (m_pAvulso) m_pAvulso->lMotivo = lMotivo;
  };

  // 10
  std::size_t p = 0;
  while (p < nLinhas) {
    const CZQDadosCL_Extrato& L = listaExtrato[p];
    const int iRegra = !m_pAvulso ? ResolvePropriedade(lConta, L, ZQ_RESOLUCAO_LANCAMENTO)
                                  : (L.GetPosicao() == m_pAvulso->lPosicaoLinha ? 0 : -1);
    if (iRegra < 0) {
      ++p;
      continue;
    }
    const _REG_PROP_CONC_TESBAN_PS regra = m_RegMovimentosProp[static_cast<std::size_t>(iRegra)];
    // The amount of the entry about to be formed is the line's own.
    if (VerificaPodeLancar(L.GetValor(), iFilial, lConta, L, regra, listaTesouraria) == 0) {
      anotaMotivo(kRecusaLancamentoIdentico);
      ++p;
      continue;
    }

    ++lNumConciliacao;
    const REG_ZQDMA dmaExtrato = L.GetDmaExtrato();
    const char cNatureza = L.GetNatureza();

    // Group: consecutive lines of the same date and sign that the rule names.
    tagCY cyValor = 0;
    uint32_t lQtdGrupo = 0;
    std::size_t q = p;
    const CZQString sCodigoRegra = regra.szCodigoMvtoBco.Get();
    CZQString sHistoricoRegra = regra.szHistoricoBco.Get();
    sHistoricoRegra.MakeUpper();
    const std::size_t nHistorico = sHistoricoRegra.str().size();
    auto pertence = [&](const CZQDadosCL_Extrato& l) {
      if (l.GetDmaExtrato() != dmaExtrato || l.GetNatureza() != cNatureza) return false;
      if (l.GetCodigoMvtoBco() == sCodigoRegra) return true;
      CZQString h = l.GetHistBco();
      h.MakeUpper();
      return h.str().compare(0, nHistorico, sHistoricoRegra.str()) == 0 && h.str().size() >= nHistorico;
    };
    do {
      CZQDadosCL_Extrato& tomada = listaExtrato[q];
      cyValor += tomada.GetValor();
      tomada.SetNumeroConciliacao(lNumConciliacao);
      listaIndices[lQtdLinhas++] = static_cast<uint32_t>(q);
      ++lQtdGrupo;
      ++q;
      // A line alone unless the rule aggregates; the line that found the rule always starts the group.
    } while (regra.cAgrupa == 'A' && q < nLinhas && pertence(listaExtrato[q]));
    const CZQDadosCL_Extrato& E = listaExtrato[q - 1];
    p = q;

    // Undoes the entry: its number and its lines go back.
    auto descarta = [&]() {
      --lNumConciliacao;
      lQtdLinhas -= lQtdGrupo;
    };

    // 10.5 payment form
    int iSaida = 0;
    if (ZQDadosFN::Tesouraria::Transacao::TransacaoEhSaidaOuEntrada(regra.iTransacao, iSaida)) {
      if (iSaida && regra.iPosFormaPagamentoSaida == 0) {
        AdicionaErro(listaErros, kErroSemFormaSaida, hr);
        descarta();
        continue;
      }
      if (!iSaida && regra.iPosFormaPagamento == 0) {
        AdicionaErro(listaErros, kErroSemFormaEntrada, hr);
        descarta();
        continue;
      }
    }

    // 10.6 standard history
    if (regra.iComplHistorico == 0 && regra.lHistorico != 0) {
      CZQDadosDF_Historico dadosHistorico;
      // clang-format off
      if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBufferHistorico(m_RegMovimentosProp[iRegra].lHistorico, &dadosHistorico))) {
        // clang-format on
        SetErro(pEmpresarial->GetErro());
        return hr;
      }
      if (dadosHistorico.GetNome().Find('*') >= 0) {
        AdicionaErro(listaErros, kErroHistoricoAsterisco, hr);
        descarta();
        continue;
      }
    }

    // 10.7-10.9 the entry
    tagREG_TESOURARIAPS RegTesourariaps = GeraLancamento(iFilial, lConta, cyValor, regra, E);
    if (RegTesourariaps.iContabil == 0) {
      AdicionaErro(listaErros, kErroSemContabil, hr);
      descarta();
      continue;
    }
    if (RegTesourariaps.lPonteiroContaEnt == lConta) {
      RegTesourariaps.lNumeroConciliacaoEnt = lNumConciliacao;
    } else {
      RegTesourariaps.lNumeroConciliacaoSai = lNumConciliacao;
    }

    // 10.10
    CZQString sComplHistorico;
    // clang-format off
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetComplHistorico(static_cast<uint16_t>(iRegra), RegTesourariaps, regra.iComplHistorico, E, sComplHistorico))) {
      // clang-format on
      return hr;
    }
    CZQBstr bstrComplemento(sComplHistorico);

    // 10.11 origin and treasury part
    CZQDadosCL_Tabela dadosTabela;
    dadosTabela.SetConta(E.GetConta()).SetFilial(E.GetFilial());
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->GetChave(dadosTabela))) {
      SetErro(pConciliacao->GetErro());
      return hr;
    }
    const uint16_t iChaveTabela = dadosTabela.GetChave();
    chaveOrigem = ZQMontaChaveOrigem(E.GetPosicao(), iChaveTabela);
    RegSetTesouraria regSetTesouraria;
    std::memset(&regSetTesouraria, 0, sizeof regSetTesouraria);
    regSetTesouraria.RegTesouraria = RegTesourariaps;
    regSetTesouraria.chaveOrigem = chaveOrigem;
    regSetTesouraria.lNumeroSessao = static_cast<uint32_t>(GetNumeroSessao());
    regSetTesouraria.lQuantidadeExtratos = lQtdLinhas;
    regSetTesouraria.iTipoLancamento = 1;
    regSetTesouraria.bstrComplemento = bstrComplemento.Get();

    // 10.12 treasury duplicate
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
    regExiste.bstrComplemento = bstrComplemento.Get();
    CZQComPtr<IZQFN_Tesouraria> pITesouraria;
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoFinanceiro()->GetIFNTesouraria(pITesouraria))) {
      SetErro(pFinanceiro->GetErro());
      return hr;
    }
    if (!pITesouraria) {
      hr = E_NOINTERFACE;
      ZQ_FALHOU_TEXTO(this, kClasse, hr, "GetAcessoFinanceiro()->GetIFNTesouraria(pITesouraria)");
      SetErro(hr, 0, 0);
      return hr;
    }
    tagREG_TESOURARIAPS regEncontrado;
    std::memset(&regEncontrado, 0, sizeof regEncontrado);
    if (ZQ_FALHOU_EM(this, kClasse, hr, pITesouraria->Existe(regExiste, &regEncontrado))) {
      SetErro(hr, 0, 0);
      return hr;
    }
    if (hr == S_OK) {
      if (m_bModoSilencioso) {
        anotaMotivo(kRecusaLancamentoIdentico);
        descarta();
        continue;
      }
      CZQDadosDF_Erro pergunta;
      pergunta.SetQuestionamentoPersonalizado(ZQ_MODULO_CL, 0, "%s", kPerguntaDuplicado);
      if (pergunta.MostraMensagem(nullptr, static_cast<TipoBotao>(0), static_cast<TipoBotaoDefault>(0)) == ZQ_IDNO) {
        descarta();
        continue;
      }
    }

    // 10.13 the classification account
    if (regra.lPosClassificacao != 0) {
      _RegContaPS RegContaps;
      std::memset(&RegContaps, 0, sizeof RegContaps);
      // clang-format off
      if (ZQ_FALHOU_EM(this, kClasse, hr, m_pClassificacaoEmp.Le(m_RegMovimentosProp[iRegra].lPosClassificacao, &RegContaps))) {
        // clang-format on
        SetErro(m_pClassificacaoEmp.GetErro());
        return hr;
      }
      if (RegContaps.ucInutilizavel) {
        if (bPrimeiroErroClassificacao) {
          AdicionaErro(listaErros, kErroClassificacaoInutilizavel, hr);
          bPrimeiroErroClassificacao = false;
        }
        descarta();
        continue;
      }
    }

    // 10.14 classification
    Classificacao.LimpaDados();
    const tagRegGerencial_ps* pGerenciais = nullptr;
    int iQtdGerenciais = 0;
    if (regra.lPosClassificacao != 0) {
      _FN_REG_CONTABILPS RegConta;
      std::memset(&RegConta, 0, sizeof RegConta);
      RegConta.lPosClassificacao = regra.lPosClassificacao;
      RegConta.cyValor = cyValor;
      // clang-format off
      if (ZQ_FALHOU_EM(this, kClasse, hr, Classificacao.AdicionaConta(RegConta, dadosConciliacaoAutomatica.GetPonteiroFilial(), dmaExtrato, true))) {
        // clang-format on
        SetErro(Classificacao.GetErro());
        return hr;
      }
      if (Classificacao.GetQtdeContasEmpresariais() == 0) {
        anotaMotivo(kRecusaSemContaEmpresarial);
        descarta();
        continue;
      }
      pGerenciais = Classificacao.GetContaEmpresarial(0).GetContasGerenciais();
      iQtdGerenciais = Classificacao.GetContaEmpresarial(0).GetQtdeContasGerenciais();
    }

    // 10.15 management accounts
    aRegGerencialValida.Std().clear();
    CZQString sListaInativas;
    int iInativas = 0;
    const int iMaximoInativas = ZQDadosFN::Gerencial::GetTamanhoMaximoMensagem();
    bool bFatal = false;
    for (int x = 0; x < iQtdGerenciais && iInativas != iMaximoInativas; ++x) {
      const tagRegGerencial_ps* RegGerencial = pGerenciais;
      CZQDadosDF_PlanoEmpresarial dadosContaGerencial;
      // clang-format off
      if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LePlanoGerencial(RegGerencial[x].ContaGerencial, &dadosContaGerencial))) {
        // clang-format on
        SetErro(pEmpresarial->GetErro());
        bFatal = true;
        break;
      }
      if (dadosContaGerencial.GetInativa()) {
        sListaInativas += "\n";
        sListaInativas += dadosContaGerencial.GetCodigoProprio();
        sListaInativas += " - ";
        sListaInativas += dadosContaGerencial.GetNome();
        ++iInativas;
      } else {
        RegContasGerencial g;
        std::memset(&g, 0, sizeof g);
        std::memcpy(g.abValor, &RegGerencial[x], sizeof g.abValor);
        g.lPonteiroCentroCusto = RegGerencial[x].lPonteiroCentroCusto;
        g.lContaGerencial = RegGerencial[x].ContaGerencial;
        g.lQuantidadeExtratos = lQtdLinhas;
        g.ucOrigem = 1;
        aRegGerencialValida.Add(g);
      }
    }
    if (bFatal) return hr;
    if (iInativas > 0) {
      CZQDadosDF_Erro aviso;
      aviso.SetAvisoPersonalizado(ZQ_MODULO_CL, 0L, kErroGerencialInativa, sListaInativas.c_str());
      // Without the message file's text the list alone still names the accounts.
      if (aviso.GetTextoMostraMensagem().IsEmpty()) aviso.SetTexto(sListaInativas);
      aviso.SetHR(hr);
      aviso.SetTipoErro(ZQ_TIPO_ERRO_AVISO);
      listaErros.Add(aviso);
      descarta();
      continue;
    }

    // 10.16 accounting
    int iResultado = contabilizaTesouraria.TestaContabilizacao(RegTesourariaps, Classificacao, sComplHistorico);
    if (iResultado <= 0) {
      Classificacao.LimpaDados();
      iResultado = contabilizaTesouraria.GeraLancamentos();
    }
    if (iResultado <= 0) iResultado = contabilizaTesouraria.Contabiliza(E.GetPosicao(), iChaveTabela);
    if (iResultado > 0) {
      AdicionaErro(listaErros, iResultado & 0xFFFF, static_cast<HRESULT>(iResultado));
      descarta();
      continue;
    }

    // 10.17 into the transaction
    RegFNRetorno RegFNRetornoTes;
    std::memset(&RegFNRetornoTes, 0, sizeof RegFNRetornoTes);
    hr = pIIntegracaoTransacao->SetFinanceiroTesouraria(&regSetTesouraria, &RegFNRetornoTes);
    if (FAILED(hr)) {
      ZQ_FALHOU_TEXTO(this, kClasse, hr, "pIIntegracaoTransacao->SetFinanceiroTesouraria(&RegSetTesouraria, &RegFNRetorno)");
      SetErro(hr, 0, 0);
      return hr;
    }
    if (RegTesourariaps.ucTipoDocumentoTransacao != 6 && RegTesourariaps.ucTipoDocumentoTransacao != 7) {
      RegContasContabil regContasContabil;
      std::memset(&regContasContabil, 0, sizeof regContasContabil);
      regContasContabil.cyValor = RegTesourariaps.cyValor;
      regContasContabil.lPosClassificacao = RegTesourariaps.lPosClassificacaoContabil;
      regContasContabil.lQuantidadeExtratos = lQtdLinhas;
      regContasContabil.iPonteiroFilial = RegTesourariaps.iPonteiroFilial;
      if (ZQ_FALHOU_EM(this, kClasse, hr, pIIntegracaoTransacao->SetContabilTes(1, &regContasContabil))) {
        SetErro(hr, 0, 0);
        return hr;
      }
    }
    if (!aRegGerencialValida.IsEmpty()) {
      // clang-format off
      if (ZQ_FALHOU_EM(this, kClasse, hr, pIIntegracaoTransacao->SetGerencialTes(aRegGerencialValida.GetQuantidade(), aRegGerencialValida.GetData()))) {
        // clang-format on
        SetErro(hr, 0, 0);
        return hr;
      }
    }
    if (lQtdGrupo > 1) {
      // The group's other lines go with the entry, so that none of them can be posted twice.
      std::vector<ChaveOrigem> agrupadas;
      agrupadas.reserve(lQtdGrupo - 1);
      for (uint32_t i = lQtdLinhas - lQtdGrupo; i + 1 < lQtdLinhas; ++i) {
        agrupadas.push_back(ZQMontaChaveOrigem(listaExtrato[listaIndices[i]].GetPosicao(), iChaveTabela));
      }
      // clang-format off
      if (ZQ_FALHOU_EM(this, kClasse, hr, pIIntegracaoTransacao->SetOrigensAgrupadas(static_cast<uint32_t>(agrupadas.size()), agrupadas.data()))) {
        // clang-format on
        SetErro(hr, 0, 0);
        return hr;
      }
    }
    bLancou = true;

    // 10.18
    if (lQtdLinhas == kLinhasPorTransacao) {
      bTransacaoCheia = true;
      break;
    }
  }

  // 11: record and mark. A line by hand that was not posted leaves the store as it was:
  // no number saved, no log.
  if (m_pAvulso && !bLancou) {
    m_pAvulso->bDescartada = true;
    contabilizaTesouraria.Finaliza();
    m_RegMovimentosProp.Std().clear();
    return S_FALSE;
  }
  // clang-format off
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->SalvaArqNumConciliacao(dadosConciliacaoAutomatica.GetPonteiroConta(), lNumConciliacao))) {
    // clang-format on
    SetErro(pConciliacao->GetErro());
    return hr;
  }
  CMapBatchGravaLog mapLogs;
  if (ZQ_FALHOU_EM(this, kClasse, hr, mapLogs.Inicializa(GetEmpresa(), GetUsuario(), GetNumeroSessao()))) {
    SetErro(mapLogs.GetErro());
    return hr;
  }
  if (bLancou) {
    RegGravaIntegracao regGravaIntegracao;
    std::memset(&regGravaIntegracao, 0, sizeof regGravaIntegracao);
    regGravaIntegracao.iConfirma = 1;
    regGravaIntegracao.ullReferenciaOrigem = ZQReferenciaOrigemDaChave(chaveOrigem);
    RegRetorno regRetorno;
    std::memset(&regRetorno, 0, sizeof regRetorno);
    hr = pIIntegracaoTransacao->GravaIntegracao(&regGravaIntegracao, &regRetorno);
    if (hr != S_OK) {
      ZQ_FALHOU_TEXTO(this, kClasse, hr, "pIIntegracaoTransacao->GravaIntegracao(&RegGravaIntegracao, &RegRetorno)");
      if (regRetorno.lCodigoRetorno == ZQ_RETORNO_INTEGRACAO_FALHA_GRAVACAO) {
        AdicionaErro(listaErros, kErroIntegracaoRecusada, hr);
      }
      SetErro(hr, 0, 0);
      return hr;
    }
  }
  for (uint32_t i = 0; i < lQtdLinhas; ++i) {
    CZQDadosCL_Extrato& dadosExtrato = listaExtrato[listaIndices[i]];
    dadosExtrato.SetTipoConciliacao('L').SetConciliado('S').SetConta(lConta);
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->GravaExtrato(dadosExtrato))) {
      SetErro(pConciliacao->GetErro());
      return hr;
    }
    CCLBatchGravaLog& batch = mapLogs.GetBatchGravaLog(dadosExtrato.GetNumeroConciliacao());
    batch.SetNumeroConciliacao(dadosExtrato.GetNumeroConciliacao());
    batch.SetTipoChaves(0);
    batch.SetTipoConciliacao(2);
    batch.SetPonteiroBanco(lConta);
    batch.AddChaveExtrato(dadosExtrato.GetDmaExtrato(), dadosExtrato.GetPosicao());
    if (m_pAvulso) m_pAvulso->lNumero = dadosExtrato.GetNumeroConciliacao();
  }
  // The treasury side of the logs: entries of the period reconciled automatically.
  CZQDadosFN_FiltroTesouraria dadosFiltro;
  dadosFiltro.SetDataInicial(dadosConciliacaoAutomatica.GetDataInicial())
      .SetDataFinal(dadosConciliacaoAutomatica.GetDataFinal())
      .SetConciliado('S')
      .SetConciladoAuto('S');
  CZQVector<REG_ZQDMC> listaDmc;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoFinanceiro()->BuscaPonteirosTesouraria(dadosFiltro, listaDmc))) {
    listaDmc.Std().clear();
  }
  if (listaDmc.GetQuantidade() > 0) {
    CZQVector<CZQDadosFN_Tesouraria> listaTesourariaLida;
    // clang-format off
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoFinanceiro()->LeTesouraria(listaDmc, listaTesourariaLida))) {
      // clang-format on
      SetErro(pFinanceiro->GetErro());
      return hr;
    }
    for (const CZQDadosFN_Tesouraria& t : listaTesourariaLida) {
      const uint32_t numero =
          static_cast<int32_t>(t.GetNumeroConciliacaoEnt()) > 0 ? t.GetNumeroConciliacaoEnt() : t.GetNumeroConciliacaoSai();
      const uint32_t conta = t.GetPonteiroContaEnt() != 0 ? t.GetPonteiroContaEnt() : t.GetPonteiroContaSai();
      if (mapLogs.HasKey(numero) && conta == lConta) {
        mapLogs.GetBatchGravaLog(numero).AddChave(t.GetPosicaoReg(), t.GetDataLancamento());
      }
    }
  }

  // 12
  contabilizaTesouraria.Finaliza();
  m_RegMovimentosProp.Std().clear();
  m_RegMovimentosProp.Std().shrink_to_fit();
  if (ZQ_FALHOU_EM(this, kClasse, hr, mapLogs.GravaLogs())) SetErro(mapLogs.GetErro());
  pIIntegracaoTransacao.Release();

  // 13: a full transaction leaves lines for another run. What this run read is let go
  // first: a long statement makes many runs, one inside the other.
  if (bTransacaoCheia) {
    dadosArrayConciliacao = CZQDadosCL_ConciliacaoTesourariaBancos();
    std::vector<uint32_t>().swap(listaIndices);
    ProcessaLancamentoConcAutomatico(dadosConciliacaoAutomatica, listaErros);
  }
  return hr;
}

HRESULT CCLConciliacaoLancaAuto::LancaLinha(uint32_t lConta, uint16_t iFilial, uint32_t lPosicaoLinha,
                                            const _REG_PROP_CONC_TESBAN_PS& regra,
                                            CZQVector<CZQDadosDF_Erro>& listaErros, uint32_t& lNumConciliacao) {
  HRESULT hr = S_OK;
  lNumConciliacao = 0;
  LimpaErro();
  if (!GetAcessoServidores()) {
    hr = kServidoresIndisponiveis;
    ZQ_FALHOU_TEXTO(this, kClasse, hr, "GetAcessoServidores()");
    SetErro(hr, 0, 0, "%s", "Os servidores de dados não estão disponíveis.");
    return hr;
  }
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
    return recusa(kRecusaMesBloqueado, lPosicaoLinha, sData, ZQDataTexto(mesBloqueio.GetUltimoDia().GetDma()).substr(3));
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
