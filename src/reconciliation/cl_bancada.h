#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/cl_export.h"
#include "frame/zq_erro.h"
#include "frame/zq_tipos.h"
#include "platform/access/zq_acesso_conciliacao.h"

// The workbench where a person finishes what the services left open on an
// account: the open statement lines and treasury entries side by side, and
// proposals of which of them belong together.

// One open item: a statement line or a treasury entry, its amount signed from
// the account's side (credits positive).
struct CLItemAberto {
  uint32_t posicao = 0;
  REG_ZQDMA data = 0;
  tagCY valor = 0;
  std::string documento;  // empty when the item carries none
  std::string historico;  // the bank's text of a line; entries have none
  std::string codigo;     // the bank's movement code of a line
};

struct CLAbertos {
  uint32_t conta = 0;
  std::vector<CLItemAberto> linhas;    // in date order, then position
  std::vector<CLItemAberto> entradas;  // in date order, then position
  tagCY totalLinhas = 0;
  tagCY totalEntradas = 0;
};

// Reads the open lines and entries of an account (and branch, 0 = every branch)
// dated from `de` to `ate`. On failure `erro` holds the store's reason and
// `abertos` is empty.
CL_EXPORT HRESULT CLLeAbertos(CZQAcessoConciliacao& acesso, uint32_t conta, uint32_t filial, REG_ZQDMA de,
                              REG_ZQDMA ate, CLAbertos& abertos, CZQDadosDF_Erro& erro);

// How far suggestions look: dates at most `dias` apart, combinations drawn from
// the `maxCandidatos` items closest in date, the depth-first search up to
// `limiteBacktracking` candidates and the split search above it.
struct CLParametrosSugestao {
  long dias = 5;
  long maxCandidatos = 24;
  long limiteBacktracking = 12;
};

// The same keys the store's reconciliation reads, so both look equally far.
CL_EXPORT CLParametrosSugestao CLLeParametrosSugestao();

// A proposal: these lines belong with these entries (their signed totals are
// equal).
struct CLSugestao {
  std::vector<uint32_t> linhas;
  std::vector<uint32_t> entradas;
  int pontos = 0;                   // higher is surer
  std::vector<std::string> razoes;  // why, in words a person reads
};

// Proposals for the open items, best first: one to one, then one line against a
// combination of entries, then one entry against a combination of lines. No
// line or entry appears in two proposals. Ties are broken by position, so the
// same open items give the same answer.
CL_EXPORT std::vector<CLSugestao> CLSugere(const CLAbertos& abertos, const CLParametrosSugestao& parametros);
