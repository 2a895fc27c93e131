#include "frame/zq_nomes_hresult.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "frame/zq_mensagens.h"
#include "support/ambiente.h"

namespace {

using zq_teste::AmbienteTrocado;
using zq_teste::ComBiblioteca;
using zq_teste::SemBiblioteca;

constexpr const char kFacilityDesconhecida[] = "Desconhecido ou novo código de FACILITY";

// A value and the name it must get.
struct CasoNome {
  uint32_t valor;
  const char* nome;
};

class NomeSeveridadeTest : public ::testing::TestWithParam<CasoNome> {};

TEST_P(NomeSeveridadeTest, NamesTheSeverityBitOfTheResult) {
  EXPECT_STREQ(zq::NomeSeveridade(HRESULT_SEVERITY(ZQ_HR(GetParam().valor))), GetParam().nome);
}

INSTANTIATE_TEST_SUITE_P(Resultados, NomeSeveridadeTest,
                         ::testing::Values(CasoNome{0x80004005, "SEVERITY_ERROR"},
                                           CasoNome{0xFFFFFFFE, "SEVERITY_ERROR"},
                                           CasoNome{static_cast<uint32_t>(ZQ_E_REGISTRO_INVALIDO), "SEVERITY_ERROR"},
                                           CasoNome{0, "SEVERITY_SUCCESS"}, CasoNome{1, "SEVERITY_SUCCESS"},
                                           CasoNome{0x7FFFFFFF, "SEVERITY_SUCCESS"}));

class NomeFacilityTest : public ::testing::TestWithParam<CasoNome> {};

TEST_P(NomeFacilityTest, NamesSdkAndErpFacilitiesAndFlagsTheRest) {
  EXPECT_STREQ(zq::NomeFacility(GetParam().valor), GetParam().nome);
}

INSTANTIATE_TEST_SUITE_P(
    Tabela, NomeFacilityTest,
    ::testing::Values(CasoNome{0, "FACILITY_NULL"}, CasoNome{1, "FACILITY_RPC"}, CasoNome{2, "FACILITY_DISPATCH"},
                      CasoNome{3, "FACILITY_STORAGE"}, CasoNome{4, "FACILITY_ITF"}, CasoNome{7, "FACILITY_WIN32"},
                      CasoNome{8, "FACILITY_WINDOWS"},
                      // Two names share 9; the header defines FACILITY_SSPI first.
                      CasoNome{9, "FACILITY_SSPI"}, CasoNome{10, "FACILITY_CONTROL"}, CasoNome{11, "FACILITY_CERT"},
                      CasoNome{84, "FACILITY_MBN"}, CasoNome{236, "ZQ_FACILITY_DF_DEFINICOES_GERAIS"},
                      CasoNome{245, "ZQ_FACILITY_CL_CONCILIACAO"}, CasoNome{270, "ZQ_FACILITY_MT_CONSULTA_TERCEIROS"},
                      // Holes and the values around both ranges.
                      CasoNome{5, kFacilityDesconhecida}, CasoNome{6, kFacilityDesconhecida},
                      CasoNome{85, kFacilityDesconhecida}, CasoNome{235, kFacilityDesconhecida},
                      CasoNome{255, "ZQ_FACILITY_ZQ_BASE"}, CasoNome{271, kFacilityDesconhecida},
                      CasoNome{0x1FFF, kFacilityDesconhecida}, CasoNome{0xFFFFFFFFu, kFacilityDesconhecida}));

TEST(NomeFacilityTabelaTest, HoldsTheFiftyFourSdkFacilitiesUpToMbn) {
  int conhecidas = 0;
  for (uint32_t f = 0; f <= 84; ++f) {
    const std::string nome = zq::NomeFacility(f);
    if (nome == kFacilityDesconhecida) continue;
    ++conhecidas;
    EXPECT_EQ(nome.rfind("FACILITY_", 0), 0u) << f;
  }
  EXPECT_EQ(conhecidas, 54);
  for (uint32_t f = 85; f < 236; ++f) EXPECT_STREQ(zq::NomeFacility(f), kFacilityDesconhecida) << f;
}

// Every ERP facility is named after its module's two-letter code: 235 + the module
// number for the numbered modules; the shared pieces above them carry codes of their own.
TEST(NomeFacilityTabelaTest, ErpFacilitiesCarryTheirModuleCode) {
  std::set<std::string> nomes;
  for (uint32_t f = 236; f <= 270; ++f) {
    const std::string nome = zq::NomeFacility(f);
    ASSERT_EQ(nome.rfind("ZQ_FACILITY_", 0), 0u) << f;
    ASSERT_GT(nome.size(), std::string("ZQ_FACILITY_XX_").size()) << nome;
    EXPECT_EQ(nome[14], '_') << nome;
    if (f <= 267) {
      EXPECT_EQ(nome.substr(12, 2), zq::CodigoModulo(static_cast<_ZQModulo>(f - 235))) << nome;
    }
    EXPECT_TRUE(nomes.insert(nome).second) << "repeated " << nome;
  }
}

class NomeHResultTest : public ::testing::TestWithParam<CasoNome> {};

TEST_P(NomeHResultTest, NamesWellKnownResultsOnly) {
  EXPECT_STREQ(zq::NomeHResult(ZQ_HR(GetParam().valor)), GetParam().nome);
}

INSTANTIATE_TEST_SUITE_P(
    Familias, NomeHResultTest,
    ::testing::Values(CasoNome{0x00000000, "S_OK"}, CasoNome{0x00000001, "S_FALSE"},
                      CasoNome{0x8000FFFF, "E_UNEXPECTED"}, CasoNome{0x80004001, "E_NOTIMPL"},
                      CasoNome{0x80004002, "E_NOINTERFACE"}, CasoNome{0x80004003, "E_POINTER"},
                      CasoNome{0x80004004, "E_ABORT"}, CasoNome{0x80004005, "E_FAIL"},
                      CasoNome{0x8007000E, "E_OUTOFMEMORY"}, CasoNome{0x80070057, "E_INVALIDARG"},
                      CasoNome{0x80070005, "E_ACCESSDENIED"}, CasoNome{0x800401F0, "CO_E_NOTINITIALIZED"},
                      CasoNome{0x80010001, "RPC_E_CALL_REJECTED"}, CasoNome{0x80040100, "DRAGDROP_E_NOTREGISTERED"},
                      CasoNome{0x800B0101, "CERT_E_EXPIRED"}, CasoNome{0x800B0100, "TRUST_E_NOSIGNATURE"},
                      CasoNome{0x800B0005, "DIGSIG_E_ENCODE"}, CasoNome{0x800B0009, "PERSIST_E_SIZEDEFINITE"},
                      CasoNome{0x800A0005, "CTL_E_ILLEGALFUNCTIONCALL"}, CasoNome{0x80030002, "STG_E_FILENOTFOUND"},
                      CasoNome{0x80020005, "DISP_E_TYPEMISMATCH"},
                      // Not well known: the ERP's own, a Win32 code without severity, garbage.
                      CasoNome{0x80F50001, ""}, CasoNome{0x80FF0D12, ""}, CasoNome{0x00000002, ""},
                      CasoNome{0xFFFFFFFF, ""}, CasoNome{0x12345678, ""}));

class NomeCodigoComBibliotecaTest : public ::testing::TestWithParam<CasoNome> {
 protected:
  ComBiblioteca m_biblioteca;
};

TEST_P(NomeCodigoComBibliotecaTest, NamesTheLowWordOutsideItfAndErpFacilities) {
  EXPECT_EQ(zq::NomeCodigo(ZQ_HR(GetParam().valor)), GetParam().nome);
}

INSTANTIATE_TEST_SUITE_P(
    Regra, NomeCodigoComBibliotecaTest,
    ::testing::Values(CasoNome{0x80070002, "ERROR_FILE_NOT_FOUND"}, CasoNome{0x80070005, "ERROR_ACCESS_DENIED"},
                      CasoNome{0x8007000E, "ERROR_OUTOFMEMORY"}, CasoNome{0x80070057, "ERROR_INVALID_PARAMETER"},
                      CasoNome{0x800706BA, "RPC_S_SERVER_UNAVAILABLE"}, CasoNome{0x00000000, "ERROR_SUCCESS"},
                      // The low word of E_FAIL (16389) is no Win32 code of the table, whatever the facility.
                      CasoNome{0x80004005, ""}, CasoNome{0x80074005, ""},
                      CasoNome{0x80070001, "ERROR_INVALID_FUNCTION"},
                      // FACILITY_ITF: the code belongs to the interface, never named.
                      CasoNome{0x80040005, ""}, CasoNome{0x80040002, ""},
                      // The ERP's own facilities answer true to EhFacilityMT.
                      CasoNome{0x80EC0002, ""}, CasoNome{0x80F50002, ""}, CasoNome{0x810E0002, ""},
                      // Just outside the ERP's range the code is named again.
                      CasoNome{0x80EB0002, "ERROR_FILE_NOT_FOUND"}, CasoNome{0x810F0002, "ERROR_FILE_NOT_FOUND"},
                      CasoNome{0x80FF0D12, ""}));

class NomeCodigoSemBibliotecaTest : public ::testing::TestWithParam<const char*> {};

// A missing library, a file that is no library and a library without EhFacilityMT
// all leave the code name empty.
TEST_P(NomeCodigoSemBibliotecaTest, IsEmptyWhenTheLibraryCannotAnswer) {
  AmbienteTrocado troca(zq_teste::kVariavelBiblioteca, GetParam());
  EXPECT_EQ(zq::NomeCodigo(ZQ_HR(0x80070002)), "");
  EXPECT_EQ(zq::NomeCodigo(S_OK), "");
}

INSTANTIATE_TEST_SUITE_P(Bibliotecas, NomeCodigoSemBibliotecaTest,
                         ::testing::Values(zq_teste::kBibliotecaInexistente,
                                           CL_TEST_SOURCE_DIR "/data/mensagens/mensagens.tsv", CL_TEST_SOURCE_DIR,
                                           "libm.so.6"));

TEST(NomeCodigoTest, FollowsTheLibraryBeingRemovedAndRestored) {
  ComBiblioteca biblioteca;
  EXPECT_EQ(zq::NomeCodigo(ZQ_HR(0x80070002)), "ERROR_FILE_NOT_FOUND");
  {
    SemBiblioteca sem;
    EXPECT_EQ(zq::NomeCodigo(ZQ_HR(0x80070002)), "");
  }
  EXPECT_EQ(zq::NomeCodigo(ZQ_HR(0x80070002)), "ERROR_FILE_NOT_FOUND");
}

// The forty built-in rows of the two shared servers answer without the library.
TEST(DescricaoHResultTest, ServersInterfaceCodesAreBuiltIn) {
  SemBiblioteca sem;
  int linhas = 0;
  for (uint32_t codigo = 0; codigo <= 0xFFFF; ++codigo) {
    const std::string texto = zq::DescricaoHResult(MAKE_HRESULT(1, 4, codigo));
    if (texto.empty()) continue;
    ++linhas;
    const char* etiqueta = (codigo >> 8) == 0x7D ? "ZQSA: " : (codigo >> 8) == 0x7E ? "ZQSI: " : "?";
    EXPECT_EQ(texto.rfind(etiqueta, 0), 0u) << std::hex << codigo << " " << texto;
    EXPECT_GT(texto.size(), 8u) << texto;
  }
  EXPECT_EQ(linhas, 40);
  // The same codes outside FACILITY_ITF are not the servers'.
  EXPECT_EQ(zq::DescricaoHResult(ZQ_HR(0x80077D01)), "");
  EXPECT_EQ(zq::DescricaoHResult(ZQ_HR(0x00047D01)), "");
}

struct CasoDescricao {
  uint32_t hr;
  const char* trecho;  // part of the text; null: no text
};

class DescricaoHResultComBibliotecaTest : public ::testing::TestWithParam<CasoDescricao> {
 protected:
  ComBiblioteca m_biblioteca;
};

TEST_P(DescricaoHResultComBibliotecaTest, ComesFromTheLibraryOutsideTheServersRows) {
  const std::string texto = zq::DescricaoHResult(ZQ_HR(GetParam().hr));
  if (GetParam().trecho == nullptr) {
    EXPECT_EQ(texto, "");
  } else {
    EXPECT_NE(texto.find(GetParam().trecho), std::string::npos) << texto;
  }
}

INSTANTIATE_TEST_SUITE_P(Textos, DescricaoHResultComBibliotecaTest,
                         ::testing::Values(CasoDescricao{0x80004005, "Falha não especificada"},
                                           CasoDescricao{0x80047D04, "ZQSA: "}, CasoDescricao{0x80047E05, "ZQSI: "},
                                           CasoDescricao{0x80FF0D12, "não é do tipo esperado"},
                                           CasoDescricao{0x80F50002, "Conciliação Bancária: registro não encontrado"},
                                           CasoDescricao{0x80EC0004, "Definições Gerais: o registro está bloqueado"},
                                           CasoDescricao{0x80F51234, "Conciliação Bancária: erro 4660 sem descrição"},
                                           CasoDescricao{0x80047D15, nullptr}, CasoDescricao{0x80123456, nullptr},
                                           CasoDescricao{0x810F0002, nullptr}));

}  // namespace
