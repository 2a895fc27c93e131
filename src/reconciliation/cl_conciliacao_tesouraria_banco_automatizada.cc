#include "reconciliation/cl_conciliacao_tesouraria_banco_automatizada.h"

#include <map>

#include "frame/zq_data.h"
#include "frame/zq_relogio.h"
#include "frame/zq_trace.h"
#include "platform/zq_acesso_conciliacao.h"
#include "platform/zq_acesso_empresarial.h"
#include "platform/zq_analytics_evento.h"
#include "platform/zq_dados_conciliacao.h"
#include "platform/zq_dados_empresarial.h"
#include "platform/zq_feriado.h"
#include "platform/zq_trata_dados_tesouraria.h"
#include "posting/cl_conciliacao_lanca_auto.h"

namespace {

constexpr const char kClasse[] = "CCLConciliacaoTesourariaBancoAutomatizada";

// Days before today that every request covers.
constexpr int kDiasConciliacao = 7;
constexpr int kDomingo = 1;
constexpr int kSabado = 7;
constexpr REG_ZQHMS kUltimoSegundoDia = 86399;

}  // namespace

CCLConciliacaoTesourariaBancoAutomatizada::CCLConciliacaoTesourariaBancoAutomatizada() = default;
CCLConciliacaoTesourariaBancoAutomatizada::~CCLConciliacaoTesourariaBancoAutomatizada() = default;

CZQAcessoConciliacao* CCLConciliacaoTesourariaBancoAutomatizada::GetAcessoConciliacao() {
  return AreaConciliacao();
}

CZQAcessoEmpresarial* CCLConciliacaoTesourariaBancoAutomatizada::GetAcessoEmpresarial() {
  return AreaEmpresarial();
}

bool CCLConciliacaoTesourariaBancoAutomatizada::DeveExecutar() {
  m_listaRegras.RemoveAll();
  if (Abortar()) return false;

  HRESULT hr = S_OK;
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco dadosConfiguracaoServico;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoConciliacao()->LeConfiguracaoConciliacaoTesourariaBanco(dadosConfiguracaoServico))) {
    FalhaServico("Falha na leitura da configuração do serviço de conciliação tesouraria/banco automatizada.", hr,
                 __LINE__);
  }
  if (dadosConfiguracaoServico.GetQuantidadeRegras() == 0) return false;

  CFeriado feriado;
  if (ZQ_FALHOU_EM(this, kClasse, hr, feriado.Inicializa(this))) {
    FalhaServico("Falha na inicialização do controle de feriados.", hr, __LINE__);
  }

  const CZQDma hoje = zq::Hoje();
  for (const Regra& regraConfigurada : dadosConfiguracaoServico.GetListaRegras()) {
    Regra dadosRegra = regraConfigurada;
    if (dadosRegra.GetApenasDiasUteis()) {
      const int diaSemana = hoje.GetDiaSemana();
      if (diaSemana == kDomingo || diaSemana == kSabado) continue;
      if (ZQ_FALHOU_EM(this, kClasse, hr, feriado.LeTabelaFilial(dadosRegra.GetPonteiroFilial()))) continue;
      if (feriado.GetFeriado(hoje, 0, false)) continue;
    }

    if (dadosRegra.GetFrequencia() == ZQ_FREQUENCIA_CADA_CICLO) {
      m_listaRegras.Add(dadosRegra);
    } else if (dadosRegra.GetFrequencia() == ZQ_FREQUENCIA_DIARIA) {
      const REG_ZQHMS horaAtual = zq::HmsDeDmaHms(zq::Agora());
      const REG_ZQHMS horaExecucao = dadosRegra.GetHmsExecucao();
      const REG_ZQHMS absoluta = horaExecucao < 0 ? -horaExecucao : horaExecucao;
      // An execution time out of the day's range sets no time condition.
      if (absoluta <= kUltimoSegundoDia && horaAtual < horaExecucao) continue;

      std::set<unsigned long> setBancosProcessar;
      if (ZQ_FALHOU_EM(this, kClasse, hr, FiltraBancosJaProcessados(dadosRegra, setBancosProcessar))) continue;
      if (setBancosProcessar.empty()) continue;
      for (int64_t indice = dadosRegra.GetQuantidadePonteirosContaBanco() - 1; indice >= 0; --indice) {
        if (!setBancosProcessar.contains(dadosRegra.GetPonteirosContaBanco(indice)))
          dadosRegra.DeletarPonteirosContaBanco(indice);
      }
      if (dadosRegra.GetQuantidadePonteirosContaBanco() > 0) m_listaRegras.Add(dadosRegra);
    }
  }
  return m_listaRegras.GetQuantidade() > 0;
}

HRESULT CCLConciliacaoTesourariaBancoAutomatizada::FiltraBancosJaProcessados(
    const Regra& dadosRegra, std::set<unsigned long>& setBancosProcessar) {
  setBancosProcessar.clear();
  const CZQDma hoje = zq::Hoje();
  CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco dadosFiltro;
  dadosFiltro.SetDmaExecucaoInicial(hoje.GetDma())
      .SetDmaExecucaoFinal(hoje.GetDma())
      .SetPonteiroFilial(dadosRegra.GetPonteiroFilial())
      .SetListaPonteirosContaBanco(dadosRegra.GetListaPonteirosContaBanco());

  HRESULT hr = S_OK;
  CZQVector<REG_ZQDMC> listaDmcExecucao;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoConciliacao()->BuscaPonteirosExecucaoConciliacaoTesourariaBanco(dadosFiltro,
                                                                                           listaDmcExecucao))) {
    return hr;
  }
  CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> listaDadosExecucao;
  // Flag 0 is the default; leaving it out keeps the traced text the documented one.
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoConciliacao()->LePonteirosExecucaoConciliacaoTesourariaBanco(listaDmcExecucao,
                                                                                        listaDadosExecucao))) {
    return hr;
  }

  if (listaDadosExecucao.GetQuantidade() == 0) {
    for (uint32_t conta : dadosRegra.GetListaPonteirosContaBanco()) setBancosProcessar.insert(conta);
    return hr;
  }

  struct Contagem {
    int iRegistros = 0;
    bool bOutroStatus = false;
  };
  std::map<unsigned long, Contagem> contagens;
  for (const CZQDadosCL_ExecucaoConciliacaoTesourariaBanco& dadosExecucao : listaDadosExecucao) {
    Contagem& contagem = contagens[dadosExecucao.GetPonteiroBanco()];
    ++contagem.iRegistros;
    if (dadosExecucao.GetTipoStatus() != ZQ_STATUS_EXECUCAO_REPETIR) contagem.bOutroStatus = true;
  }
  for (uint32_t conta : dadosRegra.GetListaPonteirosContaBanco()) {
    auto it = contagens.find(conta);
    if (it != contagens.end() && it->second.iRegistros == 1 && !it->second.bOutroStatus)
      setBancosProcessar.insert(conta);
  }
  return hr;
}

void CCLConciliacaoTesourariaBancoAutomatizada::GravaLogStatusExecucao(
    const CZQDadosCL_ExecucaoConciliacaoTesourariaBanco& dadosExecucao) {
  CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> listaExecucao;
  listaExecucao.Add(dadosExecucao);
  HRESULT hr = S_OK;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->GravaExecucaoConciliacaoTesourariaBanco(listaExecucao))) {
    FalhaServico("Falha ao gravar informações de execução da conciliação de tesouraria/banco.", hr, __LINE__);
  }
}

HRESULT CCLConciliacaoTesourariaBancoAutomatizada::OnRun() {
  SetContasProcessadas(0);
  m_listaRegras.RemoveAll();
  if (!DeveExecutar()) return S_OK;

  const REG_ZQDMAHMSUTC dataHoraExecucao = zq::Agora();
  const CZQDma hoje(zq::DmaDeDmaHms(dataHoraExecucao));
  const CZQDma dataInicial = CZQDma::SubtraiData(hoje, ZQ_UNIDADE_DIAS, kDiasConciliacao);

  CZQDadosCL_ConciliacaoAutomatica dadosConciliacaoAutomatica;
  dadosConciliacaoAutomatica.SetModo('T')
      .SetModoExt('N')
      .SetDataFinal(hoje.GetDma())
      .SetDataInicial(dataInicial.GetDma())
      .SetDataLimite(dataInicial.GetDma());

  CFNTrataDadosTesouraria trataDadosTesouraria;
  HRESULT hr = S_OK;
  // A treasury routine that could not be bound answers blocked by itself.
  ZQ_FALHOU_EM(this, kClasse, hr, trataDadosTesouraria.Inicializa(this));
  const bool bBloqueioFinanceiro = trataDadosTesouraria.VerificaBloqueio(dataInicial, dataInicial, 0);

  CZQDadosDF_PeriodoContabil dadosPeriodoContabil;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBufferPeriodoContabil(&dadosPeriodoContabil))) {
    FalhaServico("Falha na leitura de período contábil.", hr, __LINE__);
  }
  const CZQMa mesBloqueio(dadosPeriodoContabil.GetMesBloqueio());
  const bool bBloqueioIntegracao = !mesBloqueio.EhVazio() && CZQMa(dataInicial) <= mesBloqueio;

  long contasProcessadas = 0;
  for (const Regra& dadosRegra : m_listaRegras) {
    CCLConciliacaoLancaAuto ConciliacaoLancamentoAutomatico;
    if (ZQ_FALHOU_EM(this, kClasse, hr, ConciliacaoLancamentoAutomatico.Inicializa(this))) {
      FalhaServico("Falha ao inicializar conciliação automática.", hr, __LINE__);
    }
    ConciliacaoLancamentoAutomatico.SetModoSilencioso(true);
    dadosConciliacaoAutomatica.SetPonteiroFilial(dadosRegra.GetPonteiroFilial());

    for (uint32_t conta : dadosRegra.GetListaPonteirosContaBanco()) {
      ++contasProcessadas;
      SetContasProcessadas(contasProcessadas);
      CZQDadosCL_ExecucaoConciliacaoTesourariaBanco dadosExecucao;
      dadosExecucao.SetPonteiroBanco(conta)
          .SetPonteiroFilial(dadosRegra.GetPonteiroFilial())
          .SetDataHoraExecucao(dataHoraExecucao)
          .SetTipoStatus(ZQ_STATUS_EXECUCAO_SUCESSO);

      if (bBloqueioFinanceiro) {
        dadosExecucao.SetTipoStatus(ZQ_STATUS_EXECUCAO_FALHA).SetMensagemStatus(CL_MENSAGEM_BLOQUEIO_FINANCEIRO);
        GravaLogStatusExecucao(dadosExecucao);
        continue;
      }

      dadosConciliacaoAutomatica.SetPonteiroConta(conta);
      bool bLancamentosAutomaticos = false;
      if (ZQ_FALHOU_EM(this, kClasse, hr,
                       ConciliacaoLancamentoAutomatico.TesteLancamentoAutomatico(dadosConciliacaoAutomatica,
                                                                                 bLancamentosAutomaticos))) {
        FalhaServico("Falha ao testar o lançamento automático.", hr, __LINE__);
      }
      if (bLancamentosAutomaticos && bBloqueioIntegracao) {
        dadosExecucao.SetTipoStatus(ZQ_STATUS_EXECUCAO_FALHA).SetMensagemStatus(CL_MENSAGEM_BLOQUEIO_INTEGRACAO);
        GravaLogStatusExecucao(dadosExecucao);
        continue;
      }

      CZQVector<CZQDadosDF_Erro> listaErros;
      if (ZQ_FALHOU_EM(this, kClasse, hr,
                       ConciliacaoLancamentoAutomatico.ProcessaLancamentoConcAutomatico(dadosConciliacaoAutomatica,
                                                                                        listaErros))) {
        FalhaServico("Falha no processamento do lançamento e conciliação automática.", hr, __LINE__);
      }
      CZQString sErros;
      for (const CZQDadosDF_Erro& dadosErro : listaErros) {
        CZQString linha;
        linha.Format("%s\n", dadosErro.GetTextoMostraMensagem().c_str());
        sErros += linha;
      }

      dadosConciliacaoAutomatica.SetConciliacaoContabilBancos(0).SetDataLimite(dataInicial.GetDma());
      int32_t lExtratosRestantes = 0;
      CZQDadosCL_ConciliacaoTesourariaBancos dadosArrayConciliacao;
      if (ZQ_FALHOU_EM(this, kClasse, hr,
                       GetAcessoConciliacao()->ProcessaConciliacaoAutomatica(dadosConciliacaoAutomatica,
                                                                            lExtratosRestantes,
                                                                            dadosArrayConciliacao))) {
        FalhaServico("Falha no processamento da conciliação automática.", hr, __LINE__);
      }

      if (!sErros.IsEmpty()) dadosExecucao.SetTipoStatus(ZQ_STATUS_EXECUCAO_FALHA).SetMensagemStatus(sErros);
      if (dadosExecucao.GetTipoStatus() != ZQ_STATUS_EXECUCAO_REPETIR)
        CZQAnalyticsEvento::GravaAsync(this, ZQ_EVENTO_ANALYTICS_CONCILIACAO_AUTOMATIZADA);
      GravaLogStatusExecucao(dadosExecucao);
    }
  }
  return hr;
}

HRESULT CCLConciliacaoTesourariaBancoAutomatizada::OnGetIntervalo(unsigned long* intervalo) {
  if (intervalo) *intervalo = 3600000;
  return S_OK;
}

void CCLConciliacaoTesourariaBancoAutomatizada::OnDestroi() { delete this; }

bool CCLConciliacaoTesourariaBancoAutomatizada::OnConsultaIndicador() { return false; }

void CCLConciliacaoTesourariaBancoAutomatizada::FalhaServico(const char* mensagem, HRESULT hr, int linha) {
  ZQFalhaServico(*this, mensagem, hr, __FILE_NAME__, linha);
}

extern "C" CAutoRun* CLConciliacaoTesourariaBanco_new() {
  return ZQCriaServico<CCLConciliacaoTesourariaBancoAutomatizada>();
}
