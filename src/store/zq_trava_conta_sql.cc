// The account locks of the store: one run at a time per account, across threads,
// processes and hosts. PostgreSQL holds them as session advisory locks, which go with
// the connection; SQLite as rows of trava_conta naming machine, process and connection,
// which a later run takes over when their process is gone.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include "store/zq_banco_sql.h"
#include "store/zq_banco_sql_interno.h"
#include "store/zq_soci.h"

namespace {

// Key space of the module's advisory locks on PostgreSQL (the module's number, 10).
constexpr int kClasseTravaConta = 10;

// Whether the process that took a lock on this machine still runs.
bool ProcessoVivo(int64_t pid, int64_t inicio) {
  if (pid <= 0) return false;
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
  const int64_t atual = zq::sql_interno::InicioProcesso(pid);
  return atual == 0 || inicio == 0 || atual == inicio;
}

}  // namespace

int64_t zq::sql_interno::InicioProcesso(int64_t pid) {
  std::ifstream arquivo("/proc/" + std::to_string(pid) + "/stat");
  std::string linha;
  if (!std::getline(arquivo, linha)) return 0;
  // The command name (field 2) is in parentheses and may hold spaces.
  const size_t fecha = linha.rfind(')');
  if (fecha == std::string::npos) return 0;
  std::istringstream campos(linha.substr(fecha + 1));
  std::string campo;
  for (int i = 3; i <= 22 && (campos >> campo); ++i) {
    if (i == 22) {
      try {
        return std::stoll(campo);
      } catch (...) {
        return 0;
      }
    }
  }
  return 0;
}

std::string zq::sql_interno::NomeMaquina() {
  char nome[256] = {};
  if (::gethostname(nome, sizeof nome - 1) != 0) return "?";
  return nome;
}

CZQBancoSQL::Tomada CZQBancoSQL::TomaConta(uint32_t conta) {
  std::lock_guard<std::recursive_mutex> trava(m_trava);
  auto it = m_travasConta.find(conta);
  if (it != m_travasConta.end()) {
    if (it->second.dono != std::this_thread::get_id()) return Tomada::OutraThread;
    ++it->second.vezes;
    return Tomada::Obtida;
  }
  if (!TentaTravarConta(conta)) return Tomada::OutraConexao;
  m_travasConta[conta] = TravaDeConta{std::this_thread::get_id(), 1};
  return Tomada::Obtida;
}

void CZQBancoSQL::TravaConta(uint32_t conta) {
  const auto limite = std::chrono::steady_clock::now() + m_esperaTravaConta;
  auto intervalo = std::chrono::milliseconds(5);
  for (;;) {
    // Another thread of this connection holding it is waited for as another process.
    if (TomaConta(conta) == Tomada::Obtida) return;
    const auto agora = std::chrono::steady_clock::now();
    if (agora >= limite) {
      throw CZQExcecaoSQL(
          ZQ_E_SQL_OCUPADO,
          "a conta " + std::to_string(conta) + " está em uso por outra execução há mais de " +
              std::to_string(std::chrono::duration_cast<std::chrono::seconds>(m_esperaTravaConta).count()) + " s");
    }
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(intervalo, limite - agora));
    intervalo = std::min(intervalo * 2, std::chrono::milliseconds(200));
  }
}

bool CZQBancoSQL::TentaTravaConta(uint32_t conta) { return TomaConta(conta) == Tomada::Obtida; }

bool CZQBancoSQL::LiberaConta(uint32_t conta) {
  std::lock_guard<std::recursive_mutex> trava(m_trava);
  auto it = m_travasConta.find(conta);
  if (it == m_travasConta.end() || it->second.dono != std::this_thread::get_id()) return false;
  if (--it->second.vezes > 0) return true;
  m_travasConta.erase(it);
  if (m_backend == "postgresql") {
    int solta = 0;
    const int chave = static_cast<int>(conta);
    Sessao() << "SELECT CASE WHEN pg_advisory_unlock(:c, :k) THEN 1 ELSE 0 END", soci::use(kClasseTravaConta),
        soci::use(chave), soci::into(solta);
  } else if (m_profundidade > 0) {
    // Deleted inside the open transaction, the row would come back if it were undone.
    m_solturasPendentes.push_back(conta);
  } else {
    SoltaContaNoBanco(conta);
  }
  return true;
}

bool CZQBancoSQL::TentaTravarConta(uint32_t conta) {
  if (m_backend == "postgresql") {
    // Session-level: held across transactions, dropped when the connection goes.
    int obtida = 0;
    const int chave = static_cast<int>(conta);
    Sessao() << "SELECT CASE WHEN pg_try_advisory_lock(:c, :k) THEN 1 ELSE 0 END", soci::use(kClasseTravaConta),
        soci::use(chave), soci::into(obtida);
    return obtida == 1;
  }
  if (m_profundidade > 0) {
    // The row must outlive whatever the open transaction becomes.
    throw CZQExcecaoSQL(E_UNEXPECTED,
                        "a conta " + std::to_string(conta) + " não pode ser travada dentro de uma transação do banco");
  }
  const long long numeroConta = conta;
  try {
    CZQTransacaoSQL transacao(*this);
    std::string maquina;
    long long processo = 0, inicio = 0, conexao = 0;
    Sessao() << "SELECT maquina, processo, inicio_processo, conexao FROM trava_conta WHERE conta = :c",
        soci::use(numeroConta), soci::into(maquina), soci::into(processo), soci::into(inicio), soci::into(conexao);
    if (Sessao().got_data()) {
      const bool minha = maquina == m_maquina && processo == m_processo && conexao == m_numeroConexao;
      // A holder on this machine whose process is gone left its row behind: take it over.
      const bool abandonada = maquina == m_maquina && !ProcessoVivo(processo, inicio);
      if (!minha && !abandonada) return false;
      Sessao() << "DELETE FROM trava_conta WHERE conta = :c", soci::use(numeroConta);
    }
    const std::string desde = zq::sql_interno::AgoraTexto();
    const long long meuProcesso = m_processo, meuInicio = m_inicioProcesso, minhaConexao = m_numeroConexao;
    Sessao() << "INSERT INTO trava_conta (conta, maquina, processo, inicio_processo, conexao, desde)"
                " VALUES (:c, :m, :p, :i, :x, :d)",
        soci::use(numeroConta), soci::use(m_maquina), soci::use(meuProcesso), soci::use(meuInicio),
        soci::use(minhaConexao), soci::use(desde);
    transacao.Confirma();
    return true;
  } catch (const soci::sqlite3_soci_error& e) {
    // Another writer kept the database past the busy wait: try again later.
    if (ZQTraduzExcecaoSQL(e).hr == ZQ_E_SQL_OCUPADO) return false;
    throw;
  }
}

void CZQBancoSQL::SoltaContaNoBanco(uint32_t conta) {
  const long long numeroConta = conta, processo = m_processo, conexao = m_numeroConexao;
  Sessao() << "DELETE FROM trava_conta WHERE conta = :c AND maquina = :m AND processo = :p AND conexao = :x",
      soci::use(numeroConta), soci::use(m_maquina), soci::use(processo), soci::use(conexao);
}

void CZQBancoSQL::SoltaContasPendentes() {
  if (m_solturasPendentes.empty() || m_profundidade > 0 || m_backend != "sqlite3") return;
  std::vector<uint32_t> contas;
  contas.swap(m_solturasPendentes);
  for (uint32_t conta : contas) {
    try {
      SoltaContaNoBanco(conta);
    } catch (...) {
      // Left for a later take-over: another connection sees the row as this one's, and
      // this process dying (or taking the account again) frees it.
    }
  }
}
