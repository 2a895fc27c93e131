#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "frame/zq_excecao.h"
#include "frame/zq_mensagens.h"
#include "frame/zq_relogio.h"
#include "import/importacao_teste_util.h"
#include "importservice/cl_servico_importacao_extratos.h"
#include "platform/zq_acesso_areas.h"
#include "platform/zq_analytics_evento.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_analytics_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"

namespace cl_servico_teste {

namespace fs = std::filesystem;

inline REG_ZQDMA Dia(int dia, int mes, int ano) { return CZQDma(dia, mes, ano).GetDma(); }

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

using cl_teste::VariavelTrocada;

// The library's description of a result, as a service's failure message ends.
inline std::string Descricao(HRESULT hr) {
  CZQString d(ZQGetErrorDescription(hr));
  d.Trim();
  return d.str();
}

// The import service over a store of its own with the sample company and the sample
// statements of the test mode in the installation directory; the clock fixed on Friday
// 04/12/2026 at 09:00; the directories, the message library and the analytics
// destination set for the test and undone at the end.
class ServicoImportacaoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string modelo = (fs::temp_directory_path() / "cl_servico_XXXXXX").string();
    ASSERT_NE(mkdtemp(modelo.data()), nullptr);
    m_raiz = modelo;
    for (const char* var : {"CL_LOCAL_ORBEL", "CL_RELATORIOS", "CL_TEMPORARIO", "CL_LOG_ERROS",
                            "CL_LOG_ERROS_EMPRESA", "CL_BANCO"}) {
      m_variaveis.push_back(std::make_unique<VariavelTrocada>(var, nullptr));
    }
    m_variaveis.push_back(std::make_unique<VariavelTrocada>(
        "CL_BIBLIOTECA_MENSAGENS", (std::string(CL_TEST_BINARY_DIR) + "/libzqmensagens.so").c_str()));
    CZQConfiguracao& config = CZQConfiguracao::Global();
    config.Set("local_orbel", (m_raiz / "instalacao").string());
    config.Set("relatorios", (m_raiz / "relatorios").string());
    config.Set("temporario", (m_raiz / "tmp").string());
    config.Set("log_erros", (m_raiz / "log" / "pgms").string());
    config.Set("log_erros_empresa", (m_raiz / "log" / "empresas" / "{empresa}").string());
    m_relogioAnterior = zq::DefineRelogio(&m_relogio);

    fs::create_directories(m_raiz / "instalacao");
    const fs::path dados = fs::path(CL_TEST_SOURCE_DIR) / "data";
    for (const char* nome : {"MockExtratoTavorin.ofx", "MockExtratoBancoBrasil.json"})
      fs::copy_file(dados / nome, m_raiz / "instalacao" / nome);

    CZQDadosDF_Erro erro;
    ASSERT_EQ(ZQInstalaArmazemSQL("sqlite:" + (m_raiz / "cl.db").string(), erro, &m_banco), S_OK)
        << erro.GetTextoMostraMensagem().c_str();
    ASSERT_EQ(ZQCarregaArquivoEmpresa(*m_banco, (dados / "sample-company.json").string(), erro), S_OK)
        << erro.GetTextoMostraMensagem().c_str();
    ZQInstalaAnalyticsSQL(m_banco);
    m_hub = std::make_unique<CZQAcessoServidoresSQL>(m_banco);
    m_servico = NovoServico();
  }

  void TearDown() override {
    if (m_servico) m_servico->OnDestroi();
    m_hub.reset();
    ZQDefineDestinoAnalytics(nullptr);
    ZQRemoveArmazemSQL();
    m_banco.reset();
    zq::DefineRelogio(m_relogioAnterior);
    CZQConfiguracao& config = CZQConfiguracao::Global();
    for (const char* chave : {"local_orbel", "relatorios", "temporario", "log_erros", "log_erros_empresa"})
      config.Remove(chave);
    m_variaveis.clear();
    std::error_code ec;
    fs::remove_all(m_raiz, ec);
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

  static CCLServicoImportacaoExtratos::Regra Regra(uint32_t filial, uint8_t frequencia, REG_ZQHMS hora,
                                                   bool apenasDiasUteis, const std::vector<uint32_t>& contas) {
    CCLServicoImportacaoExtratos::Regra r;
    r.SetPonteiroFilial(filial).SetFrequencia(frequencia).SetHmsExecucao(hora).SetApenasDiasUteis(apenasDiasUteis);
    for (uint32_t c : contas) r.AdicionaPonteiroContaBanco(c);
    return r;
  }

  void Relogio(int dia, int mes, int ano, int hora, int minuto, int segundo = 0) {
    m_relogio.Define(CZQDma(dia, mes, ano), zq::MontaHms(hora, minuto, segundo));
  }

  // The due rules as (branch, accounts) pairs after one DeveExecutar.
  std::vector<std::pair<uint32_t, std::vector<uint32_t>>> RegrasDevidas(HRESULT* hr = nullptr, bool* deve = nullptr) {
    bool bDeve = false;
    HRESULT resultado = m_servico->DeveExecutar(bDeve);
    if (hr) *hr = resultado;
    if (deve) *deve = bDeve;
    std::vector<std::pair<uint32_t, std::vector<uint32_t>>> devidas;
    for (const auto& r : m_servico->GetListaRegrasDevidas())
      devidas.emplace_back(r.GetPonteiroFilial(), r.GetListaPonteirosContaBanco().Std());
    EXPECT_EQ(bDeve, !devidas.empty());
    return devidas;
  }

  // Today's (by the clock) execution records, oldest first.
  std::vector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> Execucoes(REG_ZQDMA dia = 0) {
    if (dia == 0) dia = zq::Hoje().GetDma();
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

  // Every record of the monthly error logs written under the test's directory.
  std::vector<std::string> RegistrosLog() const {
    std::vector<std::string> registros;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(m_raiz / "log", ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_regular_file()) continue;
      std::ifstream in(it->path());
      std::string linha;
      while (std::getline(in, linha))
        if (!linha.empty() && linha.rfind("Data\tHora\t", 0) != 0) registros.push_back(linha);
    }
    return registros;
  }
  // Whether a record of `classeFuncao` traced the failure of `variavelExpressao`.
  bool TemTrace(const std::string& classeFuncao, const std::string& variavelExpressao) const {
    for (const std::string& r : RegistrosLog())
      if (r.find("\t" + classeFuncao + "\t") != std::string::npos &&
          r.find("\t" + variavelExpressao + "\t") != std::string::npos)
        return true;
    return false;
  }

  fs::path m_raiz;
  std::vector<std::unique_ptr<VariavelTrocada>> m_variaveis;
  CZQRelogioFixo m_relogio{CZQDma(4, 12, 2026), zq::MontaHms(9, 0, 0)};
  const IZQRelogio* m_relogioAnterior = nullptr;
  std::shared_ptr<CZQBancoSQL> m_banco;
  std::unique_ptr<CZQAcessoServidoresSQL> m_hub;
  CZQProfilerEmpresa m_pessoa{"EXEMPLO", 1, 77};
  HostGravador m_host;
  CCLServicoImportacaoExtratos* m_servico = nullptr;
};

}  // namespace cl_servico_teste
