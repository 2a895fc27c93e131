#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"
#include "platform/records/zq_base_dados.h"

// Records of the external-system query middleware: the query, the Banco do Brasil
// statement request and answer, and the status answer of the Tavorin service.

// What a query asks for.
enum ZQTipoConsultaSistemaTerceiro : uint32_t {
  ZQ_CONSULTA_NENHUMA = 0,
  ZQ_CONSULTA_EXTRATO_TAVORIN = 6,
  ZQ_CONSULTA_EXTRATO_BANCO_BRASIL = 15,
};

// How the auxiliary pointer of a query is read.
inline constexpr uint8_t ZQ_PONTEIRO_AUXILIAR_CONTA_BANCO = 1;
// Scope of the Banco do Brasil statement query.
inline constexpr uint32_t ZQ_SCOPE_EXTRATO_BANCO_BRASIL = 12;

struct REG_CONSULTA_SISTEMA_TERCEIROPS {
  ZQTipoConsultaSistemaTerceiro eTipoConsulta;
  uint8_t ucTipoPonteiroAuxiliar;
  uint32_t lPonteiroAuxiliar;  // the bank account queried
  uint32_t lScope;
  CZQString sChaveConsulta;  // request path or query string

  friend bool operator==(const REG_CONSULTA_SISTEMA_TERCEIROPS&, const REG_CONSULTA_SISTEMA_TERCEIROPS&) = default;
};

class CL_EXPORT CZQDadosCR_ConsultaSistemaTerceiro : public T_ZQDadosRegistro<REG_CONSULTA_SISTEMA_TERCEIROPS> {
  ZQ_DECLARA_DADOS(CZQDadosCR_ConsultaSistemaTerceiro, ZQ_MODULO_CR)

 public:
  CZQDadosCR_ConsultaSistemaTerceiro() = default;
  ~CZQDadosCR_ConsultaSistemaTerceiro() override;

  ZQ_CAMPO(CZQDadosCR_ConsultaSistemaTerceiro, TipoConsulta, ZQTipoConsultaSistemaTerceiro, eTipoConsulta)
  ZQ_CAMPO(CZQDadosCR_ConsultaSistemaTerceiro, TipoPonteiroAuxiliar, uint8_t, ucTipoPonteiroAuxiliar)
  ZQ_CAMPO(CZQDadosCR_ConsultaSistemaTerceiro, PonteiroAuxiliar, uint32_t, lPonteiroAuxiliar)
  ZQ_CAMPO(CZQDadosCR_ConsultaSistemaTerceiro, Scope, uint32_t, lScope)
  ZQ_CAMPO(CZQDadosCR_ConsultaSistemaTerceiro, ChaveConsulta, CZQString, sChaveConsulta)
};

// Page sizes the Banco do Brasil statement service accepts.
inline constexpr uint32_t ZQ_BB_REGISTROS_PAGINA_MINIMO = 50;
inline constexpr uint32_t ZQ_BB_REGISTROS_PAGINA_MAXIMO = 200;

// The Banco do Brasil statement request: agency and account as the bank record holds
// them, the period and the page. MontaPathRequisicao turns it into the request path.
struct REG_FILTRO_CONSULTA_EXTRATO_BBPS {
  CZQString sAgencia;
  CZQString sConta;
  REG_ZQDMA dmaInicioSolicitacao;
  REG_ZQDMA dmaFimSolicitacao;
  uint32_t lNumeroPaginaSolicitacao;              // from 1; 0 reads as 1
  uint32_t lQuantidadeRegistroPaginaSolicitacao;  // 50 to 200 (brought into range); 0 reads as 200
  CZQString sPathRequisicao;

  friend bool operator==(const REG_FILTRO_CONSULTA_EXTRATO_BBPS&, const REG_FILTRO_CONSULTA_EXTRATO_BBPS&) = default;
};

class CL_EXPORT CZQDadosCR_FiltroConsultaExtratoBancoBrasil
    : public T_ZQDadosRegistro<REG_FILTRO_CONSULTA_EXTRATO_BBPS> {
  ZQ_DECLARA_DADOS(CZQDadosCR_FiltroConsultaExtratoBancoBrasil, ZQ_MODULO_CR)

 public:
  CZQDadosCR_FiltroConsultaExtratoBancoBrasil() = default;
  ~CZQDadosCR_FiltroConsultaExtratoBancoBrasil() override;

  ZQ_CAMPO(CZQDadosCR_FiltroConsultaExtratoBancoBrasil, Agencia, CZQString, sAgencia)
  ZQ_CAMPO(CZQDadosCR_FiltroConsultaExtratoBancoBrasil, Conta, CZQString, sConta)
  ZQ_CAMPO(CZQDadosCR_FiltroConsultaExtratoBancoBrasil, DataInicioSolicitacao, REG_ZQDMA, dmaInicioSolicitacao)
  ZQ_CAMPO(CZQDadosCR_FiltroConsultaExtratoBancoBrasil, DataFimSolicitacao, REG_ZQDMA, dmaFimSolicitacao)
  ZQ_CAMPO(CZQDadosCR_FiltroConsultaExtratoBancoBrasil, NumeroPaginaSolicitacao, uint32_t, lNumeroPaginaSolicitacao)
  ZQ_CAMPO(CZQDadosCR_FiltroConsultaExtratoBancoBrasil, QuantidadeRegistroPaginaSolicitacao, uint32_t,
           lQuantidadeRegistroPaginaSolicitacao)
  CZQString GetPathRequisicao() const { return m_reg.sPathRequisicao; }

  // Builds the path of the request, relative to the service's base address:
  //   /conta-corrente/agencia/<agency>/conta/<account>?numeroPaginaSolicitacao=<n>
  //   &quantidadeRegistroPaginaSolicitacao=<q>[&dataInicioSolicitacao=<d>&dataFimSolicitacao=<d>]
  // Agency and account go without check digit (what follows the first '-'), without
  // separators and without leading zeros. Dates are DDMMAAAA read as integers (no
  // leading zero on the day); with both dates empty they are left out and the bank
  // answers the last 30 days. E_INVALIDARG, and an empty path, when the agency or the
  // account has no digit, or when only one date is given or a date is not valid.
  HRESULT MontaPathRequisicao();

  // Agency or account as the path takes it ("0297-3" gives "297"); empty when the text
  // has no digit before the check digit.
  static CZQString NumeroSemDigito(const CZQString& texto);
  // A date as the bank's integer DDMMAAAA (1 September 2026 is 1092026); 0 for an
  // invalid date.
  static uint32_t DataParaInteiroBB(REG_ZQDMA dma);
};

// One row of the Banco do Brasil statement answer.
struct REG_EXTRATO_BANCO_BRASILPS {
  uint64_t ullNumeroDocumento;
  tagCY cyValorLancamento;  // positive; the sign is in the indicator
  REG_ZQDMA dmaLancamento;
  REG_ZQDMA dmaMovimento;
  CZQString sTextoDescricaoHistorico;
  char cIndicadorSinalLancamento;  // 'C' credit, 'D' debit
  char cIndicadorTipoLancamento;   // '1' posted, '2' future
  uint32_t lCodigoAgenciaOrigem;
  uint32_t lNumeroLote;
  uint32_t lCodigoHistorico;
  CZQString sTextoInformacaoComplementar;
  uint64_t ullNumeroCpfCnpjContrapartida;
  char cIndicadorTipoPessoaContrapartida;  // 'F' person, 'J' company
  uint32_t lCodigoBancoContrapartida;
  uint32_t lCodigoAgenciaContrapartida;
  CZQString sNumeroContaContrapartida;
  CZQString sTextoDvContaContrapartida;

  friend bool operator==(const REG_EXTRATO_BANCO_BRASILPS&, const REG_EXTRATO_BANCO_BRASILPS&) = default;
};

class CL_EXPORT CZQDadosCR_ExtratoBancoBrasil : public T_ZQDadosRegistro<REG_EXTRATO_BANCO_BRASILPS> {
  ZQ_DECLARA_DADOS(CZQDadosCR_ExtratoBancoBrasil, ZQ_MODULO_CR)

 public:
  CZQDadosCR_ExtratoBancoBrasil() = default;
  ~CZQDadosCR_ExtratoBancoBrasil() override;

  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, NumeroDocumento, uint64_t, ullNumeroDocumento)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, ValorLancamento, tagCY, cyValorLancamento)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, DataLancamento, REG_ZQDMA, dmaLancamento)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, DataMovimento, REG_ZQDMA, dmaMovimento)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, TextoDescricaoHistorico, CZQString, sTextoDescricaoHistorico)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, IndicadorSinalLancamento, char, cIndicadorSinalLancamento)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, IndicadorTipoLancamento, char, cIndicadorTipoLancamento)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, CodigoAgenciaOrigem, uint32_t, lCodigoAgenciaOrigem)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, NumeroLote, uint32_t, lNumeroLote)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, CodigoHistorico, uint32_t, lCodigoHistorico)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, TextoInformacaoComplementar, CZQString, sTextoInformacaoComplementar)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, NumeroCpfCnpjContrapartida, uint64_t, ullNumeroCpfCnpjContrapartida)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, IndicadorTipoPessoaContrapartida, char, cIndicadorTipoPessoaContrapartida)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, CodigoBancoContrapartida, uint32_t, lCodigoBancoContrapartida)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, CodigoAgenciaContrapartida, uint32_t, lCodigoAgenciaContrapartida)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, NumeroContaContrapartida, CZQString, sNumeroContaContrapartida)
  ZQ_CAMPO(CZQDadosCR_ExtratoBancoBrasil, TextoDvContaContrapartida, CZQString, sTextoDvContaContrapartida)
};

// The Banco do Brasil statement answer: the page read and its rows (all pages' rows
// once the middleware has read them all).
struct REG_CONSULTA_EXTRATO_BBPS {
  uint32_t lNumeroPaginaAtual;
  uint32_t lQuantidadeRegistroPaginaAtual;
  uint32_t lNumeroPaginaAnterior;
  uint32_t lNumeroPaginaProximo;  // 0 on the last page
  uint32_t lQuantidadeTotalPagina;
  uint32_t lQuantidadeTotalRegistro;

  friend bool operator==(const REG_CONSULTA_EXTRATO_BBPS&, const REG_CONSULTA_EXTRATO_BBPS&) = default;
};

class CL_EXPORT CZQDadosCR_ConsultaExtratoBancoBrasil
    : public T_ZQDadosRegistroComLista<REG_CONSULTA_EXTRATO_BBPS, CZQDadosCR_ExtratoBancoBrasil> {
  ZQ_DECLARA_DADOS(CZQDadosCR_ConsultaExtratoBancoBrasil, ZQ_MODULO_CR)

 public:
  CZQDadosCR_ConsultaExtratoBancoBrasil() = default;
  ~CZQDadosCR_ConsultaExtratoBancoBrasil() override;

  ZQ_CAMPO(CZQDadosCR_ConsultaExtratoBancoBrasil, NumeroPaginaAtual, uint32_t, lNumeroPaginaAtual)
  ZQ_CAMPO(CZQDadosCR_ConsultaExtratoBancoBrasil, QuantidadeRegistroPaginaAtual, uint32_t,
           lQuantidadeRegistroPaginaAtual)
  ZQ_CAMPO(CZQDadosCR_ConsultaExtratoBancoBrasil, NumeroPaginaAnterior, uint32_t, lNumeroPaginaAnterior)
  ZQ_CAMPO(CZQDadosCR_ConsultaExtratoBancoBrasil, NumeroPaginaProximo, uint32_t, lNumeroPaginaProximo)
  ZQ_CAMPO(CZQDadosCR_ConsultaExtratoBancoBrasil, QuantidadeTotalPagina, uint32_t, lQuantidadeTotalPagina)
  ZQ_CAMPO(CZQDadosCR_ConsultaExtratoBancoBrasil, QuantidadeTotalRegistro, uint32_t, lQuantidadeTotalRegistro)

  const CZQVector<CZQDadosCR_ExtratoBancoBrasil>& GetListaExtratosBancoBrasil() const { return GetLista<0>(); }
  CZQVector<CZQDadosCR_ExtratoBancoBrasil>& GetListaExtratosBancoBrasil() { return GetLista<0>(); }
};

// Status of a query answer.
enum ZQStatusConsultaSistemaTerceiro : uint32_t {
  ZQ_STATUS_CONSULTA_NENHUM = 0,
  ZQ_STATUS_CONSULTA_SUCESSO = 1,
  ZQ_STATUS_CONSULTA_ERRO = 2,
};

// The answer of a query that returns a document (the Tavorin service's OFX).
struct REG_STATUS_CONSULTA_SISTEMA_TERCEIROPS {
  ZQStatusConsultaSistemaTerceiro eStatusConsulta;
  int64_t llQuantidadeDocumentoRetorno;
  CZQString sMensagemRetorno;

  friend bool operator==(const REG_STATUS_CONSULTA_SISTEMA_TERCEIROPS&,
                         const REG_STATUS_CONSULTA_SISTEMA_TERCEIROPS&) = default;
};

class CL_EXPORT CZQDadosCR_StatusConsultaSistemaTerceiro
    : public T_ZQDadosRegistroComLista<REG_STATUS_CONSULTA_SISTEMA_TERCEIROPS, uint8_t> {
  ZQ_DECLARA_DADOS(CZQDadosCR_StatusConsultaSistemaTerceiro, ZQ_MODULO_CR)

 public:
  CZQDadosCR_StatusConsultaSistemaTerceiro() = default;
  ~CZQDadosCR_StatusConsultaSistemaTerceiro() override;

  ZQ_CAMPO(CZQDadosCR_StatusConsultaSistemaTerceiro, StatusConsulta, ZQStatusConsultaSistemaTerceiro, eStatusConsulta)
  ZQ_CAMPO(CZQDadosCR_StatusConsultaSistemaTerceiro, QuantidadeDocumentoRetorno, int64_t, llQuantidadeDocumentoRetorno)
  ZQ_CAMPO(CZQDadosCR_StatusConsultaSistemaTerceiro, MensagemRetorno, CZQString, sMensagemRetorno)

  // The bytes of the returned document.
  const CZQVector<uint8_t>& GetListaDocumentoRetorno() const { return GetLista<0>(); }
  CZQVector<uint8_t>& GetListaDocumentoRetorno() { return GetLista<0>(); }
  CZQDadosCR_StatusConsultaSistemaTerceiro& SetListaDocumentoRetorno(const CZQVector<uint8_t>& bytes) {
    GetLista<0>() = bytes;
    return *this;
  }
};
