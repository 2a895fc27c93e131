#pragma once

#include <string_view>

#include "frame/cl_export.h"
#include "frame/zq_currency.h"
#include "frame/zq_data.h"
#include "frame/zq_tipos.h"

// Text conversions used when reading bank statements.
namespace zq {

// Text to amount, as banks write it ("386,80", "1.234,56", "1234.56", "  -200,00").
// The decimal separator is the rightmost "," when there is one, otherwise the
// leftmost "."; every other character that is not a digit is dropped (signs and
// blanks included, so the result is the absolute value); four decimals are kept,
// more are cut off, fewer are filled with zeros. Decimal digits are read exactly,
// never through a floating-point value.
// Returns false, with `valor` 0, when the text has no digit at all ("", ".", "-")
// or when the amount does not fit in a tagCY.
CL_EXPORT bool TextoParaValor(std::string_view texto, tagCY& valor);
CL_EXPORT bool TextoParaValor(std::string_view texto, CZQCurrencyEx& valor);

// Date text "dd/mm/aa" (also "d/m/aa" and four-digit years) to a date, through the
// CZQDma constructor: a two-digit year 84..99 is 1984..1999 and 00..83 is
// 2000..2083, a day past the month's end becomes its last day. Blanks around the
// text are ignored. A text that is no date gives the empty date.
CL_EXPORT CZQDma TextoParaData(std::string_view texto);

// Posting date of an OFX statement line from the value that follows "<DTPOSTED>"
// ("20240315120000[-3:BRT]"): only the year's last two digits, the month and the
// day at their fixed places (value characters 2-3, 4-5 and 6-7) count, put
// together as "dd/mm/aa" and read by TextoParaData; whatever follows (time, zone)
// is ignored. A value shorter than eight characters gives the empty date.
CL_EXPORT CZQDma DataValorOfx(std::string_view valor);
// The "dd/mm/aa" text that DataValorOfx reads; empty for a value shorter than
// eight characters.
CL_EXPORT CZQString TextoDataValorOfx(std::string_view valor);

}  // namespace zq
