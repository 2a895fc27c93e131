// cl open and cl suggest: an account's open items side by side, and what goes together.
#include <algorithm>
#include <chrono>
#include <future>
#include <map>
#include <random>

#include "cli/cli_teste_util.h"
#include "frame/zq_config.h"
#include "frame/zq_relogio.h"

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
    CZQAcessoServidoresSQL hub(Banco());
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

// The workbench's columns count letters: an accented history or a long amount keeps them.
TEST(ClTabelaTest, CellsArePaddedByLettersNotBytes) {
  EXPECT_EQ(ZQCliAjusta("Aplicação", 11), "Aplicação  ");
  EXPECT_EQ(ZQCliAjusta("8.320,45", 10, true), "  8.320,45");
  EXPECT_EQ(ZQCliAjusta("Rendimento", 4), "Rendimento");
  EXPECT_EQ(ZQCliValorJson(-83204500), "-8320.45");
}

TEST_F(ClBancadaTest, SuggestPairsOneToOneAndTheBatch) {
  Resultado r = Roda({"suggest", "--account", "111", "--from", "01/12/2026", "--to", "04/12/2026", "--json"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  const std::string l1 = std::to_string(m_linhas[0]), l2 = std::to_string(m_linhas[1]);
  EXPECT_EQ(r.saida, "{\"account\":111,\"suggestions\":[{\"score\":100,\"lines\":[" + l1 +
                         "],\"entries\":[1],\"reasons\":[\"valor igual\",\"mesma data\"]},{\"score\":60,\"lines\":[" +
                         l2 + "],\"entries\":[2,3],\"reasons\":[\"soma igual de 2 lançamentos\",\"mesma data\"]}]}\n");
  r = Roda({"suggest", "--account", "111", "--from", "01/12/2026", "--to", "04/12/2026"});
  EXPECT_NE(r.saida.find("\n 100  linhas " + l1 + "  lançamentos 1  "), std::string::npos) << r.saida;
}

// A match by hand: one number on both sides and a log with the user; a refusal
// changes nothing (the account's open items stay as they were).
struct CasoMatch {
  const char* nome;
  const char* linhas;  // indexes into the fixture's lines, one digit each
  const char* entradas;
  REG_ZQDMA bloqueio;
  int codigo;
  const char* texto;  // in the output when it passes, in the errors when refused
  const char* abertosDepois;
  uint16_t mesBloqueado = 0;  // the accounting period's blocked month, when set
};

class ClMatchTest : public ClBancadaTest, public ::testing::WithParamInterface<CasoMatch> {};

TEST_P(ClMatchTest, MatchesOrRefusesWholly) {
  const CasoMatch& c = GetParam();
  if (c.bloqueio) Escalar("UPDATE mestre_cl SET data_bloqueio_movimentacao = " + std::to_string(c.bloqueio));
  if (c.mesBloqueado) Escalar("UPDATE periodo_contabil SET mes_bloqueio = " + std::to_string(c.mesBloqueado));
  std::string linhas;
  for (const char* i = c.linhas; *i; ++i) linhas += (linhas.empty() ? "" : ",") + std::to_string(m_linhas[*i - '0']);
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
        CasoMatch{"OneToOne", "0", "1", 0, 0, "conciliação número 1", "1 linha, total -200,00; 2 lançamentos"},
        CasoMatch{"LineAgainstBatch", "1", "2,3", 0, 0, "conciliação número 1", "1 linha, total 500,00; 1 lançamento"},
        CasoMatch{"EverythingAtOnce", "01", "1,2,3", 0, 0, "número 1", "0 linhas"},
        CasoMatch{"TotalsDiffer", "0", "2", 0, 1, "linhas 500,00, lançamentos -120,00, diferença 620,00", "2 linhas"},
        CasoMatch{"AnotherAccount", "2", "1", 0, 1, "é da conta 113", "2 linhas"},
        CasoMatch{"LockedPeriod", "0", "1", Dia(2, 12, 2026), 1, "período bloqueado", "2 linhas"},
        CasoMatch{"LockedMonth", "0", "1", 0, 1, "está num mês bloqueado (meses bloqueados até 12/2026)", "2 linhas",
                  CZQMa(12, 2026).GetMa()},
        CasoMatch{"MonthBeforeTheLockedOneIsOpen", "0", "1", 0, 0, "conciliação número 1", "1 linha",
                  CZQMa(11, 2026).GetMa()},
        CasoMatch{"UnknownEntry", "0", "99", 0, 1, "99 não existe", "2 linhas"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ClBancadaTest, AReconciledLineIsNotMatchedAgain) {
  ASSERT_EQ(Roda({"match", "--account", "111", "--lines", std::to_string(m_linhas[0]), "--entries", "1"}).codigo, 0);
  Resultado r = Roda({"match", "--account", "111", "--lines", std::to_string(m_linhas[0]), "--entries", "1"});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_NE(r.erros.find("já está conciliada no número 1"), std::string::npos) << r.erros;
}

// A match while a posting run holds the account (another connection, as another host's run
// would): it waits for the account, and either goes through once it is free or fails
// naming the account, with nothing matched.
TEST_F(ClBancadaTest, AMatchWaitsForTheHeldAccountAndNeverHalfHappens) {
  CZQAcessoServidoresSQL servico(Banco());
  ASSERT_EQ(servico.GetAcessoConciliacao()->TravaConta(111), S_OK);
  const std::vector<std::string> casa{"match",     "--account", "111", "--lines", std::to_string(m_linhas[0]),
                                      "--entries", "1"};
  CZQConfiguracao::Global().Set("trava_conta_espera_s", "1");
  const Resultado recusada = Roda(casa);
  EXPECT_EQ(recusada.codigo, 1);
  EXPECT_NE(recusada.erros.find("conta 111"), std::string::npos) << recusada.erros;
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S'"), 0);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM log_conciliacao"), 0);

  CZQConfiguracao::Global().Set("trava_conta_espera_s", "30");
  auto espera = std::async(std::launch::async, [&] { return Roda(casa); });
  EXPECT_EQ(espera.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout) << "it waits while held";
  EXPECT_EQ(servico.GetAcessoConciliacao()->LiberaConta(111), S_OK);
  const Resultado feita = espera.get();
  CZQConfiguracao::Global().Remove("trava_conta_espera_s");
  EXPECT_EQ(feita.codigo, 0) << feita.erros;
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S'"), 1);
}

// Undo: random matches and undos on the account keep every number balanced and every item
// in one number at most, and an undo puts back exactly the marks its match replaced.
class ClUnmatchTest : public ClBancadaTest {
 public:
  // Every mark of the account's items, in a fixed order.
  std::string Marcas() {
    std::shared_ptr<CZQBancoSQL> banco = Banco();
    std::string marcas;
    soci::rowset<soci::row> linhas =
        (banco->Sessao().prepare << "SELECT posicao, conciliado, tipo_conciliacao, numero_conciliacao FROM extrato"
                                    " ORDER BY posicao");
    for (const soci::row& l : linhas) {
      marcas += std::to_string(l.get<long long>(0)) + l.get<std::string>(1) + l.get<std::string>(2) +
                std::to_string(l.get<long long>(3)) + ";";
    }
    soci::rowset<soci::row> entradas =
        (banco->Sessao().prepare << "SELECT posicao, conciliado_ent, conciliado_sai, numero_conciliacao_ent,"
                                    " numero_conciliacao_sai, estrutura FROM tesouraria ORDER BY posicao");
    for (const soci::row& e : entradas) {
      marcas += std::to_string(e.get<long long>(0)) + e.get<std::string>(1) + e.get<std::string>(2) +
                std::to_string(e.get<long long>(3)) + std::to_string(e.get<long long>(4)) + e.get<std::string>(5) + ";";
    }
    return marcas;
  }
};

TEST_F(ClUnmatchTest, RandomMatchesAndUndosKeepTheBooksWhole) {
  // The groups whose totals agree: indexes of the fixture's lines, and entry positions.
  const std::vector<std::pair<std::vector<int>, std::string>> grupos = {{{0}, "1"}, {{1}, "2,3"}, {{0, 1}, "1,2,3"}};
  std::map<int, std::pair<int, std::string>> vivos;  // number -> group, marks before its match
  // An imported line carries a blank mark, not 'N': the undo must give back exactly that.
  Escalar("UPDATE extrato SET conciliado = '' WHERE posicao = " + std::to_string(m_linhas[1]));
  std::mt19937 sorteio(20261206);
  for (int passo = 0; passo < 40; ++passo) {
    const int g = static_cast<int>(sorteio() % grupos.size());
    const bool livre = std::none_of(vivos.begin(), vivos.end(), [&](const auto& v) {
      const int outro = v.second.first;
      return outro == g || outro == 2 || g == 2;
    });
    if (livre) {
      const std::string antes = Marcas();
      std::string linhas;
      for (int i : grupos[g].first) linhas += (linhas.empty() ? "" : ",") + std::to_string(m_linhas[i]);
      Resultado r = Roda({"match", "--account", "111", "--lines", linhas, "--entries", grupos[g].second, "--json"});
      ASSERT_EQ(r.codigo, 0) << r.erros;
      vivos[static_cast<int>(std::stol(r.saida.substr(r.saida.find("\"number\":") + 9)))] = {g, antes};
    } else if (!vivos.empty()) {
      // Undo the most recent, so the marks before it are the marks now less its own.
      const auto ultimo = std::prev(vivos.end());
      Resultado r = Roda({"unmatch", "--account", "111", "--number", std::to_string(ultimo->first), "--reason", "teste",
                          "--user", "9"});
      ASSERT_EQ(r.codigo, 0) << r.erros;
      EXPECT_EQ(Marcas(), ultimo->second.second) << "after undoing " << ultimo->first;
      vivos.erase(ultimo);
    }
    // Each live number's lines total its entries; nothing carries a number twice or a dead one.
    for (const auto& [numero, grupo] : vivos) {
      const std::string n = std::to_string(numero);
      EXPECT_EQ(Escalar("SELECT COALESCE(SUM(CASE WHEN natureza = '-' THEN -valor ELSE valor END), 0) FROM extrato"
                        " WHERE conta = 111 AND conciliado = 'S' AND numero_conciliacao = " +
                        n),
                Escalar("SELECT COALESCE(SUM(CASE WHEN conta_ent = 111 THEN valor ELSE -valor END), 0) FROM tesouraria"
                        " WHERE (conta_ent = 111 AND numero_conciliacao_ent = " +
                        n +
                        ") OR (conta_sai = 111 AND"
                        " numero_conciliacao_sai = " +
                        n + ")"));
    }
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conta = 111 AND conciliado = 'S'"),
              Escalar("SELECT COUNT(*) FROM extrato WHERE conta = 111 AND numero_conciliacao <> 0"));
  }
  // Nothing was lost from the history: one log per match, one record per undo.
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM log_conciliacao") - Escalar("SELECT COUNT(*) FROM conciliacao_desfeita"),
            static_cast<long long>(vivos.size()));
  EXPECT_GT(Escalar("SELECT COUNT(*) FROM conciliacao_desfeita WHERE usuario = 9 AND motivo = 'teste'"), 0);
}

TEST_F(ClUnmatchTest, HistoryShowsEachDecisionAndItsUndo) {
  CZQRelogioFixo relogio(CZQDma(5, 12, 2026), zq::MontaHms(9, 30, 0));
  CZQTrocaRelogio troca(relogio);
  const std::string linha = std::to_string(m_linhas[0]);
  ASSERT_EQ(Roda({"match", "--account", "111", "--lines", linha, "--entries", "1", "--user", "7"}).codigo, 0);
  relogio.Avanca(60);
  ASSERT_EQ(Roda({"unmatch", "--account", "111", "--number", "1", "--reason", "lançamento \"errado\"", "--user", "8",
                  "--session", "3"})
                .codigo,
            0);
  ASSERT_EQ(Roda({"match", "--account", "111", "--lines", linha, "--entries", "1", "--user", "9"}).codigo, 0);
  Escalar("UPDATE log_conciliacao SET tipo_conciliacao = 1 WHERE numero_conciliacao = 2");  // the server's pairing
  Resultado r = Roda({"history", "--account", "111", "--json"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(r.saida,
            "{\"account\":111,\"reconciliations\":["
            "{\"entries\":1,\"kind\":\"manual\",\"lines\":1,\"number\":1,\"session\":0,"
            "\"undone\":[{\"reason\":\"lançamento \\\"errado\\\"\",\"session\":3,\"user\":8,"
            "\"when\":\"05/12/2026 09:31:00\"}],\"user\":7,\"when\":\"05/12/2026 09:30:00\"},"
            "{\"entries\":1,\"kind\":\"automática\",\"lines\":1,\"number\":2,\"session\":0,\"undone\":[],"
            "\"user\":9,\"when\":\"05/12/2026 09:31:00\"}]}\n");
  r = Roda({"history", "--account", "111"});
  EXPECT_NE(r.saida.find("desfeita em 05/12/2026 09:31:00 pelo usuário 8 (sessão 3): lançamento \"errado\""),
            std::string::npos)
      << r.saida;
}

struct CasoUnmatch {
  const char* nome;
  int passos;       // made first: 1 the match of the first line, 2 that match and its undo
  std::string sql;  // run next; "{linha}" is the first line
  const char* numero;
  const char* motivo;  // null: no --reason at all
  int codigo;
  const char* texto;
};

class ClUnmatchCasoTest : public ClUnmatchTest, public ::testing::WithParamInterface<CasoUnmatch> {};

TEST_P(ClUnmatchCasoTest, UndoesOrRefusesChangingNothing) {
  const CasoUnmatch& c = GetParam();
  const std::string linha = std::to_string(m_linhas[0]);
  const std::vector<std::string> passos[] = {{"match", "--account", "111", "--lines", linha, "--entries", "1"},
                                             {"unmatch", "--account", "111", "--number", "1", "--reason", "x"}};
  for (int i = 0; i < c.passos; ++i) ASSERT_EQ(Roda(passos[i]).codigo, 0);
  std::string sql = c.sql;
  if (size_t p = sql.find("{linha}"); p != std::string::npos) sql.replace(p, 7, linha);
  if (!sql.empty()) Escalar(sql);
  const std::string antes = Marcas();
  std::vector<std::string> argumentos{"unmatch", "--account", "111", "--number", c.numero};
  if (c.motivo) argumentos.insert(argumentos.end(), {"--reason", c.motivo});
  Resultado r = Roda(argumentos);
  EXPECT_EQ(r.codigo, c.codigo) << r.erros;
  EXPECT_NE((c.codigo == 0 ? r.saida : r.erros).find(c.texto), std::string::npos) << r.saida << r.erros;
  if (c.codigo != 0) {
    EXPECT_EQ(Marcas(), antes);
  } else {
    EXPECT_EQ(
        Escalar("SELECT COUNT(*) FROM extrato WHERE conta = 111 AND (conciliado = 'S' OR numero_conciliacao <> 0)"), 0);
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM tesouraria WHERE conciliado_ent = 'S' OR conciliado_sai = 'S' OR"
                      " numero_conciliacao_ent <> 0 OR numero_conciliacao_sai <> 0"),
              0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ClUnmatchCasoTest,
    ::testing::Values(
        CasoUnmatch{"Manual", 1, "", "1", "valor errado", 0, "conciliação número 1 desfeita"},
        // A posting run's reconciliation: the line and its entry get the open mark back.
        CasoUnmatch{"Automatic", 0,
                    "UPDATE extrato SET conciliado = 'S', tipo_conciliacao = 'L', numero_conciliacao = 5"
                    " WHERE posicao = {linha}",
                    "5", "regra errada", 0, "número 5 desfeita"},
        CasoUnmatch{"NeverMade", 0, "", "7", "x", 1, "a conciliação 7 da conta 111 não existe"},
        CasoUnmatch{"AlreadyUndone", 2, "", "1", "x", 1, "já foi desfeita"},
        CasoUnmatch{"LockedPeriod", 1,
                    "UPDATE mestre_cl SET data_bloqueio_movimentacao = " + std::to_string(Dia(2, 12, 2026)), "1", "x",
                    1, "período bloqueado"},
        CasoUnmatch{"LockedMonth", 1,
                    "UPDATE periodo_contabil SET mes_bloqueio = " + std::to_string(CZQMa(12, 2026).GetMa()), "1", "x",
                    1, "mês bloqueado"},
        CasoUnmatch{"NoReason", 1, "", "1", "", 2, "--reason"},
        CasoUnmatch{"ReasonMissing", 1, "", "1", nullptr, 2, "--reason"}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
