#pragma once

#include "frame/zq_comptr.h"
#include "frame/zq_erro.h"
#include "frame/zq_tipos.h"
#include "platform/access/zq_interfaces_servidores.h"

// The integration area of the data-access servers: hands out the integration
// transaction. A negative HRESULT leaves the reason in GetErro() (never null).
class CZQAcessoIntegracao {
 public:
  virtual ~CZQAcessoIntegracao() = default;

  // A transaction interface of its own for each call.
  virtual HRESULT GetIDFIntegracaoTransacao(CZQComPtr<IZQDF_IntegracaoTransacao>& integracao) = 0;

  virtual const CZQDadosDF_Erro* GetErro() const = 0;
};
