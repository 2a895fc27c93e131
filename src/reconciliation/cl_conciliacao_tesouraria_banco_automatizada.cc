#include "reconciliation/cl_conciliacao_tesouraria_banco_automatizada.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "frame/zq_data.h"
#include "frame/zq_relogio.h"
#include "frame/zq_trace.h"
#include "import/cl_solta_conta.h"
#include "platform/access/zq_acesso_conciliacao.h"
#include "platform/access/zq_acesso_empresarial.h"
#include "platform/components/zq_analytics_evento.h"
#include "platform/components/zq_feriado.h"
#include "platform/components/zq_trata_dados_tesouraria.h"
#include "platform/records/zq_dados_conciliacao.h"
#include "platform/records/zq_dados_empresarial.h"
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

CZQAcessoConciliacao* CCLConciliacaoTesourariaBancoAutomatizada::GetAcessoConciliacao() { return AreaConciliacao(); }

CZQAcessoEmpresarial* CCLConciliacaoTesourariaBancoAutomatizada::GetAcessoEmpresarial() { return AreaEmpresarial(); }

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
  const CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco dadosFiltro =
      FiltroDoDia(dadosRegra, dadosRegra.GetListaPonteirosContaBanco());

  HRESULT hr = S_OK;
  CZQVector<REG_ZQDMC> listaDmcExecucao;
  if (ZQ_FALHOU_EM(
          this, kClasse, hr,
          GetAcessoConciliacao()->BuscaPonteirosExecucaoConciliacaoTesourariaBanco(dadosFiltro, listaDmcExecucao))) {
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

  // Every due account is tried without waiting; one another host is running goes to the
  // end of the queue and is waited for there. Each account is held for all its steps,
  // which take it again for themselves.
  struct ContaDevida {
    std::size_t regra;
    uint32_t conta;
    bool bAdiada;
  };
  std::vector<ContaDevida> fila;
  std::vector<std::set<std::pair<REG_ZQDMA, uint32_t>>> execucoesLidas;
  for (std::size_t r = 0; r < m_listaRegras.Std().size(); ++r) {
    execucoesLidas.push_back(ExecucoesConhecidas(m_listaRegras[r]));
    for (uint32_t conta : m_listaRegras[r].GetListaPonteirosContaBanco()) fila.push_back({r, conta, false});
  }

  long contasProcessadas = 0;
  std::size_t regraAtual = 0;
  std::unique_ptr<CCLConciliacaoLancaAuto> pConciliacaoLancamento;
  for (std::size_t i = 0; i < fila.size(); ++i) {
    const ContaDevida devida = fila[i];
    const Regra& dadosRegra = m_listaRegras[devida.regra];
    const uint32_t conta = devida.conta;
    bool bObtida = true;
    if (devida.bAdiada) {
      ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->TravaConta(conta));
    } else {
      ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->TentaTravaConta(conta, bObtida));
    }
    if (FAILED(hr)) FalhaServico("Falha ao reservar a conta bancária para a conciliação.", hr, __LINE__);
    if (!bObtida) {
      fila.push_back({devida.regra, conta, true});
      continue;
    }
    const cl_import::CCLSoltaConta solta(this, kClasse, "hr", *GetAcessoConciliacao(), conta);
    if (ConciliadaPorOutroHost(dadosRegra, conta, execucoesLidas[devida.regra])) continue;

    // One posting routine per rule, made as the rule's first account to do comes.
    if (!pConciliacaoLancamento || devida.regra != regraAtual) {
      regraAtual = devida.regra;
      pConciliacaoLancamento = std::make_unique<CCLConciliacaoLancaAuto>();
      CCLConciliacaoLancaAuto& ConciliacaoLancamentoAutomatico = *pConciliacaoLancamento;
      if (ZQ_FALHOU_EM(this, kClasse, hr, ConciliacaoLancamentoAutomatico.Inicializa(this))) {
        FalhaServico("Falha ao inicializar conciliação automática.", hr, __LINE__);
      }
      ConciliacaoLancamentoAutomatico.SetModoSilencioso(true);
    }
    CCLConciliacaoLancaAuto& ConciliacaoLancamentoAutomatico = *pConciliacaoLancamento;
    dadosConciliacaoAutomatica.SetPonteiroFilial(dadosRegra.GetPonteiroFilial());

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
    if (ZQ_FALHOU_EM(
            this, kClasse, hr,
            ConciliacaoLancamentoAutomatico.ProcessaLancamentoConcAutomatico(dadosConciliacaoAutomatica, listaErros))) {
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
    // The call's text is traced as written: a break after its "(" would add a space to it.
    // clang-format off
    if (ZQ_FALHOU_EM(this, kClasse, hr,
                     GetAcessoConciliacao()->ProcessaConciliacaoAutomatica(dadosConciliacaoAutomatica,
                                                                          lExtratosRestantes,
                                                                          dadosArrayConciliacao))) {
      // clang-format on
      FalhaServico("Falha no processamento da conciliação automática.", hr, __LINE__);
    }

    if (!sErros.IsEmpty()) dadosExecucao.SetTipoStatus(ZQ_STATUS_EXECUCAO_FALHA).SetMensagemStatus(sErros);
    if (dadosExecucao.GetTipoStatus() != ZQ_STATUS_EXECUCAO_REPETIR)
      CZQAnalyticsEvento::GravaAsync(this, ZQ_EVENTO_ANALYTICS_CONCILIACAO_AUTOMATIZADA);
    GravaLogStatusExecucao(dadosExecucao);
  }
  return hr;
}

std::set<std::pair<REG_ZQDMA, uint32_t>> CCLConciliacaoTesourariaBancoAutomatizada::ExecucoesConhecidas(
    const Regra& dadosRegra) {
  std::set<std::pair<REG_ZQDMA, uint32_t>> lidas;
  // A daily rule's due account has no success of the day yet (FiltraBancosJaProcessados):
  // any one found later is another host's of this cycle.
  if (dadosRegra.GetFrequencia() != ZQ_FREQUENCIA_CADA_CICLO) return lidas;
  const auto dadosFiltro = FiltroDoDia(dadosRegra, dadosRegra.GetListaPonteirosContaBanco());
  CZQVector<REG_ZQDMC> listaDmcExecucao;
  HRESULT hr = S_OK;
  // Unreadable, nothing is known: no account of the rule is skipped, and one done twice
  // posts nothing twice (each run takes only the lines still open).
  if (ZQ_FALHOU_EM(
          this, kClasse, hr,
          GetAcessoConciliacao()->BuscaPonteirosExecucaoConciliacaoTesourariaBanco(dadosFiltro, listaDmcExecucao))) {
    lidas.insert({0, 0});
    return lidas;
  }
  for (const REG_ZQDMC& chave : listaDmcExecucao) lidas.insert({chave.dma, chave.codigo});
  return lidas;
}

bool CCLConciliacaoTesourariaBancoAutomatizada::ConciliadaPorOutroHost(
    const Regra& dadosRegra, uint32_t conta, const std::set<std::pair<REG_ZQDMA, uint32_t>>& execucoesLidas) {
  if (execucoesLidas.contains({0, 0})) return false;
  CZQVector<uint32_t> listaConta;
  listaConta.Add(conta);
  const auto dadosFiltro = FiltroDoDia(dadosRegra, listaConta);
  HRESULT hr = S_OK;
  CZQVector<REG_ZQDMC> listaDmcExecucao;
  if (ZQ_FALHOU_EM(
          this, kClasse, hr,
          GetAcessoConciliacao()->BuscaPonteirosExecucaoConciliacaoTesourariaBanco(dadosFiltro, listaDmcExecucao))) {
    return false;
  }
  CZQVector<REG_ZQDMC> listaNovas;
  for (const REG_ZQDMC& chave : listaDmcExecucao)
    if (!execucoesLidas.contains({chave.dma, chave.codigo})) listaNovas.Add(chave);
  if (listaNovas.GetQuantidade() == 0) return false;
  CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> listaDadosExecucao;
  if (ZQ_FALHOU_EM(
          this, kClasse, hr,
          GetAcessoConciliacao()->LePonteirosExecucaoConciliacaoTesourariaBanco(listaNovas, listaDadosExecucao))) {
    return false;
  }
  for (const CZQDadosCL_ExecucaoConciliacaoTesourariaBanco& dadosExecucao : listaDadosExecucao)
    if (dadosExecucao.GetTipoStatus() == ZQ_STATUS_EXECUCAO_SUCESSO) return true;
  return false;
}

CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco CCLConciliacaoTesourariaBancoAutomatizada::FiltroDoDia(
    const Regra& dadosRegra, const CZQVector<uint32_t>& listaContas) {
  const CZQDma hoje = zq::Hoje();
  CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco dadosFiltro;
  dadosFiltro.SetDmaExecucaoInicial(hoje.GetDma())
      .SetDmaExecucaoFinal(hoje.GetDma())
      .SetPonteiroFilial(dadosRegra.GetPonteiroFilial())
      .SetListaPonteirosContaBanco(listaContas);
  return dadosFiltro;
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
