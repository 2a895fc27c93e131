#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lanca_auto_teste_util.h"
#include "store/zq_falhas_injetadas.h"
#include "store/zq_integracao_sql.h"
#include "support/interacao.h"

// The posting run over a store of its own: what it records, marks and logs, what it
// drops and why, and what a failed step leaves behind.
namespace {

using namespace zq_lanca;

constexpr char kPergunta[] =
    "Existe na Tesouraria um lançamento idêntico ao que está sendo gerado automaticamente pela Conciliação. "
    "Deseja realmente gerar o lançamento?";

// A credit rule that posts: money in with a payment form, an accounting code and a
// classification the chart accepts.
Regra Credito(std::string codigo = "300", std::string historico = "DEPOSITO") {
  return Regra{.codigo = codigo,
               .historico = historico,
               .conta = 111,
               .contabilEntrada = 41,
               .contabilSaida = 0,
               .transacao = 1,
               .forma = 5,
               .classificacao = 401};
}

using zq_teste::InteracaoGravada;

class ProcessaTest : public LancaAutoTest {
 protected:
  long long Tesouraria() { return Conta("SELECT COUNT(*) FROM tesouraria"); }
  long long Marcadas() {
    return Conta("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S' AND tipo_conciliacao = 'L'");
  }
  long long Numero() {
    return Conta("SELECT COALESCE(MAX(ultimo_numero), -1) FROM numero_conciliacao WHERE conta = 111");
  }
  long long Logs() { return Conta("SELECT COUNT(*) FROM log_conciliacao"); }

  HRESULT Processa(bool silencioso = true) {
    m_rotina.SetModoSilencioso(silencioso);
    m_erros = CZQVector<CZQDadosDF_Erro>();
    return m_rotina.ProcessaLancamentoConcAutomatico(Conciliacao(), m_erros);
  }
  std::vector<long> Codigos() const {
    std::vector<long> c;
    for (const CZQDadosDF_Erro& e : m_erros) c.push_back(e.GetCodigoMensagem());
    return c;
  }
  void Linhas(int n, const char* historico = "DEPOSITO", const char* codigo = "300", char natureza = '+',
              REG_ZQDMA data = Dia(10, 3, 2026)) {
    CZQVector<CZQDadosCL_Extrato> linhas;
    for (int i = 0; i < n; ++i) linhas.Add(Linha(historico, codigo, natureza, 111, 1000 + i, data, 7000 + i));
    ASSERT_EQ(m_hub->Conciliacao().GravaExtratos(linhas), S_OK);
  }
  CZQVector<CZQDadosDF_Erro> m_erros;
};

struct CasoDescarte {
  const char* nome;
  Regra regra;
  char natureza;
  long codigo;
  const char* preparo;  // SQL run before, or null
};

class DescarteTest : public ProcessaTest, public ::testing::WithParamInterface<CasoDescarte> {};

TEST_P(DescarteTest, EntradaDescartadaDevolveONumeroENaoGravaNada) {
  const CasoDescarte& caso = GetParam();
  GravaRegras({caso.regra});
  if (caso.preparo) m_banco->Sessao() << caso.preparo;
  ASSERT_EQ(m_hub->GetAcessoConciliacao()->SalvaArqNumConciliacao(111, 40), S_OK);
  Linhas(2, "DEPOSITO", "300", caso.natureza);

  EXPECT_EQ(Processa(), S_OK);
  // Reported once for the two lines when the reason is the classification account.
  const std::size_t vezes = caso.codigo == 5890 ? 1 : 2;
  EXPECT_EQ(Codigos(), std::vector<long>(vezes, caso.codigo));
  for (const CZQDadosDF_Erro& e : m_erros) {
    EXPECT_EQ(e.GetModuloMensagem(), ZQ_MODULO_CL);
    EXPECT_EQ(e.GetTipoErro(), 2);
  }
  EXPECT_EQ(Tesouraria(), 0);
  EXPECT_EQ(Marcadas(), 0);
  EXPECT_EQ(Numero(), 40);
  EXPECT_EQ(Logs(), 0);
}

Regra Com(Regra r, auto f) {
  f(r);
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    Motivos, DescarteTest,
    ::testing::Values(
        CasoDescarte{"SaidaSemFormaDePagamento",
                     Com(Credito(), [](Regra& r) { r.transacao = 2, r.contabilSaida = 51, r.formaSaida = 0; }), '-',
                     5884, nullptr},
        CasoDescarte{"EntradaSemFormaDePagamento", Com(Credito(), [](Regra& r) { r.forma = 0; }), '+', 5885, nullptr},
        CasoDescarte{"HistoricoComAsterisco", Com(Credito(), [](Regra& r) { r.historicoPadrao = 10; }), '+', 5865,
                     nullptr},
        CasoDescarte{"SemCodigoContabil",
                     Com(Credito(), [](Regra& r) { r.transacao = 3, r.contabilEntrada = 0, r.contabilSaida = 0; }), '-',
                     5889, nullptr},
        CasoDescarte{"ClassificacaoInutilizavel", Com(Credito(), [](Regra& r) { r.classificacao = 901; }), '+', 5890,
                     nullptr},
        CasoDescarte{"PeriodoContabilFechado", Credito(), '+', ZQ_RECUSA_CONTABIL_PERIODO_FECHADO,
                     "UPDATE mestre_empresa SET data_inferior_lancamento = data_superior_lancamento"},
        CasoDescarte{"SemContaContabil", Com(Credito(), [](Regra& r) { r.classificacao = 0; }), '+',
                     ZQ_RECUSA_CONTABIL_SEM_CONTA, nullptr},
        CasoDescarte{"ContrapartidaInativa", Com(Credito(), [](Regra& r) { r.contrapartida = 901; }), '+',
                     ZQ_RECUSA_CONTABIL_SEM_CONTA, nullptr}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ProcessaTest, ContaGerencialInativaListaAsContasEDescarta) {
  GravaRegras({Credito()});
  Rateio(401, {{7001, 500000}, {7009, 500000}});
  Linhas(1);
  EXPECT_EQ(Processa(), S_OK);
  ASSERT_EQ(Codigos(), std::vector<long>{5883});
  EXPECT_NE(m_erros[0].GetTextoMostraMensagem().str().find("\nG.09 - Projetos encerrados"), std::string::npos)
      << m_erros[0].GetTextoMostraMensagem().str();
  EXPECT_EQ(Tesouraria(), 0);
  EXPECT_EQ(Marcadas(), 0);
}

TEST_F(ProcessaTest, SemRegraNadaGravadoMasONumeroSalvo) {
  GravaRegras({Credito()});
  Linhas(3, "OUTRA COISA", "999");
  EXPECT_EQ(Processa(), S_OK);
  EXPECT_TRUE(m_erros.IsEmpty());
  EXPECT_EQ(Tesouraria(), 0);
  EXPECT_EQ(Marcadas(), 0);
  EXPECT_EQ(Numero(), 0);  // saved, unchanged
}

TEST_F(ProcessaTest, AgregaCreditosDoDiaEUmDebitoEncerraOGrupo) {
  Regra r = Credito("100", "DEPOSITO");
  r.agrupa = true;
  GravaRegras({r});
  CZQVector<CZQDadosCL_Extrato> linhas;
  linhas.Add(Linha("DEPOSITO A", "100", '+', 111, 1000));
  linhas.Add(Linha("DEPOSITO B", "100", '+', 111, 2000));
  linhas.Add(Linha("deposito c", "101", '+', 111, 500));  // same rule text, other code
  linhas.Add(Linha("TARIFA", "200", '-', 111, 70));       // sorts between, has no rule
  linhas.Add(Linha("DEPOSITO D", "300", '+', 111, 300));
  ASSERT_EQ(m_hub->Conciliacao().GravaExtratos(linhas), S_OK);

  EXPECT_EQ(Processa(), S_OK);
  EXPECT_TRUE(m_erros.IsEmpty());
  CZQVector<CZQDadosFN_Tesouraria> entradas;
  CZQVector<REG_ZQDMC> chaves;
  ASSERT_EQ(m_hub->GetAcessoFinanceiro()->BuscaPonteirosTesouraria(CZQDadosFN_FiltroTesouraria(), chaves), S_OK);
  ASSERT_EQ(m_hub->GetAcessoFinanceiro()->LeTesouraria(chaves, entradas), S_OK);
  ASSERT_EQ(entradas.GetQuantidade(), 2);
  EXPECT_EQ(entradas[0].GetValor(), 3500);
  EXPECT_EQ(entradas[1].GetValor(), 300);
  for (const auto& e : entradas) {
    EXPECT_EQ(e.GetDocumento(), CZQString("100"));
    EXPECT_EQ(e.GetConciliadoEnt(), 'S');
  }
  EXPECT_EQ(entradas[0].GetNumeroConciliacaoEnt(), 1u);
  EXPECT_EQ(entradas[1].GetNumeroConciliacaoEnt(), 2u);
  EXPECT_EQ(Marcadas(), 4);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM extrato WHERE numero_conciliacao = 1 AND conciliado = 'S'"), 3);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM extrato WHERE hist_bco = 'TARIFA' AND conciliado = 'S'"), 0);
  EXPECT_EQ(Numero(), 2);
  // One log per number, each with its statement keys and its own treasury key.
  EXPECT_EQ(Logs(), 2);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM log_conciliacao_chave WHERE lado = 'E'"), 4);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM log_conciliacao_chave WHERE lado = 'T'"), 2);
}

struct CasoDuplicado {
  bool silencioso;
  int resposta;
  bool lanca;
};

class DuplicadoTest : public ProcessaTest, public ::testing::WithParamInterface<CasoDuplicado> {};

TEST_P(DuplicadoTest, LancamentoIdenticoNaTesouraria) {
  const CasoDuplicado caso = GetParam();
  GravaRegras({Credito()});
  ASSERT_EQ(m_hub->GetAcessoConciliacao()->SalvaArqNumConciliacao(111, 40), S_OK);
  Linhas(1);
  ASSERT_EQ(Processa(), S_OK);
  ASSERT_EQ(Tesouraria(), 1);
  // The same line again: the treasury already holds its entry.
  Linhas(1);
  InteracaoGravada interacao(caso.resposta);
  EXPECT_EQ(Processa(caso.silencioso), S_OK);
  EXPECT_TRUE(m_erros.IsEmpty());
  EXPECT_EQ(interacao.textos, caso.silencioso ? std::vector<std::string>{} : std::vector<std::string>{kPergunta});
  EXPECT_EQ(Tesouraria(), caso.lanca ? 2 : 1);
  EXPECT_EQ(Marcadas(), caso.lanca ? 2 : 1);
  EXPECT_EQ(Numero(), caso.lanca ? 42 : 41);  // a dropped entry gives its number back
}

INSTANTIATE_TEST_SUITE_P(Modos, DuplicadoTest,
                         ::testing::Values(CasoDuplicado{true, ZQ_IDYES, false}, CasoDuplicado{false, ZQ_IDNO, false},
                                           CasoDuplicado{false, ZQ_IDYES, true}, CasoDuplicado{false, ZQ_IDOK, true}));

class LoteTest : public ProcessaTest, public ::testing::WithParamInterface<int> {};

TEST_P(LoteTest, TransacaoCheiaGravaERodaDeNovoParaORestante) {
  const int n = GetParam();
  GravaRegras({Credito()});
  Linhas(n);
  EXPECT_EQ(Processa(), S_OK);
  EXPECT_EQ(Tesouraria(), n);
  EXPECT_EQ(Marcadas(), n);
  EXPECT_EQ(Numero(), n);
  EXPECT_EQ(Logs(), n);
  // The count of lines of the transaction starts again in the run that follows a full one.
  EXPECT_EQ(Conta("SELECT MAX(quantidade_extratos) FROM integracao_origem"), std::min(n, 255));
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM integracao_origem WHERE quantidade_extratos = 1"), n > 255 ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(Limite, LoteTest, ::testing::Values(1, 254, 255, 256, 300));

TEST_F(ProcessaTest, AgregacaoQuePassaDe255SegueAteOFim) {
  Regra agrega = Credito("400", "AGREGADO");
  agrega.agrupa = true;
  GravaRegras({Credito(), agrega});
  Linhas(254);
  Linhas(3, "AGREGADO", "400", '+', Dia(11, 3, 2026));
  Linhas(2, "DEPOSITO", "300", '+', Dia(12, 3, 2026));
  EXPECT_EQ(Processa(), S_OK);
  EXPECT_EQ(Tesouraria(), 254 + 1 + 2);
  EXPECT_EQ(Marcadas(), 259);
  EXPECT_EQ(Conta("SELECT MAX(quantidade_extratos) FROM integracao_origem"), 259);
}

struct CasoTransacao {
  int transacao;
  long long partesContabeis;
};

class PartesTest : public ProcessaTest, public ::testing::WithParamInterface<CasoTransacao> {};

TEST_P(PartesTest, ParteContabilEGerencialDoLancamento) {
  Regra r = Credito();
  r.transacao = GetParam().transacao;
  GravaRegras({r});
  Rateio(401, {{7001, 250000}, {7002, 750000}});
  Linhas(1);
  EXPECT_EQ(Processa(), S_OK);
  EXPECT_EQ(Tesouraria(), 1);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM integracao_contabil"), GetParam().partesContabeis);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM integracao_gerencial"), 2);
  EXPECT_EQ(Conta("SELECT SUM(valor) FROM integracao_gerencial"), 1000);
  EXPECT_EQ(Conta("SELECT valor FROM integracao_gerencial WHERE conta_gerencial = 7001"), 250);
}

INSTANTIATE_TEST_SUITE_P(Transacoes, PartesTest,
                         ::testing::Values(CasoTransacao{1, 1}, CasoTransacao{6, 0}, CasoTransacao{7, 0}));

TEST_F(ProcessaTest, LancamentoDeOutraContaNaoEntraNoLog) {
  GravaRegras({Credito()});
  // An entry of another bank account reconciled automatically with the number the run will use.
  tagREG_TESOURARIAPS outro{};
  outro.dmaLancamento = Dia(10, 3, 2026);
  outro.lPonteiroContaEnt = 113;
  outro.lPonteiroContaSai = 501;
  outro.lNumeroConciliacaoEnt = 1;
  outro.cConciliadoEnt = 'S';
  outro.cConciliadoAuto = 'S';
  outro.iPonteiroFilial = 1;
  CZQDadosFN_Tesouraria entrada(outro);
  ASSERT_EQ(m_hub->Financeiro().GravaTesouraria(entrada), S_OK);
  Linhas(1);
  EXPECT_EQ(Processa(), S_OK);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM log_conciliacao_chave WHERE lado = 'T'"), 1);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM log_conciliacao_chave WHERE lado = 'T' AND posicao = " +
                  std::to_string(entrada.GetPosicaoReg())),
            0);
}

// A line whose origin, or whose place in another entry's group, was already integrated
// (by a run that could not mark it) is refused.
TEST_F(ProcessaTest, LinhaJaIntegradaERecusadaCom5879) {
  GravaRegras({Credito()});
  Linhas(1);
  for (const char* integrada :
       {"INSERT INTO integracao_origem (posicao_tesouraria, origem, chave_tabela, sessao, quantidade_extratos,"
        " linhas_grupo, complemento) SELECT 999, posicao * 256 + 24, 1, 0, 1, 1, '' FROM extrato",
        "INSERT INTO integracao_origem_grupo (origem, chave_tabela, posicao_tesouraria)"
        " SELECT posicao * 256 + 24, 1, 999 FROM extrato"}) {
    SCOPED_TRACE(integrada);
    m_banco->Sessao() << "DELETE FROM integracao_origem";
    m_banco->Sessao() << "DELETE FROM integracao_origem_grupo";
    m_banco->Sessao() << integrada;
    EXPECT_NE(Processa(), S_OK);
    EXPECT_EQ(Codigos(), std::vector<long>{5879});
    EXPECT_EQ(Tesouraria(), 0);
    EXPECT_EQ(Marcadas(), 0);
    EXPECT_EQ(Logs(), 0);
  }
}

// A run that stopped after recording (here its second mark fails) leaves entries with
// open lines and no logs. The next run of the account, in the same process, marks every
// line of each entry with its number, writes the missing logs and posts nothing again.
// Had only an aggregated entry's origin been kept, its other lines would stay open and
// be refused for ever.
struct CasoInterrompido {
  const char* nome;
  bool agrupa;
  const char* operacao;
  long chamada;
  long long lancamentos, marcadasAntes;
};

class InterrompidoTest : public ProcessaTest, public ::testing::WithParamInterface<CasoInterrompido> {
 protected:
  // Five lines over two days, posted by a run that the case's failure stops.
  void RodaInterrompida() {
    const CasoInterrompido& caso = GetParam();
    Regra r = Credito();
    r.agrupa = caso.agrupa;
    GravaRegras({r});
    Linhas(3);
    Linhas(2, "DEPOSITO", "300", '+', Dia(11, 3, 2026));
    CZQFalhasInjetadas falhas;
    falhas.Falha(caso.operacao, caso.chamada, ZQ_HR(0x80004005));
    CZQInjecaoFalhas injecao(falhas);
    ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);
    EXPECT_NE(Processa(), S_OK);
  }
};

TEST_P(InterrompidoTest, ProximaRodadaCompletaMarcasELogs) {
  const CasoInterrompido& caso = GetParam();
  ASSERT_NO_FATAL_FAILURE(RodaInterrompida());
  EXPECT_EQ(Tesouraria(), caso.lancamentos);
  EXPECT_EQ(Marcadas(), caso.marcadasAntes);
  EXPECT_EQ(Logs(), 0);

  ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);
  EXPECT_EQ(Processa(), S_OK);
  EXPECT_TRUE(m_erros.IsEmpty());
  EXPECT_EQ(Tesouraria(), caso.lancamentos);
  EXPECT_EQ(Marcadas(), 5);
  // Each line carries the number of the entry it went into, and each number has its log
  // with its lines and its entry.
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM extrato e JOIN (SELECT origem, posicao_tesouraria FROM integracao_origem"
                  " UNION ALL SELECT origem, posicao_tesouraria FROM integracao_origem_grupo) o"
                  " ON o.origem = e.posicao * 256 + 24 JOIN tesouraria t ON t.posicao = o.posicao_tesouraria"
                  " WHERE e.numero_conciliacao = t.numero_conciliacao_ent"),
            5);
  EXPECT_EQ(Logs(), caso.lancamentos);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM log_conciliacao_chave WHERE lado = 'E'"), 5);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM log_conciliacao_chave WHERE lado = 'T'"), caso.lancamentos);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM integracao_pendente"), 0);
}

INSTANTIATE_TEST_SUITE_P(Falhas, InterrompidoTest,
                         ::testing::Values(CasoInterrompido{"AvulsaNaMarca", false, "GravaExtrato", 2, 5, 1},
                                           CasoInterrompido{"AgrupadaNaMarca", true, "GravaExtrato", 2, 2, 1},
                                           CasoInterrompido{"AvulsaNosLogs", false, "LeTesouraria", 1, 5, 5},
                                           CasoInterrompido{"AgrupadaNosLogs", true, "LeTesouraria", 1, 2, 5}),
                         [](const auto& info) { return std::string(info.param.nome); });

// An open line alone makes a recorded entry incomplete, even when its log exists (here
// written by hand after the stop): the next run marks the line and posts nothing again.
class InterrompidoComLogTest : public InterrompidoTest {};

TEST_P(InterrompidoComLogTest, LinhaAbertaBastaParaCompletar) {
  const CasoInterrompido& caso = GetParam();
  ASSERT_NO_FATAL_FAILURE(RodaInterrompida());
  m_banco->Sessao() << "INSERT INTO log_conciliacao (id, numero_conciliacao, banco, tipo_chaves, tipo_conciliacao,"
                       " empresa, usuario, sessao, quando)"
                       " SELECT posicao, numero_conciliacao_ent, conta_ent, 0, 2, 'X', 0, 0, 0 FROM tesouraria";
  ASSERT_EQ(Logs(), caso.lancamentos);

  ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);
  EXPECT_EQ(Processa(), S_OK);
  EXPECT_EQ(Tesouraria(), caso.lancamentos);
  EXPECT_EQ(Marcadas(), 5);
  EXPECT_EQ(Logs(), caso.lancamentos);
  EXPECT_EQ(Conta("SELECT COUNT(*) FROM integracao_pendente"), 0);
}

INSTANTIATE_TEST_SUITE_P(Falhas, InterrompidoComLogTest,
                         ::testing::Values(CasoInterrompido{"AvulsaNaMarca", false, "GravaExtrato", 2, 5, 1},
                                           CasoInterrompido{"AgrupadaNaMarca", true, "GravaExtrato", 2, 2, 1}),
                         [](const auto& info) { return std::string(info.param.nome); });

// A lock that cannot be let go does not undo the run: what it recorded stands, the
// failure is traced, and the account is free again when the connection ends.
TEST_F(ProcessaTest, FalhaAoLiberarAContaRastreiaEMantemORodado) {
  GravaRegras({Credito()});
  Linhas(2);
  const HRESULT falha = ZQ_HR(0x80004005);
  CZQFalhasInjetadas falhas;
  falhas.Falha("LiberaConta", 1, falha);
  CZQInjecaoFalhas injecao(falhas);
  ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);
  EXPECT_EQ(Processa(), S_OK);
  EXPECT_TRUE(m_erros.IsEmpty());
  EXPECT_EQ(falhas.Chamadas("TravaConta"), 1);
  EXPECT_TRUE(Rastreou("GetAcessoConciliacao()->LiberaConta(dadosConciliacaoAutomatica.GetPonteiroConta())", falha))
      << LogErros();
  EXPECT_EQ(Tesouraria(), 2);
  EXPECT_EQ(Marcadas(), 2);
}

struct CasoFalha {
  const char* operacao;
  const char* expressao;
  long chamada;
  // What stays: treasury entries and marked lines, number saved (-1 = none).
  long long tesouraria, marcadas, numero;
  // The rule puts the three lines into one entry.
  bool agrupa = false;
};

class FalhaTest : public ProcessaTest, public ::testing::WithParamInterface<CasoFalha> {};

TEST_P(FalhaTest, PassoFatalRastreiaEDeixaSoOQueOCaminhoPermite) {
  const CasoFalha& caso = GetParam();
  Regra regra = Credito();
  regra.agrupa = caso.agrupa;
  GravaRegras({regra});
  Rateio(401, {{7001, 1000000}});
  Linhas(3);
  const HRESULT falha = ZQ_HR(0x80004005);
  CZQFalhasInjetadas falhas;
  falhas.Falha(caso.operacao, caso.chamada, falha);
  CZQInjecaoFalhas injecao(falhas);
  ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);

  EXPECT_EQ(Processa(), falha);
  EXPECT_TRUE(Rastreou(caso.expressao, falha)) << LogErros();
  EXPECT_EQ(Tesouraria(), caso.tesouraria);
  EXPECT_EQ(Marcadas(), caso.marcadas);
  EXPECT_EQ(Numero(), caso.numero);
  EXPECT_EQ(Logs(), 0);
  EXPECT_EQ(m_rotina.GetErro().GetHR(), falha);
}

INSTANTIATE_TEST_SUITE_P(
    Passos, FalhaTest,
    ::testing::Values(
        CasoFalha{"TravaConta", "GetAcessoConciliacao()->TravaConta(dadosConciliacaoAutomatica.GetPonteiroConta())", 1,
                  0, 0, -1},
        CasoFalha{"BuscaConciliacao",
                  "GetAcessoConciliacao()->BuscaConciliacao(dadosConciliacaoAutomatica, dadosArrayConciliacao)", 1, 0,
                  0, -1},
        CasoFalha{"GetIDFIntegracaoTransacao",
                  "GetAcessoIntegracao()->GetIDFIntegracaoTransacao(pIIntegracaoTransacao)", 1, 0, 0, -1},
        CasoFalha{"NovaIntegracao", "pIIntegracaoTransacao->NovaIntegracao(&regNovaTransacao)", 1, 0, 0, -1},
        CasoFalha{"GetUltimoNrConciliacao",
                  "GetAcessoConciliacao()->GetUltimoNrConciliacao(dadosConciliacaoAutomatica.GetPonteiroConta(), "
                  "lNumConciliacao)",
                  1, 0, 0, -1},
        CasoFalha{"GetChave", "GetAcessoConciliacao()->GetChave(dadosTabela)", 2, 0, 0, -1},
        CasoFalha{"Existe", "pITesouraria->Existe(regExiste, &regEncontrado)", 3, 0, 0, -1},
        CasoFalha{"LePlanoGerencial",
                  "GetAcessoEmpresarial()->LePlanoGerencial(RegGerencial[x].ContaGerencial, &dadosContaGerencial)", 2,
                  0, 0, -1},
        CasoFalha{"SetFinanceiroTesouraria",
                  "pIIntegracaoTransacao->SetFinanceiroTesouraria(&RegSetTesouraria, &RegFNRetorno)", 2, 0, 0, -1},
        CasoFalha{"SetContabilTes", "pIIntegracaoTransacao->SetContabilTes(1, &regContasContabil)", 3, 0, 0, -1},
        CasoFalha{"SetGerencialTes",
                  "pIIntegracaoTransacao->SetGerencialTes(aRegGerencialValida.GetQuantidade(), "
                  "aRegGerencialValida.GetData())",
                  1, 0, 0, -1},
        CasoFalha{"SetOrigensAgrupadas",
                  "pIIntegracaoTransacao->SetOrigensAgrupadas(static_cast<uint32_t>(agrupadas.size()), "
                  "agrupadas.data())",
                  1, 0, 0, -1, true},
        CasoFalha{"SalvaArqNumConciliacao",
                  "GetAcessoConciliacao()->SalvaArqNumConciliacao(dadosConciliacaoAutomatica.GetPonteiroConta(), "
                  "lNumConciliacao)",
                  1, 0, 0, -1},
        CasoFalha{"GravaIntegracao", "pIIntegracaoTransacao->GravaIntegracao(&RegGravaIntegracao, &RegRetorno)", 1, 0,
                  0, 3},
        // Lines stored before the failure stay so.
        CasoFalha{"GravaExtrato", "GetAcessoConciliacao()->GravaExtrato(dadosExtrato)", 2, 3, 1, 3},
        CasoFalha{"LeTesouraria", "GetAcessoFinanceiro()->LeTesouraria(listaDmc, listaTesourariaLida)", 1, 3, 3, 3}),
    [](const auto& info) { return std::string(info.param.operacao); });

// A result the failure check passes over (0xFFFFFFFF): the duplicate check of the treasury reads
// it as "no duplicate", while the treasury part of the integration ends the run untraced.
struct CasoIgnorado {
  const char* operacao;
  HRESULT resultado;
  long long tesouraria;
};

class IgnoradoTest : public ProcessaTest, public ::testing::WithParamInterface<CasoIgnorado> {};

TEST_P(IgnoradoTest, ResultadoIgnoradoNaoRastreia) {
  GravaRegras({Credito()});
  Linhas(2);
  CZQFalhasInjetadas falhas;
  falhas.FalhaSempre(GetParam().operacao, ZQ_HR_IGNORADO);
  CZQInjecaoFalhas injecao(falhas);
  ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);
  const std::size_t linhasLog = LinhasLog();
  EXPECT_EQ(Processa(), GetParam().resultado);
  EXPECT_EQ(LinhasLog(), linhasLog) << LogErros();
  EXPECT_EQ(Tesouraria(), GetParam().tesouraria);
  EXPECT_EQ(Marcadas(), GetParam().tesouraria);
}

INSTANTIATE_TEST_SUITE_P(Passos, IgnoradoTest,
                         ::testing::Values(CasoIgnorado{"Existe", S_OK, 2},
                                           CasoIgnorado{"SetFinanceiroTesouraria", ZQ_HR_IGNORADO, 0}),
                         [](const auto& info) { return std::string(info.param.operacao); });

TEST_F(ProcessaTest, IntegracaoForaDeOrdemERecusada) {
  CZQComPtr<IZQDF_IntegracaoTransacao> integracao = ZQNovaIntegracaoTransacaoSQL(m_banco);
  RegContasContabil c{};
  RegGravaIntegracao grava{};
  RegRetorno retorno{};
  RegSetTesouraria t{};
  EXPECT_EQ(integracao->SetFinanceiroTesouraria(&t, nullptr), E_UNEXPECTED);  // not opened
  EXPECT_EQ(integracao->GravaIntegracao(&grava, &retorno), E_UNEXPECTED);
  regNovaTransacaoPS nova{};
  ASSERT_EQ(integracao->NovaIntegracao(&nova), S_OK);
  EXPECT_EQ(integracao->SetContabilTes(1, &c), E_UNEXPECTED);  // no entry to belong to
  EXPECT_EQ(integracao->SetGerencialTes(-1, nullptr), E_INVALIDARG);
  EXPECT_EQ(integracao->NovaIntegracao(nullptr), E_POINTER);
  EXPECT_EQ(Tesouraria(), 0);
}

}  // namespace
