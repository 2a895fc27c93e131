#include "platform/records/zq_dados_empresarial.h"

CZQDadosDF_Banco::~CZQDadosDF_Banco() = default;
CZQDadosDF_PlanoEmpresarial::~CZQDadosDF_PlanoEmpresarial() = default;
CZQDadosDF_FormaPagamento::~CZQDadosDF_FormaPagamento() = default;
CZQDadosDF_Historico::~CZQDadosDF_Historico() = default;
CZQDadosDF_PeriodoContabil::~CZQDadosDF_PeriodoContabil() = default;
CZQDadosDF_Feriado::~CZQDadosDF_Feriado() = default;
CZQDadosCN_MestreEmpresa::~CZQDadosCN_MestreEmpresa() = default;

CZQString CZQDadosDF_PlanoEmpresarial::GetCodigoUsado_Nome() const {
  CZQString codigo = m_reg.sCodigoUsado;
  codigo.Trim();
  if (codigo.IsEmpty()) return m_reg.sNome;
  return codigo + " - " + m_reg.sNome;
}
