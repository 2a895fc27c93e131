#include <iostream>
#include <string>
#include <vector>

#include "cli/zq_cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> argumentos(argv, argv + argc);
  return ZQExecutaCl(argumentos, std::cout, std::cerr);
}
