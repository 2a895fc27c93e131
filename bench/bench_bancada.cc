// Proposals for a month of a busy account: half the lines have an entry of their own,
// a tenth are paid as batches of entries, the rest match nothing.
#include <benchmark/benchmark.h>

#include <random>

#include "reconciliation/cl_bancada.h"

namespace {

CLAbertos Abertos(int quantidade) {
  std::mt19937 gerador(7);
  std::uniform_int_distribution<int> dia(0, 29);
  std::uniform_int_distribution<int64_t> centavos(100, 5'000'000);
  CLAbertos a;
  uint32_t posicaoEntrada = 1;
  for (int i = 0; i < quantidade; ++i) {
    const REG_ZQDMA data = 46000 + dia(gerador);
    const tagCY valor = centavos(gerador) * 100 * (i % 3 == 0 ? -1 : 1);
    a.linhas.push_back({static_cast<uint32_t>(i + 1), data, valor, "", "", ""});
    if (i % 2 == 0) {
      a.entradas.push_back({posicaoEntrada++, data + i % 3, valor, "", "", ""});
    } else if (i % 10 == 1) {
      a.entradas.push_back({posicaoEntrada++, data, valor / 4, "", "", ""});
      a.entradas.push_back({posicaoEntrada++, data, valor - valor / 4, "", "", ""});
    }
  }
  while (static_cast<int>(a.entradas.size()) < quantidade)
    a.entradas.push_back(
        {posicaoEntrada++, 46000 + static_cast<REG_ZQDMA>(dia(gerador)), centavos(gerador) * 100 + 1, "", "", ""});
  return a;
}

void BM_Sugere(benchmark::State& state) {
  const CLAbertos abertos = Abertos(static_cast<int>(state.range(0)));
  const CLParametrosSugestao parametros;
  std::size_t sugestoes = 0;
  for (auto _ : state) {
    sugestoes = CLSugere(abertos, parametros).size();
    benchmark::DoNotOptimize(sugestoes);
  }
  state.counters["sugestoes"] = static_cast<double>(sugestoes);
}
BENCHMARK(BM_Sugere)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
