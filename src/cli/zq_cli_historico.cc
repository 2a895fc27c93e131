#include "cli/zq_cli_historico.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "cli/zq_cli.h"
#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"

namespace {

const char* NomeTipo(long long tipo) {
  switch (tipo) {
    case 1:
      return "automática";
    case 2:
      return "lançamento automático";
    case 3:
      return "manual";
    default:
      return "?";
  }
}

// "DD/MM/AAAA HH:MM:SS" of the product's clock; logs older than the time column have none.
std::string Quando(long long momento) {
  if (momento == 0) return "-";
  const auto stamp = static_cast<REG_ZQDMAHMSUTC>(momento);
  int h = 0, m = 0, s = 0;
  zq::DesmontaHms(zq::HmsDeDmaHms(stamp), h, m, s);
  char hora[16];
  std::snprintf(hora, sizeof hora, " %02d:%02d:%02d", h, m, s);
  return ZQDataTexto(zq::DmaDeDmaHms(stamp)) + hora;
}

struct Desfeita {
  long long quando = 0, usuario = 0, sessao = 0;
  std::string motivo;
};

struct Conciliacao {
  long long numero = 0, tipo = 0, usuario = 0, sessao = 0, quando = 0, linhas = 0, entradas = 0;
  std::vector<Desfeita> desfeitas;
};

}  // namespace

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
  soci::session& sql = banco->Sessao();
  long long conta = m_conta;
  // One entry per number: its first log says who made it; the keys of all its logs count
  // its items (a posting run may log one number in several steps).
  std::map<long long, Conciliacao> porNumero;
  {
    Conciliacao c;
    long long id = 0;
    soci::statement logs = (sql.prepare << "SELECT id, numero_conciliacao, tipo_conciliacao, usuario, sessao, quando"
                                           " FROM log_conciliacao WHERE banco = :b ORDER BY numero_conciliacao, id",
                            soci::use(conta), soci::into(id), soci::into(c.numero), soci::into(c.tipo),
                            soci::into(c.usuario), soci::into(c.sessao), soci::into(c.quando));
    logs.execute();
    while (logs.fetch()) porNumero.try_emplace(c.numero, c);
    long long numero = 0, linhas = 0, entradas = 0;
    soci::statement itens =
        (sql.prepare << "SELECT l.numero_conciliacao, SUM(CASE WHEN k.lado = 'E' THEN 1 ELSE 0 END),"
                        " SUM(CASE WHEN k.lado = 'T' THEN 1 ELSE 0 END) FROM log_conciliacao l"
                        " JOIN log_conciliacao_chave k ON k.log = l.id WHERE l.banco = :b GROUP BY l.numero_conciliacao",
         soci::use(conta), soci::into(numero), soci::into(linhas), soci::into(entradas));
    itens.execute();
    while (itens.fetch()) {
      if (auto it = porNumero.find(numero); it != porNumero.end()) {
        it->second.linhas = linhas;
        it->second.entradas = entradas;
      }
    }
    long long n = 0;
    Desfeita d;
    soci::statement desfeitas = (sql.prepare << "SELECT numero_conciliacao, quando, usuario, sessao, motivo FROM"
                                                " conciliacao_desfeita WHERE banco = :b ORDER BY id",
                                 soci::use(conta), soci::into(n), soci::into(d.quando), soci::into(d.usuario),
                                 soci::into(d.sessao), soci::into(d.motivo));
    desfeitas.execute();
    while (desfeitas.fetch()) porNumero[n].desfeitas.push_back(d);
  }

  if (m_json) {
    nlohmann::json lista = nlohmann::json::array();
    for (const auto& [numero, c] : porNumero) {
      nlohmann::json undos = nlohmann::json::array();
      for (const Desfeita& d : c.desfeitas) {
        undos.push_back({{"when", Quando(d.quando)}, {"user", d.usuario}, {"session", d.sessao}, {"reason", d.motivo}});
      }
      lista.push_back({{"number", numero},
                       {"kind", c.tipo == 0 ? "?" : NomeTipo(c.tipo)},
                       {"user", c.usuario},
                       {"session", c.sessao},
                       {"when", Quando(c.quando)},
                       {"lines", c.linhas},
                       {"entries", c.entradas},
                       {"undone", undos}});
    }
    saida << nlohmann::json{{"account", conta}, {"reconciliations", lista}}.dump() << "\n";
    return 0;
  }
  saida << "Conta " << conta << ": " << porNumero.size() << " conciliações\n";
  for (const auto& [numero, c] : porNumero) {
    saida << "  " << numero << "  " << NomeTipo(c.tipo) << ", usuário " << c.usuario << ", sessão " << c.sessao
          << ", em " << Quando(c.quando) << ": " << c.linhas << " linhas, " << c.entradas << " lançamentos\n";
    for (const Desfeita& d : c.desfeitas) {
      saida << "     desfeita em " << Quando(d.quando) << " pelo usuário " << d.usuario << " (sessão " << d.sessao
            << "): " << d.motivo << "\n";
    }
  }
  return 0;
}
