#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frame/zq_tipos.h"

// The console's guards on what comes in and goes out: one escaping for every value
// written into a page, strict readings of what a request carries, and the secrets
// (session and CSRF tokens, the operator's password hash).

// The text made safe inside HTML, both as element content and as a quoted attribute
// value: & < > " ' become entities; bytes that are not valid UTF-8 become U+FFFD, so a
// broken bank text cannot swallow the markup after it.
std::string ZQHtml(std::string_view texto);

// A text as a JSON string literal, quotes included.
std::string ZQJson(std::string_view texto);

// A whole unsigned decimal number, nothing else (no sign, no spaces, no leading '+'),
// not above `maximo`. False on anything else; `valor` is then 0.
bool ZQConsoleLeNumero(std::string_view texto, uint64_t maximo, uint64_t& valor);

// An amount as typed by a person: optional '-', digits, optional ',' or '.' and at most two
// decimals ("1234,5", "-80.00"); no thousands separators, at most 13 whole digits. Into
// the ten-thousandths of tagCY.
bool ZQConsoleLeValor(std::string_view texto, tagCY& valor);

// A free text a person typed (a reason): at most `maximo` bytes, valid UTF-8, no control
// characters (tabs and newlines included). Surrounding spaces are dropped before the check.
bool ZQConsoleLeTexto(std::string_view texto, std::size_t maximo, std::string& limpo);

// `n` random bytes from the system's generator, as lower-case hex (2n characters).
std::string ZQConsoleAleatorio(std::size_t n);

// Compares two secrets in time that does not depend on where they differ; an empty one
// never matches.
bool ZQConsoleIguais(std::string_view a, std::string_view b);

// The stored form of a password: "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>", with a
// fresh random salt.
std::string ZQConsoleHashSenha(std::string_view senha);

// Whether the password is the one `guardado` (made by ZQConsoleHashSenha) was made from. A
// malformed `guardado` matches nothing.
bool ZQConsoleConfereSenha(std::string_view senha, std::string_view guardado);

// An amount as people read it ("1.234,56") and as programs read it ("-1234.56").
std::string ZQValorTexto(tagCY valor);
std::string ZQValorJson(tagCY valor);
