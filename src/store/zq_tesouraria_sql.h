#pragma once

#include <string>

#include "frame/zq_vector.h"
#include "platform/records/zq_dados_tesouraria.h"

namespace soci {
class session;
}

// Treasury entries as the store keeps them, shared by the finance area and the
// reconciliation search.
namespace zq_sql {

// An entry from its stored bytes; the position column is its identity.
tagREG_TESOURARIAPS DecodificaTesouraria(long long posicao, const std::string& estrutura);
// The entries a WHERE condition selects (without the word WHERE; empty = all), in date
// and position order, or in the store's order when `ordenadas` is false.
void LeEntradasTesouraria(soci::session& sql, const std::string& condicao, CZQVector<CZQDadosFN_Tesouraria>& entradas,
                          bool ordenadas = true);

// "Reconciled" of an entry: either side is.
inline constexpr const char* kTesourariaConciliada = "(conciliado_ent = 'S' OR conciliado_sai = 'S')";

}  // namespace zq_sql
