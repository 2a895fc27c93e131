#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "amostras_registros.h"

namespace {

using amostra::Preenche;

template <typename T>
T Preenchido(int semente) {
  T r;
  Preenche(r, semente);
  return r;
}

// A record of another class to pit against T.
template <typename T>
struct Outro {
  using Tipo = CZQDadosCL_Mestre;
};
template <>
struct Outro<CZQDadosCL_Mestre> {
  using Tipo = CZQDadosFN_Mestre;
};

template <typename T>
class RegistroTest : public ::testing::Test {};

using TodosRegistros = ::testing::Types<
    CZQDadosCL_Extrato, CZQDadosCL_FiltroImportacaoExtrato, CZQDadosCL_FiltroExtrato, CZQDadosCL_ExtraInfoBase,
    CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra, CZQDadosCL_ConfiguracaoServicoImportacaoExtratos,
    CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra,
    CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco, CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra,
    CZQDadosCL_ExecucaoServicoImportacaoExtratos, CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos,
    CZQDadosCL_ExecucaoConciliacaoTesourariaBanco, CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco,
    CZQDadosCL_ConciliacaoAutomatica, CZQDadosCL_ConciliacaoTesourariaBancos, CZQDadosCL_Tabela, CZQDadosCL_Leiaute,
    CZQDadosCL_Mestre, CZQDadosFN_Tesouraria, CZQDadosFN_FiltroTesouraria, CZQDadosFN_Mestre,
    CZQDadosFN_StatusHiperautomacaoFinanceira, CZQDadosDF_Banco, CZQDadosDF_PlanoEmpresarial, CZQDadosDF_FormaPagamento,
    CZQDadosDF_Historico, CZQDadosDF_PeriodoContabil, CZQDadosDF_Feriado, CZQDadosCN_MestreEmpresa,
    CZQDadosCR_ConsultaSistemaTerceiro, CZQDadosCR_FiltroConsultaExtratoBancoBrasil, CZQDadosCR_ExtratoBancoBrasil,
    CZQDadosCR_ConsultaExtratoBancoBrasil, CZQDadosCR_StatusConsultaSistemaTerceiro>;
TYPED_TEST_SUITE(RegistroTest, TodosRegistros);

TYPED_TEST(RegistroTest, ANewRecordIsEmptyAndAFilledOneIsNot) {
  TypeParam novo;
  EXPECT_TRUE(novo.EstaVazio());
  EXPECT_FALSE(Preenchido<TypeParam>(1).EstaVazio());
}

TYPED_TEST(RegistroTest, DifferentContentIsNotEqual) {
  TypeParam a = Preenchido<TypeParam>(1);
  TypeParam b = Preenchido<TypeParam>(2);
  EXPECT_FALSE(a == b);
  EXPECT_FALSE(a.Igual(b));
  EXPECT_FALSE(b.Igual(a));
}

TYPED_TEST(RegistroTest, EveryWayOfCopyingGivesAnEqualRecord) {
  const TypeParam original = Preenchido<TypeParam>(1);

  TypeParam construido(original);
  TypeParam atribuido;
  atribuido = original;
  TypeParam copiado;
  ASSERT_TRUE(copiado.Copiar(original));
  TypeParam destino = Preenchido<TypeParam>(2);
  ASSERT_EQ(original.CopiarPara(destino), S_OK);
  std::unique_ptr<TZQBaseParaDados> clone = original.Clonar();

  for (const TZQBaseParaDados* r :
       std::vector<const TZQBaseParaDados*>{&construido, &atribuido, &copiado, &destino, clone.get()}) {
    EXPECT_TRUE(r->Igual(original));
    EXPECT_TRUE(original.Igual(*r));
    EXPECT_TRUE(r->MesmaClasse(original));
  }
  EXPECT_TRUE(construido == original);
  // A copy is independent of its source.
  copiado.Limpar();
  EXPECT_FALSE(copiado.Igual(original));
  EXPECT_FALSE(original.EstaVazio());
}

TYPED_TEST(RegistroTest, ClearingGoesBackToTheNewRecord) {
  TypeParam r = Preenchido<TypeParam>(2);
  r.Limpar();
  EXPECT_TRUE(r.EstaVazio());
  EXPECT_TRUE(r == TypeParam{});
  EXPECT_TRUE(r.Igual(TypeParam{}));
}

TYPED_TEST(RegistroTest, ThePlainStructureRoundTrips) {
  using PS = typename TypeParam::RegistroPS;
  const TypeParam original = Preenchido<TypeParam>(1);

  PS ps{};
  ASSERT_EQ(original.CopiarParaPS(&ps, sizeof(PS)), S_OK);
  EXPECT_EQ(original.GetTamanhoPS(), sizeof(PS));

  TypeParam lido;
  ASSERT_EQ(lido.CopiarDe(&ps, sizeof(PS)), S_OK);
  EXPECT_TRUE(lido.GetRegistro() == original.GetRegistro());
}

TYPED_TEST(RegistroTest, AStructureOfTheWrongSizeIsRefusedAndChangesNothing) {
  using PS = typename TypeParam::RegistroPS;
  const TypeParam original = Preenchido<TypeParam>(1);
  TypeParam r = original;
  PS ps{};
  EXPECT_EQ(r.CopiarDe(&ps, sizeof(PS) + 1), E_INVALIDARG);
  EXPECT_EQ(r.CopiarDe(nullptr, sizeof(PS)), E_INVALIDARG);
  EXPECT_EQ(r.CopiarParaPS(&ps, sizeof(PS) - 1), E_INVALIDARG);
  EXPECT_EQ(r.CopiarParaPS(nullptr, sizeof(PS)), E_INVALIDARG);
  EXPECT_TRUE(r.Igual(original));
  EXPECT_TRUE(ps == PS{});
}

TYPED_TEST(RegistroTest, ARecordOfAnotherClassIsNeverEqualNorCopied) {
  using O = typename Outro<TypeParam>::Tipo;
  const TypeParam original = Preenchido<TypeParam>(1);
  TypeParam r = original;
  O outro;
  EXPECT_FALSE(r.Igual(outro));
  EXPECT_FALSE(outro.Igual(r));
  EXPECT_FALSE(r.Copiar(outro));
  EXPECT_EQ(outro.CopiarPara(r), E_INVALIDARG);
  EXPECT_TRUE(r.Igual(original));
}

// The two services' rules share their plain structure and lists; they are still
// two kinds of record.
TEST(RegistroTest, RulesOfTheTwoServicesDoNotMix) {
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra importacao;
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra conciliacao;
  amostra::PreencheRegra(importacao, 1);
  amostra::PreencheRegra(conciliacao, 1);
  ASSERT_TRUE(importacao.GetRegistro() == conciliacao.GetRegistro());
  EXPECT_FALSE(importacao.Igual(conciliacao));
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra vazia;
  EXPECT_FALSE(vazia.Copiar(importacao));
  EXPECT_TRUE(vazia.EstaVazio());
}

TEST(RegistroTest, ListsTakePartInEqualityAndEmptiness) {
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra a, b;
  a.AdicionaPonteiroContaBanco(7);
  EXPECT_FALSE(a.EstaVazio());
  EXPECT_FALSE(a == b);
  b.AdicionaPonteiroContaBanco(7);
  EXPECT_TRUE(a == b);
  // Order counts: the services walk the accounts in list order.
  a.AdicionaPonteiroContaBanco(8).AdicionaPonteiroContaBanco(9);
  b.AdicionaPonteiroContaBanco(9).AdicionaPonteiroContaBanco(8);
  EXPECT_FALSE(a.Igual(b));
}

struct CasoIndice {
  int64_t indice;
  bool removido;
  std::vector<uint32_t> restantes;
  uint32_t lido;
};

class IndiceContaBancoTest : public ::testing::TestWithParam<CasoIndice> {};

TEST_P(IndiceContaBancoTest, AccountsAreReadAndRemovedByPositionWithinBounds) {
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra regra;
  regra.SetListaPonteirosContaBanco({11, 22, 33});
  EXPECT_EQ(regra.GetPonteirosContaBanco(GetParam().indice), GetParam().lido);
  EXPECT_EQ(regra.DeletarPonteirosContaBanco(GetParam().indice), GetParam().removido);
  EXPECT_EQ(regra.GetListaPonteirosContaBanco().Std(), GetParam().restantes);
  EXPECT_EQ(regra.GetQuantidadePonteirosContaBanco(), static_cast<int64_t>(GetParam().restantes.size()));
}

INSTANTIATE_TEST_SUITE_P(Posicoes, IndiceContaBancoTest,
                         ::testing::Values(CasoIndice{0, true, {22, 33}, 11}, CasoIndice{2, true, {11, 22}, 33},
                                           CasoIndice{1, true, {11, 33}, 22}, CasoIndice{3, false, {11, 22, 33}, 0},
                                           CasoIndice{-1, false, {11, 22, 33}, 0}));

TEST(RegistroTest, RecordNamesAreDistinctAndModulesKnown) {
  std::vector<std::unique_ptr<TZQBaseParaDados>> registros;
  registros.push_back(std::make_unique<CZQDadosCL_Extrato>());
  registros.push_back(std::make_unique<CZQDadosCL_FiltroExtrato>());
  registros.push_back(std::make_unique<CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra>());
  registros.push_back(std::make_unique<CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra>());
  registros.push_back(std::make_unique<CZQDadosFN_Tesouraria>());
  registros.push_back(std::make_unique<CZQDadosDF_Banco>());
  registros.push_back(std::make_unique<CZQDadosCN_MestreEmpresa>());
  registros.push_back(std::make_unique<CZQDadosCR_ExtratoBancoBrasil>());
  std::set<std::string> nomes;
  for (const auto& r : registros) {
    nomes.insert(r->GetNomeRegistro());
    EXPECT_EQ(std::string(r->GetNomeRegistro()).rfind("CZQDados", 0), 0u);
    std::string modulo = std::string(r->GetNomeRegistro()).substr(8, 2);
    _ZQModulo esperado = modulo == "CL"   ? ZQ_MODULO_CL
                         : modulo == "FN" ? ZQ_MODULO_FN
                         : modulo == "DF" ? ZQ_MODULO_DF
                         : modulo == "CN" ? ZQ_MODULO_CN
                                          : ZQ_MODULO_CR;
    EXPECT_EQ(r->GetModulo(), esperado) << r->GetNomeRegistro();
  }
  EXPECT_EQ(nomes.size(), registros.size());
}

}  // namespace
