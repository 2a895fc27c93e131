#include "platform/components/zq_autorun.h"

#include <cstdio>

#include "frame/zq_excecao.h"
#include "frame/zq_mensagens.h"

const CRuntimeClass* CObject::GetRuntimeClass() const {
  static const CRuntimeClass classe{"CObject"};
  return &classe;
}
CObject::~CObject() = default;
void CObject::Serialize() {}
void CObject::AssertValid() const {}
void CObject::Dump() const {}

// Members stay as the factory's zero fill left them; only the host pointer is set here.
CAutoRun::CAutoRun() : m_pHost(nullptr), m_lContasProcessadas(0) {}
CAutoRun::~CAutoRun() = default;

bool CAutoRun::OnUsarEventoProprio() { return false; }
HRESULT CAutoRun::OnCriaEvento() { return S_OK; }
HRESULT CAutoRun::OnMonitoraEvento(bool* sinalizado) {
  if (sinalizado) *sinalizado = false;
  return S_OK;
}
bool CAutoRun::OnConsultaIndicador() { return false; }
unsigned long CAutoRun::OnGetCodigoServico() { return 0; }
CZQString CAutoRun::OnGetMensagemAmigavel() const { return CZQString(); }

HRESULT CAutoRun::OnInicializa() { return CZQBaseParaRotinas::OnInicializa(); }
HRESULT CAutoRun::OnFinaliza() { return S_OK; }

HRESULT CAutoRun::GravaLog(unsigned short tipo, unsigned short nivel, const char* texto) {
  if (m_pHost) return m_pHost->GravaLog(tipo, nivel, texto);
  std::fprintf(stderr, "[%u/%u] %s\n", static_cast<unsigned>(tipo), static_cast<unsigned>(nivel), texto ? texto : "");
  return S_OK;
}

bool CAutoRun::Abortar() { return m_pHost && m_pHost->Abortar(); }

void ZQFalhaServico(CAutoRun& servico, const char* mensagem, HRESULT hr, const char* arquivo, int linha) {
  CZQString descricao(ZQGetErrorDescription(hr));
  descricao.Trim();
  // An undescribed code leaves the text ending in " -": the trace line of the same
  // failure already names the code, so the host's log keeps only the library's words.
  CZQString texto;
  texto.Format("%s - %s", mensagem ? mensagem : "", descricao.c_str());
  texto.Trim();
  servico.GravaLog(1, 4, texto);
  throw CZQExceptionEx(hr, 0, 0, servico.GetEmpresa(), texto, arquivo, linha, zq::DataHoraCompilacao());
}
