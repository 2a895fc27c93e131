// The outside components the import service stands on: the holiday control, the
// financial hyper-automation and the usage analytics, over the SQL store.
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "importservice/servico_teste_util.h"
#include "platform/components/zq_feriado.h"
#include "platform/components/zq_hiperautomacao_financeira.h"
#include "store/zq_falhas_injetadas.h"
#include "support/armazem.h"

namespace cl_servico_teste {
namespace {

struct CasoFeriado {
  const char* nome;
  uint32_t filial;
  int dia, mes, ano;
  int tipo;
  bool fimDeSemana;
  bool feriado;
};

class FeriadoTest : public ServicoImportacaoTest, public ::testing::WithParamInterface<CasoFeriado> {};

TEST_P(FeriadoTest, FixedAndYearlyDatesOfTheLoadedBranch) {
  const CasoFeriado c = GetParam();
  // Yearly: Christmas Eve of the head office, stored with the year it was first kept.
  Sql("INSERT INTO feriado_filial (filial, data, anual, descricao) VALUES (1, " + std::to_string(Dia(24, 12, 1999)) +
      ", 1, 'Véspera de Natal')");
  CFeriado feriado;
  ASSERT_EQ(feriado.Inicializa(&m_pessoa), S_OK);
  ASSERT_EQ(feriado.LeTabelaFilial(c.filial), S_OK);
  EXPECT_EQ(feriado.GetFilial(), c.filial);
  EXPECT_EQ(feriado.GetFeriado(CZQDma(c.dia, c.mes, c.ano), c.tipo, c.fimDeSemana), c.feriado);
}

INSTANTIATE_TEST_SUITE_P(Datas, FeriadoTest,
                         ::testing::Values(CasoFeriado{"FixedOfBranch", 1, 25, 1, 2026, 0, false, true},
                                           CasoFeriado{"FixedNotOfTheOtherBranch", 2, 25, 1, 2026, 0, false, false},
                                           CasoFeriado{"FixedOnlyThatYear", 1, 25, 1, 2027, 0, false, false},
                                           CasoFeriado{"YearlyEveryYear", 1, 24, 12, 2031, 0, false, true},
                                           CasoFeriado{"YearlyOnItsFirstYear", 1, 24, 12, 1999, 0, false, true},
                                           CasoFeriado{"YearlyOnlyItsBranch", 2, 24, 12, 2026, 0, false, false},
                                           CasoFeriado{"DayAfter", 1, 26, 1, 2026, 0, false, false},
                                           CasoFeriado{"SaturdayIsNoHoliday", 1, 5, 12, 2026, 0, false, false},
                                           CasoFeriado{"SaturdayWhenWeekendsCount", 1, 5, 12, 2026, 0, true, true},
                                           CasoFeriado{"SundayWhenWeekendsCount", 2, 6, 12, 2026, 0, true, true},
                                           CasoFeriado{"FridayWhenWeekendsCount", 1, 4, 12, 2026, 0, true, false},
                                           CasoFeriado{"OtherKind", 1, 25, 1, 2026, 1, false, false}),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ServicoImportacaoTest, HolidayTableReplacedOnEachReadAndEmptyAfterAFailure) {
  CFeriado feriado;
  ASSERT_EQ(feriado.Inicializa(&m_pessoa), S_OK);
  EXPECT_FALSE(feriado.GetFeriado(CZQDma(8, 12, 2026)));  // nothing loaded yet
  ASSERT_EQ(feriado.LeTabelaFilial(2), S_OK);
  EXPECT_TRUE(feriado.GetFeriado(CZQDma(8, 12, 2026)));
  EXPECT_FALSE(feriado.GetFeriado(CZQDma(0u)));
  ASSERT_EQ(feriado.LeTabelaFilial(1), S_OK);
  EXPECT_FALSE(feriado.GetFeriado(CZQDma(8, 12, 2026)));
  EXPECT_EQ(feriado.LeTabelaFilial(99), S_OK);  // a branch without holidays
  EXPECT_EQ(feriado.GetListaFeriados().GetQuantidade(), 0);

  ASSERT_EQ(feriado.LeTabelaFilial(2), S_OK);
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre("BuscaFeriadosFilial", E_FAIL);
  CZQInjecaoFalhas injecao(falhas);
  CFeriado outro;
  ASSERT_EQ(outro.Inicializa(&m_pessoa), S_OK);
  EXPECT_EQ(outro.LeTabelaFilial(2), E_FAIL);
  EXPECT_TRUE(outro.GetErro().TemErro());
  EXPECT_FALSE(outro.GetFeriado(CZQDma(8, 12, 2026)));
}

TEST_F(ServicoImportacaoTest, HyperAutomationCountsTheAccountsOpenLinesAndStoresTheStatus) {
  // Two open lines of 111, one reconciled (not pending) and one of another account.
  for (auto [conta, natureza, valor, conciliado] : {std::tuple{111u, '+', 1000000LL, 'N'},
                                                    {111u, '-', 250000LL, 'N'},
                                                    {111u, '+', 990000LL, 'S'},
                                                    {113u, '+', 5LL, 'N'}}) {
    CZQDadosCL_Extrato e = zq_teste::Linha(conta, 1, Dia(1, 12, 2026), valor, natureza, "X");
    ASSERT_EQ(m_hub->GetAcessoConciliacao()->GravaExtrato(e.SetConciliado(conciliado)), S_OK);
  }

  CFNTrataDadosHiperautomacaoFinanceira hiper;
  ASSERT_EQ(hiper.Inicializa(&m_pessoa), S_OK);
  CZQDadosFN_StatusHiperautomacaoFinanceira status;
  status.SetTipoEvento(10);
  ASSERT_FALSE(hiper.CarregaInformacoesHiperautomacaoFinanceira(111, status).TemErro());
  EXPECT_EQ(status.GetTipoEvento(), 10);
  EXPECT_EQ(status.GetPonteiroContaBanco(), 111u);
  EXPECT_EQ(status.GetQuantidadeExtratosPendentes(), 2);
  EXPECT_EQ(status.GetSaldoExtrato(), 750000);
  EXPECT_EQ(status.GetDmaHmsEvento(), zq::Agora());
  EXPECT_EQ(status.GetMensagem(), CZQString("2 extrato(s) pendente(s) de conciliação."));

  CZQDadosDF_Erro erro;
  EXPECT_NE(hiper.TrataGravacao(status, erro), 0);
  EXPECT_FALSE(erro.TemErro());
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM status_hiperautomacao WHERE conta = 111 AND tipo_evento = 10"
                    " AND quantidade_extratos_pendentes = 2 AND saldo_extrato = 750000"),
            1);
}

struct CasoHiperRecusa {
  const char* nome;
  uint32_t conta;
  uint8_t tipoEvento;
  const char* falha;  // injected operation, or null
  HRESULT hr;
};

class HiperRecusaTest : public ServicoImportacaoTest, public ::testing::WithParamInterface<CasoHiperRecusa> {};

TEST_P(HiperRecusaTest, StatusNotStoredSaysWhy) {
  const CasoHiperRecusa c = GetParam();
  CZQFalhasInjetadas falhas;
  if (c.falha) falhas.FalhaSempre(c.falha, c.hr);
  CZQInjecaoFalhas injecao(falhas);
  CFNTrataDadosHiperautomacaoFinanceira hiper;
  ASSERT_EQ(hiper.Inicializa(&m_pessoa), S_OK);
  CZQDadosFN_StatusHiperautomacaoFinanceira status;
  status.SetTipoEvento(c.tipoEvento).SetPonteiroContaBanco(c.conta);
  CZQDadosDF_Erro erro;
  EXPECT_EQ(hiper.TrataGravacao(status, erro), 0);
  EXPECT_TRUE(erro.TemErro());
  EXPECT_EQ(erro.GetHR(), c.hr);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM status_hiperautomacao"), 0);
}

INSTANTIATE_TEST_SUITE_P(Recusas, HiperRecusaTest,
                         ::testing::Values(CasoHiperRecusa{"NoAccount", 0, 10, nullptr, E_INVALIDARG},
                                           CasoHiperRecusa{"NoEventType", 111, 0, nullptr, E_INVALIDARG},
                                           CasoHiperRecusa{"StoreFails", 111, 10, "GravaStatusHiperautomacaoFinanceira",
                                                           E_FAIL}),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ServicoImportacaoTest, HyperAutomationLoadFailureIsTheServersError) {
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre("BuscaRegistrosMovimentoExtrato", E_FAIL);
  CZQInjecaoFalhas injecao(falhas);
  CFNTrataDadosHiperautomacaoFinanceira hiper;
  ASSERT_EQ(hiper.Inicializa(&m_pessoa), S_OK);
  CZQDadosFN_StatusHiperautomacaoFinanceira status;
  const CZQDadosDF_Erro& erro = hiper.CarregaInformacoesHiperautomacaoFinanceira(111, status);
  EXPECT_TRUE(erro.TemErro());
  EXPECT_EQ(erro.GetHR(), E_FAIL);
  EXPECT_EQ(status.GetPonteiroContaBanco(), 0u);  // left as it was
}

// A destination that holds every write until released, and keeps what it got.
class DestinoRetido : public IZQDestinoAnalytics {
 public:
  HRESULT Grava(const ZQEventoAnalytics& evento) override {
    std::unique_lock<std::mutex> trava(m_mutex);
    m_cv.wait_for(trava, std::chrono::seconds(5), [&] { return m_liberado; });
    recebidos.push_back(evento.ulEvento);
    empresas.push_back(evento.sEmpresa.str());
    return falhar ? E_FAIL : S_OK;
  }
  void Libera() {
    {
      std::lock_guard<std::mutex> trava(m_mutex);
      m_liberado = true;
    }
    m_cv.notify_all();
  }
  std::vector<uint32_t> recebidos;
  std::vector<std::string> empresas;
  bool falhar = false;

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_liberado = false;
};

TEST(AnalyticsTest, EventsAreHandedOverWithoutWaitingAndWrittenInOrder) {
  auto destino = std::make_shared<DestinoRetido>();
  ZQDefineDestinoAnalytics(destino);
  CZQProfilerEmpresa pessoa("EMPRESA", 3, 9);
  // The destination holds the first write: were GravaAsync waiting for it, this would hang.
  for (uint32_t evento : {34u, 35u, 36u}) CZQAnalyticsEvento::GravaAsync(&pessoa, evento);
  CZQAnalyticsEvento::GravaAsync(nullptr, 37);
  destino->Libera();
  ZQEsvaziaAnalytics();
  EXPECT_EQ(destino->recebidos, (std::vector<uint32_t>{34, 35, 36, 37}));
  EXPECT_EQ(destino->empresas, (std::vector<std::string>{"EMPRESA", "EMPRESA", "EMPRESA", ""}));
  ZQDefineDestinoAnalytics(nullptr);
}

TEST(AnalyticsTest, WithoutDestinationOrWithAFailingOneEventsAreLostQuietly) {
  ZQDefineDestinoAnalytics(nullptr);
  const uint64_t antes = ZQEventosAnalyticsPerdidos();
  CZQAnalyticsEvento::GravaAsync(nullptr, 34);
  ZQEsvaziaAnalytics();
  EXPECT_EQ(ZQEventosAnalyticsPerdidos(), antes + 1);

  auto destino = std::make_shared<DestinoRetido>();
  destino->falhar = true;
  destino->Libera();
  ZQDefineDestinoAnalytics(destino);
  CZQAnalyticsEvento::GravaAsync(nullptr, 34);
  CZQAnalyticsEvento::GravaAsync(nullptr, 34);
  ZQEsvaziaAnalytics();
  EXPECT_EQ(destino->recebidos.size(), 2u);
  EXPECT_EQ(ZQEventosAnalyticsPerdidos(), antes + 3);
  ZQDefineDestinoAnalytics(nullptr);
}

TEST_F(ServicoImportacaoTest, StoresDestinationKeepsWhoAndWhen) {
  CZQAnalyticsEvento::GravaAsync(&m_pessoa, 34);
  // Replacing the destination writes out what was handed over before.
  ZQDefineDestinoAnalytics(nullptr);
  CZQDestinoAnalyticsSQL leitor(m_banco);
  std::vector<ZQEventoAnalytics> eventos;
  ASSERT_EQ(leitor.LeEventos(eventos), S_OK);
  ASSERT_EQ(eventos.size(), 1u);
  const ZQEventoAnalytics& e = eventos[0];
  EXPECT_EQ(std::make_tuple(e.ulEvento, e.sEmpresa.str(), e.usUsuario, e.ulNumeroSessao, e.dmaHmsEvento),
            std::make_tuple(34u, std::string("EXEMPLO"), 1, 77u, zq::Agora()));
}

}  // namespace
}  // namespace cl_servico_teste
