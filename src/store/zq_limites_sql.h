#pragma once

#include <cstddef>

// Longest texts, in bytes, that the master data may hold: what the fields of the
// records' plain structures keep. The company file refuses longer ones instead of
// cutting them.
namespace zq_limites {

inline constexpr std::size_t kCodigoEmpresa = 20;
inline constexpr std::size_t kNomeEmpresa = 100;
inline constexpr std::size_t kDocumento = 20;
inline constexpr std::size_t kCodigoFilial = 10;
inline constexpr std::size_t kNomeFilial = 60;
inline constexpr std::size_t kDescricaoFeriado = 60;
inline constexpr std::size_t kCodigoProprio = 30;
inline constexpr std::size_t kCodigoUsado = 30;
inline constexpr std::size_t kNomeConta = 60;
inline constexpr std::size_t kNomeBanco = 60;
inline constexpr std::size_t kNumeroAgencia = 15;
inline constexpr std::size_t kContaCorrente = 20;
inline constexpr std::size_t kDescricaoLeiaute = 35;
inline constexpr std::size_t kDescricaoFormaPagamento = 40;
inline constexpr std::size_t kNomeHistorico = 60;
inline constexpr std::size_t kCodigoMvtoBco = 4;
inline constexpr std::size_t kHistoricoBco = 61;

}  // namespace zq_limites
