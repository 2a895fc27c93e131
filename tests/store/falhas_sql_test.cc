#include <gtest/gtest.h>

#include <string>

#include "store/operacoes_teste.h"
#include "store/zq_soci.h"

namespace {

using namespace zq_teste;

std::vector<OperacaoArmazem> Filtra(bool (*inclui)(const OperacaoArmazem&)) {
  std::vector<OperacaoArmazem> r;
  for (const OperacaoArmazem& op : OperacoesArmazem())
    if (inclui(op)) r.push_back(op);
  return r;
}

std::string NomeOperacao(const ::testing::TestParamInfo<OperacaoArmazem>& info) { return NomeCaso(info.param.nome); }

class FalhaBancoTest : public ArmazemTest, public ::testing::WithParamInterface<OperacaoArmazem> {};

TEST_P(FalhaBancoTest, DatabaseErrorIsTheOperationsFailure) {
  const OperacaoArmazem& op = GetParam();
  m_banco->Sessao() << std::string("DROP TABLE ") + op.tabela;
  Saidas s;
  const HRESULT hr = op.chama(*m_hub, s);
  EXPECT_LT(hr, 0);
  EXPECT_FALSE(m_banco->EmTransacao()) << "a failed operation left its transaction open";
  if (!op.erro) return;  // a server interface has no error record
  const CZQDadosDF_Erro* erro = op.erro(*m_hub);
  ASSERT_NE(erro, nullptr);
  EXPECT_EQ(erro->GetHR(), hr);
  EXPECT_EQ(erro->GetTipoErro(), ZQ_TIPO_ERRO_HRESULT);
  const std::string texto = TextoErro(erro);
  EXPECT_EQ(texto.rfind("Falha em " + MetodoDe(op.nome) + ": ", 0), 0u) << texto;
  EXPECT_NE(texto.find(op.tabela), std::string::npos) << texto;
}

INSTANTIATE_TEST_SUITE_P(Operacoes, FalhaBancoTest,
                         ::testing::ValuesIn(Filtra([](const OperacaoArmazem& op) { return op.tabela != nullptr; })),
                         NomeOperacao);

TEST_F(ArmazemTest, FailedWriteOfManyRowsLeavesNothingHalfDone) {
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos antes;
  ASSERT_EQ(Conc().LeConfiguracaoServicoImportacaoExtratos(antes), S_OK);
  // The rules go first and the accounts fail: the rules' change must be undone too.
  m_banco->Sessao() << "DROP TABLE config_importacao_conta";
  EXPECT_LT(Conc().GravaConfiguracaoServicoImportacaoExtratos(UmaConfiguracao()), 0);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM config_importacao_regra"), antes.GetQuantidadeRegras());

  m_banco->Sessao() << "DROP TABLE execucao_importacao_conta";
  auto importacao = UmaImportacao();
  EXPECT_LT(Conc().GravaExecucaoServicoImportacaoExtratos(importacao), 0);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_importacao"), 0);
}

class SomenteLeituraTest : public ArmazemTest, public ::testing::WithParamInterface<OperacaoArmazem> {};

TEST_P(SomenteLeituraTest, WritesFailReadsWork) {
  m_hub.reset();
  m_banco = AbreBanco(Conexao() + "?modo=leitura");
  ASSERT_TRUE(m_banco);
  m_hub = std::make_unique<CZQAcessoServidoresSQL>(m_banco);

  CZQDadosDF_Banco banco;
  EXPECT_EQ(Emp().LeBufferBanco(113, &banco), S_OK);

  Saidas s;
  const HRESULT hr = GetParam().chama(*m_hub, s);
  EXPECT_EQ(hr, ZQ_E_SQL_SOMENTE_LEITURA);
  const CZQDadosDF_Erro* erro = GetParam().erro(*m_hub);
  EXPECT_EQ(erro->GetHR(), hr);
  EXPECT_EQ(TextoErro(erro).rfind("Falha em " + MetodoDe(GetParam().nome) + ": ", 0), 0u) << TextoErro(erro);
}

INSTANTIATE_TEST_SUITE_P(Escritas, SomenteLeituraTest,
                         ::testing::ValuesIn(Filtra([](const OperacaoArmazem& op) { return op.escreve; })),
                         NomeOperacao);

}  // namespace
