// The reconciliation service's configuration checked before it is saved.

#include "importservice/validacao_configuracao_teste_util.h"
#include "reconciliation/cl_trata_dados_configuracao_conciliacao_tesouraria_banco.h"

namespace {

using namespace cl_validacao;
using Validador = CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco;
using Configuracao = CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco;
using Regra = CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra;
using Desc = DescRegra<Regra>;
using Caso = CasoConfiguracao<Regra>;

Desc Regra_(std::vector<uint32_t> contas, uint32_t filial = 1, uint8_t frequencia = ZQ_FREQUENCIA_DIARIA,
            REG_ZQHMS hms = zq::MontaHms(9, 0, 0)) {
  return Desc{std::move(contas), filial, frequencia, hms};
}
Desc Horario(uint8_t frequencia, REG_ZQHMS hms) { return Regra_({kTavorin}, 1, frequencia, hms); }

class ConfiguracaoConciliacaoTest : public AmbienteConfiguracaoTest, public ::testing::WithParamInterface<Caso> {};

// The validator is made under fault injection, so that its reads are counted.
TEST_P(ConfiguracaoConciliacaoTest, PassesOrWarnsWithItsMessage) {
  CZQFalhasInjetadas falhas;
  CZQInjecaoFalhas injecao(falhas);
  Validador validador;
  ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);
  Configuracao registro = MontaConfiguracao<Configuracao>(GetParam().regras);
  const CZQDadosDF_Erro& erro = validador.TrataGravacao(&registro);

  // Only chart entries are read: the bank's online sources are no concern here.
  for (const auto& [operacao, chamadas] : falhas.TodasChamadas()) {
    EXPECT_EQ(operacao, "LeBufferPlanoContabil") << chamadas << " calls";
  }
  EXPECT_TRUE(RegistrosLog().empty());
  EXPECT_EQ(&erro, &validador.GetErro());
  ConfereResposta(erro, GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ConfiguracaoConciliacaoTest,
    ::testing::Values(
        Caso{"empty_list", {}, 0}, Caso{"valid_rule", {Desc{}}, 0}, Caso{"no_account", {Regra_({})}, 5892, 1},
        Caso{"no_account_and_no_branch_reports_only_the_account", {Regra_({}, 0, 0, 0)}, 5892, 1},
        Caso{"no_branch", {Regra_({kTavorin}, 0)}, 5893, 2},
        Caso{"branch_comes_before_the_accounts", {Regra_({kCaixa}, 0)}, 5893, 2},
        Caso{"accounts_come_before_the_frequency", {Regra_({kCaixa}, 1, 0)}, 5897, 0, kCaixa},
        Caso{"frequency_comes_before_the_time", {Regra_({kTavorin}, 1, 0, 0)}, 5898, 3},
        Caso{"second_rule_refused_after_a_valid_one", {Desc{}, Horario(1, 86400)}, 5894, 4},
        Caso{"daily_at_midnight", {Horario(1, 0)}, 5894, 4}, Caso{"daily_at_the_last_second", {Horario(1, 86399)}, 0},
        Caso{"daily_a_day_after_midnight", {Horario(1, 86400)}, 5894, 4},
        Caso{"daily_negative_last_second", {Horario(1, -86399)}, 0},
        Caso{"daily_negative_a_whole_day", {Horario(1, -86400)}, 5894, 4},
        Caso{"daily_most_negative_time", {Horario(1, INT32_MIN)}, 5894, 4},
        Caso{"every_cycle_at_midnight", {Horario(2, 0)}, 0},
        Caso{"every_cycle_time_is_not_checked", {Horario(2, 86400)}, 0},
        Caso{"not_a_bank_account", {Regra_({kCaixa})}, 5897, 0, kCaixa},
        Caso{"type_other_than_a_or_s", {Regra_({kTipoInvalido})}, 5899, 0, kTipoInvalido},
        Caso{"bank_flag_comes_before_type", {Regra_({kNaoBancoTipoInvalido})}, 5897, 0, kNaoBancoTipoInvalido},
        Caso{"bank_without_online_source", {Regra_({kSemIntegracao, kTavorinSemAmbiente})}, 0},
        Caso{"first_bad_account_in_list_order", {Regra_({kTavorin, kTipoInvalido, kCaixa})}, 5899, 0, kTipoInvalido},
        Caso{"two_rules_share_an_account", {Regra_({kTavorin}), Regra_({kBancoBrasil, kTavorin})}, 5896, 0, kTavorin},
        Caso{"same_account_twice_in_one_rule", {Regra_({kBancoBrasil, kTavorin, kBancoBrasil})}, 5896, 0, kBancoBrasil},
        Caso{"second_occurrence_met_first_is_named",
             {Regra_({kTavorin, kBancoBrasil}), Regra_({kBancoBrasil, kTavorin})},
             5896,
             0,
             kBancoBrasil},
        Caso{"distinct_accounts_in_three_rules",
             {Regra_({kTavorin}), Regra_({kBancoBrasil}), Regra_({kSintetica, kSemIntegracao})},
             0},
        // The set check knows nothing of branches or times: each rule is checked first.
        Caso{"each_rule_is_checked_before_the_set", {Desc{}, Regra_({kTavorin}, 0)}, 5893, 2}),
    [](const auto& info) { return std::string(info.param.nome); });

class RegistroErradoConciliacaoTest : public AmbienteConfiguracaoTest,
                                      public ::testing::WithParamInterface<std::function<TZQBaseParaDados*()>> {};

TEST_P(RegistroErradoConciliacaoTest, IsRefusedWithClass2105AndValueMinusOne) {
  ConfereRegistroErrado<Validador>(GetParam()(), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Registros, RegistroErradoConciliacaoTest,
    ::testing::Values([]() -> TZQBaseParaDados* { return nullptr; }, []() -> TZQBaseParaDados* { return new Regra; },
                      []() -> TZQBaseParaDados* { return new CZQDadosCL_ConfiguracaoServicoImportacaoExtratos; }));

struct CasoFalha {
  const char* nome;
  long chamada;  // of LeBufferPlanoContabil
  std::vector<Desc> regras;
  const char* funcao;  // of the validator
};

void PrintTo(const CasoFalha& c, std::ostream* os) { *os << c.nome; }

class FalhaConciliacaoTest : public AmbienteConfiguracaoTest, public ::testing::WithParamInterface<CasoFalha> {};

TEST_P(FalhaConciliacaoTest, IsTracedOnceAndTheServersErrorComesBack) {
  const CasoFalha& c = GetParam();
  ConfereFalhaLeitura<Validador>(
      "LeBufferPlanoContabil", c.chamada, MontaConfiguracao<Configuracao>(c.regras),
      ("CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::" + std::string(c.funcao)).c_str(),
      "GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiroBanco, &dadosConta)");
}

INSTANTIATE_TEST_SUITE_P(
    Leituras, FalhaConciliacaoTest,
    ::testing::Values(
        CasoFalha{"first_account", 1, {Desc{}, Regra_({kBancoBrasil})}, "ConsisteRegra"},
        CasoFalha{"later_account_of_the_rule", 2, {Regra_({kTavorin, kBancoBrasil, kSintetica})}, "ConsisteRegra"},
        CasoFalha{"repeated_account", 3, {Regra_({kTavorin}), Regra_({kTavorin})}, "ConsisteConjuntoRegra"}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
