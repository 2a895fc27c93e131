#include "console/zq_console_paginas_registros.h"

#include "console/zq_console_texto.h"
#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "platform/records/zq_dados_execucao_servico.h"

namespace {

std::string H(std::string_view t) { return ZQHtml(t); }
std::string N(uint64_t n) { return std::to_string(n); }
// Seconds for JSON: null when unknown.
std::string Segundos(int64_t s) { return s < 0 ? "null" : std::to_string(s); }

std::string Status(uint8_t status, const char* sucesso) {
  const char* classe = status == ZQ_STATUS_EXECUCAO_SUCESSO ? "ok" : "falha";
  return "<span class=\"" + std::string(classe) + "\">" + H(ZQNomeStatusExecucao(status, sucesso)) + "</span>";
}

// "HH:MM" of a moment.
std::string Hora(REG_ZQDMAHMSUTC momento) {
  const std::string texto = ZQMomentoTexto(momento);
  return texto.size() > 11 ? texto.substr(11) : texto;
}

tagCY ComSinal(const CZQDadosCL_Extrato& e) {
  return e.GetNatureza() == ZQ_NATUREZA_DEBITO ? -e.GetValor() : e.GetValor();
}

std::string TabelaLinhas(const char* id, const std::vector<CCLLinhaArquivoExtrato>& linhas, bool comMotivo) {
  std::string s = "<table id=\"" + std::string(id) +
                  "\"><tr><th class=\"n\">Linha do arquivo</th><th>Data</th><th class=\"n\">Valor</th><th>Doc.</th>"
                  "<th>Histórico</th>" +
                  (comMotivo ? "<th>Motivo</th>" : "") + "</tr>";
  for (const CCLLinhaArquivoExtrato& l : linhas) {
    const bool lida = l.extrato.GetDmaExtrato() != 0;
    s += "<tr><td class=\"n\">" + N(l.numeroLinha) + "</td><td>" +
         (lida ? H(ZQDataTexto(l.extrato.GetDmaExtrato())) : "") + "</td><td class=\"n\">" +
         (lida ? H(ZQValorTexto(ComSinal(l.extrato))) : "") + "</td><td>" +
         (lida && l.extrato.GetDocumento() != 0 ? N(static_cast<uint64_t>(l.extrato.GetDocumento())) : "") +
         "</td><td>" + (lida ? H(l.extrato.GetHistBco().c_str()) : "") + "</td>" +
         (comMotivo ? "<td>" + H(l.motivo.c_str()) + "</td>" : "") + "</tr>";
  }
  if (linhas.empty()) s += std::string("<tr><td colspan=\"") + (comMotivo ? "6" : "5") + "\">Nenhuma.</td></tr>";
  return s + "</table>";
}

std::string LinhaJson(const CCLLinhaArquivoExtrato& l) {
  std::string s = "{\"line\":" + N(l.numeroLinha);
  if (l.extrato.GetDmaExtrato() != 0) {
    s += ",\"date\":" + ZQJson(ZQDataTexto(l.extrato.GetDmaExtrato())) +
         ",\"amount\":" + ZQValorJson(ComSinal(l.extrato)) +
         ",\"document\":" + std::to_string(l.extrato.GetDocumento()) +
         ",\"history\":" + ZQJson(l.extrato.GetHistBco().c_str());
  }
  if (l.codigo != 0) s += ",\"code\":" + std::to_string(l.codigo) + ",\"reason\":" + ZQJson(l.motivo.c_str());
  return s + "}";
}

std::string LinhasJson(const std::vector<CCLLinhaArquivoExtrato>& linhas) {
  std::string s = "[";
  for (std::size_t i = 0; i < linhas.size(); ++i) s += (i ? "," : "") + LinhaJson(linhas[i]);
  return s + "]";
}

}  // namespace

std::string ZQPaginaExecucoes(const ZQExecucoesDia& e, const std::vector<ZQLeiauteImportacao>& leiautes,
                              const ZQContextoPagina& c) {
  const std::string dia = ZQDataTexto(e.dia);
  std::string s = "<form method=\"get\" action=\"/runs\"><a id=\"dia-anterior\" href=\"" +
                  H("/runs?date=" + ZQDataTexto(CZQDma(e.dia).SubtraiDias(1).GetDma())) +
                  "\">&larr; dia anterior</a> Dia <input name=\"date\" size=\"10\" value=\"" + H(dia) +
                  "\"> <button>Ver</button> <a href=\"" +
                  H("/runs?date=" + ZQDataTexto(CZQDma(e.dia).SomaDias(1).GetDma())) +
                  "\">dia seguinte &rarr;</a></form>";
  s += "<h2>Serviço de importação de extratos</h2><table id=\"importacoes\"><tr><th>Hora</th><th>Filial</th>"
       "<th>Conta</th><th>Status</th><th class=\"n\">Gravadas</th><th class=\"n\">Recusadas</th>"
       "<th class=\"n\">Duração</th><th class=\"n\">Linhas no período</th><th>Mensagem</th></tr>";
  for (const ZQExecucaoImportacao& x : e.importacoes) {
    for (const ZQContaImportada& a : x.contas) {
      s += "<tr><td>" + H(Hora(x.quando)) + "</td><td>" + N(a.filial) + "</td><td><a href=\"" +
           H("/accounts/" + N(a.conta) + "?branch=" + N(a.filial)) + "\">" + N(a.conta) + "</a></td><td>" +
           Status(a.status, "importada") + "</td><td class=\"n\">" + N(a.gravadas) + "</td><td class=\"n\">" +
           N(a.recusadas) + "</td><td class=\"n\">" + H(ZQDuracaoTexto(a.duracao)) + "</td><td class=\"n\">" +
           H(a.linhas) + "</td><td>" + H(a.mensagem) + "</td></tr>";
    }
  }
  if (e.importacoes.empty()) s += "<tr><td colspan=\"9\">Nenhuma execução neste dia.</td></tr>";
  s += "</table><h2>Serviço de conciliação</h2><table id=\"conciliacoes\"><tr><th>Hora</th><th>Filial</th>"
       "<th>Conta</th><th>Status</th><th class=\"n\">Duração</th><th>Mensagem</th></tr>";
  for (const ZQExecucaoConciliacao& x : e.conciliacoes) {
    s += "<tr><td>" + H(Hora(x.quando)) + "</td><td>" + N(x.filial) + "</td><td><a href=\"" +
         H("/accounts/" + N(x.conta) + "?branch=" + N(x.filial)) + "\">" + N(x.conta) + "</a></td><td>" +
         Status(x.status, "ok") + "</td><td class=\"n\">" + H(ZQDuracaoTexto(x.duracao)) + "</td><td>" + H(x.mensagem) +
         "</td></tr>";
  }
  if (e.conciliacoes.empty()) s += "<tr><td colspan=\"6\">Nenhuma execução neste dia.</td></tr>";
  s += "</table><h2>Importar um arquivo de extrato</h2><p>Primeiro uma simulação: nada é gravado até confirmar.</p>"
       "<form id=\"importa\" method=\"post\" action=\"/imports\" enctype=\"multipart/form-data\">" +
       ZQCampoCsrf(c) +
       "<label>Arquivo <input type=\"file\" name=\"file\" required></label> <label>Leiaute <select "
       "name=\"layout\" required>";
  for (const ZQLeiauteImportacao& l : leiautes)
    s += "<option value=\"" + N(static_cast<uint64_t>(l.posicao)) + "\">" + N(static_cast<uint64_t>(l.posicao)) +
         " - " + H(l.descricao) + "</option>";
  s += "</select></label> <label>Conta <input name=\"account\" size=\"6\"></label> <label>Filial <input "
       "name=\"branch\" size=\"4\" value=\"1\"></label> <label>De <input name=\"from\" size=\"10\"></label> <label>a "
       "<input name=\"to\" size=\"10\"></label> <button>Simular</button></form>";
  return ZQPagina("Importações e execuções de " + dia, s, c);
}

std::string ZQExecucoesJson(const ZQExecucoesDia& e) {
  std::string s = "{\"date\":" + ZQJson(ZQDataTexto(e.dia)) + ",\"imports\":[";
  for (std::size_t i = 0; i < e.importacoes.size(); ++i) {
    s += std::string(i ? "," : "") + "{\"when\":" + ZQJson(ZQMomentoTexto(e.importacoes[i].quando)) + ",\"accounts\":[";
    const auto& contas = e.importacoes[i].contas;
    for (std::size_t k = 0; k < contas.size(); ++k) {
      const ZQContaImportada& a = contas[k];
      s += std::string(k ? "," : "") + "{\"branch\":" + N(a.filial) + ",\"account\":" + N(a.conta) +
           ",\"status\":" + N(a.status) + ",\"status_text\":" + ZQJson(ZQNomeStatusExecucao(a.status, "importada")) +
           ",\"message\":" + ZQJson(a.mensagem) + ",\"stored_lines\":" + N(a.gravadas) +
           ",\"refused_lines\":" + N(a.recusadas) + ",\"duration_seconds\":" + Segundos(a.duracao) +
           ",\"lines_in_period\":" + (a.linhas == "?" ? "null" : a.linhas) + "}";
    }
    s += "]}";
  }
  s += "],\"reconciliations\":[";
  for (std::size_t i = 0; i < e.conciliacoes.size(); ++i) {
    const ZQExecucaoConciliacao& x = e.conciliacoes[i];
    s += std::string(i ? "," : "") + "{\"when\":" + ZQJson(ZQMomentoTexto(x.quando)) + ",\"branch\":" + N(x.filial) +
         ",\"account\":" + N(x.conta) + ",\"status\":" + N(x.status) +
         ",\"status_text\":" + ZQJson(ZQNomeStatusExecucao(x.status)) + ",\"message\":" + ZQJson(x.mensagem) +
         ",\"duration_seconds\":" + Segundos(x.duracao) + "}";
  }
  return s + "]}";
}

std::string ZQPaginaHistorico(const ZQHistoricoConta& h, const ZQContextoPagina& c) {
  const std::string base = "/accounts/" + N(h.conta);
  std::string s = "<p class=\"links\"><a href=\"" + H(base + "?branch=" + N(h.filial)) +
                  "\">Bancada da conta</a></p><table id=\"historico\"><tr><th class=\"n\">Número</th><th>Tipo</th>"
                  "<th class=\"n\">Usuário</th><th class=\"n\">Sessão</th><th>Quando</th><th class=\"n\">Linhas</th>"
                  "<th class=\"n\">Lançamentos</th><th>Desfeita</th></tr>";
  for (const ZQConciliacaoHistorico& x : h.conciliacoes) {
    std::string desfeitas;
    for (const ZQDesfeitaHistorico& d : x.desfeitas) {
      desfeitas += (desfeitas.empty() ? "" : "<br>") + H(ZQMomentoHistorico(d.quando)) + " pelo usuário " +
                   N(static_cast<uint64_t>(d.usuario)) + " (sessão " + N(static_cast<uint64_t>(d.sessao)) +
                   "): " + H(d.motivo);
    }
    // Only what still stands can be undone; a number undone is not made again.
    if (x.desfeitas.empty()) {
      desfeitas =
          "<form class=\"linha desfaz\" method=\"post\" action=\"" + H(base + "/unmatch") + "\">" + ZQCampoCsrf(c) +
          "<input type=\"hidden\" name=\"branch\" value=\"" + N(h.filial) +
          "\"><input type=\"hidden\" name=\"number\" value=\"" + N(static_cast<uint64_t>(x.numero)) +
          "\"><input name=\"reason\" required maxlength=\"200\" placeholder=\"Motivo\"> <button>Desfazer</button></form>";
    }
    s += "<tr><td class=\"n\">" + N(static_cast<uint64_t>(x.numero)) + "</td><td>" + H(ZQNomeTipoConciliacao(x.tipo)) +
         "</td><td class=\"n\">" + N(static_cast<uint64_t>(x.usuario)) + "</td><td class=\"n\">" +
         N(static_cast<uint64_t>(x.sessao)) + "</td><td>" + H(ZQMomentoHistorico(x.quando)) + "</td><td class=\"n\">" +
         N(static_cast<uint64_t>(x.linhas)) + "</td><td class=\"n\">" + N(static_cast<uint64_t>(x.entradas)) +
         "</td><td>" + desfeitas + "</td></tr>";
  }
  if (h.conciliacoes.empty()) s += "<tr><td colspan=\"8\">Nenhuma conciliação nesta conta.</td></tr>";
  return ZQPagina("Histórico da conta " + N(h.conta) + (h.nome.empty() ? "" : " - " + h.nome), s + "</table>", c);
}

std::string ZQHistoricoJson(const ZQHistoricoConta& h) {
  std::string s = "{\"account\":" + N(h.conta) + ",\"reconciliations\":[";
  for (std::size_t i = 0; i < h.conciliacoes.size(); ++i) {
    const ZQConciliacaoHistorico& x = h.conciliacoes[i];
    s += std::string(i ? "," : "") + "{\"number\":" + std::to_string(x.numero) +
         ",\"kind\":" + ZQJson(ZQNomeTipoConciliacao(x.tipo)) + ",\"user\":" + std::to_string(x.usuario) +
         ",\"session\":" + std::to_string(x.sessao) + ",\"when\":" + ZQJson(ZQMomentoHistorico(x.quando)) +
         ",\"lines\":" + std::to_string(x.linhas) + ",\"entries\":" + std::to_string(x.entradas) + ",\"undone\":[";
    for (std::size_t k = 0; k < x.desfeitas.size(); ++k) {
      const ZQDesfeitaHistorico& d = x.desfeitas[k];
      s += std::string(k ? "," : "") + "{\"when\":" + ZQJson(ZQMomentoHistorico(d.quando)) +
           ",\"user\":" + std::to_string(d.usuario) + ",\"session\":" + std::to_string(d.sessao) +
           ",\"reason\":" + ZQJson(d.motivo) + "}";
    }
    s += "]}";
  }
  return s + "]}";
}

std::string ZQPaginaImportacao(const ZQImportacaoArquivo& m, const ZQContextoPagina& c) {
  std::string s = "<p>Arquivo \"" + H(m.arquivo) + "\", leiaute " + N(static_cast<uint64_t>(m.leiaute)) +
                  (m.conta ? ", conta " + N(m.conta) : std::string()) + ".</p>";
  if (!m.erro.empty()) s += std::string("<p class=\"aviso erro\" id=\"erro-importacao\">") + H(m.erro) + "</p>";
  s += "<p id=\"resumo-importacao\">" + N(m.gravadas.size()) +
       (m.simulacao ? " linhas seriam gravadas, " : " linhas gravadas, ") + N(m.recusadas.size()) + " recusadas, " +
       N(m.ignoradas) + " ignoradas.</p>";
  if (m.simulacao && !m.token.empty() && !m.gravadas.empty()) {
    s += "<form id=\"grava-importacao\" method=\"post\" action=\"/imports\">" + ZQCampoCsrf(c) +
         "<input type=\"hidden\" name=\"upload\" value=\"" + H(m.token) +
         "\"><button>Gravar estas linhas</button></form>";
  }
  s += "<h2>Linhas recusadas</h2>" + TabelaLinhas("recusadas", m.recusadas, true) + "<h2>" +
       (m.simulacao ? "Linhas que seriam gravadas" : "Linhas gravadas") + "</h2>" +
       TabelaLinhas("gravadas", m.gravadas, false) + "<p><a href=\"/runs\">Importações e execuções</a></p>";
  return ZQPagina(m.simulacao ? "Simulação da importação" : "Importação", s, c);
}

std::string ZQImportacaoJson(const ZQImportacaoArquivo& m) {
  std::string s = "{\"file\":" + ZQJson(m.arquivo) + ",\"layout\":" + std::to_string(m.leiaute) +
                  ",\"dry_run\":" + (m.simulacao ? "true" : "false") + ",\"stored\":" + LinhasJson(m.gravadas) +
                  ",\"refused\":" + LinhasJson(m.recusadas) + ",\"ignored\":" + N(m.ignoradas);
  if (!m.token.empty()) s += ",\"upload\":" + ZQJson(m.token);
  if (!m.erro.empty()) s += ",\"error\":" + ZQJson(m.erro);
  return s + "}";
}
