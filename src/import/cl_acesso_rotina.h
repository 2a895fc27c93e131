#pragma once

#include "frame/zq_base_rotinas.h"
#include "platform/zq_acesso_areas.h"

// The data-access areas of a routine's hub. A routine whose hub is missing (no servers
// installed in the process) or lacks an area gets an area that refuses every call with
// ZQ_E_SERVIDORES_INDISPONIVEIS: the caller then takes its usual failure path instead
// of reaching through a null pointer.
namespace cl_import {

// Failure of every call on a routine without data-access servers.
inline constexpr HRESULT ZQ_E_SERVIDORES_INDISPONIVEIS = E_POINTER;

CZQAcessoConciliacao* AcessoConciliacao(CZQBaseParaRotinas& rotina);
CZQAcessoEmpresarial* AcessoEmpresarial(CZQBaseParaRotinas& rotina);

}  // namespace cl_import
