#include "frame/zq_mensagens.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "frame/zq_biblioteca_mensagens.h"
#include "frame/zq_config.h"
#include "support/ambiente.h"

namespace {

using zq_teste::AmbienteTrocado;
using zq_teste::ComBiblioteca;
using zq_teste::SemBiblioteca;

size_t ContaOcorrencias(const std::string& texto, const std::string& trecho) {
  size_t n = 0;
  for (size_t p = texto.find(trecho); p != std::string::npos; p = texto.find(trecho, p + trecho.size())) ++n;
  return n;
}

struct CasoModulo {
  _ZQModulo numero;
  const char* codigo;
};

class CodigoModuloTest : public ::testing::TestWithParam<CasoModulo> {};

TEST_P(CodigoModuloTest, MapsModuleNumbersToTheirCodes) {
  EXPECT_STREQ(zq::CodigoModulo(GetParam().numero), GetParam().codigo);
}

INSTANTIATE_TEST_SUITE_P(Tabela, CodigoModuloTest,
                         ::testing::Values(CasoModulo{10, "CL"}, CasoModulo{4, "FN"}, CasoModulo{1, "DF"},
                                           CasoModulo{32, "AT"},
                                           // Unknown numbers get the shared base's file.
                                           CasoModulo{0, "ZQ"}, CasoModulo{33, "ZQ"}, CasoModulo{245, "ZQ"},
                                           CasoModulo{65535, "ZQ"}));

TEST(CodigoModuloTabelaTest, EveryModuleHasItsOwnTwoLetterCode) {
  std::set<std::string> codigos;
  for (_ZQModulo m = 1; m <= 32; ++m) {
    const std::string codigo = zq::CodigoModulo(m);
    ASSERT_EQ(codigo.size(), 2u) << m;
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(codigo[0])) &&
                std::isupper(static_cast<unsigned char>(codigo[1])))
        << codigo;
    EXPECT_TRUE(codigos.insert(codigo).second) << "repeated " << codigo;
  }
}

struct CasoMensagem {
  unsigned long codigo;
  int placeholders;  // "%s" the caller fills (personalised warnings)
};

class MensagemClTest : public ::testing::TestWithParam<CasoMensagem> {
 protected:
  ComBiblioteca m_biblioteca;
};

// Plain warnings are shown as filed, so they must carry no '%'; personalised ones
// carry exactly the placeholders their callers fill.
TEST_P(MensagemClTest, EveryCodeTheModuleSetsHasAText) {
  const std::string texto = ZQGetMensagem(GetParam().codigo, zq::CodigoModulo(ZQ_MODULO_CL), 0);
  ASSERT_FALSE(texto.empty()) << GetParam().codigo;
  EXPECT_EQ(ContaOcorrencias(texto, "%s"), static_cast<size_t>(GetParam().placeholders)) << texto;
  EXPECT_EQ(ContaOcorrencias(texto, "%"), static_cast<size_t>(GetParam().placeholders)) << texto;
  EXPECT_EQ(texto.find('\\'), std::string::npos) << "escape left in " << texto;
  EXPECT_EQ(texto.find('\t'), std::string::npos) << texto;
}

INSTANTIATE_TEST_SUITE_P(Codigos, MensagemClTest,
                         ::testing::Values(CasoMensagem{5807, 0}, CasoMensagem{5808, 0}, CasoMensagem{5813, 0},
                                           CasoMensagem{5824, 0}, CasoMensagem{5825, 0}, CasoMensagem{5827, 0},
                                           CasoMensagem{5832, 0}, CasoMensagem{5835, 0}, CasoMensagem{5836, 0},
                                           CasoMensagem{5837, 0}, CasoMensagem{5865, 0}, CasoMensagem{5872, 0},
                                           CasoMensagem{5879, 0}, CasoMensagem{5883, 1}, CasoMensagem{5884, 0},
                                           CasoMensagem{5885, 0}, CasoMensagem{5886, 0}, CasoMensagem{5887, 0},
                                           CasoMensagem{5888, 0}, CasoMensagem{5889, 0}, CasoMensagem{5890, 0},
                                           CasoMensagem{5891, 0}, CasoMensagem{5892, 0}, CasoMensagem{5893, 0},
                                           CasoMensagem{5894, 0}, CasoMensagem{5895, 1}, CasoMensagem{5896, 1},
                                           CasoMensagem{5897, 1}, CasoMensagem{5898, 0}, CasoMensagem{5899, 1},
                                           CasoMensagem{5900, 0}, CasoMensagem{5901, 0}, CasoMensagem{5902, 0}));

struct CasoSemTexto {
  unsigned long codigo;
  const char* modulo;
};

class MensagemSemTextoTest : public ::testing::TestWithParam<CasoSemTexto> {
 protected:
  ComBiblioteca m_biblioteca;
};

TEST_P(MensagemSemTextoTest, UnknownKeysGiveNoText) {
  EXPECT_EQ(ZQGetMensagem(GetParam().codigo, GetParam().modulo), "");
}

INSTANTIATE_TEST_SUITE_P(Chaves, MensagemSemTextoTest,
                         ::testing::Values(CasoSemTexto{5806, "CL"}, CasoSemTexto{5999, "CL"}, CasoSemTexto{0, "CL"},
                                           CasoSemTexto{5901, "FN"}, CasoSemTexto{5901, ""},
                                           CasoSemTexto{5901, nullptr}, CasoSemTexto{5901, "C"},
                                           CasoSemTexto{5901, "CLX"},
                                           // The description rows are not messages of a module.
                                           CasoSemTexto{0x80004005, "CL"}));

// One text per code, whatever the case of the module code and the language; escapes
// become line breaks.
TEST(MensagemTest, TextoPorCodigoSemCaixaNemIdioma) {
  ComBiblioteca biblioteca;
  const std::string texto = ZQGetMensagem(5901, "CL", 0);
  ASSERT_FALSE(texto.empty());
  EXPECT_EQ(ZQGetMensagem(5901, "cl", 0), texto);
  EXPECT_EQ(ZQGetMensagem(5901, "CL", 1), texto);
  EXPECT_NE(ZQGetMensagem(5807, "CL"), ZQGetMensagem(5808, "CL"));
  EXPECT_NE(ZQGetMensagem(5884, "CL"), ZQGetMensagem(5885, "CL"));
  EXPECT_NE(ZQGetMensagem(5813, "CL").find('\n'), std::string::npos);
}

TEST(MensagemTest, LibraryNamedByTheConfigurationFileWhenTheEnvironmentIsSilent) {
  AmbienteTrocado semVariavel(zq_teste::kVariavelBiblioteca, nullptr);
  CZQConfiguracao::Global().Set("biblioteca_mensagens", zq_teste::BibliotecaConstruida());
  EXPECT_FALSE(ZQGetMensagem(5901, "CL").empty());
  CZQConfiguracao::Global().Set("biblioteca_mensagens", zq_teste::kBibliotecaInexistente);
  EXPECT_EQ(ZQGetMensagem(5901, "CL"), "");
  CZQConfiguracao::Global().Set("biblioteca_mensagens", "");
}

// Without configuration the library is looked for beside the code of libcl, here the
// test program that links it statically.
TEST(BibliotecaMensagensTest, DefaultsToTheDirectoryOfTheCode) {
  AmbienteTrocado semVariavel(zq_teste::kVariavelBiblioteca, nullptr);
  CZQConfiguracao::Global().Set("biblioteca_mensagens", "");
  const std::filesystem::path programa = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(zq::CZQBibliotecaMensagens::Caminho(), (programa.parent_path() / "libzqmensagens.so").string());
}

bool BibliotecaMapeada() {
  std::ifstream mapas("/proc/self/maps");
  std::string linha;
  while (std::getline(mapas, linha)) {
    if (linha.find("libzqmensagens.so") != std::string::npos) return true;
  }
  return false;
}

// Each lookup loads the library and releases it, so a library replaced on disk is the
// one the next lookup reads.
TEST(BibliotecaMensagensTest, IsUnloadedAfterEachLookup) {
  ComBiblioteca biblioteca;
  ASSERT_FALSE(BibliotecaMapeada());
  {
    zq::CZQBibliotecaMensagens aberta;
    ASSERT_TRUE(aberta.Aberta());
    EXPECT_TRUE(BibliotecaMapeada());
  }
  EXPECT_FALSE(ZQGetMensagem(5901, "CL").empty());
  EXPECT_FALSE(ZQGetErrorDescription(ZQ_HR(0x80F50002)).empty());
  EXPECT_FALSE(BibliotecaMapeada());
}

class CatalogoExternoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_arquivo = std::filesystem::temp_directory_path() /
                ("zq_catalogo_" + std::to_string(getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".tsv");
  }
  void TearDown() override { std::filesystem::remove(m_arquivo); }
  void Escreve(const std::string& conteudo) { std::ofstream(m_arquivo, std::ios::binary) << conteudo; }

  ComBiblioteca m_biblioteca;
  std::filesystem::path m_arquivo;
};

TEST_F(CatalogoExternoTest, ItsRowsComeBeforeTheBuiltInOnes) {
  Escreve("# corrigido na instalação\r\nCL\t5901\tTexto corrigido\\tcom tab\r\nHRESULT\t0x80004005\tOutra falha\n");
  AmbienteTrocado catalogo("CL_CATALOGO_MENSAGENS", m_arquivo.c_str());
  EXPECT_EQ(ZQGetMensagem(5901, "CL"), "Texto corrigido\tcom tab");
  EXPECT_EQ(ZQGetErrorDescription(E_FAIL), "Outra falha");
  EXPECT_FALSE(ZQGetMensagem(5902, "CL").empty()) << "rows it lacks still come from the built-in catalogue";
}

// A text longer than the first buffer comes back whole.
TEST_F(CatalogoExternoTest, LongTextsComeBackWhole) {
  std::string longo;
  for (int i = 0; i < 300; ++i) longo += "linha " + std::to_string(i) + "\\n";
  Escreve("CL\t5901\t" + longo + "\n");
  AmbienteTrocado catalogo("CL_CATALOGO_MENSAGENS", m_arquivo.c_str());
  const std::string texto = ZQGetMensagem(5901, "CL");
  EXPECT_EQ(ContaOcorrencias(texto, "\n"), 300u);
  EXPECT_EQ(texto.rfind("linha 299\n"), texto.size() - 10);
}

// Broken rows are skipped, never fatal.
TEST_F(CatalogoExternoTest, MalformedRowsAreSkipped) {
  Escreve(std::string("CL\n\nCL\t5901\nCL\tabc\tsem código\nCL\t-5901\tnegativo\nCL\t5901x\tlixo\n") +
          std::string("\0\t\t\n", 4) + "CL\t5902\t\n");
  AmbienteTrocado catalogo("CL_CATALOGO_MENSAGENS", m_arquivo.c_str());
  EXPECT_NE(ZQGetMensagem(5901, "CL").find("já importado"), std::string::npos);
  // An empty text is a row like any other: the code then has no text.
  EXPECT_EQ(ZQGetMensagem(5902, "CL"), "");
}

TEST_F(CatalogoExternoTest, AMissingFileLeavesTheBuiltInCatalogue) {
  AmbienteTrocado catalogo("CL_CATALOGO_MENSAGENS", "/nao/existe/mensagens.tsv");
  EXPECT_NE(ZQGetMensagem(5901, "CL").find("já importado"), std::string::npos);
}

class DescricaoErroTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(DescricaoErroTest, CommonResultsAreDescribedOnlyWithTheLibrary) {
  const HRESULT hr = ZQ_HR(GetParam());
  {
    ComBiblioteca com;
    const std::string texto = ZQGetErrorDescription(hr);
    EXPECT_FALSE(texto.empty()) << std::hex << GetParam();
    EXPECT_EQ(texto.find('%'), std::string::npos) << texto;
  }
  SemBiblioteca sem;
  EXPECT_EQ(ZQGetErrorDescription(hr), "");
}

INSTANTIATE_TEST_SUITE_P(Comuns, DescricaoErroTest,
                         ::testing::Values(0x80004005u, 0x8007000Eu, 0x80070057u, 0x8000FFFFu, 0x80004003u, 0x80004001u,
                                           0x80070005u, 0x80FF0D12u,
                                           // Generic codes of the ERP's facilities, first and last.
                                           0x80EC0001u, 0x80F50003u, 0x810E000Cu, 0x80F5ABCDu));

TEST(DescricaoErroTest, ErpGenericCodesNameTheirModule) {
  ComBiblioteca com;
  EXPECT_EQ(ZQGetErrorDescription(ZQ_HR(0x80F50002)), "Conciliação Bancária: registro não encontrado.");
  EXPECT_EQ(ZQGetErrorDescription(ZQ_HR(0x80F5ABCD)), "Conciliação Bancária: erro 43981 sem descrição cadastrada.");
  EXPECT_EQ(ZQGetErrorDescription(ZQ_HR(0x80FF0D12)), "O registro entregue à validação não é do tipo esperado.");
  // A success code of an ERP facility gets the same generic text.
  EXPECT_EQ(ZQGetErrorDescription(ZQ_HR(0x00F50002)), "Conciliação Bancária: registro não encontrado.");
  EXPECT_EQ(ZQGetErrorDescription(ZQ_HR(0x810F0002)), "");
}

}  // namespace
