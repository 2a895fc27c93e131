#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/zq_cli.h"
#include "frame/zq_data.h"
#include "store/store_teste_util.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_banco_sql.h"

namespace {

using zq_teste::PastaTemporaria;

struct Saida {
  int codigo;
  std::string texto;
  std::string erros;
};

// The sample company, with one statement line stored at a known position.
class ClRegrasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Roda({"init"}).codigo, 0);
    ASSERT_EQ(Roda({"load-company", std::string(CL_TEST_SOURCE_DIR) + "/data/sample-company.json"}).codigo, 0);
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    ASSERT_EQ(CZQBancoSQL::Abre(Db(), banco, erro), S_OK);
    CZQAcessoServidoresSQL hub(banco);
    CZQDadosCL_Extrato e;
    e.SetConta(113)
        .SetFilial(1)
        .SetDmaExtrato(CZQDma(2, 12, 2026).GetDma())
        .SetValor(1234500)
        .SetNatureza('+')
        .SetHistBco("TED RECEBIDA CLIENTE")
        .SetCodigoMvtoBco("209")
        .SetConciliado('N');
    ASSERT_EQ(hub.GetAcessoConciliacao()->GravaExtrato(e), S_OK);
    m_posicaoLinha = e.GetPosicao();
  }

  std::string Db() const { return "sqlite:" + m_pasta.Arquivo("cl.db"); }

  Saida Roda(std::vector<std::string> argumentos) {
    argumentos.insert(argumentos.begin(), {"cl", "--db", Db()});
    for (std::string& a : argumentos) {
      if (a == "{linha}") a = std::to_string(m_posicaoLinha);
    }
    std::ostringstream saida, erros;
    const int codigo = ZQExecutaCl(argumentos, saida, erros);
    return {codigo, saida.str(), erros.str()};
  }

  PastaTemporaria m_pasta;
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
  const Saida s = Roda(caso.argumentos);
  EXPECT_EQ(s.codigo, caso.codigo) << s.texto << s.erros;
  const std::string& onde = caso.codigo == 0 ? s.texto : s.erros;
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
        CasoComando{"conta_sem_regras_proprias", {"rules", "--account", "999"}, 0, {"conta 999: 7 de 12 regras"}, {}},
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
        CasoComando{"linha_e_historico_juntos", {"explain-rule", "--line", "1", "--history", "X"}, 108,
                    {"excludes"}, {}}),
    [](const ::testing::TestParamInfo<CasoComando>& info) { return std::string(info.param.nome); });

TEST(ClRegrasSemBancoTest, BancoQueNaoExisteNaoECriado) {
  PastaTemporaria pasta;
  std::ostringstream saida, erros;
  const std::string db = "sqlite:" + pasta.Arquivo("nao.db");
  EXPECT_EQ(ZQExecutaCl({"cl", "--db", db, "rules", "--account", "111"}, saida, erros), 1);
  EXPECT_NE(erros.str().find("cl init"), std::string::npos) << erros.str();
  EXPECT_FALSE(std::filesystem::exists(pasta.Arquivo("nao.db")));
}

}  // namespace
