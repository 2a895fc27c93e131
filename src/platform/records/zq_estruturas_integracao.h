#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "frame/zq_tipos.h"
#include "platform/records/zq_estruturas_tesouraria.h"

// Plain structures of the integration server's transaction. Layouts are the
// server's; every byte not named is reserved and zero in what this library sends.

// Origin type of what the reconciliation posts.
inline constexpr uint16_t ZQ_TIPO_ORIGEM_CONCILIACAO = 24;

// Opens a transaction.
struct regNovaTransacaoPS {
  uint16_t iTipoOrigem;     // 0: origin type (24)
  uint16_t iTipoTransacao;  // 2: kind of transaction (4)
  uint8_t reservado4[36];
};
static_assert(sizeof(regNovaTransacaoPS) == 40);
static_assert(std::is_trivially_copyable_v<regNovaTransacaoPS> && std::is_standard_layout_v<regNovaTransacaoPS>);
static_assert(offsetof(regNovaTransacaoPS, iTipoTransacao) == 2);

// Origin of an entry: the statement line's position shifted over the origin type,
// and the table key of the line's account and branch. Six bytes, as the server packs it.
#pragma pack(push, 2)
struct ChaveOrigem {
  uint32_t lPosicaoTipo;  // 0: (position << 8) | origin type
  uint16_t iChaveTabela;  // 4: table key

  friend bool operator==(const ChaveOrigem&, const ChaveOrigem&) = default;
};
#pragma pack(pop)
static_assert(sizeof(ChaveOrigem) == 6);
static_assert(std::is_trivially_copyable_v<ChaveOrigem> && std::is_standard_layout_v<ChaveOrigem>);
static_assert(offsetof(ChaveOrigem, iChaveTabela) == 4);

constexpr ChaveOrigem ZQMontaChaveOrigem(uint32_t posicaoExtrato, uint16_t chaveTabela,
                                         uint8_t tipoOrigem = ZQ_TIPO_ORIGEM_CONCILIACAO) {
  return ChaveOrigem{(posicaoExtrato << 8) | tipoOrigem, chaveTabela};
}
constexpr uint8_t ZQTipoDaChaveOrigem(const ChaveOrigem& chave) {
  return static_cast<uint8_t>(chave.lPosicaoTipo & 0xFFu);
}
constexpr uint32_t ZQPosicaoDaChaveOrigem(const ChaveOrigem& chave) { return chave.lPosicaoTipo >> 8; }

// Treasury part of one entry of the transaction.
struct RegSetTesouraria {
  tagREG_TESOURARIAPS RegTesouraria;  // 0: the entry
  ChaveOrigem chaveOrigem;            // 296
  uint8_t reservado302[2];
  uint8_t reservado304[8];       // 304: zero
  uint32_t lNumeroSessao;        // 312: session of the routine
  uint32_t lQuantidadeExtratos;  // 316: statement lines in the transaction so far
  uint16_t iTipoLancamento;      // 320: 1
  uint8_t reservado322[6];
  BSTR bstrComplemento;  // 328: history complement (owned by the caller)
  uint8_t reservado336[8];
};
static_assert(sizeof(RegSetTesouraria) == 344);
static_assert(std::is_trivially_copyable_v<RegSetTesouraria> && std::is_standard_layout_v<RegSetTesouraria>);
static_assert(offsetof(RegSetTesouraria, chaveOrigem) == 296);
static_assert(offsetof(RegSetTesouraria, reservado304) == 304);
static_assert(offsetof(RegSetTesouraria, lNumeroSessao) == 312);
static_assert(offsetof(RegSetTesouraria, lQuantidadeExtratos) == 316);
static_assert(offsetof(RegSetTesouraria, iTipoLancamento) == 320);
static_assert(offsetof(RegSetTesouraria, bstrComplemento) == 328);

// Answer of the treasury part; this library does not read it.
struct RegFNRetorno {
  int32_t lCodigoRetorno;
  uint32_t lPosicaoReg;  // position the entry will take in the treasury
  uint8_t reservado8[8];
};
static_assert(sizeof(RegFNRetorno) == 16);

// Accounting part of one entry.
struct RegContasContabil {
  tagCY cyValor;  // 0
  uint8_t reservado8[8];
  uint32_t lPosClassificacao;  // 16: the entry's second classification field
  uint8_t reservado20[4];
  uint32_t lQuantidadeExtratos;  // 24: statement lines in the transaction so far
  uint16_t iPonteiroFilial;      // 28
  uint8_t reservado30[18];
};
static_assert(sizeof(RegContasContabil) == 48);
static_assert(std::is_trivially_copyable_v<RegContasContabil> && std::is_standard_layout_v<RegContasContabil>);
static_assert(offsetof(RegContasContabil, lPosClassificacao) == 16);
static_assert(offsetof(RegContasContabil, lQuantidadeExtratos) == 24);
static_assert(offsetof(RegContasContabil, iPonteiroFilial) == 28);

// Share of one active management account of the entry's classification.
struct RegContasGerencial {
  uint8_t abValor[8];  // 0: first 8 bytes of the classification's management record
  uint8_t reservado8[8];
  uint32_t lPonteiroCentroCusto;  // 16: the management record's u32 at 16
  uint32_t lContaGerencial;       // 20: the management record's u32 at 20
  uint32_t lQuantidadeExtratos;   // 24: statement lines in the transaction so far
  uint8_t ucOrigem;               // 28: 1
  uint8_t reservado29[11];
};
static_assert(sizeof(RegContasGerencial) == 40);
static_assert(std::is_trivially_copyable_v<RegContasGerencial> && std::is_standard_layout_v<RegContasGerencial>);
static_assert(offsetof(RegContasGerencial, lPonteiroCentroCusto) == 16);
static_assert(offsetof(RegContasGerencial, lContaGerencial) == 20);
static_assert(offsetof(RegContasGerencial, lQuantidadeExtratos) == 24);
static_assert(offsetof(RegContasGerencial, ucOrigem) == 28);

// Records the transaction.
struct RegGravaIntegracao {
  uint8_t reservado0[16];
  uint16_t iConfirma;  // 16: 1
  uint8_t reservado18[22];
  uint64_t ullReferenciaOrigem;  // 40: packed origin reference (below)
};
static_assert(sizeof(RegGravaIntegracao) == 48);
static_assert(std::is_trivially_copyable_v<RegGravaIntegracao> && std::is_standard_layout_v<RegGravaIntegracao>);
static_assert(offsetof(RegGravaIntegracao, iConfirma) == 16);
static_assert(offsetof(RegGravaIntegracao, ullReferenciaOrigem) == 40);

// Origin reference of a recorded transaction: bits 0-1 the kind (2), bits 2-13 the
// origin type, bits 14-45 the statement line position, bits 46-63 the table key.
inline constexpr uint64_t ZQ_REFERENCIA_ORIGEM_TIPO = 2;

constexpr uint64_t ZQMontaReferenciaOrigem(uint32_t posicao, uint16_t tipoOrigem, uint32_t chaveTabela) {
  return (ZQ_REFERENCIA_ORIGEM_TIPO & 0x3u) | ((static_cast<uint64_t>(tipoOrigem) & 0xFFFu) << 2) |
         (static_cast<uint64_t>(posicao) << 14) | ((static_cast<uint64_t>(chaveTabela) & 0x3FFFFu) << 46);
}
constexpr uint64_t ZQReferenciaOrigemDaChave(const ChaveOrigem& chave) {
  return ZQMontaReferenciaOrigem(ZQPosicaoDaChaveOrigem(chave), ZQTipoDaChaveOrigem(chave), chave.iChaveTabela);
}
constexpr uint32_t ZQTipoDaReferencia(uint64_t ref) { return static_cast<uint32_t>(ref & 0x3u); }
constexpr uint16_t ZQTipoOrigemDaReferencia(uint64_t ref) { return static_cast<uint16_t>((ref >> 2) & 0xFFFu); }
constexpr uint32_t ZQPosicaoDaReferencia(uint64_t ref) { return static_cast<uint32_t>((ref >> 14) & 0xFFFFFFFFu); }
constexpr uint32_t ZQChaveTabelaDaReferencia(uint64_t ref) { return static_cast<uint32_t>(ref >> 46); }

// Answer of GravaIntegracao: the first u32 is the integration's return code.
inline constexpr uint32_t ZQ_RETORNO_INTEGRACAO_FALHA_GRAVACAO = 172;
struct RegRetorno {
  uint32_t lCodigoRetorno;
  uint32_t lNumeroTransacao;
  uint8_t reservado8[8];
};
static_assert(sizeof(RegRetorno) == 16);
static_assert(offsetof(RegRetorno, lCodigoRetorno) == 0);
