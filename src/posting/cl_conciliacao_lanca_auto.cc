#include "posting/cl_conciliacao_lanca_auto.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "frame/zq_data.h"
#include "frame/zq_trace.h"
#include "platform/components/zq_transacao.h"
#include "platform/records/zq_dados_empresarial.h"
#include "posting/cl_indice_historicos.h"

namespace {

constexpr const char* kClasse = "CCLConciliacaoLancaAuto";

// The rule array reserves at least this many records at once.
constexpr std::size_t kReservaMinimaRegras = 100;

}  // namespace

// What the lookups of one account have already answered. Every answer comes from
// ProcuraPropriedade with the same key, so it stays right until the index or the rule
// texts change, when the whole cache is dropped.
class CCLCacheResolucao {
 public:
  struct Achado {
    int iPosicao = -1;
    bool bGeral = false;  // found under the key for every account
  };
  static constexpr int kDesconhecido = -2;

  void PreparaConta(uint32_t lConta) {
    if (bConta && lConta == this->lConta) return;
    const std::size_t n = static_cast<std::size_t>(indice.QuantidadeTextos());
    historico.assign(n, Achado{kDesconhecido, false});
    sentidoE.assign(n, Achado{kDesconhecido, false});
    sentidoS.assign(n, Achado{kDesconhecido, false});
    codigo.clear();
    this->lConta = lConta;
    bConta = true;
  }

  CCLIndiceHistoricos indice;
  bool bConta = false;
  uint32_t lConta = 0;
  std::vector<Achado> historico;  // by text number
  std::vector<Achado> sentidoE;
  std::vector<Achado> sentidoS;
  std::unordered_map<std::string, Achado> codigo;  // by movement code
  std::vector<CCLIndiceHistoricos::Prefixo> prefixos;
};

// ---- construction, copy ----

CCLConciliacaoLancaAuto::CCLConciliacaoLancaAuto() = default;

CCLConciliacaoLancaAuto::CCLConciliacaoLancaAuto(const CCLConciliacaoLancaAuto& outro)
    : CZQBaseParaRotinas(outro),
      m_pClassificacaoEmp(outro.m_pClassificacaoEmp),
      m_RegMovimentosProp(outro.m_RegMovimentosProp),
      m_iQtdMovimentosProp(outro.m_iQtdMovimentosProp),
      m_mapPropriedades(outro.m_mapPropriedades),
      m_aHistoricosProp(outro.m_aHistoricosProp),
      m_bModoSilencioso(outro.m_bModoSilencioso) {}

CCLConciliacaoLancaAuto::~CCLConciliacaoLancaAuto() = default;

CCLConciliacaoLancaAuto& CCLConciliacaoLancaAuto::operator=(const CCLConciliacaoLancaAuto& outro) {
  if (this != &outro) {
    CZQBaseParaRotinas::operator=(outro);
    m_pClassificacaoEmp = outro.m_pClassificacaoEmp;
    m_RegMovimentosProp = outro.m_RegMovimentosProp;
    m_iQtdMovimentosProp = outro.m_iQtdMovimentosProp;
    m_mapPropriedades = outro.m_mapPropriedades;
    m_aHistoricosProp = outro.m_aHistoricosProp;
    m_bModoSilencioso = outro.m_bModoSilencioso;
    InvalidaCache();
  }
  return *this;
}

// ---- the rules and their index ----

HRESULT CCLConciliacaoLancaAuto::BuscaPropriedades() {
  HRESULT hr = S_OK;
  m_aHistoricosProp.Std().clear();
  m_aHistoricosProp.Std().shrink_to_fit();
  InvalidaCache();

  CZQComPtr<IZQCL_Mestre> pIMestreCL;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->GetICLMestre(pIMestreCL))) {
    SetErro(GetAcessoConciliacao()->GetErro());
    return hr;
  }
  if (!pIMestreCL) {
    // A server that answers without handing out the interface gave nothing to read.
    hr = E_NOINTERFACE;
    ZQ_FALHOU_TEXTO(this, kClasse, hr, "GetAcessoConciliacao()->GetICLMestre(pIMestreCL)");
    SetErro(hr, 0, 0);
    return hr;
  }
  if (ZQ_FALHOU_EM(this, kClasse, hr, pIMestreCL->BuscaQuantProTesBan(&m_iQtdMovimentosProp))) {
    SetErro(hr, 0, 0);
    return hr;
  }
  // No rules now: what an earlier load brought stays as it was.
  if (m_iQtdMovimentosProp <= 0) return S_OK;

  std::vector<_REG_PROP_CONC_TESBAN_PS>& regras = m_RegMovimentosProp.Std();
  regras.clear();
  regras.shrink_to_fit();
  regras.reserve(std::max<std::size_t>(m_iQtdMovimentosProp, kReservaMinimaRegras));
  regras.resize(m_iQtdMovimentosProp);  // value-initialised: all bytes zero

  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   pIMestreCL->BuscaRegistrosTesBan(m_iQtdMovimentosProp, m_RegMovimentosProp.GetData()))) {
    SetErro(hr, 0, 0);
    return hr;
  }

  m_aHistoricosProp.Reserve(m_iQtdMovimentosProp);
  for (int i = 0; i < static_cast<int>(m_iQtdMovimentosProp); ++i) {
    const _REG_PROP_CONC_TESBAN_PS& regra = m_RegMovimentosProp[static_cast<std::size_t>(i)];
    const int iConta = static_cast<int>(regra.lPonteiroConta);
    const CZQString codigo = regra.szCodigoMvtoBco.Get();
    const CZQString historico = regra.szHistoricoBco.Get();
    CZQString chave;
    // A key already in the index keeps the position it was first given.
    chave.Format("%d-%s", iConta, codigo.c_str());
    m_mapPropriedades.emplace(chave.MakeUpper(), i);
    chave.Format("%d-%s", iConta, historico.c_str());
    m_mapPropriedades.emplace(chave.MakeUpper(), i);
    chave.Format("%d-%s-%s", iConta, historico.c_str(), regra.iContabilEntrada != 0 ? "E" : "S");
    m_mapPropriedades.emplace(chave.MakeUpper(), i);
    CZQString texto = historico;
    m_aHistoricosProp.Add(texto.MakeUpper());
  }
  InvalidaCache();
  pIMestreCL.Release();
  return S_OK;
}

bool CCLConciliacaoLancaAuto::ProcuraPropriedade(CZQString chave, int& posicao) {
  chave.MakeUpper();
  auto it = m_mapPropriedades.find(chave);
  if (it == m_mapPropriedades.end()) return false;
  posicao = it->second;
  return true;
}

CCLCacheResolucao& CCLConciliacaoLancaAuto::Cache(uint32_t lConta) {
  if (!m_pCacheResolucao) m_pCacheResolucao = std::make_unique<CCLCacheResolucao>();
  CCLCacheResolucao& cache = *m_pCacheResolucao;
  if (!cache.indice.EstaMontado()) {
    cache.indice.Monta(m_aHistoricosProp);
    cache.bConta = false;
  }
  cache.PreparaConta(lConta);
  return cache;
}

void CCLConciliacaoLancaAuto::InvalidaCache() { m_pCacheResolucao.reset(); }

int CCLConciliacaoLancaAuto::ResolvePropriedade(uint32_t lConta, const CZQDadosCL_Extrato& dadosExtrato,
                                                ZQVarianteResolucao variante, ZQResolucaoPropriedade* explicacao) {
  using Achado = CCLCacheResolucao::Achado;
  if (explicacao) *explicacao = ZQResolucaoPropriedade();
  if (m_aHistoricosProp.IsEmpty()) return -1;

  CCLCacheResolucao& cache = Cache(lConta);
  const int iConta = static_cast<int>(lConta);
  CZQString sHistorico = dadosExtrato.GetHistBco();
  sHistorico.MakeUpper();
  const CZQString sCodigo = dadosExtrato.GetCodigoMvtoBco();
  const char cNatureza = dadosExtrato.GetNatureza();
  const char* sentido = cNatureza == ZQ_NATUREZA_CREDITO ? "E" : "S";

  // The account's key, then the same key for every account.
  auto procura = [&](const char* texto, const char* sufixo) -> Achado {
    CZQString chave;
    int posicao = -1;
    if (sufixo) {
      chave.Format("%d-%s-%s", iConta, texto, sufixo);
    } else {
      chave.Format("%d-%s", iConta, texto);
    }
    if (ProcuraPropriedade(chave, posicao)) return {posicao, false};
    if (sufixo) {
      chave.Format("0-%s-%s", texto, sufixo);
    } else {
      chave.Format("0-%s", texto);
    }
    if (ProcuraPropriedade(chave, posicao)) return {posicao, true};
    return {-1, false};
  };
  auto memoriza = [&](std::vector<Achado>& tabela, int32_t iTexto, const char* sufixo) -> Achado {
    Achado& a = tabela[static_cast<std::size_t>(iTexto)];
    if (a.iPosicao == CCLCacheResolucao::kDesconhecido) a = procura(cache.indice.Texto(iTexto).c_str(), sufixo);
    return a;
  };

  bool bCodigoLido = false;
  Achado codigo;
  auto porCodigo = [&]() -> Achado {
    if (!bCodigoLido) {
      auto [it, novo] = cache.codigo.try_emplace(std::string(sCodigo.c_str()));
      if (novo) it->second = procura(sCodigo.c_str(), nullptr);
      codigo = it->second;
      bCodigoLido = true;
    }
    return codigo;
  };

  // The texts that begin the history, in list order; at the last place a history that
  // no text begins is looked up whole.
  std::vector<CCLIndiceHistoricos::Prefixo>& candidatos = cache.prefixos;
  cache.indice.Prefixos(sHistorico.str(), candidatos);
  const int32_t iUltimo = cache.indice.TextoUltimo();
  if (std::none_of(candidatos.begin(), candidatos.end(),
                   [&](const CCLIndiceHistoricos::Prefixo& p) { return p.iTexto == iUltimo; })) {
    candidatos.push_back({cache.indice.Quantidade() - 1, -1});
  }

  const int iQtdRegras = static_cast<int>(m_RegMovimentosProp.GetQuantidade());
  for (const CCLIndiceHistoricos::Prefixo& candidato : candidatos) {
    const CZQString& texto = candidato.iTexto >= 0 ? cache.indice.Texto(candidato.iTexto) : sHistorico;
    auto historico = [&]() -> Achado {
      return candidato.iTexto >= 0 ? memoriza(cache.historico, candidato.iTexto, nullptr)
                                   : procura(texto.c_str(), nullptr);
    };

    Achado achado = porCodigo();
    ZQTipoChavePropriedade tipo = achado.bGeral ? ZQ_CHAVE_CODIGO_GERAL : ZQ_CHAVE_CODIGO_CONTA;
    if (variante == ZQ_RESOLUCAO_TESTE) {
      // The test takes a history hit over a code hit and has no direction step.
      Achado h = historico();
      if (h.iPosicao != -1) {
        achado = h;
        tipo = h.bGeral ? ZQ_CHAVE_HISTORICO_GERAL : ZQ_CHAVE_HISTORICO_CONTA;
      }
    } else {
      if (achado.iPosicao == -1) {
        achado = historico();
        tipo = achado.bGeral ? ZQ_CHAVE_HISTORICO_GERAL : ZQ_CHAVE_HISTORICO_CONTA;
      }
      // A position from an earlier, longer load has no rule behind it any more: the run
      // cannot post by it.
      if (achado.iPosicao >= iQtdRegras) achado.iPosicao = -1;
      if (achado.iPosicao != -1 && (cNatureza == ZQ_NATUREZA_CREDITO || cNatureza == ZQ_NATUREZA_DEBITO)) {
        const _REG_PROP_CONC_TESBAN_PS& regra = m_RegMovimentosProp[static_cast<std::size_t>(achado.iPosicao)];
        const bool bSemContabil =
            cNatureza == ZQ_NATUREZA_CREDITO ? regra.iContabilEntrada == 0 : regra.iContabilSaida == 0;
        if (bSemContabil) {
          // The rule found cannot post this sign: look for one registered for it.
          if (candidato.iTexto >= 0) {
            achado =
                memoriza(cNatureza == ZQ_NATUREZA_CREDITO ? cache.sentidoE : cache.sentidoS, candidato.iTexto, sentido);
          } else {
            achado = procura(texto.c_str(), sentido);
          }
          tipo = achado.bGeral ? ZQ_CHAVE_SENTIDO_GERAL : ZQ_CHAVE_SENTIDO_CONTA;
          if (achado.iPosicao >= iQtdRegras) achado.iPosicao = -1;
        }
      }
    }
    if (achado.iPosicao == -1) continue;

    if (explicacao) {
      explicacao->iPosicao = achado.iPosicao;
      explicacao->iPasso = candidato.iPosicao;
      explicacao->sTextoBusca = texto;
      explicacao->tipoChave = tipo;
      CZQString chave;
      const bool bCodigo = tipo == ZQ_CHAVE_CODIGO_CONTA || tipo == ZQ_CHAVE_CODIGO_GERAL;
      const char* parte = bCodigo ? sCodigo.c_str() : texto.c_str();
      const bool bGeral = achado.bGeral;
      if (tipo == ZQ_CHAVE_SENTIDO_CONTA || tipo == ZQ_CHAVE_SENTIDO_GERAL) {
        bGeral ? chave.Format("0-%s-%s", parte, sentido) : chave.Format("%d-%s-%s", iConta, parte, sentido);
      } else {
        bGeral ? chave.Format("0-%s", parte) : chave.Format("%d-%s", iConta, parte);
      }
      explicacao->sChave = chave.MakeUpper();
    }
    return achado.iPosicao;
  }
  return -1;
}

// ---- the treasury entry and its history complement ----

tagREG_TESOURARIAPS CCLConciliacaoLancaAuto::GeraLancamento(uint16_t iFilial, uint32_t lConta, tagCY cyValor,
                                                            _REG_PROP_CONC_TESBAN_PS regPropriedade,
                                                            const CZQDadosCL_Extrato& dadosExtrato) {
  tagREG_TESOURARIAPS RegTesourariaps;
  std::memset(&RegTesourariaps, 0, sizeof RegTesourariaps);

  RegTesourariaps.iPonteiroFilial = iFilial;
  RegTesourariaps.ucTipoDocumentoTransacao = static_cast<uint8_t>(regPropriedade.iTransacao & 0xFF);
  RegTesourariaps.cyValor = cyValor;
  RegTesourariaps.dmaLancamento = dadosExtrato.GetDmaExtrato();
  RegTesourariaps.dmaEmissao = dadosExtrato.GetDmaExtrato();
  RegTesourariaps.dmaDisponivel = dadosExtrato.GetDmaExtrato();
  RegTesourariaps.lPosClassificacao = regPropriedade.lPosClassificacao;
  RegTesourariaps.lPosClassificacaoContabil = regPropriedade.lPosClassificacao;
  RegTesourariaps.iHistorico = regPropriedade.lHistorico;

  switch (dadosExtrato.GetNatureza()) {
    case ZQ_NATUREZA_CREDITO:
      RegTesourariaps.lPonteiroContaEnt = lConta;
      RegTesourariaps.lPonteiroContaSai = regPropriedade.lContaContrapartida;
      RegTesourariaps.iContabil = regPropriedade.iContabilEntrada;
      RegTesourariaps.ucTipoDocFormaPagamento = static_cast<uint8_t>(regPropriedade.iPosFormaPagamento & 0xFF);
      break;
    case ZQ_NATUREZA_DEBITO:
      RegTesourariaps.lPonteiroContaEnt = regPropriedade.lContaContrapartida;
      RegTesourariaps.lPonteiroContaSai = lConta;
      RegTesourariaps.iContabil = regPropriedade.iContabilSaida;
      RegTesourariaps.ucTipoDocFormaPagamento = static_cast<uint8_t>(regPropriedade.iPosFormaPagamentoSaida & 0xFF);
      break;
    default:
      break;
  }

  // An aggregated entry stands for many lines: the rule's movement code names it.
  if (regPropriedade.cAgrupa == 'A') {
    RegTesourariaps.szDocumento.Set(regPropriedade.szCodigoMvtoBco.Get());
  } else {
    char documento[32];
    std::snprintf(documento, sizeof documento, "%" PRId64, static_cast<int64_t>(dadosExtrato.GetDocumento()));
    RegTesourariaps.szDocumento.Set(documento);
  }

  RegTesourariaps.cConciliadoEnt = 'N';
  RegTesourariaps.cConciliadoSai = 'N';
  RegTesourariaps.cConciliadoAuto = 'S';
  return RegTesourariaps;
}

HRESULT CCLConciliacaoLancaAuto::GetComplHistorico(uint16_t iIndiceProp, tagREG_TESOURARIAPS RegTesourariaps,
                                                   uint16_t iComplHistorico, const CZQDadosCL_Extrato& dadosExtrato,
                                                   CZQString& sComplHistorico) {
  HRESULT hr = S_OK;
  const bool bUsaRegra = iComplHistorico == 1 || iComplHistorico == 4 || iComplHistorico == 8 || iComplHistorico == 9;
  if (bUsaRegra && iIndiceProp >= m_RegMovimentosProp.GetQuantidade()) {
    // The complement reads the rule at this position; there is none.
    hr = E_INVALIDARG;
    SetErro(hr, 0, static_cast<long>(iIndiceProp), "Não há regra de lançamento na posição %u.",
            static_cast<unsigned>(iIndiceProp));
    return hr;
  }

  switch (iComplHistorico) {
    case 0:
    case 10:
      sComplHistorico.Empty();
      break;
    case 1:
      sComplHistorico = m_RegMovimentosProp[iIndiceProp].szCodigoMvtoBco.Get();
      break;
    case 2:
      sComplHistorico = dadosExtrato.GetHistBco();
      break;
    case 3:
      sComplHistorico.Format("%u", static_cast<unsigned>(RegTesourariaps.iPonteiroFilial));
      break;
    case 4: {
      REG_TRANSACAO regTransacao;
      std::memset(&regTransacao, 0, sizeof regTransacao);
      CTransacao transacao(*this);
      // A transaction without a name leaves the complement empty.
      transacao.GetTransacao(m_RegMovimentosProp[iIndiceProp].iTransacao, &regTransacao);
      sComplHistorico = regTransacao.szDescricao.Get();
      break;
    }
    case 5:
      sComplHistorico = CZQDma::FormataData(CZQDma(RegTesourariaps.dmaLancamento), ZQ_FORMATO_DDMMAA, "/");
      break;
    case 6:
      sComplHistorico = CZQDma::FormataData(CZQDma(RegTesourariaps.dmaDisponivel), ZQ_FORMATO_DDMMAA, "/");
      break;
    case 7:
      sComplHistorico = RegTesourariaps.szDocumento.Get();
      break;
    case 8: {
      CZQDadosDF_FormaPagamento dadosFormaPagamento;
      // The trace quotes the expression as written, so it stays on one line.
      // clang-format off
      if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBufferFormaPagamento(m_RegMovimentosProp[iIndiceProp].iPosFormaPagamento, &dadosFormaPagamento))) {
        // clang-format on
        SetErro(GetAcessoEmpresarial()->GetErro());
        return hr;
      }
      sComplHistorico = dadosFormaPagamento.GetDescricao();
      break;
    }
    case 9: {
      _RegContaPS RegContaps;
      std::memset(&RegContaps, 0, sizeof RegContaps);
      // An account the chart cannot give leaves the complement empty.
      m_pClassificacaoEmp.Le(m_RegMovimentosProp[iIndiceProp].lPosClassificacao, &RegContaps);
      sComplHistorico = RegContaps.szNome.Get();
      break;
    }
    default:
      // A type this library does not know keeps the caller's text.
      break;
  }
  sComplHistorico += static_cast<char>(13);
  return S_OK;
}

// ---- the pre-check and the test ----

int CCLConciliacaoLancaAuto::VerificaPodeLancar(tagCY cyValor, uint16_t iFilial, uint32_t lConta,
                                                const CZQDadosCL_Extrato& dadosExtrato,
                                                _REG_PROP_CONC_TESBAN_PS regPropriedade,
                                                const CZQVector<CZQDadosFN_Tesouraria>& listaTesouraria) {
  const uint8_t ucTransacao = static_cast<uint8_t>(regPropriedade.iTransacao & 0xFF);
  // The credit-side payment form, whatever the line's sign.
  const uint8_t ucFormaPagamento = static_cast<uint8_t>(regPropriedade.iPosFormaPagamento & 0xFF);
  const REG_ZQDMA dmaExtrato = dadosExtrato.GetDmaExtrato();
  for (const CZQDadosFN_Tesouraria& tesouraria : listaTesouraria) {
    if (tesouraria.GetPonteiroFilial() != iFilial) continue;
    if (tesouraria.GetPonteiroTipoDocumentoTransacao() != ucTransacao) continue;
    if (tesouraria.GetPonteiroContaEnt() != lConta) continue;
    if (tesouraria.GetPonteiroContaSai() != lConta) continue;
    if (tesouraria.GetValor() != cyValor) continue;
    if (tesouraria.GetPonteiroTipoDocFormaPagamento() != ucFormaPagamento) continue;
    if (tesouraria.GetDataLancamento() != dmaExtrato) continue;
    return 0;
  }
  return 1;
}

HRESULT CCLConciliacaoLancaAuto::TesteLancamentoAutomatico(
    const CZQDadosCL_ConciliacaoAutomatica& dadosConciliacaoAutomatica, bool& bTemLancamento) {
  HRESULT hr = S_OK;
  bTemLancamento = false;
  LimpaErro();
  CZQDadosCL_ConciliacaoTesourariaBancos dadosArrayConciliacao;

  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoConciliacao()->BuscaConciliacao(dadosConciliacaoAutomatica, dadosArrayConciliacao))) {
    SetErro(GetAcessoConciliacao()->GetErro());
    return hr;
  }
  if (ZQ_FALHOU_EM(this, kClasse, hr, BuscaPropriedades())) return hr;

  const uint32_t lConta = dadosConciliacaoAutomatica.GetPonteiroConta();
  for (const CZQDadosCL_Extrato& dadosExtrato : dadosArrayConciliacao.GetListaExtrato()) {
    if (ResolvePropriedade(lConta, dadosExtrato, ZQ_RESOLUCAO_TESTE) != -1) {
      bTemLancamento = true;
      return S_OK;
    }
  }
  return S_OK;
}

void CCLConciliacaoLancaAuto::SetModoSilencioso(bool bModoSilencioso) { m_bModoSilencioso = bModoSilencioso; }

bool CCLConciliacaoLancaAuto::GetModoSilencioso() const { return m_bModoSilencioso; }
