#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "platform/records/zq_texto_fixo.h"

// Plain structures of the reconciliation master and import-layout servers. Their
// byte layout is the servers': sizes and offsets are checked below. Bytes this
// library does not read are kept as reserved fields and passed on as they come.

// A posting rule: which treasury entry to generate for a statement line that has no
// counterpart in the treasury. Texts are NUL-terminated.
struct _REG_PROP_CONC_TESBAN_PS {
  ZQTextoFixo<5> szCodigoMvtoBco;  // bank movement code the rule answers to
  ZQTextoFixo<62> szHistoricoBco;  // bank history text the rule answers to (a prefix)
  char cAgrupa;                    // 'A': consecutive lines of a date and sign make one entry
  uint8_t reservado68[14];
  uint16_t iTransacao;               // treasury transaction code
  uint16_t iPosFormaPagamento;       // payment form of credit lines
  uint16_t iComplHistorico;          // history complement type, 0 to 10
  uint16_t iContabilSaida;           // accounting code of debit lines
  uint16_t lHistorico;               // standard history code
  uint16_t iPosFormaPagamentoSaida;  // payment form of debit lines
  uint16_t iContabilEntrada;         // accounting code of credit lines
  uint32_t lPosClassificacao;        // classification account in the chart of accounts
  uint32_t lContaContrapartida;      // treasury account on the other side of the entry
  uint32_t lPonteiroConta;           // bank account of the rule; 0 = every account
  uint8_t reservado108[4];

  friend bool operator==(const _REG_PROP_CONC_TESBAN_PS&, const _REG_PROP_CONC_TESBAN_PS&) = default;
};

static_assert(sizeof(_REG_PROP_CONC_TESBAN_PS) == 112);
static_assert(std::is_trivially_copyable_v<_REG_PROP_CONC_TESBAN_PS>);
static_assert(std::is_standard_layout_v<_REG_PROP_CONC_TESBAN_PS>);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, szCodigoMvtoBco) == 0);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, szHistoricoBco) == 5);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, cAgrupa) == 67);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, iTransacao) == 82);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, iPosFormaPagamento) == 84);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, iComplHistorico) == 86);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, iContabilSaida) == 88);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, lHistorico) == 90);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, iPosFormaPagamentoSaida) == 92);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, iContabilEntrada) == 94);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, lPosClassificacao) == 96);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, lContaContrapartida) == 100);
static_assert(offsetof(_REG_PROP_CONC_TESBAN_PS, lPonteiroConta) == 104);

// An import layout as the import-layout server hands it out. The reader of statement
// files uses the two line counts; the rest describes the layout.
struct RegLeiauteps {
  int32_t lPosicao;     // layout position (key)
  uint8_t ucSeparador;  // field separator kind; 7 marks a layout that names its account
  uint8_t ucTipoArquivo;
  uint8_t reservado6[10];
  uint16_t iLinhasCabecalho;  // lines dropped at the start of a file
  uint16_t iLinhasRodape;     // lines dropped at the end of a file
  ZQTextoFixo<36> szDescricao;

  friend bool operator==(const RegLeiauteps&, const RegLeiauteps&) = default;
};

static_assert(sizeof(RegLeiauteps) == 56);
static_assert(std::is_trivially_copyable_v<RegLeiauteps>);
static_assert(std::is_standard_layout_v<RegLeiauteps>);
static_assert(offsetof(RegLeiauteps, iLinhasCabecalho) == 16);
static_assert(offsetof(RegLeiauteps, iLinhasRodape) == 18);
