#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "frame/zq_string.h"
#include "import/cl_importacao_extrato.h"
#include "import/cl_ofx.h"
#include "import/normalizacao_referencia.h"

namespace {

using cl_import_referencia::NormalizaPassoAPasso;

std::string Normaliza(const std::string& texto) {
  CCLImportacaoExtrato rotina;
  CZQString t(texto);
  rotina.RemoveInformacoesIniciaisArquivoExtratoTavorin(t);
  return t.str();
}

struct CasoNormalizacao {
  const char* nome;
  std::string entrada;
  std::string esperado;
};

class NormalizacaoTest : public ::testing::TestWithParam<CasoNormalizacao> {};

TEST_P(NormalizacaoTest, GivesTheExpectedText) {
  EXPECT_EQ(Normaliza(GetParam().entrada), GetParam().esperado);
  EXPECT_EQ(NormalizaPassoAPasso(GetParam().entrada), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, NormalizacaoTest,
    ::testing::Values(
        CasoNormalizacao{"sgml_header_goes",
                         "OFXHEADER:100\r\nDATA:OFXSGML\r\nCHARSET:1252\r\n\r\n<OFX>\r\n<STMTTRN>\r\n",
                         "<OFX>\r\n<STMTTRN>\r\n"},
        // The first "<" is never the one searched for: the declaration goes up to the second.
        CasoNormalizacao{"xml_declaration_goes", "<?xml version=\"1.0\"?><?OFX OFXHEADER=\"200\"?><OFX>",
                         "<?OFX OFXHEADER=\"200\"?>\n<OFX>"},
        CasoNormalizacao{"first_tag_of_a_tag_only_text_goes", "<OFX><STMTTRN>", "<STMTTRN>"},
        CasoNormalizacao{"amount_closing_tag_gives_way",
                         "<OFX><STMTTRN><TRNAMT>-45.10</TRNAMT><FITID>1</FITID></STMTTRN>",
                         "<STMTTRN>\n<TRNAMT>-45.10\n<FITID>1</FITID>\n</STMTTRN>"},
        CasoNormalizacao{"each_listed_closing_tag",
                         "<OFX><A><TRNTYPE>DEBIT</TRNTYPE><DTPOSTED>20240315</DTPOSTED><CHECKNUM>7</CHECKNUM>"
                         "<MCHKNUM>8</MCHKNUM><MEMO>m</MEMO><B>x</B><C>",
                         "<A>\n<TRNTYPE>DEBIT\n<DTPOSTED>20240315\n<CHECKNUM>7\n<MCHKNUM>8\n<MEMO>m\n<B>x</B>\n<C>"},
        CasoNormalizacao{"chknum_and_name_keep_their_closing_tags",
                         "<OFX><CHKNUM>12</CHKNUM><MEMO>x</MEMO><NAME>y</NAME><A>",
                         "<CHKNUM>12</CHKNUM>\n<MEMO>x\n<NAME>y</NAME>\n<A>"},
        CasoNormalizacao{"closing_tag_followed_by_text_stays", "<OFX><A><MEMO>m</MEMO> fim", "<A>\n<MEMO>m</MEMO> fim"},
        CasoNormalizacao{"line_breaks_of_the_file_stay", "<OFX>\r\n<A>x</A>\r\n<B>y\r\n", "<A>x</A>\r\n<B>y\r\n"},
        CasoNormalizacao{"no_tag_at_all", "texto sem tags\nnenhuma", "texto sem tags\nnenhuma"},
        CasoNormalizacao{"only_a_first_lt", "<abc", "<abc"}, CasoNormalizacao{"empty", "", ""},
        CasoNormalizacao{"single_lt", "<", "<"}, CasoNormalizacao{"only_lts", "<<<<", "<<<"},
        CasoNormalizacao{"only_gts", ">>>>", ">>>>"}, CasoNormalizacao{"doubled_brackets", "<OFX><<A>>", "<<A>>"},
        CasoNormalizacao{"unclosed_last_tag", "<OFX><A><B", "<A>\n<B"},
        // Near the end of the text a closing tag that gives way can leave the last tags
        // touching: the walk stops when the tag's old end lies past the shrunken text.
        CasoNormalizacao{"short_tail_after_a_listed_closing_tag", "<OFX><TRNAMT>5</TRNAMT><A><B>", "<TRNAMT>5\n<A><B>"},
        CasoNormalizacao{"long_tail_after_a_listed_closing_tag", "<OFX><TRNAMT>5</TRNAMT><A><B><C><D>",
                         "<TRNAMT>5\n<A>\n<B>\n<C>\n<D>"}),
    [](const ::testing::TestParamInfo<CasoNormalizacao>& info) { return std::string(info.param.nome); });

// Random texts built from the pieces that matter (brackets, listed and unlisted closing
// tags, text, line breaks): the one-pass walk and the step-by-step one agree on all.
TEST(NormalizacaoAleatoriaTest, OnePassAgreesWithTheStepByStepWalk) {
  const std::vector<std::string> pecas = {"<",           ">",        "</MEMO>",   "</TRNAMT>",  "</NAME>",
                                          "<MEMO>",      "A",        "\n",        " ",          "</MCHKNUM>",
                                          "</CHKNUM>",   "<X>",      "\r",        "</TRNTYPE>", "</CHECKNUM>",
                                          "</DTPOSTED>", "x</MEMO>", "<STMTTRN>", "é"};
  std::mt19937 gerador(20261120);
  std::uniform_int_distribution<size_t> qualPeca(0, pecas.size() - 1);
  std::uniform_int_distribution<int> quantas(0, 40);
  for (int rodada = 0; rodada < 4000; ++rodada) {
    std::string texto;
    const int n = quantas(gerador);
    for (int k = 0; k < n; ++k) texto += pecas[qualPeca(gerador)];
    ASSERT_EQ(Normaliza(texto), NormalizaPassoAPasso(texto)) << "texto: [" << texto << "]";
  }
}

}  // namespace

namespace {

// The reader's quick UTF-8 test answers as the shared one on every input: runs of ASCII
// of every length around the eight-byte steps, and every kind of bad sequence.
TEST(Utf8RapidoTest, AnswersAsTheSharedTest) {
  const std::vector<std::string> pecas = {"a",
                                          "abcdefgh",
                                          "ç",
                                          "€",
                                          "𝄞",
                                          "\xC3",
                                          "\x80",
                                          "\xE2\x82",
                                          "\xF0\x9F",
                                          "\xC0\xAF",
                                          "\xED\xA0\x80",
                                          "\xF4\x90\x80\x80",
                                          "\xFF",
                                          "\xEF\xBB\xBF",
                                          std::string(1, '\0'),
                                          "0123456"};
  std::mt19937 gerador(77);
  std::uniform_int_distribution<size_t> qualPeca(0, pecas.size() - 1);
  std::uniform_int_distribution<int> quantas(0, 24);
  for (int rodada = 0; rodada < 20000; ++rodada) {
    std::string texto;
    const int n = quantas(gerador);
    for (int k = 0; k < n; ++k) texto += pecas[qualPeca(gerador)];
    ASSERT_EQ(cl_import::EhUtf8ValidoOfx(texto), zq::EhUtf8Valido(texto)) << "rodada " << rodada;
  }
}

}  // namespace
