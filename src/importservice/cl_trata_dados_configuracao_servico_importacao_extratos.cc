#include "importservice/cl_trata_dados_configuracao_servico_importacao_extratos.h"

#include <utility>

#include "frame/zq_trace.h"
#include "importservice/cl_consiste_configuracao_servico.h"
#include "platform/access/zq_acesso_areas.h"

namespace {

constexpr const char kClasse[] = "CCLTrataDadosConfiguracaoServicoImportacaoExtratos";

using namespace cl_configuracao_servico;

}  // namespace

CCLTrataDadosConfiguracaoServicoImportacaoExtratos::CCLTrataDadosConfiguracaoServicoImportacaoExtratos() = default;
CCLTrataDadosConfiguracaoServicoImportacaoExtratos::CCLTrataDadosConfiguracaoServicoImportacaoExtratos(
    const CCLTrataDadosConfiguracaoServicoImportacaoExtratos& outro) = default;
CCLTrataDadosConfiguracaoServicoImportacaoExtratos::CCLTrataDadosConfiguracaoServicoImportacaoExtratos(
    CCLTrataDadosConfiguracaoServicoImportacaoExtratos&& outro) noexcept = default;
CCLTrataDadosConfiguracaoServicoImportacaoExtratos::~CCLTrataDadosConfiguracaoServicoImportacaoExtratos() = default;
CCLTrataDadosConfiguracaoServicoImportacaoExtratos& CCLTrataDadosConfiguracaoServicoImportacaoExtratos::operator=(
    const CCLTrataDadosConfiguracaoServicoImportacaoExtratos& outro) = default;
CCLTrataDadosConfiguracaoServicoImportacaoExtratos& CCLTrataDadosConfiguracaoServicoImportacaoExtratos::operator=(
    CCLTrataDadosConfiguracaoServicoImportacaoExtratos&& outro) noexcept = default;

CZQAcessoEmpresarial* CCLTrataDadosConfiguracaoServicoImportacaoExtratos::GetAcessoEmpresarial() {
  return AreaEmpresarial();
}

CZQDadosDF_Erro& CCLTrataDadosConfiguracaoServicoImportacaoExtratos::ConsisteRegra(const Regra& dadosRegra) {
  LimpaErro();

  if (dadosRegra.GetQuantidadePonteirosContaBanco() == 0) {
    Avisa(GetErro(), kRegraSemConta);
    return GetErro();
  }
  // The accounts come before the branch: a rule is about its accounts first.
  if (ConsisteContaBanco(dadosRegra.GetListaPonteirosContaBanco()).TemErro()) return GetErro();

  if (dadosRegra.GetPonteiroFilial() == 0) {
    Avisa(GetErro(), kRegraSemFilial);
    return GetErro();
  }
  if (dadosRegra.GetFrequencia() == ZQ_FREQUENCIA_NENHUMA) {
    Avisa(GetErro(), kRegraSemFrequencia);
    return GetErro();
  }
  // Midnight is no time for a daily rule; any other time of day is taken as given.
  if (dadosRegra.GetFrequencia() == ZQ_FREQUENCIA_DIARIA && dadosRegra.GetHmsExecucao() == 0) {
    Avisa(GetErro(), kRegraSemHorario);
    return GetErro();
  }
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosConfiguracaoServicoImportacaoExtratos::ConsisteConjuntoRegra(
    const CZQVector<Regra>& listaRegras) {
  LimpaErro();

  uint32_t ulPonteiroContaBanco = 0;
  if (!BuscaContaRepetida(listaRegras, ulPonteiroContaBanco)) return GetErro();

  HRESULT hr = S_OK;
  CZQDadosDF_PlanoEmpresarial dadosConta;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiroContaBanco, &dadosConta))) {
    SetErro(GetAcessoEmpresarial()->GetErro());
    return GetErro();
  }
  AvisaConta(GetErro(), kAvisoContaRepetida, dadosConta);
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosConfiguracaoServicoImportacaoExtratos::ConsisteContaBanco(
    const CZQVector<uint32_t>& listaPonteirosContaBanco) {
  LimpaErro();

  HRESULT hr = S_OK;
  for (const uint32_t ulPonteiro : listaPonteirosContaBanco) {
    CZQDadosDF_PlanoEmpresarial dadosConta;
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiro, &dadosConta))) {
      SetErro(GetAcessoEmpresarial()->GetErro());
      return GetErro();
    }
    if (ConsisteContaPlano(GetErro(), dadosConta)) return GetErro();

    CZQDadosDF_Banco dadosBanco;
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBufferBanco(ulPonteiro, &dadosBanco))) {
      SetErro(GetAcessoEmpresarial()->GetErro());
      return GetErro();
    }
    // The service fetches statements online: the account's bank must be able to give them.
    const bool bSemAmbiente = dadosBanco.GetAmbienteIntegracao() == ZQ_AMBIENTE_NENHUM &&
                              dadosBanco.GetAmbienteIntegracaoBBExtrato() == ZQ_AMBIENTE_NENHUM;
    const bool bSemConsultaExtrato = dadosBanco.GetIntegrarComTerceiro() != ZQ_INTEGRAR_TAVORIN &&
                                     (dadosBanco.GetTipoOperacao() & ZQ_OPERACAO_EXTRATO) == 0;
    if (bSemAmbiente || bSemConsultaExtrato) {
      AvisaConta(GetErro(), kAvisoContaSemIntegracao, dadosConta);
      return GetErro();
    }
  }
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosConfiguracaoServicoImportacaoExtratos::Consiste(
    const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& dados) {
  LimpaErro();

  const CZQVector<Regra>& listaRegras = dados.GetListaRegras();
  for (const Regra& dadosRegra : listaRegras) {
    if (ConsisteRegra(dadosRegra).TemErro()) return GetErro();
  }
  return ConsisteConjuntoRegra(listaRegras);
}

CZQDadosDF_Erro& CCLTrataDadosConfiguracaoServicoImportacaoExtratos::OnTrataGravacao(TZQBaseParaDados* dados,
                                                                                     IZQTrataInconsistencia*) {
  LimpaErro();

  const auto* dadosConfiguracao = dynamic_cast<const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos*>(dados);
  if (dadosConfiguracao == nullptr) {
    SetErro(ZQ_E_REGISTRO_INVALIDO, kClasseTrataDados, 0);
    return GetErro();
  }

  Consiste(*dadosConfiguracao);
  return GetErro();
}
