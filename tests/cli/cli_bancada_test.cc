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

// A match by hand: one number on both sides and a log with the user; a refusal
// changes nothing (the account's open items stay as they were).
struct CasoMatch {
  const char* nome;
  std::vector<int> linhas;  // indexes into the fixture's lines
  const char* entradas;
  REG_ZQDMA bloqueio;
  int codigo;
  const char* texto;  // in the output when it passes, in the errors when refused
  const char* abertosDepois;
};

class ClMatchTest : public ClBancadaTest, public ::testing::WithParamInterface<CasoMatch> {
 protected:
  long long Escalar(const std::string& consulta) {
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    EXPECT_EQ(CZQBancoSQL::Abre(Db(), banco, erro), S_OK);
    long long valor = -1;
    banco->Sessao() << consulta, soci::into(valor);
    return valor;
  }
};

TEST_P(ClMatchTest, MatchesOrRefusesWholly) {
  const CasoMatch& c = GetParam();
  if (c.bloqueio) Escalar("UPDATE mestre_cl SET data_bloqueio_movimentacao = " + std::to_string(c.bloqueio));
  std::string linhas;
  for (int i : c.linhas) linhas += (linhas.empty() ? "" : ",") + std::to_string(m_linhas[i]);
  Resultado r =
      Roda({"match", "--account", "111", "--lines", linhas, "--entries", c.entradas, "--user", "7", "--session", "42"});
  EXPECT_EQ(r.codigo, c.codigo) << r.erros;
  EXPECT_NE((c.codigo == 0 ? r.saida : r.erros).find(c.texto), std::string::npos) << r.saida << r.erros;
  Resultado abertos = Roda({"open", "--account", "111", "--from", "01/12/2026", "--to", "04/12/2026"});
  EXPECT_NE(abertos.saida.find(c.abertosDepois), std::string::npos) << abertos.saida;
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM log_conciliacao WHERE tipo_conciliacao = 3 AND usuario = 7 AND sessao = 42"),
            c.codigo == 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ClMatchTest,
    ::testing::Values(
        CasoMatch{"OneToOne", {0}, "1", 0, 0, "conciliação número 1", "1 linha, total -200,00; 2 lançamentos"},
        CasoMatch{"LineAgainstBatch", {1}, "2,3", 0, 0, "conciliação número 1", "1 linha, total 500,00; 1 lançamento"},
        CasoMatch{"EverythingAtOnce", {0, 1}, "1,2,3", 0, 0, "número 1", "0 linhas"},
        CasoMatch{"TotalsDiffer", {0}, "2", 0, 1, "linhas 500,00, lançamentos -120,00, diferença 620,00", "2 linhas"},
        CasoMatch{"AnotherAccount", {2}, "1", 0, 1, "é da conta 113", "2 linhas"},
        CasoMatch{"LockedPeriod", {0}, "1", Dia(2, 12, 2026), 1, "período bloqueado", "2 linhas"},
        CasoMatch{"UnknownEntry", {0}, "99", 0, 1, "99 não existe", "2 linhas"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ClBancadaTest, AReconciledLineIsNotMatchedAgain) {
  ASSERT_EQ(Roda({"match", "--account", "111", "--lines", std::to_string(m_linhas[0]), "--entries", "1"}).codigo, 0);
  Resultado r = Roda({"match", "--account", "111", "--lines", std::to_string(m_linhas[0]), "--entries", "1"});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_NE(r.erros.find("já está conciliada no número 1"), std::string::npos) << r.erros;
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
            {"suggest", "--account", "111", "--from", "05/12/2026", "--to", "04/12/2026"}, 2, "é anterior a --from"},
        CasoArgumentos{{"open", "--account", "111", "--from", "01/12/2026"}, 2, "--to"}));

}  // namespace
