#include "console/zq_console_paginas_regras.h"
#include "console/zq_console_pedido.h"
#include "console/zq_console_texto.h"
#include "platform/access/zq_acesso_empresarial.h"
#include "store/zq_acesso_sql.h"

namespace zq_console {

namespace {

// The account of the route (which must be in the chart) and the branch asked for.
ZQPaginaDeRegras Conta(CZQAcessoServidoresSQL& servidores, const httplib::Request& req, const Campos& campos) {
  ZQPaginaDeRegras d;
  d.conta = Numero(req.matches[1], "conta");
  d.filial = NumeroOpcional(campos, "branch", UINT16_MAX);
  CZQDadosDF_PlanoEmpresarial plano;
  if (FAILED(servidores.GetAcessoEmpresarial()->LeBufferPlanoContabil(d.conta, &plano)))
    throw Recusa{404, "a conta " + std::to_string(d.conta) + " não está no plano de contas da empresa"};
  d.nome = plano.GetCodigoUsado_Nome().c_str();
  return d;
}

// A line and the rules of the account it is explained for.
ZQPaginaDeRegras LeRegras(CZQAcessoServidoresSQL& servidores, const httplib::Request& req, const Campos& campos) {
  ZQPaginaDeRegras d = Conta(servidores, req, campos);
  try {
    d.regras = ZQLeRegrasDaConta(d.conta);
    if (const std::string linha = campos("line"); !linha.empty()) {
      ZQLinhaExplicada l;
      l.posicao = Numero(linha, "line");
      l.linha = ZQLeLinhaExtrato(servidores, l.posicao);
      // A line of another account would be explained against rules it never meets.
      if (l.linha.GetConta() != d.conta)
        throw Recusa{400, "a linha " + linha + " é da conta " + std::to_string(l.linha.GetConta())};
      l.explicacao = ZQExplicaLinha(d.conta, l.posicao, l.linha);
      d.linha = std::move(l);
    }
  } catch (const ZQRecusaRegras& r) {
    throw Recusa{r.doPedido ? 400 : 404, r.texto};
  }
  return d;
}

ZQRegraPedida RegraPedida(const Campos& c) {
  ZQRegraPedida r;
  r.transacao = NumeroObrigatorio(c, "transaction", 255, 1);
  r.contrapartida = NumeroObrigatorio(c, "counter_account", UINT32_MAX);
  r.contabil = NumeroObrigatorio(c, "accounting", UINT16_MAX, 1);
  r.forma = NumeroObrigatorio(c, "payment_form", UINT16_MAX);
  r.classificacao = NumeroOpcional(c, "classification", UINT32_MAX);
  r.historicoPadrao = NumeroOpcional(c, "history", UINT16_MAX);
  return r;
}

ZQPedidoRegraDaLinha PedidoRegra(const ZQPaginaDeRegras& d, const Campos& c) {
  if (!d.linha) throw Recusa{400, "falta \"line\""};
  ZQPedidoRegraDaLinha p;
  p.linha = d.linha->posicao;
  p.por = c("by");
  if (!p.por.empty() && p.por != "code" && p.por != "history") throw Recusa{400, "\"by\" deve ser code ou history"};
  p.prefixo = c("history_prefix");
  p.todasContas = !c("all_accounts").empty();
  p.salvar = !c("save").empty();
  p.regra = RegraPedida(c);
  return p;
}

ZQPedidoLancaLinha PedidoLancamento(const ZQPaginaDeRegras& d, const Campos& c, const Contexto& ctx) {
  ZQPedidoLancaLinha p;
  p.conta = d.conta;
  p.linha = NumeroObrigatorio(c, "line", UINT32_MAX);
  p.filial = static_cast<uint16_t>(d.filial);
  p.complemento = NumeroOpcional(c, "complement_type", 10);
  p.usuario = ctx.usuario;
  p.sessao = ctx.numeroSessao;
  p.regra = RegraPedida(c);
  return p;
}

template <typename F>
auto Executa(F&& operacao) {
  try {
    return operacao();
  } catch (const ZQRecusaRegras& r) {
    throw Recusa{r.doPedido ? 400 : 422, r.texto};
  }
}

std::string Juntas(const std::vector<std::string>& textos) {
  std::string s;
  for (const std::string& t : textos) s += (s.empty() ? "" : "; ") + t;
  return s;
}

}  // namespace

void RegistraRotasRegras(const Rotas& r) {
  CZQAcessoServidoresSQL& servidores = r.servidores;
  r.servidor.Get(R"(/accounts/(\d{1,10})/rules)",
                 r.guarda([&servidores](const httplib::Request& req, httplib::Response& res, Contexto& c) {
                   Html(res, ZQPaginaRegras(LeRegras(servidores, req, CamposForm(req)), c.pagina));
                 }));
  r.servidor.Get(R"(/api/accounts/(\d{1,10})/rules)",
                 r.guarda([&servidores](const httplib::Request& req, httplib::Response& res, Contexto&) {
                   Json(res, ZQRegrasJson(LeRegras(servidores, req, CamposForm(req))));
                 }));

  // A rule from a line: without "save" it is only shown, with what the line would find.
  r.servidor.Post(R"(/accounts/(\d{1,10})/rule-from-line)",
                  r.guarda([&servidores, r](const httplib::Request& req, httplib::Response& res, Contexto& c) {
                    const Campos campos = CamposForm(req);
                    ZQPaginaDeRegras d = LeRegras(servidores, req, campos);
                    d.pedido = PedidoRegra(d, campos);
                    const ZQRegraDaLinha regra = Executa([&] { return ZQFazRegraDaLinha(servidores, d.pedido); });
                    if (regra.gravada) {
                      r.aviso(c, "Regra " + std::to_string(regra.indice) + " gravada.", false, 0);
                      res.set_redirect("/accounts/" + std::to_string(d.conta) + "/rules?branch=" +
                                           std::to_string(d.filial) + "&line=" + std::to_string(d.linha->posicao),
                                       303);
                      return;
                    }
                    d.proposta = regra;
                    Html(res, ZQPaginaRegras(d, c.pagina), regra.achada ? 200 : 422);
                  }));
  r.servidor.Post(R"(/api/accounts/(\d{1,10})/rule-from-line)",
                  r.guarda([&servidores](const httplib::Request& req, httplib::Response& res, Contexto&) {
                    const nlohmann::json corpo = CorpoJson(req);
                    const Campos campos = CamposJson(corpo);
                    ZQPaginaDeRegras d = LeRegras(servidores, req, campos);
                    const ZQRegraDaLinha regra =
                        Executa([&] { return ZQFazRegraDaLinha(servidores, PedidoRegra(d, campos)); });
                    Json(res, ZQRegraDaLinhaJson(regra), regra.achada ? 200 : 422);
                  }));

  r.servidor.Post(R"(/accounts/(\d{1,10})/post-line)", r.guarda([&servidores, r](const httplib::Request& req,
                                                                                 httplib::Response& res, Contexto& c) {
    const Campos campos = CamposForm(req);
    const ZQPedidoLancaLinha p = PedidoLancamento(Conta(servidores, req, campos), campos, c);
    const ZQLinhaLancada l = Executa([&] { return ZQLancaLinhaPorRegra(servidores, p); });
    if (l.numero == 0)
      r.aviso(c, "A linha não foi lançada, nada foi gravado: " + Juntas(l.recusas), true, 0);
    else
      r.aviso(c,
              "Linha " + std::to_string(p.linha) + " lançada e conciliada: conciliação número " +
                  std::to_string(l.numero) + ".",
              false, l.numero);
    // To the workbench, where the notice offers to undo it.
    res.set_redirect("/accounts/" + std::to_string(p.conta) + "?branch=" + std::to_string(p.filial), 303);
  }));
  r.servidor.Post(R"(/api/accounts/(\d{1,10})/post-line)",
                  r.guarda([&servidores](const httplib::Request& req, httplib::Response& res, Contexto& c) {
                    const nlohmann::json corpo = CorpoJson(req);
                    const Campos campos = CamposJson(corpo);
                    const ZQPedidoLancaLinha p = PedidoLancamento(Conta(servidores, req, campos), campos, c);
                    const ZQLinhaLancada l = Executa([&] { return ZQLancaLinhaPorRegra(servidores, p); });
                    if (l.numero == 0)
                      Json(res, "{\"error\":" + ZQJson(Juntas(l.recusas)) + "}", 422);
                    else
                      Json(res, ZQLinhaLancadaJson(p.conta, p.linha, l));
                  }));
}

}  // namespace zq_console
