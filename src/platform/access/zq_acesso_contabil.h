#pragma once

#include "frame/zq_erro.h"
#include "frame/zq_tipos.h"
#include "platform/records/zq_dados_empresarial.h"

// The accounting area of the data-access servers. A negative HRESULT leaves the
// reason in GetErro() (never null); the trailing flag is reserved and always 0.
class CZQAcessoContabil {
 public:
  virtual ~CZQAcessoContabil() = default;

  virtual HRESULT LeBufferMestreEmpresa(CZQDadosCN_MestreEmpresa* mestre, int flag = 0) = 0;

  virtual const CZQDadosDF_Erro* GetErro() const = 0;
};
