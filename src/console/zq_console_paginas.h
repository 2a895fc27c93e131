#pragma once

#include <string>
#include <vector>

#include "console/zq_console_dados.h"

// The console's pages and answers, built from what was read; every value goes through
// ZQHtml (pages) or ZQJson (answers) on its way out.

// What every page needs to know of the request it answers.
struct ZQContextoPagina {
  std::string csrf;       // the session's token, put in every form
  bool comSenha = false;  // a logout button makes sense
  std::string aviso;      // a one-shot notice (after a change)
  bool avisoErro = false;
  uint32_t numeroDesfazer = 0;  // the notice offers to undo this reconciliation
};

// A whole page: the header with its links, the notice, `corpo` (already escaped) and the script.
std::string ZQPagina(const std::string& titulo, const std::string& corpo, const ZQContextoPagina& contexto);
// The hidden field carrying the session's CSRF token, for every form that changes something.
std::string ZQCampoCsrf(const ZQContextoPagina& contexto);

std::string ZQPaginaPanorama(const ZQPanorama& panorama, const ZQContextoPagina& contexto);
std::string ZQPaginaBancada(const ZQBancada& bancada, const ZQContextoPagina& contexto);
std::string ZQPaginaLogin(const ZQContextoPagina& contexto);
// A page that only says something went wrong (bad input, a store failure).
std::string ZQPaginaErro(const std::string& titulo, const std::string& texto, const ZQContextoPagina& contexto);

// Bars of the lines of each day, reconciled below and open above.
std::string ZQGraficoSvg(const std::vector<ZQDiaPanorama>& dias);

// The overview in the Prometheus text format.
std::string ZQMetricas(const ZQPanorama& panorama);

std::string ZQPanoramaJson(const ZQPanorama& panorama);
std::string ZQBancadaJson(const ZQBancada& bancada);

// The console's style sheet and script, compiled in.
extern const char* const kZQConsoleCss;
extern const char* const kZQConsoleJs;
