#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "store/zq_banco_sql.h"

// Rows a posting run reads for every line (the plan account, the table key of the
// account and branch, the treasury entries of the day), kept by an access object from
// one transaction boundary of the connection to the next. Whatever a transaction wrote
// or undid may change them, so a begin, commit or rollback on the connection, of a
// savepoint too, forgets them all: a rolled-back row is never served from here, and an
// entry written in the transaction that read the day is seen by the next read. Between
// boundaries the run holds its entries in memory and writes them in the next
// transaction, so it has been working from what it read anyway.
template <typename K, typename V>
class TZQLembradoNaTransacao {
 public:
  // The value kept for `chave` since the connection's last boundary, or null.
  const V* Acha(const CZQBancoSQL& banco, const K& chave) {
    Confere(banco);
    auto it = m_valores.find(chave);
    return it == m_valores.end() ? nullptr : &it->second;
  }

  void Guarda(const CZQBancoSQL& banco, const K& chave, V valor) {
    Confere(banco);
    m_valores.insert_or_assign(chave, std::move(valor));
  }

  // The value kept for `chave`, else the one `le(valor)` reads, kept from then on; null
  // (and nothing kept) when `le` answers false.
  template <typename F>
  const V* AchaOuLe(const CZQBancoSQL& banco, const K& chave, F&& le) {
    if (const V* kept = Acha(banco, chave)) return kept;
    V lido{};
    if (!le(lido)) return nullptr;
    Confere(banco);
    return &m_valores.insert_or_assign(chave, std::move(lido)).first->second;
  }

 private:
  void Confere(const CZQBancoSQL& banco) {
    if (m_fronteira != banco.GetFronteiras()) {
      m_valores.clear();
      m_fronteira = banco.GetFronteiras();
    }
  }

  std::map<K, V> m_valores;
  uint64_t m_fronteira = 0;
};
