#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/records/zq_dados_conciliacao.h"
#include "platform/records/zq_dados_extrato.h"

// The reading of a statement file by its layout, with no store behind it: bytes in,
// statement lines and the reasons of the rows that do not read out. One bad row never
// stops the file.
namespace cl_import {

// What the reader needs of a layout.
struct LeiauteArquivoExtrato {
  uint8_t tipoArquivo = ZQ_TIPO_ARQUIVO_DELIMITADO;
  std::size_t linhasCabecalho = 0;
  std::size_t linhasRodape = 0;
  REG_LEIAUTE_COLUNASPS colunas;
};

// Reasons a row does not read (message codes of the module, texts in its catalogue).
inline constexpr long CL_RECUSA_COLUNAS = 6102;         // fewer columns than the layout uses
inline constexpr long CL_RECUSA_DATA = 6103;            // date that does not read
inline constexpr long CL_RECUSA_VALOR = 6104;           // amount that does not read
inline constexpr long CL_RECUSA_NATUREZA = 6105;        // D/C flag that does not read
inline constexpr long CL_RECUSA_CREDITO_DEBITO = 6106;  // both credit and debit filled
inline constexpr long CL_RECUSA_CONTA = 6107;           // account that does not read

// A row read: its line in the file (from 1; for OFX, the transaction's number) and the
// statement line. `conta` is the account the row names (0 when the layout names none).
struct LinhaLidaExtrato {
  std::size_t numeroLinha = 0;
  CZQDadosCL_Extrato extrato;
  uint32_t conta = 0;
};

// A row refused: its line, the reason and the text that did not read.
struct RecusaLeituraExtrato {
  std::size_t numeroLinha = 0;
  long codigo = 0;
  std::string detalhe;
};

struct LeituraArquivoExtrato {
  std::vector<LinhaLidaExtrato> linhas;
  std::vector<RecusaLeituraExtrato> recusas;
  // Rows with no amount, blank rows and balance rows that did not read: nothing to store.
  std::size_t ignoradas = 0;
};

// Reads the file's bytes (UTF-8 with or without a byte-order mark, or code page
// 1252/Latin-1, converted to UTF-8 here) by the layout: OFX through the OFX reader of the
// online source, or delimited rows by the layout's columns, after the header and trailer
// lines are dropped. The lines carry nature, date, amount (absolute), document, history
// and movement code; account and branch are the caller's to set.
LeituraArquivoExtrato LeArquivoExtrato(std::string_view bytes, const LeiauteArquivoExtrato& leiaute);

// The fields of a delimited row: split at the delimiter outside double quotes, a doubled
// quote inside quotes standing for one, each field trimmed of blanks. They go into
// `campos`, whose strings are reused (its size becomes the row's number of fields).
void SeparaCampos(std::string_view linha, char delimitador, std::vector<std::string>& campos);

// An amount as banks write it: "R$", blanks and the thousands separator (the mark that is
// not the decimal one) allowed, a sign in front, behind or as parentheses, at most four
// decimals. False when the text is not an amount; an empty text is zero.
bool LeValorTexto(std::string_view texto, char marcaDecimal, tagCY& valor);

// A date in the layout's format (DD, MM, AA or AAAA and literal separators); a date that
// is not a day of the calendar, or text around it, gives false.
bool LeDataTexto(std::string_view texto, std::string_view formato, REG_ZQDMA& data);

}  // namespace cl_import
