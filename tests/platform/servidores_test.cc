#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/zq_base_rotinas.h"
#include "platform/access/zq_acesso_areas.h"
#include "platform/access/zq_acesso_indisponivel.h"
#include "platform/components/zq_bstr.h"

namespace {

struct CasoBstr {
  const char* nome;
  std::string entrada;
  std::wstring largo;
  std::string volta;
};

void PrintTo(const CasoBstr& c, std::ostream* os) { *os << c.nome; }

class BstrTest : public ::testing::TestWithParam<CasoBstr> {};

// A history complement crosses to the servers as a wide string and comes back as the
// same text.
TEST_P(BstrTest, TextGoesWideAndBack) {
  CZQBstr bstr{CZQString(GetParam().entrada)};
  ASSERT_NE(bstr.Get(), nullptr);
  EXPECT_EQ(std::wstring(bstr.Get()), GetParam().largo);
  EXPECT_EQ(bstr.GetTexto().str(), GetParam().volta);
}

INSTANTIATE_TEST_SUITE_P(
    Textos, BstrTest,
    ::testing::Values(CasoBstr{"vazio", "", L"", ""}, CasoBstr{"ascii", "TED 123\r", L"TED 123\r", "TED 123\r"},
                      CasoBstr{"acentos", "Tarifa Manutenção", L"Tarifa Manuten\u00E7\u00E3o", "Tarifa Manutenção"},
                      CasoBstr{"euro", "\xE2\x82\xAC 5", L"\u20AC 5", "\xE2\x82\xAC 5"},
                      CasoBstr{"fora_do_plano_basico", "\xF0\x9F\x98\x80", L"\U0001F600", "\xF0\x9F\x98\x80"},
                      // Bytes that are not UTF-8 are code page 1252.
                      CasoBstr{"cp1252", "Pagto \xE7\x80", L"Pagto \u00E7\u20AC", "Pagto \xC3\xA7\xE2\x82\xAC"}));

TEST(BstrTest, NullReadsAsEmptyAndSurrogatesAsReplacement) {
  EXPECT_TRUE(ZQStringDeBstr(nullptr).IsEmpty());
  const wchar_t estranho[] = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000), 0};
  EXPECT_EQ(ZQStringDeBstr(estranho).str(), "a\xEF\xBF\xBD\xEF\xBF\xBD");
  ZQFreeSysString(nullptr);
}

// A posting-rule server as the store would hand it out: the interface lives as long
// as someone holds it.
class MestreFalso : public TZQRefCounted<IZQCL_Mestre> {
 public:
  explicit MestreFalso(int* destruidos) : m_destruidos(destruidos) {}
  ~MestreFalso() override { ++*m_destruidos; }
  HRESULT BuscaQuantProTesBan(uint16_t* quantidade) override {
    if (quantidade == nullptr) return E_POINTER;
    *quantidade = 2;
    return S_OK;
  }
  HRESULT BuscaRegistrosTesBan(uint16_t quantidade, _REG_PROP_CONC_TESBAN_PS* registros) override {
    if (registros == nullptr) return E_POINTER;
    for (uint16_t i = 0; i < quantidade && i < 2; ++i) {
      registros[i].szCodigoMvtoBco.Set(i == 0 ? "105" : "209");
      registros[i].lPonteiroConta = i;
    }
    return S_OK;
  }

 private:
  int* m_destruidos;
};

// How an area hands the server out: each call a fresh interface, replacing the one held.
void EntregaMestre(CZQComPtr<IZQCL_Mestre>& mestre, int* destruidos) { mestre = new MestreFalso(destruidos); }

TEST(InterfaceServidorTest, TheServerInterfaceLivesWhileHeldAndGoesWithItsLastHolder) {
  int destruidos = 0;
  {
    CZQComPtr<IZQCL_Mestre> mestre;
    EntregaMestre(mestre, &destruidos);
    ASSERT_TRUE(mestre);
    uint16_t quantidade = 0;
    ASSERT_EQ(mestre->BuscaQuantProTesBan(&quantidade), S_OK);
    std::vector<_REG_PROP_CONC_TESBAN_PS> regras(quantidade, _REG_PROP_CONC_TESBAN_PS{});
    ASSERT_EQ(mestre->BuscaRegistrosTesBan(quantidade, regras.data()), S_OK);
    EXPECT_TRUE(regras[1].szCodigoMvtoBco == "209");
    {
      CZQComPtr<IZQCL_Mestre> outro = mestre;
      mestre.Release();
      EXPECT_EQ(destruidos, 0);
    }
    EXPECT_EQ(destruidos, 1);
    EntregaMestre(mestre, &destruidos);
    EntregaMestre(mestre, &destruidos);
    EXPECT_EQ(destruidos, 2);
  }
  EXPECT_EQ(destruidos, 3);
}

// A hub that has the accounting area only.
class SoContabil final : public CZQAcessoServidores, public CZQAcessoContabil {
 public:
  CZQAcessoConciliacao* GetAcessoConciliacao() override { return nullptr; }
  CZQAcessoEmpresarial* GetAcessoEmpresarial() override { return nullptr; }
  CZQAcessoFinanceiro* GetAcessoFinanceiro() override { return nullptr; }
  CZQAcessoContabil* GetAcessoContabil() override { return this; }
  CZQAcessoIntegracao* GetAcessoIntegracao() override { return nullptr; }
  HRESULT LeBufferMestreEmpresa(CZQDadosCN_MestreEmpresa*, int) override { return S_OK; }
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }
  CZQDadosDF_Erro m_erro;
};

// Without servers, or with a hub that lacks an area, a routine still gets every area, and
// every call on a missing one is refused with the same code and a text naming why.
TEST(AreasRotinaTest, NeverNullAndAMissingAreaRefusesEveryCallAlike) {
  for (const bool comHub : {false, true}) {
    SCOPED_TRACE(comHub ? "hub with the accounting area only" : "no servers installed");
    ZQFabricaAcessoServidores anterior = ZQDefineFabricaAcessoServidores(
        comHub ? [](const IZQDF_Profiler&) { return std::unique_ptr<CZQAcessoServidores>(new SoContabil); }
               : ZQFabricaAcessoServidores());
    CZQBaseParaRotinas rotina;
    CZQDadosCN_MestreEmpresa mestre;
    CZQVector<REG_ZQDMC> chaves;
    CZQComPtr<IZQDF_IntegracaoTransacao> integracao;
    const std::vector<std::pair<HRESULT, const CZQDadosDF_Erro*>> chamadas = {
        {rotina.AreaConciliacao()->TravaConta(111), rotina.AreaConciliacao()->GetErro()},
        {rotina.AreaEmpresarial()->LeBufferPeriodoContabil(nullptr), rotina.AreaEmpresarial()->GetErro()},
        {rotina.AreaFinanceiro()->BuscaPonteirosTesouraria({}, chaves), rotina.AreaFinanceiro()->GetErro()},
        {rotina.AreaIntegracao()->GetIDFIntegracaoTransacao(integracao), rotina.AreaIntegracao()->GetErro()}};
    for (const auto& [hr, erro] : chamadas) {
      EXPECT_EQ(hr, ZQ_E_SERVIDORES_INDISPONIVEIS);
      EXPECT_EQ(erro->GetHR(), ZQ_E_SERVIDORES_INDISPONIVEIS);
      EXPECT_EQ(erro->GetTextoMostraMensagem().str(),
                "Os servidores de acesso a dados não estão disponíveis para esta rotina.");
    }
    EXPECT_EQ(rotina.AreaContabil()->LeBufferMestreEmpresa(&mestre), comHub ? S_OK : ZQ_E_SERVIDORES_INDISPONIVEIS);
    ZQDefineFabricaAcessoServidores(std::move(anterior));
  }
}

}  // namespace
