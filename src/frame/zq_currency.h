#pragma once

#include <compare>
#include <concepts>
#include <string_view>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"

// An amount: a signed 64-bit count of ten-thousandths of the currency unit
// (1,00 is 10000). Plain value, copied freely.
//
// Built implicitly from any integer count (so `valor == 0` and `valor > 0` read
// naturally); the raw count comes back through GetCY(). There is deliberately no
// implicit conversion back to tagCY: together with the implicit constructor it
// would make mixed comparisons ambiguous.
class CL_EXPORT CZQCurrencyEx {
 public:
  constexpr CZQCurrencyEx() = default;
  template <std::integral T>
  constexpr CZQCurrencyEx(T contagem) : m_cy(static_cast<tagCY>(contagem)) {}  // NOLINT: implicit on purpose

  // From a value in currency units, rounded to the nearest ten-thousandth (ties to
  // even). A value that is not a number or does not fit gives 0.
  explicit CZQCurrencyEx(double valor);

  constexpr tagCY GetCY() const { return m_cy; }
  constexpr void SetCY(tagCY contagem) { m_cy = contagem; }

  // Exact 64-bit addition and subtraction of the counts. Amounts handled by the rules
  // stay far from the limits; past them the result wraps around.
  constexpr CZQCurrencyEx& operator+=(const CZQCurrencyEx& outro) {
    m_cy = static_cast<tagCY>(static_cast<uint64_t>(m_cy) + static_cast<uint64_t>(outro.m_cy));
    return *this;
  }
  constexpr CZQCurrencyEx& operator-=(const CZQCurrencyEx& outro) {
    m_cy = static_cast<tagCY>(static_cast<uint64_t>(m_cy) - static_cast<uint64_t>(outro.m_cy));
    return *this;
  }
  friend constexpr CZQCurrencyEx operator+(CZQCurrencyEx a, const CZQCurrencyEx& b) { return a += b; }
  friend constexpr CZQCurrencyEx operator-(CZQCurrencyEx a, const CZQCurrencyEx& b) { return a -= b; }
  constexpr CZQCurrencyEx operator-() const { return CZQCurrencyEx() - *this; }

  friend constexpr bool operator==(const CZQCurrencyEx&, const CZQCurrencyEx&) = default;
  friend constexpr std::strong_ordering operator<=>(const CZQCurrencyEx&, const CZQCurrencyEx&) = default;

  // Absolute value (the most negative count stays as it is).
  constexpr CZQCurrencyEx Abs() const { return m_cy < 0 ? -*this : *this; }

  // Text of an amount in the Brazilian form: "1.234,56", "-0,50".
  //  - below 4 decimals the amount is first cut toward zero to that many decimals
  //    (never rounded);
  //  - the text has exactly `decimais` decimals (0 to 9; values outside are clamped),
  //    a leading zero, "." between groups of three and "," before the decimals;
  //  - with `removeZeros`, trailing "0" after the "," are deleted, and the "," itself
  //    when it ends up last ("1,50" -> "1,5", "2,00" -> "2").
  static CZQString FormataValor(const tagCY& valor, int decimais, bool removeZeros = false);
  static CZQString FormataValor(const CZQCurrencyEx& valor, int decimais, bool removeZeros = false) {
    return FormataValor(valor.m_cy, decimais, removeZeros);
  }

  // Two decimals, or three or four when the amount has a non-zero digit there;
  // trailing zeros kept ("1,00", "1,2345", "1,230").
  static CZQString FormataValorAutomatico(const tagCY& valor);
  static CZQString FormataValorAutomatico(const CZQCurrencyEx& valor) { return FormataValorAutomatico(valor.m_cy); }

 private:
  tagCY m_cy = 0;
};

// The currency zero of the module, built once at load time from 0.0.
CL_EXPORT extern const CZQCurrencyEx ZQ_CURRENCY_ZERO;
