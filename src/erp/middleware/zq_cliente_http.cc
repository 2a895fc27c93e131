#include "erp/middleware/zq_cliente_http.h"

#include <curl/curl.h>

#include <cctype>
#include <mutex>

#include "platform/components/zq_consulta_sistema_terceiro.h"

namespace zq::middleware {

namespace {

void IniciaCurl() {
  static std::once_flag uma;
  std::call_once(uma, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Recepcao {
  std::string* corpo;
  std::size_t maximo;
  bool excedeu = false;
};

size_t Recebe(char* dados, size_t tamanho, size_t quantidade, void* contexto) {
  auto* recepcao = static_cast<Recepcao*>(contexto);
  const size_t bytes = tamanho * quantidade;
  if (recepcao->corpo->size() + bytes > recepcao->maximo) {
    recepcao->excedeu = true;
    return 0;  // makes libcurl stop with a write error
  }
  recepcao->corpo->append(dados, bytes);
  return bytes;
}

struct PartesUrl {
  std::string esquema;
  std::string host;
  std::string porta;
  std::string caminho;
};

bool LePartes(const std::string& url, PartesUrl& partes) {
  CURLU* u = curl_url();
  if (u == nullptr) return false;
  bool ok = curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
  auto parte = [&](CURLUPart qual, std::string& destino) {
    char* texto = nullptr;
    if (curl_url_get(u, qual, &texto, 0) == CURLUE_OK && texto) {
      destino = texto;
      curl_free(texto);
    }
  };
  if (ok) {
    parte(CURLUPART_SCHEME, partes.esquema);
    parte(CURLUPART_HOST, partes.host);
    parte(CURLUPART_PORT, partes.porta);
    parte(CURLUPART_PATH, partes.caminho);
  }
  curl_url_cleanup(u);
  return ok && !partes.host.empty();
}

bool EhEstaMaquina(const std::string& host) {
  return host == "127.0.0.1" || host == "localhost" || host == "[::1]" || host == "::1";
}

// The middleware's HRESULT and the words of a libcurl failure.
HRESULT TraduzFalha(CURLcode codigo, const char*& motivo) {
  switch (codigo) {
    case CURLE_OPERATION_TIMEDOUT:
      motivo = "o serviço não respondeu dentro do tempo de espera";
      return ZQ_E_CONSULTA_TEMPO_ESGOTADO;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      motivo = "o nome do servidor não foi encontrado";
      return ZQ_E_CONSULTA_SEM_CONEXAO;
    case CURLE_COULDNT_CONNECT:
      motivo = "não foi possível conectar ao servidor";
      return ZQ_E_CONSULTA_SEM_CONEXAO;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_BAD_CONTENT_ENCODING:
      motivo = "a conexão foi interrompida antes do fim da resposta";
      return ZQ_E_CONSULTA_CONEXAO_INTERROMPIDA;
    case CURLE_WEIRD_SERVER_REPLY:
      motivo = "o servidor respondeu fora do protocolo HTTP";
      return ZQ_E_CONSULTA_RESPOSTA_INVALIDA;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_USE_SSL_FAILED:
      motivo = "a conexão segura (TLS) falhou: certificado inválido, não confiável ou recusado";
      return ZQ_E_CONSULTA_CONEXAO_SEGURA;
    case CURLE_FILESIZE_EXCEEDED:
      motivo = "a resposta excede o tamanho máximo aceito";
      return ZQ_E_CONSULTA_RESPOSTA_GRANDE;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      motivo = "o endereço configurado não é válido";
      return ZQ_E_CONSULTA_NAO_CONFIGURADA;
    default:
      motivo = "falha de comunicação com o serviço";
      return ZQ_E_CONSULTA_SEM_CONEXAO;
  }
}

}  // namespace

CClienteHttp::CClienteHttp() {
  IniciaCurl();
  m_curl = curl_easy_init();
}

CClienteHttp::~CClienteHttp() {
  if (m_curl) curl_easy_cleanup(static_cast<CURL*>(m_curl));
}

HRESULT CClienteHttp::Executa(const RequisicaoHttp& requisicao, RespostaHttp& resposta, std::string& erro) {
  resposta = RespostaHttp{};
  const std::string endereco = UrlParaTexto(requisicao.url);
  PartesUrl partes;
  if (!LePartes(requisicao.url, partes) || (partes.esquema != "https" && partes.esquema != "http")) {
    erro = "O endereço configurado \"" + endereco + "\" não é um endereço http(s) válido.";
    return ZQ_E_CONSULTA_NAO_CONFIGURADA;
  }
  // Credentials never travel in the clear to another machine.
  if (partes.esquema == "http" && !EhEstaMaquina(partes.host)) {
    erro = "O endereço configurado \"" + endereco + "\" não usa HTTPS; a consulta foi recusada.";
    return ZQ_E_CONSULTA_NAO_CONFIGURADA;
  }
  CURL* curl = static_cast<CURL*>(m_curl);
  if (curl == nullptr) {
    erro = "Não foi possível preparar a conexão HTTP (libcurl).";
    return E_OUTOFMEMORY;
  }
  curl_easy_reset(curl);

  struct curl_slist* cabecalhos = nullptr;
  for (const std::string& cabecalho : requisicao.cabecalhos)
    cabecalhos = curl_slist_append(cabecalhos, cabecalho.c_str());
  // libcurl would otherwise send "Expect: 100-continue" and wait on larger bodies.
  cabecalhos = curl_slist_append(cabecalhos, "Expect:");

  Recepcao recepcao{&resposta.corpo, requisicao.tamanhoMaximo};
  char mensagemCurl[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(curl, CURLOPT_URL, requisicao.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, cabecalhos);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, requisicao.tempoLimiteMs);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, requisicao.tempoConexaoMs);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Recebe);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &recepcao);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(requisicao.tamanhoMaximo));
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "cl-conciliacao-bancaria");
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, mensagemCurl);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!requisicao.tls.arquivoCa.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, requisicao.tls.arquivoCa.c_str());
  if (!requisicao.tls.certificado.empty()) {
    curl_easy_setopt(curl, CURLOPT_SSLCERT, requisicao.tls.certificado.c_str());
    if (!requisicao.tls.chaveCertificado.empty())
      curl_easy_setopt(curl, CURLOPT_SSLKEY, requisicao.tls.chaveCertificado.c_str());
    if (!requisicao.tls.senhaChave.empty())
      curl_easy_setopt(curl, CURLOPT_KEYPASSWD, requisicao.tls.senhaChave.c_str());
  }
  if (requisicao.metodo == "POST") {
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(requisicao.corpo.size()));
    curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, requisicao.corpo.c_str());
  } else {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  }

  const CURLcode codigo = curl_easy_perform(curl);
  // The handle outlives this call: leave it no pointer into this frame.
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(cabecalhos);
  if (codigo != CURLE_OK) {
    const char* motivo = nullptr;
    HRESULT hr = recepcao.excedeu ? ZQ_E_CONSULTA_RESPOSTA_GRANDE : TraduzFalha(codigo, motivo);
    if (recepcao.excedeu) motivo = "a resposta excede o tamanho máximo aceito";
    erro = "Falha na comunicação com " + endereco + ": " + motivo + " (" +
           (mensagemCurl[0] ? mensagemCurl : curl_easy_strerror(codigo)) + ").";
    resposta = RespostaHttp{};
    return hr;
  }
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &resposta.status);
  char* tipo = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &tipo) == CURLE_OK && tipo) resposta.tipoConteudo = tipo;
  return S_OK;
}

std::string UrlParaTexto(const std::string& url) {
  PartesUrl partes;
  if (!LePartes(url, partes)) {
    // Not an address at all: show no more than its start, which holds no secret.
    std::string inicio = url.substr(0, url.find_first_of("?#@"));
    return inicio.size() > 80 ? inicio.substr(0, 80) : inicio;
  }
  return partes.esquema + "://" + partes.host + (partes.porta.empty() ? "" : ":" + partes.porta) + partes.caminho;
}

std::string CodificaUrl(const std::string& texto) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string saida;
  for (unsigned char c : texto) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      saida += static_cast<char>(c);
    } else {
      saida += '%';
      saida += kHex[c >> 4];
      saida += kHex[c & 15];
    }
  }
  return saida;
}

std::string Base64(const std::string& bytes) {
  static const char kAlfabeto[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string saida;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v =
        (uint32_t(uint8_t(bytes[i])) << 16) | (uint32_t(uint8_t(bytes[i + 1])) << 8) | uint32_t(uint8_t(bytes[i + 2]));
    saida += kAlfabeto[(v >> 18) & 63];
    saida += kAlfabeto[(v >> 12) & 63];
    saida += kAlfabeto[(v >> 6) & 63];
    saida += kAlfabeto[v & 63];
  }
  if (i + 1 == bytes.size()) {
    const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
    saida += kAlfabeto[(v >> 18) & 63];
    saida += kAlfabeto[(v >> 12) & 63];
    saida += "==";
  } else if (i + 2 == bytes.size()) {
    const uint32_t v = (uint32_t(uint8_t(bytes[i])) << 16) | (uint32_t(uint8_t(bytes[i + 1])) << 8);
    saida += kAlfabeto[(v >> 18) & 63];
    saida += kAlfabeto[(v >> 12) & 63];
    saida += kAlfabeto[(v >> 6) & 63];
    saida += '=';
  }
  return saida;
}

}  // namespace zq::middleware
