#include "console/zq_console.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "console/zq_console_dados.h"
#include "console/zq_console_paginas.h"
#include "console/zq_console_pedido.h"
#include "console/zq_console_texto.h"
#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "frame/zq_relogio.h"
#include "platform/access/zq_acesso_conciliacao.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_regras_lancamento_sql.h"

using namespace zq_console;

namespace {

using Relogio = std::chrono::steady_clock;

constexpr const char* kCookie = "cl_sessao";
constexpr std::size_t kMaximoSessoes = 1000;
constexpr auto kSessaoOciosa = std::chrono::hours(8);
constexpr std::size_t kMaximoItens = 500;  // lines or entries in one match
constexpr int kDiasBancada = 30;           // the workbench's period when none is asked
// The overview reads every account's open items: many readers at once share one reading
// this young. A change made here drops it; one made by a service shows this much later.
constexpr auto kPanoramaValido = std::chrono::seconds(2);

struct Sessao {
  std::string csrf;
  bool autenticada = false;
  uint16_t usuario = 0;
  uint32_t numero = 0;  // written as the session in the logs
  Relogio::time_point ultimo;
  std::string aviso;
  bool avisoErro = false;
  uint32_t desfazer = 0;
};

// Who may use a route: anyone without a session (probes), anyone with one (login), or only
// a logged-in operator.
enum class Acesso { kLivre, kSessao, kOperador };

std::string CookieDe(const httplib::Request& req) {
  const std::string cabecalho = req.get_header_value("Cookie");
  const std::string chave = std::string(kCookie) + "=";
  for (std::size_t i = 0; i < cabecalho.size();) {
    while (i < cabecalho.size() && (cabecalho[i] == ' ' || cabecalho[i] == ';')) ++i;
    const std::size_t fim = std::min(cabecalho.find(';', i), cabecalho.size());
    if (cabecalho.compare(i, chave.size(), chave) == 0)
      return cabecalho.substr(i + chave.size(), fim - i - chave.size());
    i = fim;
  }
  return "";
}

// The workbench the query asks for.
ZQBancada PedidoBancada(const httplib::Request& req) {
  ZQBancada b;
  b.conta = Numero(req.matches[1], "conta");
  const std::string filial = Parametro(req, "branch");
  b.filial = filial.empty() ? 0 : Numero(filial, "branch", UINT16_MAX);
  const REG_ZQDMA hoje = zq::Hoje().GetDma();
  b.ate = Data(Parametro(req, "to"), "to", hoje);
  b.de = Data(Parametro(req, "from"), "from", CZQDma(b.ate).SubtraiDias(kDiasBancada).GetDma());
  if (b.ate < b.de) throw Recusa{400, "\"to\" é anterior a \"from\""};
  b.minimoTexto = Parametro(req, "min");
  b.maximoTexto = Parametro(req, "max");
  b.comMinimo = !b.minimoTexto.empty();
  b.comMaximo = !b.maximoTexto.empty();
  if ((b.comMinimo && !ZQConsoleLeValor(b.minimoTexto, b.minimo)) ||
      (b.comMaximo && !ZQConsoleLeValor(b.maximoTexto, b.maximo))) {
    throw Recusa{400, "valor inválido no filtro (use 1234,56)"};
  }
  return b;
}

// The positions a form sends under one name, each once.
std::vector<uint32_t> Posicoes(const httplib::Request& req, const char* nome) {
  const std::size_t n = req.get_param_value_count(nome);
  if (n == 0) throw Recusa{400, std::string("marque ao menos um item em \"") + nome + "\""};
  if (n > kMaximoItens) throw Recusa{400, std::string("itens demais em \"") + nome + "\""};
  std::vector<uint32_t> lista;
  for (std::size_t i = 0; i < n; ++i) {
    const uint32_t p = Numero(req.get_param_value(nome, i), nome);
    if (std::find(lista.begin(), lista.end(), p) != lista.end())
      throw Recusa{400, std::string("item repetido em \"") + nome + "\""};
    lista.push_back(p);
  }
  return lista;
}

std::vector<uint32_t> PosicoesJson(const nlohmann::json& corpo, const char* nome) {
  const auto it = corpo.find(nome);
  if (it == corpo.end() || !it->is_array() || it->empty() || it->size() > kMaximoItens)
    throw Recusa{400, std::string("\"") + nome + "\" deve ser uma lista de 1 a 500 posições"};
  std::vector<uint32_t> lista;
  for (const auto& v : *it) {
    if (!v.is_number_unsigned() || v.get<uint64_t>() > UINT32_MAX)
      throw Recusa{400, std::string("posição inválida em \"") + nome + "\""};
    const auto p = static_cast<uint32_t>(v.get<uint64_t>());
    if (std::find(lista.begin(), lista.end(), p) != lista.end())
      throw Recusa{400, std::string("item repetido em \"") + nome + "\""};
    lista.push_back(p);
  }
  return lista;
}

}  // namespace

bool ZQEnderecoLoopback(const std::string& endereco) {
  if (endereco == "localhost" || endereco == "::1") return true;
  in_addr a{};
  return inet_pton(AF_INET, endereco.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

struct ZQConsole::Estado {
  Estado(CZQAcessoServidoresSQL& s, ZQOpcoesConsole o) : servidores(s), opcoes(std::move(o)) {}

  CZQAcessoServidoresSQL& servidores;
  ZQOpcoesConsole opcoes;
  std::unique_ptr<httplib::Server> servidor;
  int porta = 0;
  bool tls = false;
  std::mutex armazem;  // the servers serve one request at a time
  std::mutex mutex;    // guards what follows
  std::map<std::string, Sessao> sessoes;
  uint32_t ultimaSessao = 0;
  std::map<std::string, std::pair<int64_t, std::size_t>> pedidos;  // per address: minute, count
  // Guarded by `armazem`, as the reading it keeps.
  ZQPanorama panorama;
  Relogio::time_point panoramaLido;
  bool comPanorama = false;

  // The overview as of today, read again when older than kPanoramaValido. Called with
  // `armazem` held.
  const ZQPanorama& Panorama() {
    const REG_ZQDMA hoje = zq::Hoje().GetDma();
    if (comPanorama && panorama.hoje == hoje && Relogio::now() - panoramaLido < kPanoramaValido) return panorama;
    comPanorama = false;
    std::string erro;
    if (!ZQLePanorama(servidores, hoje, panorama, erro)) throw Recusa{500, erro};
    panoramaLido = Relogio::now();
    comPanorama = true;
    return panorama;
  }

  bool ComSenha() const { return !opcoes.hashSenha.empty(); }

  std::string Cookie(const std::string& id) const {
    return std::string(kCookie) + "=" + id + "; Path=/; HttpOnly; SameSite=Strict" + (tls ? "; Secure" : "");
  }

  // A new session, keyed by a fresh secret; the idlest go when there are too many.
  std::string NovaSessao(bool autenticada, uint16_t usuario) {
    const auto agora = Relogio::now();
    std::erase_if(sessoes, [&](const auto& s) { return agora - s.second.ultimo > kSessaoOciosa; });
    while (sessoes.size() >= kMaximoSessoes) {
      auto idlest = sessoes.begin();
      for (auto it = sessoes.begin(); it != sessoes.end(); ++it)
        if (it->second.ultimo < idlest->second.ultimo) idlest = it;
      sessoes.erase(idlest);
    }
    const std::string id = ZQConsoleAleatorio(32);
    Sessao& s = sessoes[id];
    s.csrf = ZQConsoleAleatorio(32);
    s.autenticada = autenticada;
    s.usuario = usuario;
    s.numero = ++ultimaSessao;
    s.ultimo = agora;
    return id;
  }

  bool DentroDoLimite(const std::string& endereco) {
    const int64_t minuto = std::chrono::duration_cast<std::chrono::minutes>(Relogio::now().time_since_epoch()).count();
    if (pedidos.size() > 10000) pedidos.clear();
    auto& [janela, n] = pedidos[endereco];
    if (janela != minuto) janela = minuto, n = 0;
    return ++n <= opcoes.maximoPorMinuto;
  }

  void Aviso(const Contexto& c, std::string texto, bool erro, uint32_t desfazer = 0) {
    std::lock_guard trava(mutex);
    if (auto it = sessoes.find(c.sessao); it != sessoes.end()) {
      it->second.aviso = std::move(texto);
      it->second.avisoErro = erro;
      it->second.desfazer = desfazer;
    }
  }

  // The session of the request (a new one when it brings none), whether it may use a
  // route of `acesso`, and its CSRF token on a change. False when it was answered here.
  // Called with `mutex` held.
  bool Admite(const httplib::Request& req, httplib::Response& res, Acesso acesso, Contexto& c) {
    c.sessao = CookieDe(req);
    auto it = sessoes.find(c.sessao);
    if (it == sessoes.end()) {
      c.sessao = NovaSessao(!ComSenha(), opcoes.usuario);
      res.set_header("Set-Cookie", Cookie(c.sessao));
      it = sessoes.find(c.sessao);
    }
    Sessao& s = it->second;
    s.ultimo = Relogio::now();
    if (acesso == Acesso::kOperador && !s.autenticada) {
      if (Api(req)) {
        Json(res, "{\"error\":\"entre primeiro (POST /login)\"}", 401);
      } else {
        res.set_redirect("/login", 303);
      }
      return false;
    }
    if (req.method == "POST") {
      std::string token = req.get_header_value("X-CSRF-Token");
      if (token.empty() && req.get_param_value_count("csrf") == 1) token = req.get_param_value("csrf");
      // A form that sends a file carries its fields as parts.
      if (token.empty() && req.has_file("csrf")) token = req.get_file_value("csrf").content;
      if (!ZQConsoleIguais(token, s.csrf)) {
        const std::string texto = "pedido recusado: falta o token CSRF da sessão (recarregue a página)";
        if (Api(req))
          Json(res, "{\"error\":" + ZQJson(texto) + "}", 403);
        else
          Html(res, ZQPaginaErro("Recusado", texto, {}), 403);
        return false;
      }
    }
    c.usuario = s.usuario;
    c.numeroSessao = s.numero;
    c.pagina.csrf = s.csrf;
    c.pagina.comSenha = ComSenha();
    if (req.method == "GET" && !Api(req)) {
      c.pagina.aviso = std::exchange(s.aviso, "");
      c.pagina.avisoErro = s.avisoErro;
      c.pagina.numeroDesfazer = std::exchange(s.desfazer, 0);
    }
    return true;
  }

  // Every route goes through here: rate, session, login, CSRF, one request at a time
  // on the store, and no exception escaping to the server.
  httplib::Server::Handler Guarda(Tratador tratador, Acesso acesso = Acesso::kOperador) {
    return [this, tratador = std::move(tratador), acesso](const httplib::Request& req, httplib::Response& res) {
      Contexto c;
      // Only a statement file may be larger than any other request.
      const bool arquivo = req.path == "/imports" || req.path == "/api/imports";
      if (req.body.size() > opcoes.maximoCorpo && !arquivo) {
        res.status = 413;
        return;
      }
      {
        std::lock_guard trava(mutex);
        if (!DentroDoLimite(req.remote_addr)) {
          res.status = 429;
          res.set_content("muitos pedidos; tente daqui a um minuto\n", "text/plain; charset=utf-8");
          return;
        }
        if (acesso != Acesso::kLivre && !Admite(req, res, acesso, c)) return;
      }
      try {
        std::lock_guard trava(armazem);
        if (req.method == "POST") comPanorama = false;
        tratador(req, res, c);
      } catch (const Recusa& r) {
        if (Api(req))
          Json(res, "{\"error\":" + ZQJson(r.texto) + "}", r.status);
        else
          Html(res, ZQPaginaErro("Pedido inválido", r.texto, c.pagina), r.status);
      } catch (const std::exception& e) {
        if (Api(req))
          Json(res, "{\"error\":" + ZQJson(e.what()) + "}", 500);
        else
          Html(res, ZQPaginaErro("Erro", e.what(), c.pagina), 500);
      }
    };
  }

  void Rotas();
};

void ZQConsole::Estado::Rotas() {
  httplib::Server& s = *servidor;
  s.set_payload_max_length(std::max(opcoes.maximoCorpo, opcoes.maximoArquivo));
  s.set_read_timeout(10);
  s.set_write_timeout(10);
  s.set_default_headers({{"Content-Security-Policy", "default-src 'self'; frame-ancestors 'none'"},
                         {"X-Content-Type-Options", "nosniff"},
                         {"Referrer-Policy", "same-origin"},
                         {"Cache-Control", "no-store"}});

  s.Get("/assets/console.css", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(kZQConsoleCss, "text/css; charset=utf-8");
  });
  s.Get("/assets/console.js", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(kZQConsoleJs, "text/javascript; charset=utf-8");
  });
  s.Get("/health", Guarda(
                       [this](const httplib::Request&, httplib::Response& res, Contexto&) {
                         CZQDadosCL_Mestre mestre;
                         if (FAILED(servidores.GetAcessoConciliacao()->LeBufferMestre(&mestre))) {
                           res.status = 503;
                           res.set_content("o banco não responde\n", "text/plain; charset=utf-8");
                           return;
                         }
                         res.set_content("ok\n", "text/plain; charset=utf-8");
                       },
                       Acesso::kLivre));
  s.Get("/metrics", Guarda([this](const httplib::Request&, httplib::Response& res,
                                  Contexto&) { res.set_content(ZQMetricas(Panorama()), "text/plain; version=0.0.4"); },
                           Acesso::kLivre));

  s.Get("/login",
        Guarda([](const httplib::Request&, httplib::Response& res, Contexto& c) { Html(res, ZQPaginaLogin(c.pagina)); },
               Acesso::kSessao));
  s.Post("/login", Guarda(
                       [this](const httplib::Request& req, httplib::Response& res, Contexto& c) {
                         uint64_t usuario = 0;
                         const bool certo = ZQConsoleLeNumero(Parametro(req, "user"), UINT16_MAX, usuario) &&
                                            ComSenha() &&
                                            ZQConsoleConfereSenha(Parametro(req, "password"), opcoes.hashSenha);
                         if (!certo) {
                           // Slows guessing down without holding the store.
                           std::this_thread::sleep_for(std::chrono::milliseconds(500));
                           c.pagina.aviso = "usuário ou senha incorretos";
                           c.pagina.avisoErro = true;
                           Html(res, ZQPaginaLogin(c.pagina), 401);
                           return;
                         }
                         std::lock_guard trava(mutex);
                         // A new key after login, so one planted before it is worth nothing.
                         sessoes.erase(c.sessao);
                         res.set_header("Set-Cookie", Cookie(NovaSessao(true, static_cast<uint16_t>(usuario))));
                         res.set_redirect("/", 303);
                       },
                       Acesso::kSessao));
  s.Post("/logout", Guarda([this](const httplib::Request&, httplib::Response& res, Contexto& c) {
           std::lock_guard trava(mutex);
           sessoes.erase(c.sessao);
           res.set_redirect("/login", 303);
         }));

  s.Get("/", Guarda([this](const httplib::Request&, httplib::Response& res, Contexto& c) {
          Html(res, ZQPaginaPanorama(Panorama(), c.pagina));
        }));
  s.Get(R"(/accounts/(\d{1,10}))", Guarda([this](const httplib::Request& req, httplib::Response& res, Contexto& c) {
          ZQBancada b = PedidoBancada(req);
          std::string erro;
          if (!ZQLeBancada(servidores, b, erro)) throw Recusa{404, erro};
          Html(res, ZQPaginaBancada(b, c.pagina));
        }));
  s.Post(R"(/accounts/(\d{1,10})/match)",
         Guarda([this](const httplib::Request& req, httplib::Response& res, Contexto& c) {
           const uint32_t conta = Numero(req.matches[1], "conta");
           const std::string filial = Parametro(req, "branch");
           const uint32_t f = filial.empty() ? 0 : Numero(filial, "branch", UINT16_MAX);
           CZQVector<uint32_t> linhas, entradas;
           for (uint32_t p : Posicoes(req, "line")) linhas.Add(p);
           for (uint32_t p : Posicoes(req, "entry")) entradas.Add(p);
           CZQAcessoConciliacao& acesso = *servidores.GetAcessoConciliacao();
           uint32_t numero = 0;
           if (FAILED(acesso.ConciliaManual(conta, linhas, entradas, c.usuario, c.numeroSessao, numero)))
             Aviso(c, acesso.GetErro()->GetTextoMostraMensagem().c_str(), true);
           else
             Aviso(c, "Conciliação número " + std::to_string(numero) + " feita.", false, numero);
           res.set_redirect(Volta(req, conta, f), 303);
         }));
  s.Post(R"(/accounts/(\d{1,10})/unmatch)",
         Guarda([this](const httplib::Request& req, httplib::Response& res, Contexto& c) {
           const uint32_t conta = Numero(req.matches[1], "conta");
           const std::string filial = Parametro(req, "branch");
           const uint32_t f = filial.empty() ? 0 : Numero(filial, "branch", UINT16_MAX);
           const uint32_t numero = Numero(Parametro(req, "number"), "number");
           std::string motivo;
           if (!ZQConsoleLeTexto(Parametro(req, "reason"), kMaximoParametro, motivo) || motivo.empty())
             throw Recusa{400, "diga o motivo (até 200 caracteres, sem quebras de linha)"};
           CZQAcessoConciliacao& acesso = *servidores.GetAcessoConciliacao();
           if (FAILED(acesso.DesfazConciliacao(conta, numero, c.usuario, c.numeroSessao, CZQString(motivo))))
             Aviso(c, acesso.GetErro()->GetTextoMostraMensagem().c_str(), true);
           else
             Aviso(c, "Conciliação número " + std::to_string(numero) + " desfeita.", false);
           res.set_redirect(Volta(req, conta, f), 303);
         }));

  s.Get("/api/session", Guarda([](const httplib::Request&, httplib::Response& res, Contexto& c) {
          Json(res, "{\"csrf\":" + ZQJson(c.pagina.csrf) + ",\"user\":" + std::to_string(c.usuario) + "}");
        }));
  s.Get("/api/overview", Guarda([this](const httplib::Request&, httplib::Response& res, Contexto&) {
          Json(res, ZQPanoramaJson(Panorama()));
        }));
  s.Get(R"(/api/accounts/(\d{1,10}))", Guarda([this](const httplib::Request& req, httplib::Response& res, Contexto&) {
          ZQBancada b = PedidoBancada(req);
          std::string erro;
          if (!ZQLeBancada(servidores, b, erro)) throw Recusa{404, erro};
          Json(res, ZQBancadaJson(b));
        }));
  s.Post(R"(/api/accounts/(\d{1,10})/match)",
         Guarda([this](const httplib::Request& req, httplib::Response& res, Contexto& c) {
           const uint32_t conta = Numero(req.matches[1], "conta");
           const nlohmann::json corpo = CorpoJson(req);
           CZQVector<uint32_t> linhas, entradas;
           for (uint32_t p : PosicoesJson(corpo, "lines")) linhas.Add(p);
           for (uint32_t p : PosicoesJson(corpo, "entries")) entradas.Add(p);
           CZQAcessoConciliacao& acesso = *servidores.GetAcessoConciliacao();
           uint32_t numero = 0;
           if (FAILED(acesso.ConciliaManual(conta, linhas, entradas, c.usuario, c.numeroSessao, numero)))
             throw Recusa{422, acesso.GetErro()->GetTextoMostraMensagem().c_str()};
           Json(res, "{\"account\":" + std::to_string(conta) + ",\"number\":" + std::to_string(numero) + "}");
         }));
  s.Post(R"(/api/accounts/(\d{1,10})/unmatch)",
         Guarda([this](const httplib::Request& req, httplib::Response& res, Contexto& c) {
           const uint32_t conta = Numero(req.matches[1], "conta");
           const nlohmann::json corpo = CorpoJson(req);
           const auto numero = corpo.find("number");
           const auto motivo = corpo.find("reason");
           std::string texto;
           if (numero == corpo.end() || !numero->is_number_unsigned() || numero->get<uint64_t>() > UINT32_MAX)
             throw Recusa{400, "\"number\" deve ser o número da conciliação"};
           if (motivo == corpo.end() || !motivo->is_string() ||
               !ZQConsoleLeTexto(motivo->get<std::string>(), kMaximoParametro, texto) || texto.empty())
             throw Recusa{400, "\"reason\" deve dizer o motivo (até 200 caracteres, sem quebras de linha)"};
           const auto n = static_cast<uint32_t>(numero->get<uint64_t>());
           CZQAcessoConciliacao& acesso = *servidores.GetAcessoConciliacao();
           if (FAILED(acesso.DesfazConciliacao(conta, n, c.usuario, c.numeroSessao, CZQString(texto))))
             throw Recusa{422, acesso.GetErro()->GetTextoMostraMensagem().c_str()};
           Json(res,
                "{\"account\":" + std::to_string(conta) + ",\"number\":" + std::to_string(n) + ",\"undone\":true}");
         }));
  const zq_console::Rotas grupo{s, servidores, [this](Tratador t) { return Guarda(std::move(t)); },
                                [this](const Contexto& c, std::string texto, bool erro, uint32_t desfazer) {
                                  Aviso(c, std::move(texto), erro, desfazer);
                                }};
  RegistraRotasRegras(grupo);
  RegistraRotasRegistros(grupo);
}

ZQConsole::ZQConsole(CZQAcessoServidoresSQL& servidores, ZQOpcoesConsole opcoes)
    : m_estado(std::make_unique<Estado>(servidores, std::move(opcoes))) {}

ZQConsole::~ZQConsole() { Para(); }

bool ZQConsole::Liga(std::string& motivo) {
  Estado& e = *m_estado;
  if (!ZQEnderecoLoopback(e.opcoes.endereco) && !e.ComSenha()) {
    motivo =
        "o console só atende fora de 127.0.0.1 com senha de operador: gere-a com \"cl serve --hash-password\" e"
        " ponha-a na chave console.senha";
    return false;
  }
  if (e.opcoes.certificado.empty() != e.opcoes.chaveCertificado.empty()) {
    motivo = "console.certificado e console.chave_certificado vão juntos";
    return false;
  }
  if (!e.opcoes.certificado.empty()) {
    auto ssl = std::make_unique<httplib::SSLServer>(e.opcoes.certificado.c_str(), e.opcoes.chaveCertificado.c_str());
    if (!ssl->is_valid()) {
      motivo = "não foi possível carregar o certificado " + e.opcoes.certificado + " e a sua chave";
      return false;
    }
    e.servidor = std::move(ssl);
    e.tls = true;
  } else {
    e.servidor = std::make_unique<httplib::Server>();
  }
  e.Rotas();
  if (e.opcoes.porta == 0) {
    e.porta = e.servidor->bind_to_any_port(e.opcoes.endereco);
  } else if (e.servidor->bind_to_port(e.opcoes.endereco, e.opcoes.porta)) {
    e.porta = e.opcoes.porta;
  }
  if (e.porta <= 0) {
    motivo = "não foi possível atender em " + e.opcoes.endereco + ":" + std::to_string(e.opcoes.porta);
    return false;
  }
  return true;
}

int ZQConsole::Porta() const { return m_estado->porta; }

void ZQConsole::Atende() {
  if (m_estado->servidor) m_estado->servidor->listen_after_bind();
}

void ZQConsole::Para() {
  if (m_estado->servidor) m_estado->servidor->stop();
}
