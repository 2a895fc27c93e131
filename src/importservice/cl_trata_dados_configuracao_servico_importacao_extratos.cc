#include "importservice/cl_trata_dados_configuracao_servico_importacao_extratos.h"

#include <unordered_set>
#include <utility>

#include "frame/zq_trace.h"
#include "import/cl_acesso_rotina.h"
#include "platform/zq_acesso_areas.h"

namespace {

constexpr const char kClasse[] = "CCLTrataDadosConfiguracaoServicoImportacaoExtratos";

// Messages of the module's catalogue; the plain warnings carry the field they point
// the screen to, the personalised ones the account's own code.
constexpr long kAvisoRegraSemConta = 5892;
constexpr long kAvisoRegraSemFilial = 5893;
constexpr long kAvisoRegraSemHorario = 5894;
constexpr long kAvisoContaSemIntegracao = 5895;
constexpr long kAvisoContaRepetida = 5896;
constexpr long kAvisoContaNaoBancaria = 5897;
constexpr long kAvisoRegraSemFrequencia = 5898;
constexpr long kAvisoContaTipoInvalido = 5899;

constexpr long kCampoContas = 1;
constexpr long kCampoFilial = 2;
constexpr long kCampoFrequencia = 3;
constexpr long kCampoHorario = 4;
constexpr long kAvisoComArgumentos = 1;

constexpr char kContaBancaria = 'S';
constexpr unsigned char kTipoAnalitica = 'A';
constexpr unsigned char kTipoSintetica = 'S';

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
  return cl_import::AcessoEmpresarial(*this);
}

CZQDadosDF_Erro& CCLTrataDadosConfiguracaoServicoImportacaoExtratos::ConsisteRegra(const Regra& dadosRegra) {
  LimpaErro();

  if (dadosRegra.GetQuantidadePonteirosContaBanco() == 0) {
    SetAviso(ZQ_MODULO_CL, kAvisoRegraSemConta, kCampoContas);
    return GetErro();
  }
  // The accounts come before the branch: a rule is about its accounts first.
  if (ConsisteContaBanco(dadosRegra.GetListaPonteirosContaBanco()).TemErro()) return GetErro();

  if (dadosRegra.GetPonteiroFilial() == 0) {
    SetAviso(ZQ_MODULO_CL, kAvisoRegraSemFilial, kCampoFilial);
    return GetErro();
  }
  if (dadosRegra.GetFrequencia() == ZQ_FREQUENCIA_NENHUMA) {
    SetAviso(ZQ_MODULO_CL, kAvisoRegraSemFrequencia, kCampoFrequencia);
    return GetErro();
  }
  // Midnight is no time for a daily rule; any other time of day is taken as given.
  if (dadosRegra.GetFrequencia() == ZQ_FREQUENCIA_DIARIA && dadosRegra.GetHmsExecucao() == 0) {
    SetAviso(ZQ_MODULO_CL, kAvisoRegraSemHorario, kCampoHorario);
    return GetErro();
  }
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosConfiguracaoServicoImportacaoExtratos::ConsisteConjuntoRegra(
    const CZQVector<Regra>& listaRegras) {
  LimpaErro();

  HRESULT hr = S_OK;
  std::unordered_set<uint32_t> contasVistas;
  for (const Regra& dadosRegra : listaRegras) {
    for (const uint32_t ulPonteiroContaBanco : dadosRegra.GetListaPonteirosContaBanco()) {
      if (contasVistas.insert(ulPonteiroContaBanco).second) continue;

      CZQDadosDF_PlanoEmpresarial dadosConta;
      if (ZQ_FALHOU_EM(this, kClasse, hr,
                       GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiroContaBanco, &dadosConta))) {
        SetErro(GetAcessoEmpresarial()->GetErro());
        return GetErro();
      }
      SetAvisoPersonalizado(ZQ_MODULO_CL, kAvisoComArgumentos, kAvisoContaRepetida, dadosConta.GetCodigoProprio());
      return GetErro();
    }
  }
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
    if (dadosConta.GetTipoBanco() != kContaBancaria) {
      SetAvisoPersonalizado(ZQ_MODULO_CL, kAvisoComArgumentos, kAvisoContaNaoBancaria, dadosConta.GetCodigoProprio());
      return GetErro();
    }
    if (dadosConta.GetTipo() != kTipoAnalitica && dadosConta.GetTipo() != kTipoSintetica) {
      SetAvisoPersonalizado(ZQ_MODULO_CL, kAvisoComArgumentos, kAvisoContaTipoInvalido, dadosConta.GetCodigoProprio());
      return GetErro();
    }

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
      SetAvisoPersonalizado(ZQ_MODULO_CL, kAvisoComArgumentos, kAvisoContaSemIntegracao, dadosConta.GetCodigoProprio());
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
    SetErro(ZQ_E_REGISTRO_INVALIDO, CL_CLASSE_TRATA_DADOS_CONFIGURACAO_SERVICO_IMPORTACAO, 0);
    return GetErro();
  }

  Consiste(*dadosConfiguracao);
  return GetErro();
}
