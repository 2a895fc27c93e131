#pragma once

#include "cli/zq_cli_comando.h"

#include <ostream>
#include <string>

// The command of the "cl" tool that shows what the import service did on a day:
//
//   cl executions --date DD/MM/AAAA
//       every run of the import service stored for that day, in the order they ran,
//       with each account's status, message and the statement lines it holds for the
//       seven days the run asked for.
class ZQComandoExecucoes : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  CLI::App* m_comando = nullptr;
  std::string m_data;
};
