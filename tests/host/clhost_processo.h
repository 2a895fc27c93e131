#pragma once

// clhost as a separate process whose folders and store all live in a test directory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"
#include "support/armazem.h"

namespace cl_teste_host {

// The store of a test directory: its file, or (CL_TESTE_BANCO=postgresql) a database of
// its own on the test server, made on first use and dropped when the test process ends.
inline std::string ConexaoDe(const std::filesystem::path& dir) {
  if (!zq_teste::TestaPostgres()) return "sqlite:" + (dir / "cl.db").string();
  static std::mutex trava;
  static std::map<std::string, std::unique_ptr<zq_teste::BancoPostgresTemporario>> bancos;
  std::lock_guard<std::mutex> guarda(trava);
  auto& banco = bancos[dir.string()];
  if (!banco) banco = std::make_unique<zq_teste::BancoPostgresTemporario>();
  return banco->Conexao();
}

inline pid_t IniciaClhost(const std::filesystem::path& dir, std::vector<std::string> argumentos,
                          const std::filesystem::path& log) {
  pid_t pid = fork();
  if (pid == 0) {
    setenv("CL_LOCAL_ORBEL", dir.c_str(), 1);
    setenv("CL_RELATORIOS", (dir / "relatorios").c_str(), 1);
    setenv("CL_TEMPORARIO", (dir / "tmp").c_str(), 1);
    setenv("CL_LOG_ERROS", (dir / "log").c_str(), 1);
    setenv("CL_LOG_ERROS_EMPRESA", (dir / "log" / "{empresa}").c_str(), 1);
    setenv("CL_BANCO", ConexaoDe(dir).c_str(), 1);
    setenv("CL_BIBLIOTECA_MENSAGENS", (std::string(CL_TEST_BINARY_DIR) + "/libzqmensagens.so").c_str(), 1);
    std::string exe = std::string(CL_TEST_BINARY_DIR) + "/clhost";
    argumentos.push_back("--log");
    argumentos.push_back(log.string());
    std::vector<char*> argv{exe.data()};
    for (auto& a : argumentos) argv.push_back(a.data());
    argv.push_back(nullptr);
    int nulo = open("/dev/null", O_WRONLY);
    dup2(nulo, STDERR_FILENO);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

// The exit status, or 128 + the signal that ended the process.
inline int EsperaClhost(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A test directory of its own with the two mock statement files in it (the installation
// directory of test mode), removed at the end.
class ClhostPastaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::filesystem::path dados = std::filesystem::path(CL_TEST_SOURCE_DIR) / "data";
    for (const char* nome : {"MockExtratoTavorin.ofx", "MockExtratoBancoBrasil.json"})
      std::filesystem::copy_file(dados / nome, m_dir / nome);
  }

  std::string Conexao() const { return ConexaoDe(m_dir); }
  std::filesystem::path Log() const { return m_dir / "host.log"; }
  std::string TextoLog() const { return zq_teste::LeArquivo(Log()); }
  // Runs clhost to its end with the host log in Log(): its exit status.
  int Executa(std::vector<std::string> argumentos) const {
    return EsperaClhost(IniciaClhost(m_dir, std::move(argumentos), Log()));
  }

  // Loads a company file into the test's store.
  void CarregaEmpresa(const std::filesystem::path& arquivo) {
    m_banco = zq_teste::AbreBanco(Conexao());
    ASSERT_TRUE(m_banco);
    CZQDadosDF_Erro erro;
    ASSERT_EQ(ZQCarregaArquivoEmpresa(*m_banco, arquivo.string(), erro), S_OK) << erro.GetTextoMostraMensagem().c_str();
  }

  // One number read from the store by a connection of the test's own, or -1 when the
  // store cannot be opened or the query fails.
  long long Escalar(const std::string& sql) const {
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    if (FAILED(CZQBancoSQL::Abre(Conexao(), banco, erro))) return -1;
    long long valor = -1;
    try {
      banco->Sessao() << sql, soci::into(valor);
    } catch (const std::exception&) {
      return -1;
    }
    return valor;
  }

  zq_teste::PastaTemporaria m_pasta;
  const std::filesystem::path m_dir = m_pasta.Caminho();
  std::shared_ptr<CZQBancoSQL> m_banco;
};

// The same, with the sample company in its store.
class ClhostEmpresaTest : public ClhostPastaTest {
 protected:
  void SetUp() override {
    ClhostPastaTest::SetUp();
    CarregaEmpresa(zq_teste::AmostraEmpresa());
  }

  // An open treasury entry of the head office coming into `conta`.
  void Entrada(uint32_t conta, REG_ZQDMA dia, long long valor) {
    tagREG_TESOURARIAPS reg{};
    reg.cyValor = valor;
    reg.dmaLancamento = dia;
    reg.lPonteiroContaEnt = conta;
    reg.iPonteiroFilial = 1;
    reg.cConciliadoEnt = 'N';
    reg.cConciliadoSai = 'N';
    CZQDadosFN_Tesouraria t(reg);
    CZQAcessoServidoresSQL hub(m_banco);
    ASSERT_EQ(hub.Financeiro().GravaTesouraria(t), S_OK);
  }
};

}  // namespace cl_teste_host
