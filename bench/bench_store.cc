// The SQL store under load: storing statement lines (in one transaction, and one line
// per call as an import does) and reading one account's month back from 100,000 lines,
// on SQLite and (with CL_BENCH_PG="host=... port=... user=...") on PostgreSQL.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frame/zq_data.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"

namespace {

constexpr int kLinhas = 100000;
const uint32_t kContas[] = {111, 112, 113, 114};

// Where a benchmark's stores live: files in a temporary directory, or (the PostgreSQL
// variants) databases on the server whose libpq keywords are in CL_BENCH_PG, created
// for the run and dropped after it.
class Pasta {
 public:
  explicit Pasta(bool postgres = false) : m_postgres(postgres) {
    std::string modelo = (std::filesystem::temp_directory_path() / "cl_bench_XXXXXX").string();
    m_caminho = ::mkdtemp(modelo.data()) ? modelo : std::string("/tmp");
  }
  ~Pasta() {
    std::error_code ec;
    std::filesystem::remove_all(m_caminho, ec);
    for (const std::string& nome : m_bancos) {
      try {
        *ZQSessaoPostgres(Servidor() + " dbname=postgres") << "DROP DATABASE IF EXISTS " + nome + " WITH (FORCE)";
      } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
      }
    }
  }
  static bool TemPostgres() { return std::getenv("CL_BENCH_PG") != nullptr; }
  static std::string Servidor() { return TemPostgres() ? std::getenv("CL_BENCH_PG") : ""; }

  std::string Conexao(const std::string& nome) {
    if (!m_postgres) return "sqlite:" + m_caminho + "/" + nome;
    std::string banco = "cl_bench_" + std::to_string(::getpid()) + "_";
    for (char c : nome) banco += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    *ZQSessaoPostgres(Servidor() + " dbname=postgres") << "CREATE DATABASE " + banco;
    m_bancos.push_back(banco);
    return "postgresql:" + Servidor() + " dbname=" + banco;
  }

 private:
  bool m_postgres;
  std::string m_caminho;
  std::vector<std::string> m_bancos;
};

// The PostgreSQL variant of a benchmark runs only where a server is given.
bool SemServidor(benchmark::State& state, bool postgres) {
  if (postgres && !Pasta::TemPostgres()) {
    state.SkipWithError("CL_BENCH_PG não definido: variante PostgreSQL ignorada");
    return true;
  }
  return false;
}

std::shared_ptr<CZQBancoSQL> Abre(const std::string& conexao) {
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  if (FAILED(CZQBancoSQL::Abre(conexao, banco, erro))) {
    std::fprintf(stderr, "%s\n", erro.GetTextoMostraMensagem().c_str());
    std::abort();
  }
  return banco;
}

// Line i of a year of statements: four accounts, every day of 2026, varied texts.
CZQDadosCL_Extrato Linha(int i) {
  static const REG_ZQDMA inicio = CZQDma(1, 1, 2026).GetDma();
  static const char* const historicos[] = {"PIX RECEBIDO FULANO", "TARIFA PACOTE SERVICOS", "TED RECEBIDA",
                                           "PAGTO BOLETO FORNECEDOR", "REND APLIC AUTOMATICA"};
  CZQDadosCL_Extrato e;
  e.SetConta(kContas[i % 4])
      .SetFilial(static_cast<uint16_t>(1 + i % 2))
      .SetDmaExtrato(inicio + static_cast<REG_ZQDMA>((i / 4) % 365))
      .SetDmaImportacao(inicio + 365)
      .SetDocumento(1000000 + i)
      .SetValor(static_cast<tagCY>(1 + (i * 7919) % 100000) * 100)
      .SetNatureza(i % 3 ? '+' : '-')
      .SetHistBco(historicos[i % 5])
      .SetCodigoMvtoBco(i % 2 ? "209" : "105")
      .SetConciliado('N');
  return e;
}

CZQVector<CZQDadosCL_Extrato> Linhas(int n) {
  CZQVector<CZQDadosCL_Extrato> linhas;
  linhas.Reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) linhas.Add(Linha(i));
  return linhas;
}

// 100,000 lines stored in one transaction.
void BM_GravaExtratosLote(benchmark::State& state, bool postgres) {
  if (SemServidor(state, postgres)) return;
  const int n = static_cast<int>(state.range(0));
  Pasta pasta(postgres);
  int rodada = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto banco = Abre(pasta.Conexao("lote" + std::to_string(rodada++) + ".db"));
    CZQAcessoServidoresSQL hub(banco);
    CZQVector<CZQDadosCL_Extrato> linhas = Linhas(n);
    state.ResumeTiming();
    if (FAILED(hub.Conciliacao().GravaExtratos(linhas))) state.SkipWithError("GravaExtratos falhou");
  }
  state.counters["linhas/s"] =
      benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_GravaExtratosLote, sqlite, false)
    ->Arg(kLinhas)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_GravaExtratosLote, postgresql, true)
    ->Arg(kLinhas)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// One GravaExtrato per line, each its own transaction: what an import does.
void BM_GravaExtratoPorLinha(benchmark::State& state, bool postgres) {
  if (SemServidor(state, postgres)) return;
  const int n = static_cast<int>(state.range(0));
  Pasta pasta(postgres);
  int rodada = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto banco = Abre(pasta.Conexao("linha" + std::to_string(rodada++) + ".db"));
    CZQAcessoServidoresSQL hub(banco);
    CZQVector<CZQDadosCL_Extrato> linhas = Linhas(n);
    state.ResumeTiming();
    for (CZQDadosCL_Extrato& linha : linhas) {
      if (FAILED(hub.GetAcessoConciliacao()->GravaExtrato(linha))) {
        state.SkipWithError("GravaExtrato falhou");
        break;
      }
    }
  }
  state.counters["linhas/s"] =
      benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_GravaExtratoPorLinha, sqlite, false)
    ->Arg(kLinhas)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_GravaExtratoPorLinha, postgresql, true)
    ->Arg(kLinhas)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// One account's month read back (positions, then the lines) from 100,000 lines.
void BM_LeMesDeUmaConta(benchmark::State& state, bool postgres) {
  if (SemServidor(state, postgres)) return;
  Pasta pasta(postgres);
  auto banco = Abre(pasta.Conexao("leitura.db"));
  CZQAcessoServidoresSQL hub(banco);
  {
    CZQVector<CZQDadosCL_Extrato> linhas = Linhas(kLinhas);
    if (FAILED(hub.Conciliacao().GravaExtratos(linhas))) {
      state.SkipWithError("GravaExtratos falhou");
      return;
    }
  }
  CZQDadosCL_FiltroExtrato filtro;
  filtro.SetConta(113).SetDataInicial(CZQDma(1, 6, 2026).GetDma()).SetDataFinal(CZQDma(30, 6, 2026).GetDma());
  long lidas = 0;
  for (auto _ : state) {
    CZQVector<uint32_t> posicoes;
    CZQVector<CZQDadosCL_Extrato> extratos;
    if (FAILED(hub.GetAcessoConciliacao()->BuscaPonteirosMovimentoExtrato(filtro, posicoes)) ||
        FAILED(hub.GetAcessoConciliacao()->BuscaRegistrosMovimentoExtrato(filtro, posicoes, extratos))) {
      state.SkipWithError("leitura falhou");
      break;
    }
    lidas = extratos.GetQuantidade();
    benchmark::DoNotOptimize(extratos);
  }
  state.counters["linhas_do_mes"] = static_cast<double>(lidas);
}
BENCHMARK_CAPTURE(BM_LeMesDeUmaConta, sqlite, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LeMesDeUmaConta, postgresql, true)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
