#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frame/zq_mensagens.h"
#include "importacao_teste_util.h"

namespace {

using cl_teste::Dia;
using cl_teste::Ofx;
using cl_teste::Transacao;

constexpr uint32_t kTavorin = 111;
constexpr uint32_t kBancoBrasil = 113;
constexpr uint32_t kSemIntegracao = 115;

class ImportacaoTest : public cl_teste::AmbienteImportacaoTest {
 protected:
  void SetUp() override {
    AmbienteImportacaoTest::SetUp();
    ASSERT_EQ(m_rotina.Inicializa(&m_pessoa), S_OK);
    m_rotina.SetParent(&m_janela);
  }

  void Mock(const std::string& ofx) { cl_teste::Escreve(MockTavorin(), ofx); }
  CZQDadosDF_Erro& Importa(uint32_t conta, bool duplicidade = true) {
    return m_rotina.ImportaExtrato(cl_teste::Pedido(conta, Dia(1, 11, 2026), Dia(30, 11, 2026), duplicidade));
  }
  std::vector<std::string> Historicos(uint32_t conta) {
    std::vector<std::string> h;
    for (const CZQDadosCL_Extrato& e : Armazenadas(conta)) h.push_back(e.GetHistBco().str());
    return h;
  }

  CCLImportacaoExtrato m_rotina;
  cl_teste::JanelaGravadora m_janela;
};

TEST_F(ImportacaoTest, TavorinTestModeStoresTheStatementsLines) {
  cl_teste::Escreve(MockTavorin(), cl_teste::LeTudo(cl_teste::Fixture("sgml-102-cp1252.ofx")));
  const CZQDadosDF_Erro& erro = Importa(kTavorin);
  ASSERT_FALSE(erro.TemErro()) << erro.GetTextoMostraMensagem().c_str();

  const std::vector<CZQDadosCL_Extrato> linhas = Armazenadas(kTavorin);
  ASSERT_EQ(linhas.size(), 3u);
  EXPECT_EQ(linhas[0].GetHistBco(), "TARIFA MANUTENÇÃO CONTA");
  EXPECT_EQ(linhas[0].GetNatureza(), '-');
  EXPECT_EQ(linhas[0].GetValor(), 359000);
  EXPECT_EQ(linhas[0].GetDocumento(), 123);
  for (const CZQDadosCL_Extrato& e : linhas) {
    EXPECT_EQ(e.GetFilial(), 1);
    EXPECT_EQ(e.GetDmaImportacao(), 0u);
    EXPECT_NE(e.GetPosicao(), 0u);
  }
  EXPECT_TRUE(m_rotina.GetExtraInfoBase().GetCaminhoArquivoErros().IsEmpty());
  // Test mode saves nothing in the reports directory.
  EXPECT_FALSE(std::filesystem::exists(Relatorios()) && !std::filesystem::is_empty(Relatorios()));
}

TEST_F(ImportacaoTest, BancoDoBrasilTestModeDropsBalancesAndReportsThePeriod) {
  std::filesystem::create_directories(Instalacao());
  std::filesystem::copy_file(cl_teste::Fixture("mock-extrato-bb.json"), MockBancoBrasil());
  const CZQDadosDF_Erro& erro = Importa(kBancoBrasil);
  ASSERT_FALSE(erro.TemErro()) << erro.GetTextoMostraMensagem().c_str();

  const std::vector<CZQDadosCL_Extrato> linhas = Armazenadas(kBancoBrasil);
  ASSERT_EQ(linhas.size(), 4u);
  struct Esperada {
    const char* historico;
    char natureza;
    tagCY valor;
    int64_t documento;
  };
  const Esperada esperadas[] = {{"TARIFA PACOTE", '-', 359000, 123456789012345LL},
                                {"PIX RECEBIDO", '+', 12345600, 42},
                                {"BLOQUEIO JUDICIAL", '-', 100000, 9},
                                {"DEPOSITO", '+', 500000, 7}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(linhas[i].GetHistBco(), esperadas[i].historico);
    EXPECT_EQ(linhas[i].GetNatureza(), esperadas[i].natureza) << i;
    EXPECT_EQ(linhas[i].GetValor(), esperadas[i].valor) << i;
    EXPECT_EQ(linhas[i].GetDocumento(), esperadas[i].documento) << i;
    EXPECT_EQ(linhas[i].GetDmaImportacao(), Dia(20, 11, 2026)) << i;
  }
  // The line after the period is the only one with a warning.
  const std::string relatorio = cl_teste::LeTudo(m_rotina.GetExtraInfoBase().GetCaminhoArquivoErros().str());
  EXPECT_EQ(relatorio, " - " + ZQGetMensagem(5902, "CL") +
                           "\r\nDocumento:  77 - Conta: 11203 - Banco do Brasil - Matriz - Valor: 100,00 - "
                           "Data de Lançamento: 01/12/26 \r\n");
}

// Progress: before each line, the share of lines done; 100 at the end.
struct CasoProgresso {
  int linhas;
  std::vector<intptr_t> valores;
};

class ProgressoTest : public ImportacaoTest, public ::testing::WithParamInterface<CasoProgresso> {};

TEST_P(ProgressoTest, SendsTheShareDoneBeforeEachLineAnd100AtTheEnd) {
  std::vector<Transacao> t;
  for (int i = 0; i < GetParam().linhas; ++i) {
    t.push_back({"DEBIT", "202611" + std::to_string(10 + i), "-1,00", "LINHA " + std::to_string(i)});
  }
  Mock(Ofx(t));
  ASSERT_FALSE(Importa(kTavorin).TemErro());
  EXPECT_EQ(m_janela.Valores(), GetParam().valores);
  for (const auto& m : m_janela.mensagens) {
    EXPECT_EQ(m.numero, 1126u);
    EXPECT_EQ(m.wParam, 100u);
  }
  EXPECT_EQ(Armazenadas(kTavorin).size(), static_cast<size_t>(GetParam().linhas));
}

INSTANTIATE_TEST_SUITE_P(Quantidades, ProgressoTest,
                         ::testing::Values(CasoProgresso{1, {0, 100}}, CasoProgresso{2, {0, 50, 100}},
                                           CasoProgresso{3, {0, 33, 66, 100}}, CasoProgresso{4, {0, 25, 50, 75, 100}},
                                           CasoProgresso{7, {0, 14, 28, 42, 57, 71, 85, 100}}));

// A null window keeps the one set before; a silent routine, and one without a window,
// send nothing and still import.
TEST_F(ImportacaoTest, ProgressGoesToTheWindowSetUnlessSilent) {
  Mock(Ofx({{"DEBIT", "20261110", "-1,00", "A"}}));
  m_rotina.SetParent(nullptr);
  ASSERT_FALSE(Importa(kTavorin, false).TemErro());
  EXPECT_EQ(m_janela.Valores(), (std::vector<intptr_t>{0, 100}));
  m_janela.mensagens.clear();
  m_rotina.SetModoSilencioso();
  ASSERT_FALSE(Importa(kTavorin, false).TemErro());
  CCLImportacaoExtrato semJanela;
  ASSERT_EQ(semJanela.Inicializa(&m_pessoa), S_OK);
  ASSERT_FALSE(semJanela.ImportaExtrato(cl_teste::Pedido(kTavorin, Dia(1, 11, 2026), Dia(30, 11, 2026))).TemErro());
  EXPECT_TRUE(m_janela.mensagens.empty());
  EXPECT_EQ(Armazenadas(kTavorin).size(), 3u);
}

TEST_F(ImportacaoTest, WithoutDuplicateCheckEqualLinesAreAllStored) {
  Armazena(cl_teste::Linha(kTavorin, Dia(10, 11, 2026), 10000, '-', "TARIFA"));
  Mock(Ofx({{"DEBIT", "20261110", "-1,00", "TARIFA"}, {"DEBIT", "20261110", "-1,00", "TARIFA"}}));
  ASSERT_FALSE(Importa(kTavorin, false).TemErro());
  EXPECT_EQ(Historicos(kTavorin), (std::vector<std::string>{"TARIFA", "TARIFA", "TARIFA"}));
  EXPECT_TRUE(m_rotina.GetExtraInfoBase().GetCaminhoArquivoErros().IsEmpty());
}

TEST_F(ImportacaoTest, WithDuplicateCheckStoredAndRepeatedLinesAreSkippedWithWarning5901) {
  Armazena(cl_teste::Linha(kTavorin, Dia(10, 11, 2026), 10000, '-', "JA IMPORTADA", 5));
  Mock(Ofx({{"DEBIT", "20261110", "-1,00", "JA IMPORTADA", "5"},
            {"DEBIT", "20261111", "-2,00", "NOVA"},
            {"DEBIT", "20261111", "-2,00", "NOVA"},
            {"CREDIT", "20261111", "2,00", "NOVA"}}));
  ASSERT_FALSE(Importa(kTavorin).TemErro());
  EXPECT_EQ(Historicos(kTavorin), (std::vector<std::string>{"JA IMPORTADA", "NOVA", "NOVA"}));
  const std::string relatorio = cl_teste::LeTudo(m_rotina.GetExtraInfoBase().GetCaminhoArquivoErros().str());
  EXPECT_EQ(relatorio.rfind(" - " + ZQGetMensagem(5901, "CL") + "\r\n", 0), 0u);
  EXPECT_NE(relatorio.find("Documento:  5 - Conta: 11201 - Banco Tavorin - Movimento - Valor: 1,00"),
            std::string::npos);
  EXPECT_NE(relatorio.find("Documento:  0 - Conta: 11201 - Banco Tavorin - Movimento - Valor: 2,00"),
            std::string::npos);

  // The same statement again stores nothing more.
  ASSERT_FALSE(Importa(kTavorin).TemErro());
  EXPECT_EQ(Armazenadas(kTavorin).size(), 3u);
}

TEST_F(ImportacaoTest, HistoryCaseDoesNotTellDuplicatesApartAndIsStoredAsGiven) {
  Armazena(cl_teste::Linha(kTavorin, Dia(10, 11, 2026), 10000, '-', "tarifa pix"));
  Mock(Ofx({{"DEBIT", "20261110", "-1,00", "TARIFA PIX"},
            {"DEBIT", "20261110", "-1,00", "Tarifa Avulsa"},
            {"DEBIT", "20261110", "-1,00", "TARIFA AVULSA"}}));
  ASSERT_FALSE(Importa(kTavorin).TemErro());
  EXPECT_EQ(Historicos(kTavorin), (std::vector<std::string>{"tarifa pix", "Tarifa Avulsa"}));
}

TEST_F(ImportacaoTest, HistoryIsNoPartOfTheKeyWhenItsFlagIsOff) {
  Armazena(cl_teste::Linha(kTavorin, Dia(10, 11, 2026), 10000, '-', "tarifa pix"));
  Mock(Ofx({{"DEBIT", "20261110", "-1,00", "OUTRO HISTORICO"}}));
  CZQDadosCL_FiltroImportacaoExtrato pedido = cl_teste::Pedido(kTavorin, Dia(1, 11, 2026), Dia(30, 11, 2026), true);
  pedido.SetVerificaDescricaoMovimento(0);
  ASSERT_FALSE(m_rotina.ImportaExtrato(pedido).TemErro());
  EXPECT_EQ(Historicos(kTavorin), (std::vector<std::string>{"tarifa pix"}));
  pedido.SetVerificaDescricaoMovimento(1);
  ASSERT_FALSE(m_rotina.ImportaExtrato(pedido).TemErro());
  EXPECT_EQ(Historicos(kTavorin), (std::vector<std::string>{"tarifa pix", "OUTRO HISTORICO"}));
}

TEST_F(ImportacaoTest, NoLineFromTheSourceIsWarning5891) {
  Mock(Ofx({}));
  for (uint32_t conta : {kTavorin, kSemIntegracao}) {
    const CZQDadosDF_Erro& erro = Importa(conta);
    EXPECT_TRUE(erro.EhAviso()) << conta;
    EXPECT_EQ(erro.GetModuloMensagem(), ZQ_MODULO_CL);
    EXPECT_EQ(erro.GetCodigoMensagem(), 5891);
  }
  EXPECT_TRUE(m_janela.mensagens.empty());
}

TEST_F(ImportacaoTest, SourceErrorEndsTheImport) {
  // The test-mode file is there but cannot be read as a file.
  std::filesystem::create_directories(MockTavorin());
  cl_teste::Escreve(MockTavorin() / "x", "y");
  // A directory does not count as present: the online query runs, and no middleware is installed.
  const CZQDadosDF_Erro& erro = Importa(kTavorin);
  EXPECT_TRUE(erro.TemErro());
  EXPECT_TRUE(Armazenadas(kTavorin).empty());
  EXPECT_TRUE(m_janela.mensagens.empty());
}

TEST_F(ImportacaoTest, WarningsOfSeveralImportsGoToOneReport) {
  Mock(Ofx({{"DEBIT", "20261201", "-1,00", "FORA"}}));
  ASSERT_FALSE(Importa(kTavorin).TemErro());
  Mock(Ofx({{"DEBIT", "20261202", "-3,00", "FORA TAMBEM"}}));
  ASSERT_FALSE(Importa(kTavorin).TemErro());
  const std::string relatorio = cl_teste::LeTudo(m_rotina.GetExtraInfoBase().GetCaminhoArquivoErros().str());
  EXPECT_NE(relatorio.find("Valor: 1,00 - Data de Lançamento: 01/12/26"), std::string::npos);
  EXPECT_NE(relatorio.find("Valor: 3,00 - Data de Lançamento: 02/12/26"), std::string::npos);
  ASSERT_EQ(m_rotina.Inicializa(&m_pessoa), S_OK);
  EXPECT_TRUE(m_rotina.GetExtraInfoBase().GetCaminhoArquivoErros().IsEmpty());
}

}  // namespace
