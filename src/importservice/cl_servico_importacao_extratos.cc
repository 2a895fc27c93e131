#include "importservice/cl_servico_importacao_extratos.h"

CCLServicoImportacaoExtratos::CCLServicoImportacaoExtratos() = default;
CCLServicoImportacaoExtratos::~CCLServicoImportacaoExtratos() = default;

// The import run itself is not part of this build yet: the host sees a clear failure.
HRESULT CCLServicoImportacaoExtratos::OnRun() { return E_NOTIMPL; }

HRESULT CCLServicoImportacaoExtratos::OnGetIntervalo(unsigned long* intervalo) {
  if (intervalo) *intervalo = 3600000;
  return S_OK;
}

void CCLServicoImportacaoExtratos::OnDestroi() { delete this; }

bool CCLServicoImportacaoExtratos::OnConsultaIndicador() { return false; }

void CCLServicoImportacaoExtratos::FalhaServico(const char* mensagem, HRESULT hr, int linha) {
  ZQFalhaServico(*this, mensagem, hr, __FILE_NAME__, linha);
}

extern "C" CAutoRun* CLServicoImportacaoExtratos_new() {
  return ZQCriaServico<CCLServicoImportacaoExtratos>();
}
