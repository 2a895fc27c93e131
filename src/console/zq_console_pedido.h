#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <string>

#include "console/zq_console_paginas.h"
#include "frame/zq_tipos.h"

class CZQAcessoServidoresSQL;

// What the console's routes share: how a request's values are read (strictly, refusing
// with a status and a text), how answers are written, and what a group of routes is
// given to register itself with the server's guards.
namespace zq_console {

inline constexpr std::size_t kMaximoParametro = 200;  // bytes of one query, form or JSON value

// A request refused for its input: the status and the text shown.
struct Recusa {
  int status;
  std::string texto;
};

// What a handler knows of the request beyond httplib's view of it.
struct Contexto {
  std::string sessao;
  uint16_t usuario = 0;
  uint32_t numeroSessao = 0;
  ZQContextoPagina pagina;
};

// Whether the request is for the JSON API (answers and refusals in JSON).
bool Api(const httplib::Request& req);
void Html(httplib::Response& res, const std::string& corpo, int status = 200);
void Json(httplib::Response& res, const std::string& corpo, int status = 200);

// A value of the query or form: absent is empty; repeated or too long is refused.
std::string Parametro(const httplib::Request& req, const char* nome);
// A whole number not above `maximo`; refused otherwise.
uint32_t Numero(const std::string& texto, const char* nome, uint64_t maximo = UINT32_MAX);
// A DD/MM/AAAA date; `padrao` when empty; refused when not a date.
REG_ZQDMA Data(const std::string& texto, const char* nome, REG_ZQDMA padrao);
// The body as a JSON object; refused otherwise.
nlohmann::json CorpoJson(const httplib::Request& req);

// The named values of a request, read alike from a form and from a JSON body: a value
// absent (or JSON null) is empty, a JSON number or string is its text, true is "1" and
// false empty; anything else, and anything too long, is refused.
using Campos = std::function<std::string(const char* nome)>;
Campos CamposForm(const httplib::Request& req);
Campos CamposJson(const nlohmann::json& corpo);
// A number of the request between `minimo` and `maximo`: required, or 0 when absent.
uint32_t NumeroObrigatorio(const Campos& campos, const char* nome, uint64_t maximo, uint64_t minimo = 0);
uint32_t NumeroOpcional(const Campos& campos, const char* nome, uint64_t maximo);

// Where to go back after a change: the page it came from when that is one of this
// account's pages, else the account's workbench.
std::string Volta(const httplib::Request& req, uint32_t conta, uint32_t filial);

using Tratador = std::function<void(const httplib::Request&, httplib::Response&, Contexto&)>;

// What a group of routes is given: the store, the guard every operator route goes through
// (rate, session, CSRF, one request at a time) and the one-shot notice of a session.
struct Rotas {
  httplib::Server& servidor;
  CZQAcessoServidoresSQL& servidores;
  std::function<httplib::Server::Handler(Tratador)> guarda;
  std::function<void(const Contexto&, std::string texto, bool erro, uint32_t desfazer)> aviso;
};

// The posting rules of an account, a line explained, posted by hand or made a rule.
void RegistraRotasRegras(const Rotas& rotas);
// The services' runs of a day, an account's reconciliation history and a file import.
void RegistraRotasRegistros(const Rotas& rotas);

}  // namespace zq_console
