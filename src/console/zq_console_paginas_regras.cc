#include "console/zq_console_paginas_regras.h"

#include "console/zq_console_texto.h"
#include "frame/zq_data_texto.h"

namespace {

std::string H(std::string_view t) { return ZQHtml(t); }
std::string N(uint64_t n) { return std::to_string(n); }

std::string Oculto(const char* nome, const std::string& valor) {
  return "<input type=\"hidden\" name=\"" + std::string(nome) + "\" value=\"" + H(valor) + "\">";
}

// A number field shown empty while it is 0 (not given).
std::string CampoNumero(const char* rotulo, const char* nome, long long valor, bool obrigatorio) {
  return "<label>" + std::string(rotulo) + " <input name=\"" + nome + "\" size=\"6\" inputmode=\"numeric\" value=\"" +
         (valor ? N(static_cast<uint64_t>(valor)) : std::string()) + "\"" + (obrigatorio ? " required" : "") +
         "></label> ";
}

std::string CamposRegra(const ZQRegraPedida& r) {
  return CampoNumero("Transação", "transaction", r.transacao, true) +
         CampoNumero("Contrapartida", "counter_account", r.contrapartida, true) +
         CampoNumero("Contábil", "accounting", r.contabil, true) +
         CampoNumero("Forma de pagamento", "payment_form", r.forma, true) +
         CampoNumero("Classificação", "classification", r.classificacao, false) +
         CampoNumero("Histórico padrão", "history", r.historicoPadrao, false);
}

std::string Lista(const char* id, const std::vector<std::string>& frases) {
  std::string s = "<ul id=\"" + std::string(id) + "\">";
  for (const std::string& f : frases) s += "<li>" + H(f) + "</li>";
  return s + "</ul>";
}

template <std::size_t T>
std::string Texto(const ZQTextoFixo<T>& t) {
  return t.Get().str();
}

std::string TextosJson(const std::vector<std::string>& textos) {
  std::string s = "[";
  for (std::size_t i = 0; i < textos.size(); ++i) s += (i ? "," : "") + ZQJson(textos[i]);
  return s + "]";
}

std::string RegraJson(const ZQRegraDaConta& item) {
  const _REG_PROP_CONC_TESBAN_PS& r = item.regra;
  return "{\"position\":" + N(item.posicao) + ",\"account\":" + N(r.lPonteiroConta) +
         ",\"code\":" + ZQJson(Texto(r.szCodigoMvtoBco)) + ",\"history\":" + ZQJson(Texto(r.szHistoricoBco)) +
         ",\"direction\":" + ZQJson(r.iContabilEntrada ? "E" : "S") +
         ",\"grouped\":" + (r.cAgrupa == 'A' ? "true" : "false") + ",\"transaction\":" + N(r.iTransacao) +
         ",\"payment_form\":[" + N(r.iPosFormaPagamento) + "," + N(r.iPosFormaPagamentoSaida) + "],\"accounting\":[" +
         N(r.iContabilEntrada) + "," + N(r.iContabilSaida) + "],\"complement_type\":" + N(r.iComplHistorico) +
         ",\"standard_history\":" + N(r.lHistorico) + ",\"classification\":" + N(r.lPosClassificacao) +
         ",\"counter_account\":" + N(r.lContaContrapartida) +
         ",\"keys_of_earlier_rules\":" + TextosJson(item.chavesPerdidas) + "}";
}

}  // namespace

std::string ZQPaginaRegras(const ZQPaginaDeRegras& d, const ZQContextoPagina& c) {
  const std::string base = "/accounts/" + N(d.conta);
  const std::string filial = Oculto("branch", N(d.filial));
  std::string s = "<p class=\"links\"><a href=\"" + H(base + "?branch=" + N(d.filial)) + "\">Bancada da conta</a></p>";
  s +=
      "<p>" + N(d.regras.regras.size()) + " de " + N(d.regras.total) +
      " regras servem a esta conta, na ordem em que o lançamento as tenta.</p>"
      "<table id=\"regras\"><tr><th class=\"n\">Pos</th><th>Conta</th><th>Código</th><th>Histórico</th><th>Sentido</th>"
      "<th>Agrupa</th><th class=\"n\">Transação</th><th>Forma C/D</th><th>Contábil E/S</th><th class=\"n\">Compl.</th>"
      "<th class=\"n\">Hist.</th><th class=\"n\">Classif.</th><th class=\"n\">Contrapartida</th><th>Chaves de outra regra</th></tr>";
  for (const ZQRegraDaConta& item : d.regras.regras) {
    const _REG_PROP_CONC_TESBAN_PS& r = item.regra;
    std::string perdidas;
    for (const std::string& p : item.chavesPerdidas) perdidas += (perdidas.empty() ? "" : "<br>") + H(p);
    s += "<tr><td class=\"n\">" + N(item.posicao) + "</td><td>" + (r.lPonteiroConta ? N(r.lPonteiroConta) : "todas") +
         "</td><td>" + H(Texto(r.szCodigoMvtoBco)) + "</td><td>" + H(Texto(r.szHistoricoBco)) + "</td><td>" +
         (r.iContabilEntrada ? "E" : "S") + "</td><td>" + (r.cAgrupa == 'A' ? "sim" : "não") + "</td><td class=\"n\">" +
         N(r.iTransacao) + "</td><td>" + N(r.iPosFormaPagamento) + "/" + N(r.iPosFormaPagamentoSaida) + "</td><td>" +
         N(r.iContabilEntrada) + "/" + N(r.iContabilSaida) + "</td><td class=\"n\">" + N(r.iComplHistorico) +
         "</td><td class=\"n\">" + N(r.lHistorico) + "</td><td class=\"n\">" + N(r.lPosClassificacao) +
         "</td><td class=\"n\">" + N(r.lContaContrapartida) + "</td><td>" + perdidas + "</td></tr>";
  }
  if (d.regras.regras.empty()) s += "<tr><td colspan=\"14\">Nenhuma regra serve a esta conta.</td></tr>";
  s += "</table><h2>Explicar uma linha</h2><form method=\"get\" action=\"" + H(base + "/rules") + "\">" + filial +
       "Posição da linha <input name=\"line\" size=\"8\" required value=\"" +
       (d.linha ? N(d.linha->posicao) : std::string()) + "\"> <button id=\"explica\">Explicar</button></form>";
  if (!d.linha) return ZQPagina("Regras da conta " + N(d.conta) + (d.nome.empty() ? "" : " - " + d.nome), s, c);

  const ZQLinhaExplicada& l = *d.linha;
  const std::string linha = Oculto("line", N(l.posicao));
  s += "<p>Linha " + N(l.posicao) + " de " + H(ZQDataTexto(l.linha.GetDmaExtrato())) + ", " +
       H(ZQValorTexto(l.linha.GetNatureza() == ZQ_NATUREZA_DEBITO ? -l.linha.GetValor() : l.linha.GetValor())) +
       (l.linha.GetConciliado() == ZQ_CONCILIADO_SIM ? ", já conciliada" : "") + ":</p>" +
       Lista("explicacao", l.explicacao);

  s += "<h2>Lançar esta linha à mão</h2><p>Gera o lançamento de tesouraria por estes valores, só para esta linha "
       "(nenhuma regra é gravada), e concilia a linha com ele.</p><form id=\"lanca-linha\" method=\"post\" action=\"" +
       H(base + "/post-line") + "\">" + ZQCampoCsrf(c) + filial + linha + CamposRegra(d.lancamento) +
       "<button>Lançar e conciliar</button></form>";

  const ZQPedidoRegraDaLinha& p = d.pedido;
  s += "<h2>Fazer uma regra desta linha</h2><form id=\"regra-da-linha\" method=\"post\" action=\"" +
       H(base + "/rule-from-line") + "\">" + ZQCampoCsrf(c) + filial + linha +
       "<label>Pela chave <select name=\"by\"><option value=\"\">padrão</option><option value=\"code\"" +
       (p.por == "code" ? " selected" : "") + ">código</option><option value=\"history\"" +
       (p.por == "history" ? " selected" : "") +
       ">histórico</option></select></label> "
       "<label>Começo do histórico <input name=\"history_prefix\" maxlength=\"61\" value=\"" +
       H(p.prefixo) + "\"></label> <label><input type=\"checkbox\" name=\"all_accounts\" value=\"1\"" +
       (p.todasContas ? " checked" : "") + "> de todas as contas</label><br>" + CamposRegra(p.regra) +
       "<button>Ver o que a regra acharia</button></form>";
  if (d.proposta) {
    const ZQRegraDaLinha& r = *d.proposta;
    s += "<section id=\"proposta\"><h2>Regra " + N(static_cast<uint64_t>(r.indice)) + " proposta</h2><p>" +
         (r.porCodigo ? "Código \"" + H(r.codigo) + "\"" : "Histórico \"" + H(r.historico) + "\"") + ", " +
         (r.conta == 0 ? std::string("todas as contas") : "conta " + N(static_cast<uint64_t>(r.conta))) +
         ". Com ela no fim da lista:</p>" + Lista("explicacao-proposta", r.explicacao);
    if (r.achada) {
      s += "<form id=\"grava-regra\" method=\"post\" action=\"" + H(base + "/rule-from-line") + "\">" + ZQCampoCsrf(c) +
           filial + linha + Oculto("by", p.por) + Oculto("history_prefix", p.prefixo) +
           Oculto("all_accounts", p.todasContas ? "1" : "") + Oculto("transaction", N(p.regra.transacao)) +
           Oculto("counter_account", N(p.regra.contrapartida)) + Oculto("accounting", N(p.regra.contabil)) +
           Oculto("payment_form", N(p.regra.forma)) + Oculto("classification", N(p.regra.classificacao)) +
           Oculto("history", N(p.regra.historicoPadrao)) + Oculto("save", "1") +
           "<button>Gravar a regra</button> Nada foi gravado ainda.</form>";
    } else {
      s += "<p class=\"aviso erro\">A linha não acharia a nova regra no lançamento (veja qual ela acha): a regra não "
           "pode ser gravada assim.</p>";
    }
    s += "</section>";
  }
  return ZQPagina("Regras da conta " + N(d.conta) + (d.nome.empty() ? "" : " - " + d.nome), s, c);
}

std::string ZQRegrasJson(const ZQPaginaDeRegras& d) {
  std::string s = "{\"account\":" + N(d.conta) + ",\"total\":" + N(d.regras.total) + ",\"rules\":[";
  for (std::size_t i = 0; i < d.regras.regras.size(); ++i) s += (i ? "," : "") + RegraJson(d.regras.regras[i]);
  s += "]";
  if (d.linha) s += ",\"line\":" + N(d.linha->posicao) + ",\"explanation\":" + TextosJson(d.linha->explicacao);
  return s + "}";
}

std::string ZQRegraDaLinhaJson(const ZQRegraDaLinha& r) {
  return "{\"rule\":" + std::to_string(r.indice) + ",\"saved\":" + (r.gravada ? "true" : "false") +
         ",\"found\":" + (r.achada ? "true" : "false") + ",\"account\":" + std::to_string(r.conta) +
         ",\"code\":" + ZQJson(r.codigo) + ",\"history\":" + ZQJson(r.historico) +
         ",\"counter_account\":" + std::to_string(r.regra.contrapartida) +
         ",\"transaction\":" + std::to_string(r.regra.transacao) + ",\"explanation\":" + TextosJson(r.explicacao) + "}";
}

std::string ZQLinhaLancadaJson(uint32_t conta, uint32_t linha, const ZQLinhaLancada& l) {
  const tagREG_TESOURARIAPS& e = l.entrada;
  return "{\"account\":" + N(conta) + ",\"line\":" + N(linha) + ",\"number\":" + N(l.numero) +
         ",\"entry\":{\"position\":" + N(e.lPosicaoReg) + ",\"date\":" + ZQJson(ZQDataTexto(e.dmaLancamento)) +
         ",\"amount\":" + ZQValorJson(e.cyValor) + ",\"incoming_account\":" + N(e.lPonteiroContaEnt) +
         ",\"outgoing_account\":" + N(e.lPonteiroContaSai) + ",\"document\":" + ZQJson(Texto(e.szDocumento)) + "}}";
}
