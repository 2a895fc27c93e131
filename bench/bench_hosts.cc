// Many hosts on one PostgreSQL store: one cycle of the import and the reconciliation
// service for a company of many Tavorin accounts, run by 1, 2 and 4 clhost processes
// at once. The statements come from a bank server on the loopback that counts the
// requests of each account. For each number of hosts it prints the cycle's time, the
// requests per account, each host's CPU time, and checks the store: every account
// imported and reconciled once, no line stored twice, no reconciliation number or
// entry used twice.
//
//   bench_hosts [--contas 400] [--linhas 500] [--hosts 1,2,4]
//
// It starts a throwaway server with scripts/pg-temp.sh and stops it at the end. Not a
// ctest: a full run takes minutes.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "bench_empresa.h"
#include "middleware/servidor_http_teste.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

const fs::path kFontes = CL_BENCH_FONTES;

struct Opcoes {
  int contas = 400;
  int linhas = 500;
  std::vector<int> hosts{1, 2, 4};
};

[[noreturn]] void Aborta(const std::string& texto) {
  std::fprintf(stderr, "bench_hosts: %s\n", texto.c_str());
  std::exit(1);
}

Opcoes LeOpcoes(int argc, char** argv) {
  Opcoes o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string nome = argv[i], valor = argv[i + 1];
    if (nome == "--contas") {
      o.contas = std::atoi(valor.c_str());
    } else if (nome == "--linhas") {
      o.linhas = std::atoi(valor.c_str());
    } else if (nome == "--hosts") {
      o.hosts.clear();
      std::stringstream lista(valor);
      for (std::string h; std::getline(lista, h, ',');) o.hosts.push_back(std::atoi(h.c_str()));
    } else {
      Aborta("opção desconhecida " + nome);
    }
  }
  if (argc % 2 == 0 || o.contas <= 0 || o.linhas <= 0 || o.hosts.empty())
    Aborta("uso: bench_hosts [--contas N] [--linhas N] [--hosts 1,2,4]");
  return o;
}

// The company with `contas` Tavorin accounts, every one due once a day for both services.
std::string Empresa(int contas) {
  json lista;
  json empresa = zq_teste::EmpresaTavorin(kFontes / "data" / "sample-company.json", 30001, contas, lista);
  const json regra = {
      {"filial", 1}, {"frequencia", 1}, {"hora_execucao", "00:00:00"}, {"apenas_dias_uteis", false}, {"contas", lista}};
  empresa["configuracao_importacao"]["regras"] = json::array({regra});
  empresa["configuracao_conciliacao"]["regras"] = json::array({regra});
  return empresa.dump();
}

long long Escalar(CZQBancoSQL& banco, const std::string& sql) {
  long long valor = -1;
  banco.Sessao() << sql, soci::into(valor);
  return valor;
}

struct Host {
  pid_t pid = 0;
  int status = -1;
  double cpu = 0;  // user + system seconds
};

pid_t IniciaHost(const fs::path& dir, const std::string& conexao, int numero) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setenv("CL_LOCAL_ORBEL", dir.c_str(), 1);
  setenv("CL_RELATORIOS", (dir / "relatorios").c_str(), 1);
  setenv("CL_TEMPORARIO", (dir / "tmp").c_str(), 1);
  setenv("CL_LOG_ERROS", (dir / "log").c_str(), 1);
  setenv("CL_LOG_ERROS_EMPRESA", (dir / "log" / "{empresa}").c_str(), 1);
  setenv("CL_BANCO", conexao.c_str(), 1);
  setenv("CL_BIBLIOTECA_MENSAGENS", CL_BENCH_BINARIOS "/libzqmensagens.so", 1);
  std::string exe = CL_BENCH_BINARIOS "/clhost";
  std::vector<std::string> argumentos{exe,         "--once",
                                      "--empresa", "EXEMPLO",
                                      "--agora",   "04/12/2026 09:00:00",
                                      "--log",     (dir / ("host" + std::to_string(numero) + ".log")).string()};
  // The host log is the file above; what the host prints would bury the figures.
  const int nulo = open("/dev/null", O_WRONLY);
  dup2(nulo, STDOUT_FILENO);
  dup2(nulo, STDERR_FILENO);
  std::vector<char*> argv;
  for (auto& a : argumentos) argv.push_back(a.data());
  argv.push_back(nullptr);
  execv(exe.c_str(), argv.data());
  _exit(127);
}

// One cycle with `hosts` hosts on a fresh database: prints its line and returns false
// when the store or the bank shows work done twice or left undone.
bool Ciclo(const Opcoes& o, const std::string& servidor, const fs::path& raiz, const std::string& extrato, int hosts) {
  const std::string nome = "cl_bench_hosts_" + std::to_string(hosts);
  *ZQSessaoPostgres(servidor + " dbname=postgres") << "CREATE DATABASE " + nome;
  const std::string conexao = "postgresql:" + servidor + " dbname=" + nome;
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  if (FAILED(CZQBancoSQL::Abre(conexao, banco, erro)) ||
      FAILED(ZQCarregaArquivoEmpresa(*banco, (raiz / "empresa.json").string(), erro)))
    Aborta(erro.GetTextoMostraMensagem().c_str());

  teste::ServidorHttp bancoTavorin;
  bancoTavorin.DefineTratador([&extrato](const teste::Requisicao&) -> teste::Resposta {
    return {200, "application/x-ofx", extrato};
  });
  setenv("CL_TAVORIN_URL", bancoTavorin.Url("/tavorin/contas/{conta}/extrato").c_str(), 1);
  const fs::path dir = raiz / ("hosts" + std::to_string(hosts));
  fs::create_directories(dir);

  // The machine may be shared: its load as the cycle starts goes with the figures.
  double carga[1] = {0};
  getloadavg(carga, 1);
  const auto inicio = std::chrono::steady_clock::now();
  std::vector<Host> lista(static_cast<std::size_t>(hosts));
  for (int i = 0; i < hosts; ++i) lista[static_cast<std::size_t>(i)].pid = IniciaHost(dir, conexao, i);
  for (Host& h : lista) {
    int status = 0;
    rusage uso{};
    wait4(h.pid, &status, 0, &uso);
    h.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    h.cpu = static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
            static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
  }
  const double segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();

  std::map<std::string, int> pedidos;
  for (const teste::Requisicao& r : bancoTavorin.Requisicoes()) ++pedidos[r.caminho];
  int maisDeUm = 0;
  for (const auto& [caminho, vezes] : pedidos) maisDeUm += vezes > 1;

  const std::string contas = "conta BETWEEN 30001 AND " + std::to_string(30000 + o.contas);
  const std::string sucessos = "FROM execucao_importacao_conta WHERE tipo_status = 1 AND " + contas;
  const long long importadas = Escalar(*banco, "SELECT COUNT(DISTINCT conta) " + sucessos);
  const long long importacoes = Escalar(*banco, "SELECT COUNT(*) " + sucessos);
  const long long conciliadas =
      Escalar(*banco, "SELECT COUNT(*) FROM execucao_conciliacao WHERE tipo_status = 1 AND banco BETWEEN 30001 AND " +
                          std::to_string(30000 + o.contas));
  const long long linhas = Escalar(*banco, "SELECT COUNT(*) FROM extrato WHERE " + contas);
  const long long repetidas =
      Escalar(*banco,
              "SELECT COUNT(*) FROM (SELECT conta, dma_extrato, valor, natureza, hist_bco, documento FROM extrato"
              " GROUP BY conta, dma_extrato, valor, natureza, hist_bco, documento HAVING COUNT(*) > 1) r");
  const long long numeros = Escalar(*banco,
                                    "SELECT COUNT(*) FROM (SELECT banco, numero_conciliacao FROM "
                                    "log_conciliacao GROUP BY banco, numero_conciliacao HAVING COUNT(*) > 1) r");
  const long long origens = Escalar(*banco,
                                    "SELECT COUNT(*) FROM (SELECT origem, chave_tabela FROM integracao_origem"
                                    " GROUP BY origem, chave_tabela HAVING COUNT(*) > 1) r");
  const long long lancadas = Escalar(*banco, "SELECT COUNT(*) FROM extrato WHERE conciliado = 'S' AND " + contas);

  std::printf(
      "%d host(s), load %.1f at the start: %.1f s, %zu accounts asked,"
      " %.2f requests per account (%d asked more than once)\n",
      hosts, carga[0], segundos, pedidos.size(),
      pedidos.empty() ? 0.0 : double(bancoTavorin.Requisicoes().size()) / o.contas, maisDeUm);
  std::printf("  CPU per host (s):");
  for (const Host& h : lista) std::printf(" %.1f (exit %d)", h.cpu, h.status);
  std::printf(
      "\n  imported %lld/%d accounts (%lld entries), reconciled %lld, lines %lld (reconciled %lld),"
      " repeated lines %lld, numbers %lld, entries %lld\n",
      importadas, o.contas, importacoes, conciliadas, linhas, lancadas, repetidas, numeros, origens);
  banco.reset();
  *ZQSessaoPostgres(servidor + " dbname=postgres") << "DROP DATABASE IF EXISTS " + nome + " WITH (FORCE)";

  bool ok = maisDeUm == 0 && static_cast<int>(pedidos.size()) == o.contas && importadas == o.contas &&
            importacoes == o.contas && conciliadas == o.contas && linhas == 1LL * o.contas * o.linhas &&
            repetidas == 0 && numeros == 0 && origens == 0;
  for (const Host& h : lista) ok = ok && (h.status == 0 || h.status == 3);
  if (!ok) std::printf("  FAILED: see the host logs in %s\n", dir.c_str());
  std::fflush(stdout);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const Opcoes o = LeOpcoes(argc, argv);
  std::string modelo = (fs::temp_directory_path() / "cl_bench_hosts_XXXXXX").string();
  if (!mkdtemp(modelo.data())) Aborta("mkdtemp");
  const fs::path raiz = modelo;
  // The server runs as the postgres user when the benchmark runs as root.
  fs::permissions(raiz, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec);
  const std::string pgTemp = "sh " + (kFontes / "scripts" / "pg-temp.sh").string() + " ";
  if (std::system((pgTemp + "start " + (raiz / "pg").string() + " >/dev/null").c_str()) != 0)
    Aborta("o servidor PostgreSQL não iniciou");
  std::string servidor;
  std::getline(std::ifstream(raiz / "pg" / "conexao"), servidor);
  std::ofstream(raiz / "empresa.json") << Empresa(o.contas);
  const std::string extrato = bench_empresa::ExtratoOfx(o.linhas);

  std::printf("%d accounts x %d lines, PostgreSQL, %ld cores\n", o.contas, o.linhas, sysconf(_SC_NPROCESSORS_ONLN));
  bool ok = true;
  for (int hosts : o.hosts) ok = Ciclo(o, servidor, raiz, extrato, hosts) && ok;

  std::system((pgTemp + "stop " + (raiz / "pg").string()).c_str());
  std::error_code ec;
  if (ok) fs::remove_all(raiz, ec);
  return ok ? 0 : 1;
}
