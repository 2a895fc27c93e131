#include "console/zq_console_texto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdio>
#include <stdexcept>

#include "frame/zq_currency.h"

namespace {

// Length of the UTF-8 sequence starting at `i`, or 0 when it is not a valid one
// (overlong forms, surrogates and values above U+10FFFF included).
std::size_t SequenciaUtf8(std::string_view t, std::size_t i) {
  const auto c = static_cast<unsigned char>(t[i]);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  uint32_t cp = 0;
  if ((c & 0xE0) == 0xC0) {
    n = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > t.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const auto d = static_cast<unsigned char>(t[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (d & 0x3F);
  }
  static constexpr uint32_t kMinimo[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMinimo[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

std::string Hex(const unsigned char* bytes, std::size_t n) {
  static constexpr char kDigitos[] = "0123456789abcdef";
  std::string s;
  s.reserve(2 * n);
  for (std::size_t i = 0; i < n; ++i) {
    s += kDigitos[bytes[i] >> 4];
    s += kDigitos[bytes[i] & 0xF];
  }
  return s;
}

constexpr int kIteracoes = 200000;
constexpr std::size_t kBytesHash = 32;

std::string Pbkdf2(std::string_view senha, std::string_view sal, int iteracoes) {
  unsigned char saida[kBytesHash];
  if (PKCS5_PBKDF2_HMAC(senha.data(), static_cast<int>(senha.size()),
                        reinterpret_cast<const unsigned char*>(sal.data()), static_cast<int>(sal.size()), iteracoes,
                        EVP_sha256(), sizeof saida, saida) != 1) {
    return "";
  }
  return Hex(saida, sizeof saida);
}

}  // namespace

std::string ZQHtml(std::string_view texto) {
  std::string s;
  s.reserve(texto.size() + 16);
  for (std::size_t i = 0; i < texto.size();) {
    const std::size_t n = SequenciaUtf8(texto, i);
    if (n == 0) {
      s += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (n == 1) {
      switch (texto[i]) {
        case '&':
          s += "&amp;";
          break;
        case '<':
          s += "&lt;";
          break;
        case '>':
          s += "&gt;";
          break;
        case '"':
          s += "&quot;";
          break;
        case '\'':
          s += "&#39;";
          break;
        default:
          s += texto[i];
      }
    } else {
      s.append(texto.substr(i, n));
    }
    i += n;
  }
  return s;
}

std::string ZQJson(std::string_view texto) {
  std::string s = "\"";
  for (unsigned char c : texto) {
    if (c == '"' || c == '\\') {
      s += '\\';
      s += static_cast<char>(c);
    } else if (c < 0x20 || c == '<') {
      // '<' too: a JSON answer pasted into a page must not close its script.
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      s += escape;
    } else {
      s += static_cast<char>(c);
    }
  }
  return s + "\"";
}

bool ZQConsoleLeNumero(std::string_view texto, uint64_t maximo, uint64_t& valor) {
  valor = 0;
  if (texto.empty() || texto.size() > 19) return false;
  uint64_t v = 0;
  for (char c : texto) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > maximo) return false;
  valor = v;
  return true;
}

bool ZQConsoleLeValor(std::string_view texto, tagCY& valor) {
  valor = 0;
  const bool negativo = !texto.empty() && texto[0] == '-';
  if (negativo) texto.remove_prefix(1);
  const std::size_t separador = texto.find_first_of(",.");
  const std::string_view inteiro = texto.substr(0, separador);
  const std::string_view decimais =
      separador == std::string_view::npos ? std::string_view{} : texto.substr(separador + 1);
  if (inteiro.empty() || inteiro.size() > 13) return false;
  if (separador != std::string_view::npos && (decimais.empty() || decimais.size() > 2)) return false;
  uint64_t unidades = 0, centavos = 0;
  if (!ZQConsoleLeNumero(inteiro, UINT64_MAX, unidades)) return false;
  if (!decimais.empty() && !ZQConsoleLeNumero(decimais, 99, centavos)) return false;
  if (decimais.size() == 1) centavos *= 10;
  const auto v = static_cast<tagCY>(unidades * 10000 + centavos * 100);
  valor = negativo ? -v : v;
  return true;
}

bool ZQConsoleLeTexto(std::string_view texto, std::size_t maximo, std::string& limpo) {
  limpo.clear();
  const std::size_t inicio = texto.find_first_not_of(' ');
  if (inicio == std::string_view::npos) return true;
  texto = texto.substr(inicio, texto.find_last_not_of(' ') - inicio + 1);
  if (texto.size() > maximo) return false;
  for (std::size_t i = 0; i < texto.size();) {
    const std::size_t n = SequenciaUtf8(texto, i);
    if (n == 0 || (n == 1 && (static_cast<unsigned char>(texto[i]) < 0x20 || texto[i] == 0x7F))) return false;
    i += n;
  }
  limpo = texto;
  return true;
}

std::string ZQConsoleAleatorio(std::size_t n) {
  std::string bytes(n, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(n)) != 1) {
    // A session guarded by a guessable token is worse than no answer.
    throw std::runtime_error("sem bytes aleatórios do sistema");
  }
  return Hex(reinterpret_cast<const unsigned char*>(bytes.data()), n);
}

bool ZQConsoleIguais(std::string_view a, std::string_view b) {
  if (a.empty() || a.size() != b.size()) return false;
  return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string ZQConsoleHashSenha(std::string_view senha) {
  const std::string sal = ZQConsoleAleatorio(16);
  return "pbkdf2-sha256$" + std::to_string(kIteracoes) + "$" + sal + "$" + Pbkdf2(senha, sal, kIteracoes);
}

bool ZQConsoleConfereSenha(std::string_view senha, std::string_view guardado) {
  constexpr std::string_view kPrefixo = "pbkdf2-sha256$";
  if (guardado.substr(0, kPrefixo.size()) != kPrefixo) return false;
  guardado.remove_prefix(kPrefixo.size());
  const std::size_t a = guardado.find('$');
  const std::size_t b = a == std::string_view::npos ? a : guardado.find('$', a + 1);
  uint64_t iteracoes = 0;
  if (b == std::string_view::npos || !ZQConsoleLeNumero(guardado.substr(0, a), 10000000, iteracoes) ||
      iteracoes < 1000) {
    return false;
  }
  const std::string_view sal = guardado.substr(a + 1, b - a - 1);
  const std::string_view hash = guardado.substr(b + 1);
  return !sal.empty() && ZQConsoleIguais(Pbkdf2(senha, sal, static_cast<int>(iteracoes)), hash);
}

std::string ZQValorTexto(tagCY valor) { return CZQCurrencyEx::FormataValor(valor, 2).c_str(); }

std::string ZQValorJson(tagCY valor) {
  const tagCY absoluto = valor < 0 ? -valor : valor;
  char texto[40];
  std::snprintf(texto, sizeof texto, "%s%lld.%02lld", valor < 0 ? "-" : "", static_cast<long long>(absoluto / 10000),
                static_cast<long long>(absoluto % 10000 / 100));
  return texto;
}
