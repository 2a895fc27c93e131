#include "frame/zq_string.h"

#include <gtest/gtest.h>

namespace {

struct CaixaCaso {
  const char* entrada;
  const char* maiuscula;
};

class MakeUpperTest : public ::testing::TestWithParam<CaixaCaso> {};

TEST_P(MakeUpperTest, UpperCasesAsciiAndAccentedLatin) {
  CZQString s(GetParam().entrada);
  s.MakeUpper();
  EXPECT_EQ(s.str(), GetParam().maiuscula);
}

INSTANTIATE_TEST_SUITE_P(
    Textos, MakeUpperTest,
    ::testing::Values(CaixaCaso{"saldo do dia", "SALDO DO DIA"}, CaixaCaso{"Saldo Anterior ", "SALDO ANTERIOR "},
                      CaixaCaso{"transferência ação", "TRANSFERÊNCIA AÇÃO"},
                      CaixaCaso{"àáâãäåæçèéêëìíîïñòóôõöøùúûüýþÿ", "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÑÒÓÔÕÖØÙÚÛÜÝÞŸ"},
                      CaixaCaso{"÷ß€", "÷ß€"}, CaixaCaso{"", ""}));

TEST(CZQStringTest, FormatGrowsBeyondTheFixedBuffer) {
  CZQString longo(std::string(2000, 'x'));
  CZQString s;
  s.Format("%s - %s", longo.c_str(), "fim");
  EXPECT_EQ(s.GetLength(), 2006);
  EXPECT_EQ(s.Right(3), "fim");
}

TEST(CZQStringTest, TrimFindMidFollowTheByteConvention) {
  CZQString s("\t  abc def \r\n");
  s.Trim();
  EXPECT_EQ(s, "abc def");
  EXPECT_EQ(s.Find(' '), 3);
  EXPECT_EQ(s.Find("def"), 4);
  EXPECT_EQ(s.Find("zz"), -1);
  EXPECT_EQ(s.Mid(4), "def");
  EXPECT_EQ(s.Mid(2, 3), "c d");
  EXPECT_EQ(s.Mid(40), "");
  EXPECT_EQ(s.Left(3), "abc");
  EXPECT_EQ(s.Compare("abc def"), 0);
  EXPECT_LT(s.Compare("abd"), 0);
}

TEST(CZQStringTest, CutsKeepWholeCharacters) {
  CZQString s("ação");  // 4 characters, 6 bytes
  EXPECT_EQ(s.GetQuantidadeCaracteres(), 4);
  EXPECT_EQ(s.LeftCaracteres(2).str(), "aç");
  EXPECT_EQ(s.LeftBytesInteiros(2).str(), "a");  // "ç" needs two bytes and does not fit after "a"
  EXPECT_EQ(s.LeftBytesInteiros(3).str(), "aç");
}

struct ConversaoCaso {
  std::string entrada;
  std::string utf8;
};

class NormalizaTest : public ::testing::TestWithParam<ConversaoCaso> {};

TEST_P(NormalizaTest, KeepsUtf8AndConvertsCodePage1252) {
  EXPECT_EQ(zq::NormalizaParaUtf8(GetParam().entrada), GetParam().utf8);
  EXPECT_TRUE(zq::EhUtf8Valido(zq::NormalizaParaUtf8(GetParam().entrada)));
}

INSTANTIATE_TEST_SUITE_P(Bytes, NormalizaTest,
                         ::testing::Values(ConversaoCaso{"PAGAMENTO", "PAGAMENTO"},
                                           ConversaoCaso{"TARIFA \xC7\xC3O", "TARIFA ÇÃO"},
                                           ConversaoCaso{"\x80 100", "€ 100"},
                                           ConversaoCaso{"j\xE1 \x93x\x94", "já “x”"}, ConversaoCaso{"já", "já"},
                                           ConversaoCaso{"\xC3", "Ã"},                     // truncated UTF-8 is cp1252
                                           ConversaoCaso{"\xED\xA0\x80", "í\xC2\xA0€"}));  // surrogate

}  // namespace

#include "frame/zq_comptr.h"

namespace {

class Contado : public TZQRefCounted<IZQUnknown> {
 public:
  explicit Contado(int* vivos) : m_vivos(vivos) { ++*m_vivos; }
  ~Contado() override { --*m_vivos; }

 private:
  int* m_vivos;
};

TEST(CZQComPtrTest, CopiesMovesAndSlotsKeepTheCountRight) {
  int vivos = 0;
  {
    CZQComPtr<IZQUnknown> a(new Contado(&vivos));
    CZQComPtr<IZQUnknown> b;
    b = a;
    EXPECT_EQ(a.Get(), b.Get());
    CZQComPtr<IZQUnknown> c;
    c = std::move(b);
    EXPECT_FALSE(b);
    c = std::move(c);  // self-move keeps the object
    a = a;             // self-copy too
    EXPECT_TRUE(c);
    EXPECT_EQ(vivos, 1);
    // A server fills the slot with a reference it already counted.
    IZQUnknown** slot = &c;
    EXPECT_FALSE(c);
    auto* novo = new Contado(&vivos);
    novo->AddRef();
    *slot = novo;
    EXPECT_EQ(vivos, 2);
  }
  EXPECT_EQ(vivos, 0);
}

}  // namespace
