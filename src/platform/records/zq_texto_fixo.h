#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "frame/zq_string.h"

// A NUL-terminated text field of N bytes inside a plain structure whose byte layout
// the servers fix. It takes exactly N bytes with alignment 1, so it stands where a
// char[N] would. Two fields are equal when their texts (up to the first NUL) are
// equal: whatever a server left behind the terminator does not count.
template <std::size_t N>
struct ZQTextoFixo {
  static_assert(N >= 1, "a text field holds at least its terminator");
  char sz[N];

  static constexpr std::size_t Capacidade() { return N - 1; }

  // Length up to the first NUL, never past the field (a field without terminator
  // counts all N bytes).
  std::size_t Tamanho() const {
    const void* fim = std::memchr(sz, '\0', N);
    return fim ? static_cast<std::size_t>(static_cast<const char*>(fim) - sz) : N;
  }
  bool Vazio() const { return sz[0] == '\0'; }

  CZQString Get() const { return CZQString(std::string(sz, Tamanho())); }
  // The bytes as a C string; only a field written through Set is sure to be terminated.
  const char* c_str() const { return sz; }

  // Writes the text cut to N-1 bytes without splitting a UTF-8 letter, and fills the
  // rest of the field with NUL so that the stored bytes are always the same for the
  // same text.
  void Set(const CZQString& texto) {
    CZQString cortado = texto.LeftBytesInteiros(static_cast<int>(N - 1));
    std::memset(sz, 0, N);
    std::memcpy(sz, cortado.c_str(), static_cast<std::size_t>(cortado.GetLength()));
  }
  void Set(const char* texto) { Set(CZQString(texto)); }
  void Limpa() { std::memset(sz, 0, N); }

  // The field reads as the C string it holds, as the servers' char arrays did. A
  // field filled to the brim has no terminator: use Get() or Tamanho() there.
  operator const char*() const { return sz; }  // NOLINT: as a char array decays
  operator char*() { return sz; }              // NOLINT

  friend bool operator==(const ZQTextoFixo& a, const ZQTextoFixo& b) {
    std::size_t ta = a.Tamanho();
    return ta == b.Tamanho() && std::memcmp(a.sz, b.sz, ta) == 0;
  }
  friend bool operator==(const ZQTextoFixo& a, const char* b) {
    std::size_t ta = a.Tamanho();
    std::size_t tb = b ? std::strlen(b) : 0;
    return ta == tb && (ta == 0 || std::memcmp(a.sz, b, ta) == 0);
  }
};

static_assert(sizeof(ZQTextoFixo<5>) == 5 && alignof(ZQTextoFixo<5>) == 1);
static_assert(std::is_trivially_copyable_v<ZQTextoFixo<62>> && std::is_standard_layout_v<ZQTextoFixo<62>>);
