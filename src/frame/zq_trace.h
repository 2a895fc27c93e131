#pragma once

#include <string>

#include "frame/cl_export.h"
#include "frame/zq_profiler.h"
#include "frame/zq_tipos.h"

namespace zq {

// Where a check stands in the source: class and method, file name and line.
struct LocalFonte {
  const char* classe;
  const char* funcao;
  const char* arquivo;
  int linha;
};

// The trace line of a failed result:
// "%s\t%s = %#X %s\tSEVERITY = %d %s\tFACILITY = %d %s\tCODE = %d %s\tDescrição = %s"
std::string MontaLinhaTrace(const char* variavel, const char* expressao, HRESULT hr);

// The check applied after every HRESULT-returning call. Returns false for a success
// and for exactly 0xFFFFFFFF (passed over). Otherwise writes one record to the monthly
// error log, with the profiler's company, user and session (none when null), and
// returns true: the caller then takes its failure path.
CL_EXPORT bool RegistraFalha(const IZQDF_Profiler* profiler, const char* variavel, const char* expressao, HRESULT hr,
                             const LocalFonte& local);

}  // namespace zq

// Checks `var = expr` with the expression's own text. Evaluates to true when the
// step must take its failure path. The class name is the caller's: each source file
// defines ZQ_CLASSE before using it, or passes the name with ZQ_FALHOU_EM.
#define ZQ_FALHOU_EM(profiler, classe, var, expr)                \
  ::zq::RegistraFalha((profiler), #var, #expr, ((var) = (expr)), \
                      ::zq::LocalFonte{(classe), __func__, __FILE_NAME__, __LINE__})

// As above for a result already held in `var`, with the expression text given literally
// (for texts that are not C++, such as "__super::OnInicializa()").
#define ZQ_FALHOU_TEXTO(profiler, classe, var, texto) \
  ::zq::RegistraFalha((profiler), #var, (texto), (var), ::zq::LocalFonte{(classe), __func__, __FILE_NAME__, __LINE__})
