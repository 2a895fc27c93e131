#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>

#include "console/zq_console_paginas_registros.h"
#include "console/zq_console_pedido.h"
#include "console/zq_console_texto.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_config.h"
#include "frame/zq_data_texto.h"
#include "frame/zq_relogio.h"
#include "platform/access/zq_acesso_empresarial.h"
#include "store/zq_acesso_sql.h"

namespace zq_console {

namespace {

using Relogio = std::chrono::steady_clock;

constexpr std::size_t kMaximoEnvios = 20;             // dry runs waiting to be stored
constexpr auto kEnvioValido = std::chrono::hours(1);  // after which one is forgotten

// A file sent for a dry run, kept in the temporary directory until it is stored, replaced
// or forgotten, so that storing it needs no second upload. Only its session may store it.
struct Envio {
  std::string sessao, caminho;
  ZQImportacaoArquivo pedido;
  Relogio::time_point quando;
};

// A file of the temporary directory holding `conteudo`; its path.
std::string EscreveTemporario(const std::string& conteudo) {
  std::string caminho = (std::filesystem::temp_directory_path() / "cl-console-XXXXXX").string();
  const int fd = mkstemp(caminho.data());
  if (fd < 0) throw Recusa{500, "não foi possível guardar o arquivo enviado"};
  const bool escrito = write(fd, conteudo.data(), conteudo.size()) == static_cast<ssize_t>(conteudo.size());
  close(fd);
  if (!escrito) {
    std::remove(caminho.c_str());
    throw Recusa{500, "não foi possível guardar o arquivo enviado"};
  }
  return caminho;
}

class Envios {
 public:
  ~Envios() {
    for (const auto& [token, e] : m_envios) std::remove(e.caminho.c_str());
  }
  // Keeps the file at `caminho` (now this object's to remove); its token.
  std::string Guarda(const std::string& sessao, const std::string& caminho, const ZQImportacaoArquivo& pedido) {
    std::lock_guard trava(m_mutex);
    const auto agora = Relogio::now();
    for (auto it = m_envios.begin(); it != m_envios.end();) {
      const bool velho = agora - it->second.quando > kEnvioValido;
      if (velho) std::remove(it->second.caminho.c_str());
      it = velho ? m_envios.erase(it) : std::next(it);
    }
    if (m_envios.size() >= kMaximoEnvios) {
      auto mais = m_envios.begin();
      for (auto it = m_envios.begin(); it != m_envios.end(); ++it)
        if (it->second.quando < mais->second.quando) mais = it;
      std::remove(mais->second.caminho.c_str());
      m_envios.erase(mais);
    }
    const std::string token = ZQConsoleAleatorio(16);
    m_envios[token] = {sessao, caminho, pedido, agora};
    return token;
  }
  // Takes the file a token names, when it is this session's: the caller removes it.
  bool Toma(const std::string& token, const std::string& sessao, Envio& envio) {
    std::lock_guard trava(m_mutex);
    auto it = m_envios.find(token);
    if (it == m_envios.end() || !ZQConsoleIguais(it->second.sessao, sessao)) return false;
    envio = std::move(it->second);
    m_envios.erase(it);
    return true;
  }

 private:
  std::mutex m_mutex;
  std::map<std::string, Envio> m_envios;
};

uint32_t ContaDaRota(CZQAcessoServidoresSQL& servidores, const httplib::Request& req, std::string& nome) {
  const uint32_t conta = Numero(req.matches[1], "conta");
  CZQDadosDF_PlanoEmpresarial plano;
  if (FAILED(servidores.GetAcessoEmpresarial()->LeBufferPlanoContabil(conta, &plano)))
    throw Recusa{404, "a conta " + std::to_string(conta) + " não está no plano de contas da empresa"};
  nome = plano.GetCodigoUsado_Nome().c_str();
  return conta;
}

ZQHistoricoConta LeHistorico(CZQAcessoServidoresSQL& servidores, const httplib::Request& req) {
  ZQHistoricoConta h;
  h.conta = ContaDaRota(servidores, req, h.nome);
  const std::string filial = Parametro(req, "branch");
  h.filial = filial.empty() ? 0 : Numero(filial, "branch", UINT16_MAX);
  h.conciliacoes = ZQLeHistoricoConciliacoes(servidores.Banco(), h.conta);
  return h;
}

ZQExecucoesDia LeExecucoes(CZQAcessoServidoresSQL& servidores, const httplib::Request& req) {
  ZQExecucoesDia e;
  std::string erro;
  if (!ZQLeExecucoesDia(servidores, Data(Parametro(req, "date"), "date", zq::Hoje().GetDma()), e, erro))
    throw Recusa{500, erro};
  return e;
}

// The request of a file import as the form or the API sends it, the file aside.
ZQImportacaoArquivo PedidoImportacao(const httplib::Request& req) {
  const auto valor = [&req](const char* nome) -> std::string {
    if (!req.has_file(nome)) return Parametro(req, nome);
    std::string v = req.get_file_value(nome).content;
    if (v.size() > kMaximoParametro) throw Recusa{400, std::string("\"") + nome + "\" longo demais"};
    return v;
  };
  ZQImportacaoArquivo m;
  m.leiaute = static_cast<int32_t>(Numero(valor("layout"), "layout", INT32_MAX));
  if (m.leiaute == 0) throw Recusa{400, "escolha um leiaute"};
  const std::string conta = valor("account"), filial = valor("branch");
  m.conta = conta.empty() ? 0 : Numero(conta, "account");
  m.filial = filial.empty() ? 1 : Numero(filial, "branch", UINT16_MAX);
  m.de = valor("from");
  m.ate = valor("to");
  if (m.de.empty() != m.ate.empty()) throw Recusa{400, "dê as duas datas do período, ou nenhuma"};
  if (!m.de.empty() && Data(m.ate, "to", 0) < Data(m.de, "from", 0)) throw Recusa{400, "\"to\" é anterior a \"from\""};
  m.simulacao = !valor("dry_run").empty();
  return m;
}

// Runs the file import over `caminho` as "cl import --file" does: every duplicate check on.
void Importa(const std::string& caminho, const Contexto& c, ZQImportacaoArquivo& m) {
  CZQDadosCL_FiltroImportacaoExtrato pedido;
  pedido.SetConta(m.conta)
      .SetFilial(m.filial)
      .SetDataInicial(m.de.empty() ? 0 : Data(m.de, "from", 0))
      .SetDataFinal(m.ate.empty() ? 0 : Data(m.ate, "to", 0));
  CLVerificaDuplicidadeCompleta(pedido);
  pedido.SetPosicaoLeiaute(m.leiaute).SetArquivo(CZQString(caminho));
  CZQProfilerEmpresa pessoa(CZQConfiguracao::Global().Get("empresa"), c.usuario, c.numeroSessao);
  CCLImportacaoArquivoExtrato importacao;
  if (FAILED(importacao.Inicializa(&pessoa))) throw Recusa{500, importacao.GetErro().GetTextoMostraMensagem().c_str()};
  importacao.SetSimulacao(m.simulacao);
  importacao.SetModoSilencioso();
  const CZQDadosDF_Erro& erro = importacao.ImportaArquivo(pedido);
  if (erro.TemErro()) {
    m.erro = erro.GetTextoMostraMensagem().c_str();
    m.aviso = erro.EhAviso();
  }
  m.gravadas = importacao.GetGravadas();
  m.recusadas = importacao.GetRecusadas();
  m.ignoradas = importacao.GetIgnoradas();
}

// A dry run of the file sent (kept for storing), or the storing of one kept.
ZQImportacaoArquivo RecebeImportacao(Envios& envios, const httplib::Request& req, const Contexto& c) {
  if (const std::string token = Parametro(req, "upload"); !token.empty()) {
    Envio envio;
    if (!envios.Toma(token, c.sessao, envio))
      throw Recusa{410, "a simulação não está mais guardada: envie o arquivo outra vez"};
    ZQImportacaoArquivo m = envio.pedido;
    m.simulacao = false;
    m.token.clear();
    try {
      Importa(envio.caminho, c, m);
    } catch (...) {
      std::remove(envio.caminho.c_str());
      throw;
    }
    std::remove(envio.caminho.c_str());
    return m;
  }
  if (!req.has_file("file") || req.get_file_value("file").content.empty()) throw Recusa{400, "envie um arquivo"};
  const httplib::MultipartFormData arquivo = req.get_file_value("file");
  ZQImportacaoArquivo m = PedidoImportacao(req);
  m.arquivo = arquivo.filename;
  // A browser's form always simulates first; the API says which it wants.
  if (!Api(req)) m.simulacao = true;
  const std::string caminho = EscreveTemporario(arquivo.content);
  try {
    Importa(caminho, c, m);
  } catch (...) {
    std::remove(caminho.c_str());
    throw;
  }
  if (m.simulacao && m.erro.empty() && !m.gravadas.empty())
    m.token = envios.Guarda(c.sessao, caminho, m);
  else
    std::remove(caminho.c_str());
  return m;
}

}  // namespace

void RegistraRotasRegistros(const Rotas& r) {
  CZQAcessoServidoresSQL& servidores = r.servidores;
  r.servidor.Get(R"(/accounts/(\d{1,10})/history)",
                 r.guarda([&servidores](const httplib::Request& req, httplib::Response& res, Contexto& c) {
                   Html(res, ZQPaginaHistorico(LeHistorico(servidores, req), c.pagina));
                 }));
  r.servidor.Get(R"(/api/accounts/(\d{1,10})/history)",
                 r.guarda([&servidores](const httplib::Request& req, httplib::Response& res, Contexto&) {
                   Json(res, ZQHistoricoJson(LeHistorico(servidores, req)));
                 }));
  r.servidor.Get("/runs", r.guarda([&servidores](const httplib::Request& req, httplib::Response& res, Contexto& c) {
    const ZQExecucoesDia e = LeExecucoes(servidores, req);
    Html(res, ZQPaginaExecucoes(e, ZQLeLeiautesImportacao(servidores.Banco()), c.pagina));
  }));
  r.servidor.Get("/api/runs", r.guarda([&servidores](const httplib::Request& req, httplib::Response& res, Contexto&) {
    Json(res, ZQExecucoesJson(LeExecucoes(servidores, req)));
  }));
  auto envios = std::make_shared<Envios>();
  const auto importa = [envios](const httplib::Request& req, httplib::Response& res, Contexto& c) {
    const ZQImportacaoArquivo m = RecebeImportacao(*envios, req, c);
    const int status = m.erro.empty() ? 200 : 422;
    if (Api(req))
      Json(res, ZQImportacaoJson(m), status);
    else
      Html(res, ZQPaginaImportacao(m, c.pagina), status);
  };
  r.servidor.Post("/imports", r.guarda(importa));
  r.servidor.Post("/api/imports", r.guarda(importa));
}

}  // namespace zq_console
