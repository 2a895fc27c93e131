#include "frame/zq_log_erros.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <future>
#include <set>
#include <vector>

#include "support/log_erros.h"

namespace {

using zq_teste::AmbienteLogErros;
using zq_teste::Cabecalho;
using zq_teste::Linhas;
using zq_teste::Momento;
using zq_teste::Separa;

// "N.N.N.N" with decimal numbers.
bool EhVersao(const std::string& s) {
  auto partes = Separa(s, '.');
  if (partes.size() != 4) return false;
  for (const auto& p : partes) {
    if (p.empty() || p.find_first_not_of("0123456789") != std::string::npos) return false;
  }
  return true;
}

// "XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX", upper-case hexadecimal, random (version 4) GUID.
bool EhGuid(const std::string& s) {
  auto partes = Separa(s, '-');
  const size_t tamanhos[] = {8, 4, 4, 4, 12};
  if (partes.size() != 5) return false;
  for (size_t i = 0; i < 5; ++i) {
    if (partes[i].size() != tamanhos[i] || partes[i].find_first_not_of("0123456789ABCDEF") != std::string::npos)
      return false;
  }
  return partes[2][0] == '4' && std::string("89AB").find(partes[3][0]) != std::string::npos;
}

zq::RegistroErro Registro(const std::string& log, bool comIdentidade = false, const std::string& empresa = "") {
  zq::RegistroErro r;
  r.classeFuncao = "CCLTeste::Grava";
  r.temIdentidade = comIdentidade;
  r.empresa = empresa;
  r.usuario = 7;
  r.sessao = 123;
  r.arquivo = "teste.cc";
  r.linha = 42;
  r.log = log;
  return r;
}

struct NomeCaso {
  bool comEmpresa;
  int ano;
  int mes;
  const char* esperado;
};

class NomeArquivoTest : public ::testing::TestWithParam<NomeCaso> {};

TEST_P(NomeArquivoTest, PrefixYearAndMonth) {
  const NomeCaso& c = GetParam();
  EXPECT_EQ(zq::NomeArquivoLogErros(c.comEmpresa, c.ano, c.mes), c.esperado);
}

INSTANTIATE_TEST_SUITE_P(Meses, NomeArquivoTest,
                         ::testing::Values(NomeCaso{true, 2026, 3, "ZQProfilerErros_Base_202603.log"},
                                           NomeCaso{false, 2026, 12, "ZQProfilerErros_Pgms_202612.log"},
                                           NomeCaso{false, 1999, 1, "ZQProfilerErros_Pgms_199901.log"},
                                           NomeCaso{true, 1200, 5,
                                                    "ZQProfilerErros_Base_184805.log"},  // year held to 1848
                                           NomeCaso{false, 9999, 7, "ZQProfilerErros_Pgms_471707.log"},  // and to 4717
                                           NomeCaso{true, 2026, 150, "ZQProfilerErros_Base_202699.log"},
                                           NomeCaso{true, 2026, -3, "ZQProfilerErros_Base_202600.log"}));

struct VersaoCaso {
  const char* texto;
  const char* esperado;
};

class VersaoTest : public ::testing::TestWithParam<VersaoCaso> {};

TEST_P(VersaoTest, FourNumbersFromAnyVersionText) {
  EXPECT_EQ(zq::VersaoQuatroPartes(GetParam().texto), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(Textos, VersaoTest,
                         ::testing::Values(VersaoCaso{"6.1.0-18-amd64", "6.1.0.18"}, VersaoCaso{"5.15.0", "5.15.0.0"},
                                           VersaoCaso{"10.2.3.4.5", "10.2.3.4"},
                                           VersaoCaso{"4.19.0-26-cloud-amd64", "4.19.0.26"},
                                           VersaoCaso{"0.1.0", "0.1.0.0"}, VersaoCaso{"", "0.0.0.0"},
                                           VersaoCaso{"sem numero", "0.0.0.0"},
                                           VersaoCaso{"99999999999999.1", "2147483647.1.0.0"}));

TEST(VersaoCacheTest, BothVersionsHaveFourNumbersAndStayTheSame) {
  const std::string& orbel = zq::VersaoOrbel();
  const std::string& so = zq::VersaoSO();
  EXPECT_TRUE(EhVersao(orbel)) << orbel;
  EXPECT_TRUE(EhVersao(so)) << so;
  EXPECT_NE(so, "0.0.0.0");  // the running kernel always has a release
  EXPECT_EQ(&zq::VersaoOrbel(), &orbel);
}

struct TentativaCaso {
  const char* nome;
  std::vector<int> falhas;  // errno of each failing attempt, in order; then success
  int esperadas;            // attempts made
  bool abre;
};

class TentativasTest : public ::testing::TestWithParam<TentativaCaso> {};

TEST_P(TentativasTest, RetriesOnlyWhatARetryCanMend) {
  const TentativaCaso& c = GetParam();
  int chamadas = 0;
  int feitas = 0;
  int fd = zq::detalhe::AbreComTentativas(
      [&]() -> int {
        size_t i = static_cast<size_t>(chamadas++);
        if (i < c.falhas.size()) {
          errno = c.falhas[i];
          return -1;
        }
        return 77;
      },
      19, &feitas);
  EXPECT_EQ(feitas, c.esperadas);
  EXPECT_EQ(chamadas, c.esperadas);
  EXPECT_EQ(fd, c.abre ? 77 : -1);
}

INSTANTIATE_TEST_SUITE_P(Falhas, TentativasTest,
                         ::testing::Values(TentativaCaso{"primeira", {}, 1, true},
                                           TentativaCaso{"ocupado_duas_vezes", {EACCES, EAGAIN}, 3, true},
                                           TentativaCaso{"dezoito_falhas", std::vector<int>(18, EMFILE), 19, true},
                                           TentativaCaso{"sempre_ocupado", std::vector<int>(40, EACCES), 19, false},
                                           TentativaCaso{"nao_encontrado", {ENOENT}, 1, false},
                                           TentativaCaso{"caminho_ruim", {ENOTDIR}, 1, false},
                                           TentativaCaso{"invalido", {EINVAL}, 1, false},
                                           TentativaCaso{"entrada_saida", {EIO}, 1, false},
                                           TentativaCaso{"e_diretorio", {EISDIR}, 1, false},
                                           TentativaCaso{"nome_longo", {ENAMETOOLONG}, 1, false},
                                           TentativaCaso{"ocupado_depois_ausente", {EACCES, EACCES, ENOENT}, 3, false}),
                         [](const auto& info) { return std::string(info.param.nome); });

class LogErrosTest : public ::testing::Test {
 protected:
  AmbienteLogErros amb;
};

TEST_F(LogErrosTest, HeaderOnlyOnTheFirstRecordOfTheMonthAndANewFileEachMonth) {
  amb.DefineMomento(Momento(2026, 1, 31, 23, 59, 59));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(zq::GravaRegistroErro(Registro("janeiro " + std::to_string(i))));
  amb.DefineMomento(Momento(2026, 2, 1, 0, 0, 0));
  ASSERT_TRUE(zq::GravaRegistroErro(Registro("fevereiro")));

  auto janeiro = Linhas(amb.Pgms("202601"));
  auto fevereiro = Linhas(amb.Pgms("202602"));
  ASSERT_EQ(janeiro.size(), 4u);
  ASSERT_EQ(fevereiro.size(), 2u);
  EXPECT_EQ(janeiro[0], Cabecalho());
  EXPECT_EQ(fevereiro[0], Cabecalho());
  for (size_t i = 1; i < janeiro.size(); ++i) {
    EXPECT_NE(janeiro[i], Cabecalho());
    EXPECT_EQ(Separa(janeiro[i])[zq::kColLog], "janeiro " + std::to_string(i - 1));
    EXPECT_EQ(Separa(janeiro[i])[zq::kColData], "31/01/2026");
    EXPECT_EQ(Separa(janeiro[i])[zq::kColHora], "23:59:59");
  }
  EXPECT_EQ(Separa(fevereiro[1])[zq::kColData], "01/02/2026");
  EXPECT_EQ(amb.Arquivos().size(), 2u);
}

TEST_F(LogErrosTest, AnExistingFileIsAppendedToNeverTruncated) {
  std::filesystem::create_directories(amb.Pgms().parent_path());
  {
    std::ofstream antigo(amb.Pgms());
    antigo << Cabecalho() << "\nlinha anterior\n";
  }
  ASSERT_TRUE(zq::GravaRegistroErro(Registro("nova")));
  auto linhas = Linhas(amb.Pgms());
  ASSERT_EQ(linhas.size(), 3u);
  EXPECT_EQ(linhas[1], "linha anterior");
  EXPECT_EQ(Separa(linhas[2])[zq::kColLog], "nova");
}

TEST_F(LogErrosTest, RecordColumns) {
  zq::RegistroErro r = Registro("a\tb\tc\td\te\tf", true, "0001");
  r.classeFuncao = "CCL\tQuebrada::Met\nodo";
  r.arquivo = "fonte\r\n.cc";
  ASSERT_TRUE(zq::GravaRegistroErro(r));
  ASSERT_TRUE(zq::GravaRegistroErro(r));
  auto linhas = Linhas(amb.Base("0001"));
  ASSERT_EQ(linhas.size(), 3u);
  // The program's base name in lower case.
  std::string programa = std::filesystem::read_symlink("/proc/self/exe").filename().string();
  for (char& c : programa) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::set<std::string> guids;
  for (size_t i = 1; i < linhas.size(); ++i) {
    auto col = Separa(linhas[i]);
    // 39 columns; the Log column brings its own five tabs.
    ASSERT_EQ(col.size(), static_cast<size_t>(zq::kQuantidadeColunasLogErros + 5));
    EXPECT_EQ(col[zq::kColData], "15/03/2026");
    EXPECT_EQ(col[zq::kColHora], "10:20:30");
    EXPECT_EQ(col[zq::kColProcesso], std::to_string(getpid()));
    EXPECT_EQ(col[zq::kColClasseFuncao], "CCL Quebrada::Met odo");
    EXPECT_TRUE(EhGuid(col[zq::kColGuid])) << col[zq::kColGuid];
    guids.insert(col[zq::kColGuid]);
    char thread[32];
    std::snprintf(thread, sizeof thread, "T%08d", static_cast<int>(gettid()));
    EXPECT_EQ(col[zq::kColThreadID], thread);
    EXPECT_EQ(col[zq::kColTipo], "ERRO");
    EXPECT_GT(std::stoull(col[zq::kColMemoriaComponente]), 0u);
    EXPECT_EQ(col[zq::kColVersaoOrbel], zq::VersaoOrbel());
    EXPECT_EQ(col[zq::kColVersaoSO], zq::VersaoSO());
    EXPECT_EQ(col[zq::kColArquivo], "fonte  .cc");
    EXPECT_EQ(col[zq::kColLinha], "42");
    EXPECT_EQ(col[zq::kColLog], "a");
    EXPECT_EQ(col[zq::kColLog + 5], "f");
    EXPECT_EQ(col[14], programa);  // Aplicativo
    EXPECT_FALSE(col[zq::kColUsuarioLocal].empty());
    for (size_t p = zq::kColLog + 6; p < col.size(); ++p) EXPECT_EQ(col[p], "") << p;
  }
  EXPECT_EQ(guids.size(), 2u);
}

TEST_F(LogErrosTest, LineBreaksInTheLogNeverSplitTheRecord) {
  ASSERT_TRUE(zq::GravaRegistroErro(Registro("primeira\nsegunda\r\nterceira")));
  auto linhas = Linhas(amb.Pgms());
  ASSERT_EQ(linhas.size(), 2u);
  EXPECT_EQ(Separa(linhas[1])[zq::kColLog], "primeira segunda  terceira");
}

TEST_F(LogErrosTest, AnUnwritablePlaceLosesTheRecordWithoutHarm) {
  std::filesystem::path arquivoComum = amb.Raiz() / "comum";
  { std::ofstream(arquivoComum) << "x"; }
  CZQConfiguracao::Global().Set("log_erros", (arquivoComum / "sub").string());
  EXPECT_FALSE(zq::GravaRegistroErro(Registro("perdido")));
  EXPECT_EQ(zq_teste::LeArquivo(arquivoComum), "x");
}

TEST_F(LogErrosTest, AStuckHolderOfTheLockCostsOneRecordNotTheWriter) {
  ASSERT_TRUE(zq::GravaRegistroErro(Registro("antes")));
  const int preso = ::open(amb.Pgms().c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(preso, 0);
  ASSERT_EQ(::flock(preso, LOCK_EX), 0);
  // The writer runs apart so that an unbounded wait fails this test instead of hanging it.
  auto escrita = std::async(std::launch::async, [] { return zq::GravaRegistroErro(Registro("perdido")); });
  const bool terminou = escrita.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  ::flock(preso, LOCK_UN);
  ::close(preso);
  ASSERT_TRUE(terminou) << "the writer still waits on the lock after 10 s";
  EXPECT_FALSE(escrita.get());
  ASSERT_TRUE(zq::GravaRegistroErro(Registro("depois")));
  auto linhas = Linhas(amb.Pgms());
  ASSERT_EQ(linhas.size(), 3u);
  EXPECT_EQ(Separa(linhas[1])[zq::kColLog], "antes");
  EXPECT_EQ(Separa(linhas[2])[zq::kColLog], "depois");
}

TEST(MemoriaTest, PrivateMemoryFollowsWhatTheProcessTouches) {
  uint64_t antes = zq::MemoriaPrivadaProcesso();
  ASSERT_GT(antes, 0u);
  std::vector<char> bloco(64u << 20, 1);
  uint64_t depois = zq::MemoriaPrivadaProcesso();
  EXPECT_GE(depois, antes + (32u << 20));
  EXPECT_EQ(bloco[bloco.size() / 2], 1);
}

// Runs `trabalho(p)` in `processos` forked children released together, and tells
// whether every child ended well.
template <typename F>
bool EmProcessos(int processos, F trabalho) {
  int largada[2];
  if (pipe(largada) != 0) return false;
  std::vector<pid_t> filhos;
  for (int p = 0; p < processos; ++p) {
    pid_t pid = fork();
    if (pid < 0) break;
    if (pid == 0) {
      close(largada[1]);
      char c;
      while (read(largada[0], &c, 1) < 0 && errno == EINTR) {
      }
      _exit(trabalho(p) ? 0 : 1);
    }
    filhos.push_back(pid);
  }
  close(largada[0]);
  close(largada[1]);  // end of file for every child at once: the start
  bool ok = static_cast<int>(filhos.size()) == processos;
  for (pid_t pid : filhos) {
    int estado = 0;
    ok = waitpid(pid, &estado, 0) == pid && WIFEXITED(estado) && WEXITSTATUS(estado) == 0 && ok;
  }
  return ok;
}

// Several processes appending to one month's file at once: one header, every record
// whole and present exactly once.
TEST_F(LogErrosTest, ConcurrentProcessesNeitherInterleaveNorLose) {
  constexpr int kProcessos = 4;
  constexpr int kRegistros = 2000;
  const std::string enchimento(300, 'x');
  ASSERT_TRUE(EmProcessos(kProcessos, [&](int p) {
    bool ok = true;
    for (int i = 0; i < kRegistros; ++i) {
      char log[64];
      std::snprintf(log, sizeof log, "P%d R%05d", p, i);
      ok = zq::GravaRegistroErro(Registro(std::string(log) + "\t" + enchimento)) && ok;
    }
    return ok;
  }));

  auto linhas = Linhas(amb.Pgms());
  ASSERT_EQ(linhas.size(), static_cast<size_t>(kProcessos * kRegistros + 1));
  EXPECT_EQ(linhas[0], Cabecalho());
  std::set<std::string> vistos;
  for (size_t i = 1; i < linhas.size(); ++i) {
    ASSERT_NE(linhas[i], Cabecalho()) << "line " << i;
    auto col = Separa(linhas[i]);
    ASSERT_EQ(col.size(), static_cast<size_t>(zq::kQuantidadeColunasLogErros + 1)) << "line " << i;
    ASSERT_EQ(col[zq::kColTipo], "ERRO");
    ASSERT_EQ(col[zq::kColLog + 1], enchimento);
    vistos.insert(col[zq::kColLog]);
  }
  EXPECT_EQ(vistos.size(), static_cast<size_t>(kProcessos * kRegistros));
}

// The moment a month's file is born is the one where two writers could both find it
// empty: every process starts many months at the same time, and each file must still
// have one header.
TEST_F(LogErrosTest, ConcurrentProcessesStartingNewMonthsWriteOneHeaderEach) {
  constexpr int kProcessos = 4;
  constexpr int kMeses = 600;
  ASSERT_TRUE(EmProcessos(kProcessos, [&](int p) {
    bool ok = true;
    for (int m = 0; m < kMeses; ++m) {
      amb.DefineMomento(Momento(2000 + m / 12, m % 12 + 1, 10, 12, 0, 0));
      ok = zq::GravaRegistroErro(Registro("P" + std::to_string(p))) && ok;
    }
    return ok;
  }));

  auto arquivos = amb.Arquivos();
  ASSERT_EQ(arquivos.size(), static_cast<size_t>(kMeses));
  for (const auto& arquivo : arquivos) {
    auto linhas = Linhas(arquivo);
    ASSERT_EQ(linhas.size(), static_cast<size_t>(kProcessos + 1)) << arquivo;
    EXPECT_EQ(linhas[0], Cabecalho()) << arquivo;
    std::set<std::string> processos;
    for (size_t i = 1; i < linhas.size(); ++i) processos.insert(Separa(linhas[i])[zq::kColLog]);
    EXPECT_EQ(processos.size(), static_cast<size_t>(kProcessos)) << arquivo;
  }
}

}  // namespace
