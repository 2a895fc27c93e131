#include "console/zq_console_paginas.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "console/zq_console_texto.h"
#include "frame/zq_data_texto.h"
#include "platform/records/zq_dados_execucao_servico.h"

namespace {

std::string H(std::string_view t) { return ZQHtml(t); }
std::string N(uint64_t n) { return std::to_string(n); }
// Seconds for JSON: null when unknown.
std::string Segundos(int64_t s) { return s < 0 ? "null" : std::to_string(s); }

}  // namespace

std::string ZQPagina(const std::string& titulo, const std::string& corpo, const ZQContextoPagina& c) {
  std::string s = "<!doctype html><html lang=\"pt-BR\"><head><meta charset=\"utf-8\"><title>" + H(titulo) +
                  " - CL</title><link rel=\"stylesheet\" href=\"/assets/console.css\"></head><body><header>"
                  "<strong>Conciliação bancária</strong><a href=\"/\">Panorama</a><a href=\"/runs\">Importações e "
                  "execuções</a>";
  if (c.comSenha) {
    s += "<form method=\"post\" action=\"/logout\"><input type=\"hidden\" name=\"csrf\" value=\"" + H(c.csrf) +
         "\"><button>Sair</button></form>";
  }
  s += "</header><main><h1>" + H(titulo) + "</h1>";
  if (!c.aviso.empty()) {
    s += std::string("<p id=\"aviso\" class=\"aviso") + (c.avisoErro ? " erro" : "") + "\">" + H(c.aviso) + "</p>";
  }
  return s + corpo + "</main><script src=\"/assets/console.js\"></script></body></html>";
}

namespace {

std::string Execucao(const ZQUltimaExecucao& u) {
  if (!u.houve) return "<td>-</td>";
  const char* classe = u.status == ZQ_STATUS_EXECUCAO_SUCESSO ? "ok" : "falha";
  return "<td><span class=\"" + std::string(classe) + "\">" + H(ZQNomeStatusExecucao(u.status)) + "</span> " +
         H(ZQMomentoTexto(u.quando)) + (u.mensagem.empty() ? "" : "<br>" + H(u.mensagem)) + "</td>";
}

std::string Csrf(const ZQContextoPagina& c) { return ZQCampoCsrf(c); }

std::string Posicoes(const std::vector<uint32_t>& lista) {
  std::string s;
  for (uint32_t p : lista) s += (s.empty() ? "" : ",") + N(p);
  return s;
}

// Cents, for the script's sums (whole numbers add exactly).
std::string Centavos(tagCY valor) { return std::to_string(valor / 100); }

// `regras`: the address of the account's rules page, each line linked to it (lines only).
std::string TabelaItens(const std::vector<CLItemAberto>& itens, const char* nome, const std::string& regras) {
  const bool linhas = !regras.empty();
  std::string s = "<table id=\"" + std::string(linhas ? "linhas" : "lancamentos") +
                  "\"><tr><th></th><th class=\"n\">Posição</th><th>Data</th><th class=\"n\">Valor</th><th>Doc.</th>" +
                  (linhas ? "<th>Histórico</th>" : "") + "</tr>";
  for (const CLItemAberto& i : itens) {
    s += "<tr><td><input type=\"checkbox\" name=\"" + std::string(nome) + "\" value=\"" + N(i.posicao) +
         "\" data-centavos=\"" + Centavos(i.valor) + "\"></td><td class=\"n\">" + N(i.posicao) + "</td><td>" +
         H(ZQDataTexto(i.data)) + "</td><td class=\"n\">" + H(ZQValorTexto(i.valor)) + "</td><td>" + H(i.documento) +
         "</td>" +
         (linhas ? "<td>" + H(i.historico) + " <a class=\"acao\" href=\"" + H(regras + "&line=" + N(i.posicao)) +
                       "\">lançar / regra</a></td>"
                 : "") +
         "</tr>";
  }
  return s + "</table>";
}

std::string ItemJson(const CLItemAberto& i) {
  return "{\"position\":" + N(i.posicao) + ",\"date\":" + ZQJson(ZQDataTexto(i.data)) +
         ",\"amount\":" + ZQValorJson(i.valor) + ",\"document\":" + ZQJson(i.documento) +
         ",\"code\":" + ZQJson(i.codigo) + ",\"history\":" + ZQJson(i.historico) + "}";
}

// `linhas`: with the lines the run stored and refused (an import run).
std::string ExecucaoJson(const ZQUltimaExecucao& u, bool linhas = false) {
  if (!u.houve) return "null";
  return "{\"when\":" + ZQJson(ZQMomentoTexto(u.quando)) + ",\"status\":" + N(u.status) +
         ",\"status_text\":" + ZQJson(ZQNomeStatusExecucao(u.status)) + ",\"message\":" + ZQJson(u.mensagem) +
         (linhas ? ",\"stored_lines\":" + N(u.gravadas) + ",\"refused_lines\":" + N(u.recusadas) : "") +
         ",\"duration_seconds\":" + Segundos(u.duracao) + "}";
}

}  // namespace

std::string ZQCampoCsrf(const ZQContextoPagina& c) {
  return "<input type=\"hidden\" name=\"csrf\" value=\"" + H(c.csrf) + "\">";
}

std::string ZQGraficoSvg(const std::vector<ZQDiaPanorama>& dias) {
  constexpr int kLargura = 620, kAltura = 180, kBase = 160, kTopo = 24;
  std::size_t maior = 1;
  for (const ZQDiaPanorama& d : dias) maior = std::max(maior, d.conciliadas + d.abertas);
  const int passo = dias.empty() ? 0 : (kLargura - 40) / static_cast<int>(dias.size());
  std::ostringstream s;
  s << "<svg id=\"grafico\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kLargura << "\" height=\"" << kAltura
    << "\" role=\"img\" aria-label=\"Linhas conciliadas e em aberto por dia\">"
    << "<line x1=\"30\" y1=\"" << kBase << "\" x2=\"" << kLargura << "\" y2=\"" << kBase << "\" stroke=\"#888\"/>"
    << "<text x=\"0\" y=\"" << kTopo + 10 << "\" font-size=\"10\">" << maior << "</text>";
  for (std::size_t i = 0; i < dias.size(); ++i) {
    const ZQDiaPanorama& d = dias[i];
    const int x = 35 + static_cast<int>(i) * passo;
    const int hc = static_cast<int>(d.conciliadas * (kBase - kTopo) / maior);
    const int ha = static_cast<int>(d.abertas * (kBase - kTopo) / maior);
    const std::string dia = H(ZQDataTexto(d.dia));
    s << "<rect x=\"" << x << "\" y=\"" << kBase - hc << "\" width=\"" << passo - 2 << "\" height=\"" << hc
      << "\" fill=\"#3a8f4b\"><title>" << dia << ": " << d.conciliadas << " conciliadas</title></rect>"
      << "<rect x=\"" << x << "\" y=\"" << kBase - hc - ha << "\" width=\"" << passo - 2 << "\" height=\"" << ha
      << "\" fill=\"#d9822b\"><title>" << dia << ": " << d.abertas << " em aberto</title></rect>";
    if (i % 7 == 0)
      s << "<text x=\"" << x << "\" y=\"" << kBase + 14 << "\" font-size=\"10\">" << dia.substr(0, 5) << "</text>";
  }
  // The legend above the bars, clear of the dates under them.
  s << "<rect x=\"420\" y=\"2\" width=\"10\" height=\"10\" fill=\"#3a8f4b\"/><text x=\"434\" y=\"11\" "
       "font-size=\"11\">conciliadas</text><rect x=\"510\" y=\"2\" width=\"10\" height=\"10\" fill=\"#d9822b\"/>"
       "<text x=\"524\" y=\"11\" font-size=\"11\">em aberto</text></svg>";
  return s.str();
}

std::string ZQPaginaPanorama(const ZQPanorama& p, const ZQContextoPagina& c) {
  std::string s =
      "<table id=\"contas\"><tr><th>Filial</th><th>Conta</th><th class=\"n\">Linhas em aberto</th>"
      "<th class=\"n\">Valor em aberto</th><th class=\"n\">Lançamentos em aberto</th>"
      "<th>Última importação</th><th class=\"n\">Recusadas na última importação</th><th>Última conciliação</th></tr>";
  for (const ZQContaPanorama& a : p.contas) {
    const std::string url = "/accounts/" + N(a.conta) + "?branch=" + N(a.filial);
    s += "<tr><td>" + N(a.filial) + "</td><td><a href=\"" + H(url) + "\">" + N(a.conta) +
         (a.nome.empty() ? "" : " - " + H(a.nome)) + "</a></td><td class=\"n\">" + N(a.linhasAbertas) +
         "</td><td class=\"n\">" + H(ZQValorTexto(a.valorLinhasAbertas)) + "</td><td class=\"n\">" +
         N(a.entradasAbertas) + "</td>" + Execucao(a.importacao) + "<td class=\"n recusadas\">" +
         (a.importacao.houve ? N(a.importacao.recusadas) : "-") + "</td>" + Execucao(a.conciliacao) + "</tr>";
  }
  if (p.contas.empty()) s += "<tr><td colspan=\"8\">Nenhuma conta nas configurações dos serviços.</td></tr>";
  s += "</table><h2>Linhas dos últimos 30 dias</h2>" + ZQGraficoSvg(p.dias);
  return ZQPagina("Panorama", s, c);
}

std::string ZQPaginaBancada(const ZQBancada& b, const ZQContextoPagina& c) {
  const CLAbertos& a = b.abertos;
  const std::string base = "/accounts/" + N(b.conta);
  std::string s;
  if (c.numeroDesfazer) {
    s +=
        "<form class=\"linha\" id=\"desfaz-ultima\" method=\"post\" action=\"" + H(base) + "/unmatch\">" + Csrf(c) +
        "<input type=\"hidden\" name=\"number\" value=\"" + N(c.numeroDesfazer) +
        "\"><input type=\"hidden\" name=\"branch\" value=\"" + N(b.filial) +
        "\"><input name=\"reason\" required maxlength=\"200\" placeholder=\"Motivo\"> <button>Desfazer a conciliação " +
        N(c.numeroDesfazer) + "</button></form>";
  }
  const std::string filial = "?branch=" + N(b.filial);
  s += "<p class=\"links\"><a id=\"link-regras\" href=\"" + H(base + "/rules" + filial) +
       "\">Regras de lançamento</a> <a id=\"link-historico\" href=\"" + H(base + "/history" + filial) +
       "\">Histórico de conciliações</a></p>";
  s += "<form method=\"get\" action=\"" + H(base) + "\"><input type=\"hidden\" name=\"branch\" value=\"" + N(b.filial) +
       "\">De <input name=\"from\" size=\"10\" value=\"" + H(ZQDataTexto(b.de)) +
       "\"> a <input name=\"to\" size=\"10\" value=\"" + H(ZQDataTexto(b.ate)) +
       "\"> Valor de <input name=\"min\" size=\"10\" value=\"" + H(b.minimoTexto) +
       "\"> a <input name=\"max\" size=\"10\" value=\"" + H(b.maximoTexto) + "\"> <button>Filtrar</button></form>";
  s += "<p id=\"contagem\"><span id=\"contagem-linhas\">" + N(a.linhas.size()) + "</span> linhas em aberto, total " +
       H(ZQValorTexto(a.totalLinhas)) + "; <span id=\"contagem-lancamentos\">" + N(a.entradas.size()) +
       "</span> lançamentos em aberto, total " + H(ZQValorTexto(a.totalEntradas)) + "</p>";

  s += "<h2>Sugestões</h2><table id=\"sugestoes\"><tr><th class=\"n\">Pontos</th><th>Linhas</th><th>Lançamentos</th>"
       "<th>Por quê</th><th></th></tr>";
  for (const CLSugestao& g : b.sugestoes) {
    std::string razoes;
    for (const std::string& r : g.razoes) razoes += (razoes.empty() ? "" : ", ") + r;
    s += "<tr><td class=\"n\">" + N(static_cast<uint64_t>(std::max(g.pontos, 0))) + "</td><td>" + Posicoes(g.linhas) +
         "</td><td>" + Posicoes(g.entradas) + "</td><td>" + H(razoes) +
         "</td><td><form class=\"linha\" method=\"post\" action=\"" + H(base) + "/match\">" + Csrf(c) +
         "<input type=\"hidden\" name=\"branch\" value=\"" + N(b.filial) + "\">";
    for (uint32_t p : g.linhas) s += "<input type=\"hidden\" name=\"line\" value=\"" + N(p) + "\">";
    for (uint32_t p : g.entradas) s += "<input type=\"hidden\" name=\"entry\" value=\"" + N(p) + "\">";
    s += "<button class=\"aceita\">Conciliar</button></form></td></tr>";
  }
  if (b.sugestoes.empty()) s += "<tr><td colspan=\"5\">Nenhuma sugestão.</td></tr>";
  s += "</table>";

  s += "<form id=\"selecao\" method=\"post\" action=\"" + H(base) + "/match\">" + Csrf(c) +
       "<input type=\"hidden\" name=\"branch\" value=\"" + N(b.filial) +
       "\"><p>Marcadas: linhas <span id=\"soma-linhas\">0,00</span>, lançamentos <span "
       "id=\"soma-lancamentos\">0,00</span>, diferença <span id=\"diferenca\">0,00</span> <button id=\"concilia\">"
       "Conciliar as marcadas</button></p><div class=\"lado\"><section><h2>Linhas de extrato</h2>" +
       TabelaItens(a.linhas, "line", base + "/rules" + filial) +
       "</section><section><h2>Lançamentos de tesouraria</h2>" + TabelaItens(a.entradas, "entry", "") +
       "</section></div></form>";

  s += "<h2>Desfazer</h2><form method=\"post\" action=\"" + H(base) + "/unmatch\">" + Csrf(c) +
       "<input type=\"hidden\" name=\"branch\" value=\"" + N(b.filial) +
       "\">Número <input name=\"number\" size=\"8\" required> Motivo <input name=\"reason\" required "
       "maxlength=\"200\"> <button>Desfazer</button></form>";
  return ZQPagina("Conta " + N(b.conta) + (b.nome.empty() ? "" : " - " + b.nome), s, c);
}

std::string ZQPaginaLogin(const ZQContextoPagina& c) {
  const std::string s = "<form method=\"post\" action=\"/login\">" + Csrf(c) +
                        "<p>Usuário <input name=\"user\" size=\"6\" required></p><p>Senha <input type=\"password\" "
                        "name=\"password\" required></p><button>Entrar</button></form>";
  ZQContextoPagina semSaida = c;
  semSaida.comSenha = false;
  return ZQPagina("Entrar", s, semSaida);
}

std::string ZQPaginaErro(const std::string& titulo, const std::string& texto, const ZQContextoPagina& c) {
  return ZQPagina(titulo, "<p class=\"aviso erro\">" + H(texto) + "</p><p><a href=\"/\">Panorama</a></p>", c);
}

std::string ZQMetricas(const ZQPanorama& p) {
  std::ostringstream s;
  const auto rotulos = [](const ZQContaPanorama& a) {
    return "branch=\"" + N(a.filial) + "\",account=\"" + N(a.conta) + "\"";
  };
  s << "# HELP cl_open_lines Statement lines not reconciled.\n# TYPE cl_open_lines gauge\n";
  for (const auto& a : p.contas) s << "cl_open_lines{" << rotulos(a) << "} " << a.linhasAbertas << "\n";
  s << "# HELP cl_open_lines_amount Signed total of the open statement lines.\n# TYPE cl_open_lines_amount gauge\n";
  for (const auto& a : p.contas)
    s << "cl_open_lines_amount{" << rotulos(a) << "} " << ZQValorJson(a.valorLinhasAbertas) << "\n";
  s << "# HELP cl_open_entries Treasury entries not reconciled.\n# TYPE cl_open_entries gauge\n";
  for (const auto& a : p.contas) s << "cl_open_entries{" << rotulos(a) << "} " << a.entradasAbertas << "\n";
  s << "# HELP cl_lines_30d Statement lines dated in the last 30 days.\n# TYPE cl_lines_30d gauge\n";
  for (const auto& a : p.contas) s << "cl_lines_30d{" << rotulos(a) << "} " << a.linhas30Dias << "\n";
  s << "# HELP cl_reconciled_lines_30d Of those, the reconciled ones.\n# TYPE cl_reconciled_lines_30d gauge\n";
  for (const auto& a : p.contas) s << "cl_reconciled_lines_30d{" << rotulos(a) << "} " << a.conciliadas30Dias << "\n";
  s << "# HELP cl_posted_lines_30d Of those, the ones reconciled with an entry posted for them.\n"
       "# TYPE cl_posted_lines_30d gauge\n";
  for (const auto& a : p.contas) s << "cl_posted_lines_30d{" << rotulos(a) << "} " << a.lancadas30Dias << "\n";
  s << "# HELP cl_last_run_status Last run of a service over the account: 1 ok, 2 failed and retried, 3 failed.\n"
       "# TYPE cl_last_run_status gauge\n";
  for (const auto& a : p.contas) {
    if (a.importacao.houve)
      s << "cl_last_run_status{service=\"import\"," << rotulos(a) << "} " << N(a.importacao.status) << "\n";
    if (a.conciliacao.houve)
      s << "cl_last_run_status{service=\"reconciliation\"," << rotulos(a) << "} " << N(a.conciliacao.status) << "\n";
  }
  // The figures the last import run recorded for the account, as the overview shows them.
  s << "# HELP cl_last_import_refused_lines Statement lines the last import refused.\n"
       "# TYPE cl_last_import_refused_lines gauge\n";
  for (const auto& a : p.contas)
    if (a.importacao.houve)
      s << "cl_last_import_refused_lines{" << rotulos(a) << "} " << a.importacao.recusadas << "\n";
  s << "# HELP cl_last_import_stored_lines Statement lines the last import stored.\n"
       "# TYPE cl_last_import_stored_lines gauge\n";
  for (const auto& a : p.contas)
    if (a.importacao.houve) s << "cl_last_import_stored_lines{" << rotulos(a) << "} " << a.importacao.gravadas << "\n";
  // Runs recorded before their accounts' moments were kept have no duration: no line.
  s << "# HELP cl_last_run_duration_seconds Seconds the last run of a service took, from its start to its last "
       "account.\n# TYPE cl_last_run_duration_seconds gauge\n";
  if (p.duracaoImportacao >= 0) s << "cl_last_run_duration_seconds{service=\"import\"} " << p.duracaoImportacao << "\n";
  if (p.duracaoConciliacao >= 0)
    s << "cl_last_run_duration_seconds{service=\"reconciliation\"} " << p.duracaoConciliacao << "\n";
  s << "# HELP cl_last_run_account_duration_seconds Seconds the account took in the last run of a service over it.\n"
       "# TYPE cl_last_run_account_duration_seconds gauge\n";
  for (const auto& a : p.contas) {
    if (a.importacao.duracao >= 0)
      s << "cl_last_run_account_duration_seconds{service=\"import\"," << rotulos(a) << "} " << a.importacao.duracao
        << "\n";
    if (a.conciliacao.duracao >= 0)
      s << "cl_last_run_account_duration_seconds{service=\"reconciliation\"," << rotulos(a) << "} "
        << a.conciliacao.duracao << "\n";
  }
  return s.str();
}

std::string ZQPanoramaJson(const ZQPanorama& p) {
  std::string s = "{\"today\":" + ZQJson(ZQDataTexto(p.hoje)) +
                  ",\"last_run_duration_seconds\":{\"import\":" + Segundos(p.duracaoImportacao) +
                  ",\"reconciliation\":" + Segundos(p.duracaoConciliacao) + "},\"accounts\":[";
  for (std::size_t i = 0; i < p.contas.size(); ++i) {
    const ZQContaPanorama& a = p.contas[i];
    s += std::string(i ? "," : "") + "{\"branch\":" + N(a.filial) + ",\"account\":" + N(a.conta) +
         ",\"name\":" + ZQJson(a.nome) + ",\"open_lines\":" + N(a.linhasAbertas) +
         ",\"open_lines_amount\":" + ZQValorJson(a.valorLinhasAbertas) + ",\"open_entries\":" + N(a.entradasAbertas) +
         ",\"last_import\":" + ExecucaoJson(a.importacao, true) +
         ",\"last_reconciliation\":" + ExecucaoJson(a.conciliacao) + "}";
  }
  s += "],\"days\":[";
  for (std::size_t i = 0; i < p.dias.size(); ++i) {
    s += std::string(i ? "," : "") + "{\"date\":" + ZQJson(ZQDataTexto(p.dias[i].dia)) +
         ",\"reconciled\":" + N(p.dias[i].conciliadas) + ",\"open\":" + N(p.dias[i].abertas) + "}";
  }
  return s + "]}";
}

std::string ZQBancadaJson(const ZQBancada& b) {
  const CLAbertos& a = b.abertos;
  std::string s = "{\"account\":" + N(b.conta) + ",\"branch\":" + N(b.filial) + ",\"lines\":[";
  for (std::size_t i = 0; i < a.linhas.size(); ++i) s += (i ? "," : "") + ItemJson(a.linhas[i]);
  s += "],\"entries\":[";
  for (std::size_t i = 0; i < a.entradas.size(); ++i) s += (i ? "," : "") + ItemJson(a.entradas[i]);
  s += "],\"lines_total\":" + ZQValorJson(a.totalLinhas) + ",\"entries_total\":" + ZQValorJson(a.totalEntradas) +
       ",\"difference\":" + ZQValorJson(a.totalLinhas - a.totalEntradas) + ",\"suggestions\":[";
  for (std::size_t i = 0; i < b.sugestoes.size(); ++i) {
    const CLSugestao& g = b.sugestoes[i];
    s += std::string(i ? "," : "") + "{\"score\":" + std::to_string(g.pontos) + ",\"lines\":[" + Posicoes(g.linhas) +
         "],\"entries\":[" + Posicoes(g.entradas) + "],\"reasons\":[";
    for (std::size_t r = 0; r < g.razoes.size(); ++r) s += (r ? "," : "") + ZQJson(g.razoes[r]);
    s += "]}";
  }
  return s + "]}";
}
