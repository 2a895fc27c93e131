#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>
#include <vector>

// One group of commands of the "cl" tool. The tool registers every group, names a
// misspelt command by asking each whether it knows the word, and runs the group whose
// command the parser chose.
class ZQComandoCli {
 public:
  virtual ~ZQComandoCli() = default;
  // Adds the group's commands to the tool, each through Adiciona.
  virtual void Registra(CLI::App& app) = 0;
  // Runs the chosen command over the store `conexao` names; returns the exit code.
  virtual int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) = 0;

  // Whether `nome` is one of the group's commands.
  bool Conhece(const std::string& nome) const;
  // Whether the parsed command line chose one of them.
  bool Escolhido() const;

 protected:
  CLI::App* Adiciona(CLI::App& app, const std::string& nome, const std::string& descricao);

 private:
  std::vector<CLI::App*> m_comandos;
};
