// The scheduled import service over the sample company's store, in test mode.
#include <tuple>

#include "importservice/servico_teste_util.h"
#include "store/zq_falhas_injetadas.h"

namespace cl_servico_teste {
namespace {

using Devida = std::pair<uint32_t, std::vector<uint32_t>>;
using Devidas = std::vector<Devida>;

constexpr REG_ZQHMS k0730 = 7 * 3600 + 30 * 60;
constexpr char kArquivo[] = "cl_servico_importacao_extratos.cc";

struct CasoDevida {
  const char* nome;
  int dia, mes, hora, minuto, segundo;
  uint32_t filial;  // 1: accounts 111 and 113; 2: account 114
  uint8_t frequencia;
  REG_ZQHMS execucao;
  bool apenasDiasUteis;
  bool execucaoAnterior;  // the rule's accounts already imported today
  bool devida;
};

class DevidaTest : public ServicoImportacaoTest, public ::testing::WithParamInterface<CasoDevida> {};

// Due by the rule's time, its business-days flag against weekends and the branch's
// holidays, its frequency, and what was imported today.
TEST_P(DevidaTest, RuleIsDueByTimeCalendarFrequencyAndTodaysRecords) {
  const CasoDevida& c = GetParam();
  // A yearly holiday of the head office, stored with a date of long ago.
  Sql("INSERT INTO feriado_filial (filial, data, anual, descricao) VALUES (1, " + std::to_string(Dia(15, 12, 2001)) +
      ", 1, 'Feriado municipal')");
  const std::vector<uint32_t> contas = c.filial == 1 ? std::vector<uint32_t>{111, 113} : std::vector<uint32_t>{114};
  Configura({Regra(c.filial, c.frequencia, c.execucao, c.apenasDiasUteis, contas)});
  if (c.execucaoAnterior) {
    std::vector<std::tuple<uint32_t, uint32_t, uint8_t>> feitas;
    for (uint32_t conta : contas) feitas.emplace_back(c.filial, conta, ZQ_STATUS_EXECUCAO_SUCESSO);
    GravaExecucao(feitas);
  }
  Relogio(c.dia, c.mes, 2026, c.hora, c.minuto, c.segundo);
  EXPECT_EQ(RegrasDevidas(), (c.devida ? Devidas{{c.filial, contas}} : Devidas{}));
}

constexpr uint8_t kDiaria = ZQ_FREQUENCIA_DIARIA;
constexpr uint8_t kCiclo = ZQ_FREQUENCIA_CADA_CICLO;

INSTANTIATE_TEST_SUITE_P(
    Casos, DevidaTest,
    ::testing::Values(CasoDevida{"Midnight", 4, 12, 0, 0, 0, 1, kDiaria, k0730, false, false, false},
                      CasoDevida{"OneSecondBefore", 4, 12, 7, 29, 59, 1, kDiaria, k0730, false, false, false},
                      CasoDevida{"AtTheTime", 4, 12, 7, 30, 0, 1, kDiaria, k0730, false, false, true},
                      CasoDevida{"OneSecondAfter", 4, 12, 7, 30, 1, 1, kDiaria, k0730, false, false, true},
                      CasoDevida{"LastSecondOfTheDay", 4, 12, 23, 59, 59, 1, kDiaria, k0730, false, false, true},
                      CasoDevida{"Friday", 4, 12, 12, 0, 0, 1, kCiclo, 0, true, false, true},
                      CasoDevida{"Saturday", 5, 12, 12, 0, 0, 1, kCiclo, 0, true, false, false},
                      CasoDevida{"Sunday", 6, 12, 12, 0, 0, 2, kCiclo, 0, true, false, false},
                      CasoDevida{"SaturdayAnyDay", 5, 12, 12, 0, 0, 1, kCiclo, 0, false, false, true},
                      CasoDevida{"HolidayOfBoth", 20, 11, 12, 0, 0, 1, kCiclo, 0, true, false, false},
                      CasoDevida{"HolidayOfBranch2", 8, 12, 12, 0, 0, 2, kCiclo, 0, true, false, false},
                      CasoDevida{"NotAHolidayOfBranch1", 8, 12, 12, 0, 0, 1, kCiclo, 0, true, false, true},
                      CasoDevida{"YearlyHolidayOfBranch1", 15, 12, 12, 0, 0, 1, kCiclo, 0, true, false, false},
                      CasoDevida{"YearlyHolidayNotBranch2s", 15, 12, 12, 0, 0, 2, kCiclo, 0, true, false, true},
                      CasoDevida{"HolidayOnAnyDayRule", 20, 11, 12, 0, 0, 1, kCiclo, 0, false, false, true},
                      CasoDevida{"None", 4, 12, 9, 0, 0, 1, 0, 0, false, false, false},
                      CasoDevida{"Unknown", 4, 12, 9, 0, 0, 1, 3, 0, false, false, false},
                      CasoDevida{"Daily", 4, 12, 9, 0, 0, 1, kDiaria, 0, false, false, true},
                      CasoDevida{"DailyDone", 4, 12, 9, 0, 0, 1, kDiaria, 0, false, true, false},
                      CasoDevida{"EveryPoll", 4, 12, 9, 0, 0, 1, kCiclo, 0, false, false, true},
                      CasoDevida{"EveryPollAfterARun", 4, 12, 9, 0, 0, 1, kCiclo, 0, false, true, true}),
    [](const auto& info) { return std::string(info.param.nome); });

using Entradas = std::vector<std::tuple<uint32_t, uint32_t, uint8_t>>;  // branch, account, status

struct CasoPendentes {
  const char* nome;
  std::vector<Entradas> execucoes;
  std::vector<uint32_t> pendentes;
};

class ContasPendentesTest : public ::testing::TestWithParam<CasoPendentes> {};

TEST_P(ContasPendentesTest, TodaysEntriesOfTheRulesBranchDecide) {
  const CasoPendentes& c = GetParam();
  CCLServicoImportacaoExtratos::Regra regra;
  regra.SetPonteiroFilial(1).AdicionaPonteiroContaBanco(111).AdicionaPonteiroContaBanco(112).AdicionaPonteiroContaBanco(
      113);
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> execucoes;
  for (const Entradas& entradas : c.execucoes) {
    CZQDadosCL_ExecucaoServicoImportacaoExtratos execucao;
    for (const auto& [filial, conta, status] : entradas) {
      CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra e;
      e.SetPonteiroFilial(filial).SetPonteiroContaBanco(conta).SetTipoStatus(status);
      execucao.AdicionaRegra(e);
    }
    execucoes.Add(execucao);
  }
  EXPECT_EQ(CCLServicoImportacaoExtratos::BuscaContasPendentes(regra, execucoes).Std(), c.pendentes);
  // The rule itself is left as it was.
  EXPECT_EQ(regra.GetQuantidadePonteirosContaBanco(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Execucoes, ContasPendentesTest,
    ::testing::Values(
        CasoPendentes{"NoRecords", {}, {111, 112, 113}}, CasoPendentes{"ImportedIsDone", {{{1, 111, 1}}}, {112, 113}},
        CasoPendentes{"RefusedIsDone", {{{1, 113, 3}}}, {111, 112}},
        CasoPendentes{"OneRetryableFailureIsRetried", {{{1, 112, 2}}}, {111, 112, 113}},
        CasoPendentes{"SecondRetryableFailureIsDone", {{{1, 112, 2}}, {{1, 112, 2}}}, {111, 113}},
        CasoPendentes{"TwoFailuresInOneRecord", {{{1, 112, 2}, {1, 112, 2}}}, {111, 113}},
        CasoPendentes{"RetryThenImported", {{{1, 111, 2}}, {{1, 111, 1}}}, {112, 113}},
        CasoPendentes{"FailuresOfDifferentAccountsCountApart", {{{1, 111, 2}}, {{1, 112, 2}}}, {111, 112, 113}},
        CasoPendentes{"OtherBranchIgnored", {{{2, 111, 1}, {2, 112, 3}, {2, 113, 2}}, {{2, 113, 2}}}, {111, 112, 113}},
        CasoPendentes{"UnknownAccountIgnored", {{{1, 999, 1}}}, {111, 112, 113}},
        CasoPendentes{"AllDone", {{{1, 111, 1}, {1, 112, 3}}, {{1, 113, 1}}}, {}}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ServicoImportacaoTest, RunImportsEveryDueAccountAndRecordsIt) {
  // The sample configuration on a Friday after 07:30: the head office's daily rule
  // (111, 113) and Campinas' every-poll rule (114).
  ASSERT_EQ(m_servico->OnRun(), S_OK);
  EXPECT_EQ(m_servico->GetContasProcessadas(), 3);
  // 113's two balance lines are left out.
  for (auto [conta, linhas] : {std::pair{111u, 8}, {113u, 7}, {114u, 7}, {112u, 0}})
    EXPECT_EQ(LinhasExtrato(conta), linhas);

  auto execucoes = Execucoes();
  ASSERT_EQ(execucoes.size(), 1u);
  EXPECT_EQ(execucoes[0].GetDmaHmsExecucao(), zq::Agora());
  // Branch, account and the lines stored and refused (the balance lines are neither).
  const std::vector<std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>> esperadas{
      {1, 111, 8, 0}, {1, 113, 7, 0}, {2, 114, 7, 0}};
  ASSERT_EQ(execucoes[0].GetQuantidadeRegras(), 3);
  for (std::size_t i = 0; i < esperadas.size(); ++i) {
    const auto& e = execucoes[0].GetListaRegras()[i];
    EXPECT_EQ(std::make_tuple(e.GetPonteiroFilial(), e.GetPonteiroContaBanco(), e.GetQuantidadeGravadas(),
                              e.GetQuantidadeRecusadas()),
              esperadas[i]);
    EXPECT_EQ(e.GetTipoStatus(), ZQ_STATUS_EXECUCAO_SUCESSO);
    EXPECT_EQ(e.GetMensagemStatus(), CZQString("O serviço foi executado com sucesso."));
  }
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM status_hiperautomacao WHERE tipo_evento = 10"), 3);
  EXPECT_EQ(Escalar("SELECT quantidade_extratos_pendentes FROM status_hiperautomacao WHERE conta = 111"), 8);
  ZQEsvaziaAnalytics();
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM evento_analytics WHERE evento = 34 AND empresa = 'EXEMPLO'"), 3);
  EXPECT_TRUE(m_host.entradas.empty());

  // The next poll of the day: the daily rule is done, the every-poll rule imports again
  // and its lines are refused as duplicates.
  m_relogio.Avanca(3600);
  ASSERT_EQ(m_servico->OnRun(), S_OK);
  EXPECT_EQ(m_servico->GetContasProcessadas(), 1);
  EXPECT_EQ(LinhasExtrato(114), 7);
  EXPECT_EQ(LinhasExtrato(111), 8);
  execucoes = Execucoes();
  ASSERT_EQ(execucoes.size(), 2u);
  ASSERT_EQ(execucoes[1].GetQuantidadeRegras(), 1);
  const auto& e = execucoes[1].GetListaRegras()[0];
  EXPECT_EQ(std::make_tuple(e.GetPonteiroContaBanco(), e.GetTipoStatus(), e.GetQuantidadeGravadas(),
                            e.GetQuantidadeRecusadas()),
            std::make_tuple(114u, ZQ_STATUS_EXECUCAO_SUCESSO, 0u, 7u));

  // The next day everything is due again.
  m_relogio.Define(CZQDma(7, 12, 2026), zq::MontaHms(8, 0, 0));
  ASSERT_EQ(m_servico->OnRun(), S_OK);
  EXPECT_EQ(m_servico->GetContasProcessadas(), 3);
}

struct CasoDias {
  int dia;
  long long linhas;  // of account 111 (the sample statement runs from 30/11 to 04/12)
};

class PeriodoTest : public ServicoImportacaoTest, public ::testing::WithParamInterface<CasoDias> {};

TEST_P(PeriodoTest, RequestCoversTheLastSevenDays) {
  Configura({Regra(1, ZQ_FREQUENCIA_CADA_CICLO, 0, false, {111})});
  Relogio(GetParam().dia, 12, 2026, 10, 0);
  ASSERT_EQ(m_servico->OnRun(), S_OK);
  EXPECT_EQ(LinhasExtrato(111), GetParam().linhas);
}

INSTANTIATE_TEST_SUITE_P(Dias, PeriodoTest,
                         ::testing::Values(CasoDias{4, 8}, CasoDias{7, 8}, CasoDias{8, 7}, CasoDias{10, 4},
                                           CasoDias{11, 2}, CasoDias{12, 0}));

struct CasoFalhaImportacao {
  const char* nome;
  HRESULT hr;
  uint8_t status;
  bool analytics;  // event 34 recorded for the failed account
};

class FalhaImportacaoTest : public ServicoImportacaoTest, public ::testing::WithParamInterface<CasoFalhaImportacao> {};

TEST_P(FalhaImportacaoTest, FailedAccountIsRetriedOnlyForATemporaryFailureAndOnlyOnce) {
  const CasoFalhaImportacao c = GetParam();
  Configura({Regra(1, ZQ_FREQUENCIA_DIARIA, k0730, false, {111, 113})});
  CZQFalhasInjetadas falhas;
  falhas.Falha("LeBufferBanco", 1, c.hr).Falha("LeBufferBanco", 3, c.hr);  // 111 on both polls
  CZQInjecaoFalhas injecao(falhas);

  ASSERT_EQ(m_servico->OnRun(), S_OK);
  auto execucoes = Execucoes();
  ASSERT_EQ(execucoes.size(), 1u);
  ASSERT_EQ(execucoes[0].GetQuantidadeRegras(), 2);
  const auto& falhou = execucoes[0].GetListaRegras()[0];
  EXPECT_EQ(falhou.GetPonteiroContaBanco(), 111u);
  EXPECT_EQ(falhou.GetTipoStatus(), c.status);
  EXPECT_NE(falhou.GetMensagemStatus().str().find("Falha injetada em LeBufferBanco"), std::string::npos)
      << falhou.GetMensagemStatus().c_str();
  EXPECT_EQ(execucoes[0].GetListaRegras()[1].GetTipoStatus(), ZQ_STATUS_EXECUCAO_SUCESSO);
  EXPECT_EQ(LinhasExtrato(111), 0);
  EXPECT_EQ(LinhasExtrato(113), 7);
  ZQEsvaziaAnalytics();
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM evento_analytics"), c.analytics ? 2 : 1);

  m_relogio.Avanca(3600);
  const bool repete = c.status == ZQ_STATUS_EXECUCAO_REPETIR;
  EXPECT_EQ(RegrasDevidas(), (repete ? Devidas{{1, {111}}} : Devidas{}));
  ASSERT_EQ(m_servico->OnRun(), S_OK);
  EXPECT_EQ(m_servico->GetContasProcessadas(), repete ? 1 : 0);
  execucoes = Execucoes();
  ASSERT_EQ(execucoes.size(), repete ? 2u : 1u);
  if (repete) {
    ASSERT_EQ(execucoes[1].GetQuantidadeRegras(), 1);
    EXPECT_EQ(execucoes[1].GetListaRegras()[0].GetTipoStatus(), ZQ_STATUS_EXECUCAO_REPETIR);
  }

  // After a second temporary failure the account waits for tomorrow.
  m_relogio.Avanca(3600);
  EXPECT_EQ(RegrasDevidas(), Devidas{});
  ASSERT_EQ(m_servico->OnRun(), S_OK);
  EXPECT_EQ(m_servico->GetContasProcessadas(), 0);
  EXPECT_EQ(Execucoes().size(), repete ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Falhas, FalhaImportacaoTest,
    ::testing::Values(CasoFalhaImportacao{"Temporary0D0A", ZQ_HR(0x81080D0A), ZQ_STATUS_EXECUCAO_REPETIR, false},
                      CasoFalhaImportacao{"Temporary0D13", ZQ_HR(0x81080D13), ZQ_STATUS_EXECUCAO_REPETIR, false},
                      CasoFalhaImportacao{"Neighbour0D12", ZQ_HR(0x81080D12), ZQ_STATUS_EXECUCAO_FALHA, true},
                      CasoFalhaImportacao{"Other", E_FAIL, ZQ_STATUS_EXECUCAO_FALHA, true}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ServicoImportacaoTest, AccountWithoutOnlineSourceIsRefusedBeforeAnyImport) {
  // 112 loses its online source: the validation refuses it (5888), so even 111, which
  // comes first and is fine, is not imported.
  Sql("UPDATE banco SET integrar_com_terceiro = 0 WHERE conta = 112");
  Configura({Regra(1, ZQ_FREQUENCIA_CADA_CICLO, 0, false, {111, 112})});
  EsperaExcecao([&] { m_servico->OnRun(); }, S_OK, ZQGetMensagem(5888, "CL"), kArquivo);
  EXPECT_TRUE(Execucoes().empty());
  EXPECT_EQ(LinhasExtrato(111), 0);
}

TEST_F(ServicoImportacaoTest, RefusedRequestEndsTheRunWithTheValidationMessage) {
  // A movement lock after the first day of the request: 5872.
  Sql("UPDATE mestre_cl SET data_bloqueio_movimentacao = " + std::to_string(Dia(1, 12, 2026)));
  ASSERT_FALSE(ZQGetMensagem(5872, "CL").empty());
  EsperaExcecao([&] { m_servico->OnRun(); }, S_OK, ZQGetMensagem(5872, "CL"), kArquivo);
  EXPECT_TRUE(Execucoes().empty());
  for (uint32_t conta : {111u, 113u, 114u}) EXPECT_EQ(LinhasExtrato(conta), 0) << conta;
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM status_hiperautomacao"), 0);
}

struct CasoFalhaServidor {
  const char* operacao;
  const char* mensagem;
  const char* funcao;
  const char* trace;
  bool importou;  // statement lines stored before the failure
};

class FalhaServidorTest : public ServicoImportacaoTest, public ::testing::WithParamInterface<CasoFalhaServidor> {};

TEST_P(FalhaServidorTest, FailedStepIsLoggedAndThrownWithItsMessageAndDescription) {
  const CasoFalhaServidor c = GetParam();
  const HRESULT hr = ZQ_HR(0x80004005);
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre(c.operacao, hr);
  CZQInjecaoFalhas injecao(falhas);
  EsperaExcecao([&] { m_servico->OnRun(); }, hr, c.mensagem, kArquivo);
  EXPECT_TRUE(TemTrace(std::string("CCLServicoImportacaoExtratos::") + c.funcao, c.trace)) << c.trace;
  EXPECT_EQ(Execucoes().size(), 0u);
  EXPECT_EQ(LinhasExtrato(111) > 0, c.importou);
}

INSTANTIATE_TEST_SUITE_P(
    Passos, FalhaServidorTest,
    ::testing::Values(
        CasoFalhaServidor{
            "LeConfiguracaoServicoImportacaoExtratos", "Falha ao ler a configuração do serviço.", "DeveExecutar",
            "hr = GetAcessoConciliacao()->LeConfiguracaoServicoImportacaoExtratos(dadosConfiguracao)", false},
        CasoFalhaServidor{"BuscaPonteirosExecucaoServicoImportacaoExtratos",
                          "Falha ao buscar os ponteiros da execução do serviço.", "DeveExecutar",
                          "hr = GetAcessoConciliacao()->BuscaPonteirosExecucaoServicoImportacaoExtratos("
                          "dadosFiltroExecucao, listaPonteirosExecucao)",
                          false},
        CasoFalhaServidor{"LePonteirosExecucaoServicoImportacaoExtratos",
                          "Falha ao ler os ponteiros da execução do serviço.", "DeveExecutar",
                          "hr = GetAcessoConciliacao()->LePonteirosExecucaoServicoImportacaoExtratos("
                          "listaPonteirosExecucao, listaExecucoes, 1)",
                          false},
        CasoFalhaServidor{"GravaExecucaoServicoImportacaoExtratos", "Falha ao gravar a execução do serviço.", "OnRun",
                          "hr_check = GetAcessoConciliacao()->GravaExecucaoServicoImportacaoExtratos(listaExecucao)",
                          true}),
    [](const auto& info) { return std::string(info.param.operacao); });

TEST_F(ServicoImportacaoTest, UnreadableHolidayTableStopsTheRunWithItsResult) {
  Configura({Regra(1, ZQ_FREQUENCIA_CADA_CICLO, 0, true, {111}), Regra(2, ZQ_FREQUENCIA_CADA_CICLO, 0, false, {114})});
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre("BuscaFeriadosFilial", E_FAIL);
  CZQInjecaoFalhas injecao(falhas);
  // The branch whose table cannot be read is not due; the result of the read ends the run.
  HRESULT hr = S_OK;
  EXPECT_EQ(RegrasDevidas(&hr), (Devidas{{2, {114}}}));
  EXPECT_EQ(hr, E_FAIL);
  EXPECT_EQ(m_servico->OnRun(), E_FAIL);
  EXPECT_TRUE(m_host.entradas.empty());
  EXPECT_TRUE(Execucoes().empty());
  EXPECT_EQ(LinhasExtrato(114), 0);
  EXPECT_TRUE(TemTrace("CCLServicoImportacaoExtratos::OnRun", "hr_check = DeveExecutar(bDeveExecutar)"));
  EXPECT_TRUE(
      TemTrace("CCLServicoImportacaoExtratos::DeveExecutar", "hr = feriado.LeTabelaFilial(regra.GetPonteiroFilial())"));
}

TEST_F(ServicoImportacaoTest, FailedHyperAutomationStepIsOnlyTraced) {
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre("GravaStatusHiperautomacaoFinanceira", E_FAIL);
  CZQInjecaoFalhas injecao(falhas);
  ASSERT_EQ(m_servico->OnRun(), S_OK);
  auto execucoes = Execucoes();
  ASSERT_EQ(execucoes.size(), 1u);
  for (const auto& e : execucoes[0].GetListaRegras()) EXPECT_EQ(e.GetTipoStatus(), ZQ_STATUS_EXECUCAO_SUCESSO);
  EXPECT_EQ(falhas.Chamadas("GravaStatusHiperautomacaoFinanceira"), 3);
  EXPECT_TRUE(m_host.entradas.empty());
  EXPECT_TRUE(TemTrace("CCLServicoImportacaoExtratos::OnRun", "hr_check = dadosErro.GetHR()"));
}

TEST_F(ServicoImportacaoTest, StopRequestOrEmptyConfigurationRunsNothing) {
  CZQFalhasInjetadas falhas;
  CZQInjecaoFalhas injecao(falhas);
  m_host.abortar = true;
  EXPECT_EQ(m_servico->OnRun(), S_OK);
  EXPECT_EQ(falhas.Chamadas("LeConfiguracaoServicoImportacaoExtratos"), 0);

  m_host.abortar = false;
  Configura({});
  EXPECT_EQ(m_servico->OnRun(), S_OK);
  EXPECT_EQ(m_servico->GetContasProcessadas(), 0);
  EXPECT_EQ(falhas.Chamadas("BuscaPonteirosExecucaoServicoImportacaoExtratos"), 0);
  EXPECT_TRUE(Execucoes().empty());
}

}  // namespace
}  // namespace cl_servico_teste
