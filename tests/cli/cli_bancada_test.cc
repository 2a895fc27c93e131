// cl open and cl suggest: an account's open items side by side, and what goes together.
#include "cli/cli_teste_util.h"

namespace {

using namespace cl_teste_cli;

class ClBancadaTest : public ClEmpresaTest {
 protected:
  void SetUp() override {
    ClEmpresaTest::SetUp();
    // On 111: a TED with its entry, and a payment made of two entries; on 113 a line
    // that must not show.
    m_linhas = GravaLinhas({Linha(111, Dia(2, 12, 2026), 5000000, '+', "TED RECEBIDA", "", 104),
                            Linha(111, Dia(3, 12, 2026), 2000000, '-', "PAGTO LOTE"),
                            Linha(113, Dia(3, 12, 2026), 700000, '+', "OUTRA CONTA")});
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    ASSERT_EQ(CZQBancoSQL::Abre(Db(), banco, erro), S_OK);
    CZQAcessoServidoresSQL hub(banco);
    for (auto [entra, dia, valor] : {std::tuple{true, 2, 5000000}, {false, 3, 1200000}, {false, 3, 800000}}) {
      tagREG_TESOURARIAPS reg{};
      reg.cyValor = valor;
      reg.dmaLancamento = Dia(dia, 12, 2026);
      (entra ? reg.lPonteiroContaEnt : reg.lPonteiroContaSai) = 111;
      reg.iPonteiroFilial = 1;
      reg.cConciliadoEnt = reg.cConciliadoSai = 'N';
      CZQDadosFN_Tesouraria t(reg);
      ASSERT_EQ(hub.Financeiro().GravaTesouraria(t), S_OK);
    }
  }
  std::vector<uint32_t> m_linhas;
};

TEST_F(ClBancadaTest, OpenShowsBothSidesWithTotals) {
  Resultado r = Roda({"open", "--account", "111", "--from", "01/12/2026", "--to", "04/12/2026"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  EXPECT_NE(r.saida.find("TED RECEBIDA"), std::string::npos) << r.saida;
  EXPECT_EQ(r.saida.find("OUTRA CONTA"), std::string::npos) << r.saida;
  EXPECT_NE(r.saida.find("2 linhas, total 300,00; 3 lançamentos, total 300,00; diferença 0,00\n"), std::string::npos)
      << r.saida;
}

TEST_F(ClBancadaTest, SuggestPairsOneToOneAndTheBatch) {
  Resultado r = Roda({"suggest", "--account", "111", "--from", "01/12/2026", "--to", "04/12/2026", "--json"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  const std::string l1 = std::to_string(m_linhas[0]), l2 = std::to_string(m_linhas[1]);
  EXPECT_EQ(r.saida, "{\"account\":111,\"suggestions\":[{\"score\":100,\"lines\":[" + l1 +
                         "],\"entries\":[1],\"reasons\":[\"valor igual\",\"mesma data\"]},{\"score\":60,\"lines\":[" +
                         l2 + "],\"entries\":[2,3],\"reasons\":[\"soma igual de 2 lançamentos\",\"mesma data\"]}]}\n");
}

struct CasoArgumentos {
  std::vector<std::string> argumentos;
  int codigo;
  const char* erro;
};

class ClBancadaArgumentosTest : public ClBancadaTest, public ::testing::WithParamInterface<CasoArgumentos> {};

TEST_P(ClBancadaArgumentosTest, BadInputIsRefused) {
  Resultado r = Roda(GetParam().argumentos);
  EXPECT_EQ(r.codigo, GetParam().codigo);
  EXPECT_NE(r.erros.find(GetParam().erro), std::string::npos) << r.erros;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ClBancadaArgumentosTest,
    ::testing::Values(
        CasoArgumentos{{"open", "--account", "111", "--from", "32/12/2026", "--to", "04/12/2026"}, 2, "data inválida"},
        CasoArgumentos{
            {"suggest", "--account", "111", "--from", "05/12/2026", "--to", "04/12/2026"}, 2, "posterior à final"},
        CasoArgumentos{{"open", "--account", "111", "--from", "01/12/2026"}, 106, "--to"}));

}  // namespace
