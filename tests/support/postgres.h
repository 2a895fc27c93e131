#pragma once

// Which database the store's tests run on. By default each test gets an SQLite file;
// with CL_TESTE_BANCO=postgresql each gets a database of its own on the throwaway
// server scripts/pg-temp.sh started, whose libpq connection ("host=... port=...") is in
// CL_TESTE_PG, or in the file CL_TESTE_PG_ARQUIVO names. The databases are created
// with unique names and dropped when the test (or the process) ends.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"

namespace zq_teste {

inline bool TestaPostgres() {
  const char* banco = std::getenv("CL_TESTE_BANCO");
  return banco && std::string(banco) == "postgresql";
}

// libpq keywords of the test server, without a database name.
inline std::string ServidorPostgres() {
  if (const char* c = std::getenv("CL_TESTE_PG"); c && *c) return c;
  if (const char* arquivo = std::getenv("CL_TESTE_PG_ARQUIVO"); arquivo && *arquivo) {
    std::ifstream in(arquivo);
    std::string linha;
    if (std::getline(in, linha) && !linha.empty()) return linha;
  }
  throw std::runtime_error("CL_TESTE_BANCO=postgresql sem CL_TESTE_PG nem CL_TESTE_PG_ARQUIVO");
}

inline std::string ConexaoPostgres(const std::string& nomeBanco) {
  return "postgresql:" + ServidorPostgres() + " dbname=" + nomeBanco;
}

// Runs statements on the server's maintenance database (CREATE/DROP DATABASE cannot
// run inside another database's transaction).
inline void AdministraPostgres(const std::vector<std::string>& comandos) {
  std::unique_ptr<soci::session> sessao = ZQSessaoPostgres(ServidorPostgres() + " dbname=postgres");
  *sessao << "SET client_min_messages = warning";
  for (const std::string& c : comandos) *sessao << c;
}

// A name no other test of this run uses.
inline std::string NomeBancoUnico(const std::string& prefixo) {
  static std::atomic<int> contador{0};
  return prefixo + "_" + std::to_string(::getpid()) + "_" + std::to_string(++contador);
}

// A fresh PostgreSQL database (empty, or a copy of a template), dropped at the end
// even while connections to it are still open.
class BancoPostgresTemporario {
 public:
  explicit BancoPostgresTemporario(const std::string& modelo = "") : m_nome(NomeBancoUnico("cl_teste")) {
    AdministraPostgres({"CREATE DATABASE " + m_nome + (modelo.empty() ? "" : " TEMPLATE " + modelo)});
  }
  ~BancoPostgresTemporario() {
    try {
      AdministraPostgres({"DROP DATABASE IF EXISTS " + m_nome + " WITH (FORCE)"});
    } catch (...) {
      // The server goes away after the run with everything in it.
    }
  }
  BancoPostgresTemporario(const BancoPostgresTemporario&) = delete;
  BancoPostgresTemporario& operator=(const BancoPostgresTemporario&) = delete;

  const std::string& Nome() const { return m_nome; }
  std::string Conexao() const { return ConexaoPostgres(m_nome); }

 private:
  std::string m_nome;
};

// A template database made once per process by `prepara` (given its connection), for
// the tests to copy; dropped when the process ends.
inline std::string ModeloPostgres(const std::string& chave, const std::function<bool(const std::string&)>& prepara) {
  static std::mutex trava;
  static std::map<std::string, std::unique_ptr<BancoPostgresTemporario>> modelos;
  std::lock_guard<std::mutex> guarda(trava);
  auto& modelo = modelos[chave];
  if (!modelo) {
    auto novo = std::make_unique<BancoPostgresTemporario>();
    if (!prepara(novo->Conexao())) return "";
    modelo = std::move(novo);
  }
  return modelo->Nome();
}

}  // namespace zq_teste
