// Reading of the Banco do Brasil statement answer: exact amounts, DDMMAAAA dates, the
// rows' fields, malformed answers, and the test mode's mock file.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "platform/components/zq_consulta_sistema_terceiro.h"
#include "platform/components/zq_extrato_banco_brasil_json.h"
#include "support/pasta_temporaria.h"

namespace {

using zq::extrato_bb::LeDataDDMMAAAA;
using zq::extrato_bb::LeDocumento;
using zq::extrato_bb::LePagina;
using zq::extrato_bb::LeValorDecimal;

struct CasoValor {
  const char* texto;
  std::optional<tagCY> esperado;  // nullopt: refused
};

class ValorDecimal : public ::testing::TestWithParam<CasoValor> {};

TEST_P(ValorDecimal, LeSemPassarPorPontoFlutuante) {
  const CasoValor& caso = GetParam();
  tagCY valor = -777;
  const bool ok = LeValorDecimal(caso.texto, valor);
  ASSERT_EQ(ok, caso.esperado.has_value()) << caso.texto;
  if (ok) {
    EXPECT_EQ(valor, *caso.esperado) << caso.texto;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Textos, ValorDecimal,
    ::testing::Values(CasoValor{"1234.56", 12345600}, CasoValor{"0.1", 1000}, CasoValor{"0", 0},
                      CasoValor{"12", 120000}, CasoValor{"0.0001", 1}, CasoValor{"1.23450", 12345},
                      CasoValor{"0.29", 2900},  // 0.29 has no exact binary form
                      CasoValor{"1e2", 1000000}, CasoValor{"1.5E-2", 150}, CasoValor{"-0.5", -5000},
                      CasoValor{"00012.5", 125000}, CasoValor{"1234567890123.45", 12345678901234500},
                      CasoValor{"922337203685477.5807", std::numeric_limits<int64_t>::max()},
                      CasoValor{"-922337203685477.5808", std::numeric_limits<int64_t>::min()},
                      CasoValor{"922337203685477.5808", std::nullopt}, CasoValor{"99999999999999999999", std::nullopt},
                      CasoValor{"1.23456", std::nullopt}, CasoValor{"1e-5", std::nullopt},
                      CasoValor{"1e400", std::nullopt}, CasoValor{"", std::nullopt}, CasoValor{".", std::nullopt},
                      CasoValor{"12,50", std::nullopt}, CasoValor{"1e", std::nullopt}, CasoValor{"abc", std::nullopt},
                      CasoValor{"0.00000", 0}, CasoValor{"5e-4", 5}));

struct CasoData {
  uint64_t numero;
  int dia, mes, ano;  // dia 0: the empty date; dia -1: refused
};

class DataBancoBrasil : public ::testing::TestWithParam<CasoData> {};

TEST_P(DataBancoBrasil, PreencheOitoAlgarismosAntesDeLer) {
  const CasoData& caso = GetParam();
  REG_ZQDMA data = 12345;
  const bool ok = LeDataDDMMAAAA(caso.numero, data);
  if (caso.dia < 0) {
    EXPECT_FALSE(ok) << caso.numero;
    return;
  }
  ASSERT_TRUE(ok) << caso.numero;
  EXPECT_EQ(data, caso.dia == 0 ? REG_ZQDMA{0} : CZQDma(caso.dia, caso.mes, caso.ano).GetDma()) << caso.numero;
}

INSTANTIATE_TEST_SUITE_P(Numeros, DataBancoBrasil,
                         ::testing::Values(CasoData{1092026, 1, 9, 2026}, CasoData{31122025, 31, 12, 2025},
                                           CasoData{29022024, 29, 2, 2024}, CasoData{5012024, 5, 1, 2024},
                                           CasoData{0, 0, 0, 0}, CasoData{29022025, -1, 0, 0},
                                           CasoData{31042026, -1, 0, 0}, CasoData{32012025, -1, 0, 0},
                                           CasoData{1132025, -1, 0, 0}, CasoData{1002025, -1, 0, 0},
                                           CasoData{123456789, -1, 0, 0}, CasoData{1011847, -1, 0, 0},
                                           CasoData{1234, -1, 0, 0}));

const char kPaginaCompleta[] = R"({
  "numeroPaginaAtual": 2, "quantidadeRegistroPaginaAtual": 3, "numeroPaginaAnterior": 1,
  "numeroPaginaProximo": 3, "quantidadeTotalPagina": 3, "quantidadeTotalRegistro": 7,
  "listaLancamento": [
    {"indicadorTipoLancamento": "1", "dataLancamento": 1092026, "dataMovimento": 2092026,
     "codigoAgenciaOrigem": 297, "numeroLote": 14397, "numeroDocumento": 123456789012345,
     "codigoHistorico": 821, "textoDescricaoHistorico": "Pix - Recebido", "valorLancamento": 1234.56,
     "indicadorSinalLancamento": "C", "textoInformacaoComplementar": "01/09 10:12 Fulano de Tal",
     "numeroCpfCnpjContrapartida": 12345678000190, "indicadorTipoPessoaContrapartida": "J",
     "codigoBancoContrapartida": 341, "codigoAgenciaContrapartida": 1500,
     "numeroContaContrapartida": "0000000123456", "textoDvContaContrapartida": "7"},
    {"indicadorTipoLancamento": "1", "dataLancamento": 1092026, "dataMovimento": 0,
     "numeroDocumento": 0, "textoDescricaoHistorico": "S A L D O", "valorLancamento": 98765.4,
     "indicadorSinalLancamento": "C"},
    {"dataLancamento": "15092026", "numeroDocumento": "000000000000042", "valorLancamento": 0.1,
     "indicadorSinalLancamento": "D", "codigoHistorico": null, "textoDescricaoHistorico": "Tarifa pacote"}
  ]})";

TEST(LeituraPaginaBancoBrasil, CamposDaPaginaEDeCadaLancamentoNaOrdem) {
  CZQDadosCR_ConsultaExtratoBancoBrasil pagina;
  std::string erro;
  ASSERT_EQ(LePagina(kPaginaCompleta, pagina, erro), S_OK) << erro;
  EXPECT_EQ(pagina.GetNumeroPaginaAtual(), 2u);
  EXPECT_EQ(pagina.GetQuantidadeRegistroPaginaAtual(), 3u);
  EXPECT_EQ(pagina.GetNumeroPaginaAnterior(), 1u);
  EXPECT_EQ(pagina.GetNumeroPaginaProximo(), 3u);
  EXPECT_EQ(pagina.GetQuantidadeTotalPagina(), 3u);
  EXPECT_EQ(pagina.GetQuantidadeTotalRegistro(), 7u);
  const auto& linhas = pagina.GetListaExtratosBancoBrasil();
  ASSERT_EQ(linhas.GetQuantidade(), 3);

  const auto& pix = linhas[0];
  EXPECT_EQ(pix.GetIndicadorTipoLancamento(), '1');
  EXPECT_EQ(pix.GetDataLancamento(), CZQDma(1, 9, 2026).GetDma());
  EXPECT_EQ(pix.GetDataMovimento(), CZQDma(2, 9, 2026).GetDma());
  EXPECT_EQ(pix.GetCodigoAgenciaOrigem(), 297u);
  EXPECT_EQ(pix.GetNumeroLote(), 14397u);
  EXPECT_EQ(pix.GetNumeroDocumento(), 123456789012345ull);
  EXPECT_EQ(pix.GetCodigoHistorico(), 821u);
  EXPECT_EQ(pix.GetTextoDescricaoHistorico(), "Pix - Recebido");
  EXPECT_EQ(pix.GetValorLancamento(), 12345600);
  EXPECT_EQ(pix.GetIndicadorSinalLancamento(), 'C');
  EXPECT_EQ(pix.GetTextoInformacaoComplementar(), "01/09 10:12 Fulano de Tal");
  EXPECT_EQ(pix.GetNumeroCpfCnpjContrapartida(), 12345678000190ull);
  EXPECT_EQ(pix.GetIndicadorTipoPessoaContrapartida(), 'J');
  EXPECT_EQ(pix.GetCodigoBancoContrapartida(), 341u);
  EXPECT_EQ(pix.GetCodigoAgenciaContrapartida(), 1500u);
  EXPECT_EQ(pix.GetNumeroContaContrapartida(), "0000000123456");
  EXPECT_EQ(pix.GetTextoDvContaContrapartida(), "7");

  // The balance row is handed on as the bank sent it; the import drops it.
  const auto& saldo = linhas[1];
  EXPECT_EQ(saldo.GetTextoDescricaoHistorico(), "S A L D O");
  EXPECT_EQ(saldo.GetValorLancamento(), 987654000);
  EXPECT_EQ(saldo.GetDataMovimento(), REG_ZQDMA{0});

  // Digit strings are read like numbers; null reads as absent.
  const auto& tarifa = linhas[2];
  EXPECT_EQ(tarifa.GetDataLancamento(), CZQDma(15, 9, 2026).GetDma());
  EXPECT_EQ(tarifa.GetNumeroDocumento(), 42u);
  EXPECT_EQ(tarifa.GetValorLancamento(), 1000);
  EXPECT_EQ(tarifa.GetIndicadorSinalLancamento(), 'D');
  EXPECT_EQ(tarifa.GetCodigoHistorico(), 0u);
  EXPECT_EQ(tarifa.GetIndicadorTipoLancamento(), '\0');
}

TEST(LeituraPaginaBancoBrasil, PaginaSemListaESemCamposEVazia) {
  CZQDadosCR_ConsultaExtratoBancoBrasil pagina;
  std::string erro;
  ASSERT_EQ(LePagina(R"({"numeroPaginaProximo": 0})", pagina, erro), S_OK) << erro;
  EXPECT_EQ(pagina.GetListaExtratosBancoBrasil().GetQuantidade(), 0);
  ASSERT_EQ(LePagina(R"({"listaLancamento": null})", pagina, erro), S_OK) << erro;
  ASSERT_EQ(LePagina(R"({"listaLancamento": []})", pagina, erro), S_OK) << erro;
  EXPECT_EQ(pagina.GetListaExtratosBancoBrasil().GetQuantidade(), 0);
}

struct CasoMalformado {
  const char* nome;
  const char* json;
  const char* trechoErro;  // what the description must name
};

class PaginaMalformada : public ::testing::TestWithParam<CasoMalformado> {};

std::string Lancamento(const std::string& campos) {
  return R"({"numeroPaginaProximo": 0, "listaLancamento": [{"dataLancamento": 1092026,
    "valorLancamento": 1.00, "indicadorSinalLancamento": "C"}, {)" +
         campos + "}]}";
}

TEST_P(PaginaMalformada, FalhaSemEntregarNadaEComDescricao) {
  const CasoMalformado& caso = GetParam();
  CZQDadosCR_ConsultaExtratoBancoBrasil pagina;
  pagina.SetNumeroPaginaAtual(9);
  pagina.GetListaExtratosBancoBrasil().Add(CZQDadosCR_ExtratoBancoBrasil());
  std::string erro;
  EXPECT_EQ(LePagina(caso.json, pagina, erro), ZQ_E_CONSULTA_RESPOSTA_INVALIDA);
  EXPECT_TRUE(pagina.EstaVazio());
  EXPECT_EQ(pagina.GetListaExtratosBancoBrasil().GetQuantidade(), 0);
  EXPECT_NE(erro.find("Banco do Brasil"), std::string::npos) << erro;
  EXPECT_NE(erro.find(caso.trechoErro), std::string::npos) << erro;
}

const std::string kValorTexto = Lancamento(R"("dataLancamento": 1092026, "valorLancamento": "12,50")");
const std::string kSemValor = Lancamento(R"("dataLancamento": 1092026)");
const std::string kSemData = Lancamento(R"("valorLancamento": 1)");
const std::string kDataInvalida = Lancamento(R"("dataLancamento": 31022026, "valorLancamento": 1)");
const std::string kDocumentoNegativo =
    Lancamento(R"("dataLancamento": 1092026, "valorLancamento": 1, "numeroDocumento": -5)");
const std::string kDocumentoGrande =
    Lancamento(R"("dataLancamento": 1092026, "valorLancamento": 1, "numeroDocumento": 9223372036854775808)");
const std::string kCincoDecimais = Lancamento(R"("dataLancamento": 1092026, "valorLancamento": 1.00001)");
const std::string kValorEnorme =
    Lancamento(R"("dataLancamento": 1092026, "valorLancamento": 1000000000000000000000.00)");
const std::string kTextoNumeroObjeto =
    Lancamento(R"("dataLancamento": 1092026, "valorLancamento": 1, "textoDescricaoHistorico": {"a": 1})");
const std::string kLoteGrande =
    Lancamento(R"("dataLancamento": 1092026, "valorLancamento": 1, "numeroLote": 4294967296)");

// Values nested far deeper than any answer: refused by naming the field, without
// writing the value out (which recursed once per level and overflowed the stack).
std::string Aninhado(const char* abre, const char* fecha, const char* miolo, int niveis) {
  std::string r;
  for (int i = 0; i < niveis; ++i) r += abre;
  r += miolo;
  for (int i = 0; i < niveis; ++i) r += fecha;
  return r;
}
const std::string kPaginaListaProfunda = R"({"numeroPaginaAtual": )" + Aninhado("[", "]", "", 200000) + "}";
const std::string kValorObjetoProfundo =
    Lancamento(R"("dataLancamento": 1092026, "valorLancamento": )" + Aninhado(R"({"a":)", "}", "1", 200000));

INSTANTIATE_TEST_SUITE_P(
    Respostas, PaginaMalformada,
    ::testing::Values(
        CasoMalformado{"NaoJson", "<html>erro</html>", "JSON"},
        CasoMalformado{"Truncado", R"({"listaLancamento": [{"dataLancamento": 1092026, "valorLanc)", "JSON"},
        CasoMalformado{"Vazio", "", "JSON"}, CasoMalformado{"Lista", "[1, 2]", "objeto"},
        CasoMalformado{"ListaNaoELista", R"({"listaLancamento": {"a": 1}})", "listaLancamento"},
        CasoMalformado{"ItemNaoObjeto", R"({"listaLancamento": [3]})", "lançamento 1"},
        CasoMalformado{"PaginaNegativa", R"({"numeroPaginaProximo": -1})", "numeroPaginaProximo"},
        CasoMalformado{"ValorComoTexto", kValorTexto.c_str(), "valorLancamento do lançamento 2"},
        CasoMalformado{"SemValor", kSemValor.c_str(), "valorLancamento"},
        CasoMalformado{"SemData", kSemData.c_str(), "dataLancamento"},
        CasoMalformado{"DataInvalida", kDataInvalida.c_str(), "dataLancamento"},
        CasoMalformado{"DocumentoNegativo", kDocumentoNegativo.c_str(), "numeroDocumento"},
        CasoMalformado{"DocumentoAlemDe63Bits", kDocumentoGrande.c_str(), "numeroDocumento"},
        CasoMalformado{"CincoDecimais", kCincoDecimais.c_str(), "valorLancamento"},
        CasoMalformado{"ValorAlemDe64Bits", kValorEnorme.c_str(), "valorLancamento"},
        CasoMalformado{"TextoObjeto", kTextoNumeroObjeto.c_str(), "textoDescricaoHistorico"},
        CasoMalformado{"LoteAlemDe32Bits", kLoteGrande.c_str(), "numeroLote"},
        CasoMalformado{"PaginaListaProfunda", kPaginaListaProfunda.c_str(), "numeroPaginaAtual da página"},
        CasoMalformado{"ValorObjetoProfundo", kValorObjetoProfundo.c_str(), "valorLancamento do lançamento 2"}),
    [](const auto& info) { return std::string(info.param.nome); });

class ArquivoMock : public ::testing::Test {
 protected:
  void TearDown() override { CZQConfiguracao::Global().Remove("local_orbel"); }
  std::string Escreve(const std::string& nome, const std::string& conteudo) {
    zq_teste::EscreveArquivo(m_pasta.Arquivo(nome), conteudo);
    return m_pasta.Arquivo(nome);
  }
  zq_teste::PastaTemporaria m_pasta;
  const std::filesystem::path m_dir = m_pasta.Caminho();
};

TEST_F(ArquivoMock, LidoDoDiretorioDeInstalacaoComMarcaDeOrdemDeBytes) {
  Escreve(CZQMockExtratoBancoBrasil::NOME_ARQUIVO, "\xEF\xBB\xBF" + std::string(kPaginaCompleta));
  CZQConfiguracao::Global().Set("local_orbel", m_dir.string());
  CZQDadosCR_ConsultaExtratoBancoBrasil resposta;
  ASSERT_EQ(CZQMockExtratoBancoBrasil::ConverteJson(&resposta), S_OK);
  ASSERT_EQ(resposta.GetListaExtratosBancoBrasil().GetQuantidade(), 3);
  EXPECT_EQ(resposta.GetListaExtratosBancoBrasil()[0].GetValorLancamento(), 12345600);
}

TEST_F(ArquivoMock, ListaDePaginasJuntaOsLancamentosNaOrdem) {
  const std::string caminho = Escreve("paginas.json", R"([
    {"numeroPaginaAtual": 1, "numeroPaginaProximo": 2, "listaLancamento": [
      {"dataLancamento": 1092026, "valorLancamento": 1, "numeroDocumento": 1}]},
    {"numeroPaginaAtual": 2, "numeroPaginaProximo": 0, "listaLancamento": [
      {"dataLancamento": 2092026, "valorLancamento": 2, "numeroDocumento": 2},
      {"dataLancamento": 3092026, "valorLancamento": 3, "numeroDocumento": 3}]}])");
  CZQDadosCR_ConsultaExtratoBancoBrasil resposta;
  ASSERT_EQ(CZQMockExtratoBancoBrasil::ConverteJsonArquivo(caminho.c_str(), &resposta), S_OK);
  const auto& linhas = resposta.GetListaExtratosBancoBrasil();
  ASSERT_EQ(linhas.GetQuantidade(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(linhas[i].GetNumeroDocumento(), uint64_t(i + 1));
  EXPECT_EQ(resposta.GetNumeroPaginaAtual(), 2u);
}

TEST_F(ArquivoMock, FalhasDeixamORegistroVazioEDizemPorque) {
  CZQDadosCR_ConsultaExtratoBancoBrasil resposta;
  resposta.GetListaExtratosBancoBrasil().Add(CZQDadosCR_ExtratoBancoBrasil());
  CZQDadosDF_Erro erro;
  const std::string ausente = (m_dir / "nao_existe.json").string();
  EXPECT_EQ(CZQMockExtratoBancoBrasil::ConverteJsonArquivo(ausente.c_str(), &resposta, &erro), ZQ_HR(0x80070002));
  EXPECT_TRUE(resposta.EstaVazio());
  EXPECT_NE(erro.GetTextoMostraMensagem().str().find("nao_existe.json"), std::string::npos);

  const std::string ruim = Escreve("ruim.json", R"([{"listaLancamento": []}, {"listaLancamento": [7]}])");
  resposta.GetListaExtratosBancoBrasil().Add(CZQDadosCR_ExtratoBancoBrasil());
  EXPECT_EQ(CZQMockExtratoBancoBrasil::ConverteJsonArquivo(ruim.c_str(), &resposta, &erro),
            ZQ_E_CONSULTA_RESPOSTA_INVALIDA);
  EXPECT_TRUE(resposta.EstaVazio());
  EXPECT_NE(erro.GetTextoMostraMensagem().str().find("página 2"), std::string::npos)
      << erro.GetTextoMostraMensagem().str();
  EXPECT_EQ(CZQMockExtratoBancoBrasil::ConverteJson(nullptr), E_POINTER);
}

}  // namespace
