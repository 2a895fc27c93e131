#include "frame/zq_base_rotinas.h"

#include <cstdarg>

#include "platform/access/zq_acesso_indisponivel.h"

HRESULT TZQBase::OnInicializa() { return S_OK; }
HRESULT TZQBase::OnFinaliza() { return S_OK; }
void TZQBase::OnSetMostrarMensagens() {}
void TZQBase::OnLerParametros() {}
void TZQBase::OnResetBuffer() {}
HRESULT TZQBase::ForcarReinicializacaoBaseParaRotinas(const CZQString&, unsigned short, long) { return E_NOTIMPL; }
CZQAcessoServidores* TZQBase::GetAcessoServidores() { return nullptr; }
HRESULT TZQBase::FuncaoGenerica(unsigned long, const _REG_CR_LISTA_BYTESPS&, _REG_CR_LISTA_BYTESPS** saida) {
  if (saida) *saida = nullptr;
  return E_NOTIMPL;
}
CZQAcessoServidores* TZQBase::New_CZQAcessoServidores() { return nullptr; }

void CZQProfilerEmpresa::SetIdentidade(const IZQDF_Profiler& outro) {
  m_sEmpresa = outro.GetEmpresa();
  m_usUsuario = outro.GetUsuario();
  m_ulNumeroSessao = outro.GetNumeroSessao();
}

HRESULT CZQInicializador::Inicializa(const IZQDF_Profiler* dono) {
  if (dono && dono != static_cast<const IZQDF_Profiler*>(this)) SetIdentidade(*dono);
  m_bInicializado = false;
  HRESULT hr = OnInicializa();
  m_bInicializado = SUCCEEDED(hr);
  return hr;
}

void CZQUltimoErro::OnErroRPC() {}

HRESULT CZQUltimoErro::SetErro(const CZQDadosDF_Erro& erro) { return CZQDadosDF_Erro::SetErro(&erro); }

HRESULT CZQUltimoErro::SetErro(const CZQDadosDF_Erro* erro) { return CZQDadosDF_Erro::SetErro(erro); }

HRESULT CZQUltimoErro::SetErro(HRESULT hr, int classe, long valor, const char* formato, ...) {
  CZQDadosDF_Erro::SetErro(hr, static_cast<unsigned short>(classe), valor);
  CZQString texto;
  va_list args;
  va_start(args, formato);
  texto.FormatV(formato, args);
  va_end(args);
  SetTexto(texto);
  return hr;
}

HRESULT CZQUltimoErro::SetErro(HRESULT hr, int classe, long valor) {
  return CZQDadosDF_Erro::SetErro(hr, static_cast<unsigned short>(classe), valor);
}

void CZQUltimoErro::SetUltimoErroInterface(IZQUnknown*) {}
const CZQDadosDF_Erro& CZQUltimoErro::GetErro() const { return *this; }
CZQDadosDF_Erro& CZQUltimoErro::GetErro() { return *this; }
void CZQUltimoErro::LimpaErro() { CZQDadosDF_Erro::Limpar(); }
HRESULT CZQUltimoErro::GetUltimoHR() { return GetHR(); }
int CZQUltimoErro::GetNumeroServidorUltimoHR() { return GetClasse(); }
CZQString CZQUltimoErro::GetEmpresaErroVirtual() { return CZQString(); }

CZQBaseParaRotinas::CZQBaseParaRotinas(const CZQBaseParaRotinas& outro)
    : CZQInicializador(outro), CZQUltimoErro(outro), IZQGetBaseParaRotinas() {}

// The hub is never shared: a copy makes its own on first use.
CZQBaseParaRotinas& CZQBaseParaRotinas::operator=(const CZQBaseParaRotinas& outro) {
  if (this != &outro) {
    CZQInicializador::operator=(outro);
    CZQUltimoErro::operator=(outro);
    m_pAcessoServidores.reset();
  }
  return *this;
}

CZQBaseParaRotinas::CZQBaseParaRotinas(CZQBaseParaRotinas&& outro) noexcept
    : CZQInicializador(outro),
      CZQUltimoErro(outro),
      IZQGetBaseParaRotinas(),
      m_pAcessoServidores(std::move(outro.m_pAcessoServidores)) {}

CZQBaseParaRotinas& CZQBaseParaRotinas::operator=(CZQBaseParaRotinas&& outro) noexcept {
  if (this != &outro) {
    CZQInicializador::operator=(outro);
    CZQUltimoErro::operator=(outro);
    m_pAcessoServidores = std::move(outro.m_pAcessoServidores);
  }
  return *this;
}

CZQBaseParaRotinas::~CZQBaseParaRotinas() = default;

HRESULT CZQBaseParaRotinas::OnInicializa() {
  // A new identity may mean another company: the next use makes a new hub.
  m_pAcessoServidores.reset();
  return S_OK;
}

CZQAcessoServidores* CZQBaseParaRotinas::GetAcessoServidores() {
  if (!m_pAcessoServidores) New_CZQAcessoServidores();
  return m_pAcessoServidores.get();
}

CZQAcessoServidores* CZQBaseParaRotinas::New_CZQAcessoServidores() {
  m_pAcessoServidores = ZQNovoAcessoServidores(*this);
  return m_pAcessoServidores.get();
}

namespace {

// The hub's area, or the failing hub's when there is no hub or it lacks the area.
template <typename Area>
Area* AreaOuIndisponivel(CZQAcessoServidores* hub, Area* (CZQAcessoServidores::*area)()) {
  Area* encontrada = hub ? (hub->*area)() : nullptr;
  return encontrada ? encontrada : (ZQAcessoServidoresIndisponiveis().*area)();
}

}  // namespace

CZQAcessoConciliacao* CZQBaseParaRotinas::AreaConciliacao() {
  return AreaOuIndisponivel(GetAcessoServidores(), &CZQAcessoServidores::GetAcessoConciliacao);
}
CZQAcessoEmpresarial* CZQBaseParaRotinas::AreaEmpresarial() {
  return AreaOuIndisponivel(GetAcessoServidores(), &CZQAcessoServidores::GetAcessoEmpresarial);
}
CZQAcessoFinanceiro* CZQBaseParaRotinas::AreaFinanceiro() {
  return AreaOuIndisponivel(GetAcessoServidores(), &CZQAcessoServidores::GetAcessoFinanceiro);
}
CZQAcessoContabil* CZQBaseParaRotinas::AreaContabil() {
  return AreaOuIndisponivel(GetAcessoServidores(), &CZQAcessoServidores::GetAcessoContabil);
}
CZQAcessoIntegracao* CZQBaseParaRotinas::AreaIntegracao() {
  return AreaOuIndisponivel(GetAcessoServidores(), &CZQAcessoServidores::GetAcessoIntegracao);
}
