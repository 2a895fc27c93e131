#pragma once

#include "frame/cl_export.h"
#include "platform/zq_autorun.h"

// The scheduled treasury/bank reconciliation service. The host creates it with
// CLConciliacaoTesourariaBanco_new and calls OnRun once per cycle.
class CL_EXPORT CCLConciliacaoTesourariaBancoAutomatizada : public CAutoRun {
 public:
  CCLConciliacaoTesourariaBancoAutomatizada();
  ~CCLConciliacaoTesourariaBancoAutomatizada() override;

  HRESULT OnRun() override;
  HRESULT OnGetIntervalo(unsigned long* intervalo) override;
  void OnDestroi() override;
  bool OnConsultaIndicador() override;
  virtual bool DeveExecutar();

  [[noreturn]] void FalhaServico(const char* mensagem, HRESULT hr, int linha);
};

extern "C" CL_EXPORT CAutoRun* CLConciliacaoTesourariaBanco_new();
