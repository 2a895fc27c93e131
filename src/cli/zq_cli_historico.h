#pragma once

#include "cli/zq_cli_comando.h"

#include <cstdint>
#include <ostream>
#include <string>

// The command of the "cl" tool that shows an account's reconciliations as one history:
//
//   cl history --account N [--json]
//       every reconciliation number of the account in order, automatic (reconciliation
//       service, posting run) and manual alike, with its user, session, time and how many
//       statement lines and treasury entries it holds; under each, its undo records
//       (when, who, why). A number undone and never made again shows as undone.
class ZQComandoHistorico : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  CLI::App* m_comando = nullptr;
  uint32_t m_conta = 0;
  bool m_json = false;
};
