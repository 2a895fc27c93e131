#include "frame/zq_formato.h"

#include <cstdio>
#include <cstdlib>

namespace zq {
namespace {

int64_t ComoInteiro(const ArgFormato& a) {
  switch (a.tipo) {
    case ArgFormato::Tipo::Inteiro:
      return a.inteiro;
    case ArgFormato::Tipo::SemSinal:
      return static_cast<int64_t>(a.semSinal);
    case ArgFormato::Tipo::Real:
      return static_cast<int64_t>(a.real);
    case ArgFormato::Tipo::Texto:
      return std::strtoll(a.texto.c_str(), nullptr, 10);
  }
  return 0;
}

double ComoReal(const ArgFormato& a) {
  switch (a.tipo) {
    case ArgFormato::Tipo::Inteiro:
      return static_cast<double>(a.inteiro);
    case ArgFormato::Tipo::SemSinal:
      return static_cast<double>(a.semSinal);
    case ArgFormato::Tipo::Real:
      return a.real;
    case ArgFormato::Tipo::Texto:
      return std::strtod(a.texto.c_str(), nullptr);
  }
  return 0;
}

std::string ComoTexto(const ArgFormato& a) {
  char buf[64];
  switch (a.tipo) {
    case ArgFormato::Tipo::Inteiro:
      std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(a.inteiro));
      return buf;
    case ArgFormato::Tipo::SemSinal:
      std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(a.semSinal));
      return buf;
    case ArgFormato::Tipo::Real:
      std::snprintf(buf, sizeof buf, "%g", a.real);
      return buf;
    case ArgFormato::Tipo::Texto:
      return a.texto;
  }
  return {};
}

template <typename T>
void Acrescenta(std::string& saida, const std::string& conversao, T valor) {
  int n = std::snprintf(nullptr, 0, conversao.c_str(), valor);
  if (n <= 0) return;
  std::string parte(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(parte.data(), parte.size(), conversao.c_str(), valor);
  parte.resize(static_cast<size_t>(n));
  saida += parte;
}

}  // namespace

std::string FormataSeguro(std::string_view formato, const std::vector<ArgFormato>& args) {
  std::string saida;
  size_t proximo = 0;
  auto pega = [&]() -> const ArgFormato* { return proximo < args.size() ? &args[proximo++] : nullptr; };
  for (size_t i = 0; i < formato.size();) {
    char c = formato[i];
    if (c != '%') {
      saida += c;
      ++i;
      continue;
    }
    if (i + 1 < formato.size() && formato[i + 1] == '%') {
      saida += '%';
      i += 2;
      continue;
    }
    // Flags, width and precision are kept; '*' takes its value from the arguments.
    std::string conversao = "%";
    size_t j = i + 1;
    while (j < formato.size() && std::string_view("-+ #0'").find(formato[j]) != std::string_view::npos)
      conversao += formato[j++];
    for (int parte = 0; parte < 2 && j < formato.size(); ++parte) {
      if (parte == 1) {
        if (formato[j] != '.') break;
        conversao += formato[j++];
      }
      if (j < formato.size() && formato[j] == '*') {
        const ArgFormato* a = pega();
        int64_t v = a ? ComoInteiro(*a) : 0;
        if (v > 4096) v = 4096;
        if (v < -4096) v = -4096;
        conversao += std::to_string(v);
        ++j;
      } else {
        size_t inicio = j;
        while (j < formato.size() && formato[j] >= '0' && formato[j] <= '9') ++j;
        std::string numero(formato.substr(inicio, j - inicio));
        if (numero.size() > 4) numero = "4096";  // a width beyond reason is a catalogue slip
        conversao += numero;
      }
    }
    // Length modifiers are dropped: the argument's own type decides the width.
    while (j < formato.size() && std::string_view("hlLqjztI0123456789").find(formato[j]) != std::string_view::npos) ++j;
    if (j >= formato.size()) {
      saida.append(formato.substr(i));
      break;
    }
    char conv = formato[j];
    const ArgFormato* a = (conv == 'n') ? nullptr : pega();
    switch (conv) {
      case 'd':
      case 'i':
        if (a) Acrescenta(saida, conversao + "lld", static_cast<long long>(ComoInteiro(*a)));
        break;
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        if (a) Acrescenta(saida, conversao + "ll" + conv, static_cast<unsigned long long>(ComoInteiro(*a)));
        break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        if (a) Acrescenta(saida, conversao + conv, ComoReal(*a));
        break;
      case 'c':
        if (a) Acrescenta(saida, conversao + "c", static_cast<int>(ComoInteiro(*a)));
        break;
      case 's':
      case 'S':
        if (a) {
          std::string t = ComoTexto(*a);
          Acrescenta(saida, conversao + "s", t.c_str());
        }
        break;
      case 'n':
        break;
      default:
        // Not a conversion: keep the text as written.
        if (a) --proximo;
        saida.append(formato.substr(i, j - i + 1));
        break;
    }
    i = j + 1;
  }
  return saida;
}

}  // namespace zq
