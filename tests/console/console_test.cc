// The console's guards: what goes out escaped, what comes in read strictly, and a change
// refused without the session's CSRF token.
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <thread>

#include "cli/cli_teste_util.h"
#include "console/zq_console.h"
#include "console/zq_console_texto.h"
#include "frame/zq_config.h"
#include "frame/zq_relogio.h"
#include "store/zq_acesso_sql.h"

namespace {

using namespace cl_teste_cli;

TEST(ConsoleHtmlTest, EscapesMarkupAndBrokenText) {
  const std::pair<std::string, std::string> casos[] = {
      {"PAGTO <b>&</b>", "PAGTO &lt;b&gt;&amp;&lt;/b&gt;"},
      {"a\"b'c", "a&quot;b&#39;c"},
      {"Aplicação", "Aplicação"},
      {"x\xC3", "x\xEF\xBF\xBD"},                                // cut sequence
      {"\xC0\xBC", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong '<'
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // surrogate
  };
  for (const auto& [entrada, esperado] : casos) EXPECT_EQ(ZQHtml(entrada), esperado) << entrada;
  EXPECT_EQ(ZQJson("</script>\"\n"), "\"\\u003c/script>\\\"\\u000a\"");
}

struct CasoNumero {
  const char* texto;
  uint64_t maximo;
  bool aceito;
  uint64_t valor;
};

TEST(ConsoleEntradaTest, NumbersAreWholeDigitsWithinTheirBound) {
  const CasoNumero casos[] = {{"42", 100, true, 42},
                              {"0", 0, true, 0},
                              {"101", 100, false, 0},
                              {"", 100, false, 0},
                              {"+1", 100, false, 0},
                              {"-1", 100, false, 0},
                              {" 1", 100, false, 0},
                              {"1e3", 5000, false, 0},
                              {"4294967296", UINT32_MAX, false, 0},
                              {"99999999999999999999", UINT64_MAX, false, 0}};
  for (const CasoNumero& c : casos) {
    uint64_t v = 7;
    EXPECT_EQ(ZQConsoleLeNumero(c.texto, c.maximo, v), c.aceito) << c.texto;
    EXPECT_EQ(v, c.valor) << c.texto;
  }
}

TEST(ConsoleEntradaTest, AmountsAndTexts) {
  const std::pair<const char*, tagCY> bons[] = {{"1234,5", 12345000}, {"-80.00", -800000}, {"0", 0}, {"7,05", 70500}};
  for (const auto& [texto, valor] : bons) {
    tagCY v = 0;
    EXPECT_TRUE(ZQConsoleLeValor(texto, v)) << texto;
    EXPECT_EQ(v, valor) << texto;
  }
  for (const char* ruim : {"", "-", "1.234,56", "1,234", ",5", "5,", "1e2", "12345678901234", " 5"}) {
    tagCY v = 0;
    EXPECT_FALSE(ZQConsoleLeValor(ruim, v)) << ruim;
  }
  std::string limpo;
  EXPECT_TRUE(ZQConsoleLeTexto("  lançado em dobro ", 30, limpo));
  EXPECT_EQ(limpo, "lançado em dobro");
  for (const char* ruim : {"linha\nnova", "tab\tx", "\xC3(", "longo demais para trinta bytes!!"})
    EXPECT_FALSE(ZQConsoleLeTexto(ruim, 30, limpo)) << ruim;
}

TEST(ConsoleSenhaTest, HashesAreSaltedAndChecked) {
  const std::string a = ZQConsoleHashSenha("cavalo correto"), b = ZQConsoleHashSenha("cavalo correto");
  EXPECT_NE(a, b);
  EXPECT_TRUE(ZQConsoleConfereSenha("cavalo correto", a));
  EXPECT_FALSE(ZQConsoleConfereSenha("cavalo errado", a));
  for (const char* ruim : {"", "pbkdf2-sha256$", "pbkdf2-sha256$10$ab$cd", "md5$1000$ab$cd"})
    EXPECT_FALSE(ZQConsoleConfereSenha("", ruim)) << ruim;
}

// A console on a free loopback port over the sample company.
class ConsoleServidorTest : public ClTest {
 protected:
  void SetUp() override {
    CarregaAmostra();
    m_rend = GravaLinhas({Linha(111, Dia(3, 12, 2026), 521000, '+', "REND APLIC 0412", "", 106)})[0];
    // Installed as the process's store, as "cl serve" does: the posting routine reads there.
    CZQDadosDF_Erro erro;
    ASSERT_EQ(ZQInstalaArmazemSQL(Db(), erro, &m_banco), S_OK);
    m_servidores = std::make_unique<CZQAcessoServidoresSQL>(m_banco);
    ZQOpcoesConsole opcoes;
    opcoes.porta = 0;
    m_console = std::make_unique<ZQConsole>(*m_servidores, opcoes);
    std::string motivo;
    ASSERT_TRUE(m_console->Liga(motivo)) << motivo;
    m_fio = std::thread([this] { m_console->Atende(); });
    m_cliente = std::make_unique<httplib::Client>("127.0.0.1", m_console->Porta());
  }
  void TearDown() override {
    if (m_console) m_console->Para();
    if (m_fio.joinable()) m_fio.join();
    ZQRemoveArmazemSQL();
  }

  // The cookie (kept from scripts and other sites) and CSRF token of a new session, as headers of a change.
  httplib::Headers Sessao() {
    auto r = m_cliente->Get("/api/session");
    EXPECT_TRUE(r && r->status == 200);
    const std::string cookie = r->get_header_value("Set-Cookie");
    EXPECT_NE(cookie.find("HttpOnly; SameSite=Strict"), std::string::npos) << cookie;
    return {{"Cookie", cookie.substr(0, cookie.find(';'))},
            {"X-CSRF-Token", nlohmann::json::parse(r->body)["csrf"].get<std::string>()}};
  }
  nlohmann::json PostJson(const httplib::Headers& h, const std::string& caminho, const nlohmann::json& corpo,
                          int status) {
    auto r = m_cliente->Post(caminho, h, corpo.dump(), "application/json");
    EXPECT_TRUE(r);
    if (!r) return {};
    EXPECT_EQ(r->status, status) << caminho << " " << r->body;
    return nlohmann::json::parse(r->body, nullptr, false);
  }

  PastasEm m_pastas{m_pasta.Caminho()};
  std::shared_ptr<CZQBancoSQL> m_banco;
  std::unique_ptr<CZQAcessoServidoresSQL> m_servidores;
  std::unique_ptr<ZQConsole> m_console;
  std::thread m_fio;
  std::unique_ptr<httplib::Client> m_cliente;
  uint32_t m_rend = 0;  // an open investment-income line of 111 no rule posts
};

struct CasoPost {
  const char* nome;
  const char* caminho;
  const char* corpo;
  int token;  // 0 none, 1 the session's, 2 another
  int status;
};

class ConsoleCsrfTest : public ConsoleServidorTest, public ::testing::WithParamInterface<CasoPost> {};

TEST_P(ConsoleCsrfTest, ChangesNeedTheSessionsToken) {
  const CasoPost& c = GetParam();
  httplib::Headers cabecalhos = Sessao();
  const auto token = cabecalhos.find("X-CSRF-Token");
  if (c.token == 0) cabecalhos.erase(token);
  if (c.token == 2) token->second = std::string(token->second.size(), 'a');
  auto r = m_cliente->Post(c.caminho, cabecalhos, c.corpo, "application/json");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, c.status) << r->body;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ConsoleCsrfTest,
    ::testing::Values(
        CasoPost{"NoToken", "/api/accounts/111/match", R"({"lines":[1],"entries":[1]})", 0, 403},
        CasoPost{"WrongToken", "/api/accounts/111/unmatch", R"({"number":1,"reason":"x"})", 2, 403},
        CasoPost{"FormWithoutToken", "/accounts/111/match", "line=1&entry=1", 0, 403},
        CasoPost{"PostLineNoToken", "/api/accounts/111/post-line", R"({"line":1})", 0, 403},
        CasoPost{"RuleNoToken", "/accounts/111/rule-from-line", "line=1", 0, 403},
        CasoPost{"ImportNoToken", "/api/imports", "{}", 0, 403},
        // With the token the operation runs and refuses what is not there.
        CasoPost{"TokenNothingToMatch", "/api/accounts/111/match", R"({"lines":[1],"entries":[1]})", 1, 422},
        CasoPost{"TokenBadPositions", "/api/accounts/111/match", R"({"lines":[-1],"entries":[1]})", 1, 400},
        // "01" is line 1 again, written so the query keeps both.
        CasoPost{"TokenFormLineTwice", "/accounts/111/match?line=1&line=01&entry=1", "", 1, 400},
        CasoPost{"TokenNoReason", "/api/accounts/111/unmatch", R"({"number":1,"reason":" "})", 1, 400},
        CasoPost{"TokenNotJson", "/api/accounts/111/unmatch", "number=1", 1, 400},
        CasoPost{"TokenPostLineNoRule", "/api/accounts/111/post-line", R"({"line":1})", 1, 400},
        CasoPost{"TokenRuleBadKey", "/api/accounts/111/rule-from-line", R"({"line":1,"by":"x"})", 1, 400},
        CasoPost{"TokenImportNoFile", "/api/imports", "{}", 1, 400}),
    [](const auto& i) { return std::string(i.param.nome); });

TEST_F(ConsoleServidorTest, QueriesAreCheckedAndAccountsMustExist) {
  const int kStatus[] = {200, 400, 404};  // of the paths in casos[i]
  const std::vector<const char*> casos[] = {
      {"/api/accounts/111", "/api/accounts/111/rules", "/api/accounts/111/history", "/api/runs",
       "/runs?date=01/12/2026", "/accounts/111/rules?line=1", "/accounts/111/history", "/health"},
      {"/api/accounts/111?from=31/02/2026", "/api/accounts/111?from=05/12/2026&to=01/12/2026",
       "/api/accounts/111?min=1.234,00", "/api/accounts/111?branch=70000", "/api/accounts/111/rules?line=x",
       "/api/runs?date=32/01/2026"},
      {"/api/accounts/999", "/api/accounts/111/rules?line=999999", "/api/accounts/999/rules",
       "/api/accounts/999/history"}};
  for (int i = 0; i < 3; ++i) {
    for (const char* caminho : casos[i]) {
      auto r = m_cliente->Get(caminho);
      ASSERT_TRUE(r) << caminho;
      EXPECT_EQ(r->status, kStatus[i]) << caminho << " " << r->body;
    }
  }
}

// A line no rule posts: a rule from it is shown without being kept, then saved; another
// line posted by hand reconciles under a number the history lists and undoes.
TEST_F(ConsoleServidorTest, RuleFromALineAndALinePostedByHandGoThroughTheSameOperations) {
  const httplib::Headers h = Sessao();
  const nlohmann::json regra{{"line", m_rend},   {"history_prefix", "REND APLIC"},
                             {"transaction", 1}, {"counter_account", 403},
                             {"accounting", 43}, {"payment_form", 5}};
  const long long regras = Escalar("SELECT COUNT(*) FROM regra_lancamento");
  nlohmann::json r = PostJson(h, "/api/accounts/111/rule-from-line", regra, 200);
  EXPECT_EQ(r["found"], true);
  EXPECT_EQ(r["saved"], false);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM regra_lancamento"), regras);
  nlohmann::json salva = regra;
  salva["save"] = true;
  EXPECT_EQ(PostJson(h, "/api/accounts/111/rule-from-line", salva, 200)["saved"], true);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM regra_lancamento"), regras + 1);
  // A counter account the company does not have is refused before anything is written.
  salva["counter_account"] = 999999;
  PostJson(h, "/api/accounts/111/rule-from-line", salva, 400);

  const uint32_t outra = GravaLinhas({Linha(111, Dia(4, 12, 2026), 33000, '+', "CREDITO DIVERSO")})[0];
  nlohmann::json lanca = regra;
  lanca["line"] = outra;
  lanca.erase("history_prefix");
  // The overview read just before is not shown again after the change.
  const auto abertas = [&] {
    auto g = m_cliente->Get("/api/overview", h);
    const nlohmann::json panorama = nlohmann::json::parse(g ? g->body : "{}");
    for (const auto& c : panorama["accounts"])
      if (c["account"] == 111 && c["branch"] == 1) return c["open_lines"].get<int>();
    return -1;
  };
  const int antes = abertas();
  r = PostJson(h, "/api/accounts/111/post-line", lanca, 200);
  EXPECT_EQ(abertas(), antes - 1);
  const int numero = r["number"];
  EXPECT_GT(numero, 0);
  EXPECT_DOUBLE_EQ(r["entry"]["amount"].get<double>(), 3.3);
  // Posted twice, the line is refused: it is reconciled already.
  PostJson(h, "/api/accounts/111/post-line", lanca, 422);
  const auto metricas = m_cliente->Get("/metrics");
  ASSERT_TRUE(metricas);
  EXPECT_NE(metricas->body.find("cl_posted_lines_30d{branch=\"1\",account=\"111\"} 1\n"), std::string::npos);

  auto historico = [&] {
    auto g = m_cliente->Get("/api/accounts/111/history", h);
    return g ? nlohmann::json::parse(g->body)["reconciliations"] : nlohmann::json();
  };
  ASSERT_EQ(historico().size(), 1u);
  EXPECT_EQ(historico()[0]["number"], numero);
  EXPECT_TRUE(historico()[0]["undone"].empty());
  PostJson(h, "/api/accounts/111/unmatch", {{"number", numero}, {"reason", "lançada por engano"}}, 200);
  ASSERT_EQ(historico()[0]["undone"].size(), 1u);
  EXPECT_EQ(historico()[0]["undone"][0]["reason"], "lançada por engano");
}

// The sample CSV: three lines and one whose amount does not read. A dry run stores nothing
// and keeps the file for its session; storing it needs no second upload, and only once.
TEST_F(ConsoleServidorTest, AFileIsImportedAfterItsDryRunAndOnlyOnce) {
  std::ifstream arquivo(std::string(CL_TEST_SOURCE_DIR) + "/data/extrato-exemplo.csv", std::ios::binary);
  const std::string csv((std::istreambuf_iterator<char>(arquivo)), std::istreambuf_iterator<char>());
  const httplib::Headers h = Sessao();
  const auto envia = [&](const std::string& conteudo, const char* simula) {
    const httplib::MultipartFormDataItems partes{{"file", conteudo, "extrato.csv", "text/csv"},
                                                 {"layout", "2", "", ""},
                                                 {"account", "111", "", ""},
                                                 {"dry_run", simula, "", ""}};
    return m_cliente->Post("/api/imports", h, partes);
  };
  const std::string antes = std::to_string(Escalar("SELECT COUNT(*) FROM extrato"));
  auto r = envia(csv, "1");
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  const nlohmann::json simulacao = nlohmann::json::parse(r->body);
  EXPECT_EQ(simulacao["stored"].size(), 3u);
  ASSERT_EQ(simulacao["refused"].size(), 1u);
  EXPECT_EQ(simulacao["refused"][0]["line"], 6);
  EXPECT_EQ(std::to_string(Escalar("SELECT COUNT(*) FROM extrato")), antes);

  httplib::Params form{{"upload", simulacao["upload"].get<std::string>()}};
  auto grava = m_cliente->Post("/api/imports", h, form);
  ASSERT_TRUE(grava);
  EXPECT_EQ(grava->status, 200) << grava->body;
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato"), std::stoll(antes) + 3);
  grava = m_cliente->Post("/api/imports", h, form);
  ASSERT_TRUE(grava);
  EXPECT_EQ(grava->status, 410);
  // Larger than the console takes for a file: refused before it is read.
  r = envia(std::string(3 * 1024 * 1024, 'x'), "1");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 413);
  r = m_cliente->Post("/api/imports", h,
                      httplib::MultipartFormDataItems{{"file", csv, "x.csv", ""}, {"layout", "0", "", ""}});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 400) << r->body;  // no layout chosen
}

// The overview and the metrics show the lines the account's last import refused,
// as its run recorded them.
TEST_F(ConsoleServidorTest, RefusedLinesOfTheLastImportAreTheRecordedOnes) {
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> lista;
  for (uint32_t hora : {1u, 2u}) {  // an earlier run refused 5, the last one 17
    CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra e;
    e.SetPonteiroFilial(1).SetPonteiroContaBanco(111).SetTipoStatus(1).SetQuantidadeRecusadas(hora == 1 ? 5 : 17);
    CZQDadosCL_ExecucaoServicoImportacaoExtratos x;
    lista.Add(x.SetDmaHmsExecucao(zq::MontaDmaHms(zq::Hoje().GetDma(), hora * 3600)).AdicionaRegra(e));
  }
  // Both written 95 s after the last one started: that run's duration, and its account's.
  const CZQRelogioFixo relogio(zq::MontaDmaHms(zq::Hoje().GetDma(), 2 * 3600 + 95));
  const CZQTrocaRelogio troca(relogio);
  NoArmazem([&](CZQAcessoConciliacao& c) { ASSERT_EQ(c.GravaExecucaoServicoImportacaoExtratos(lista), S_OK); });
  const auto pagina = m_cliente->Get("/"), metricas = m_cliente->Get("/metrics");
  ASSERT_TRUE(pagina && metricas);
  EXPECT_NE(pagina->body.find("<td class=\"n recusadas\">17</td>"), std::string::npos) << pagina->body;
  EXPECT_NE(metricas->body.find("cl_last_import_refused_lines{branch=\"1\",account=\"111\"} 17\n"), std::string::npos);
  for (const char* linha :
       {"cl_last_run_duration_seconds{service=\"import\"} 95\n",
        "cl_last_run_account_duration_seconds{service=\"import\",branch=\"1\",account=\"111\"} 95\n"})
    EXPECT_NE(metricas->body.find(linha), std::string::npos) << linha << metricas->body;
  const auto execucoes = m_cliente->Get("/api/runs");  // the day's runs list both
  ASSERT_TRUE(execucoes);
  EXPECT_EQ(nlohmann::json::parse(execucoes->body)["imports"].size(), 2u) << execucoes->body;
}

TEST_F(ConsoleServidorTest, OffLoopbackOnlyWithAPassword) {
  for (const char* endereco : {"127.0.0.1", "127.8.9.1", "localhost", "::1"}) EXPECT_TRUE(ZQEnderecoLoopback(endereco));
  for (const char* endereco : {"0.0.0.0", "10.0.0.1", "::", "128.0.0.1"}) EXPECT_FALSE(ZQEnderecoLoopback(endereco));
  ZQOpcoesConsole opcoes;
  opcoes.endereco = "0.0.0.0";
  opcoes.porta = 0;
  std::string motivo;
  EXPECT_FALSE(ZQConsole(*m_servidores, opcoes).Liga(motivo));
  EXPECT_NE(motivo.find("console.senha"), std::string::npos) << motivo;
  opcoes.hashSenha = ZQConsoleHashSenha("cavalo correto");
  ZQConsole comSenha(*m_servidores, opcoes);
  EXPECT_TRUE(comSenha.Liga(motivo)) << motivo;
}

}  // namespace
