#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "posting/cl_conciliacao_lanca_auto.h"
#include "store/zq_acesso_sql.h"

// The operations on the posting rules that a person runs by hand, shared by the
// command-line tool and the console: which rules serve an account, which rule a line
// finds and why, a rule made from a line, and a line posted once by a rule given for it.
// They work over the store installed as the process's servers (the posting routine
// reads its rules from there) and the hub given, on the same connection.

// A request the operations refuse: the text people read, and whether the request itself
// was wrong (an argument) rather than the store or the line.
struct ZQRecusaRegras {
  std::string texto;
  bool doPedido = false;
};

// One rule serving an account, with the keys an earlier rule already holds ("chave de
// código "X" é da regra N"): a key lost so never leads to this rule.
struct ZQRegraDaConta {
  int posicao = 0;
  _REG_PROP_CONC_TESBAN_PS regra{};
  std::vector<std::string> chavesPerdidas;
};

struct ZQRegrasDaConta {
  std::size_t total = 0;               // every rule of the company
  std::vector<ZQRegraDaConta> regras;  // the account's own and those of every account, in order
};

// The rules serving `conta`, in the order the posting run tries them. Throws ZQRecusaRegras
// when the rules cannot be read.
ZQRegrasDaConta ZQLeRegrasDaConta(uint32_t conta);

// The stored statement line at `posicao`. Throws ZQRecusaRegras when there is none.
CZQDadosCL_Extrato ZQLeLinhaExtrato(CZQAcessoServidoresSQL& hub, uint32_t posicao);

// Which rule `linha` finds for `conta` in the posting run and in its test, by which key and
// where in the history list, one sentence a line (the first describes the line; `posicao` < 0
// leaves its position out). Throws ZQRecusaRegras when the rules cannot be read.
std::vector<std::string> ZQExplicaLinha(uint32_t conta, long long posicao, const CZQDadosCL_Extrato& linha);

// The entry a rule made for one line gives: accounts, payment form and history. Each is
// checked against the company's tables before anything is written.
struct ZQRegraPedida {
  long long transacao = 0, contrapartida = 0, contabil = 0, forma = 0;
  long long classificacao = 0;    // 0: the counter account
  long long historicoPadrao = 0;  // 0: none
};

struct ZQPedidoRegraDaLinha {
  uint32_t linha = 0;
  std::string por;      // "code", "history" or empty (the code when the line has one)
  std::string prefixo;  // with "history": the start of the line's history to look for
  bool todasContas = false;
  bool salvar = false;
  ZQRegraPedida regra;
};

struct ZQRegraDaLinha {
  long long indice = 0;  // its place in the list, last
  bool porCodigo = false;
  bool achada = false;   // the line would find it in the posting run
  bool gravada = false;  // asked to save and found: kept
  long long conta = 0;   // 0: every account
  std::string codigo, historico;
  ZQRegraPedida regra;
  std::vector<std::string> explicacao;  // ZQExplicaLinha with the rule in place
};

// Writes the rule made from the line last in the list, explains the line with it there,
// and keeps it only when asked to and the line would find it; otherwise nothing changes.
// Throws ZQRecusaRegras for a missing line, an argument the company does not know or a
// prefix that does not start the line's history.
ZQRegraDaLinha ZQFazRegraDaLinha(CZQAcessoServidoresSQL& hub, const ZQPedidoRegraDaLinha& pedido);

struct ZQPedidoLancaLinha {
  uint32_t conta = 0;
  uint32_t linha = 0;
  uint16_t filial = 0;        // checked against the line's; 0: the line's own
  long long complemento = 0;  // type of complement of the history, 0 to 10
  uint16_t usuario = 0;
  uint32_t sessao = 0;
  ZQRegraPedida regra;
};

struct ZQLinhaLancada {
  uint32_t numero = 0;  // 0: refused, nothing written
  std::vector<std::string> recusas;
  tagREG_TESOURARIAPS entrada{};  // the entry recorded, when numero != 0
};

// Posts the line by the rule given for it alone (saved nowhere) and reconciles it under a
// new number, as a posting run would had the rule been saved. A refusal of the routine
// leaves `numero` 0 with its reasons; an argument the company does not know or a failing
// store throws ZQRecusaRegras.
ZQLinhaLancada ZQLancaLinhaPorRegra(CZQAcessoServidoresSQL& hub, const ZQPedidoLancaLinha& pedido);
