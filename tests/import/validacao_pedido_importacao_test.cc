#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "import/cl_trata_dados_importacao_extratos.h"
#include "import/validacao_teste_util.h"
#include "platform/records/zq_dados_configuracao_servico.h"
#include "store/zq_falhas_injetadas.h"

namespace {

using cl_teste::Dia;
using namespace cl_validacao;

const char* const kOnline = ZQ_LEIAUTE_IMPORTACAO_ONLINE;

// A request as the screens fill it.
struct Pedido {
  uint32_t conta = kTavorin;
  uint32_t filial = 1;
  REG_ZQDMA inicial = Dia(13, 11, 2026);
  REG_ZQDMA final = Dia(20, 11, 2026);
  const char* leiaute = kOnline;
  int32_t posicaoLeiaute = 0;
  const char* arquivo = "";

  CZQDadosCL_FiltroImportacaoExtrato Registro() const {
    CZQDadosCL_FiltroImportacaoExtrato f;
    f.SetConta(conta)
        .SetFilial(filial)
        .SetDataInicial(inicial)
        .SetDataFinal(final)
        .SetLeiaute(CZQString(leiaute))
        .SetPosicaoLeiaute(posicaoLeiaute)
        .SetArquivo(CZQString(arquivo));
    return f;
  }
};

Pedido Online(uint32_t conta, REG_ZQDMA inicial, REG_ZQDMA final) {
  Pedido p;
  p.conta = conta;
  p.inicial = inicial;
  p.final = final;
  return p;
}

Pedido PorArquivo(int32_t leiaute, uint32_t conta, const char* arquivo = "/tmp/extrato.txt") {
  Pedido p;
  p.leiaute = "";
  p.posicaoLeiaute = leiaute;
  p.conta = conta;
  p.arquivo = arquivo;
  return p;
}

template <typename F>
Pedido Com(Pedido p, F muda) {
  muda(p);
  return p;
}

// Online by the layout's description rather than its name.
const Pedido kOnlinePorLeiaute{.leiaute = "", .posicaoLeiaute = kLeiauteOnline};

class ValidacaoPedidoTest : public AmbienteValidacaoTest {
 protected:
  void SetUp() override {
    AmbienteValidacaoTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(m_validador.Inicializa(&m_pessoa), S_OK);
  }

  const CZQDadosDF_Erro& Valida(const Pedido& p) {
    m_registro = p.Registro();
    return m_validador.TrataGravacao(&m_registro);
  }

  CCLTrataDadosImportacaoExtratos m_validador;
  CZQDadosCL_FiltroImportacaoExtrato m_registro;
};

struct CasoPedido {
  const char* nome;
  Pedido pedido;
  long mensagem;  // 0: the request passes
  long valor;     // third value of the warning
  CZQDma hoje = CZQDma(20, 11, 2026);
};

class PedidoTest : public ValidacaoPedidoTest, public ::testing::WithParamInterface<CasoPedido> {};

TEST_P(PedidoTest, PassesOrWarnsWithItsMessageAndField) {
  const CasoPedido& c = GetParam();
  m_relogio.Define(c.hoje, zq::MontaHms(23, 59, 59));
  const CZQDadosDF_Erro& erro = Valida(c.pedido);
  if (c.mensagem == 0) {
    EXPECT_TRUE(erro.EhErroNenhum()) << erro.GetCodigoMensagem() << ": " << erro.GetTextoMostraMensagem().c_str();
    EXPECT_TRUE(m_validador.GetErro().EhErroNenhum());
    return;
  }
  ASSERT_TRUE(erro.EhAviso()) << "type " << erro.GetTipoErro() << ": " << erro.GetTextoMostraMensagem().c_str();
  EXPECT_EQ(erro.GetModuloMensagem(), ZQ_MODULO_CL);
  EXPECT_EQ(erro.GetCodigoMensagem(), c.mensagem);
  EXPECT_EQ(erro.GetValor(), c.valor);
  EXPECT_EQ(erro.GetTextoMostraMensagem().c_str(), Mensagem(c.mensagem));
  // The routine's own record is what came back.
  EXPECT_EQ(&erro, &m_validador.GetErro());
}

INSTANTIATE_TEST_SUITE_P(
    Campos, PedidoTest,
    ::testing::Values(
        CasoPedido{"service_request_passes", Pedido{}, 0, 0},
        CasoPedido{"online_by_layout_description", kOnlinePorLeiaute, 0, 0},
        CasoPedido{"online_name_differs_by_case", Pedido{.leiaute = "importação online"}, 5825, 1},
        CasoPedido{"no_layout_no_file", Pedido{.leiaute = ""}, 5825, 1},
        CasoPedido{"layout_comes_before_branch", Pedido{.filial = 0, .leiaute = ""}, 5825, 1},
        CasoPedido{"no_branch", Pedido{.filial = 0}, 5824, 3},
        CasoPedido{"branch_comes_before_account", Pedido{.conta = 0, .filial = 0}, 5824, 3},
        CasoPedido{"online_without_account", Pedido{.conta = 0}, 5832, 4},
        CasoPedido{"file_without_account", PorArquivo(kLeiauteArquivo, 0), 5832, 4},
        CasoPedido{"file_without_account_separator_7", PorArquivo(kLeiauteComConta, 0), 0, 0},
        CasoPedido{"separator_7_still_needs_the_file", PorArquivo(kLeiauteComConta, 0, ""), 5827, 2},
        CasoPedido{"file_import", PorArquivo(kLeiauteArquivo, kSemIntegracao), 0, 0},
        CasoPedido{"file_import_without_file", PorArquivo(kLeiauteArquivo, kSemIntegracao, ""), 5827, 2},
        CasoPedido{"account_comes_before_dates", Pedido{.conta = 0, .inicial = 0}, 5832, 4},
        CasoPedido{"empty_start", Pedido{.inicial = 0}, 5807, 5},
        CasoPedido{"start_past_4717", Pedido{.inicial = ZQ_DMA_MAXIMA + 1}, 5807, 5},
        CasoPedido{"both_dates_empty", Pedido{.inicial = 0, .final = 0}, 5807, 5},
        CasoPedido{"empty_end", Pedido{.final = 0}, 5808, 6},
        CasoPedido{"start_after_end", Online(kTavorin, Dia(21, 11, 2026), Dia(20, 11, 2026)), 5837, 5},
        CasoPedido{"start_equal_to_end", Online(kTavorin, Dia(20, 11, 2026), Dia(20, 11, 2026)), 0, 0},
        CasoPedido{"start_on_lower_bound",
                   Com(PorArquivo(kLeiauteArquivo, kTavorin), [](Pedido& p) { p.inicial = Dia(1, 1, 2015); }), 0, 0},
        CasoPedido{"start_before_lower_bound", Online(kTavorin, Dia(31, 12, 2014), Dia(20, 11, 2026)), 5835, 5},
        CasoPedido{"start_after_upper_bound", Online(kTavorin, Dia(1, 1, 2036), Dia(2, 1, 2036)), 5835, 5},
        CasoPedido{"end_on_upper_bound",
                   Com(PorArquivo(kLeiauteArquivo, kTavorin), [](Pedido& p) { p.final = Dia(31, 12, 2035); }), 0, 0},
        CasoPedido{"end_after_upper_bound", Online(kTavorin, Dia(1, 12, 2035), Dia(1, 1, 2036)), 5836, 6},
        CasoPedido{"period_comes_before_online_checks", Online(kSemIntegracao, Dia(1, 1, 2036), Dia(2, 1, 2036)), 5835,
                   5}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Online, PedidoTest,
    ::testing::Values(
        CasoPedido{"start_on_lock_date", Online(kTavorin, Dia(31, 12, 2016), Dia(5, 1, 2017)), 5872, 5},
        CasoPedido{"start_before_lock_date", Online(kTavorin, Dia(30, 12, 2016), Dia(5, 1, 2017)), 5872, 5},
        CasoPedido{"start_day_after_lock_date", Online(kTavorin, Dia(1, 1, 2017), Dia(5, 1, 2017)), 0, 0},
        CasoPedido{"file_import_ignores_lock_date",
                   Com(PorArquivo(kLeiauteArquivo, kTavorin), [](Pedido& p) { p.inicial = Dia(31, 12, 2016); }), 0, 0},
        CasoPedido{"lock_date_comes_before_the_bank", Online(kSemIntegracao, Dia(31, 12, 2016), Dia(5, 1, 2017)), 5872,
                   5},
        CasoPedido{"tavorin_has_no_date_limits", Online(kTavorin, Dia(1, 1, 2017), Dia(31, 12, 2035)), 0, 0},
        CasoPedido{"tavorin_without_statement_flag", Online(kTavorinSemFlag, Dia(1, 11, 2026), Dia(20, 11, 2026)), 0,
                   0},
        CasoPedido{"bank_without_online_source", Online(kSemIntegracao, Dia(1, 11, 2026), Dia(20, 11, 2026)), 5888, 6},
        CasoPedido{"banco_do_brasil_without_statement_flag",
                   Online(kBancoBrasilSemFlag, Dia(1, 11, 2026), Dia(20, 11, 2026)), 5888, 6}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    BancoDoBrasil, PedidoTest,
    ::testing::Values(
        CasoPedido{"span_of_31_days", Online(kBancoBrasil, Dia(20, 10, 2026), Dia(20, 11, 2026)), 0, 0},
        CasoPedido{"span_of_32_days", Online(kBancoBrasil, Dia(19, 10, 2026), Dia(20, 11, 2026)), 5887, 5},
        CasoPedido{"span_of_31_days_over_february", Online(kBancoBrasil, Dia(31, 1, 2024), Dia(2, 3, 2024)), 0, 0,
                   CZQDma(2, 3, 2024)},
        CasoPedido{"span_of_32_days_over_february", Online(kBancoBrasil, Dia(30, 1, 2024), Dia(2, 3, 2024)), 5887, 5,
                   CZQDma(2, 3, 2024)},
        CasoPedido{"end_today", Online(kBancoBrasil, Dia(13, 11, 2026), Dia(20, 11, 2026)), 0, 0},
        CasoPedido{"end_tomorrow", Online(kBancoBrasil, Dia(13, 11, 2026), Dia(21, 11, 2026)), 5900, 6},
        CasoPedido{"start_tomorrow", Online(kBancoBrasil, Dia(21, 11, 2026), Dia(21, 11, 2026)), 5900, 5},
        CasoPedido{"future_comes_before_span", Online(kBancoBrasil, Dia(21, 11, 2026), Dia(31, 12, 2026)), 5900, 5},
        CasoPedido{"start_exactly_5_years_back", Online(kBancoBrasil, Dia(20, 11, 2021), Dia(20, 11, 2021)), 0, 0},
        CasoPedido{"start_a_day_more_than_5_years_back", Online(kBancoBrasil, Dia(19, 11, 2021), Dia(19, 11, 2021)),
                   5886, 5},
        CasoPedido{"5_years_comes_before_span", Online(kBancoBrasil, Dia(19, 11, 2021), Dia(20, 11, 2026)), 5886, 5},
        CasoPedido{"29_february_plus_5_years_is_28_february", Online(kBancoBrasil, Dia(29, 2, 2020), Dia(29, 2, 2020)),
                   0, 0, CZQDma(28, 2, 2025)},
        CasoPedido{"29_february_plus_5_years_is_not_1_march", Online(kBancoBrasil, Dia(29, 2, 2020), Dia(29, 2, 2020)),
                   5886, 5, CZQDma(1, 3, 2025)},
        CasoPedido{"28_february_of_a_leap_year_today", Online(kBancoBrasil, Dia(28, 2, 2023), Dia(28, 2, 2023)), 0, 0,
                   CZQDma(28, 2, 2028)},
        CasoPedido{"29_february_of_a_leap_year_today", Online(kBancoBrasil, Dia(28, 2, 2023), Dia(28, 2, 2023)), 5886,
                   5, CZQDma(29, 2, 2028)}),
    [](const auto& info) { return std::string(info.param.nome); });

// "Today" is the clock's date: a request refused for tomorrow's date passes once the
// clock reaches that day, at its first second.
TEST_F(ValidacaoPedidoTest, TodayFollowsTheClockAcrossMidnight) {
  const Pedido amanha = Online(kBancoBrasil, Dia(14, 11, 2026), Dia(21, 11, 2026));
  m_relogio.Define(CZQDma(20, 11, 2026), zq::MontaHms(23, 59, 59));
  EXPECT_EQ(Valida(amanha).GetCodigoMensagem(), 5900);
  m_relogio.Avanca(1);
  EXPECT_TRUE(Valida(amanha).EhErroNenhum()) << Valida(amanha).GetTextoMostraMensagem().c_str();
}

// Without a lock date, nothing is locked.
TEST_F(ValidacaoPedidoTest, NoLockDateLocksNothing) {
  Carrega(Documento(""));
  EXPECT_TRUE(Valida(Online(kTavorin, Dia(1, 1, 2015), Dia(5, 1, 2015))).EhErroNenhum());
}

// A warning left by one request does not stay for the next.
TEST_F(ValidacaoPedidoTest, EachValidationStartsClear) {
  EXPECT_TRUE(Valida(Pedido{.filial = 0}).EhAviso());
  EXPECT_TRUE(Valida(Pedido{}).EhErroNenhum());
}

class RegistroErradoTest : public ValidacaoPedidoTest,
                           public ::testing::WithParamInterface<std::function<TZQBaseParaDados*()>> {};

TEST_P(RegistroErradoTest, IsRefusedWithClass2102AndReadsNothing) {
  ConfereRegistroErrado<CCLTrataDadosImportacaoExtratos>(GetParam()(), 0, 2102);
}

INSTANTIATE_TEST_SUITE_P(Registros, RegistroErradoTest,
                         ::testing::Values([]() -> TZQBaseParaDados* { return nullptr; },
                                           []() -> TZQBaseParaDados* { return new CZQDadosCL_FiltroExtrato; },
                                           []() -> TZQBaseParaDados* { return new CZQDadosCL_Extrato; },
                                           []() -> TZQBaseParaDados* {
                                             return new CZQDadosCL_ConfiguracaoServicoImportacaoExtratos;
                                           }));

struct CasoFalha {
  const char* nome;
  const char* operacao;
  Pedido pedido;
  const char* funcao;
  const char* expressao;
};

class FalhaPedidoTest : public ValidacaoPedidoTest, public ::testing::WithParamInterface<CasoFalha> {};

TEST_P(FalhaPedidoTest, IsTracedOnceAndTheServersErrorComesBack) {
  const CasoFalha& c = GetParam();
  const std::map<std::string, long> chamadas =
      ConfereFalhaLeitura<CCLTrataDadosImportacaoExtratos>(c.operacao, 1, c.pedido.Registro(), c.funcao, c.expressao);
  // Validation stopped at the failed read: none of the later reads was asked.
  bool depois = false;
  for (const char* leitura :
       {"LeLeiaute", "LeBufferMestreEmpresa", "LeBufferPeriodoContabil", "LeBufferMestre", "LeBanco"}) {
    if (depois) {
      EXPECT_EQ(chamadas.count(leitura), 0u) << leitura << " after " << c.operacao;
    }
    depois = depois || std::string(leitura) == c.operacao;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Leituras, FalhaPedidoTest,
    ::testing::Values(CasoFalha{"layout", "LeLeiaute", kOnlinePorLeiaute, "CCLTrataDadosImportacaoExtratos::Consiste",
                                "GetAcessoConciliacao()->LeLeiaute(dados.GetPosicaoLeiaute(), dadosLeiaute)"},
                      CasoFalha{"company_master", "LeBufferMestreEmpresa", Pedido{},
                                "CCLTrataDadosImportacaoExtratos::Consiste",
                                "GetAcessoContabil()->LeBufferMestreEmpresa(&dadosMestre)"},
                      CasoFalha{"accounting_period", "LeBufferPeriodoContabil", Pedido{},
                                "CCLTrataDadosImportacaoExtratos::Consiste",
                                "GetAcessoEmpresarial()->LeBufferPeriodoContabil(&dadosPeriodoContabil)"},
                      CasoFalha{"module_master", "LeBufferMestre", Pedido{},
                                "CCLTrataDadosImportacaoExtratos::ConsisteImportacaoOnline",
                                "GetAcessoConciliacao()->LeBufferMestre(&dadosMestre)"},
                      CasoFalha{"bank_of_the_account", "LeBanco", kOnlinePorLeiaute,
                                "CCLTrataDadosImportacaoExtratos::ConsisteImportacaoOnline",
                                "GetAcessoEmpresarial()->LeBanco(dados.GetConta(), &dadosBanco)"}),
    [](const auto& info) { return std::string(info.param.nome); });

// Without any data-access servers the first read fails, is traced, and its error comes
// back instead of a crash.
TEST_F(ValidacaoPedidoTest, RoutineWithoutServersFailsCleanly) {
  ZQRemoveArmazemSQL();
  CCLTrataDadosImportacaoExtratos validador;
  ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);
  CZQDadosCL_FiltroImportacaoExtrato registro = Pedido{}.Registro();
  const CZQDadosDF_Erro& erro = validador.TrataGravacao(&registro);
  EXPECT_EQ(erro.GetTipoErro(), ZQ_TIPO_ERRO_HRESULT);
  EXPECT_LT(erro.GetHR(), 0);
  EXPECT_EQ(
      Traces("CCLTrataDadosImportacaoExtratos::Consiste", "GetAcessoContabil()->LeBufferMestreEmpresa(&dadosMestre)")
          .size(),
      1u);
}

}  // namespace
