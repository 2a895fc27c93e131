#include <filesystem>
#include <sstream>

#include "cli/cli_teste_util.h"

namespace {

using namespace cl_teste_cli;

// The sample company and a few statement lines of account 113.
class ClPreparadoTest : public ClEmpresaTest {
 protected:
  void SetUp() override {
    ClEmpresaTest::SetUp();
    std::vector<CZQDadosCL_Extrato> linhas{
        Linha(113, Dia(2, 12, 2026), 12345000, '+', "TED RECEBIDA CLIENTE", "209", 1002),
        Linha(113, Dia(1, 12, 2026), 890000, '-', "TARIFA PACOTE", "209", 1001),
        Linha(113, Dia(3, 12, 2026), 10000, '-', "IOF", "209", 1003, 2),
        Linha(111, Dia(2, 12, 2026), 50000, '+', "PIX RECEBIDO", "209", 1002),
        Linha(113, Dia(10, 12, 2026), 70000, '+', "FORA DO PERÍODO", "209", 1010)};
    linhas[1].SetConciliado('S').SetTipoConciliacao('L').SetNumeroConciliacao(4);
    GravaLinhas(linhas);
  }
};

class AjudaTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(AjudaTest, HelpGoesToStandardOutputAndSucceeds) {
  Resultado r = Executa(GetParam());
  EXPECT_EQ(r.codigo, 0);
  EXPECT_NE(r.saida.find("Usage:"), std::string::npos) << r.saida;
  EXPECT_TRUE(r.erros.empty()) << r.erros;
}

INSTANTIATE_TEST_SUITE_P(Comandos, AjudaTest,
                         ::testing::Values(std::vector<std::string>{"--help"},
                                           std::vector<std::string>{"init", "--help"},
                                           std::vector<std::string>{"load-company", "--help"},
                                           std::vector<std::string>{"statements", "-h"}));

struct ErroCaso {
  const char* nome;
  // Split at spaces, after "--db <the test's store>" unless it starts with an option;
  // "{pasta}" is the test's folder, "{dez}" the period 01-05/12/2026.
  const char* argumentos;
  const char* trecho;  // part of the error text
  int codigo = 0;      // the exit code, where a row pins it
};

class ErroClTest : public ClPreparadoTest, public ::testing::WithParamInterface<ErroCaso> {};

TEST_P(ErroClTest, ErrorsGoToStandardErrorWithAFailingCode) {
  std::vector<std::string> argumentos;
  if (GetParam().argumentos[0] != '-') argumentos = {"--db", Db()};
  std::istringstream in(GetParam().argumentos);
  for (std::string a; in >> a;) {
    if (size_t p = a.find("{pasta}"); p != std::string::npos) a.replace(p, 7, m_pasta.Caminho());
    if (a == "{dez}") {
      argumentos.insert(argumentos.end(), {"--from", "01/12/2026", "--to", "05/12/2026"});
    } else {
      argumentos.push_back(a);
    }
  }
  Resultado r = Executa(argumentos);
  EXPECT_NE(r.codigo, 0);
  if (GetParam().codigo != 0) {
    EXPECT_EQ(r.codigo, GetParam().codigo);
  }
  EXPECT_NE(r.erros.find(GetParam().trecho), std::string::npos) << r.erros;
  EXPECT_TRUE(r.saida.empty()) << r.saida;
}

constexpr char kFora[] = "a conta 999 não está no plano de contas";

INSTANTIATE_TEST_SUITE_P(
    Casos, ErroClTest,
    ::testing::Values(
        ErroCaso{"NoCommand", "", "subcommand"},
        ErroCaso{"UnknownCommand", "exporta --help", "comando desconhecido: \"exporta\""},
        ErroCaso{"MissingAccount", "statements {dez}", "--account", 2},
        ErroCaso{"AccountNotANumber", "statements --account x {dez}", "--account", 2},
        ErroCaso{"BadDate", "statements --account 113 --from 2026-12-01 --to 05/12/2026", "data inválida em --from"},
        ErroCaso{"PeriodInverted", "statements --account 113 --from 05/12/2026 --to 01/12/2026", "anterior"},
        // Every command that takes an account refuses one outside the chart, before it reads or stores.
        ErroCaso{"StatementsUnknownAccount", "statements --account 999 {dez}", kFora, 2},
        ErroCaso{"OpenUnknownAccount", "open --account 999 {dez}", kFora, 2},
        ErroCaso{"PostUnknownAccount", "post --account 999 {dez}", kFora, 2},
        ErroCaso{"ImportUnknownAccount", "import --account 999 {dez}", kFora, 2},
        ErroCaso{"RulesUnknownAccount", "rules --account 999", kFora, 2},
        ErroCaso{"OpenAndReconciled", "statements --account 113 {dez} --open --reconciled", "excludes"},
        ErroCaso{"CompanyFileMissing", "load-company /nao/existe.json", "/nao/existe.json"},
        ErroCaso{"ConfigMissing", "--config /nao/existe.conf init", "/nao/existe.conf"},
        ErroCaso{"StoreNotADatabase", "--db sqlite:{pasta} init", "AbreBanco"},
        ErroCaso{"UnknownConnection", "--db mysql://x init", "conexão não reconhecida"},
        // Every command reads its dates through the same parser: a row per command shows it
        // wired in, and the parser's refusals are spread over them.
        ErroCaso{"OpenNoSuchDay", "open --account 111 --from 32/12/2026 --to 04/12/2026", "data inválida", 2},
        ErroCaso{"OpenEndMissing", "open --account 111 --from 01/12/2026", "--to", 2},
        ErroCaso{"SuggestPeriodInverted", "suggest --account 111 --from 05/12/2026 --to 04/12/2026",
                 "é anterior a --from", 2},
        ErroCaso{"ImportNotADate", "import --account 111 --from ontem --to 05/12/2026", "data inválida em --from", 2},
        ErroCaso{"ImportFebruary31", "import --account 111 --from 31/02/2026 --to 05/12/2026", "\"31/02/2026\"", 2},
        ErroCaso{"ImportPeriodInverted", "import --account 111 --from 05/12/2026 --to 01/12/2026", "anterior", 2},
        ErroCaso{"PostPeriodInverted", "post --account 111 --from 31/03/2026 --to 01/03/2026", "é anterior a --from",
                 2},
        ErroCaso{"PostNoSuchDay", "post --account 111 --from 32/03/2026 --to 31/03/2026", "(use DD/MM/AAAA)", 2},
        ErroCaso{"PostEndNotADate", "post --account 111 --from 01/03/2026 --to ontem", "(use DD/MM/AAAA)", 2},
        ErroCaso{"ExecutionsFebruary31", "executions --date 31/02/2026", "data inválida", 2},
        ErroCaso{"ExecutionsIsoDate", "executions --date 2026-12-04", "data inválida", 2},
        ErroCaso{"ExecutionsDateMissing", "executions", "--date", 2}),
    [](const auto& info) { return info.param.nome; });

TEST_F(ClPreparadoTest, BadCompanyFileNamesTheFieldAndKeepsTheStore) {
  const std::string ruim = m_pasta.Arquivo("ruim.json");
  std::string texto = zq_teste::LeArquivo(kAmostra);
  texto.replace(texto.find("\"integrar_com_terceiro\": 2"), 26, "\"integrar_com_terceiro\": -2");
  zq_teste::EscreveArquivo(ruim, texto);
  Resultado r = Roda({"load-company", ruim});
  EXPECT_EQ(r.codigo, ZQ_CL_SAIDA_FALHA);
  EXPECT_NE(r.erros.find("plano_contas[3].banco.integrar_com_terceiro"), std::string::npos) << r.erros;
  Resultado lista = Roda({"statements", "--account", "113", "--from", "01/12/2026", "--to", "05/12/2026"});
  EXPECT_NE(lista.saida.find("Banco do Brasil - Matriz"), std::string::npos) << lista.saida;
}

// Every command that reads the store names a missing one and leaves it uncreated.
TEST_F(ClTest, AMissingStoreIsNamedAndNotCreated) {
  for (const std::vector<std::string>& comando :
       {std::vector<std::string>{"statements", "--account", "113", "--from", "01/12/2026", "--to", "05/12/2026"},
        {"rules", "--account", "111"},
        {"executions", "--date", "04/12/2026"},
        {"validate-config", "importacao"}}) {
    SCOPED_TRACE(comando[0]);
    const Resultado r = Roda(comando);
    EXPECT_EQ(r.codigo, ZQ_CL_SAIDA_FALHA);
    EXPECT_NE(r.erros.find("o banco " + m_pasta.Arquivo("cl.db") + " não existe; crie-o com \"cl init\""),
              std::string::npos)
        << r.erros;
    EXPECT_TRUE(r.saida.empty()) << r.saida;
    EXPECT_FALSE(std::filesystem::exists(m_pasta.Arquivo("cl.db")));
  }
}

TEST_F(ClTest, InitCreatesTheStoreAndCanRunAgain) {
  Resultado r = Roda({"init"});
  EXPECT_EQ(r.codigo, 0) << r.erros;
  EXPECT_NE(r.saida.find("esquema versão " + std::to_string(ZQVersaoEsquemaSQL())), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(m_pasta.Arquivo("cl.db")));
  EXPECT_EQ(Roda({"init"}).codigo, 0);
}

TEST_F(ClTest, LoadCompanySaysWhatWasLoaded) {
  ASSERT_EQ(Roda({"init"}).codigo, 0);
  Resultado r = Roda({"load-company", kAmostra});
  EXPECT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(r.saida,
            "Empresa EXEMPLO - Comercial Exemplo de Utilidades Ltda carregada: 2 filiais, 17 contas (4 bancárias), "
            "12 regras de lançamento.\n");
}

TEST_F(ClPreparadoTest, StatementsListTheAccountsLinesOfThePeriod) {
  Resultado r = Roda({"statements", "--account", "113", "--from", "01/12/2026", "--to", "05/12/2026"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  EXPECT_TRUE(r.erros.empty());
  std::istringstream in(r.saida);
  std::vector<std::string> linhas;
  for (std::string l; std::getline(in, l);) linhas.push_back(l);
  ASSERT_EQ(linhas.size(), 6u) << r.saida;
  EXPECT_EQ(linhas[0], "Conta 113 - 11203 - Banco do Brasil - Matriz, de 01/12/2026 a 05/12/2026");
  // In date order; amounts in the Brazilian form with the nature.
  EXPECT_NE(linhas[2].find("01/12/2026"), std::string::npos);
  EXPECT_NE(linhas[2].find("89,00 D"), std::string::npos);
  EXPECT_NE(linhas[2].find("S L 4"), std::string::npos);
  EXPECT_NE(linhas[3].find("1.234,50 C"), std::string::npos);
  EXPECT_NE(linhas[3].find("TED RECEBIDA CLIENTE"), std::string::npos);
  EXPECT_NE(linhas[4].find("IOF"), std::string::npos);
  EXPECT_EQ(linhas[5], "3 linhas; créditos 1.234,50, débitos 90,00");

  Resultado abertas =
      Roda({"statements", "--account", "113", "--from", "01/12/2026", "--to", "05/12/2026", "--open", "--branch", "1"});
  ASSERT_EQ(abertas.codigo, 0);
  EXPECT_NE(abertas.saida.find("1 linha;"), std::string::npos) << abertas.saida;
  EXPECT_NE(abertas.saida.find("TED RECEBIDA"), std::string::npos);

  Resultado conciliadas =
      Roda({"statements", "--account", "113", "--from", "01/12/2026", "--to", "05/12/2026", "--reconciled"});
  EXPECT_NE(conciliadas.saida.find("TARIFA PACOTE"), std::string::npos);
  EXPECT_EQ(conciliadas.saida.find("TED"), std::string::npos);

  Resultado vazia = Roda({"statements", "--account", "114", "--from", "01/12/2026", "--to", "05/12/2026"});
  EXPECT_EQ(vazia.codigo, 0);
  EXPECT_NE(vazia.saida.find("Nenhuma linha de extrato."), std::string::npos);
}

}  // namespace
