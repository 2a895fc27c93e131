#pragma once

#include <cstdint>
#include <utility>

#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"

// Inside of the depth-first amount-combination search, not exported.
namespace cl_combinacao {

// The search of FindCombinacaoValoresBacktracking, with the moment its table of
// final sums is built left open: after that many visited branches, or by its own
// rule when negative. The answer never depends on it, only the time.
bool BuscaBacktracking(const CZQVector<std::pair<uint32_t, tagCY>>& listaCandidatos, tagCY cyAlvo,
                       CZQVector<uint32_t>& listaResultado, uint32_t ulPosicao, tagCY cySomaAtual,
                       int64_t nosAntesDaTabela);

}  // namespace cl_combinacao
