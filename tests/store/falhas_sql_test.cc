#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "store/acesso_teste_util.h"
#include "store/zq_soci.h"

namespace {

using zq_teste::ArmazemTest;
using zq_teste::Dia;
using zq_teste::Linha;
using zq_teste::TextoErro;

using Chamada = std::function<HRESULT(CZQAcessoServidoresSQL&)>;
using Erro = std::function<const CZQDadosDF_Erro*(CZQAcessoServidoresSQL&)>;

const CZQDadosDF_Erro* ErroC(CZQAcessoServidoresSQL& h) { return h.GetAcessoConciliacao()->GetErro(); }
const CZQDadosDF_Erro* ErroE(CZQAcessoServidoresSQL& h) { return h.GetAcessoEmpresarial()->GetErro(); }
const CZQDadosDF_Erro* ErroF(CZQAcessoServidoresSQL& h) { return h.GetAcessoFinanceiro()->GetErro(); }
const CZQDadosDF_Erro* ErroK(CZQAcessoServidoresSQL& h) { return h.GetAcessoContabil()->GetErro(); }

CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> UmaImportacao() {
  CZQDadosCL_ExecucaoServicoImportacaoExtratos e;
  e.SetDmaHmsExecucao(zq::MontaDmaHms(Dia(5, 12, 2026), 100));
  CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra r;
  r.SetPonteiroFilial(1).SetPonteiroContaBanco(111).SetTipoStatus(1);
  e.AdicionaRegra(r);
  return CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>{e};
}

CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> UmaConciliacao() {
  CZQDadosCL_ExecucaoConciliacaoTesourariaBanco e;
  e.SetPonteiroBanco(111).SetPonteiroFilial(1).SetTipoStatus(1);
  e.SetDataHoraExecucao(zq::MontaDmaHms(Dia(5, 12, 2026), 100));
  return CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>{e};
}

CZQDadosCL_ConfiguracaoServicoImportacaoExtratos UmaConfiguracao() {
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos c;
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra r;
  r.SetPonteiroFilial(1).SetFrequencia(2).AdicionaPonteiroContaBanco(111);
  c.AdicionaRegra(r);
  return c;
}

struct FalhaCaso {
  const char* operacao;
  const char* tabela;  // taken away behind the store's back
  Chamada chamada;
  Erro erro;
};

class FalhaBancoTest : public ArmazemTest, public ::testing::WithParamInterface<FalhaCaso> {};

TEST_P(FalhaBancoTest, DatabaseErrorIsTheOperationsFailure) {
  const FalhaCaso& caso = GetParam();
  m_banco->Sessao() << std::string("DROP TABLE ") + caso.tabela;
  const HRESULT hr = caso.chamada(*m_hub);
  EXPECT_LT(hr, 0);
  const CZQDadosDF_Erro* erro = caso.erro(*m_hub);
  ASSERT_NE(erro, nullptr);
  EXPECT_EQ(erro->GetHR(), hr);
  EXPECT_EQ(erro->GetTipoErro(), ZQ_TIPO_ERRO_HRESULT);
  const std::string texto = TextoErro(erro);
  EXPECT_EQ(texto.rfind(std::string("Falha em ") + caso.operacao + ": ", 0), 0u) << texto;
  EXPECT_NE(texto.find(caso.tabela), std::string::npos) << texto;
  EXPECT_FALSE(m_banco->EmTransacao()) << "a failed operation left its transaction open";
}

CZQAcessoConciliacao& C(CZQAcessoServidoresSQL& h) { return *h.GetAcessoConciliacao(); }
CZQAcessoEmpresarial& E(CZQAcessoServidoresSQL& h) { return *h.GetAcessoEmpresarial(); }
CZQAcessoFinanceiro& F(CZQAcessoServidoresSQL& h) { return *h.GetAcessoFinanceiro(); }

INSTANTIATE_TEST_SUITE_P(
    Operacoes, FalhaBancoTest,
    ::testing::Values(
        FalhaCaso{"LeBufferMestre", "mestre_cl",
                  [](auto& h) {
                    CZQDadosCL_Mestre m;
                    return C(h).LeBufferMestre(&m);
                  },
                  ErroC},
        FalhaCaso{"BuscaPonteirosMovimentoExtrato", "extrato",
                  [](auto& h) {
                    CZQVector<uint32_t> p;
                    return C(h).BuscaPonteirosMovimentoExtrato(CZQDadosCL_FiltroExtrato{}, p);
                  },
                  ErroC},
        FalhaCaso{"BuscaRegistrosMovimentoExtrato", "extrato",
                  [](auto& h) {
                    CZQVector<CZQDadosCL_Extrato> l;
                    return C(h).BuscaRegistrosMovimentoExtrato(CZQDadosCL_FiltroExtrato{}, CZQVector<uint32_t>{1}, l);
                  },
                  ErroC},
        FalhaCaso{"GravaExtrato", "extrato",
                  [](auto& h) {
                    CZQDadosCL_Extrato e = Linha(111, 1, Dia(1, 12, 2026), 1, '+', "X");
                    return C(h).GravaExtrato(e);
                  },
                  ErroC},
        FalhaCaso{"BuscaConciliacao", "tesouraria",
                  [](auto& h) {
                    CZQDadosCL_ConciliacaoAutomatica p;
                    p.SetPonteiroConta(111);
                    CZQDadosCL_ConciliacaoTesourariaBancos r;
                    return C(h).BuscaConciliacao(p, r);
                  },
                  ErroC},
        FalhaCaso{"GetUltimoNrConciliacao", "numero_conciliacao",
                  [](auto& h) {
                    uint32_t n = 0;
                    return C(h).GetUltimoNrConciliacao(111, n);
                  },
                  ErroC},
        FalhaCaso{"SalvaArqNumConciliacao", "numero_conciliacao",
                  [](auto& h) { return C(h).SalvaArqNumConciliacao(111, 4); }, ErroC},
        FalhaCaso{"GetChave", "chave_tabela",
                  [](auto& h) {
                    CZQDadosCL_Tabela t;
                    t.SetConta(111).SetFilial(1);
                    return C(h).GetChave(t);
                  },
                  ErroC},
        FalhaCaso{"LeConfiguracaoServicoImportacaoExtratos", "config_importacao_regra",
                  [](auto& h) {
                    CZQDadosCL_ConfiguracaoServicoImportacaoExtratos c;
                    return C(h).LeConfiguracaoServicoImportacaoExtratos(c);
                  },
                  ErroC},
        FalhaCaso{"LeConfiguracaoConciliacaoTesourariaBanco", "config_conciliacao_conta",
                  [](auto& h) {
                    CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco c;
                    return C(h).LeConfiguracaoConciliacaoTesourariaBanco(c);
                  },
                  ErroC},
        FalhaCaso{"GravaConfiguracaoServicoImportacaoExtratos", "config_importacao_conta",
                  [](auto& h) { return C(h).GravaConfiguracaoServicoImportacaoExtratos(UmaConfiguracao()); }, ErroC},
        FalhaCaso{"GravaConfiguracaoConciliacaoTesourariaBanco", "config_servico",
                  [](auto& h) {
                    return C(h).GravaConfiguracaoConciliacaoTesourariaBanco(
                        CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco{});
                  },
                  ErroC},
        FalhaCaso{"GravaExecucaoConciliacaoTesourariaBanco", "execucao_conciliacao",
                  [](auto& h) { return C(h).GravaExecucaoConciliacaoTesourariaBanco(UmaConciliacao()); }, ErroC},
        FalhaCaso{"BuscaPonteirosExecucaoConciliacaoTesourariaBanco", "execucao_conciliacao",
                  [](auto& h) {
                    CZQVector<REG_ZQDMC> c;
                    return C(h).BuscaPonteirosExecucaoConciliacaoTesourariaBanco(
                        CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco{}, c);
                  },
                  ErroC},
        FalhaCaso{"LePonteirosExecucaoConciliacaoTesourariaBanco", "execucao_conciliacao",
                  [](auto& h) {
                    CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> l;
                    return C(h).LePonteirosExecucaoConciliacaoTesourariaBanco(
                        CZQVector<REG_ZQDMC>{ZQMontaDmc(Dia(5, 12, 2026), 1)}, l);
                  },
                  ErroC},
        FalhaCaso{"GravaExecucaoServicoImportacaoExtratos", "execucao_importacao_conta",
                  [](auto& h) { return C(h).GravaExecucaoServicoImportacaoExtratos(UmaImportacao()); }, ErroC},
        FalhaCaso{"BuscaPonteirosExecucaoServicoImportacaoExtratos", "execucao_importacao",
                  [](auto& h) {
                    CZQVector<REG_ZQDMC> c;
                    return C(h).BuscaPonteirosExecucaoServicoImportacaoExtratos(
                        CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos{}, c);
                  },
                  ErroC},
        FalhaCaso{"LePonteirosExecucaoServicoImportacaoExtratos", "execucao_importacao",
                  [](auto& h) {
                    CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> l;
                    return C(h).LePonteirosExecucaoServicoImportacaoExtratos(
                        CZQVector<REG_ZQDMC>{ZQMontaDmc(Dia(5, 12, 2026), 1)}, l, 1);
                  },
                  ErroC},
        FalhaCaso{"LeLeiaute", "leiaute",
                  [](auto& h) {
                    CZQDadosCL_Leiaute l;
                    return C(h).LeLeiaute(1, l);
                  },
                  ErroC},
        FalhaCaso{"LeBufferFormaPagamento", "forma_pagamento",
                  [](auto& h) {
                    CZQDadosDF_FormaPagamento f;
                    return E(h).LeBufferFormaPagamento(1, &f);
                  },
                  ErroE},
        FalhaCaso{"LeBanco", "banco",
                  [](auto& h) {
                    CZQDadosDF_Banco b;
                    return E(h).LeBanco(111, &b);
                  },
                  ErroE},
        FalhaCaso{"LeBufferBanco", "banco",
                  [](auto& h) {
                    CZQDadosDF_Banco b;
                    return E(h).LeBufferBanco(111, &b);
                  },
                  ErroE},
        FalhaCaso{"LeBufferPlanoContabil", "plano_empresarial",
                  [](auto& h) {
                    CZQDadosDF_PlanoEmpresarial p;
                    return E(h).LeBufferPlanoContabil(111, &p);
                  },
                  ErroE},
        FalhaCaso{"LePlanoGerencial", "plano_gerencial",
                  [](auto& h) {
                    CZQDadosDF_PlanoEmpresarial p;
                    return E(h).LePlanoGerencial(7001, &p);
                  },
                  ErroE},
        FalhaCaso{"LeBufferHistorico", "historico",
                  [](auto& h) {
                    CZQDadosDF_Historico x;
                    return E(h).LeBufferHistorico(1, &x);
                  },
                  ErroE},
        FalhaCaso{"LeBufferPeriodoContabil", "periodo_contabil",
                  [](auto& h) {
                    CZQDadosDF_PeriodoContabil p;
                    return E(h).LeBufferPeriodoContabil(&p);
                  },
                  ErroE},
        FalhaCaso{"BuscaFeriadosFilial", "feriado_filial",
                  [](auto& h) {
                    CZQVector<CZQDadosDF_Feriado> f;
                    return E(h).BuscaFeriadosFilial(1, f);
                  },
                  ErroE},
        FalhaCaso{"BuscaPonteirosTesouraria", "tesouraria",
                  [](auto& h) {
                    CZQVector<REG_ZQDMC> c;
                    return F(h).BuscaPonteirosTesouraria(CZQDadosFN_FiltroTesouraria{}, c);
                  },
                  ErroF},
        FalhaCaso{"LeTesouraria", "tesouraria",
                  [](auto& h) {
                    CZQVector<CZQDadosFN_Tesouraria> l;
                    return F(h).LeTesouraria(CZQVector<REG_ZQDMC>{ZQMontaDmc(1, 1)}, l);
                  },
                  ErroF},
        FalhaCaso{"LeBufferMestre", "mestre_financeiro",
                  [](auto& h) {
                    CZQDadosFN_Mestre m;
                    return F(h).LeBufferMestre(&m);
                  },
                  ErroF},
        FalhaCaso{"GravaStatusHiperautomacaoFinanceira", "status_hiperautomacao",
                  [](auto& h) {
                    return F(h).GravaStatusHiperautomacaoFinanceira(CZQDadosFN_StatusHiperautomacaoFinanceira{});
                  },
                  ErroF},
        FalhaCaso{"GravaTesouraria", "tesouraria",
                  [](auto& h) {
                    CZQDadosFN_Tesouraria t;
                    t.SetDataLancamento(Dia(1, 12, 2026));
                    return h.Financeiro().GravaTesouraria(t);
                  },
                  ErroF},
        FalhaCaso{"LeBufferMestreEmpresa", "mestre_empresa",
                  [](auto& h) {
                    CZQDadosCN_MestreEmpresa m;
                    return h.GetAcessoContabil()->LeBufferMestreEmpresa(&m);
                  },
                  ErroK}),
    [](const auto& info) {
      return std::string(info.param.operacao) + "_" + std::to_string(info.index);
    });

TEST_F(ArmazemTest, ServerInterfacesFailWithoutTheirTables) {
  CZQComPtr<IZQCL_Mestre> mestre;
  ASSERT_EQ(Conc().GetICLMestre(mestre), S_OK);
  CZQComPtr<IZQCL_ImportacaoCBN> cbn;
  ASSERT_EQ(Conc().GetICLImportacaoCBN(cbn), S_OK);
  CZQComPtr<IZQFN_Tesouraria> tesouraria;
  ASSERT_EQ(Fin().GetIFNTesouraria(tesouraria), S_OK);
  m_banco->Sessao() << "DROP TABLE regra_lancamento";
  m_banco->Sessao() << "DROP TABLE leiaute";
  m_banco->Sessao() << "DROP TABLE tesouraria";

  uint16_t n = 0;
  EXPECT_LT(mestre->BuscaQuantProTesBan(&n), 0);
  _REG_PROP_CONC_TESBAN_PS regra{};
  EXPECT_LT(mestre->BuscaRegistrosTesBan(1, &regra), 0);
  RegLeiauteps leiaute{};
  EXPECT_LT(cbn->LeLeiaute(1, &leiaute), 0);
  EXPECT_LT(tesouraria->Existe(RegExisteTesps{}, nullptr), 0);
}

TEST_F(ArmazemTest, FailedWriteOfManyRowsLeavesNothingHalfDone) {
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos antes;
  ASSERT_EQ(Conc().LeConfiguracaoServicoImportacaoExtratos(antes), S_OK);
  // The rules go first and the accounts fail: the rules' change must be undone too.
  m_banco->Sessao() << "DROP TABLE config_importacao_conta";
  EXPECT_LT(Conc().GravaConfiguracaoServicoImportacaoExtratos(UmaConfiguracao()), 0);
  long long regras = 0;
  m_banco->Sessao() << "SELECT COUNT(*) FROM config_importacao_regra", soci::into(regras);
  EXPECT_EQ(regras, antes.GetQuantidadeRegras());

  m_banco->Sessao() << "DROP TABLE execucao_importacao_conta";
  EXPECT_LT(Conc().GravaExecucaoServicoImportacaoExtratos(UmaImportacao()), 0);
  long long execucoes = -1;
  m_banco->Sessao() << "SELECT COUNT(*) FROM execucao_importacao", soci::into(execucoes);
  EXPECT_EQ(execucoes, 0);
}

// ---- a store opened read-only ----

struct EscritaCaso {
  const char* operacao;
  Chamada chamada;
  Erro erro;
};

class SomenteLeituraTest : public ArmazemTest, public ::testing::WithParamInterface<EscritaCaso> {};

TEST_P(SomenteLeituraTest, WritesFailReadsWork) {
  m_hub.reset();
  m_banco.reset();
  CZQDadosDF_Erro erro;
  ASSERT_EQ(CZQBancoSQL::Abre(Conexao() + "?modo=leitura", m_banco, erro), S_OK);
  m_hub = std::make_unique<CZQAcessoServidoresSQL>(m_banco);

  CZQDadosDF_Banco banco;
  EXPECT_EQ(Emp().LeBufferBanco(113, &banco), S_OK);

  const HRESULT hr = GetParam().chamada(*m_hub);
  EXPECT_EQ(hr, ZQ_E_SQL_SOMENTE_LEITURA);
  EXPECT_EQ(GetParam().erro(*m_hub)->GetHR(), hr);
  EXPECT_EQ(TextoErro(GetParam().erro(*m_hub)).rfind(std::string("Falha em ") + GetParam().operacao + ": ", 0), 0u)
      << TextoErro(GetParam().erro(*m_hub));
}

INSTANTIATE_TEST_SUITE_P(
    Escritas, SomenteLeituraTest,
    ::testing::Values(
        EscritaCaso{"GravaExtrato",
                    [](auto& h) {
                      CZQDadosCL_Extrato e = Linha(111, 1, Dia(1, 12, 2026), 1, '+', "X");
                      return C(h).GravaExtrato(e);
                    },
                    ErroC},
        EscritaCaso{"SalvaArqNumConciliacao", [](auto& h) { return C(h).SalvaArqNumConciliacao(111, 1); }, ErroC},
        EscritaCaso{"GetChave",
                    [](auto& h) {
                      CZQDadosCL_Tabela t;
                      t.SetConta(111).SetFilial(1);
                      return C(h).GetChave(t);
                    },
                    ErroC},
        EscritaCaso{"GravaExecucaoConciliacaoTesourariaBanco",
                    [](auto& h) { return C(h).GravaExecucaoConciliacaoTesourariaBanco(UmaConciliacao()); }, ErroC},
        EscritaCaso{"GravaExecucaoServicoImportacaoExtratos",
                    [](auto& h) { return C(h).GravaExecucaoServicoImportacaoExtratos(UmaImportacao()); }, ErroC},
        EscritaCaso{"GravaConfiguracaoServicoImportacaoExtratos",
                    [](auto& h) { return C(h).GravaConfiguracaoServicoImportacaoExtratos(UmaConfiguracao()); }, ErroC},
        EscritaCaso{"GravaStatusHiperautomacaoFinanceira",
                    [](auto& h) {
                      return F(h).GravaStatusHiperautomacaoFinanceira(CZQDadosFN_StatusHiperautomacaoFinanceira{});
                    },
                    ErroF}),
    [](const auto& info) { return info.param.operacao; });

}  // namespace
