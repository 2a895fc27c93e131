#include "cli/cli_teste_util.h"

namespace {

using namespace cl_teste_cli;

// Test mode: the Tavorin answer comes from the installation directory.
constexpr const char* kOfx =
    "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\nCHARSET:1252\n\n<OFX>\n<BANKTRANLIST>\n"
    "<STMTTRN>\n<TRNTYPE>DEBIT\n<DTPOSTED>20261202\n<TRNAMT>-150,25\n<FITID>1\n<CHECKNUM>1001\n"
    "<MEMO>TARIFA BANCARIA\n</STMTTRN>\n"
    "<STMTTRN>\n<TRNTYPE>CREDIT\n<DTPOSTED>20261203\n<TRNAMT>1200,00\n<FITID>2\n<CHECKNUM>1002\n"
    "<MEMO>DEPOSITO\n</STMTTRN>\n</BANKTRANLIST>\n</OFX>\n";

class ClImportacaoTest : public ClEmpresaTest {
 protected:
  void SetUp() override {
    ClEmpresaTest::SetUp();
    zq_teste::EscreveArquivo(m_pasta.Arquivo("MockExtratoTavorin.ofx"), kOfx);
  }
  PastasEm m_pastas{m_pasta.Caminho()};
  Resultado Importa() { return Roda({"import", "--account", "111", "--from", "01/12/2026", "--to", "05/12/2026"}); }
};

TEST_F(ClImportacaoTest, StoresTheStatementOnceAndReportsTheRepeatedLines) {
  Resultado primeira = Importa();
  ASSERT_EQ(primeira.codigo, 0) << primeira.erros;
  EXPECT_NE(primeira.saida.find("Importação concluída."), std::string::npos);
  EXPECT_EQ(primeira.saida.find("Linhas recusadas"), std::string::npos);

  Resultado segunda = Importa();
  ASSERT_EQ(segunda.codigo, 0) << segunda.erros;
  EXPECT_NE(segunda.saida.find("Linhas recusadas: " + m_pasta.Arquivo("ErrosImportacaoExtratoOnline.txt")),
            std::string::npos)
      << segunda.saida;

  Resultado lista = Roda({"statements", "--account", "111", "--from", "01/12/2026", "--to", "05/12/2026"});
  ASSERT_EQ(lista.codigo, 0);
  EXPECT_NE(lista.saida.find("TARIFA BANCARIA"), std::string::npos);
  EXPECT_NE(lista.saida.find("2 linhas"), std::string::npos) << lista.saida;
}

// A request the validator refuses (it starts on the movement lock date) stores nothing.
TEST_F(ClImportacaoTest, RefusedRequestExitsThreeAndStoresNothing) {
  Resultado r = Roda({"import", "--account", "111", "--from", "31/10/2026", "--to", "05/12/2026"});
  EXPECT_EQ(r.codigo, 3) << r.erros << r.saida;
  Resultado lista = Roda({"statements", "--account", "111", "--from", "01/12/2026", "--to", "05/12/2026"});
  EXPECT_EQ(lista.saida.find("TARIFA BANCARIA"), std::string::npos) << lista.saida;
  // Nothing in the period: an answer, not a failure.
  EXPECT_EQ(Roda({"import", "--account", "111", "--from", "02/11/2026", "--to", "06/11/2026"}).codigo, 0);
}

}  // namespace
