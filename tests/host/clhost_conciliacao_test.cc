// clhost's import, then its reconciliation, over the sample company in test mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/clhost_processo.h"

namespace {

class ClhostConciliacaoTest : public cl_teste_host::ClhostEmpresaTest {
 protected:
  int Executa(std::vector<std::string> argumentos) {
    for (const char* a : {"--once", "--empresa", "EXEMPLO", "--agora", "04/12/2026 09:00:00"}) argumentos.push_back(a);
    return ClhostEmpresaTest::Executa(std::move(argumentos));
  }
};

TEST_F(ClhostConciliacaoTest, ReconciliationAfterTheImportPostsPairsAndRecordsEveryDueAccount) {
  ASSERT_EQ(Executa({"--servico", "importacao"}), 0) << TextoLog();
  // What the posting rules do not take: a transfer received and an investment yield.
  const long long ted = Escalar("SELECT valor FROM extrato WHERE conta = 111 AND hist_bco LIKE 'TED RECEBIDA%'");
  const long long rend = Escalar("SELECT valor FROM extrato WHERE conta = 111 AND hist_bco = 'REND APLIC'");
  ASSERT_GT(ted, 0);
  ASSERT_GT(rend, 10000);
  const REG_ZQDMA dia =
      static_cast<REG_ZQDMA>(Escalar("SELECT dma_extrato FROM extrato WHERE valor = " + std::to_string(ted)));
  Entrada(111, dia + 1, ted);
  Entrada(111, dia, rend - 10000);
  Entrada(111, dia, 10000);

  ASSERT_EQ(Executa({"--servico", "conciliacao"}), 0) << TextoLog();
  EXPECT_NE(TextoLog().find("conciliacao\tOnRun: 0, 3 conta(s)"), std::string::npos) << TextoLog();
  // The head office's rule is due at 09:00, Campinas' only at 10:00.
  for (uint32_t conta : {111u, 112u, 113u}) {
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_conciliacao WHERE tipo_status = 1 AND mensagem = '' AND banco = " +
                      std::to_string(conta)),
              1)
        << conta;
  }
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_conciliacao WHERE banco = 114"), 0);
  // Every line of the head office's accounts is reconciled: by posting or by pairing.
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conta IN (111, 113) AND conciliado <> 'S'"), 0);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conta = 111 AND tipo_conciliacao = 'A'"), 2);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM tesouraria WHERE conta_ent = 111 AND conciliado_ent = 'S' AND"
                    " numero_conciliacao_ent = (SELECT numero_conciliacao FROM extrato WHERE valor = " +
                    std::to_string(rend) + ")"),
            2);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conta = 114 AND conciliado = 'S'"), 0);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM evento_analytics WHERE evento = 32"), 3);

  // Again the same day: every account of the daily rules has its record.
  EXPECT_EQ(Executa({"--servico", "conciliacao"}), 3) << TextoLog();
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_conciliacao"), 3);
}

}  // namespace
