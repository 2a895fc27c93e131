#pragma once

#include "cli/zq_cli_comando.h"

#include <ostream>
#include <string>

// The command of the "cl" tool that shows what the import service did on a day:
//
//   cl executions --date DD/MM/AAAA [--json]
//       every run of the import service stored for that day, in the order they ran,
//       with each account's status, the lines the run stored and refused for it, how
//       long it took ("-" for runs recorded before that was kept), its message and the
//       statement lines it holds for the seven days the run asked for. --json gives
//       both services' runs, as the console's /api/runs.
class ZQComandoExecucoes : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  CLI::App* m_comando = nullptr;
  std::string m_data;
  bool m_json = false;
};
