#pragma once

#include <cstddef>
#include <unordered_map>

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
  void Indexa(std::size_t indice);

  CZQVector<CZQDadosCL_Extrato> m_lista;
  // Hash of a key -> its index in the list.
  std::unordered_multimap<std::size_t, std::size_t> m_indice;
};
