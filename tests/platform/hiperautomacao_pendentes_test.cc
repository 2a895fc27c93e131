#include <gtest/gtest.h>

#include "platform/access/zq_acesso_servidores.h"
#include "platform/components/zq_hiperautomacao_financeira.h"
#include "support/armazem.h"

namespace {

class HiperautomacaoTest : public zq_teste::ArmazemTest {
 protected:
  void SetUp() override {
    ArmazemTest::SetUp();
    m_anterior = ZQDefineFabricaAcessoServidores([banco = m_banco](const IZQDF_Profiler&) {
      return std::unique_ptr<CZQAcessoServidores>(new CZQAcessoServidoresSQL(banco));
    });
  }
  void TearDown() override { ZQDefineFabricaAcessoServidores(std::move(m_anterior)); }
  ZQFabricaAcessoServidores m_anterior;
};

// Only the account's lines still open count as pending.
TEST_F(HiperautomacaoTest, PendingAreTheAccountsOpenLinesOnly) {
  const REG_ZQDMA dia = zq_teste::Dia(1, 12, 2026);
  const struct {
    uint32_t conta;
    tagCY valor;
    char natureza, conciliado;
  } linhas[] = {{111, 1000000, '+', 'N'}, {111, 250000, '-', 'N'}, {111, 990000, '+', 'S'}, {113, 5, '+', 'N'}};
  for (const auto& l : linhas) {
    CZQDadosCL_Extrato e = zq_teste::Linha(l.conta, 1, dia, l.valor, l.natureza, "X");
    e.SetConciliado(l.conciliado);
    ASSERT_EQ(Conc().GravaExtrato(e), S_OK);
  }
  CZQProfilerEmpresa pessoa("EXEMPLO", 1, 2);
  CFNTrataDadosHiperautomacaoFinanceira hiper;
  ASSERT_EQ(hiper.Inicializa(&pessoa), S_OK);
  CZQDadosFN_StatusHiperautomacaoFinanceira status;
  ASSERT_FALSE(hiper.CarregaInformacoesHiperautomacaoFinanceira(111, status).TemErro());
  EXPECT_EQ(status.GetQuantidadeExtratosPendentes(), 2);
  EXPECT_EQ(status.GetSaldoExtrato(), 750000);
}

}  // namespace
