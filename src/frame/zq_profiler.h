#pragma once

#include <cstdint>

#include "frame/zq_string.h"

// Identity of a routine's owner: company, user and session. Every routine is one;
// the trace reads it to place and fill the error-log record.
class IZQDF_Profiler {
 public:
  virtual ~IZQDF_Profiler() = default;
  virtual CZQString GetEmpresa() const = 0;
  virtual unsigned short GetUsuario() const = 0;
  virtual unsigned long GetNumeroSessao() const = 0;
};
