#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"
#include "platform/records/zq_base_dados.h"

// Execution records of the two scheduled services and the filters that find them.
// A record's key (REG_ZQDMC: execution date and a sequence) is given by the server
// that stores it.

// Status of an account in an execution record.
inline constexpr uint8_t ZQ_STATUS_EXECUCAO_SUCESSO = 1;  // handled
inline constexpr uint8_t ZQ_STATUS_EXECUCAO_REPETIR = 2;  // failed, tried again later that day
inline constexpr uint8_t ZQ_STATUS_EXECUCAO_FALHA = 3;    // failed or refused, not tried again that day

// One account of an import service run.
struct REG_EXECUCAO_SERVICO_IMPORTACAO_REGRAPS {
  uint32_t lPonteiroFilial;
  uint32_t lPonteiroContaBanco;
  uint8_t ucTipoStatus;
  CZQString sMensagemStatus;
  // Statement lines of the account's run: stored, and refused by the validation (lines
  // dropped without a warning, as balance lines, are neither). Online and drop-folder
  // files together; 0 in records older than these counts.
  uint32_t ulQuantidadeGravadas;
  uint32_t ulQuantidadeRecusadas;
  // When the store wrote the entry (the product's clock): set by the server that stores
  // it, 0 until then and in records older than it.
  REG_ZQDMAHMSUTC dmaHmsGravacao;

  friend bool operator==(const REG_EXECUCAO_SERVICO_IMPORTACAO_REGRAPS&,
                         const REG_EXECUCAO_SERVICO_IMPORTACAO_REGRAPS&) = default;
};

class CL_EXPORT CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra
    : public T_ZQDadosRegistro<REG_EXECUCAO_SERVICO_IMPORTACAO_REGRAPS> {
  ZQ_DECLARA_DADOS(CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra, ZQ_MODULO_CL)

 public:
  CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra() = default;
  ~CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra() override;

  ZQ_CAMPO(CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra, PonteiroFilial, uint32_t, lPonteiroFilial)
  ZQ_CAMPO(CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra, PonteiroContaBanco, uint32_t, lPonteiroContaBanco)
  ZQ_CAMPO(CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra, TipoStatus, uint8_t, ucTipoStatus)
  ZQ_CAMPO(CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra, MensagemStatus, CZQString, sMensagemStatus)
  ZQ_CAMPO(CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra, QuantidadeGravadas, uint32_t, ulQuantidadeGravadas)
  ZQ_CAMPO(CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra, QuantidadeRecusadas, uint32_t, ulQuantidadeRecusadas)
  ZQ_CAMPO(CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra, DmaHmsGravacao, REG_ZQDMAHMSUTC, dmaHmsGravacao)
};

// One run of the import service, with one entry per account it imported.
struct REG_EXECUCAO_SERVICO_IMPORTACAOPS {
  REG_ZQDMC dmcChave;
  REG_ZQDMAHMSUTC dmaHmsExecucao;

  friend bool operator==(const REG_EXECUCAO_SERVICO_IMPORTACAOPS&, const REG_EXECUCAO_SERVICO_IMPORTACAOPS&) = default;
};

class CL_EXPORT CZQDadosCL_ExecucaoServicoImportacaoExtratos
    : public T_ZQDadosRegistroComLista<REG_EXECUCAO_SERVICO_IMPORTACAOPS,
                                       CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra> {
  ZQ_DECLARA_DADOS(CZQDadosCL_ExecucaoServicoImportacaoExtratos, ZQ_MODULO_CL)

 public:
  using Regra = CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra;
  CZQDadosCL_ExecucaoServicoImportacaoExtratos() = default;
  ~CZQDadosCL_ExecucaoServicoImportacaoExtratos() override;

  ZQ_CAMPO(CZQDadosCL_ExecucaoServicoImportacaoExtratos, DmaHmsExecucao, REG_ZQDMAHMSUTC, dmaHmsExecucao)
  REG_ZQDMC GetChave() const { return m_reg.dmcChave; }

  const CZQVector<Regra>& GetListaRegras() const { return GetLista<0>(); }
  CZQVector<Regra>& GetListaRegras() { return GetLista<0>(); }
  CZQDadosCL_ExecucaoServicoImportacaoExtratos& SetListaRegras(const CZQVector<Regra>& lista) {
    GetLista<0>() = lista;
    return *this;
  }
  int64_t GetQuantidadeRegras() const { return GetLista<0>().GetQuantidade(); }
  CZQDadosCL_ExecucaoServicoImportacaoExtratos& AdicionaRegra(const Regra& regra) {
    GetLista<0>().Add(regra);
    return *this;
  }

  REG_ZQDMC OnGetChave() const override { return m_reg.dmcChave; }
  void OnSetChave(REG_ZQDMC chave) override { m_reg.dmcChave = chave; }
};

// Import service runs of a period of execution dates (inclusive).
struct REG_FILTRO_EXECUCAO_SERVICO_IMPORTACAOPS {
  REG_ZQDMA dmaExecucaoInicial;
  REG_ZQDMA dmaExecucaoFinal;

  friend bool operator==(const REG_FILTRO_EXECUCAO_SERVICO_IMPORTACAOPS&,
                         const REG_FILTRO_EXECUCAO_SERVICO_IMPORTACAOPS&) = default;
};

class CL_EXPORT CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos
    : public T_ZQDadosRegistro<REG_FILTRO_EXECUCAO_SERVICO_IMPORTACAOPS> {
  ZQ_DECLARA_DADOS(CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos, ZQ_MODULO_CL)

 public:
  CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos() = default;
  ~CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos() override;

  ZQ_CAMPO(CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos, DmaExecucaoInicial, REG_ZQDMA, dmaExecucaoInicial)
  ZQ_CAMPO(CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos, DmaExecucaoFinal, REG_ZQDMA, dmaExecucaoFinal)
};

// One bank account handled by one run of the reconciliation service.
struct REG_EXECUCAO_CONCILIACAOPS {
  REG_ZQDMC dmcChave;
  uint32_t lPonteiroBanco;
  uint32_t lPonteiroFilial;
  REG_ZQDMAHMSUTC dmaHmsExecucao;
  uint8_t ucTipoStatus;
  CZQString sMensagemStatus;
  // When the store wrote the record (the product's clock): set by the server that stores
  // it, 0 in records older than it.
  REG_ZQDMAHMSUTC dmaHmsGravacao;

  friend bool operator==(const REG_EXECUCAO_CONCILIACAOPS&, const REG_EXECUCAO_CONCILIACAOPS&) = default;
};

class CL_EXPORT CZQDadosCL_ExecucaoConciliacaoTesourariaBanco : public T_ZQDadosRegistro<REG_EXECUCAO_CONCILIACAOPS> {
  ZQ_DECLARA_DADOS(CZQDadosCL_ExecucaoConciliacaoTesourariaBanco, ZQ_MODULO_CL)

 public:
  CZQDadosCL_ExecucaoConciliacaoTesourariaBanco() = default;
  ~CZQDadosCL_ExecucaoConciliacaoTesourariaBanco() override;

  ZQ_CAMPO(CZQDadosCL_ExecucaoConciliacaoTesourariaBanco, PonteiroBanco, uint32_t, lPonteiroBanco)
  ZQ_CAMPO(CZQDadosCL_ExecucaoConciliacaoTesourariaBanco, PonteiroFilial, uint32_t, lPonteiroFilial)
  ZQ_CAMPO(CZQDadosCL_ExecucaoConciliacaoTesourariaBanco, DataHoraExecucao, REG_ZQDMAHMSUTC, dmaHmsExecucao)
  ZQ_CAMPO(CZQDadosCL_ExecucaoConciliacaoTesourariaBanco, TipoStatus, uint8_t, ucTipoStatus)
  ZQ_CAMPO(CZQDadosCL_ExecucaoConciliacaoTesourariaBanco, MensagemStatus, CZQString, sMensagemStatus)
  ZQ_CAMPO(CZQDadosCL_ExecucaoConciliacaoTesourariaBanco, DmaHmsGravacao, REG_ZQDMAHMSUTC, dmaHmsGravacao)
  REG_ZQDMC GetChave() const { return m_reg.dmcChave; }

  REG_ZQDMC OnGetChave() const override { return m_reg.dmcChave; }
  void OnSetChave(REG_ZQDMC chave) override { m_reg.dmcChave = chave; }
};

// Reconciliation service records of a period of execution dates (inclusive), of a
// branch (0 = any) and of some bank accounts (an empty list = any).
struct REG_FILTRO_EXECUCAO_CONCILIACAOPS {
  REG_ZQDMA dmaExecucaoInicial;
  REG_ZQDMA dmaExecucaoFinal;
  uint32_t lPonteiroFilial;

  friend bool operator==(const REG_FILTRO_EXECUCAO_CONCILIACAOPS&, const REG_FILTRO_EXECUCAO_CONCILIACAOPS&) = default;
};

class CL_EXPORT CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco
    : public T_ZQDadosRegistroComLista<REG_FILTRO_EXECUCAO_CONCILIACAOPS, uint32_t> {
  ZQ_DECLARA_DADOS(CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco, ZQ_MODULO_CL)

 public:
  CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco() = default;
  ~CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco() override;

  ZQ_CAMPO(CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco, DmaExecucaoInicial, REG_ZQDMA, dmaExecucaoInicial)
  ZQ_CAMPO(CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco, DmaExecucaoFinal, REG_ZQDMA, dmaExecucaoFinal)
  ZQ_CAMPO(CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco, PonteiroFilial, uint32_t, lPonteiroFilial)

  const CZQVector<uint32_t>& GetListaPonteirosContaBanco() const { return GetLista<0>(); }
  CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco& SetListaPonteirosContaBanco(const CZQVector<uint32_t>& lista) {
    GetLista<0>() = lista;
    return *this;
  }
};
