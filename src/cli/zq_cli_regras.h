#pragma once

#include "cli/zq_cli_comando.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

// The posting-rule commands of the "cl" tool, for the people who write the rules:
//
//   cl rules --account N
//       the rules that serve the account (its own and those for every account), in the
//       order they are tried, with the keys each one holds or lost to an earlier rule;
//   cl explain-rule --account N (--line POSIÇÃO | --history TEXTO [--code C] [--sign +|-])
//       which rule a statement line finds, by which key and at which place of the list,
//       in the posting run and in the test that comes before it;
//   cl rule-from-line --line P --transaction T --counter-account A --accounting C --payment-form F
//                     [--by code|history] [--history-prefix TEXTO] [--classification A]
//                     [--history H] [--all-accounts] [--save] [--json]
//       a posting rule made from a stored line (its movement code, or the start of its
//       history), of the line's account or of all; shown with what explain-rule would say
//       of the line, and saved only with --save and only when the line would find it.
//   cl post-line --account N --line P --transaction T --counter-account A --accounting C
//                --payment-form F [--classification A] [--history H] [--complement-type K]
//                [--branch F] [--user U] [--session S] [--json]
//       the same rule used once, for that line alone and saved nowhere: the line gets its
//       treasury entry and is reconciled under a new number, as the posting run would do
//       had the rule been saved; refused, changing nothing, with the reason.
class ZQComandosRegras : public ZQComandoCli {
 public:
  void Registra(CLI::App& app) override;
  int Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) override;

 private:
  CLI::App* m_regras = nullptr;
  CLI::App* m_explica = nullptr;
  CLI::App* m_daLinha = nullptr;
  CLI::App* m_lancaLinha = nullptr;
  std::string m_por, m_prefixo;
  long long m_transacao = 0, m_contrapartida = 0, m_contabil = 0, m_classificacao = 0, m_historicoPadrao = 0,
            m_forma = 0;
  bool m_todasContas = false, m_salvar = false, m_json = false;

  int RegraDaLinha(const std::string& conexao, std::ostream& saida);
  int LancaLinha(const std::string& conexao, std::ostream& saida, std::ostream& erros);
  long long m_complemento = 0;
  uint16_t m_filial = 0, m_usuario = 0;
  uint32_t m_sessao = 0;
  uint32_t m_conta = 0;
  long long m_linha = -1;
  std::string m_historico;
  std::string m_codigo;
  std::string m_natureza = "+";
};
