#pragma once

// What the fuzz targets share: a directory of their own for files, logs and the store,
// and the built message library, set up once per process.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "frame/zq_config.h"

namespace cl_fuzz {

// A process-wide scratch directory under TMPDIR (or /dev/shm when it exists: every
// execution writes a file), removed at exit.
inline const std::filesystem::path& Raiz() {
  static const std::filesystem::path raiz = [] {
    std::string base =
        std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    std::string modelo = base + "/cl_fuzz_XXXXXX";
    if (!mkdtemp(modelo.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(Raiz(), ec);
    });
    return std::filesystem::path(modelo);
  }();
  return raiz;
}

// The directories the module writes to, all under the scratch directory, and the
// message library of this build.
inline void PreparaAmbiente() {
  setenv("CL_BIBLIOTECA_MENSAGENS", (std::string(CL_BINARIOS) + "/libzqmensagens.so").c_str(), 1);
  for (const char* var : {"CL_LOCAL_ORBEL", "CL_RELATORIOS", "CL_TEMPORARIO", "CL_LOG_ERROS", "CL_LOG_ERROS_EMPRESA",
                          "CL_BANCO", "CL_CONFIG"}) {
    unsetenv(var);
  }
  CZQConfiguracao& config = CZQConfiguracao::Global();
  config.Set("local_orbel", (Raiz() / "instalacao").string());
  config.Set("relatorios", (Raiz() / "relatorios").string());
  config.Set("temporario", (Raiz() / "tmp").string());
  config.Set("log_erros", (Raiz() / "log").string());
  config.Set("log_erros_empresa", (Raiz() / "log" / "{empresa}").string());
}

inline void Escreve(const std::filesystem::path& caminho, const unsigned char* dados, size_t tamanho) {
  std::ofstream out(caminho, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(dados), static_cast<std::streamsize>(tamanho));
}

// A broken promise of the code under test: printed, then the process aborts so the
// fuzzer keeps the input.
#define CL_FUZZ_EXIGE(condicao)                                                    \
  do {                                                                             \
    if (!(condicao)) {                                                             \
      std::fprintf(stderr, "%s:%d: violado: %s\n", __FILE__, __LINE__, #condicao); \
      std::abort();                                                                \
    }                                                                              \
  } while (0)

}  // namespace cl_fuzz
