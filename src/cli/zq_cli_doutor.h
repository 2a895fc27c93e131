#pragma once

#include "cli/zq_cli_comando.h"

#include <ostream>
#include <string>

// The command of the "cl" tool that checks an installation before the services run:
//
//   cl doctor [--network]
//       the configuration (every key known, its directories usable by this user, the
//       private one private), the store (opens, schema version, integrity), the message
//       library, the certificates configured and, with --network, the banks' addresses
//       (name resolution and a TLS handshake). One line per check; each problem says how
//       to fix it. Exits 0 only when all is well, 1 otherwise.
class ZQComandoDoutor : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  CLI::App* m_comando = nullptr;
  bool m_rede = false;
};
