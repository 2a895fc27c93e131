#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "frame/zq_excecao.h"
#include "frame/zq_mensagens.h"
#include "import/importacao_teste_util.h"
#include "importservice/cl_servico_importacao_extratos.h"
#include "platform/access/zq_acesso_areas.h"
#include "platform/components/zq_analytics_evento.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_analytics_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"

namespace cl_servico_teste {

namespace fs = std::filesystem;

using cl_teste::Dia;

// A host that keeps the log entries a service writes and answers Abortar as told.
class HostGravador : public IZQHostServico {
 public:
  struct Entrada {
    unsigned short tipo;
    unsigned short nivel;
    std::string texto;
  };
  HRESULT GravaLog(unsigned short tipo, unsigned short nivel, const char* texto) override {
    entradas.push_back({tipo, nivel, texto ? texto : ""});
    return S_OK;
  }
  bool Abortar() override { return abortar; }

  std::vector<Entrada> entradas;
  bool abortar = false;
};

// The import service over the import tests' environment with the sample company and the
// sample statements of the test mode in the installation directory, the clock on Friday
// 04/12/2026 at 09:00 and the analytics written to the store.
class ServicoImportacaoTest : public cl_teste::AmbienteImportacaoTest {
 protected:
  void SetUp() override {
    m_pessoa = CZQProfilerEmpresa("EXEMPLO", 1, 77);
    AmbienteImportacaoTest::SetUp();
    if (HasFatalFailure()) return;
    m_relogio.Define(CZQDma(4, 12, 2026), zq::MontaHms(9, 0, 0));
    fs::create_directories(Instalacao());
    for (const char* nome : {"MockExtratoTavorin.ofx", "MockExtratoBancoBrasil.json"})
      fs::copy_file(fs::path(CL_TEST_SOURCE_DIR) / "data" / nome, Instalacao() / nome);
    ZQInstalaAnalyticsSQL(m_banco);
    m_servico = NovoServico();
  }

  void TearDown() override {
    if (m_servico) m_servico->OnDestroi();
    ZQDefineDestinoAnalytics(nullptr);
    AmbienteImportacaoTest::TearDown();
  }

  std::string ArquivoEmpresa() const override {
    return (fs::path(CL_TEST_SOURCE_DIR) / "data" / "sample-company.json").string();
  }

  CCLServicoImportacaoExtratos* NovoServico() {
    auto* servico = static_cast<CCLServicoImportacaoExtratos*>(CLServicoImportacaoExtratos_new());
    EXPECT_NE(servico, nullptr);
    servico->SetHost(&m_host);
    EXPECT_EQ(servico->Inicializa(&m_pessoa), S_OK);
    return servico;
  }

  // Replaces the import service's configuration with these rules.
  void Configura(const std::vector<CCLServicoImportacaoExtratos::Regra>& regras) {
    CZQDadosCL_ConfiguracaoServicoImportacaoExtratos configuracao;
    for (const auto& r : regras) configuracao.AdicionaRegra(r);
    ASSERT_EQ(m_hub->GetAcessoConciliacao()->GravaConfiguracaoServicoImportacaoExtratos(configuracao), S_OK);
  }

  // A rule of this service or, given its type, of the reconciliation service.
  template <typename TipoRegra = CCLServicoImportacaoExtratos::Regra>
  static TipoRegra Regra(uint32_t filial, uint8_t frequencia, REG_ZQHMS hora, bool apenasDiasUteis,
                         const std::vector<uint32_t>& contas) {
    TipoRegra r;
    r.SetPonteiroFilial(filial).SetFrequencia(frequencia).SetHmsExecucao(hora).SetApenasDiasUteis(apenasDiasUteis);
    for (uint32_t c : contas) r.AdicionaPonteiroContaBanco(c);
    return r;
  }

  void Relogio(int dia, int mes, int ano, int hora, int minuto, int segundo = 0) {
    m_relogio.Define(CZQDma(dia, mes, ano), zq::MontaHms(hora, minuto, segundo));
  }

  // The due rules as (branch, accounts) pairs after one DeveExecutar.
  std::vector<std::pair<uint32_t, std::vector<uint32_t>>> RegrasDevidas(HRESULT* hr = nullptr) {
    bool bDeve = false;
    HRESULT resultado = m_servico->DeveExecutar(bDeve);
    if (hr) *hr = resultado;
    std::vector<std::pair<uint32_t, std::vector<uint32_t>>> devidas;
    for (const auto& r : m_servico->GetListaRegrasDevidas())
      devidas.emplace_back(r.GetPonteiroFilial(), r.GetListaPonteirosContaBanco().Std());
    EXPECT_EQ(bDeve, !devidas.empty() || !m_servico->GetListaPastasDevidas().empty());
    return devidas;
  }

  // Today's (by the clock) execution records, oldest first.
  std::vector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> Execucoes() {
    const REG_ZQDMA dia = zq::Hoje().GetDma();
    CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos filtro;
    filtro.SetDmaExecucaoInicial(dia).SetDmaExecucaoFinal(dia);
    CZQVector<REG_ZQDMC> chaves;
    CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> lidas;
    EXPECT_EQ(m_hub->GetAcessoConciliacao()->BuscaPonteirosExecucaoServicoImportacaoExtratos(filtro, chaves), S_OK);
    EXPECT_EQ(m_hub->GetAcessoConciliacao()->LePonteirosExecucaoServicoImportacaoExtratos(chaves, lidas, 1), S_OK);
    return lidas.Std();
  }

  // An execution record made by hand, as an earlier run today would have stored it.
  void GravaExecucao(const std::vector<std::tuple<uint32_t, uint32_t, uint8_t>>& entradas) {
    CZQDadosCL_ExecucaoServicoImportacaoExtratos execucao;
    execucao.SetDmaHmsExecucao(zq::Agora());
    for (const auto& [filial, conta, status] : entradas) {
      CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra e;
      e.SetPonteiroFilial(filial).SetPonteiroContaBanco(conta).SetTipoStatus(status).SetMensagemStatus("anterior");
      execucao.AdicionaRegra(e);
    }
    CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> lista;
    lista.Add(execucao);
    ASSERT_EQ(m_hub->GetAcessoConciliacao()->GravaExecucaoServicoImportacaoExtratos(lista), S_OK);
  }

  long long Escalar(const std::string& sql) {
    long long valor = 0;
    std::lock_guard<std::recursive_mutex> trava(m_banco->Trava());
    m_banco->Sessao() << sql, soci::into(valor);
    return valor;
  }
  void Sql(const std::string& comando) {
    std::lock_guard<std::recursive_mutex> trava(m_banco->Trava());
    m_banco->Sessao() << comando;
  }
  long long LinhasExtrato(uint32_t conta) {
    return Escalar("SELECT COUNT(*) FROM extrato WHERE conta = " + std::to_string(conta));
  }

  // `executa` must throw the service's error (`hr`, `mensagem`, the company, raised in
  // `arquivo`) after writing the same text to the host's log as an error. A failure's
  // message ends with the library's description of its result.
  void EsperaExcecao(const std::function<void()>& executa, HRESULT hr, std::string mensagem, const char* arquivo) {
    CZQString descricao(ZQGetErrorDescription(hr));
    if (FAILED(hr)) mensagem += " - " + descricao.Trim().str();
    try {
      executa();
      ADD_FAILURE() << "no exception";
    } catch (const CZQExceptionEx& e) {
      EXPECT_EQ(std::make_tuple(e.GetCodigo(), e.GetCodigo2(), e.GetCodigo3()), std::make_tuple(hr, 0, 0));
      EXPECT_EQ(e.GetMensagem().str(), mensagem);
      EXPECT_EQ(e.GetEmpresa(), CZQString("EXEMPLO"));
      EXPECT_EQ(e.GetArquivo(), CZQString(arquivo));
      EXPECT_GT(e.GetLinha(), 0);
    }
    ASSERT_EQ(m_host.entradas.size(), 1u);
    EXPECT_EQ(std::make_tuple(m_host.entradas[0].tipo, m_host.entradas[0].nivel, m_host.entradas[0].texto),
              std::make_tuple(1, 4, mensagem));
  }

  // Whether a record of `classeFuncao` traced the failure of `variavelExpressao`.
  bool TemTrace(const std::string& classeFuncao, const std::string& variavelExpressao) const {
    for (const std::string& r : RegistrosLog())
      if (r.find("\t" + classeFuncao + "\t") != std::string::npos &&
          r.find("\t" + variavelExpressao + "\t") != std::string::npos)
        return true;
    return false;
  }

  HostGravador m_host;
  CCLServicoImportacaoExtratos* m_servico = nullptr;
};

}  // namespace cl_servico_teste
