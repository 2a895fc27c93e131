#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small HTTP/1.1 server on 127.0.0.1 for the middleware's tests: one connection at a
// time, one request per connection. It records every request and answers through a
// handler the test sets; an answer can be delayed, cut short or dropped.
namespace teste {

struct Requisicao {
  std::string metodo;
  std::string alvo;                               // path and query string as sent
  std::string caminho;                            // before '?'
  std::map<std::string, std::string> parametros;  // query parameters (not decoded)
  std::map<std::string, std::string> cabecalhos;  // names in lower case
  std::string corpo;

  std::string Cabecalho(const std::string& nome) const {
    auto it = cabecalhos.find(nome);
    return it == cabecalhos.end() ? std::string() : it->second;
  }
  std::string Parametro(const std::string& nome) const {
    auto it = parametros.find(nome);
    return it == parametros.end() ? std::string() : it->second;
  }
};

struct Resposta {
  int status = 200;
  std::string tipoConteudo = "application/json";
  std::string corpo;
  int atrasoMs = 0;      // wait before answering
  bool truncar = false;  // announce the whole body, send half of it, close
  bool fecharSemResposta = false;
};

class ServidorHttp {
 public:
  using Tratador = std::function<Resposta(const Requisicao&)>;

  ServidorHttp();
  ~ServidorHttp();
  ServidorHttp(const ServidorHttp&) = delete;
  ServidorHttp& operator=(const ServidorHttp&) = delete;

  void DefineTratador(Tratador tratador);
  int Porta() const { return m_porta; }
  std::string Url(const std::string& caminho = "") const;
  std::vector<Requisicao> Requisicoes() const;

 private:
  void Atende();
  void Responde(int conexao);

  int m_escuta = -1;
  int m_porta = 0;
  std::atomic<bool> m_parar{false};
  mutable std::mutex m_mutex;
  Tratador m_tratador;
  std::vector<Requisicao> m_requisicoes;
  std::thread m_thread;
};

}  // namespace teste
