#include "frame/zq_conversao.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ValorCaso {
  std::string texto;
  bool ok;
  tagCY valor;
};

void PrintTo(const ValorCaso& c, std::ostream* os) { *os << "\"" << c.texto << "\""; }

class TextoParaValorTest : public ::testing::TestWithParam<ValorCaso> {};

TEST_P(TextoParaValorTest, ReadsTheAbsoluteAmountExactly) {
  const auto& c = GetParam();
  tagCY valor = -1;
  EXPECT_EQ(zq::TextoParaValor(c.texto, valor), c.ok);
  EXPECT_EQ(valor, c.valor);
  CZQCurrencyEx moeda(123);
  EXPECT_EQ(zq::TextoParaValor(c.texto, moeda), c.ok);
  EXPECT_EQ(moeda.GetCY(), c.valor);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, TextoParaValorTest,
    ::testing::Values(ValorCaso{"386,80", true, 3868000}, ValorCaso{"-200,00", true, 2000000},
                      ValorCaso{"         -200,00", true, 2000000}, ValorCaso{"1234.56", true, 12345600},
                      ValorCaso{"1234,5", true, 12345000}, ValorCaso{"1234.50", true, 12345000},
                      ValorCaso{"-45.10", true, 451000}, ValorCaso{"3.00", true, 30000}, ValorCaso{"0.00", true, 0},
                      ValorCaso{"1.234,56", true, 12345600}, ValorCaso{"1.234.567,89", true, 12345678900},
                      // the rightmost comma wins over any point; with no comma the leftmost point does
                      ValorCaso{"1,234.56", true, 12345}, ValorCaso{"1.234.567", true, 12345},
                      ValorCaso{"1,2,3", true, 123000}, ValorCaso{"12,345678", true, 123456},
                      ValorCaso{"0,99999", true, 9999}, ValorCaso{"7", true, 70000}, ValorCaso{"  42  ", true, 420000},
                      ValorCaso{",5", true, 5000}, ValorCaso{"5,", true, 50000},
                      ValorCaso{"R$ 1.500,00", true, 15000000}, ValorCaso{"+10.5", true, 105000},
                      ValorCaso{"00000000000000000000001,00", true, 10000},
                      ValorCaso{"922337203685477,5807", true, 9223372036854775807},
                      // no digit, or too large: a failure with 0, never a guess
                      ValorCaso{".", false, 0}, ValorCaso{"", false, 0}, ValorCaso{",", false, 0},
                      ValorCaso{"-", false, 0}, ValorCaso{"   ", false, 0}, ValorCaso{"abc", false, 0},
                      ValorCaso{"-.", false, 0}, ValorCaso{"922337203685477,5808", false, 0},
                      ValorCaso{"99999999999999999999999", false, 0}, ValorCaso{"922337203685478", false, 0}));

struct DataCaso {
  std::string texto;
  int dia, mes, ano;  // 0, 0, 0 for the empty date
};

void PrintTo(const DataCaso& c, std::ostream* os) { *os << "\"" << c.texto << "\""; }

CZQDma Esperada(const DataCaso& c) { return c.ano == 0 ? CZQDma() : CZQDma(c.dia, c.mes, c.ano); }

class TextoParaDataTest : public ::testing::TestWithParam<DataCaso> {};

TEST_P(TextoParaDataTest, ReadsDayMonthYear) {
  const auto& c = GetParam();
  const CZQDma data = zq::TextoParaData(c.texto);
  EXPECT_EQ(data, Esperada(c));
  if (c.ano != 0) {
    EXPECT_EQ(data.GetDia(), c.dia);
    EXPECT_EQ(data.GetAno(), c.ano);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, TextoParaDataTest,
    ::testing::Values(DataCaso{"15/03/24", 15, 3, 2024}, DataCaso{"01/01/84", 1, 1, 1984},
                      DataCaso{"31/12/83", 31, 12, 2083}, DataCaso{"01/01/00", 1, 1, 2000},
                      DataCaso{"31/04/24", 30, 4, 2024}, DataCaso{"29/02/25", 28, 2, 2025},
                      DataCaso{"29/02/24", 29, 2, 2024}, DataCaso{"5/7/24", 5, 7, 2024},
                      DataCaso{"15/03/2024", 15, 3, 2024}, DataCaso{" 15/03/24\t", 15, 3, 2024},
                      DataCaso{"00/03/24", 0, 0, 0}, DataCaso{"15/13/24", 0, 0, 0}, DataCaso{"15/00/24", 0, 0, 0},
                      DataCaso{"", 0, 0, 0}, DataCaso{"//", 0, 0, 0}, DataCaso{"15-03-24", 0, 0, 0},
                      DataCaso{"1a/03/24", 0, 0, 0}, DataCaso{"15/03/2", 0, 0, 0}, DataCaso{"15/03/024", 0, 0, 0},
                      DataCaso{"15/03/0024", 0, 0, 0}, DataCaso{"15/03/1847", 0, 0, 0}, DataCaso{"15/03/24/1", 0, 0, 0},
                      DataCaso{"150324", 0, 0, 0}, DataCaso{"-1/03/24", 0, 0, 0}, DataCaso{"+1/03/24", 0, 0, 0}));

struct OfxCaso {
  std::string valor;
  const char* texto;
  int dia, mes, ano;  // 0, 0, 0 for the empty date
};

void PrintTo(const OfxCaso& c, std::ostream* os) { *os << "\"" << c.valor << "\""; }

class DataValorOfxTest : public ::testing::TestWithParam<OfxCaso> {};

TEST_P(DataValorOfxTest, TakesTheFixedPlacesAndIgnoresTheRest) {
  const auto& c = GetParam();
  EXPECT_EQ(zq::TextoDataValorOfx(c.valor).str(), c.texto);
  const CZQDma data = zq::DataValorOfx(c.valor);
  EXPECT_EQ(data, c.ano == 0 ? CZQDma() : CZQDma(c.dia, c.mes, c.ano));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, DataValorOfxTest,
    ::testing::Values(OfxCaso{"20101001", "01/10/10", 1, 10, 2010},
                      OfxCaso{"20150706000000[-3:GMT]", "06/07/15", 6, 7, 2015},
                      OfxCaso{"20240315120000[-3:BRT]", "15/03/24", 15, 3, 2024},
                      OfxCaso{"20230502030000.000", "02/05/23", 2, 5, 2023},
                      OfxCaso{"20101001   \t", "01/10/10", 1, 10, 2010}, OfxCaso{"19991231", "31/12/99", 31, 12, 1999},
                      // only two year digits are read: the century is not
                      OfxCaso{"18991231", "31/12/99", 31, 12, 1999}, OfxCaso{"21001231", "31/12/00", 31, 12, 2000},
                      OfxCaso{"20240431", "31/04/24", 30, 4, 2024}, OfxCaso{"20250229", "29/02/25", 28, 2, 2025},
                      OfxCaso{"20241301", "01/13/24", 0, 0, 0}, OfxCaso{"20240300", "00/03/24", 0, 0, 0},
                      OfxCaso{"2024-03-15", "3-/-0/24", 0, 0, 0}, OfxCaso{"2024031", "", 0, 0, 0},
                      OfxCaso{"", "", 0, 0, 0}, OfxCaso{"abcdefgh", "gh/ef/cd", 0, 0, 0},
                      OfxCaso{"2024 3 5", " 5/ 3/24", 0, 0, 0}));

}  // namespace
