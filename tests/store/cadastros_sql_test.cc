#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/zq_base_rotinas.h"
#include "platform/components/zq_bstr.h"
#include "store/operacoes_teste.h"
#include "store/zq_soci.h"

namespace {

using zq_teste::ArmazemTest;
using zq_teste::ArmazemVazioTest;
using zq_teste::Dia;
using zq_teste::Saidas;
using zq_teste::TextoErro;

// ---- master data reads: the records that exist, and ones that do not ----

TEST_F(ArmazemTest, CadastrosDaAmostraSaoLidosCampoACampo) {
  CZQDadosDF_Banco b;
  ASSERT_EQ(Emp().LeBufferBanco(113, &b), S_OK);
  EXPECT_EQ(b.GetPonteiroConta(), 113u);
  EXPECT_EQ(b.GetCodigoBanco(), 1);
  EXPECT_EQ(b.GetNumeroAgencia(), "1234-5");
  EXPECT_EQ(b.GetContaCorrente(), "00056789-0");
  EXPECT_EQ(b.GetIntegrarComTerceiro(), ZQ_INTEGRAR_BANCO_BRASIL);
  EXPECT_EQ(b.GetTipoOperacao(), ZQ_OPERACAO_EXTRATO);
  EXPECT_EQ(b.GetAmbienteIntegracao(), ZQ_AMBIENTE_HOMOLOGACAO);
  EXPECT_EQ(b.GetAmbienteIntegracaoBBExtrato(), ZQ_AMBIENTE_HOMOLOGACAO);
  ASSERT_EQ(Emp().LeBanco(111, &b), S_OK);
  EXPECT_EQ(b.GetIntegrarComTerceiro(), ZQ_INTEGRAR_TAVORIN);
  EXPECT_EQ(b.GetCodigoBanco(), 990);

  CZQDadosDF_PlanoEmpresarial p;
  ASSERT_EQ(Emp().LeBufferPlanoContabil(113, &p), S_OK);
  EXPECT_EQ(p.GetPosicao(), 113u);
  EXPECT_EQ(p.GetCodigoProprio(), "1.1.2.03");
  EXPECT_EQ(p.GetCodigoUsado(), "11203");
  EXPECT_EQ(p.GetNome(), "Banco do Brasil - Matriz");
  EXPECT_EQ(p.GetTipo(), ZQ_TIPO_CONTA_ANALITICA);
  EXPECT_EQ(p.GetTipoBanco(), ZQ_TIPO_BANCO_SIM);
  EXPECT_EQ(p.GetInativa(), 0);
  ASSERT_EQ(Emp().LeBufferPlanoContabil(901, &p), S_OK);
  EXPECT_NE(p.GetInativa(), 0);
  EXPECT_EQ(p.GetTipoBanco(), 'N');
  ASSERT_EQ(Emp().LePlanoGerencial(7009, &p), S_OK);
  EXPECT_EQ(p.GetNome(), "Projetos encerrados");
  EXPECT_EQ(p.GetCodigoProprio(), "G.09");
  EXPECT_NE(p.GetInativa(), 0);

  CZQDadosDF_FormaPagamento f;
  ASSERT_EQ(Emp().LeBufferFormaPagamento(3, &f), S_OK);
  EXPECT_EQ(f.GetDescricao(), "Transferência (TED/PIX)");
  EXPECT_EQ(f.GetPosicao(), 3u);
  CZQDadosDF_Historico hist;
  ASSERT_EQ(Emp().LeBufferHistorico(10, &hist), S_OK);
  EXPECT_EQ(hist.GetNome(), "Lançamento a revisar *");
  EXPECT_FALSE(Emp().GetErro()->TemErro());
}

struct FaltanteCaso {
  const char* nome;     // the operation, as the error text names it
  const char* ausente;  // part of the text for the missing record
  HRESULT (*le)(CZQAcessoEmpresarial&, Saidas&);
};

class FaltanteTest : public ArmazemTest, public ::testing::WithParamInterface<FaltanteCaso> {};

TEST_P(FaltanteTest, RegistroQueNaoExisteFalhaDizendoQual) {
  Saidas saidas;
  EXPECT_EQ(GetParam().le(Emp(), saidas), ZQ_E_SQL_NAO_ENCONTRADO);
  const CZQDadosDF_Erro* erro = Emp().GetErro();
  ASSERT_NE(erro, nullptr);
  EXPECT_EQ(erro->GetHR(), ZQ_E_SQL_NAO_ENCONTRADO);
  EXPECT_EQ(erro->GetClasse(), ZQ_CLASSE_ARMAZEM_SQL);
  const std::string texto = TextoErro(erro);
  EXPECT_EQ(texto.rfind(std::string("Falha em ") + GetParam().nome + ": ", 0), 0u) << texto;
  EXPECT_NE(texto.find(GetParam().ausente), std::string::npos) << texto;
}

INSTANTIATE_TEST_SUITE_P(
    Cadastros, FaltanteTest,
    ::testing::Values(
        FaltanteCaso{"LeBufferBanco", "999",
                     [](CZQAcessoEmpresarial& e, Saidas& s) { return e.LeBufferBanco(999, &s.banco); }},
        // In the chart, but not a bank account.
        FaltanteCaso{"LeBanco", "não tem dados de banco",
                     [](CZQAcessoEmpresarial& e, Saidas& s) { return e.LeBanco(101, &s.banco); }},
        // A management account is not in the company's chart.
        FaltanteCaso{"LeBufferPlanoContabil", "não está no plano",
                     [](CZQAcessoEmpresarial& e, Saidas& s) { return e.LeBufferPlanoContabil(7001, &s.plano); }},
        FaltanteCaso{"LePlanoGerencial", "conta gerencial 501",
                     [](CZQAcessoEmpresarial& e, Saidas& s) { return e.LePlanoGerencial(501, &s.plano); }},
        FaltanteCaso{"LeBufferFormaPagamento", "forma de pagamento 9",
                     [](CZQAcessoEmpresarial& e, Saidas& s) { return e.LeBufferFormaPagamento(9, &s.forma); }},
        FaltanteCaso{"LeBufferHistorico", "histórico 77",
                     [](CZQAcessoEmpresarial& e, Saidas& s) { return e.LeBufferHistorico(77, &s.historico); }}),
    [](const auto& info) { return info.param.nome; });

// ---- single master records that a store without company lacks ----

TEST_F(ArmazemTest, MastersOfTheSampleCompany) {
  CZQDadosCL_Mestre mestre;
  ASSERT_EQ(Conc().LeBufferMestre(&mestre), S_OK);
  EXPECT_EQ(mestre.GetDataBloqueioMovimentacao(), Dia(31, 10, 2026));

  CZQDadosDF_PeriodoContabil periodo;
  ASSERT_EQ(Emp().LeBufferPeriodoContabil(&periodo), S_OK);
  EXPECT_EQ(periodo.GetDataInferiorMovimentacao(), Dia(1, 1, 2026));
  EXPECT_EQ(periodo.GetDataSuperiorMovimentacao(), Dia(31, 12, 2027));
  EXPECT_EQ(periodo.GetMesBloqueio(), CZQMa(10, 2026).GetMa());

  CZQDadosCN_MestreEmpresa empresa;
  ASSERT_EQ(Cont().LeBufferMestreEmpresa(&empresa), S_OK);
  EXPECT_EQ(empresa.GetRazaoSocial(), "Comercial Exemplo de Utilidades Ltda");
  EXPECT_EQ(empresa.GetDataInferiorLancamento(), Dia(1, 1, 2020));
  EXPECT_EQ(empresa.GetDataSuperiorLancamento(), Dia(31, 12, 2030));

  CZQDadosFN_Mestre financeiro;
  financeiro.SetDataBloqueioLancamento(5);
  ASSERT_EQ(Fin().LeBufferMestre(&financeiro), S_OK);
  EXPECT_EQ(financeiro.GetDataBloqueioLancamento(), 0u) << "the sample has no treasury block";

  CZQVector<CZQDadosDF_Feriado> feriados;
  ASSERT_EQ(Emp().BuscaFeriadosFilial(2, feriados), S_OK);
  ASSERT_EQ(feriados.GetQuantidade(), 14);
  EXPECT_EQ(feriados[0].GetDataFeriado(), Dia(1, 1, 2026));
  EXPECT_EQ(feriados[11].GetDataFeriado(), Dia(8, 12, 2026));
  EXPECT_EQ(feriados[11].GetDescricao(), "Nossa Senhora da Conceição");
  EXPECT_EQ(feriados[11].GetPonteiroFilial(), 2u);
  for (size_t i = 1; i < 14; ++i) EXPECT_LT(feriados[i - 1].GetDataFeriado(), feriados[i].GetDataFeriado());
  ASSERT_EQ(Emp().BuscaFeriadosFilial(9, feriados), S_OK);
  EXPECT_EQ(feriados.GetQuantidade(), 0);
}

TEST_F(ArmazemVazioTest, MastersOfAStoreWithoutCompanyAreMissing) {
  CZQDadosCL_Mestre mestre;
  EXPECT_EQ(Conc().LeBufferMestre(&mestre), ZQ_E_SQL_NAO_ENCONTRADO);
  EXPECT_EQ(TextoErro(Conc().GetErro()), "Falha em LeBufferMestre: o mestre da conciliação não está cadastrado");
  CZQDadosDF_PeriodoContabil periodo;
  EXPECT_EQ(Emp().LeBufferPeriodoContabil(&periodo), ZQ_E_SQL_NAO_ENCONTRADO);
  CZQDadosCN_MestreEmpresa empresa;
  EXPECT_EQ(Cont().LeBufferMestreEmpresa(&empresa), ZQ_E_SQL_NAO_ENCONTRADO);
  EXPECT_NE(TextoErro(Cont().GetErro()).find("LeBufferMestreEmpresa"), std::string::npos);
  CZQDadosFN_Mestre financeiro;
  EXPECT_EQ(Fin().LeBufferMestre(&financeiro), S_OK) << "no treasury master reads as no block";
}

TEST_F(ArmazemTest, NullRecordsAreRefused) {
  EXPECT_EQ(Conc().LeBufferMestre(nullptr), E_POINTER);
  EXPECT_EQ(Emp().LeBufferBanco(111, nullptr), E_POINTER);
  EXPECT_EQ(TextoErro(Emp().GetErro()), "Falha em LeBufferBanco: registro nulo");
  EXPECT_EQ(Emp().LeBufferPeriodoContabil(nullptr), E_POINTER);
  EXPECT_EQ(Cont().LeBufferMestreEmpresa(nullptr), E_POINTER);
  EXPECT_EQ(Fin().LeBufferMestre(nullptr), E_POINTER);
}

// ---- treasury ----

class TesourariaTest : public ArmazemTest {
 protected:
  CZQAcessoFinanceiroSQL& F() { return m_hub->Financeiro(); }

  std::vector<uint32_t> Busca(void (*monta)(CZQDadosFN_FiltroTesouraria&)) {
    CZQDadosFN_FiltroTesouraria filtro;
    monta(filtro);
    CZQVector<REG_ZQDMC> chaves;
    EXPECT_EQ(Fin().BuscaPonteirosTesouraria(filtro, chaves), S_OK) << TextoErro(Fin().GetErro());
    std::vector<uint32_t> r;
    for (const REG_ZQDMC& c : chaves) r.push_back(c.codigo);
    return r;
  }
};

TEST_F(TesourariaTest, EntryReadsBackWithEveryByte) {
  tagREG_TESOURARIAPS r{};
  r.cyValor = -123456789;
  r.dmaLancamento = Dia(2, 12, 2026);
  r.lPonteiroContaEnt = 111;
  r.lPonteiroContaSai = 501;
  r.lNumeroConciliacaoEnt = 9;
  r.reservado72[10] = 0xAB;
  r.reservado200[40] = 0x01;
  r.cConciliadoAuto = 'S';
  r.szDocumento.Set("Nº 123 – ação");
  CZQDadosFN_Tesouraria t(r);
  ASSERT_EQ(F().GravaTesouraria(t), S_OK);
  ASSERT_NE(t.GetPosicaoReg(), 0u);

  CZQVector<CZQDadosFN_Tesouraria> lidas;
  ASSERT_EQ(Fin().LeTesouraria(CZQVector<REG_ZQDMC>{t.GetChaveRegistro()}, lidas), S_OK) << TextoErro(Fin().GetErro());
  ASSERT_EQ(lidas.GetQuantidade(), 1);
  EXPECT_TRUE(lidas[0] == t);

  // An entry with a position replaces the stored one.
  t.SetNumeroConciliacaoEnt(10).SetConciliadoEnt('S');
  ASSERT_EQ(F().GravaTesouraria(t), S_OK);
  ASSERT_EQ(Fin().LeTesouraria(CZQVector<REG_ZQDMC>{t.GetChaveRegistro()}, lidas), S_OK);
  EXPECT_EQ(lidas[0].GetNumeroConciliacaoEnt(), 10u);

  CZQDadosFN_Tesouraria fantasma(r);
  fantasma.SetPosicaoReg(777);
  EXPECT_EQ(F().GravaTesouraria(fantasma), ZQ_E_SQL_NAO_ENCONTRADO);
  EXPECT_EQ(Fin().LeTesouraria(CZQVector<REG_ZQDMC>{ZQMontaDmc(r.dmaLancamento, 777)}, lidas), ZQ_E_SQL_NAO_ENCONTRADO);
  // A key whose date is not the entry's does not find it.
  EXPECT_EQ(Fin().LeTesouraria(CZQVector<REG_ZQDMC>{ZQMontaDmc(r.dmaLancamento + 1, t.GetPosicaoReg())}, lidas),
            ZQ_E_SQL_NAO_ENCONTRADO);
}

TEST_F(TesourariaTest, EntriesComeInTheOrderOfTheKeysEvenWhenAKeyRepeats) {
  // Written so that neither date nor position order is the order asked for.
  const uint32_t a = GravaTesouraria(111, 0, 9, 100);
  const uint32_t b = GravaTesouraria(111, 0, 3, 200);
  const uint32_t c = GravaTesouraria(111, 0, 6, 300);
  const auto chave = [](uint32_t posicao, int dia) { return ZQMontaDmc(Dia(dia, 12, 2026), posicao); };
  CZQVector<CZQDadosFN_Tesouraria> lidas;
  ASSERT_EQ(
      Fin().LeTesouraria(CZQVector<REG_ZQDMC>{chave(c, 6), chave(a, 9), chave(c, 6), chave(b, 3), chave(c, 6)}, lidas),
      S_OK)
      << TextoErro(Fin().GetErro());
  std::vector<std::pair<uint32_t, tagCY>> r;
  for (const CZQDadosFN_Tesouraria& t : lidas) r.emplace_back(t.GetPosicaoReg(), t.GetValor());
  EXPECT_EQ(r, (std::vector<std::pair<uint32_t, tagCY>>{{c, 300}, {a, 100}, {c, 300}, {b, 200}, {c, 300}}));
}

TEST_F(TesourariaTest, SearchFiltersByPeriodAccountBranchAndReconciledFlags) {
  const uint32_t a = GravaTesouraria(111, 501, 3, 100, 'S', 'N', 'S');
  const uint32_t b = GravaTesouraria(401, 111, 1, 200);
  const uint32_t c = GravaTesouraria(113, 501, 2, 300, 'N', 'S', 'N');
  const uint32_t d = GravaTesouraria(111, 113, 5, 400, 'N', 'N', 'N', 2);
  const uint32_t e = GravaTesouraria(114, 501, 4, 500, 'S', 'N', 'N');

  EXPECT_EQ(Busca([](CZQDadosFN_FiltroTesouraria&) {}), (std::vector<uint32_t>{b, c, a, e, d}));
  EXPECT_EQ(Busca([](CZQDadosFN_FiltroTesouraria& f) { f.SetPonteiroConta(111); }), (std::vector<uint32_t>{b, a, d}));
  EXPECT_EQ(
      Busca([](CZQDadosFN_FiltroTesouraria& f) { f.SetDataInicial(Dia(2, 12, 2026)).SetDataFinal(Dia(4, 12, 2026)); }),
      (std::vector<uint32_t>{c, a, e}));
  EXPECT_EQ(Busca([](CZQDadosFN_FiltroTesouraria& f) { f.SetPonteiroFilial(2); }), (std::vector<uint32_t>{d}));
  EXPECT_EQ(Busca([](CZQDadosFN_FiltroTesouraria& f) { f.SetConciliado('S'); }), (std::vector<uint32_t>{c, a, e}));
  EXPECT_EQ(Busca([](CZQDadosFN_FiltroTesouraria& f) { f.SetConciliado('N'); }), (std::vector<uint32_t>{b, d}));
  EXPECT_EQ(Busca([](CZQDadosFN_FiltroTesouraria& f) { f.SetConciliado('S').SetConciladoAuto('S'); }),
            (std::vector<uint32_t>{a}));
  EXPECT_EQ(Busca([](CZQDadosFN_FiltroTesouraria& f) { f.SetConciladoAuto('N'); }),
            (std::vector<uint32_t>{b, c, e, d}));

  CZQVector<REG_ZQDMC> chaves;
  CZQDadosFN_FiltroTesouraria filtro;
  filtro.SetPonteiroConta(111);
  ASSERT_EQ(Fin().BuscaPonteirosTesouraria(filtro, chaves), S_OK);
  CZQVector<CZQDadosFN_Tesouraria> lidas;
  ASSERT_EQ(Fin().LeTesouraria(chaves, lidas), S_OK);
  ASSERT_EQ(lidas.GetQuantidade(), 3);
  EXPECT_EQ(lidas[0].GetValor(), 200);
  EXPECT_EQ(lidas[2].GetPonteiroFilial(), 2);
}

TEST_F(TesourariaTest, ExistenceQueryFindsOnlyTheIdenticalEntry) {
  GravaTesouraria(111, 501, 3, 100);
  CZQComPtr<IZQFN_Tesouraria> tesouraria;
  ASSERT_EQ(Fin().GetIFNTesouraria(tesouraria), S_OK);
  ASSERT_TRUE(tesouraria);

  CZQBstr complemento(CZQString("texto"));
  RegExisteTesps consulta{};
  consulta.cyValor = 100;
  consulta.dmaLancamento = Dia(3, 12, 2026);
  consulta.iPonteiroFilial = 1;
  consulta.iHistorico = 4;
  consulta.lPonteiroContaEnt = 111;
  consulta.lPonteiroContaSai = 501;
  consulta.ucTipoDocumentoTransacao = 1;
  consulta.ucTipoDocFormaPagamento = 3;
  consulta.szDocumento.Set("DOC-3");
  consulta.bstrComplemento = complemento.Get();

  tagREG_TESOURARIAPS achada{};
  EXPECT_EQ(tesouraria->Existe(consulta, &achada), S_OK);
  EXPECT_EQ(achada.cyValor, 100);
  EXPECT_EQ(tesouraria->Existe(consulta, nullptr), S_OK);

  std::vector<std::function<void(RegExisteTesps&)>> diferencas = {
      [](RegExisteTesps& q) { q.cyValor = 101; },
      [](RegExisteTesps& q) { q.dmaLancamento += 1; },
      [](RegExisteTesps& q) { q.iPonteiroFilial = 2; },
      [](RegExisteTesps& q) { q.iHistorico = 5; },
      [](RegExisteTesps& q) { q.lPonteiroContaEnt = 113; },
      [](RegExisteTesps& q) { q.lPonteiroContaSai = 111; },
      [](RegExisteTesps& q) { q.ucTipoDocumentoTransacao = 2; },
      [](RegExisteTesps& q) { q.ucTipoDocFormaPagamento = 4; },
      [](RegExisteTesps& q) { q.szDocumento.Set("DOC-4"); },
      [](RegExisteTesps& q) { q.lPonteiroOrigem = 1; },
  };
  for (size_t i = 0; i < diferencas.size(); ++i) {
    RegExisteTesps outra = consulta;
    diferencas[i](outra);
    EXPECT_EQ(tesouraria->Existe(outra, nullptr), S_FALSE) << "difference " << i;
  }
}

TEST_F(TesourariaTest, HyperautomationStatusIsStored) {
  CZQDadosFN_StatusHiperautomacaoFinanceira status;
  status.SetTipoEvento(ZQ_EVENTO_HIPERAUTOMACAO_IMPORTACAO_EXTRATO)
      .SetPonteiroContaBanco(111)
      .SetQuantidadeExtratosPendentes(3)
      .SetSaldoExtrato(-5000)
      .SetMensagem("ok");
  ASSERT_EQ(Fin().GravaStatusHiperautomacaoFinanceira(status), S_OK);
  ASSERT_EQ(Fin().GravaStatusHiperautomacaoFinanceira(status), S_OK);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM status_hiperautomacao WHERE conta = 111"), 2);
  EXPECT_EQ(Escalar("SELECT MIN(saldo_extrato) FROM status_hiperautomacao WHERE conta = 111"), -5000);
}

// ---- the process's hub factory ----

TEST_F(ArmazemTest, InstalledStoreGivesHubsWithErrorsOfTheirOwn) {
  CZQDadosDF_Erro erro;
  std::shared_ptr<CZQBancoSQL> aberto;
  ASSERT_EQ(ZQInstalaArmazemSQL(Conexao(), erro, &aberto), S_OK) << erro.GetTextoMostraMensagem().c_str();
  CZQProfilerEmpresa perfil("EXEMPLO", 1, 1);
  std::unique_ptr<CZQAcessoServidores> a = ZQNovoAcessoServidores(perfil);
  std::unique_ptr<CZQAcessoServidores> b = ZQNovoAcessoServidores(perfil);
  ASSERT_TRUE(a && b);
  CZQDadosDF_Banco banco;
  EXPECT_EQ(a->GetAcessoEmpresarial()->LeBufferBanco(12345, &banco), ZQ_E_SQL_NAO_ENCONTRADO);
  EXPECT_EQ(b->GetAcessoEmpresarial()->LeBufferBanco(113, &banco), S_OK);
  EXPECT_TRUE(a->GetAcessoEmpresarial()->GetErro()->TemErro());
  EXPECT_FALSE(b->GetAcessoEmpresarial()->GetErro()->TemErro());
  // Both share the one connection: what one writes the other reads.
  ASSERT_EQ(a->GetAcessoConciliacao()->SalvaArqNumConciliacao(114, 8), S_OK);
  uint32_t numero = 0;
  ASSERT_EQ(b->GetAcessoConciliacao()->GetUltimoNrConciliacao(114, numero), S_OK);
  EXPECT_EQ(numero, 8u);
  ZQRemoveArmazemSQL();
  EXPECT_EQ(ZQNovoAcessoServidores(perfil), nullptr);

  EXPECT_LT(ZQInstalaArmazemSQL("mysql://nada", erro), 0);
  EXPECT_EQ(ZQNovoAcessoServidores(perfil), nullptr) << "a failed opening installs nothing";
}

}  // namespace
