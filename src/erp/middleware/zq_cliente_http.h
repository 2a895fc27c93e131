#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "frame/zq_tipos.h"

// One HTTP(S) exchange over libcurl, with the middleware's failures as HRESULTs.
namespace zq::middleware {

struct OpcoesTls {
  std::string arquivoCa;         // CA bundle; empty: the system's
  std::string certificado;       // client certificate (mutual TLS), PEM
  std::string chaveCertificado;  // its private key, PEM
  std::string senhaChave;
};

struct RequisicaoHttp {
  std::string metodo = "GET";  // "GET" or "POST"
  std::string url;
  std::vector<std::string> cabecalhos;  // "Nome: valor"
  std::string corpo;                    // POST body
  long tempoLimiteMs = 30000;           // whole exchange
  long tempoConexaoMs = 10000;          // connection set-up
  std::size_t tamanhoMaximo = 64u << 20;
  OpcoesTls tls;
};

struct RespostaHttp {
  long status = 0;
  std::string tipoConteudo;
  std::string corpo;
};

// Keeps one connection handle, so the pages of one query reuse the connection.
class CClienteHttp {
 public:
  CClienteHttp();
  ~CClienteHttp();
  CClienteHttp(const CClienteHttp&) = delete;
  CClienteHttp& operator=(const CClienteHttp&) = delete;

  // S_OK with any HTTP status in `resposta`; a failed HRESULT (no connection, time-out,
  // interrupted or oversized answer, TLS, unusable address) with a Portuguese description
  // in `erro`. Plain http:// is refused unless the host is this machine.
  HRESULT Executa(const RequisicaoHttp& requisicao, RespostaHttp& resposta, std::string& erro);

 private:
  void* m_curl = nullptr;
};

// The address without query string or credentials, for error texts.
std::string UrlParaTexto(const std::string& url);
// Percent-encoding of a query or form value.
std::string CodificaUrl(const std::string& texto);
std::string Base64(const std::string& bytes);

}  // namespace zq::middleware
