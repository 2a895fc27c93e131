#include "store/zq_banco_sql.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <new>

#include <unistd.h>

#include "frame/zq_config.h"
#include "store/zq_banco_sql_interno.h"
#include "store/zq_esquema_sql.h"
#include "store/zq_soci.h"

// Only here: the PostgreSQL backend (and libpq's headers) stay out of the store's own headers.
#include <soci/postgresql/soci-postgresql.h>

namespace {

// Primary result codes of SQLite (the extended ones carry them in the low byte).
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteNoMem = 7;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteConstraint = 19;
constexpr int kSqliteNotADb = 26;

HRESULT HResultSqlite(int codigo) {
  switch (codigo & 0xFF) {
    case kSqliteBusy:
    case kSqliteLocked:
      return ZQ_E_SQL_OCUPADO;
    case kSqliteNoMem:
      return E_OUTOFMEMORY;
    case kSqliteReadOnly:
      return ZQ_E_SQL_SOMENTE_LEITURA;
    case kSqliteCorrupt:
    case kSqliteNotADb:
      return ZQ_E_SQL_CORROMPIDO;
    case kSqliteFull:
      return ZQ_E_SQL_DISCO_CHEIO;
    case kSqliteCantOpen:
      return ZQ_E_SQL_NAO_ABRE;
    case kSqliteConstraint:
      return ZQ_E_SQL_INVALIDO;
    default:
      return E_FAIL;
  }
}

// SQLSTATE classes and codes of PostgreSQL mapped to the store's results.
HRESULT HResultPostgres(const std::string& estado) {
  if (estado.size() != 5) return E_FAIL;
  const std::string classe = estado.substr(0, 2);
  if (estado == "40001" || estado == "40P01" || estado == "55P03" || estado == "57014") return ZQ_E_SQL_OCUPADO;
  if (estado == "25006" || estado == "42501") return ZQ_E_SQL_SOMENTE_LEITURA;
  if (estado == "53100") return ZQ_E_SQL_DISCO_CHEIO;
  if (estado == "53200") return E_OUTOFMEMORY;
  if (estado == "XX001" || estado == "XX002") return ZQ_E_SQL_CORROMPIDO;
  if (classe == "23" || classe == "22") return ZQ_E_SQL_INVALIDO;
  if (classe == "08" || estado == "57P01" || estado == "57P02" || estado == "57P03" || estado == "3D000" ||
      estado == "28000" || estado == "28P01") {
    return ZQ_E_SQL_NAO_ABRE;
  }
  return E_FAIL;
}

}  // namespace

std::string zq::sql_interno::AgoraTexto() {
  std::time_t agora = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  localtime_r(&agora, &tm);
  char texto[32];
  std::strftime(texto, sizeof texto, "%Y-%m-%d %H:%M:%S", &tm);
  return texto;
}

namespace {

// Where a file path in a connection string may be quoted for SOCI's option parser.
std::string AspasSoci(const std::string& caminho) {
  std::string r = "\"";
  for (char c : caminho) {
    if (c == '"') r += '\\';
    r += c;
  }
  return r + "\"";
}

std::atomic<int64_t> g_conexoes{0};

}  // namespace

ZQFalhaSQL ZQTraduzExcecaoSQL(const std::exception& e) {
  ZQFalhaSQL falha;
  if (auto* propria = dynamic_cast<const CZQExcecaoSQL*>(&e)) {
    falha.hr = propria->GetHR();
    falha.mensagem = propria->what();
  } else if (auto* sqlite = dynamic_cast<const soci::sqlite3_soci_error*>(&e)) {
    falha.hr = HResultSqlite(sqlite->result());
    falha.mensagem = sqlite->get_error_message();
  } else if (auto* pg = dynamic_cast<const soci::postgresql_soci_error*>(&e)) {
    falha.hr = HResultPostgres(pg->sqlstate());
    falha.mensagem = pg->get_error_message();
    if (falha.hr == E_FAIL && pg->get_error_category() == soci::soci_error::connection_error) {
      falha.hr = ZQ_E_SQL_NAO_ABRE;
    }
  } else if (auto* soci = dynamic_cast<const soci::soci_error*>(&e)) {
    // A PostgreSQL connection that could not be made comes without a SQLSTATE (and, in
    // SOCI 4.0, without a category): its text says so.
    falha.mensagem = soci->get_error_message();
    const bool semConexao = soci->get_error_category() == soci::soci_error::connection_error ||
                            falha.mensagem.rfind("Cannot establish connection", 0) == 0;
    falha.hr = semConexao ? ZQ_E_SQL_NAO_ABRE : E_FAIL;
  } else if (dynamic_cast<const std::bad_alloc*>(&e)) {
    falha.hr = E_OUTOFMEMORY;
    falha.mensagem = "memória insuficiente";
  } else {
    falha.hr = E_FAIL;
    falha.mensagem = e.what();
  }
  while (!falha.mensagem.empty() && (falha.mensagem.back() == '\n' || falha.mensagem.back() == ' ')) {
    falha.mensagem.pop_back();
  }
  return falha;
}

HRESULT ZQPreencheErroSQL(CZQDadosDF_Erro& erro, const char* operacao, const ZQFalhaSQL& falha) {
  erro.SetErro(falha.hr, ZQ_CLASSE_ARMAZEM_SQL, 0);
  CZQString texto;
  texto.Format("Falha em %s: %s", operacao ? operacao : "", falha.mensagem.c_str());
  erro.SetTexto(texto);
  return falha.hr;
}

int ZQVersaoEsquemaSQL() { return ZQMigracoesSQL().empty() ? 0 : ZQMigracoesSQL().back().versao; }

// Statements without values prepared once per connection: the transaction boundaries.
// (Only statements that run to completion in one step: a SELECT kept prepared would
// hold its read open.)
struct CZQBancoSQL::Preparados {
  std::map<std::string, std::unique_ptr<soci::statement>> comandos;
};

CZQBancoSQL::CZQBancoSQL(std::unique_ptr<soci::session> sessao, std::string conexao, std::string backend)
    : m_sessao(std::move(sessao)),
      m_conexao(std::move(conexao)),
      m_backend(std::move(backend)),
      m_preparados(std::make_unique<Preparados>()),
      m_maquina(zq::sql_interno::NomeMaquina()),
      m_processo(static_cast<int64_t>(::getpid())),
      m_inicioProcesso(zq::sql_interno::InicioProcesso(static_cast<int64_t>(::getpid()))),
      m_numeroConexao(++g_conexoes) {
  const long espera = CZQConfiguracao::Global().GetInteiro("trava_conta_espera_s", 120);
  m_esperaTravaConta = std::chrono::seconds(espera < 0 ? 0 : espera);
}

void CZQBancoSQL::ExecutaPreparado(const std::string& comando) {
  std::unique_ptr<soci::statement>& st = m_preparados->comandos[comando];
  if (!st) st = std::make_unique<soci::statement>(Sessao().prepare << comando);
  st->execute(true);
}

CZQBancoSQL::~CZQBancoSQL() {
  if (m_profundidade > 0) {
    try {
      if (m_backend == "sqlite3") {
        ExecutaPreparado("ROLLBACK");
      } else {
        m_sessao->rollback();
      }
    } catch (...) {
      // Closing anyway; the database undoes an open transaction itself.
    }
    m_profundidade = 0;
  }
  // Accounts still held go with the connection (PostgreSQL drops a session's advisory
  // locks itself; the lock table's rows are this connection's to delete).
  for (const auto& [conta, trava] : m_travasConta) m_solturasPendentes.push_back(conta);
  m_travasConta.clear();
  SoltaContasPendentes();
  m_preparados.reset();  // before the session they belong to
}

std::string CZQBancoSQL::ConexaoConfigurada() {
  CZQConfiguracao& config = CZQConfiguracao::Global();
  std::string conexao = config.Get("banco");
  if (!conexao.empty()) return conexao;
  return "sqlite:" + config.DiretorioInstalacao() + "/cl.db";
}

HRESULT CZQBancoSQL::Abre(const std::string& conexao, std::shared_ptr<CZQBancoSQL>& banco, CZQDadosDF_Erro& erro) {
  banco.reset();
  erro.Limpar();
  std::string caminho;
  bool somenteLeitura = false;
  if (conexao.rfind("sqlite:", 0) == 0) {
    caminho = conexao.substr(7);
  } else if (conexao.rfind("sqlite3:", 0) == 0) {
    caminho = conexao.substr(8);
  } else if (conexao.rfind("postgresql:", 0) == 0 || conexao.rfind("postgres:", 0) == 0) {
    return AbrePostgres(conexao, banco, erro);
  } else {
    return ZQPreencheErroSQL(erro, "AbreBanco",
                             {E_INVALIDARG, "cadeia de conexão não reconhecida: \"" + conexao + "\""});
  }
  if (size_t q = caminho.find("?modo="); q != std::string::npos) {
    std::string modo = caminho.substr(q + 6);
    caminho.resize(q);
    if (modo == "leitura") {
      somenteLeitura = true;
    } else if (modo != "escrita") {
      return ZQPreencheErroSQL(erro, "AbreBanco", {E_INVALIDARG, "modo de abertura desconhecido: \"" + modo + "\""});
    }
  }
  if (caminho.empty()) {
    return ZQPreencheErroSQL(erro, "AbreBanco", {E_INVALIDARG, "a conexão não diz qual arquivo abrir"});
  }

  std::error_code ec;
  std::filesystem::path pasta = std::filesystem::path(caminho).parent_path();
  if (!somenteLeitura && !pasta.empty()) std::filesystem::create_directories(pasta, ec);
  if (somenteLeitura && !std::filesystem::exists(caminho, ec)) {
    return ZQPreencheErroSQL(erro, "AbreBanco", {ZQ_E_SQL_NAO_ABRE, "o arquivo " + caminho + " não existe"});
  }

  try {
    std::string parametros = "db=" + AspasSoci(caminho) + " timeout=10";
    if (somenteLeitura) parametros += " readonly=1";
    auto sessao = std::make_unique<soci::session>(*soci::factory_sqlite3(), parametros);
    std::shared_ptr<CZQBancoSQL> novo(new CZQBancoSQL(std::move(sessao), conexao, "sqlite3"));
    if (!somenteLeitura) {
      // Write-ahead log: readers never wait for the writer, and a commit needs no sync
      // of the main file, which is what makes per-line stores of an import cheap.
      std::string modo;
      novo->Sessao() << "PRAGMA journal_mode=WAL", soci::into(modo);
      novo->Sessao() << "PRAGMA synchronous=NORMAL";
      // A checkpoint syncs the disk; with one commit per stored line (as an import
      // stores them) the default of 1,000 pages checkpoints every few hundred lines.
      novo->Sessao() << "PRAGMA wal_autocheckpoint=20000";
      // A posting run reads the period's treasury entries again after every 255 lines;
      // 32 MB of pages (the default is 2 MB) keeps a month of them off the disk.
      novo->Sessao() << "PRAGMA cache_size=-32768";
    }
    novo->Migra();
    if (!somenteLeitura) {
      // Who holds each account for a run (TravaConta): machine, process and its start
      // time, connection. Outside the numbered migrations: it keeps none of the
      // company's data, only who is running now.
      novo->Sessao() << "CREATE TABLE IF NOT EXISTS trava_conta ("
                        " conta BIGINT NOT NULL PRIMARY KEY, maquina TEXT NOT NULL, processo BIGINT NOT NULL,"
                        " inicio_processo BIGINT NOT NULL, conexao BIGINT NOT NULL, desde TEXT NOT NULL)";
    }
    banco = std::move(novo);
    return S_OK;
  } catch (const std::exception& e) {
    ZQFalhaSQL falha = ZQTraduzExcecaoSQL(e);
    falha.mensagem = caminho + ": " + falha.mensagem;
    return ZQPreencheErroSQL(erro, "AbreBanco", falha);
  }
}

std::unique_ptr<soci::session> ZQSessaoPostgres(const std::string& parametros) {
  return std::make_unique<soci::session>(*soci::factory_postgresql(), parametros);
}

HRESULT CZQBancoSQL::AbrePostgres(const std::string& conexao, std::shared_ptr<CZQBancoSQL>& banco,
                                  CZQDadosDF_Erro& erro) {
  // "postgresql://..." is a libpq URI as it is; "postgresql:" followed by anything else
  // is a libpq keyword list ("host=... dbname=...").
  std::string parametros = conexao;
  if (conexao.find("://") == std::string::npos) parametros = conexao.substr(conexao.find(':') + 1);
  // "?modo=leitura" at the end, as for SQLite: every transaction of the session read-only.
  bool somenteLeitura = false;
  if (size_t q = parametros.rfind("?modo="); q != std::string::npos) {
    const std::string modo = parametros.substr(q + 6);
    if (modo == "leitura") {
      somenteLeitura = true;
    } else if (modo != "escrita") {
      return ZQPreencheErroSQL(erro, "AbreBanco", {E_INVALIDARG, "modo de abertura desconhecido: \"" + modo + "\""});
    }
    parametros.resize(q);
  }
  if (parametros.empty()) {
    return ZQPreencheErroSQL(erro, "AbreBanco", {E_INVALIDARG, "a conexão não diz qual banco PostgreSQL abrir"});
  }
  try {
    auto sessao = std::make_unique<soci::session>(*soci::factory_postgresql(), parametros);
    std::shared_ptr<CZQBancoSQL> novo(new CZQBancoSQL(std::move(sessao), conexao, "postgresql"));
    // Dates and texts as the store writes them, whatever the server's defaults; the
    // server's notices (a table that already exists) are not the program's output.
    novo->Sessao() << "SET client_min_messages = warning";
    novo->Sessao() << "SET client_encoding = 'UTF8'";
    if (somenteLeitura) {
      novo->m_somenteLeitura = true;
      novo->Sessao() << "SET default_transaction_read_only = on";
    }
    // Two programs opening a new store at once: one migrates, the other waits for it
    // and then finds the schema current.
    novo->Sessao() << "SELECT pg_advisory_lock(10, -1)";
    try {
      novo->Migra();
    } catch (...) {
      try {
        novo->Sessao() << "SELECT pg_advisory_unlock(10, -1)";
      } catch (...) {
      }
      throw;
    }
    novo->Sessao() << "SELECT pg_advisory_unlock(10, -1)";
    banco = std::move(novo);
    return S_OK;
  } catch (const std::exception& e) {
    ZQFalhaSQL falha = ZQTraduzExcecaoSQL(e);
    return ZQPreencheErroSQL(erro, "AbreBanco", falha);
  }
}

void CZQBancoSQL::Migra() {
  soci::session& sql = Sessao();
  // PostgreSQL refuses even a CREATE ... IF NOT EXISTS in a read-only session.
  if (!m_somenteLeitura) {
    sql << "CREATE TABLE IF NOT EXISTS schema_version ("
           "versao INTEGER NOT NULL PRIMARY KEY, descricao TEXT NOT NULL, aplicada_em TEXT NOT NULL)";
  }
  int versao = 0;
  soci::indicator ind = soci::i_ok;
  sql << "SELECT MAX(versao) FROM schema_version", soci::into(versao, ind);
  if (ind != soci::i_ok) versao = 0;

  const auto& migracoes = ZQMigracoesSQL();
  const int conhecida = ZQVersaoEsquemaSQL();
  if (versao > conhecida) {
    throw CZQExcecaoSQL(ZQ_E_SQL_VERSAO, "o banco está na versão " + std::to_string(versao) +
                                             " do esquema, mais nova que a deste programa (" +
                                             std::to_string(conhecida) + ")");
  }
  if (versao < conhecida) {
    // Every pending step in one transaction: a store is either migrated or untouched.
    CZQTransacaoSQL transacao(*this);
    for (const ZQMigracaoSQL& migracao : migracoes) {
      if (migracao.versao <= versao) continue;
      for (const char* comando : migracao.comandos) sql << comando;
      const std::string descricao = migracao.descricao;
      const std::string agora = zq::sql_interno::AgoraTexto();
      sql << "INSERT INTO schema_version (versao, descricao, aplicada_em) VALUES (:v, :d, :a)",
          soci::use(migracao.versao), soci::use(descricao), soci::use(agora);
    }
    transacao.Confirma();
  }
  m_versao = conhecida;
}

int64_t CZQBancoSQL::ProximoNumero(const std::string& tabela, const std::string& coluna) {
  const std::string chave = tabela + "." + coluna;
  if (m_profundidade > 0) {
    if (auto it = m_numeros.find(chave); it != m_numeros.end()) return ++it->second;
    if (m_backend == "postgresql" && !m_numerosTravados) {
      // Other connections write at the same time (SQLite's BEGIN IMMEDIATE already keeps
      // them out): whoever counts new numbers holds this until its commit, so the
      // largest number read is the largest anyone stored.
      Sessao() << "SELECT pg_advisory_xact_lock(10, -2)";
      m_numerosTravados = true;
    }
  }
  const int64_t proximo = MaiorNumero(tabela, coluna) + 1;
  if (m_profundidade > 0) m_numeros[chave] = proximo;
  return proximo;
}

int64_t CZQBancoSQL::ReservaNumeros(const std::string& tabela, const std::string& coluna, int64_t quantos) {
  if (m_profundidade == 0) throw CZQExcecaoSQL(E_FAIL, "números reservados só em uma transação");
  const int64_t primeiro = ProximoNumero(tabela, coluna);
  m_numeros[tabela + "." + coluna] += quantos - 1;
  return primeiro;
}

int64_t CZQBancoSQL::MaiorNumero(const std::string& tabela, const std::string& coluna) {
  long long maior = 0;
  soci::indicator ind = soci::i_ok;
  Sessao() << "SELECT MAX(" + coluna + ") FROM " + tabela, soci::into(maior, ind);
  return ind == soci::i_ok ? static_cast<int64_t>(maior) : 0;
}

int64_t CZQBancoSQL::ProximoNumeroLembrado(const std::string& tabela, const std::string& coluna) {
  // PostgreSQL: numbers only under the lock of ProximoNumero, inside a transaction.
  if (m_backend == "postgresql") return ProximoNumero(tabela, coluna);
  const std::string chave = tabela + "." + coluna;
  auto it = m_lembrados.find(chave);
  if (it == m_lembrados.end()) it = m_lembrados.emplace(chave, MaiorNumero(tabela, coluna)).first;
  return ++it->second;
}

void CZQBancoSQL::EsqueceNumeroLembrado(const std::string& tabela, const std::string& coluna) {
  m_lembrados.erase(tabela + "." + coluna);
}

void CZQBancoSQL::EscapaCopia(std::string& destino, const std::string& texto) {
  for (char c : texto) {
    switch (c) {
      case '\\':
        destino += "\\\\";
        break;
      case '\t':
        destino += "\\t";
        break;
      case '\n':
        destino += "\\n";
        break;
      case '\r':
        destino += "\\r";
        break;
      default:
        destino += c;
    }
  }
}

namespace {

// The failure of a finished libpq command as the store's exception; clears `r`.
[[noreturn]] void FalhaPostgres(PGresult* r, PGconn* conexao, const std::string& contexto) {
  const char* estado = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
  HRESULT hr = HResultPostgres(estado ? estado : "");
  std::string mensagem = contexto + ": " + (r ? PQresultErrorMessage(r) : PQerrorMessage(conexao));
  if (r) PQclear(r);
  if (hr == E_FAIL && PQstatus(conexao) != CONNECTION_OK) hr = ZQ_E_SQL_NAO_ABRE;
  throw CZQExcecaoSQL(hr, mensagem);
}

}  // namespace

void CZQBancoSQL::Copia(const std::string& comando, const std::function<bool(std::string&)>& proxima) {
  if (m_backend != "postgresql" || m_profundidade == 0) {
    throw CZQExcecaoSQL(E_FAIL, "COPY só em uma transação do PostgreSQL");
  }
  PGconn* conexao = static_cast<soci::postgresql_session_backend*>(Sessao().get_backend())->conn_;
  PGresult* r = PQexec(conexao, comando.c_str());
  if (PQresultStatus(r) != PGRES_COPY_IN) FalhaPostgres(r, conexao, "COPY");
  PQclear(r);
  // The copy ends before anything else runs on the connection: with the server's
  // answer, or refused by the client when the rows could not be made or sent.
  auto termina = [&](const char* recusa) {
    bool ok = PQputCopyEnd(conexao, recusa) == 1;
    PGresult* fim = nullptr;
    while (PGresult* seguinte = PQgetResult(conexao)) {
      if (!fim && PQresultStatus(seguinte) != PGRES_COMMAND_OK) {
        fim = seguinte;
        ok = false;
      } else {
        PQclear(seguinte);
      }
    }
    if (!ok && !recusa) FalhaPostgres(fim, conexao, "COPY");
    if (fim) PQclear(fim);
  };
  std::string parte;
  try {
    while (proxima(parte)) {
      if (!parte.empty() && PQputCopyData(conexao, parte.data(), static_cast<int>(parte.size())) != 1) {
        throw CZQExcecaoSQL(PQstatus(conexao) == CONNECTION_OK ? E_FAIL : ZQ_E_SQL_NAO_ABRE,
                            std::string("COPY: ") + PQerrorMessage(conexao));
      }
      parte.clear();
    }
  } catch (...) {
    termina("linhas interrompidas pelo cliente");
    throw;
  }
  termina(nullptr);
}

void CZQBancoSQL::Inicia() {
  // A savepoint too: the store's writers each run in a transaction of their own, so a
  // value kept from before one of them is never served after it.
  ++m_fronteiras;
  if (m_profundidade == 0) {
    EsqueceNumeros();
    if (m_backend == "sqlite3") {
      // Every transaction of the store writes: taking the write lock at once lets a busy
      // database be waited for, instead of failing when a read turns into a write.
      ExecutaPreparado("BEGIN IMMEDIATE");
    } else {
      Sessao().begin();
    }
  } else {
    ExecutaPreparado("SAVEPOINT sp" + std::to_string(m_profundidade));
  }
  ++m_profundidade;
}

void CZQBancoSQL::Confirma() {
  if (m_profundidade <= 0) return;
  --m_profundidade;
  ++m_fronteiras;
  if (m_profundidade == 0) {
    EsqueceNumeros();
    try {
      if (m_backend == "sqlite3") {
        ExecutaPreparado("COMMIT");
      } else {
        Sessao().commit();
      }
    } catch (...) {
      // A refused commit (a busy database) leaves the transaction open: close it.
      try {
        if (m_backend == "sqlite3") {
          ExecutaPreparado("ROLLBACK");
        } else {
          Sessao().rollback();
        }
      } catch (...) {
      }
      SoltaContasPendentes();
      throw;
    }
    SoltaContasPendentes();
  } else {
    ExecutaPreparado("RELEASE SAVEPOINT sp" + std::to_string(m_profundidade));
  }
}

void CZQBancoSQL::Desfaz() {
  if (m_profundidade <= 0) return;
  --m_profundidade;
  ++m_fronteiras;
  if (m_profundidade == 0) {
    EsqueceNumeros();
    if (m_backend == "sqlite3") {
      ExecutaPreparado("ROLLBACK");
    } else {
      Sessao().rollback();
    }
    SoltaContasPendentes();
  } else {
    const std::string nome = "sp" + std::to_string(m_profundidade);
    Sessao() << "ROLLBACK TO SAVEPOINT " + nome;
    Sessao() << "RELEASE SAVEPOINT " + nome;
    // What the savepoint counted is gone, and so is a lock taken inside it.
    EsqueceNumeros();
  }
}
