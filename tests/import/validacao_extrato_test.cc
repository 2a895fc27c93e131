#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "frame/zq_mensagens.h"
#include "import/cl_chaves_extrato.h"
#include "importacao_teste_util.h"

namespace {

using cl_teste::Dia;
using cl_teste::Linha;

constexpr uint32_t kTavorin = 111;
constexpr uint32_t kBancoBrasil = 113;
constexpr uint32_t kSemIntegracao = 115;

std::string Mensagem(long codigo) { return ZQGetMensagem(static_cast<unsigned long>(codigo), "CL"); }

class ValidacaoTest : public cl_teste::AmbienteImportacaoTest {
 protected:
  void SetUp() override {
    AmbienteImportacaoTest::SetUp();
    ASSERT_EQ(m_validador.Inicializa(&m_pessoa), S_OK);
  }
  CCLTrataDadosExtrato m_validador;
  CZQVector<CZQDadosCL_Extrato> m_chaves;
};

struct CasoRegra {
  const char* nome;
  uint32_t conta;
  const char* historico;
  tagCY valor;
  REG_ZQDMA data;
  REG_ZQDMA inicial;
  REG_ZQDMA final;
  int tipoErro;   // 0 passes, 6 dropped silently, 2 warning
  long mensagem;  // the warning's message
};

class RegraFonteTest : public ValidacaoTest, public ::testing::WithParamInterface<CasoRegra> {};

TEST_P(RegraFonteTest, AcceptsDropsOrWarns) {
  const CasoRegra& c = GetParam();
  CZQDadosCL_FiltroImportacaoExtrato pedido = cl_teste::Pedido(c.conta, c.inicial, c.final);
  const CZQDadosDF_Erro& erro =
      m_validador.ConsisteDadosExtrato(Linha(c.conta, c.data, c.valor, '-', c.historico, 42), pedido, m_chaves);
  EXPECT_EQ(erro.TemErro(), c.tipoErro != 0);
  EXPECT_EQ(erro.GetTipoErro(), c.tipoErro);
  if (c.tipoErro == ZQ_TIPO_ERRO_AVISO) {
    EXPECT_EQ(erro.GetModuloMensagem(), ZQ_MODULO_CL);
    EXPECT_EQ(erro.GetCodigoMensagem(), c.mensagem);
  }
  if (c.tipoErro == ZQ_TIPO_ERRO_DESCARTE) {
    EXPECT_TRUE(erro.GetTextoMostraMensagem().IsEmpty());
  }
  // Only a warning leaves a line for the report.
  EXPECT_EQ(m_validador.TrataRetornoImportacaoExtrato().GetCaminhoArquivoErros().IsEmpty(),
            c.tipoErro != ZQ_TIPO_ERRO_AVISO);
}

const REG_ZQDMA kIni = Dia(1, 11, 2026);
const REG_ZQDMA kFim = Dia(30, 11, 2026);
const REG_ZQDMA kMeio = Dia(15, 11, 2026);

INSTANTIATE_TEST_SUITE_P(
    BancoDoBrasil, RegraFonteTest,
    ::testing::Values(
        CasoRegra{"balance_upper", kBancoBrasil, "SALDO DO DIA", 100, kMeio, kIni, kFim, 6, 0},
        CasoRegra{"balance_lower", kBancoBrasil, "saldo do dia", 100, kMeio, kIni, kFim, 6, 0},
        CasoRegra{"balance_mixed", kBancoBrasil, "Saldo Do Dia", 100, kMeio, kIni, kFim, 6, 0},
        CasoRegra{"balance_trailing_blank_is_not", kBancoBrasil, "SALDO DO DIA ", 100, kMeio, kIni, kFim, 0, 0},
        CasoRegra{"balance_spaced", kBancoBrasil, "S A L D O", 100, kMeio, kIni, kFim, 6, 0},
        CasoRegra{"balance_spaced_lower", kBancoBrasil, "s a l d o", 100, kMeio, kIni, kFim, 6, 0},
        CasoRegra{"balance_previous", kBancoBrasil, "Saldo Anterior", 100, kMeio, kIni, kFim, 6, 0},
        CasoRegra{"balance_current", kBancoBrasil, "SALDO ATUAL", 100, kMeio, kIni, kFim, 6, 0},
        CasoRegra{"balance_bare", kBancoBrasil, "saldo", 100, kMeio, kIni, kFim, 6, 0},
        CasoRegra{"balance_available", kBancoBrasil, "saldo disponivel", 100, kMeio, kIni, kFim, 6, 0},
        CasoRegra{"other_balance_words_are_not", kBancoBrasil, "SALDO DIA", 100, kMeio, kIni, kFim, 0, 0},
        CasoRegra{"zero_amount", kBancoBrasil, "TARIFA", 0, kMeio, kIni, kFim, 6, 0},
        CasoRegra{"balance_wins_over_period", kBancoBrasil, "SALDO", 100, Dia(1, 1, 2020), kIni, kFim, 6, 0},
        CasoRegra{"before_period", kBancoBrasil, "TARIFA", 100, Dia(31, 10, 2026), kIni, kFim, 2, 5902},
        CasoRegra{"after_period", kBancoBrasil, "TARIFA", 100, Dia(1, 12, 2026), kIni, kFim, 2, 5902},
        CasoRegra{"first_day", kBancoBrasil, "TARIFA", 100, kIni, kIni, kFim, 0, 0},
        CasoRegra{"last_day", kBancoBrasil, "TARIFA", 100, kFim, kIni, kFim, 0, 0},
        CasoRegra{"empty_initial_date_no_period", kBancoBrasil, "TARIFA", 100, Dia(1, 1, 2020), 0, kFim, 0, 0},
        CasoRegra{"empty_final_date_no_period", kBancoBrasil, "TARIFA", 100, Dia(1, 1, 2030), kIni, 0, 0, 0},
        CasoRegra{"no_lock_date_rule", kBancoBrasil, "TARIFA", 100, Dia(15, 10, 2026), Dia(1, 10, 2026),
                  Dia(31, 10, 2026), 0, 0}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Tavorin, RegraFonteTest,
    ::testing::Values(CasoRegra{"on_lock_date", kTavorin, "TARIFA", 100, Dia(31, 10, 2026), Dia(1, 10, 2026),
                                Dia(31, 10, 2026), 2, 5872},
                      CasoRegra{"before_lock_date", kTavorin, "TARIFA", 100, Dia(30, 10, 2026), Dia(1, 10, 2026),
                                Dia(31, 10, 2026), 2, 5872},
                      CasoRegra{"day_after_lock_date", kTavorin, "TARIFA", 100, Dia(1, 11, 2026), kIni, kFim, 0, 0},
                      CasoRegra{"period_before_lock_date", kTavorin, "TARIFA", 100, Dia(15, 10, 2026), kIni, kFim, 2,
                                5902},
                      CasoRegra{"lock_date_without_period", kTavorin, "TARIFA", 100, Dia(15, 10, 2026), 0, 0, 2, 5872},
                      CasoRegra{"no_balance_rule", kTavorin, "SALDO", 100, kMeio, kIni, kFim, 0, 0},
                      CasoRegra{"no_zero_amount_rule", kTavorin, "TARIFA", 0, kMeio, kIni, kFim, 0, 0}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(SemIntegracao, RegraFonteTest,
                         ::testing::Values(CasoRegra{"no_source_rule", kSemIntegracao, "SALDO", 0, Dia(1, 1, 2020),
                                                     kIni, kFim, 0, 0}),
                         [](const auto& info) { return std::string(info.param.nome); });

struct CasoChave {
  const char* nome;
  std::function<void(CZQDadosCL_FiltroImportacaoExtrato&, int32_t)> marca;
  std::function<void(CZQDadosCL_Extrato&)> muda;
  std::function<void(CZQDadosCL_Extrato&, const CZQDadosCL_Extrato&)> copia;
};

CZQDadosCL_FiltroImportacaoExtrato PedidoFlags(bool todas) {
  CZQDadosCL_FiltroImportacaoExtrato p = cl_teste::Pedido(kSemIntegracao, 0, 0, todas);
  p.SetVerificaDuplicidade(1);
  return p;
}

CZQDadosCL_Extrato LinhaCompleta() {
  CZQDadosCL_Extrato e = Linha(kSemIntegracao, Dia(5, 11, 2026), 15000, '-', "TARIFA", 42);
  e.SetCodigoMvtoBco("105").SetDmaImportacao(Dia(20, 11, 2026));
  return e;
}

class CampoChaveTest : public ValidacaoTest, public ::testing::WithParamInterface<CasoChave> {};

// With its flag set, a field tells two lines apart; with every flag but its own set, it
// does not.
TEST_P(CampoChaveTest, FlagDecidesWhetherTheFieldCounts) {
  const CZQDadosCL_Extrato primeira = LinhaCompleta();
  CZQDadosCL_Extrato segunda = primeira;
  GetParam().muda(segunda);

  CZQDadosCL_FiltroImportacaoExtrato soEsta = PedidoFlags(false);
  GetParam().marca(soEsta, 1);
  CZQVector<CZQDadosCL_Extrato> chaves{m_validador.GetChaveExtrato(soEsta, primeira)};
  EXPECT_FALSE(m_validador.ConsisteDadosExtrato(segunda, soEsta, chaves).TemErro());
  EXPECT_TRUE(m_validador.ConsisteDadosExtrato(primeira, soEsta, chaves).TemErro());

  CZQDadosCL_FiltroImportacaoExtrato todasMenosEsta = PedidoFlags(true);
  GetParam().marca(todasMenosEsta, 0);
  chaves = {m_validador.GetChaveExtrato(todasMenosEsta, primeira)};
  const CZQDadosDF_Erro& erro = m_validador.ConsisteDadosExtrato(segunda, todasMenosEsta, chaves);
  EXPECT_TRUE(erro.EhAviso());
  EXPECT_EQ(erro.GetCodigoMensagem(), 5901);
}

// The key holds the account and the chosen field, every other field empty.
TEST_P(CampoChaveTest, KeyHoldsOnlyTheAccountAndTheChosenField) {
  const CZQDadosCL_Extrato linha = LinhaCompleta();
  CZQDadosCL_Extrato soConta;
  soConta.SetConta(linha.GetConta());
  EXPECT_TRUE(m_validador.GetChaveExtrato(PedidoFlags(false), linha) == soConta);

  CZQDadosCL_FiltroImportacaoExtrato soEsta = PedidoFlags(false);
  GetParam().marca(soEsta, 1);
  CZQDadosCL_Extrato esperada = soConta;
  GetParam().copia(esperada, linha);
  EXPECT_FALSE(esperada == soConta);
  EXPECT_TRUE(m_validador.GetChaveExtrato(soEsta, linha) == esperada);
}

INSTANTIATE_TEST_SUITE_P(
    Campos, CampoChaveTest,
    ::testing::Values(
        CasoChave{"date", [](auto& p, int32_t v) { p.SetVerificaData(v); },
                  [](CZQDadosCL_Extrato& e) { e.SetDmaExtrato(Dia(6, 11, 2026)); },
                  [](CZQDadosCL_Extrato& d, const CZQDadosCL_Extrato& o) { d.SetDmaExtrato(o.GetDmaExtrato()); }},
        CasoChave{"movement_code", [](auto& p, int32_t v) { p.SetVerificaCodigoMovimento(v); },
                  [](CZQDadosCL_Extrato& e) { e.SetCodigoMvtoBco("110"); },
                  [](CZQDadosCL_Extrato& d, const CZQDadosCL_Extrato& o) { d.SetCodigoMvtoBco(o.GetCodigoMvtoBco()); }},
        CasoChave{"history", [](auto& p, int32_t v) { p.SetVerificaDescricaoMovimento(v); },
                  [](CZQDadosCL_Extrato& e) { e.SetHistBco("TARIFA PIX"); },
                  [](CZQDadosCL_Extrato& d, const CZQDadosCL_Extrato& o) { d.SetHistBco(o.GetHistBco()); }},
        CasoChave{"document", [](auto& p, int32_t v) { p.SetVerificaDocumento(v); },
                  [](CZQDadosCL_Extrato& e) { e.SetDocumento(43); },
                  [](CZQDadosCL_Extrato& d, const CZQDadosCL_Extrato& o) { d.SetDocumento(o.GetDocumento()); }},
        CasoChave{"amount", [](auto& p, int32_t v) { p.SetVerificaValor(v); },
                  [](CZQDadosCL_Extrato& e) { e.SetValor(15001); },
                  [](CZQDadosCL_Extrato& d, const CZQDadosCL_Extrato& o) { d.SetValor(o.GetValor()); }},
        CasoChave{"sign", [](auto& p, int32_t v) { p.SetVerificaSinal(v); },
                  [](CZQDadosCL_Extrato& e) { e.SetNatureza('+'); },
                  [](CZQDadosCL_Extrato& d, const CZQDadosCL_Extrato& o) { d.SetNatureza(o.GetNatureza()); }}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(ValidacaoTest, WithEveryFieldFlagOffTheAccountAloneIsTheKey) {
  const CZQDadosCL_FiltroImportacaoExtrato pedido = PedidoFlags(false);
  CZQVector<CZQDadosCL_Extrato> chaves{m_validador.GetChaveExtrato(pedido, LinhaCompleta())};
  EXPECT_TRUE(
      m_validador.ConsisteDadosExtrato(Linha(kSemIntegracao, Dia(1, 1, 2020), 1, '+', "OUTRA", 9), pedido, chaves)
          .TemErro());
  EXPECT_FALSE(m_validador.ConsisteDadosExtrato(Linha(kTavorin, kMeio, 1, '+', "OUTRA", 9), pedido, chaves).TemErro());
  CZQVector<CZQDadosCL_Extrato> nenhuma;
  EXPECT_FALSE(m_validador.ConsisteDadosExtrato(LinhaCompleta(), pedido, nenhuma).TemErro());
}

// The import asks its indexed keys; the answers are those of the list, line by line.
TEST_F(ValidacaoTest, IndexedKeysAnswerAsTheList) {
  std::mt19937 gerador(4242);
  auto sorteia = [&](int n) { return static_cast<int>(gerador() % static_cast<unsigned>(n)); };
  auto linhaSorteada = [&] {
    CZQDadosCL_Extrato e = Linha(kSemIntegracao, Dia(1 + sorteia(3), 11, 2026), 100 * (1 + sorteia(3)),
                                 sorteia(2) ? '+' : '-', sorteia(2) ? "TARIFA" : "PIX", sorteia(3));
    e.SetCodigoMvtoBco(sorteia(2) ? "105" : "");
    return e;
  };
  for (int rodada = 0; rodada < 20; ++rodada) {
    CZQDadosCL_FiltroImportacaoExtrato pedido = PedidoFlags(false);
    pedido.SetVerificaData(sorteia(2))
        .SetVerificaValor(sorteia(2))
        .SetVerificaDocumento(sorteia(2))
        .SetVerificaSinal(sorteia(2))
        .SetVerificaCodigoMovimento(sorteia(2))
        .SetVerificaDescricaoMovimento(sorteia(2));
    CZQVector<CZQDadosCL_Extrato> lista;
    CCLChavesExtrato indice;
    for (int k = 0; k < sorteia(40); ++k) {
      const CZQDadosCL_Extrato chave = m_validador.GetChaveExtrato(pedido, linhaSorteada());
      lista.Add(chave);
      indice.Adiciona(chave);
    }
    for (int k = 0; k < 20; ++k) {
      const CZQDadosCL_Extrato linha = linhaSorteada();
      const bool pelaLista = m_validador.ConsisteDadosExtrato(linha, pedido, lista).TemErro();
      const bool peloIndice = m_validador.ConsisteDadosExtrato(linha, pedido, indice).TemErro();
      ASSERT_EQ(pelaLista, peloIndice) << "rodada " << rodada << " linha " << k;
    }
  }
}

TEST_F(ValidacaoTest, OneHeadingWithItsWarningLinesInTheFormat) {
  const CZQDadosCL_FiltroImportacaoExtrato pedido = cl_teste::Pedido(kBancoBrasil, kIni, kFim);
  EXPECT_TRUE(
      m_validador
          .ConsisteDadosExtrato(Linha(kBancoBrasil, Dia(5, 12, 2026), 15000, '-', "TARIFA", 42), pedido, m_chaves)
          .TemErro());
  EXPECT_TRUE(
      m_validador
          .ConsisteDadosExtrato(Linha(kBancoBrasil, Dia(31, 10, 2026), 12345678, '+', "PIX", -7), pedido, m_chaves)
          .TemErro());
  EXPECT_TRUE(
      m_validador.ConsisteDadosExtrato(Linha(kBancoBrasil, Dia(1, 1, 2027), 10, '+', "PIX", 0), pedido, m_chaves)
          .TemErro());

  const CZQDadosCL_ExtraInfoBase info = m_validador.TrataRetornoImportacaoExtrato();
  EXPECT_EQ(info.GetTipoInconsistencia(), 1u);
  EXPECT_EQ(info.GetCaminhoArquivoErros().str(), Relatorio().string());

  const std::string texto = Mensagem(5902);
  ASSERT_FALSE(texto.empty());
  const std::string conta = "11203 - Banco do Brasil - Matriz";
  EXPECT_EQ(cl_teste::LeTudo(Relatorio()),
            " - " + texto + "\r\n" + "Documento:  42 - Conta: " + conta +
                " - Valor: 1,50 - Data de Lançamento: 05/12/26 \r\n" + "Documento: -7 - Conta: " + conta +
                " - Valor: 1.234,5678 - Data de Lançamento: 31/10/26 \r\n" + "Documento:  0 - Conta: " + conta +
                " - Valor: 0,001 - Data de Lançamento: 01/01/27 \r\n");
}

// Headings come in the order of their texts, whatever the order the lines were rejected in.
TEST_F(ValidacaoTest, HeadingsInTheOrderOfTheirTexts) {
  const CZQDadosCL_FiltroImportacaoExtrato semPeriodo = cl_teste::Pedido(kTavorin, 0, 0, true);
  CZQVector<CZQDadosCL_Extrato> chaves{m_validador.GetChaveExtrato(semPeriodo, Linha(kTavorin, kMeio, 1, '+', "A"))};
  EXPECT_EQ(
      m_validador.ConsisteDadosExtrato(Linha(kTavorin, kMeio, 1, '+', "A"), semPeriodo, chaves).GetCodigoMensagem(),
      5901);
  EXPECT_EQ(m_validador.ConsisteDadosExtrato(Linha(kTavorin, Dia(31, 10, 2026), 1, '+', "B"), semPeriodo, m_chaves)
                .GetCodigoMensagem(),
            5872);
  EXPECT_EQ(m_validador
                .ConsisteDadosExtrato(Linha(kTavorin, Dia(1, 1, 2027), 1, '+', "C"),
                                      cl_teste::Pedido(kTavorin, kIni, kFim), m_chaves)
                .GetCodigoMensagem(),
            5902);
  m_validador.TrataRetornoImportacaoExtrato();
  const std::string relatorio = cl_teste::LeTudo(Relatorio());
  const size_t p5902 = relatorio.find(" - " + Mensagem(5902));
  const size_t p5872 = relatorio.find(" - " + Mensagem(5872).substr(0, 20));
  const size_t p5901 = relatorio.find(" - " + Mensagem(5901));
  ASSERT_NE(p5902, std::string::npos);
  ASSERT_NE(p5872, std::string::npos);
  ASSERT_NE(p5901, std::string::npos);
  EXPECT_LT(p5902, p5872);
  EXPECT_LT(p5872, p5901);
  // A message text with a line break is written with the report's line ends too.
  EXPECT_EQ(relatorio.find("\r\r"), std::string::npos);
  EXPECT_EQ(std::count(relatorio.begin(), relatorio.end(), '\n'), std::count(relatorio.begin(), relatorio.end(), '\r'));
}

TEST_F(ValidacaoTest, NothingRejectedWithAWarningWritesNoReport) {
  const CZQDadosCL_FiltroImportacaoExtrato pedido = cl_teste::Pedido(kBancoBrasil, kIni, kFim);
  EXPECT_FALSE(
      m_validador.ConsisteDadosExtrato(Linha(kBancoBrasil, kMeio, 100, '+', "PIX"), pedido, m_chaves).TemErro());
  EXPECT_TRUE(
      m_validador.ConsisteDadosExtrato(Linha(kBancoBrasil, kMeio, 100, '+', "SALDO"), pedido, m_chaves).TemErro());
  const CZQDadosCL_ExtraInfoBase info = m_validador.TrataRetornoImportacaoExtrato();
  EXPECT_EQ(info.GetTipoInconsistencia(), 1u);
  EXPECT_TRUE(info.GetCaminhoArquivoErros().IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(Relatorio()));
}

TEST_F(ValidacaoTest, WarningsAccumulateUntilInitialisedAgainAndEachReportIsWrittenAnew) {
  cl_teste::Escreve(Relatorio(), std::string(10000, '#'));
  const CZQDadosCL_FiltroImportacaoExtrato pedido = cl_teste::Pedido(kBancoBrasil, kIni, kFim);
  const CZQDadosCL_Extrato fora = Linha(kBancoBrasil, Dia(1, 1, 2027), 100, '+', "PIX", 1);
  m_validador.ConsisteDadosExtrato(fora, pedido, m_chaves);
  m_validador.TrataRetornoImportacaoExtrato();
  const std::string uma = cl_teste::LeTudo(Relatorio());
  EXPECT_EQ(uma.find('#'), std::string::npos);

  m_validador.ConsisteDadosExtrato(fora, pedido, m_chaves);
  m_validador.TrataRetornoImportacaoExtrato();
  const std::string duas = cl_teste::LeTudo(Relatorio());
  EXPECT_GT(duas.size(), uma.size());
  EXPECT_EQ(duas.rfind(" - ", 0), 0u);
  EXPECT_EQ(duas.find("\n - "), std::string::npos);  // still one heading

  ASSERT_EQ(m_validador.Inicializa(&m_pessoa), S_OK);
  EXPECT_TRUE(m_validador.TrataRetornoImportacaoExtrato().GetCaminhoArquivoErros().IsEmpty());
}

TEST_F(ValidacaoTest, CopyKeepsTheWarningsAndMoveTakesThem) {
  const CZQDadosCL_FiltroImportacaoExtrato pedido = cl_teste::Pedido(kBancoBrasil, kIni, kFim);
  m_validador.ConsisteDadosExtrato(Linha(kBancoBrasil, Dia(1, 1, 2027), 100, '+', "PIX", 1), pedido, m_chaves);

  CCLTrataDadosExtrato copia;
  copia = m_validador;
  EXPECT_FALSE(copia.TrataRetornoImportacaoExtrato().GetCaminhoArquivoErros().IsEmpty());
  EXPECT_FALSE(m_validador.TrataRetornoImportacaoExtrato().GetCaminhoArquivoErros().IsEmpty());

  CCLTrataDadosExtrato destino;
  destino = std::move(m_validador);
  EXPECT_FALSE(destino.TrataRetornoImportacaoExtrato().GetCaminhoArquivoErros().IsEmpty());
  EXPECT_TRUE(
      m_validador.TrataRetornoImportacaoExtrato().GetCaminhoArquivoErros().IsEmpty());  // NOLINT: moved on purpose
}

TEST_F(ValidacaoTest, ReportThatCannotBeWrittenStillGivesItsPath) {
  cl_teste::Escreve(m_raiz / "bloqueio", "um arquivo onde deveria haver uma pasta");
  CZQConfiguracao::Global().Set("temporario", (m_raiz / "bloqueio" / "tmp").string());
  const CZQDadosCL_FiltroImportacaoExtrato pedido = cl_teste::Pedido(kBancoBrasil, kIni, kFim);
  m_validador.ConsisteDadosExtrato(Linha(kBancoBrasil, Dia(1, 1, 2027), 100, '+', "PIX", 1), pedido, m_chaves);
  const CZQString caminho = m_validador.TrataRetornoImportacaoExtrato().GetCaminhoArquivoErros();
  EXPECT_EQ(caminho.str(), (m_raiz / "bloqueio" / "tmp" / CL_ARQUIVO_ERROS_IMPORTACAO_EXTRATO).string());
  EXPECT_FALSE(std::filesystem::exists(caminho.str()));
}

// Where the report may land: a private directory of this user, reached and written without
// following any symbolic link another user could have planted.
struct CasoPasta {
  const char* nome;
  std::function<void(const std::filesystem::path& pasta)> prepara;
  bool escrito;
};

class PastaRelatorioTest : public ValidacaoTest, public ::testing::WithParamInterface<CasoPasta> {};

TEST_P(PastaRelatorioTest, WritesOnlyInsideAPrivateDirectory) {
  namespace fs = std::filesystem;
  const fs::path pasta = m_raiz / "privada" / "tmp";
  const fs::path alheio = m_raiz / "alheio.txt";
  cl_teste::Escreve(alheio, "de outro usuario");
  fs::create_directories(pasta.parent_path());
  GetParam().prepara(pasta);
  CZQConfiguracao::Global().Set("temporario", pasta.string());
  const CZQDadosCL_FiltroImportacaoExtrato pedido = cl_teste::Pedido(kBancoBrasil, kIni, kFim);
  m_validador.ConsisteDadosExtrato(Linha(kBancoBrasil, Dia(1, 1, 2027), 100, '+', "PIX", 1), pedido, m_chaves);
  const fs::path relatorio = m_validador.TrataRetornoImportacaoExtrato().GetCaminhoArquivoErros().str();

  EXPECT_EQ(relatorio, pasta / CL_ARQUIVO_ERROS_IMPORTACAO_EXTRATO);
  EXPECT_EQ(cl_teste::LeTudo(alheio), "de outro usuario");
  const fs::file_status estado = fs::symlink_status(relatorio);
  EXPECT_EQ(fs::is_regular_file(estado), GetParam().escrito);
  if (GetParam().escrito) {
    EXPECT_NE(cl_teste::LeTudo(relatorio).find("Documento:  1"), std::string::npos);
    EXPECT_EQ(fs::status(pasta).permissions() & fs::perms::all, fs::perms::owner_all);
    // Nothing is left beside it: the temporary file became the report.
    EXPECT_EQ(std::distance(fs::directory_iterator(pasta), fs::directory_iterator()), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Relatorio, PastaRelatorioTest,
                         ::testing::Values(CasoPasta{"created_private", [](const std::filesystem::path&) {}, true},
                                           CasoPasta{"open_directory_narrowed",
                                                     [](const std::filesystem::path& p) {
                                                       std::filesystem::create_directories(p);
                                                       std::filesystem::permissions(p, std::filesystem::perms::all);
                                                     },
                                                     true},
                                           CasoPasta{"link_at_the_report_replaced",
                                                     [](const std::filesystem::path& p) {
                                                       std::filesystem::create_directories(p);
                                                       std::filesystem::create_symlink(
                                                           p.parent_path().parent_path() / "alheio.txt",
                                                           p / CL_ARQUIVO_ERROS_IMPORTACAO_EXTRATO);
                                                     },
                                                     true},
                                           CasoPasta{"link_in_place_of_the_directory_refused",
                                                     [](const std::filesystem::path& p) {
                                                       std::filesystem::create_directories(p.parent_path() / "outra");
                                                       std::filesystem::create_directory_symlink(
                                                           p.parent_path() / "outra", p);
                                                     },
                                                     false}),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(PastaPrivadaTest, DefaultsToTheSessionDirectoryElseTheInstallation) {
  CZQConfiguracao& config = CZQConfiguracao::Global();
  config.Set("local_orbel", "/srv/cl");
  {
    zq_teste::AmbienteTrocado sessao("XDG_RUNTIME_DIR", "/run/user/4242");
    EXPECT_EQ(config.DiretorioTemporario(), "/run/user/4242/cl");
  }
  zq_teste::AmbienteTrocado semSessao("XDG_RUNTIME_DIR", nullptr);
  EXPECT_EQ(config.DiretorioTemporario(), "/srv/cl/tmp");
  config.Set("temporario", "/srv/relatorios/");
  EXPECT_EQ(config.DiretorioTemporario(), "/srv/relatorios");
  config.Remove("temporario");
  config.Remove("local_orbel");
}

}  // namespace
