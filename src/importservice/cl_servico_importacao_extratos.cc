#include "importservice/cl_servico_importacao_extratos.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "frame/zq_excecao.h"
#include "frame/zq_mensagens.h"
#include "frame/zq_relogio.h"
#include "frame/zq_trace.h"
#include "import/cl_importacao_extrato.h"
#include "import/cl_solta_conta.h"
#include "import/cl_trata_dados_importacao_extratos.h"
#include "importservice/cl_pasta_entrada.h"
#include "platform/access/zq_acesso_conciliacao.h"
#include "platform/access/zq_acesso_empresarial.h"
#include "platform/components/zq_analytics_evento.h"
#include "platform/components/zq_feriado.h"
#include "platform/components/zq_hiperautomacao_financeira.h"

namespace {

constexpr const char kClasse[] = "CCLServicoImportacaoExtratos";

// Days before today that every request covers.
constexpr int kDiasImportacao = 7;

constexpr int kDomingo = 1;
constexpr int kSabado = 7;

}  // namespace

CCLServicoImportacaoExtratos::CCLServicoImportacaoExtratos() = default;
CCLServicoImportacaoExtratos::~CCLServicoImportacaoExtratos() = default;

CZQAcessoConciliacao* CCLServicoImportacaoExtratos::GetAcessoConciliacao() { return AreaConciliacao(); }

HRESULT CCLServicoImportacaoExtratos::DeveExecutar(bool& bDeveExecutar) {
  bDeveExecutar = false;
  m_listaRegras.RemoveAll();
  m_listaPastas.clear();
  if (Abortar()) return S_OK;

  HRESULT hr = S_OK;
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos dadosConfiguracao;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoConciliacao()->LeConfiguracaoServicoImportacaoExtratos(dadosConfiguracao))) {
    FalhaServico("Falha ao ler a configuração do serviço.", hr, __LINE__);
  }
  if (dadosConfiguracao.GetQuantidadeRegras() == 0) {
    // Drop folders need no rule.
    BuscaPastasDevidas(dadosConfiguracao, {});
    bDeveExecutar = !m_listaPastas.empty();
    return hr;
  }

  // One moment for every test of this poll.
  const REG_ZQDMAHMSUTC agora = zq::Agora();
  const CZQDma hoje(zq::DmaDeDmaHms(agora));
  const REG_ZQHMS horaAtual = zq::HmsDeDmaHms(agora);

  CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos dadosFiltroExecucao;
  dadosFiltroExecucao.SetDmaExecucaoInicial(hoje.GetDma()).SetDmaExecucaoFinal(hoje.GetDma());
  CZQVector<REG_ZQDMC> listaPonteirosExecucao;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoConciliacao()->BuscaPonteirosExecucaoServicoImportacaoExtratos(dadosFiltroExecucao,
                                                                                           listaPonteirosExecucao))) {
    FalhaServico("Falha ao buscar os ponteiros da execução do serviço.", hr, __LINE__);
  }
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> listaExecucoes;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoConciliacao()->LePonteirosExecucaoServicoImportacaoExtratos(listaPonteirosExecucao,
                                                                                        listaExecucoes, 1))) {
    FalhaServico("Falha ao ler os ponteiros da execução do serviço.", hr, __LINE__);
  }

  // What this run knew of the day: an entry stored after this is another host's work
  // of the same cycle (ImportadaPorOutroHost).
  m_dmaLeitura = hoje.GetDma();
  m_entradasLidas.clear();
  for (const CZQDadosCL_ExecucaoServicoImportacaoExtratos& execucao : listaExecucoes)
    m_entradasLidas[{execucao.GetChave().dma, execucao.GetChave().codigo}] = execucao.GetListaRegras().Std().size();

  CFeriado feriado;
  if (ZQ_FALHOU_EM(this, kClasse, hr, feriado.Inicializa(this))) {
    FalhaServico("Falha ao inicializar o componente de feriado.", hr, __LINE__);
  }

  std::set<uint32_t> importadasHoje;
  for (const Regra& regraConfigurada : dadosConfiguracao.GetListaRegras()) {
    Regra regra = regraConfigurada;
    if (regra.GetApenasDiasUteis()) {
      const int diaSemana = hoje.GetDiaSemana();
      if (diaSemana == kDomingo || diaSemana == kSabado) continue;
      if (ZQ_FALHOU_EM(this, kClasse, hr, feriado.LeTabelaFilial(regra.GetPonteiroFilial()))) continue;
      if (feriado.GetFeriado(hoje, 0, false)) continue;
    }

    if (regra.GetFrequencia() == ZQ_FREQUENCIA_CADA_CICLO) {
      // due as configured
    } else if (regra.GetFrequencia() == ZQ_FREQUENCIA_DIARIA) {
      if (horaAtual < regra.GetHmsExecucao()) {
        for (uint32_t conta : regra.GetListaPonteirosContaBanco()) importadasHoje.insert(conta);
        continue;
      }
      if (listaExecucoes.GetQuantidade() > 0) {
        CZQVector<uint32_t> listaContas = BuscaContasPendentes(regra, listaExecucoes);
        if (listaContas.GetQuantidade() == 0) continue;
        regra.SetListaPonteirosContaBanco(listaContas);
      }
    } else {
      continue;
    }
    for (uint32_t conta : regra.GetListaPonteirosContaBanco()) importadasHoje.insert(conta);
    m_listaRegras.Add(regra);
  }

  BuscaPastasDevidas(dadosConfiguracao, importadasHoje);
  bDeveExecutar = m_listaRegras.GetQuantidade() > 0 || !m_listaPastas.empty();
  return hr;
}

void CCLServicoImportacaoExtratos::BuscaPastasDevidas(
    const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& dadosConfiguracao, const std::set<uint32_t>& importadas) {
  CCLPastaEntrada pastaEntrada(*this, [this](const CZQString& texto) { GravaLog(1, 4, texto); });
  std::vector<uint32_t> contas;
  for (uint32_t conta : pastaEntrada.ContasComArquivos()) {
    if (importadas.contains(conta)) continue;
    // A folder no account with a file layout owns is not the service's: its files stay.
    HRESULT hr = S_OK;
    CZQDadosDF_Banco dadosBanco;
    if (ZQ_FALHOU_EM(this, kClasse, hr, AreaEmpresarial()->LeBufferBanco(conta, &dadosBanco))) continue;
    if (dadosBanco.GetPosicaoLeiauteArquivo() != 0) contas.push_back(conta);
  }
  if (contas.empty()) return;

  // The lines go under the branch a service's configuration names the account with, so
  // that its reconciliation finds them; the import's configuration first.
  std::map<uint32_t, uint32_t> filiais;
  const auto anota = [&filiais](uint32_t filial, const CZQVector<uint32_t>& contasRegra) {
    if (filial == 0) return;
    for (uint32_t conta : contasRegra) filiais.emplace(conta, filial);
  };
  for (const Regra& regra : dadosConfiguracao.GetListaRegras())
    anota(regra.GetPonteiroFilial(), regra.GetListaPonteirosContaBanco());
  if (std::any_of(contas.begin(), contas.end(), [&filiais](uint32_t c) { return !filiais.contains(c); })) {
    CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco conciliacao;
    HRESULT hr = S_OK;
    // Without it a branch could be wrong: the files wait for the next cycle.
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->LeConfiguracaoConciliacaoTesourariaBanco(conciliacao)))
      return;
    for (const auto& regra : conciliacao.GetListaRegras())
      anota(regra.GetPonteiroFilial(), regra.GetListaPonteirosContaBanco());
  }
  for (uint32_t conta : contas) {
    const auto filial = filiais.find(conta);
    m_listaPastas.push_back({filial == filiais.end() ? CL_FILIAL_PADRAO_PASTA_ENTRADA : filial->second, conta});
  }
}

CZQVector<uint32_t> CCLServicoImportacaoExtratos::BuscaContasPendentes(
    const Regra& regra, const CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& listaExecucoes) {
  CZQVector<uint32_t> listaContas = regra.GetListaPonteirosContaBanco();
  if (listaExecucoes.GetQuantidade() == 0) return listaContas;

  std::map<uint32_t, int> falhasTemporarias;
  for (const CZQDadosCL_ExecucaoServicoImportacaoExtratos& execucao : listaExecucoes) {
    for (const CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra& entrada : execucao.GetListaRegras()) {
      const uint32_t conta = entrada.GetPonteiroContaBanco();
      std::size_t indice = 0;
      while (indice < listaContas.Std().size() && listaContas[indice] != conta) ++indice;
      if (indice == listaContas.Std().size() || entrada.GetPonteiroFilial() != regra.GetPonteiroFilial()) continue;
      if (entrada.GetTipoStatus() != ZQ_STATUS_EXECUCAO_REPETIR || ++falhasTemporarias[conta] > 1)
        listaContas.RemoveAt(indice);
    }
  }
  return listaContas;
}

void CCLServicoImportacaoExtratos::ConsisteRegras(CZQDadosCL_FiltroImportacaoExtrato dadosFiltro) {
  CCLTrataDadosImportacaoExtratos trataDados;
  HRESULT hr_check = S_OK;
  if (ZQ_FALHOU_EM(this, kClasse, hr_check, trataDados.Inicializa(this))) {
    FalhaServico("Falha ao inicializar a validação da importação de extratos.", hr_check, __LINE__);
  }

  bool bRecusada = false;
  for (const Regra& regra : m_listaRegras) {
    dadosFiltro.SetFilial(regra.GetPonteiroFilial());
    for (uint32_t conta : regra.GetListaPonteirosContaBanco()) {
      dadosFiltro.SetConta(conta);
      if (trataDados.TrataGravacao(&dadosFiltro, nullptr).TemErro()) {
        bRecusada = true;
        break;
      }
    }
    if (bRecusada) break;
  }
  if (!bRecusada) return;

  const CZQDadosDF_Erro& dadosErro = trataDados.GetErro();
  CZQString texto(ZQGetMensagem(static_cast<unsigned long>(dadosErro.GetCodigoMensagem()),
                                zq::CodigoModulo(dadosErro.GetModuloMensagem()), 0));
  // A failed server read carries no message code: its own text says what went wrong.
  if (texto.IsEmpty()) texto = dadosErro.GetTextoMostraMensagem();
  FalhaServicoTexto(texto, S_OK, __LINE__);
}

HRESULT CCLServicoImportacaoExtratos::OnRun() {
  SetContasProcessadas(0);
  HRESULT hr_check = S_OK;
  bool bDeveExecutar = false;
  if (ZQ_FALHOU_EM(this, kClasse, hr_check, DeveExecutar(bDeveExecutar))) return hr_check;
  if (!bDeveExecutar) return hr_check;

  const CZQDma hoje = zq::Hoje();
  CZQDadosCL_FiltroImportacaoExtrato dadosFiltroImportacao;
  dadosFiltroImportacao.SetDataInicial(CZQDma::SubtraiData(hoje, ZQ_UNIDADE_DIAS, kDiasImportacao).GetDma())
      .SetDataFinal(hoje.GetDma())
      .SetLeiaute(CL_LEIAUTE_IMPORTACAO_ONLINE);
  CLVerificaDuplicidadeCompleta(dadosFiltroImportacao);

  ConsisteRegras(dadosFiltroImportacao);

  CZQDadosCL_ExecucaoServicoImportacaoExtratos dadosExecucao;
  dadosExecucao.SetDmaHmsExecucao(zq::Agora());

  CCLImportacaoExtrato importacaoExtrato;
  if (ZQ_FALHOU_EM(this, kClasse, hr_check, importacaoExtrato.Inicializa(this))) {
    FalhaServico("Falha ao inicializar a Importação de Extratos.", hr_check, __LINE__);
  }
  importacaoExtrato.SetModoSilencioso();
  CCLPastaEntrada pastaEntrada(*this, [this](const CZQString& texto) { GravaLog(1, 4, texto); });

  CFNTrataDadosHiperautomacaoFinanceira trataDadosHiperautomacao;
  if (ZQ_FALHOU_EM(this, kClasse, hr_check, trataDadosHiperautomacao.Inicializa(this))) {
    FalhaServico("Falha ao inicializar o TrataDados de Hiperautomação Financeira.", hr_check, __LINE__);
  }

  CZQDadosFN_StatusHiperautomacaoFinanceira dadosStatus;
  dadosStatus.SetTipoEvento(CL_TIPO_EVENTO_HIPERAUTOMACAO_IMPORTACAO);

  // The run's one record, stored again as each account is done: another host sharing
  // the cycle reads it to skip what this one imported (ImportadaPorOutroHost).
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> listaExecucao;
  listaExecucao.Add(dadosExecucao);

  // Every due account is tried without waiting; one another host is running goes to the
  // end of the queue and is waited for there, so hosts sharing a cycle spread out over
  // the accounts instead of queueing behind one another.
  struct ContaDevida {
    uint32_t filial;
    uint32_t conta;
    bool bAdiada;
    bool bSoPasta;  // its drop folder only
  };
  std::vector<ContaDevida> fila;
  for (const Regra& regra : m_listaRegras)
    for (uint32_t conta : regra.GetListaPonteirosContaBanco())
      fila.push_back({regra.GetPonteiroFilial(), conta, false, false});
  for (const PastaDevida& pasta : m_listaPastas) fila.push_back({pasta.filial, pasta.conta, false, true});

  long contasProcessadas = 0;
  bool bFeitaPorOutroHost = false;
  for (std::size_t i = 0; i < fila.size(); ++i) {
    const ContaDevida devida = fila[i];
    const uint32_t conta = devida.conta;
    bool bObtida = true;
    if (devida.bAdiada) {
      ZQ_FALHOU_EM(this, kClasse, hr_check, GetAcessoConciliacao()->TravaConta(conta));
    } else {
      ZQ_FALHOU_EM(this, kClasse, hr_check, GetAcessoConciliacao()->TentaTravaConta(conta, bObtida));
    }
    if (SUCCEEDED(hr_check) && !bObtida) {
      fila.push_back({devida.filial, conta, true, devida.bSoPasta});
      continue;
    }
    // Not getting the account (in time) is a failure to try again on the next run.
    const bool bContaOcupada = FAILED(hr_check);
    std::optional<cl_import::CCLSoltaConta> solta;
    if (!bContaOcupada) solta.emplace(this, kClasse, "hr_check", *GetAcessoConciliacao(), conta);
    if (!bContaOcupada && !devida.bSoPasta &&
        ImportadaPorOutroHost(devida.filial, conta, listaExecucao[0].GetChave())) {
      bFeitaPorOutroHost = true;
      continue;
    }

    dadosFiltroImportacao.SetFilial(devida.filial).SetConta(conta);
    CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra dadosEntrada;
    dadosEntrada.SetPonteiroFilial(devida.filial).SetPonteiroContaBanco(conta);
    // Another host importing the same account waits for it, then finds these lines
    // stored (and this run's entry) and skips them as repeated: the duplicate check and
    // the store of the lines happen under one hold of the account.
    CZQDadosDF_Erro dadosErro;
    if (bContaOcupada) {
      dadosErro.SetErro(GetAcessoConciliacao()->GetErro());
    } else {
      CCLContagemLinhas contagem;
      if (!devida.bSoPasta) {
        dadosErro = importacaoExtrato.ImportaExtrato(dadosFiltroImportacao);
        contagem = importacaoExtrato.GetContagem();
      }
      // The files left in the account's drop folder, under the same hold.
      const CCLResultadoPastaEntrada resultadoPasta = pastaEntrada.Processa(dadosFiltroImportacao);
      // Another host took the files since DeveExecutar saw them: nothing to record.
      if (devida.bSoPasta && resultadoPasta.arquivos.empty()) {
        bFeitaPorOutroHost = true;
        continue;
      }
      CCLPastaEntrada::Combina(resultadoPasta, dadosErro);
      const CCLContagemLinhas pasta = resultadoPasta.Contagem();
      dadosEntrada.SetQuantidadeGravadas(contagem.gravadas + pasta.gravadas)
          .SetQuantidadeRecusadas(contagem.recusadas + pasta.recusadas);
    }
    ++contasProcessadas;

    const bool bImportada = !dadosErro.TemErro();
    bool bTemporaria = false;
    if (bImportada) {
      dadosEntrada.SetTipoStatus(ZQ_STATUS_EXECUCAO_SUCESSO).SetMensagemStatus(CL_MENSAGEM_SERVICO_SUCESSO);
    } else {
      const HRESULT hrImportacao = dadosErro.GetHR();
      bTemporaria =
          bContaOcupada || hrImportacao == CL_E_IMPORTACAO_TEMPORARIA_1 || hrImportacao == CL_E_IMPORTACAO_TEMPORARIA_2;
      dadosEntrada.SetTipoStatus(bTemporaria ? ZQ_STATUS_EXECUCAO_REPETIR : ZQ_STATUS_EXECUCAO_FALHA)
          .SetMensagemStatus(dadosErro.GetTextoMostraMensagem());
    }
    listaExecucao[0].AdicionaRegra(dadosEntrada);
    // Stored before the account is let go: whoever takes it next sees it done.
    if (ZQ_FALHOU_EM(this, kClasse, hr_check,
                     GetAcessoConciliacao()->GravaExecucaoServicoImportacaoExtratos(listaExecucao))) {
      FalhaServico("Falha ao gravar a execução do serviço.", hr_check, __LINE__);
    }
    // The lines are stored: an account not let go is traced and the import stands.
    solta.reset();

    if (bImportada) {
      dadosErro.Limpar();
      // What the hyper-automation makes of the import is its own business: a failure
      // there is traced and the account stays imported.
      dadosErro = trataDadosHiperautomacao.CarregaInformacoesHiperautomacaoFinanceira(conta, dadosStatus);
      if (!dadosErro.TemErro() && !trataDadosHiperautomacao.TrataGravacao(dadosStatus, dadosErro)) {
        ZQ_FALHOU_EM(this, kClasse, hr_check, dadosErro.GetHR());
      }
      CZQAnalyticsEvento::GravaAsync(this, ZQ_EVENTO_ANALYTICS_IMPORTACAO_EXTRATO);
    } else if (!bTemporaria) {
      CZQAnalyticsEvento::GravaAsync(this, ZQ_EVENTO_ANALYTICS_IMPORTACAO_EXTRATO);
    }
  }
  SetContasProcessadas(contasProcessadas);
  // Every account done here was stored with it. A due rule without accounts still
  // leaves its empty record, as a run alone always did; a run whose every account
  // another host did leaves none.
  if (contasProcessadas == 0 && !bFeitaPorOutroHost &&
      ZQ_FALHOU_EM(this, kClasse, hr_check,
                   GetAcessoConciliacao()->GravaExecucaoServicoImportacaoExtratos(listaExecucao))) {
    FalhaServico("Falha ao gravar a execução do serviço.", hr_check, __LINE__);
  }
  return S_OK;
}

bool CCLServicoImportacaoExtratos::ImportadaPorOutroHost(uint32_t filial, uint32_t conta, REG_ZQDMC chavePropria) {
  HRESULT hr = S_OK;
  CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos dadosFiltroExecucao;
  dadosFiltroExecucao.SetDmaExecucaoInicial(m_dmaLeitura).SetDmaExecucaoFinal(m_dmaLeitura);
  CZQVector<REG_ZQDMC> listaPonteirosExecucao;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoConciliacao()->BuscaPonteirosExecucaoServicoImportacaoExtratos(dadosFiltroExecucao,
                                                                                           listaPonteirosExecucao))) {
    FalhaServico("Falha ao buscar os ponteiros da execução do serviço.", hr, __LINE__);
  }
  CZQVector<REG_ZQDMC> listaOutras;
  for (const REG_ZQDMC& chave : listaPonteirosExecucao)
    if (!(chave == chavePropria)) listaOutras.Add(chave);
  if (listaOutras.GetQuantidade() == 0) return false;
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> listaExecucoes;
  if (ZQ_FALHOU_EM(
          this, kClasse, hr,
          GetAcessoConciliacao()->LePonteirosExecucaoServicoImportacaoExtratos(listaOutras, listaExecucoes, 1))) {
    FalhaServico("Falha ao ler os ponteiros da execução do serviço.", hr, __LINE__);
  }
  for (const CZQDadosCL_ExecucaoServicoImportacaoExtratos& execucao : listaExecucoes) {
    const auto lidas = m_entradasLidas.find({execucao.GetChave().dma, execucao.GetChave().codigo});
    const auto& entradas = execucao.GetListaRegras().Std();
    for (std::size_t i = lidas == m_entradasLidas.end() ? 0 : lidas->second; i < entradas.size(); ++i) {
      if (entradas[i].GetPonteiroFilial() == filial && entradas[i].GetPonteiroContaBanco() == conta &&
          entradas[i].GetTipoStatus() == ZQ_STATUS_EXECUCAO_SUCESSO)
        return true;
    }
  }
  return false;
}

HRESULT CCLServicoImportacaoExtratos::OnGetIntervalo(unsigned long* intervalo) {
  if (intervalo) *intervalo = 3600000;
  return S_OK;
}

void CCLServicoImportacaoExtratos::OnDestroi() { delete this; }

bool CCLServicoImportacaoExtratos::OnConsultaIndicador() { return false; }

void CCLServicoImportacaoExtratos::FalhaServico(const char* mensagem, HRESULT hr, int linha) {
  ZQFalhaServico(*this, mensagem, hr, __FILE_NAME__, linha);
}

void CCLServicoImportacaoExtratos::FalhaServicoTexto(const CZQString& texto, HRESULT hr, int linha) {
  GravaLog(1, 4, texto);
  throw CZQExceptionEx(hr, 0, 0, GetEmpresa(), texto, __FILE_NAME__, linha, zq::DataHoraCompilacao());
}

extern "C" CAutoRun* CLServicoImportacaoExtratos_new() { return ZQCriaServico<CCLServicoImportacaoExtratos>(); }
