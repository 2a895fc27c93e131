#pragma once

// Temporary directories and whole-file reads and writes for the tests.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace zq_teste {

// A directory of its own for one test, removed at the end.
class PastaTemporaria {
 public:
  PastaTemporaria() {
    std::string modelo = (std::filesystem::temp_directory_path() / "cl_store_XXXXXX").string();
    char* criada = ::mkdtemp(modelo.data());
    m_caminho = criada ? criada : modelo;
  }
  ~PastaTemporaria() {
    std::error_code ec;
    std::filesystem::remove_all(m_caminho, ec);
  }
  PastaTemporaria(const PastaTemporaria&) = delete;
  PastaTemporaria& operator=(const PastaTemporaria&) = delete;

  const std::string& Caminho() const { return m_caminho; }
  std::string Arquivo(const std::string& nome) const { return m_caminho + "/" + nome; }

 private:
  std::string m_caminho;
};

inline void EscreveArquivo(const std::string& caminho, const std::string& conteudo) {
  std::ofstream out(caminho, std::ios::binary | std::ios::trunc);
  out << conteudo;
}

inline std::string LeArquivo(const std::string& caminho) {
  std::ifstream in(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace zq_teste
