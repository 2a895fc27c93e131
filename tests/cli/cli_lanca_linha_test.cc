// cl post-line: one open line posted and reconciled by a rule given for it alone.
#include <map>

#include "cli/cli_teste_util.h"

namespace {

using namespace cl_teste_cli;

// The sample company (movement locked up to 31/10/2026, months up to 10/2026) with, on
// 111, the investment income of December and a line of October; on 113 a line of its own.
class ClLancaLinhaTest : public ClEmpresaTest {
 protected:
  void SetUp() override {
    ClEmpresaTest::SetUp();
    m_linhas = GravaLinhas({Linha(111, Dia(3, 12, 2026), 521000, '+', "REND APLIC", "", 106),
                            Linha(113, Dia(3, 12, 2026), 700000, '+', "OUTRA CONTA"),
                            Linha(111, Dia(15, 10, 2026), 90000, '+', "REND APLIC")});
  }

  // What a post-line writes, as counts and sums: equal before and after a refusal.
  std::string Figuras() {
    std::string f;
    for (const char* tabela : {"tesouraria", "integracao_origem", "log_conciliacao", "log_conciliacao_chave"})
      f += std::to_string(Escalar(std::string("SELECT COUNT(*) FROM ") + tabela)) + " ";
    return f + std::to_string(Escalar("SELECT SUM(numero_conciliacao) + SUM(conciliado = 'S') FROM extrato")) + " " +
           std::to_string(Escalar("SELECT COALESCE(SUM(ultimo_numero), 0) FROM numero_conciliacao"));
  }

  // The income line's options; `trocas` replaces some or adds others (a flag with "").
  Resultado Lanca(uint32_t linha, const std::map<std::string, std::string>& trocas = {}) {
    std::map<std::string, std::string> opcoes{
        {"--account", "111"},   {"--line", std::to_string(linha)}, {"--transaction", "1"}, {"--counter-account", "403"},
        {"--accounting", "43"}, {"--payment-form", "5"},           {"--history", "3"},     {"--user", "7"},
        {"--session", "42"}};
    for (const auto& [opcao, valor] : trocas) opcoes[opcao] = valor;
    std::vector<std::string> argumentos{"post-line"};
    for (const auto& [opcao, valor] : opcoes) {
      argumentos.push_back(opcao);
      if (!valor.empty()) argumentos.push_back(valor);
    }
    return Roda(argumentos);
  }

  std::vector<uint32_t> m_linhas;
};

TEST_F(ClLancaLinhaTest, PostsTheEntryAndReconcilesTheLineAsTheRunWould) {
  const long long regras = Escalar("SELECT COUNT(*) FROM regra_lancamento");
  Resultado r = Lanca(m_linhas[0], {{"--json", ""}});
  ASSERT_EQ(r.codigo, 0) << r.erros;
  // The account's first number; the entry the one just recorded.
  const std::string l = std::to_string(m_linhas[0]), e = std::to_string(Escalar("SELECT MAX(posicao) FROM tesouraria"));
  EXPECT_EQ(r.saida, "{\"account\":111,\"line\":" + l + ",\"number\":1,\"entry\":{\"position\":" + e +
                         ",\"date\":\"03/12/2026\",\"amount\":52.10,\"incoming_account\":111,\"outgoing_account\":403,"
                         "\"classification\":403,\"transaction\":1,\"payment_form\":5,\"accounting\":43,\"history\":3,"
                         "\"document\":\"106\"}}\n");
  // The entry on the bank side under the number, from the line, with its accounting part.
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM tesouraria WHERE posicao = " + e +
                    " AND valor = 521000 AND conciliado_ent = 'S' AND numero_conciliacao_ent = 1"),
            1);
  EXPECT_EQ(Escalar("SELECT origem / 256 FROM integracao_origem WHERE posicao_tesouraria = " + e), m_linhas[0]);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM integracao_contabil WHERE posicao_tesouraria = " + e), 1);
  // The line marked as the posting run marks it, the number saved, the log naming who.
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato WHERE posicao = " + l +
                    " AND conciliado = 'S' AND tipo_conciliacao = 'L' AND numero_conciliacao = 1"),
            1);
  EXPECT_EQ(Escalar("SELECT ultimo_numero FROM numero_conciliacao WHERE conta = 111"), 1);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM log_conciliacao g WHERE banco = 111 AND numero_conciliacao = 1 AND"
                    " tipo_conciliacao = 2 AND usuario = 7 AND sessao = 42 AND (SELECT GROUP_CONCAT(lado || posicao)"
                    " FROM log_conciliacao_chave k WHERE k.log = g.id) = 'E" +
                    l + ",T" + e + "'"),
            1);
  // The rule was used, not saved.
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM regra_lancamento"), regras);
}

// Each refusal exits with its code and reason and changes nothing.
struct CasoRecusa {
  const char* nome;
  int linha;  // index into the fixture's lines, -1 for one that does not exist
  std::map<std::string, std::string> trocas;
  int codigo;
  const char* texto;
  const char* preparo = "";  // SQL run first
  bool lancaAntes = false;   // the line posted first ...
  bool desfazAntes = false;  // ... and its number undone
};

class ClLancaLinhaRecusaTest : public ClLancaLinhaTest, public ::testing::WithParamInterface<CasoRecusa> {};

TEST_P(ClLancaLinhaRecusaTest, RefusesChangingNothing) {
  const CasoRecusa& c = GetParam();
  if (*c.preparo) Escalar(c.preparo);
  const uint32_t linha = c.linha < 0 ? 9999 : m_linhas[static_cast<std::size_t>(c.linha)];
  if (c.lancaAntes) {
    ASSERT_EQ(Lanca(linha).codigo, 0);
  }
  if (c.desfazAntes) {
    ASSERT_EQ(Roda({"unmatch", "--account", "111", "--number", "1", "--reason", "de novo"}).codigo, 0);
  }
  const std::string antes = Figuras();
  Resultado r = Lanca(linha, c.trocas);
  EXPECT_EQ(r.codigo, c.codigo) << r.saida << r.erros;
  EXPECT_NE(r.erros.find(c.texto), std::string::npos) << r.erros;
  EXPECT_EQ(r.saida, "");
  EXPECT_EQ(Figuras(), antes);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ClLancaLinhaRecusaTest,
    ::testing::Values(
        CasoRecusa{"Missing", -1, {}, 1, "A linha de extrato 9999 não existe."},
        CasoRecusa{"OfAnotherAccount", 1, {}, 1, "é da conta 113, não da conta 111."},
        CasoRecusa{"AlreadyReconciled", 0, {}, 1, "já está conciliada no número 1.", "", true},
        CasoRecusa{"MovementLocked", 2, {}, 1, "de 15/10/2026, está no período bloqueado (movimentação bloqueada até"},
        CasoRecusa{"MonthBlocked",
                   2,
                   {},
                   1,
                   "está num mês bloqueado (meses bloqueados até 10/2026)",
                   "UPDATE mestre_cl SET data_bloqueio_movimentacao = 0"},
        CasoRecusa{"UnknownCounterAccount", 0, {{"--counter-account", "999"}}, 2, "a conta 999 (--counter-account)"},
        CasoRecusa{"UnknownClassification", 0, {{"--classification", "998"}}, 2, "a conta 998 (--classification)"},
        CasoRecusa{"UnknownAccount", 0, {{"--account", "999"}}, 2, "999"},
        CasoRecusa{"OfAnotherBranch", 0, {{"--branch", "2"}}, 1, "é da filial 1, não da filial 2."},
        // A payment is money out: the credit rule has no payment form for it.
        CasoRecusa{"NoPaymentFormForTheDirection", 0, {{"--transaction", "2"}}, 1, "forma de pagamento para saídas"},
        CasoRecusa{"HistoryAskingForAComplement", 0, {{"--history", "10"}}, 1, "exige complemento"},
        CasoRecusa{"ClassificationUnusable", 0, {{"--classification", "901"}}, 1, "marcada como não utilizável"},
        // Undone, the line is open again but its entry stands: posting it again would double it.
        CasoRecusa{
            "IdenticalEntryInTheTreasury", 0, {}, 1, "a tesouraria já tem um lançamento idêntico", "", true, true}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
