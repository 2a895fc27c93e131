#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

#include "store/acesso_teste_util.h"
#include "store/zq_falhas_injetadas.h"
#include "store/zq_soci.h"

namespace {

using zq_teste::ArmazemTest;
using zq_teste::Dia;
using zq_teste::Linha;
using zq_teste::TextoErro;

// An integration transaction that accepts everything: the store has none yet, and the
// decorators of its interface need one to wrap.
class IntegracaoAceitaTudo : public TZQRefCounted<IZQDF_IntegracaoTransacao> {
 public:
  HRESULT NovaIntegracao(regNovaTransacaoPS*) override { return S_OK; }
  HRESULT SetFinanceiroTesouraria(const RegSetTesouraria*, RegFNRetorno*) override { return S_OK; }
  HRESULT SetContabilTes(uint16_t, const RegContasContabil*) override { return S_OK; }
  HRESULT SetGerencialTes(int32_t, const RegContasGerencial*) override { return S_OK; }
  HRESULT GravaIntegracao(const RegGravaIntegracao*, RegRetorno*) override { return S_OK; }
  HRESULT SetOrigensAgrupadas(uint32_t, const ChaveOrigem*) override { return S_OK; }
};

class AreaIntegracaoAceitaTudo : public CZQAcessoIntegracao {
 public:
  HRESULT GetIDFIntegracaoTransacao(CZQComPtr<IZQDF_IntegracaoTransacao>& integracao) override {
    integracao = new IntegracaoAceitaTudo;
    return S_OK;
  }
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }

 private:
  CZQDadosDF_Erro m_erro;
};

// The store's hub with the accepting integration area.
class HubTeste : public CZQAcessoServidores {
 public:
  explicit HubTeste(CZQAcessoServidores& sql) : m_sql(sql) {}
  CZQAcessoConciliacao* GetAcessoConciliacao() override { return m_sql.GetAcessoConciliacao(); }
  CZQAcessoEmpresarial* GetAcessoEmpresarial() override { return m_sql.GetAcessoEmpresarial(); }
  CZQAcessoFinanceiro* GetAcessoFinanceiro() override { return m_sql.GetAcessoFinanceiro(); }
  CZQAcessoContabil* GetAcessoContabil() override { return m_sql.GetAcessoContabil(); }
  CZQAcessoIntegracao* GetAcessoIntegracao() override { return &m_integracao; }

 private:
  CZQAcessoServidores& m_sql;
  AreaIntegracaoAceitaTudo m_integracao;
};

// How to call each operation, and where its error record is (none for interfaces).
struct Operacao {
  std::function<HRESULT(CZQAcessoServidores&)> chama;
  std::function<const CZQDadosDF_Erro*(CZQAcessoServidores&)> erro;
};

const CZQDadosDF_Erro* EC(CZQAcessoServidores& h) { return h.GetAcessoConciliacao()->GetErro(); }
const CZQDadosDF_Erro* EE(CZQAcessoServidores& h) { return h.GetAcessoEmpresarial()->GetErro(); }
const CZQDadosDF_Erro* EF(CZQAcessoServidores& h) { return h.GetAcessoFinanceiro()->GetErro(); }
const CZQDadosDF_Erro* EK(CZQAcessoServidores& h) { return h.GetAcessoContabil()->GetErro(); }
const CZQDadosDF_Erro* EI(CZQAcessoServidores& h) { return h.GetAcessoIntegracao()->GetErro(); }

HRESULT ComMestre(CZQAcessoServidores& h, const std::function<HRESULT(IZQCL_Mestre&)>& usa) {
  CZQComPtr<IZQCL_Mestre> i;
  HRESULT hr = h.GetAcessoConciliacao()->GetICLMestre(i);
  return FAILED(hr) ? hr : usa(*i);
}
HRESULT ComCBN(CZQAcessoServidores& h, const std::function<HRESULT(IZQCL_ImportacaoCBN&)>& usa) {
  CZQComPtr<IZQCL_ImportacaoCBN> i;
  HRESULT hr = h.GetAcessoConciliacao()->GetICLImportacaoCBN(i);
  return FAILED(hr) ? hr : usa(*i);
}
HRESULT ComTesouraria(CZQAcessoServidores& h, const std::function<HRESULT(IZQFN_Tesouraria&)>& usa) {
  CZQComPtr<IZQFN_Tesouraria> i;
  HRESULT hr = h.GetAcessoFinanceiro()->GetIFNTesouraria(i);
  return FAILED(hr) ? hr : usa(*i);
}
HRESULT ComIntegracao(CZQAcessoServidores& h, const std::function<HRESULT(IZQDF_IntegracaoTransacao&)>& usa) {
  CZQComPtr<IZQDF_IntegracaoTransacao> i;
  HRESULT hr = h.GetAcessoIntegracao()->GetIDFIntegracaoTransacao(i);
  return FAILED(hr) ? hr : usa(*i);
}

const std::map<std::string, Operacao>& Tabela() {
  static const std::map<std::string, Operacao> tabela = {
      {"LeBufferMestre", {[](auto& h) { CZQDadosCL_Mestre m; return h.GetAcessoConciliacao()->LeBufferMestre(&m); }, EC}},
      {"BuscaPonteirosMovimentoExtrato",
       {[](auto& h) {
          CZQVector<uint32_t> p;
          return h.GetAcessoConciliacao()->BuscaPonteirosMovimentoExtrato(CZQDadosCL_FiltroExtrato{}, p);
        },
        EC}},
      {"BuscaRegistrosMovimentoExtrato",
       {[](auto& h) {
          CZQVector<CZQDadosCL_Extrato> l;
          return h.GetAcessoConciliacao()->BuscaRegistrosMovimentoExtrato(CZQDadosCL_FiltroExtrato{},
                                                                         CZQVector<uint32_t>{1}, l);
        },
        EC}},
      {"GravaExtrato",
       {[](auto& h) {
          CZQDadosCL_Extrato e = Linha(111, 1, Dia(1, 12, 2026), 1, '+', "X");
          return h.GetAcessoConciliacao()->GravaExtrato(e);
        },
        EC}},
      {"ProcessaConciliacaoAutomatica",
       {[](auto& h) {
          int32_t n = 0;
          CZQDadosCL_ConciliacaoTesourariaBancos r;
          return h.GetAcessoConciliacao()->ProcessaConciliacaoAutomatica(CZQDadosCL_ConciliacaoAutomatica{}, n, r);
        },
        EC}},
      {"BuscaConciliacao",
       {[](auto& h) {
          CZQDadosCL_ConciliacaoTesourariaBancos r;
          return h.GetAcessoConciliacao()->BuscaConciliacao(CZQDadosCL_ConciliacaoAutomatica{}, r);
        },
        EC}},
      {"GetUltimoNrConciliacao",
       {[](auto& h) {
          uint32_t n = 0;
          return h.GetAcessoConciliacao()->GetUltimoNrConciliacao(111, n);
        },
        EC}},
      {"GetChave",
       {[](auto& h) {
          CZQDadosCL_Tabela t;
          t.SetConta(111).SetFilial(1);
          return h.GetAcessoConciliacao()->GetChave(t);
        },
        EC}},
      {"SalvaArqNumConciliacao", {[](auto& h) { return h.GetAcessoConciliacao()->SalvaArqNumConciliacao(111, 2); }, EC}},
      {"LeConfiguracaoServicoImportacaoExtratos",
       {[](auto& h) {
          CZQDadosCL_ConfiguracaoServicoImportacaoExtratos c;
          return h.GetAcessoConciliacao()->LeConfiguracaoServicoImportacaoExtratos(c);
        },
        EC}},
      {"LeConfiguracaoConciliacaoTesourariaBanco",
       {[](auto& h) {
          CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco c;
          return h.GetAcessoConciliacao()->LeConfiguracaoConciliacaoTesourariaBanco(c);
        },
        EC}},
      {"GravaExecucaoConciliacaoTesourariaBanco",
       {[](auto& h) {
          return h.GetAcessoConciliacao()->GravaExecucaoConciliacaoTesourariaBanco(
              CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>{});
        },
        EC}},
      {"LePonteirosExecucaoConciliacaoTesourariaBanco",
       {[](auto& h) {
          CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> l;
          return h.GetAcessoConciliacao()->LePonteirosExecucaoConciliacaoTesourariaBanco(CZQVector<REG_ZQDMC>{}, l);
        },
        EC}},
      {"BuscaPonteirosExecucaoConciliacaoTesourariaBanco",
       {[](auto& h) {
          CZQVector<REG_ZQDMC> c;
          return h.GetAcessoConciliacao()->BuscaPonteirosExecucaoConciliacaoTesourariaBanco(
              CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco{}, c);
        },
        EC}},
      {"GravaExecucaoServicoImportacaoExtratos",
       {[](auto& h) {
          return h.GetAcessoConciliacao()->GravaExecucaoServicoImportacaoExtratos(
              CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>{});
        },
        EC}},
      {"BuscaPonteirosExecucaoServicoImportacaoExtratos",
       {[](auto& h) {
          CZQVector<REG_ZQDMC> c;
          return h.GetAcessoConciliacao()->BuscaPonteirosExecucaoServicoImportacaoExtratos(
              CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos{}, c);
        },
        EC}},
      {"LePonteirosExecucaoServicoImportacaoExtratos",
       {[](auto& h) {
          CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> l;
          return h.GetAcessoConciliacao()->LePonteirosExecucaoServicoImportacaoExtratos(CZQVector<REG_ZQDMC>{}, l, 1);
        },
        EC}},
      {"LeLeiaute",
       {[](auto& h) {
          CZQDadosCL_Leiaute l;
          return h.GetAcessoConciliacao()->LeLeiaute(1, l);
        },
        EC}},
      {"GetICLMestre",
       {[](auto& h) {
          CZQComPtr<IZQCL_Mestre> i;
          return h.GetAcessoConciliacao()->GetICLMestre(i);
        },
        EC}},
      {"GetICLImportacaoCBN",
       {[](auto& h) {
          CZQComPtr<IZQCL_ImportacaoCBN> i;
          return h.GetAcessoConciliacao()->GetICLImportacaoCBN(i);
        },
        EC}},
      {"GravaConfiguracaoServicoImportacaoExtratos",
       {[](auto& h) {
          CZQDadosCL_ConfiguracaoServicoImportacaoExtratos c;
          EXPECT_EQ(h.GetAcessoConciliacao()->LeConfiguracaoServicoImportacaoExtratos(c), S_OK);
          return h.GetAcessoConciliacao()->GravaConfiguracaoServicoImportacaoExtratos(c);
        },
        EC}},
      {"GravaConfiguracaoConciliacaoTesourariaBanco",
       {[](auto& h) {
          CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco c;
          EXPECT_EQ(h.GetAcessoConciliacao()->LeConfiguracaoConciliacaoTesourariaBanco(c), S_OK);
          return h.GetAcessoConciliacao()->GravaConfiguracaoConciliacaoTesourariaBanco(c);
        },
        EC}},
      {"LeBufferFormaPagamento",
       {[](auto& h) {
          CZQDadosDF_FormaPagamento f;
          return h.GetAcessoEmpresarial()->LeBufferFormaPagamento(1, &f);
        },
        EE}},
      {"LeBanco", {[](auto& h) { CZQDadosDF_Banco b; return h.GetAcessoEmpresarial()->LeBanco(111, &b); }, EE}},
      {"LeBufferBanco", {[](auto& h) { CZQDadosDF_Banco b; return h.GetAcessoEmpresarial()->LeBufferBanco(111, &b); }, EE}},
      {"LeBufferPlanoContabil",
       {[](auto& h) {
          CZQDadosDF_PlanoEmpresarial p;
          return h.GetAcessoEmpresarial()->LeBufferPlanoContabil(111, &p);
        },
        EE}},
      {"LePlanoGerencial",
       {[](auto& h) {
          CZQDadosDF_PlanoEmpresarial p;
          return h.GetAcessoEmpresarial()->LePlanoGerencial(7001, &p);
        },
        EE}},
      {"LeBufferHistorico",
       {[](auto& h) {
          CZQDadosDF_Historico x;
          return h.GetAcessoEmpresarial()->LeBufferHistorico(1, &x);
        },
        EE}},
      {"LeBufferPeriodoContabil",
       {[](auto& h) {
          CZQDadosDF_PeriodoContabil p;
          return h.GetAcessoEmpresarial()->LeBufferPeriodoContabil(&p);
        },
        EE}},
      {"BuscaFeriadosFilial",
       {[](auto& h) {
          CZQVector<CZQDadosDF_Feriado> f;
          return h.GetAcessoEmpresarial()->BuscaFeriadosFilial(1, f);
        },
        EE}},
      {"BuscaPonteirosTesouraria",
       {[](auto& h) {
          CZQVector<REG_ZQDMC> c;
          return h.GetAcessoFinanceiro()->BuscaPonteirosTesouraria(CZQDadosFN_FiltroTesouraria{}, c);
        },
        EF}},
      {"LeTesouraria",
       {[](auto& h) {
          CZQVector<CZQDadosFN_Tesouraria> l;
          return h.GetAcessoFinanceiro()->LeTesouraria(CZQVector<REG_ZQDMC>{}, l);
        },
        EF}},
      {"GetIFNTesouraria",
       {[](auto& h) {
          CZQComPtr<IZQFN_Tesouraria> i;
          return h.GetAcessoFinanceiro()->GetIFNTesouraria(i);
        },
        EF}},
      {"Financeiro.LeBufferMestre",
       {[](auto& h) { CZQDadosFN_Mestre m; return h.GetAcessoFinanceiro()->LeBufferMestre(&m); }, EF}},
      {"GravaStatusHiperautomacaoFinanceira",
       {[](auto& h) {
          return h.GetAcessoFinanceiro()->GravaStatusHiperautomacaoFinanceira(CZQDadosFN_StatusHiperautomacaoFinanceira{});
        },
        EF}},
      {"LeBufferMestreEmpresa",
       {[](auto& h) { CZQDadosCN_MestreEmpresa m; return h.GetAcessoContabil()->LeBufferMestreEmpresa(&m); }, EK}},
      {"GetIDFIntegracaoTransacao",
       {[](auto& h) {
          CZQComPtr<IZQDF_IntegracaoTransacao> i;
          return h.GetAcessoIntegracao()->GetIDFIntegracaoTransacao(i);
        },
        EI}},
      {"BuscaQuantProTesBan",
       {[](auto& h) { return ComMestre(h, [](IZQCL_Mestre& m) { uint16_t n = 0; return m.BuscaQuantProTesBan(&n); }); },
        nullptr}},
      {"BuscaRegistrosTesBan",
       {[](auto& h) {
          return ComMestre(h, [](IZQCL_Mestre& m) {
            _REG_PROP_CONC_TESBAN_PS r{};
            return m.BuscaRegistrosTesBan(1, &r);
          });
        },
        nullptr}},
      {"ImportacaoCBN.LeLeiaute",
       {[](auto& h) { return ComCBN(h, [](IZQCL_ImportacaoCBN& c) { RegLeiauteps l{}; return c.LeLeiaute(1, &l); }); },
        nullptr}},
      {"Existe",
       {[](auto& h) {
          return ComTesouraria(h, [](IZQFN_Tesouraria& t) { return t.Existe(RegExisteTesps{}, nullptr); });
        },
        nullptr}},
      {"NovaIntegracao",
       {[](auto& h) {
          return ComIntegracao(h, [](IZQDF_IntegracaoTransacao& t) {
            regNovaTransacaoPS n{};
            return t.NovaIntegracao(&n);
          });
        },
        nullptr}},
      {"SetFinanceiroTesouraria",
       {[](auto& h) {
          return ComIntegracao(h, [](IZQDF_IntegracaoTransacao& t) { return t.SetFinanceiroTesouraria(nullptr, nullptr); });
        },
        nullptr}},
      {"SetContabilTes",
       {[](auto& h) { return ComIntegracao(h, [](IZQDF_IntegracaoTransacao& t) { return t.SetContabilTes(0, nullptr); }); },
        nullptr}},
      {"SetGerencialTes",
       {[](auto& h) { return ComIntegracao(h, [](IZQDF_IntegracaoTransacao& t) { return t.SetGerencialTes(0, nullptr); }); },
        nullptr}},
      {"ConciliaManual",
       {[](auto& h) {
          uint32_t numero = 0;
          return h.GetAcessoConciliacao()->ConciliaManual(111, CZQVector<uint32_t>{1}, CZQVector<uint32_t>{1}, 0, 0,
                                                          numero);
        },
        EC}},
      {"DesfazConciliacao",
       {[](auto& h) { return h.GetAcessoConciliacao()->DesfazConciliacao(111, 1, 0, 0, CZQString("teste")); }, EC}},
      {"TravaConta", {[](auto& h) { return h.GetAcessoConciliacao()->TravaConta(111); }, EC}},
      {"LiberaConta", {[](auto& h) { return h.GetAcessoConciliacao()->LiberaConta(111); }, EC}},
      {"GravaIntegracao",
       {[](auto& h) {
          return ComIntegracao(h, [](IZQDF_IntegracaoTransacao& t) { return t.GravaIntegracao(nullptr, nullptr); });
        },
        nullptr}},
      {"SetOrigensAgrupadas",
       {[](auto& h) {
          return ComIntegracao(h, [](IZQDF_IntegracaoTransacao& t) { return t.SetOrigensAgrupadas(0, nullptr); });
        },
        nullptr}},
  };
  return tabela;
}

TEST(FalhasInjetadasListaTest, EveryOperationOfTheDecoratorsIsCovered) {
  std::set<std::string> nomes(CZQFalhasInjetadas::Operacoes().begin(), CZQFalhasInjetadas::Operacoes().end());
  EXPECT_EQ(nomes.size(), CZQFalhasInjetadas::Operacoes().size()) << "a name is listed twice";
  std::set<std::string> testados;
  for (const auto& [nome, op] : Tabela()) testados.insert(nome);
  EXPECT_EQ(nomes, testados);
}

class CadaOperacaoTest : public ArmazemTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(CadaOperacaoTest, TheSecondCallFailsTheOthersReachTheServer) {
  const std::string& nome = GetParam();
  const Operacao& op = Tabela().at(nome);
  const HRESULT injetado = ZQ_HR(0x80AB0000u + static_cast<uint32_t>(nome.size()));

  CZQFalhasInjetadas falhas;
  falhas.Falha(nome, 2, injetado);
  HubTeste real(*m_hub);
  CZQAcessoServidoresFalhas hub(real, falhas);

  const HRESULT primeira = op.chama(hub);
  EXPECT_NE(primeira, injetado);
  if (op.erro) {
    EXPECT_EQ(op.erro(hub), op.erro(real)) << "a call that went through shows the server's own error";
  }

  EXPECT_EQ(op.chama(hub), injetado);
  if (op.erro) {
    const CZQDadosDF_Erro* erro = op.erro(hub);
    ASSERT_NE(erro, nullptr);
    EXPECT_NE(erro, op.erro(real));
    EXPECT_EQ(erro->GetHR(), injetado);
    EXPECT_EQ(TextoErro(erro), "Falha injetada em " + nome + " (chamada 2)");
  }

  EXPECT_EQ(op.chama(hub), primeira) << "the third call reaches the server again";
  if (op.erro) {
    EXPECT_EQ(op.erro(hub), op.erro(real));
  }
  EXPECT_EQ(falhas.Chamadas(nome), 3);
  EXPECT_EQ(falhas.FalhasOcorridas(), std::vector<std::string>{nome + "#2"});
}

INSTANTIATE_TEST_SUITE_P(Operacoes, CadaOperacaoTest, ::testing::ValuesIn(CZQFalhasInjetadas::Operacoes()),
                         [](const auto& info) {
                           std::string n = info.param;
                           for (char& c : n) {
                             if (c == '.') c = '_';
                           }
                           return n;
                         });

TEST_F(ArmazemTest, InjectedFailureNeverReachesTheServer) {
  CZQFalhasInjetadas falhas;
  falhas.Falha("GravaExtrato", 1, E_FAIL).Falha("BuscaPonteirosMovimentoExtrato", 1, E_ABORT);
  CZQAcessoServidoresFalhas hub(*m_hub, falhas);

  CZQDadosCL_Extrato e = Linha(111, 1, Dia(1, 12, 2026), 1, '+', "X");
  EXPECT_EQ(hub.GetAcessoConciliacao()->GravaExtrato(e), E_FAIL);
  EXPECT_EQ(e.GetPosicao(), 0u);
  long long linhas = -1;
  m_banco->Sessao() << "SELECT COUNT(*) FROM extrato", soci::into(linhas);
  EXPECT_EQ(linhas, 0);

  CZQVector<uint32_t> posicoes{7, 8};
  EXPECT_EQ(hub.GetAcessoConciliacao()->BuscaPonteirosMovimentoExtrato(CZQDadosCL_FiltroExtrato{}, posicoes), E_ABORT);
  EXPECT_EQ(posicoes.Std(), (std::vector<uint32_t>{7, 8})) << "outputs stay as they were";
}

TEST_F(ArmazemTest, GivenErrorRecordIsWhatTheAreaShows) {
  CZQDadosDF_Erro aviso;
  aviso.SetAviso(ZQ_MODULO_CL, 5891, 0);
  CZQFalhasInjetadas falhas;
  falhas.Falha("LeBufferBanco", 1, aviso.GetHR(), aviso);
  CZQAcessoServidoresFalhas hub(*m_hub, falhas);
  CZQDadosDF_Banco banco;
  EXPECT_EQ(hub.GetAcessoEmpresarial()->LeBufferBanco(113, &banco), aviso.GetHR());
  EXPECT_TRUE(*hub.GetAcessoEmpresarial()->GetErro() == aviso);
}

TEST_F(ArmazemTest, AlwaysFailingFromACallOnAndCountsOfEverything) {
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre("GetChave", E_OUTOFMEMORY, 3);
  CZQFalhasInjetadas copia = falhas;  // copies share the counts
  CZQAcessoServidoresFalhas hub(*m_hub, copia);
  CZQDadosCL_Tabela t;
  t.SetConta(111).SetFilial(1);
  std::vector<HRESULT> resultados;
  for (int i = 0; i < 5; ++i) resultados.push_back(hub.GetAcessoConciliacao()->GetChave(t));
  EXPECT_EQ(resultados, (std::vector<HRESULT>{S_OK, S_OK, E_OUTOFMEMORY, E_OUTOFMEMORY, E_OUTOFMEMORY}));
  uint32_t n = 0;
  hub.GetAcessoConciliacao()->GetUltimoNrConciliacao(111, n);
  EXPECT_EQ(falhas.TodasChamadas(), (std::map<std::string, long>{{"GetChave", 5}, {"GetUltimoNrConciliacao", 1}}));
  falhas.Limpa();
  EXPECT_EQ(hub.GetAcessoConciliacao()->GetChave(t), S_OK);
  EXPECT_EQ(falhas.Chamadas("GetChave"), 1);
}

TEST(FalhasInjetadasNomesTest, UnknownOperationIsAnError) {
  CZQFalhasInjetadas falhas;
  EXPECT_THROW(falhas.Falha("GravaExtratos", 1, E_FAIL), std::invalid_argument);
  EXPECT_THROW(falhas.FalhaSempre("Financeiro::LeBufferMestre", E_FAIL), std::invalid_argument);
  EXPECT_NO_THROW(falhas.Falha("Financeiro.LeBufferMestre", 1, E_FAIL));
}

constexpr HRESULT E_ACCESSDENIED_TESTE = ZQ_HR(0x80070005);

struct Perfil : IZQDF_Profiler {
  CZQString GetEmpresa() const override { return "EXEMPLO"; }
  unsigned short GetUsuario() const override { return 1; }
  unsigned long GetNumeroSessao() const override { return 1; }
};

TEST_F(ArmazemTest, InjectionDecoratesTheInstalledFactoryWhileItLives) {
  CZQDadosDF_Erro erro;
  ASSERT_EQ(ZQInstalaArmazemSQL(Conexao(), erro), S_OK);
  Perfil perfil;
  CZQFalhasInjetadas falhas;
  falhas.Falha("LeBufferPeriodoContabil", 1, E_ACCESSDENIED_TESTE);
  {
    CZQInjecaoFalhas injecao(falhas);
    auto hub = ZQNovoAcessoServidores(perfil);
    ASSERT_TRUE(hub);
    CZQDadosDF_PeriodoContabil periodo;
    EXPECT_EQ(hub->GetAcessoEmpresarial()->LeBufferPeriodoContabil(&periodo), E_ACCESSDENIED_TESTE);
    EXPECT_EQ(hub->GetAcessoEmpresarial()->LeBufferPeriodoContabil(&periodo), S_OK);
    EXPECT_EQ(periodo.GetDataInferiorMovimentacao(), Dia(1, 1, 2026));
  }
  auto hub = ZQNovoAcessoServidores(perfil);
  ASSERT_TRUE(hub);
  CZQDadosDF_PeriodoContabil periodo;
  EXPECT_EQ(hub->GetAcessoEmpresarial()->LeBufferPeriodoContabil(&periodo), S_OK);
  EXPECT_EQ(falhas.Chamadas("LeBufferPeriodoContabil"), 2) << "the restored factory's hubs are not counted";
  ZQRemoveArmazemSQL();

  CZQInjecaoFalhas semFabrica(falhas);
  EXPECT_EQ(ZQNovoAcessoServidores(perfil), nullptr);
}

}  // namespace
