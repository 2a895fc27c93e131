#include "frame/zq_data.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct Dmy {
  int dia, mes, ano;
};

struct ConstrutorCaso {
  Dmy entrada;
  Dmy esperado;  // all zero for the empty date
};

void PrintTo(const ConstrutorCaso& c, std::ostream* os) {
  *os << c.entrada.dia << "/" << c.entrada.mes << "/" << c.entrada.ano;
}

class CZQDmaConstrutorTest : public ::testing::TestWithParam<ConstrutorCaso> {};

TEST_P(CZQDmaConstrutorTest, MapsYearsCutsDaysAndRejectsTheRest) {
  const auto& c = GetParam();
  const CZQDma data(c.entrada.dia, c.entrada.mes, c.entrada.ano);
  int d, m, a;
  data.GetDiaMesAno(d, m, a);
  EXPECT_EQ(d, c.esperado.dia);
  EXPECT_EQ(m, c.esperado.mes);
  EXPECT_EQ(a, c.esperado.ano);
  EXPECT_EQ(data.EhVazia(), c.esperado.ano == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, CZQDmaConstrutorTest,
    ::testing::Values(ConstrutorCaso{{1, 1, 84}, {1, 1, 1984}}, ConstrutorCaso{{1, 1, 83}, {1, 1, 2083}},
                      ConstrutorCaso{{1, 1, 0}, {1, 1, 2000}}, ConstrutorCaso{{31, 12, 99}, {31, 12, 1999}},
                      ConstrutorCaso{{31, 4, 2024}, {30, 4, 2024}}, ConstrutorCaso{{29, 2, 2025}, {28, 2, 2025}},
                      ConstrutorCaso{{29, 2, 2024}, {29, 2, 2024}}, ConstrutorCaso{{30, 2, 2024}, {29, 2, 2024}},
                      ConstrutorCaso{{29, 2, 1900}, {28, 2, 1900}}, ConstrutorCaso{{29, 2, 2000}, {29, 2, 2000}},
                      ConstrutorCaso{{99, 1, 2024}, {31, 1, 2024}}, ConstrutorCaso{{1, 1, 1848}, {1, 1, 1848}},
                      ConstrutorCaso{{31, 12, 4717}, {31, 12, 4717}}, ConstrutorCaso{{31, 12, 1847}, {0, 0, 0}},
                      ConstrutorCaso{{1, 1, 4718}, {0, 0, 0}}, ConstrutorCaso{{0, 1, 2024}, {0, 0, 0}},
                      ConstrutorCaso{{1, 0, 2024}, {0, 0, 0}}, ConstrutorCaso{{1, 13, 2024}, {0, 0, 0}},
                      ConstrutorCaso{{-1, 1, 2024}, {0, 0, 0}}, ConstrutorCaso{{1, 1, 100}, {0, 0, 0}},
                      ConstrutorCaso{{1, 1, -5}, {0, 0, 0}}));

struct SerialCaso {
  REG_ZQDMA serial;
  Dmy data;
  int diaSemana;
};

class CZQDmaSerialTest : public ::testing::TestWithParam<SerialCaso> {};

TEST_P(CZQDmaSerialTest, KnownDaysHaveTheirSerialAndWeekday) {
  const auto& c = GetParam();
  EXPECT_EQ(CZQDma(c.data.dia, c.data.mes, c.data.ano).GetDma(), c.serial);
  const CZQDma data(c.serial);
  EXPECT_EQ(data.GetDia(), c.data.dia);
  EXPECT_EQ(data.GetMes(), c.data.mes);
  EXPECT_EQ(data.GetAno(), c.data.ano);
  EXPECT_EQ(data.GetDiaSemana(), c.diaSemana);
}

INSTANTIATE_TEST_SUITE_P(Casos, CZQDmaSerialTest,
                         ::testing::Values(SerialCaso{2, {1, 1, 1848}, 7}, SerialCaso{44562, {1, 1, 1970}, 5},
                                           SerialCaso{1048247, {31, 12, 4717}, 2}, SerialCaso{62, {1, 3, 1848}, 4},
                                           SerialCaso{61, {29, 2, 1848}, 3}, SerialCaso{55885, {1, 1, 2001}, 2}));

TEST(CZQDmaSerialTest, InvalidSerialsHaveNoDayAndNoWeekday) {
  for (REG_ZQDMA serial : {REG_ZQDMA{0}, REG_ZQDMA{1}, REG_ZQDMA{1048248}, std::numeric_limits<REG_ZQDMA>::max()}) {
    const CZQDma data(serial);
    int d = -1, m = -1, a = -1;
    data.GetDiaMesAno(d, m, a);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(data.GetDiaSemana(), 0);
    EXPECT_FALSE(data.EhValida());
  }
}

// Walks every valid serial, in step with a calendar kept by hand.
TEST(CZQDmaPropriedadeTest, EverySerialRoundTripsAndAdvancesLikeACalendar) {
  static constexpr int kDias[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int dia = 1, mes = 1, ano = 1848;
  int semana = 7;  // 1 January 1848 was a Saturday
  int falhas = 0;
  for (REG_ZQDMA serial = ZQ_DMA_MINIMA; serial <= ZQ_DMA_MAXIMA && falhas < 10; ++serial) {
    const CZQDma data(serial);
    int d, m, a;
    data.GetDiaMesAno(d, m, a);
    const bool ok = d == dia && m == mes && a == ano && CZQDma(dia, mes, ano).GetDma() == serial &&
                    data.GetDiaSemana() == semana && CZQDma::Serial(dia, mes, ano) == serial;
    if (!ok) {
      ++falhas;
      ADD_FAILURE() << "serial " << serial << " gave " << d << "/" << m << "/" << a << " weekday "
                    << data.GetDiaSemana() << ", calendar says " << dia << "/" << mes << "/" << ano << " weekday "
                    << semana;
    }
    // Next day by hand.
    semana = semana % 7 + 1;
    const bool bissexto = (ano % 4 == 0 && ano % 100 != 0) || ano % 400 == 0;
    const int ultimo = kDias[mes - 1] + (mes == 2 && bissexto ? 1 : 0);
    if (++dia > ultimo) {
      dia = 1;
      if (++mes > 12) {
        mes = 1;
        ++ano;
      }
    }
  }
  EXPECT_EQ(falhas, 0);
  EXPECT_EQ(ano, 4718);  // the walk ended exactly after 31 December 4717
  EXPECT_EQ(dia, 1);
  EXPECT_EQ(mes, 1);
}

TEST(CZQDmaComparacaoTest, OrdersBySerialWithEmptyFirst) {
  const CZQDma vazia;
  const CZQDma a(31, 12, 2023);
  const CZQDma b(1, 1, 2024);
  EXPECT_LT(vazia, a);
  EXPECT_LT(a, b);
  EXPECT_GT(b, a);
  EXPECT_EQ(a, CZQDma(31, 12, 23));
  EXPECT_NE(a, b);
  EXPECT_EQ(vazia, CZQDma(ZQ_DMA_VAZIA));
  EXPECT_TRUE(b > a.GetDma());
}

struct SomaCaso {
  Dmy inicio;
  int unidade;
  int64_t quantidade;
  Dmy esperado;  // all zero for the empty date
};

void PrintTo(const SomaCaso& c, std::ostream* os) {
  *os << c.inicio.dia << "/" << c.inicio.mes << "/" << c.inicio.ano << " + " << c.quantidade << " (unit " << c.unidade
      << ")";
}

class SomaDataTest : public ::testing::TestWithParam<SomaCaso> {};

TEST_P(SomaDataTest, AddsAndSubtractsByUnit) {
  const auto& c = GetParam();
  const CZQDma inicio(c.inicio.dia, c.inicio.mes, c.inicio.ano);
  const CZQDma esperado = c.esperado.ano == 0 ? CZQDma() : CZQDma(c.esperado.dia, c.esperado.mes, c.esperado.ano);
  ASSERT_TRUE(c.esperado.ano == 0 || esperado.GetDia() == c.esperado.dia);
  EXPECT_EQ(CZQDma::SomaData(inicio, c.unidade, c.quantidade), esperado);
  EXPECT_EQ(CZQDma::SubtraiData(inicio, c.unidade, -c.quantidade), esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Dias, SomaDataTest,
    ::testing::Values(SomaCaso{{15, 3, 2024}, 0, -7, {8, 3, 2024}}, SomaCaso{{3, 3, 2024}, 0, -7, {25, 2, 2024}},
                      SomaCaso{{1, 1, 2024}, 0, -31, {1, 12, 2023}}, SomaCaso{{1, 3, 2023}, 0, -1, {28, 2, 2023}},
                      SomaCaso{{31, 12, 2024}, 0, 1, {1, 1, 2025}}, SomaCaso{{31, 12, 4717}, 0, 0, {31, 12, 4717}},
                      SomaCaso{{31, 12, 4717}, 0, 1, {0, 0, 0}}, SomaCaso{{25, 12, 4717}, 0, 7, {0, 0, 0}},
                      SomaCaso{{1, 1, 1848}, 0, -1, {0, 0, 0}}, SomaCaso{{2, 1, 1848}, 0, -1, {1, 1, 1848}},
                      SomaCaso{{1, 1, 2000}, 0, std::numeric_limits<int64_t>::max(), {0, 0, 0}},
                      SomaCaso{{1, 1, 2000}, 0, std::numeric_limits<int64_t>::min() + 1, {0, 0, 0}},
                      SomaCaso{{0, 0, 0}, 0, 7, {0, 0, 0}}));

INSTANTIATE_TEST_SUITE_P(
    Anos, SomaDataTest,
    ::testing::Values(SomaCaso{{29, 2, 2024}, 2, 1, {28, 2, 2025}}, SomaCaso{{29, 2, 2024}, 2, 4, {29, 2, 2028}},
                      SomaCaso{{29, 2, 2024}, 2, -5, {28, 2, 2019}}, SomaCaso{{29, 2, 2000}, 2, 100, {28, 2, 2100}},
                      SomaCaso{{29, 2, 2000}, 2, 400, {29, 2, 2400}}, SomaCaso{{28, 2, 2023}, 2, 1, {28, 2, 2024}},
                      SomaCaso{{15, 3, 2019}, 2, 5, {15, 3, 2024}}, SomaCaso{{31, 12, 2019}, 2, 5, {31, 12, 2024}},
                      SomaCaso{{1, 1, 1900}, 2, -52, {1, 1, 1848}}, SomaCaso{{1, 1, 1900}, 2, -53, {0, 0, 0}},
                      // no two-digit reading of a year that falls below 100
                      SomaCaso{{1, 1, 1900}, 2, -1850, {0, 0, 0}}, SomaCaso{{1, 1, 4700}, 2, 18, {0, 0, 0}},
                      SomaCaso{{1, 1, 2000}, 2, std::numeric_limits<int64_t>::max(), {0, 0, 0}}));

INSTANTIATE_TEST_SUITE_P(
    Meses, SomaDataTest,
    ::testing::Values(SomaCaso{{31, 1, 2024}, 1, 1, {29, 2, 2024}}, SomaCaso{{31, 3, 2023}, 1, -1, {28, 2, 2023}},
                      SomaCaso{{15, 11, 2024}, 1, 3, {15, 2, 2025}}, SomaCaso{{15, 1, 2024}, 1, -13, {15, 12, 2022}},
                      SomaCaso{{15, 12, 4717}, 1, 1, {0, 0, 0}}, SomaCaso{{15, 1, 1848}, 1, -1, {0, 0, 0}}));

TEST(SomaDataTest, UnknownUnitGivesTheEmptyDate) {
  EXPECT_TRUE(CZQDma::SomaData(CZQDma(1, 1, 2024), 3, 1).EhVazia());
  EXPECT_TRUE(CZQDma::SomaData(CZQDma(1, 1, 2024), -1, 1).EhVazia());
}

TEST(SomaDataTest, FiveYearsBackFromEveryDayOfALeapCycleKeepsDayAndMonth) {
  for (CZQDma dia(1, 1, 2024); dia <= CZQDma(31, 12, 2028); dia = dia.SomaDias(1)) {
    const CZQDma antes = CZQDma::SubtraiData(dia, ZQ_UNIDADE_ANOS, 5);
    ASSERT_EQ(antes.GetAno(), dia.GetAno() - 5);
    ASSERT_EQ(antes.GetMes(), dia.GetMes());
    const bool fevereiro29 = dia.GetMes() == 2 && dia.GetDia() == 29;
    ASSERT_EQ(antes.GetDia(), fevereiro29 && !CZQDma::EhBissexto(antes.GetAno()) ? 28 : dia.GetDia());
  }
}

struct FormatoDataCaso {
  Dmy data;
  int formato;
  const char* separador;
  bool quatroDigitos;
  const char* esperado;
};

class FormataDataTest : public ::testing::TestWithParam<FormatoDataCaso> {};

TEST_P(FormataDataTest, WritesTheFormat) {
  const auto& c = GetParam();
  const CZQDma data = c.data.ano == 0 ? CZQDma() : CZQDma(c.data.dia, c.data.mes, c.data.ano);
  EXPECT_EQ(CZQDma::FormataData(data, c.formato, c.separador, c.quatroDigitos).str(), c.esperado);
  CZQString texto("lixo");
  CZQDma::FormataData(data, texto, c.formato, c.separador, c.quatroDigitos);
  EXPECT_EQ(texto.str(), c.esperado);
}

INSTANTIATE_TEST_SUITE_P(Casos, FormataDataTest,
                         ::testing::Values(FormatoDataCaso{{15, 3, 2024}, 0, "/", false, "15/03/24"},
                                           FormatoDataCaso{{1, 1, 2000}, 0, "/", false, "01/01/00"},
                                           FormatoDataCaso{{5, 7, 1983}, 0, "/", false, "05/07/83"},
                                           FormatoDataCaso{{5, 7, 1983}, 0, "/", true, "05/07/1983"},
                                           FormatoDataCaso{{1, 1, 1984}, 0, "/", true, "01/01/84"},
                                           FormatoDataCaso{{31, 12, 2083}, 0, "/", true, "31/12/83"},
                                           FormatoDataCaso{{1, 1, 2084}, 0, "/", true, "01/01/2084"},
                                           FormatoDataCaso{{1, 1, 2084}, 0, "/", false, "01/01/84"},
                                           FormatoDataCaso{{1, 1, 1848}, 0, "/", true, "01/01/1848"},
                                           FormatoDataCaso{{15, 3, 2024}, 0, "", false, "150324"},
                                           FormatoDataCaso{{15, 3, 2024}, 0, ".", false, "15.03.24"},
                                           FormatoDataCaso{{15, 3, 2024}, 5, "-", false, "2024-03-15"},
                                           FormatoDataCaso{{1, 1, 1848}, 5, "-", false, "1848-01-01"},
                                           FormatoDataCaso{{31, 12, 4717}, 5, "", false, "47171231"},
                                           FormatoDataCaso{{0, 0, 0}, 0, "/", false, ""},
                                           FormatoDataCaso{{0, 0, 0}, 5, "-", false, ""},
                                           FormatoDataCaso{{15, 3, 2024}, 99, "/", false, ""}));

TEST(FormataDataTest, TwoDigitTextReadsBackThroughTheConstructorInsideTheWindow) {
  for (int ano = 1848; ano <= 4717; ano += 1) {
    const CZQDma data(15, 6, ano);
    const CZQString texto = CZQDma::FormataData(data, ZQ_FORMATO_DDMMAA, "/", true);
    const bool duasCasas = texto.GetLength() == 8;
    ASSERT_EQ(duasCasas, ano >= 1984 && ano <= 2083) << texto.str();
    const int anoLido = std::stoi(texto.Mid(6).str());
    ASSERT_EQ(CZQDma(15, 6, anoLido), data) << texto.str();
  }
}

struct MaCaso {
  int mes, ano;
  uint16_t indice;  // 0 for empty
};

class CZQMaTest : public ::testing::TestWithParam<MaCaso> {};

TEST_P(CZQMaTest, IndexesMonthsFrom1848) {
  const auto& c = GetParam();
  const CZQMa ma(c.mes, c.ano);
  EXPECT_EQ(ma.GetMa(), c.indice);
  if (c.indice != 0) {
    const int ano = c.ano < 100 ? (c.ano < 84 ? 2000 + c.ano : 1900 + c.ano) : c.ano;
    EXPECT_EQ(ma.GetMes(), c.mes);
    EXPECT_EQ(ma.GetAno(), ano);
    EXPECT_EQ(CZQMa(CZQDma(17, c.mes, ano)), ma);
    EXPECT_EQ(ma.GetPrimeiroDia(), CZQDma(1, c.mes, ano));
    EXPECT_EQ(ma.GetUltimoDia().GetMes(), c.mes);
    if (ano < 4717) {
      EXPECT_EQ(ma.GetUltimoDia().SomaDias(1).GetDia(), 1);
    }
    EXPECT_EQ(ma.GetUltimoDia().GetDia(), CZQDma::DiasNoMes(c.mes, ano));
  } else {
    EXPECT_TRUE(ma.EhVazio());
    EXPECT_EQ(ma.GetMes(), 0);
    EXPECT_EQ(ma.GetAno(), 0);
    EXPECT_TRUE(ma.GetPrimeiroDia().EhVazia());
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, CZQMaTest,
                         ::testing::Values(MaCaso{1, 1848, 1}, MaCaso{12, 1848, 12}, MaCaso{1, 1849, 13},
                                           MaCaso{3, 2024, 3 + 176 * 12}, MaCaso{2, 24, 2 + 176 * 12},
                                           MaCaso{12, 4717, 34440}, MaCaso{0, 2024, 0}, MaCaso{13, 2024, 0},
                                           MaCaso{1, 1847, 0}, MaCaso{1, 4718, 0}));

TEST(CZQMaTest, EmptyDateGivesEmptyMonthAndMonthsOrder) {
  EXPECT_TRUE(CZQMa(CZQDma()).EhVazio());
  EXPECT_LT(CZQMa(12, 2023), CZQMa(1, 2024));
}

struct HmsCaso {
  int h, m, s;
  REG_ZQHMS esperado;
};

class HmsTest : public ::testing::TestWithParam<HmsCaso> {};

TEST_P(HmsTest, CountsSecondsAndDropsWholeDays) {
  const auto& c = GetParam();
  EXPECT_EQ(zq::MontaHms(c.h, c.m, c.s), c.esperado);
  if (c.esperado > 0) {
    int h, m, s;
    zq::DesmontaHms(c.esperado, h, m, s);
    EXPECT_EQ(h * 3600 + m * 60 + s, c.esperado);
    EXPECT_LT(m, 60);
    EXPECT_LT(s, 60);
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, HmsTest,
                         ::testing::Values(HmsCaso{0, 0, 0, 0}, HmsCaso{8, 30, 0, 30600}, HmsCaso{23, 59, 59, 86399},
                                           HmsCaso{24, 0, 0, 0}, HmsCaso{23, 59, 60, 0}, HmsCaso{-23, -59, -59, -86399},
                                           HmsCaso{-24, 0, 0, 0}, HmsCaso{100000, 0, 0, 0}, HmsCaso{0, 0, 86401, 0}));

struct CarimboCaso {
  REG_ZQDMA dma;
  REG_ZQHMS hms;
};

class DmaHmsTest : public ::testing::TestWithParam<CarimboCaso> {};

TEST_P(DmaHmsTest, SplitsBackIntoDateAndTime) {
  const auto& c = GetParam();
  const REG_ZQDMAHMSUTC carimbo = zq::MontaDmaHms(c.dma, c.hms);
  EXPECT_EQ(zq::SegundosDmaHms(carimbo), int64_t{c.dma} * 86400 + c.hms);
  EXPECT_EQ(zq::ParteUtcDmaHms(carimbo), 0u);
  EXPECT_EQ(static_cast<uint64_t>(carimbo) >> 38, 0u) << "local stamps carry no offset";
  EXPECT_EQ(zq::DmaDeDmaHms(carimbo), c.dma);
  EXPECT_EQ(zq::HmsDeDmaHms(carimbo), c.hms);
}

INSTANTIATE_TEST_SUITE_P(Casos, DmaHmsTest,
                         ::testing::Values(CarimboCaso{2, 0}, CarimboCaso{44562, 0}, CarimboCaso{64502, 43200},
                                           CarimboCaso{64502, 86399}, CarimboCaso{ZQ_DMA_MAXIMA, 86399}));

TEST(DmaHmsTest, SignedSecondsAndOffsetBitsAreKeptApart) {
  for (int64_t segundos : {int64_t{0}, int64_t{-1}, int64_t{-86400}, (int64_t{1} << 37) - 1, -(int64_t{1} << 37)}) {
    for (uint32_t utc : {0u, 1u, 0x155u, 0x3FFFFFFu}) {
      const REG_ZQDMAHMSUTC carimbo = zq::MontaDmaHmsUtc(segundos, utc);
      EXPECT_EQ(zq::SegundosDmaHms(carimbo), segundos);
      EXPECT_EQ(zq::ParteUtcDmaHms(carimbo), utc);
    }
  }
  // Outside the valid days the date part is empty; an empty date keeps its time.
  EXPECT_EQ(zq::DmaDeDmaHms(zq::MontaDmaHmsUtc(-5, 0)), ZQ_DMA_VAZIA);
  EXPECT_EQ(zq::DmaDeDmaHms(zq::MontaDmaHms(1, 100)), ZQ_DMA_VAZIA);
  EXPECT_EQ(zq::DmaDeDmaHms(zq::MontaDmaHms(0, 3600)), ZQ_DMA_VAZIA);
  EXPECT_EQ(zq::HmsDeDmaHms(zq::MontaDmaHms(0, 3600)), 3600);
  EXPECT_EQ(zq::DmaDeDmaHms(zq::MontaDmaHmsUtc(int64_t{ZQ_DMA_MAXIMA + 1} * 86400, 0)), ZQ_DMA_VAZIA);
}

}  // namespace
