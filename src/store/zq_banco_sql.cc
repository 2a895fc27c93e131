#include "store/zq_banco_sql.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <new>

#include "frame/zq_config.h"
#include "store/zq_esquema_sql.h"
#include "store/zq_soci.h"

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

std::string AgoraTexto() {
  std::time_t agora = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  localtime_r(&agora, &tm);
  char texto[32];
  std::strftime(texto, sizeof texto, "%Y-%m-%d %H:%M:%S", &tm);
  return texto;
}

// Where a file path in a connection string may be quoted for SOCI's option parser.
std::string AspasSoci(const std::string& caminho) {
  std::string r = "\"";
  for (char c : caminho) {
    if (c == '"') r += '\\';
    r += c;
  }
  return r + "\"";
}

}  // namespace

ZQFalhaSQL ZQTraduzExcecaoSQL(const std::exception& e) {
  ZQFalhaSQL falha;
  if (auto* propria = dynamic_cast<const CZQExcecaoSQL*>(&e)) {
    falha.hr = propria->GetHR();
    falha.mensagem = propria->what();
  } else if (auto* sqlite = dynamic_cast<const soci::sqlite3_soci_error*>(&e)) {
    falha.hr = HResultSqlite(sqlite->result());
    falha.mensagem = sqlite->get_error_message();
  } else if (auto* soci = dynamic_cast<const soci::soci_error*>(&e)) {
    falha.hr = E_FAIL;
    falha.mensagem = soci->get_error_message();
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
      m_preparados(std::make_unique<Preparados>()) {}

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
  }
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
    return ZQPreencheErroSQL(erro, "AbreBanco",
                             {ZQ_E_SQL_NAO_DISPONIVEL, "o banco PostgreSQL ainda não está disponível (" + conexao + ")"});
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
    }
    novo->Migra();
    banco = std::move(novo);
    return S_OK;
  } catch (const std::exception& e) {
    ZQFalhaSQL falha = ZQTraduzExcecaoSQL(e);
    falha.mensagem = caminho + ": " + falha.mensagem;
    return ZQPreencheErroSQL(erro, "AbreBanco", falha);
  }
}

void CZQBancoSQL::Migra() {
  soci::session& sql = Sessao();
  sql << "CREATE TABLE IF NOT EXISTS schema_version ("
         "versao INTEGER NOT NULL PRIMARY KEY, descricao TEXT NOT NULL, aplicada_em TEXT NOT NULL)";
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
      const std::string agora = AgoraTexto();
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
  }
  const int64_t proximo = MaiorNumero(tabela, coluna) + 1;
  if (m_profundidade > 0) m_numeros[chave] = proximo;
  return proximo;
}

int64_t CZQBancoSQL::MaiorNumero(const std::string& tabela, const std::string& coluna) {
  long long maior = 0;
  soci::indicator ind = soci::i_ok;
  Sessao() << "SELECT MAX(" + coluna + ") FROM " + tabela, soci::into(maior, ind);
  return ind == soci::i_ok ? static_cast<int64_t>(maior) : 0;
}

int64_t CZQBancoSQL::ProximoNumeroLembrado(const std::string& tabela, const std::string& coluna) {
  const std::string chave = tabela + "." + coluna;
  auto it = m_lembrados.find(chave);
  if (it == m_lembrados.end()) it = m_lembrados.emplace(chave, MaiorNumero(tabela, coluna)).first;
  return ++it->second;
}

void CZQBancoSQL::EsqueceNumeroLembrado(const std::string& tabela, const std::string& coluna) {
  m_lembrados.erase(tabela + "." + coluna);
}

void CZQBancoSQL::Inicia() {
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
      throw;
    }
  } else {
    ExecutaPreparado("RELEASE SAVEPOINT sp" + std::to_string(m_profundidade));
  }
}

void CZQBancoSQL::Desfaz() {
  if (m_profundidade <= 0) return;
  --m_profundidade;
  if (m_profundidade == 0) {
    EsqueceNumeros();
    if (m_backend == "sqlite3") {
      ExecutaPreparado("ROLLBACK");
    } else {
      Sessao().rollback();
    }
  } else {
    const std::string nome = "sp" + std::to_string(m_profundidade);
    Sessao() << "ROLLBACK TO SAVEPOINT " + nome;
    Sessao() << "RELEASE SAVEPOINT " + nome;
  }
}
