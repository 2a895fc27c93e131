// Proposals of the workbench: which open lines go with which open entries.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reconciliation/cl_bancada.h"

namespace {

// An open item written as position, day, amount in cents (signed), document.
struct Item {
  uint32_t posicao;
  REG_ZQDMA dia;
  int64_t centavos;
  const char* documento = "";
};

struct Caso {
  const char* nome;
  std::vector<Item> linhas;
  std::vector<Item> entradas;
  // Each proposal as "lines>entries:score", best first, joined by spaces.
  const char* esperado;
  long limiteBacktracking = 12;
};

std::vector<CLItemAberto> Itens(const std::vector<Item>& itens) {
  std::vector<CLItemAberto> r;
  for (const Item& i : itens) r.push_back({i.posicao, 1000 + i.dia, i.centavos * 100, i.documento, "", ""});
  return r;
}

std::string Lista(const std::vector<uint32_t>& posicoes) {
  std::string s;
  for (uint32_t p : posicoes) s += (s.empty() ? "" : ",") + std::to_string(p);
  return s;
}

const Caso kCasos[] = {
    {"UmParaUmNaMesmaData", {{1, 0, 500}}, {{7, 0, 500}}, "1>7:100"},
    {"CadaDiaDeDistanciaCusta", {{1, 0, 500}}, {{7, 3, 500}}, "1>7:85"},
    {"ForaDoPrazoNaoSeSugere", {{1, 0, 500}}, {{7, 6, 500}}, ""},
    {"SentidoOpostoNaoSeSugere", {{1, 0, 500}}, {{7, 0, -500}}, ""},
    {"DocumentoIgualDesempata", {{1, 0, 500, "42"}}, {{7, 0, 500}, {8, 1, 500, "42"}}, "1>8:105"},
    // The line goes to the closer entry even when a farther one comes first.
    {"MelhorParVenceOPrimeiro", {{1, 5, 500}}, {{7, 2, 500}, {8, 5, 500}}, "1>8:100"},
    {"NadaPropostoDuasVezes", {{1, 0, 500}, {2, 0, 500}}, {{7, 0, 500}}, "1>7:100"},
    {"LinhaContraLoteDeLancamentos", {{1, 0, 1000}}, {{7, 0, 300}, {8, 0, 700}, {9, 0, 50}}, "1>7,8:60"},
    {"LancamentoContraLoteDeLinhas", {{1, 0, -120}, {2, 1, -80}, {3, 1, -999}}, {{7, 1, -200}}, "1,2>7:55"},
    {"BuscaDivididaAcimaDoLimite", {{1, 0, 1000}}, {{7, 0, 300}, {8, 0, 700}, {9, 0, 50}}, "1>7,8:60", 1},
    {"UmParaUmAntesDaCombinacao",
     {{1, 0, 300}, {2, 2, 1000}},
     {{7, 0, 300}, {8, 2, 700}, {9, 2, 300}},
     "1>7:100 2>8,9:60"},
};

class SugestoesTest : public ::testing::TestWithParam<Caso> {};

TEST_P(SugestoesTest, PropoeOEsperado) {
  const Caso& c = GetParam();
  CLAbertos abertos;
  abertos.linhas = Itens(c.linhas);
  abertos.entradas = Itens(c.entradas);
  CLParametrosSugestao p;
  p.limiteBacktracking = c.limiteBacktracking;
  std::string obtido;
  for (const CLSugestao& s : CLSugere(abertos, p)) {
    obtido += (obtido.empty() ? "" : " ") + Lista(s.linhas) + ">" + Lista(s.entradas) + ":" + std::to_string(s.pontos);
    EXPECT_FALSE(s.razoes.empty());
  }
  EXPECT_EQ(obtido, c.esperado);
}

INSTANTIATE_TEST_SUITE_P(Bancada, SugestoesTest, ::testing::ValuesIn(kCasos),
                         [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
