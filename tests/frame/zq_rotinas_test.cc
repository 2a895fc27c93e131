#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frame/zq_base_rotinas.h"
#include "frame/zq_erro.h"
#include "frame/zq_excecao.h"
#include "frame/zq_mensagens.h"
#include "importservice/cl_servico_importacao_extratos.h"
#include "importservice/servico_teste_util.h"
#include "platform/access/zq_acesso_servidores.h"
#include "platform/components/zq_autorun.h"
#include "reconciliation/cl_conciliacao_tesouraria_banco_automatizada.h"

namespace {

// A hub that only remembers whose identity it was made for.
class HubIdentificado : public CZQAcessoServidores {
 public:
  explicit HubIdentificado(const IZQDF_Profiler& p) : empresa(p.GetEmpresa().str()), usuario(p.GetUsuario()) {}
  CZQAcessoConciliacao* GetAcessoConciliacao() override { return nullptr; }
  CZQAcessoEmpresarial* GetAcessoEmpresarial() override { return nullptr; }
  CZQAcessoFinanceiro* GetAcessoFinanceiro() override { return nullptr; }
  CZQAcessoContabil* GetAcessoContabil() override { return nullptr; }
  CZQAcessoIntegracao* GetAcessoIntegracao() override { return nullptr; }
  std::string empresa;
  unsigned short usuario;
};

class FabricaGuard {
 public:
  explicit FabricaGuard(ZQFabricaAcessoServidores f) : m_anterior(ZQDefineFabricaAcessoServidores(std::move(f))) {}
  ~FabricaGuard() { ZQDefineFabricaAcessoServidores(std::move(m_anterior)); }

 private:
  ZQFabricaAcessoServidores m_anterior;
};

// A routine that holds another by value and binds it the usual way.
class RotinaFilha : public CZQBaseParaRotinas {
 public:
  HRESULT OnInicializa() override {
    ++inicializacoes;
    HRESULT hr = CZQBaseParaRotinas::OnInicializa();
    return FAILED(hr) ? hr : resultado;
  }
  HRESULT resultado = S_OK;
  int inicializacoes = 0;
};

class RotinaDona : public CZQBaseParaRotinas {
 public:
  HRESULT OnInicializa() override {
    HRESULT hr = CZQBaseParaRotinas::OnInicializa();
    if (FAILED(hr)) return hr;
    return filha.Inicializa(this);
  }
  RotinaFilha filha;
};

TEST(CZQBaseParaRotinasTest, BindingPassesTheOwnersIdentityDown) {
  CZQProfilerEmpresa pessoa("0042", 7, 123456);
  RotinaDona dona;
  ASSERT_EQ(dona.Inicializa(&pessoa), S_OK);
  EXPECT_TRUE(dona.EstaInicializado());
  for (const IZQDF_Profiler* p :
       {static_cast<const IZQDF_Profiler*>(&dona), static_cast<const IZQDF_Profiler*>(&dona.filha)}) {
    EXPECT_EQ(p->GetEmpresa(), "0042");
    EXPECT_EQ(p->GetUsuario(), 7);
    EXPECT_EQ(p->GetNumeroSessao(), 123456u);
  }
  EXPECT_EQ(dona.filha.inicializacoes, 1);
}

TEST(CZQBaseParaRotinasTest, FailedInitialisationLeavesTheRoutineUnbound) {
  CZQProfilerEmpresa pessoa("1", 1, 1);
  RotinaDona dona;
  dona.filha.resultado = E_OUTOFMEMORY;
  EXPECT_EQ(dona.Inicializa(&pessoa), E_OUTOFMEMORY);
  EXPECT_FALSE(dona.EstaInicializado());
  EXPECT_FALSE(dona.filha.EstaInicializado());
}

TEST(CZQBaseParaRotinasTest, HubComesFromTheInstalledFactoryForTheRoutinesIdentity) {
  int criados = 0;
  FabricaGuard guard([&](const IZQDF_Profiler& p) {
    ++criados;
    return std::make_unique<HubIdentificado>(p);
  });
  CZQProfilerEmpresa pessoa("0099", 3, 1);
  RotinaFilha rotina;
  ASSERT_EQ(rotina.Inicializa(&pessoa), S_OK);
  auto* hub = dynamic_cast<HubIdentificado*>(rotina.GetAcessoServidores());
  ASSERT_NE(hub, nullptr);
  EXPECT_EQ(hub->empresa, "0099");
  EXPECT_EQ(hub->usuario, 3);
  EXPECT_EQ(rotina.GetAcessoServidores(), hub);  // made once, kept
  EXPECT_EQ(criados, 1);

  RotinaFilha copia;
  copia = rotina;  // a copy never shares the hub
  EXPECT_NE(copia.GetAcessoServidores(), hub);
  EXPECT_EQ(criados, 2);
}

TEST(CZQBaseParaRotinasTest, WithoutFactoryThereIsNoHub) {
  FabricaGuard guard(nullptr);
  RotinaFilha rotina;
  EXPECT_EQ(rotina.GetAcessoServidores(), nullptr);
}

TEST(CZQUltimoErroTest, RoutineKeepsItsLastError) {
  RotinaFilha rotina;
  CZQDadosDF_Erro servidor;
  servidor.SetErro(E_FAIL, 7, 1);
  EXPECT_EQ(rotina.SetErro(&servidor), E_FAIL);
  EXPECT_EQ(rotina.GetUltimoHR(), E_FAIL);
  EXPECT_EQ(rotina.GetErro(), servidor);
  rotina.SetErro(E_ABORT, 2103, 0, "Falha %d de %s", 2, "três");
  EXPECT_EQ(rotina.GetErro().GetTextoMostraMensagem(), "Falha 2 de três");
  EXPECT_EQ(rotina.GetNumeroServidorUltimoHR(), 2103);
  rotina.LimpaErro();
  EXPECT_TRUE(rotina.GetErro().EhErroNenhum());
}

using cl_servico_teste::HostGravador;

using Fabrica = CAutoRun* (*)();

class ServicoTest : public ::testing::TestWithParam<Fabrica> {};

TEST_P(ServicoTest, FactoryBuildsAServiceTheHostCanDrive) {
  CAutoRun* servico = GetParam()();
  ASSERT_NE(servico, nullptr);
  unsigned long intervalo = 0;
  EXPECT_EQ(servico->OnGetIntervalo(&intervalo), S_OK);
  EXPECT_EQ(intervalo, 3600000u);
  EXPECT_FALSE(servico->OnConsultaIndicador());
  EXPECT_EQ(servico->OnGetCodigoServico(), 0u);
  EXPECT_TRUE(servico->OnGetMensagemAmigavel().IsEmpty());
  HostGravador host;
  servico->SetHost(&host);
  EXPECT_FALSE(servico->Abortar());
  host.abortar = true;
  EXPECT_TRUE(servico->Abortar());
  servico->OnDestroi();  // the sanitizer build catches a leak or a double free here
}

struct CasoFalhaServico {
  const char* nome;
  HRESULT hr;
  const char* mensagem;
  const char* esperado;
};

class FalhaServicoTest : public ::testing::TestWithParam<std::tuple<Fabrica, CasoFalhaServico>> {};

// The failure is logged on the host and thrown with the service's company; a code the
// message library does not describe (the store's "locked by another process") leaves the
// text ending in " -" (the trace line names the code).
TEST_P(FalhaServicoTest, FailurePathLogsAndThrowsWithTheServicesCompany) {
  const auto& [fabrica, caso] = GetParam();
  CAutoRun* servico = fabrica();
  ASSERT_NE(servico, nullptr);
  CZQProfilerEmpresa pessoa("0007", 1, 2);
  ASSERT_EQ(servico->Inicializa(&pessoa), S_OK);
  HostGravador host;
  servico->SetHost(&host);
  const std::string esperado = caso.esperado;
  try {
    ZQFalhaServico(*servico, caso.mensagem, caso.hr, "servico.cc", 77);
    ADD_FAILURE() << "no exception";
  } catch (const CZQExceptionEx& e) {
    EXPECT_EQ(e.GetCodigo(), caso.hr);
    EXPECT_EQ(e.GetCodigo2(), 0);
    EXPECT_EQ(e.GetCodigo3(), 0);
    EXPECT_EQ(e.GetEmpresa(), "0007");
    EXPECT_EQ(e.GetMensagem().str(), esperado);
    EXPECT_EQ(e.GetArquivo(), "servico.cc");
    EXPECT_EQ(e.GetLinha(), 77);
    EXPECT_EQ(e.GetDataHoraCompilacao(), zq::DataHoraCompilacao());
  }
  ASSERT_EQ(host.entradas.size(), 1u);
  EXPECT_EQ(host.entradas[0].tipo, 1);
  EXPECT_EQ(host.entradas[0].nivel, 4);
  EXPECT_EQ(host.entradas[0].texto, esperado);
  servico->OnDestroi();
}

INSTANTIATE_TEST_SUITE_P(
    Fabricas, FalhaServicoTest,
    ::testing::Combine(::testing::Values(&CLServicoImportacaoExtratos_new, &CLConciliacaoTesourariaBanco_new),
                       ::testing::Values(CasoFalhaServico{"Described", ZQ_HR(0x80047D04),
                                                          "Falha ao ler a configuração do serviço.",
                                                          "Falha ao ler a configuração do serviço. - ZQSA: Registro "
                                                          "não encontrado."},
                                         CasoFalhaServico{"NotDescribed", ZQ_HR(0x800700AA),
                                                          "Falha no processamento da conciliação automática.",
                                                          "Falha no processamento da conciliação automática. -"})),
    [](const auto& info) {
      return std::string(std::get<0>(info.param) == &CLServicoImportacaoExtratos_new ? "Importacao_" : "Conciliacao_") +
             std::get<1>(info.param).nome;
    });

INSTANTIATE_TEST_SUITE_P(Fabricas, ServicoTest,
                         ::testing::Values(&CLServicoImportacaoExtratos_new, &CLConciliacaoTesourariaBanco_new));

}  // namespace
