#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/zq_data.h"
#include "import/cl_importacao_extrato.h"

namespace {

REG_ZQDMA Dia(int d, int m, int a) { return CZQDma(d, m, a).GetDma(); }

// The line under construction before each case: every field set to a value no OFX line
// gives, so that a field left alone is seen.
CZQDadosCL_Extrato Sentinela() {
  CZQDadosCL_Extrato e;
  e.SetNatureza('?').SetValor(-1).SetDmaExtrato(1).SetDocumento(-1).SetHistBco("antes");
  return e;
}

struct CasoCampo {
  const char* nome;
  std::string linha;
  char natureza;
  tagCY valor;
  REG_ZQDMA data;
  int64_t documento;
  std::string historico;
  bool completa;
};

class CampoLinhaTest : public ::testing::TestWithParam<CasoCampo> {};

TEST_P(CampoLinhaTest, TakesTheFieldOfTheFirstTagFound) {
  const CasoCampo& c = GetParam();
  CCLImportacaoExtrato rotina;
  CZQDadosCL_Extrato extrato = Sentinela();
  CZQString anterior;
  bool completa = !c.completa;
  rotina.ProcuraInformacoesExtratoTavorin(c.linha, extrato, anterior, completa);
  EXPECT_EQ(extrato.GetNatureza(), c.natureza);
  EXPECT_EQ(extrato.GetValor(), c.valor);
  EXPECT_EQ(extrato.GetDmaExtrato(), c.data);
  EXPECT_EQ(extrato.GetDocumento(), c.documento);
  EXPECT_EQ(extrato.GetHistBco().str(), c.historico);
  EXPECT_EQ(completa, c.completa);
  EXPECT_EQ(extrato.GetConta(), 0u);  // the account is the reader's, when it stores the line
}

const std::string k150x(150, 'x');
std::string Repete(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    Tipo, CampoLinhaTest,
    ::testing::Values(CasoCampo{"debit", "<TRNTYPE>DEBIT", '-', -1, 1, -1, "antes", false},
                      CasoCampo{"debit_closed", "<TRNTYPE>DEBIT</TRNTYPE>", '-', -1, 1, -1, "antes", false},
                      CasoCampo{"debit_blanks_unclosed", "<TRNTYPE>  DEBIT \t", '-', -1, 1, -1, "antes", false},
                      CasoCampo{"debit_blank_inside_closing", "<TRNTYPE> DEBIT</TRNTYPE>", '+', -1, 1, -1, "antes",
                                false},
                      CasoCampo{"debit_lower_case", "<TRNTYPE>debit", '+', -1, 1, -1, "antes", false},
                      CasoCampo{"credit", "<TRNTYPE>CREDIT", '+', -1, 1, -1, "antes", false},
                      CasoCampo{"bank_letter_d", "<TRNTYPE>D", '+', -1, 1, -1, "antes", false},
                      CasoCampo{"other", "<TRNTYPE>OTHER", '+', -1, 1, -1, "antes", false}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Data, CampoLinhaTest,
    ::testing::Values(
        CasoCampo{"time_and_zone", "<DTPOSTED>20240315120000[-3:BRT]", '?', -1, Dia(15, 3, 2024), -1, "antes", false},
        CasoCampo{"bare_date", "<DTPOSTED>20240315", '?', -1, Dia(15, 3, 2024), -1, "antes", false},
        CasoCampo{"milliseconds", "<DTPOSTED>20230502030000.000", '?', -1, Dia(2, 5, 2023), -1, "antes", false},
        CasoCampo{"gmt_zone", "<DTPOSTED>20150706000000[-3:GMT]", '?', -1, Dia(6, 7, 2015), -1, "antes", false},
        CasoCampo{"year_99_is_1999", "<DTPOSTED>19991231", '?', -1, Dia(31, 12, 1999), -1, "antes", false},
        CasoCampo{"day_past_month_end", "<DTPOSTED>20240231", '?', -1, Dia(29, 2, 2024), -1, "antes", false},
        CasoCampo{"closed_tag", "<DTPOSTED>20261104</DTPOSTED>", '?', -1, Dia(4, 11, 2026), -1, "antes", false},
        CasoCampo{"too_short_is_empty", "<DTPOSTED>2024", '?', -1, 0, -1, "antes", false},
        CasoCampo{"not_digits_is_empty", "<DTPOSTED>AAAAMMDD", '?', -1, 0, -1, "antes", false},
        CasoCampo{"month_13_is_empty", "<DTPOSTED>20241301", '?', -1, 0, -1, "antes", false}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Valor, CampoLinhaTest,
    ::testing::Values(
        CasoCampo{"negative_sets_debit", "<TRNAMT>-45.10", '-', 451000, 1, -1, "antes", false},
        CasoCampo{"positive_keeps_nature", "<TRNAMT>45.10", '?', 451000, 1, -1, "antes", false},
        CasoCampo{"comma_decimal", "<TRNAMT>1234,5", '?', 12345000, 1, -1, "antes", false},
        CasoCampo{"point_decimal_same_amount", "<TRNAMT>1234.50", '?', 12345000, 1, -1, "antes", false},
        CasoCampo{"leading_blanks_and_minus", "<TRNAMT>         -200,00", '-', 2000000, 1, -1, "antes", false},
        CasoCampo{"thousands_point", "<TRNAMT>1.234,56", '?', 12345600, 1, -1, "antes", false},
        CasoCampo{"closed", "<TRNAMT>3.00</TRNAMT>", '?', 30000, 1, -1, "antes", false},
        CasoCampo{"five_decimals_cut", "<TRNAMT>0.12345", '?', 1234, 1, -1, "antes", false},
        CasoCampo{"malformed_point", "<TRNAMT>.", '?', 0, 1, -1, "antes", false},
        CasoCampo{"empty", "<TRNAMT>", '?', 0, 1, -1, "antes", false},
        CasoCampo{"minus_before_the_tag", "-<TRNAMT>7", '-', 70000, 1, -1, "antes", false},
        CasoCampo{"too_large_is_no_amount", "<TRNAMT>" + std::string(30, '9'), '?', 0, 1, -1, "antes", false}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Documento, CampoLinhaTest,
    ::testing::Values(CasoCampo{"checknum_closed_zeros", "<CHECKNUM>000123</CHECKNUM>", '?', -1, 1, 123, "antes",
                                false},
                      CasoCampo{"checknum_blank_inside", "<CHECKNUM>00 123", '?', -1, 1, 123, "antes", false},
                      CasoCampo{"chknum_closed", "<CHKNUM>42</CHKNUM>", '?', -1, 1, 42, "antes", false},
                      CasoCampo{"twenty_digits_keep_last_16", "<CHKNUM>12345678901234567890", '?', -1, 1,
                                5678901234567890LL, "antes", false},
                      CasoCampo{"letters_dropped", "<CHECKNUM>NF-77/2", '?', -1, 1, 772, "antes", false},
                      CasoCampo{"no_digit_is_zero", "<CHKNUM>abc", '?', -1, 1, 0, "antes", false}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Historico, CampoLinhaTest,
    ::testing::Values(
        CasoCampo{"memo_closed", "<MEMO>TARIFA</MEMO>", '?', -1, 1, -1, "TARIFA", true},
        CasoCampo{"memo_unclosed_long_cut_at_99", "<MEMO>" + k150x, '?', -1, 1, -1, std::string(99, 'x'), true},
        CasoCampo{"memo_cut_counts_letters_not_bytes", "<MEMO>" + Repete("ç", 150), '?', -1, 1, -1, Repete("ç", 99),
                  true},
        CasoCampo{"memo_closed_long_kept_whole", "<MEMO>" + k150x + "</MEMO>", '?', -1, 1, -1, k150x, true},
        CasoCampo{"memo_not_trimmed", "<MEMO>  com brancos  ", '?', -1, 1, -1, "  com brancos  ", true},
        CasoCampo{"name_closed", "<NAME>FULANO</NAME>", '?', -1, 1, -1, "FULANO", true},
        CasoCampo{"memo_before_name", "<NAME>n</NAME><MEMO>m</MEMO>", '?', -1, 1, -1, "m", true}),
    [](const auto& info) { return std::string(info.param.nome); });

INSTANTIATE_TEST_SUITE_P(
    Outros, CampoLinhaTest,
    ::testing::Values(CasoCampo{"unknown_tag", "<FITID>123", '?', -1, 1, -1, "antes", false},
                      CasoCampo{"plain_text", "SALDO", '?', -1, 1, -1, "antes", false},
                      CasoCampo{"lower_case_tag_is_not_the_tag", "<memo>x", '?', -1, 1, -1, "antes", false},
                      // The amount wins over the memo of the same line, which still completes it.
                      CasoCampo{"amount_and_memo_on_one_line", "<TRNAMT>5 <MEMO>x", '?', 50000, 1, -1, "antes", true},
                      CasoCampo{"type_wins_over_memo", "<MEMO>a<TRNTYPE>DEBIT", '-', -1, 1, -1, "antes", true}),
    [](const auto& info) { return std::string(info.param.nome); });

// The completion flag and the remembered line over a run of lines.
struct CasoSequencia {
  const char* nome;
  std::vector<std::string> linhas;
  std::vector<bool> completas;
  std::string lembrada;  // the remembered line at the end
};

class SequenciaLinhasTest : public ::testing::TestWithParam<CasoSequencia> {};

TEST_P(SequenciaLinhasTest, SecondHistoryLineInARowCompletesNothing) {
  CCLImportacaoExtrato rotina;
  CZQDadosCL_Extrato extrato;
  CZQString anterior;
  std::vector<bool> completas;
  for (const std::string& linha : GetParam().linhas) {
    bool completa = false;
    rotina.ProcuraInformacoesExtratoTavorin(linha, extrato, anterior, completa);
    completas.push_back(completa);
  }
  EXPECT_EQ(completas, GetParam().completas);
  EXPECT_EQ(anterior.str(), GetParam().lembrada);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, SequenciaLinhasTest,
    ::testing::Values(CasoSequencia{"name_then_memo", {"<NAME>a</NAME>", "<MEMO>b"}, {true, false}, "<NAME>a</NAME>"},
                      CasoSequencia{"memo_then_name", {"<MEMO>a", "<NAME>b</NAME>"}, {true, false}, "<MEMO>a"},
                      CasoSequencia{"three_memos", {"<MEMO>a", "<MEMO>b", "<MEMO>c"}, {true, false, false}, "<MEMO>a"},
                      CasoSequencia{"memos_of_two_transactions",
                                    {"<MEMO>a", "</STMTTRN>", "<MEMO>b"},
                                    {true, false, true},
                                    "<MEMO>b"},
                      CasoSequencia{"no_history", {"<TRNAMT>1", "<FITID>2"}, {false, false}, "<FITID>2"}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
