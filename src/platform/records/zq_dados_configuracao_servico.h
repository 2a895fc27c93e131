#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"
#include "platform/records/zq_base_dados.h"

// Configurations of the two scheduled services: a list of rules, each a branch, its
// bank accounts, a frequency, an execution time and a business-days-only flag.

// Frequencies of a service rule.
inline constexpr uint8_t ZQ_FREQUENCIA_NENHUMA = 0;
inline constexpr uint8_t ZQ_FREQUENCIA_DIARIA = 1;      // once a day, from the execution time on
inline constexpr uint8_t ZQ_FREQUENCIA_CADA_CICLO = 2;  // on every cycle of the host

struct REG_REGRA_CONFIGURACAO_SERVICOPS {
  uint32_t lPonteiroFilial;
  uint8_t ucFrequencia;
  REG_ZQHMS hmsExecucao;  // seconds since midnight
  bool bApenasDiasUteis;

  friend bool operator==(const REG_REGRA_CONFIGURACAO_SERVICOPS&, const REG_REGRA_CONFIGURACAO_SERVICOPS&) = default;
};

// Who saved a configuration, and when.
struct REG_CONFIGURACAO_SERVICOPS {
  REG_ZQDMAHMSUTC dmaHmsAlteracao;
  uint16_t iUsuarioAlteracao;

  friend bool operator==(const REG_CONFIGURACAO_SERVICOPS&, const REG_CONFIGURACAO_SERVICOPS&) = default;
};

// Fields and account list of a service rule; the same in both services.
#define ZQ_CAMPOS_REGRA_SERVICO(Classe)                                                      \
  ZQ_CAMPO(Classe, PonteiroFilial, uint32_t, lPonteiroFilial)                                \
  ZQ_CAMPO(Classe, Frequencia, uint8_t, ucFrequencia)                                        \
  ZQ_CAMPO(Classe, HmsExecucao, REG_ZQHMS, hmsExecucao)                                      \
  ZQ_CAMPO(Classe, ApenasDiasUteis, bool, bApenasDiasUteis)                                  \
  const CZQVector<uint32_t>& GetListaPonteirosContaBanco() const { return GetLista<0>(); }   \
  CZQVector<uint32_t>& GetListaPonteirosContaBanco() { return GetLista<0>(); }               \
  Classe& SetListaPonteirosContaBanco(const CZQVector<uint32_t>& lista) {                    \
    GetLista<0>() = lista;                                                                   \
    return *this;                                                                            \
  }                                                                                          \
  int64_t GetQuantidadePonteirosContaBanco() const { return GetLista<0>().GetQuantidade(); } \
  /* The account at a position; 0 past the end. */                                           \
  uint32_t GetPonteirosContaBanco(int64_t indice) const {                                    \
    return (indice >= 0 && indice < GetQuantidadePonteirosContaBanco())                      \
               ? GetLista<0>()[static_cast<std::size_t>(indice)]                             \
               : 0;                                                                          \
  }                                                                                          \
  Classe& AdicionaPonteiroContaBanco(uint32_t ponteiro) {                                    \
    GetLista<0>().Add(ponteiro);                                                             \
    return *this;                                                                            \
  }                                                                                          \
  /* Removes the account at a position; false (nothing removed) past the end. */             \
  bool DeletarPonteirosContaBanco(int64_t indice) {                                          \
    if (indice < 0 || indice >= GetQuantidadePonteirosContaBanco()) return false;            \
    GetLista<0>().RemoveAt(static_cast<std::size_t>(indice));                                \
    return true;                                                                             \
  }

// Fields and rule list of a service configuration; the same in both services.
#define ZQ_CAMPOS_CONFIGURACAO_SERVICO(Classe, Regra)                           \
  ZQ_CAMPO(Classe, DmaHmsAlteracao, REG_ZQDMAHMSUTC, dmaHmsAlteracao)           \
  ZQ_CAMPO(Classe, UsuarioAlteracao, uint16_t, iUsuarioAlteracao)               \
  const CZQVector<Regra>& GetListaRegras() const { return GetLista<0>(); }      \
  CZQVector<Regra>& GetListaRegras() { return GetLista<0>(); }                  \
  Classe& SetListaRegras(const CZQVector<Regra>& lista) {                       \
    GetLista<0>() = lista;                                                      \
    return *this;                                                               \
  }                                                                             \
  int64_t GetQuantidadeRegras() const { return GetLista<0>().GetQuantidade(); } \
  Classe& AdicionaRegra(const Regra& regra) {                                   \
    GetLista<0>().Add(regra);                                                   \
    return *this;                                                               \
  }

class CL_EXPORT CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra
    : public T_ZQDadosRegistroComLista<REG_REGRA_CONFIGURACAO_SERVICOPS, uint32_t> {
  ZQ_DECLARA_DADOS(CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra, ZQ_MODULO_CL)

 public:
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra() = default;
  ~CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra() override;

  ZQ_CAMPOS_REGRA_SERVICO(CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra)
};

class CL_EXPORT CZQDadosCL_ConfiguracaoServicoImportacaoExtratos
    : public T_ZQDadosRegistroComLista<REG_CONFIGURACAO_SERVICOPS,
                                       CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra> {
  ZQ_DECLARA_DADOS(CZQDadosCL_ConfiguracaoServicoImportacaoExtratos, ZQ_MODULO_CL)

 public:
  using Regra = CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra;
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos() = default;
  ~CZQDadosCL_ConfiguracaoServicoImportacaoExtratos() override;

  ZQ_CAMPOS_CONFIGURACAO_SERVICO(CZQDadosCL_ConfiguracaoServicoImportacaoExtratos, Regra)
};

class CL_EXPORT CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra
    : public T_ZQDadosRegistroComLista<REG_REGRA_CONFIGURACAO_SERVICOPS, uint32_t> {
  ZQ_DECLARA_DADOS(CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra, ZQ_MODULO_CL)

 public:
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra() = default;
  ~CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra() override;

  ZQ_CAMPOS_REGRA_SERVICO(CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra)
};

class CL_EXPORT CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco
    : public T_ZQDadosRegistroComLista<REG_CONFIGURACAO_SERVICOPS,
                                       CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra> {
  ZQ_DECLARA_DADOS(CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco, ZQ_MODULO_CL)

 public:
  using Regra = CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra;
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco() = default;
  ~CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco() override;

  ZQ_CAMPOS_CONFIGURACAO_SERVICO(CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco, Regra)
};
