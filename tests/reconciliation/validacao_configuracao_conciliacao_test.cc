// The reconciliation service's configuration checked before it is saved: the order of
// the checks, the bounds of a daily time, accounts in one rule only, the reads of the
// chart and their failures ("cl validate-config conciliacao" is tried with the tool's tests).

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "import/validacao_teste_util.h"
#include "reconciliation/cl_trata_dados_configuracao_conciliacao_tesouraria_banco.h"
#include "store/zq_falhas_injetadas.h"

namespace {

using namespace cl_validacao;
using Validador = CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco;
using Regra = CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra;

// A rule as the configuration screen fills it: a valid daily rule unless changed.
struct DescRegra {
  std::vector<uint32_t> contas = {kTavorin};
  uint32_t filial = 1;
  uint8_t frequencia = ZQ_FREQUENCIA_DIARIA;
  REG_ZQHMS hms = zq::MontaHms(9, 0, 0);

  Regra Registro() const {
    Regra r;
    r.SetPonteiroFilial(filial).SetFrequencia(frequencia).SetHmsExecucao(hms).SetApenasDiasUteis(true);
    for (uint32_t conta : contas) r.AdicionaPonteiroContaBanco(conta);
    return r;
  }
};

DescRegra Regra_(std::vector<uint32_t> contas, uint32_t filial = 1, uint8_t frequencia = ZQ_FREQUENCIA_DIARIA,
                 REG_ZQHMS hms = zq::MontaHms(9, 0, 0)) {
  return DescRegra{std::move(contas), filial, frequencia, hms};
}
DescRegra Horario(uint8_t frequencia, REG_ZQHMS hms) { return Regra_({kTavorin}, 1, frequencia, hms); }

CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco Configuracao(const std::vector<DescRegra>& regras) {
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco c;
  for (const DescRegra& r : regras) c.AdicionaRegra(r.Registro());
  return c;
}

// Every case runs on a validator made under fault injection, so that its reads are
// counted (and fail where a case says).
using ValidacaoConciliacaoTest = AmbienteValidacaoTest;

// ---------------------------------------------------------------- outcomes

struct CasoConfiguracao {
  const char* nome;
  std::vector<DescRegra> regras;
  long mensagem;       // 0: the configuration passes
  long valor = 0;      // third value of a plain warning
  uint32_t conta = 0;  // the account a personalised warning names
};

void PrintTo(const CasoConfiguracao& c, std::ostream* os) { *os << c.nome; }

class ConfiguracaoConciliacaoTest : public ValidacaoConciliacaoTest,
                                    public ::testing::WithParamInterface<CasoConfiguracao> {};

TEST_P(ConfiguracaoConciliacaoTest, PassesOrWarnsWithItsMessage) {
  const CasoConfiguracao& c = GetParam();
  CZQFalhasInjetadas falhas;
  CZQInjecaoFalhas injecao(falhas);
  Validador validador;
  ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco registro = Configuracao(c.regras);
  const CZQDadosDF_Erro& erro = validador.TrataGravacao(&registro);

  // Only chart entries are read: the bank's online sources are no concern here.
  for (const auto& [operacao, chamadas] : falhas.TodasChamadas()) {
    EXPECT_EQ(operacao, "LeBufferPlanoContabil") << chamadas << " calls";
  }
  EXPECT_TRUE(RegistrosLog().empty());
  EXPECT_EQ(&erro, &validador.GetErro());
  if (c.mensagem == 0) {
    EXPECT_TRUE(erro.EhErroNenhum()) << erro.GetCodigoMensagem() << ": " << erro.GetTextoMostraMensagem().c_str();
    return;
  }
  ASSERT_TRUE(erro.EhAviso()) << "type " << erro.GetTipoErro() << ": " << erro.GetTextoMostraMensagem().c_str();
  EXPECT_EQ(erro.GetModuloMensagem(), ZQ_MODULO_CL);
  EXPECT_EQ(erro.GetCodigoMensagem(), c.mensagem);
  if (c.conta != 0) {
    EXPECT_EQ(erro.GetValor(), 1);
    EXPECT_EQ(erro.GetTextoMostraMensagem().c_str(), MensagemCom(c.mensagem, CodigoProprio(c.conta)));
  } else {
    EXPECT_EQ(erro.GetValor(), c.valor);
    EXPECT_EQ(erro.GetTextoMostraMensagem().c_str(), Mensagem(c.mensagem));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Ordem, ConfiguracaoConciliacaoTest,
    ::testing::Values(
        CasoConfiguracao{"empty_list", {}, 0},
        CasoConfiguracao{"valid_rule", {DescRegra{}}, 0},
        CasoConfiguracao{"no_account", {Regra_({})}, 5892, 1},
        CasoConfiguracao{"no_account_and_no_branch_reports_only_the_account", {Regra_({}, 0, 0, 0)}, 5892, 1},
        CasoConfiguracao{"no_branch", {Regra_({kTavorin}, 0)}, 5893, 2},
        CasoConfiguracao{"branch_comes_before_the_accounts", {Regra_({kCaixa}, 0)}, 5893, 2},
        CasoConfiguracao{"accounts_come_before_the_frequency", {Regra_({kCaixa}, 1, 0)}, 5897, 0, kCaixa},
        CasoConfiguracao{"frequency_comes_before_the_time", {Regra_({kTavorin}, 1, 0, 0)}, 5898, 3},
        CasoConfiguracao{"second_rule_refused_after_a_valid_one", {DescRegra{}, Horario(1, 86400)}, 5894, 4}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Horario, ConfiguracaoConciliacaoTest,
    ::testing::Values(
        CasoConfiguracao{"daily_at_midnight", {Horario(1, 0)}, 5894, 4},
        CasoConfiguracao{"daily_at_the_last_second", {Horario(1, 86399)}, 0},
        CasoConfiguracao{"daily_a_day_after_midnight", {Horario(1, 86400)}, 5894, 4},
        CasoConfiguracao{"daily_negative_last_second", {Horario(1, -86399)}, 0},
        CasoConfiguracao{"daily_negative_a_whole_day", {Horario(1, -86400)}, 5894, 4},
        CasoConfiguracao{"daily_most_negative_time", {Horario(1, INT32_MIN)}, 5894, 4},
        CasoConfiguracao{"every_cycle_at_midnight", {Horario(2, 0)}, 0},
        CasoConfiguracao{"every_cycle_time_is_not_checked", {Horario(2, 86400)}, 0}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Contas, ConfiguracaoConciliacaoTest,
    ::testing::Values(
        CasoConfiguracao{"not_a_bank_account", {Regra_({kCaixa})}, 5897, 0, kCaixa},
        CasoConfiguracao{"type_other_than_a_or_s", {Regra_({kTipoInvalido})}, 5899, 0, kTipoInvalido},
        CasoConfiguracao{"bank_flag_comes_before_type", {Regra_({kNaoBancoTipoInvalido})}, 5897, 0,
                         kNaoBancoTipoInvalido},
        CasoConfiguracao{"bank_without_online_source", {Regra_({kSemIntegracao, kTavorinSemAmbiente})}, 0},
        CasoConfiguracao{"first_bad_account_in_list_order", {Regra_({kTavorin, kTipoInvalido, kCaixa})}, 5899, 0,
                         kTipoInvalido}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Conjunto, ConfiguracaoConciliacaoTest,
    ::testing::Values(
        CasoConfiguracao{"two_rules_share_an_account", {Regra_({kTavorin}), Regra_({kBancoBrasil, kTavorin})}, 5896, 0,
                         kTavorin},
        CasoConfiguracao{"same_account_twice_in_one_rule", {Regra_({kBancoBrasil, kTavorin, kBancoBrasil})}, 5896, 0,
                         kBancoBrasil},
        CasoConfiguracao{"second_occurrence_met_first_is_named",
                         {Regra_({kTavorin, kBancoBrasil}), Regra_({kBancoBrasil, kTavorin})}, 5896, 0, kBancoBrasil},
        CasoConfiguracao{"distinct_accounts_in_three_rules",
                         {Regra_({kTavorin}), Regra_({kBancoBrasil}), Regra_({kSintetica, kSemIntegracao})}, 0},
        // The set check knows nothing of branches or times: each rule is checked first.
        CasoConfiguracao{"each_rule_is_checked_before_the_set", {DescRegra{}, Regra_({kTavorin}, 0)}, 5893, 2}),
    [](const auto& info) { return std::string(info.param.nome); });

// ---------------------------------------------------------------- wrong record

class RegistroErradoConciliacaoTest : public ValidacaoConciliacaoTest,
                                      public ::testing::WithParamInterface<std::function<TZQBaseParaDados*()>> {};

TEST_P(RegistroErradoConciliacaoTest, IsRefusedWithClass2105AndValueMinusOne) {
  std::unique_ptr<TZQBaseParaDados> registro(GetParam()());
  CZQFalhasInjetadas falhas;
  CZQInjecaoFalhas injecao(falhas);
  Validador validador;
  ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);
  const CZQDadosDF_Erro& erro = validador.TrataGravacao(registro.get());
  EXPECT_EQ(erro.GetTipoErro(), ZQ_TIPO_ERRO_HRESULT);
  EXPECT_EQ(erro.GetHR(), ZQ_HR(0x80FF0D12));
  EXPECT_EQ(erro.GetClasse(), 2105);
  EXPECT_EQ(erro.GetValor(), -1);
  EXPECT_TRUE(falhas.TodasChamadas().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Registros, RegistroErradoConciliacaoTest,
    ::testing::Values([]() -> TZQBaseParaDados* { return nullptr; },
                      []() -> TZQBaseParaDados* { return new Regra; },
                      []() -> TZQBaseParaDados* { return new CZQDadosCL_ConfiguracaoServicoImportacaoExtratos; }));

// ---------------------------------------------------------------- server failures

constexpr HRESULT kFalha = ZQ_HR(0x8007001F);
constexpr char kLeitura[] = "GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiroBanco, &dadosConta)";

struct CasoFalha {
  const char* nome;
  long chamada;  // of LeBufferPlanoContabil
  std::vector<DescRegra> regras;
  const char* funcao;
};

void PrintTo(const CasoFalha& c, std::ostream* os) { *os << c.nome; }

class FalhaConciliacaoTest : public ValidacaoConciliacaoTest, public ::testing::WithParamInterface<CasoFalha> {};

TEST_P(FalhaConciliacaoTest, IsTracedOnceAndTheServersErrorComesBack) {
  const CasoFalha& c = GetParam();
  CZQDadosDF_Erro erroServidor;
  erroServidor.SetErro(kFalha, 31, 9);
  erroServidor.SetTexto("Plano de contas indisponível");
  CZQFalhasInjetadas falhas;
  falhas.Falha("LeBufferPlanoContabil", c.chamada, kFalha, erroServidor);
  CZQInjecaoFalhas injecao(falhas);
  Validador validador;
  ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);

  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco registro = Configuracao(c.regras);
  const CZQDadosDF_Erro& erro = validador.TrataGravacao(&registro);

  EXPECT_EQ(falhas.FalhasOcorridas(), std::vector<std::string>{"LeBufferPlanoContabil#" + std::to_string(c.chamada)});
  EXPECT_EQ(erro, erroServidor);
  // Validation stops at the failed read.
  EXPECT_EQ(falhas.Chamadas("LeBufferPlanoContabil"), c.chamada);
  const std::vector<std::string> traces = Traces(c.funcao, kLeitura);
  ASSERT_EQ(traces.size(), 1u) << "expected the trace of " << kLeitura;
  EXPECT_NE(traces[0].find("0X8007001F"), std::string::npos);
  EXPECT_EQ(RegistrosLog().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Leituras, FalhaConciliacaoTest,
    ::testing::Values(
        CasoFalha{"first_account", 1, {DescRegra{}, Regra_({kBancoBrasil})},
                  "CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::ConsisteRegra"},
        CasoFalha{"later_account_of_the_rule", 2, {Regra_({kTavorin, kBancoBrasil, kSintetica})},
                  "CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::ConsisteRegra"},
        CasoFalha{"repeated_account", 3, {Regra_({kTavorin}), Regra_({kTavorin})},
                  "CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco::ConsisteConjuntoRegra"}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
