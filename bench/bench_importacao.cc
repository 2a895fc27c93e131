// An online import end to end on the SQLite store: 10,000 fetched lines (a Tavorin
// statement in test mode) against 100,000 lines already stored for the same account and
// period, with every duplicate-key flag set. Two cases: every fetched line is new (all
// validated and stored), and every fetched line is already stored (all validated, each
// rejected with its warning line). The store is built anew, outside the timing, for
// each run.
//
// A statement file end to end on the same store: a delimited file of 1,000,000 lines
// (the sample company's semicolon layout) read, validated against the 100,000 stored
// lines with every duplicate-key flag set, and stored in one batch; and the same as a
// dry run (read and validated, nothing stored), which leaves the store's share apart.
//
// And the duplicate search alone: 1,000 lines looked up among 100,000 known keys, by
// the import's hashed keys and by a scan of the list.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "frame/zq_base_rotinas.h"
#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "frame/zq_relogio.h"
#include "import/cl_chaves_extrato.h"
#include "import/cl_importacao_arquivo_extrato.h"
#include "import/cl_importacao_extrato.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"

namespace {

constexpr uint32_t kConta = 111;
constexpr long kArmazenadas = 100000;
constexpr long kBuscadas = 10000;
constexpr long kLinhasArquivo = 1000000;

std::filesystem::path RaizFontes() { return std::filesystem::path(__FILE__).parent_path().parent_path(); }

REG_ZQDMA Dia(int d, int m, int a) { return CZQDma(d, m, a).GetDma(); }

// The i-th line of the account: a day of November 2026, an amount, a document, a history.
CZQDadosCL_Extrato LinhaArmazenada(long i) {
  CZQDadosCL_Extrato e;
  e.SetConta(kConta)
      .SetFilial(1)
      .SetDmaExtrato(Dia(1 + static_cast<int>(i % 30), 11, 2026))
      .SetValor(100 * (1 + i % 50000))
      .SetNatureza(i % 2 ? '-' : '+')
      .SetDocumento(i)
      .SetHistBco(("LANCAMENTO " + std::to_string(i)).c_str())
      .SetConciliado('N');
  return e;
}

// The same lines written as an OFX statement.
std::string Ofx(long primeira, long quantidade) {
  std::string t = "OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\n\r\n<OFX>\r\n<BANKTRANLIST>\r\n";
  char bloco[400];
  for (long i = primeira; i < primeira + quantidade; ++i) {
    const CZQDadosCL_Extrato e = LinhaArmazenada(i);
    const tagCY v = e.GetValor();
    std::snprintf(bloco, sizeof bloco,
                  "<STMTTRN>\r\n<TRNTYPE>%s\r\n<DTPOSTED>202611%02d\r\n<TRNAMT>%s%lld,%04lld\r\n<FITID>%ld\r\n"
                  "<CHECKNUM>%ld\r\n<MEMO>%s\r\n</STMTTRN>\r\n",
                  e.GetNatureza() == '-' ? "DEBIT" : "CREDIT", CZQDma(e.GetDmaExtrato()).GetDia(),
                  e.GetNatureza() == '-' ? "-" : "", static_cast<long long>(v / 10000),
                  static_cast<long long>(v % 10000), i, i, e.GetHistBco().c_str());
    t += bloco;
  }
  t += "</BANKTRANLIST>\r\n</OFX>\r\n";
  return t;
}

// The same lines as a delimited file: date;history;document;amount with decimal commas.
std::string Csv(long primeira, long quantidade) {
  std::string t = "Data;Histórico;Documento;Valor\r\n";
  t.reserve(static_cast<std::size_t>(quantidade) * 48);
  char linha[160];
  for (long i = primeira; i < primeira + quantidade; ++i) {
    const CZQDadosCL_Extrato e = LinhaArmazenada(i);
    const long long v = e.GetValor();
    std::snprintf(linha, sizeof linha, "%02d/11/2026;%s;%ld;%s%lld,%02lld\r\n", CZQDma(e.GetDmaExtrato()).GetDia(),
                  e.GetHistBco().c_str(), i, e.GetNatureza() == '-' ? "-" : "", v / 10000, v % 10000 / 100);
    t += linha;
  }
  return t;
}

class Ambiente {
 public:
  Ambiente() {
    std::string modelo = (std::filesystem::temp_directory_path() / "cl_bench_importacao_XXXXXX").string();
    if (char* feito = mkdtemp(modelo.data())) m_raiz = feito;
    CZQConfiguracao& c = CZQConfiguracao::Global();
    c.Set("local_orbel", (m_raiz / "instalacao").string());
    c.Set("relatorios", (m_raiz / "relatorios").string());
    c.Set("temporario", (m_raiz / "tmp").string());
    c.Set("log_erros", (m_raiz / "log").string());
    c.Set("log_erros_empresa", (m_raiz / "log").string());
  }
  ~Ambiente() {
    ZQRemoveArmazemSQL();
    std::error_code ec;
    std::filesystem::remove_all(m_raiz, ec);
  }

  // A fresh store with the company and the stored lines, and the statement to fetch (or,
  // with `arquivo`, the sample company and the delimited file to import).
  bool Prepara(long primeiraBuscada, bool arquivo = false) {
    ZQRemoveArmazemSQL();
    m_banco.reset();
    std::error_code ec;
    std::filesystem::remove(m_raiz / "cl.db", ec);
    std::filesystem::remove(m_raiz / "cl.db-wal", ec);
    std::filesystem::remove(m_raiz / "cl.db-shm", ec);
    CZQDadosDF_Erro erro;
    if (FAILED(ZQInstalaArmazemSQL("sqlite:" + (m_raiz / "cl.db").string(), erro, &m_banco)) ||
        FAILED(ZQCarregaArquivoEmpresa(
            *m_banco,
            (RaizFontes() / (arquivo ? "data/sample-company.json" : "tests/import/fixtures/empresa-importacao.json"))
                .string(),
            erro))) {
      std::fprintf(stderr, "store: %s\n", erro.GetTextoMostraMensagem().c_str());
      return false;
    }
    CZQAcessoServidoresSQL hub(m_banco);
    CZQVector<CZQDadosCL_Extrato> linhas;
    linhas.Reserve(kArmazenadas);
    for (long i = 0; i < kArmazenadas; ++i) linhas.Add(LinhaArmazenada(i));
    if (FAILED(hub.Conciliacao().GravaExtratos(linhas))) return false;
    if (arquivo) {
      std::ofstream(Extrato(), std::ios::binary) << Csv(primeiraBuscada, kLinhasArquivo);
      return true;
    }
    std::filesystem::create_directories(m_raiz / "instalacao");
    std::ofstream(m_raiz / "instalacao" / CL_ARQUIVO_MOCK_EXTRATO_TAVORIN, std::ios::binary)
        << Ofx(primeiraBuscada, kBuscadas);
    return true;
  }

  std::string Extrato() const { return (m_raiz / "extrato.csv").string(); }

  long Armazenadas() {
    CZQAcessoServidoresSQL hub(m_banco);
    CZQDadosCL_FiltroExtrato filtro;
    filtro.SetConta(kConta);
    CZQVector<uint32_t> posicoes;
    hub.GetAcessoConciliacao()->BuscaPonteirosMovimentoExtrato(filtro, posicoes);
    return posicoes.GetQuantidade();
  }

 private:
  std::filesystem::path m_raiz;
  std::shared_ptr<CZQBancoSQL> m_banco;
};

// A request for the account with every duplicate-key flag set.
CZQDadosCL_FiltroImportacaoExtrato PedidoTodasChaves() {
  CZQDadosCL_FiltroImportacaoExtrato pedido;
  pedido.SetConta(kConta)
      .SetFilial(1)
      .SetVerificaDuplicidade(1)
      .SetVerificaData(1)
      .SetVerificaValor(1)
      .SetVerificaDocumento(1)
      .SetVerificaSinal(1)
      .SetVerificaCodigoMovimento(1)
      .SetVerificaDescricaoMovimento(1);
  return pedido;
}

void BM_ImportacaoDuplicidade(benchmark::State& state) {
  const bool duplicadas = state.range(0) != 0;
  Ambiente ambiente;
  CZQRelogioFixo relogio(CZQDma(20, 11, 2026), 36000);
  CZQTrocaRelogio troca(relogio);
  CZQProfilerEmpresa pessoa("BENCH", 1, 1);
  CZQDadosCL_FiltroImportacaoExtrato pedido = PedidoTodasChaves();
  pedido.SetDataInicial(Dia(1, 11, 2026)).SetDataFinal(Dia(30, 11, 2026)).SetPosicaoLeiaute(1);

  long novas = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (!ambiente.Prepara(duplicadas ? 0 : kArmazenadas)) {
      state.SkipWithError("store not prepared");
      break;
    }
    CCLImportacaoExtrato rotina;
    rotina.SetModoSilencioso();
    rotina.Inicializa(&pessoa);
    state.ResumeTiming();

    const CZQDadosDF_Erro& erro = rotina.ImportaExtrato(pedido);
    rotina.GetExtraInfoBase();

    state.PauseTiming();
    if (erro.TemErro()) state.SkipWithError(erro.GetTextoMostraMensagem().c_str());
    novas = ambiente.Armazenadas() - kArmazenadas;
    state.ResumeTiming();
  }
  if (novas != (duplicadas ? 0 : kBuscadas)) state.SkipWithError("unexpected number of lines stored");
  state.counters["armazenadas_antes"] = static_cast<double>(kArmazenadas);
  state.counters["buscadas"] = static_cast<double>(kBuscadas);
  state.counters["gravadas"] = static_cast<double>(novas);
  state.SetLabel(duplicadas ? "todas duplicadas" : "todas novas");
}

void BM_ImportacaoArquivo(benchmark::State& state) {
  const bool simulacao = state.range(0) != 0;
  Ambiente ambiente;
  CZQRelogioFixo relogio(CZQDma(4, 12, 2026), 36000);
  CZQTrocaRelogio troca(relogio);
  CZQProfilerEmpresa pessoa("BENCH", 1, 1);
  CZQDadosCL_FiltroImportacaoExtrato pedido = PedidoTodasChaves();
  pedido.SetPosicaoLeiaute(2).SetArquivo(CZQString(ambiente.Extrato()));

  long novas = -1;
  std::size_t aceitas = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (!ambiente.Prepara(kArmazenadas, true)) {
      state.SkipWithError("store not prepared");
      break;
    }
    auto rotina = std::make_unique<CCLImportacaoArquivoExtrato>();
    rotina->SetModoSilencioso();
    rotina->SetSimulacao(simulacao);
    rotina->Inicializa(&pessoa);
    state.ResumeTiming();

    const CZQDadosDF_Erro& erro = rotina->ImportaArquivo(pedido);

    state.PauseTiming();
    if (erro.TemErro()) state.SkipWithError(erro.GetTextoMostraMensagem().c_str());
    aceitas = rotina->GetGravadas().size();
    rotina.reset();  // a million lines freed outside the timing
    novas = ambiente.Armazenadas() - kArmazenadas;
    state.ResumeTiming();
  }
  if (aceitas != kLinhasArquivo || novas != (simulacao ? 0 : kLinhasArquivo)) {
    state.SkipWithError("unexpected number of lines accepted or stored");
  }
  state.counters["linhas_por_s"] =
      benchmark::Counter(static_cast<double>(kLinhasArquivo), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["armazenadas_antes"] = static_cast<double>(kArmazenadas);
  state.counters["gravadas"] = static_cast<double>(novas);
  state.SetLabel(simulacao ? "simulação: lida e validada" : "lida, validada e gravada");
}

// Looking 1,000 lines up among 100,000 keys, the import's way and by scanning the list.
void BM_BuscaChave(benchmark::State& state) {
  const bool varredura = state.range(0) != 0;
  CCLChavesExtrato chaves;
  chaves.Reserva(kArmazenadas);
  for (long i = 0; i < kArmazenadas; ++i) chaves.Adiciona(LinhaArmazenada(i));
  const CZQVector<CZQDadosCL_Extrato>& lista = chaves.GetLista();
  long achadas = 0;
  for (auto _ : state) {
    achadas = 0;
    for (long k = 0; k < 1000; ++k) {
      const CZQDadosCL_Extrato procurada = LinhaArmazenada(k * 97 + (k % 2 ? kArmazenadas : 0));
      bool achou = false;
      if (varredura) {
        for (const CZQDadosCL_Extrato& c : lista) {
          if (c == procurada) {
            achou = true;
            break;
          }
        }
      } else {
        achou = chaves.Contem(procurada);
      }
      achadas += achou;
    }
    benchmark::DoNotOptimize(achadas);
  }
  if (achadas != 500) state.SkipWithError("unexpected lookups");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 1000);
  state.SetLabel(varredura ? "varredura da lista" : "chaves com hash");
}

}  // namespace

BENCHMARK(BM_ImportacaoDuplicidade)
    ->ArgName("duplicadas")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportacaoArquivo)
    ->ArgName("simulacao")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuscaChave)->ArgName("varredura")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
