#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frame/zq_base_rotinas.h"
#include "platform/access/zq_acesso_areas.h"
#include "platform/access/zq_acesso_indisponivel.h"
#include "platform/components/zq_analytics_evento.h"
#include "platform/components/zq_componentes_lancamento.h"
#include "platform/components/zq_conexao_plano.h"
#include "platform/components/zq_consulta_sistema_terceiro.h"
#include "platform/components/zq_feriado.h"
#include "platform/components/zq_transacao.h"
#include "platform/components/zq_trata_dados_tesouraria.h"
#include "platform/records/zq_dados_empresarial.h"
#include "platform/records/zq_dados_extrato.h"
#include "support/interacao.h"

namespace {

// Errors a component raises by itself carry no class and no further value: only the
// code says what failed.
void EsperaErroProprio(const CZQDadosDF_Erro& erro, HRESULT hr) {
  EXPECT_EQ(erro.GetHR(), hr);
  EXPECT_EQ(erro.GetClasse(), 0);
  EXPECT_EQ(erro.GetValor(), 0);
}

class TransacaoSemErro final : public IZQFonteTransacoes {
 public:
  HRESULT LeTransacao(uint16_t, REG_TRANSACAO*) override { return E_FAIL; }
  const CZQDadosDF_Erro* GetErro() const override { return nullptr; }
};

TEST(ComponentesErrosTest, OwnErrorsHaveNoClassNorValue) {
  EsperaErroProprio(*ZQAcessoServidoresIndisponiveis().GetAcessoConciliacao()->GetErro(),
                    ZQ_E_SERVIDORES_INDISPONIVEIS);

  ZQFabricaTransacoes anterior = ZQDefineFabricaTransacoes(
      [](const IZQDF_Profiler&) { return std::unique_ptr<IZQFonteTransacoes>(new TransacaoSemErro); });
  CZQProfilerEmpresa pessoa("0007", 1, 2);
  CTransacao transacao(pessoa);
  REG_TRANSACAO lida{};
  EXPECT_EQ(transacao.GetTransacao(3, &lida), E_FAIL);
  EsperaErroProprio(transacao.GetErro(), E_FAIL);
  ZQDefineFabricaTransacoes(std::move(anterior));

  // Without servers the holiday table cannot be read.
  CFeriado feriado;
  EXPECT_EQ(feriado.LeTabelaFilial(1), E_POINTER);
  EsperaErroProprio(feriado.GetErro(), E_POINTER);
}

// Without servers the treasury cannot say a period is open: it is taken as locked.
TEST(ComponentesErrosTest, TreasuryWithoutServersIsLocked) {
  CFNTrataDadosTesouraria tesouraria;
  EXPECT_TRUE(tesouraria.VerificaBloqueio(CZQDma(1, 3, 2026), CZQDma(31, 3, 2026), 0));
}

// Without the component installed, the third-party query refuses to start.
TEST(ComponentesErrosTest, ThirdPartyQueryWithoutComponentRefusesToStart) {
  CZQProfilerEmpresa pessoa("0007", 1, 2);
  CZQConsultaSistemaTerceiro consulta;
  EXPECT_EQ(consulta.Inicializa(&pessoa), ZQ_E_CONSULTA_NAO_INSTALADA);
}

// A fresh start of the treasury accounting leaves no refusal behind.
TEST(ComponentesErrosTest, AccountingStartsWithNoRefusal) {
  CCLContabilizaTesouraria contabiliza;
  EXPECT_EQ(contabiliza.Inicializa("0007", 1, 2, 0), ZQ_E_COMPONENTE_NAO_INICIADO);
  EXPECT_EQ(contabiliza.GetModuloErroContabiliza(), 0);
  EXPECT_EQ(contabiliza.GetCodigoErroContabiliza(), 0u);
}

// The default interaction is named as none, so a caller can put back what it found.
TEST(InteracaoTest, DefineAnswersThePreviousOneOrNoneForTheDefault) {
  zq_teste::InteracaoGravada externa(ZQ_IDOK);
  { zq_teste::InteracaoGravada interna(ZQ_IDOK); }
  ZQGetInteracao().Mostra("depois", ZQ_ICONE_NENHUM, ZQ_BOTAO_OK, ZQ_BOTAO_DEFAULT_1);
  EXPECT_EQ(externa.textos, std::vector<std::string>{"depois"});
}

// A failed read is shown to the person only when the connection handles its own errors.
TEST(ConexaoPlanoTest, FailedReadIsShownOnlyWhenHandlingErrors) {
  for (const bool trata : {true, false}) {
    zq_teste::InteracaoGravada pessoa(ZQ_IDOK);
    CConexaoPlano conexao;
    conexao.SetTrataErros(trata);
    _RegContaPS conta{};
    EXPECT_EQ(conexao.Le(1, &conta), ZQ_E_PLANO_NAO_CONECTADO);
    EXPECT_EQ(pessoa.textos.size(), trata ? 1u : 0u);
  }
}

TEST(PlanoEmpresarialTest, CodeAndNameOrNameAlone) {
  const struct { const char *codigo, *esperado; } casos[] = {{"1.01", "1.01 - Caixa"}, {"  ", "Caixa"}, {"", "Caixa"}};
  for (const auto& c : casos) {
    CZQDadosDF_PlanoEmpresarial plano;
    plano.SetCodigoUsado(c.codigo).SetNome("Caixa");
    EXPECT_EQ(plano.GetCodigoUsado_Nome().str(), c.esperado);
  }
}

// An import's filter keeps nothing of what the filter asked for before.
TEST(FiltroExtratoTest, ImportRequestReplacesTheWholeFilter) {
  CZQDadosCL_FiltroImportacaoExtrato pedido;
  pedido.SetConta(111).SetFilial(2);
  CZQDadosCL_FiltroExtrato filtro;
  filtro.SetConciliado(ZQ_CONCILIADO_SIM).SetNumeroConciliacao(9);
  filtro.SetFiltroImportacao(pedido);
  EXPECT_EQ(filtro.GetConta(), 111u);
  EXPECT_EQ(filtro.GetConciliado(), 0);
  EXPECT_EQ(filtro.GetNumeroConciliacao(), 0u);
}

// The writer waits for events between bursts: one sent after the queue ran dry is
// still taken (without a destination, counted as lost).
TEST(AnalyticsTest, EventAfterTheQueueRanDryIsStillTaken) {
  ZQDefineDestinoAnalytics(nullptr);
  const uint64_t antes = ZQEventosAnalyticsPerdidos();
  for (uint32_t evento : {34u, 35u}) {
    CZQAnalyticsEvento::GravaAsync(nullptr, evento);
    ZQEsvaziaAnalytics();
  }
  EXPECT_EQ(ZQEventosAnalyticsPerdidos(), antes + 2);
}

}  // namespace
