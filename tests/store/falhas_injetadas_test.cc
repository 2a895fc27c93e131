#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>

#include "frame/zq_base_rotinas.h"
#include "store/operacoes_teste.h"
#include "store/zq_falhas_injetadas.h"
#include "store/zq_soci.h"

namespace {

using namespace zq_teste;

const OperacaoArmazem* Busca(const std::string& nome) {
  for (const OperacaoArmazem& op : OperacoesArmazem())
    if (op.nome == nome) return &op;
  return nullptr;
}

TEST(FalhasInjetadasListaTest, EveryOperationOfTheDecoratorsIsCovered) {
  std::set<std::string> nomes(CZQFalhasInjetadas::Operacoes().begin(), CZQFalhasInjetadas::Operacoes().end());
  EXPECT_EQ(nomes.size(), CZQFalhasInjetadas::Operacoes().size()) << "a name is listed twice";
  for (const std::string& nome : nomes) EXPECT_NE(Busca(nome), nullptr) << nome << " has no call in the tests";
}

class CadaOperacaoTest : public ArmazemTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(CadaOperacaoTest, TheSecondCallFailsTheOthersReachTheServer) {
  const std::string& nome = GetParam();
  const OperacaoArmazem* achada = Busca(nome);
  ASSERT_NE(achada, nullptr);
  const OperacaoArmazem& op = *achada;
  const HRESULT injetado = ZQ_HR(0x80AB0000u + static_cast<uint32_t>(nome.size()));

  CZQFalhasInjetadas falhas;
  falhas.Falha(nome, 2, injetado);
  CZQAcessoServidores& real = *m_hub;
  CZQAcessoServidoresFalhas hub(real, falhas);

  Saidas s;
  const HRESULT primeira = op.chama(hub, s);
  EXPECT_NE(primeira, injetado);
  if (op.erro) {
    EXPECT_EQ(op.erro(hub), op.erro(real)) << "a call that went through shows the server's own error";
  }

  EXPECT_EQ(op.chama(hub, s), injetado);
  if (op.erro) {
    const CZQDadosDF_Erro* erro = op.erro(hub);
    ASSERT_NE(erro, nullptr);
    EXPECT_NE(erro, op.erro(real));
    EXPECT_EQ(erro->GetHR(), injetado);
    EXPECT_EQ(TextoErro(erro), "Falha injetada em " + nome + " (chamada 2)");
  }

  EXPECT_EQ(op.chama(hub, s), primeira) << "the third call reaches the server again";
  if (op.erro) {
    EXPECT_EQ(op.erro(hub), op.erro(real));
  }
  EXPECT_EQ(falhas.Chamadas(nome), 3);
  EXPECT_EQ(falhas.FalhasOcorridas(), std::vector<std::string>{nome + "#2"});
}

INSTANTIATE_TEST_SUITE_P(Operacoes, CadaOperacaoTest, ::testing::ValuesIn(CZQFalhasInjetadas::Operacoes()),
                         [](const auto& info) { return NomeCaso(info.param); });

TEST_F(ArmazemTest, InjectedFailureNeverReachesTheServer) {
  CZQFalhasInjetadas falhas;
  falhas.Falha("GravaExtrato", 1, E_FAIL).Falha("BuscaPonteirosMovimentoExtrato", 1, E_ABORT);
  CZQAcessoServidoresFalhas hub(*m_hub, falhas);

  CZQDadosCL_Extrato e = Linha(111, 1, Dia(1, 12, 2026), 1, '+', "X");
  EXPECT_EQ(hub.GetAcessoConciliacao()->GravaExtrato(e), E_FAIL);
  EXPECT_EQ(e.GetPosicao(), 0u);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato"), 0);

  CZQVector<uint32_t> posicoes{7, 8};
  EXPECT_EQ(hub.GetAcessoConciliacao()->BuscaPonteirosMovimentoExtrato(CZQDadosCL_FiltroExtrato{}, posicoes), E_ABORT);
  EXPECT_EQ(posicoes.Std(), (std::vector<uint32_t>{7, 8})) << "outputs stay as they were";
}

TEST_F(ArmazemTest, GivenErrorRecordIsWhatTheAreaShows) {
  CZQDadosDF_Erro aviso;
  aviso.SetAviso(ZQ_MODULO_CL, 5891, 0);
  CZQFalhasInjetadas falhas;
  falhas.Falha("LeBufferBanco", 1, aviso.GetHR(), aviso);
  CZQAcessoServidoresFalhas hub(*m_hub, falhas);
  CZQDadosDF_Banco banco;
  EXPECT_EQ(hub.GetAcessoEmpresarial()->LeBufferBanco(113, &banco), aviso.GetHR());
  EXPECT_TRUE(*hub.GetAcessoEmpresarial()->GetErro() == aviso);
}

TEST_F(ArmazemTest, AlwaysFailingFromACallOnAndCountsOfEverything) {
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre("GetChave", E_OUTOFMEMORY, 3);
  CZQFalhasInjetadas copia = falhas;  // copies share the counts
  CZQAcessoServidoresFalhas hub(*m_hub, copia);
  CZQDadosCL_Tabela t;
  t.SetConta(111).SetFilial(1);
  std::vector<HRESULT> resultados;
  for (int i = 0; i < 5; ++i) resultados.push_back(hub.GetAcessoConciliacao()->GetChave(t));
  EXPECT_EQ(resultados, (std::vector<HRESULT>{S_OK, S_OK, E_OUTOFMEMORY, E_OUTOFMEMORY, E_OUTOFMEMORY}));
  uint32_t n = 0;
  hub.GetAcessoConciliacao()->GetUltimoNrConciliacao(111, n);
  EXPECT_EQ(falhas.TodasChamadas(), (std::map<std::string, long>{{"GetChave", 5}, {"GetUltimoNrConciliacao", 1}}));
  falhas.Limpa();
  EXPECT_EQ(hub.GetAcessoConciliacao()->GetChave(t), S_OK);
  EXPECT_EQ(falhas.Chamadas("GetChave"), 1);
}

TEST(FalhasInjetadasNomesTest, UnknownOperationIsAnError) {
  CZQFalhasInjetadas falhas;
  EXPECT_THROW(falhas.Falha("GravaExtratosEmLote", 1, E_FAIL), std::invalid_argument);
  EXPECT_THROW(falhas.FalhaSempre("Financeiro::LeBufferMestre", E_FAIL), std::invalid_argument);
  EXPECT_NO_THROW(falhas.Falha("Financeiro.LeBufferMestre", 1, E_FAIL));
}

constexpr HRESULT E_ACCESSDENIED_TESTE = ZQ_HR(0x80070005);

TEST_F(ArmazemTest, InjectionDecoratesTheInstalledFactoryWhileItLives) {
  CZQDadosDF_Erro erro;
  ASSERT_EQ(ZQInstalaArmazemSQL(Conexao(), erro), S_OK);
  CZQProfilerEmpresa perfil("EXEMPLO", 1, 1);
  CZQFalhasInjetadas falhas;
  falhas.Falha("LeBufferPeriodoContabil", 1, E_ACCESSDENIED_TESTE);
  {
    CZQInjecaoFalhas injecao(falhas);
    auto hub = ZQNovoAcessoServidores(perfil);
    ASSERT_TRUE(hub);
    CZQDadosDF_PeriodoContabil periodo;
    EXPECT_EQ(hub->GetAcessoEmpresarial()->LeBufferPeriodoContabil(&periodo), E_ACCESSDENIED_TESTE);
    EXPECT_EQ(hub->GetAcessoEmpresarial()->LeBufferPeriodoContabil(&periodo), S_OK);
    EXPECT_EQ(periodo.GetDataInferiorMovimentacao(), Dia(1, 1, 2026));
  }
  auto hub = ZQNovoAcessoServidores(perfil);
  ASSERT_TRUE(hub);
  CZQDadosDF_PeriodoContabil periodo;
  EXPECT_EQ(hub->GetAcessoEmpresarial()->LeBufferPeriodoContabil(&periodo), S_OK);
  EXPECT_EQ(falhas.Chamadas("LeBufferPeriodoContabil"), 2) << "the restored factory's hubs are not counted";
  ZQRemoveArmazemSQL();

  CZQInjecaoFalhas semFabrica(falhas);
  EXPECT_EQ(ZQNovoAcessoServidores(perfil), nullptr);
}

}  // namespace
