#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_data.h"
#include "frame/zq_vector.h"
#include "platform/records/zq_dados_empresarial.h"

// The ERP's holiday control: the holiday table of one branch, read through the
// enterprise area of the routine's servers. A holiday is either a fixed date or a
// yearly one (the same day and month every year).
//
//   CFeriado feriado;
//   feriado.Inicializa(this);
//   if (SUCCEEDED(feriado.LeTabelaFilial(filial)) && feriado.GetFeriado(hoje, 0, false)) ...
class CL_EXPORT CFeriado : public CZQBaseParaRotinas {
 public:
  CFeriado();
  ~CFeriado() override;

  // Loads the branch's table in place of the one loaded before. On failure the table
  // is empty and the server's error is the routine's last error.
  HRESULT LeTabelaFilial(uint32_t filial);

  // Whether the date is a holiday of the loaded table. `tipo` 0 takes every holiday;
  // `bFimDeSemana` also takes Saturdays and Sundays as holidays. An invalid date is none.
  bool GetFeriado(const CZQDma& data, int tipo = 0, bool bFimDeSemana = false) const;

  uint32_t GetFilial() const { return m_lFilial; }
  const CZQVector<CZQDadosDF_Feriado>& GetListaFeriados() const { return m_listaFeriados; }

 private:
  uint32_t m_lFilial = 0;
  CZQVector<CZQDadosDF_Feriado> m_listaFeriados;
};
