// Integer keys of the configuration: what the file says when it is a whole number, the
// default for anything else, and the usual precedence (environment, memory, file).
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "frame/zq_config.h"
#include "support/ambiente.h"
#include "support/pasta_temporaria.h"

namespace {

struct CasoInteiro {
  const char* valorNoArquivo;
  long esperado;
};

class ConfigInteiroTest : public ::testing::TestWithParam<CasoInteiro> {
 protected:
  void SetUp() override { m_anterior = CZQConfiguracao::Global().GetArquivo(); }
  void TearDown() override { CZQConfiguracao::Global().CarregaArquivo(m_anterior); }

  bool Carrega(const std::string& texto) {
    const std::string caminho = m_pasta.Arquivo("cl.conf");
    zq_teste::EscreveArquivo(caminho, texto);
    return CZQConfiguracao::Global().CarregaArquivo(caminho);
  }

  zq_teste::AmbienteTrocado m_semVariavel{"CL_TESTE_INTEIRO", nullptr};
  zq_teste::PastaTemporaria m_pasta;
  std::string m_anterior;
};

TEST_P(ConfigInteiroTest, FileValueOrDefault) {
  ASSERT_TRUE(Carrega(std::string("# comentário\nteste.inteiro = ") + GetParam().valorNoArquivo + "\n"));
  EXPECT_EQ(CZQConfiguracao::Global().GetInteiro("teste.inteiro", -7), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(Valores, ConfigInteiroTest,
                         ::testing::Values(CasoInteiro{"42", 42}, CasoInteiro{"-5", -5}, CasoInteiro{"0", 0},
                                           CasoInteiro{"42 # segundos", 42}, CasoInteiro{"", -7},
                                           CasoInteiro{"12abc", -7}, CasoInteiro{"0x10", -7}, CasoInteiro{"1.5", -7},
                                           CasoInteiro{"9223372036854775807", LONG_MAX},
                                           CasoInteiro{"9223372036854775808", -7},
                                           CasoInteiro{"99999999999999999999999", -7},
                                           CasoInteiro{"-99999999999999999999999", -7}));

TEST_F(ConfigInteiroTest, EnvironmentBeatsMemoryBeatsFile) {
  ASSERT_TRUE(Carrega("teste.inteiro = 1\n"));
  CZQConfiguracao& config = CZQConfiguracao::Global();
  config.Set("teste.inteiro", "2");
  EXPECT_EQ(config.GetInteiro("teste.inteiro", -7), 2);
  for (auto [valor, esperado] : {std::pair{"3", 3L}, {"três", -7L}}) {
    zq_teste::AmbienteTrocado variavel("CL_TESTE_INTEIRO", valor);
    EXPECT_EQ(config.GetInteiro("teste.inteiro", -7), esperado) << valor;
  }
  config.Remove("teste.inteiro");
  EXPECT_EQ(config.GetInteiro("teste.inteiro", -7), 1);
}

}  // namespace
