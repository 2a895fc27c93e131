#include "frame/zq_formato.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zq::ArgFormato;

struct FormatoCaso {
  const char* nome;
  std::string formato;
  std::vector<ArgFormato> args;
  std::string esperado;
};

class FormataSeguroTest : public ::testing::TestWithParam<FormatoCaso> {};

TEST_P(FormataSeguroTest, PrintsEachArgumentByItsOwnType) {
  EXPECT_EQ(zq::FormataSeguro(GetParam().formato, GetParam().args), GetParam().esperado);
}

std::string NomeDoCaso(const ::testing::TestParamInfo<FormatoCaso>& info) { return info.param.nome; }

INSTANTIATE_TEST_SUITE_P(
    Formatos, FormataSeguroTest,
    ::testing::Values(
        FormatoCaso("Matching", "Conta %s, %d dias, %.2f%%",
                    {ArgFormato::De("123"), ArgFormato::De(7), ArgFormato::De(1.5)}, "Conta 123, 7 dias, 1.50%"),
        FormatoCaso("SixtyFourBits", "%lld|%I64d|%u",
                    {ArgFormato::De(int64_t{-9000000000}), ArgFormato::De(int64_t{5}), ArgFormato::De(42u)},
                    "-9000000000|5|42"),
        FormatoCaso("NumberForText", "[%s]", {ArgFormato::De(15)}, "[15]"),
        FormatoCaso("TextForNumber", "[%d]", {ArgFormato::De("31")}, "[31]"),
        FormatoCaso("MissingArguments", "a %s b %d c", {}, "a  b  c"),
        FormatoCaso("ExtraArguments", "só texto", {ArgFormato::De(1)}, "só texto"),
        FormatoCaso("WidthAndFlags", "[%5s][%-3d][% lld][%05d]",
                    {ArgFormato::De("ab"), ArgFormato::De(7), ArgFormato::De(42), ArgFormato::De(-3)},
                    "[   ab][7  ][ 42][-0003]"),
        FormatoCaso("StarWidth", "[%*d]", {ArgFormato::De(4), ArgFormato::De(9)}, "[   9]"),
        FormatoCaso("NeverWritesThroughN", "x%ny", {ArgFormato::De(1)}, "xy"),
        FormatoCaso("TrailingPercent", "50%", {}, "50%"),
        FormatoCaso("UnknownConversion", "%k%s", {ArgFormato::De("z")}, "%kz"),
        FormatoCaso("HugeWidthIsBounded", "%999999999d", {ArgFormato::De(1)}, std::string(4095, ' ') + "1")),
    NomeDoCaso);

}  // namespace
