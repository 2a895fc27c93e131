#pragma once

#include <cstdint>
#include <set>
#include <utility>

#include "frame/cl_export.h"
#include "frame/zq_vector.h"
#include "platform/components/zq_autorun.h"
#include "platform/records/zq_dados_configuracao_servico.h"
#include "platform/records/zq_dados_execucao_servico.h"

class CZQAcessoConciliacao;
class CZQAcessoEmpresarial;

// Messages of an account the service did not process.
inline constexpr const char CL_MENSAGEM_BLOQUEIO_FINANCEIRO[] =
    "Período bloqueado para lançamentos no Orbel Financeiro.";
inline constexpr const char CL_MENSAGEM_BLOQUEIO_INTEGRACAO[] = "Período bloqueado para integração.";
// Usage event of an account handled by the reconciliation service.
inline constexpr uint32_t ZQ_EVENTO_ANALYTICS_CONCILIACAO_AUTOMATIZADA = 32;

// The scheduled treasury/bank reconciliation service. The host creates it with
// CLConciliacaoTesourariaBanco_new and calls OnRun once per cycle; per due bank account
// the run posts and reconciles treasury entries from the statement, lets the
// reconciliation server pair the lines left, and stores one execution record. Several
// hosts may run it on one store at once: each account is done by one of them (the
// others skip it), and accounts another host is running are left for the end.
class CL_EXPORT CCLConciliacaoTesourariaBancoAutomatizada : public CAutoRun {
 public:
  using Regra = CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra;

  CCLConciliacaoTesourariaBancoAutomatizada();
  ~CCLConciliacaoTesourariaBancoAutomatizada() override;

  HRESULT OnRun() override;
  HRESULT OnGetIntervalo(unsigned long* intervalo) override;
  void OnDestroi() override;
  bool OnConsultaIndicador() override;

  // Reads the configuration and keeps the rules due now, each with the accounts still
  // to be handled today; true when any is.
  virtual bool DeveExecutar();

  // The accounts of a daily rule still to be handled today: all when no account of the
  // rule has a record today, else only those whose one record of the day has status 2.
  HRESULT FiltraBancosJaProcessados(const Regra& dadosRegra, std::set<unsigned long>& setBancosProcessar);

  // Stores one execution record.
  void GravaLogStatusExecucao(const CZQDadosCL_ExecucaoConciliacaoTesourariaBanco& dadosExecucao);

  // The rules the last DeveExecutar found due.
  const CZQVector<Regra>& GetListaRegrasDevidas() const { return m_listaRegras; }

  [[noreturn]] void FalhaServico(const char* mensagem, HRESULT hr, int linha);

 private:
  CZQAcessoConciliacao* GetAcessoConciliacao();
  CZQAcessoEmpresarial* GetAcessoEmpresarial();

  // Hosts sharing a cycle. The keys (day, code) of the rule's records of the day as the
  // cycle starts, for an every-poll rule; none for a daily one, whose due accounts have
  // no success yet today; {0, 0} alone when they could not be read (nothing is skipped).
  std::set<std::pair<REG_ZQDMA, uint32_t>> ExecucoesConhecidas(const Regra& dadosRegra);
  // Whether another host did the account in this cycle: a record of the day, the rule's
  // branch and the account with status 1 not among those known at the start. A failed
  // read is traced and answers no: doing an account again posts nothing twice.
  bool ConciliadaPorOutroHost(const Regra& dadosRegra, uint32_t conta,
                              const std::set<std::pair<REG_ZQDMA, uint32_t>>& execucoesLidas);
  static CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco FiltroDoDia(const Regra& dadosRegra,
                                                                         const CZQVector<uint32_t>& listaContas);

  CZQVector<Regra> m_listaRegras;
};

extern "C" CL_EXPORT CAutoRun* CLConciliacaoTesourariaBanco_new();
