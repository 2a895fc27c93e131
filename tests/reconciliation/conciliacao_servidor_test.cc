// The store's pairing of the lines and entries the posting run left open.
#include <map>
#include <set>

#include "reconciliation/conciliacao_teste_util.h"

namespace cl_servico_teste {
namespace {

struct LinhaCaso {
  int dia;  // of December 2026
  long long centavos;
  char natureza;
};
struct EntradaCaso {
  int dia;
  long long centavos;
  bool entra;
  int mes = 12;
};

struct CasoPareamento {
  const char* nome;
  std::vector<LinhaCaso> linhas;
  std::vector<EntradaCaso> entradas;
  std::vector<std::set<int>> pares;  // per line, the entries it is paired with (none: stays open)
  bool metadeNoMeio = false;         // combinations by the split search instead of depth-first
};

class PareamentoTest : public ServicoConciliacaoTest, public ::testing::WithParamInterface<CasoPareamento> {
 protected:
  void TearDown() override {
    CZQConfiguracao::Global().Remove("conciliacao_candidatos_backtracking");
    ServicoConciliacaoTest::TearDown();
  }
};

CZQDadosCL_ConciliacaoAutomatica Pedido(uint32_t conta) {
  CZQDadosCL_ConciliacaoAutomatica pedido;
  pedido.SetPonteiroConta(conta)
      .SetPonteiroFilial(1)
      .SetModo('T')
      .SetModoExt('N')
      .SetDataInicial(Dia(27, 11, 2026))
      .SetDataFinal(Dia(4, 12, 2026))
      .SetDataLimite(Dia(27, 11, 2026));
  return pedido;
}

TEST_P(PareamentoTest, PairsMarkBothSidesWithOneNewNumberAndALog) {
  const CasoPareamento& c = GetParam();
  if (c.metadeNoMeio) CZQConfiguracao::Global().Set("conciliacao_candidatos_backtracking", "0");
  Sql("INSERT INTO numero_conciliacao (conta, ultimo_numero) VALUES (111, 40)");
  std::vector<uint32_t> linhas, entradas;
  for (const auto& l : c.linhas)
    linhas.push_back(Linha(111, 1, Dia(l.dia, 12, 2026), l.centavos, l.natureza, "DIVERSOS", "999"));
  for (const auto& e : c.entradas) entradas.push_back(Entrada(111, e.entra, Dia(e.dia, e.mes, 2026), e.centavos));
  // Another account's entry never takes part.
  Entrada(113, true, Dia(2, 12, 2026), 10000);

  int32_t restantes = -1;
  CZQDadosCL_ConciliacaoTesourariaBancos resultado;
  ASSERT_EQ(Conc().ProcessaConciliacaoAutomatica(Pedido(111), restantes, resultado), S_OK);

  std::set<long long> numeros;
  int pareadas = 0;
  std::set<uint32_t> nomeadas;  // the lines the answer names, by their keys
  for (const CZQDadosCL_Extrato& l : resultado.GetListaExtrato()) nomeadas.insert(l.GetPosicao());
  for (std::size_t i = 0; i < linhas.size(); ++i) {
    const std::string p = std::to_string(linhas[i]);
    const long long numero = Escalar("SELECT numero_conciliacao FROM extrato WHERE posicao = " + p);
    if (c.pares[i].empty()) {
      EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S' AND posicao = " + p), 0) << i;
      continue;
    }
    ++pareadas;
    EXPECT_GT(numero, 40) << i;
    EXPECT_EQ(nomeadas.count(linhas[i]), 1u) << i;
    EXPECT_TRUE(numeros.insert(numero).second) << "number used twice: " << numero;
    EXPECT_EQ(
        Escalar("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S' AND tipo_conciliacao = 'A' AND posicao = " + p),
        1);
    std::set<int> ligadas;
    for (std::size_t j = 0; j < entradas.size(); ++j) {
      const std::string lado = c.entradas[j].entra ? "ent" : "sai";
      if (Escalar("SELECT numero_conciliacao_" + lado + " FROM tesouraria WHERE conciliado_" + lado +
                  " = 'S' AND posicao = " + std::to_string(entradas[j])) == numero)
        ligadas.insert(static_cast<int>(j));
    }
    EXPECT_EQ(ligadas, c.pares[i]) << "line " << i;
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM log_conciliacao_chave k JOIN log_conciliacao l ON l.id = k.log"
                      " WHERE l.banco = 111 AND l.numero_conciliacao = " +
                      std::to_string(numero)),
              1 + static_cast<long long>(c.pares[i].size()));
  }
  // Entries of no pair stay open, and what they read back is what the columns say.
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM tesouraria WHERE conciliado_ent = 'S' OR conciliado_sai = 'S'"), [&] {
    long long n = 0;
    for (const auto& s : c.pares) n += static_cast<long long>(s.size());
    return n;
  }());
  EXPECT_EQ(restantes, static_cast<int32_t>(linhas.size()) - pareadas);
  EXPECT_EQ(resultado.GetQuantidadeConciliada(), static_cast<uint32_t>(pareadas));
  EXPECT_EQ(Escalar("SELECT ultimo_numero FROM numero_conciliacao WHERE conta = 111"), 40 + pareadas);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM log_conciliacao"), pareadas);
  // The entries read back through the finance area carry their marks.
  for (const auto& t : resultado.GetListaTesouraria()) {
    CZQVector<REG_ZQDMC> chaves;
    chaves.Add(ZQMontaDmc(t.GetDataLancamento(), t.GetPosicaoReg()));
    CZQVector<CZQDadosFN_Tesouraria> lidas;
    ASSERT_EQ(m_hub->GetAcessoFinanceiro()->LeTesouraria(chaves, lidas), S_OK);
    ASSERT_EQ(lidas.GetQuantidade(), 1);
    EXPECT_EQ(lidas[0].GetNumeroConciliacaoEnt() + lidas[0].GetNumeroConciliacaoSai(),
              t.GetNumeroConciliacaoEnt() + t.GetNumeroConciliacaoSai());
    EXPECT_NE(t.GetNumeroConciliacaoEnt() + t.GetNumeroConciliacaoSai(), 0u);
  }

  // A second call finds nothing more to pair.
  ASSERT_EQ(Conc().ProcessaConciliacaoAutomatica(Pedido(111), restantes, resultado), S_OK);
  EXPECT_EQ(resultado.GetQuantidadeConciliada(), 0u);
  EXPECT_EQ(Escalar("SELECT ultimo_numero FROM numero_conciliacao WHERE conta = 111"), 40 + pareadas);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, PareamentoTest,
    ::testing::Values(CasoPareamento{"OneToOneClosestDateSameDirection",
                                     {{2, 10000, '+'}},
                                     {{28, 10000, true, 11}, {2, 10000, false}, {4, 10000, true}, {1, 10000, true}},
                                     {{3}}},
                      CasoPareamento{"CombinationOfEntries",
                                     {{2, 15000, '-'}},
                                     {{1, 10000, false}, {2, 7000, false}, {3, 5000, false}, {2, 15000, true}},
                                     {{0, 2}}},
                      CasoPareamento{"CombinationBySplitSearch",
                                     {{2, 15000, '-'}},
                                     {{1, 10000, false}, {2, 7000, false}, {3, 5000, false}, {2, 8000, false}},
                                     {{1, 3}},
                                     true},
                      CasoPareamento{
                          "NothingToPair",
                          {{2, 10000, '+'}, {3, 2500, '-'}, {4, 7000, '+'}},
                          {{2, 9999, true}, {2, 10000, false}, {3, 2500, true}, {3, 3000, false}, {27, 7000, true, 11}},
                          {{}, {}, {}}},
                      CasoPareamento{"EntryNeverUsedTwice",
                                     {{2, 10000, '+'}, {2, 10000, '+'}, {3, 6000, '+'}},
                                     {{2, 10000, true}, {3, 6000, true}},
                                     {{0}, {}, {1}}},
                      CasoPareamento{"OneToOneBeforeCombinations",
                                     {{2, 5000, '+'}, {2, 3000, '+'}},
                                     {{2, 2000, true}, {2, 3000, true}, {2, 5000, true}},
                                     {{2}, {1}}}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ServicoConciliacaoTest, FailureInsideThePairingUndoesEveryMarkNumberAndLog) {
  Sql("INSERT INTO numero_conciliacao (conta, ultimo_numero) VALUES (111, 7)");
  const uint32_t l1 = Linha(111, 1, Dia(1, 12, 2026), 1000, '+', "A", "999");
  Linha(111, 1, Dia(2, 12, 2026), 2000, '+', "B", "999");
  Entrada(111, true, Dia(1, 12, 2026), 1000);
  const uint32_t e2 = Entrada(111, true, Dia(2, 12, 2026), 2000);
  Sql("CREATE TRIGGER falha_teste BEFORE UPDATE ON tesouraria WHEN NEW.posicao = " + std::to_string(e2) +
      " BEGIN SELECT RAISE(ABORT, 'falha de teste'); END");

  int32_t restantes = 0;
  CZQDadosCL_ConciliacaoTesourariaBancos resultado;
  EXPECT_LT(Conc().ProcessaConciliacaoAutomatica(Pedido(111), restantes, resultado), 0);
  EXPECT_NE(Conc().GetErro()->GetTextoMostraMensagem().str().find("ProcessaConciliacaoAutomatica"), std::string::npos);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S'"), 0);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM tesouraria WHERE conciliado_ent = 'S' OR numero_conciliacao_ent <> 0"), 0);
  EXPECT_EQ(Escalar("SELECT ultimo_numero FROM numero_conciliacao WHERE conta = 111"), 7);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM log_conciliacao"), 0);

  Sql("DROP TRIGGER falha_teste");
  ASSERT_EQ(Conc().ProcessaConciliacaoAutomatica(Pedido(111), restantes, resultado), S_OK);
  EXPECT_EQ(Escalar("SELECT numero_conciliacao FROM extrato WHERE posicao = " + std::to_string(l1)), 8);
  EXPECT_EQ(Escalar("SELECT ultimo_numero FROM numero_conciliacao WHERE conta = 111"), 9);
}

}  // namespace
}  // namespace cl_servico_teste
