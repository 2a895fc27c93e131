#include "import/cl_importacao_extrato.h"

#include <utility>

#include "frame/zq_trace.h"
#include "import/cl_chaves_extrato.h"
#include "platform/access/zq_acesso_areas.h"
#include "platform/components/zq_janela.h"

namespace {

constexpr const char kClasse[] = "CCLImportacaoExtrato";

constexpr long kAvisoNenhumExtrato = 5891;
// wParam of the progress message.
constexpr uintptr_t kEscalaProgresso = 100;

}  // namespace

// Out of line so that the exported class keeps its symbols; every member is copied or
// moved as it is, the routine base taking care of its hub.
CCLImportacaoExtrato::CCLImportacaoExtrato() = default;
CCLImportacaoExtrato::CCLImportacaoExtrato(const CCLImportacaoExtrato& outro) = default;
CCLImportacaoExtrato::CCLImportacaoExtrato(CCLImportacaoExtrato&& outro) noexcept = default;
CCLImportacaoExtrato::~CCLImportacaoExtrato() = default;
CCLImportacaoExtrato& CCLImportacaoExtrato::operator=(const CCLImportacaoExtrato& outro) = default;
CCLImportacaoExtrato& CCLImportacaoExtrato::operator=(CCLImportacaoExtrato&& outro) noexcept = default;

CZQAcessoConciliacao* CCLImportacaoExtrato::GetAcessoConciliacao() { return AreaConciliacao(); }
CZQAcessoEmpresarial* CCLImportacaoExtrato::GetAcessoEmpresarial() { return AreaEmpresarial(); }

CZQDadosDF_Erro& CCLImportacaoExtrato::ImportaExtrato(const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao) {
  LimpaErro();
  m_contagem = CCLContagemLinhas{};
  HRESULT hr = S_OK;
  const bool verificaDuplicidade = dadosFiltroImportacao.GetVerificaDuplicidade() != 0;
  const bool verificaDescricao = dadosFiltroImportacao.GetVerificaDescricaoMovimento() != 0;

  // Keys of the lines already stored for the account and period.
  CCLChavesExtrato chavesExtrato;
  if (verificaDuplicidade) {
    CZQDadosCL_FiltroExtrato dadosFiltroExtrato;
    dadosFiltroExtrato.SetFiltroImportacao(dadosFiltroImportacao);

    CZQVector<uint32_t> listaPonteirosExtrato;
    if (ZQ_FALHOU_EM(
            this, kClasse, hr,
            GetAcessoConciliacao()->BuscaPonteirosMovimentoExtrato(dadosFiltroExtrato, listaPonteirosExtrato))) {
      SetErro(GetAcessoConciliacao()->GetErro());
      return GetErro();
    }

    CZQVector<CZQDadosCL_Extrato> listaExtratos;
    if (ZQ_FALHOU_EM(this, kClasse, hr,
                     GetAcessoConciliacao()->BuscaRegistrosMovimentoExtrato(dadosFiltroExtrato, listaPonteirosExtrato,
                                                                            listaExtratos))) {
      SetErro(GetAcessoConciliacao()->GetErro());
      return GetErro();
    }

    chavesExtrato.Reserva(static_cast<std::size_t>(listaExtratos.GetQuantidade()));
    for (const CZQDadosCL_Extrato& dadosExtrato : listaExtratos) {
      chavesExtrato.AdicionaSeNova(m_trataDadosExtrato.GetChaveExtrato(dadosFiltroImportacao, dadosExtrato));
    }
  }

  CZQDadosDF_Banco dadosBanco;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoEmpresarial()->LeBufferBanco(dadosFiltroImportacao.GetConta(), &dadosBanco))) {
    SetErro(GetAcessoEmpresarial()->GetErro());
    return GetErro();
  }

  CZQVector<CZQDadosCL_Extrato> listaExtratosGravacao;
  switch (dadosBanco.GetIntegrarComTerceiro()) {
    case ZQ_INTEGRAR_TAVORIN:
      MontaListaExtratosTavorin(dadosFiltroImportacao, listaExtratosGravacao);
      break;
    case ZQ_INTEGRAR_BANCO_BRASIL:
      MontaListaExtratosBancoBrasil(dadosFiltroImportacao, listaExtratosGravacao);
      break;
    default:
      break;
  }
  if (TemErro()) return GetErro();

  if (listaExtratosGravacao.IsEmpty()) {
    SetAviso(ZQ_MODULO_CL, kAvisoNenhumExtrato, 0);
    return GetErro();
  }

  if (verificaDescricao) chavesExtrato.HistoricoEmMaiusculas();

  const std::size_t quantidade = static_cast<std::size_t>(listaExtratosGravacao.GetQuantidade());
  for (std::size_t idxExtrato = 0; idxExtrato < quantidade; ++idxExtrato) {
    AtualizaBarraProgresso(static_cast<uint32_t>(static_cast<uint64_t>(idxExtrato) * 100u / quantidade));

    CZQDadosCL_Extrato dadosExtratoGravacao = listaExtratosGravacao[idxExtrato];
    if (verificaDescricao) {
      CZQString historico = dadosExtratoGravacao.GetHistBco();
      dadosExtratoGravacao.SetHistBco(historico.MakeUpper());
    }

    // A rejected line is skipped; its warning, if any, stays with the validator.
    const CZQDadosDF_Erro& consistencia =
        m_trataDadosExtrato.ConsisteDadosExtrato(dadosExtratoGravacao, dadosFiltroImportacao, chavesExtrato);
    if (consistencia.TemErro()) {
      if (consistencia.GetTipoErro() != ZQ_TIPO_ERRO_DESCARTE) ++m_contagem.recusadas;
      continue;
    }

    // Stored as the source gave it, history included.
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->GravaExtrato(listaExtratosGravacao[idxExtrato]))) {
      SetErro(GetAcessoConciliacao()->GetErro());
      return GetErro();
    }
    ++m_contagem.gravadas;

    if (verificaDuplicidade) {
      chavesExtrato.Adiciona(m_trataDadosExtrato.GetChaveExtrato(dadosFiltroImportacao, dadosExtratoGravacao));
    }
  }

  AtualizaBarraProgresso(100);
  return GetErro();
}

HRESULT CCLImportacaoExtrato::OnInicializa() {
  HRESULT hr = CZQBaseParaRotinas::OnInicializa();
  if (ZQ_FALHOU_TEXTO(this, kClasse, hr, "__super::OnInicializa()")) return hr;
  if (ZQ_FALHOU_EM(this, kClasse, hr, m_trataDadosExtrato.Inicializa(this))) return hr;
  return hr;
}

void CCLImportacaoExtrato::AtualizaBarraProgresso(uint32_t valor) {
  if (m_bModoSilencioso || m_pParent == nullptr) return;
  m_pParent->SendMessageA(ZQ_MENSAGEM_PROGRESSO, kEscalaProgresso, static_cast<intptr_t>(valor));
}

CZQDadosCL_ExtraInfoBase CCLImportacaoExtrato::GetExtraInfoBase() {
  return m_trataDadosExtrato.TrataRetornoImportacaoExtrato();
}

void CCLImportacaoExtrato::SetModoSilencioso() { m_bModoSilencioso = true; }

void CCLImportacaoExtrato::SetParent(CWnd* pParent) {
  if (pParent != nullptr) m_pParent = pParent;
}
