#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/zq_base_rotinas.h"
#include "platform/zq_acesso_areas.h"
#include "platform/zq_bstr.h"

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

// Only what the posting run uses of the reconciliation area; the rest fails.
class ConciliacaoFalsa : public CZQAcessoConciliacao {
 public:
  explicit ConciliacaoFalsa(int* destruidos) : m_destruidos(destruidos) {}
  HRESULT GetICLMestre(CZQComPtr<IZQCL_Mestre>& mestre) override {
    mestre = new MestreFalso(m_destruidos);
    return S_OK;
  }
  HRESULT GetUltimoNrConciliacao(uint32_t, uint32_t&) override { return Falha(E_FAIL); }
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }

  HRESULT LeBufferMestre(CZQDadosCL_Mestre*, int) override { return Falha(E_NOTIMPL); }
  HRESULT BuscaPonteirosMovimentoExtrato(const CZQDadosCL_FiltroExtrato&, CZQVector<uint32_t>&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT BuscaRegistrosMovimentoExtrato(const CZQDadosCL_FiltroExtrato&, const CZQVector<uint32_t>&,
                                         CZQVector<CZQDadosCL_Extrato>&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT GravaExtrato(CZQDadosCL_Extrato&) override { return Falha(E_NOTIMPL); }
  HRESULT ProcessaConciliacaoAutomatica(const CZQDadosCL_ConciliacaoAutomatica&, int32_t&,
                                        CZQDadosCL_ConciliacaoTesourariaBancos&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT BuscaConciliacao(const CZQDadosCL_ConciliacaoAutomatica&, CZQDadosCL_ConciliacaoTesourariaBancos&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT ConciliaManual(uint32_t, const CZQVector<uint32_t>&, const CZQVector<uint32_t>&, uint16_t, uint32_t,
                         uint32_t&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT DesfazConciliacao(uint32_t, uint32_t, uint16_t, uint32_t, const CZQString&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT GetChave(CZQDadosCL_Tabela&) override { return Falha(E_NOTIMPL); }
  HRESULT SalvaArqNumConciliacao(uint32_t, uint32_t) override { return Falha(E_NOTIMPL); }
  HRESULT LeConfiguracaoServicoImportacaoExtratos(CZQDadosCL_ConfiguracaoServicoImportacaoExtratos&, int) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT LeConfiguracaoConciliacaoTesourariaBanco(CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco&,
                                                   int) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT GravaExecucaoConciliacaoTesourariaBanco(const CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT LePonteirosExecucaoConciliacaoTesourariaBanco(const CZQVector<REG_ZQDMC>&,
                                                        CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>&,
                                                        int) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT BuscaPonteirosExecucaoConciliacaoTesourariaBanco(const CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco&,
                                                           CZQVector<REG_ZQDMC>&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT GravaExecucaoServicoImportacaoExtratos(const CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT BuscaPonteirosExecucaoServicoImportacaoExtratos(const CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos&,
                                                          CZQVector<REG_ZQDMC>&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT LePonteirosExecucaoServicoImportacaoExtratos(const CZQVector<REG_ZQDMC>&,
                                                       CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>&,
                                                       int) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT LeLeiaute(int32_t, CZQDadosCL_Leiaute&) override { return Falha(E_NOTIMPL); }
  HRESULT GetICLImportacaoCBN(CZQComPtr<IZQCL_ImportacaoCBN>&) override { return Falha(E_NOTIMPL); }
  HRESULT GravaConfiguracaoServicoImportacaoExtratos(const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT GravaConfiguracaoConciliacaoTesourariaBanco(
      const CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco&) override {
    return Falha(E_NOTIMPL);
  }
  HRESULT TravaConta(uint32_t) override { return Falha(E_NOTIMPL); }
  HRESULT LiberaConta(uint32_t) override { return Falha(E_NOTIMPL); }

 private:
  HRESULT Falha(HRESULT hr) { return m_erro.SetErro(hr, 1, 0); }
  CZQDadosDF_Erro m_erro;
  int* m_destruidos;
};

TEST(InterfaceServidorTest, TheServerInterfaceLivesWhileHeldAndGoesWithItsLastHolder) {
  int destruidos = 0;
  ConciliacaoFalsa conciliacao(&destruidos);
  {
    CZQComPtr<IZQCL_Mestre> mestre;
    ASSERT_EQ(conciliacao.GetICLMestre(mestre), S_OK);
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
    // Each call hands out a fresh interface; the one held before goes with it.
    ASSERT_EQ(conciliacao.GetICLMestre(mestre), S_OK);
    ASSERT_EQ(conciliacao.GetICLMestre(mestre), S_OK);
    EXPECT_EQ(destruidos, 2);
  }
  EXPECT_EQ(destruidos, 3);
}

// The failure path every caller writes: copy the area's error into the routine's own.
TEST(InterfaceServidorTest, AFailedCallLeavesItsErrorForTheCaller) {
  int destruidos = 0;
  ConciliacaoFalsa conciliacao(&destruidos);
  CZQBaseParaRotinas rotina;
  uint32_t numero = 0;
  HRESULT hr = conciliacao.GetUltimoNrConciliacao(10, numero);
  ASSERT_TRUE(FAILED(hr));
  rotina.SetErro(conciliacao.GetErro());
  EXPECT_EQ(rotina.GetErro().GetHR(), E_FAIL);
  EXPECT_TRUE(rotina.GetErro().TemErro());
}

}  // namespace
