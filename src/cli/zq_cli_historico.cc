#include "cli/zq_cli_historico.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <vector>

#include "cli/zq_cli.h"
#include "store/zq_banco_sql.h"
#include "store/zq_historico_sql.h"

void ZQComandoHistorico::Registra(CLI::App& app) {
  m_comando = Adiciona(app, "history", "Mostra as conciliações da conta, automáticas e manuais, e o que foi desfeito");
  m_comando->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas)")->required();
  m_comando->add_flag("--json", m_json, "Saída em JSON, para scripts");
}

int ZQComandoHistorico::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  std::string leitura = conexao;
  if (leitura.rfind("sqlite:", 0) == 0 && leitura.find('?') == std::string::npos) leitura += "?modo=leitura";
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  if (FAILED(CZQBancoSQL::Abre(leitura, banco, erro))) {
    erros << "cl: " << erro.GetTextoMostraMensagem().c_str() << "\n";
    return ZQ_CL_SAIDA_FALHA;
  }
  const long long conta = m_conta;
  std::vector<ZQConciliacaoHistorico> historico;
  try {
    historico = ZQLeHistoricoConciliacoes(*banco, m_conta);
  } catch (const std::exception& e) {
    erros << "cl: " << e.what() << "\n";
    return ZQ_CL_SAIDA_FALHA;
  }

  if (m_json) {
    nlohmann::json lista = nlohmann::json::array();
    for (const ZQConciliacaoHistorico& c : historico) {
      nlohmann::json undos = nlohmann::json::array();
      for (const ZQDesfeitaHistorico& d : c.desfeitas) {
        undos.push_back(
            {{"when", ZQMomentoHistorico(d.quando)}, {"user", d.usuario}, {"session", d.sessao}, {"reason", d.motivo}});
      }
      lista.push_back({{"number", c.numero},
                       {"kind", c.tipo == 0 ? "?" : ZQNomeTipoConciliacao(c.tipo)},
                       {"user", c.usuario},
                       {"session", c.sessao},
                       {"when", ZQMomentoHistorico(c.quando)},
                       {"lines", c.linhas},
                       {"entries", c.entradas},
                       {"undone", undos}});
    }
    saida << nlohmann::json{{"account", conta}, {"reconciliations", lista}}.dump() << "\n";
    return 0;
  }
  saida << "Conta " << conta << ": " << historico.size() << " conciliações\n";
  for (const ZQConciliacaoHistorico& c : historico) {
    saida << "  " << c.numero << "  " << ZQNomeTipoConciliacao(c.tipo) << ", usuário " << c.usuario << ", sessão "
          << c.sessao << ", em " << ZQMomentoHistorico(c.quando) << ": " << c.linhas << " linhas, " << c.entradas
          << " lançamentos\n";
    for (const ZQDesfeitaHistorico& d : c.desfeitas) {
      saida << "     desfeita em " << ZQMomentoHistorico(d.quando) << " pelo usuário " << d.usuario << " (sessão "
            << d.sessao << "): " << d.motivo << "\n";
    }
  }
  return 0;
}
