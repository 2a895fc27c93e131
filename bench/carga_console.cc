// A bounded load test of the console: 50 clients on loopback reading the overview
// together for 30 seconds over the store the workbench benchmark uses; it counts the
// answers that are not 200 and the requests that got none.
//
// Usage: carga_console [clients] [seconds]. The per-address rate limit is lifted for
// the run: every client shares 127.0.0.1, and the limit is what would answer them.
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "console/zq_console.h"
#include "console_semeia.h"

int main(int argc, char** argv) {
  const int clientes = argc > 1 ? std::atoi(argv[1]) : 50;
  const int segundos = argc > 2 ? std::atoi(argv[2]) : 30;
  if (clientes < 1 || clientes > 1000 || segundos < 1 || segundos > 600) {
    std::fprintf(stderr, "uso: carga_console [clientes 1-1000] [segundos 1-600]\n");
    return 2;
  }
  zq_teste::PastaTemporaria pasta;
  std::shared_ptr<CZQBancoSQL> banco;
  if (const std::string erro = cl_bench::SemeiaConsole("sqlite:" + pasta.Arquivo("cl.db"), banco); !erro.empty()) {
    std::fprintf(stderr, "carga_console: %s\n", erro.c_str());
    return 1;
  }
  CZQAcessoServidoresSQL hub(banco);
  ZQOpcoesConsole opcoes;
  opcoes.porta = 0;
  opcoes.maximoPorMinuto = SIZE_MAX;
  ZQConsole console(hub, opcoes);
  std::string motivo;
  if (!console.Liga(motivo)) {
    std::fprintf(stderr, "carga_console: %s\n", motivo.c_str());
    return 1;
  }
  std::thread servidor([&] { console.Atende(); });

  using Relogio = std::chrono::steady_clock;
  const auto fim = Relogio::now() + std::chrono::seconds(segundos);
  std::atomic<long> certos{0}, errados{0}, semResposta{0};
  std::mutex mutex;
  std::vector<double> tempos;  // milliseconds of every answered request
  std::vector<std::thread> fios;
  for (int i = 0; i < clientes; ++i) {
    fios.emplace_back([&] {
      httplib::Client cliente("127.0.0.1", console.Porta());
      cliente.set_read_timeout(30);
      std::vector<double> meus;
      while (Relogio::now() < fim) {
        const auto antes = Relogio::now();
        auto r = cliente.Get("/api/overview");
        if (!r) {
          ++semResposta;
          continue;
        }
        meus.push_back(std::chrono::duration<double, std::milli>(Relogio::now() - antes).count());
        ++(r->status == 200 ? certos : errados);
      }
      std::lock_guard trava(mutex);
      tempos.insert(tempos.end(), meus.begin(), meus.end());
    });
  }
  for (std::thread& f : fios) f.join();
  console.Para();
  servidor.join();

  std::sort(tempos.begin(), tempos.end());
  const auto quantil = [&](double q) {
    return tempos.empty() ? 0.0 : tempos[std::min(tempos.size() - 1, static_cast<std::size_t>(q * tempos.size()))];
  };
  std::printf(
      "%d clientes, %d s: %ld respostas 200, %ld outras, %ld sem resposta; %.1f pedidos/s; "
      "latência p50 %.1f ms, p99 %.1f ms, máx %.1f ms\n",
      clientes, segundos, certos.load(), errados.load(), semResposta.load(),
      static_cast<double>(certos + errados) / segundos, quantil(0.5), quantil(0.99),
      tempos.empty() ? 0.0 : tempos.back());
  return errados == 0 && semResposta == 0 ? 0 : 1;
}
