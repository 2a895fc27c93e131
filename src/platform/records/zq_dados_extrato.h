#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "platform/records/zq_base_dados.h"

// Statement lines, the import request, the statement filter and what an import hands
// back to its caller.

// A bank statement line. Texts are UTF-8 strings of any length; the server cuts them
// to its columns. The empty line has every field zero or empty.
struct tagREGEXT_BANPS {
  uint32_t lPosicao;            // given by the server that stored the line
  uint32_t lConta;              // bank account
  uint16_t iFilial;             // branch
  int64_t llDocumento;          // document number
  tagCY cyValor;                // amount, always the absolute value
  char cNatureza;               // '+' credit, '-' debit
  CZQString sHistBco;           // bank's history text
  CZQString sCodigoMvtoBco;     // bank's movement code
  REG_ZQDMA dmaExtrato;         // posting date
  REG_ZQDMA dmaImportacao;      // import date
  char cConciliado;             // 'S' once reconciled
  char cTipoConciliacao;        // how it was reconciled ('L': by automatic posting)
  uint32_t lNumeroConciliacao;  // reconciliation number

  friend bool operator==(const tagREGEXT_BANPS&, const tagREGEXT_BANPS&) = default;
};

inline constexpr char ZQ_NATUREZA_CREDITO = '+';
inline constexpr char ZQ_NATUREZA_DEBITO = '-';
inline constexpr char ZQ_CONCILIADO_SIM = 'S';
inline constexpr char ZQ_CONCILIADO_NAO = 'N';
inline constexpr char ZQ_TIPO_CONCILIACAO_LANCAMENTO = 'L';

class CL_EXPORT CZQDadosCL_Extrato : public T_ZQDadosRegistro<tagREGEXT_BANPS> {
  ZQ_DECLARA_DADOS(CZQDadosCL_Extrato, ZQ_MODULO_CL)

 public:
  CZQDadosCL_Extrato() = default;
  explicit CZQDadosCL_Extrato(const tagREGEXT_BANPS& reg) : T_ZQDadosRegistro(reg) {}
  ~CZQDadosCL_Extrato() override;
  // Moves that cannot throw, so that a growing list of a million lines moves them
  // instead of copying their texts (the destructor above would otherwise hide them).
  CZQDadosCL_Extrato(const CZQDadosCL_Extrato&) = default;
  CZQDadosCL_Extrato(CZQDadosCL_Extrato&&) noexcept = default;
  CZQDadosCL_Extrato& operator=(const CZQDadosCL_Extrato&) = default;
  CZQDadosCL_Extrato& operator=(CZQDadosCL_Extrato&&) noexcept = default;

  // The position is the server's: it comes with a line read back and with a line
  // stored (GravaExtrato), and only the server sets it (SetChaveRegistro, with the position as code).
  uint32_t GetPosicao() const { return m_reg.lPosicao; }

  ZQ_CAMPO(CZQDadosCL_Extrato, Conta, uint32_t, lConta)
  ZQ_CAMPO(CZQDadosCL_Extrato, Filial, uint16_t, iFilial)
  ZQ_CAMPO(CZQDadosCL_Extrato, Documento, int64_t, llDocumento)
  ZQ_CAMPO(CZQDadosCL_Extrato, Valor, tagCY, cyValor)
  ZQ_CAMPO(CZQDadosCL_Extrato, Natureza, char, cNatureza)
  ZQ_CAMPO(CZQDadosCL_Extrato, HistBco, CZQString, sHistBco)
  ZQ_CAMPO(CZQDadosCL_Extrato, CodigoMvtoBco, CZQString, sCodigoMvtoBco)
  ZQ_CAMPO(CZQDadosCL_Extrato, DmaExtrato, REG_ZQDMA, dmaExtrato)
  ZQ_CAMPO(CZQDadosCL_Extrato, DmaImportacao, REG_ZQDMA, dmaImportacao)
  ZQ_CAMPO(CZQDadosCL_Extrato, Conciliado, char, cConciliado)
  ZQ_CAMPO(CZQDadosCL_Extrato, TipoConciliacao, char, cTipoConciliacao)
  ZQ_CAMPO(CZQDadosCL_Extrato, NumeroConciliacao, uint32_t, lNumeroConciliacao)

  // Key of the line: its posting date and its position.
  REG_ZQDMC OnGetChave() const override { return ZQMontaDmc(m_reg.dmaExtrato, m_reg.lPosicao); }
  void OnSetChave(REG_ZQDMC chave) override { m_reg.lPosicao = chave.codigo; }
};

// An import request: one account and branch, a period, the layout and, for a file
// import, the file. The seven flags (non-zero = set) choose the duplicate check and
// the fields of its key.
struct REG_FILTRO_IMPORTACAO_EXTRATOPS {
  uint32_t lConta;
  uint32_t lFilial;
  REG_ZQDMA dmaInicial;
  REG_ZQDMA dmaFinal;
  CZQString sLeiaute;       // layout name ("Importação Online" for online imports)
  CZQString sArquivo;       // file of a file import
  int32_t lPosicaoLeiaute;  // layout key, 0 = none
  int32_t iVerificaDuplicidade;
  int32_t iVerificaData;
  int32_t iVerificaValor;
  int32_t iVerificaDocumento;
  int32_t iVerificaSinal;
  int32_t iVerificaCodigoMovimento;
  int32_t iVerificaDescricaoMovimento;

  friend bool operator==(const REG_FILTRO_IMPORTACAO_EXTRATOPS&, const REG_FILTRO_IMPORTACAO_EXTRATOPS&) = default;
};

// Name of the layout of online imports.
inline constexpr const char ZQ_LEIAUTE_IMPORTACAO_ONLINE[] = "Importação Online";

class CL_EXPORT CZQDadosCL_FiltroImportacaoExtrato : public T_ZQDadosRegistro<REG_FILTRO_IMPORTACAO_EXTRATOPS> {
  ZQ_DECLARA_DADOS(CZQDadosCL_FiltroImportacaoExtrato, ZQ_MODULO_CL)

 public:
  CZQDadosCL_FiltroImportacaoExtrato() = default;
  ~CZQDadosCL_FiltroImportacaoExtrato() override;

  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, Conta, uint32_t, lConta)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, Filial, uint32_t, lFilial)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, DataInicial, REG_ZQDMA, dmaInicial)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, DataFinal, REG_ZQDMA, dmaFinal)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, Leiaute, CZQString, sLeiaute)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, Arquivo, CZQString, sArquivo)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, PosicaoLeiaute, int32_t, lPosicaoLeiaute)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, VerificaDuplicidade, int32_t, iVerificaDuplicidade)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, VerificaData, int32_t, iVerificaData)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, VerificaValor, int32_t, iVerificaValor)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, VerificaDocumento, int32_t, iVerificaDocumento)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, VerificaSinal, int32_t, iVerificaSinal)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, VerificaCodigoMovimento, int32_t, iVerificaCodigoMovimento)
  ZQ_CAMPO(CZQDadosCL_FiltroImportacaoExtrato, VerificaDescricaoMovimento, int32_t, iVerificaDescricaoMovimento)
};

// Which stored statement lines to search. A zero (or empty) field does not filter.
struct REG_FILTRO_EXTRATOPS {
  uint32_t lConta;
  uint32_t lFilial;             // a line keeps the low 16 bits of its branch
  REG_ZQDMA dmaInicial;         // posting date from (inclusive)
  REG_ZQDMA dmaFinal;           // posting date to (inclusive)
  char cConciliado;             // 'S' reconciled only, 'N' open only (anything but 'S'), 0 both
  char cTipoConciliacao;        // 0 any
  uint32_t lNumeroConciliacao;  // 0 any

  friend bool operator==(const REG_FILTRO_EXTRATOPS&, const REG_FILTRO_EXTRATOPS&) = default;
};

class CL_EXPORT CZQDadosCL_FiltroExtrato : public T_ZQDadosRegistro<REG_FILTRO_EXTRATOPS> {
  ZQ_DECLARA_DADOS(CZQDadosCL_FiltroExtrato, ZQ_MODULO_CL)

 public:
  CZQDadosCL_FiltroExtrato() = default;
  ~CZQDadosCL_FiltroExtrato() override;

  ZQ_CAMPO(CZQDadosCL_FiltroExtrato, Conta, uint32_t, lConta)
  ZQ_CAMPO(CZQDadosCL_FiltroExtrato, Filial, uint32_t, lFilial)
  ZQ_CAMPO(CZQDadosCL_FiltroExtrato, DataInicial, REG_ZQDMA, dmaInicial)
  ZQ_CAMPO(CZQDadosCL_FiltroExtrato, DataFinal, REG_ZQDMA, dmaFinal)
  ZQ_CAMPO(CZQDadosCL_FiltroExtrato, Conciliado, char, cConciliado)
  ZQ_CAMPO(CZQDadosCL_FiltroExtrato, TipoConciliacao, char, cTipoConciliacao)
  ZQ_CAMPO(CZQDadosCL_FiltroExtrato, NumeroConciliacao, uint32_t, lNumeroConciliacao)

  // The lines of the request's account, branch and period, reconciled or not.
  CZQDadosCL_FiltroExtrato& SetFiltroImportacao(const CZQDadosCL_FiltroImportacaoExtrato& filtro);
};

// What an import hands back to its caller: the inconsistency type and the path of
// the error report (empty when nothing was rejected with a warning).
struct REG_EXTRA_INFO_BASEPS {
  uint32_t lTipoInconsistencia;
  CZQString sCaminhoArquivoErros;

  friend bool operator==(const REG_EXTRA_INFO_BASEPS&, const REG_EXTRA_INFO_BASEPS&) = default;
};

class CL_EXPORT CZQDadosCL_ExtraInfoBase : public T_ZQDadosRegistro<REG_EXTRA_INFO_BASEPS> {
  ZQ_DECLARA_DADOS(CZQDadosCL_ExtraInfoBase, ZQ_MODULO_CL)

 public:
  CZQDadosCL_ExtraInfoBase() = default;
  ~CZQDadosCL_ExtraInfoBase() override;

  ZQ_CAMPO(CZQDadosCL_ExtraInfoBase, TipoInconsistencia, uint32_t, lTipoInconsistencia)
  ZQ_CAMPO(CZQDadosCL_ExtraInfoBase, CaminhoArquivoErros, CZQString, sCaminhoArquivoErros)
};
