// One cycle of the scheduled reconciliation service on the SQLite store: 50 accounts of
// one every-cycle rule, each with 1,000 open statement lines of the week up to Friday
// 04/12/2026 that no posting rule takes, and open treasury entries: 700 lines with an
// entry of the same amount, 100 with two entries that add up to it, 200 with none, and
// 100 entries that fit no line. The store is copied from a prepared one outside the
// timing.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "frame/zq_base_rotinas.h"
#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "frame/zq_relogio.h"
#include "platform/components/zq_analytics_evento.h"
#include "platform/records/zq_estruturas_tesouraria.h"
#include "reconciliation/cl_conciliacao_tesouraria_banco_automatizada.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_analytics_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_soci.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

constexpr int kContas = 50;
constexpr int kLinhas = 1000;

fs::path RaizFontes() { return fs::path(__FILE__).parent_path().parent_path(); }

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
  fs::path modelo;

  Ambiente() {
    std::string m = (fs::temp_directory_path() / "cl_bench_conciliacao_XXXXXX").string();
    if (!mkdtemp(m.data())) std::abort();
    raiz = m;
    CZQConfiguracao& config = CZQConfiguracao::Global();
    config.Set("local_orbel", (raiz / "instalacao").string());
    config.Set("relatorios", (raiz / "relatorios").string());
    config.Set("temporario", (raiz / "tmp").string());
    config.Set("log_erros", (raiz / "log").string());
    config.Set("log_erros_empresa", (raiz / "log" / "{empresa}").string());

    json empresa;
    std::ifstream(RaizFontes() / "data" / "sample-company.json") >> empresa;
    json contas = json::array();
    for (int i = 0; i < kContas; ++i) {
      const int ponteiro = 40001 + i;
      empresa["plano_contas"].push_back({{"ponteiro", ponteiro},
                                         {"codigo_proprio", "1.1.2.7." + std::to_string(i)},
                                         {"codigo_usado", std::to_string(ponteiro)},
                                         {"nome", "Conta " + std::to_string(i)},
                                         {"tipo", "A"},
                                         {"banco",
                                          {{"numero_banco", 990},
                                           {"nome_banco", "Banco Tavorin"},
                                           {"agencia", "0042"},
                                           {"conta_corrente", std::to_string(800000 + i)},
                                           {"integrar_com_terceiro", 1},
                                           {"tipo_operacao", 4},
                                           {"ambiente_integracao", 1},
                                           {"ambiente_integracao_bb_extrato", 0}}}});
      contas.push_back(ponteiro);
    }
    empresa["configuracao_conciliacao"]["regras"] = json::array({{{"filial", 1},
                                                                  {"frequencia", 2},
                                                                  {"hora_execucao", "00:00:00"},
                                                                  {"apenas_dias_uteis", false},
                                                                  {"contas", contas}}});
    std::ofstream(raiz / "empresa.json") << empresa.dump();

    modelo = raiz / "modelo.db";
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    if (FAILED(CZQBancoSQL::Abre("sqlite:" + modelo.string(), banco, erro)) ||
        FAILED(ZQCarregaArquivoEmpresa(*banco, (raiz / "empresa.json").string(), erro))) {
      std::fprintf(stderr, "%s\n", erro.GetTextoMostraMensagem().c_str());
      std::abort();
    }
    Preenche(banco);
  }
  ~Ambiente() {
    std::error_code ec;
    fs::remove_all(raiz, ec);
  }

  static void Preenche(const std::shared_ptr<CZQBancoSQL>& banco) {
    CZQAcessoServidoresSQL hub(banco);
    CZQTransacaoSQL transacao(*banco);
    const REG_ZQDMA inicio = CZQDma(27, 11, 2026).GetDma();
    long long posicao = 0, conta = 0, documento = 0, valor = 0, dia = 0;
    std::string natureza;
    soci::statement linha =
        (banco->Sessao().prepare << "INSERT INTO extrato (posicao, conta, filial, documento, valor, natureza, hist_bco,"
                                    " codigo_mvto_bco, dma_extrato, dma_importacao, conciliado, tipo_conciliacao,"
                                    " numero_conciliacao) VALUES (:p, :c, 1, :d, :v, :n, 'DIVERSOS', '999', :a, :a,"
                                    " 'N', '', 0)",
         soci::use(posicao), soci::use(conta), soci::use(documento), soci::use(valor), soci::use(natureza),
         soci::use(dia));
    auto entrada = [&](uint32_t c, bool entra, REG_ZQDMA data, long long v) {
      tagREG_TESOURARIAPS reg{};
      reg.cyValor = v;
      reg.dmaLancamento = data;
      (entra ? reg.lPonteiroContaEnt : reg.lPonteiroContaSai) = c;
      reg.iPonteiroFilial = 1;
      reg.cConciliadoEnt = 'N';
      reg.cConciliadoSai = 'N';
      CZQDadosFN_Tesouraria t(reg);
      if (FAILED(hub.Financeiro().GravaTesouraria(t))) std::abort();
    };
    for (int i = 0; i < kContas; ++i) {
      conta = 40001 + i;
      for (int j = 0; j < kLinhas; ++j) {
        ++posicao;
        documento = j + 1;
        const bool credito = j % 3 != 0;
        natureza = credito ? "+" : "-";
        valor = (1000 + 37LL * j + 11LL * i) * 10000 + (j % 100) * 100;
        dia = inicio + j % 8;
        linha.execute(true);
        const uint32_t c = static_cast<uint32_t>(conta);
        if (j % 10 < 7) {
          entrada(c, credito, static_cast<REG_ZQDMA>(dia + (j % 3) - 1 < inicio ? dia : dia + (j % 3) - 1), valor);
        } else if (j % 10 == 7) {
          entrada(c, credito, static_cast<REG_ZQDMA>(dia), valor - 30000);
          entrada(c, credito, static_cast<REG_ZQDMA>(dia), 30000);
        }
      }
      for (int k = 0; k < 100; ++k)
        entrada(static_cast<uint32_t>(conta), k % 2 == 0, inicio + k % 8, 1234567 + 10000LL * k);
    }
    transacao.Confirma();
  }

  static void Ciclo(const fs::path& arquivo, benchmark::State* estado) {
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    if (FAILED(ZQInstalaArmazemSQL("sqlite:" + arquivo.string(), erro, &banco))) std::abort();
    ZQInstalaAnalyticsSQL(banco);
    CZQRelogioFixo relogio(CZQDma(4, 12, 2026), zq::MontaHms(9, 0, 0));
    CZQTrocaRelogio troca(relogio);
    HostSilencioso host;
    CZQProfilerEmpresa pessoa("EXEMPLO", 1, 1);
    auto* servico = static_cast<CCLConciliacaoTesourariaBancoAutomatizada*>(CLConciliacaoTesourariaBanco_new());
    servico->SetHost(&host);
    servico->Inicializa(&pessoa);
    estado->ResumeTiming();
    const HRESULT hr = servico->OnRun();
    estado->PauseTiming();
    const long contas = servico->GetContasProcessadas();
    servico->OnDestroi();
    long long conciliadas = 0;
    banco->Sessao() << "SELECT COUNT(*) FROM extrato WHERE conciliado = 'S'", soci::into(conciliadas);
    estado->counters["linhas_conciliadas"] = static_cast<double>(conciliadas);
    ZQRemoveAnalyticsSQL();
    banco.reset();
    ZQRemoveArmazemSQL();
    if (FAILED(hr) || contas != kContas) {
      std::fprintf(stderr, "cycle failed: %#x, %ld accounts\n", static_cast<unsigned>(hr), contas);
      std::abort();
    }
  }
};

Ambiente& Amb() {
  static Ambiente ambiente;
  return ambiente;
}

void BM_CicloServicoConciliacao(benchmark::State& state) {
  Ambiente& amb = Amb();
  const fs::path trabalho = amb.raiz / "trabalho.db";
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ec;
    for (const char* sufixo : {"", "-wal", "-shm"}) fs::remove(trabalho.string() + sufixo, ec);
    fs::copy_file(amb.modelo, trabalho);
    Ambiente::Ciclo(trabalho, &state);
    state.ResumeTiming();
  }
  state.counters["contas"] = kContas;
  state.SetItemsProcessed(state.iterations() * kContas * kLinhas);
}
BENCHMARK(BM_CicloServicoConciliacao)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
