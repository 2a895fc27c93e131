#include <nlohmann/json.hpp>

#include "cli/cli_teste_util.h"

namespace {

using namespace cl_teste_cli;

const std::string kCsv = std::string(CL_TEST_SOURCE_DIR) + "/data/extrato-exemplo.csv";
const std::string kOfx = std::string(CL_TEST_SOURCE_DIR) + "/data/extrato-exemplo.ofx";

class ClImportacaoArquivoTest : public ClEmpresaTest {
 protected:
  PastasEm m_pastas{m_pasta.Caminho()};
  Resultado Importa(const std::string& arquivo, const char* leiaute, std::vector<std::string> mais = {}) {
    std::vector<std::string> a{"import", "--file", arquivo, "--layout", leiaute, "--account", "111"};
    a.insert(a.end(), mais.begin(), mais.end());
    return Roda(a);
  }
  std::string Novembro() {
    return Roda({"statements", "--account", "111", "--from", "01/11/2026", "--to", "30/11/2026"}).saida;
  }
};

// The sample CSV: a balance row, three lines and one amount that does not read.
TEST_F(ClImportacaoArquivoTest, DryRunShowsWhatWouldBeStoredThenTheImportStoresItOnce) {
  Resultado simulacao = Importa(kCsv, "2", {"--dry-run"});
  ASSERT_EQ(simulacao.codigo, 0) << simulacao.erros;
  EXPECT_NE(simulacao.saida.find("PIX RECEBIDO; CLIENTE EXEMPLO"), std::string::npos) << simulacao.saida;
  EXPECT_NE(simulacao.saida.find("Seriam gravadas: 3; recusadas: 1"), std::string::npos) << simulacao.saida;
  EXPECT_NE(Novembro().find("Nenhuma linha de extrato."), std::string::npos);

  Resultado primeira = Importa(kCsv, "2");
  ASSERT_EQ(primeira.codigo, 0) << primeira.erros;
  EXPECT_NE(primeira.saida.find("Linha 6: valor ilegível: \"12,3X\""), std::string::npos) << primeira.saida;
  EXPECT_NE(primeira.saida.find("Gravadas: 3; recusadas: 1"), std::string::npos) << primeira.saida;
  EXPECT_NE(primeira.saida.find(m_pasta.Arquivo("ErrosImportacaoArquivoExtrato.txt")), std::string::npos);
  const std::string depois = Novembro();
  EXPECT_NE(depois.find("3 linhas; créditos 3.250,00, débitos 1.259,90"), std::string::npos) << depois;

  Resultado segunda = Importa(kCsv, "2");
  EXPECT_EQ(segunda.codigo, 0) << segunda.erros;
  EXPECT_NE(segunda.saida.find("Gravadas: 0; recusadas: 4"), std::string::npos) << segunda.saida;
  EXPECT_EQ(Novembro(), depois);
}

TEST_F(ClImportacaoArquivoTest, OfxStoresOnceAndASecondImportIsRefusedAsAlreadyImported) {
  Resultado primeira = Importa(kOfx, "4", {"--json"});
  ASSERT_EQ(primeira.codigo, 0) << primeira.erros;
  const nlohmann::json j = nlohmann::json::parse(primeira.saida);
  ASSERT_EQ(j["stored"].size(), 2u);
  EXPECT_EQ(j["stored"][0]["amount"], "-410.00");
  EXPECT_EQ(j["stored"][1]["history"], "TED RECEBIDA");
  EXPECT_TRUE(j["refused"].empty());

  Resultado segunda = Importa(kOfx, "4");
  EXPECT_EQ(segunda.codigo, 3);
  EXPECT_NE(segunda.saida.find("já foi importado"), std::string::npos) << segunda.saida;
  EXPECT_NE(Novembro().find("2 linhas"), std::string::npos);
}

struct FalhaArquivo {
  const char* nome;
  std::vector<std::string> argumentos;
  int codigo;
  const char* texto;
};

class ClImportacaoArquivoFalhaTest : public ClImportacaoArquivoTest,
                                     public ::testing::WithParamInterface<FalhaArquivo> {};

TEST_P(ClImportacaoArquivoFalhaTest, RefusesTheFileAndStoresNothing) {
  std::vector<std::string> a{"import"};
  a.insert(a.end(), GetParam().argumentos.begin(), GetParam().argumentos.end());
  Resultado r = Roda(a);
  EXPECT_EQ(r.codigo, GetParam().codigo);
  EXPECT_NE((r.erros + r.saida).find(GetParam().texto), std::string::npos) << r.erros << r.saida;
  EXPECT_NE(Novembro().find("Nenhuma linha de extrato."), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ClImportacaoArquivoFalhaTest,
    ::testing::Values(
        FalhaArquivo{"NoLayout", {"--file", kCsv, "--account", "111"}, 2, "--layout"},
        FalhaArquivo{
            "MissingFile", {"--file", "/nao/existe.csv", "--layout", "2", "--account", "111"}, 3, "não pôde ser lido"},
        FalhaArquivo{"LayoutOfAnotherKind", {"--file", kCsv, "--layout", "3", "--account", "111"}, 3, "tipo"},
        FalhaArquivo{"FileMatchesNoLayout",
                     {"--file", kCsv, "--layout", "4", "--account", "111"},
                     3,
                     "nenhuma linha de extrato"},
        FalhaArquivo{"UnknownLayout", {"--file", kCsv, "--layout", "9", "--account", "111"}, 1, "leiaute"},
        // The request is checked before anything is stored: no account for a layout
        // that does not name it.
        FalhaArquivo{"NoAccount", {"--file", kCsv, "--layout", "2"}, 3, ""},
        FalhaArquivo{
            "OutsideTheAccountingPeriod",
            {"--file", kCsv, "--layout", "2", "--account", "111", "--from", "01/11/2028", "--to", "30/11/2028"},
            3,
            ""}),
    [](const ::testing::TestParamInfo<FalhaArquivo>& info) { return std::string(info.param.nome); });

TEST_F(ClImportacaoArquivoTest, LayoutsListsTheColumnsOfDelimitedLayouts) {
  Resultado r = Roda({"layouts"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  EXPECT_NE(r.saida.find("delimitador \";\", decimais \",\", datas DD/MM/AAAA; data 1 valor 4 documento 3 historico 2"),
            std::string::npos)
      << r.saida;
  EXPECT_NE(r.saida.find("Extrato OFX"), std::string::npos);
  r = Roda({"layouts", "--json"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  EXPECT_NE(r.saida.find("\"delimiter\":\";\""), std::string::npos) << r.saida;
}

}  // namespace
