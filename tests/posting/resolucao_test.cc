#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "posting/lanca_auto_teste_util.h"
#include "posting/resolucao_oraculo.h"

namespace {

using zq_lanca::LancaAutoTest;
using zq_lanca::Linha;
using zq_lanca::Regra;

struct Achado {
  int posicao;
  ZQTipoChavePropriedade tipo;
  const char* chave;
};

struct CasoResolucao {
  const char* nome;
  std::vector<Regra> regras;
  uint32_t conta;
  const char* historico;
  const char* codigo;
  char natureza;
  Achado lancamento;
  Achado teste;
  int passoLancamento;          // place in the history list where the posting variant decided
  const char* textoLancamento;  // its lookup text
};

class ResolucaoTest : public LancaAutoTest, public ::testing::WithParamInterface<CasoResolucao> {};

TEST_P(ResolucaoTest, CadaVarianteAchaSuaRegraPelaChaveEsperada) {
  const CasoResolucao& caso = GetParam();
  GravaRegras(caso.regras);
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  const CZQDadosCL_Extrato linha = Linha(caso.historico, caso.codigo, caso.natureza);

  ZQResolucaoPropriedade lancamento;
  EXPECT_EQ(m_rotina.ResolvePropriedade(caso.conta, linha, ZQ_RESOLUCAO_LANCAMENTO, &lancamento),
            caso.lancamento.posicao);
  EXPECT_EQ(lancamento.iPosicao, caso.lancamento.posicao);
  EXPECT_EQ(lancamento.tipoChave, caso.lancamento.tipo);
  EXPECT_EQ(lancamento.sChave.str(), caso.lancamento.chave);
  EXPECT_EQ(lancamento.iPasso, caso.passoLancamento);
  EXPECT_EQ(lancamento.sTextoBusca.str(), caso.textoLancamento);

  ZQResolucaoPropriedade teste;
  EXPECT_EQ(m_rotina.ResolvePropriedade(caso.conta, linha, ZQ_RESOLUCAO_TESTE, &teste), caso.teste.posicao);
  EXPECT_EQ(teste.tipoChave, caso.teste.tipo);
  EXPECT_EQ(teste.sChave.str(), caso.teste.chave);

  // Asked again (answers now come from what the first lookups learned), the same.
  EXPECT_EQ(m_rotina.ResolvePropriedade(caso.conta, linha, ZQ_RESOLUCAO_LANCAMENTO), caso.lancamento.posicao);
  EXPECT_EQ(m_rotina.ResolvePropriedade(caso.conta, linha, ZQ_RESOLUCAO_TESTE), caso.teste.posicao);
}

constexpr Achado kNenhuma{-1, ZQ_CHAVE_NENHUMA, ""};

// A rule by code, text and account, with its credit and debit accounting codes.
Regra R(const char* codigo, const char* historico, uint32_t conta, int entrada, int saida) {
  return {.codigo = codigo, .historico = historico, .conta = conta, .contabilEntrada = entrada, .contabilSaida = saida};
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ResolucaoTest,
    ::testing::Values(
        CasoResolucao("regra_da_conta_antes_da_regra_de_todas",
                      {R("105", "TARIFA", 0, 0, 51), R("105", "TARIFA", 111, 0, 52)}, 111, "TARIFA PACOTE", "105", '-',
                      {1, ZQ_CHAVE_CODIGO_CONTA, "111-105"}, {1, ZQ_CHAVE_HISTORICO_CONTA, "111-TARIFA"}, 0, "TARIFA"),
        CasoResolucao("regra_de_todas_as_contas_serve_a_outra_conta",
                      {R("105", "TARIFA", 0, 0, 51), R("105", "TARIFA", 111, 0, 52)}, 112, "TARIFA PACOTE", "105", '-',
                      {0, ZQ_CHAVE_CODIGO_GERAL, "0-105"}, {0, ZQ_CHAVE_HISTORICO_GERAL, "0-TARIFA"}, 0, "TARIFA"),
        CasoResolucao("primeira_regra_de_chaves_iguais_vence", {R("105", "X1", 111, 0, 1), R("105", "X2", 111, 0, 1)},
                      111, "SEM RELACAO", "105", '-', {0, ZQ_CHAVE_CODIGO_CONTA, "111-105"},
                      {0, ZQ_CHAVE_CODIGO_CONTA, "111-105"}, 1, "SEM RELACAO"),
        CasoResolucao("historico_vazio_casa_qualquer_linha_no_seu_lugar",
                      {R("", "", 111, 5, 0), R("", "PIX", 111, 6, 0)}, 111, "PIX RECEBIDO FULANO", "77", '+',
                      {0, ZQ_CHAVE_HISTORICO_CONTA, "111-"}, {0, ZQ_CHAVE_HISTORICO_CONTA, "111-"}, 0, ""),
        CasoResolucao("texto_da_regra_e_nao_o_historico_e_a_chave", {R("", "PIX REC", 111, 11, 0)}, 111,
                      "Pix Recebido de Joao", "99", '+', {0, ZQ_CHAVE_HISTORICO_CONTA, "111-PIX REC"},
                      {0, ZQ_CHAVE_HISTORICO_CONTA, "111-PIX REC"}, 0, "PIX REC"),
        CasoResolucao("historico_inteiro_so_no_ultimo_lugar", {R("TED", "DOC", 111, 3, 0), R("", "PIX", 111, 4, 0)},
                      111, "ted", "1", '+', {0, ZQ_CHAVE_HISTORICO_CONTA, "111-TED"},
                      {0, ZQ_CHAVE_HISTORICO_CONTA, "111-TED"}, 1, "TED"),
        CasoResolucao("credito_sem_conta_de_entrada_vai_a_chave_de_sentido",
                      {R("105", "TARIFA", 111, 0, 51), R("", "TARIFA", 111, 42, 0)}, 111, "TARIFA ESTORNO", "105", '+',
                      {1, ZQ_CHAVE_SENTIDO_CONTA, "111-TARIFA-E"}, {0, ZQ_CHAVE_HISTORICO_CONTA, "111-TARIFA"}, 0,
                      "TARIFA"),
        CasoResolucao("debito_sem_conta_de_saida_vai_a_chave_de_sentido_geral",
                      {R("110", "JUROS", 111, 42, 0), R("", "JUROS", 0, 0, 53)}, 111, "JUROS S/ SALDO DEVEDOR", "110",
                      '-', {1, ZQ_CHAVE_SENTIDO_GERAL, "0-JUROS-S"}, {0, ZQ_CHAVE_HISTORICO_CONTA, "111-JUROS"}, 0,
                      "JUROS"),
        CasoResolucao("sem_regra_de_sentido_o_lancamento_nao_acha_e_o_teste_acha", {R("105", "TARIFA", 111, 0, 51)},
                      111, "TARIFA ESTORNO", "105", '+', kNenhuma, {0, ZQ_CHAVE_HISTORICO_CONTA, "111-TARIFA"}, -1, ""),
        CasoResolucao("chaves_ignoram_maiusculas", {R("ab", "tarifa", 111, 0, 1)}, 111, "Tarifa Banco", "AB", '-',
                      {0, ZQ_CHAVE_CODIGO_CONTA, "111-AB"}, {0, ZQ_CHAVE_HISTORICO_CONTA, "111-TARIFA"}, 0, "TARIFA"),
        CasoResolucao("no_teste_o_historico_substitui_o_codigo", {R("105", "X", 111, 0, 1), R("", "TARIFA", 0, 0, 1)},
                      111, "TARIFA", "105", '-', {0, ZQ_CHAVE_CODIGO_CONTA, "111-105"},
                      {1, ZQ_CHAVE_HISTORICO_GERAL, "0-TARIFA"}, 1, "TARIFA"),
        CasoResolucao("linha_sem_nada_que_case", {R("105", "TARIFA", 111, 0, 1)}, 111, "PAGAMENTO", "200", '-',
                      kNenhuma, kNenhuma, -1, ""),
        CasoResolucao("natureza_desconhecida_nao_tem_passo_de_sentido", {R("105", "TARIFA", 111, 0, 0)}, 111, "TARIFA",
                      "105", '?', {0, ZQ_CHAVE_CODIGO_CONTA, "111-105"}, {0, ZQ_CHAVE_HISTORICO_CONTA, "111-TARIFA"}, 0,
                      "TARIFA")),
    [](const ::testing::TestParamInfo<CasoResolucao>& info) { return std::string(info.param.nome); });

// Texts over a few letters, so that rule texts begin one another and the histories.
std::string Texto(std::mt19937& g, int maximo) {
  static const char letras[] = {'A', 'B', ' ', 'a'};
  std::string t;
  const int n = std::uniform_int_distribution<int>(0, maximo)(g);
  for (int i = 0; i < n; ++i) t += letras[std::uniform_int_distribution<int>(0, 3)(g)];
  return t;
}

std::vector<Regra> RegrasAleatorias(std::mt19937& g, int quantidade) {
  static const char* codigos[] = {"", "1", "2", "12", "a", "A"};
  static const uint32_t contas[] = {0, 111, 112};
  std::vector<Regra> regras;
  for (int i = 0; i < quantidade; ++i) {
    Regra r;
    r.codigo = codigos[std::uniform_int_distribution<int>(0, 5)(g)];
    r.historico = Texto(g, 3);
    r.conta = contas[std::uniform_int_distribution<int>(0, 2)(g)];
    r.contabilEntrada = std::uniform_int_distribution<int>(0, 1)(g) * 40;
    r.contabilSaida = std::uniform_int_distribution<int>(0, 1)(g) * 50;
    regras.push_back(r);
  }
  return regras;
}

class ResolucaoOraculoTest : public LancaAutoTest, public ::testing::WithParamInterface<int> {};

TEST_P(ResolucaoOraculoTest, MesmaRegraMesmoLugarMesmoTextoQueOPercursoLiteral) {
  std::mt19937 g(static_cast<unsigned>(GetParam()));
  // Odd seeds load twice, the second time fewer rules: the index keeps positions the
  // rule array no longer has.
  if (GetParam() % 2) {
    GravaRegras(RegrasAleatorias(g, 40));
    ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  }
  GravaRegras(RegrasAleatorias(g, std::uniform_int_distribution<int>(1, 25)(g)));
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);

  static const char* codigos[] = {"", "1", "2", "12", "3", "a"};
  static const char naturezas[] = {'+', '-', '+', '-', '?'};
  static const uint32_t contas[] = {0, 111, 112, 113};
  int achadas = 0;
  for (int i = 0; i < 300; ++i) {
    const std::string historico = Texto(g, 6);
    const CZQDadosCL_Extrato linha = Linha(historico.c_str(), codigos[std::uniform_int_distribution<int>(0, 5)(g)],
                                           naturezas[std::uniform_int_distribution<int>(0, 4)(g)]);
    const uint32_t conta = contas[std::uniform_int_distribution<int>(0, 3)(g)];
    for (ZQVarianteResolucao v : {ZQ_RESOLUCAO_LANCAMENTO, ZQ_RESOLUCAO_TESTE}) {
      const zq_lanca::ResolucaoLiteral esperado = zq_lanca::ResolveLiteral(m_rotina, conta, linha, v);
      ZQResolucaoPropriedade obtido;
      ASSERT_EQ(m_rotina.ResolvePropriedade(conta, linha, v, &obtido), esperado.posicao)
          << "linha \"" << historico << "\" código " << linha.GetCodigoMvtoBco().c_str() << " conta " << conta
          << " variante " << v;
      EXPECT_EQ(obtido.iPasso, esperado.passo);
      EXPECT_EQ(obtido.sTextoBusca.str(), esperado.texto);
      if (esperado.posicao != -1) {
        ++achadas;
        // The key told is the one that gave the rule.
        auto it = m_rotina.Indice().find(obtido.sChave);
        ASSERT_NE(it, m_rotina.Indice().end()) << obtido.sChave.c_str();
        EXPECT_EQ(it->second, esperado.posicao);
      }
    }
  }
  EXPECT_GT(achadas, 0);
}

INSTANTIATE_TEST_SUITE_P(Sementes, ResolucaoOraculoTest, ::testing::Range(1, 25));

}  // namespace
