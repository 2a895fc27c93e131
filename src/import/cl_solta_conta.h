#pragma once

#include <cstdint>

#include "frame/zq_trace.h"
#include "platform/access/zq_acesso_conciliacao.h"

namespace cl_import {

// An account a service run holds for the account's work, let go when the work ends by
// whatever way (a failure thrown to the host included): a hold must not outlive it. A
// release that fails is traced as the run's own step, and the account's result stands:
// the hold goes with the connection.
class CCLSoltaConta {
 public:
  CCLSoltaConta(const IZQDF_Profiler* rotina, const char* classe, const char* variavel, CZQAcessoConciliacao& acesso,
                uint32_t conta)
      : m_rotina(rotina), m_classe(classe), m_variavel(variavel), m_acesso(acesso), m_conta(conta) {}
  CCLSoltaConta(const CCLSoltaConta&) = delete;
  CCLSoltaConta& operator=(const CCLSoltaConta&) = delete;
  ~CCLSoltaConta() {
    ::zq::RegistraFalha(m_rotina, m_variavel, "GetAcessoConciliacao()->LiberaConta(conta)",
                        m_acesso.LiberaConta(m_conta), ::zq::LocalFonte{m_classe, "OnRun", __FILE_NAME__, __LINE__});
  }

 private:
  const IZQDF_Profiler* m_rotina;
  const char* m_classe;
  const char* m_variavel;
  CZQAcessoConciliacao& m_acesso;
  uint32_t m_conta;
};

}  // namespace cl_import
