#include "cli/cli_teste_util.h"

namespace {

using namespace cl_teste_cli;

// The sample company, with one statement line stored at a known position.
class ClRegrasTest : public ClEmpresaTest {
 protected:
  void SetUp() override {
    ClEmpresaTest::SetUp();
    m_posicaoLinha = GravaLinhas({Linha(113, Dia(2, 12, 2026), 1234500, '+', "TED RECEBIDA CLIENTE", "209")})[0];
  }
  uint32_t m_posicaoLinha = 0;
};

struct CasoComando {
  const char* nome;
  std::vector<std::string> argumentos;
  int codigo;
  std::vector<std::string> presentes;  // in the output (or, when failing, in the errors)
  std::vector<std::string> ausentes;
};

class ComandoRegrasTest : public ClRegrasTest, public ::testing::WithParamInterface<CasoComando> {};

TEST_P(ComandoRegrasTest, SaidaDizOQueAsRegrasFazem) {
  const CasoComando& caso = GetParam();
  std::vector<std::string> argumentos = caso.argumentos;
  for (std::string& a : argumentos) {
    if (a == "{linha}") a = std::to_string(m_posicaoLinha);
  }
  const Resultado s = Roda(argumentos);
  EXPECT_EQ(s.codigo, caso.codigo) << s.saida << s.erros;
  const std::string& onde = caso.codigo == 0 ? s.saida : s.erros;
  for (const std::string& t : caso.presentes) EXPECT_NE(onde.find(t), std::string::npos) << t << "\n" << onde;
  for (const std::string& t : caso.ausentes) EXPECT_EQ(onde.find(t), std::string::npos) << t << "\n" << onde;
  if (caso.codigo == 0) {
    EXPECT_TRUE(s.erros.empty()) << s.erros;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ComandoRegrasTest,
    ::testing::Values(
        CasoComando{"regras_da_conta_e_de_todas",
                    {"rules", "--account", "111"},
                    0,
                    {"Banco Tavorin - Movimento: 8 de 12 regras", "\"TAR PACOTE SERVICOS\"", "\"TRANSF ENTRE CONTAS\"",
                     "chave de código \"0-\" é da regra 5"},
                    {"\"TED RECEBIDA\"", "\"DARF\"", "\"REND APLIC\""}},
        CasoComando{"conta_sem_regras_proprias", {"rules", "--account", "101"}, 0, {"Caixa geral: 7 de 12 regras"}, {}},
        CasoComando{
            "codigo_da_regra_de_todas_as_contas",
            {"explain-rule", "--account", "111", "--history", "Tarifa pacote servicos", "--code", "105", "--sign", "-"},
            0,
            {"Lançamento: regra 0 (código \"105\", histórico \"TARIFA\", todas as contas) pela chave \"0-105\"",
             "Teste: regra 0 (código \"105\", histórico \"TARIFA\", todas as contas) pela chave \"0-TARIFA\""},
            {"O teste acha regra"}},
        CasoComando{"credito_sem_regra_de_sentido",
                    {"explain-rule", "--account", "111", "--history", "TARIFA ESTORNO", "--code", "105"},
                    0,
                    {"Lançamento: nenhuma regra", "Teste: regra 0", "chave de sentido \"-E\""},
                    {}},
        CasoComando{
            "linha_gravada_pela_posicao",
            {"explain-rule", "--line", "{linha}"},
            0,
            {"conta 113, código \"209\", crédito, histórico \"TED RECEBIDA CLIENTE\"",
             "Lançamento: regra 7 (código \"209\", histórico \"TED RECEBIDA\", conta 113) pela chave \"113-209\"",
             "no lugar 7 da lista de históricos, com o texto \"TED RECEBIDA\""},
            {}},
        CasoComando{"linha_sem_regra",
                    {"explain-rule", "--account", "112", "--history", "SAQUE", "--code", "1"},
                    0,
                    {"Lançamento: nenhuma regra", "Teste: nenhuma regra"},
                    {}},
        CasoComando{"linha_que_nao_existe", {"explain-rule", "--line", "987654"}, 1, {"posição 987654"}, {}},
        CasoComando{"sem_linha", {"explain-rule", "--account", "111"}, 2, {"--line"}, {}},
        CasoComando{"sem_conta", {"explain-rule", "--history", "TARIFA"}, 2, {"--account"}, {}},
        CasoComando{"natureza_invalida",
                    {"explain-rule", "--account", "111", "--history", "X", "--sign", "x"},
                    2,
                    {"natureza inválida"},
                    {}},
        // The parser's own code for options that exclude each other.
        CasoComando{
            "linha_e_historico_juntos", {"explain-rule", "--line", "1", "--history", "X"}, 2, {"excludes"}, {}}),
    [](const ::testing::TestParamInfo<CasoComando>& info) { return std::string(info.param.nome); });

// A rule made from a stored line: shown first, saved only when asked and only when the
// line would find it; a refusal leaves the rules as they were.
struct CasoRegraDaLinha {
  const char* nome;
  std::vector<std::string> argumentos;  // after "rule-from-line"; "{rend}" and "{ted}" are the lines
  int codigo;
  std::vector<std::string> presentes;  // in the output (or, when failing, in the errors)
  long long regrasDepois;
};

class RegraDaLinhaTest : public ClRegrasTest, public ::testing::WithParamInterface<CasoRegraDaLinha> {};

TEST_P(RegraDaLinhaTest, ShowsThenSavesOnlyWhatTheLineWouldFind) {
  const CasoRegraDaLinha& c = GetParam();
  const uint32_t rend = GravaLinhas({Linha(111, Dia(3, 12, 2026), 521000, '+', "REND APLIC 0412", "")})[0];
  std::vector<std::string> argumentos{"rule-from-line"};
  for (std::string a : c.argumentos) {
    if (a == "{rend}") a = std::to_string(rend);
    if (a == "{ted}") a = std::to_string(m_posicaoLinha);
    argumentos.push_back(a);
  }
  const Resultado r = Roda(argumentos);
  EXPECT_EQ(r.codigo, c.codigo) << r.saida << r.erros;
  for (const std::string& t : c.presentes) {
    EXPECT_NE((r.codigo == 0 ? r.saida : r.erros + r.saida).find(t), std::string::npos) << t << "\n"
                                                                                        << r.saida << r.erros;
  }
  const Resultado lista = Roda({"rules", "--account", "111"});
  EXPECT_NE(lista.saida.find(" de " + std::to_string(c.regrasDepois) + " regras"), std::string::npos) << lista.saida;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, RegraDaLinhaTest,
    ::testing::Values(
        CasoRegraDaLinha{
            "preview_changes_nothing",
            {"--line", "{rend}", "--history-prefix", "REND APLIC", "--transaction", "1", "--counter-account", "403",
             "--accounting", "43", "--payment-form", "5"},
            0,
            {"Regra 12 proposta: histórico \"REND APLIC\", conta 111", "Lançamento: regra 12 ", "Nada foi gravado"},
            12},
        CasoRegraDaLinha{
            "saved_for_all_accounts",
            {"--line", "{rend}", "--history-prefix", "REND APLIC", "--transaction", "1", "--counter-account", "403",
             "--accounting", "43", "--payment-form", "5", "--all-accounts", "--save"},
            0,
            {"Regra 12 gravada: histórico \"REND APLIC\", todas as contas", "Lançamento: regra 12 "},
            13},
        CasoRegraDaLinha{"json_for_scripts",
                         {"--line", "{rend}", "--history-prefix", "REND APLIC", "--transaction", "1",
                          "--counter-account", "403", "--accounting", "43", "--payment-form", "5", "--save", "--json"},
                         0,
                         {"{\"account\":111,\"code\":\"\",\"counter_account\":403,\"explanation\":[\"Linha ",
                          "\"found\":true,\"history\":\"REND APLIC\",\"rule\":12,\"saved\":true,\"transaction\":1}\n"},
                         13},
        CasoRegraDaLinha{"shadowed_by_an_earlier_rule",
                         {"--line", "{ted}", "--by", "code", "--transaction", "1", "--counter-account", "201",
                          "--accounting", "11", "--payment-form", "3", "--save"},
                         1,
                         {"não acharia a nova regra", "Lançamento: regra 7 "},
                         12},
        CasoRegraDaLinha{"no_code_on_the_line",
                         {"--line", "{rend}", "--by", "code", "--transaction", "1", "--counter-account", "403",
                          "--accounting", "43", "--payment-form", "5"},
                         2,
                         {"não tem código"},
                         12},
        CasoRegraDaLinha{"prefix_not_the_start",
                         {"--line", "{rend}", "--history-prefix", "APLIC", "--transaction", "1", "--counter-account",
                          "403", "--accounting", "43", "--payment-form", "5"},
                         2,
                         {"não é o começo"},
                         12},
        CasoRegraDaLinha{"counter_account_not_in_the_chart",
                         {"--line", "{rend}", "--transaction", "1", "--counter-account", "999", "--accounting", "43",
                          "--payment-form", "5"},
                         2,
                         {"999 (--counter-account)"},
                         12},
        CasoRegraDaLinha{"payment_form_not_registered",
                         {"--line", "{rend}", "--transaction", "1", "--counter-account", "403", "--accounting", "43",
                          "--payment-form", "77"},
                         2,
                         {"77 (--payment-form)"},
                         12},
        CasoRegraDaLinha{"accounting_required",
                         {"--line", "{rend}", "--transaction", "1", "--counter-account", "403", "--payment-form", "5"},
                         2,
                         {"--accounting"},
                         12}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ClRegrasTest, ASavedRuleFromALinePostsItInTheNextRun) {
  const uint32_t rend = GravaLinhas({Linha(111, Dia(3, 12, 2026), 521000, '+', "REND APLIC 0412", "")})[0];
  ASSERT_EQ(Roda({"rule-from-line", "--line", std::to_string(rend), "--history-prefix", "REND APLIC", "--transaction",
                  "1", "--counter-account", "403", "--accounting", "43", "--payment-form", "5", "--save"})
                .codigo,
            0);
  const Resultado r = Roda({"post", "--account", "111", "--from", "03/12/2026", "--to", "03/12/2026", "--silent"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  EXPECT_NE(r.saida.find("Lançamentos gerados: 1\nLinhas conciliadas: 1\n"), std::string::npos) << r.saida;
  EXPECT_NE(Roda({"open", "--account", "111", "--from", "03/12/2026", "--to", "03/12/2026"}).saida.find("0 linhas"),
            std::string::npos);
}

}  // namespace
