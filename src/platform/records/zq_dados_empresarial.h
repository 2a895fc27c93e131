#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "platform/records/zq_base_dados.h"

// Records of the company's shared data: bank data of an account, chart of accounts,
// payment forms, standard histories, the accounting period, branch holidays and the
// accounting master.

// Online source of an account's statements.
enum ZQIntegrarComTerceiro : uint8_t {
  ZQ_INTEGRAR_NENHUM = 0,
  ZQ_INTEGRAR_TAVORIN = 1,
  ZQ_INTEGRAR_BANCO_BRASIL = 2,
};

// Operations the bank integration is enabled for (bit flags).
enum ZQTipoOperacaoBanco : uint32_t {
  ZQ_OPERACAO_NENHUMA = 0,
  ZQ_OPERACAO_COBRANCA = 1,
  ZQ_OPERACAO_PAGAMENTO = 2,
  ZQ_OPERACAO_EXTRATO = 4,
};
constexpr ZQTipoOperacaoBanco operator|(ZQTipoOperacaoBanco a, ZQTipoOperacaoBanco b) {
  return static_cast<ZQTipoOperacaoBanco>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}

// Environment of a bank integration.
enum ZQAmbienteIntegracao : uint8_t {
  ZQ_AMBIENTE_NENHUM = 0,
  ZQ_AMBIENTE_HOMOLOGACAO = 1,
  ZQ_AMBIENTE_PRODUCAO = 2,
};

struct REG_BANCOPS {
  uint32_t lPonteiroConta;   // the chart account of the bank account
  uint16_t iCodigoBanco;     // bank number (1 is Banco do Brasil)
  CZQString sNumeroAgencia;  // as the bank writes it, check digit included
  CZQString sContaCorrente;  // as the bank writes it, check digit included
  ZQIntegrarComTerceiro eIntegrarComTerceiro;
  ZQTipoOperacaoBanco eTipoOperacao;
  ZQAmbienteIntegracao eAmbienteIntegracao;
  ZQAmbienteIntegracao eAmbienteIntegracaoBBExtrato;
  int32_t lPosicaoLeiauteArquivo;  // layout of the files of its drop folder (0 = none)

  friend bool operator==(const REG_BANCOPS&, const REG_BANCOPS&) = default;
};

class CL_EXPORT CZQDadosDF_Banco : public T_ZQDadosRegistro<REG_BANCOPS> {
  ZQ_DECLARA_DADOS(CZQDadosDF_Banco, ZQ_MODULO_DF)

 public:
  CZQDadosDF_Banco() = default;
  ~CZQDadosDF_Banco() override;

  ZQ_CAMPO(CZQDadosDF_Banco, PonteiroConta, uint32_t, lPonteiroConta)
  ZQ_CAMPO(CZQDadosDF_Banco, CodigoBanco, uint16_t, iCodigoBanco)
  ZQ_CAMPO(CZQDadosDF_Banco, NumeroAgencia, CZQString, sNumeroAgencia)
  ZQ_CAMPO(CZQDadosDF_Banco, ContaCorrente, CZQString, sContaCorrente)
  ZQ_CAMPO(CZQDadosDF_Banco, IntegrarComTerceiro, ZQIntegrarComTerceiro, eIntegrarComTerceiro)
  ZQ_CAMPO(CZQDadosDF_Banco, TipoOperacao, ZQTipoOperacaoBanco, eTipoOperacao)
  ZQ_CAMPO(CZQDadosDF_Banco, AmbienteIntegracao, ZQAmbienteIntegracao, eAmbienteIntegracao)
  ZQ_CAMPO(CZQDadosDF_Banco, AmbienteIntegracaoBBExtrato, ZQAmbienteIntegracao, eAmbienteIntegracaoBBExtrato)
  ZQ_CAMPO(CZQDadosDF_Banco, PosicaoLeiauteArquivo, int32_t, lPosicaoLeiauteArquivo)
};

// Kinds of chart accounts.
inline constexpr uint8_t ZQ_TIPO_CONTA_ANALITICA = 'A';
inline constexpr uint8_t ZQ_TIPO_CONTA_SINTETICA = 'S';
inline constexpr char ZQ_TIPO_BANCO_SIM = 'S';

// An account of the company's chart (enterprise or management).
struct REG_PLANO_EMPRESARIALPS {
  uint32_t lPosicao;
  CZQString sCodigoProprio;  // the account's own code ("1.1.02.001")
  CZQString sCodigoUsado;    // the short code users type
  CZQString sNome;
  uint8_t ucTipo;     // 'A' analytic, 'S' synthetic
  uint8_t ucInativa;  // non-zero = inactive
  char cTipoBanco;    // 'S' = a bank account

  friend bool operator==(const REG_PLANO_EMPRESARIALPS&, const REG_PLANO_EMPRESARIALPS&) = default;
};

class CL_EXPORT CZQDadosDF_PlanoEmpresarial : public T_ZQDadosRegistro<REG_PLANO_EMPRESARIALPS> {
  ZQ_DECLARA_DADOS(CZQDadosDF_PlanoEmpresarial, ZQ_MODULO_DF)

 public:
  CZQDadosDF_PlanoEmpresarial() = default;
  ~CZQDadosDF_PlanoEmpresarial() override;

  ZQ_CAMPO(CZQDadosDF_PlanoEmpresarial, Posicao, uint32_t, lPosicao)
  ZQ_CAMPO(CZQDadosDF_PlanoEmpresarial, CodigoProprio, CZQString, sCodigoProprio)
  ZQ_CAMPO(CZQDadosDF_PlanoEmpresarial, CodigoUsado, CZQString, sCodigoUsado)
  ZQ_CAMPO(CZQDadosDF_PlanoEmpresarial, Nome, CZQString, sNome)
  ZQ_CAMPO(CZQDadosDF_PlanoEmpresarial, Tipo, uint8_t, ucTipo)
  ZQ_CAMPO(CZQDadosDF_PlanoEmpresarial, Inativa, uint8_t, ucInativa)
  ZQ_CAMPO(CZQDadosDF_PlanoEmpresarial, TipoBanco, char, cTipoBanco)

  // The account as users name it: "<code used> - <name>", or the name alone when the
  // account has no code of its own.
  CZQString GetCodigoUsado_Nome() const;
};

struct REG_FORMA_PAGAMENTOPS {
  uint32_t lPosicao;
  CZQString sDescricao;
  uint8_t ucInativa;

  friend bool operator==(const REG_FORMA_PAGAMENTOPS&, const REG_FORMA_PAGAMENTOPS&) = default;
};

class CL_EXPORT CZQDadosDF_FormaPagamento : public T_ZQDadosRegistro<REG_FORMA_PAGAMENTOPS> {
  ZQ_DECLARA_DADOS(CZQDadosDF_FormaPagamento, ZQ_MODULO_DF)

 public:
  CZQDadosDF_FormaPagamento() = default;
  ~CZQDadosDF_FormaPagamento() override;

  ZQ_CAMPO(CZQDadosDF_FormaPagamento, Posicao, uint32_t, lPosicao)
  ZQ_CAMPO(CZQDadosDF_FormaPagamento, Descricao, CZQString, sDescricao)
  ZQ_CAMPO(CZQDadosDF_FormaPagamento, Inativa, uint8_t, ucInativa)
};

// A standard history. A name with '*' asks the user for a complement, so automatic
// postings cannot use it without one.
struct REG_HISTORICOPS {
  uint32_t lPosicao;
  CZQString sNome;

  friend bool operator==(const REG_HISTORICOPS&, const REG_HISTORICOPS&) = default;
};

class CL_EXPORT CZQDadosDF_Historico : public T_ZQDadosRegistro<REG_HISTORICOPS> {
  ZQ_DECLARA_DADOS(CZQDadosDF_Historico, ZQ_MODULO_DF)

 public:
  CZQDadosDF_Historico() = default;
  ~CZQDadosDF_Historico() override;

  ZQ_CAMPO(CZQDadosDF_Historico, Posicao, uint32_t, lPosicao)
  ZQ_CAMPO(CZQDadosDF_Historico, Nome, CZQString, sNome)
};

// The accounting period open for movements, and the last month blocked for
// integration (a month index, 0 = none).
struct REG_PERIODO_CONTABILPS {
  REG_ZQDMA dmaInferiorMovimentacao;
  REG_ZQDMA dmaSuperiorMovimentacao;
  uint16_t iMesBloqueio;

  friend bool operator==(const REG_PERIODO_CONTABILPS&, const REG_PERIODO_CONTABILPS&) = default;
};

class CL_EXPORT CZQDadosDF_PeriodoContabil : public T_ZQDadosRegistro<REG_PERIODO_CONTABILPS> {
  ZQ_DECLARA_DADOS(CZQDadosDF_PeriodoContabil, ZQ_MODULO_DF)

 public:
  CZQDadosDF_PeriodoContabil() = default;
  ~CZQDadosDF_PeriodoContabil() override;

  ZQ_CAMPO(CZQDadosDF_PeriodoContabil, DataInferiorMovimentacao, REG_ZQDMA, dmaInferiorMovimentacao)
  ZQ_CAMPO(CZQDadosDF_PeriodoContabil, DataSuperiorMovimentacao, REG_ZQDMA, dmaSuperiorMovimentacao)
  ZQ_CAMPO(CZQDadosDF_PeriodoContabil, MesBloqueio, uint16_t, iMesBloqueio)
};

// A holiday of a branch. An annual holiday falls on the same day and month every year.
struct REG_FERIADOPS {
  uint32_t lPonteiroFilial;
  REG_ZQDMA dmaFeriado;
  bool bAnual;
  CZQString sDescricao;

  friend bool operator==(const REG_FERIADOPS&, const REG_FERIADOPS&) = default;
};

class CL_EXPORT CZQDadosDF_Feriado : public T_ZQDadosRegistro<REG_FERIADOPS> {
  ZQ_DECLARA_DADOS(CZQDadosDF_Feriado, ZQ_MODULO_DF)

 public:
  CZQDadosDF_Feriado() = default;
  ~CZQDadosDF_Feriado() override;

  ZQ_CAMPO(CZQDadosDF_Feriado, PonteiroFilial, uint32_t, lPonteiroFilial)
  ZQ_CAMPO(CZQDadosDF_Feriado, DataFeriado, REG_ZQDMA, dmaFeriado)
  ZQ_CAMPO(CZQDadosDF_Feriado, Anual, bool, bAnual)
  ZQ_CAMPO(CZQDadosDF_Feriado, Descricao, CZQString, sDescricao)
};

// The company's accounting master: who the company is and the dates it accepts
// accounting entries for.
struct REG_MESTRE_EMPRESAPS {
  CZQString sRazaoSocial;
  CZQString sCnpj;
  REG_ZQDMA dmaInferiorLancamento;
  REG_ZQDMA dmaSuperiorLancamento;

  friend bool operator==(const REG_MESTRE_EMPRESAPS&, const REG_MESTRE_EMPRESAPS&) = default;
};

class CL_EXPORT CZQDadosCN_MestreEmpresa : public T_ZQDadosRegistro<REG_MESTRE_EMPRESAPS> {
  ZQ_DECLARA_DADOS(CZQDadosCN_MestreEmpresa, ZQ_MODULO_CN)

 public:
  CZQDadosCN_MestreEmpresa() = default;
  ~CZQDadosCN_MestreEmpresa() override;

  ZQ_CAMPO(CZQDadosCN_MestreEmpresa, RazaoSocial, CZQString, sRazaoSocial)
  ZQ_CAMPO(CZQDadosCN_MestreEmpresa, Cnpj, CZQString, sCnpj)
  ZQ_CAMPO(CZQDadosCN_MestreEmpresa, DataInferiorLancamento, REG_ZQDMA, dmaInferiorLancamento)
  ZQ_CAMPO(CZQDadosCN_MestreEmpresa, DataSuperiorLancamento, REG_ZQDMA, dmaSuperiorLancamento)
};
