#include "reconciliation/cl_trata_dados_configuracao_conciliacao_tesouraria_banco.h"

#include <cstdint>
#include <cstdlib>

#include "frame/zq_trace.h"
#include "importservice/cl_consiste_configuracao_servico.h"
#include "platform/access/zq_acesso_areas.h"

namespace {

constexpr const char kClasse[] = "CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco";

using namespace cl_configuracao_servico;

// The wrong record's error carries no value of its own here.
constexpr long kValorRegistroInvalido = -1;

// The last second of a day; a time of day is taken by its size, whatever its sign.
constexpr REG_ZQHMS kUltimoSegundoDia = 86399;

}  // namespace

CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco() = default;
CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco(
    const CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco& outro) = default;
CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco(
    CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco&& outro) noexcept = default;
CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::~CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco() = default;
CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco& CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::operator=(
    const CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco& outro) = default;
CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco& CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::operator=(
    CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco&& outro) noexcept = default;

CZQAcessoEmpresarial* CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::GetAcessoEmpresarial() {
  return AreaEmpresarial();
}

CZQDadosDF_Erro& CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::ConsisteConjuntoRegra(
    const CZQVector<Regra>& listaRegras) {
  LimpaErro();

  uint32_t ulPonteiroBanco = 0;
  if (!BuscaContaRepetida(listaRegras, ulPonteiroBanco)) return GetErro();

  HRESULT hr = S_OK;
  CZQDadosDF_PlanoEmpresarial dadosConta;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiroBanco, &dadosConta))) {
    SetErro(GetAcessoEmpresarial()->GetErro());
    return GetErro();
  }
  AvisaConta(GetErro(), kAvisoContaRepetida, dadosConta);
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::ConsisteRegra(const Regra& dadosRegra) {
  LimpaErro();

  if (dadosRegra.GetQuantidadePonteirosContaBanco() == 0) {
    Avisa(GetErro(), kRegraSemConta);
    return GetErro();
  }
  // The branch comes before the accounts: a rule without one is refused unread.
  if (dadosRegra.GetPonteiroFilial() == 0) {
    Avisa(GetErro(), kRegraSemFilial);
    return GetErro();
  }

  // Only the chart entry matters: the service reconciles what is already stored, so
  // the bank's online sources are no concern of this rule.
  HRESULT hr = S_OK;
  for (const uint32_t ulPonteiroBanco : dadosRegra.GetListaPonteirosContaBanco()) {
    CZQDadosDF_PlanoEmpresarial dadosConta;
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiroBanco, &dadosConta))) {
      SetErro(GetAcessoEmpresarial()->GetErro());
      return GetErro();
    }
    if (ConsisteContaPlano(GetErro(), dadosConta)) return GetErro();
  }

  if (dadosRegra.GetFrequencia() == ZQ_FREQUENCIA_NENHUMA) {
    Avisa(GetErro(), kRegraSemFrequencia);
    return GetErro();
  }
  // A daily rule needs a time within a day: neither midnight nor past the day's last
  // second.
  const int64_t hmsExecucao = dadosRegra.GetHmsExecucao();
  if (dadosRegra.GetFrequencia() == ZQ_FREQUENCIA_DIARIA &&
      (hmsExecucao == 0 || std::llabs(hmsExecucao) > kUltimoSegundoDia)) {
    Avisa(GetErro(), kRegraSemHorario);
    return GetErro();
  }
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::OnTrataGravacao(TZQBaseParaDados* dados,
                                                                                      IZQTrataInconsistencia*) {
  LimpaErro();

  const auto* dadosConfiguracao = dynamic_cast<const CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco*>(dados);
  if (dadosConfiguracao == nullptr) {
    SetErro(ZQ_E_REGISTRO_INVALIDO, kClasseTrataDados, kValorRegistroInvalido);
    return GetErro();
  }

  const CZQVector<Regra>& listaRegras = dadosConfiguracao->GetListaRegras();
  for (const Regra& dadosRegra : listaRegras) {
    if (!ConsisteRegra(dadosRegra).EhErroNenhum()) return GetErro();
  }
  return ConsisteConjuntoRegra(listaRegras);
}
