#pragma once

#include <cstddef>
#include <vector>

#include "frame/zq_vector.h"
#include "platform/records/zq_dados_extrato.h"

// The duplicate keys an import knows: the list, and a hash of every field of each key
// so that asking for a key costs the same whatever the number of keys. "Contains" means
// exactly what a search of the list by record equality would answer.
class CCLChavesExtrato {
 public:
  CCLChavesExtrato() = default;

  bool Contem(const CZQDadosCL_Extrato& chave) const;
  // Appends the key (an equal key may be there already).
  void Adiciona(const CZQDadosCL_Extrato& chave);
  // Appends the key unless an equal one is there; true when it was appended.
  bool AdicionaSeNova(const CZQDadosCL_Extrato& chave);
  // Turns the history text of every key to upper case.
  void HistoricoEmMaiusculas();

  const CZQVector<CZQDadosCL_Extrato>& GetLista() const { return m_lista; }
  long GetQuantidade() const { return m_lista.GetQuantidade(); }
  bool IsEmpty() const { return m_lista.IsEmpty(); }
  void Reserva(std::size_t quantidade);

  static std::size_t Hash(const CZQDadosCL_Extrato& chave);

 private:
  // One place of the index: a key's hash and its index in the list plus one (0: free).
  struct Vaga {
    std::size_t hash = 0;
    std::size_t indiceMaisUm = 0;
  };

  void Indexa(std::size_t indice);
  // Rebuilds the index with `vagas` places (a power of two), from the hashes it holds.
  void Redimensiona(std::size_t vagas);
  std::size_t Inicio(std::size_t hash) const;

  CZQVector<CZQDadosCL_Extrato> m_lista;
  // Open addressing, at most half full: a million keys cost no allocation each, and a
  // search reads one run of adjacent places.
  std::vector<Vaga> m_vagas;
  std::size_t m_bitsVagas = 0;
};
