// cl executions: what the import service stored for a day.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_teste_util.h"
#include "cli/zq_cli.h"
#include "frame/zq_data.h"
#include "store/store_teste_util.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_banco_sql.h"

namespace {

using cl_teste_cli::Executa;
using cl_teste_cli::Resultado;

class ClExecucoesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Executa({"--db", Db(), "init"}).codigo, 0);
    ASSERT_EQ(Executa({"--db", Db(), "load-company", std::string(CL_TEST_SOURCE_DIR) + "/data/sample-company.json"})
                  .codigo,
              0);
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    ASSERT_EQ(CZQBancoSQL::Abre(Db(), banco, erro), S_OK);
    CZQAcessoServidoresSQL hub(banco);
    // Two lines of 113 in the run's period, one before it.
    for (int dia : {1, 3, 20}) {
      CZQDadosCL_Extrato e;
      e.SetConta(113).SetFilial(1).SetDmaExtrato(CZQDma(dia, dia == 20 ? 11 : 12, 2026).GetDma()).SetValor(100)
          .SetNatureza('+').SetConciliado('N');
      ASSERT_EQ(hub.GetAcessoConciliacao()->GravaExtrato(e), S_OK);
    }
    // Two runs on 04/12, one on 03/12.
    auto execucao = [&](int dia, int hora, std::vector<std::tuple<uint32_t, uint32_t, uint8_t, const char*>> contas) {
      CZQDadosCL_ExecucaoServicoImportacaoExtratos x;
      x.SetDmaHmsExecucao(zq::MontaDmaHms(CZQDma(dia, 12, 2026).GetDma(), hora * 3600));
      for (const auto& [filial, conta, status, mensagem] : contas) {
        CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra e;
        e.SetPonteiroFilial(filial).SetPonteiroContaBanco(conta).SetTipoStatus(status).SetMensagemStatus(mensagem);
        x.AdicionaRegra(e);
      }
      CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> lista;
      lista.Add(x);
      ASSERT_EQ(hub.GetAcessoConciliacao()->GravaExecucaoServicoImportacaoExtratos(lista), S_OK);
    };
    execucao(3, 8, {{1, 111, 1, "ontem"}});
    execucao(4, 8, {{1, 113, 1, "O serviço foi executado com sucesso."}, {2, 114, 2, "Sem conexão\ncom o banco"}});
    execucao(4, 9, {{2, 114, 3, "Recusado"}});
  }

  std::string Db() const { return "sqlite:" + m_pasta.Arquivo("cl.db"); }
  zq_teste::PastaTemporaria m_pasta;
};

TEST_F(ClExecucoesTest, ShowsEveryRunOfTheDayWithEachAccount) {
  Resultado r = Executa({"--db", Db(), "executions", "--date", "04/12/2026"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(r.saida,
            "Execuções do serviço de importação em 04/12/2026: 2\n"
            "Execução das 08:00:00, 2 contas\n"
            "  filial 1  conta 113  importada  (2 linhas no período)  O serviço foi executado com sucesso.\n"
            "  filial 2  conta 114  falhou (nova tentativa hoje)  (0 linhas no período)  Sem conexão com o banco\n"
            "Execução das 09:00:00, 1 conta\n"
            "  filial 2  conta 114  falhou  (0 linhas no período)  Recusado\n");
}

struct CasoArgumentos {
  std::vector<std::string> argumentos;
  bool bancoInexistente;
  int codigo;
  const char* saidaOuErro;
};

class ClExecucoesArgumentosTest : public ClExecucoesTest, public ::testing::WithParamInterface<CasoArgumentos> {};

TEST_P(ClExecucoesArgumentosTest, DayWithoutRunsAndBadInput) {
  const std::string db = GetParam().bancoInexistente ? "sqlite:" + m_pasta.Arquivo("nao-existe.db") : Db();
  std::vector<std::string> argumentos{"--db", db, "executions"};
  for (const auto& a : GetParam().argumentos) argumentos.push_back(a);
  Resultado r = Executa(argumentos);
  EXPECT_EQ(r.codigo, GetParam().codigo) << r.saida << r.erros;
  EXPECT_NE((r.saida + r.erros).find(GetParam().saidaOuErro), std::string::npos) << r.saida << r.erros;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ClExecucoesArgumentosTest,
    ::testing::Values(CasoArgumentos{{"--date", "05/12/2026"}, false, 0, "em 05/12/2026: 0\n"},
                      CasoArgumentos{{"--date", "31/02/2026"}, false, 2, "data inválida"},
                      CasoArgumentos{{"--date", "2026-12-04"}, false, 2, "data inválida"},
                      CasoArgumentos{{}, false, 106, "--date"},
                      CasoArgumentos{{"--date", "04/12/2026"}, true, 1, "não existe"}));

}  // namespace
