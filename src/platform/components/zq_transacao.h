#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "frame/cl_export.h"
#include "frame/zq_erro.h"
#include "frame/zq_profiler.h"
#include "frame/zq_tipos.h"
#include "platform/records/zq_estruturas_contabil.h"

// The ERP's treasury transactions and their names (the kind of movement a treasury
// entry records: deposit, withdrawal, bank fee, ...).

// Where the names are read from; each source keeps its last error.
class IZQFonteTransacoes {
 public:
  virtual ~IZQFonteTransacoes() = default;
  // Fills the transaction with this code (the record is cleared first). A code with
  // no transaction is a failure.
  virtual HRESULT LeTransacao(uint16_t codigo, REG_TRANSACAO* transacao) = 0;
  virtual const CZQDadosDF_Erro* GetErro() const = 0;
};

// Creates a source for a company, user and session. The host and the command-line
// tool install the store's; tests install their own.
using ZQFabricaTransacoes = std::function<std::unique_ptr<IZQFonteTransacoes>(const IZQDF_Profiler&)>;

// Installs the process's factory and returns the previous one.
CL_EXPORT ZQFabricaTransacoes ZQDefineFabricaTransacoes(ZQFabricaTransacoes fabrica);
// A new source from the installed factory; null when none is installed.
CL_EXPORT std::unique_ptr<IZQFonteTransacoes> ZQNovaFonteTransacoes(const IZQDF_Profiler& profiler);

// HRESULT when no transaction component is installed in the process.
inline constexpr HRESULT ZQ_E_TRANSACOES_INDISPONIVEIS = ZQ_HR(0x80040154);

// The transaction names as a routine asks for them, for the routine's own company.
class CL_EXPORT CTransacao {
 public:
  explicit CTransacao(const IZQDF_Profiler& profiler);
  ~CTransacao();
  CTransacao(const CTransacao&) = delete;
  CTransacao& operator=(const CTransacao&) = delete;

  // Fills `transacao` (cleared first) with the transaction of this code: its code and
  // the name that follows it.
  HRESULT GetTransacao(uint16_t codigo, REG_TRANSACAO* transacao);

  const CZQDadosDF_Erro& GetErro() const { return m_erro; }

 private:
  std::unique_ptr<IZQFonteTransacoes> m_pFonte;
  CZQDadosDF_Erro m_erro;
};
