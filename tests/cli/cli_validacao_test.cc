#include "cli/cli_teste_util.h"
#include "cli/zq_cli_validacao.h"
#include "frame/zq_mensagens.h"
#include "frame/zq_relogio.h"
#include "support/ambiente.h"

namespace {

using namespace cl_teste_cli;

// The cases are built before the message library is reachable: a case names the
// catalogue's text by its code, and the test looks it up when it runs.
const std::string kCatalogo = "catálogo:";
std::string Mensagem(long codigo) { return kCatalogo + std::to_string(codigo); }
std::string Esperado(const std::string& texto) {
  if (texto.rfind(kCatalogo, 0) != 0) return texto;
  return ZQGetMensagem(std::stoul(texto.substr(kCatalogo.size())), "CL");
}

// The sample company in a store of its own; the clock at 20/11/2026.
class ClValidacaoTest : public ClEmpresaTest {
 protected:
  zq_teste::ComBiblioteca m_biblioteca;
  CZQRelogioFixo m_relogio{CZQDma(20, 11, 2026), zq::MontaHms(9, 0, 0)};
  CZQTrocaRelogio m_troca{m_relogio};
};

struct CasoValidacao {
  const char* nome;
  const char* argumentos;  // as Palavras reads them; "{amostra}" is kAmostra
  int codigo;
  std::string texto;         // the output's line (0 and refusals) or a piece of the error stream
  std::string arquivo = {};  // written to {pasta}/config.json and given with --file
};

void PrintTo(const CasoValidacao& c, std::ostream* os) { *os << c.nome; }

class ComandoValidacaoTest : public ClValidacaoTest, public ::testing::WithParamInterface<CasoValidacao> {};

TEST_P(ComandoValidacaoTest, AnswersAsTheScreenWould) {
  const CasoValidacao& c = GetParam();
  std::vector<std::string> argumentos = Palavras(c.argumentos);
  for (std::string& a : argumentos) a = a == "{amostra}" ? kAmostra : a;
  if (!c.arquivo.empty()) {
    zq_teste::EscreveArquivo(m_pasta.Arquivo("config.json"), c.arquivo);
    argumentos.insert(argumentos.end(), {"--file", "{pasta}/config.json"});
  }
  const Resultado s = Roda(argumentos);
  EXPECT_EQ(s.codigo, c.codigo) << s.saida << s.erros;
  if (c.codigo == 0 || c.codigo == ZQ_CL_SAIDA_RECUSA) {
    EXPECT_EQ(s.saida, Esperado(c.texto) + "\n") << s.erros;
    EXPECT_EQ(s.erros, "");
  } else {
    EXPECT_NE(s.erros.find(c.texto), std::string::npos) << s.erros;
    EXPECT_EQ(s.saida, "");
  }
}

const std::string kValido = "Pedido de importação válido.";
const std::string kConciliacaoValida = "Configuração do serviço de conciliação válida: ";
const std::string kCompartilhada =
    R"({"filial": 1, "frequencia": 2, "contas": [111, 113]}, {"filial": 2, "frequencia": 2, "contas": [113]})";

INSTANTIATE_TEST_SUITE_P(
    Casos, ComandoValidacaoTest,
    ::testing::Values(
        CasoValidacao{"online_banco_do_brasil", "validate-import --account 113 --from 13/11/2026 --to 20/11/2026", 0,
                      kValido},
        CasoValidacao{"end_tomorrow", "validate-import --account 113 --from 13/11/2026 --to 21/11/2026",
                      ZQ_CL_SAIDA_RECUSA, Mensagem(5900)},
        CasoValidacao{"empty_start", "validate-import --account 113 --from ~ --to 20/11/2026", ZQ_CL_SAIDA_RECUSA,
                      Mensagem(5807)},
        CasoValidacao{"file_without_layout",
                      "validate-import --account 113 --from 13/11/2026 --to 20/11/2026 --file /tmp/x.csv",
                      ZQ_CL_SAIDA_RECUSA, Mensagem(5825)},
        CasoValidacao{"layout_by_position_without_file",
                      "validate-import --account 113 --from 13/11/2026 --to 20/11/2026 --layout 2", ZQ_CL_SAIDA_RECUSA,
                      Mensagem(5827)},
        CasoValidacao{"file_without_account_separator_7",
                      "validate-import --layout 3 --file /tmp/x.ret --from 13/11/2026 --to 20/11/2026", 0, kValido},
        CasoValidacao{"online_by_layout_name",
                      "validate-import --account 111 --layout Importação_Online --from 01/11/2026 --to 20/11/2026", 0,
                      kValido},
        CasoValidacao{"account_not_in_the_chart", "validate-import --account 999 --from 13/11/2026 --to 20/11/2026", 2,
                      "a conta 999 não está no plano"},
        CasoValidacao{"unreadable_date", "validate-import --account 113 --from 13/13/2026 --to 20/11/2026", 2,
                      "--from"},
        CasoValidacao{"dates_required", "validate-import --account 113", 2, "--from"},
        CasoValidacao{"import_stored", "validate-config importacao", 0,
                      "Configuração do serviço de importação válida: 2 regras, 3 contas."},
        CasoValidacao{"company_file", "validate-config importacao --file {amostra}", 0,
                      "Configuração do serviço de importação válida: 2 regras, 3 contas."},
        CasoValidacao{"empty_list", "validate-config importacao", 0,
                      "Configuração do serviço de importação válida: 0 regras, 0 contas.", R"({"regras": []})"},
        CasoValidacao{
            "shared_account", "validate-config importacao", ZQ_CL_SAIDA_RECUSA,
            "A conta bancária 1.1.2.03 foi informada mais de uma vez nas regras de execução do serviço.\nCada conta bancária pode constar em uma única regra, uma única vez.",
            R"({"regras": [{"filial": 1, "frequencia": 1, "hora_execucao": "07:30:00", "contas": [111, 113]},
                                     {"filial": 2, "frequencia": 2, "contas": [113]}]})"},
        CasoValidacao{"not_a_bank_account", "validate-config importacao", ZQ_CL_SAIDA_RECUSA,
                      "A conta 1.1.1.01 não é uma conta bancária.",
                      R"({"regras": [{"filial": 1, "frequencia": 2, "contas": [101]}]})"},
        CasoValidacao{"not_json", "validate-config importacao", 2, "não é um documento JSON", "{\"regras\": ["},
        CasoValidacao{"misspelt_field", "validate-config importacao", 2, "regras[0].conta: campo desconhecido",
                      R"({"regras": [{"filial": 1, "frequencia": 2, "conta": [111]}]})"},
        CasoValidacao{"account_out_of_range", "validate-config importacao", 2, "regras[0].contas[1]",
                      R"({"regras": [{"filial": 1, "frequencia": 2, "contas": [111, -3]}]})"},
        CasoValidacao{"bad_time", "validate-config importacao", 2, "regras[0].hora_execucao",
                      R"({"regras": [{"filial": 1, "frequencia": 1, "hora_execucao": "25:00:00", "contas": [111]}]})"},
        CasoValidacao{"no_rule_list", "validate-config importacao", 2, "regras: falta a lista de regras",
                      R"({"rules": []})"},
        CasoValidacao{"missing_file", "validate-config importacao --file {pasta}/nada.json", 2, "não foi possível ler"},
        CasoValidacao{"other_service", "validate-config pagamentos", 2, "pagamentos"},
        CasoValidacao{"reconciliation_stored", "validate-config conciliacao", 0,
                      kConciliacaoValida + "2 regras, 4 contas."},
        CasoValidacao{"branch_before_a_cash_account", "validate-config conciliacao", ZQ_CL_SAIDA_RECUSA, Mensagem(5893),
                      R"({"regras": [{"filial": 0, "frequencia": 2, "contas": [101]}]})"},
        // The company file's own section is read, not the import service's.
        CasoValidacao{"section_of_a_company_file", "validate-config conciliacao", ZQ_CL_SAIDA_RECUSA,
                      "A conta bancária 1.1.2.03 foi informada mais de uma vez nas regras de execução do serviço.\n"
                      "Cada conta bancária pode constar em uma única regra, uma única vez.",
                      R"({"configuracao_importacao": {"regras": []}, "configuracao_conciliacao": {"regras": [)" +
                          kCompartilhada + "]}}"},
        CasoValidacao{"reconciliation_account_not_in_the_chart", "validate-config conciliacao", 1, "999",
                      R"({"regras": [{"filial": 1, "frequencia": 2, "contas": [999]}]})"}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
