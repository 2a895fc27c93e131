#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "import/validacao_teste_util.h"
#include "importservice/cl_trata_dados_configuracao_servico_importacao_extratos.h"
#include "store/zq_falhas_injetadas.h"

namespace {

using namespace cl_validacao;
using Regra = CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra;

// A rule as the configuration screen fills it.
struct DescRegra {
  std::vector<uint32_t> contas = {kTavorin};
  uint32_t filial = 1;
  uint8_t frequencia = ZQ_FREQUENCIA_DIARIA;
  REG_ZQHMS hms = zq::MontaHms(6, 0, 0);

  Regra Registro() const {
    Regra r;
    r.SetPonteiroFilial(filial).SetFrequencia(frequencia).SetHmsExecucao(hms).SetApenasDiasUteis(true);
    for (uint32_t conta : contas) r.AdicionaPonteiroContaBanco(conta);
    return r;
  }
};

DescRegra Contas(std::vector<uint32_t> contas) {
  DescRegra r;
  r.contas = std::move(contas);
  return r;
}

template <typename F>
DescRegra Com(DescRegra r, F muda) {
  muda(r);
  return r;
}

CZQDadosCL_ConfiguracaoServicoImportacaoExtratos Configuracao(const std::vector<DescRegra>& regras) {
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos c;
  for (const DescRegra& r : regras) c.AdicionaRegra(r.Registro());
  return c;
}

class ValidacaoConfiguracaoTest : public AmbienteValidacaoTest {
 protected:
  void SetUp() override {
    AmbienteValidacaoTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(m_validador.Inicializa(&m_pessoa), S_OK);
  }

  const CZQDadosDF_Erro& Valida(const std::vector<DescRegra>& regras) {
    m_registro = Configuracao(regras);
    return m_validador.TrataGravacao(&m_registro);
  }

  CCLTrataDadosConfiguracaoServicoImportacaoExtratos m_validador;
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos m_registro;
};

// ---------------------------------------------------------------- outcomes

struct CasoConfiguracao {
  const char* nome;
  std::vector<DescRegra> regras;
  long mensagem;    // 0: the configuration passes
  long valor = 0;   // third value of a plain warning
  uint32_t conta = 0;  // the account a personalised warning names
};

void PrintTo(const CasoConfiguracao& c, std::ostream* os) { *os << c.nome; }

class ConfiguracaoTest : public ValidacaoConfiguracaoTest, public ::testing::WithParamInterface<CasoConfiguracao> {};

TEST_P(ConfiguracaoTest, PassesOrWarnsWithItsMessage) {
  const CasoConfiguracao& c = GetParam();
  const CZQDadosDF_Erro& erro = Valida(c.regras);
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
  EXPECT_EQ(&erro, &m_validador.GetErro());
}

INSTANTIATE_TEST_SUITE_P(
    Regra, ConfiguracaoTest,
    ::testing::Values(
        CasoConfiguracao{"empty_list", {}, 0},
        CasoConfiguracao{"valid_rule", {DescRegra{}}, 0},
        CasoConfiguracao{"no_account", {Contas({})}, 5892, 1},
        CasoConfiguracao{"no_account_and_no_branch_reports_only_the_account",
                         {Com(Contas({}), [](DescRegra& r) { r.filial = 0; })}, 5892, 1},
        CasoConfiguracao{"no_branch", {Com(DescRegra{}, [](DescRegra& r) { r.filial = 0; })}, 5893, 2},
        CasoConfiguracao{"accounts_come_before_the_branch",
                         {Com(Contas({kCaixa}), [](DescRegra& r) { r.filial = 0; })}, 5897, 0, kCaixa},
        CasoConfiguracao{"no_frequency", {Com(DescRegra{}, [](DescRegra& r) { r.frequencia = 0; })}, 5898, 3},
        CasoConfiguracao{"branch_comes_before_frequency", {Com(DescRegra{}, [](DescRegra& r) {
                           r.frequencia = 0;
                           r.filial = 0;
                         })}, 5893, 2},
        CasoConfiguracao{"daily_at_midnight", {Com(DescRegra{}, [](DescRegra& r) { r.hms = 0; })}, 5894, 4},
        CasoConfiguracao{"daily_at_one_second", {Com(DescRegra{}, [](DescRegra& r) { r.hms = 1; })}, 0},
        CasoConfiguracao{"daily_at_the_last_second", {Com(DescRegra{}, [](DescRegra& r) { r.hms = 86399; })}, 0},
        CasoConfiguracao{"daily_time_is_not_bounded", {Com(DescRegra{}, [](DescRegra& r) { r.hms = 86400; })}, 0},
        CasoConfiguracao{"daily_negative_time", {Com(DescRegra{}, [](DescRegra& r) { r.hms = -60; })}, 0},
        CasoConfiguracao{"every_cycle_at_midnight", {Com(DescRegra{}, [](DescRegra& r) {
                           r.frequencia = ZQ_FREQUENCIA_CADA_CICLO;
                           r.hms = 0;
                         })}, 0},
        CasoConfiguracao{"other_frequency_at_midnight", {Com(DescRegra{}, [](DescRegra& r) {
                           r.frequencia = 3;
                           r.hms = 0;
                         })}, 0},
        CasoConfiguracao{"second_rule_refused_after_a_valid_one",
                         {DescRegra{}, Com(Contas({kBancoBrasil}), [](DescRegra& r) { r.hms = 0; })}, 5894, 4}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Contas, ConfiguracaoTest,
    ::testing::Values(
        CasoConfiguracao{"not_a_bank_account", {Contas({kCaixa})}, 5897, 0, kCaixa},
        CasoConfiguracao{"type_other_than_a_or_s", {Contas({kTipoInvalido})}, 5899, 0, kTipoInvalido},
        CasoConfiguracao{"synthetic_bank_account", {Contas({kSintetica})}, 0},
        CasoConfiguracao{"bank_flag_comes_before_type", {Contas({kNaoBancoTipoInvalido})}, 5897, 0,
                         kNaoBancoTipoInvalido},
        CasoConfiguracao{"no_integration_environment", {Contas({kTavorinSemAmbiente})}, 5895, 0, kTavorinSemAmbiente},
        CasoConfiguracao{"no_online_source", {Contas({kSemIntegracao})}, 5895, 0, kSemIntegracao},
        CasoConfiguracao{"tavorin_without_statement_flag", {Contas({kTavorinSemFlag})}, 0},
        CasoConfiguracao{"banco_do_brasil_with_its_statement_environment", {Contas({kBancoBrasil})}, 0},
        CasoConfiguracao{"banco_do_brasil_without_statement_flag", {Contas({kBancoBrasilSemFlag})}, 5895, 0,
                         kBancoBrasilSemFlag},
        CasoConfiguracao{"first_bad_account_in_list_order", {Contas({kTavorin, kTipoInvalido, kCaixa})}, 5899, 0,
                         kTipoInvalido}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Conjunto, ConfiguracaoTest,
    ::testing::Values(
        CasoConfiguracao{"two_rules_share_an_account", {Contas({kTavorin}), Contas({kBancoBrasil, kTavorin})}, 5896, 0,
                         kTavorin},
        CasoConfiguracao{"same_account_twice_in_one_rule", {Contas({kBancoBrasil, kTavorin, kBancoBrasil})}, 5896, 0,
                         kBancoBrasil},
        CasoConfiguracao{"second_occurrence_met_first_is_named",
                         {Contas({kTavorin, kBancoBrasil}), Contas({kBancoBrasil, kTavorin})}, 5896, 0, kBancoBrasil},
        CasoConfiguracao{"distinct_accounts_in_three_rules",
                         {Contas({kTavorin}), Contas({kBancoBrasil}), Contas({kSintetica, kTavorinSemFlag})}, 0},
        CasoConfiguracao{"each_rule_is_checked_before_the_set",
                         {Contas({kTavorin}), Com(Contas({kTavorin}), [](DescRegra& r) { r.filial = 0; })}, 5893,
                         2}),
    [](const auto& info) { return std::string(info.param.nome); });

// The public checks answer alone, each clearing what the previous one left.
TEST_F(ValidacaoConfiguracaoTest, RuleAndSetChecksStandAlone) {
  EXPECT_EQ(m_validador.ConsisteRegra(Contas({}).Registro()).GetCodigoMensagem(), 5892);
  EXPECT_TRUE(m_validador.ConsisteRegra(DescRegra{}.Registro()).EhErroNenhum());

  CZQVector<Regra> regras;
  regras.Add(DescRegra{}.Registro());
  regras.Add(DescRegra{}.Registro());
  // The set check knows nothing of branches or times, only of accounts met twice.
  regras[1].SetPonteiroFilial(0);
  EXPECT_EQ(m_validador.ConsisteConjuntoRegra(regras).GetCodigoMensagem(), 5896);
  regras.RemoveAt(1);
  EXPECT_TRUE(m_validador.ConsisteConjuntoRegra(regras).EhErroNenhum());
}

// ---------------------------------------------------------------- wrong record

class RegistroErradoConfiguracaoTest : public ValidacaoConfiguracaoTest,
                                       public ::testing::WithParamInterface<std::function<TZQBaseParaDados*()>> {};

TEST_P(RegistroErradoConfiguracaoTest, IsRefusedWithClass2105AndReadsNothing) {
  std::unique_ptr<TZQBaseParaDados> registro(GetParam()());
  CZQFalhasInjetadas falhas;
  CZQInjecaoFalhas injecao(falhas);
  CCLTrataDadosConfiguracaoServicoImportacaoExtratos validador;
  ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);
  const CZQDadosDF_Erro& erro = validador.TrataGravacao(registro.get());
  EXPECT_EQ(erro.GetTipoErro(), ZQ_TIPO_ERRO_HRESULT);
  EXPECT_EQ(erro.GetHR(), ZQ_HR(0x80FF0D12));
  EXPECT_EQ(erro.GetClasse(), 2105);
  EXPECT_EQ(erro.GetValor(), 0);
  EXPECT_TRUE(falhas.TodasChamadas().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Registros, RegistroErradoConfiguracaoTest,
    ::testing::Values([]() -> TZQBaseParaDados* { return nullptr; },
                      []() -> TZQBaseParaDados* { return new Regra; },
                      []() -> TZQBaseParaDados* { return new CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco; },
                      []() -> TZQBaseParaDados* { return new CZQDadosCL_FiltroImportacaoExtrato; }));

// ---------------------------------------------------------------- server failures

constexpr HRESULT kFalha = ZQ_HR(0x8007001F);

struct CasoFalha {
  const char* nome;
  const char* operacao;
  long chamada;
  std::vector<DescRegra> regras;
  const char* funcao;
  const char* expressao;
};

void PrintTo(const CasoFalha& c, std::ostream* os) { *os << c.nome; }

class FalhaConfiguracaoTest : public ValidacaoConfiguracaoTest, public ::testing::WithParamInterface<CasoFalha> {};

TEST_P(FalhaConfiguracaoTest, IsTracedOnceAndTheServersErrorComesBack) {
  const CasoFalha& c = GetParam();
  CZQDadosDF_Erro erroServidor;
  erroServidor.SetErro(kFalha, 31, 9);
  erroServidor.SetTexto("Plano de contas indisponível");
  CZQFalhasInjetadas falhas;
  falhas.Falha(c.operacao, c.chamada, kFalha, erroServidor);
  CZQInjecaoFalhas injecao(falhas);
  CCLTrataDadosConfiguracaoServicoImportacaoExtratos validador;
  ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);

  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos registro = Configuracao(c.regras);
  const CZQDadosDF_Erro& erro = validador.TrataGravacao(&registro);

  EXPECT_EQ(falhas.FalhasOcorridas(), std::vector<std::string>{std::string(c.operacao) + "#" +
                                                               std::to_string(c.chamada)});
  EXPECT_EQ(erro, erroServidor);
  // Validation stops at the failed read.
  EXPECT_EQ(falhas.Chamadas(c.operacao), c.chamada);
  const std::vector<std::string> traces = Traces(c.funcao, c.expressao);
  ASSERT_EQ(traces.size(), 1u) << "expected the trace of " << c.expressao;
  EXPECT_NE(traces[0].find("0X8007001F"), std::string::npos);
  EXPECT_EQ(RegistrosLog().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Leituras, FalhaConfiguracaoTest,
    ::testing::Values(
        CasoFalha{"chart_entry", "LeBufferPlanoContabil", 1, {DescRegra{}},
                  "CCLTrataDadosConfiguracaoServicoImportacaoExtratos::ConsisteContaBanco",
                  "GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiro, &dadosConta)"},
        CasoFalha{"chart_entry_of_a_later_account", "LeBufferPlanoContabil", 2, {Contas({kTavorin, kBancoBrasil})},
                  "CCLTrataDadosConfiguracaoServicoImportacaoExtratos::ConsisteContaBanco",
                  "GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiro, &dadosConta)"},
        CasoFalha{"bank_data", "LeBufferBanco", 1, {DescRegra{}},
                  "CCLTrataDadosConfiguracaoServicoImportacaoExtratos::ConsisteContaBanco",
                  "GetAcessoEmpresarial()->LeBufferBanco(ulPonteiro, &dadosBanco)"},
        CasoFalha{"chart_entry_of_the_repeated_account", "LeBufferPlanoContabil", 3,
                  {Contas({kTavorin}), Contas({kTavorin})},
                  "CCLTrataDadosConfiguracaoServicoImportacaoExtratos::ConsisteConjuntoRegra",
                  "GetAcessoEmpresarial()->LeBufferPlanoContabil(ulPonteiroContaBanco, &dadosConta)"}),
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
