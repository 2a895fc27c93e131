#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

// Shared by the name-table and message tests: an environment variable changed for one
// scope and restored after it, and the places of the built message library.
namespace zq_teste_mensagens {

class AmbienteTrocado {
 public:
  // Sets the variable, or removes it when `valor` is null.
  AmbienteTrocado(const char* nome, const char* valor) : m_nome(nome) {
    if (const char* atual = getenv(nome)) m_anterior = atual;
    if (valor) setenv(nome, valor, 1);
    else unsetenv(nome);
  }
  ~AmbienteTrocado() {
    if (m_anterior) setenv(m_nome.c_str(), m_anterior->c_str(), 1);
    else unsetenv(m_nome.c_str());
  }
  AmbienteTrocado(const AmbienteTrocado&) = delete;
  AmbienteTrocado& operator=(const AmbienteTrocado&) = delete;

 private:
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

}  // namespace zq_teste_mensagens
