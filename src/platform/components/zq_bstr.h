#pragma once

#include <utility>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"

// Wide strings handed to the servers inside plain structures (BSTR fields). The
// caller that allocates one frees it after the call.

// A new wide string with the text (UTF-8, or code page 1252 when not UTF-8); never
// null, an empty text gives an empty string.
CL_EXPORT BSTR ZQAllocSysString(const CZQString& texto);
// Frees a string of ZQAllocSysString; null is ignored.
CL_EXPORT void ZQFreeSysString(BSTR bstr);
// The text of a wide string as UTF-8; null reads as empty. Code points that are not
// characters become U+FFFD.
CL_EXPORT CZQString ZQStringDeBstr(const wchar_t* bstr);

// Owns one wide string for the length of a call.
class CZQBstr {
 public:
  CZQBstr() = default;
  explicit CZQBstr(const CZQString& texto) : m_bstr(ZQAllocSysString(texto)) {}
  CZQBstr(const CZQBstr&) = delete;
  CZQBstr& operator=(const CZQBstr&) = delete;
  CZQBstr(CZQBstr&& outro) noexcept : m_bstr(std::exchange(outro.m_bstr, nullptr)) {}
  CZQBstr& operator=(CZQBstr&& outro) noexcept {
    if (this != &outro) {
      ZQFreeSysString(m_bstr);
      m_bstr = std::exchange(outro.m_bstr, nullptr);
    }
    return *this;
  }
  ~CZQBstr() { ZQFreeSysString(m_bstr); }

  BSTR Get() const { return m_bstr; }
  CZQString GetTexto() const { return ZQStringDeBstr(m_bstr); }

 private:
  BSTR m_bstr = nullptr;
};
