#include "import/cl_resumo_sha256.h"

#include <array>
#include <cstdint>

namespace cl_import {

namespace {

constexpr std::array<uint32_t, 64> kConstantes = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t Gira(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void ProcessaBloco(std::array<uint32_t, 8>& estado, const unsigned char* bloco) {
  std::array<uint32_t, 64> w{};
  for (int i = 0; i < 16; ++i) {
    w[i] = (uint32_t{bloco[4 * i]} << 24) | (uint32_t{bloco[4 * i + 1]} << 16) | (uint32_t{bloco[4 * i + 2]} << 8) |
           uint32_t{bloco[4 * i + 3]};
  }
  for (int i = 16; i < 64; ++i) {
    const uint32_t s0 = Gira(w[i - 15], 7) ^ Gira(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const uint32_t s1 = Gira(w[i - 2], 17) ^ Gira(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t a = estado[0], b = estado[1], c = estado[2], d = estado[3];
  uint32_t e = estado[4], f = estado[5], g = estado[6], h = estado[7];
  for (int i = 0; i < 64; ++i) {
    const uint32_t t1 = h + (Gira(e, 6) ^ Gira(e, 11) ^ Gira(e, 25)) + ((e & f) ^ (~e & g)) + kConstantes[i] + w[i];
    const uint32_t t2 = (Gira(a, 2) ^ Gira(a, 13) ^ Gira(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  estado[0] += a;
  estado[1] += b;
  estado[2] += c;
  estado[3] += d;
  estado[4] += e;
  estado[5] += f;
  estado[6] += g;
  estado[7] += h;
}

}  // namespace

std::string ResumoSha256(std::string_view bytes) {
  std::array<uint32_t, 8> estado = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                    0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  const auto* dados = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t inteiros = bytes.size() / 64;
  for (std::size_t i = 0; i < inteiros; ++i) ProcessaBloco(estado, dados + 64 * i);

  // The tail, the 0x80 mark and the length in bits fill one or two last blocks.
  std::array<unsigned char, 128> fim{};
  const std::size_t resto = bytes.size() % 64;
  for (std::size_t i = 0; i < resto; ++i) fim[i] = dados[64 * inteiros + i];
  fim[resto] = 0x80;
  const std::size_t tamanhoFim = resto < 56 ? 64 : 128;
  const uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
  for (int i = 0; i < 8; ++i) fim[tamanhoFim - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
  for (std::size_t i = 0; i < tamanhoFim; i += 64) ProcessaBloco(estado, fim.data() + i);

  static constexpr char kHex[] = "0123456789abcdef";
  std::string texto;
  texto.reserve(64);
  for (uint32_t palavra : estado) {
    for (int deslocamento = 28; deslocamento >= 0; deslocamento -= 4) texto += kHex[(palavra >> deslocamento) & 0xF];
  }
  return texto;
}

}  // namespace cl_import
