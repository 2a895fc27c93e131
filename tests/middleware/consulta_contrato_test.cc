// The middleware routine the rules hold: binding through the installed factory, how it
// hands a component's failure on, and the descriptions of the middleware's results.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "frame/zq_base_rotinas.h"
#include "frame/zq_config.h"
#include "frame/zq_mensagens.h"
#include "platform/components/zq_consulta_sistema_terceiro.h"

namespace {

// A component that answers what the test tells it to.
class ConsultaFalsa : public IZQConsultaSistemaTerceiro {
 public:
  HRESULT hr = S_OK;
  bool preencheErro = true;
  int* chamadas = nullptr;

  HRESULT BuscaDados(const CZQDadosCR_ConsultaSistemaTerceiro& consulta, TZQBaseParaDados* resultado,
                     CZQDadosDF_Erro& erro) override {
    if (chamadas) ++*chamadas;
    // Fills the answer even when failing: the routine must not hand that part on.
    if (auto* extrato = dynamic_cast<CZQDadosCR_ConsultaExtratoBancoBrasil*>(resultado)) {
      CZQDadosCR_ExtratoBancoBrasil linha;
      linha.SetNumeroDocumento(consulta.GetPonteiroAuxiliar());
      extrato->GetListaExtratosBancoBrasil().Add(linha);
    } else if (auto* status = dynamic_cast<CZQDadosCR_StatusConsultaSistemaTerceiro*>(resultado)) {
      status->SetStatusConsulta(ZQ_STATUS_CONSULTA_SUCESSO);
      status->SetQuantidadeDocumentoRetorno(1);
      status->GetListaDocumentoRetorno().Add(uint8_t('O'));
      status->SetMensagemRetorno("mensagem do serviço");
    }
    if (FAILED(hr) && preencheErro) {
      erro.SetErro(hr, ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO, 503);
      erro.SetTexto("detalhe da falha");
    }
    return hr;
  }
};

class RotinaDona : public CZQBaseParaRotinas {};

class ContratoConsulta : public ::testing::Test {
 protected:
  void SetUp() override {
    m_anterior = ZQDefineFabricaConsultaSistemaTerceiro(nullptr);
    m_dona.Inicializa(nullptr);
  }
  void TearDown() override { ZQDefineFabricaConsultaSistemaTerceiro(m_anterior); }

  void InstalaFalsa(HRESULT hr, bool preencheErro = true) {
    ZQDefineFabricaConsultaSistemaTerceiro([=, this](const IZQDF_Profiler& profiler) {
      m_empresaVista = profiler.GetEmpresa().str();
      auto falsa = std::make_unique<ConsultaFalsa>();
      falsa->hr = hr;
      falsa->preencheErro = preencheErro;
      falsa->chamadas = &m_chamadas;
      return falsa;
    });
  }

  static CZQDadosCR_ConsultaSistemaTerceiro Consulta(ZQTipoConsultaSistemaTerceiro tipo, uint32_t conta) {
    CZQDadosCR_ConsultaSistemaTerceiro consulta;
    consulta.SetTipoConsulta(tipo);
    consulta.SetPonteiroAuxiliar(conta);
    return consulta;
  }

  ZQFabricaConsultaSistemaTerceiro m_anterior;
  RotinaDona m_dona;
  std::string m_empresaVista;
  int m_chamadas = 0;
};

TEST_F(ContratoConsulta, SemComponenteInstaladoInicializaFalhaComErroLegivel) {
  CZQConsultaSistemaTerceiro zqConsultaSistemaTerceiro;
  EXPECT_EQ(zqConsultaSistemaTerceiro.Inicializa(&m_dona), ZQ_E_CONSULTA_NAO_INSTALADA);
  EXPECT_EQ(zqConsultaSistemaTerceiro.GetErro().GetHR(), ZQ_E_CONSULTA_NAO_INSTALADA);
  EXPECT_NE(zqConsultaSistemaTerceiro.GetErro().GetTextoMostraMensagem().str().find("não está instalado"),
            std::string::npos);
  CZQDadosCR_ConsultaExtratoBancoBrasil resposta;
  EXPECT_EQ(zqConsultaSistemaTerceiro.BuscaDados(Consulta(ZQ_CONSULTA_EXTRATO_BANCO_BRASIL, 1), &resposta),
            ZQ_E_CONSULTA_NAO_INICIALIZADA);
}

TEST_F(ContratoConsulta, BuscaAntesDeInicializarNaoChegaAoComponente) {
  InstalaFalsa(S_OK);
  CZQConsultaSistemaTerceiro zqConsultaSistemaTerceiro;
  CZQDadosCR_ConsultaExtratoBancoBrasil resposta;
  EXPECT_EQ(zqConsultaSistemaTerceiro.BuscaDados(Consulta(ZQ_CONSULTA_EXTRATO_BANCO_BRASIL, 1), &resposta),
            ZQ_E_CONSULTA_NAO_INICIALIZADA);
  EXPECT_EQ(m_chamadas, 0);
  EXPECT_TRUE(zqConsultaSistemaTerceiro.GetErro().TemErro());
}

TEST_F(ContratoConsulta, ComponenteRecebeAIdentidadeDaDonaEResponde) {
  InstalaFalsa(S_OK);
  CZQProfilerEmpresa empresa("EMP01", 7, 99);
  m_dona.Inicializa(&empresa);
  CZQConsultaSistemaTerceiro zqConsultaSistemaTerceiro;
  ASSERT_EQ(zqConsultaSistemaTerceiro.Inicializa(&m_dona), S_OK);
  EXPECT_EQ(m_empresaVista, "EMP01");
  CZQDadosCR_ConsultaExtratoBancoBrasil resposta;
  ASSERT_EQ(zqConsultaSistemaTerceiro.BuscaDados(Consulta(ZQ_CONSULTA_EXTRATO_BANCO_BRASIL, 42), &resposta), S_OK);
  ASSERT_EQ(resposta.GetListaExtratosBancoBrasil().GetQuantidade(), 1);
  EXPECT_EQ(resposta.GetListaExtratosBancoBrasil()[0].GetNumeroDocumento(), 42u);
  EXPECT_FALSE(zqConsultaSistemaTerceiro.GetErro().TemErro());
  EXPECT_EQ(zqConsultaSistemaTerceiro.BuscaDados(Consulta(ZQ_CONSULTA_EXTRATO_BANCO_BRASIL, 1), nullptr), E_POINTER);
}

struct CasoFalha {
  HRESULT hr;
  bool preencheErro;
};

class FalhaDoComponente : public ContratoConsulta, public ::testing::WithParamInterface<CasoFalha> {};

// The statement comes back empty with the component's error; the status record keeps
// no document but keeps the service's message.
TEST_P(FalhaDoComponente, ExtratoVazioComOErroDoComponenteEStatusSoComAMensagem) {
  InstalaFalsa(GetParam().hr, GetParam().preencheErro);
  CZQConsultaSistemaTerceiro zqConsultaSistemaTerceiro;
  ASSERT_EQ(zqConsultaSistemaTerceiro.Inicializa(&m_dona), S_OK);
  CZQDadosCR_ConsultaExtratoBancoBrasil resposta;
  EXPECT_EQ(zqConsultaSistemaTerceiro.BuscaDados(Consulta(ZQ_CONSULTA_EXTRATO_BANCO_BRASIL, 5), &resposta),
            GetParam().hr);
  EXPECT_TRUE(resposta.EstaVazio());
  EXPECT_EQ(resposta.GetListaExtratosBancoBrasil().GetQuantidade(), 0);
  const CZQDadosDF_Erro& erro = zqConsultaSistemaTerceiro.GetErro();
  EXPECT_EQ(erro.GetHR(), GetParam().hr);
  EXPECT_EQ(erro.GetClasse(), ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO);
  if (GetParam().preencheErro) {
    EXPECT_EQ(erro.GetValor(), 503);
    EXPECT_EQ(erro.GetTextoMostraMensagem(), "detalhe da falha");
  }

  CZQDadosCR_StatusConsultaSistemaTerceiro status;
  EXPECT_EQ(zqConsultaSistemaTerceiro.BuscaDados(Consulta(ZQ_CONSULTA_EXTRATO_TAVORIN, 5), &status), GetParam().hr);
  EXPECT_EQ(status.GetStatusConsulta(), ZQ_STATUS_CONSULTA_ERRO);
  EXPECT_EQ(status.GetQuantidadeDocumentoRetorno(), 0);
  EXPECT_EQ(status.GetListaDocumentoRetorno().GetQuantidade(), 0);
  EXPECT_EQ(status.GetMensagemRetorno(), "mensagem do serviço");
}

INSTANTIATE_TEST_SUITE_P(Resultados, FalhaDoComponente,
                         ::testing::Values(CasoFalha{ZQ_E_CONSULTA_TEMPO_ESGOTADO, true},
                                           CasoFalha{ZQHResultStatusHttp(503), true}, CasoFalha{E_FAIL, false}));

// Every result the middleware gives has its own description in the message library,
// so the import's warning ("Erro:\n<description>") always says what went wrong.
class DescricaoDoResultado : public ::testing::TestWithParam<HRESULT> {
 protected:
  void SetUp() override {
    const std::string biblioteca = std::string(CL_TEST_BINARY_DIR) + "/libzqmensagens.so";
    if (!std::filesystem::exists(biblioteca)) GTEST_SKIP() << "message library not built: " << biblioteca;
    CZQConfiguracao::Global().Set("biblioteca_mensagens", biblioteca);
  }
  void TearDown() override { CZQConfiguracao::Global().Remove("biblioteca_mensagens"); }
};

TEST_P(DescricaoDoResultado, TemTextoProprioEmPortugues) {
  const std::string descricao = ZQGetErrorDescription(GetParam());
  EXPECT_EQ(descricao.rfind("Consulta a sistemas de terceiros: ", 0), 0u) << std::hex << GetParam() << " " << descricao;
  EXPECT_EQ(descricao.find("sem descrição cadastrada"), std::string::npos) << descricao;
  // A status with a code of its own names the status.
  const uint32_t codigo = HRESULT_CODE(GetParam());
  if (codigo > 0x2000) {
    EXPECT_NE(descricao.find("HTTP " + std::to_string(codigo - 0x2000)), std::string::npos) << descricao;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Resultados, DescricaoDoResultado,
    ::testing::Values(ZQ_E_CONSULTA_NAO_INSTALADA, ZQ_E_CONSULTA_NAO_INICIALIZADA, ZQ_E_CONSULTA_INVALIDA,
                      ZQ_E_CONSULTA_NAO_CONFIGURADA, ZQ_E_CONSULTA_SEM_CONEXAO, ZQ_E_CONSULTA_TEMPO_ESGOTADO,
                      ZQ_E_CONSULTA_CONEXAO_INTERROMPIDA, ZQ_E_CONSULTA_CONEXAO_SEGURA, ZQ_E_CONSULTA_RESPOSTA_INVALIDA,
                      ZQ_E_CONSULTA_RESPOSTA_GRANDE, ZQ_E_CONSULTA_AUTENTICACAO, ZQ_E_CONSULTA_PAGINACAO,
                      ZQ_E_CONSULTA_STATUS_HTTP, ZQHResultStatusHttp(400), ZQHResultStatusHttp(401),
                      ZQHResultStatusHttp(403), ZQHResultStatusHttp(404), ZQHResultStatusHttp(408),
                      ZQHResultStatusHttp(409), ZQHResultStatusHttp(422), ZQHResultStatusHttp(429),
                      ZQHResultStatusHttp(500), ZQHResultStatusHttp(502), ZQHResultStatusHttp(503),
                      ZQHResultStatusHttp(504), ZQHResultStatusHttp(418), ZQHResultStatusHttp(599)));

}  // namespace
