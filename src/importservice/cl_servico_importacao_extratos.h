#pragma once

#include "frame/cl_export.h"
#include "platform/zq_autorun.h"

// The scheduled statement import service. The host creates it with
// CLServicoImportacaoExtratos_new and calls OnRun once per cycle.
class CL_EXPORT CCLServicoImportacaoExtratos : public CAutoRun {
 public:
  CCLServicoImportacaoExtratos();
  ~CCLServicoImportacaoExtratos() override;

  HRESULT OnRun() override;
  HRESULT OnGetIntervalo(unsigned long* intervalo) override;
  void OnDestroi() override;
  bool OnConsultaIndicador() override;

  [[noreturn]] void FalhaServico(const char* mensagem, HRESULT hr, int linha);
};

extern "C" CL_EXPORT CAutoRun* CLServicoImportacaoExtratos_new();
