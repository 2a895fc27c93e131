#include <map>

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
  const char* argumentos;  // as Palavras reads them; "{linha}" is the stored line
  int codigo;
  const char* presentes;  // in the output (or, when failing, in the errors), split at '|'
  const char* ausentes = "";
};

class ComandoRegrasTest : public ClRegrasTest, public ::testing::WithParamInterface<CasoComando> {};

TEST_P(ComandoRegrasTest, OutputSaysWhatTheRulesDo) {
  const CasoComando& caso = GetParam();
  std::vector<std::string> argumentos = Palavras(caso.argumentos);
  for (std::string& a : argumentos) {
    if (a == "{linha}") a = std::to_string(m_posicaoLinha);
  }
  const Resultado s = Roda(argumentos);
  EXPECT_EQ(s.codigo, caso.codigo) << s.saida << s.erros;
  const std::string& onde = caso.codigo == 0 ? s.saida : s.erros;
  for (const std::string& t : Trechos(caso.presentes)) EXPECT_NE(onde.find(t), std::string::npos) << t << "\n" << onde;
  for (const std::string& t : Trechos(caso.ausentes)) EXPECT_EQ(onde.find(t), std::string::npos) << t << "\n" << onde;
  if (caso.codigo == 0) {
    EXPECT_TRUE(s.erros.empty()) << s.erros;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ComandoRegrasTest,
    ::testing::Values(
        CasoComando{"AccountsAndAllAccountsRules", "rules --account 111", 0,
                    "Banco Tavorin - Movimento: 8 de 12 regras|\"TAR PACOTE SERVICOS\"|\"TRANSF ENTRE CONTAS\"|"
                    "chave de código \"0-\" é da regra 5",
                    "\"TED RECEBIDA\"|\"DARF\"|\"REND APLIC\""},
        CasoComando{"AccountWithoutRulesOfItsOwn", "rules --account 101", 0, "Caixa geral: 7 de 12 regras"},
        CasoComando{"CodeOfARuleForAllAccounts",
                    "explain-rule --account 111 --history Tarifa_pacote_servicos --code 105 --sign -", 0,
                    "Lançamento: regra 0 (código \"105\", histórico \"TARIFA\", todas as contas) pela chave \"0-105\"|"
                    "Teste: regra 0 (código \"105\", histórico \"TARIFA\", todas as contas) pela chave \"0-TARIFA\"",
                    "O teste acha regra"},
        CasoComando{"CreditWithoutADirectionRule", "explain-rule --account 111 --history TARIFA_ESTORNO --code 105", 0,
                    "Lançamento: nenhuma regra|Teste: regra 0|chave de sentido \"-E\""},
        CasoComando{
            "StoredLineByPosition", "explain-rule --line {linha}", 0,
            "conta 113, código \"209\", crédito, histórico \"TED RECEBIDA CLIENTE\"|"
            "Lançamento: regra 7 (código \"209\", histórico \"TED RECEBIDA\", conta 113) pela chave \"113-209\"|"
            "no lugar 7 da lista de históricos, com o texto \"TED RECEBIDA\""},
        CasoComando{"LineWithoutRule", "explain-rule --account 112 --history SAQUE --code 1", 0,
                    "Lançamento: nenhuma regra|Teste: nenhuma regra"},
        CasoComando{"LineThatDoesNotExist", "explain-rule --line 987654", 1, "posição 987654"},
        CasoComando{"NoLine", "explain-rule --account 111", 2, "--line"},
        CasoComando{"NoAccount", "explain-rule --history TARIFA", 2, "--account"},
        CasoComando{"BadSign", "explain-rule --account 111 --history X --sign x", 2, "natureza inválida"},
        // The parser's own code for options that exclude each other.
        CasoComando{"LineAndHistoryTogether", "explain-rule --line 1 --history X", 2, "excludes"}),
    [](const auto& info) { return std::string(info.param.nome); });

// A rule whose code and history are the same text has one key for both, lost as its code.
TEST_F(ClRegrasTest, ACodeAndHistoryAlikeAreOneKey) {
  Escalar("UPDATE regra_lancamento SET historico_bco = '' WHERE historico_bco = 'PIX ENVIADO'");
  const Resultado r = Roda({"rules", "--account", "111"});
  EXPECT_EQ(r.saida.find("chave de histórico \"0-\""), std::string::npos) << r.saida;
}

// A rule made from a stored line: shown first, saved only when asked and only when the
// line would find it; a refusal leaves the rules as they were.
struct CasoRegraDaLinha {
  const char* nome;
  const char* trocas;  // over kRegraRend's options, split at blanks: "--x v", a flag "--x", left out "--x -"
  int codigo;
  long long regrasDepois;
  const char* presentes;  // in the output (or, when failing, in the errors), split at '|'
};

// A rule for the investment income line; "{rend}" and "{ted}" are the lines.
const std::map<std::string, std::string> kRegraRend{{"--line", "{rend}"},   {"--history-prefix", "REND APLIC"},
                                                    {"--transaction", "1"}, {"--counter-account", "403"},
                                                    {"--accounting", "43"}, {"--payment-form", "5"}};

class RegraDaLinhaTest : public ClRegrasTest, public ::testing::WithParamInterface<CasoRegraDaLinha> {
 protected:
  Resultado RegraDaLinha(const char* trocas) {
    const uint32_t rend = GravaLinhas({Linha(111, Dia(3, 12, 2026), 521000, '+', "REND APLIC 0412", "")})[0];
    std::map<std::string, std::string> opcoes = kRegraRend;
    const std::vector<std::string> palavras = Palavras(trocas);
    for (std::size_t i = 0; i < palavras.size(); ++i) {
      const std::string& opcao = palavras[i];
      const bool flag = i + 1 == palavras.size() || palavras[i + 1].starts_with("--");
      opcoes[opcao] = flag ? "" : palavras[++i];
    }
    std::vector<std::string> argumentos{"rule-from-line"};
    for (auto [opcao, valor] : opcoes) {
      if (valor == "-") continue;
      argumentos.push_back(opcao);
      if (valor == "{rend}") valor = std::to_string(rend);
      if (valor == "{ted}") valor = std::to_string(m_posicaoLinha);
      if (!valor.empty()) argumentos.push_back(valor);
    }
    return Roda(argumentos);
  }
};

TEST_P(RegraDaLinhaTest, ShowsThenSavesOnlyWhatTheLineWouldFind) {
  const CasoRegraDaLinha& c = GetParam();
  const Resultado r = RegraDaLinha(c.trocas);
  EXPECT_EQ(r.codigo, c.codigo) << r.saida << r.erros;
  for (const std::string& t : Trechos(c.presentes)) {
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
            "preview_changes_nothing", "", 0, 12,
            "Regra 12 proposta: histórico \"REND APLIC\", conta 111|Lançamento: regra 12 |Nada foi gravado"},
        CasoRegraDaLinha{"saved_for_all_accounts", "--all-accounts --save", 0, 13,
                         "Regra 12 gravada: histórico \"REND APLIC\", todas as contas|Lançamento: regra 12 "},
        CasoRegraDaLinha{"json_for_scripts", "--save --json", 0, 13,
                         "{\"account\":111,\"code\":\"\",\"counter_account\":403,\"explanation\":[\"Linha |"
                         "\"found\":true,\"history\":\"REND APLIC\",\"rule\":12,\"saved\":true,\"transaction\":1}\n"},
        CasoRegraDaLinha{"shadowed_by_an_earlier_rule",
                         "--line {ted} --history-prefix - --by code --counter-account 201 --accounting 11"
                         " --payment-form 3 --save",
                         1, 12, "não acharia a nova regra|Lançamento: regra 7 "},
        CasoRegraDaLinha{"no_code_on_the_line", "--history-prefix - --by code", 2, 12, "não tem código"},
        CasoRegraDaLinha{"prefix_not_the_start", "--history-prefix APLIC", 2, 12, "não é o começo"},
        CasoRegraDaLinha{"counter_account_not_in_the_chart", "--history-prefix - --counter-account 999", 2, 12,
                         "999 (--counter-account)"},
        CasoRegraDaLinha{"payment_form_not_registered", "--history-prefix - --payment-form 77", 2, 12,
                         "77 (--payment-form)"},
        CasoRegraDaLinha{"accounting_required", "--history-prefix - --accounting -", 2, 12, "--accounting"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(RegraDaLinhaTest, ASavedRuleFromALinePostsItInTheNextRun) {
  ASSERT_EQ(RegraDaLinha("--save").codigo, 0);
  const Resultado r = Roda({"post", "--account", "111", "--from", "03/12/2026", "--to", "03/12/2026", "--silent"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  EXPECT_NE(r.saida.find("Lançamentos gerados: 1\nLinhas conciliadas: 1\n"), std::string::npos) << r.saida;
  EXPECT_NE(Roda({"open", "--account", "111", "--from", "03/12/2026", "--to", "03/12/2026"}).saida.find("0 linhas"),
            std::string::npos);
}

}  // namespace
