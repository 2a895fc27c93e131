#include "platform/records/zq_dados_configuracao_servico.h"

CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra::~CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra() =
    default;
CZQDadosCL_ConfiguracaoServicoImportacaoExtratos::~CZQDadosCL_ConfiguracaoServicoImportacaoExtratos() = default;
CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra::
    ~CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra() = default;
CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco::~CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco() =
    default;
