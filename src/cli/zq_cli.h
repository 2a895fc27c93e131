#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "frame/zq_tipos.h"

// The command-line tool "cl": runs it with its arguments (the program name first),
// writing to the given streams; returns the exit code (0 on success).
//
//   cl [--config ARQUIVO] [--db CONEXAO] init
//   cl [--config ARQUIVO] [--db CONEXAO] load-company ARQUIVO.json
//   cl [--config ARQUIVO] [--db CONEXAO] statements --account N --from DD/MM/AAAA --to DD/MM/AAAA
//                                                   [--branch N] [--open | --reconciled]
int ZQExecutaCl(const std::vector<std::string>& argumentos, std::ostream& saida, std::ostream& erros);

// Exit codes besides 0 and the command-line parser's own.
inline constexpr int ZQ_CL_SAIDA_FALHA = 1;       // the operation failed
inline constexpr int ZQ_CL_SAIDA_ARGUMENTOS = 2;  // an argument the parser let through is not valid

// The one reading of dates for every command: DD/MM/AAAA and a real day of the calendar
// (31/02 is refused, not carried into March). On a bad text, says so on `erros` and
// returns false; the caller exits with ZQ_CL_SAIDA_ARGUMENTOS.
bool ZQCliLeData(const std::string& texto, const char* opcao, REG_ZQDMA& data, std::ostream& erros);

// A period of two such dates whose end is not before its start.
bool ZQCliLePeriodo(const std::string& de, const std::string& ate, REG_ZQDMA& inicio, REG_ZQDMA& fim,
                    std::ostream& erros);

// A table's cell: the text padded with spaces to `largura` letters (UTF-8 letters, not
// bytes, so accented histories keep the columns), on the left when `direita`; a longer
// text is kept whole.
std::string ZQCliAjusta(const std::string& texto, size_t largura, bool direita = false);

// An amount as people read it ("1.234,56") and as scripts read it: a plain decimal with a
// point ("-1234.56"), whatever the locale shows.
std::string ZQCliValor(tagCY valor);
std::string ZQCliValorJson(tagCY valor);

class CZQBancoSQL;

// The store a command works on, installed as the process's servers while this lives. A
// SQLite file that is not there is refused, naming "cl init", rather than created empty;
// read-only opens it so (a command that only reads never writes).
class ZQCliArmazem {
 public:
  ZQCliArmazem() = default;
  ~ZQCliArmazem();
  ZQCliArmazem(const ZQCliArmazem&) = delete;
  ZQCliArmazem& operator=(const ZQCliArmazem&) = delete;

  // False, with the reason in `motivo`, when it cannot be opened.
  bool Abre(std::string conexao, bool somenteLeitura, std::string& motivo);
  // As above, the reason written to `erros` as "cl: ...".
  bool Abre(const std::string& conexao, bool somenteLeitura, std::ostream& erros);
  const std::shared_ptr<CZQBancoSQL>& Banco() const { return m_banco; }

 private:
  std::shared_ptr<CZQBancoSQL> m_banco;
};
