// Reading of OFX statement files: time and memory of the whole reader (file to
// statement lines) for 1,000, 100,000 and 1,000,000 transactions, in the SGML form
// (one element per line, CRLF) and in the XML form (the whole document on one line);
// and the normalisation step alone, against the plain walk that inserts and deletes in
// one string (quadratic), on small files only.
//
// Counters:
//  - bytes_per_second: file bytes read per second;
//  - linhas_por_s: lines of the normalised text (one element each) read per second;
//  - transacoes_por_s: statement lines produced per second;
//  - heap_pico_x_arquivo: peak of the bytes live through operator new during the read,
//    over the level before it, divided by the file size (the statement lines produced
//    are part of it);
//  - heap_resultado_x_arquivo: what the statement lines produced hold at the end, over
//    the file size.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <string>

#include "bench_memoria.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "import/cl_importacao_extrato.h"
#include "import/cl_ofx.h"
#include "import/normalizacao_referencia.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"

// The reader is a private member of the import routine.
struct CCLImportacaoExtratoAcessoTeste {
  static CZQDadosDF_Erro& Interpreta(CCLImportacaoExtrato& r, const CZQDadosCL_FiltroImportacaoExtrato& filtro,
                                     CZQVector<CZQDadosCL_Extrato>& lista, const CZQString& caminho) {
    return r.InterpretaArquivoExtratoTavorin(filtro, lista, caminho);
  }
};

namespace {

enum Forma { SGML = 0, XML = 1 };

// The source tree, from this file's own place (the build names sources by full path).
std::filesystem::path RaizFontes() { return std::filesystem::path(__FILE__).parent_path().parent_path(); }

// A directory of its own with the SQL store (for the layout) and the generated files.
class Ambiente {
 public:
  static Ambiente& Get() {
    static Ambiente ambiente;
    return ambiente;
  }
  ~Ambiente() {
    ZQRemoveArmazemSQL();
    std::error_code ec;
    std::filesystem::remove_all(m_raiz, ec);
  }

  const std::string& Arquivo(Forma forma, long transacoes) {
    std::string& caminho = m_arquivos[{forma, transacoes}];
    if (caminho.empty()) {
      caminho = (m_raiz / ((forma == SGML ? "sgml_" : "xml_") + std::to_string(transacoes) + ".ofx")).string();
      std::ofstream(caminho, std::ios::binary) << Gera(forma, transacoes);
    }
    return caminho;
  }

  static std::string Gera(Forma forma, long transacoes) {
    const bool xml = forma == XML;
    const char* q = xml ? "" : "\r\n";
    std::string t = xml ? "<?xml version=\"1.0\" encoding=\"utf-8\"?><?OFX OFXHEADER=\"200\" VERSION=\"202\"?>"
                        : "OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\nCHARSET:1252\r\n\r\n";
    t += std::string("<OFX>") + q + "<BANKMSGSRSV1>" + q + "<STMTTRNRS>" + q + "<STMTRS>" + q + "<BANKTRANLIST>" + q;
    char bloco[512];
    for (long i = 0; i < transacoes; ++i) {
      const long dia = 1 + i % 28;
      const long centavos = 100 + (i * 7919) % 99900;
      if (xml) {
        std::snprintf(bloco, sizeof bloco,
                      "<STMTTRN><TRNTYPE>%s</TRNTYPE><DTPOSTED>202611%02ld120000[-3:BRT]</DTPOSTED>"
                      "<TRNAMT>%s%ld.%02ld</TRNAMT><FITID>%09ld</FITID><CHECKNUM>%06ld</CHECKNUM>"
                      "<MEMO>PAGAMENTO FORNECEDOR %06ld</MEMO></STMTTRN>",
                      i % 3 ? "DEBIT" : "CREDIT", dia, i % 3 ? "-" : "", centavos / 100, centavos % 100, i, i % 1000000,
                      i % 1000000);
      } else {
        std::snprintf(bloco, sizeof bloco,
                      "<STMTTRN>\r\n<TRNTYPE>%s\r\n<DTPOSTED>202611%02ld120000[-3:BRT]\r\n<TRNAMT>%s%ld,%02ld\r\n"
                      "<FITID>%09ld\r\n<CHECKNUM>%06ld\r\n<MEMO>PAGAMENTO FORNECEDOR %06ld\r\n</STMTTRN>\r\n",
                      i % 3 ? "DEBIT" : "CREDIT", dia, i % 3 ? "-" : "", centavos / 100, centavos % 100, i, i % 1000000,
                      i % 1000000);
      }
      t += bloco;
    }
    t += std::string("</BANKTRANLIST>") + q + "</STMTRS>" + q + "</STMTTRNRS>" + q + "</BANKMSGSRSV1>" + q + "</OFX>" +
         q;
    return t;
  }

  CZQProfilerEmpresa pessoa{"BENCH", 1, 1};

 private:
  Ambiente() {
    std::string modelo = (std::filesystem::temp_directory_path() / "cl_bench_ofx_XXXXXX").string();
    if (char* feito = mkdtemp(modelo.data())) m_raiz = feito;
    CZQConfiguracao::Global().Set("log_erros", (m_raiz / "log").string());
    CZQConfiguracao::Global().Set("log_erros_empresa", (m_raiz / "log").string());
    CZQDadosDF_Erro erro;
    std::shared_ptr<CZQBancoSQL> banco;
    if (FAILED(ZQInstalaArmazemSQL("sqlite:" + (m_raiz / "cl.db").string(), erro, &banco)) ||
        FAILED(ZQCarregaArquivoEmpresa(
            *banco, (RaizFontes() / "tests/import/fixtures/empresa-importacao.json").string(), erro))) {
      std::fprintf(stderr, "store: %s\n", erro.GetTextoMostraMensagem().c_str());
      std::abort();
    }
  }

  std::filesystem::path m_raiz;
  std::map<std::pair<int, long>, std::string> m_arquivos;
};

void BM_LeituraOfx(benchmark::State& state) {
  const Forma forma = static_cast<Forma>(state.range(0));
  const long transacoes = state.range(1);
  Ambiente& ambiente = Ambiente::Get();
  const std::string caminho = ambiente.Arquivo(forma, transacoes);
  const long long tamanho = static_cast<long long>(std::filesystem::file_size(caminho));
  long long linhasNormalizadas = 0;
  {
    std::ifstream in(caminho, std::ios::binary);
    const std::string texto((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string normalizado = cl_import::NormalizaTextoOfx(texto);
    for (char c : normalizado) linhasNormalizadas += c == '\n';
  }

  CCLImportacaoExtrato rotina;
  if (FAILED(rotina.Inicializa(&ambiente.pessoa))) state.SkipWithError("routine not bound");
  CZQDadosCL_FiltroImportacaoExtrato filtro;
  filtro.SetConta(111).SetFilial(1).SetPosicaoLeiaute(1);

  long long pico = 0;
  long long resultado = 0;
  long lidas = 0;
  for (auto _ : state) {
    CZQVector<CZQDadosCL_Extrato> lista;
    const long long antes = bench_memoria::ZeraPico();
    const CZQDadosDF_Erro& erro = CCLImportacaoExtratoAcessoTeste::Interpreta(rotina, filtro, lista, caminho);
    pico = std::max(pico, bench_memoria::PicoAcimaDe(antes));
    resultado = bench_memoria::g_heapAtual.load() - antes;
    if (erro.TemErro()) state.SkipWithError(erro.GetTextoMostraMensagem().c_str());
    lidas = lista.GetQuantidade();
    benchmark::DoNotOptimize(lista.GetData());
    state.PauseTiming();
    lista.RemoveAll();
    state.ResumeTiming();
  }
  if (lidas != transacoes) state.SkipWithError("not every transaction was read");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * tamanho);
  state.counters["linhas_por_s"] =
      benchmark::Counter(static_cast<double>(linhasNormalizadas), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["transacoes_por_s"] =
      benchmark::Counter(static_cast<double>(transacoes), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["arquivo_MB"] = static_cast<double>(tamanho) / 1e6;
  state.counters["heap_pico_x_arquivo"] = static_cast<double>(pico) / static_cast<double>(tamanho);
  state.counters["heap_resultado_x_arquivo"] = static_cast<double>(resultado) / static_cast<double>(tamanho);
  state.SetLabel(forma == SGML ? "SGML" : "XML uma linha");
}

void BM_Normalizacao(benchmark::State& state) {
  const bool ingenua = state.range(2) != 0;
  const std::string texto = Ambiente::Gera(static_cast<Forma>(state.range(0)), state.range(1));
  for (auto _ : state) {
    std::string saida =
        ingenua ? cl_import_referencia::NormalizaPassoAPasso(texto) : cl_import::NormalizaTextoOfx(texto);
    benchmark::DoNotOptimize(saida.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(texto.size()));
  state.SetLabel(std::string(state.range(0) == SGML ? "SGML" : "XML uma linha") + (ingenua ? ", ingênua" : ""));
}

}  // namespace

BENCHMARK(BM_LeituraOfx)
    ->ArgNames({"xml", "transacoes"})
    ->Args({SGML, 1000})
    ->Args({XML, 1000})
    ->Args({SGML, 100000})
    ->Args({XML, 100000})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LeituraOfx)
    ->ArgNames({"xml", "transacoes"})
    ->Args({SGML, 1000000})
    ->Args({XML, 1000000})
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Normalizacao)
    ->ArgNames({"xml", "transacoes", "ingenua"})
    ->Args({XML, 1000, 0})
    ->Args({XML, 1000, 1})
    ->Args({XML, 4000, 0})
    ->Args({XML, 4000, 1})
    ->Args({XML, 8000, 0})
    ->Args({XML, 8000, 1})
    ->Args({SGML, 16000, 0})
    ->Args({SGML, 16000, 1})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
