#pragma once

#include <cstdint>
#include <string>

#include "frame/zq_tipos.h"

// Name tables of the trace line.
namespace zq {

// "SEVERITY_SUCCESS" or "SEVERITY_ERROR".
const char* NomeSeveridade(uint32_t bit);
// Windows SDK facility names and the ERP's own (236 to 270);
// "Desconhecido ou novo código de FACILITY" for any other.
const char* NomeFacility(uint32_t facility);
// Win32/RPC code name: only when the message library is present, exports
// EhFacilityMT, the facility is not FACILITY_ITF and EhFacilityMT(facility) is false.
std::string NomeCodigo(HRESULT hr);
// Symbolic name of a well-known HRESULT, or empty.
const char* NomeHResult(HRESULT hr);
// Built-in text of the two shared servers' FACILITY_ITF codes, else the message
// library's ZQGetDescricaoHRESULT, else empty.
std::string DescricaoHResult(HRESULT hr);

}  // namespace zq
