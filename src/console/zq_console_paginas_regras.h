#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console/zq_console_paginas.h"
#include "store/zq_regras_lancamento_sql.h"

// The rules page of an account: its posting rules, a line explained, and the two ways to
// finish a line no rule posts: post it once by hand, or save a rule from it (shown with
// what it would find first).

struct ZQLinhaExplicada {
  uint32_t posicao = 0;
  CZQDadosCL_Extrato linha;
  std::vector<std::string> explicacao;
};

struct ZQPaginaDeRegras {
  uint32_t conta = 0;
  uint32_t filial = 0;
  std::string nome;
  ZQRegrasDaConta regras;
  std::optional<ZQLinhaExplicada> linha;
  // A rule proposed from the line, as it would be saved, with the request that made it.
  std::optional<ZQRegraDaLinha> proposta;
  ZQPedidoRegraDaLinha pedido;
  ZQRegraPedida lancamento;  // the values the post-line form shows again
};

std::string ZQPaginaRegras(const ZQPaginaDeRegras& dados, const ZQContextoPagina& contexto);
std::string ZQRegrasJson(const ZQPaginaDeRegras& dados);
std::string ZQRegraDaLinhaJson(const ZQRegraDaLinha& regra);
std::string ZQLinhaLancadaJson(uint32_t conta, uint32_t linha, const ZQLinhaLancada& lancada);
