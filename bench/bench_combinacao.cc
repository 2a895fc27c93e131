// Time and peak memory of the two amount-combination searches and of their plain
// reference versions, for 20, 30, 40 and 48 candidates.
//
// Memory is measured two ways, both as the rise over the level before the run:
//  - heap_MB: peak of the bytes live through operator new (replaced below), so it
//    counts what the search asked for, touched or not;
//  - rss_MB: peak resident set (VmHWM, reset through /proc/self/clear_refs before
//    the run), what the process really had in memory.
//
// Scenarios (amounts drawn in [2^50, 2^51), so that sums are almost always unique):
//  - SemSolucao: target = total + 1; every subset stays below it, none reaches it.
//    The split-half search keeps every subset of both halves: its worst case.
//  - SemSolucaoNoMeio: a target near half the total that no subset reaches (checked
//    when the data are built); the depth-first search's worst case, since the
//    remaining-amount bounds cut little there.
//  - Tardia: target = every candidate but the first. The plain split-half search
//    meets it at the next-to-last mask of the first half.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "bench_memoria.h"
#include "reconciliation/cl_trata_dados_conciliacao_automatica_tesouraria_banco.h"
#include "reconciliation/combinacao_oracle.h"

namespace {

using Rotina = CCLTrataDadosConciliacaoAutomaticaTesourariaBanco;
using Candidatos = Rotina::Candidatos;
using Ids = CZQVector<Rotina::ULONG32>;

long long LeCampoStatusKB(const char* campo) {
  std::ifstream status("/proc/self/status");
  std::string linha;
  const size_t n = std::strlen(campo);
  while (std::getline(status, linha)) {
    if (linha.compare(0, n, campo) == 0) return std::atoll(linha.c_str() + n + 1);
  }
  return -1;
}

void ZeraPicoRss() {
  std::ofstream limpa("/proc/self/clear_refs");
  limpa << "5";
}

enum class Cenario { SemSolucao, SemSolucaoNoMeio, Tardia };
enum class Operacao { MeetInTheMiddle, Backtracking, OraculoMeetInTheMiddle, OraculoBacktracking };

const char* Nome(Cenario c) {
  switch (c) {
    case Cenario::SemSolucao:
      return "SemSolucao";
    case Cenario::SemSolucaoNoMeio:
      return "SemSolucaoNoMeio";
    default:
      return "Tardia";
  }
}
const char* Nome(Operacao o) {
  switch (o) {
    case Operacao::MeetInTheMiddle:
      return "MeetInTheMiddle";
    case Operacao::Backtracking:
      return "Backtracking";
    case Operacao::OraculoMeetInTheMiddle:
      return "OraculoMeetInTheMiddle";
    default:
      return "OraculoBacktracking";
  }
}

struct Dados {
  Candidatos candidatos;
  tagCY alvo = 0;
};

Dados Monta(int quantidade, Cenario cenario) {
  std::mt19937_64 gerador(1000u + static_cast<unsigned>(quantidade));
  std::uniform_int_distribution<tagCY> valor(tagCY{1} << 50, (tagCY{1} << 51) - 1);
  Dados dados;
  tagCY total = 0;
  for (int i = 0; i < quantidade; ++i) {
    const tagCY v = valor(gerador);
    dados.candidatos.Add({static_cast<Rotina::ULONG32>(5000 + i), v});
    total += v;
  }
  switch (cenario) {
    case Cenario::SemSolucao:
      dados.alvo = total + 1;
      break;
    case Cenario::Tardia:
      dados.alvo = total - dados.candidatos[0].second;
      break;
    case Cenario::SemSolucaoNoMeio: {
      dados.alvo = total / 2;
      Ids ids;
      while (Rotina::FindCombinacaoValoresMeetInTheMiddle(dados.candidatos, dados.alvo, ids)) ++dados.alvo;
      break;
    }
  }
  return dados;
}

bool Executa(Operacao operacao, const Dados& dados, Ids& ids) {
  switch (operacao) {
    case Operacao::MeetInTheMiddle:
      return Rotina::FindCombinacaoValoresMeetInTheMiddle(dados.candidatos, dados.alvo, ids);
    case Operacao::Backtracking:
      return Rotina::FindCombinacaoValoresBacktracking(dados.candidatos, dados.alvo, ids, 0, 0);
    case Operacao::OraculoMeetInTheMiddle:
      return oraculo_combinacao::MeetInTheMiddle(dados.candidatos, dados.alvo, ids);
    default:
      return oraculo_combinacao::Backtracking(dados.candidatos, dados.alvo, ids, 0, 0);
  }
}

void Mede(benchmark::State& state, Operacao operacao, Cenario cenario, int quantidade) {
  const Dados dados = Monta(quantidade, cenario);
  malloc_trim(0);
  const long long heapAntes = bench_memoria::ZeraPico();
  const long long rssAntes = LeCampoStatusKB("VmRSS:");
  ZeraPicoRss();
  bool achou = false;
  size_t escolhidos = 0;
  for (auto _ : state) {
    Ids ids;
    achou = Executa(operacao, dados, ids);
    escolhidos = static_cast<size_t>(ids.GetQuantidade());
    benchmark::DoNotOptimize(ids);
  }
  const long long rssPico = LeCampoStatusKB("VmHWM:");
  state.counters["heap_MB"] = static_cast<double>(bench_memoria::PicoAcimaDe(heapAntes)) / (1024.0 * 1024.0);
  state.counters["rss_MB"] = static_cast<double>(rssPico - rssAntes) / 1024.0;
  state.counters["achou"] = achou ? 1 : 0;
  state.counters["ids"] = static_cast<double>(escolhidos);
}

// Runs that would take minutes (or several gigabytes) are left out.
bool Viavel(Operacao operacao, Cenario cenario, int quantidade) {
  switch (operacao) {
    case Operacao::MeetInTheMiddle:
      return true;
    case Operacao::Backtracking:
      // The bounds settle SemSolucao and Tardia at once. In the middle the search
      // walks the first n - 20 levels (the last 20 are answered by its table of
      // final sums): at 48 that is about 2^27 table look-ups, a minute or so.
      return cenario != Cenario::SemSolucaoNoMeio || quantidade <= 40;
    case Operacao::OraculoMeetInTheMiddle:
      // 2^24 subsets per half, each with its own identifier list: many gigabytes.
      return quantidade <= 40;
    default:
      // The plain search has no bounds: it walks every branch whose running sum
      // stays under the target, about 2^n of them here (1.5 to 2 s at 30, so
      // about half an hour at 40).
      return quantidade <= 30;
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (Operacao operacao : {Operacao::MeetInTheMiddle, Operacao::OraculoMeetInTheMiddle, Operacao::Backtracking,
                            Operacao::OraculoBacktracking}) {
    for (Cenario cenario : {Cenario::SemSolucao, Cenario::SemSolucaoNoMeio, Cenario::Tardia}) {
      for (int quantidade : {20, 30, 40, 48}) {
        const std::string nome = std::string(Nome(operacao)) + "/" + Nome(cenario) + "/" + std::to_string(quantidade);
        if (!Viavel(operacao, cenario, quantidade)) {
          std::fprintf(stderr, "skipped: %s\n", nome.c_str());
          continue;
        }
        auto* b = benchmark::RegisterBenchmark(nome.c_str(), Mede, operacao, cenario, quantidade);
        b->Unit(benchmark::kMillisecond);
        if (quantidade >= 30) b->Iterations(quantidade >= 40 ? 1 : 3);
      }
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
