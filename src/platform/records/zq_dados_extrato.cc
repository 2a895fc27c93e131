#include "platform/records/zq_dados_extrato.h"

CZQDadosCL_Extrato::~CZQDadosCL_Extrato() = default;
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
