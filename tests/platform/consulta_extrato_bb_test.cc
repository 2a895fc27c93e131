#include <gtest/gtest.h>

#include <string>

#include "frame/zq_data.h"
#include "platform/records/zq_dados_consulta_terceiro.h"

namespace {

REG_ZQDMA Data(int dia, int mes, int ano) { return CZQDma(dia, mes, ano).GetDma(); }

struct CasoPath {
  const char* nome;
  const char* agencia;
  const char* conta;
  REG_ZQDMA inicio;
  REG_ZQDMA fim;
  uint32_t pagina;
  uint32_t quantidade;
  HRESULT hr;
  const char* path;
};

void PrintTo(const CasoPath& c, std::ostream* os) { *os << c.nome; }

class MontaPathTest : public ::testing::TestWithParam<CasoPath> {};

TEST_P(MontaPathTest, BuildsTheBankRequestPath) {
  const CasoPath& c = GetParam();
  CZQDadosCR_FiltroConsultaExtratoBancoBrasil filtro;
  filtro.SetAgencia(c.agencia)
      .SetConta(c.conta)
      .SetDataInicioSolicitacao(c.inicio)
      .SetDataFimSolicitacao(c.fim)
      .SetNumeroPaginaSolicitacao(c.pagina)
      .SetQuantidadeRegistroPaginaSolicitacao(c.quantidade);
  EXPECT_EQ(filtro.MontaPathRequisicao(), c.hr);
  EXPECT_EQ(filtro.GetPathRequisicao().str(), c.path);
}

const char kBase[] =
    "/conta-corrente/agencia/297/conta/12345?numeroPaginaSolicitacao=1&quantidadeRegistroPaginaSolicitacao=200";

INSTANTIATE_TEST_SUITE_P(
    Casos, MontaPathTest,
    ::testing::Values(
        CasoPath{
            "dia_sem_zero_a_esquerda", "0297-3", "00012345-6", Data(1, 9, 2026), Data(30, 9, 2026), 1, 200, S_OK,
            "/conta-corrente/agencia/297/conta/12345?numeroPaginaSolicitacao=1&quantidadeRegistroPaginaSolicitacao=200"
            "&dataInicioSolicitacao=1092026&dataFimSolicitacao=30092026"},
        CasoPath{
            "dia_e_mes_de_dois_digitos", "297", "12345", Data(15, 12, 2025), Data(31, 12, 2025), 1, 200, S_OK,
            "/conta-corrente/agencia/297/conta/12345?numeroPaginaSolicitacao=1&quantidadeRegistroPaginaSolicitacao=200"
            "&dataInicioSolicitacao=15122025&dataFimSolicitacao=31122025"},
        CasoPath{"sem_datas_ultimos_30_dias", "0297", "12345-X", 0, 0, 1, 200, S_OK, kBase},
        CasoPath{"separadores_e_brancos", " 02.97-3 ", "1.2345-6", 0, 0, 1, 200, S_OK, kBase},
        CasoPath{"pagina_zero_le_um", "297", "12345", 0, 0, 0, 0, S_OK, kBase},
        CasoPath{
            "pagina_seguinte", "297", "12345", 0, 0, 3, 100, S_OK,
            "/conta-corrente/agencia/297/conta/12345?numeroPaginaSolicitacao=3&quantidadeRegistroPaginaSolicitacao=100"},
        CasoPath{
            "quantidade_abaixo_do_minimo", "297", "12345", 0, 0, 1, 10, S_OK,
            "/conta-corrente/agencia/297/conta/12345?numeroPaginaSolicitacao=1&quantidadeRegistroPaginaSolicitacao=50"},
        CasoPath{"quantidade_acima_do_maximo", "297", "12345", 0, 0, 1, 500, S_OK, kBase},
        CasoPath{"so_data_inicial", "297", "12345", Data(1, 9, 2026), 0, 1, 200, E_INVALIDARG, ""},
        CasoPath{"so_data_final", "297", "12345", 0, Data(1, 9, 2026), 1, 200, E_INVALIDARG, ""},
        CasoPath{"data_invalida", "297", "12345", 1, Data(1, 9, 2026), 1, 200, E_INVALIDARG, ""},
        CasoPath{"agencia_vazia", "", "12345", 0, 0, 1, 200, E_INVALIDARG, ""},
        CasoPath{"conta_so_com_digito", "297", "-6", 0, 0, 1, 200, E_INVALIDARG, ""},
        CasoPath{"conta_sem_numeros", "297", "abc", 0, 0, 1, 200, E_INVALIDARG, ""}));

TEST(MontaPathTest, AFailedBuildDropsThePathOfAnEarlierOne) {
  CZQDadosCR_FiltroConsultaExtratoBancoBrasil filtro;
  filtro.SetAgencia("297").SetConta("12345");
  ASSERT_EQ(filtro.MontaPathRequisicao(), S_OK);
  ASSERT_FALSE(filtro.GetPathRequisicao().IsEmpty());
  filtro.SetConta("");
  EXPECT_EQ(filtro.MontaPathRequisicao(), E_INVALIDARG);
  EXPECT_TRUE(filtro.GetPathRequisicao().IsEmpty());
}

struct CasoData {
  int dia, mes, ano;
  uint32_t inteiro;
};

class DataBBTest : public ::testing::TestWithParam<CasoData> {};

TEST_P(DataBBTest, DatesAreDayMonthYearAsOneInteger) {
  const CasoData& c = GetParam();
  EXPECT_EQ(CZQDadosCR_FiltroConsultaExtratoBancoBrasil::DataParaInteiroBB(Data(c.dia, c.mes, c.ano)), c.inteiro);
}

INSTANTIATE_TEST_SUITE_P(Datas, DataBBTest,
                         ::testing::Values(CasoData{1, 9, 2026, 1092026u}, CasoData{9, 1, 2024, 9012024u},
                                           CasoData{10, 10, 2010, 10102010u}, CasoData{29, 2, 2024, 29022024u},
                                           CasoData{31, 12, 1999, 31121999u}, CasoData{1, 1, 1848, 1011848u}));

TEST(DataBBTest, AnInvalidDateGivesZero) {
  EXPECT_EQ(CZQDadosCR_FiltroConsultaExtratoBancoBrasil::DataParaInteiroBB(0), 0u);
  EXPECT_EQ(CZQDadosCR_FiltroConsultaExtratoBancoBrasil::DataParaInteiroBB(1), 0u);
  EXPECT_EQ(CZQDadosCR_FiltroConsultaExtratoBancoBrasil::DataParaInteiroBB(1048248u), 0u);
}

}  // namespace
