// The console's guards: what goes out escaped, what comes in read strictly, and a change
// refused without the session's CSRF token.
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <thread>

#include "cli/cli_teste_util.h"
#include "console/zq_console.h"
#include "console/zq_console_texto.h"

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
    CZQDadosDF_Erro erro;
    ASSERT_EQ(CZQBancoSQL::Abre(Db(), m_banco, erro), S_OK);
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
  }

  std::shared_ptr<CZQBancoSQL> m_banco;
  std::unique_ptr<CZQAcessoServidoresSQL> m_servidores;
  std::unique_ptr<ZQConsole> m_console;
  std::thread m_fio;
  std::unique_ptr<httplib::Client> m_cliente;
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
  auto sessao = m_cliente->Get("/api/session");
  ASSERT_TRUE(sessao);
  ASSERT_EQ(sessao->status, 200);
  const std::string cookie = sessao->get_header_value("Set-Cookie");
  ASSERT_NE(cookie.find("HttpOnly; SameSite=Strict"), std::string::npos) << cookie;
  const std::string csrf = nlohmann::json::parse(sessao->body)["csrf"];
  httplib::Headers cabecalhos{{"Cookie", cookie.substr(0, cookie.find(';'))}};
  if (c.token) cabecalhos.emplace("X-CSRF-Token", c.token == 1 ? csrf : std::string(csrf.size(), 'a'));
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
        // With the token the operation runs and refuses what is not there.
        CasoPost{"TokenNothingToMatch", "/api/accounts/111/match", R"({"lines":[1],"entries":[1]})", 1, 422},
        CasoPost{"TokenBadPositions", "/api/accounts/111/match", R"({"lines":[-1],"entries":[1]})", 1, 400},
        CasoPost{"TokenNoReason", "/api/accounts/111/unmatch", R"({"number":1,"reason":" "})", 1, 400},
        CasoPost{"TokenNotJson", "/api/accounts/111/unmatch", "number=1", 1, 400}),
    [](const auto& i) { return std::string(i.param.nome); });

TEST_F(ConsoleServidorTest, QueriesAreCheckedAndAccountsMustExist) {
  const std::pair<const char*, int> casos[] = {{"/api/accounts/111", 200},
                                               {"/api/accounts/111?from=31/02/2026", 400},
                                               {"/api/accounts/111?from=05/12/2026&to=01/12/2026", 400},
                                               {"/api/accounts/111?min=1.234,00", 400},
                                               {"/api/accounts/111?branch=70000", 400},
                                               {"/api/accounts/999", 404},
                                               {"/health", 200}};
  for (const auto& [caminho, status] : casos) {
    auto r = m_cliente->Get(caminho);
    ASSERT_TRUE(r) << caminho;
    EXPECT_EQ(r->status, status) << caminho << " " << r->body;
  }
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
