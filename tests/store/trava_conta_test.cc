// The account lock between connections and processes, and the store's own numbers
// under connections writing at once: on the backend of the run (SQLite by default,
// PostgreSQL with CL_TESTE_BANCO=postgresql).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "store/operacoes_teste.h"
#include "store/zq_soci.h"

namespace {

using namespace std::chrono_literals;
using zq_teste::ArmazemVazioTest;
using zq_teste::Dia;
using zq_teste::Linha;
using zq_teste::TextoErro;

class TravaContaTest : public ArmazemVazioTest {
 protected:
  // Another connection to the same store, as another host would have.
  std::shared_ptr<CZQBancoSQL> OutraConexao(std::chrono::milliseconds espera) {
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    EXPECT_EQ(CZQBancoSQL::Abre(Conexao(), banco, erro), S_OK) << erro.GetTextoMostraMensagem().c_str();
    if (banco) banco->SetEsperaTravaConta(espera);
    return banco;
  }
};

TEST_F(TravaContaTest, HeldByOneConnectionAtATimeAndTakenAgainByItsHolder) {
  auto outroBanco = OutraConexao(50ms);
  CZQAcessoServidoresSQL outro(outroBanco);
  CZQAcessoConciliacao& dele = *outro.GetAcessoConciliacao();

  ASSERT_EQ(Conc().TravaConta(111), S_OK);
  ASSERT_EQ(Conc().TravaConta(111), S_OK) << "the holder takes it again";
  EXPECT_EQ(dele.TravaConta(112), S_OK) << "another account is free";

  // The try without wait: the holder takes it again, another connection is told at once.
  bool obtida = false;
  ASSERT_EQ(Conc().TentaTravaConta(111, obtida), S_OK);
  EXPECT_TRUE(obtida);
  EXPECT_EQ(Conc().LiberaConta(111), S_OK);
  auto tentativa = std::chrono::steady_clock::now();
  EXPECT_EQ(dele.TentaTravaConta(111, obtida), S_OK);
  EXPECT_FALSE(obtida);
  EXPECT_LT(std::chrono::steady_clock::now() - tentativa, 50ms) << "the try waited";
  EXPECT_EQ(dele.TentaTravaConta(113, obtida), S_OK);
  EXPECT_TRUE(obtida);
  EXPECT_EQ(dele.LiberaConta(113), S_OK);

  const auto inicio = std::chrono::steady_clock::now();
  EXPECT_EQ(dele.TravaConta(111), ZQ_E_SQL_OCUPADO);
  EXPECT_GE(std::chrono::steady_clock::now() - inicio, 50ms) << "it waited the time configured";
  EXPECT_NE(TextoErro(dele.GetErro()).find("conta 111"), std::string::npos) << TextoErro(dele.GetErro());

  EXPECT_EQ(Conc().LiberaConta(111), S_OK);
  EXPECT_EQ(dele.TravaConta(111), ZQ_E_SQL_OCUPADO) << "taken twice, released once: still held";
  EXPECT_EQ(Conc().LiberaConta(111), S_OK);
  EXPECT_EQ(dele.TravaConta(111), S_OK);
  EXPECT_EQ(Conc().LiberaConta(111), S_FALSE) << "nothing of this connection to let go";
  EXPECT_EQ(dele.LiberaConta(111), S_OK);
  EXPECT_EQ(dele.LiberaConta(112), S_OK);
  EXPECT_EQ(Conc().TravaConta(111), S_OK);
  EXPECT_EQ(Conc().LiberaConta(111), S_OK);
}

TEST_F(TravaContaTest, AWaitingRunGetsTheAccountWhenTheHolderLetsGo) {
  auto outroBanco = OutraConexao(10s);
  CZQAcessoServidoresSQL outro(outroBanco);
  ASSERT_EQ(Conc().TravaConta(111), S_OK);
  // Taken and let go by the waiting thread itself: a hold belongs to its thread.
  auto espera = std::async(std::launch::async, [&] {
    const HRESULT obtida = outro.GetAcessoConciliacao()->TravaConta(111);
    return std::make_pair(obtida, outro.GetAcessoConciliacao()->LiberaConta(111));
  });
  EXPECT_EQ(espera.wait_for(150ms), std::future_status::timeout) << "it waits while the account is held";
  EXPECT_EQ(Conc().LiberaConta(111), S_OK);
  EXPECT_EQ(espera.get(), std::make_pair(S_OK, S_OK));
}

TEST_F(TravaContaTest, AnotherThreadOfTheSameConnectionWaitsToo) {
  m_banco->SetEsperaTravaConta(50ms);
  ASSERT_EQ(Conc().TravaConta(111), S_OK);
  HRESULT outraThread = S_OK;
  std::thread([&] {
    CZQAcessoServidoresSQL hub(m_banco);
    outraThread = hub.GetAcessoConciliacao()->TravaConta(111);
    // Still a store call it can make meanwhile: the wait did not keep the connection.
  }).join();
  EXPECT_EQ(outraThread, ZQ_E_SQL_OCUPADO);
  EXPECT_EQ(Conc().LiberaConta(111), S_OK);
}

// A holder that dies without letting go (killed): the account is free again for the
// others, on PostgreSQL as its session ends, on SQLite as its process is gone.
TEST_F(TravaContaTest, AHolderKilledReleasesTheAccount) {
  int canal[2];
  ASSERT_EQ(pipe(canal), 0);
  const std::string conexao = Conexao();
  const pid_t filho = fork();
  ASSERT_GE(filho, 0);
  if (filho == 0) {
    close(canal[0]);
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    char pronto = 'x';
    if (SUCCEEDED(CZQBancoSQL::Abre(conexao, banco, erro))) {
      CZQAcessoServidoresSQL hub(banco);
      if (SUCCEEDED(hub.GetAcessoConciliacao()->TravaConta(111))) pronto = 'S';
    }
    if (write(canal[1], &pronto, 1) != 1) _exit(2);
    for (;;) pause();
  }
  close(canal[1]);
  char pronto = 0;
  ASSERT_EQ(read(canal[0], &pronto, 1), 1);
  close(canal[0]);
  ASSERT_EQ(pronto, 'S');

  m_banco->SetEsperaTravaConta(50ms);
  EXPECT_EQ(Conc().TravaConta(111), ZQ_E_SQL_OCUPADO) << "held by the other process";
  kill(filho, SIGKILL);
  int status = 0;
  waitpid(filho, &status, 0);
  m_banco->SetEsperaTravaConta(10s);
  EXPECT_EQ(Conc().TravaConta(111), S_OK) << TextoErro(Conc().GetErro());
  EXPECT_EQ(Conc().LiberaConta(111), S_OK);
}

// Connections storing at once, in batches and one line per call, and the records the
// services write: every number is given once and nothing is lost.
TEST_F(TravaContaTest, ConnectionsWritingAtOnceGetNumbersOfTheirOwn) {
  constexpr int kConexoes = 3;
  constexpr int kLinhas = 60;
  std::vector<std::shared_ptr<CZQBancoSQL>> bancos;
  for (int i = 0; i < kConexoes; ++i) bancos.push_back(OutraConexao(10s));
  std::vector<std::future<std::string>> tarefas;
  for (int i = 0; i < kConexoes; ++i) {
    tarefas.push_back(std::async(std::launch::async, [&, i]() -> std::string {
      CZQAcessoServidoresSQL hub(bancos[static_cast<std::size_t>(i)]);
      for (int j = 0; j < kLinhas; ++j) {
        CZQDadosCL_Extrato e = Linha(111, 1, Dia(1, 12, 2026), i * 1000 + j, '+', "SIMULTANEA");
        if (FAILED(hub.GetAcessoConciliacao()->GravaExtrato(e)))
          return TextoErro(hub.GetAcessoConciliacao()->GetErro());
        if (j % 20 == 0) {
          CZQVector<CZQDadosCL_Extrato> lote;
          for (int k = 0; k < 5; ++k) lote.Add(Linha(113, 1, Dia(2, 12, 2026), i * 1000 + j + k, '-', "LOTE"));
          if (FAILED(hub.Conciliacao().GravaExtratos(lote))) return TextoErro(hub.Conciliacao().GetErro());
          if (FAILED(hub.GetAcessoConciliacao()->GravaExecucaoConciliacaoTesourariaBanco(zq_teste::UmaConciliacao())))
            return TextoErro(hub.GetAcessoConciliacao()->GetErro());
        }
      }
      return "";
    }));
  }
  for (auto& t : tarefas) EXPECT_EQ(t.get(), "");
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato"), kConexoes * (kLinhas + 3 * 5));
  EXPECT_EQ(Escalar("SELECT COUNT(DISTINCT posicao) FROM extrato"), kConexoes * (kLinhas + 3 * 5));
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_conciliacao"), kConexoes * 3);
}

// The database's own refusals come as the same results on both backends.
TEST_F(TravaContaTest, TheDatabasesRefusalsMapToTheStoresResults) {
  CZQDadosDF_Erro erro;
  auto executa = [&](CZQBancoSQL& banco, const std::string& sql) {
    return ZQExecutaSQL(banco, erro, "Teste", [&] {
      banco.Sessao() << sql;
      return S_OK;
    });
  };
  ASSERT_EQ(executa(*m_banco, "INSERT INTO historico (codigo, nome) VALUES (7, 'A')"), S_OK);
  EXPECT_EQ(executa(*m_banco, "INSERT INTO historico (codigo, nome) VALUES (7, 'B')"), ZQ_E_SQL_INVALIDO)
      << "a key stored twice";
  EXPECT_EQ(executa(*m_banco, "INSERT INTO historico (codigo) VALUES (8)"), ZQ_E_SQL_INVALIDO) << "a missing value";
  EXPECT_EQ(executa(*m_banco, "SELECT nada FROM tabela_que_nao_existe"), E_FAIL);

  if (!EmPostgres()) return;  // SQLite's busy database is the busy-wait's, tested with the lock above
  // A row another connection holds, asked for without waiting: busy, as SQLite's.
  auto outro = OutraConexao(50ms);
  m_banco->Inicia();
  long long codigo = 0;
  m_banco->Sessao() << "SELECT codigo FROM historico WHERE codigo = 7 FOR UPDATE", soci::into(codigo);
  EXPECT_EQ(executa(*outro, "SELECT codigo FROM historico WHERE codigo = 7 FOR UPDATE NOWAIT"), ZQ_E_SQL_OCUPADO)
      << erro.GetTextoMostraMensagem().c_str();
  m_banco->Desfaz();
}

}  // namespace
