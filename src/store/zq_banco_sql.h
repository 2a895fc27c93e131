#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "frame/zq_erro.h"
#include "frame/zq_tipos.h"

namespace soci {
class session;
}

// Results of the SQL store. The store's failures carry the Win32 code closest to what
// went wrong, so that the error's description already says it; the error record's own
// text names the operation and the database's message.
inline constexpr HRESULT ZQ_E_SQL_NAO_ENCONTRADO = ZQ_HR(0x80070490);   // record not found
inline constexpr HRESULT ZQ_E_SQL_SOMENTE_LEITURA = ZQ_HR(0x80070005);  // read-only database
inline constexpr HRESULT ZQ_E_SQL_OCUPADO = ZQ_HR(0x800700AA);          // locked by another process
inline constexpr HRESULT ZQ_E_SQL_DISCO_CHEIO = ZQ_HR(0x80070070);
inline constexpr HRESULT ZQ_E_SQL_NAO_ABRE = ZQ_HR(0x8007006E);    // cannot be opened
inline constexpr HRESULT ZQ_E_SQL_CORROMPIDO = ZQ_HR(0x80070570);  // not a database / damaged
inline constexpr HRESULT ZQ_E_SQL_VERSAO = ZQ_HR(0x8007051A);      // schema newer than this program
inline constexpr HRESULT ZQ_E_SQL_INVALIDO = ZQ_HR(0x8007000D);    // data the store refuses
inline constexpr HRESULT ZQ_E_SQL_NAO_DISPONIVEL = E_NOTIMPL;      // operation not offered yet

// Class number the store's error records carry.
inline constexpr unsigned short ZQ_CLASSE_ARMAZEM_SQL = 2190;

// Number of the schema this program writes; opening an older store migrates it.
int ZQVersaoEsquemaSQL();

// A failure inside the store: the HRESULT and the database's own message.
struct ZQFalhaSQL {
  HRESULT hr = E_FAIL;
  std::string mensagem;
};

// Translates the exception a database call threw.
ZQFalhaSQL ZQTraduzExcecaoSQL(const std::exception& e);

// Fills an error record with a failure of the named operation: the HRESULT and the
// text "Falha em <operação>: <mensagem>".
HRESULT ZQPreencheErroSQL(CZQDadosDF_Erro& erro, const char* operacao, const ZQFalhaSQL& falha);

// A bare session on a PostgreSQL server (libpq keywords or URI), with no schema of the
// store: for tools and tests that create or drop whole databases.
std::unique_ptr<soci::session> ZQSessaoPostgres(const std::string& parametros);

// One connection to the store: opens it, brings its schema up to date, and gives the
// access objects a session, transactions and fresh record numbers. One instance is
// shared by every hub of a process; its lock serialises the operations.
class CZQBancoSQL {
 public:
  ~CZQBancoSQL();
  CZQBancoSQL(const CZQBancoSQL&) = delete;
  CZQBancoSQL& operator=(const CZQBancoSQL&) = delete;

  // Opens the store the connection string names ("sqlite:<file>", optionally followed
  // by "?modo=leitura" to open it read-only; "postgresql://..." as a libpq URI, or
  // "postgresql:" followed by libpq's "key=value" list) and migrates it. On failure returns the
  // HRESULT and fills the error record.
  static HRESULT Abre(const std::string& conexao, std::shared_ptr<CZQBancoSQL>& banco, CZQDadosDF_Erro& erro);

  // Connection string of the configuration: key "banco", by default the file cl.db in
  // the installation directory.
  static std::string ConexaoConfigurada();

  soci::session& Sessao() { return *m_sessao; }
  std::recursive_mutex& Trava() { return m_trava; }
  const std::string& GetConexao() const { return m_conexao; }
  const std::string& GetBackend() const { return m_backend; }
  int GetVersaoEsquema() const { return m_versao; }
  bool EmTransacao() const { return m_profundidade > 0; }
  // Transaction boundaries the connection has crossed (begins, commits and rollbacks,
  // of savepoints too): what was read before the last one may have changed since.
  uint64_t GetFronteiras() const { return m_fronteiras; }

  // Next free number of a table's key column. Inside a transaction it is read once and
  // then counted in memory, so a batch of inserts does not search the table each time.
  int64_t ProximoNumero(const std::string& tabela, const std::string& coluna);
  // The first of `quantos` consecutive new numbers, inside a transaction: the next
  // ProximoNumero counts on past them. A batch takes its numbers at once instead of
  // asking once per row.
  int64_t ReservaNumeros(const std::string& tabela, const std::string& coluna, int64_t quantos);
  // The same remembered across transactions, for the inserts that go one per call (the
  // statement lines of an import). Another writer may have taken the number meanwhile:
  // an insert refused for its key forgets it (EsqueceNumeroLembrado) and tries again.
  int64_t ProximoNumeroLembrado(const std::string& tabela, const std::string& coluna);
  void EsqueceNumeroLembrado(const std::string& tabela, const std::string& coluna);

  // PostgreSQL only, inside a transaction: rows sent with COPY (`comando` is its
  // "COPY tabela (colunas) FROM STDIN"), in COPY's text format: columns split by tabs,
  // a row per line, texts escaped by EscapaCopia. `proxima` appends the next rows to the
  // text it is given and returns false when none are left; each part goes to the server
  // as soon as it is written. A failure (of the server, or an exception of `proxima`)
  // ends the copy, which stores nothing, and throws.
  void Copia(const std::string& comando, const std::function<bool(std::string&)>& proxima);
  static void EscapaCopia(std::string& destino, const std::string& texto);

  // Transactions nest: the outermost one begins and commits; inner ones are savepoints,
  // so a failed inner step undoes only itself.
  void Inicia();
  void Confirma();
  void Desfaz();

  // Account locks shared by every connection to the store (CZQAcessoConciliacao::
  // TravaConta). TravaConta waits up to the configured time (key
  // "trava_conta_espera_s") and throws ZQ_E_SQL_OCUPADO when it runs out; it must not be
  // called under the connection's lock by a thread that waits for another of the same
  // connection. LiberaConta is false when this thread did not hold the account.
  void TravaConta(uint32_t conta);
  // The same without waiting: false at once when another connection or thread holds it.
  bool TentaTravaConta(uint32_t conta);
  bool LiberaConta(uint32_t conta);
  void SetEsperaTravaConta(std::chrono::milliseconds espera) { m_esperaTravaConta = espera; }
  std::chrono::milliseconds GetEsperaTravaConta() const { return m_esperaTravaConta; }

 private:
  explicit CZQBancoSQL(std::unique_ptr<soci::session> sessao, std::string conexao, std::string backend);
  static HRESULT AbrePostgres(const std::string& conexao, std::shared_ptr<CZQBancoSQL>& banco, CZQDadosDF_Erro& erro);
  void Migra();
  void EsqueceNumeros() {
    m_numeros.clear();
    m_numerosTravados = false;
  }
  int64_t MaiorNumero(const std::string& tabela, const std::string& coluna);
  // Runs a statement without values, prepared on its first use and kept (the
  // transaction boundaries run once per stored line).
  void ExecutaPreparado(const std::string& comando);

  struct Preparados;
  struct TravaDeConta {
    std::thread::id dono;
    int vezes = 0;
  };
  // One attempt to take the account in the database; false when someone else holds it.
  bool TentaTravarConta(uint32_t conta);
  // One attempt to take it for this thread, taking again what it already holds.
  enum class Tomada { Obtida, OutraThread, OutraConexao };
  Tomada TomaConta(uint32_t conta);
  void SoltaContaNoBanco(uint32_t conta);
  void SoltaContasPendentes();

  std::unique_ptr<soci::session> m_sessao;
  std::string m_conexao;
  std::string m_backend;
  int m_versao = 0;
  int m_profundidade = 0;
  uint64_t m_fronteiras = 1;
  std::map<std::string, int64_t> m_numeros;
  std::map<std::string, int64_t> m_lembrados;
  bool m_numerosTravados = false;  // PostgreSQL: this transaction holds the numbering lock
  bool m_somenteLeitura = false;   // PostgreSQL opened with "?modo=leitura"
  std::unique_ptr<Preparados> m_preparados;
  std::recursive_mutex m_trava;
  std::map<uint32_t, TravaDeConta> m_travasConta;
  // Accounts let go inside a transaction: the row goes when the transaction ends.
  std::vector<uint32_t> m_solturasPendentes;
  std::chrono::milliseconds m_esperaTravaConta{120000};
  // Who this connection is in the lock table (SQLite): machine, process, the process's
  // start time (a pid reused after a crash is not the holder) and the connection.
  std::string m_maquina;
  int64_t m_processo = 0;
  int64_t m_inicioProcesso = 0;
  int64_t m_numeroConexao = 0;
};

// A transaction for one scope: undone unless confirmed.
class CZQTransacaoSQL {
 public:
  explicit CZQTransacaoSQL(CZQBancoSQL& banco) : m_banco(banco) { m_banco.Inicia(); }
  ~CZQTransacaoSQL() {
    if (!m_bEncerrada) {
      try {
        m_banco.Desfaz();
      } catch (...) {
        // The connection is already failing; the caller reports the original error.
      }
    }
  }
  CZQTransacaoSQL(const CZQTransacaoSQL&) = delete;
  CZQTransacaoSQL& operator=(const CZQTransacaoSQL&) = delete;

  void Confirma() {
    m_banco.Confirma();
    m_bEncerrada = true;
  }

 private:
  CZQBancoSQL& m_banco;
  bool m_bEncerrada = false;
};

// Runs one store operation under the connection's lock: clears the error record, runs
// the body, and turns what it throws into a failure of the named operation.
template <typename F>
HRESULT ZQExecutaSQL(CZQBancoSQL& banco, CZQDadosDF_Erro& erro, const char* operacao, F&& corpo) {
  std::lock_guard<std::recursive_mutex> trava(banco.Trava());
  erro.Limpar();
  try {
    return corpo();
  } catch (const std::exception& e) {
    return ZQPreencheErroSQL(erro, operacao, ZQTraduzExcecaoSQL(e));
  }
}

// Thrown by the access objects' bodies for a failure that is not the database's own
// (a missing record, a value out of range); ZQTraduzExcecaoSQL keeps its HRESULT.
class CZQExcecaoSQL : public std::runtime_error {
 public:
  CZQExcecaoSQL(HRESULT hr, const std::string& mensagem) : std::runtime_error(mensagem), m_hr(hr) {}
  HRESULT GetHR() const { return m_hr; }

 private:
  HRESULT m_hr;
};
