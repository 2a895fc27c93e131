#pragma once

#include <string>

#include "frame/cl_export.h"
#include "frame/zq_tipos.h"

// Access to the ERP's message library, a separate shared object (libzqmensagens.so)
// loaded for each lookup and released after it. Its path comes from the configuration
// ("biblioteca_mensagens", default: beside libcl.so). When it is missing every text is empty.

// Message text by code and two-letter module code ("CL"); empty when unknown.
CL_EXPORT std::string ZQGetMensagem(unsigned long codigo, const char* modulo, unsigned int idioma = 0);
// Description of an HRESULT as the ERP shows it; empty when unknown.
CL_EXPORT std::string ZQGetErrorDescription(HRESULT hr);

namespace zq {
// Two-letter code of an ERP module number (10 -> "CL"); the default text for an unknown number.
const char* CodigoModulo(_ZQModulo modulo);
}  // namespace zq
