#pragma once

#include <cstdint>

#include "frame/zq_comptr.h"
#include "frame/zq_tipos.h"
#include "platform/records/zq_estruturas_conciliacao.h"
#include "platform/records/zq_estruturas_integracao.h"
#include "platform/records/zq_estruturas_tesouraria.h"

// Server interfaces handed out by the data-access objects, each in a CZQComPtr. They
// exchange the servers' plain structures. A failure is a negative HRESULT; these
// interfaces keep no error record of their own.

// The reconciliation master: the posting rules.
class IZQCL_Mestre : public IZQUnknown {
 public:
  // Number of posting rules.
  virtual HRESULT BuscaQuantProTesBan(uint16_t* quantidade) = 0;
  // Fills the first `quantidade` rules, in the server's order, into caller storage of
  // at least that many records. Fewer rules than asked leave the rest as they were.
  virtual HRESULT BuscaRegistrosTesBan(uint16_t quantidade, _REG_PROP_CONC_TESBAN_PS* registros) = 0;

 protected:
  ~IZQCL_Mestre() override = default;
};

// The import-layout server.
class IZQCL_ImportacaoCBN : public IZQUnknown {
 public:
  // Fills the layout at a position. A position without layout is a failure.
  virtual HRESULT LeLeiaute(int32_t posicao, RegLeiauteps* leiaute) = 0;

 protected:
  ~IZQCL_ImportacaoCBN() override = default;
};

// The treasury server.
class IZQFN_Tesouraria : public IZQUnknown {
 public:
  // S_OK when the treasury holds an entry identical to the query (the entry found is
  // copied to `encontrado` when given), S_FALSE when it holds none.
  virtual HRESULT Existe(const RegExisteTesps& consulta, tagREG_TESOURARIAPS* encontrado) = 0;

 protected:
  ~IZQFN_Tesouraria() override = default;
};

// One integration transaction: entries gathered with their treasury, accounting and
// management parts, recorded all at once. Nothing reaches the stores before
// GravaIntegracao; a new NovaIntegracao drops what an unrecorded transaction held.
class IZQDF_IntegracaoTransacao : public IZQUnknown {
 public:
  virtual HRESULT NovaIntegracao(regNovaTransacaoPS* transacao) = 0;
  // Adds an entry's treasury part; the accounting and management parts that follow
  // belong to it.
  virtual HRESULT SetFinanceiroTesouraria(const RegSetTesouraria* tesouraria, RegFNRetorno* retorno) = 0;
  virtual HRESULT SetContabilTes(uint16_t quantidade, const RegContasContabil* contas) = 0;
  virtual HRESULT SetGerencialTes(int32_t quantidade, const RegContasGerencial* contas) = 0;
  // Records the transaction. S_OK when every entry was stored; otherwise nothing is
  // and the first u32 of `retorno` tells why (172: the entries could not be stored).
  virtual HRESULT GravaIntegracao(const RegGravaIntegracao* gravacao, RegRetorno* retorno) = 0;
  // The other statement lines an aggregated entry (the last one added) stands for,
  // besides the line of its origin. Kept with the entry, so that the marks of a run
  // interrupted after recording can be finished, and so that none of them is posted twice.
  virtual HRESULT SetOrigensAgrupadas(uint32_t quantidade, const ChaveOrigem* chaves) = 0;

 protected:
  ~IZQDF_IntegracaoTransacao() override = default;
};
