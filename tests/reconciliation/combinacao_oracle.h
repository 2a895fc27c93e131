#pragma once

// Plain, slow versions of the two amount-combination searches (a hash-map join, a
// recursive depth-first search) that the fast ones must agree with in every result.

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"

namespace oraculo_combinacao {

using ULONG32 = uint32_t;
using Candidatos = CZQVector<std::pair<ULONG32, tagCY>>;

inline tagCY Soma(tagCY a, tagCY b) { return static_cast<tagCY>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b)); }
inline tagCY Subtrai(tagCY a, tagCY b) {
  return static_cast<tagCY>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

inline const tagCY kZero = 0;

inline bool Backtracking(const Candidatos& candidatos, tagCY alvo, CZQVector<ULONG32>& resultado, ULONG32 posicao,
                         tagCY soma) {
  if (candidatos.GetQuantidade() < 2) return false;
  if (alvo == kZero) return false;
  if (soma == alvo) return true;
  if (soma > alvo) return false;
  if (posicao >= static_cast<uint64_t>(candidatos.GetQuantidade())) return false;
  resultado.Add(candidatos[posicao].first);
  if (Backtracking(candidatos, alvo, resultado, posicao + 1, Soma(soma, candidatos[posicao].second))) return true;
  resultado.RemoveAt(static_cast<size_t>(resultado.GetQuantidade() - 1));
  return Backtracking(candidatos, alvo, resultado, posicao + 1, soma);
}

struct SomaSubconjunto {
  tagCY soma = 0;
  CZQVector<ULONG32> ids;
};

// Every subset of the half in increasing mask order (bit 0 = first candidate),
// dropping those above the target; stops at the first exact one, left last.
inline bool EnumeraSomasMetade(const std::vector<std::pair<ULONG32, tagCY>>& metade, tagCY alvo,
                               std::vector<SomaSubconjunto>& lista) {
  const uint32_t k = static_cast<uint32_t>(metade.size());
  const uint64_t total = uint64_t{1} << k;
  lista.reserve(total);
  for (uint64_t mascara = 0; mascara < total; ++mascara) {
    SomaSubconjunto entrada;
    for (uint32_t bit = 0; bit < k; ++bit) {
      if ((mascara >> bit) & 1u) {
        entrada.soma = Soma(entrada.soma, metade[bit].second);
        entrada.ids.Add(metade[bit].first);
      }
    }
    if (entrada.soma > alvo) continue;
    lista.push_back(std::move(entrada));
    if (lista.back().soma == alvo) return true;
  }
  return false;
}

inline bool MeetInTheMiddle(const Candidatos& candidatos, tagCY alvo, CZQVector<ULONG32>& resultado) {
  const size_t n = static_cast<size_t>(candidatos.GetQuantidade());
  if (n < 2 || alvo == kZero) return false;
  const size_t h = n / 2;
  std::vector<std::pair<ULONG32, tagCY>> a(candidatos.begin(), candidatos.begin() + static_cast<long>(h));
  std::vector<std::pair<ULONG32, tagCY>> b(candidatos.begin() + static_cast<long>(h), candidatos.end());

  std::vector<SomaSubconjunto> listaA;
  if (EnumeraSomasMetade(a, alvo, listaA)) {
    resultado = listaA.back().ids;
    return true;
  }
  std::vector<SomaSubconjunto> listaB;
  if (EnumeraSomasMetade(b, alvo, listaB)) {
    resultado = listaB.back().ids;
    return true;
  }
  std::unordered_map<int64_t, CZQVector<ULONG32>> mapa;
  mapa.reserve(listaB.size());
  for (const SomaSubconjunto& entrada : listaB) mapa[entrada.soma] = entrada.ids;
  for (const SomaSubconjunto& entrada : listaA) {
    auto it = mapa.find(Subtrai(alvo, entrada.soma));
    if (it != mapa.end()) {
      CZQVector<ULONG32> escolhidos = entrada.ids;
      for (ULONG32 id : it->second) escolhidos.Add(id);
      resultado = escolhidos;
      return true;
    }
  }
  return false;
}

}  // namespace oraculo_combinacao
