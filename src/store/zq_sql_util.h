#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "frame/zq_tipos.h"
#include "store/zq_banco_sql.h"

// Small conversions between the records' values and the store's columns.
namespace zq_sql {

// A one-character code as a text column: the character, or "" for the empty code 0.
inline std::string Car(char c) { return c ? std::string(1, c) : std::string(); }
inline char Car(const std::string& texto) { return texto.empty() ? '\0' : texto[0]; }

// Raw bytes as hex text and back (the bytes of a plain structure nobody here reads).
inline std::string Hex(const void* dados, std::size_t tamanho) {
  static const char digitos[] = "0123456789abcdef";
  const auto* b = static_cast<const unsigned char*>(dados);
  std::string texto;
  texto.reserve(tamanho * 2);
  for (std::size_t i = 0; i < tamanho; ++i) {
    texto += digitos[b[i] >> 4];
    texto += digitos[b[i] & 0xF];
  }
  return texto;
}
// Fills exactly `tamanho` bytes; false (nothing written) when the text is not that
// many bytes of hex. An empty text is all zeros.
inline bool DeHex(const std::string& texto, void* dados, std::size_t tamanho) {
  // Value of each byte as a hex digit, 0xFF for any other byte: entries are read by the
  // thousand on every posting run.
  static constexpr auto kValores = [] {
    std::array<unsigned char, 256> v{};
    for (auto& x : v) x = 0xFF;
    for (int c = 0; c < 10; ++c) v['0' + c] = static_cast<unsigned char>(c);
    for (int c = 0; c < 6; ++c) {
      v['a' + c] = static_cast<unsigned char>(10 + c);
      v['A' + c] = static_cast<unsigned char>(10 + c);
    }
    return v;
  }();
  auto* b = static_cast<unsigned char*>(dados);
  if (texto.empty()) {
    for (std::size_t i = 0; i < tamanho; ++i) b[i] = 0;
    return true;
  }
  if (texto.size() != tamanho * 2) return false;
  const auto* t = reinterpret_cast<const unsigned char*>(texto.data());
  // Decoded and checked in one pass into a buffer of its own, copied only when whole.
  unsigned char local[512];
  std::vector<unsigned char> grande;
  unsigned char* destino = local;
  if (tamanho > sizeof local) {
    grande.resize(tamanho);
    destino = grande.data();
  }
  unsigned char invalido = 0;
  for (std::size_t i = 0; i < tamanho; ++i) {
    const unsigned char alto = kValores[t[2 * i]], baixo = kValores[t[2 * i + 1]];
    invalido |= alto | baixo;
    destino[i] = static_cast<unsigned char>((alto << 4) | (baixo & 0x0F));
  }
  if (invalido & 0xF0) return false;
  std::memcpy(b, destino, tamanho);
  return true;
}

// A list of integers for an IN (...) clause. The values are numbers the store formats
// itself, so they go into the statement's text; long lists are cut into parts.
template <typename T>
std::vector<std::string> ListasIn(const std::vector<T>& valores, std::size_t porParte = 500) {
  std::vector<std::string> partes;
  for (std::size_t i = 0; i < valores.size(); i += porParte) {
    std::string parte;
    for (std::size_t j = i; j < valores.size() && j < i + porParte; ++j) {
      if (!parte.empty()) parte += ",";
      parte += std::to_string(static_cast<long long>(valores[j]));
    }
    partes.push_back(parte);
  }
  return partes;
}

// Conditions that `coluna` holds one of `valores`, each for its own statement, whose rows
// together are the rows asked for (none for no values). PostgreSQL gets one condition
// over one array value: it parses that far faster than as many constants, and the parts'
// round trips are gone. SQLite gets IN lists of 500.
template <typename T>
std::vector<std::string> CondicoesEm(const std::string& coluna, const std::vector<T>& valores, bool postgres) {
  std::vector<std::string> condicoes;
  if (valores.empty()) return condicoes;
  for (const std::string& lista : ListasIn(valores, postgres ? valores.size() : 500)) {
    condicoes.push_back(postgres ? coluna + " = ANY('{" + lista + "}'::BIGINT[])" : coluna + " IN (" + lista + ")");
  }
  return condicoes;
}

// The numbers a column may hold when the record has fewer bits than the column.
template <typename T>
T Cabe(long long valor, const char* coluna) {
  const bool cabe = valor < 0 ? (std::is_signed_v<T> && valor >= static_cast<long long>(std::numeric_limits<T>::min()))
                              : static_cast<unsigned long long>(valor) <=
                                    static_cast<unsigned long long>(std::numeric_limits<T>::max());
  if (!cabe) {
    throw CZQExcecaoSQL(ZQ_E_SQL_CORROMPIDO,
                        std::string("valor fora do limite na coluna ") + coluna + ": " + std::to_string(valor));
  }
  return static_cast<T>(valor);
}

// Two conditions of a WHERE clause joined by AND; an empty one is left out.
inline std::string E(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + " AND " + b;
}

// An execution record's key as the error texts name it.
inline std::string TextoChave(const REG_ZQDMC& chave) {
  return std::to_string(chave.dma) + "/" + std::to_string(chave.codigo);
}

}  // namespace zq_sql
