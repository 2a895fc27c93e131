#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/zq_tipos.h"
#include "platform/access/zq_acesso_servidores.h"
#include "reconciliation/cl_bancada.h"

// What the console shows, read through the data-access servers only (the same
// operations the command-line tool reads with), never from the store's tables.

// The last run of a service over one account, when there was one.
struct ZQUltimaExecucao {
  bool houve = false;
  REG_ZQDMAHMSUTC quando = 0;
  uint8_t status = 0;  // ZQ_STATUS_EXECUCAO_*
  std::string mensagem;
  // Statement lines the run stored and refused for the account (import runs only).
  uint32_t gravadas = 0;
  uint32_t recusadas = 0;
  int64_t duracao = -1;  // seconds the account took in that run; -1 unknown
};

// One bank account of a branch, as a service configuration names it.
struct ZQContaPanorama {
  uint32_t filial = 0;
  uint32_t conta = 0;
  std::string nome;  // from the chart of accounts; empty when it has none
  std::size_t linhasAbertas = 0;
  tagCY valorLinhasAbertas = 0;  // signed, credits positive
  std::size_t entradasAbertas = 0;
  std::size_t linhas30Dias = 0;  // statement lines dated in the chart's 30 days
  std::size_t conciliadas30Dias = 0;
  std::size_t lancadas30Dias = 0;  // of those, reconciled with an entry posted for them
  ZQUltimaExecucao importacao;
  ZQUltimaExecucao conciliacao;
};

// One day of the chart: the lines dated that day, reconciled and still open.
struct ZQDiaPanorama {
  REG_ZQDMA dia = 0;
  std::size_t conciliadas = 0;
  std::size_t abertas = 0;
};

struct ZQPanorama {
  REG_ZQDMA hoje = 0;
  std::vector<ZQContaPanorama> contas;  // by branch, then account
  std::vector<ZQDiaPanorama> dias;      // the 30 days up to `hoje`, oldest first
  // Seconds the last run of each service took, over all its accounts; -1 unknown or none.
  int64_t duracaoImportacao = -1;
  int64_t duracaoConciliacao = -1;
};

// Reads the overview as of `hoje`: every (branch, account) either service is
// configured for, with its open items, its lines of the last 30 days and the last
// run of each service (looked for over those days). False with the reason in `erro`.
bool ZQLePanorama(CZQAcessoServidores& servidores, REG_ZQDMA hoje, ZQPanorama& panorama, std::string& erro);

// Name of a status of a service run, as people read it; `sucesso` names a run that went well.
const char* ZQNomeStatusExecucao(uint8_t status, const char* sucesso = "ok");

// "DD/MM/AAAA HH:MM" of a moment of the product's clock ("-" for none).
std::string ZQMomentoTexto(REG_ZQDMAHMSUTC momento);

// Seconds from `desde` to `ate`, two moments of the product's clock; -1 when either is
// unknown (0: written before the store kept it) or `ate` comes first (a clock set back),
// so that no negative time is ever shown.
int64_t ZQDuracao(REG_ZQDMAHMSUTC desde, REG_ZQDMAHMSUTC ate);

// A duration as people read it: "42 s", "3 min 05 s", "2 h 07 min"; "-" when unknown.
std::string ZQDuracaoTexto(int64_t segundos);

// An account's workbench as a request filters it.
struct ZQBancada {
  uint32_t conta = 0;
  uint32_t filial = 0;  // 0: every branch
  std::string nome;
  REG_ZQDMA de = 0, ate = 0;
  bool comMinimo = false, comMaximo = false;
  tagCY minimo = 0, maximo = 0;          // bounds of the amount, without its sign
  std::string minimoTexto, maximoTexto;  // as typed, shown back in the form
  CLAbertos abertos;                     // only the items the filter keeps
  std::vector<CLSugestao> sugestoes;     // among those items
};

// Fills `bancada` (whose account, branch, period and amount bounds the caller set): the
// account's name, its open items the filter keeps and the suggestions among them. False
// with the reason in `erro` when the account is not in the chart or the store fails.
bool ZQLeBancada(CZQAcessoServidores& servidores, ZQBancada& bancada, std::string& erro);

// What one import run did for one account, and the statement lines the account holds for
// the days the run asked for ("?" when they could not be counted).
struct ZQContaImportada {
  uint32_t filial = 0, conta = 0;
  uint8_t status = 0;
  std::string mensagem;
  std::string linhas;
  uint32_t gravadas = 0, recusadas = 0;  // statement lines the run stored and refused
  int64_t duracao = -1;                  // seconds; -1 unknown
};

struct ZQExecucaoImportacao {
  REG_ZQDMAHMSUTC quando = 0;
  std::vector<ZQContaImportada> contas;
};

// One run of the reconciliation service over one account.
struct ZQExecucaoConciliacao {
  REG_ZQDMAHMSUTC quando = 0;
  uint32_t filial = 0, conta = 0;
  uint8_t status = 0;
  std::string mensagem;
  int64_t duracao = -1;  // seconds; -1 unknown
};

struct ZQExecucoesDia {
  REG_ZQDMA dia = 0;
  std::vector<ZQExecucaoImportacao> importacoes;    // in the order they ran
  std::vector<ZQExecucaoConciliacao> conciliacoes;  // in the order they ran
};

// Both services' runs stored for `dia`. False with the reason in `erro`.
bool ZQLeExecucoesDia(CZQAcessoServidores& servidores, REG_ZQDMA dia, ZQExecucoesDia& execucoes, std::string& erro);
