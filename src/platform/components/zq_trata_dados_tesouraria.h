#pragma once

#include "frame/cl_export.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_data.h"

// The ERP's treasury rules, as far as this module asks them: whether treasury postings
// are blocked for a period. The block is the finance master's posting lock date: every
// day up to it is closed.
//
//   CFNTrataDadosTesouraria tesouraria;
//   tesouraria.Inicializa(this);
//   if (tesouraria.VerificaBloqueio(inicio, fim, 0)) ...
class CL_EXPORT CFNTrataDadosTesouraria : public CZQBaseParaRotinas {
 public:
  CFNTrataDadosTesouraria();
  ~CFNTrataDadosTesouraria() override;

  // True when any day from `inicio` to `fim` is closed to treasury postings. A master
  // that cannot be read answers blocked: nothing is posted on a guess. `tipo` is
  // reserved (0).
  bool VerificaBloqueio(const CZQDma& inicio, const CZQDma& fim, int tipo);
};
