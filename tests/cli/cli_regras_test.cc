#include <filesystem>

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
        CasoComando{"codigo_da_regra_de_todas_as_contas",
                    {"explain-rule", "--account", "111", "--history", "Tarifa pacote servicos", "--code", "105",
                     "--sign", "-"},
                    0,
                    {"Lançamento: regra 0 (código \"105\", histórico \"TARIFA\", todas as contas) pela chave \"0-105\"",
                     "Teste: regra 0 (código \"105\", histórico \"TARIFA\", todas as contas) pela chave \"0-TARIFA\""},
                    {"O teste acha regra"}},
        CasoComando{"credito_sem_regra_de_sentido",
                    {"explain-rule", "--account", "111", "--history", "TARIFA ESTORNO", "--code", "105"},
                    0,
                    {"Lançamento: nenhuma regra", "Teste: regra 0", "chave de sentido \"-E\""},
                    {}},
        CasoComando{"linha_gravada_pela_posicao",
                    {"explain-rule", "--line", "{linha}"},
                    0,
                    {"conta 113, código \"209\", crédito, histórico \"TED RECEBIDA CLIENTE\"",
                     "Lançamento: regra 7 (código \"209\", histórico \"TED RECEBIDA\", conta 113) pela chave \"113-209\"",
                     "no lugar 7 da lista de históricos, com o texto \"TED RECEBIDA\""},
                    {}},
        CasoComando{"linha_sem_regra", {"explain-rule", "--account", "112", "--history", "SAQUE", "--code", "1"}, 0,
                    {"Lançamento: nenhuma regra", "Teste: nenhuma regra"}, {}},
        CasoComando{"linha_que_nao_existe", {"explain-rule", "--line", "987654"}, 1, {"posição 987654"}, {}},
        CasoComando{"sem_linha", {"explain-rule", "--account", "111"}, 2, {"--line"}, {}},
        CasoComando{"sem_conta", {"explain-rule", "--history", "TARIFA"}, 2, {"--account"}, {}},
        CasoComando{"natureza_invalida", {"explain-rule", "--account", "111", "--history", "X", "--sign", "x"}, 2,
                    {"natureza inválida"}, {}},
        // The parser's own code for options that exclude each other.
        CasoComando{"linha_e_historico_juntos", {"explain-rule", "--line", "1", "--history", "X"}, 2,
                    {"excludes"}, {}}),
    [](const ::testing::TestParamInfo<CasoComando>& info) { return std::string(info.param.nome); });

using ClRegrasSemBancoTest = ClTest;

TEST_F(ClRegrasSemBancoTest, BancoQueNaoExisteNaoECriado) {
  const Resultado r = Roda({"rules", "--account", "111"});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_NE(r.erros.find("cl init"), std::string::npos) << r.erros;
  EXPECT_FALSE(std::filesystem::exists(m_pasta.Arquivo("cl.db")));
}

}  // namespace
