#pragma once

#include <chrono>
#include <string>

#include "erp/middleware/zq_cliente_http.h"
#include "frame/zq_config.h"
#include "platform/components/zq_consulta_sistema_terceiro.h"

// The query middleware over HTTPS: Banco do Brasil statements (query kind 15) and
// Tavorin OFX documents (query kind 6).
namespace zq::middleware {

// Where and how to reach the services; read from the configuration (keys in the README).
struct ConfiguracaoBancoBrasil {
  std::string urlApi;                              // bb.url_api: base of the statement service, ends in /extratos/v1
  std::string urlToken;                            // bb.url_oauth: the OAuth2 token address
  std::string clientId;                            // bb.client_id
  std::string clientSecret;                        // bb.client_secret
  std::string appKey;                              // bb.app_key
  std::string escopo = "extrato-info";             // bb.scope
  std::string parametroAppKey = "gw-dev-app-key";  // bb.parametro_app_key
  std::string parametroPagina = "numeroPaginaSolicitacao";  // bb.parametro_pagina
  long tempoLimiteMs = 30000;                               // bb.timeout_ms
  long tempoConexaoMs = 10000;                              // bb.timeout_conexao_ms
  long maximoPaginas = 500;                                 // bb.maximo_paginas
  OpcoesTls tls;  // bb.arquivo_ca, bb.certificado, bb.chave_certificado, bb.senha_certificado
};

struct ConfiguracaoTavorin {
  std::string url;              // tavorin.url; "{conta}" becomes the account queried
  std::string token;            // tavorin.token: sent as "Authorization: Bearer <token>"
  long tempoLimiteMs = 60000;   // tavorin.timeout_ms
  long tempoConexaoMs = 10000;  // tavorin.timeout_conexao_ms
  OpcoesTls tls;  // tavorin.arquivo_ca, tavorin.certificado, tavorin.chave_certificado, tavorin.senha_certificado
};

struct ConfiguracaoMiddleware {
  ConfiguracaoBancoBrasil bancoBrasil;
  ConfiguracaoTavorin tavorin;
  std::size_t tamanhoMaximoResposta = 64u << 20;  // consulta.tamanho_maximo_resposta (bytes)

  static ConfiguracaoMiddleware Le(const CZQConfiguracao& configuracao);
};

class CZQConsultaSistemaTerceiroHttp : public IZQConsultaSistemaTerceiro {
 public:
  explicit CZQConsultaSistemaTerceiroHttp(ConfiguracaoMiddleware configuracao);

  HRESULT BuscaDados(const CZQDadosCR_ConsultaSistemaTerceiro& consulta, TZQBaseParaDados* resultado,
                     CZQDadosDF_Erro& erro) override;

 private:
  HRESULT BuscaExtratoBancoBrasil(const CZQDadosCR_ConsultaSistemaTerceiro& consulta,
                                  CZQDadosCR_ConsultaExtratoBancoBrasil& resposta, CZQDadosDF_Erro& erro);
  HRESULT BuscaExtratoTavorin(const CZQDadosCR_ConsultaSistemaTerceiro& consulta,
                              CZQDadosCR_StatusConsultaSistemaTerceiro& resposta, CZQDadosDF_Erro& erro);
  // A token that is still valid, asking for a new one when needed.
  HRESULT ObtemToken(bool renovar, CZQDadosDF_Erro& erro);

  ConfiguracaoMiddleware m_configuracao;
  CClienteHttp m_cliente;
  std::string m_token;
  std::chrono::steady_clock::time_point m_validadeToken{};
};

// Installs this component as the process's query middleware, with the process's
// configuration read at each binding. Returns the factory it replaced.
ZQFabricaConsultaSistemaTerceiro ZQInstalaConsultaSistemaTerceiroHttp();

}  // namespace zq::middleware
