// Drives the clhost executable as a separate process.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "host/clhost_processo.h"

namespace {

namespace fs = std::filesystem;

class ClhostTest : public cl_teste_host::ClhostPastaTest {
 protected:
  pid_t Inicia(const std::vector<std::string>& argumentos) {
    return cl_teste_host::IniciaClhost(m_dir, argumentos, Log());
  }
};

TEST_F(ClhostTest, UnknownServiceOrMissingLibraryIsAUsageError) {
  EXPECT_EQ(Executa({"--once", "--servico", "contabilidade"}), 2);
  EXPECT_EQ(Executa({"--once", "--biblioteca", (m_dir / "nao-existe.so").string()}), 2);
}

TEST_F(ClhostTest, OnceRunsEveryServiceAndLogsEachAnswer) {
  int status = Executa({"--once"});
  EXPECT_TRUE(status == 0 || status == 1 || status == 3) << status;
  std::string log = TextoLog();
  EXPECT_NE(log.find("\timportacao\t"), std::string::npos) << log;
  EXPECT_NE(log.find("\tconciliacao\t"), std::string::npos) << log;
}

TEST_F(ClhostTest, TerminationSignalEndsTheLoopCleanly) {
  pid_t pid = Inicia({"--intervalo-ms", "50"});
  // Let it run a few cycles before asking it to stop.
  for (int i = 0; i < 100 && TextoLog().find("OnRun") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  EXPECT_EQ(cl_teste_host::EsperaClhost(pid), 0);
  std::string log = TextoLog();
  EXPECT_NE(log.find("host encerrado"), std::string::npos) << log;
}

}  // namespace
