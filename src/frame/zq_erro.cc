#include "frame/zq_erro.h"

#include "frame/zq_mensagens.h"

namespace {

// The ERP numbers its facilities from 236 in module order; this module (10) is 245.
constexpr uint32_t kPrimeiraFacilityErp = 236;

}  // namespace

HRESULT ZQHResultDoAviso(_ZQModulo modulo, long codigoMensagem) {
  uint32_t facility = kPrimeiraFacilityErp + (modulo > 0 ? modulo - 1u : 0u);
  return MAKE_HRESULT(1, facility, static_cast<uint32_t>(codigoMensagem));
}

void CZQDadosDF_Erro::Limpar() { *this = CZQDadosDF_Erro(); }

HRESULT CZQDadosDF_Erro::SetErro(const CZQDadosDF_Erro* outro) {
  if (outro == this) return m_hr;
  if (!outro) {
    Limpar();
    return S_OK;
  }
  *this = *outro;
  return m_hr;
}

HRESULT CZQDadosDF_Erro::SetErro(HRESULT hr, unsigned short classe, long valor) {
  Limpar();
  m_iTipoErro = ZQ_TIPO_ERRO_HRESULT;
  m_hr = hr;
  m_usClasse = classe;
  m_lValor = valor;
  return hr;
}

HRESULT CZQDadosDF_Erro::SetAviso(_ZQModulo modulo, long codigoMensagem, long valor) {
  Limpar();
  m_iTipoErro = ZQ_TIPO_ERRO_AVISO;
  m_modulo = modulo;
  m_lCodigoMensagem = codigoMensagem;
  m_lValor = valor;
  m_hr = ZQHResultDoAviso(modulo, codigoMensagem);
  return m_hr;
}

std::string CZQDadosDF_Erro::TextoDoCatalogo() const {
  if (m_lCodigoMensagem <= 0) return {};
  return ZQGetMensagem(static_cast<unsigned long>(m_lCodigoMensagem), zq::CodigoModulo(m_modulo));
}

CZQString CZQDadosDF_Erro::GetTextoMostraMensagem() const {
  switch (m_iTipoErro) {
    case ZQ_TIPO_ERRO_NENHUM:
    case ZQ_TIPO_ERRO_DESCARTE:
      return m_bTextoProprio ? m_sTexto : CZQString();
    case ZQ_TIPO_ERRO_HRESULT: {
      if (m_bTextoProprio) return m_sTexto;
      std::string descricao = ZQGetErrorDescription(m_hr);
      if (!descricao.empty()) return CZQString(descricao);
      CZQString texto;
      texto.Format("Erro não identificado (%#X).", static_cast<unsigned>(m_hr));
      return texto;
    }
    default:
      if (m_bTextoProprio) return m_sTexto;
      return CZQString(TextoDoCatalogo());
  }
}

int CZQDadosDF_Erro::MostraMensagem(CWnd*, TipoBotao botoes, TipoBotaoDefault padrao) const {
  TipoIcone icone = ZQ_ICONE_ERRO;
  if (m_iTipoErro == ZQ_TIPO_ERRO_AVISO) icone = ZQ_ICONE_AVISO;
  if (m_iTipoErro == ZQ_TIPO_ERRO_QUESTIONAMENTO) icone = ZQ_ICONE_QUESTAO;
  if (m_iTipoErro == ZQ_TIPO_ERRO_INFORMACAO) icone = ZQ_ICONE_INFORMACAO;
  return ZQGetInteracao().Mostra(GetTextoMostraMensagem(), icone, botoes, padrao);
}

bool CZQDadosDF_Erro::operator==(const CZQDadosDF_Erro& o) const {
  return m_iTipoErro == o.m_iTipoErro && m_hr == o.m_hr && m_lCodigoMensagem == o.m_lCodigoMensagem &&
         m_modulo == o.m_modulo && m_usClasse == o.m_usClasse && m_lValor == o.m_lValor &&
         m_bTextoProprio == o.m_bTextoProprio && m_sTexto == o.m_sTexto;
}
