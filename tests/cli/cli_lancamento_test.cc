#include "cli/cli_teste_util.h"

// "cl post": the posting run of one account from the command line.
namespace {

using namespace cl_teste_cli;

class ClLancamentoTest : public ClEmpresaTest {
 protected:
  void SetUp() override {
    ClEmpresaTest::SetUp();
    GravaLinhas({Linha(111, Dia(1, 3, 2026), 10000, '+', "PIX RECEBIDO FULANO", "999", 501),
                 Linha(111, Dia(2, 3, 2026), 20000, '-', "TAR PACOTE SERVICOS", "999", 502),
                 Linha(111, Dia(3, 3, 2026), 30000, '-', "TRANSF ENTRE CONTAS", "999", 503),
                 Linha(111, Dia(4, 3, 2026), 40000, '+', "SEM REGRA NENHUMA", "999", 504)});
  }
};

TEST_F(ClLancamentoTest, LancaConciliaEUmaSegundaVezNaoHaMaisNada) {
  const std::vector<std::string> comando = {"post",       "--account", "111",        "--from",
                                            "01/03/2026", "--to",      "31/03/2026", "--silent"};
  Resultado r = Roda(comando);
  EXPECT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(r.saida, "Lançamentos gerados: 3\nLinhas conciliadas: 3\n");
  r = Roda(comando);
  EXPECT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(r.saida, "Lançamentos gerados: 0\nLinhas conciliadas: 0\n");
}

TEST_F(ClLancamentoTest, LogsDaConciliacaoLidosPeloNumero) {
  Resultado r = Roda({"reconciliation-logs", "--account", "111"});
  EXPECT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(r.saida, "Nenhum log de conciliação.\n");
  ASSERT_EQ(Roda({"post", "--account", "111", "--from", "01/03/2026", "--to", "31/03/2026", "--silent"}).codigo, 0);
  r = Roda({"reconciliation-logs", "--account", "111", "--number", "1"});
  EXPECT_EQ(r.codigo, 0) << r.erros;
  // The first entry: the credit of the 1st, its statement line and its treasury entry.
  EXPECT_EQ(r.saida.rfind("Conciliação 1 (empresa ", 0), 0u) << r.saida;
  EXPECT_NE(r.saida.find("  extrato    1 de 2026-03-01\n"), std::string::npos) << r.saida;
  EXPECT_NE(r.saida.find("  tesouraria 1 de 2026-03-01\n"), std::string::npos) << r.saida;
  EXPECT_EQ(r.saida.find("Conciliação 2 "), std::string::npos) << r.saida;
  // A debit's entry comes in by its counterpart account: the log keeps only its line.
  r = Roda({"reconciliation-logs", "--account", "111", "--number", "2"});
  EXPECT_NE(r.saida.find("  extrato    2 de 2026-03-02\n"), std::string::npos) << r.saida;
  EXPECT_EQ(r.saida.find("  tesouraria"), std::string::npos) << r.saida;
}

}  // namespace
