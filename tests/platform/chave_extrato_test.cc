#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "amostras_registros.h"
#include "platform/records/zq_dados_extrato.h"
#include "platform/records/zq_texto_fixo.h"

namespace {

// Every field of a statement line, as text, to see which ones a change touched.
std::vector<std::string> Campos(const CZQDadosCL_Extrato& e) {
  return {std::to_string(e.GetPosicao()),
          std::to_string(e.GetConta()),
          std::to_string(e.GetFilial()),
          std::to_string(e.GetDocumento()),
          std::to_string(e.GetValor()),
          std::string(1, e.GetNatureza()),
          e.GetHistBco().str(),
          e.GetCodigoMvtoBco().str(),
          std::to_string(e.GetDmaExtrato()),
          std::to_string(e.GetDmaImportacao()),
          std::string(1, e.GetConciliado()),
          std::string(1, e.GetTipoConciliacao()),
          std::to_string(e.GetNumeroConciliacao())};
}

struct CasoCampo {
  const char* nome;
  std::function<void(CZQDadosCL_Extrato&)> muda;
};

void PrintTo(const CasoCampo& c, std::ostream* os) { *os << c.nome; }

CZQDadosCL_Extrato Base() {
  CZQDadosCL_Extrato e;
  amostra::Preenche(e, 1);
  return e;
}

class CampoChaveTest : public ::testing::TestWithParam<CasoCampo> {};

// Two lines are the same key exactly when every field is the same: one field apart
// is enough to tell them apart, and setting it back makes them equal again.
TEST_P(CampoChaveTest, OneDifferentFieldMakesADifferentKey) {
  const CZQDadosCL_Extrato a = Base();
  CZQDadosCL_Extrato b = a;
  ASSERT_TRUE(a == b);

  GetParam().muda(b);
  EXPECT_FALSE(a == b);
  EXPECT_FALSE(a.Igual(b));

  // The setter touched its own field and no other.
  std::vector<std::string> antes = Campos(a), depois = Campos(b);
  int diferentes = 0;
  for (size_t i = 0; i < antes.size(); ++i) diferentes += antes[i] != depois[i];
  EXPECT_EQ(diferentes, 1);

  CZQDadosCL_Extrato c = b;
  c.SetRegistro(a.GetRegistro());
  EXPECT_TRUE(a == c);
}

INSTANTIATE_TEST_SUITE_P(
    Campos, CampoChaveTest,
    ::testing::Values(
        CasoCampo{"posicao", [](CZQDadosCL_Extrato& e) { e.SetChaveRegistro(ZQMontaDmc(0, 999)); }},
        CasoCampo{"conta", [](CZQDadosCL_Extrato& e) { e.SetConta(e.GetConta() + 1); }},
        CasoCampo{"filial", [](CZQDadosCL_Extrato& e) { e.SetFilial(static_cast<uint16_t>(e.GetFilial() + 1)); }},
        CasoCampo{"documento", [](CZQDadosCL_Extrato& e) { e.SetDocumento(e.GetDocumento() + 1); }},
        CasoCampo{"valor um decimo de milesimo", [](CZQDadosCL_Extrato& e) { e.SetValor(e.GetValor() + 1); }},
        CasoCampo{"natureza", [](CZQDadosCL_Extrato& e) { e.SetNatureza(e.GetNatureza() == '+' ? '-' : '+'); }},
        CasoCampo{"historico com caixa diferente",
                  [](CZQDadosCL_Extrato& e) { e.SetHistBco(CZQString(e.GetHistBco()).MakeLower()); }},
        CasoCampo{"historico com branco a mais", [](CZQDadosCL_Extrato& e) { e.SetHistBco(e.GetHistBco() + " "); }},
        CasoCampo{"historico vazio", [](CZQDadosCL_Extrato& e) { e.SetHistBco(""); }},
        CasoCampo{"codigo do movimento", [](CZQDadosCL_Extrato& e) { e.SetCodigoMvtoBco(e.GetCodigoMvtoBco() + "0"); }},
        CasoCampo{"data do extrato", [](CZQDadosCL_Extrato& e) { e.SetDmaExtrato(e.GetDmaExtrato() + 1); }},
        CasoCampo{"data de importacao", [](CZQDadosCL_Extrato& e) { e.SetDmaImportacao(0); }},
        CasoCampo{"conciliado", [](CZQDadosCL_Extrato& e) { e.SetConciliado('N'); }},
        CasoCampo{"tipo de conciliacao", [](CZQDadosCL_Extrato& e) { e.SetTipoConciliacao(0); }},
        CasoCampo{"numero de conciliacao",
                  [](CZQDadosCL_Extrato& e) { e.SetNumeroConciliacao(e.GetNumeroConciliacao() + 1); }}));

// Builds a copy of a line inside storage first filled with the given byte, so the
// padding between its fields holds that byte.
template <typename T>
struct Sujo {
  explicit Sujo(const T& origem, unsigned char lixo) {
    std::memset(static_cast<void*>(bytes), lixo, sizeof(bytes));
    p = new (bytes) T(origem);
  }
  ~Sujo() { p->~T(); }
  Sujo(const Sujo&) = delete;
  Sujo& operator=(const Sujo&) = delete;
  alignas(T) unsigned char bytes[sizeof(T)];
  T* p;
};

class LixoNoPreenchimentoTest : public ::testing::TestWithParam<unsigned char> {};

TEST_P(LixoNoPreenchimentoTest, BytesBetweenFieldsDoNotCount) {
  const CZQDadosCL_Extrato original = Base();
  Sujo<CZQDadosCL_Extrato> limpo(original, 0x00);
  Sujo<CZQDadosCL_Extrato> sujo(original, GetParam());
  EXPECT_TRUE(*limpo.p == *sujo.p);
  EXPECT_TRUE(limpo.p->Igual(*sujo.p));

  Sujo<tagREGEXT_BANPS> psLimpo(original.GetRegistro(), 0x00);
  Sujo<tagREGEXT_BANPS> psSujo(original.GetRegistro(), GetParam());
  EXPECT_TRUE(*psLimpo.p == *psSujo.p);
}

INSTANTIATE_TEST_SUITE_P(Lixo, LixoNoPreenchimentoTest, ::testing::Values(0x01, 0x7F, 0xAB, 0xFF));

// The statement line's structure does have holes between fields, or the test above
// would prove nothing.
TEST(LixoNoPreenchimentoTest, TheLineStructureHasPadding) {
  size_t campos = 4 + 4 + 2 + 8 + 8 + 1 + 2 * sizeof(CZQString) + 4 + 4 + 1 + 1 + 4;
  EXPECT_LT(campos, sizeof(tagREGEXT_BANPS));
}

struct CasoTextoFixo {
  const char* a;
  const char* b;
  bool iguais;
};

class TextoFixoIgualdadeTest : public ::testing::TestWithParam<CasoTextoFixo> {};

// A fixed text field compares up to its terminator; what lies behind is left over by
// a server and does not count.
TEST_P(TextoFixoIgualdadeTest, ComparesTheTextNotTheLeftovers) {
  ZQTextoFixo<8> a, b;
  std::memset(a.sz, 'x', sizeof(a.sz));
  std::memset(b.sz, 'y', sizeof(b.sz));
  std::memcpy(a.sz, GetParam().a, std::strlen(GetParam().a) + 1);
  std::memcpy(b.sz, GetParam().b, std::strlen(GetParam().b) + 1);
  EXPECT_EQ(a == b, GetParam().iguais);
  EXPECT_EQ(b == a, GetParam().iguais);
  EXPECT_EQ(a == GetParam().b, GetParam().iguais);
}

INSTANTIATE_TEST_SUITE_P(Textos, TextoFixoIgualdadeTest,
                         ::testing::Values(CasoTextoFixo{"", "", true}, CasoTextoFixo{"abc", "abc", true},
                                           CasoTextoFixo{"abc", "abd", false}, CasoTextoFixo{"abc", "abc ", false},
                                           CasoTextoFixo{"ab", "abc", false}, CasoTextoFixo{"", "a", false},
                                           CasoTextoFixo{"1234567", "1234567", true}));

TEST(TextoFixoIgualdadeTest, AFullFieldWithoutTerminatorComparesAllItsBytes) {
  ZQTextoFixo<4> a, b;
  std::memcpy(a.sz, "abcd", 4);
  std::memcpy(b.sz, "abcd", 4);
  EXPECT_EQ(a.Tamanho(), 4u);
  EXPECT_TRUE(a == b);
  EXPECT_EQ(a.Get(), CZQString("abcd"));
  b.sz[3] = 'e';
  EXPECT_FALSE(a == b);
}

struct CasoCorte {
  const char* texto;
  const char* guardado;
};

class TextoFixoCorteTest : public ::testing::TestWithParam<CasoCorte> {};

// A 5-byte field keeps 4 bytes of text, never half a letter, and zero-fills the rest.
TEST_P(TextoFixoCorteTest, CutsToTheFieldWithoutSplittingALetter) {
  ZQTextoFixo<5> campo;
  std::memset(campo.sz, 'z', sizeof(campo.sz));
  campo.Set(CZQString(GetParam().texto));
  EXPECT_EQ(campo.Get(), CZQString(GetParam().guardado));
  size_t n = std::strlen(GetParam().guardado);
  for (size_t i = n; i < sizeof(campo.sz); ++i) EXPECT_EQ(campo.sz[i], '\0') << i;
}

INSTANTIATE_TEST_SUITE_P(Textos, TextoFixoCorteTest,
                         ::testing::Values(CasoCorte{"", ""}, CasoCorte{"abc", "abc"}, CasoCorte{"abcd", "abcd"},
                                           CasoCorte{"abcdef", "abcd"},
                                           // "açaí": a, ç (2 bytes), a, í (2 bytes)
                                           CasoCorte{"a\xC3\xA7"
                                                     "a\xC3\xAD",
                                                     "a\xC3\xA7"
                                                     "a"},
                                           CasoCorte{"ab\xC3\xA7", "ab\xC3\xA7"}, CasoCorte{"abc\xC3\xA7", "abc"},
                                           CasoCorte{"\xE2\x82\xAC\xE2\x82\xAC", "\xE2\x82\xAC"}));

}  // namespace
