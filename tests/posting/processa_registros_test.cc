#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lanca_auto_teste_util.h"
#include "platform/components/zq_bstr.h"
#include "store/zq_integracao_sql.h"

// What the posting run hands the integration transaction: the calls in their order and
// every byte of the records, recorded on the way to the store's own transaction.
namespace {

using namespace zq_lanca;

struct Chamada {
  std::string nome;
  std::vector<uint8_t> bytes;  // the record(s) as given
  long quantidade = 0;
  std::string complemento;
};

template <typename T>
std::vector<uint8_t> Bytes(const T* p, std::size_t n = 1) {
  const auto* b = reinterpret_cast<const uint8_t*>(p);
  return std::vector<uint8_t>(b, b + sizeof(T) * n);
}

class IntegracaoGravada : public TZQRefCounted<IZQDF_IntegracaoTransacao> {
 public:
  IntegracaoGravada(CZQComPtr<IZQDF_IntegracaoTransacao> real, std::vector<Chamada>& chamadas)
      : m_real(std::move(real)), m_chamadas(chamadas) {}
  HRESULT NovaIntegracao(regNovaTransacaoPS* r) override {
    m_chamadas.push_back({"NovaIntegracao", Bytes(r), 1, {}});
    return m_real->NovaIntegracao(r);
  }
  HRESULT SetFinanceiroTesouraria(const RegSetTesouraria* r, RegFNRetorno* retorno) override {
    m_chamadas.push_back({"SetFinanceiroTesouraria", Bytes(r), 1, ZQStringDeBstr(r->bstrComplemento).str()});
    return m_real->SetFinanceiroTesouraria(r, retorno);
  }
  HRESULT SetContabilTes(uint16_t n, const RegContasContabil* r) override {
    m_chamadas.push_back({"SetContabilTes", Bytes(r, n), n, {}});
    return m_real->SetContabilTes(n, r);
  }
  HRESULT SetGerencialTes(int32_t n, const RegContasGerencial* r) override {
    m_chamadas.push_back({"SetGerencialTes", Bytes(r, static_cast<std::size_t>(n)), n, {}});
    return m_real->SetGerencialTes(n, r);
  }
  HRESULT GravaIntegracao(const RegGravaIntegracao* r, RegRetorno* retorno) override {
    m_chamadas.push_back({"GravaIntegracao", Bytes(r), 1, {}});
    return m_real->GravaIntegracao(r, retorno);
  }
  HRESULT SetOrigensAgrupadas(uint32_t n, const ChaveOrigem* c) override {
    m_chamadas.push_back({"SetOrigensAgrupadas", Bytes(c, n), static_cast<int>(n), {}});
    return m_real->SetOrigensAgrupadas(n, c);
  }

 private:
  CZQComPtr<IZQDF_IntegracaoTransacao> m_real;
  std::vector<Chamada>& m_chamadas;
};

class AreaGravada : public CZQAcessoIntegracao {
 public:
  AreaGravada(CZQAcessoIntegracao& real, std::vector<Chamada>& chamadas) : m_real(real), m_chamadas(chamadas) {}
  HRESULT GetIDFIntegracaoTransacao(CZQComPtr<IZQDF_IntegracaoTransacao>& integracao) override {
    CZQComPtr<IZQDF_IntegracaoTransacao> real;
    const HRESULT hr = m_real.GetIDFIntegracaoTransacao(real);
    integracao = new IntegracaoGravada(real, m_chamadas);
    return hr;
  }
  const CZQDadosDF_Erro* GetErro() const override { return m_real.GetErro(); }

 private:
  CZQAcessoIntegracao& m_real;
  std::vector<Chamada>& m_chamadas;
};

class HubGravado : public CZQAcessoServidores {
 public:
  HubGravado(std::shared_ptr<CZQBancoSQL> banco, std::vector<Chamada>& chamadas)
      : m_real(std::move(banco)), m_area(*m_real.GetAcessoIntegracao(), chamadas) {}
  CZQAcessoConciliacao* GetAcessoConciliacao() override { return m_real.GetAcessoConciliacao(); }
  CZQAcessoEmpresarial* GetAcessoEmpresarial() override { return m_real.GetAcessoEmpresarial(); }
  CZQAcessoFinanceiro* GetAcessoFinanceiro() override { return m_real.GetAcessoFinanceiro(); }
  CZQAcessoContabil* GetAcessoContabil() override { return m_real.GetAcessoContabil(); }
  CZQAcessoIntegracao* GetAcessoIntegracao() override { return &m_area; }

 private:
  CZQAcessoServidoresSQL m_real;
  AreaGravada m_area;
};

template <typename T>
T Le(const std::vector<uint8_t>& b, std::size_t offset) {
  T v{};
  std::memcpy(&v, b.data() + offset, sizeof v);
  return v;
}

// Every byte of `b` outside the given fields is zero.
void SoZerosFora(const std::vector<uint8_t>& b, std::vector<std::pair<std::size_t, std::size_t>> campos,
                 const char* nome) {
  for (std::size_t i = 0; i < b.size(); ++i) {
    bool dentro = false;
    for (auto [inicio, largura] : campos) dentro = dentro || (i >= inicio && i < inicio + largura);
    if (!dentro) {
      EXPECT_EQ(b[i], 0) << nome << ", byte " << i;
    }
  }
}

class RegistrosTest : public LancaAutoTest {
 protected:
  void SetUp() override {
    LancaAutoTest::SetUp();
    std::shared_ptr<CZQBancoSQL> banco = m_banco;
    m_anterior = ZQDefineFabricaAcessoServidores([this, banco](const IZQDF_Profiler&) {
      return std::unique_ptr<CZQAcessoServidores>(new HubGravado(banco, m_chamadas));
    });
    ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);
  }
  void TearDown() override {
    ZQDefineFabricaAcessoServidores(m_anterior);
    LancaAutoTest::TearDown();
  }
  std::vector<Chamada> m_chamadas;
  ZQFabricaAcessoServidores m_anterior;
};

TEST_F(RegistrosTest, ChamadasNaOrdemComCadaByteDosRegistros) {
  Regra credito{.codigo = "300",
                .historico = "DEPOSITO",
                .conta = 111,
                .contabilEntrada = 41,
                .transacao = 1,
                .forma = 5,
                .complemento = 2,
                .classificacao = 401};
  Regra transferencia{.codigo = "600",
                      .historico = "TRANSF",
                      .conta = 111,
                      .contabilEntrada = 60,
                      .contabilSaida = 60,
                      .transacao = 6,
                      .forma = 3,
                      .formaSaida = 3,
                      .classificacao = 0};
  GravaRegras({credito, transferencia});
  CZQVector<tagRegGerencial_ps> rateio;
  rateio.Add(tagRegGerencial_ps{0, 250000, 9, 7001});
  rateio.Add(tagRegGerencial_ps{0, 750000, 8, 7002});
  CZQFonteLancamentoSQL fonte(m_banco);
  ASSERT_EQ(fonte.GravaRateio(401, rateio), S_OK);
  ASSERT_EQ(m_hub->GetAcessoConciliacao()->SalvaArqNumConciliacao(111, 70), S_OK);
  const CZQDadosCL_Extrato l1 = GravaLinha(Linha("DEPOSITO LOJA", "300", '+', 111, 1000, Dia(10, 3, 2026), 11));
  const CZQDadosCL_Extrato l2 = GravaLinha(Linha("TRANSF", "600", '+', 111, 2000, Dia(10, 3, 2026), 12));
  CZQDadosCL_Tabela tabela;
  tabela.SetConta(111).SetFilial(1);
  ASSERT_EQ(m_hub->GetAcessoConciliacao()->GetChave(tabela), S_OK);
  const uint16_t chave = tabela.GetChave();

  CZQVector<CZQDadosDF_Erro> erros;
  m_rotina.SetModoSilencioso(true);
  ASSERT_EQ(m_rotina.ProcessaLancamentoConcAutomatico(Conciliacao(), erros), S_OK);
  EXPECT_TRUE(erros.IsEmpty());

  std::vector<std::string> nomes;
  for (const Chamada& c : m_chamadas) nomes.push_back(c.nome);
  ASSERT_EQ(nomes, (std::vector<std::string>{"NovaIntegracao", "SetFinanceiroTesouraria", "SetContabilTes",
                                             "SetGerencialTes", "SetFinanceiroTesouraria", "GravaIntegracao"}));

  const std::vector<uint8_t>& nova = m_chamadas[0].bytes;
  ASSERT_EQ(nova.size(), 40u);
  EXPECT_EQ(Le<uint16_t>(nova, 0), 24);
  EXPECT_EQ(Le<uint16_t>(nova, 2), 4);
  SoZerosFora(nova, {{0, 4}}, "regNovaTransacaoPS");

  for (int i : {1, 4}) {
    const std::vector<uint8_t>& t = m_chamadas[static_cast<std::size_t>(i)].bytes;
    const CZQDadosCL_Extrato& linha = i == 1 ? l1 : l2;
    ASSERT_EQ(t.size(), 344u);
    EXPECT_EQ(Le<tagCY>(t, 0), linha.GetValor());
    EXPECT_EQ(Le<uint32_t>(t, 140), i == 1 ? 71u : 72u);  // incoming side: the bank account
    EXPECT_EQ(Le<uint32_t>(t, 296), (linha.GetPosicao() << 8) | 24u);
    EXPECT_EQ(Le<uint16_t>(t, 300), chave);
    EXPECT_EQ(Le<uint32_t>(t, 312), 4242u);
    EXPECT_EQ(Le<uint32_t>(t, 316), i == 1 ? 1u : 2u);
    EXPECT_EQ(Le<uint16_t>(t, 320), 1);
    EXPECT_NE(Le<uint64_t>(t, 328), 0u);
    SoZerosFora(t, {{0, 296}, {296, 6}, {312, 4}, {316, 4}, {320, 2}, {328, 8}}, "RegSetTesouraria");
  }
  EXPECT_EQ(m_chamadas[1].complemento, "DEPOSITO LOJA\r");

  const Chamada& contabil = m_chamadas[2];
  EXPECT_EQ(contabil.quantidade, 1);
  ASSERT_EQ(contabil.bytes.size(), 48u);
  EXPECT_EQ(Le<tagCY>(contabil.bytes, 0), 1000);
  EXPECT_EQ(Le<uint32_t>(contabil.bytes, 16), 401u);
  EXPECT_EQ(Le<uint32_t>(contabil.bytes, 24), 1u);
  EXPECT_EQ(Le<uint16_t>(contabil.bytes, 28), 1);
  SoZerosFora(contabil.bytes, {{0, 8}, {16, 4}, {24, 4}, {28, 2}}, "RegContasContabil");

  const Chamada& gerencial = m_chamadas[3];
  ASSERT_EQ(gerencial.quantidade, 2);
  ASSERT_EQ(gerencial.bytes.size(), 80u);
  const std::vector<uint8_t> g0(gerencial.bytes.begin(), gerencial.bytes.begin() + 40);
  const std::vector<uint8_t> g1(gerencial.bytes.begin() + 40, gerencial.bytes.end());
  EXPECT_EQ(Le<tagCY>(g0, 0), 250);
  EXPECT_EQ(Le<tagCY>(g1, 0), 750);
  EXPECT_EQ(Le<uint32_t>(g0, 16), 9u);
  EXPECT_EQ(Le<uint32_t>(g1, 16), 8u);
  EXPECT_EQ(Le<uint32_t>(g0, 20), 7001u);
  EXPECT_EQ(Le<uint32_t>(g1, 20), 7002u);
  for (const auto* g : {&g0, &g1}) {
    EXPECT_EQ(Le<uint32_t>(*g, 24), 1u);
    EXPECT_EQ((*g)[28], 1);
    SoZerosFora(*g, {{0, 8}, {16, 4}, {20, 4}, {24, 4}, {28, 1}}, "RegContasGerencial");
  }

  const std::vector<uint8_t>& grava = m_chamadas[5].bytes;
  ASSERT_EQ(grava.size(), 48u);
  EXPECT_EQ(Le<uint16_t>(grava, 16), 1);
  const uint64_t referencia = Le<uint64_t>(grava, 40);
  EXPECT_EQ(referencia & 0x3u, 2u);
  EXPECT_EQ((referencia >> 2) & 0xFFFu, 24u);
  EXPECT_EQ((referencia >> 14) & 0xFFFFFFFFu, l2.GetPosicao());  // the origin built last
  EXPECT_EQ(referencia >> 46, chave);
  SoZerosFora(grava, {{16, 2}, {40, 8}}, "RegGravaIntegracao");
}

}  // namespace
