#include "platform/access/zq_acesso_indisponivel.h"

#include "platform/access/zq_acesso_areas.h"

namespace {

constexpr const char kTextoIndisponivel[] = "Os servidores de acesso a dados não estão disponíveis para esta rotina.";

const CZQDadosDF_Erro& ErroIndisponivel() {
  static const CZQDadosDF_Erro erro = [] {
    CZQDadosDF_Erro e;
    e.SetErro(ZQ_E_SERVIDORES_INDISPONIVEIS, 0, 0);
    e.SetTexto(kTextoIndisponivel);
    return e;
  }();
  return erro;
}

constexpr HRESULT kFalha = ZQ_E_SERVIDORES_INDISPONIVEIS;

class CAcessoConciliacaoIndisponivel final : public CZQAcessoConciliacao {
 public:
  HRESULT LeBufferMestre(CZQDadosCL_Mestre*, int) override { return kFalha; }
  HRESULT BuscaPonteirosMovimentoExtrato(const CZQDadosCL_FiltroExtrato&, CZQVector<uint32_t>&) override {
    return kFalha;
  }
  HRESULT BuscaRegistrosMovimentoExtrato(const CZQDadosCL_FiltroExtrato&, const CZQVector<uint32_t>&,
                                         CZQVector<CZQDadosCL_Extrato>&) override {
    return kFalha;
  }
  HRESULT GravaExtrato(CZQDadosCL_Extrato&) override { return kFalha; }
  HRESULT ProcessaConciliacaoAutomatica(const CZQDadosCL_ConciliacaoAutomatica&, int32_t&,
                                        CZQDadosCL_ConciliacaoTesourariaBancos&) override {
    return kFalha;
  }
  HRESULT BuscaConciliacao(const CZQDadosCL_ConciliacaoAutomatica&, CZQDadosCL_ConciliacaoTesourariaBancos&) override {
    return kFalha;
  }
  HRESULT ConciliaManual(uint32_t, const CZQVector<uint32_t>&, const CZQVector<uint32_t>&, uint16_t, uint32_t,
                         uint32_t&) override {
    return kFalha;
  }
  HRESULT DesfazConciliacao(uint32_t, uint32_t, uint16_t, uint32_t, const CZQString&) override { return kFalha; }
  HRESULT GetUltimoNrConciliacao(uint32_t, uint32_t&) override { return kFalha; }
  HRESULT GetChave(CZQDadosCL_Tabela&) override { return kFalha; }
  HRESULT SalvaArqNumConciliacao(uint32_t, uint32_t) override { return kFalha; }
  HRESULT LeConfiguracaoServicoImportacaoExtratos(CZQDadosCL_ConfiguracaoServicoImportacaoExtratos&, int) override {
    return kFalha;
  }
  HRESULT LeConfiguracaoConciliacaoTesourariaBanco(CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco&,
                                                   int) override {
    return kFalha;
  }
  HRESULT GravaExecucaoConciliacaoTesourariaBanco(
      const CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>&) override {
    return kFalha;
  }
  HRESULT LePonteirosExecucaoConciliacaoTesourariaBanco(const CZQVector<REG_ZQDMC>&,
                                                        CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>&,
                                                        int) override {
    return kFalha;
  }
  HRESULT BuscaPonteirosExecucaoConciliacaoTesourariaBanco(const CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco&,
                                                           CZQVector<REG_ZQDMC>&) override {
    return kFalha;
  }
  HRESULT GravaExecucaoServicoImportacaoExtratos(CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>&) override {
    return kFalha;
  }
  HRESULT BuscaPonteirosExecucaoServicoImportacaoExtratos(const CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos&,
                                                          CZQVector<REG_ZQDMC>&) override {
    return kFalha;
  }
  HRESULT LePonteirosExecucaoServicoImportacaoExtratos(const CZQVector<REG_ZQDMC>&,
                                                       CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>&,
                                                       int) override {
    return kFalha;
  }
  HRESULT LeLeiaute(int32_t, CZQDadosCL_Leiaute&) override { return kFalha; }
  HRESULT LeColunasLeiaute(int32_t, REG_LEIAUTE_COLUNASPS&) override { return kFalha; }
  HRESULT GetICLMestre(CZQComPtr<IZQCL_Mestre>&) override { return kFalha; }
  HRESULT GetICLImportacaoCBN(CZQComPtr<IZQCL_ImportacaoCBN>&) override { return kFalha; }
  HRESULT GravaConfiguracaoServicoImportacaoExtratos(const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos&) override {
    return kFalha;
  }
  HRESULT GravaConfiguracaoConciliacaoTesourariaBanco(
      const CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco&) override {
    return kFalha;
  }
  const CZQDadosDF_Erro* GetErro() const override { return &ErroIndisponivel(); }
  HRESULT TravaConta(uint32_t) override { return kFalha; }
  HRESULT LiberaConta(uint32_t) override { return kFalha; }
  HRESULT GravaExtratos(CZQVector<CZQDadosCL_Extrato>&, const ZQArquivoExtratoImportado*) override { return kFalha; }
  HRESULT BuscaArquivoExtratoImportado(const CZQString&, ZQArquivoExtratoImportado&) override { return kFalha; }
  HRESULT TentaTravaConta(uint32_t, bool& obtida) override {
    obtida = false;
    return kFalha;
  }
};

class CAcessoEmpresarialIndisponivel final : public CZQAcessoEmpresarial {
 public:
  HRESULT LeBufferFormaPagamento(uint32_t, CZQDadosDF_FormaPagamento*, int) override { return kFalha; }
  HRESULT LeBanco(const uint32_t&, CZQDadosDF_Banco*, int) override { return kFalha; }
  HRESULT LeBufferBanco(uint32_t, CZQDadosDF_Banco*, int) override { return kFalha; }
  HRESULT LeBufferPlanoContabil(uint32_t, CZQDadosDF_PlanoEmpresarial*, int) override { return kFalha; }
  HRESULT LePlanoGerencial(uint32_t, CZQDadosDF_PlanoEmpresarial*, int) override { return kFalha; }
  HRESULT LeBufferHistorico(uint32_t, CZQDadosDF_Historico*, int) override { return kFalha; }
  HRESULT LeBufferPeriodoContabil(CZQDadosDF_PeriodoContabil*, int) override { return kFalha; }
  HRESULT BuscaFeriadosFilial(uint32_t, CZQVector<CZQDadosDF_Feriado>&) override { return kFalha; }
  const CZQDadosDF_Erro* GetErro() const override { return &ErroIndisponivel(); }
};

class CAcessoFinanceiroIndisponivel final : public CZQAcessoFinanceiro {
 public:
  HRESULT BuscaPonteirosTesouraria(const CZQDadosFN_FiltroTesouraria&, CZQVector<REG_ZQDMC>&) override {
    return kFalha;
  }
  HRESULT LeTesouraria(const CZQVector<REG_ZQDMC>&, CZQVector<CZQDadosFN_Tesouraria>&) override { return kFalha; }
  HRESULT GetIFNTesouraria(CZQComPtr<IZQFN_Tesouraria>&) override { return kFalha; }
  HRESULT LeBufferMestre(CZQDadosFN_Mestre*, int) override { return kFalha; }
  HRESULT GravaStatusHiperautomacaoFinanceira(const CZQDadosFN_StatusHiperautomacaoFinanceira&) override {
    return kFalha;
  }
  const CZQDadosDF_Erro* GetErro() const override { return &ErroIndisponivel(); }
};

class CAcessoContabilIndisponivel final : public CZQAcessoContabil {
 public:
  HRESULT LeBufferMestreEmpresa(CZQDadosCN_MestreEmpresa*, int) override { return kFalha; }
  const CZQDadosDF_Erro* GetErro() const override { return &ErroIndisponivel(); }
};

class CAcessoIntegracaoIndisponivel final : public CZQAcessoIntegracao {
 public:
  HRESULT GetIDFIntegracaoTransacao(CZQComPtr<IZQDF_IntegracaoTransacao>&) override { return kFalha; }
  const CZQDadosDF_Erro* GetErro() const override { return &ErroIndisponivel(); }
};

class CAcessoServidoresIndisponiveis final : public CZQAcessoServidores {
 public:
  CZQAcessoConciliacao* GetAcessoConciliacao() override { return &m_conciliacao; }
  CZQAcessoEmpresarial* GetAcessoEmpresarial() override { return &m_empresarial; }
  CZQAcessoFinanceiro* GetAcessoFinanceiro() override { return &m_financeiro; }
  CZQAcessoContabil* GetAcessoContabil() override { return &m_contabil; }
  CZQAcessoIntegracao* GetAcessoIntegracao() override { return &m_integracao; }

 private:
  CAcessoConciliacaoIndisponivel m_conciliacao;
  CAcessoEmpresarialIndisponivel m_empresarial;
  CAcessoFinanceiroIndisponivel m_financeiro;
  CAcessoContabilIndisponivel m_contabil;
  CAcessoIntegracaoIndisponivel m_integracao;
};

}  // namespace

CZQAcessoServidores& ZQAcessoServidoresIndisponiveis() {
  static CAcessoServidoresIndisponiveis hub;
  return hub;
}
