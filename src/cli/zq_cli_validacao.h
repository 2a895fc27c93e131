#pragma once

#include "cli/zq_cli_comando.h"

#include <cstdint>
#include <ostream>
#include <string>

// The save-time checks of the "cl" tool, run as the module's screens run them before
// saving, over the company in the store:
//
//   cl validate-import --from DD/MM/AAAA --to DD/MM/AAAA [--account N] [--branch N]
//                      [--layout NOME|POSIÇÃO] [--file ARQUIVO]
//       an import request; without --layout and --file it is an online request
//       (layout "Importação Online"); a number names the layout by its position;
//   cl validate-config importacao|conciliacao [--file CONFIGURACAO.json]
//       the import or reconciliation service's configuration: the one in the file
//       ({"regras": [...]} with the rules as the company file writes them, or a whole
//       company file), else the one stored.
//
// A valid record prints a line saying so and exits with 0. A refusal prints the
// warning's text, as the screen would show it, and exits with ZQ_CL_SAIDA_RECUSA; a
// failed read of the servers goes to the error stream with ZQ_CL_SAIDA_FALHA.
class ZQComandosValidacao : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  int ValidaPedido(std::ostream& saida, std::ostream& erros);
  int ValidaConfiguracao(std::ostream& saida, std::ostream& erros);

  CLI::App* m_pedido = nullptr;
  CLI::App* m_configuracao = nullptr;
  uint32_t m_conta = 0;
  uint32_t m_filial = 1;
  std::string m_de;
  std::string m_ate;
  std::string m_leiaute;
  std::string m_arquivo;
  std::string m_servico;
  std::string m_arquivoConfiguracao;
};

// Exit code of a record the validator refused.
inline constexpr int ZQ_CL_SAIDA_RECUSA = 3;
