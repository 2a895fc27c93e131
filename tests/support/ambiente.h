#pragma once

// Environment variables changed for one scope and restored after it, and the places of
// the built message library.
#include <stdlib.h>

#include <optional>
#include <string>

namespace zq_teste {

class AmbienteTrocado {
 public:
  // Sets the variable, or removes it when `valor` is null.
  AmbienteTrocado(const char* nome, const char* valor) : m_nome(nome) {
    if (const char* atual = getenv(nome)) m_anterior = atual;
    Define(nome, valor);
  }
  ~AmbienteTrocado() { Define(m_nome.c_str(), m_anterior ? m_anterior->c_str() : nullptr); }
  AmbienteTrocado(const AmbienteTrocado&) = delete;
  AmbienteTrocado& operator=(const AmbienteTrocado&) = delete;

 private:
  static void Define(const char* nome, const char* valor) { valor ? setenv(nome, valor, 1) : unsetenv(nome); }

  std::string m_nome;
  std::optional<std::string> m_anterior;
};

inline constexpr const char kVariavelBiblioteca[] = "CL_BIBLIOTECA_MENSAGENS";
inline constexpr const char kBibliotecaInexistente[] = "/nao/existe/libzqmensagens.so";

// The library the build made, whatever the environment says.
inline std::string BibliotecaConstruida() { return std::string(CL_TEST_BINARY_DIR) + "/libzqmensagens.so"; }

// Points the lookups at the built library for the scope.
class ComBiblioteca : public AmbienteTrocado {
 public:
  ComBiblioteca() : AmbienteTrocado(kVariavelBiblioteca, BibliotecaConstruida().c_str()) {}
};

// Points the lookups at a library that does not exist for the scope.
class SemBiblioteca : public AmbienteTrocado {
 public:
  SemBiblioteca() : AmbienteTrocado(kVariavelBiblioteca, kBibliotecaInexistente) {}
};

}  // namespace zq_teste
