#include "cli/zq_cli_comando.h"

bool ZQComandoCli::Conhece(const std::string& nome) const {
  for (const CLI::App* c : m_comandos) {
    if (c->get_name() == nome) return true;
  }
  return false;
}

bool ZQComandoCli::Escolhido() const {
  for (const CLI::App* c : m_comandos) {
    if (c->parsed()) return true;
  }
  return false;
}

CLI::App* ZQComandoCli::Adiciona(CLI::App& app, const std::string& nome, const std::string& descricao) {
  m_comandos.push_back(app.add_subcommand(nome, descricao));
  return m_comandos.back();
}
