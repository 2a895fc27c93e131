#pragma once

#include <memory>
#include <utility>

#include "store/zq_soci.h"

// A query an access object runs many times (once per entry of a posting run): prepared
// on first use with its values bound to the members of `V`, then only executed. Each run
// reads to the end of the rows, so that SQLite does not keep a read transaction open on
// the connection between calls. After a failure it is prepared again on the next use.
template <typename V>
class TZQConsultaPreparada {
 public:
  V valores;

  // `liga(sessao, valores)` returns the statement with the members bound. Calls `cada`
  // for every row; returns whether there was any.
  template <typename Liga, typename Cada>
  bool Executa(soci::session& sessao, Liga&& liga, Cada&& cada) {
    if (!m_st || m_sessao != &sessao) {
      m_st = std::make_unique<soci::statement>(liga(sessao, valores));
      m_sessao = &sessao;
    }
    try {
      m_st->execute(false);
      bool algum = false;
      while (m_st->fetch()) {
        algum = true;
        cada();
      }
      return algum;
    } catch (...) {
      m_st.reset();
      throw;
    }
  }

  // The first row only (the query selects by key).
  template <typename Liga>
  bool Executa(soci::session& sessao, Liga&& liga) {
    return Executa(sessao, std::forward<Liga>(liga), [] {});
  }

 private:
  std::unique_ptr<soci::statement> m_st;
  soci::session* m_sessao = nullptr;
};
