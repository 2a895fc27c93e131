// Proposals for a month of a busy account: half the lines have an entry of their own,
// a tenth are paid as batches of entries, the rest match nothing. And a match by hand and
// its undo on a SQLite store holding 5,000 open lines and 5,000 open entries, and a line
// posted by hand on a store of 5,000 open lines.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "frame/zq_data.h"
#include "posting/cl_conciliacao_lanca_auto.h"
#include "reconciliation/cl_bancada.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"
#include "support/pasta_temporaria.h"

namespace {

CLAbertos Abertos(int quantidade) {
  std::mt19937 gerador(7);
  std::uniform_int_distribution<int> dia(0, 29);
  std::uniform_int_distribution<int64_t> centavos(100, 5'000'000);
  CLAbertos a;
  uint32_t posicaoEntrada = 1;
  for (int i = 0; i < quantidade; ++i) {
    const REG_ZQDMA data = 46000 + dia(gerador);
    const tagCY valor = centavos(gerador) * 100 * (i % 3 == 0 ? -1 : 1);
    a.linhas.push_back({static_cast<uint32_t>(i + 1), data, valor, "", "", ""});
    if (i % 2 == 0) {
      a.entradas.push_back({posicaoEntrada++, data + i % 3, valor, "", "", ""});
    } else if (i % 10 == 1) {
      a.entradas.push_back({posicaoEntrada++, data, valor / 4, "", "", ""});
      a.entradas.push_back({posicaoEntrada++, data, valor - valor / 4, "", "", ""});
    }
  }
  while (static_cast<int>(a.entradas.size()) < quantidade)
    a.entradas.push_back(
        {posicaoEntrada++, 46000 + static_cast<REG_ZQDMA>(dia(gerador)), centavos(gerador) * 100 + 1, "", "", ""});
  return a;
}

void BM_Sugere(benchmark::State& state) {
  const CLAbertos abertos = Abertos(static_cast<int>(state.range(0)));
  const CLParametrosSugestao parametros;
  std::size_t sugestoes = 0;
  for (auto _ : state) {
    sugestoes = CLSugere(abertos, parametros).size();
    benchmark::DoNotOptimize(sugestoes);
  }
  state.counters["sugestoes"] = static_cast<double>(sugestoes);
}
BENCHMARK(BM_Sugere)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

// One iteration: one line with its entry matched by hand, then undone by its number; each
// under the account lock and in its own transaction, as "cl match" and "cl unmatch" run.
void BM_ConciliaEDesfaz(benchmark::State& state) {
  const int quantidade = static_cast<int>(state.range(0));
  std::string modelo = (std::filesystem::temp_directory_path() / "cl_bench_XXXXXX").string();
  if (!::mkdtemp(modelo.data())) {
    state.SkipWithError("sem diretório temporário");
    return;
  }
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  if (FAILED(CZQBancoSQL::Abre("sqlite:" + modelo + "/cl.db", banco, erro))) {
    state.SkipWithError(erro.GetTextoMostraMensagem().c_str());
    return;
  }
  CZQAcessoServidoresSQL hub(banco);
  CZQAcessoConciliacao& acesso = *hub.GetAcessoConciliacao();
  std::vector<uint32_t> linhas;
  for (int i = 0; i < quantidade; ++i) {
    const REG_ZQDMA data = CZQDma(1 + i % 28, 11, 2026).GetDma();
    CZQDadosCL_Extrato e;
    e.SetConta(111).SetFilial(1).SetDmaExtrato(data).SetValor(10000 + i).SetNatureza('+').SetConciliado('N');
    tagREG_TESOURARIAPS reg{};
    reg.cyValor = 10000 + i;
    reg.dmaLancamento = data;
    reg.lPonteiroContaEnt = 111;
    reg.iPonteiroFilial = 1;
    reg.cConciliadoEnt = reg.cConciliadoSai = 'N';
    CZQDadosFN_Tesouraria t(reg);
    if (FAILED(acesso.GravaExtrato(e)) || FAILED(hub.Financeiro().GravaTesouraria(t))) {
      state.SkipWithError("não gravou os itens");
      return;
    }
    linhas.push_back(e.GetPosicao());
  }
  uint32_t numero = 0;
  CZQVector<uint32_t> uma, outra;
  uma.Add(linhas[static_cast<std::size_t>(quantidade / 2)]);
  outra.Add(static_cast<uint32_t>(quantidade / 2 + 1));
  for (auto _ : state) {
    if (FAILED(acesso.ConciliaManual(111, uma, outra, 1, 1, numero)) ||
        FAILED(acesso.DesfazConciliacao(111, numero, 1, 1, CZQString("bench")))) {
      state.SkipWithError(acesso.GetErro()->GetTextoMostraMensagem().c_str());
      break;
    }
  }
  banco.reset();
  std::error_code ec;
  std::filesystem::remove_all(modelo, ec);
}
BENCHMARK(BM_ConciliaEDesfaz)->Arg(5000)->Unit(benchmark::kMillisecond);

// One iteration: the next open line of the sample company's account 111 posted by hand,
// as "cl post-line" does: its entry recorded, the line marked, the number saved, the log
// written.
void BM_LancaLinha(benchmark::State& state) {
  const int quantidade = static_cast<int>(state.range(0));
  zq_teste::PastaTemporaria pasta;
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  const std::string amostra =
      (std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "sample-company.json").string();
  if (FAILED(ZQInstalaArmazemSQL("sqlite:" + pasta.Arquivo("cl.db"), erro, &banco)) ||
      FAILED(ZQCarregaDocumentoEmpresa(*banco, zq_teste::LeArquivo(amostra), erro))) {
    state.SkipWithError(erro.GetTextoMostraMensagem().c_str());
    return;
  }
  CZQAcessoServidoresSQL hub(banco);
  CZQVector<CZQDadosCL_Extrato> linhas;
  for (int i = 0; i < quantidade; ++i) {
    CZQDadosCL_Extrato e;
    e.SetConta(111)
        .SetFilial(1)
        .SetDmaExtrato(CZQDma(1 + i % 28, 11 + i % 2, 2026).GetDma())
        .SetValor(10000 + i)
        .SetNatureza('+')
        .SetHistBco("REND APLIC")
        .SetDocumento(i)
        .SetConciliado('N');
    linhas.Add(e);
  }
  if (FAILED(hub.Conciliacao().GravaExtratos(linhas))) {
    state.SkipWithError("não gravou as linhas");
    return;
  }
  long long primeira = 0;
  banco->Sessao() << "SELECT MIN(posicao) FROM extrato", soci::into(primeira);
  _REG_PROP_CONC_TESBAN_PS regra{};
  regra.iTransacao = 1;
  regra.iPosFormaPagamento = 5;
  regra.iContabilEntrada = 43;
  regra.lHistorico = 3;
  regra.lPosClassificacao = regra.lContaContrapartida = 403;
  regra.lPonteiroConta = 111;
  CZQProfilerEmpresa perfil(CZQString("EXEMPLO"), 7, 4242);
  CCLConciliacaoLancaAuto rotina;
  rotina.Inicializa(&perfil);
  auto linha = static_cast<uint32_t>(primeira);
  for (auto _ : state) {
    CZQVector<CZQDadosDF_Erro> recusas;
    uint32_t numero = 0;
    if (rotina.LancaLinha(111, 0, linha++, regra, recusas, numero) != S_OK || numero == 0) {
      state.SkipWithError(recusas.IsEmpty() ? rotina.GetErro().GetTextoMostraMensagem().c_str()
                                            : recusas[0].GetTextoMostraMensagem().c_str());
      break;
    }
  }
  ZQRemoveArmazemSQL();
}
BENCHMARK(BM_LancaLinha)->Arg(5000)->Iterations(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
