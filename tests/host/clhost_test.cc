// Drives the clhost executable as a separate process.
#include <gtest/gtest.h>

#include <signal.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ClhostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char modelo[] = "/tmp/clhost_test_XXXXXX";
    ASSERT_NE(mkdtemp(modelo), nullptr);
    m_dir = modelo;
    m_log = (m_dir / "host.log").string();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(m_dir, ec);
  }

  pid_t Inicia(const std::vector<std::string>& argumentos) {
    pid_t pid = fork();
    if (pid == 0) {
      setenv("CL_LOCAL_ORBEL", m_dir.c_str(), 1);
      setenv("CL_BANCO", ("sqlite:" + (m_dir / "cl.db").string()).c_str(), 1);
      std::string exe = std::string(CL_TEST_BINARY_DIR) + "/clhost";
      std::vector<char*> argv{exe.data()};
      std::vector<std::string> copia = argumentos;
      copia.push_back("--log");
      copia.push_back(m_log);
      for (auto& a : copia) argv.push_back(a.data());
      argv.push_back(nullptr);
      int nulo = open("/dev/null", O_WRONLY);
      dup2(nulo, STDERR_FILENO);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
    return pid;
  }

  static int Espera(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  std::string Log() const {
    std::ifstream in(m_log);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path m_dir;
  std::string m_log;
};

TEST_F(ClhostTest, UnknownServiceIsAUsageError) {
  EXPECT_EQ(Espera(Inicia({"--once", "--servico", "contabilidade"})), 2);
}

TEST_F(ClhostTest, MissingLibraryIsAUsageError) {
  EXPECT_EQ(Espera(Inicia({"--once", "--biblioteca", (m_dir / "nao-existe.so").string()})), 2);
}

TEST_F(ClhostTest, OnceRunsEveryServiceAndLogsEachAnswer) {
  int status = Espera(Inicia({"--once"}));
  EXPECT_TRUE(status == 0 || status == 1 || status == 3) << status;
  std::string log = Log();
  EXPECT_NE(log.find("\timportacao\t"), std::string::npos) << log;
  EXPECT_NE(log.find("\tconciliacao\t"), std::string::npos) << log;
}

TEST_F(ClhostTest, TerminationSignalEndsTheLoopCleanly) {
  pid_t pid = Inicia({"--intervalo-ms", "50"});
  // Let it run a few cycles before asking it to stop.
  for (int i = 0; i < 100 && Log().find("OnRun") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  EXPECT_EQ(Espera(pid), 0);
  std::string log = Log();
  EXPECT_NE(log.find("host encerrado"), std::string::npos) << log;
}

}  // namespace
