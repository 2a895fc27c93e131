#include "frame/zq_currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "frame/zq_conversao.h"

namespace {

constexpr tagCY kMin = std::numeric_limits<tagCY>::min();
constexpr tagCY kMax = std::numeric_limits<tagCY>::max();

struct FormatoCaso {
  tagCY valor;
  int decimais;
  bool removeZeros;
  const char* esperado;
};

void PrintTo(const FormatoCaso& c, std::ostream* os) {
  *os << c.valor << " dec=" << c.decimais << (c.removeZeros ? " sem zeros" : "") << " -> " << c.esperado;
}

class FormataValorTest : public ::testing::TestWithParam<FormatoCaso> {};

TEST_P(FormataValorTest, WritesBrazilianText) {
  const auto& c = GetParam();
  EXPECT_EQ(CZQCurrencyEx::FormataValor(c.valor, c.decimais, c.removeZeros).str(), c.esperado);
  EXPECT_EQ(CZQCurrencyEx::FormataValor(CZQCurrencyEx(c.valor), c.decimais, c.removeZeros).str(), c.esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, FormataValorTest,
    ::testing::Values(FormatoCaso{12345678, 2, false, "1.234,56"}, FormatoCaso{12345678, 4, false, "1.234,5678"},
                      FormatoCaso{12345678, 3, false, "1.234,567"}, FormatoCaso{12345678, 1, false, "1.234,5"},
                      FormatoCaso{12345678, 0, false, "1.234"}, FormatoCaso{-12345678, 2, false, "-1.234,56"},
                      FormatoCaso{-5000, 2, false, "-0,50"}, FormatoCaso{5000, 2, false, "0,50"},
                      FormatoCaso{0, 2, false, "0,00"}, FormatoCaso{0, 0, false, "0"},
                      // cut toward zero, never rounded, and a cut to zero loses its sign
                      FormatoCaso{19999, 2, false, "1,99"}, FormatoCaso{-19999, 2, false, "-1,99"},
                      FormatoCaso{-99, 2, false, "0,00"}, FormatoCaso{99999, 0, false, "9"},
                      FormatoCaso{9999999999, 2, false, "999.999,99"},
                      FormatoCaso{10000000000, 2, false, "1.000.000,00"},
                      FormatoCaso{1234567890123456789, 2, false, "123.456.789.012.345,67"},
                      FormatoCaso{kMax, 4, false, "922.337.203.685.477,5807"},
                      FormatoCaso{kMin, 4, false, "-922.337.203.685.477,5808"},
                      FormatoCaso{kMin, 2, false, "-922.337.203.685.477,58"}, FormatoCaso{1230000, 2, false, "123,00"},
                      FormatoCaso{1000 * 10000, 2, false, "1.000,00"}, FormatoCaso{999 * 10000, 2, false, "999,00"},
                      FormatoCaso{15000, 6, false, "1,500000"}, FormatoCaso{15000, 12, false, "1,500000000"},
                      FormatoCaso{15000, -3, false, "1"},
                      // trailing zeros removed only behind the comma
                      FormatoCaso{15000, 2, true, "1,5"}, FormatoCaso{20000, 2, true, "2"},
                      FormatoCaso{1000000, 2, true, "100"}, FormatoCaso{1000000, 0, true, "100"},
                      FormatoCaso{-5000, 2, true, "-0,5"}, FormatoCaso{0, 2, true, "0"},
                      FormatoCaso{12345678, 4, true, "1.234,5678"}, FormatoCaso{12340000, 4, true, "1.234"},
                      FormatoCaso{10100, 4, true, "1,01"}));

struct AutomaticoCaso {
  tagCY valor;
  const char* esperado;
};

class FormataValorAutomaticoTest : public ::testing::TestWithParam<AutomaticoCaso> {};

TEST_P(FormataValorAutomaticoTest, ShowsOnlyTheDecimalsInUse) {
  EXPECT_EQ(CZQCurrencyEx::FormataValorAutomatico(GetParam().valor).str(), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(Casos, FormataValorAutomaticoTest,
                         ::testing::Values(AutomaticoCaso{10000, "1,00"}, AutomaticoCaso{12345, "1,2345"},
                                           AutomaticoCaso{12340, "1,234"}, AutomaticoCaso{12300, "1,23"},
                                           AutomaticoCaso{12000, "1,20"}, AutomaticoCaso{10010, "1,001"},
                                           AutomaticoCaso{10001, "1,0001"}, AutomaticoCaso{0, "0,00"},
                                           AutomaticoCaso{-12345, "-1,2345"}, AutomaticoCaso{-12340, "-1,234"},
                                           AutomaticoCaso{-3867000, "-386,70"},
                                           AutomaticoCaso{123456789000, "12.345.678,90"}));

// Reading back what was written gives the absolute amount cut to the decimals shown.
class FormataValorIdaVoltaTest : public ::testing::TestWithParam<int> {};

TEST_P(FormataValorIdaVoltaTest, ReadsBackAsTheCutAbsoluteAmount) {
  const int decimais = GetParam();
  const tagCY passo = decimais >= 4 ? 1 : static_cast<tagCY>(std::pow(10, 4 - decimais));
  std::mt19937_64 gerador(20240315u + static_cast<unsigned>(decimais));
  for (int i = 0; i < 20000; ++i) {
    // Spread over every magnitude, both signs.
    const int bits = static_cast<int>(gerador() % 62) + 1;
    tagCY valor = static_cast<tagCY>(gerador() >> (64 - bits));
    if (gerador() & 1) valor = -valor;
    const CZQString texto = CZQCurrencyEx::FormataValor(valor, decimais);
    tagCY lido = -1;
    // Without a comma a point would be read as the decimal separator.
    const std::string legivel = decimais == 0 ? texto.str() + "," : texto.str();
    ASSERT_TRUE(zq::TextoParaValor(legivel, lido)) << texto.str();
    const tagCY magnitude = valor < 0 ? -valor : valor;
    ASSERT_EQ(lido, magnitude / passo * passo) << valor << " -> " << texto.str();
    const bool negativoEsperado = valor < 0 && lido != 0;
    ASSERT_EQ(texto.str()[0] == '-', negativoEsperado) << texto.str();
  }
}

INSTANTIATE_TEST_SUITE_P(Decimais, FormataValorIdaVoltaTest, ::testing::Values(0, 1, 2, 3, 4));

struct DoubleCaso {
  double valor;
  tagCY contagem;
};

class CurrencyDeDoubleTest : public ::testing::TestWithParam<DoubleCaso> {};

TEST_P(CurrencyDeDoubleTest, RoundsToTheNearestTenThousandth) {
  EXPECT_EQ(CZQCurrencyEx(GetParam().valor).GetCY(), GetParam().contagem);
}

INSTANTIATE_TEST_SUITE_P(Casos, CurrencyDeDoubleTest,
                         ::testing::Values(DoubleCaso{0.0, 0}, DoubleCaso{-0.0, 0}, DoubleCaso{1.5, 15000},
                                           DoubleCaso{0.1, 1000}, DoubleCaso{386.8, 3868000},
                                           DoubleCaso{-200.0, -2000000}, DoubleCaso{0.00004, 0}, DoubleCaso{0.00016, 2},
                                           DoubleCaso{-0.00016, -2},
                                           DoubleCaso{std::numeric_limits<double>::quiet_NaN(), 0},
                                           DoubleCaso{1e300, 0}, DoubleCaso{-1e300, 0},
                                           DoubleCaso{std::numeric_limits<double>::infinity(), 0}));

struct AritmeticaCaso {
  tagCY a;
  tagCY b;
};

class CurrencyAritmeticaTest : public ::testing::TestWithParam<AritmeticaCaso> {};

TEST_P(CurrencyAritmeticaTest, AddsSubtractsAndComparesTheCounts) {
  const tagCY a = GetParam().a;
  const tagCY b = GetParam().b;
  const CZQCurrencyEx ca(a);
  const CZQCurrencyEx cb(b);
  EXPECT_EQ((ca + cb).GetCY(), a + b);
  EXPECT_EQ((ca - cb).GetCY(), a - b);
  CZQCurrencyEx acumulado = ca;
  acumulado += cb;
  EXPECT_EQ(acumulado.GetCY(), a + b);
  acumulado -= cb;
  EXPECT_EQ(acumulado, ca);
  EXPECT_EQ(ca == cb, a == b);
  EXPECT_EQ(ca != cb, a != b);
  EXPECT_EQ(ca > cb, a > b);
  EXPECT_EQ(ca < cb, a < b);
  EXPECT_EQ(ca >= cb, a >= b);
  EXPECT_EQ(ca <= cb, a <= b);
  EXPECT_EQ(ca > 0, a > 0);
  EXPECT_EQ(ca == 0, a == 0);
  EXPECT_EQ((-ca).GetCY(), -a);
  EXPECT_EQ(ca.Abs().GetCY(), a < 0 ? -a : a);
}

INSTANTIATE_TEST_SUITE_P(Casos, CurrencyAritmeticaTest,
                         ::testing::Values(AritmeticaCaso{0, 0}, AritmeticaCaso{10000, 5000},
                                           AritmeticaCaso{5000, 10000}, AritmeticaCaso{-3868000, 3868000},
                                           AritmeticaCaso{1, -1}, AritmeticaCaso{kMax / 2, kMax / 2},
                                           AritmeticaCaso{kMin / 2, kMin / 2 + 1}, AritmeticaCaso{7, 7}));

TEST(CurrencyAritmeticaTest, SumOfManyTenthsIsExact) {
  // Where doubles drift, counts do not: ten thousand times 0,1 is exactly 1.000,00.
  CZQCurrencyEx soma;
  for (int i = 0; i < 10000; ++i) soma += CZQCurrencyEx(0.1);
  EXPECT_EQ(soma.GetCY(), 10000000);
  EXPECT_EQ(CZQCurrencyEx::FormataValor(soma, 2).str(), "1.000,00");
}

}  // namespace
