#include "platform/components/zq_componentes_lancamento.h"

#include <mutex>

namespace {

std::mutex g_mutexFonte;
ZQFabricaFonteLancamento& Fabrica() {
  static ZQFabricaFonteLancamento fabrica;
  return fabrica;
}

HRESULT SemFonte(CZQDadosDF_Erro& erro) {
  erro.SetErro(ZQ_E_COMPONENTE_NAO_INICIADO, 0, 0);
  erro.SetTexto("Nenhuma fonte de classificação, contabilização e logs está instalada.");
  return ZQ_E_COMPONENTE_NAO_INICIADO;
}

HRESULT CopiaErro(HRESULT hr, const IZQFonteLancamento& fonte, CZQDadosDF_Erro& erro) {
  erro.SetErro(fonte.GetErro());
  return hr;
}

}  // namespace

namespace ZQDadosFN {
namespace Tesouraria {
namespace Transacao {
int TransacaoEhSaidaOuEntrada(uint16_t transacao, int& saida) {
  saida = 0;
  switch (transacao) {
    case 1:  // receipt
    case 4:  // redemption of an investment
      return 1;
    case 2:  // payment
    case 5:  // investment
      saida = 1;
      return 1;
    default:  // transfers between own accounts and what this library does not know
      return 0;
  }
}
}  // namespace Transacao
}  // namespace Tesouraria
namespace Gerencial {
int GetTamanhoMaximoMensagem() { return 10; }
}  // namespace Gerencial
}  // namespace ZQDadosFN

ZQFabricaFonteLancamento ZQDefineFabricaFonteLancamento(ZQFabricaFonteLancamento fabrica) {
  std::lock_guard<std::mutex> trava(g_mutexFonte);
  ZQFabricaFonteLancamento anterior = std::move(Fabrica());
  Fabrica() = std::move(fabrica);
  return anterior;
}

std::unique_ptr<IZQFonteLancamento> ZQNovaFonteLancamento() {
  ZQFabricaFonteLancamento fabrica;
  {
    std::lock_guard<std::mutex> trava(g_mutexFonte);
    fabrica = Fabrica();
  }
  return fabrica ? fabrica() : nullptr;
}

// ---- classification ----

CCLClassificacao::CCLClassificacao() = default;
CCLClassificacao::~CCLClassificacao() = default;

// A copy keeps the classified accounts; it opens its own source when it needs one.
CCLClassificacao::CCLClassificacao(const CCLClassificacao& outro)
    : m_contas(outro.m_contas), m_bModoSilencioso(outro.m_bModoSilencioso), m_erro(outro.m_erro) {}

CCLClassificacao& CCLClassificacao::operator=(const CCLClassificacao& outro) {
  if (this != &outro) {
    m_contas = outro.m_contas;
    m_bModoSilencioso = outro.m_bModoSilencioso;
    m_erro = outro.m_erro;
  }
  return *this;
}

HRESULT CCLClassificacao::Inicializa(int) {
  m_erro.Limpar();
  m_contas.clear();
  m_pFonte = ZQNovaFonteLancamento();
  return m_pFonte ? S_OK : SemFonte(m_erro);
}

HRESULT CCLClassificacao::AdicionaConta(const _FN_REG_CONTABILPS& conta, uint16_t, REG_ZQDMA, int bRateia) {
  m_erro.Limpar();
  if (!m_pFonte) m_pFonte = ZQNovaFonteLancamento();
  if (!m_pFonte) return SemFonte(m_erro);
  ZQContaClassificacao lida;
  const HRESULT hr = m_pFonte->LeClassificacao(conta.lPosClassificacao, lida);
  if (FAILED(hr)) return CopiaErro(hr, *m_pFonte, m_erro);
  if (!lida.bExiste) return S_OK;

  CCLContaEmpresarial empresarial;
  empresarial.m_lPosicao = conta.lPosClassificacao;
  empresarial.m_cyValor = conta.cyValor;
  if (bRateia) {
    // Shares by percentage; the last one takes what rounding left over.
    tagCY restante = conta.cyValor;
    const int64_t n = lida.rateio.GetQuantidade();
    for (int64_t i = 0; i < n; ++i) {
      tagRegGerencial_ps g = lida.rateio[static_cast<std::size_t>(i)];
      if (i + 1 == n) {
        g.cyValor = restante;
      } else {
        const __int128 parte = static_cast<__int128>(conta.cyValor) * g.cyPercentual / 1000000;
        g.cyValor = static_cast<tagCY>(parte);
        restante -= g.cyValor;
      }
      empresarial.m_gerenciais.Add(g);
    }
  }
  m_contas.push_back(std::move(empresarial));
  return S_OK;
}

// ---- treasury accounting ----

CCLContabilizaTesouraria::CCLContabilizaTesouraria() = default;
CCLContabilizaTesouraria::~CCLContabilizaTesouraria() = default;

HRESULT CCLContabilizaTesouraria::Inicializa(const CZQString&, unsigned short, unsigned long, int) {
  m_pFonte = ZQNovaFonteLancamento();
  m_bFinalizado = false;
  m_partidas.clear();
  m_pendentes.clear();
  SetErroContabiliza(0, 0);
  if (!m_pFonte) return ZQ_E_COMPONENTE_NAO_INICIADO;
  return m_pFonte->LePeriodoContabil(m_dmaInicio, m_dmaFim);
}

int CCLContabilizaTesouraria::TestaContabilizacao(const tagREG_TESOURARIAPS& entrada, CCLClassificacao,
                                                  CZQString complemento) {
  m_bTestado = false;
  m_pendentes.clear();
  SetErroContabiliza(0, 0);
  if (!m_pFonte) return ZQ_E_COMPONENTE_NAO_INICIADO;
  const REG_ZQDMA data = entrada.dmaLancamento;
  if ((m_dmaInicio && data < m_dmaInicio) || (m_dmaFim && data > m_dmaFim)) {
    SetErroContabiliza(10, ZQ_RECUSA_CONTABIL_PERIODO_FECHADO);
    return ZQ_RECUSA_CONTABIL_PERIODO_FECHADO;
  }
  m_entrada = entrada;
  SetComplemento(complemento.c_str());
  // Transfers between own accounts have no accounting of their own.
  if (entrada.ucTipoDocumentoTransacao == 6 || entrada.ucTipoDocumentoTransacao == 7) return 0;
  // The classification and both accounts of the entry must be in the chart.
  const uint32_t contas[] = {entrada.lPosClassificacaoContabil, entrada.lPonteiroContaEnt, entrada.lPonteiroContaSai};
  for (std::size_t i = 0; i < 3; ++i) {
    bool existe = false;
    if (contas[i] == 0 && i > 0) continue;  // one side of the entry may be empty
    if (contas[i] != 0 && FAILED(m_pFonte->ExisteContaContabil(contas[i], existe))) return ZQ_E_COMPONENTE_NAO_INICIADO;
    if (!existe) {
      SetErroContabiliza(10, ZQ_RECUSA_CONTABIL_SEM_CONTA);
      return ZQ_RECUSA_CONTABIL_SEM_CONTA;
    }
  }
  m_bTestado = true;
  return 0;
}

int CCLContabilizaTesouraria::GeraLancamentos() {
  if (!m_bTestado) return 0;
  ZQPartidaContabil p;
  // Money in: the bank account is debited and the classification credited.
  const bool entra = m_entrada.lPonteiroContaEnt != 0 && m_entrada.lNumeroConciliacaoEnt != 0;
  const uint32_t banco = entra ? m_entrada.lPonteiroContaEnt : m_entrada.lPonteiroContaSai;
  p.lContaDebito = entra ? banco : m_entrada.lPosClassificacaoContabil;
  p.lContaCredito = entra ? m_entrada.lPosClassificacaoContabil : banco;
  p.cyValor = m_entrada.cyValor;
  p.dmaLancamento = m_entrada.dmaLancamento;
  p.iFilial = m_entrada.iPonteiroFilial;
  p.sComplemento = GetComplemento();
  m_pendentes.push_back(p);
  return 0;
}

int CCLContabilizaTesouraria::Contabiliza(uint32_t posicaoExtrato, uint16_t chaveTabela) {
  for (ZQPartidaContabil& p : m_pendentes) {
    p.lPosicaoExtrato = posicaoExtrato;
    p.iChaveTabela = chaveTabela;
    m_partidas.push_back(p);
  }
  m_pendentes.clear();
  m_bTestado = false;
  return 0;
}

HRESULT CCLContabilizaTesouraria::Finaliza() {
  m_bFinalizado = true;
  m_pendentes.clear();
  return S_OK;
}

// ---- logs ----

CMapBatchGravaLog::CMapBatchGravaLog() = default;
CMapBatchGravaLog::~CMapBatchGravaLog() = default;

HRESULT CMapBatchGravaLog::Inicializa(const CZQString& empresa, unsigned short usuario, unsigned long sessao) {
  m_erro.Limpar();
  m_sEmpresa = empresa;
  m_usUsuario = usuario;
  m_ulSessao = sessao;
  m_batches.clear();
  m_pFonte = ZQNovaFonteLancamento();
  return m_pFonte ? S_OK : SemFonte(m_erro);
}

HRESULT CMapBatchGravaLog::GravaLogs() {
  m_erro.Limpar();
  if (!m_pFonte) return SemFonte(m_erro);
  std::vector<ZQLogConciliacao> logs;
  logs.reserve(m_batches.size());
  for (const auto& [numero, batch] : m_batches) logs.push_back(batch.GetLog());
  const HRESULT hr = m_pFonte->GravaLogs(m_sEmpresa, m_usUsuario, m_ulSessao, logs);
  return FAILED(hr) ? CopiaErro(hr, *m_pFonte, m_erro) : hr;
}
