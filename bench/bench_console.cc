// The console's workbench page of an account with 5,000 open lines and 5,000 open
// entries: read and drawn by the server, and the same page asked over loopback HTTP.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "console/zq_console.h"
#include "console/zq_console_dados.h"
#include "console/zq_console_paginas.h"
#include "console_semeia.h"
#include "frame/zq_data.h"

namespace {

struct Armazem {
  zq_teste::PastaTemporaria pasta;
  std::shared_ptr<CZQBancoSQL> banco;
  std::string erro;
  Armazem() { erro = cl_bench::SemeiaConsole("sqlite:" + pasta.Arquivo("cl.db"), banco); }
  ~Armazem() { ZQRemoveArmazemSQL(); }
};

// One iteration: the open items of the month read, filtered and suggested, and the page
// written, as the route does.
void BM_PaginaBancada(benchmark::State& state) {
  Armazem a;
  if (!a.erro.empty()) {
    state.SkipWithError(a.erro.c_str());
    return;
  }
  CZQAcessoServidoresSQL hub(a.banco);
  std::size_t bytes = 0;
  ZQBancada b;
  // Where the time goes: reading and suggesting, or writing the page.
  std::chrono::duration<double, std::milli> leitura{0}, escrita{0};
  for (auto _ : state) {
    const auto inicio = std::chrono::steady_clock::now();
    b = ZQBancada{};
    b.conta = 111;
    b.de = CZQDma(1, 11, 2026).GetDma();
    b.ate = CZQDma(30, 11, 2026).GetDma();
    std::string erro;
    if (!ZQLeBancada(hub, b, erro)) {
      state.SkipWithError(erro.c_str());
      break;
    }
    const auto lida = std::chrono::steady_clock::now();
    bytes = ZQPaginaBancada(b, ZQContextoPagina{}).size();
    benchmark::DoNotOptimize(bytes);
    leitura += lida - inicio;
    escrita += std::chrono::steady_clock::now() - lida;
  }
  const double n = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["ms_leitura"] = leitura.count() / n;
  state.counters["ms_pagina"] = escrita.count() / n;
  state.counters["linhas"] = static_cast<double>(b.abertos.linhas.size());
  state.counters["lancamentos"] = static_cast<double>(b.abertos.entradas.size());
  state.counters["sugestoes"] = static_cast<double>(b.sugestoes.size());
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PaginaBancada)->Unit(benchmark::kMillisecond);

// One iteration: GET /accounts/111 from a console on a loopback port, answer included.
void BM_PaginaBancadaHttp(benchmark::State& state) {
  Armazem a;
  if (!a.erro.empty()) {
    state.SkipWithError(a.erro.c_str());
    return;
  }
  CZQAcessoServidoresSQL hub(a.banco);
  ZQOpcoesConsole opcoes;
  opcoes.porta = 0;
  ZQConsole console(hub, opcoes);
  std::string motivo;
  if (!console.Liga(motivo)) {
    state.SkipWithError(motivo.c_str());
    return;
  }
  std::thread fio([&] { console.Atende(); });
  httplib::Client cliente("127.0.0.1", console.Porta());
  const std::string caminho = std::string("/accounts/111?branch=1&") + cl_bench::kMesConsole;
  for (auto _ : state) {
    auto r = cliente.Get(caminho);
    if (!r || r->status != 200) {
      state.SkipWithError("a página não veio");
      break;
    }
    benchmark::DoNotOptimize(r->body.size());
  }
  console.Para();
  fio.join();
}
BENCHMARK(BM_PaginaBancadaHttp)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
