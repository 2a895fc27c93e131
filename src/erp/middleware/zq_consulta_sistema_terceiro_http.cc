#include "erp/middleware/zq_consulta_sistema_terceiro_http.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/components/zq_extrato_banco_brasil_json.h"

namespace zq::middleware {

namespace {

using json = nlohmann::json;
using Relogio = std::chrono::steady_clock;

// A token is renewed this long before the service says it expires.
constexpr std::chrono::seconds kMargemToken{30};
// Lifetime assumed when the token answer does not give one.
constexpr long kValidadeTokenPadraoS = 600;
// How much of an error answer is quoted in an error text.
constexpr std::size_t kTamanhoMensagemServico = 300;

HRESULT Falha(CZQDadosDF_Erro& erro, HRESULT hr, long valor, const std::string& texto) {
  erro.SetErro(hr, ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO, valor);
  erro.SetTexto(CZQString(texto));
  return hr;
}

std::string SemBarraFinal(std::string texto) {
  while (!texto.empty() && texto.back() == '/') texto.pop_back();
  return texto;
}

// Text of a service's error answer worth showing: the message field of a JSON error
// (Banco do Brasil's "erros", OAuth's "error_description", common names), or a short
// plain-text body. Empty for anything else (an HTML page, binary data).
std::string MensagemDoServico(const std::string& corpo) {
  std::string mensagem;
  json documento = json::parse(corpo, nullptr, false);
  if (!documento.is_discarded()) {
    auto texto = [](const json& objeto, const char* nome) -> std::string {
      if (!objeto.is_object()) return {};
      auto it = objeto.find(nome);
      return it != objeto.end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    if (documento.is_object()) {
      for (const char* lista : {"erros", "errors"}) {
        auto it = documento.find(lista);
        if (it != documento.end() && it->is_array() && !it->empty()) {
          for (const char* nome : {"mensagem", "message", "textoMensagem"}) {
            mensagem = texto((*it)[0], nome);
            if (!mensagem.empty()) break;
          }
        }
        if (!mensagem.empty()) break;
      }
      for (const char* nome : {"error_description", "mensagem", "message", "detail", "title", "error"}) {
        if (!mensagem.empty()) break;
        mensagem = texto(documento, nome);
      }
    }
  } else {
    std::string_view inicio(corpo.data(), std::min<std::size_t>(corpo.size(), 64));
    const bool pareceHtml = inicio.find('<') != std::string_view::npos;
    const bool textoSimples = std::none_of(corpo.begin(), corpo.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\r' && c != '\t';
    });
    if (!pareceHtml && textoSimples) mensagem = corpo;
  }
  // One line, blanks collapsed, cut at a character boundary.
  std::string limpa;
  for (char c : mensagem) {
    const bool branco = c == '\n' || c == '\r' || c == '\t' || c == ' ';
    if (branco) {
      if (!limpa.empty() && limpa.back() != ' ') limpa += ' ';
    } else {
      limpa += c;
    }
  }
  while (!limpa.empty() && limpa.back() == ' ') limpa.pop_back();
  if (limpa.size() > kTamanhoMensagemServico) {
    std::size_t corte = kTamanhoMensagemServico;
    while (corte > 0 && (static_cast<unsigned char>(limpa[corte]) & 0xC0) == 0x80) --corte;
    limpa = limpa.substr(0, corte) + "...";
  }
  return limpa;
}

std::string TextoStatus(const std::string& origem, long status, const std::string& endereco,
                        const std::string& mensagem) {
  std::string texto = origem + ": o serviço respondeu com o status HTTP " + std::to_string(status) + " em " + endereco;
  if (!mensagem.empty()) texto += ": " + mensagem;
  if (texto.back() != '.') texto += '.';
  return texto;
}

// The request key split at '?' into the path and its parameters.
struct ChaveRequisicao {
  std::string caminho;
  std::vector<std::pair<std::string, std::string>> parametros;

  static ChaveRequisicao Le(const std::string& chave) {
    ChaveRequisicao saida;
    const std::size_t interrogacao = chave.find('?');
    saida.caminho = chave.substr(0, interrogacao);
    if (interrogacao == std::string::npos) return saida;
    std::string_view resto(chave);
    resto.remove_prefix(interrogacao + 1);
    while (!resto.empty()) {
      std::string_view parte = resto.substr(0, resto.find('&'));
      resto.remove_prefix(std::min(resto.size(), parte.size() + 1));
      if (parte.empty()) continue;
      const std::size_t igual = parte.find('=');
      saida.parametros.emplace_back(std::string(parte.substr(0, igual)), igual == std::string_view::npos
                                                                             ? std::string()
                                                                             : std::string(parte.substr(igual + 1)));
    }
    return saida;
  }

  std::string Valor(const std::string& nome) const {
    for (const auto& [chave, valor] : parametros)
      if (chave == nome) return valor;
    return {};
  }
  void Define(const std::string& nome, const std::string& valor) {
    for (auto& [chave, atual] : parametros) {
      if (chave == nome) {
        atual = valor;
        return;
      }
    }
    parametros.emplace_back(nome, valor);
  }
  void Remove(const std::string& nome) {
    std::erase_if(parametros, [&](const auto& par) { return par.first == nome; });
  }
  std::string Texto() const {
    std::string saida = caminho;
    char separador = '?';
    for (const auto& [chave, valor] : parametros) {
      saida += separador + chave + '=' + valor;
      separador = '&';
    }
    return saida;
  }
};

// A key may only name a place on the configured service, never another address.
bool ChaveAceitavel(const std::string& chave, char inicio) {
  if (chave.empty() || chave.front() != inicio) return false;
  if (chave.find("://") != std::string::npos) return false;
  return std::none_of(chave.begin(), chave.end(),
                      [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == '#' || c == '\\'; });
}

bool PareceOfx(const std::vector<uint8_t>& bytes) {
  const std::size_t n = std::min<std::size_t>(bytes.size(), 64u << 10);
  std::string inicio(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
  std::transform(inicio.begin(), inicio.end(), inicio.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return inicio.find("OFXHEADER") != std::string::npos || inicio.find("<OFX>") != std::string::npos;
}

long ValidadeToken(const json& documento) {
  auto it = documento.find("expires_in");
  if (it == documento.end()) return kValidadeTokenPadraoS;
  if (it->is_number_integer()) return std::max<long>(0, it->get<long>());
  if (it->is_number_float()) return std::max<long>(0, static_cast<long>(it->get<double>()));
  if (it->is_string()) return std::max<long>(0, std::atol(it->get<std::string>().c_str()));
  return kValidadeTokenPadraoS;
}

}  // namespace

ConfiguracaoMiddleware ConfiguracaoMiddleware::Le(const CZQConfiguracao& c) {
  ConfiguracaoMiddleware m;
  ConfiguracaoBancoBrasil& bb = m.bancoBrasil;
  bb.urlApi = c.Get("bb.url_api", "https://api.bb.com.br/extratos/v1");
  bb.urlToken = c.Get("bb.url_oauth", "https://oauth.bb.com.br/oauth/token");
  bb.clientId = c.Get("bb.client_id");
  bb.clientSecret = c.Get("bb.client_secret");
  bb.appKey = c.Get("bb.app_key");
  bb.escopo = c.Get("bb.scope", bb.escopo);
  bb.parametroAppKey = c.Get("bb.parametro_app_key", bb.parametroAppKey);
  bb.parametroPagina = c.Get("bb.parametro_pagina", bb.parametroPagina);
  bb.tempoLimiteMs = c.GetInteiro("bb.timeout_ms", bb.tempoLimiteMs);
  bb.tempoConexaoMs = c.GetInteiro("bb.timeout_conexao_ms", bb.tempoConexaoMs);
  bb.maximoPaginas = c.GetInteiro("bb.maximo_paginas", bb.maximoPaginas);
  bb.tls.arquivoCa = c.Get("bb.arquivo_ca");
  bb.tls.certificado = c.Get("bb.certificado");
  bb.tls.chaveCertificado = c.Get("bb.chave_certificado");
  bb.tls.senhaChave = c.Get("bb.senha_certificado");
  ConfiguracaoTavorin& tv = m.tavorin;
  tv.url = c.Get("tavorin.url");
  tv.token = c.Get("tavorin.token");
  tv.tempoLimiteMs = c.GetInteiro("tavorin.timeout_ms", tv.tempoLimiteMs);
  tv.tempoConexaoMs = c.GetInteiro("tavorin.timeout_conexao_ms", tv.tempoConexaoMs);
  tv.tls.arquivoCa = c.Get("tavorin.arquivo_ca");
  tv.tls.certificado = c.Get("tavorin.certificado");
  tv.tls.chaveCertificado = c.Get("tavorin.chave_certificado");
  tv.tls.senhaChave = c.Get("tavorin.senha_certificado");
  const long maximo = c.GetInteiro("consulta.tamanho_maximo_resposta", static_cast<long>(m.tamanhoMaximoResposta));
  if (maximo > 0) m.tamanhoMaximoResposta = static_cast<std::size_t>(maximo);
  return m;
}

CZQConsultaSistemaTerceiroHttp::CZQConsultaSistemaTerceiroHttp(ConfiguracaoMiddleware configuracao)
    : m_configuracao(std::move(configuracao)) {}

HRESULT CZQConsultaSistemaTerceiroHttp::BuscaDados(const CZQDadosCR_ConsultaSistemaTerceiro& consulta,
                                                   TZQBaseParaDados* resultado, CZQDadosDF_Erro& erro) {
  erro.Limpar();
  if (resultado == nullptr) return Falha(erro, E_POINTER, 0, "A consulta não recebeu o registro de retorno.");
  switch (consulta.GetTipoConsulta()) {
    case ZQ_CONSULTA_EXTRATO_BANCO_BRASIL:
      if (auto* extrato = dynamic_cast<CZQDadosCR_ConsultaExtratoBancoBrasil*>(resultado)) {
        return BuscaExtratoBancoBrasil(consulta, *extrato, erro);
      }
      break;
    case ZQ_CONSULTA_EXTRATO_TAVORIN:
      if (auto* status = dynamic_cast<CZQDadosCR_StatusConsultaSistemaTerceiro*>(resultado)) {
        return BuscaExtratoTavorin(consulta, *status, erro);
      }
      break;
    default:
      resultado->Limpar();
      return Falha(erro, ZQ_E_CONSULTA_INVALIDA, 0,
                   "O tipo de consulta " + std::to_string(consulta.GetTipoConsulta()) +
                       " não é atendido pela consulta a sistemas de terceiros.");
  }
  resultado->Limpar();
  return Falha(erro, ZQ_E_CONSULTA_INVALIDA, 0,
               "O registro de retorno (" + std::string(resultado->GetNomeRegistro()) +
                   ") não corresponde ao tipo de consulta " + std::to_string(consulta.GetTipoConsulta()) + ".");
}

HRESULT CZQConsultaSistemaTerceiroHttp::ObtemToken(bool renovar, CZQDadosDF_Erro& erro) {
  if (!renovar && !m_token.empty() && Relogio::now() < m_validadeToken) return S_OK;
  m_token.clear();
  const ConfiguracaoBancoBrasil& bb = m_configuracao.bancoBrasil;
  const std::string origem = "Banco do Brasil, autenticação";
  RequisicaoHttp requisicao;
  requisicao.metodo = "POST";
  requisicao.url = bb.urlToken;
  requisicao.cabecalhos = {"Authorization: Basic " + Base64(bb.clientId + ":" + bb.clientSecret),
                           "Content-Type: application/x-www-form-urlencoded", "Accept: application/json"};
  requisicao.corpo = "grant_type=client_credentials&scope=" + CodificaUrl(bb.escopo);
  requisicao.tempoLimiteMs = bb.tempoLimiteMs;
  requisicao.tempoConexaoMs = bb.tempoConexaoMs;
  requisicao.tamanhoMaximo = m_configuracao.tamanhoMaximoResposta;
  requisicao.tls = bb.tls;
  RespostaHttp resposta;
  std::string texto;
  HRESULT hr = m_cliente.Executa(requisicao, resposta, texto);
  if (FAILED(hr)) return Falha(erro, hr, 0, origem + ": " + texto);
  const std::string endereco = UrlParaTexto(bb.urlToken);
  if (resposta.status == 400 || resposta.status == 401) {
    std::string mensagem = MensagemDoServico(resposta.corpo);
    return Falha(erro, ZQ_E_CONSULTA_AUTENTICACAO, resposta.status,
                 origem + ": as credenciais (bb.client_id, bb.client_secret) foram recusadas com o status HTTP " +
                     std::to_string(resposta.status) + " em " + endereco +
                     (mensagem.empty() ? std::string(".") : ": " + mensagem + "."));
  }
  if (resposta.status < 200 || resposta.status >= 300) {
    return Falha(erro, ZQHResultStatusHttp(resposta.status), resposta.status,
                 TextoStatus(origem, resposta.status, endereco, MensagemDoServico(resposta.corpo)));
  }
  json documento = json::parse(resposta.corpo, nullptr, false);
  auto token = documento.is_object() ? documento.find("access_token") : json::iterator();
  if (!documento.is_object() || token == documento.end() || !token->is_string() ||
      token->get_ref<const std::string&>().empty()) {
    return Falha(erro, ZQ_E_CONSULTA_RESPOSTA_INVALIDA, resposta.status,
                 origem + ": a resposta de " + endereco + " não traz o token de acesso (access_token).");
  }
  m_token = token->get<std::string>();
  m_validadeToken = Relogio::now() + std::chrono::seconds(ValidadeToken(documento)) - kMargemToken;
  return S_OK;
}

HRESULT CZQConsultaSistemaTerceiroHttp::BuscaExtratoBancoBrasil(const CZQDadosCR_ConsultaSistemaTerceiro& consulta,
                                                                CZQDadosCR_ConsultaExtratoBancoBrasil& resposta,
                                                                CZQDadosDF_Erro& erro) {
  resposta.Limpar();
  const ConfiguracaoBancoBrasil& bb = m_configuracao.bancoBrasil;
  const std::string origem = "Banco do Brasil, extrato";
  std::string faltam;
  for (const auto& [chave, valor] : {std::pair<const char*, const std::string*>{"bb.url_api", &bb.urlApi},
                                     {"bb.url_oauth", &bb.urlToken},
                                     {"bb.client_id", &bb.clientId},
                                     {"bb.client_secret", &bb.clientSecret},
                                     {"bb.app_key", &bb.appKey}}) {
    if (valor->empty()) faltam += (faltam.empty() ? "" : ", ") + std::string(chave);
  }
  if (!faltam.empty()) {
    return Falha(erro, ZQ_E_CONSULTA_NAO_CONFIGURADA, 0,
                 origem + ": a consulta online não está configurada; informe " + faltam + " na configuração.");
  }
  const std::string chaveConsulta = consulta.GetChaveConsulta().str();
  if (!ChaveAceitavel(chaveConsulta, '/')) {
    return Falha(erro, ZQ_E_CONSULTA_INVALIDA, 0,
                 origem + ": o caminho da requisição \"" + chaveConsulta.substr(0, 120) + "\" não é válido.");
  }
  ChaveRequisicao chave = ChaveRequisicao::Le(chaveConsulta);
  chave.Remove(bb.parametroAppKey);
  long pagina = std::atol(chave.Valor(bb.parametroPagina).c_str());
  if (pagina < 1) pagina = 1;
  const std::string base = SemBarraFinal(bb.urlApi);

  CZQDadosCR_ConsultaExtratoBancoBrasil acumulado;
  for (long lidas = 1;; ++lidas) {
    if (lidas > bb.maximoPaginas) {
      return Falha(erro, ZQ_E_CONSULTA_PAGINACAO, 0,
                   origem + ": a resposta passou de " + std::to_string(bb.maximoPaginas) +
                       " páginas (bb.maximo_paginas); a consulta foi interrompida.");
    }
    chave.Define(bb.parametroPagina, std::to_string(pagina));
    ChaveRequisicao comChave = chave;
    comChave.Define(bb.parametroAppKey, CodificaUrl(bb.appKey));
    RequisicaoHttp requisicao;
    requisicao.url = base + comChave.Texto();
    requisicao.tempoLimiteMs = bb.tempoLimiteMs;
    requisicao.tempoConexaoMs = bb.tempoConexaoMs;
    requisicao.tamanhoMaximo = m_configuracao.tamanhoMaximoResposta;
    requisicao.tls = bb.tls;
    RespostaHttp http;
    // A token the service no longer accepts (expired early, revoked) is renewed once.
    for (int tentativa = 0; tentativa < 2; ++tentativa) {
      HRESULT hr = ObtemToken(tentativa > 0, erro);
      if (FAILED(hr)) return hr;
      requisicao.cabecalhos = {"Authorization: Bearer " + m_token, "Accept: application/json"};
      std::string texto;
      hr = m_cliente.Executa(requisicao, http, texto);
      if (FAILED(hr)) return Falha(erro, hr, 0, origem + ", página " + std::to_string(pagina) + ": " + texto);
      if (http.status != 401) break;
    }
    const std::string endereco = UrlParaTexto(requisicao.url);
    if (http.status == 204) break;  // nothing in the period
    if (http.status < 200 || http.status >= 300) {
      return Falha(erro, ZQHResultStatusHttp(http.status), http.status,
                   TextoStatus(origem + ", página " + std::to_string(pagina), http.status, endereco,
                               MensagemDoServico(http.corpo)));
    }
    CZQDadosCR_ConsultaExtratoBancoBrasil lida;
    std::string motivo;
    HRESULT hr = zq::extrato_bb::LePagina(http.corpo, lida, motivo);
    if (FAILED(hr)) {
      return Falha(erro, hr, http.status,
                   origem + ", página " + std::to_string(pagina) + " (" + endereco + "): " + motivo);
    }
    zq::extrato_bb::AcrescentaPagina(lida, acumulado);
    const long proxima = lida.GetNumeroPaginaProximo();
    if (proxima == 0) break;
    if (proxima <= pagina) {
      return Falha(erro, ZQ_E_CONSULTA_PAGINACAO, 0,
                   origem + ": a página " + std::to_string(pagina) + " indicou como próxima a página " +
                       std::to_string(proxima) + "; a consulta foi interrompida.");
    }
    pagina = proxima;
  }
  resposta.Copiar(acumulado);
  return S_OK;
}

HRESULT CZQConsultaSistemaTerceiroHttp::BuscaExtratoTavorin(const CZQDadosCR_ConsultaSistemaTerceiro& consulta,
                                                            CZQDadosCR_StatusConsultaSistemaTerceiro& resposta,
                                                            CZQDadosDF_Erro& erro) {
  resposta.Limpar();
  resposta.SetStatusConsulta(ZQ_STATUS_CONSULTA_ERRO);
  const ConfiguracaoTavorin& tv = m_configuracao.tavorin;
  const std::string origem = "Tavorin, extrato";
  if (tv.url.empty()) {
    return Falha(erro, ZQ_E_CONSULTA_NAO_CONFIGURADA, 0,
                 origem + ": a consulta online não está configurada; informe tavorin.url na configuração.");
  }
  const std::string chave = consulta.GetChaveConsulta().str();
  if (!ChaveAceitavel(chave, '?') && !ChaveAceitavel(chave, '/')) {
    return Falha(erro, ZQ_E_CONSULTA_INVALIDA, 0,
                 origem + ": a chave da consulta \"" + chave.substr(0, 120) + "\" não é válida.");
  }
  std::string url = tv.url;
  for (std::size_t p; (p = url.find("{conta}")) != std::string::npos;)
    url.replace(p, 7, std::to_string(consulta.GetPonteiroAuxiliar()));
  if (chave.front() == '/') {
    url = SemBarraFinal(url) + chave;
  } else if (url.find('?') != std::string::npos) {
    url += '&' + chave.substr(1);
  } else {
    url += chave;
  }
  RequisicaoHttp requisicao;
  requisicao.url = url;
  requisicao.cabecalhos = {"Accept: application/x-ofx, application/ofx, text/plain, */*"};
  if (!tv.token.empty()) requisicao.cabecalhos.push_back("Authorization: Bearer " + tv.token);
  requisicao.tempoLimiteMs = tv.tempoLimiteMs;
  requisicao.tempoConexaoMs = tv.tempoConexaoMs;
  requisicao.tamanhoMaximo = m_configuracao.tamanhoMaximoResposta;
  requisicao.tls = tv.tls;
  RespostaHttp http;
  std::string texto;
  HRESULT hr = m_cliente.Executa(requisicao, http, texto);
  if (FAILED(hr)) return Falha(erro, hr, 0, origem + ": " + texto);
  const std::string endereco = UrlParaTexto(url);
  if (http.status < 200 || http.status >= 300) {
    const std::string mensagem = MensagemDoServico(http.corpo);
    resposta.SetMensagemRetorno(CZQString(mensagem));
    return Falha(erro, ZQHResultStatusHttp(http.status), http.status,
                 TextoStatus(origem, http.status, endereco, mensagem));
  }
  std::vector<uint8_t> bytes(http.corpo.begin(), http.corpo.end());
  resposta.SetStatusConsulta(ZQ_STATUS_CONSULTA_SUCESSO);
  if (bytes.empty()) {
    resposta.SetQuantidadeDocumentoRetorno(0);
    resposta.SetMensagemRetorno("O serviço não retornou nenhum extrato para o período consultado.");
    return S_OK;
  }
  if (!PareceOfx(bytes)) {
    resposta.Limpar();
    resposta.SetStatusConsulta(ZQ_STATUS_CONSULTA_ERRO);
    return Falha(erro, ZQ_E_CONSULTA_RESPOSTA_INVALIDA, http.status,
                 origem + ": a resposta de " + endereco + " não é um documento OFX.");
  }
  resposta.SetQuantidadeDocumentoRetorno(1);
  resposta.GetListaDocumentoRetorno().Std() = std::move(bytes);
  return S_OK;
}

ZQFabricaConsultaSistemaTerceiro ZQInstalaConsultaSistemaTerceiroHttp() {
  return ZQDefineFabricaConsultaSistemaTerceiro([](const IZQDF_Profiler&) {
    return std::make_unique<CZQConsultaSistemaTerceiroHttp>(ConfiguracaoMiddleware::Le(CZQConfiguracao::Global()));
  });
}

}  // namespace zq::middleware
