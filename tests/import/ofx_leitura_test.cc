#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frame/zq_string.h"
#include "importacao_teste_util.h"

namespace {

using cl_teste::Dia;

struct LinhaEsperada {
  char natureza;
  tagCY valor;
  REG_ZQDMA data;
  int64_t documento;
  std::string historico;
};

void PrintTo(const LinhaEsperada& l, std::ostream* os) {
  *os << l.natureza << " " << l.valor << " " << l.data << " " << l.documento << " [" << l.historico << "]";
}
bool operator==(const LinhaEsperada& a, const LinhaEsperada& b) {
  return a.natureza == b.natureza && a.valor == b.valor && a.data == b.data && a.documento == b.documento &&
         a.historico == b.historico;
}

std::vector<LinhaEsperada> Resumo(const CZQVector<CZQDadosCL_Extrato>& lista) {
  std::vector<LinhaEsperada> r;
  for (const CZQDadosCL_Extrato& e : lista) {
    r.push_back({e.GetNatureza(), e.GetValor(), e.GetDmaExtrato(), e.GetDocumento(), e.GetHistBco().str()});
  }
  return r;
}

class LeitorOfxTest : public cl_teste::AmbienteImportacaoTest {
 protected:
  void SetUp() override {
    AmbienteImportacaoTest::SetUp();
    ASSERT_EQ(m_rotina.Inicializa(&m_pessoa), S_OK);
  }

  CZQDadosDF_Erro& Le(const std::string& caminho, int32_t leiaute = 1, uint32_t filial = 1) {
    CZQDadosCL_FiltroImportacaoExtrato filtro = cl_teste::Pedido(111, Dia(1, 11, 2026), Dia(30, 11, 2026));
    filtro.SetPosicaoLeiaute(leiaute).SetFilial(filial);
    return CCLImportacaoExtratoAcessoTeste::Interpreta(m_rotina, filtro, m_lista, caminho);
  }
  CZQDadosDF_Erro& LeTexto(const std::string& texto, int32_t leiaute = 1) {
    const std::filesystem::path caminho = ArquivoTemporario("extrato.ofx");
    cl_teste::Escreve(caminho, texto);
    return Le(caminho.string(), leiaute);
  }

  CCLImportacaoExtrato m_rotina;
  CZQVector<CZQDadosCL_Extrato> m_lista;
};

struct CasoArquivo {
  const char* arquivo;
  std::vector<LinhaEsperada> linhas;
};

class ArquivoOfxTest : public LeitorOfxTest, public ::testing::WithParamInterface<CasoArquivo> {};

// Files as banks write them: each transaction that reaches its history with an amount
// becomes one line of the request's account and branch, without import date.
TEST_P(ArquivoOfxTest, ReadsEveryTransactionWithAnAmount) {
  const CZQDadosDF_Erro& erro = Le(cl_teste::Fixture(GetParam().arquivo));
  ASSERT_FALSE(erro.TemErro()) << erro.GetTextoMostraMensagem().c_str();
  EXPECT_EQ(Resumo(m_lista), GetParam().linhas);
  for (const CZQDadosCL_Extrato& e : m_lista) {
    EXPECT_EQ(e.GetConta(), 111u);
    EXPECT_EQ(e.GetFilial(), 1);
    EXPECT_EQ(e.GetDmaImportacao(), 0u);
    EXPECT_TRUE(zq::EhUtf8Valido(e.GetHistBco().str()));
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ArquivoOfxTest,
                         ::testing::Values(
                             // SGML 1.02 in code page 1252: unclosed tags, a balance row of amount 0 with an
                             // empty FITID, comma decimals, values padded with blanks and a tab, time zones.
                             CasoArquivo{"sgml-102-cp1252.ofx",
                                         {{'-', 359000, Dia(4, 11, 2026), 123, "TARIFA MANUTENÇÃO CONTA"},
                                          {'+', 12345600, Dia(5, 11, 2026), 4567, "PIX RECEBIDO CLIENTE ALFA"},
                                          {'+', 3868000, Dia(6, 11, 2026), 0, "DEPOSITO EM DINHEIRO"}}},
                             // XML 2.02 on one single line with a byte-order mark: milliseconds, NAME instead
                             // of MEMO, NAME followed by MEMO, a repeated FITID, quotes in a memo, two memos.
                             CasoArquivo{"xml-202-uma-linha-bom.ofx",
                                         {{'-', 451000, Dia(10, 11, 2026), 777, "PAGAMENTO BOLETO ÁGUA"},
                                          {'+', 15000000, Dia(11, 11, 2026), 0, "EMPRESA BETA LTDA"},
                                          {'+', 25000000, Dia(12, 11, 2026), 0, "FULANO DE TAL"},
                                          {'-', 125000, Dia(13, 11, 2026), 0, "TARIFA PIX"},
                                          {'-', 999900, Dia(14, 11, 2026), 0, "COMPRA LOJA CENTRO"},
                                          {'+', 100000, Dia(15, 11, 2026), 0, "PRIMEIRO"},
                                          {'-', 10000, Dia(16, 11, 2026), 0, "IOF"}}},
                             // A 1252 header over a UTF-8 body; bank letters and lower case in TRNTYPE.
                             CasoArquivo{"sgml-utf8-cabecalho-1252.ofx",
                                         {{'+', 2500000, Dia(17, 11, 2026), 9876, "CRÉDITO SALÁRIO"},
                                          {'+', 30000, Dia(18, 11, 2026), 0, "Tarifa avulsa · extrato"}}},
                             // A UTF-8 declaration over 1252 bytes; indented XML; a malformed amount; 20 digits.
                             CasoArquivo{
                                 "xml-cp1252-cabecalho-utf8.ofx",
                                 {{'-', 12500000, Dia(18, 11, 2026), 5678901234567890LL, "PAGTO FORNECEDOR JOSÉ"},
                                  {'+', 777000, Dia(19, 11, 2026), 0, "DEVOLUÇÃO"}}}),
                         [](const auto& info) {
                           std::string nome = info.param.arquivo;
                           for (char& c : nome) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return nome;
                         });

// The same statement in code page 1252, in UTF-8 and in UTF-8 with a byte-order mark
// gives the same lines.
TEST_F(LeitorOfxTest, EncodingsOfTheSameStatementReadAlike) {
  const std::string cp1252 = cl_teste::LeTudo(cl_teste::Fixture("sgml-102-cp1252.ofx"));
  const std::string utf8 = zq::Cp1252ParaUtf8(cp1252);
  ASSERT_NE(cp1252, utf8);
  std::vector<std::vector<LinhaEsperada>> resultados;
  for (const std::string& conteudo : {cp1252, utf8, "\xEF\xBB\xBF" + utf8}) {
    m_lista.RemoveAll();
    ASSERT_FALSE(LeTexto(conteudo).TemErro());
    resultados.push_back(Resumo(m_lista));
  }
  ASSERT_EQ(resultados[0].size(), 3u);
  EXPECT_EQ(resultados[1], resultados[0]);
  EXPECT_EQ(resultados[2], resultados[0]);
}

TEST_F(LeitorOfxTest, ConvertsTheTextAtTheEdge) {
  struct Caso {
    std::string entrada, saida;
  };
  for (const Caso& c : {Caso{"\xEF\xBB\xBF<OFX>", "<OFX>"}, Caso{"a\xE7\xE3o", "ação"}, Caso{"ação", "ação"},
                        Caso{"\xEF\xBB\xBF"
                             "a\xE7",
                             "aç"},
                        Caso{"\xEF\xBB", "ï»"}, Caso{"", ""}, Caso{"\x80 euro", "€ euro"}}) {
    CZQString texto(c.entrada);
    CCLImportacaoExtratoAcessoTeste::ConverteParaUTF8(m_rotina, texto);
    EXPECT_EQ(texto.str(), c.saida);
  }
}

// Header and trailer lines of the layout, counted on the normalised text (the OFX
// header and the first tag are gone by then).
struct CasoLeiaute {
  const char* nome;
  int32_t leiaute;
  std::string texto;
  std::vector<std::string> historicos;
};

class LeiauteOfxTest : public LeitorOfxTest, public ::testing::WithParamInterface<CasoLeiaute> {};

TEST_P(LeiauteOfxTest, DropsTheLayoutsHeaderAndTrailerLines) {
  ASSERT_FALSE(LeTexto(GetParam().texto, GetParam().leiaute).TemErro());
  std::vector<std::string> historicos;
  for (const CZQDadosCL_Extrato& e : m_lista) historicos.push_back(e.GetHistBco().str());
  EXPECT_EQ(historicos, GetParam().historicos);
}

// Nine lines, three transactions.
const std::string kTresTransacoes =
    "<OFX>\n<STMTTRN>\n<TRNAMT>1.00\n<MEMO>A\n<STMTTRN>\n<TRNAMT>2.00\n<MEMO>B\n<STMTTRN>\n<TRNAMT>3.00\n<MEMO>C\n";
// Four lines: two for the header, two for the trailer.
const std::string kQuatroLinhas = "<OFX>\n<A>\n<B>\n<TRNAMT>1\n<MEMO>Z\n";

INSTANTIATE_TEST_SUITE_P(
    Leiautes, LeiauteOfxTest,
    ::testing::Values(CasoLeiaute{"none", 1, kTresTransacoes, {"A", "B", "C"}},
                      CasoLeiaute{"one_header_line", 2, kTresTransacoes, {"A", "B", "C"}},
                      // two header lines take A's amount, two trailer lines C's
                      CasoLeiaute{"two_and_two", 3, kTresTransacoes, {"B"}},
                      // a header longer than the file drops nothing; one trailer line
                      CasoLeiaute{"header_longer_than_the_file", 4, kTresTransacoes, {"A", "B"}},
                      CasoLeiaute{"header_and_trailer_take_every_line", 3, kQuatroLinhas, {}},
                      // Three lines: the trailer is longer than the one line the header leaves,
                      // whose amount and memo make a line (the amount's tag wins the field).
                      CasoLeiaute{"trailer_longer_than_what_is_left", 3, "<OFX>\n<A>\n<B>\n<TRNAMT>1<MEMO>Z", {""}}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(LeitorOfxTest, UnreadableFileIsWarning5813AndAppendsNothing) {
  for (const std::string& caminho : {ArquivoTemporario("nao-existe.ofx").string(), m_raiz.string(), std::string()}) {
    m_lista.Add(cl_teste::Linha(1, 1, 1, '+', "ja estava"));
    const CZQDadosDF_Erro& erro = Le(caminho);
    EXPECT_TRUE(erro.EhAviso()) << caminho;
    EXPECT_EQ(erro.GetModuloMensagem(), ZQ_MODULO_CL);
    EXPECT_EQ(erro.GetCodigoMensagem(), 5813);
    EXPECT_EQ(m_lista.GetQuantidade(), 1);
    m_lista.RemoveAll();
  }
}

// An empty file (or one with only a byte-order mark) is no error and asks the layout
// server nothing: even a layout that does not exist goes unnoticed.
TEST_F(LeitorOfxTest, EmptyFileIsClearAndReadsNoLayout) {
  for (const std::string& conteudo : {std::string(), std::string("\xEF\xBB\xBF"), std::string("\0<OFX>", 6)}) {
    EXPECT_FALSE(LeTexto(conteudo, 777).TemErro());
    EXPECT_EQ(m_lista.GetQuantidade(), 0);
  }
  EXPECT_TRUE(RegistrosLog().empty());
}

TEST_F(LeitorOfxTest, LayoutThatCannotBeReadIsTracedAndCarriesItsClass) {
  const CZQDadosDF_Erro& erro = LeTexto("<OFX>\n<TRNAMT>1\n<MEMO>x\n", 777);
  ASSERT_TRUE(erro.TemErro());
  EXPECT_TRUE(FAILED(erro.GetHR()));
  EXPECT_EQ(erro.GetClasse(), 2103);
  EXPECT_EQ(m_lista.GetQuantidade(), 0);
  EXPECT_EQ(Traces("CCLImportacaoExtrato::InterpretaArquivoExtratoTavorin",
                   "pIImportacaoCBN->LeLeiaute(dadosFiltroImportacao.GetPosicaoLeiaute(), &RegLeiauteps)")
                .size(),
            1u);
}

TEST_F(LeitorOfxTest, BranchKeepsItsLow16Bits) {
  ASSERT_FALSE(Le(cl_teste::Fixture("sgml-utf8-cabecalho-1252.ofx"), 1, 70000).TemErro());
  ASSERT_FALSE(m_lista.IsEmpty());
  EXPECT_EQ(m_lista[0].GetFilial(), 70000 & 0xFFFF);
}

TEST_F(LeitorOfxTest, TextEndsAtTheFirstNulByte) {
  const std::string texto = std::string("<OFX>\n<TRNAMT>1\n<MEMO>A\n") + '\0' + "<TRNAMT>2\n<MEMO>B\n";
  ASSERT_FALSE(LeTexto(texto).TemErro());
  ASSERT_EQ(m_lista.GetQuantidade(), 1);
  EXPECT_EQ(m_lista[0].GetHistBco(), "A");
}

// Fields of a transaction that never reaches its history run on into the next one; a
// zero amount is never stored.
TEST_F(LeitorOfxTest, FieldsRunOnUntilAHistoryCompletesTheTransaction) {
  const std::string texto =
      "<OFX>\n<STMTTRN>\n<TRNTYPE>DEBIT\n<CHECKNUM>55\n</STMTTRN>\n<STMTTRN>\n<TRNAMT>8,00\n<MEMO>SEGUNDA\n"
      "<STMTTRN>\n<TRNAMT>0,00\n<MEMO>ZERO\n";
  ASSERT_FALSE(LeTexto(texto).TemErro());
  ASSERT_EQ(m_lista.GetQuantidade(), 1);
  EXPECT_EQ(m_lista[0].GetNatureza(), '-');
  EXPECT_EQ(m_lista[0].GetDocumento(), 55);
  EXPECT_EQ(m_lista[0].GetValor(), 80000);
}

// Hostile input never crashes, reads in time linear in its size (these sizes would take
// minutes to a quadratic walk) and gives only what a transaction with a history and an
// amount gives.
struct CasoHostil {
  const char* nome;
  std::string conteudo;
  long linhas;  // -1: any number
};

class EntradaHostilTest : public LeitorOfxTest, public ::testing::WithParamInterface<CasoHostil> {};

TEST_P(EntradaHostilTest, NeverCrashes) {
  const CZQDadosDF_Erro& erro = LeTexto(GetParam().conteudo);
  EXPECT_FALSE(erro.TemErro());
  if (GetParam().linhas >= 0) {
    EXPECT_EQ(m_lista.GetQuantidade(), GetParam().linhas);
  }
  for (const CZQDadosCL_Extrato& e : m_lista) {
    EXPECT_GT(e.GetValor(), 0);
    EXPECT_LE(e.GetHistBco().GetQuantidadeCaracteres(), 99);
    EXPECT_TRUE(zq::EhUtf8Valido(e.GetHistBco().str()));
  }
}

std::string Repete(const std::string& s, size_t n) {
  std::string r;
  r.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) r += s;
  return r;
}

std::string Aleatorio(size_t tamanho, unsigned semente) {
  std::string r(tamanho, '\0');
  unsigned x = semente;
  const char pecas[] = "<>/\n\r\"-,.0123456789AMEOTRN\xC3\xA7\xFF\x80 ";
  for (char& c : r) {
    x = x * 1103515245u + 12345u;
    c = pecas[(x >> 16) % (sizeof pecas - 1)];
  }
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    Entradas, EntradaHostilTest,
    ::testing::Values(CasoHostil{"no_newline_no_tag", std::string(2 << 20, 'A'), 0},
                      CasoHostil{"only_lt", std::string(2 << 20, '<'), 0},
                      CasoHostil{"only_gt", std::string(2 << 20, '>'), 0},
                      CasoHostil{"only_tags", Repete("<A>", 1 << 20), 0},
                      CasoHostil{"only_listed_closing_tags", Repete("</MEMO>", 1 << 19), 0},
                      CasoHostil{"memo_without_end_and_no_amount", "<OFX><MEMO>" + std::string(2 << 20, 'x'), 0},
                      CasoHostil{"very_long_memo", "<OFX>\n<TRNAMT>1\n<MEMO>" + std::string(2 << 20, 'x') + "\n", 1},
                      CasoHostil{"very_long_memo_of_letters", "<OFX>\n<TRNAMT>1\n<MEMO>" + Repete("ã", 1 << 20), 1},
                      CasoHostil{"very_long_amount", "<OFX>\n<TRNAMT>" + std::string(1 << 20, '9') + "\n<MEMO>x\n", 0},
                      CasoHostil{"very_long_check_number",
                                 "<OFX>\n<TRNAMT>1\n<CHKNUM>" + std::string(1 << 20, '7') + "\n<MEMO>x\n", 1},
                      CasoHostil{"transactions_on_one_line",
                                 "<OFX>" + Repete("<STMTTRN><TRNAMT>1.00</TRNAMT><MEMO>m</MEMO></STMTTRN>", 20000),
                                 20000},
                      CasoHostil{"empty_lines", "<OFX>" + std::string(1 << 20, '\n'), 0},
                      CasoHostil{"truncated_in_a_tag", "<OFX>\n<STMTTRN>\n<TRNAMT>5\n<MEM", 0},
                      CasoHostil{"short_date", "<OFX>\n<DTPOSTED>2\n<TRNAMT>1\n<MEMO>x", 1},
                      CasoHostil{"random_bytes", Aleatorio(1 << 20, 7), -1}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
