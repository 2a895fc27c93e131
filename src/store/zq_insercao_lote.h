#pragma once

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

namespace soci {
class session;
}

// The rows of one table written by a transaction, sent many to a statement: on a
// server every statement is a round trip, and a posting run writes thousands of rows.
//
//   CZQInsercaoEmLote lote(sql, "INSERT INTO t (a, b) VALUES", "(?, ?)");
//   for (...) lote << a << b, lote.FimLinha();
//   lote.Envia();
//
// Each `?` of the row is one value, given in order. A statement goes when it holds as
// many rows as fit under the parameter limit both databases accept, and at Envia. What
// the database throws reaches the caller, whose transaction undoes every row sent.
class CZQInsercaoEmLote {
 public:
  // `comeco` is the statement up to its rows, `linha` one row with a `?` per value,
  // `fim` what follows the rows (a join, for INSERT ... SELECT over a VALUES list).
  CZQInsercaoEmLote(soci::session& sessao, std::string comeco, std::string linha, std::string fim = {});

  CZQInsercaoEmLote& operator<<(long long valor);
  CZQInsercaoEmLote& operator<<(std::string valor);

  // Ends a row that has all its values; sends the statement when it is full.
  void FimLinha();
  // Sends the rows not sent yet (nothing when there are none).
  void Envia();

 private:
  std::string Texto(std::size_t linhas) const;

  soci::session& m_sessao;
  std::string m_comeco, m_linha, m_fim;
  std::size_t m_valoresPorLinha = 0, m_linhasPorComando = 1;
  std::vector<std::variant<long long, std::string>> m_valores;
  std::size_t m_linhas = 0;
  std::string m_textoCheio;  // the statement of a full batch, built once
};
