#pragma once

#include <cstdint>

#include "frame/zq_comptr.h"
#include "frame/zq_erro.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"
#include "platform/access/zq_interfaces_servidores.h"
#include "platform/records/zq_dados_tesouraria.h"

// The finance area of the data-access servers: treasury entries, the treasury server,
// the finance master and the hyper-automation status.
//
// Every operation returns an HRESULT; a negative one leaves the reason in GetErro()
// (never null). Output lists are replaced, never appended to.
class CZQAcessoFinanceiro {
 public:
  virtual ~CZQAcessoFinanceiro() = default;

  // Keys (date and position) of the treasury entries the filter selects, in date order.
  virtual HRESULT BuscaPonteirosTesouraria(const CZQDadosFN_FiltroTesouraria& filtro, CZQVector<REG_ZQDMC>& chaves) = 0;
  // The entries of those keys, in the keys' order.
  virtual HRESULT LeTesouraria(const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosFN_Tesouraria>& entradas) = 0;
  virtual HRESULT GetIFNTesouraria(CZQComPtr<IZQFN_Tesouraria>& tesouraria) = 0;

  // The finance master (treasury posting block); none stored reads as empty.
  virtual HRESULT LeBufferMestre(CZQDadosFN_Mestre* mestre, int flag = 0) = 0;
  // Stores what the financial hyper-automation learned about an account.
  virtual HRESULT GravaStatusHiperautomacaoFinanceira(const CZQDadosFN_StatusHiperautomacaoFinanceira& status) = 0;

  virtual const CZQDadosDF_Erro* GetErro() const = 0;
};
