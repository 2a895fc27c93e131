#include "middleware/servidor_http_teste.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

namespace teste {

namespace {

bool EnviaTudo(int conexao, const std::string& dados) {
  size_t enviado = 0;
  while (enviado < dados.size()) {
    ssize_t n = ::send(conexao, dados.data() + enviado, dados.size() - enviado, MSG_NOSIGNAL);
    if (n <= 0) return false;
    enviado += static_cast<size_t>(n);
  }
  return true;
}

// Reads until the predicate is met, the peer closes, or a second passes in silence.
bool LeAte(int conexao, std::string& dados, const std::function<bool()>& pronto) {
  char buffer[8192];
  while (!pronto()) {
    pollfd p{conexao, POLLIN, 0};
    if (::poll(&p, 1, 1000) <= 0) return false;
    ssize_t n = ::recv(conexao, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    dados.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

std::string Minusculas(std::string texto) {
  std::transform(texto.begin(), texto.end(), texto.begin(), [](unsigned char c) { return std::tolower(c); });
  return texto;
}

}  // namespace

ServidorHttp::ServidorHttp() {
  m_escuta = ::socket(AF_INET, SOCK_STREAM, 0);
  if (m_escuta < 0) throw std::runtime_error("socket");
  int sim = 1;
  ::setsockopt(m_escuta, SOL_SOCKET, SO_REUSEADDR, &sim, sizeof sim);
  sockaddr_in endereco{};
  endereco.sin_family = AF_INET;
  endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  endereco.sin_port = 0;
  if (::bind(m_escuta, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) != 0 || ::listen(m_escuta, 16) != 0) {
    ::close(m_escuta);
    throw std::runtime_error("bind/listen");
  }
  socklen_t tamanho = sizeof endereco;
  ::getsockname(m_escuta, reinterpret_cast<sockaddr*>(&endereco), &tamanho);
  m_porta = ntohs(endereco.sin_port);
  m_thread = std::thread([this] { Atende(); });
}

ServidorHttp::~ServidorHttp() {
  m_parar = true;
  if (m_thread.joinable()) m_thread.join();
  ::close(m_escuta);
}

void ServidorHttp::DefineTratador(Tratador tratador) {
  std::lock_guard<std::mutex> trava(m_mutex);
  m_tratador = std::move(tratador);
}

std::string ServidorHttp::Url(const std::string& caminho) const {
  return "http://127.0.0.1:" + std::to_string(m_porta) + caminho;
}

std::vector<Requisicao> ServidorHttp::Requisicoes() const {
  std::lock_guard<std::mutex> trava(m_mutex);
  return m_requisicoes;
}

void ServidorHttp::Atende() {
  while (!m_parar) {
    pollfd p{m_escuta, POLLIN, 0};
    if (::poll(&p, 1, 10) <= 0) continue;
    int conexao = ::accept(m_escuta, nullptr, nullptr);
    if (conexao < 0) continue;
    Responde(conexao);
    ::close(conexao);
  }
}

void ServidorHttp::Responde(int conexao) {
  std::string dados;
  if (!LeAte(conexao, dados, [&] { return dados.find("\r\n\r\n") != std::string::npos; })) return;
  const size_t fimCabecalho = dados.find("\r\n\r\n");
  Requisicao requisicao;
  {
    std::string cabecalho = dados.substr(0, fimCabecalho);
    size_t fimLinha = cabecalho.find("\r\n");
    std::string primeira = cabecalho.substr(0, fimLinha);
    size_t espaco1 = primeira.find(' ');
    size_t espaco2 = primeira.find(' ', espaco1 + 1);
    requisicao.metodo = primeira.substr(0, espaco1);
    requisicao.alvo = primeira.substr(espaco1 + 1, espaco2 - espaco1 - 1);
    size_t pos = fimLinha == std::string::npos ? cabecalho.size() : fimLinha + 2;
    while (pos < cabecalho.size()) {
      size_t fim = cabecalho.find("\r\n", pos);
      if (fim == std::string::npos) fim = cabecalho.size();
      std::string linha = cabecalho.substr(pos, fim - pos);
      size_t doisPontos = linha.find(':');
      if (doisPontos != std::string::npos) {
        std::string valor = linha.substr(doisPontos + 1);
        valor.erase(0, valor.find_first_not_of(' '));
        requisicao.cabecalhos[Minusculas(linha.substr(0, doisPontos))] = valor;
      }
      pos = fim + 2;
    }
  }
  const size_t interrogacao = requisicao.alvo.find('?');
  requisicao.caminho = requisicao.alvo.substr(0, interrogacao);
  if (interrogacao != std::string::npos) {
    std::string consulta = requisicao.alvo.substr(interrogacao + 1);
    size_t pos = 0;
    while (pos <= consulta.size()) {
      size_t fim = consulta.find('&', pos);
      if (fim == std::string::npos) fim = consulta.size();
      std::string par = consulta.substr(pos, fim - pos);
      size_t igual = par.find('=');
      if (!par.empty())
        requisicao.parametros[par.substr(0, igual)] = igual == std::string::npos ? "" : par.substr(igual + 1);
      pos = fim + 1;
    }
  }
  const size_t tamanhoCorpo = std::strtoul(requisicao.Cabecalho("content-length").c_str(), nullptr, 10);
  const size_t inicioCorpo = fimCabecalho + 4;
  LeAte(conexao, dados, [&] { return dados.size() >= inicioCorpo + tamanhoCorpo; });
  requisicao.corpo = dados.substr(inicioCorpo, tamanhoCorpo);

  Tratador tratador;
  {
    std::lock_guard<std::mutex> trava(m_mutex);
    m_requisicoes.push_back(requisicao);
    tratador = m_tratador;
  }
  Resposta resposta = tratador ? tratador(requisicao) : Resposta{404, "text/plain", "sem tratador"};
  // A delay that ends early when the test is over, so a slow answer never slows teardown.
  const auto ate = std::chrono::steady_clock::now() + std::chrono::milliseconds(resposta.atrasoMs);
  while (!m_parar && std::chrono::steady_clock::now() < ate) {
    pollfd p{conexao, POLLIN, 0};
    if (::poll(&p, 1, 10) > 0) {
      char c;
      if (::recv(conexao, &c, 1, MSG_PEEK) <= 0) return;  // the client gave up
    }
  }
  if (resposta.fecharSemResposta || m_parar) return;
  // The client reads the code only: one reason phrase serves every status.
  std::string saida = "HTTP/1.1 " + std::to_string(resposta.status) + " Status\r\n";
  saida += "Content-Type: " + resposta.tipoConteudo + "\r\n";
  saida += "Content-Length: " + std::to_string(resposta.corpo.size()) + "\r\n";
  saida += "Connection: close\r\n\r\n";
  saida += resposta.truncar ? resposta.corpo.substr(0, resposta.corpo.size() / 2) : resposta.corpo;
  EnviaTudo(conexao, saida);
}

}  // namespace teste
