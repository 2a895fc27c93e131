#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "posting/lanca_auto_teste_util.h"
#include "store/zq_falhas_injetadas.h"

namespace {

using zq_lanca::Conciliacao;
using zq_lanca::Dia;
using zq_lanca::LancaAutoTest;
using zq_lanca::Linha;
using zq_lanca::Regra;

struct CasoTeste {
  const char* nome;
  std::vector<Regra> regras;
  std::vector<CZQDadosCL_Extrato> linhas;  // stored before the test
  bool esperado;
};

class TesteLancamentoTest : public LancaAutoTest, public ::testing::WithParamInterface<CasoTeste> {};

TEST_P(TesteLancamentoTest, RespondeSeAlgumaLinhaAbertaDaContaTemRegra) {
  const CasoTeste& caso = GetParam();
  GravaRegras(caso.regras);
  for (const auto& l : caso.linhas) GravaLinha(l);

  bool bTem = !caso.esperado;
  EXPECT_EQ(m_rotina.TesteLancamentoAutomatico(Conciliacao(111), bTem), S_OK);
  EXPECT_EQ(bTem, caso.esperado);
  EXPECT_TRUE(m_rotina.GetErro().EhErroNenhum());
  EXPECT_EQ(LinhasLog(), 0u) << LogErros();
}

CZQDadosCL_Extrato Reconciliada(CZQDadosCL_Extrato l) {
  l.SetConciliado(ZQ_CONCILIADO_SIM);
  return l;
}

const Regra kTarifa{.codigo = "105", .historico = "TARIFA", .conta = 111, .contabilSaida = 51};

INSTANTIATE_TEST_SUITE_P(
    Casos, TesteLancamentoTest,
    ::testing::Values(
        CasoTeste{"sem_linhas", {kTarifa}, {}, false},
        CasoTeste{"sem_regras", {}, {Linha("TARIFA", "105", '-')}, false},
        CasoTeste{"codigo_da_regra", {kTarifa}, {Linha("OUTRA COISA", "105", '-')}, true},
        CasoTeste{"codigo_falha_mas_historico_comeca_pelo_texto_da_regra",
                  {kTarifa},
                  {Linha("PIX", "1", '+'), Linha("Tarifa pacote servicos", "999", '-')},
                  true},
        CasoTeste{"regra_so_para_outra_conta",
                  {{.codigo = "105", .historico = "TARIFA", .conta = 113, .contabilSaida = 51}},
                  {Linha("TARIFA", "105", '-')},
                  false},
        CasoTeste{"linha_de_outra_conta_nao_conta",
                  {{.codigo = "105", .historico = "TARIFA", .conta = 0, .contabilSaida = 51}},
                  {Linha("TARIFA", "105", '-', 113)},
                  false},
        CasoTeste{"linha_ja_conciliada_nao_conta", {kTarifa}, {Reconciliada(Linha("TARIFA", "105", '-'))}, false},
        CasoTeste{"linha_fora_do_periodo_nao_conta",
                  {kTarifa},
                  {Linha("TARIFA", "105", '-', 111, 1000, Dia(1, 4, 2026))},
                  false},
        // The test has no direction step: a credit whose rule only posts debits still
        // counts, though the run will find no rule for it.
        CasoTeste{"credito_com_regra_so_de_debito", {kTarifa}, {Linha("TARIFA ESTORNO", "105", '+')}, true}),
    [](const ::testing::TestParamInfo<CasoTeste>& info) { return std::string(info.param.nome); });

TEST_F(LancaAutoTest, TesteComFalhaNaBuscaDaConciliacaoDevolveOErroDoServidor) {
  GravaRegras({kTarifa});
  GravaLinha(Linha("TARIFA", "105", '-'));
  const HRESULT falha = ZQ_HR(0x800700AA);
  CZQFalhasInjetadas falhas;
  falhas.Falha("BuscaConciliacao", 1, falha);
  CZQInjecaoFalhas injecao(falhas);
  ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);

  bool bTem = true;
  EXPECT_EQ(m_rotina.TesteLancamentoAutomatico(Conciliacao(), bTem), falha);
  EXPECT_FALSE(bTem);
  EXPECT_TRUE(
      Rastreou("GetAcessoConciliacao()->BuscaConciliacao(dadosConciliacaoAutomatica, dadosArrayConciliacao)", falha))
      << LogErros();
  // The rules were not read after the failure.
  EXPECT_EQ(falhas.Chamadas("GetICLMestre"), 0);
  EXPECT_EQ(m_rotina.GetErro().GetHR(), falha);
  EXPECT_NE(std::string(m_rotina.GetErro().GetTextoMostraMensagem().c_str()).find("BuscaConciliacao"),
            std::string::npos);

  // The next test, without the failure, answers.
  EXPECT_EQ(m_rotina.TesteLancamentoAutomatico(Conciliacao(), bTem), S_OK);
  EXPECT_TRUE(bTem);
  EXPECT_TRUE(m_rotina.GetErro().EhErroNenhum());
}

const _REG_PROP_CONC_TESBAN_PS& RegraPreVerificacao() {
  static const _REG_PROP_CONC_TESBAN_PS regra = [] {
    _REG_PROP_CONC_TESBAN_PS r{};
    r.iTransacao = 2;
    r.iPosFormaPagamento = 5;
    r.iPosFormaPagamentoSaida = 3;
    return r;
  }();
  return regra;
}

// The treasury entry identical to what a line of account 111, branch 1, 10/03/2026,
// amount 150000 would post by the rule above.
CZQDadosFN_Tesouraria Identica() {
  CZQDadosFN_Tesouraria t;
  t.SetPonteiroFilial(1)
      .SetPonteiroTipoDocumentoTransacao(2)
      .SetPonteiroContaEnt(111)
      .SetPonteiroContaSai(111)
      .SetValor(150000)
      .SetPonteiroTipoDocFormaPagamento(5)
      .SetDataLancamento(Dia(10, 3, 2026));
  return t;
}

struct CasoPreVerificacao {
  const char* nome;
  std::function<void(CZQDadosFN_Tesouraria&)> altera;
  char natureza;
  int esperado;
};

class PreVerificacaoTest : public LancaAutoTest, public ::testing::WithParamInterface<CasoPreVerificacao> {};

TEST_P(PreVerificacaoTest, SoUmLancamentoIgualEmTudoImpedeOLancamento) {
  const CasoPreVerificacao& caso = GetParam();
  CZQDadosFN_Tesouraria entrada = Identica();
  caso.altera(entrada);
  CZQVector<CZQDadosFN_Tesouraria> lista;
  CZQDadosFN_Tesouraria outra = Identica();
  outra.SetValor(999);
  lista.Add(outra);
  lista.Add(entrada);
  const CZQDadosCL_Extrato linha = Linha("TARIFA", "105", caso.natureza);
  EXPECT_EQ(m_rotina.VerificaPodeLancar(150000, 1, 111, linha, RegraPreVerificacao(), lista), caso.esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Campos, PreVerificacaoTest,
    ::testing::Values(
        CasoPreVerificacao{"identico", [](CZQDadosFN_Tesouraria&) {}, '+', 0},
        CasoPreVerificacao{"debito_compara_a_forma_de_pagamento_do_credito", [](CZQDadosFN_Tesouraria&) {}, '-', 0},
        CasoPreVerificacao{"debito_com_a_forma_do_debito_nao_e_identico",
                           [](CZQDadosFN_Tesouraria& t) { t.SetPonteiroTipoDocFormaPagamento(3); }, '-', 1},
        CasoPreVerificacao{"outra_filial", [](CZQDadosFN_Tesouraria& t) { t.SetPonteiroFilial(2); }, '+', 1},
        CasoPreVerificacao{"outra_transacao", [](CZQDadosFN_Tesouraria& t) { t.SetPonteiroTipoDocumentoTransacao(1); },
                           '+', 1},
        CasoPreVerificacao{"contas_diferentes_nunca_sao_identicas",
                           [](CZQDadosFN_Tesouraria& t) { t.SetPonteiroContaSai(501); }, '+', 1},
        CasoPreVerificacao{"outra_conta_de_entrada", [](CZQDadosFN_Tesouraria& t) { t.SetPonteiroContaEnt(501); }, '+',
                           1},
        CasoPreVerificacao{"um_centavo_a_mais", [](CZQDadosFN_Tesouraria& t) { t.SetValor(150100); }, '+', 1},
        CasoPreVerificacao{"um_centavo_a_menos", [](CZQDadosFN_Tesouraria& t) { t.SetValor(149900); }, '+', 1},
        CasoPreVerificacao{"outra_data", [](CZQDadosFN_Tesouraria& t) { t.SetDataLancamento(Dia(11, 3, 2026)); }, '+',
                           1},
        CasoPreVerificacao{"outra_forma_de_pagamento",
                           [](CZQDadosFN_Tesouraria& t) { t.SetPonteiroTipoDocFormaPagamento(4); }, '+', 1}),
    [](const ::testing::TestParamInfo<CasoPreVerificacao>& info) { return std::string(info.param.nome); });

// An empty list lets the entry through; the transaction and the payment form compare by
// their low byte only.
TEST_F(LancaAutoTest, PreVerificacaoSemListaEPeloByteBaixo) {
  EXPECT_EQ(m_rotina.VerificaPodeLancar(150000, 1, 111, Linha("X"), RegraPreVerificacao(), {}), 1);
  _REG_PROP_CONC_TESBAN_PS regra = RegraPreVerificacao();
  regra.iTransacao = 0x0102;          // written to an entry as 0x02
  regra.iPosFormaPagamento = 0x0305;  // as 0x05
  CZQVector<CZQDadosFN_Tesouraria> lista;
  lista.Add(Identica());
  EXPECT_EQ(m_rotina.VerificaPodeLancar(150000, 1, 111, Linha("X"), regra, lista), 0);
}

}  // namespace
