#pragma once

// The store as the tests set it up: a fresh one per test with the sample company file
// loaded (SQLite by default, PostgreSQL with CL_TESTE_BANCO=postgresql), the areas over it,
// and the records the tests build most.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "frame/zq_data.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"
#include "support/pasta_temporaria.h"
#include "support/postgres.h"

namespace zq_teste {

inline const std::string& AmostraEmpresa() {
  static const std::string caminho = std::string(CL_TEST_SOURCE_DIR) + "/data/sample-company.json";
  return caminho;
}

// A store opened at `conexao`, or null with the failure reported to the test.
inline std::shared_ptr<CZQBancoSQL> AbreBanco(const std::string& conexao) {
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  EXPECT_EQ(CZQBancoSQL::Abre(conexao, banco, erro), S_OK) << erro.GetTextoMostraMensagem().c_str();
  return banco;
}

inline REG_ZQDMA Dia(int dia, int mes, int ano) { return CZQDma(dia, mes, ano).GetDma(); }

inline std::string TextoErro(const CZQDadosDF_Erro* erro) {
  return erro ? std::string(erro->GetTextoMostraMensagem().c_str()) : std::string("(sem registro)");
}

// A statement line with the fields the tests vary.
inline CZQDadosCL_Extrato Linha(uint32_t conta, uint16_t filial, REG_ZQDMA data, tagCY valor, char natureza,
                                const char* historico, const char* codigo = "", int64_t documento = 0) {
  CZQDadosCL_Extrato e;
  e.SetConta(conta)
      .SetFilial(filial)
      .SetDmaExtrato(data)
      .SetDmaImportacao(data)
      .SetValor(valor)
      .SetNatureza(natureza)
      .SetHistBco(historico)
      .SetCodigoMvtoBco(codigo)
      .SetDocumento(documento)
      .SetConciliado(ZQ_CONCILIADO_NAO);
  return e;
}

// A store of its own in a temporary directory, with the sample company loaded, and a
// hub over it.
class ArmazemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const bool comEmpresa = CarregaAmostra();
    if (TestaPostgres()) {
      // The same on PostgreSQL: a template database per process, copied per test.
      const std::string modelo = ModeloPostgres(
          comEmpresa ? "empresa" : "vazio", [comEmpresa](const std::string& c) { return CriaModelo(c, comEmpresa); });
      ASSERT_FALSE(modelo.empty());
      m_pg = std::make_unique<BancoPostgresTemporario>(modelo);
    } else {
      // Creating and loading a store costs a few syncs of the disk: it is done once per
      // process and copied for each test.
      const std::string& modelo = Modelo(comEmpresa);
      ASSERT_FALSE(modelo.empty());
      std::filesystem::copy_file(modelo, Arquivo());
    }
    m_banco = AbreBanco(Conexao());
    ASSERT_TRUE(m_banco);
    m_hub = std::make_unique<CZQAcessoServidoresSQL>(m_banco);
  }

  // A fresh store at `conexao`, with the sample company if asked.
  static bool CriaModelo(const std::string& conexao, bool comEmpresa) {
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    if (FAILED(CZQBancoSQL::Abre(conexao, banco, erro))) return false;
    return !(comEmpresa && FAILED(ZQCarregaArquivoEmpresa(*banco, AmostraEmpresa(), erro)));
  }

  static const std::string& Modelo(bool comEmpresa) {
    static PastaTemporaria pasta;
    static std::string caminhos[2];
    std::string& caminho = caminhos[comEmpresa ? 1 : 0];
    if (caminho.empty()) {
      const std::string arquivo = pasta.Arquivo(comEmpresa ? "empresa.db" : "vazio.db");
      // Closing the store at the end of CriaModelo folds the write-ahead log into the file.
      if (CriaModelo("sqlite:" + arquivo, comEmpresa)) caminho = arquivo;
    }
    return caminho;
  }

  virtual bool CarregaAmostra() const { return true; }
  std::string Arquivo() const { return m_pasta.Arquivo("cl.db"); }
  std::string Conexao() const { return m_pg ? m_pg->Conexao() : "sqlite:" + Arquivo(); }
  bool EmPostgres() const { return m_pg != nullptr; }
  // The single number a query of the test's store gives (a count, a column).
  long long Escalar(const std::string& consulta) {
    long long n = 0;
    m_banco->Sessao() << consulta, soci::into(n);
    return n;
  }

  // A treasury entry of December 2026 stored, and its position.
  uint32_t GravaTesouraria(uint32_t ent, uint32_t sai, int dia, tagCY valor, char cEnt = 'N', char cSai = 'N',
                           char cAuto = 'N', uint16_t filial = 1) {
    tagREG_TESOURARIAPS r{};
    r.cyValor = valor;
    r.dmaLancamento = r.dmaEmissao = Dia(dia, 12, 2026);
    r.lPonteiroContaEnt = ent;
    r.lPonteiroContaSai = sai;
    r.cConciliadoEnt = cEnt;
    r.cConciliadoSai = cSai;
    r.cConciliadoAuto = cAuto;
    r.iPonteiroFilial = filial;
    r.iHistorico = 4;
    r.ucTipoDocumentoTransacao = 1;
    r.ucTipoDocFormaPagamento = 3;
    r.szDocumento.Set("DOC-" + std::to_string(dia));
    CZQDadosFN_Tesouraria t(r);
    EXPECT_EQ(m_hub->Financeiro().GravaTesouraria(t), S_OK) << TextoErro(m_hub->Financeiro().GetErro());
    return t.GetPosicaoReg();
  }

  CZQAcessoConciliacao& Conc() { return *m_hub->GetAcessoConciliacao(); }
  CZQAcessoEmpresarial& Emp() { return *m_hub->GetAcessoEmpresarial(); }
  CZQAcessoFinanceiro& Fin() { return *m_hub->GetAcessoFinanceiro(); }
  CZQAcessoContabil& Cont() { return *m_hub->GetAcessoContabil(); }
  CZQAcessoIntegracao& Integ() { return *m_hub->GetAcessoIntegracao(); }

  PastaTemporaria m_pasta;
  std::unique_ptr<BancoPostgresTemporario> m_pg;  // dropped after the connections below
  std::shared_ptr<CZQBancoSQL> m_banco;
  std::unique_ptr<CZQAcessoServidoresSQL> m_hub;
};

// The same without company: what a freshly created store holds.
class ArmazemVazioTest : public ArmazemTest {
 protected:
  bool CarregaAmostra() const override { return false; }
};

}  // namespace zq_teste
