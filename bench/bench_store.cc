// The SQL store under load: storing statement lines (in one transaction, and one line
// per call as an import does) and reading one account's month back from 100,000 lines.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "frame/zq_data.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_banco_sql.h"

namespace {

constexpr int kLinhas = 100000;
const uint32_t kContas[] = {111, 112, 113, 114};

class Pasta {
 public:
  Pasta() {
    std::string modelo = (std::filesystem::temp_directory_path() / "cl_bench_XXXXXX").string();
    m_caminho = ::mkdtemp(modelo.data()) ? modelo : std::string("/tmp");
  }
  ~Pasta() {
    std::error_code ec;
    std::filesystem::remove_all(m_caminho, ec);
  }
  std::string Conexao(const std::string& nome) const { return "sqlite:" + m_caminho + "/" + nome; }

 private:
  std::string m_caminho;
};

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
void BM_GravaExtratosLote(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Pasta pasta;
  int rodada = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto banco = Abre(pasta.Conexao("lote" + std::to_string(rodada++) + ".db"));
    CZQAcessoServidoresSQL hub(banco);
    CZQVector<CZQDadosCL_Extrato> linhas = Linhas(n);
    state.ResumeTiming();
    if (FAILED(hub.Conciliacao().GravaExtratos(linhas))) state.SkipWithError("GravaExtratos falhou");
  }
  state.counters["linhas/s"] = benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GravaExtratosLote)->Arg(kLinhas)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// One GravaExtrato per line, each its own transaction: what an import does.
void BM_GravaExtratoPorLinha(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Pasta pasta;
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
  state.counters["linhas/s"] = benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GravaExtratoPorLinha)->Arg(kLinhas)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// One account's month read back (positions, then the lines) from 100,000 lines.
void BM_LeMesDeUmaConta(benchmark::State& state) {
  Pasta pasta;
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
BENCHMARK(BM_LeMesDeUmaConta)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
