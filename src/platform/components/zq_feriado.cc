#include "platform/components/zq_feriado.h"

#include "platform/access/zq_acesso_empresarial.h"

CFeriado::CFeriado() = default;
CFeriado::~CFeriado() = default;

HRESULT CFeriado::LeTabelaFilial(uint32_t filial) {
  LimpaErro();
  m_listaFeriados.RemoveAll();
  m_lFilial = filial;
  CZQAcessoServidores* acesso = GetAcessoServidores();
  CZQAcessoEmpresarial* empresarial = acesso ? acesso->GetAcessoEmpresarial() : nullptr;
  if (!empresarial) {
    SetErro(E_POINTER, 0, 0);
    return E_POINTER;
  }
  CZQVector<CZQDadosDF_Feriado> lidos;
  HRESULT hr = empresarial->BuscaFeriadosFilial(filial, lidos);
  if (FAILED(hr)) {
    SetErro(empresarial->GetErro());
    return hr;
  }
  m_listaFeriados = std::move(lidos);
  return hr;
}

bool CFeriado::GetFeriado(const CZQDma& data, int tipo, bool bFimDeSemana) const {
  if (!data.EhValida()) return false;
  if (bFimDeSemana) {
    const int diaSemana = data.GetDiaSemana();
    if (diaSemana == 1 || diaSemana == 7) return true;
  }
  // Only the holidays of every kind are kept in the table; another kind finds none.
  if (tipo != 0) return false;
  int dia = 0, mes = 0, ano = 0;
  data.GetDiaMesAno(dia, mes, ano);
  for (const CZQDadosDF_Feriado& feriado : m_listaFeriados) {
    const CZQDma dataFeriado(feriado.GetDataFeriado());
    if (dataFeriado == data) return true;
    if (feriado.GetAnual() && dataFeriado.EhValida() && dataFeriado.GetDia() == dia && dataFeriado.GetMes() == mes)
      return true;
  }
  return false;
}
