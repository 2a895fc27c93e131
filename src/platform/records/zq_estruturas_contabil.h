#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "frame/zq_tipos.h"
#include "platform/records/zq_texto_fixo.h"

// Plain structures of the ERP's chart-of-accounts connection, account
// classification and transaction names, as the posting run reads them.

// A chart-of-accounts record as the chart connection fills it.
struct _RegContaPS {
  uint32_t lPosicao;                // 0: account position
  uint32_t lPosicaoPai;             // 4
  ZQTextoFixo<40> szCodigoProprio;  // 8
  ZQTextoFixo<52> szCodigoUsado;    // 48
  ZQTextoFixo<101> szNome;          // 100: the account's name (history complement type 9)
  uint8_t ucTipo;                   // 201: 'A' analytic, 'S' synthetic
  uint8_t ucInativa;                // 202
  uint8_t reservado203[46];
  uint8_t ucInutilizavel;  // 249: non-zero = not usable for postings
  uint8_t reservado250[6];
};
static_assert(sizeof(_RegContaPS) == 256);
static_assert(std::is_trivially_copyable_v<_RegContaPS> && std::is_standard_layout_v<_RegContaPS>);
static_assert(offsetof(_RegContaPS, szNome) == 100);
static_assert(offsetof(_RegContaPS, ucInutilizavel) == 249);

// A management-account share of a classification.
struct tagRegGerencial_ps {
  tagCY cyValor;                  // 0: share of the amount
  tagCY cyPercentual;             // 8: share in ten-thousandths of a percent
  uint32_t lPonteiroCentroCusto;  // 16
  uint32_t ContaGerencial;        // 20: management account
};
static_assert(sizeof(tagRegGerencial_ps) == 24);
static_assert(std::is_trivially_copyable_v<tagRegGerencial_ps> && std::is_standard_layout_v<tagRegGerencial_ps>);
static_assert(offsetof(tagRegGerencial_ps, lPonteiroCentroCusto) == 16);
static_assert(offsetof(tagRegGerencial_ps, ContaGerencial) == 20);

// A classification request: account and amount.
struct _FN_REG_CONTABILPS {
  tagCY cyValor;
  uint32_t lPosClassificacao;
  uint8_t reservado12[4];
};
static_assert(sizeof(_FN_REG_CONTABILPS) == 16);
static_assert(std::is_trivially_copyable_v<_FN_REG_CONTABILPS> && std::is_standard_layout_v<_FN_REG_CONTABILPS>);

// A treasury transaction and its name.
struct REG_TRANSACAO {
  uint16_t iCodigo;             // 0
  ZQTextoFixo<62> szDescricao;  // 2: the text that follows the code
};
static_assert(sizeof(REG_TRANSACAO) == 64);
static_assert(std::is_trivially_copyable_v<REG_TRANSACAO> && std::is_standard_layout_v<REG_TRANSACAO>);
static_assert(offsetof(REG_TRANSACAO, szDescricao) == 2);
