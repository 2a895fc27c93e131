#include "cli/zq_cli_bancada.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "cli/zq_cli.h"
#include "console/zq_console_texto.h"
#include "frame/zq_currency.h"
#include "frame/zq_data_texto.h"
#include "reconciliation/cl_bancada.h"
#include "store/zq_acesso_sql.h"

namespace {

std::string ItemJson(const CLItemAberto& i) {
  return "{\"position\":" + std::to_string(i.posicao) + ",\"date\":" + ZQJson(ZQDataTexto(i.data)) +
         ",\"amount\":" + ZQCliValorJson(i.valor) + ",\"document\":" + ZQJson(i.documento) +
         ",\"code\":" + ZQJson(i.codigo) + ",\"history\":" + ZQJson(i.historico) + "}";
}

std::string ListaJson(const std::vector<uint32_t>& posicoes) {
  std::string s = "[";
  for (std::size_t i = 0; i < posicoes.size(); ++i) s += (i ? "," : "") + std::to_string(posicoes[i]);
  return s + "]";
}

void MostraAbertos(const CLAbertos& a, bool json, std::ostream& saida) {
  if (json) {
    saida << "{\"account\":" << a.conta << ",\"lines\":[";
    for (std::size_t i = 0; i < a.linhas.size(); ++i) saida << (i ? "," : "") << ItemJson(a.linhas[i]);
    saida << "],\"entries\":[";
    for (std::size_t i = 0; i < a.entradas.size(); ++i) saida << (i ? "," : "") << ItemJson(a.entradas[i]);
    saida << "],\"lines_total\":" << ZQCliValorJson(a.totalLinhas)
          << ",\"entries_total\":" << ZQCliValorJson(a.totalEntradas)
          << ",\"difference\":" << ZQCliValorJson(a.totalLinhas - a.totalEntradas) << "}\n";
    return;
  }
  const auto lado = [](const CLItemAberto* i) -> std::string {
    if (!i) return ZQCliAjusta("", 48);
    return ZQCliAjusta(std::to_string(i->posicao), 8, true) + "  " + ZQDataTexto(i->data) + "  " +
           ZQCliAjusta(ZQCliValor(i->valor), 14, true) + "  " + ZQCliAjusta(i->documento.substr(0, 8), 8);
  };
  saida << "Conta " << a.conta
        << ": linhas de extrato em aberto | lançamentos de tesouraria em "
           "aberto\n";
  saida << ZQCliAjusta("linha", 8, true) << "  " << ZQCliAjusta("data", 10) << "  " << ZQCliAjusta("valor", 14, true)
        << "  " << ZQCliAjusta("doc.", 8) << " | " << ZQCliAjusta("lanç.", 8, true) << "  " << ZQCliAjusta("data", 10)
        << "  " << ZQCliAjusta("valor", 14, true) << "  doc.\n";
  const std::size_t n = std::max(a.linhas.size(), a.entradas.size());
  for (std::size_t i = 0; i < n; ++i) {
    saida << lado(i < a.linhas.size() ? &a.linhas[i] : nullptr) << " | "
          << lado(i < a.entradas.size() ? &a.entradas[i] : nullptr);
    if (i < a.linhas.size() && !a.linhas[i].historico.empty()) saida << "  " << a.linhas[i].historico;
    saida << "\n";
  }
  saida << a.linhas.size() << (a.linhas.size() == 1 ? " linha" : " linhas") << ", total " << ZQCliValor(a.totalLinhas)
        << "; " << a.entradas.size() << (a.entradas.size() == 1 ? " lançamento" : " lançamentos") << ", total "
        << ZQCliValor(a.totalEntradas) << "; diferença " << ZQCliValor(a.totalLinhas - a.totalEntradas) << "\n";
}

void MostraSugestoes(const CLAbertos& a, const std::vector<CLSugestao>& sugestoes, bool json, std::ostream& saida) {
  if (json) {
    saida << "{\"account\":" << a.conta << ",\"suggestions\":[";
    for (std::size_t i = 0; i < sugestoes.size(); ++i) {
      const CLSugestao& s = sugestoes[i];
      saida << (i ? "," : "") << "{\"score\":" << s.pontos << ",\"lines\":" << ListaJson(s.linhas)
            << ",\"entries\":" << ListaJson(s.entradas) << ",\"reasons\":[";
      for (std::size_t r = 0; r < s.razoes.size(); ++r) saida << (r ? "," : "") << ZQJson(s.razoes[r]);
      saida << "]}";
    }
    saida << "]}\n";
    return;
  }
  std::map<uint32_t, tagCY> valorLinha;
  for (const CLItemAberto& l : a.linhas) valorLinha[l.posicao] = l.valor;
  const auto posicoes = [](const std::vector<uint32_t>& lista) {
    std::string s;
    for (uint32_t p : lista) s += (s.empty() ? "" : ",") + std::to_string(p);
    return s;
  };
  saida << "Conta " << a.conta << ": " << sugestoes.size() << (sugestoes.size() == 1 ? " sugestão" : " sugestões")
        << "\n";
  for (const CLSugestao& s : sugestoes) {
    tagCY total = 0;
    for (uint32_t p : s.linhas) total += valorLinha[p];
    std::string razoes;
    for (const std::string& r : s.razoes) razoes += (razoes.empty() ? "" : ", ") + r;
    saida << ZQCliAjusta(std::to_string(s.pontos), 4, true) << "  linhas " << posicoes(s.linhas) << "  lançamentos "
          << posicoes(s.entradas) << "  " << ZQCliValor(total) << "  (" << razoes << ")\n";
  }
}

}  // namespace

void ZQComandosBancada::Registra(CLI::App& app) {
  m_abertos = Adiciona(app, "open", "Mostra lado a lado as linhas de extrato e os lançamentos em aberto de uma conta");
  m_sugere = Adiciona(app, "suggest", "Sugere quais linhas e lançamentos em aberto de uma conta se conciliam");
  for (CLI::App* c : {m_abertos, m_sugere}) {
    c->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas)")->required();
    c->add_option("--from", m_de, "Data inicial, DD/MM/AAAA")->required();
    c->add_option("--to", m_ate, "Data final, DD/MM/AAAA")->required();
    c->add_option("--branch", m_filial, "Somente a filial dada");
    c->add_flag("--json", m_json, "Saída em JSON, para scripts");
  }
  m_concilia = Adiciona(app, "match", "Concilia à mão linhas de extrato com lançamentos de uma conta");
  m_concilia->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas)")->required();
  m_concilia->add_option("--lines", m_linhas, "Posições das linhas de extrato, separadas por vírgula")
      ->required()
      ->delimiter(',');
  m_concilia->add_option("--entries", m_entradas, "Posições dos lançamentos de tesouraria, separadas por vírgula")
      ->required()
      ->delimiter(',');
  m_concilia->add_option("--user", m_usuario, "Código do usuário que concilia (vai para o log)");
  m_concilia->add_option("--session", m_sessao, "Sessão do usuário (vai para o log)");
  m_concilia->add_flag("--json", m_json, "Saída em JSON, para scripts");
  m_desfaz = Adiciona(app, "unmatch", "Desfaz uma conciliação da conta pelo número, automática ou manual");
  m_desfaz->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas)")->required();
  m_desfaz->add_option("--number", m_numero, "Número da conciliação")->required();
  m_desfaz->add_option("--reason", m_motivo, "Por que se desfaz (vai para o registro)")->required();
  m_desfaz->add_option("--user", m_usuario, "Código do usuário que desfaz (vai para o registro)");
  m_desfaz->add_option("--session", m_sessao, "Sessão do usuário (vai para o registro)");
  m_desfaz->add_flag("--json", m_json, "Saída em JSON, para scripts");
}

int ZQComandosBancada::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  REG_ZQDMA de = 0, ate = 0;
  const bool concilia = m_concilia->parsed() || m_desfaz->parsed();
  if (std::ostringstream motivo; !concilia && !ZQCliLePeriodo(m_de, m_ate, de, ate, motivo)) {
    erros << "cl: " << motivo.str() << "\n";
    return ZQ_CL_SAIDA_ARGUMENTOS;
  }
  ZQCliArmazem armazem;
  if (!armazem.Abre(conexao, false, erros)) return ZQ_CL_SAIDA_FALHA;
  const std::shared_ptr<CZQBancoSQL>& banco = armazem.Banco();
  CZQAcessoServidoresSQL hub(banco);

  if (m_desfaz->parsed()) {
    CZQAcessoConciliacao& acesso = *hub.GetAcessoConciliacao();
    if (m_motivo.empty()) {
      erros << "cl: diga em --reason por que a conciliação é desfeita\n";
      return ZQ_CL_SAIDA_ARGUMENTOS;
    }
    if (FAILED(acesso.DesfazConciliacao(m_conta, m_numero, m_usuario, m_sessao, CZQString(m_motivo)))) {
      erros << "cl: " << acesso.GetErro()->GetTextoMostraMensagem().c_str() << "\n";
      return ZQ_CL_SAIDA_FALHA;
    }
    if (m_json)
      saida << "{\"account\":" << m_conta << ",\"number\":" << m_numero << ",\"undone\":true}\n";
    else
      saida << "Conta " << m_conta << ": conciliação número " << m_numero << " desfeita\n";
    return 0;
  }
  if (concilia) {
    uint32_t numero = 0;
    CZQVector<uint32_t> linhas, entradas;
    for (uint32_t p : m_linhas) linhas.Add(p);
    for (uint32_t p : m_entradas) entradas.Add(p);
    CZQAcessoConciliacao& acesso = *hub.GetAcessoConciliacao();
    if (FAILED(acesso.ConciliaManual(m_conta, linhas, entradas, m_usuario, m_sessao, numero))) {
      erros << "cl: " << acesso.GetErro()->GetTextoMostraMensagem().c_str() << "\n";
      return ZQ_CL_SAIDA_FALHA;
    }
    if (m_json)
      saida << "{\"account\":" << m_conta << ",\"number\":" << numero << "}\n";
    else
      saida << "Conta " << m_conta << ": conciliação número " << numero << "\n";
    return 0;
  }
  CLAbertos abertos;
  CZQDadosDF_Erro erro;
  if (FAILED(CLLeAbertos(*hub.GetAcessoConciliacao(), m_conta, m_filial, de, ate, abertos, erro))) {
    erros << "cl: " << erro.GetTextoMostraMensagem().c_str() << "\n";
    return ZQ_CL_SAIDA_FALHA;
  }
  if (m_abertos->parsed())
    MostraAbertos(abertos, m_json, saida);
  else
    MostraSugestoes(abertos, CLSugere(abertos, CLLeParametrosSugestao()), m_json, saida);
  return 0;
}
