#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "frame/zq_string.h"

// printf-style formatting whose arguments carry their own types, for message texts
// that come from the catalogue at run time: a placeholder that does not match its
// argument prints the argument as best it can instead of reading the wrong type,
// and a missing argument prints nothing. "%n" is never honoured.
namespace zq {

struct ArgFormato {
  enum class Tipo { Inteiro, SemSinal, Real, Texto };
  Tipo tipo = Tipo::Texto;
  int64_t inteiro = 0;
  uint64_t semSinal = 0;
  double real = 0;
  std::string texto;

  template <typename T>
  static ArgFormato De(const T& valor) {
    ArgFormato a;
    a.tipo = Tipo::Texto;
    if constexpr (std::is_same_v<T, bool>) {
      a.tipo = Tipo::Inteiro;
      a.inteiro = valor ? 1 : 0;
    } else if constexpr (std::is_enum_v<T>) {
      a.tipo = Tipo::Inteiro;
      a.inteiro = static_cast<int64_t>(valor);
    } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) {
      a.tipo = Tipo::Inteiro;
      a.inteiro = valor;
    } else if constexpr (std::is_integral_v<T>) {
      a.tipo = Tipo::SemSinal;
      a.semSinal = valor;
    } else if constexpr (std::is_floating_point_v<T>) {
      a.tipo = Tipo::Real;
      a.real = static_cast<double>(valor);
    } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
      a.texto = std::string(std::string_view(valor));
    } else if constexpr (std::is_same_v<T, CZQString>) {
      a.texto = valor.str();
    } else if constexpr (std::is_convertible_v<const T&, const char*>) {
      const char* p = valor;
      a.texto = p ? p : "";
    } else {
      static_assert(sizeof(T) == 0, "unsupported format argument");
    }
    return a;
  }
};

std::string FormataSeguro(std::string_view formato, const std::vector<ArgFormato>& args);

template <typename... A>
std::string Formata(std::string_view formato, const A&... args) {
  return FormataSeguro(formato, std::vector<ArgFormato>{ArgFormato::De(args)...});
}

}  // namespace zq
