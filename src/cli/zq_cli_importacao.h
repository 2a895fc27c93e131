#pragma once

#include "cli/zq_cli_comando.h"
#include "platform/records/zq_dados_extrato.h"

#include <cstdint>
#include <ostream>
#include <string>

// The statement import of the "cl" tool, as the module's import screen runs it:
//
//   cl import --account N --from DD/MM/AAAA --to DD/MM/AAAA [--branch N] [--no-duplicate-check]
//       fetches the account's statement from its online source (or the test-mode files of
//       the installation directory), validates every line, stores the new ones, draws the
//       progress on a terminal and names the report of the rejected lines.
//   cl import --file ARQUIVO --layout N [--account N] [--branch N] [--from D --to D]
//             [--no-duplicate-check] [--dry-run] [--json]
//       imports a statement file (OFX or delimited text) by a layout of the company: the
//       lines stored and the rows refused with their line and reason; --dry-run stores
//       nothing and shows what would be stored. Without --from/--to the period is the
//       file's own.
//   cl layouts [--json]
//       lists the company's import layouts and, for delimited ones, their columns.
class ZQComandoImportacao : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  int ExecutaArquivo(const std::string& conexao, std::ostream& saida, std::ostream& erros);
  int ExecutaLeiautes(const std::string& conexao, std::ostream& saida, std::ostream& erros);
  // The request both imports make of the options: account, branch, period and the
  // duplicate checks (all or none).
  CZQDadosCL_FiltroImportacaoExtrato Pedido(REG_ZQDMA de, REG_ZQDMA ate) const;

  CLI::App* m_importa = nullptr;
  CLI::App* m_leiautes = nullptr;
  std::string m_arquivo;
  int32_t m_leiaute = 0;
  bool m_simulacao = false;
  bool m_json = false;
  uint32_t m_conta = 0;
  uint32_t m_filial = 1;
  std::string m_de;
  std::string m_ate;
  bool m_semDuplicidade = false;
};
