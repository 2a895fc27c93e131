#include "platform/records/zq_dados_tesouraria.h"

CZQDadosFN_Tesouraria::~CZQDadosFN_Tesouraria() = default;
CZQDadosFN_FiltroTesouraria::~CZQDadosFN_FiltroTesouraria() = default;
CZQDadosFN_Mestre::~CZQDadosFN_Mestre() = default;
CZQDadosFN_StatusHiperautomacaoFinanceira::~CZQDadosFN_StatusHiperautomacaoFinanceira() = default;
