#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "importacao_teste_util.h"
#include "store/zq_falhas_injetadas.h"

namespace {

using cl_teste::Dia;
using cl_teste::Ofx;

constexpr HRESULT kFalha = ZQ_HR(0x8007001F);  // a device attached to the system is not functioning

// A failing server call during an import: where it is traced, with which expression,
// and what becomes of the import.
struct CasoFalha {
  const char* nome;
  const char* operacao;
  long chamada;
  uint32_t conta;
  bool duplicidade;
  const char* classeFuncao;
  const char* expressao;
  // The import ends with the server's error (true), or the line being validated is
  // rejected and the import goes on (false).
  bool encerra;
  size_t armazenadas;  // lines stored in the end
};

class FalhaServidorTest : public cl_teste::AmbienteImportacaoTest, public ::testing::WithParamInterface<CasoFalha> {
 protected:
  void SetUp() override {
    AmbienteImportacaoTest::SetUp();
    // Three lines; the first lies after the period (a warning of its own), the other two pass.
    cl_teste::Escreve(MockTavorin(), Ofx({{"DEBIT", "20261201", "-1,00", "FORA DO PERIODO"},
                                          {"DEBIT", "20261110", "-2,00", "SEGUNDA"},
                                          {"CREDIT", "20261111", "3,00", "TERCEIRA"}}));
    std::filesystem::create_directories(Instalacao());
    std::filesystem::copy_file(cl_teste::Fixture("mock-extrato-bb.json"), MockBancoBrasil());
  }
};

TEST_P(FalhaServidorTest, IsTracedWithItsExpressionAndTakesItsPath) {
  const CasoFalha& c = GetParam();
  CZQFalhasInjetadas falhas;
  falhas.Falha(c.operacao, c.chamada, kFalha);
  CZQInjecaoFalhas injecao(falhas);

  CCLImportacaoExtrato rotina;
  cl_teste::JanelaGravadora janela;
  ASSERT_EQ(rotina.Inicializa(&m_pessoa), S_OK);
  rotina.SetParent(&janela);
  const CZQDadosDF_Erro& erro =
      rotina.ImportaExtrato(cl_teste::Pedido(c.conta, Dia(1, 11, 2026), Dia(30, 11, 2026), c.duplicidade));

  EXPECT_EQ(falhas.FalhasOcorridas(),
            (std::vector<std::string>{std::string(c.operacao) + "#" + std::to_string(c.chamada)}));
  EXPECT_EQ(Traces(c.classeFuncao, c.expressao).size(), 1u) << "expected the trace of " << c.expressao;
  EXPECT_EQ(RegistrosLog().size(), 1u);
  if (c.encerra) {
    ASSERT_TRUE(erro.TemErro());
    EXPECT_EQ(erro.GetHR(), kFalha);
    EXPECT_NE(janela.Valores().empty() ? -1 : janela.Valores().back(), 100);
  } else {
    EXPECT_FALSE(erro.TemErro()) << erro.GetTextoMostraMensagem().c_str();
    EXPECT_EQ(janela.Valores().back(), 100);
  }
  EXPECT_EQ(Armazenadas(c.conta).size(), c.armazenadas);
}

INSTANTIATE_TEST_SUITE_P(
    Importacao, FalhaServidorTest,
    ::testing::Values(
        CasoFalha{"stored_positions", "BuscaPonteirosMovimentoExtrato", 1, 111, true,
                  "CCLImportacaoExtrato::ImportaExtrato",
                  "GetAcessoConciliacao()->BuscaPonteirosMovimentoExtrato(dadosFiltroExtrato, listaPonteirosExtrato)",
                  true, 0},
        CasoFalha{"stored_lines", "BuscaRegistrosMovimentoExtrato", 1, 111, true,
                  "CCLImportacaoExtrato::ImportaExtrato",
                  "GetAcessoConciliacao()->BuscaRegistrosMovimentoExtrato(dadosFiltroExtrato, listaPonteirosExtrato, "
                  "listaExtratos)",
                  true, 0},
        CasoFalha{"bank_of_the_account", "LeBufferBanco", 1, 111, true, "CCLImportacaoExtrato::ImportaExtrato",
                  "GetAcessoEmpresarial()->LeBufferBanco(dadosFiltroImportacao.GetConta(), &dadosBanco)", true, 0},
        CasoFalha{"layout_server", "GetICLImportacaoCBN", 1, 111, true,
                  "CCLImportacaoExtrato::InterpretaArquivoExtratoTavorin",
                  "GetAcessoConciliacao()->GetICLImportacaoCBN(pIImportacaoCBN)", true, 0},
        CasoFalha{"layout", "ImportacaoCBN.LeLeiaute", 1, 111, true,
                  "CCLImportacaoExtrato::InterpretaArquivoExtratoTavorin",
                  "pIImportacaoCBN->LeLeiaute(dadosFiltroImportacao.GetPosicaoLeiaute(), &RegLeiauteps)", true, 0},
        // The second line stored fails: the first stays stored.
        CasoFalha{"store_a_line", "GravaExtrato", 2, 111, true, "CCLImportacaoExtrato::ImportaExtrato",
                  "GetAcessoConciliacao()->GravaExtrato(listaExtratosGravacao[idxExtrato])", true, 1},
        CasoFalha{"bank_of_the_banco_do_brasil_source", "LeBanco", 1, 113, true,
                  "CCLImportacaoExtrato::MontaListaExtratosBancoBrasil",
                  "GetAcessoEmpresarial()->LeBanco(dadosFiltroImportacao.GetConta(), &dadosBanco)", true, 0}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Validacao, FalhaServidorTest,
    ::testing::Values(
        // Of the Tavorin lines, the first is out of period anyway; failing the second's
        // check leaves the third stored.
        CasoFalha{"bank_of_the_line", "LeBanco", 2, 111, false, "CCLTrataDadosExtrato::ConsisteDadosExtrato",
                  "GetAcessoEmpresarial()->LeBanco(dadosExtratoGravacao.GetConta(), &dadosBanco)", false, 1},
        CasoFalha{"chart_of_the_tavorin_rule", "LeBufferPlanoContabil", 3, 111, false,
                  "CCLTrataDadosExtrato::ConsisteDadosExtratoTBB",
                  "GetAcessoEmpresarial()->LeBufferPlanoContabil(dadosExtratoGravacao.GetConta(), &dadosPlano)", false,
                  1},
        CasoFalha{"master_of_the_tavorin_rule", "LeBufferMestre", 1, 111, false,
                  "CCLTrataDadosExtrato::ConsisteDadosExtratoTBB",
                  "GetAcessoConciliacao()->LeBufferMestre(&dadosMestre)", false, 1},
        // The first line's warning needs the chart account for its report line.
        CasoFalha{"chart_of_the_warning_line", "LeBufferPlanoContabil", 2, 111, false,
                  "CCLTrataDadosExtrato::AdicionaAvisoExtrato",
                  "GetAcessoEmpresarial()->LeBufferPlanoContabil(dadosExtrato.GetConta(), &dadosPlano)", false, 2},
        // Banco do Brasil: the second row (the first is a balance row) loses its check.
        CasoFalha{"chart_of_the_banco_do_brasil_rule", "LeBufferPlanoContabil", 2, 113, false,
                  "CCLTrataDadosExtrato::ConsisteDadosExtratoBancoBrasil",
                  "GetAcessoEmpresarial()->LeBufferPlanoContabil(dadosExtratoGravacao.GetConta(), &dadosPlano)", false,
                  3}),
    [](const auto& info) { return std::string(info.param.nome); });

// A warning replaced by the failure of its own report line leaves nothing for the report.
using FalhaAvulsaTest = cl_teste::AmbienteImportacaoTest;

TEST_F(FalhaAvulsaTest, FailedWarningLineLeavesNoReport) {
  cl_teste::Escreve(MockTavorin(), Ofx({{"DEBIT", "20261201", "-1,00", "FORA DO PERIODO"}}));
  CZQFalhasInjetadas falhas;
  falhas.Falha("LeBufferPlanoContabil", 2, kFalha);
  CZQInjecaoFalhas injecao(falhas);
  CCLImportacaoExtrato rotina;
  ASSERT_EQ(rotina.Inicializa(&m_pessoa), S_OK);
  EXPECT_FALSE(rotina.ImportaExtrato(cl_teste::Pedido(111, Dia(1, 11, 2026), Dia(30, 11, 2026), true)).TemErro());
  EXPECT_TRUE(rotina.GetExtraInfoBase().GetCaminhoArquivoErros().IsEmpty());
  EXPECT_TRUE(Armazenadas(111).empty());
}

// Without data-access servers a routine fails its first call like any failed server.
TEST_F(FalhaAvulsaTest, RoutineWithoutServersFailsCleanly) {
  ZQRemoveArmazemSQL();
  CCLImportacaoExtrato rotina;
  ASSERT_EQ(rotina.Inicializa(&m_pessoa), S_OK);
  const CZQDadosDF_Erro& erro = rotina.ImportaExtrato(cl_teste::Pedido(111, Dia(1, 11, 2026), Dia(30, 11, 2026), true));
  EXPECT_TRUE(erro.TemErro());
  EXPECT_TRUE(FAILED(erro.GetHR()));
  EXPECT_FALSE(erro.GetTextoMostraMensagem().IsEmpty());

  CCLTrataDadosExtrato validador;
  ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);
  CZQVector<CZQDadosCL_Extrato> chaves;
  EXPECT_TRUE(validador
                  .ConsisteDadosExtrato(cl_teste::Linha(111, Dia(5, 11, 2026), 1, '+', "X"),
                                        cl_teste::Pedido(111, Dia(1, 11, 2026), Dia(30, 11, 2026)), chaves)
                  .TemErro());
}

}  // namespace
