#pragma once

#include "cli/zq_cli_comando.h"

#include <ostream>
#include <string>

// The command of the "cl" tool that serves the operator console:
//
//   cl serve [--bind ENDERECO] [--port N]
//       serves the console over the store until interrupted (SIGINT or SIGTERM);
//       prints the address first. Off loopback it needs the password of the key
//       console.senha; --port 0 takes any free port.
//   cl serve --hash-password
//       reads a password from standard input and prints the value for console.senha.
class ZQComandoConsole : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  CLI::App* m_comando = nullptr;
  std::string m_endereco = "127.0.0.1";
  int m_porta = 8080;
  bool m_hashSenha = false;
};
