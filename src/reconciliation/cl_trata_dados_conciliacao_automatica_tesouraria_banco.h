#pragma once

#include <cstdint>
#include <utility>

#include "frame/cl_export.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"

// Finds, among candidate entries that each carry an amount, a combination whose
// amounts add up exactly to a target. Both searches are static: no instance needed.
// A routine like every rules class, though nothing of the base is offered to callers.
class CL_EXPORT CCLTrataDadosConciliacaoAutomaticaTesourariaBanco : CZQBaseParaRotinas {
 public:
  // Identifiers and positions are 32-bit unsigned on every platform.
  using ULONG32 = uint32_t;
  using Candidatos = CZQVector<std::pair<ULONG32, tagCY>>;

  CCLTrataDadosConciliacaoAutomaticaTesourariaBanco();
  virtual ~CCLTrataDadosConciliacaoAutomaticaTesourariaBanco();
  CCLTrataDadosConciliacaoAutomaticaTesourariaBanco(const CCLTrataDadosConciliacaoAutomaticaTesourariaBanco&);
  CCLTrataDadosConciliacaoAutomaticaTesourariaBanco& operator=(
      const CCLTrataDadosConciliacaoAutomaticaTesourariaBanco&);
  CCLTrataDadosConciliacaoAutomaticaTesourariaBanco& operator=(CCLTrataDadosConciliacaoAutomaticaTesourariaBanco&&);

  // Depth-first search from position ulPosicao with the running sum cySomaAtual:
  // takes a candidate before skipping it, so the first combination met wins. On
  // true the identifiers of the chosen candidates are appended to listaResultado
  // in list order; on false the list is left as it was.
  static bool FindCombinacaoValoresBacktracking(const Candidatos& listaCandidatos, tagCY cyAlvo,
                                                CZQVector<ULONG32>& listaResultado, ULONG32 ulPosicao,
                                                tagCY cySomaAtual);

  // Splits the list into two halves (the second takes the odd candidate), lists
  // the subset sums of each half and joins them. On true listaResultado is
  // replaced by the chosen identifiers (first half, then second, each in list
  // order); on false it is left as it was. A half holds at most 31 candidates:
  // longer lists yield false.
  static bool FindCombinacaoValoresMeetInTheMiddle(const Candidatos& listaCandidatos, tagCY cyAlvo,
                                                   CZQVector<ULONG32>& listaResultado);
};
