#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"

// The ERP's accounting base: what the treasury accounting of a posting run keeps about
// its last refusal and the text that completes the history of the entries it posts.
// The accounting itself lives in the component that derives from it; this library
// supplies the three accessors below.
class CContabilizaBase {
 public:
  CContabilizaBase() = default;
  CContabilizaBase(const CContabilizaBase&) = default;
  CContabilizaBase& operator=(const CContabilizaBase&) = default;
  virtual ~CContabilizaBase();

  // Message code and module of the last accounting error (0 when there was none).
  CL_EXPORT uint32_t GetCodigoErroContabiliza() const;
  CL_EXPORT uint16_t GetModuloErroContabiliza() const;
  // The history complement of the entries accounted from now on; null clears it.
  CL_EXPORT void SetComplemento(const char* complemento);

  const CZQString& GetComplemento() const { return m_sComplemento; }

 protected:
  // For the accounting component: records why it refused an entry.
  void SetErroContabiliza(uint16_t modulo, uint32_t codigo) {
    m_usModuloErroContabiliza = modulo;
    m_ulCodigoErroContabiliza = codigo;
  }

  uint16_t m_usModuloErroContabiliza = 0;
  uint32_t m_ulCodigoErroContabiliza = 0;
  CZQString m_sComplemento;
};
