// Edge cases of the two amount-combination searches, stated as the rules fix them.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "reconciliation/cl_trata_dados_conciliacao_automatica_tesouraria_banco.h"

namespace {

using Rotina = CCLTrataDadosConciliacaoAutomaticaTesourariaBanco;
using Candidatos = Rotina::Candidatos;
using Ids = CZQVector<Rotina::ULONG32>;

// Candidates with identifiers 101, 102, ... in list order.
Candidatos Lista(const std::vector<tagCY>& valores) {
  Candidatos lista;
  for (size_t i = 0; i < valores.size(); ++i) lista.Add({static_cast<Rotina::ULONG32>(101 + i), valores[i]});
  return lista;
}

using Busca = std::function<bool(const Candidatos&, tagCY, Ids&)>;

struct Operacao {
  const char* nome;
  Busca busca;
};

const Operacao kBacktracking{"Backtracking", [](const Candidatos& c, tagCY alvo, Ids& r) {
                               return Rotina::FindCombinacaoValoresBacktracking(c, alvo, r, 0, 0);
                             }};
const Operacao kMeetInTheMiddle{"MeetInTheMiddle", [](const Candidatos& c, tagCY alvo, Ids& r) {
                                  return Rotina::FindCombinacaoValoresMeetInTheMiddle(c, alvo, r);
                                }};

// A case that both searches answer the same way.
struct CasoComum {
  const char* nome;
  std::vector<tagCY> valores;
  tagCY alvo;
  bool achou;
  std::vector<Rotina::ULONG32> idsEsperados;  // meaningful only when found
};

class CasosDeAmbas : public testing::TestWithParam<std::tuple<Operacao, CasoComum>> {};

TEST_P(CasosDeAmbas, ResultadoEListaFinal) {
  const auto& [operacao, caso] = GetParam();
  const Candidatos lista = Lista(caso.valores);
  Ids resultado{7, 8};
  const bool achou = operacao.busca(lista, caso.alvo, resultado);
  EXPECT_EQ(caso.achou, achou);
  std::vector<Rotina::ULONG32> esperado = caso.idsEsperados;
  if (!caso.achou) {
    esperado = {7, 8};
  } else if (std::string(operacao.nome) == "Backtracking") {
    // Backtracking appends after what the list held; meet in the middle replaces it.
    esperado.insert(esperado.begin(), {7, 8});
  }
  EXPECT_EQ(esperado, resultado.Std());
}

INSTANTIATE_TEST_SUITE_P(
    Bordas, CasosDeAmbas,
    testing::Combine(testing::Values(kBacktracking, kMeetInTheMiddle),
                     testing::Values(CasoComum{"ListaVazia", {}, 5, false, {}},
                                     CasoComum{"UmCandidatoIgualAoAlvo", {5}, 5, false, {}},
                                     CasoComum{"AlvoZero", {5, -5, 0}, 0, false, {}},
                                     CasoComum{"TresDoisUm", {3, 2, 1}, 3, true, {101}},
                                     CasoComum{"DoisQueSomamOAlvo", {40000, 25000}, 65000, true, {101, 102}},
                                     CasoComum{"NadaAlcanca", {2, 4, 6, 8}, 7, false, {}},
                                     CasoComum{"AcimaDoTotal", {1, 2, 3}, 7, false, {}},
                                     CasoComum{
                                         "TodosOsCandidatos", {1, 2, 3, 4, 5}, 15, true, {101, 102, 103, 104, 105}})),
    [](const auto& info) { return std::string(std::get<0>(info.param).nome) + "_" + std::get<1>(info.param).nome; });

// Cases where the two searches part ways, each with its own expected answer.
struct CasoPorOperacao {
  const char* nome;
  std::vector<tagCY> valores;
  tagCY alvo;
  bool achouBacktracking;
  std::vector<Rotina::ULONG32> idsBacktracking;
  bool achouMetades;
  std::vector<Rotina::ULONG32> idsMetades;
};

class CasosDivergentes : public testing::TestWithParam<CasoPorOperacao> {};

TEST_P(CasosDivergentes, CadaBuscaSegueSuaOrdem) {
  const CasoPorOperacao& caso = GetParam();
  const Candidatos lista = Lista(caso.valores);

  Ids porBacktracking;
  EXPECT_EQ(caso.achouBacktracking, Rotina::FindCombinacaoValoresBacktracking(lista, caso.alvo, porBacktracking, 0, 0));
  EXPECT_EQ(caso.idsBacktracking, porBacktracking.Std());

  Ids porMetades;
  EXPECT_EQ(caso.achouMetades, Rotina::FindCombinacaoValoresMeetInTheMiddle(lista, caso.alvo, porMetades));
  EXPECT_EQ(caso.idsMetades, porMetades.Std());
}

INSTANTIATE_TEST_SUITE_P(
    Ordem, CasosDivergentes,
    testing::Values(
        // Odd count: the extra candidate joins the second half, so {2,3} is not an
        // exact match inside the first half and the join pairs 1 with 4 first.
        CasoPorOperacao{"QuantidadeImpar", {1, 2, 3, 100, 4}, 5, true, {101, 105}, true, {101, 105}},
        // An exact match inside a half wins over a join, even one that starts from
        // a smaller first-half mask ({2} with {3}).
        CasoPorOperacao{"ExatoNaPrimeiraMetade", {2, 5, 3, 100}, 5, true, {101, 103}, true, {102}},
        CasoPorOperacao{"ExatoNaSegundaMetade", {2, 100, 3, 5}, 5, true, {101, 103}, true, {104}},
        // Second half {2,3,5}: both {2,3} and {5} sum to 5; the higher mask wins.
        CasoPorOperacao{"SomasIguaisNaSegundaMetade", {10, 20, 2, 3, 5}, 15, true, {101, 103, 104}, true, {101, 105}},
        // A negative target fails at once in backtracking. The halves can only meet
        // it inside one half: both sides of a join would have to stay at or below it.
        CasoPorOperacao{"AlvoNegativoDentroDeUmaMetade", {-3, -2, 1, 4}, -5, false, {}, true, {101, 102}},
        CasoPorOperacao{"AlvoNegativoEntreMetades", {-3, 1, -2, 4}, -5, false, {}, false, {}},
        // Backtracking never comes back from an overshoot through a negative amount.
        CasoPorOperacao{"UltrapassaEVolta", {5, -2, 7}, 3, false, {}, false, {}},
        // Taking the negative first keeps backtracking under the target; the halves
        // drop the second-half subset {5}, above the target on its own.
        CasoPorOperacao{"NegativoPrimeiro", {-2, 5, 9}, 3, true, {101, 102}, false, {}},
        // The search closes as soon as the sum hits the target: a later zero is not taken.
        CasoPorOperacao{"ZeroDepoisDoAlvo", {3, 0, 0}, 3, true, {101}, true, {101}},
        // A zero before the match is taken, since taking comes before skipping; the
        // halves find {1,2} as an exact match of the second half first.
        CasoPorOperacao{"ZeroAntesDoAlvo", {0, 1, 2}, 3, true, {101, 102, 103}, true, {102, 103}}),
    [](const auto& info) { return std::string(info.param.nome); });

// Resuming backtracking from a position with a running sum.
struct Retomada {
  const char* nome;
  Rotina::ULONG32 posicao;
  tagCY soma;
  bool achou;
  std::vector<Rotina::ULONG32> ids;  // appended after the two entries already there
};

class RetomadaBacktracking : public testing::TestWithParam<Retomada> {};

TEST_P(RetomadaBacktracking, TestesNaOrdem) {
  const Retomada& caso = GetParam();
  const Candidatos lista = Lista({4, 6, 1, 2});
  Ids resultado{7, 8};
  EXPECT_EQ(caso.achou, Rotina::FindCombinacaoValoresBacktracking(lista, 10, resultado, caso.posicao, caso.soma));
  std::vector<Rotina::ULONG32> esperado{7, 8};
  esperado.insert(esperado.end(), caso.ids.begin(), caso.ids.end());
  EXPECT_EQ(esperado, resultado.Std());
}

INSTANTIATE_TEST_SUITE_P(
    Posicoes, RetomadaBacktracking,
    testing::Values(Retomada{"SomaJaNoAlvoAlemDoFim", 9, 10, true, {}}, Retomada{"SomaAcimaDoAlvo", 0, 11, false, {}},
                    Retomada{"PosicaoAlemDoFim", 4, 3, false, {}}, Retomada{"DoMeio", 2, 7, true, {103, 104}},
                    Retomada{"DoMeioSalta", 2, 8, true, {104}}, Retomada{"DoMeioSemSaida", 2, 6, false, {}},
                    Retomada{"SomaNegativaDeFora", 1, -7, false, {}}),
    [](const auto& info) { return std::string(info.param.nome); });

// 31 candidates per half is the most the 32-bit masks hold. The amounts keep the
// sums below the target few, so even a full-size half is quick to list.
class LimiteDasMetades : public testing::TestWithParam<int> {};

TEST_P(LimiteDasMetades, TrintaEUmPorMetade) {
  const int quantidade = GetParam();
  const int h = quantidade / 2;
  std::vector<tagCY> valores;
  for (int i = 0; i < quantidade; ++i) valores.push_back(1000000000000LL + i);
  valores[0] = 1;
  valores[static_cast<size_t>(h)] = 2;
  const Candidatos lista = Lista(valores);

  Ids resultado{7};
  const bool achou = Rotina::FindCombinacaoValoresMeetInTheMiddle(lista, 3, resultado);
  if (quantidade - h <= 31) {
    EXPECT_TRUE(achou);
    EXPECT_EQ((std::vector<Rotina::ULONG32>{101, static_cast<Rotina::ULONG32>(101 + h)}), resultado.Std());
  } else {
    EXPECT_FALSE(achou);
    EXPECT_EQ(std::vector<Rotina::ULONG32>{7}, resultado.Std());
  }
}

INSTANTIATE_TEST_SUITE_P(Quantidades, LimiteDasMetades, testing::Values(4, 61, 62, 63, 64, 200));

// Long lists: the depth-first search keeps its own stack, so depth costs no
// call frames, and its bounds settle hopeless targets without walking.
struct ListaLonga {
  const char* nome;
  tagCY valor;
  tagCY alvo;
  bool achou;
  size_t escolhidos;  // taken from the start of the list
};

class ListasLongas : public testing::TestWithParam<ListaLonga> {};

TEST_P(ListasLongas, BacktrackingSemEstourarAPilha) {
  const ListaLonga& caso = GetParam();
  const std::vector<tagCY> valores(100000, caso.valor);
  const Candidatos lista = Lista(valores);
  Ids resultado;
  EXPECT_EQ(caso.achou, Rotina::FindCombinacaoValoresBacktracking(lista, caso.alvo, resultado, 0, 0));
  std::vector<Rotina::ULONG32> esperado;
  for (size_t i = 0; i < caso.escolhidos; ++i) esperado.push_back(static_cast<Rotina::ULONG32>(101 + i));
  EXPECT_EQ(esperado, resultado.Std());
}

INSTANTIATE_TEST_SUITE_P(Longas, ListasLongas,
                         testing::Values(ListaLonga{"PoucosNoInicio", 1, 3, true, 3},
                                         ListaLonga{"TodosOsCandidatos", 1, 100000, true, 100000},
                                         ListaLonga{"AcimaDoTotal", 1, 100001, false, 0},
                                         ListaLonga{"ForaDoMultiplo", 2, 99999, false, 0}),
                         [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
