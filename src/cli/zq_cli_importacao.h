#pragma once

#include "cli/zq_cli_comando.h"

#include <cstdint>
#include <ostream>
#include <string>

// The statement import of the "cl" tool, as the module's import screen runs it:
//
//   cl import --account N --from DD/MM/AAAA --to DD/MM/AAAA [--branch N] [--no-duplicate-check]
//       fetches the account's statement from its online source (or the test-mode files of
//       the installation directory), validates every line, stores the new ones, draws the
//       progress on a terminal and names the report of the rejected lines.
class ZQComandoImportacao : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  CLI::App* m_importa = nullptr;
  uint32_t m_conta = 0;
  uint32_t m_filial = 1;
  std::string m_de;
  std::string m_ate;
  bool m_semDuplicidade = false;
};
