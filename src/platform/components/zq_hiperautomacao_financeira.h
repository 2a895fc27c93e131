#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_erro.h"
#include "platform/records/zq_dados_tesouraria.h"

// The financial hyper-automation: after a bank account's statement was imported, it
// takes stock of what the account still has to reconcile and keeps that as a status
// record, which the finance module's automations watch.
//
//   CFNTrataDadosHiperautomacaoFinanceira hiper;
//   hiper.Inicializa(this);
//   status.SetTipoEvento(10);
//   if (!hiper.CarregaInformacoesHiperautomacaoFinanceira(conta, status).TemErro())
//     hiper.TrataGravacao(status, dadosErro);
class CL_EXPORT CFNTrataDadosHiperautomacaoFinanceira : public CZQBaseParaRotinas {
 public:
  CFNTrataDadosHiperautomacaoFinanceira();
  ~CFNTrataDadosHiperautomacaoFinanceira() override;

  // Fills the status of a bank account: the account, the moment, how many of its
  // statement lines are not reconciled and their balance (credits less debits), and a
  // message saying so. The event type is the caller's and stays as it is. Returns the
  // routine's error record: clear, or the server's error of a failed read.
  CZQDadosDF_Erro& CarregaInformacoesHiperautomacaoFinanceira(uint32_t conta,
                                                              CZQDadosFN_StatusHiperautomacaoFinanceira& status);

  // Stores the status. Nonzero when stored; 0 with the reason in `dadosErro`
  // otherwise (a status without account or event type is refused, a server failure
  // carries the server's error and its HRESULT).
  int TrataGravacao(const CZQDadosFN_StatusHiperautomacaoFinanceira& status, CZQDadosDF_Erro& dadosErro);
};

// Class number this component puts into its own errors.
inline constexpr unsigned short ZQ_CLASSE_HIPERAUTOMACAO_FINANCEIRA = 3410;
