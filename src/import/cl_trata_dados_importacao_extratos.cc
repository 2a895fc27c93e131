#include "import/cl_trata_dados_importacao_extratos.h"

#include <utility>

#include "frame/zq_data.h"
#include "frame/zq_relogio.h"
#include "frame/zq_trace.h"
#include "platform/access/zq_acesso_areas.h"

namespace {

constexpr const char kClasse[] = "CCLTrataDadosImportacaoExtratos";

// Messages of the module's catalogue, with the field each one points the screen to as
// its third value.
constexpr long kAvisoDataInicialInvalida = 5807;
constexpr long kAvisoDataFinalInvalida = 5808;
constexpr long kAvisoSemFilial = 5824;
constexpr long kAvisoSemLeiaute = 5825;
constexpr long kAvisoSemArquivo = 5827;
constexpr long kAvisoSemConta = 5832;
constexpr long kAvisoDataInicialForaPeriodo = 5835;
constexpr long kAvisoDataFinalForaPeriodo = 5836;
constexpr long kAvisoDataInicialAposFinal = 5837;
constexpr long kAvisoDataBloqueio = 5872;
constexpr long kAvisoMaisDeCincoAnos = 5886;
constexpr long kAvisoMaisDe31Dias = 5887;
constexpr long kAvisoSemFonteOnline = 5888;
constexpr long kAvisoDataFutura = 5900;

constexpr long kCampoLeiaute = 1;
constexpr long kCampoArquivo = 2;
constexpr long kCampoFilial = 3;
constexpr long kCampoConta = 4;
constexpr long kCampoDataInicial = 5;
constexpr long kCampoDataFinal = 6;

// Banco do Brasil answers statement queries only this far back and this long.
constexpr int kAnosHistoricoBancoBrasil = 5;
constexpr int kDiasPeriodoBancoBrasil = 31;

}  // namespace

CCLTrataDadosImportacaoExtratos::CCLTrataDadosImportacaoExtratos() = default;
CCLTrataDadosImportacaoExtratos::CCLTrataDadosImportacaoExtratos(const CCLTrataDadosImportacaoExtratos& outro) =
    default;
CCLTrataDadosImportacaoExtratos::CCLTrataDadosImportacaoExtratos(CCLTrataDadosImportacaoExtratos&& outro) noexcept =
    default;
CCLTrataDadosImportacaoExtratos::~CCLTrataDadosImportacaoExtratos() = default;
CCLTrataDadosImportacaoExtratos& CCLTrataDadosImportacaoExtratos::operator=(
    const CCLTrataDadosImportacaoExtratos& outro) = default;
CCLTrataDadosImportacaoExtratos& CCLTrataDadosImportacaoExtratos::operator=(
    CCLTrataDadosImportacaoExtratos&& outro) noexcept = default;

CZQAcessoConciliacao* CCLTrataDadosImportacaoExtratos::GetAcessoConciliacao() { return AreaConciliacao(); }
CZQAcessoEmpresarial* CCLTrataDadosImportacaoExtratos::GetAcessoEmpresarial() { return AreaEmpresarial(); }
CZQAcessoContabil* CCLTrataDadosImportacaoExtratos::GetAcessoContabil() { return AreaContabil(); }

CZQDadosDF_Erro& CCLTrataDadosImportacaoExtratos::OnTrataGravacao(TZQBaseParaDados* dados, IZQTrataInconsistencia*) {
  LimpaErro();

  const auto* dadosFiltro = dynamic_cast<const CZQDadosCL_FiltroImportacaoExtrato*>(dados);
  if (dadosFiltro == nullptr) {
    SetErro(ZQ_E_REGISTRO_INVALIDO, CL_CLASSE_TRATA_DADOS_IMPORTACAO_EXTRATOS, 0);
    return GetErro();
  }

  Consiste(*dadosFiltro);
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosImportacaoExtratos::Consiste(const CZQDadosCL_FiltroImportacaoExtrato& dados) {
  LimpaErro();

  HRESULT hr = S_OK;
  CZQDadosCL_Leiaute dadosLeiaute;
  if (dados.GetPosicaoLeiaute() != 0) {
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->LeLeiaute(dados.GetPosicaoLeiaute(), dadosLeiaute))) {
      SetErro(GetAcessoConciliacao()->GetErro());
      return GetErro();
    }
  }

  const bool bOnline =
      dadosLeiaute.GetDescricao() == ZQ_LEIAUTE_IMPORTACAO_ONLINE || dados.GetLeiaute() == ZQ_LEIAUTE_IMPORTACAO_ONLINE;

  if (dados.GetPosicaoLeiaute() == 0 && !bOnline) {
    SetAviso(ZQ_MODULO_CL, kAvisoSemLeiaute, kCampoLeiaute);
    return GetErro();
  }
  if (dados.GetFilial() == 0) {
    SetAviso(ZQ_MODULO_CL, kAvisoSemFilial, kCampoFilial);
    return GetErro();
  }
  // Only a layout whose lines carry their own account may go without one.
  if (dados.GetConta() == 0 && dadosLeiaute.GetSeparador() != ZQ_SEPARADOR_LEIAUTE_COM_CONTA) {
    SetAviso(ZQ_MODULO_CL, kAvisoSemConta, kCampoConta);
    return GetErro();
  }

  const CZQDma dataInicial = dados.GetDataInicial();
  const CZQDma dataFinal = dados.GetDataFinal();
  if (!dataInicial.EhValida()) {
    SetAviso(ZQ_MODULO_CL, kAvisoDataInicialInvalida, kCampoDataInicial);
    return GetErro();
  }
  if (!dataFinal.EhValida()) {
    SetAviso(ZQ_MODULO_CL, kAvisoDataFinalInvalida, kCampoDataFinal);
    return GetErro();
  }
  if (dataInicial > dataFinal) {
    SetAviso(ZQ_MODULO_CL, kAvisoDataInicialAposFinal, kCampoDataInicial);
    return GetErro();
  }

  {
    CZQDadosCN_MestreEmpresa dadosMestre;
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoContabil()->LeBufferMestreEmpresa(&dadosMestre))) {
      SetErro(GetAcessoContabil()->GetErro());
      return GetErro();
    }
  }
  CZQDadosDF_PeriodoContabil dadosPeriodoContabil;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBufferPeriodoContabil(&dadosPeriodoContabil))) {
    SetErro(GetAcessoEmpresarial()->GetErro());
    return GetErro();
  }

  const CZQDma limiteInferior = dadosPeriodoContabil.GetDataInferiorMovimentacao();
  const CZQDma limiteSuperior = dadosPeriodoContabil.GetDataSuperiorMovimentacao();
  if (dataInicial < limiteInferior || dataInicial > limiteSuperior) {
    SetAviso(ZQ_MODULO_CL, kAvisoDataInicialForaPeriodo, kCampoDataInicial);
    return GetErro();
  }
  if (dataFinal < limiteInferior || dataFinal > limiteSuperior) {
    SetAviso(ZQ_MODULO_CL, kAvisoDataFinalForaPeriodo, kCampoDataFinal);
    return GetErro();
  }

  if (bOnline) return ConsisteImportacaoOnline(dados);

  if (dados.GetArquivo().IsEmpty()) SetAviso(ZQ_MODULO_CL, kAvisoSemArquivo, kCampoArquivo);
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosImportacaoExtratos::ConsisteImportacaoOnline(
    const CZQDadosCL_FiltroImportacaoExtrato& dados) {
  LimpaErro();

  HRESULT hr = S_OK;
  const CZQDma dataInicial = dados.GetDataInicial();
  const CZQDma dataFinal = dados.GetDataFinal();

  {
    CZQDadosCL_Mestre dadosMestre;
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->LeBufferMestre(&dadosMestre))) {
      SetErro(GetAcessoConciliacao()->GetErro());
      return GetErro();
    }
    const CZQDma dataBloqueio = dadosMestre.GetDataBloqueioMovimentacao();
    if (!dataBloqueio.EhVazia() && dataInicial <= dataBloqueio) {
      SetAviso(ZQ_MODULO_CL, kAvisoDataBloqueio, kCampoDataInicial);
      return GetErro();
    }
  }

  CZQDadosDF_Banco dadosBanco;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBanco(dados.GetConta(), &dadosBanco))) {
    SetErro(GetAcessoEmpresarial()->GetErro());
    return GetErro();
  }

  const ZQIntegrarComTerceiro integracao = dadosBanco.GetIntegrarComTerceiro();
  if (integracao == ZQ_INTEGRAR_TAVORIN) return GetErro();

  if (integracao == ZQ_INTEGRAR_BANCO_BRASIL && (dadosBanco.GetTipoOperacao() & ZQ_OPERACAO_EXTRATO) != 0) {
    const CZQDma hoje = zq::Hoje();
    if (dataInicial > hoje) {
      SetAviso(ZQ_MODULO_CL, kAvisoDataFutura, kCampoDataInicial);
    } else if (dataFinal > hoje) {
      SetAviso(ZQ_MODULO_CL, kAvisoDataFutura, kCampoDataFinal);
    } else if (CZQDma::SomaData(dataInicial, ZQ_UNIDADE_ANOS, kAnosHistoricoBancoBrasil) < hoje) {
      // Day and month kept: 29 February moves to 28 February of a common year.
      SetAviso(ZQ_MODULO_CL, kAvisoMaisDeCincoAnos, kCampoDataInicial);
    } else if (dataFinal > CZQDma::SomaData(dataInicial, ZQ_UNIDADE_DIAS, kDiasPeriodoBancoBrasil)) {
      SetAviso(ZQ_MODULO_CL, kAvisoMaisDe31Dias, kCampoDataInicial);
    }
    return GetErro();
  }

  SetAviso(ZQ_MODULO_CL, kAvisoSemFonteOnline, kCampoDataFinal);
  return GetErro();
}
