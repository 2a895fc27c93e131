#pragma once

#include <cstdint>

// Scalar types shared by the whole module, with the widths the servers and the
// plain structures expect.

using HRESULT = int32_t;

// Amount: signed count of ten-thousandths of the currency unit.
using tagCY = int64_t;

// Date: day serial, 2 is 1 January 1848, 0 is the empty date.
using REG_ZQDMA = uint32_t;

// Seconds since midnight.
using REG_ZQHMS = int32_t;

// Local time stamp: low 38 bits hold day serial * 86400 + seconds of the day.
using REG_ZQDMAHMSUTC = int64_t;

// Key of a dated record: day serial and a code within the day.
struct REG_ZQDMC {
  REG_ZQDMA dma;
  uint32_t codigo;
  bool operator==(const REG_ZQDMC&) const = default;
};

// Pointer-sized handle of a wide string crossing to the servers.
using BSTR = wchar_t*;

// Module number of a message; this module is 10 ("CL").
using _ZQModulo = uint16_t;
inline constexpr _ZQModulo ZQ_MODULO_CL = 10;

constexpr HRESULT ZQ_HR(uint32_t value) { return static_cast<HRESULT>(value); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = ZQ_HR(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = ZQ_HR(0x80004002);
inline constexpr HRESULT E_POINTER = ZQ_HR(0x80004003);
inline constexpr HRESULT E_ABORT = ZQ_HR(0x80004004);
inline constexpr HRESULT E_FAIL = ZQ_HR(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = ZQ_HR(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = ZQ_HR(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = ZQ_HR(0x80070057);

// The one negative result every check of this module passes over.
inline constexpr HRESULT ZQ_HR_IGNORADO = ZQ_HR(0xFFFFFFFF);

// A record of the wrong type handed to a save-time validator.
inline constexpr HRESULT ZQ_E_REGISTRO_INVALIDO = ZQ_HR(0x80FF0D12);

// This module's facility among the ERP's own (236 to 270).
inline constexpr uint32_t ZQ_FACILITY_CL_CONCILIACAO = 245;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr uint32_t HRESULT_SEVERITY(HRESULT hr) { return (static_cast<uint32_t>(hr) >> 31) & 1u; }
constexpr uint32_t HRESULT_FACILITY(HRESULT hr) { return (static_cast<uint32_t>(hr) >> 16) & 0x1FFFu; }
constexpr uint32_t HRESULT_CODE(HRESULT hr) { return static_cast<uint32_t>(hr) & 0xFFFFu; }
constexpr HRESULT MAKE_HRESULT(uint32_t sev, uint32_t fac, uint32_t code) {
  return static_cast<HRESULT>((sev << 31) | ((fac & 0x1FFFu) << 16) | (code & 0xFFFFu));
}
