#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "import/cl_importacao_arquivo_extrato.h"
#include "importacao_teste_util.h"

namespace {

// The sample company, whose layout 2 reads the sample CSV.
class RelatorioArquivoTest : public cl_teste::AmbienteImportacaoTest {
 protected:
  std::string ArquivoEmpresa() const override { return std::string(CL_TEST_SOURCE_DIR) + "/data/sample-company.json"; }

  // The report of one import of the sample CSV, a line per refused row.
  std::vector<std::string> Importa() {
    CZQDadosCL_FiltroImportacaoExtrato pedido = cl_teste::Pedido(111, 0, 0, true);
    pedido.SetPosicaoLeiaute(2).SetArquivo(std::string(CL_TEST_SOURCE_DIR) + "/data/extrato-exemplo.csv");
    CCLImportacaoArquivoExtrato importacao;
    EXPECT_EQ(importacao.Inicializa(&m_pessoa), S_OK);
    importacao.SetModoSilencioso();
    EXPECT_FALSE(importacao.ImportaArquivo(pedido).TemErro());
    std::istringstream texto(importacao.TextoRelatorio());
    std::vector<std::string> linhas;
    for (std::string linha; std::getline(texto, linha);) linhas.push_back(linha);
    return linhas;
  }
};

// A refused row that was read names its document, amount and date; one that could not
// be read has only its reason.
TEST_F(RelatorioArquivoTest, ReportNamesTheDetailsOfRowsThatWereRead) {
  ASSERT_EQ(Importa().size(), 1u);
  const std::vector<std::string> relatorio = Importa();
  ASSERT_EQ(relatorio.size(), 4u);
  EXPECT_NE(relatorio[0].find(" - Documento: 5001 - Valor: -59,90 - Data de Lançamento: 16/11/26"), std::string::npos)
      << relatorio[0];
  EXPECT_NE(relatorio[1].find(" - Documento: 5002 - Valor: 3.250,00 - Data de Lançamento: 17/11/26"), std::string::npos)
      << relatorio[1];
  EXPECT_EQ(relatorio[3], "Linha 6: valor ilegível: \"12,3X\"");
}

}  // namespace
