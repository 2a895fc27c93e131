#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"
#include "platform/records/zq_base_dados.h"
#include "platform/records/zq_dados_extrato.h"
#include "platform/records/zq_dados_tesouraria.h"
#include "platform/records/zq_estruturas_conciliacao.h"

// Records of the reconciliation server: the reconciliation request and what it
// finds, the account/branch table, import layouts and the module's master.

// Modes of the reconciliation request.
inline constexpr uint8_t ZQ_MODO_CONCILIACAO_TESOURARIA = 'T';
inline constexpr uint8_t ZQ_MODO_EXT_CONCILIACAO_NORMAL = 'N';

// A reconciliation of one bank account and branch over a period.
struct REG_CONCILIACAO_AUTOMATICAPS {
  uint32_t lPonteiroConta;
  uint32_t lPonteiroFilial;
  REG_ZQDMA dmaInicial;
  REG_ZQDMA dmaFinal;
  REG_ZQDMA dmaLimite;
  uint8_t ucModo;
  uint8_t ucModoExt;
  int32_t iConciliacaoContabilBancos;

  friend bool operator==(const REG_CONCILIACAO_AUTOMATICAPS&, const REG_CONCILIACAO_AUTOMATICAPS&) = default;
};

class CL_EXPORT CZQDadosCL_ConciliacaoAutomatica : public T_ZQDadosRegistro<REG_CONCILIACAO_AUTOMATICAPS> {
  ZQ_DECLARA_DADOS(CZQDadosCL_ConciliacaoAutomatica, ZQ_MODULO_CL)

 public:
  CZQDadosCL_ConciliacaoAutomatica() = default;
  ~CZQDadosCL_ConciliacaoAutomatica() override;

  ZQ_CAMPO(CZQDadosCL_ConciliacaoAutomatica, PonteiroConta, uint32_t, lPonteiroConta)
  ZQ_CAMPO(CZQDadosCL_ConciliacaoAutomatica, PonteiroFilial, uint32_t, lPonteiroFilial)
  ZQ_CAMPO(CZQDadosCL_ConciliacaoAutomatica, DataInicial, REG_ZQDMA, dmaInicial)
  ZQ_CAMPO(CZQDadosCL_ConciliacaoAutomatica, DataFinal, REG_ZQDMA, dmaFinal)
  ZQ_CAMPO(CZQDadosCL_ConciliacaoAutomatica, DataLimite, REG_ZQDMA, dmaLimite)
  ZQ_CAMPO(CZQDadosCL_ConciliacaoAutomatica, Modo, uint8_t, ucModo)
  ZQ_CAMPO(CZQDadosCL_ConciliacaoAutomatica, ModoExt, uint8_t, ucModoExt)
  ZQ_CAMPO(CZQDadosCL_ConciliacaoAutomatica, ConciliacaoContabilBancos, int32_t, iConciliacaoContabilBancos)
};

// The statement lines and treasury entries of a reconciliation that are open for
// reconciliation, and how many pairs the server reconciliation made.
struct REG_CONCILIACAO_TESOURARIA_BANCOSPS {
  uint32_t lPonteiroConta;
  uint32_t lQuantidadeConciliada;

  friend bool operator==(const REG_CONCILIACAO_TESOURARIA_BANCOSPS&,
                         const REG_CONCILIACAO_TESOURARIA_BANCOSPS&) = default;
};

class CL_EXPORT CZQDadosCL_ConciliacaoTesourariaBancos
    : public T_ZQDadosRegistroComLista<REG_CONCILIACAO_TESOURARIA_BANCOSPS, CZQDadosCL_Extrato, CZQDadosFN_Tesouraria> {
  ZQ_DECLARA_DADOS(CZQDadosCL_ConciliacaoTesourariaBancos, ZQ_MODULO_CL)

 public:
  CZQDadosCL_ConciliacaoTesourariaBancos() = default;
  ~CZQDadosCL_ConciliacaoTesourariaBancos() override;

  ZQ_CAMPO(CZQDadosCL_ConciliacaoTesourariaBancos, PonteiroConta, uint32_t, lPonteiroConta)
  ZQ_CAMPO(CZQDadosCL_ConciliacaoTesourariaBancos, QuantidadeConciliada, uint32_t, lQuantidadeConciliada)

  const CZQVector<CZQDadosCL_Extrato>& GetListaExtrato() const { return GetLista<0>(); }
  CZQVector<CZQDadosCL_Extrato>& GetListaExtrato() { return GetLista<0>(); }
  CZQDadosCL_ConciliacaoTesourariaBancos& SetListaExtrato(const CZQVector<CZQDadosCL_Extrato>& lista) {
    GetLista<0>() = lista;
    return *this;
  }
  const CZQVector<CZQDadosFN_Tesouraria>& GetListaTesouraria() const { return GetLista<1>(); }
  CZQVector<CZQDadosFN_Tesouraria>& GetListaTesouraria() { return GetLista<1>(); }
  CZQDadosCL_ConciliacaoTesourariaBancos& SetListaTesouraria(const CZQVector<CZQDadosFN_Tesouraria>& lista) {
    GetLista<1>() = lista;
    return *this;
  }
};

// A bank account and branch, and the table key the server gives to the pair.
struct REG_TABELAPS {
  uint32_t lConta;
  uint16_t iFilial;
  uint16_t iChave;

  friend bool operator==(const REG_TABELAPS&, const REG_TABELAPS&) = default;
};

class CL_EXPORT CZQDadosCL_Tabela : public T_ZQDadosRegistro<REG_TABELAPS> {
  ZQ_DECLARA_DADOS(CZQDadosCL_Tabela, ZQ_MODULO_CL)

 public:
  CZQDadosCL_Tabela() = default;
  ~CZQDadosCL_Tabela() override;

  ZQ_CAMPO(CZQDadosCL_Tabela, Conta, uint32_t, lConta)
  ZQ_CAMPO(CZQDadosCL_Tabela, Filial, uint16_t, iFilial)
  ZQ_CAMPO(CZQDadosCL_Tabela, Chave, uint16_t, iChave)
};

// An import layout, over the import-layout server's own structure.
inline constexpr uint8_t ZQ_SEPARADOR_LEIAUTE_COM_CONTA = 7;

class CL_EXPORT CZQDadosCL_Leiaute : public T_ZQDadosRegistro<RegLeiauteps> {
  ZQ_DECLARA_DADOS(CZQDadosCL_Leiaute, ZQ_MODULO_CL)

 public:
  CZQDadosCL_Leiaute() = default;
  explicit CZQDadosCL_Leiaute(const RegLeiauteps& reg) : T_ZQDadosRegistro(reg) {}
  ~CZQDadosCL_Leiaute() override;

  ZQ_CAMPO(CZQDadosCL_Leiaute, Posicao, int32_t, lPosicao)
  ZQ_CAMPO_TEXTO_FIXO(CZQDadosCL_Leiaute, Descricao, szDescricao)
  ZQ_CAMPO(CZQDadosCL_Leiaute, Separador, uint8_t, ucSeparador)
  ZQ_CAMPO(CZQDadosCL_Leiaute, TipoArquivo, uint8_t, ucTipoArquivo)
  ZQ_CAMPO(CZQDadosCL_Leiaute, LinhasCabecalho, uint16_t, iLinhasCabecalho)
  ZQ_CAMPO(CZQDadosCL_Leiaute, LinhasRodape, uint16_t, iLinhasRodape)
};

// Kinds of file a layout describes (`TipoArquivo`).
inline constexpr uint8_t ZQ_TIPO_ARQUIVO_DELIMITADO = 1;  // CSV/TXT, one line per row
inline constexpr uint8_t ZQ_TIPO_ARQUIVO_CNAB = 2;        // fixed-width bank return files
inline constexpr uint8_t ZQ_TIPO_ARQUIVO_OFX = 3;         // OFX 1.x (SGML) or 2.x (XML)

// How a delimited statement file lays out a row: the column of each role counted from 1
// (0 = the file has none), the field delimiter, the date format ("DD/MM/AAAA",
// "DD/MM/AA", "AAAA-MM-DD", "AAAAMMDD" and the like: DD, MM, AA or AAAA and literal
// separators) and the decimal mark. The amount is one signed column, or credit and debit
// columns, or an amount with a D/C column.
struct REG_LEIAUTE_COLUNASPS {
  char cDelimitador = ';';
  char cMarcaDecimal = ',';
  CZQString sFormatoData = "DD/MM/AAAA";
  uint16_t iColunaData = 0;
  uint16_t iColunaValor = 0;
  uint16_t iColunaCredito = 0;
  uint16_t iColunaDebito = 0;
  uint16_t iColunaNatureza = 0;  // "D"/"C" (or "-"/"+") beside an unsigned amount
  uint16_t iColunaDocumento = 0;
  uint16_t iColunaHistorico = 0;
  uint16_t iColunaCodigoMvto = 0;
  uint16_t iColunaConta = 0;  // the bank account, for a layout that names it (separator 7)

  friend bool operator==(const REG_LEIAUTE_COLUNASPS&, const REG_LEIAUTE_COLUNASPS&) = default;
};

// The reconciliation module's master.
struct REG_MESTRE_CONCILIACAOPS {
  REG_ZQDMA dmaBloqueioMovimentacao;  // movements up to this date are locked; empty = none

  friend bool operator==(const REG_MESTRE_CONCILIACAOPS&, const REG_MESTRE_CONCILIACAOPS&) = default;
};

class CL_EXPORT CZQDadosCL_Mestre : public T_ZQDadosRegistro<REG_MESTRE_CONCILIACAOPS> {
  ZQ_DECLARA_DADOS(CZQDadosCL_Mestre, ZQ_MODULO_CL)

 public:
  CZQDadosCL_Mestre() = default;
  ~CZQDadosCL_Mestre() override;

  ZQ_CAMPO(CZQDadosCL_Mestre, DataBloqueioMovimentacao, REG_ZQDMA, dmaBloqueioMovimentacao)
};
