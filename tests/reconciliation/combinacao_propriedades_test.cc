// The fast searches against the plain ones on many random candidate lists: same
// answer and the very same result list, whatever the list held on entry.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "reconciliation/cl_combinacao_valores_interno.h"
#include "reconciliation/cl_trata_dados_conciliacao_automatica_tesouraria_banco.h"
#include "reconciliation/combinacao_oracle.h"

namespace {

using Rotina = CCLTrataDadosConciliacaoAutomaticaTesourariaBanco;
using Candidatos = Rotina::Candidatos;
using Ids = CZQVector<Rotina::ULONG32>;

struct Perfil {
  const char* nome;
  uint32_t semente;
  int maxQuantidade;
  tagCY menorValor;
  tagCY maiorValor;
  int pctZero;      // chance that an amount is zero
  int pctRepetido;  // chance that an amount repeats an earlier one
  int casos;
};

std::ostream& operator<<(std::ostream& os, const Perfil& perfil) { return os << perfil.nome; }

class Sorteio {
 public:
  explicit Sorteio(uint32_t semente) : m_gerador(semente) {}

  int64_t Entre(int64_t menor, int64_t maior) {
    return std::uniform_int_distribution<int64_t>(menor, maior)(m_gerador);
  }
  bool Chance(int pct) { return Entre(0, 99) < pct; }

  Candidatos Lista(const Perfil& perfil) {
    Candidatos lista;
    const int quantidade = static_cast<int>(Entre(0, perfil.maxQuantidade));
    for (int i = 0; i < quantidade; ++i) {
      tagCY valor = Entre(perfil.menorValor, perfil.maiorValor);
      if (Chance(perfil.pctZero))
        valor = 0;
      else if (i > 0 && Chance(perfil.pctRepetido))
        valor = lista[static_cast<size_t>(Entre(0, i - 1))].second;
      // Identifiers are arbitrary and may repeat: the searches must only copy them.
      lista.Add({static_cast<Rotina::ULONG32>(Entre(0, 3) == 0 ? Entre(0, 5) : Entre(0, 4000000000)), valor});
    }
    return lista;
  }

  // Targets of every kind: reachable sums, the whole total and just past it,
  // random values of either sign, zero.
  tagCY Alvo(const Candidatos& lista, const Perfil& perfil) {
    tagCY soma = 0;
    switch (Entre(0, 6)) {
      case 0:
      case 1:
        for (const auto& c : lista) {
          if (Chance(40)) soma += c.second;
        }
        return soma;
      case 2:
        for (const auto& c : lista) soma += c.second;
        return soma;
      case 3:
        for (const auto& c : lista) soma += c.second;
        return soma + 1;
      case 4:
        return -Entre(0, perfil.maiorValor * 3);
      case 5:
        return Chance(50) ? 0 : Entre(perfil.menorValor * 4, perfil.maiorValor * 4);
      default:
        return Entre(perfil.menorValor, perfil.maiorValor * 6);
    }
  }

  Ids ListaInicial() {
    Ids ids;
    const int quantidade = static_cast<int>(Entre(0, 3));
    for (int i = 0; i < quantidade; ++i) ids.Add(static_cast<Rotina::ULONG32>(Entre(0, 100)));
    return ids;
  }

 private:
  std::mt19937_64 m_gerador;
};

std::string Descreve(const Candidatos& lista, tagCY alvo, const Ids& inicial) {
  std::ostringstream os;
  os << "alvo " << alvo << " candidatos [";
  for (const auto& c : lista) os << " " << c.first << ":" << c.second;
  os << " ] lista inicial [";
  for (auto id : inicial) os << " " << id;
  os << " ]";
  return os.str();
}

class CombinacaoContraOraculo : public testing::TestWithParam<Perfil> {};

// Each search with its own draws; `achados` counts the lists where the oracle found a match.
TEST_P(CombinacaoContraOraculo, BothSearchesMatchTheOracle) {
  const Perfil& perfil = GetParam();
  for (const bool metades : {true, false}) {
    Sorteio sorteio(metades ? perfil.semente : perfil.semente ^ 0x5bd1e995u);
    int achados = 0;
    for (int caso = 0; caso < perfil.casos; ++caso) {
      const Candidatos lista = sorteio.Lista(perfil);
      const tagCY alvo = sorteio.Alvo(lista, perfil);
      const Ids inicial = sorteio.ListaInicial();
      // Backtracking is sometimes resumed from a later position with a running sum, as
      // the search does when it calls itself.
      Rotina::ULONG32 posicao = 0;
      tagCY soma = 0;
      if (!metades && sorteio.Chance(25)) {
        posicao = static_cast<Rotina::ULONG32>(sorteio.Entre(0, lista.GetQuantidade() + 1));
        for (Rotina::ULONG32 i = 0; i < posicao && i < lista.GetQuantidade(); ++i) {
          if (sorteio.Chance(50)) soma += lista[i].second;
        }
        if (sorteio.Chance(10)) soma = alvo;
      }
      SCOPED_TRACE(Descreve(lista, alvo, inicial) + (metades ? " metades" : " backtracking") + " posicao " +
                   std::to_string(posicao) + " soma " + std::to_string(soma));

      Ids esperado = inicial, obtido = inicial;
      const bool retornoEsperado = metades ? oraculo_combinacao::MeetInTheMiddle(lista, alvo, esperado)
                                           : oraculo_combinacao::Backtracking(lista, alvo, esperado, posicao, soma);
      const bool retorno = metades ? Rotina::FindCombinacaoValoresMeetInTheMiddle(lista, alvo, obtido)
                                   : Rotina::FindCombinacaoValoresBacktracking(lista, alvo, obtido, posicao, soma);
      ASSERT_EQ(retornoEsperado, retorno);
      ASSERT_EQ(esperado.Std(), obtido.Std());
      achados += retorno ? 1 : 0;

      // The table of final sums, built at once or after a few branches, must not
      // change the answer either.
      for (int64_t nosAntesDaTabela : {0, 3}) {
        if (metades) break;
        Ids comTabela = inicial;
        ASSERT_EQ(retornoEsperado,
                  cl_combinacao::BuscaBacktracking(lista, alvo, comTabela, posicao, soma, nosAntesDaTabela))
            << "tabela apos " << nosAntesDaTabela;
        ASSERT_EQ(esperado.Std(), comTabela.Std()) << "tabela apos " << nosAntesDaTabela;
      }
    }
    // The profile must exercise both outcomes, or the comparison proves little.
    EXPECT_GT(achados, perfil.casos / 10);
    EXPECT_LT(achados, perfil.casos - perfil.casos / 10);
  }
}

INSTANTIATE_TEST_SUITE_P(Perfis, CombinacaoContraOraculo,
                         testing::Values(
                             // Small positive amounts: many equal sums, so the tie-breaks decide.
                             Perfil{"PequenosPositivos", 11u, 16, 1, 20, 8, 30, 1500},
                             // Mixed signs: sums that overshoot and come back.
                             Perfil{"SinaisMistos", 23u, 14, -20, 20, 8, 20, 1500},
                             // Wide amounts: almost every sum is unique.
                             Perfil{"ValoresLargos", 37u, 16, 1, 1000000000, 3, 10, 1500},
                             Perfil{"LargosMistos", 41u, 14, -1000000, 1000000, 3, 10, 1500},
                             // Mostly zeros and a few tiny amounts.
                             Perfil{"MuitosZeros", 53u, 12, -3, 3, 45, 20, 1500}),
                         [](const testing::TestParamInfo<Perfil>& info) { return std::string(info.param.nome); });

}  // namespace
