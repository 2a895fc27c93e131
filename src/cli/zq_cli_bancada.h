#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>
#include "cli/zq_cli_comando.h"

// The commands of the "cl" tool where a person finishes an account by hand:
//
//   cl open --account N --from D --to D [--branch F] [--json]
//       the open statement lines and open treasury entries of the account side
//       by side, with the totals of each side and their difference.
//   cl suggest --account N --from D --to D [--branch F] [--json]
//       which open lines belong with which open entries, best first: one to
//       one, one line against several entries, one entry against several lines;
//       each with its score and reasons, no line or entry in two proposals.
//   cl match --account N --lines P,P.. --entries P,P.. [--user U] [--session S] [--json]
//       reconciles those lines with those entries by hand under one new number;
//       refused with the reason when an item is of another account, already
//       reconciled, in the locked period, or when the totals differ.
//   cl unmatch --account N --number N --reason TEXT [--user U] [--session S] [--json]
//       undoes that reconciliation, automatic or manual: the marks go back to what
//       they were, the logs stay, and an undo record keeps who, when and why.
class ZQComandosBancada : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  CLI::App* m_abertos = nullptr;
  CLI::App* m_sugere = nullptr;
  CLI::App* m_concilia = nullptr;
  CLI::App* m_desfaz = nullptr;
  uint32_t m_numero = 0;
  std::string m_motivo;
  std::vector<uint32_t> m_linhas, m_entradas;
  uint16_t m_usuario = 0;
  uint32_t m_sessao = 0;
  uint32_t m_conta = 0;
  uint32_t m_filial = 0;
  std::string m_de, m_ate;
  bool m_json = false;
};
