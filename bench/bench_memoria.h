#pragma once

// Heap accounting for the benchmarks: replaces the global operator new/delete so a
// benchmark can read the peak of live heap bytes around the code it measures. Include
// it in exactly one source file of a benchmark program.
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace bench_memoria {

inline std::atomic<long long> g_heapAtual{0};
inline std::atomic<long long> g_heapPico{0};

inline void RegistraAlocacao(void* p) {
  const long long tamanho = static_cast<long long>(malloc_usable_size(p));
  const long long atual = g_heapAtual.fetch_add(tamanho) + tamanho;
  long long pico = g_heapPico.load();
  while (atual > pico && !g_heapPico.compare_exchange_weak(pico, atual)) {
  }
}

// Starts a new peak from the heap in use now, and returns that level.
inline long long ZeraPico() {
  const long long agora = g_heapAtual.load();
  g_heapPico.store(agora);
  return agora;
}

// The highest heap level since ZeraPico, above `base`, in bytes.
inline long long PicoAcimaDe(long long base) { return g_heapPico.load() - base; }

}  // namespace bench_memoria

// The replaced operators pair malloc with free by design; once inlined, the compiler
// sees free() on memory from operator new and would warn.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t tamanho) {
  void* p = std::malloc(tamanho == 0 ? 1 : tamanho);
  if (p == nullptr) throw std::bad_alloc();
  bench_memoria::RegistraAlocacao(p);
  return p;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  bench_memoria::g_heapAtual.fetch_sub(static_cast<long long>(malloc_usable_size(p)));
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
