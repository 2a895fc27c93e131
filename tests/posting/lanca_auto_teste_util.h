#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "frame/zq_data.h"
#include "posting/cl_conciliacao_lanca_auto.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_componentes_erp_sql.h"
#include "store/zq_integracao_sql.h"
#include "store/zq_soci.h"
#include "support/armazem.h"
#include "support/log_erros.h"

// What the posting tests share: the routine with its protected members in reach, rules
// written as the company file writes them, and a store of its own per test, installed
// as the process's servers, with the error log in a private directory.
namespace zq_lanca {

// The routine as the tests drive it.
class Rotina : public CCLConciliacaoLancaAuto {
 public:
  using CCLConciliacaoLancaAuto::BuscaPropriedades;
  using CCLConciliacaoLancaAuto::GeraLancamento;
  using CCLConciliacaoLancaAuto::GetComplHistorico;
  using CCLConciliacaoLancaAuto::ResolvePropriedade;
  using CCLConciliacaoLancaAuto::VerificaPodeLancar;

  const CZQVector<_REG_PROP_CONC_TESBAN_PS>& Regras() const { return m_RegMovimentosProp; }
  std::size_t CapacidadeRegras() const { return m_RegMovimentosProp.Std().capacity(); }
  uint16_t Quantidade() const { return m_iQtdMovimentosProp; }
  const std::map<CZQString, int>& Indice() const { return m_mapPropriedades; }
  const CZQVector<CZQString>& Historicos() const { return m_aHistoricosProp; }
  CConexaoPlanoContabil& Plano() { return m_pClassificacaoEmp; }

  // The plain map as text key -> position, for comparisons.
  std::map<std::string, int> IndiceTexto() const {
    std::map<std::string, int> m;
    for (const auto& [chave, posicao] : m_mapPropriedades) m[chave.str()] = posicao;
    return m;
  }
};

// A posting rule as the company file writes it; only what a test sets differs.
struct Regra {
  std::string codigo;
  std::string historico;
  uint32_t conta = 0;
  int contabilEntrada = 0;
  int contabilSaida = 0;
  int transacao = 1;
  int forma = 0;
  int formaSaida = 0;
  int complemento = 0;
  int historicoPadrao = 0;
  uint32_t classificacao = 0;
  uint32_t contrapartida = 501;
  bool agrupa = false;
};

inline nlohmann::json ComoJson(const Regra& r) {
  nlohmann::json j;
  if (!r.codigo.empty()) j["codigo_mvto_bco"] = r.codigo;
  j["historico_bco"] = r.historico;
  j["agrupa"] = r.agrupa;
  j["transacao"] = r.transacao;
  j["forma_pagamento"] = r.forma;
  j["forma_pagamento_saida"] = r.formaSaida;
  j["compl_historico"] = r.complemento;
  j["contabil_entrada"] = r.contabilEntrada;
  j["contabil_saida"] = r.contabilSaida;
  j["historico"] = r.historicoPadrao;
  j["classificacao"] = r.classificacao;
  j["conta_contrapartida"] = r.contrapartida;
  j["conta"] = r.conta;
  return j;
}

// The sample company, read once.
inline const nlohmann::json& EmpresaAmostra() {
  static const nlohmann::json documento = nlohmann::json::parse(zq_teste::LeArquivo(zq_teste::AmostraEmpresa()));
  return documento;
}

using zq_teste::Dia;

// A statement line with what the tests vary.
inline CZQDadosCL_Extrato Linha(const char* historico, const char* codigo = "", char natureza = '+',
                                uint32_t conta = 111, tagCY valor = 150000, REG_ZQDMA data = Dia(10, 3, 2026),
                                int64_t documento = 0) {
  return zq_teste::Linha(conta, 1, data, valor, natureza, historico, codigo, documento);
}

inline CZQDadosCL_ConciliacaoAutomatica Conciliacao(uint32_t conta = 111, REG_ZQDMA inicio = Dia(1, 3, 2026),
                                                    REG_ZQDMA fim = Dia(31, 3, 2026)) {
  CZQDadosCL_ConciliacaoAutomatica c;
  c.SetPonteiroConta(conta).SetPonteiroFilial(1).SetDataInicial(inicio).SetDataFinal(fim);
  return c;
}

inline std::string Hex(HRESULT hr) {
  char texto[16];
  std::snprintf(texto, sizeof texto, "%#X", static_cast<unsigned>(hr));
  return texto;
}

// The store file the store's tests copy: freshly created, the sample company loaded.
struct ArmazemAmostra : zq_teste::ArmazemTest {
  using ArmazemTest::Modelo;
};

class LancaAutoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CZQDadosDF_Erro erro;
    // A store created once per process and copied: creating one takes far longer.
    std::filesystem::copy_file(ArmazemAmostra::Modelo(true), m_pasta.Arquivo("cl.db"));
    ASSERT_EQ(ZQInstalaArmazemSQL("sqlite:" + m_pasta.Arquivo("cl.db"), erro, &m_banco), S_OK)
        << erro.GetTextoMostraMensagem().c_str();
    // A test's store is thrown away: waiting for the disk on every commit buys nothing.
    m_banco->Sessao() << "PRAGMA synchronous = OFF";
    m_hub = std::make_unique<CZQAcessoServidoresSQL>(m_banco);
    ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);
  }
  void TearDown() override { ZQRemoveArmazemSQL(); }

  // The sample company with these posting rules (and, when given, more accounts in the
  // chart), loaded over whatever the store held.
  void GravaRegras(const std::vector<Regra>& regras, const nlohmann::json& contasExtras = nlohmann::json::array()) {
    nlohmann::json documento = EmpresaAmostra();
    documento["regras_lancamento"] = nlohmann::json::array();
    for (const Regra& r : regras) documento["regras_lancamento"].push_back(ComoJson(r));
    for (const auto& c : contasExtras) documento["plano_contas"].push_back(c);
    CZQDadosDF_Erro erro;
    ASSERT_EQ(ZQCarregaDocumentoEmpresa(*m_banco, documento.dump(), erro), S_OK)
        << erro.GetTextoMostraMensagem().c_str();
  }

  CZQDadosCL_Extrato GravaLinha(CZQDadosCL_Extrato linha) {
    EXPECT_EQ(m_hub->GetAcessoConciliacao()->GravaExtrato(linha), S_OK);
    return linha;
  }

  long long Conta(const std::string& consulta) {
    long long n = 0;
    m_banco->Sessao() << consulta, soci::into(n);
    return n;
  }

  // The management accounts a classification account spreads its amounts over (shares of 1000000).
  void Rateio(uint32_t classificacao, std::vector<std::pair<uint32_t, tagCY>> contas) {
    CZQVector<tagRegGerencial_ps> rateio;
    for (auto [conta, percentual] : contas) rateio.Add(tagRegGerencial_ps{0, percentual, 9, conta});
    CZQFonteLancamentoSQL fonte(m_banco);
    ASSERT_EQ(fonte.GravaRateio(classificacao, rateio), S_OK);
  }

  // The month's error log of the sample company, as text.
  std::string LogErros() const { return zq_teste::LeArquivo(m_log.Base("EXEMPLO")); }
  // Whether the log holds the trace of `expressao` failing with `hr`.
  bool Rastreou(const std::string& expressao, HRESULT hr) const {
    return LogErros().find("hr = " + expressao + "\thr = " + Hex(hr) + " ") != std::string::npos;
  }
  std::size_t LinhasLog() const {
    std::string log = LogErros();
    std::size_t n = 0;
    for (char c : log) n += c == '\n';
    return n;
  }

  zq_teste::AmbienteLogErros m_log;
  zq_teste::PastaTemporaria m_pasta;
  std::shared_ptr<CZQBancoSQL> m_banco;
  std::unique_ptr<CZQAcessoServidoresSQL> m_hub;
  CZQProfilerEmpresa m_perfil{CZQString("EXEMPLO"), 7, 4242};
  Rotina m_rotina;
};

}  // namespace zq_lanca
