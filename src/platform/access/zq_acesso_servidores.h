#pragma once

#include <functional>
#include <memory>

#include "frame/cl_export.h"
#include "frame/zq_profiler.h"

class CZQAcessoConciliacao;
class CZQAcessoEmpresarial;
class CZQAcessoFinanceiro;
class CZQAcessoContabil;
class CZQAcessoIntegracao;

// The data-access hub a routine reaches its servers through: one access object per
// area, each with its own last error (GetErro). The rules never touch storage any
// other way. The areas' operations are declared in their own headers.
class CZQAcessoServidores {
 public:
  virtual ~CZQAcessoServidores() = default;
  virtual CZQAcessoConciliacao* GetAcessoConciliacao() = 0;
  virtual CZQAcessoEmpresarial* GetAcessoEmpresarial() = 0;
  virtual CZQAcessoFinanceiro* GetAcessoFinanceiro() = 0;
  virtual CZQAcessoContabil* GetAcessoContabil() = 0;
  virtual CZQAcessoIntegracao* GetAcessoIntegracao() = 0;
};

// Creates a hub for a routine's identity. The host and the command-line tool install
// the real one (the SQL store); tests install fakes or the fault-injection decorator.
using ZQFabricaAcessoServidores = std::function<std::unique_ptr<CZQAcessoServidores>(const IZQDF_Profiler&)>;

// Installs the process's factory and returns the previous one.
CL_EXPORT ZQFabricaAcessoServidores ZQDefineFabricaAcessoServidores(ZQFabricaAcessoServidores fabrica);
// A new hub from the installed factory; null when none is installed.
CL_EXPORT std::unique_ptr<CZQAcessoServidores> ZQNovoAcessoServidores(const IZQDF_Profiler& profiler);
