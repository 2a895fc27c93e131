#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_teste_util.h"
#include "cli/zq_cli.h"
#include "frame/zq_data.h"
#include "store/store_teste_util.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_banco_sql.h"

// "cl post": the posting run of one account from the command line.
namespace {

using cl_teste_cli::Executa;
using cl_teste_cli::Resultado;

class ClLancamentoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Executa({"--db", Db(), "init"}).codigo, 0);
    ASSERT_EQ(Executa({"--db", Db(), "load-company", std::string(CL_TEST_SOURCE_DIR) + "/data/sample-company.json"})
                  .codigo,
              0);
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    ASSERT_EQ(CZQBancoSQL::Abre(Db(), banco, erro), S_OK);
    CZQAcessoServidoresSQL hub(banco);
    struct {
      char natureza;
      const char* historico;
    } linhas[] = {{'+', "PIX RECEBIDO FULANO"},
                  {'-', "TAR PACOTE SERVICOS"},
                  {'-', "TRANSF ENTRE CONTAS"},
                  {'+', "SEM REGRA NENHUMA"}};
    int dia = 1;
    for (const auto& l : linhas) {
      CZQDadosCL_Extrato e;
      e.SetConta(111)
          .SetFilial(1)
          .SetDmaExtrato(CZQDma(dia, 3, 2026).GetDma())
          .SetValor(10000 * dia)
          .SetNatureza(l.natureza)
          .SetHistBco(l.historico)
          .SetCodigoMvtoBco("999")
          .SetDocumento(500 + dia)
          .SetConciliado('N');
      ++dia;
      ASSERT_EQ(hub.GetAcessoConciliacao()->GravaExtrato(e), S_OK);
    }
  }
  std::string Db() const { return "sqlite:" + m_pasta.Arquivo("cl.db"); }

  zq_teste::PastaTemporaria m_pasta;
};

TEST_F(ClLancamentoTest, LancaConciliaEUmaSegundaVezNaoHaMaisNada) {
  const std::vector<std::string> comando = {"--db", Db(), "post", "--account", "111", "--from", "01/03/2026",
                                            "--to", "31/03/2026", "--silent"};
  Resultado r = Executa(comando);
  EXPECT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(r.saida, "Lançamentos gerados: 3\nLinhas conciliadas: 3\n");
  r = Executa(comando);
  EXPECT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(r.saida, "Lançamentos gerados: 0\nLinhas conciliadas: 0\n");
}

TEST_F(ClLancamentoTest, LogsDaConciliacaoLidosPeloNumero) {
  Resultado r = Executa({"--db", Db(), "reconciliation-logs", "--account", "111"});
  EXPECT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(r.saida, "Nenhum log de conciliação.\n");
  ASSERT_EQ(Executa({"--db", Db(), "post", "--account", "111", "--from", "01/03/2026", "--to", "31/03/2026",
                     "--silent"})
                .codigo,
            0);
  r = Executa({"--db", Db(), "reconciliation-logs", "--account", "111", "--number", "1"});
  EXPECT_EQ(r.codigo, 0) << r.erros;
  // The first entry: the credit of the 1st, its statement line and its treasury entry.
  EXPECT_EQ(r.saida.rfind("Conciliação 1 (empresa ", 0), 0u) << r.saida;
  EXPECT_NE(r.saida.find("  extrato    1 de 2026-03-01\n"), std::string::npos) << r.saida;
  EXPECT_NE(r.saida.find("  tesouraria 1 de 2026-03-01\n"), std::string::npos) << r.saida;
  EXPECT_EQ(r.saida.find("Conciliação 2 "), std::string::npos) << r.saida;
  // A debit's entry comes in by its counterpart account: the log keeps only its line.
  r = Executa({"--db", Db(), "reconciliation-logs", "--account", "111", "--number", "2"});
  EXPECT_NE(r.saida.find("  extrato    2 de 2026-03-02\n"), std::string::npos) << r.saida;
  EXPECT_EQ(r.saida.find("  tesouraria"), std::string::npos) << r.saida;
}

class ClLancamentoArgumentosTest : public ClLancamentoTest,
                                   public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(ClLancamentoArgumentosTest, PeriodoInvalidoRecusadoSemTocarNoBanco) {
  const Resultado r = Executa({"--db", Db(), "post", "--account", "111", "--from", GetParam().first, "--to",
                               GetParam().second, "--silent"});
  EXPECT_EQ(r.codigo, ZQ_CL_SAIDA_ARGUMENTOS);
  EXPECT_NE(r.erros.find("período inválido"), std::string::npos) << r.erros;
  EXPECT_TRUE(r.saida.empty());
}

INSTANTIATE_TEST_SUITE_P(Periodos, ClLancamentoArgumentosTest,
                         ::testing::Values(std::make_pair("31/03/2026", "01/03/2026"),
                                           std::make_pair("32/03/2026", "31/03/2026"),
                                           std::make_pair("01/03/2026", "ontem")));

}  // namespace
