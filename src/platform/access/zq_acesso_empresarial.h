#pragma once

#include <cstdint>

#include "frame/zq_erro.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"
#include "platform/records/zq_dados_empresarial.h"

// The enterprise area of the data-access servers: payment forms, bank data of the
// accounts, the chart of accounts, management accounts, standard histories, the
// accounting period and branch holidays.
//
// Every operation returns an HRESULT; a negative one leaves the reason in GetErro()
// (never null). A record that does not exist is a failure. The trailing flag of a
// single-record read is reserved and always 0.
class CZQAcessoEmpresarial {
 public:
  virtual ~CZQAcessoEmpresarial() = default;

  virtual HRESULT LeBufferFormaPagamento(uint32_t posicao, CZQDadosDF_FormaPagamento* formaPagamento, int flag = 0) = 0;
  // Bank data of a bank account (given by its chart position).
  virtual HRESULT LeBanco(const uint32_t& conta, CZQDadosDF_Banco* banco, int flag = 0) = 0;
  virtual HRESULT LeBufferBanco(uint32_t conta, CZQDadosDF_Banco* banco, int flag = 0) = 0;
  // An account of the enterprise chart.
  virtual HRESULT LeBufferPlanoContabil(uint32_t conta, CZQDadosDF_PlanoEmpresarial* plano, int flag = 0) = 0;
  // A management account.
  virtual HRESULT LePlanoGerencial(uint32_t conta, CZQDadosDF_PlanoEmpresarial* plano, int flag = 0) = 0;
  virtual HRESULT LeBufferHistorico(uint32_t historico, CZQDadosDF_Historico* dadosHistorico, int flag = 0) = 0;
  virtual HRESULT LeBufferPeriodoContabil(CZQDadosDF_PeriodoContabil* periodo, int flag = 0) = 0;

  // The holidays of a branch (none is not a failure), in date order.
  virtual HRESULT BuscaFeriadosFilial(uint32_t filial, CZQVector<CZQDadosDF_Feriado>& feriados) = 0;

  virtual const CZQDadosDF_Erro* GetErro() const = 0;
};
