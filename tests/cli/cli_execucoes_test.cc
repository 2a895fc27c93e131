// cl executions: what the import service stored for a day.
#include <nlohmann/json.hpp>

#include "cli/cli_teste_util.h"
#include "frame/zq_relogio.h"

namespace {

using namespace cl_teste_cli;

class ClExecucoesTest : public ClEmpresaTest {
 protected:
  void SetUp() override {
    ClEmpresaTest::SetUp();
    // Two lines of 113 in the run's period, one before it.
    GravaLinhas({Linha(113, Dia(1, 12, 2026), 100, '+'), Linha(113, Dia(3, 12, 2026), 100, '+'),
                 Linha(113, Dia(20, 11, 2026), 100, '+')});
    // Two runs on 04/12, one on 03/12, each written 75 s after it started; an account's
    // stored lines are its number less 100, its refused ones its branch.
    using Conta = std::tuple<uint32_t, uint32_t, uint8_t, const char*>;
    auto execucao = [&](int dia, int hora, std::vector<Conta> contas) {
      CZQDadosCL_ExecucaoServicoImportacaoExtratos x;
      x.SetDmaHmsExecucao(zq::MontaDmaHms(Dia(dia, 12, 2026), hora * 3600));
      for (const auto& [filial, conta, status, mensagem] : contas) {
        CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra e;
        e.SetPonteiroFilial(filial).SetPonteiroContaBanco(conta).SetTipoStatus(status).SetMensagemStatus(mensagem);
        x.AdicionaRegra(e.SetQuantidadeGravadas(conta - 100).SetQuantidadeRecusadas(filial));
      }
      CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> lista;
      lista.Add(x);
      const CZQRelogioFixo relogio(zq::MontaDmaHms(Dia(dia, 12, 2026), hora * 3600 + 75));
      const CZQTrocaRelogio troca(relogio);
      NoArmazem([&](CZQAcessoConciliacao& c) { ASSERT_EQ(c.GravaExecucaoServicoImportacaoExtratos(lista), S_OK); });
    };
    execucao(3, 8, {{1, 111, 1, "ontem"}});
    execucao(4, 8, {{1, 113, 1, "O serviço foi executado com sucesso."}, {2, 114, 2, "Sem conexão\ncom o banco"}});
    execucao(4, 9, {{2, 114, 3, "Recusado"}});
  }
};

TEST_F(ClExecucoesTest, ShowsEveryRunOfTheDayWithEachAccount) {
  // A run recorded before the moments were kept shows no duration.
  Banco()->Sessao() << "UPDATE execucao_importacao_conta SET dma_hms_gravacao = 0 WHERE tipo_status = 3";
  Resultado r = Roda({"executions", "--date", "04/12/2026"});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(
      r.saida,
      "Execuções do serviço de importação em 04/12/2026: 2\n"
      "Execução das 08:00:00, 2 contas\n"
      "  filial 1  conta 113  importada  13 gravadas, 1 recusadas, 1 min 15 s  (2 linhas no período)  O serviço "
      "foi executado com sucesso.\n"
      "  filial 2  conta 114  falhou (nova tentativa hoje)  14 gravadas, 2 recusadas, 0 s  (0 linhas no período)  "
      "Sem conexão com o banco\n"
      "Execução das 09:00:00, 1 conta\n"
      "  filial 2  conta 114  falhou  14 gravadas, 2 recusadas, -  (0 linhas no período)  Recusado\n");
  const auto json = nlohmann::json::parse(Roda({"executions", "--date", "04/12/2026", "--json"}).saida);
  EXPECT_EQ(json["imports"][0]["accounts"][0]["stored_lines"], 13);
  EXPECT_EQ(json["imports"][0]["accounts"][0]["duration_seconds"], 75);
  EXPECT_TRUE(json["imports"][1]["accounts"][0]["duration_seconds"].is_null());
  r = Roda({"executions", "--date", "05/12/2026"});
  EXPECT_EQ(r.codigo, 0) << r.erros;
  EXPECT_EQ(r.saida, "Execuções do serviço de importação em 05/12/2026: 0\n");
}

}  // namespace
