// Several hosts on one company at the same moment: clhost processes started together
// over one store, each running the import and the reconciliation service once. Whatever
// order they meet in, the store ends as one run would leave it: every statement line
// once, every line and entry reconciled once, every reconciliation number of an account
// used once, and every due account's execution records whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/clhost_processo.h"

namespace {

namespace fs = std::filesystem;

class ClhostConcorrenciaTest : public cl_teste_host::ClhostEmpresaTest {
 protected:
  // Open lines of the head office's accounts in the week before the run, half of them
  // with a treasury entry of the same amount the server's pairing will find.
  void LinhasAbertas(int porConta) {
    CZQAcessoServidoresSQL hub(m_banco);
    for (uint32_t conta : {111u, 113u}) {
      CZQVector<CZQDadosCL_Extrato> linhas;
      for (int i = 0; i < porConta; ++i) {
        // Within the reconciliation's week before 04/12.
        const REG_ZQDMA dia = CZQDma(27, 11, 2026).GetDma() + static_cast<REG_ZQDMA>(i % 7);
        const long long valor = 100000 + conta * 1000 + i;
        CZQDadosCL_Extrato e;
        e.SetConta(conta)
            .SetFilial(1)
            .SetDmaExtrato(dia)
            .SetDmaImportacao(dia)
            .SetValor(valor)
            .SetNatureza('+')
            .SetHistBco("DEPOSITO")
            .SetDocumento(i + 1)
            .SetConciliado(ZQ_CONCILIADO_NAO);
        linhas.Add(e);
        if (i % 2 == 0) Entrada(conta, dia, valor);
      }
      ASSERT_EQ(hub.Conciliacao().GravaExtratos(linhas), S_OK);
    }
  }

  // Starts the hosts together and waits for every one; each must end with work done or
  // nothing due (another host did it first).
  void ExecutaJuntos(int hosts) {
    std::vector<pid_t> pids;
    for (int i = 0; i < hosts; ++i) {
      pids.push_back(cl_teste_host::IniciaClhost(m_dir,
                                                 {"--once", "--empresa", "EXEMPLO", "--agora", "04/12/2026 09:00:00"},
                                                 m_dir / ("host" + std::to_string(i) + ".log")));
    }
    for (int i = 0; i < hosts; ++i) {
      const int status = cl_teste_host::EsperaClhost(pids[static_cast<std::size_t>(i)]);
      EXPECT_TRUE(status == 0 || status == 3) << "host " << i << " saiu com " << status << "\n"
                                              << zq_teste::LeArquivo(m_dir / ("host" + std::to_string(i) + ".log"));
    }
  }

  void VerificaStore(int linhasSemeadas) {
    // Every statement line once: the statement files' lines were imported by one host
    // and found repeated by the others.
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM (SELECT conta, dma_extrato, valor, natureza, hist_bco, documento,"
                      " codigo_mvto_bco FROM extrato GROUP BY conta, dma_extrato, valor, natureza, hist_bco,"
                      " documento, codigo_mvto_bco HAVING COUNT(*) > 1) repetidas"),
              0);
    EXPECT_GT(Escalar("SELECT COUNT(*) FROM extrato"), 2LL * linhasSemeadas) << "the import stored nothing";
    // Every line and entry reconciled once: one log key per line and per entry side.
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM (SELECT lado, posicao FROM log_conciliacao_chave"
                      " GROUP BY lado, posicao HAVING COUNT(*) > 1) repetidas"),
              0);
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM (SELECT origem, chave_tabela FROM integracao_origem"
                      " GROUP BY origem, chave_tabela HAVING COUNT(*) > 1) repetidas"),
              0);
    // A reconciliation number of an account is one log and marks lines of one pairing.
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM (SELECT banco, numero_conciliacao FROM log_conciliacao"
                      " GROUP BY banco, numero_conciliacao HAVING COUNT(*) > 1) repetidos"),
              0);
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato e WHERE e.conciliado = 'S' AND NOT EXISTS (SELECT 1 FROM"
                      " log_conciliacao l WHERE l.banco = e.conta AND l.numero_conciliacao = e.numero_conciliacao)"),
              0);
    // The seeded pairs were all reconciled, by one host each.
    for (uint32_t conta : {111u, 113u}) {
      const std::string c = std::to_string(conta);
      EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conta = " + c +
                        " AND hist_bco = 'DEPOSITO' AND conciliado = 'S'"),
                (linhasSemeadas + 1) / 2)
          << conta;
      EXPECT_EQ(Escalar("SELECT COUNT(*) FROM tesouraria WHERE conta_ent = " + c + " AND conciliado_ent <> 'S'"), 0)
          << conta;
    }
    // The execution records: the import's entries of every configured account and one
    // reconciliation record per due account, with unique keys.
    for (uint32_t conta : {111u, 113u}) {
      EXPECT_GE(Escalar("SELECT COUNT(*) FROM execucao_importacao_conta WHERE tipo_status = 1 AND conta = " +
                        std::to_string(conta)),
                1)
          << conta;
    }
    for (uint32_t conta : {111u, 112u, 113u}) {
      EXPECT_GE(Escalar("SELECT COUNT(*) FROM execucao_conciliacao WHERE tipo_status = 1 AND banco = " +
                        std::to_string(conta)),
                1)
          << conta;
    }
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_importacao i WHERE NOT EXISTS (SELECT 1 FROM"
                      " execucao_importacao_conta c WHERE c.execucao = i.id)"),
              0)
        << "an import record lost its entries";
  }
};

TEST_F(ClhostConcorrenciaTest, HostsRunningTogetherStoreAndReconcileEachLineOnce) {
  // SQLite keeps one writer at a time by itself: two hosts; PostgreSQL takes four.
  const int hosts = zq_teste::TestaPostgres() ? 4 : 2;
  constexpr int kLinhas = 200;
  LinhasAbertas(kLinhas);
  ExecutaJuntos(hosts);
  VerificaStore(kLinhas);
}

}  // namespace
