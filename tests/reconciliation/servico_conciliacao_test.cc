// The scheduled reconciliation service over the sample company's store.
#include <sstream>

#include "reconciliation/conciliacao_teste_util.h"
#include "store/zq_falhas_injetadas.h"

namespace cl_servico_teste {
namespace {

using Devidas = std::vector<std::pair<uint32_t, std::vector<uint32_t>>>;

constexpr REG_ZQHMS k0800 = 8 * 3600;

constexpr uint8_t kDiaria = ZQ_FREQUENCIA_DIARIA;
constexpr uint8_t kCiclo = ZQ_FREQUENCIA_CADA_CICLO;

struct CasoDevido {
  const char* nome;
  int dia, hora, minuto, segundo;  // of December 2026
  uint8_t frequencia;
  REG_ZQHMS execucao;
  bool apenasDiasUteis;
  const char* anteriores;         // today's records, as "branch account status" triples
  std::vector<uint32_t> devidas;  // accounts of the rule (branch 1: 111, 112, 113) still due
};

class DevidoTest : public ServicoConciliacaoTest, public ::testing::WithParamInterface<CasoDevido> {};

TEST_P(DevidoTest, RuleAndAccountsDueByCalendarTimeAndTodaysRecords) {
  const CasoDevido& c = GetParam();
  ConfiguraConc({Regra<RegraConc>(1, c.frequencia, c.execucao, c.apenasDiasUteis, {111, 112, 113})});
  std::istringstream anteriores(c.anteriores);
  for (uint32_t filial, conta, status; anteriores >> filial >> conta >> status;)
    GravaExecucaoConc(filial, conta, static_cast<uint8_t>(status));
  Relogio(c.dia, 12, 2026, c.hora, c.minuto, c.segundo);
  EXPECT_EQ(DevidasConc(), (c.devidas.empty() ? Devidas{} : Devidas{{1, c.devidas}}));
}

const std::vector<uint32_t> kTodas{111, 112, 113};

INSTANTIATE_TEST_SUITE_P(
    Casos, DevidoTest,
    ::testing::Values(CasoDevido{"BusinessDay", 4, 9, 0, 0, kDiaria, k0800, true, "", kTodas},
                      CasoDevido{"SaturdaySkipsBusinessDaysRule", 5, 9, 0, 0, kDiaria, k0800, true, "", {}},
                      CasoDevido{"SundaySkipsBusinessDaysRule", 6, 9, 0, 0, kCiclo, 0, true, "", {}},
                      CasoDevido{"HolidaySkipsBusinessDaysRule", 25, 9, 0, 0, kDiaria, k0800, true, "", {}},
                      CasoDevido{"OtherBranchHolidayDoesNot", 8, 9, 0, 0, kDiaria, k0800, true, "", kTodas},
                      CasoDevido{"SaturdayWithoutFlag", 5, 9, 0, 0, kDiaria, k0800, false, "", kTodas},
                      CasoDevido{"OneSecondBeforeTime", 4, 7, 59, 59, kDiaria, k0800, false, "", {}},
                      CasoDevido{"AtTime", 4, 8, 0, 0, kDiaria, k0800, false, "", kTodas},
                      CasoDevido{"TimeOutOfRangeSetsNoCondition", 4, 0, 0, 1, kDiaria, 90000, false, "", kTodas},
                      CasoDevido{
                          "AllDoneWithStatus1Or3", 4, 9, 0, 0, kDiaria, k0800, false, "1 111 1  1 112 3  1 113 1", {}},
                      CasoDevido{"Status2RunsAgainAlone", 4, 9, 0, 0, kDiaria, k0800, false, "1 111 1  1 112 2", {112}},
                      CasoDevido{"TwoRecordsOfStatus2Stop", 4, 9, 0, 0, kDiaria, k0800, false, "1 112 2  1 112 2", {}},
                      CasoDevido{"OtherBranchRecordsDoNotCount", 4, 9, 0, 0, kDiaria, k0800, false, "2 111 1", kTodas},
                      CasoDevido{"EveryCycleIgnoresRecordsAndTime", 4, 1, 0, 0, kCiclo, k0800, false,
                                 "1 111 1  1 112 1  1 113 3", kTodas},
                      CasoDevido{"UnknownFrequency", 4, 9, 0, 0, 3, k0800, false, "", {}}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ServicoConciliacaoTest, NoRulesReturnsZeroAndWritesNothing) {
  ConfiguraConc({});
  EXPECT_EQ(m_conc->OnRun(), S_OK);
  EXPECT_EQ(m_conc->GetContasProcessadas(), 0);
  EXPECT_TRUE(ExecucoesConc().empty());
  EXPECT_TRUE(m_host.entradas.empty());
}

struct CasoBloqueio {
  const char* nome;
  std::string bloqueio;  // the lock, as SQL
  bool linhaComRegra;    // the account has a line that a posting rule takes
  uint8_t status;
  const char* mensagem;
  bool processada;  // the posting run and the server pairing ran
};

const std::string kLancamentosAte = "UPDATE mestre_financeiro SET data_bloqueio_lancamento = ";
const std::string kMesesAte = "UPDATE periodo_contabil SET mes_bloqueio = ";

class BloqueioTest : public ServicoConciliacaoTest, public ::testing::WithParamInterface<CasoBloqueio> {};

TEST_P(BloqueioTest, BlockedAccountsGetStatus3WithoutPostingPairingOrUsageEvent) {
  const CasoBloqueio& c = GetParam();
  ConfiguraConc({Regra<RegraConc>(1, ZQ_FREQUENCIA_CADA_CICLO, 0, false, {111})});
  const REG_ZQDMA dia = Dia(1, 12, 2026);
  const uint32_t tarifa = c.linhaComRegra ? Linha(111, 1, dia, 1290, '-', "TARIFA", "105") : 0;
  const uint32_t semRegra = Linha(111, 1, dia, 5000, '+', "DEPOSITO DIVERSO", "999");
  const uint32_t entrada = Entrada(111, true, dia, 5000);
  if (!c.bloqueio.empty()) Sql(c.bloqueio);

  EXPECT_EQ(m_conc->OnRun(), S_OK);
  const auto execucoes = ExecucoesConc();
  ASSERT_EQ(execucoes.size(), 1u);
  EXPECT_EQ(execucoes[0].GetPonteiroBanco(), 111u);
  EXPECT_EQ(execucoes[0].GetPonteiroFilial(), 1u);
  EXPECT_EQ(execucoes[0].GetDataHoraExecucao(), zq::Agora());
  EXPECT_EQ(execucoes[0].GetTipoStatus(), c.status);
  EXPECT_EQ(execucoes[0].GetMensagemStatus(), CZQString(c.mensagem));
  EXPECT_EQ(Eventos32(), c.processada ? 1 : 0);
  // The pairing marked the line without rule and its entry with one number.
  const std::string marcada = "SELECT numero_conciliacao FROM extrato WHERE conciliado = 'S' AND posicao = ";
  EXPECT_EQ(Escalar(marcada + std::to_string(semRegra)) > 0, c.processada);
  if (c.processada) {
    EXPECT_EQ(Escalar("SELECT numero_conciliacao_ent FROM tesouraria WHERE posicao = " + std::to_string(entrada)),
              Escalar(marcada + std::to_string(semRegra)));
  }
  if (tarifa) {
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S' AND posicao = " + std::to_string(tarifa)),
              c.processada ? 1 : 0);
  }
  EXPECT_TRUE(m_host.entradas.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Casos, BloqueioTest,
    ::testing::Values(CasoBloqueio{"Free", "", true, 1, "", true},
                      CasoBloqueio{"PostingsBlocked", kLancamentosAte + std::to_string(Dia(27, 11, 2026)), true, 3,
                                   "Período bloqueado para lançamentos no Orbel Financeiro.", false},
                      CasoBloqueio{"PostingsBlockedUpToTheDayBeforeTheStart",
                                   kLancamentosAte + std::to_string(Dia(26, 11, 2026)), true, 1, "", true},
                      CasoBloqueio{"PostingsBlockedWithoutRuleLines",
                                   kLancamentosAte + std::to_string(Dia(27, 11, 2026)), false, 3,
                                   "Período bloqueado para lançamentos no Orbel Financeiro.", false},
                      CasoBloqueio{"IntegrationBlockedWithRuleLine",
                                   kMesesAte + std::to_string(CZQMa(11, 2026).GetMa()), true, 3,
                                   "Período bloqueado para integração.", false},
                      CasoBloqueio{"IntegrationBlockedWithoutRuleLine",
                                   kMesesAte + std::to_string(CZQMa(11, 2026).GetMa()), false, 1, "", true}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ServicoConciliacaoTest, PostingErrorsAreJoinedIntoTheMessageAndTheAccountIsStillPaired) {
  ConfiguraConc({Regra<RegraConc>(1, ZQ_FREQUENCIA_CADA_CICLO, 0, false, {111, 113})});
  Sql("UPDATE regra_lancamento SET forma_pagamento = 0 WHERE historico_bco = 'PIX RECEBIDO'");
  Linha(111, 1, Dia(30, 11, 2026), 700, '+', "PIX RECEBIDO");
  Linha(111, 1, Dia(1, 12, 2026), 800, '+', "PIX RECEBIDO");
  const uint32_t avulsa = Linha(111, 1, Dia(2, 12, 2026), 999, '-', "CHEQUE COMPENSADO");
  Entrada(111, false, Dia(2, 12, 2026), 999);

  EXPECT_EQ(m_conc->OnRun(), S_OK);
  EXPECT_EQ(m_conc->GetContasProcessadas(), 2);
  const auto execucoes = ExecucoesConc();
  ASSERT_EQ(execucoes.size(), 2u);
  EXPECT_EQ(execucoes[0].GetTipoStatus(), ZQ_STATUS_EXECUCAO_FALHA);
  const std::string mensagem = execucoes[0].GetMensagemStatus().str();
  ASSERT_FALSE(mensagem.empty());
  EXPECT_EQ(mensagem.back(), '\n');
  // Each line refused by its rule gives one error; the texts follow each other, each closed by a line break.
  const std::size_t quebra = mensagem.find('\n');
  ASSERT_NE(quebra, std::string::npos);
  const std::string texto = mensagem.substr(0, quebra);
  EXPECT_FALSE(texto.empty());
  EXPECT_EQ(mensagem, texto + "\n" + texto + "\n");
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S' AND posicao = " + std::to_string(avulsa)), 1);
  EXPECT_EQ(execucoes[1].GetPonteiroBanco(), 113u);
  EXPECT_EQ(execucoes[1].GetTipoStatus(), ZQ_STATUS_EXECUCAO_SUCESSO);
  EXPECT_EQ(Eventos32(), 2);
}

struct CasoFalha {
  const char* operacao;
  long chamada;
  const char* mensagem;
  const char* funcao;
  const char* trace;
  std::size_t registros;  // execution records written before the failure
};

class FalhaTest : public ServicoConciliacaoTest, public ::testing::WithParamInterface<CasoFalha> {};

TEST_P(FalhaTest, FailedStepIsLoggedAndThrownKeepingRecordsWritten) {
  const CasoFalha& c = GetParam();
  ConfiguraConc({Regra<RegraConc>(1, ZQ_FREQUENCIA_DIARIA, k0800, false, {111, 113})});
  Linha(111, 1, Dia(1, 12, 2026), 1290, '-', "TARIFA", "105");
  Linha(113, 1, Dia(1, 12, 2026), 1290, '-', "TARIFA", "105");
  const HRESULT hr = ZQ_HR(0x80004005);
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre(c.operacao, hr, c.chamada);
  {
    CZQInjecaoFalhas injecao(falhas);
    auto* servico = NovaConc();
    EsperaExcecao([&] { servico->OnRun(); }, hr, c.mensagem, "cl_conciliacao_tesouraria_banco_automatizada.cc");
    servico->OnDestroi();
  }
  EXPECT_TRUE(TemTrace(std::string("CCLConciliacaoTesourariaBancoAutomatizada::") + c.funcao, c.trace)) << c.trace;
  EXPECT_EQ(ExecucoesConc().size(), c.registros);
  // A daily rule that failed after its first account does not take up the rest today.
  if (c.registros == 1) {
    EXPECT_EQ(DevidasConc(), Devidas{});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Passos, FalhaTest,
    ::testing::Values(
        CasoFalha{"LeConfiguracaoConciliacaoTesourariaBanco", 1,
                  "Falha na leitura da configuração do serviço de conciliação tesouraria/banco automatizada.",
                  "DeveExecutar",
                  "hr = GetAcessoConciliacao()->LeConfiguracaoConciliacaoTesourariaBanco(dadosConfiguracaoServico)", 0},
        CasoFalha{"LeBufferPeriodoContabil", 1, "Falha na leitura de período contábil.", "OnRun",
                  "hr = GetAcessoEmpresarial()->LeBufferPeriodoContabil(&dadosPeriodoContabil)", 0},
        CasoFalha{"ProcessaConciliacaoAutomatica", 2, "Falha no processamento da conciliação automática.", "OnRun",
                  "hr = GetAcessoConciliacao()->ProcessaConciliacaoAutomatica(dadosConciliacaoAutomatica, "
                  "lExtratosRestantes, dadosArrayConciliacao)",
                  1},
        CasoFalha{"GravaExecucaoConciliacaoTesourariaBanco", 1,
                  "Falha ao gravar informações de execução da conciliação de tesouraria/banco.",
                  "GravaLogStatusExecucao",
                  "hr = GetAcessoConciliacao()->GravaExecucaoConciliacaoTesourariaBanco(listaExecucao)", 0},
        CasoFalha{"GetICLMestre", 1, "Falha ao testar o lançamento automático.", "OnRun",
                  "hr = ConciliacaoLancamentoAutomatico.TesteLancamentoAutomatico(dadosConciliacaoAutomatica, "
                  "bLancamentosAutomaticos)",
                  0},
        CasoFalha{"BuscaConciliacao", 2, "Falha no processamento do lançamento e conciliação automática.", "OnRun",
                  "hr = ConciliacaoLancamentoAutomatico.ProcessaLancamentoConcAutomatico("
                  "dadosConciliacaoAutomatica, listaErros)",
                  0}),
    [](const auto& info) { return std::string(info.param.operacao); });

TEST_F(ServicoConciliacaoTest, UnreadableFinanceMasterCountsAsPostingsBlocked) {
  ConfiguraConc({Regra<RegraConc>(1, ZQ_FREQUENCIA_CADA_CICLO, 0, false, {111, 113})});
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre("Financeiro.LeBufferMestre", E_FAIL);
  CZQInjecaoFalhas injecao(falhas);
  auto* servico = NovaConc();
  EXPECT_EQ(servico->OnRun(), S_OK);
  servico->OnDestroi();
  const auto execucoes = ExecucoesConc();
  ASSERT_EQ(execucoes.size(), 2u);
  for (const auto& e : execucoes) {
    EXPECT_EQ(e.GetTipoStatus(), ZQ_STATUS_EXECUCAO_FALHA);
    EXPECT_EQ(e.GetMensagemStatus(), CZQString(CL_MENSAGEM_BLOQUEIO_FINANCEIRO));
  }
  EXPECT_EQ(falhas.Chamadas("ProcessaConciliacaoAutomatica"), 0);
  EXPECT_EQ(falhas.Chamadas("BuscaConciliacao"), 0);
}

// Each read of today's records that fails skips its rule only, traced where it failed and where it was called.
struct CasoLeitura {
  const char* operacao;
  const char* trace;
};

class LeituraHojeTest : public ServicoConciliacaoTest, public ::testing::WithParamInterface<CasoLeitura> {};

TEST_P(LeituraHojeTest, UnreadableTodaysRecordsSkipTheRuleOnly) {
  ConfiguraConc({Regra<RegraConc>(1, ZQ_FREQUENCIA_DIARIA, k0800, false, {111}),
                 Regra<RegraConc>(2, ZQ_FREQUENCIA_CADA_CICLO, 0, false, {114})});
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre(GetParam().operacao, E_FAIL);
  CZQInjecaoFalhas injecao(falhas);
  auto* servico = NovaConc();
  EXPECT_TRUE(servico->DeveExecutar());
  ASSERT_EQ(servico->GetListaRegrasDevidas().GetQuantidade(), 1);
  EXPECT_EQ(servico->GetListaRegrasDevidas()[0].GetPonteiroFilial(), 2u);
  servico->OnDestroi();
  EXPECT_TRUE(TemTrace("CCLConciliacaoTesourariaBancoAutomatizada::FiltraBancosJaProcessados", GetParam().trace))
      << GetParam().trace;
  EXPECT_TRUE(TemTrace("CCLConciliacaoTesourariaBancoAutomatizada::DeveExecutar",
                       "hr = FiltraBancosJaProcessados(dadosRegra, setBancosProcessar)"));
}

INSTANTIATE_TEST_SUITE_P(
    Leituras, LeituraHojeTest,
    ::testing::Values(CasoLeitura{"BuscaPonteirosExecucaoConciliacaoTesourariaBanco",
                                  "hr = GetAcessoConciliacao()->BuscaPonteirosExecucaoConciliacaoTesourariaBanco("
                                  "dadosFiltro, listaDmcExecucao)"},
                      CasoLeitura{"LePonteirosExecucaoConciliacaoTesourariaBanco",
                                  "hr = GetAcessoConciliacao()->LePonteirosExecucaoConciliacaoTesourariaBanco("
                                  "listaDmcExecucao, listaDadosExecucao)"}),
    [](const auto& info) { return std::string(info.param.operacao); });

}  // namespace
}  // namespace cl_servico_teste
