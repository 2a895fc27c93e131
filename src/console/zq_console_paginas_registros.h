#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/zq_console_dados.h"
#include "console/zq_console_paginas.h"
#include "import/cl_importacao_arquivo_extrato.h"
#include "store/zq_historico_sql.h"

// The pages of what was done: the services' runs of a day (with the file import form),
// what a file import stored or refused, and an account's reconciliation history.

std::string ZQPaginaExecucoes(const ZQExecucoesDia& execucoes, const std::vector<ZQLeiauteImportacao>& leiautes,
                              const ZQContextoPagina& contexto);
std::string ZQExecucoesJson(const ZQExecucoesDia& execucoes);

struct ZQHistoricoConta {
  uint32_t conta = 0, filial = 0;
  std::string nome;
  std::vector<ZQConciliacaoHistorico> conciliacoes;
};
std::string ZQPaginaHistorico(const ZQHistoricoConta& historico, const ZQContextoPagina& contexto);
std::string ZQHistoricoJson(const ZQHistoricoConta& historico);

// A file import as asked and as it went.
struct ZQImportacaoArquivo {
  std::string arquivo;  // the name the browser gave, shown only
  int32_t leiaute = 0;
  uint32_t conta = 0, filial = 0;
  std::string de, ate;  // as typed, possibly empty
  bool simulacao = true;
  std::string token;  // a dry run kept to be stored without sending the file again
  std::string erro;   // what stopped it, empty when it was read
  bool aviso = false;
  std::vector<CCLLinhaArquivoExtrato> gravadas, recusadas;
  std::size_t ignoradas = 0;
};
std::string ZQPaginaImportacao(const ZQImportacaoArquivo& importacao, const ZQContextoPagina& contexto);
std::string ZQImportacaoJson(const ZQImportacaoArquivo& importacao);
