#include "platform/records/zq_dados_conciliacao.h"

CZQDadosCL_ConciliacaoAutomatica::~CZQDadosCL_ConciliacaoAutomatica() = default;
CZQDadosCL_ConciliacaoTesourariaBancos::~CZQDadosCL_ConciliacaoTesourariaBancos() = default;
CZQDadosCL_Tabela::~CZQDadosCL_Tabela() = default;
CZQDadosCL_Leiaute::~CZQDadosCL_Leiaute() = default;
CZQDadosCL_Mestre::~CZQDadosCL_Mestre() = default;
