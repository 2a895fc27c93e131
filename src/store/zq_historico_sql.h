#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/zq_banco_sql.h"

// An account's reconciliations as one history, automatic and manual alike, read from the
// reconciliation logs and the undo records: what "cl history" and the console show.

struct ZQDesfeitaHistorico {
  long long quando = 0, usuario = 0, sessao = 0;
  std::string motivo;
};

struct ZQConciliacaoHistorico {
  long long numero = 0;
  long long tipo = 0;                             // 1 reconciliation service, 2 posting run, 3 manual; 0 no log left
  long long usuario = 0, sessao = 0, quando = 0;  // of its first log
  long long linhas = 0, entradas = 0;             // items over all its logs
  std::vector<ZQDesfeitaHistorico> desfeitas;     // in the order they were made
};

// Every reconciliation number of `conta`, in order. Throws what the connection throws.
std::vector<ZQConciliacaoHistorico> ZQLeHistoricoConciliacoes(CZQBancoSQL& banco, uint32_t conta);

// "automática", "lançamento automático", "manual" or "?".
const char* ZQNomeTipoConciliacao(long long tipo);

// "DD/MM/AAAA HH:MM:SS" of a moment of the product's clock; "-" for 0 (logs older than
// the time column have none).
std::string ZQMomentoHistorico(long long momento);

// One of the company's import layouts, as a person picks it.
struct ZQLeiauteImportacao {
  long long posicao = 0, tipo = 0;  // tipo: ZQ_TIPO_ARQUIVO_*
  std::string descricao;
};

// The company's import layouts by position. Throws what the connection throws.
std::vector<ZQLeiauteImportacao> ZQLeLeiautesImportacao(CZQBancoSQL& banco);
