#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/cl_export.h"
#include "frame/zq_tipos.h"
#include "platform/records/zq_dados_consulta_terceiro.h"

// Reading of the Banco do Brasil statement answer ("extratos" v1) into the middleware's
// records. Every field name of the answer is in the .cc file, in one table, so a new
// version of the service is a change there. Used by the middleware for each page it
// receives and by the test mode's mock file.
namespace zq::extrato_bb {

// Reads one page of the answer into `pagina` (cleared first). S_OK; or
// ZQ_E_CONSULTA_RESPOSTA_INVALIDA with `pagina` empty and a Portuguese description in
// `erro`. Amounts are read from the number's own text, never through a binary floating
// point value; rows are kept in the answer's order, balance rows included.
CL_EXPORT HRESULT LePagina(std::string_view json, CZQDadosCR_ConsultaExtratoBancoBrasil& pagina, std::string& erro);

// As LePagina, for a document that is one page object or an array of page objects (the
// mock file): rows of all pages in order, the page fields of the last one.
CL_EXPORT HRESULT LeDocumento(std::string_view json, CZQDadosCR_ConsultaExtratoBancoBrasil& resposta,
                              std::string& erro);

// Appends the rows of a page to the accumulated answer and takes over its page fields.
CL_EXPORT void AcrescentaPagina(const CZQDadosCR_ConsultaExtratoBancoBrasil& pagina,
                                CZQDadosCR_ConsultaExtratoBancoBrasil& resposta);

// A JSON number's text as an exact amount in ten-thousandths: "1234.56" is 12345600,
// "0.1" is 1000, "1e2" is 1000000. False when the text is not a number, has a non-zero
// digit beyond the fourth decimal, or does not fit 64 bits.
CL_EXPORT bool LeValorDecimal(std::string_view texto, tagCY& valor);

// The bank's DDMMAAAA integer (the day's leading zero lost: 1092026 is 1 September 2026)
// as a date; 0 is the empty date. False for a number that is not a valid date.
CL_EXPORT bool LeDataDDMMAAAA(uint64_t numero, REG_ZQDMA& data);

}  // namespace zq::extrato_bb
