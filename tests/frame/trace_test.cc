#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "frame/zq_log_erros.h"
#include "frame/zq_trace.h"
#include "support/ambiente.h"
#include "support/log_erros.h"

namespace {

using zq_teste::AmbienteLogErros;
using zq_teste::Cabecalho;
using zq_teste::Linhas;
using zq_teste::Separa;

class PerfilTeste : public IZQDF_Profiler {
 public:
  PerfilTeste(const char* empresa, unsigned short usuario, unsigned long sessao)
      : m_empresa(empresa), m_usuario(usuario), m_sessao(sessao) {}
  CZQString GetEmpresa() const override { return m_empresa; }
  unsigned short GetUsuario() const override { return m_usuario; }
  unsigned long GetNumeroSessao() const override { return m_sessao; }

 private:
  CZQString m_empresa;
  unsigned short m_usuario;
  unsigned long m_sessao;
};

HRESULT Devolve(HRESULT hr) { return hr; }

struct LinhaCaso {
  const char* nome;
  uint32_t hr;
  const char* variavel;
  const char* expressao;
  const char* primeiroCampo;        // "var = expr" as it must appear
  const char* inicioSegundo;        // "var = 0X..." up to the description
  std::vector<const char*> campos;  // fields 3 and 4, exactly
  const char* codigo;               // start of field 5 (its name needs the message library)
  const char* ultimo;               // the last field, exactly
};

class LinhaTraceTest : public ::testing::TestWithParam<LinhaCaso> {};

TEST_P(LinhaTraceTest, SixFieldsInTheFixedOrder) {
  const LinhaCaso& c = GetParam();
  std::string linha = zq::MontaLinhaTrace(c.variavel, c.expressao, static_cast<HRESULT>(c.hr));
  auto campos = Separa(linha);
  ASSERT_EQ(campos.size(), 6u) << linha;
  EXPECT_EQ(campos[0], c.primeiroCampo);
  EXPECT_EQ(campos[1].rfind(c.inicioSegundo, 0), 0u) << campos[1];
  for (size_t i = 0; i < c.campos.size(); ++i) EXPECT_EQ(campos[2 + i], c.campos[i]) << linha;
  EXPECT_EQ(campos[4].rfind(c.codigo, 0), 0u) << campos[4];
  EXPECT_EQ(campos[5], c.ultimo);
  EXPECT_EQ(linha.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Resultados, LinhaTraceTest,
    ::testing::Values(
        LinhaCaso("e_fail", 0x80004005u, "hr", "GetAcessoConciliacao()->Grava(lista)",
                  "hr = GetAcessoConciliacao()->Grava(lista)", "hr = 0X80004005 ",
                  {"SEVERITY = 1 SEVERITY_ERROR", "FACILITY = 0 FACILITY_NULL"}, "CODE = 16389 ", "Descrição = E_FAIL"),
        LinhaCaso("win32", 0x80070057u, "hr_check", "Chama()", "hr_check = Chama()", "hr_check = 0X80070057 ",
                  {"SEVERITY = 1 SEVERITY_ERROR", "FACILITY = 7 FACILITY_WIN32"}, "CODE = 87 ",
                  "Descrição = E_INVALIDARG"),
        LinhaCaso("facility_do_modulo", 0x80F50001u, "hr", "x", "hr = x", "hr = 0X80F50001 ",
                  {"SEVERITY = 1 SEVERITY_ERROR", "FACILITY = 245 ZQ_FACILITY_CL_CONCILIACAO"}, "CODE = 1 ",
                  "Descrição = "),
        LinhaCaso("facility_desconhecida", 0x90000001u, "hr", "y", "hr = y", "hr = 0X90000001 ",
                  {"SEVERITY = 1 SEVERITY_ERROR", "FACILITY = 4096 Desconhecido ou novo código de FACILITY"},
                  "CODE = 1 ", "Descrição = "),
        LinhaCaso("quase_ignorado", 0xFFFFFFFEu, "hr", "z", "hr = z", "hr = 0XFFFFFFFE ",
                  {"SEVERITY = 1 SEVERITY_ERROR", "FACILITY = 8191 Desconhecido ou novo código de FACILITY"},
                  "CODE = 65534 ", "Descrição = "),
        LinhaCaso("sucesso", 0u, "hr", "ok()", "hr = ok()", "hr = 0 ",
                  {"SEVERITY = 0 SEVERITY_SUCCESS", "FACILITY = 0 FACILITY_NULL"}, "CODE = 0 ", "Descrição = S_OK"),
        // Tabs and line breaks of a value must not add fields.
        LinhaCaso("expressao_com_quebras", 0x80004005u, "hr", "Chama(a,\n\tb)", "hr = Chama(a,  b)", "hr = 0X80004005",
                  {}, "CODE = 16389", "Descrição = E_FAIL")),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(LinhaTraceTest, WithoutTheMessageLibraryDescriptionAndCodeNameAreEmpty) {
  zq_teste::SemBiblioteca semBiblioteca;
  auto campos = Separa(zq::MontaLinhaTrace("hr", "Chama()", E_INVALIDARG));
  ASSERT_EQ(campos.size(), 6u);
  EXPECT_EQ(campos[1], "hr = 0X80070057 ");
  EXPECT_EQ(campos[4], "CODE = 87 ");
  EXPECT_EQ(campos[5], "Descrição = E_INVALIDARG");

  AmbienteLogErros amb;
  EXPECT_TRUE(zq::RegistraFalha(nullptr, "hr", "Chama()", E_INVALIDARG, zq::LocalFonte{"C", "F", "a.cc", 1}));
  auto linhas = Linhas(amb.Pgms());
  ASSERT_EQ(linhas.size(), 2u);
  EXPECT_EQ(Separa(linhas[1])[zq::kColLog + 4], "CODE = 87 ");
}

struct CheckCaso {
  const char* nome;
  uint32_t hr;
  bool falha;
};

class RegistraFalhaTest : public ::testing::TestWithParam<CheckCaso> {
 protected:
  AmbienteLogErros amb;
};

TEST_P(RegistraFalhaTest, OnlyFailuresOtherThanTheEndMarkerAreTraced) {
  const CheckCaso& c = GetParam();
  HRESULT hr = 0;
  bool falhou = ZQ_FALHOU_EM(nullptr, "CCLTeste", hr, Devolve(static_cast<HRESULT>(c.hr)));
  EXPECT_EQ(hr, static_cast<HRESULT>(c.hr));
  EXPECT_EQ(falhou, c.falha);
  auto arquivos = amb.Arquivos();
  if (!c.falha) {
    EXPECT_TRUE(arquivos.empty());
    return;
  }
  ASSERT_EQ(arquivos.size(), 1u);
  auto linhas = Linhas(amb.Pgms());
  ASSERT_EQ(linhas.size(), 2u);
  EXPECT_EQ(linhas[0], Cabecalho());
  auto col = Separa(linhas[1]);
  ASSERT_EQ(col.size(), static_cast<size_t>(zq::kQuantidadeColunasLogErros + 5));
  char esperado[32];
  std::snprintf(esperado, sizeof esperado, "hr = %#X ", c.hr);
  EXPECT_EQ(col[zq::kColLog + 1].rfind(esperado, 0), 0u) << col[zq::kColLog + 1];
}

INSTANTIATE_TEST_SUITE_P(Resultados, RegistraFalhaTest,
                         ::testing::Values(CheckCaso{"s_ok", 0u, false}, CheckCaso{"s_false", 1u, false},
                                           CheckCaso{"maior_positivo", 0x7FFFFFFFu, false},
                                           CheckCaso{"marcador_final", 0xFFFFFFFFu, false},
                                           CheckCaso{"antes_do_marcador", 0xFFFFFFFEu, true},
                                           CheckCaso{"e_fail", 0x80004005u, true},
                                           CheckCaso{"menor_negativo", 0x80000000u, true}),
                         [](const auto& info) { return std::string(info.param.nome); });

struct IdentidadeCaso {
  const char* nome;
  std::optional<PerfilTeste> perfil;
  const char* diretorioEmpresa;  // null: the no-company file
  const char* colEmpresa;
  const char* colUsuario;
  const char* colSessao;
};

class IdentidadeTraceTest : public ::testing::TestWithParam<IdentidadeCaso> {
 protected:
  AmbienteLogErros amb;
};

TEST_P(IdentidadeTraceTest, TheRecordCarriesWhereAndWhoFailed) {
  const IdentidadeCaso& c = GetParam();
  const IZQDF_Profiler* perfil = c.perfil ? &*c.perfil : nullptr;
  HRESULT hr = 0;
  const int linhaFonte = __LINE__ + 1;
  bool falhou = ZQ_FALHOU_EM(perfil, "CCLTeste", hr, Devolve(E_FAIL));
  ASSERT_TRUE(falhou);

  auto arquivo = c.diretorioEmpresa ? amb.Base(c.diretorioEmpresa) : amb.Pgms();
  auto arquivos = amb.Arquivos();
  ASSERT_EQ(arquivos.size(), 1u);
  EXPECT_EQ(arquivos[0], arquivo);
  auto linhas = Linhas(arquivo);
  ASSERT_EQ(linhas.size(), 2u);
  auto col = Separa(linhas[1]);
  ASSERT_EQ(col.size(), static_cast<size_t>(zq::kQuantidadeColunasLogErros + 5));
  EXPECT_EQ(col[zq::kColClasseFuncao], "CCLTeste::TestBody");
  EXPECT_EQ(col[zq::kColEmpresa], c.colEmpresa);
  EXPECT_EQ(col[zq::kColUsuario], c.colUsuario);
  EXPECT_EQ(col[zq::kColSessao], c.colSessao);
  EXPECT_EQ(col[zq::kColArquivo], "trace_test.cc");
  EXPECT_EQ(col[zq::kColLinha], std::to_string(linhaFonte));
  EXPECT_EQ(col[zq::kColTipo], "ERRO");
  std::string log;
  for (size_t i = zq::kColLog; i < zq::kColLog + 6u; ++i) log += (i > zq::kColLog ? "\t" : "") + col[i];
  EXPECT_EQ(log, zq::MontaLinhaTrace("hr", "Devolve(E_FAIL)", E_FAIL));
}

INSTANTIATE_TEST_SUITE_P(
    Rotinas, IdentidadeTraceTest,
    ::testing::Values(
        IdentidadeCaso{"sem_rotina", std::nullopt, nullptr, "", "", ""},
        IdentidadeCaso{"rotina_sem_empresa", PerfilTeste("", 3, 9), nullptr, "E", "U003", "S00000009"},
        IdentidadeCaso{"empresa", PerfilTeste("0042", 7, 123456), "0042", "E0042", "U007", "S00123456"},
        IdentidadeCaso{"usuario_grande", PerfilTeste("1", 65535, 4294967295ul), "1", "E1", "U65535", "S4294967295"},
        // A company code never leads the file out of the companies' directory.
        IdentidadeCaso{"empresa_com_barras", PerfilTeste("../fora", 1, 1), ".._fora", "E../fora", "U001", "S00000001"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(RegistraFalhaTextoTest, LiteralExpressionTextAndClassLessFunctions) {
  AmbienteLogErros amb;
  HRESULT hr = E_ABORT;
  EXPECT_TRUE(ZQ_FALHOU_TEXTO(nullptr, "CCLImportacaoExtrato", hr, "__super::OnInicializa()"));
  EXPECT_TRUE(zq::RegistraFalha(nullptr, "hr", "f()", E_FAIL, zq::LocalFonte{nullptr, "Solta", nullptr, 7}));
  hr = ZQ_HR_IGNORADO;
  EXPECT_FALSE(ZQ_FALHOU_TEXTO(nullptr, "CCLImportacaoExtrato", hr, "__super::OnInicializa()"));

  auto linhas = Linhas(amb.Pgms());
  ASSERT_EQ(linhas.size(), 3u);
  auto primeiro = Separa(linhas[1]);
  EXPECT_EQ(primeiro[zq::kColClasseFuncao], "CCLImportacaoExtrato::TestBody");
  EXPECT_EQ(primeiro[zq::kColLog], "hr = __super::OnInicializa()");
  auto segundo = Separa(linhas[2]);
  EXPECT_EQ(segundo[zq::kColClasseFuncao], "Solta");
  EXPECT_EQ(segundo[zq::kColArquivo], "");
  EXPECT_EQ(segundo[zq::kColLinha], "7");
}

TEST(RegistraFalhaTextoTest, AnUnwritableLogStillTakesTheFailurePath) {
  AmbienteLogErros amb;
  CZQConfiguracao::Global().Set("log_erros", "/proc/self/nao_pode/criar");
  HRESULT hr = 0;
  EXPECT_TRUE(ZQ_FALHOU_EM(nullptr, "CCLTeste", hr, Devolve(E_FAIL)));
  EXPECT_TRUE(amb.Arquivos().empty());
}

}  // namespace
