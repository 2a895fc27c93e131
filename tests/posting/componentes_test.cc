#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/components/zq_conexao_plano.h"
#include "platform/components/zq_transacao.h"
#include "posting/lanca_auto_teste_util.h"
#include "support/interacao.h"

namespace {

using zq_lanca::LancaAutoTest;

using zq_teste::InteracaoGravada;

struct CasoConta {
  const char* nome;
  uint32_t posicao;
  const char* esperado;  // null: the account is not in the chart
  uint8_t tipo;
  uint8_t inativa;
  uint8_t inutilizavel;
};

class PlanoContasTest : public LancaAutoTest, public ::testing::WithParamInterface<CasoConta> {
 protected:
  void SetUp() override {
    LancaAutoTest::SetUp();
    GravaRegras({}, nlohmann::json::array({{{"ponteiro", 150},
                                            {"codigo_proprio", "4.1"},
                                            {"codigo_usado", "41"},
                                            {"nome", "Despesas financeiras"},
                                            {"tipo", "S"}}}));
  }
};

TEST_P(PlanoContasTest, LeAContaComNomeNoLugarCertoEMarcaAsQueNaoRecebemLancamento) {
  const CasoConta& caso = GetParam();
  CConexaoPlanoContabil plano;
  ASSERT_EQ(plano.Inicializa("EXEMPLO", 7, 4242, '0', '0'), S_OK);
  plano.SetTrataErros(false);

  _RegContaPS conta;
  std::memset(&conta, 0xAB, sizeof conta);
  const HRESULT hr = plano.Le(caso.posicao, &conta);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&conta);
  if (!caso.esperado) {
    EXPECT_EQ(hr, ZQ_E_SQL_NAO_ENCONTRADO);
    EXPECT_TRUE(plano.GetErro().TemErro());
    for (std::size_t i = 0; i < sizeof conta; ++i) ASSERT_EQ(bytes[i], 0) << i;  // cleared, not left as it was
    return;
  }
  ASSERT_EQ(hr, S_OK);
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 100), caso.esperado);
  EXPECT_EQ(bytes[249], caso.inutilizavel);
  EXPECT_EQ(conta.ucTipo, caso.tipo);
  EXPECT_EQ(conta.ucInativa, caso.inativa);
  EXPECT_EQ(conta.lPosicao, caso.posicao);
}

INSTANTIATE_TEST_SUITE_P(Contas, PlanoContasTest,
                         ::testing::Values(CasoConta{"analitica_ativa", 501, "Tarifas bancárias", 'A', 0, 0},
                                           CasoConta{"inativa", 901, "Conta desativada", 'A', 1, 1},
                                           CasoConta{"sintetica", 150, "Despesas financeiras", 'S', 0, 1},
                                           CasoConta{"fora_do_plano", 4242, nullptr, 0, 0, 0}),
                         [](const ::testing::TestParamInfo<CasoConta>& info) { return std::string(info.param.nome); });

TEST_F(LancaAutoTest, ConexaoMostraSeusErrosSoQuandoTrataErros) {
  GravaRegras({});
  InteracaoGravada interacao(ZQ_IDOK);
  CConexaoPlanoContabil plano;
  ASSERT_EQ(plano.Inicializa("EXEMPLO", 7, 4242, '0', '0'), S_OK);
  EXPECT_TRUE(plano.GetTrataErros());
  _RegContaPS conta;
  EXPECT_TRUE(FAILED(plano.Le(4242, &conta)));
  ASSERT_EQ(interacao.textos.size(), 1u);
  EXPECT_NE(interacao.textos[0].find("4242"), std::string::npos);

  plano.SetTrataErros(false);
  EXPECT_TRUE(FAILED(plano.Le(4242, &conta)));
  EXPECT_EQ(plano.Le(501, &conta), S_OK);
  EXPECT_EQ(interacao.textos.size(), 1u);
}

TEST_F(LancaAutoTest, ConexaoFechadaOuSemComponenteNaoLe) {
  GravaRegras({});
  InteracaoGravada interacao(ZQ_IDOK);
  CConexaoPlanoContabil fechada;
  fechada.SetTrataErros(false);
  _RegContaPS conta;
  EXPECT_EQ(fechada.Le(501, &conta), ZQ_E_PLANO_NAO_CONECTADO);
  EXPECT_EQ(fechada.Le(501, nullptr), E_POINTER);

  // A copy opens its own source and outlives the original.
  auto original = std::make_unique<CConexaoPlanoContabil>();
  ASSERT_EQ(original->Inicializa("EXEMPLO", 7, 4242, '0', '0'), S_OK);
  CConexaoPlanoContabil copia(*original);
  original.reset();
  EXPECT_EQ(copia.Le(501, &conta), S_OK);
  EXPECT_STREQ(conta.szNome.c_str(), "Tarifas bancárias");

  ZQRemoveComponentesERPSQL();
  CConexaoPlanoContabil semComponente;
  EXPECT_EQ(semComponente.Inicializa("EXEMPLO", 7, 4242, '0', '0'), ZQ_E_PLANO_NAO_CONECTADO);
  EXPECT_FALSE(semComponente.EstaConectado());
  EXPECT_TRUE(interacao.textos.empty());
}

TEST_F(LancaAutoTest, NomesDasTransacoesGravadosELidos) {
  CZQFonteTransacoesSQL fonte(m_banco);
  ASSERT_EQ(fonte.GravaTransacao(1, "Entrada bancária"), S_OK);
  ASSERT_EQ(fonte.GravaTransacao(2, "Saída"), S_OK);
  ASSERT_EQ(fonte.GravaTransacao(2, "Saída bancária"), S_OK);  // replaces
  EXPECT_EQ(fonte.GravaTransacao(0, "Nenhuma"), ZQ_E_SQL_INVALIDO);
  EXPECT_EQ(fonte.GravaTransacao(3, CZQString(std::string(62, 'x'))), ZQ_E_SQL_INVALIDO);
  EXPECT_EQ(fonte.GravaTransacao(3, CZQString(std::string(61, 'x'))), S_OK);

  CTransacao transacao(m_perfil);
  REG_TRANSACAO reg;
  std::memset(&reg, 0xAB, sizeof reg);
  ASSERT_EQ(transacao.GetTransacao(2, &reg), S_OK);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&reg);
  EXPECT_EQ(bytes[0] | (bytes[1] << 8), 2);
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 2), "Saída bancária");
  ASSERT_EQ(transacao.GetTransacao(3, &reg), S_OK);
  EXPECT_EQ(reg.szDescricao.Get().str(), std::string(61, 'x'));

  EXPECT_EQ(transacao.GetTransacao(9, &reg), ZQ_E_SQL_NAO_ENCONTRADO);
  EXPECT_TRUE(reg.szDescricao.Vazio());
  EXPECT_NE(std::string(transacao.GetErro().GetTextoMostraMensagem().c_str()).find("9"), std::string::npos);

  ZQRemoveComponentesERPSQL();
  CTransacao semComponente(m_perfil);
  EXPECT_EQ(semComponente.GetTransacao(2, &reg), ZQ_E_TRANSACOES_INDISPONIVEIS);
  EXPECT_EQ(semComponente.GetTransacao(2, nullptr), E_POINTER);
}

}  // namespace
