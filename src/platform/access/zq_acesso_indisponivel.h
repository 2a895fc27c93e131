#pragma once

#include "frame/zq_tipos.h"
#include "platform/access/zq_acesso_servidores.h"

// What a routine reaches when the process installed no data-access servers, or its hub
// lacks an area: a hub whose every area refuses every call with
// ZQ_E_SERVIDORES_INDISPONIVEIS and names the reason in its GetErro(). The caller takes
// its usual failure path (trace, error record) instead of reaching through a null
// pointer, and every routine says "no servers" with the same code and text.

// CO_E_SERVER_EXEC_FAILURE: the server could not be reached at all.
inline constexpr HRESULT ZQ_E_SERVIDORES_INDISPONIVEIS = ZQ_HR(0x80080005);

// The one failing hub of the process; it lives as long as the process.
CZQAcessoServidores& ZQAcessoServidoresIndisponiveis();
