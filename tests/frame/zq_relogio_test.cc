#include "frame/zq_relogio.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

TEST(RelogioTest, FixedClockGivesTodayNowAndTimeOfDay) {
  const CZQRelogioFixo fixo(CZQDma(15, 3, 2024), zq::MontaHms(8, 30, 5));
  const CZQTrocaRelogio troca(fixo);
  EXPECT_EQ(zq::Hoje(), CZQDma(15, 3, 2024));
  EXPECT_EQ(CZQDma::Hoje(), CZQDma(15, 3, 2024));
  EXPECT_EQ(zq::HoraAtual(), 8 * 3600 + 30 * 60 + 5);
  EXPECT_EQ(zq::Agora(), zq::MontaDmaHms(CZQDma(15, 3, 2024).GetDma(), 30605));
  EXPECT_EQ(&zq::RelogioAtual(), &fixo);
}

TEST(RelogioTest, GuardsNestAndRestoreInOrder) {
  const IZQRelogio* sistema = &zq::RelogioAtual();
  const CZQRelogioFixo primeiro(CZQDma(1, 1, 2020), 0);
  const CZQRelogioFixo segundo(CZQDma(2, 2, 2022), 0);
  {
    const CZQTrocaRelogio externa(primeiro);
    {
      const CZQTrocaRelogio interna(segundo);
      EXPECT_EQ(zq::Hoje(), CZQDma(2, 2, 2022));
    }
    EXPECT_EQ(zq::Hoje(), CZQDma(1, 1, 2020));
  }
  EXPECT_EQ(&zq::RelogioAtual(), sistema);
  EXPECT_NE(zq::Hoje(), CZQDma(1, 1, 2020));
}

TEST(RelogioTest, FixedClockMovesAcrossMidnight) {
  CZQRelogioFixo fixo(CZQDma(31, 12, 2023), zq::MontaHms(23, 59, 59));
  const CZQTrocaRelogio troca(fixo);
  fixo.Avanca(1);
  EXPECT_EQ(zq::Hoje(), CZQDma(1, 1, 2024));
  EXPECT_EQ(zq::HoraAtual(), 0);
  fixo.Avanca(-2);
  EXPECT_EQ(zq::Hoje(), CZQDma(31, 12, 2023));
  EXPECT_EQ(zq::HoraAtual(), 86398);
  fixo.Define(CZQDma(29, 2, 2024), 43200);
  EXPECT_EQ(zq::Hoje().GetDiaSemana(), 5);
}

TEST(RelogioTest, MachineClockIsTheLocalTime) {
  // The local time as seconds since 1 January 1848, from the offset the C library reports.
  for (int tentativa = 0; tentativa < 3; ++tentativa) {
    const std::time_t antes = std::time(nullptr);
    const int64_t segundos = zq::SegundosDmaHms(CZQRelogioSistema().Agora());
    const std::time_t depois = std::time(nullptr);
    std::tm local{};
    ASSERT_NE(localtime_r(&antes, &local), nullptr);
    const int64_t esperado = int64_t{antes} + local.tm_gmtoff + int64_t{44562} * 86400;
    if (antes != depois) continue;  // a second ticked in between: try again
    EXPECT_EQ(segundos, esperado);
    EXPECT_EQ(zq::ParteUtcDmaHms(CZQRelogioSistema().Agora()), 0u);
    return;
  }
  FAIL() << "the clock never stayed within one second";
}

}  // namespace
