#include <gtest/gtest.h>

#include "posting/lanca_auto_teste_util.h"
#include "store/zq_falhas_injetadas.h"

namespace {

using zq_lanca::LancaAutoTest;

// A failed load of the rules leaves the server's code alone in the routine's error: no
// class, no further value.
TEST_F(LancaAutoTest, RuleLoadFailureKeepsOnlyTheServersCode) {
  GravaRegras({{.codigo = "105", .historico = "TARIFA", .conta = 111, .contabilSaida = 51}});
  const HRESULT falha = ZQ_HR(0x80070005);
  for (const char* operacao : {"BuscaQuantProTesBan", "BuscaRegistrosTesBan"}) {
    SCOPED_TRACE(operacao);
    CZQFalhasInjetadas falhas;
    falhas.Falha(operacao, 1, falha);
    CZQInjecaoFalhas injecao(falhas);
    ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);
    EXPECT_EQ(m_rotina.BuscaPropriedades(), falha);
    EXPECT_EQ(m_rotina.GetErro().GetHR(), falha);
    EXPECT_EQ(m_rotina.GetErro().GetClasse(), 0);
    EXPECT_EQ(m_rotina.GetErro().GetValor(), 0);
  }
}

// A refused line is a warning that reads as no failure: the caller goes on with the
// next line.
TEST_F(LancaAutoTest, RefusedLineIsAWarningThatIsNoFailure) {
  CZQVector<CZQDadosDF_Erro> erros;
  uint32_t numero = 7;
  EXPECT_EQ(m_rotina.LancaLinha(111, 0, 999999, _REG_PROP_CONC_TESBAN_PS{}, erros, numero), S_FALSE);
  EXPECT_EQ(numero, 0u);
  ASSERT_EQ(erros.GetQuantidade(), 1);
  EXPECT_TRUE(erros[0].EhAviso());
  EXPECT_EQ(erros[0].GetHR(), S_OK);
}

}  // namespace
