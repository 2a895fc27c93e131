// Several clhost processes over one store at once, each running the import and the
// reconciliation service once: whatever order they meet in, the store ends as one run
// would leave it. The statements come from a loopback bank server that counts requests.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "host/clhost_processo.h"
#include "middleware/servidor_http_teste.h"

namespace {

namespace fs = std::filesystem;

class ClhostConcorrenciaTest : public cl_teste_host::ClhostEmpresaTest {
 protected:
  // The hosts fetch from the loopback server instead of the test-mode files, and every
  // import rule is daily, so each due account (111, 113, 114) is asked for once a day.
  void SetUp() override {
    ClhostEmpresaTest::SetUp();
    for (const char* nome : {"MockExtratoTavorin.ofx", "MockExtratoBancoBrasil.json"}) fs::remove(m_dir / nome);
    const fs::path dados = fs::path(CL_TEST_SOURCE_DIR) / "data";
    m_servidor.DefineTratador([this, ofx = zq_teste::LeArquivo(dados / "MockExtratoTavorin.ofx"),
                               bb = zq_teste::LeArquivo(dados / "MockExtratoBancoBrasil.json")](
                                  const teste::Requisicao& r) -> teste::Resposta {
      if (r.caminho == "/oauth/token")
        return {200, "application/json", R"({"access_token": "t", "token_type": "Bearer", "expires_in": 3600})"};
      const bool tavorin = r.caminho.rfind("/tavorin/", 0) == 0;
      // A statement is one request to Tavorin, or the first page of Banco do Brasil's.
      if (tavorin || r.Parametro("numeroPaginaSolicitacao") == "1") {
        if (++m_pedidosExtrato == m_matarNoPedido && m_hostAMatar > 0) {
          kill(m_hostAMatar, SIGKILL);
          return {200, "text/plain", "", 0, false, true};
        }
      }
      return {200, tavorin ? "application/x-ofx" : "application/json", tavorin ? ofx : bb};
    });
    for (const auto& [chave, valor] :
         std::map<std::string, std::string>{{"CL_TAVORIN_URL", m_servidor.Url("/tavorin/contas/{conta}/extrato")},
                                            {"CL_BB_URL_API", m_servidor.Url("/extratos/v1/")},
                                            {"CL_BB_URL_OAUTH", m_servidor.Url("/oauth/token")},
                                            {"CL_BB_CLIENT_ID", "c"},
                                            {"CL_BB_CLIENT_SECRET", "s"},
                                            {"CL_BB_APP_KEY", "k"}}) {
      setenv(chave.c_str(), valor.c_str(), 1);
      m_variaveis.push_back(chave);
    }
    m_banco->Sessao() << "UPDATE config_importacao_regra SET frequencia = 1, hms_execucao = 0";
  }
  void TearDown() override {
    for (const std::string& v : m_variaveis) unsetenv(v.c_str());
    ClhostEmpresaTest::TearDown();
  }

  // Statement requests per account (by the request's path), from the server's record.
  std::map<std::string, int> PedidosPorConta() const {
    std::map<std::string, int> pedidos;
    for (const teste::Requisicao& r : m_servidor.Requisicoes())
      if (r.caminho.rfind("/tavorin/", 0) == 0 || r.Parametro("numeroPaginaSolicitacao") == "1") ++pedidos[r.caminho];
    return pedidos;
  }

  teste::ServidorHttp m_servidor;
  std::vector<std::string> m_variaveis;
  std::atomic<int> m_pedidosExtrato{0};
  std::atomic<int> m_matarNoPedido{0};  // the statement request on which m_hostAMatar is killed
  std::atomic<pid_t> m_hostAMatar{0};

  // Open lines of the head office's accounts in the week before the run, half of them
  // with a treasury entry of the same amount the server's pairing will find.
  void LinhasAbertas(int porConta) {
    CZQAcessoServidoresSQL hub(m_banco);
    for (uint32_t conta : {111u, 113u}) {
      CZQVector<CZQDadosCL_Extrato> linhas;
      for (int i = 0; i < porConta; ++i) {
        // Within the reconciliation's week before 04/12.
        const REG_ZQDMA dia = CZQDma(27, 11, 2026).GetDma() + static_cast<REG_ZQDMA>(i % 7);
        const long long valor = 100000 + conta * 1000 + i;
        linhas.Add(zq_teste::Linha(conta, 1, dia, valor, '+', "DEPOSITO", "", i + 1));
        if (i % 2 == 0) Entrada(conta, dia, valor);
      }
      ASSERT_EQ(hub.Conciliacao().GravaExtratos(linhas), S_OK);
    }
  }

  static pid_t Inicia(const fs::path& dir, int numero) {
    return cl_teste_host::IniciaClhost(dir, {"--once", "--empresa", "EXEMPLO", "--agora", "04/12/2026 09:00:00"},
                                       dir / ("host" + std::to_string(numero) + ".log"));
  }

  // Starts the hosts together and waits for every one; each must end with work done or
  // nothing due (another host did it first).
  void ExecutaJuntos(int hosts) {
    std::vector<pid_t> pids;
    for (int i = 0; i < hosts; ++i) pids.push_back(Inicia(m_dir, i));
    for (int i = 0; i < hosts; ++i) {
      const int status = cl_teste_host::EsperaClhost(pids[static_cast<std::size_t>(i)]);
      EXPECT_TRUE(status == 0 || status == 3) << "host " << i << " saiu com " << status << "\n"
                                              << zq_teste::LeArquivo(m_dir / ("host" + std::to_string(i) + ".log"));
    }
  }

  void VerificaStore(int linhasSemeadas) {
    // Nothing twice: statement lines (one host imported them, the others found them
    // repeated), log keys of a line or entry side, integration origins, and numbers of
    // an account's reconciliations.
    for (const auto& [tabela, colunas] :
         {std::pair{"extrato", "conta, dma_extrato, valor, natureza, hist_bco, documento, codigo_mvto_bco"},
          {"log_conciliacao_chave", "lado, posicao"},
          {"integracao_origem", "origem, chave_tabela"},
          {"log_conciliacao", "banco, numero_conciliacao"}}) {
      EXPECT_EQ(Escalar(std::string("SELECT COUNT(*) FROM (SELECT ") + colunas + " FROM " + tabela + " GROUP BY " +
                        colunas + " HAVING COUNT(*) > 1) repetidas"),
                0)
          << tabela;
    }
    EXPECT_GT(Escalar("SELECT COUNT(*) FROM extrato"), 2LL * linhasSemeadas) << "the import stored nothing";
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato e WHERE e.conciliado = 'S' AND NOT EXISTS (SELECT 1 FROM"
                      " log_conciliacao l WHERE l.banco = e.conta AND l.numero_conciliacao = e.numero_conciliacao)"),
              0);
    // The seeded pairs were all reconciled, by one host each.
    for (uint32_t conta : {111u, 113u}) {
      const std::string c = std::to_string(conta);
      EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conta = " + c +
                        " AND hist_bco = 'DEPOSITO' AND conciliado = 'S'"),
                (linhasSemeadas + 1) / 2)
          << conta;
      EXPECT_EQ(Escalar("SELECT COUNT(*) FROM tesouraria WHERE conta_ent = " + c + " AND conciliado_ent <> 'S'"), 0)
          << conta;
    }
    // The execution records: each due account imported by exactly one host and
    // reconciled by exactly one, with unique keys.
    for (const auto& [tabela, coluna, contas] : {std::tuple{"execucao_importacao_conta", "conta", "111 113 114"},
                                                 std::tuple{"execucao_conciliacao", "banco", "111 112 113"}}) {
      std::istringstream in(contas);
      for (std::string conta; in >> conta;) {
        EXPECT_EQ(Escalar(std::string("SELECT COUNT(*) FROM ") + tabela + " WHERE tipo_status = 1 AND " + coluna +
                          " = " + conta),
                  1)
            << tabela << " " << conta;
      }
    }
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_importacao i WHERE NOT EXISTS (SELECT 1 FROM"
                      " execucao_importacao_conta c WHERE c.execucao = i.id)"),
              0)
        << "an import record lost its entries";
  }
};

TEST_F(ClhostConcorrenciaTest, HostsRunningTogetherStoreAndReconcileEachLineOnce) {
  // SQLite keeps one writer at a time by itself: two hosts; PostgreSQL takes four.
  const int hosts = zq_teste::TestaPostgres() ? 4 : 2;
  constexpr int kLinhas = 200;
  LinhasAbertas(kLinhas);
  ExecutaJuntos(hosts);
  VerificaStore(kLinhas);
  // The bank asked once per due account, whatever the number of hosts.
  const std::map<std::string, int> pedidos = PedidosPorConta();
  EXPECT_EQ(pedidos.size(), 3u);
  for (const auto& [caminho, vezes] : pedidos) EXPECT_EQ(vezes, 1) << caminho;
}

TEST_F(ClhostConcorrenciaTest, AHostKilledMidCycleLeavesItsAccountToTheOthers) {
  const int hosts = zq_teste::TestaPostgres() ? 3 : 2;
  constexpr int kLinhas = 20;
  LinhasAbertas(kLinhas);
  // Alone, the first host imports its first account and is killed while it holds the
  // second one, asking the bank for its statement.
  m_matarNoPedido = 2;
  m_hostAMatar = Inicia(m_dir, 99);
  ASSERT_EQ(cl_teste_host::EsperaClhost(m_hostAMatar), 128 + SIGKILL);
  ASSERT_EQ(PedidosPorConta().size(), 2u);

  // The next hosts find the first account done and the second free.
  ExecutaJuntos(hosts);
  VerificaStore(kLinhas);
  const std::map<std::string, int> pedidos = PedidosPorConta();
  EXPECT_EQ(pedidos.size(), 3u);
  int repetidos = 0;
  for (const auto& [caminho, vezes] : pedidos) repetidos += vezes - 1;
  EXPECT_EQ(repetidos, 1) << "only the account the killed host held is asked again";
}

}  // namespace
