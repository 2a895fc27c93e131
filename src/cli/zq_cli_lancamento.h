#pragma once

#include "cli/zq_cli_comando.h"

#include <cstdint>
#include <ostream>
#include <string>

// The posting command of the "cl" tool:
//
//   cl post --account N --from DD/MM/AAAA --to DD/MM/AAAA [--branch F] [--silent]
//       generates the treasury entries of the account's open statement lines by the
//       posting rules, records them and marks the lines reconciled; asks at the terminal
//       about treasury duplicates unless --silent; prints the entries posted, the lines
//       reconciled and the errors with their texts;
//   cl reconciliation-logs --account N [--number K]
//       the reconciliation logs the posting wrote for the account: per reconciliation
//       number, its statement lines and treasury entries.
class ZQComandoLancamento : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  int ExecutaLogs(const std::string& conexao, std::ostream& saida, std::ostream& erros);

  CLI::App* m_comando = nullptr;
  CLI::App* m_logs = nullptr;
  long long m_numero = -1;
  uint32_t m_conta = 0;
  uint32_t m_filial = 1;
  std::string m_de;
  std::string m_ate;
  bool m_silencioso = false;
};
