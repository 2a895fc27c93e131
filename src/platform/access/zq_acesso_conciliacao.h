#pragma once

#include <cstdint>

#include "frame/zq_comptr.h"
#include "frame/zq_erro.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"
#include "platform/access/zq_interfaces_servidores.h"
#include "platform/records/zq_dados_conciliacao.h"
#include "platform/records/zq_dados_configuracao_servico.h"
#include "platform/records/zq_dados_execucao_servico.h"
#include "platform/records/zq_dados_extrato.h"

// A batch refused because its file's content was imported before: nothing was stored.
inline constexpr HRESULT ZQ_E_ARQUIVO_JA_IMPORTADO = ZQ_HR(0x800700B7);

// A statement file known by its content, recorded with the lines imported from it.
struct ZQArquivoExtratoImportado {
  CZQString resumo;  // SHA-256 of the bytes, 64 lowercase hex digits
  CZQString nome;    // the file's name when it was imported
  uint32_t conta = 0;
  REG_ZQDMA dmaImportacao = 0;
};

// The reconciliation area of the data-access servers: statement lines, reconciliation,
// numbering, the services' configurations and execution records, layouts.
//
// Every operation returns an HRESULT; a negative one leaves the reason in GetErro()
// (never null), which the caller copies into its own error record. Reads fill the
// record passed; a trailing flag of a single-record read is reserved and always 0.
// Output lists are replaced, never appended to.
class CZQAcessoConciliacao {
 public:
  virtual ~CZQAcessoConciliacao() = default;

  // The module's master record.
  virtual HRESULT LeBufferMestre(CZQDadosCL_Mestre* mestre, int flag = 0) = 0;

  // Positions of the stored statement lines the filter selects, in posting-date order
  // (then position).
  virtual HRESULT BuscaPonteirosMovimentoExtrato(const CZQDadosCL_FiltroExtrato& filtro,
                                                 CZQVector<uint32_t>& posicoes) = 0;
  // The lines at those positions that the filter still selects, in the order of the
  // positions.
  virtual HRESULT BuscaRegistrosMovimentoExtrato(const CZQDadosCL_FiltroExtrato& filtro,
                                                 const CZQVector<uint32_t>& posicoes,
                                                 CZQVector<CZQDadosCL_Extrato>& extratos) = 0;

  // Stores a statement line: a line without position is added and receives its new
  // position; a line with one replaces the stored line there.
  virtual HRESULT GravaExtrato(CZQDadosCL_Extrato& extrato) = 0;

  // The server's own reconciliation of an account's open lines and entries over the
  // request's period: pairs what it can, tells how many lines stay open and what it
  // reconciled.
  virtual HRESULT ProcessaConciliacaoAutomatica(const CZQDadosCL_ConciliacaoAutomatica& conciliacao,
                                                int32_t& extratosRestantes,
                                                CZQDadosCL_ConciliacaoTesourariaBancos& resultado) = 0;
  // The statement lines and treasury entries of the request's account, branch and
  // period that are open for reconciliation.
  virtual HRESULT BuscaConciliacao(const CZQDadosCL_ConciliacaoAutomatica& conciliacao,
                                   CZQDadosCL_ConciliacaoTesourariaBancos& resultado) = 0;
  // Reconciles by hand, under the account lock and in one transaction: the statement
  // lines and treasury entries at the positions given take one new reconciliation
  // number of the account, marked 'M' on both sides, and one log naming the user and
  // session. Refused, changing nothing, when an item is missing, of another account,
  // already reconciled or dated inside the locked period (up to the movement lock date, or
  // in the accounting period's blocked month or before it), or when the signed totals of
  // the two sides differ (the message shows them and the difference).
  virtual HRESULT ConciliaManual(uint32_t conta, const CZQVector<uint32_t>& linhas, const CZQVector<uint32_t>& entradas,
                                 uint16_t usuario, uint32_t sessao, uint32_t& numero) = 0;
  // Undoes the account's reconciliation of that number, automatic or manual, under the
  // account lock and in one transaction: its lines and entries get back the marks they
  // had before a manual match (the open mark 'N' and no number after an automatic one);
  // the logs stay and one undo record names the user, session, time and reason. Refused,
  // changing nothing, when no item carries the number (the text says whether it was
  // already undone) or an item is dated inside the locked period, as for the match. The
  // number is not given again.
  virtual HRESULT DesfazConciliacao(uint32_t conta, uint32_t numero, uint16_t usuario, uint32_t sessao,
                                    const CZQString& motivo) = 0;

  // Reconciliation numbering of a bank account: the last number used (0 if none) ...
  virtual HRESULT GetUltimoNrConciliacao(uint32_t conta, uint32_t& numero) = 0;
  // ... the table key of an account and branch (given on first use) ...
  virtual HRESULT GetChave(CZQDadosCL_Tabela& tabela) = 0;
  // ... and the last number used, saved.
  virtual HRESULT SalvaArqNumConciliacao(uint32_t conta, uint32_t numero) = 0;

  // The services' configurations with their rules; no configuration stored reads as
  // one without rules.
  virtual HRESULT LeConfiguracaoServicoImportacaoExtratos(
      CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& configuracao, int flag = 0) = 0;
  virtual HRESULT LeConfiguracaoConciliacaoTesourariaBanco(
      CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& configuracao, int flag = 0) = 0;

  // Execution records of the reconciliation service: store (each receives its key),
  // read by keys, search keys by filter (in execution order).
  virtual HRESULT GravaExecucaoConciliacaoTesourariaBanco(
      const CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& execucoes) = 0;
  virtual HRESULT LePonteirosExecucaoConciliacaoTesourariaBanco(
      const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& execucoes,
      int flag = 0) = 0;
  virtual HRESULT BuscaPonteirosExecucaoConciliacaoTesourariaBanco(
      const CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco& filtro, CZQVector<REG_ZQDMC>& chaves) = 0;

  // Execution records of the import service, the same way. Reading with flag 1 brings
  // each record's entries; with 0 the records come without them. Storing gives each
  // record without key its key; a record stored again with its key keeps its stored
  // entries and gets the ones past them, so a run's record grows as its accounts are done
  // and other hosts see them.
  virtual HRESULT GravaExecucaoServicoImportacaoExtratos(
      CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& execucoes) = 0;
  virtual HRESULT BuscaPonteirosExecucaoServicoImportacaoExtratos(
      const CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos& filtro, CZQVector<REG_ZQDMC>& chaves) = 0;
  virtual HRESULT LePonteirosExecucaoServicoImportacaoExtratos(
      const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& execucoes,
      int flag) = 0;

  // The layout at a position; a position without layout is a failure.
  virtual HRESULT LeLeiaute(int32_t posicao, CZQDadosCL_Leiaute& leiaute) = 0;
  // The columns of the delimited layout at a position: S_OK with them filled, S_FALSE
  // (and the defaults) when the layout describes none.
  virtual HRESULT LeColunasLeiaute(int32_t posicao, REG_LEIAUTE_COLUNASPS& colunas) = 0;

  virtual HRESULT GetICLMestre(CZQComPtr<IZQCL_Mestre>& mestre) = 0;
  virtual HRESULT GetICLImportacaoCBN(CZQComPtr<IZQCL_ImportacaoCBN>& importacao) = 0;

  // Saving the services' configurations (after the save-time validators passed them):
  // the stored configuration is replaced whole.
  virtual HRESULT GravaConfiguracaoServicoImportacaoExtratos(
      const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& configuracao) = 0;
  virtual HRESULT GravaConfiguracaoConciliacaoTesourariaBanco(
      const CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& configuracao) = 0;

  // The reason of the last failure of this area.
  virtual const CZQDadosDF_Erro* GetErro() const = 0;

  // An account held by one run at a time among every process on the store: TravaConta
  // waits (up to the configured time) until no other connection holds the account, then
  // holds it; the same connection and thread may take it again (each take needs its
  // LiberaConta). A holder that dies releases it. Failing to get it in time is
  // ZQ_E_SQL_OCUPADO (0x800700AA) with the account named.
  virtual HRESULT TravaConta(uint32_t conta) = 0;
  virtual HRESULT LiberaConta(uint32_t conta) = 0;

  // Stores many statement lines in one transaction, all of them or none: a line without
  // position is added and receives its new position, a line with one replaces the stored
  // line there. With a file, its content is recorded in the same transaction, so that
  // the lines and the record of their file stand or fall together; a content recorded
  // before refuses the whole batch with ZQ_E_ARQUIVO_JA_IMPORTADO.
  virtual HRESULT GravaExtratos(CZQVector<CZQDadosCL_Extrato>& extratos,
                                const ZQArquivoExtratoImportado* arquivo = nullptr) = 0;
  // The file imported before with that content (`resumo`): S_OK with it filled, S_FALSE
  // when there was none.
  virtual HRESULT BuscaArquivoExtratoImportado(const CZQString& resumo, ZQArquivoExtratoImportado& arquivo) = 0;
  // TravaConta without the wait: `obtida` tells whether the account is now held (then
  // it needs its LiberaConta); held elsewhere is S_OK with `obtida` false, so a run can
  // do other work first and wait for the account later.
  virtual HRESULT TentaTravaConta(uint32_t conta, bool& obtida) = 0;
};
