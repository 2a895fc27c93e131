#include "reconciliation/cl_conciliacao_tesouraria_banco_automatizada.h"

CCLConciliacaoTesourariaBancoAutomatizada::CCLConciliacaoTesourariaBancoAutomatizada() = default;
CCLConciliacaoTesourariaBancoAutomatizada::~CCLConciliacaoTesourariaBancoAutomatizada() = default;

// The reconciliation run itself is not part of this build yet: the host sees a clear failure.
HRESULT CCLConciliacaoTesourariaBancoAutomatizada::OnRun() { return E_NOTIMPL; }

HRESULT CCLConciliacaoTesourariaBancoAutomatizada::OnGetIntervalo(unsigned long* intervalo) {
  if (intervalo) *intervalo = 3600000;
  return S_OK;
}

void CCLConciliacaoTesourariaBancoAutomatizada::OnDestroi() { delete this; }

bool CCLConciliacaoTesourariaBancoAutomatizada::OnConsultaIndicador() { return false; }

bool CCLConciliacaoTesourariaBancoAutomatizada::DeveExecutar() { return false; }

void CCLConciliacaoTesourariaBancoAutomatizada::FalhaServico(const char* mensagem, HRESULT hr, int linha) {
  ZQFalhaServico(*this, mensagem, hr, __FILE_NAME__, linha);
}

extern "C" CAutoRun* CLConciliacaoTesourariaBanco_new() {
  return ZQCriaServico<CCLConciliacaoTesourariaBancoAutomatizada>();
}
