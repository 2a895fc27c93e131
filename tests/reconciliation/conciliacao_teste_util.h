#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "importservice/servico_teste_util.h"
#include "platform/records/zq_estruturas_tesouraria.h"
#include "reconciliation/cl_conciliacao_tesouraria_banco_automatizada.h"
#include "support/armazem.h"

namespace cl_servico_teste {

// The reconciliation service over the sample company's store, with the clock of the
// import service's tests (Friday 04/12/2026 09:00).
class ServicoConciliacaoTest : public ServicoImportacaoTest {
 protected:
  using RegraConc = CCLConciliacaoTesourariaBancoAutomatizada::Regra;

  void SetUp() override {
    ServicoImportacaoTest::SetUp();
    if (HasFatalFailure()) return;
    m_conc = NovaConc();
  }
  void TearDown() override {
    if (m_conc) m_conc->OnDestroi();
    ServicoImportacaoTest::TearDown();
  }

  // A service made now, under whatever fault injection is in force.
  CCLConciliacaoTesourariaBancoAutomatizada* NovaConc() {
    auto* conc = static_cast<CCLConciliacaoTesourariaBancoAutomatizada*>(CLConciliacaoTesourariaBanco_new());
    conc->SetHost(&m_host);
    EXPECT_EQ(conc->Inicializa(&m_pessoa), S_OK);
    return conc;
  }
  CZQAcessoConciliacao& Conc() { return *m_hub->GetAcessoConciliacao(); }

  void ConfiguraConc(const std::vector<RegraConc>& regras) {
    CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco configuracao;
    for (const auto& r : regras) configuracao.AdicionaRegra(r);
    ASSERT_EQ(Conc().GravaConfiguracaoConciliacaoTesourariaBanco(configuracao), S_OK);
  }

  // A statement line of the account; the amount in cents. Returns its position.
  uint32_t Linha(uint32_t conta, uint16_t filial, REG_ZQDMA dia, long long centavos, char natureza,
                 const char* historico, const char* codigo = "") {
    CZQDadosCL_Extrato e =
        zq_teste::Linha(conta, filial, dia, centavos * 100, natureza, historico, codigo, ++m_documento);
    EXPECT_EQ(Conc().GravaExtrato(e), S_OK);
    return e.GetPosicao();
  }

  // An open treasury entry of the account, money in (`entra`) or out. Returns its position.
  uint32_t Entrada(uint32_t conta, bool entra, REG_ZQDMA dia, long long centavos, uint16_t filial = 1) {
    tagREG_TESOURARIAPS reg{};
    reg.cyValor = centavos * 100;
    reg.dmaLancamento = dia;
    (entra ? reg.lPonteiroContaEnt : reg.lPonteiroContaSai) = conta;
    reg.iPonteiroFilial = filial;
    reg.cConciliadoEnt = 'N';
    reg.cConciliadoSai = 'N';
    CZQDadosFN_Tesouraria t(reg);
    EXPECT_EQ(m_hub->Financeiro().GravaTesouraria(t), S_OK);
    return static_cast<uint32_t>(Escalar("SELECT MAX(posicao) FROM tesouraria"));
  }

  // Today's reconciliation execution records, in execution order.
  std::vector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> ExecucoesConc() {
    CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco filtro;
    filtro.SetDmaExecucaoInicial(zq::Hoje().GetDma()).SetDmaExecucaoFinal(zq::Hoje().GetDma());
    CZQVector<REG_ZQDMC> chaves;
    CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> lidas;
    EXPECT_EQ(Conc().BuscaPonteirosExecucaoConciliacaoTesourariaBanco(filtro, chaves), S_OK);
    EXPECT_EQ(Conc().LePonteirosExecucaoConciliacaoTesourariaBanco(chaves, lidas, 0), S_OK);
    return lidas.Std();
  }
  void GravaExecucaoConc(uint32_t filial, uint32_t conta, uint8_t status) {
    CZQDadosCL_ExecucaoConciliacaoTesourariaBanco e;
    e.SetPonteiroBanco(conta).SetPonteiroFilial(filial).SetDataHoraExecucao(zq::Agora()).SetTipoStatus(status);
    CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> lista;
    lista.Add(e);
    ASSERT_EQ(Conc().GravaExecucaoConciliacaoTesourariaBanco(lista), S_OK);
  }

  // (branch, accounts) of the rules one DeveExecutar finds due.
  std::vector<std::pair<uint32_t, std::vector<uint32_t>>> DevidasConc() {
    const bool deve = m_conc->DeveExecutar();
    std::vector<std::pair<uint32_t, std::vector<uint32_t>>> devidas;
    for (const auto& r : m_conc->GetListaRegrasDevidas())
      devidas.emplace_back(r.GetPonteiroFilial(), r.GetListaPonteirosContaBanco().Std());
    EXPECT_EQ(deve, !devidas.empty());
    return devidas;
  }

  long long Eventos32() {
    ZQEsvaziaAnalytics();
    if (Escalar("SELECT COUNT(*) FROM sqlite_master WHERE name = 'evento_analytics'") == 0) return 0;
    return Escalar("SELECT COUNT(*) FROM evento_analytics WHERE evento = 32");
  }

  CCLConciliacaoTesourariaBancoAutomatizada* m_conc = nullptr;
  long m_documento = 0;
};

}  // namespace cl_servico_teste
