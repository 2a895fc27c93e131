// One cycle of the scheduled import service on the SQLite store, in test mode: 200
// Tavorin accounts of one rule, each answered by a 500-line statement (100,000 lines
// validated and stored, one execution record with 200 entries, 200 hyper-automation
// statuses and usage events). Case 0 runs on a store without statement lines; case 1 is
// the next cycle of the same day, where every fetched line is already stored and is
// refused as a duplicate. The store is copied from a prepared one outside the timing.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "bench_empresa.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "frame/zq_relogio.h"
#include "importservice/cl_servico_importacao_extratos.h"
#include "platform/components/zq_analytics_evento.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_analytics_sql.h"
#include "store/zq_arquivo_empresa.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

constexpr int kContas = 200;
constexpr int kLinhas = 500;

fs::path RaizFontes() { return fs::path(__FILE__).parent_path().parent_path(); }

// Quiet host: the benchmark has no failures to see.
class HostSilencioso : public IZQHostServico {
 public:
  HRESULT GravaLog(unsigned short, unsigned short, const char* texto) override {
    std::fprintf(stderr, "host: %s\n", texto ? texto : "");
    return S_OK;
  }
  bool Abortar() override { return false; }
};

struct Ambiente {
  fs::path raiz;
  fs::path modelo;           // the store with the company and no statement lines
  fs::path modeloImportado;  // the same after one cycle

  Ambiente() {
    std::string m = (fs::temp_directory_path() / "cl_bench_servico_XXXXXX").string();
    if (!mkdtemp(m.data())) std::abort();
    raiz = m;
    fs::create_directories(raiz / "instalacao");
    CZQConfiguracao& config = CZQConfiguracao::Global();
    config.Set("local_orbel", (raiz / "instalacao").string());
    config.Set("relatorios", (raiz / "relatorios").string());
    config.Set("temporario", (raiz / "tmp").string());
    config.Set("log_erros", (raiz / "log").string());
    config.Set("log_erros_empresa", (raiz / "log" / "{empresa}").string());

    std::ofstream(raiz / "instalacao" / "MockExtratoTavorin.ofx", std::ios::binary)
        << bench_empresa::ExtratoOfx(kLinhas);

    json contas;
    json empresa = zq_teste::EmpresaTavorin(RaizFontes() / "data" / "sample-company.json", 30001, kContas, contas);
    empresa["configuracao_importacao"]["regras"] = json::array({{{"filial", 1},
                                                                 {"frequencia", 2},
                                                                 {"hora_execucao", "00:00:00"},
                                                                 {"apenas_dias_uteis", false},
                                                                 {"contas", contas}}});
    std::ofstream(raiz / "empresa.json") << empresa.dump();

    modelo = raiz / "modelo.db";
    {
      std::shared_ptr<CZQBancoSQL> banco;
      CZQDadosDF_Erro erro;
      if (FAILED(CZQBancoSQL::Abre("sqlite:" + modelo.string(), banco, erro)) ||
          FAILED(ZQCarregaArquivoEmpresa(*banco, (raiz / "empresa.json").string(), erro))) {
        std::fprintf(stderr, "%s\n", erro.GetTextoMostraMensagem().c_str());
        std::abort();
      }
    }
    modeloImportado = raiz / "importado.db";
    fs::copy_file(modelo, modeloImportado);
    Ciclo(modeloImportado);
  }
  ~Ambiente() {
    std::error_code ec;
    fs::remove_all(raiz, ec);
  }

  // One cycle of the service over the store in `arquivo`; the accounts it handled.
  static long Ciclo(const fs::path& arquivo, benchmark::State* estado = nullptr) {
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    if (FAILED(ZQInstalaArmazemSQL("sqlite:" + arquivo.string(), erro, &banco))) std::abort();
    ZQInstalaAnalyticsSQL(banco);
    CZQRelogioFixo relogio(CZQDma(4, 12, 2026), zq::MontaHms(9, 0, 0));
    CZQTrocaRelogio troca(relogio);
    HostSilencioso host;
    CZQProfilerEmpresa pessoa("EXEMPLO", 1, 1);
    auto* servico = static_cast<CCLServicoImportacaoExtratos*>(CLServicoImportacaoExtratos_new());
    servico->SetHost(&host);
    servico->Inicializa(&pessoa);
    if (estado) estado->ResumeTiming();
    HRESULT hr = servico->OnRun();
    if (estado) estado->PauseTiming();
    const long contas = servico->GetContasProcessadas();
    servico->OnDestroi();
    ZQRemoveAnalyticsSQL();
    banco.reset();
    ZQRemoveArmazemSQL();
    if (FAILED(hr) || contas != kContas) {
      std::fprintf(stderr, "cycle failed: %#x, %ld accounts\n", static_cast<unsigned>(hr), contas);
      std::abort();
    }
    return contas;
  }
};

Ambiente& Amb() {
  static Ambiente ambiente;
  return ambiente;
}

void BM_CicloServicoImportacao(benchmark::State& state) {
  Ambiente& amb = Amb();
  const fs::path origem = state.range(0) == 0 ? amb.modelo : amb.modeloImportado;
  const fs::path trabalho = amb.raiz / "trabalho.db";
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ec;
    for (const char* sufixo : {"", "-wal", "-shm"}) fs::remove(trabalho.string() + sufixo, ec);
    fs::copy_file(origem, trabalho);
    Ambiente::Ciclo(trabalho, &state);
    state.ResumeTiming();
  }
  state.counters["contas"] = kContas;
  state.counters["linhas"] = static_cast<double>(kContas) * kLinhas;
  state.SetItemsProcessed(state.iterations() * kContas * kLinhas);
}
BENCHMARK(BM_CicloServicoImportacao)->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
