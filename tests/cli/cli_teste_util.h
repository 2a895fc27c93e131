#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/zq_cli.h"

namespace cl_teste_cli {

// What one run of the tool gave: exit code and both streams.
struct Resultado {
  int codigo;
  std::string saida;
  std::string erros;
};

// Runs "cl" with the arguments (the program name is added).
inline Resultado Executa(std::vector<std::string> argumentos) {
  argumentos.insert(argumentos.begin(), "cl");
  std::ostringstream saida, erros;
  int codigo = ZQExecutaCl(argumentos, saida, erros);
  return {codigo, saida.str(), erros.str()};
}

}  // namespace cl_teste_cli
