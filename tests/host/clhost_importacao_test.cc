// clhost's import service over the sample company in test mode.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "host/clhost_processo.h"
#include "support/empresa_tavorin.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

class ClhostImportacaoTest : public cl_teste_host::ClhostPastaTest {
 protected:
  pid_t Inicia(std::vector<std::string> argumentos) {
    for (const char* a : {"--servico", "importacao", "--empresa", "EXEMPLO"}) argumentos.push_back(a);
    return cl_teste_host::IniciaClhost(m_dir, std::move(argumentos), Log());
  }
  static int Espera(pid_t pid) { return cl_teste_host::EsperaClhost(pid); }
};

TEST_F(ClhostImportacaoTest, OnceImportsTheSampleCompanyInTestMode) {
  CarregaEmpresa(zq_teste::AmostraEmpresa());
  // A Friday after 07:30: the head office's daily rule (111, 113) and Campinas' (114).
  const std::vector<std::string> argumentos{"--once", "--agora", "04/12/2026 09:00:00"};
  ASSERT_EQ(Espera(Inicia(argumentos)), 0) << TextoLog();

  for (auto [conta, linhas] : {std::pair{111, 8}, {113, 7}, {114, 7}, {112, 0}})
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conta = " + std::to_string(conta)), linhas) << conta;
  EXPECT_EQ(Escalar("SELECT SUM(valor) FROM extrato WHERE conta = 111 AND natureza = '+'"),
            (150000 + 832045 + 5210 + 98000) * 100LL);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conta = 113 AND hist_bco LIKE 'SALDO%'"), 0);
  EXPECT_EQ(
      Escalar("SELECT COUNT(*) FROM execucao_importacao WHERE data = " + std::to_string(CZQDma(4, 12, 2026).GetDma())),
      1);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_importacao_conta WHERE tipo_status = 1"
                    " AND mensagem = 'O serviço foi executado com sucesso.'"),
            3);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM evento_analytics WHERE evento = 34"), 3);
  EXPECT_NE(TextoLog().find("OnRun: 0, 3 conta(s)"), std::string::npos) << TextoLog();

  // Again the same day: only the every-poll rule, whose lines are all known already.
  ASSERT_EQ(Espera(Inicia(argumentos)), 0) << TextoLog();
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato"), 22);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_importacao"), 2);

  // On Saturday nothing of the head office is due, and Campinas' rule has its lines.
  ASSERT_EQ(Espera(Inicia({"--once", "--agora", "05/12/2026 09:00:00"})), 0) << TextoLog();
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_importacao_conta WHERE conta = 111"), 1);
}

TEST_F(ClhostImportacaoTest, NothingDueExitsWithThree) {
  CarregaEmpresa(zq_teste::AmostraEmpresa());
  m_banco->Sessao() << "DELETE FROM config_importacao_conta";
  m_banco->Sessao() << "DELETE FROM config_importacao_regra";
  EXPECT_EQ(Espera(Inicia({"--once", "--agora", "04/12/2026 09:00:00"})), 3) << TextoLog();
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_importacao"), 0);
}

TEST_F(ClhostImportacaoTest, TerminationDuringALongCycleFinishesItAndExitsCleanly) {
  // Many Tavorin accounts of the head office, each with a long statement.
  constexpr int kContas = 60;
  constexpr int kLinhas = 250;
  json contas;
  json empresa = zq_teste::EmpresaTavorin(zq_teste::AmostraEmpresa(), 20001, kContas, contas);
  json regra =
      json::parse(R"({"filial": 1, "frequencia": 2, "hora_execucao": "00:00:00", "apenas_dias_uteis": false})");
  regra["contas"] = contas;
  empresa["configuracao_importacao"]["regras"] = json::array({regra});
  const fs::path arquivo = m_dir / "empresa.json";
  std::ofstream(arquivo) << empresa.dump();
  CarregaEmpresa(arquivo);

  std::string ofx = "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\nCHARSET:1252\n\n<OFX>\n<BANKTRANLIST>\n";
  for (int i = 0; i < kLinhas; ++i) {
    ofx += "<STMTTRN>\n<TRNTYPE>CREDIT\n<DTPOSTED>2026120" + std::to_string(1 + i % 4) + "\n<TRNAMT>" +
           std::to_string(10 + i) + ".50\n<FITID>" + std::to_string(i) + "\n<CHECKNUM>" + std::to_string(7000 + i) +
           "\n<MEMO>PIX RECEBIDO CLIENTE " + std::to_string(i) + "\n</STMTTRN>\n";
  }
  ofx += "</BANKTRANLIST>\n</OFX>\n";
  std::ofstream(m_dir / "MockExtratoTavorin.ofx", std::ios::trunc) << ofx;

  pid_t pid = Inicia({"--intervalo-ms", "600000", "--agora", "04/12/2026 09:00:00"});
  // Ask it to stop once the cycle is under way.
  bool comecou = false;
  for (int i = 0; i < 1500 && !comecou; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    comecou = Escalar("SELECT COUNT(*) FROM extrato WHERE conta >= 20001") > 0;
  }
  ASSERT_TRUE(comecou) << TextoLog();
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  EXPECT_EQ(Espera(pid), 0) << TextoLog();
  const std::string log = TextoLog();
  EXPECT_NE(log.find("host encerrado"), std::string::npos) << log;
  // The cycle under way was finished, not cut: every account imported and recorded.
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE conta >= 20001"), 1LL * kContas * kLinhas);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_importacao_conta WHERE tipo_status = 1"), kContas);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_importacao"), 1);
}

}  // namespace
