#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/records/zq_dados_extrato.h"

// The OFX tag scanner of the statement reader. It reads OFX the way the Tavorin
// service and the banks write it, in the SGML form (one element per line, closing tags
// optional) and in the XML form (closing tags, possibly all on one line), line by line
// and by exact, case-sensitive tag search. Every step is linear in the size of its input.
namespace cl_import {

// Drops what precedes the second "<" of the text when there is one (the first
// character is never looked at: the OFX header block, or the XML declaration, goes),
// then splits touching tags ("><") onto lines of their own. A closing tag of the
// transaction's type, date, amount, check number or memo that touches the next tag is
// replaced by the line break; any other tag keeps its place. Text behind a tag stays on
// the tag's line.
std::string NormalizaTextoOfx(std::string_view texto);

// What one line of the normalised text gives to the statement line under construction:
// the field of the first tag found among "<TRNTYPE>", "<DTPOSTED>", "<TRNAMT>",
// "<CHKNUM>", "<CHECKNUM>", "<MEMO>", "<NAME>" (in that order). May delete the first
// "-" of the line (an amount's sign). Returns whether the line, as left, holds a
// history tag ("<MEMO>" or "<NAME>").
bool AplicaLinhaOfx(std::string& linha, CZQDadosCL_Extrato& extrato);

// Whether a line holds "<MEMO>" or "<NAME>".
bool TemTagHistoricoOfx(std::string_view linha);

// Whether the bytes are well-formed UTF-8: the answer of zq::EhUtf8Valido, with runs of
// ASCII bytes skipped eight at a time (statement files are mostly ASCII).
bool EhUtf8ValidoOfx(std::string_view bytes);

// The transactions of an OFX text already in UTF-8: normalises it, drops `cabecalho`
// lines at its start and then `rodape` at its end as a layout asks (a count larger than
// the lines left drops nothing), and hands each transaction that a history line completes
// and that has an amount and a nature other than "*" to `recebe`, numbered from 1 in the
// order they complete. Account and branch are the caller's to set; `recebe` may move the
// transaction away, as it is cleared once handed over.
void LeTransacoesOfx(std::string_view texto, std::size_t cabecalho, std::size_t rodape,
                     const std::function<void(CZQDadosCL_Extrato&, std::size_t)>& recebe);

// How many transactions the text opens ("<STMTTRN>"), at most one per 48 bytes: what a
// list of them should reserve, so that a large file's lines are not moved again and again
// as the list grows.
std::size_t ContaTransacoesOfx(std::string_view texto);

// Bytes of a statement file as the module keeps its texts (UTF-8): a byte-order mark is
// dropped, UTF-8 stays as it is, and anything else is read as code page 1252 (which the
// banks' Latin-1 files are a subset of).
void TextoArquivoParaUtf8(std::string& bytes);

// Most characters of a history text taken from a line without its closing tag.
inline constexpr int kMaximoCaracteresHistoricoOfx = 99;

}  // namespace cl_import
