// clhost: the service host process.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "erp/middleware/zq_consulta_sistema_terceiro_http.h"
#include "frame/zq_config.h"
#include "frame/zq_data_texto.h"
#include "frame/zq_erro.h"
#include "frame/zq_relogio.h"
#include "host/zq_host.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_analytics_sql.h"

namespace {

CZQHost* g_host = nullptr;

extern "C" void PedeParada(int) {
  if (g_host) g_host->PedeParada();
}

std::string BibliotecaPadrao() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    auto ao_lado = exe.parent_path() / "libcl.so";
    if (std::filesystem::exists(ao_lado, ec)) return ao_lado.string();
    // Installed: bin/clhost beside lib/libcl.so.N (the run-time name, not the
    // development link, which a package without headers does not carry).
    auto instalada = exe.parent_path().parent_path() / CL_DIR_BIBLIOTECAS / ("libcl.so." CL_VERSAO_MAIOR);
    if (std::filesystem::exists(instalada, ec)) return instalada.string();
  }
  return "libcl.so";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"clhost: runs the bank-reconciliation module's scheduled services"};
  ZQOpcoesHost opcoes;
  opcoes.biblioteca = BibliotecaPadrao();
  app.set_version_flag("--version", std::string("clhost ") + CL_VERSAO_PROJETO);
  bool umaVez = false;
  std::string config, banco, empresa, agora;
  app.add_flag("--once", umaVez, "run one cycle of every service and exit: 0 work done, 3 nothing due, 1 failure");
  app.add_option("--config", config, "configuration file");
  app.add_option("--db", banco, "store connection string (sqlite:<path>)");
  app.add_option("--servico", opcoes.servicos, "service to run: importacao, conciliacao (default: both)");
  app.add_option("--intervalo-ms", opcoes.intervaloMs, "interval between cycles, overriding the services' own");
  app.add_option("--log", opcoes.arquivoLog, "host log file (entries also go to standard error)");
  app.add_option("--biblioteca", opcoes.biblioteca, "path of libcl.so");
  app.add_option("--empresa", empresa, "company code the services run for");
  app.add_option("--usuario", opcoes.usuario, "user number");
  app.add_option("--sessao", opcoes.sessao, "session number");
  app.add_option(
      "--agora", agora,
      "run as if the local date and time were this one (\"DD/MM/AAAA HH:MM:SS\"), for sample runs and tests");
  CLI11_PARSE(app, argc, argv);

  CZQConfiguracao& cfg = CZQConfiguracao::Global();
  if (!config.empty() && !cfg.CarregaArquivo(config)) {
    std::fprintf(stderr, "clhost: não foi possível ler a configuração %s\n", config.c_str());
    return 2;
  }
  if (!banco.empty()) cfg.Set("banco", banco);
  opcoes.empresa = empresa.empty() ? cfg.Get("empresa") : empresa;
  if (opcoes.arquivoLog.empty()) opcoes.arquivoLog = cfg.Get("log_host");

  // A fixed clock for the whole process: the services then see that day and time.
  std::unique_ptr<CZQRelogioFixo> relogioFixo;
  if (!agora.empty()) {
    REG_ZQDMA data = 0;
    REG_ZQHMS hora = 0;
    const std::size_t espaco = agora.find(' ');
    if (espaco == std::string::npos || !ZQLeDataTexto(agora.substr(0, espaco), data) ||
        !ZQLeHoraTexto(agora.substr(espaco + 1), hora) || data == 0) {
      std::fprintf(stderr, "clhost: --agora espera \"DD/MM/AAAA HH:MM:SS\": %s\n", agora.c_str());
      return 2;
    }
    relogioFixo = std::make_unique<CZQRelogioFixo>(CZQDma(data), hora);
    zq::DefineRelogio(relogioFixo.get());
  }

  CZQDadosDF_Erro erroArmazem;
  std::shared_ptr<CZQBancoSQL> bancoAberto;
  if (FAILED(ZQInstalaArmazemSQL("", erroArmazem, &bancoAberto))) {
    std::fprintf(stderr, "clhost: %s\n", erroArmazem.GetTextoMostraMensagem().c_str());
    return 2;
  }
  ZQInstalaAnalyticsSQL(bancoAberto);
  zq::middleware::ZQInstalaConsultaSistemaTerceiroHttp();

  CZQHost host;
  std::string erro;
  if (!host.Carrega(opcoes, erro)) {
    std::fprintf(stderr, "clhost: %s\n", erro.c_str());
    return 2;
  }
  g_host = &host;
  struct sigaction acao {};
  acao.sa_handler = PedeParada;
  sigemptyset(&acao.sa_mask);
  sigaction(SIGTERM, &acao, nullptr);
  sigaction(SIGINT, &acao, nullptr);

  int status = 0;
  if (umaVez)
    status = static_cast<int>(host.ExecutaCiclo());
  else
    host.Executa();
  g_host = nullptr;
  // The usage events still queued are written before the store goes.
  ZQRemoveAnalyticsSQL();
  bancoAberto.reset();
  ZQRemoveArmazemSQL();
  zq::DefineRelogio(nullptr);
  return status;
}
