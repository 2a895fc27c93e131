#include "platform/records/zq_dados_extrato.h"

#include <type_traits>

CZQDadosCL_Extrato::~CZQDadosCL_Extrato() = default;

static_assert(std::is_nothrow_move_constructible_v<CZQDadosCL_Extrato> &&
                  std::is_nothrow_move_assignable_v<CZQDadosCL_Extrato>,
              "lists of statement lines must move them when they grow");
CZQDadosCL_FiltroImportacaoExtrato::~CZQDadosCL_FiltroImportacaoExtrato() = default;
CZQDadosCL_FiltroExtrato::~CZQDadosCL_FiltroExtrato() = default;
CZQDadosCL_ExtraInfoBase::~CZQDadosCL_ExtraInfoBase() = default;

CZQDadosCL_FiltroExtrato& CZQDadosCL_FiltroExtrato::SetFiltroImportacao(
    const CZQDadosCL_FiltroImportacaoExtrato& filtro) {
  OnLimpar();
  m_reg.lConta = filtro.GetConta();
  m_reg.lFilial = filtro.GetFilial();
  m_reg.dmaInicial = filtro.GetDataInicial();
  m_reg.dmaFinal = filtro.GetDataFinal();
  return *this;
}
