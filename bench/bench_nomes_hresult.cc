// Cost of the trace's name lookups: the built-in tables (binary search), and the
// lookups that open the message library for each call and close it after.
//
// The library is the one the build made: CL_BIBLIOTECA_MENSAGENS when set, else
// libzqmensagens.so in the parent directory of this program (the build root).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "frame/zq_mensagens.h"
#include "frame/zq_nomes_hresult.h"

namespace {

void ApontaBiblioteca() {
  if (getenv("CL_BIBLIOTECA_MENSAGENS") != nullptr) return;
  std::error_code ec;
  const auto programa = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return;
  const std::string caminho = (programa.parent_path().parent_path() / "libzqmensagens.so").string();
  setenv("CL_BIBLIOTECA_MENSAGENS", caminho.c_str(), 1);
}

// A mix of named and unnamed results, as failures would bring them.
std::vector<HRESULT> Resultados() {
  return {ZQ_HR(0x80004005), ZQ_HR(0x80070057), ZQ_HR(0x800401F0), ZQ_HR(0x80F50002), ZQ_HR(0x800A0005),
          ZQ_HR(0x80047D04), ZQ_HR(0x12345678), ZQ_HR(0x80010108), ZQ_HR(0x800706BA), ZQ_HR(0x80FF0D12)};
}

void BM_NomeFacility(benchmark::State& state) {
  uint32_t facility = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zq::NomeFacility(facility));
    facility = (facility + 37) % 300;
  }
}
BENCHMARK(BM_NomeFacility);

void BM_NomeHResult(benchmark::State& state) {
  const auto resultados = Resultados();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zq::NomeHResult(resultados[i]));
    i = (i + 1) % resultados.size();
  }
}
BENCHMARK(BM_NomeHResult);

// Opens and closes the library on every call.
void BM_NomeCodigo(benchmark::State& state) {
  ApontaBiblioteca();
  const auto resultados = Resultados();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zq::NomeCodigo(resultados[i]));
    i = (i + 1) % resultados.size();
  }
}
BENCHMARK(BM_NomeCodigo);

void BM_DescricaoHResult(benchmark::State& state) {
  ApontaBiblioteca();
  const auto resultados = Resultados();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zq::DescricaoHResult(resultados[i]));
    i = (i + 1) % resultados.size();
  }
}
BENCHMARK(BM_DescricaoHResult);

void BM_ZQGetMensagem(benchmark::State& state) {
  ApontaBiblioteca();
  unsigned long codigo = 5807;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ZQGetMensagem(codigo, "CL"));
    codigo = codigo == 5902 ? 5807 : codigo + 1;
  }
}
BENCHMARK(BM_ZQGetMensagem);

}  // namespace

BENCHMARK_MAIN();
