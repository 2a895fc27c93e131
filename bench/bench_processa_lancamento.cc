// The posting run over 10,000 open statement lines of one bank account, each with a
// single-line rule (half found by movement code, half by history text), on the SQLite
// store: generation, duplicate checks, classification, accounting, the integration
// transactions of 255 lines with the runs that follow each, the marks and the logs.
// Every timed run starts from a copy of the same store. Goal: 5,000 lines per second.
// The PostgreSQL variant runs where CL_BENCH_PG gives a server ("host=... port=...
// user=..."): the copy is a database made from a template database.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "frame/zq_data.h"
#include "posting/cl_conciliacao_lanca_auto.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "store/zq_integracao_sql.h"
#include "store/zq_soci.h"
#include "support/pasta_temporaria.h"

namespace {

constexpr int kLinhas = 10000;

[[noreturn]] void Aborta(const char* passo, const CZQDadosDF_Erro& erro) {
  std::fprintf(stderr, "%s: %s\n", passo, erro.GetTextoMostraMensagem().c_str());
  std::abort();
}

std::string Amostra() {
  std::filesystem::path aqui(__FILE__);
  return zq_teste::LeArquivo((aqui.parent_path().parent_path() / "data" / "sample-company.json").string());
}

std::string ServidorPg() {
  const char* s = std::getenv("CL_BENCH_PG");
  return s ? s : "";
}

void AdministraPg(const std::string& comando) { *ZQSessaoPostgres(ServidorPg() + " dbname=postgres") << comando; }

std::string NomePg(const std::string& nome) { return "cl_bench_" + std::to_string(::getpid()) + "_" + nome; }

// Loads the store at `conexao`: the sample company with a credit rule by code and a
// debit rule by history text, and the open lines over one month.
void Prepara(const std::string& conexao) {
  {
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    if (FAILED(CZQBancoSQL::Abre(conexao, banco, erro))) Aborta("Abre", erro);
    nlohmann::json documento = nlohmann::json::parse(Amostra());
    documento["regras_lancamento"] = nlohmann::json::array({{{"codigo_mvto_bco", "300"},
                                                             {"historico_bco", "DEPOSITO"},
                                                             {"transacao", 1},
                                                             {"forma_pagamento", 5},
                                                             {"contabil_entrada", 41},
                                                             {"classificacao", 401},
                                                             {"conta_contrapartida", 201},
                                                             {"conta", 111},
                                                             {"compl_historico", 2}},
                                                            {{"codigo_mvto_bco", "777"},
                                                             {"historico_bco", "TARIFA PACOTE"},
                                                             {"transacao", 2},
                                                             {"forma_pagamento_saida", 2},
                                                             {"contabil_saida", 51},
                                                             {"classificacao", 501},
                                                             {"conta_contrapartida", 501},
                                                             {"conta", 111}}});
    if (FAILED(ZQCarregaDocumentoEmpresa(*banco, documento.dump(), erro))) Aborta("Empresa", erro);
    CZQFonteLancamentoSQL fonte(banco);
    CZQVector<tagRegGerencial_ps> rateio;
    rateio.Add(tagRegGerencial_ps{0, 600000, 9, 7001});
    rateio.Add(tagRegGerencial_ps{0, 400000, 9, 7002});
    if (FAILED(fonte.GravaRateio(401, rateio))) Aborta("Rateio", *fonte.GetErro());
    CZQAcessoConciliacaoSQL conciliacao(banco);
    CZQVector<CZQDadosCL_Extrato> linhas;
    for (int i = 0; i < kLinhas; ++i) {
      const bool credito = i % 2 == 0;
      CZQDadosCL_Extrato e;
      e.SetConta(111)
          .SetFilial(1)
          .SetDmaExtrato(CZQDma(1 + i % 28, 3, 2026).GetDma())
          .SetDmaImportacao(CZQDma(1, 4, 2026).GetDma())
          .SetValor(1000 + i)
          .SetNatureza(credito ? '+' : '-')
          .SetHistBco(credito ? "DEPOSITO EM DINHEIRO" : "TARIFA PACOTE SERVICOS")
          .SetCodigoMvtoBco(credito ? "300" : "105")
          .SetDocumento(100000 + i)
          .SetConciliado('N');
      linhas.Add(e);
    }
    if (FAILED(conciliacao.GravaExtratos(linhas))) Aborta("Extratos", *conciliacao.GetErro());
  }
}

// The template: a file, or a database on the server (dropped at exit).
const std::string& Modelo(zq_teste::PastaTemporaria& pasta, bool postgres) {
  if (postgres) {
    static const std::string modelo = [] {
      const std::string nome = NomePg("modelo");
      AdministraPg("CREATE DATABASE " + nome);
      Prepara("postgresql:" + ServidorPg() + " dbname=" + nome);
      std::atexit([] { AdministraPg("DROP DATABASE IF EXISTS " + NomePg("modelo") + " WITH (FORCE)"); });
      return nome;
    }();
    return modelo;
  }
  static const std::string arquivo = [&] {
    const std::string caminho = pasta.Arquivo("modelo.db");
    Prepara("sqlite:" + caminho);
    return caminho;
  }();
  return arquivo;
}

void BM_ProcessaLancamento(benchmark::State& state, bool postgres) {
  if (postgres && ServidorPg().empty()) {
    state.SkipWithError("CL_BENCH_PG não definido: variante PostgreSQL ignorada");
    return;
  }
  zq_teste::PastaTemporaria pasta;
  const std::string& modelo = Modelo(pasta, postgres);
  CZQProfilerEmpresa perfil(CZQString("EXEMPLO"), 7, 4242);
  CZQDadosCL_ConciliacaoAutomatica conciliacao;
  conciliacao.SetPonteiroConta(111)
      .SetPonteiroFilial(1)
      .SetDataInicial(CZQDma(1, 3, 2026).GetDma())
      .SetDataFinal(CZQDma(31, 3, 2026).GetDma());
  int rodada = 0;
  for (auto _ : state) {
    state.PauseTiming();
    char nome[32];
    std::snprintf(nome, sizeof nome, "r%d.db", rodada++);
    const std::string arquivo = pasta.Arquivo(nome);
    std::string conexao;
    if (postgres) {
      AdministraPg("CREATE DATABASE " + NomePg(std::to_string(rodada)) + " TEMPLATE " + modelo);
      conexao = "postgresql:" + ServidorPg() + " dbname=" + NomePg(std::to_string(rodada));
    } else {
      std::filesystem::copy_file(modelo, arquivo);
      conexao = "sqlite:" + arquivo;
    }
    CZQDadosDF_Erro erro;
    std::shared_ptr<CZQBancoSQL> banco;
    if (FAILED(ZQInstalaArmazemSQL(conexao, erro, &banco))) Aborta("Instala", erro);
    CCLConciliacaoLancaAuto rotina;
    rotina.Inicializa(&perfil);
    rotina.SetModoSilencioso(true);
    CZQVector<CZQDadosDF_Erro> erros;
    state.ResumeTiming();

    const HRESULT hr = rotina.ProcessaLancamentoConcAutomatico(conciliacao, erros);

    state.PauseTiming();
    long long marcadas = 0;
    banco->Sessao() << "SELECT COUNT(*) FROM extrato WHERE conciliado = 'S'", soci::into(marcadas);
    if (hr != S_OK || marcadas != kLinhas || !erros.IsEmpty()) {
      std::fprintf(stderr, "run: hr %#x, %lld lines marked, %ld errors\n", static_cast<unsigned>(hr), marcadas,
                   erros.GetQuantidade());
      std::abort();
    }
    ZQRemoveArmazemSQL();
    banco.reset();
    if (postgres) {
      AdministraPg("DROP DATABASE IF EXISTS " + NomePg(std::to_string(rodada)) + " WITH (FORCE)");
    } else {
      std::filesystem::remove(arquivo);
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kLinhas);
}
// Lines per second by the clock on the wall: the store's waits count.
BENCHMARK_CAPTURE(BM_ProcessaLancamento, sqlite, false)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(BM_ProcessaLancamento, postgresql, true)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
