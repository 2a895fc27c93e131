#include <cstring>

#include "importservice/cl_trata_dados_configuracao_servico_importacao_extratos.h"
#include "importservice/validacao_configuracao_teste_util.h"

namespace {

using namespace cl_validacao;
using Validador = CCLTrataDadosConfiguracaoServicoImportacaoExtratos;
using Configuracao = CZQDadosCL_ConfiguracaoServicoImportacaoExtratos;
using Regra = CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra;
using Desc = DescRegra<Regra>;
using Caso = CasoConfiguracao<Regra>;

Desc Contas(std::vector<uint32_t> contas) { return Desc{.contas = std::move(contas)}; }

class ValidacaoConfiguracaoTest : public AmbienteConfiguracaoTest {
 protected:
  void SetUp() override {
    AmbienteConfiguracaoTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(m_validador.Inicializa(&m_pessoa), S_OK);
  }

  const CZQDadosDF_Erro& Valida(const std::vector<Desc>& regras) {
    m_registro = MontaConfiguracao<Configuracao>(regras);
    return m_validador.TrataGravacao(&m_registro);
  }

  Validador m_validador;
  Configuracao m_registro;
};

class ConfiguracaoTest : public ValidacaoConfiguracaoTest, public ::testing::WithParamInterface<Caso> {};

TEST_P(ConfiguracaoTest, PassesOrWarnsWithItsMessage) {
  const CZQDadosDF_Erro& erro = Valida(GetParam().regras);
  ConfereResposta(erro, GetParam());
  EXPECT_EQ(&erro, &m_validador.GetErro());
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ConfiguracaoTest,
    ::testing::Values(
        Caso{"empty_list", {}, 0}, Caso{"valid_rule", {Desc{}}, 0}, Caso{"no_account", {Contas({})}, 5892, 1},
        Caso{"no_account_and_no_branch_reports_only_the_account", {Desc{.contas = {}, .filial = 0}}, 5892, 1},
        Caso{"no_branch", {Desc{.filial = 0}}, 5893, 2},
        Caso{"accounts_come_before_the_branch", {Desc{.contas = {kCaixa}, .filial = 0}}, 5897, 0, kCaixa},
        Caso{"no_frequency", {Desc{.frequencia = 0}}, 5898, 3},
        Caso{"branch_comes_before_frequency", {Desc{.filial = 0, .frequencia = 0}}, 5893, 2},
        Caso{"daily_at_midnight", {Desc{.hms = 0}}, 5894, 4}, Caso{"daily_at_one_second", {Desc{.hms = 1}}, 0},
        Caso{"daily_at_the_last_second", {Desc{.hms = 86399}}, 0},
        Caso{"daily_time_is_not_bounded", {Desc{.hms = 86400}}, 0}, Caso{"daily_negative_time", {Desc{.hms = -60}}, 0},
        Caso{"every_cycle_at_midnight", {Desc{.frequencia = ZQ_FREQUENCIA_CADA_CICLO, .hms = 0}}, 0},
        Caso{"other_frequency_at_midnight", {Desc{.frequencia = 3, .hms = 0}}, 0},
        Caso{"second_rule_refused_after_a_valid_one", {Desc{}, Desc{.contas = {kBancoBrasil}, .hms = 0}}, 5894, 4},
        Caso{"not_a_bank_account", {Contas({kCaixa})}, 5897, 0, kCaixa},
        Caso{"type_other_than_a_or_s", {Contas({kTipoInvalido})}, 5899, 0, kTipoInvalido},
        Caso{"synthetic_bank_account", {Contas({kSintetica})}, 0},
        Caso{"bank_flag_comes_before_type", {Contas({kNaoBancoTipoInvalido})}, 5897, 0, kNaoBancoTipoInvalido},
        Caso{"no_integration_environment", {Contas({kTavorinSemAmbiente})}, 5895, 0, kTavorinSemAmbiente},
        Caso{"no_online_source", {Contas({kSemIntegracao})}, 5895, 0, kSemIntegracao},
        Caso{"tavorin_without_statement_flag", {Contas({kTavorinSemFlag})}, 0},
        Caso{"banco_do_brasil_with_its_statement_environment", {Contas({kBancoBrasil})}, 0},
        Caso{"banco_do_brasil_without_statement_flag", {Contas({kBancoBrasilSemFlag})}, 5895, 0, kBancoBrasilSemFlag},
        Caso{"first_bad_account_in_list_order", {Contas({kTavorin, kTipoInvalido, kCaixa})}, 5899, 0, kTipoInvalido},
        Caso{"two_rules_share_an_account", {Contas({kTavorin}), Contas({kBancoBrasil, kTavorin})}, 5896, 0, kTavorin},
        Caso{"same_account_twice_in_one_rule", {Contas({kBancoBrasil, kTavorin, kBancoBrasil})}, 5896, 0, kBancoBrasil},
        Caso{"second_occurrence_met_first_is_named",
             {Contas({kTavorin, kBancoBrasil}), Contas({kBancoBrasil, kTavorin})},
             5896,
             0,
             kBancoBrasil},
        Caso{"distinct_accounts_in_three_rules",
             {Contas({kTavorin}), Contas({kBancoBrasil}), Contas({kSintetica, kTavorinSemFlag})},
             0},
        Caso{"each_rule_is_checked_before_the_set",
             {Contas({kTavorin}), Desc{.contas = {kTavorin}, .filial = 0}},
             5893,
             2}),
    [](const auto& info) { return std::string(info.param.nome); });

// The public checks answer alone, each clearing what the previous one left.
TEST_F(ValidacaoConfiguracaoTest, RuleAndSetChecksStandAlone) {
  EXPECT_EQ(m_validador.ConsisteRegra(Contas({}).Registro()).GetCodigoMensagem(), 5892);
  EXPECT_TRUE(m_validador.ConsisteRegra(Desc{}.Registro()).EhErroNenhum());

  CZQVector<Regra> regras;
  regras.Add(Desc{}.Registro());
  regras.Add(Desc{}.Registro());
  // The set check knows nothing of branches or times, only of accounts met twice.
  regras[1].SetPonteiroFilial(0);
  EXPECT_EQ(m_validador.ConsisteConjuntoRegra(regras).GetCodigoMensagem(), 5896);
  regras.RemoveAt(1);
  EXPECT_TRUE(m_validador.ConsisteConjuntoRegra(regras).EhErroNenhum());
}

class RegistroErradoConfiguracaoTest : public AmbienteConfiguracaoTest,
                                       public ::testing::WithParamInterface<std::function<TZQBaseParaDados*()>> {};

TEST_P(RegistroErradoConfiguracaoTest, IsRefusedWithClass2105AndReadsNothing) {
  ConfereRegistroErrado<Validador>(GetParam()(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Registros, RegistroErradoConfiguracaoTest,
    ::testing::Values([]() -> TZQBaseParaDados* { return nullptr; }, []() -> TZQBaseParaDados* { return new Regra; },
                      []() -> TZQBaseParaDados* {
                        return new CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco;
                      },
                      []() -> TZQBaseParaDados* { return new CZQDadosCL_FiltroImportacaoExtrato; }));

struct CasoFalha {
  const char* nome;
  long chamada;  // of the read that fails
  std::vector<Desc> regras;
  const char* funcao;     // of the validator
  const char* expressao;  // the read, as traced; the failing operation is its name
};

class FalhaConfiguracaoTest : public AmbienteConfiguracaoTest, public ::testing::WithParamInterface<CasoFalha> {};

TEST_P(FalhaConfiguracaoTest, IsTracedOnceAndTheServersErrorComesBack) {
  const CasoFalha& c = GetParam();
  const std::string operacao(c.expressao, std::strchr(c.expressao, '('));
  ConfereFalhaLeitura<Validador>(
      operacao.c_str(), c.chamada, MontaConfiguracao<Configuracao>(c.regras),
      ("CCLTrataDadosConfiguracaoServicoImportacaoExtratos::" + std::string(c.funcao)).c_str(),
      ("GetAcessoEmpresarial()->" + std::string(c.expressao)).c_str());
}

constexpr char kPlano[] = "LeBufferPlanoContabil(ulPonteiro, &dadosConta)";

INSTANTIATE_TEST_SUITE_P(
    Leituras, FalhaConfiguracaoTest,
    ::testing::Values(
        CasoFalha{"chart_entry", 1, {Desc{}}, "ConsisteContaBanco", kPlano},
        CasoFalha{
            "chart_entry_of_a_later_account", 2, {Contas({kTavorin, kBancoBrasil})}, "ConsisteContaBanco", kPlano},
        CasoFalha{"bank_data", 1, {Desc{}}, "ConsisteContaBanco", "LeBufferBanco(ulPonteiro, &dadosBanco)"},
        CasoFalha{"chart_entry_of_the_repeated_account",
                  3,
                  {Contas({kTavorin}), Contas({kTavorin})},
                  "ConsisteConjuntoRegra",
                  "LeBufferPlanoContabil(ulPonteiroContaBanco, &dadosConta)"}),
    [](const auto& info) { return std::string(info.param.nome); });

// An account that is not in the chart at all: the store's refusal comes back as the
// validation's answer, traced.
TEST_F(ValidacaoConfiguracaoTest, AccountMissingFromTheChartIsTheServersError) {
  const CZQDadosDF_Erro& erro = Valida({Contas({kInexistente})});
  EXPECT_EQ(erro.GetTipoErro(), ZQ_TIPO_ERRO_HRESULT);
  EXPECT_LT(erro.GetHR(), 0);
  EXPECT_NE(std::string(erro.GetTextoMostraMensagem().c_str()).find("999"), std::string::npos);
  EXPECT_EQ(Traces("CCLTrataDadosConfiguracaoServicoImportacaoExtratos::ConsisteContaBanco",
                   "GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiro, &dadosConta)")
                .size(),
            1u);
}

}  // namespace
