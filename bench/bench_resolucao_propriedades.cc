// Finding the posting rule of statement lines: 100,000 lines of one bank account
// against 2,000 rules read from the store (half found by movement code, half by history
// text, a quarter of them for every account), in both variants. Each timed run starts
// from a routine whose lookup structures were just dropped, so building them is timed
// too. The literal walk of the rule texts (one comparison per rule and line, the keys
// formatted at every place that matches) runs over a tenth of the lines for comparison.
// Goal: the 100,000 lines in under one second.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "posting/cl_conciliacao_lanca_auto.h"
#include "posting/resolucao_oraculo.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "support/pasta_temporaria.h"

namespace {

constexpr int kRegras = 2000;
constexpr int kLinhas = 100000;
constexpr uint32_t kConta = 111;

class Rotina : public CCLConciliacaoLancaAuto {
 public:
  using CCLConciliacaoLancaAuto::BuscaPropriedades;
  using CCLConciliacaoLancaAuto::ResolvePropriedade;
  const CZQVector<_REG_PROP_CONC_TESBAN_PS>& Regras() const { return m_RegMovimentosProp; }
  const std::map<CZQString, int>& Indice() const { return m_mapPropriedades; }
  const CZQVector<CZQString>& Historicos() const { return m_aHistoricosProp; }
};

const char* const kFrases[] = {"TARIFA",       "PIX RECEBIDO", "PIX ENVIADO", "TED RECEBIDA", "PAGTO BOLETO",
                               "DEB AUTOM",    "JUROS",        "IOF",         "REND APLIC",   "DARF",
                               "TRANSF CONTA", "SAQUE",        "DEPOSITO",    "CHEQUE",       "ESTORNO"};
constexpr int kQtdFrases = sizeof kFrases / sizeof kFrases[0];

[[noreturn]] void Aborta(const char* passo, const CZQDadosDF_Erro& erro) {
  std::fprintf(stderr, "%s: %s\n", passo, erro.GetTextoMostraMensagem().c_str());
  std::abort();
}

// A company with the three bank accounts, the counterpart account and the payment
// forms the rules name.
nlohmann::json Empresa() {
  nlohmann::json d;
  d["formato"] = 1;
  d["empresa"] = {{"codigo", "BENCH"}, {"nome", "Empresa de medida"}, {"documento", "00.000.000/0001-00"}};
  d["filiais"] = nlohmann::json::array({{{"ponteiro", 1}, {"codigo", "0001"}, {"nome", "Matriz"}}});
  d["plano_contas"] = nlohmann::json::array();
  for (uint32_t conta : {111u, 112u, 113u}) {
    d["plano_contas"].push_back({{"ponteiro", conta},
                                 {"codigo_proprio", std::string("1.1.2.") + std::to_string(conta)},
                                 {"codigo_usado", std::to_string(conta)},
                                 {"nome", std::string("Banco ") + std::to_string(conta)},
                                 {"tipo", "A"},
                                 {"banco",
                                  {{"numero_banco", 990},
                                   {"nome_banco", "Banco"},
                                   {"agencia", "0042"},
                                   {"conta_corrente", std::to_string(conta) + "-7"},
                                   {"integrar_com_terceiro", 0},
                                   {"tipo_operacao", 0},
                                   {"ambiente_integracao", 0},
                                   {"ambiente_integracao_bb_extrato", 0}}}});
  }
  d["plano_contas"].push_back({{"ponteiro", 501},
                               {"codigo_proprio", "4.1.1.01"},
                               {"codigo_usado", "41101"},
                               {"nome", "Tarifas"},
                               {"tipo", "A"}});
  d["formas_pagamento"] = nlohmann::json::array(
      {{{"posicao", 2}, {"descricao", "Débito em conta"}}, {{"posicao", 5}, {"descricao", "Crédito em conta"}}});
  d["mestre"] = {{"data_bloqueio_movimentacao", ""}};
  d["mestre_empresa"] = {{"data_inferior_lancamento", "01/01/2020"}, {"data_superior_lancamento", "31/12/2030"}};
  d["periodo_contabil"] = {
      {"data_inferior_movimentacao", "01/01/2026"}, {"data_superior_movimentacao", "31/12/2027"}, {"mes_bloqueio", ""}};
  d["regras_lancamento"] = nlohmann::json::array();
  return d;
}

// The store with the rules, the routine that loaded them and the lines.
struct Cenario {
  zq_teste::PastaTemporaria pasta;
  std::shared_ptr<CZQBancoSQL> banco;
  CZQProfilerEmpresa perfil{CZQString("EXEMPLO"), 1, 1};
  Rotina rotina;
  std::vector<CZQDadosCL_Extrato> linhas;
  int porCodigo = 0, porHistorico = 0, semRegra = 0;

  Cenario() {
    CZQDadosDF_Erro erro;
    if (FAILED(ZQInstalaArmazemSQL("sqlite:" + pasta.Arquivo("cl.db"), erro, &banco))) Aborta("armazém", erro);
    nlohmann::json documento = Empresa();
    std::mt19937 g(20260310);
    std::vector<std::string> codigos, textos;
    for (int i = 0; i < kRegras; ++i) {
      const bool porCodigoRegra = i % 2 == 0;
      const std::string texto = std::string(kFrases[(i / 2) % kQtdFrases]) + " " + std::to_string(i / 2);
      nlohmann::json r;
      r["codigo_mvto_bco"] = porCodigoRegra ? std::to_string(1000 + i / 2) : std::string();
      r["historico_bco"] = porCodigoRegra ? texto + " COD" : texto;
      r["transacao"] = 1 + i % 3;
      r["forma_pagamento"] = 5;
      r["forma_pagamento_saida"] = 2;
      // One rule in eight posts only debits: its credits go on to the direction keys.
      r["contabil_entrada"] = i % 8 == 3 ? 0 : 40 + i % 7;
      r["contabil_saida"] = 50 + i % 5;
      r["conta_contrapartida"] = 501;
      static const uint32_t contas[] = {111, 112, 113};
      r["conta"] = i % 4 == 0 ? 0u : contas[(i / 4) % 3];
      documento["regras_lancamento"].push_back(r);
      if (porCodigoRegra) {
        codigos.push_back(r["codigo_mvto_bco"]);
      } else {
        textos.push_back(texto);
      }
    }
    if (FAILED(ZQCarregaDocumentoEmpresa(*banco, documento.dump(), erro))) Aborta("empresa", erro);
    if (FAILED(rotina.Inicializa(&perfil)) || FAILED(rotina.BuscaPropriedades())) Aborta("regras", rotina.GetErro());

    std::uniform_int_distribution<int> pct(0, 99), frase(0, kQtdFrases - 1), numero(0, 99999);
    std::uniform_int_distribution<std::size_t> codigo(0, codigos.size() - 1), texto(0, textos.size() - 1);
    linhas.reserve(kLinhas);
    for (int k = 0; k < kLinhas; ++k) {
      CZQDadosCL_Extrato e;
      const int p = pct(g);
      std::string historico, cod;
      if (p < 40) {  // a rule's movement code, a history of its own
        cod = codigos[codigo(g)];
        historico = std::string(kFrases[frase(g)]) + " DOC " + std::to_string(numero(g));
      } else if (p < 80) {  // a code no rule has, a history that begins with a rule's text
        cod = std::to_string(9100 + numero(g) % 900);
        historico = textos[texto(g)] + " FAVORECIDO " + std::to_string(numero(g));
      } else {  // nothing to match
        cod = std::to_string(8100 + numero(g) % 900);
        historico = std::string("LANCAMENTO AVULSO ") + std::to_string(numero(g));
      }
      e.SetConta(kConta)
          .SetFilial(1)
          .SetValor(100 + numero(g))
          .SetNatureza(pct(g) < 50 ? '+' : '-')
          .SetHistBco(CZQString(historico))
          .SetCodigoMvtoBco(CZQString(cod))
          .SetDmaExtrato(64000);
      linhas.push_back(e);
    }

    // The figures mean something only if both ways agree.
    for (int k = 0; k < kLinhas / 10; ++k) {
      for (ZQVarianteResolucao v : {ZQ_RESOLUCAO_LANCAMENTO, ZQ_RESOLUCAO_TESTE}) {
        const int rapido = rotina.ResolvePropriedade(kConta, linhas[static_cast<std::size_t>(k)], v);
        const int literal = zq_lanca::ResolveLiteral(rotina, kConta, linhas[static_cast<std::size_t>(k)], v).posicao;
        if (rapido != literal) {
          std::fprintf(stderr, "linha %d variante %d: %d em vez de %d\n", k, v, rapido, literal);
          std::abort();
        }
      }
    }
    for (const auto& e : linhas) {
      ZQResolucaoPropriedade x;
      rotina.ResolvePropriedade(kConta, e, ZQ_RESOLUCAO_LANCAMENTO, &x);
      if (x.iPosicao < 0) {
        ++semRegra;
      } else if (x.tipoChave == ZQ_CHAVE_CODIGO_CONTA || x.tipoChave == ZQ_CHAVE_CODIGO_GERAL) {
        ++porCodigo;
      } else {
        ++porHistorico;
      }
    }
  }
  ~Cenario() { ZQRemoveArmazemSQL(); }
};

Cenario& Dados() {
  static Cenario cenario;
  return cenario;
}

void Resolve(benchmark::State& state, ZQVarianteResolucao variante) {
  Cenario& c = Dados();
  long achadas = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto rotina = std::make_unique<Rotina>();
    *rotina = c.rotina;  // a copy starts without lookup structures
    state.ResumeTiming();
    achadas = 0;
    for (const auto& e : c.linhas) achadas += rotina->ResolvePropriedade(kConta, e, variante) >= 0;
    benchmark::DoNotOptimize(achadas);
    state.PauseTiming();
    rotina.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kLinhas);
  state.counters["linhas_com_regra"] = static_cast<double>(achadas);
  state.counters["por_codigo"] = c.porCodigo;
  state.counters["por_historico"] = c.porHistorico;
  state.counters["sem_regra"] = c.semRegra;
}

void BM_ResolveLancamento(benchmark::State& state) { Resolve(state, ZQ_RESOLUCAO_LANCAMENTO); }
void BM_ResolveTeste(benchmark::State& state) { Resolve(state, ZQ_RESOLUCAO_TESTE); }

void BM_PercursoLiteral(benchmark::State& state) {
  Cenario& c = Dados();
  for (auto _ : state) {
    long achadas = 0;
    for (int k = 0; k < kLinhas / 10; ++k) {
      achadas +=
          zq_lanca::ResolveLiteral(c.rotina, kConta, c.linhas[static_cast<std::size_t>(k)], ZQ_RESOLUCAO_LANCAMENTO)
              .posicao >= 0;
    }
    benchmark::DoNotOptimize(achadas);
  }
  state.SetItemsProcessed(state.iterations() * (kLinhas / 10));
}

}  // namespace

BENCHMARK(BM_ResolveLancamento)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ResolveTeste)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PercursoLiteral)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
