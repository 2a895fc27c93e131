#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>
#include <tuple>

#include "lanca_auto_teste_util.h"

// A posting run killed at random moments and run again: the store never holds an entry
// twice or a line marked without its entry, and every line whose entry was recorded
// ends up marked.
namespace {

using namespace zq_lanca;

constexpr int kLinhas = 300;
constexpr int kQuedasPorRodada = 5;

// Seed of the kill moments; whether the rule aggregates a day's deposits into one entry.
class QuedaTest : public LancaAutoTest, public ::testing::WithParamInterface<std::tuple<unsigned, bool>> {
 protected:
  // Runs the posting in a process of its own over the same file; returns its pid.
  pid_t Inicia() {
    const std::string arquivo = m_pasta.Arquivo("cl.db");
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    CZQDadosDF_Erro erro;
    std::shared_ptr<CZQBancoSQL> banco;
    // The parent's connection is not touched here: this process opens its own.
    if (ZQInstalaArmazemSQL("sqlite:" + arquivo, erro, &banco) != S_OK) ::_exit(2);
    banco->Sessao() << "PRAGMA synchronous = OFF";
    CCLConciliacaoLancaAuto rotina;
    CZQProfilerEmpresa perfil(CZQString("EXEMPLO"), 7, 4242);
    if (rotina.Inicializa(&perfil) != S_OK) ::_exit(3);
    rotina.SetModoSilencioso(true);
    CZQVector<CZQDadosDF_Erro> erros;
    const HRESULT hr = rotina.ProcessaLancamentoConcAutomatico(Conciliacao(), erros);
    ::_exit(hr == S_OK && erros.IsEmpty() ? 0 : 1);
  }
};

TEST_P(QuedaTest, ProcessoMortoERodadoDeNovoNaoDuplicaNemPerdeMarcas) {
  const auto [semente, agrupa] = GetParam();
  Regra regra{.codigo = "300",
              .historico = "DEPOSITO",
              .conta = 111,
              .contabilEntrada = 41,
              .transacao = 1,
              .forma = 5,
              .classificacao = 401,
              .agrupa = agrupa};
  // Aggregated, each day's deposits make one entry.
  const long long lancamentos = agrupa ? 28 : kLinhas;
  GravaRegras({regra});
  Rateio(401, {{7001, 300000}, {7002, 700000}});
  CZQVector<CZQDadosCL_Extrato> linhas;
  for (int i = 0; i < kLinhas; ++i) {
    linhas.Add(Linha("DEPOSITO", "300", '+', 111, 1000 + i, Dia(1 + i % 28, 3, 2026), 5000 + i));
  }
  ASSERT_EQ(m_hub->Conciliacao().GravaExtratos(linhas), S_OK);

  std::mt19937 aleatorio(semente);
  std::uniform_int_distribution<int> espera(0, 60000);
  for (int q = 0; q < kQuedasPorRodada; ++q) {
    const pid_t pid = Inicia();
    ASSERT_GT(pid, 0);
    ::usleep(static_cast<useconds_t>(espera(aleatorio)));
    ::kill(pid, SIGKILL);
    int estado = 0;
    ASSERT_EQ(::waitpid(pid, &estado, 0), pid);
    // Killed, or finished first: either way never a failed run.
    EXPECT_TRUE(WIFSIGNALED(estado) || (WIFEXITED(estado) && WEXITSTATUS(estado) == 0)) << estado;
  }
  const pid_t pid = Inicia();
  int estado = 0;
  ASSERT_EQ(::waitpid(pid, &estado, 0), pid);
  ASSERT_TRUE(WIFEXITED(estado));
  EXPECT_EQ(WEXITSTATUS(estado), 0);

  // Every entry posted once, with its accounting part and its two shares.
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM tesouraria"), lancamentos);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM integracao_origem"), lancamentos);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM integracao_origem_grupo"), kLinhas - lancamentos);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM integracao_contabil"), lancamentos);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM integracao_gerencial"), 2 * lancamentos);
  EXPECT_EQ(Conta("SELECT SUM(valor) FROM tesouraria"), Conta("SELECT SUM(valor) FROM extrato"));
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM tesouraria t WHERE NOT EXISTS (SELECT 1 FROM integracao_origem o"
                  " WHERE o.posicao_tesouraria = t.posicao)"),
            0);
  // Marked lines have their entry, with the entry's number; lines with an entry are marked.
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S' AND tipo_conciliacao = 'L'"), kLinhas);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM extrato e JOIN (SELECT origem, posicao_tesouraria FROM integracao_origem"
                  " UNION ALL SELECT origem, posicao_tesouraria FROM integracao_origem_grupo) o"
                  " ON o.origem = e.posicao * 256 + 24 JOIN tesouraria t ON t.posicao = o.posicao_tesouraria"
                  " WHERE e.numero_conciliacao = t.numero_conciliacao_ent AND e.conciliado = 'S'"),
            kLinhas);
  // Numbers are never given twice.
  EXPECT_EQ(Conta("SELECT COUNT(DISTINCT numero_conciliacao_ent) FROM tesouraria"), lancamentos);
}

INSTANTIATE_TEST_SUITE_P(Rodadas, QuedaTest, ::testing::Combine(::testing::Range(1u, 11u), ::testing::Bool()),
                         [](const auto& info) {
                           return (std::get<1>(info.param) ? "Agrupada" : "Avulsa") +
                                  std::to_string(std::get<0>(info.param));
                         });

}  // namespace
