#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"
#include "support/armazem.h"

namespace {

using json = nlohmann::json;

const std::string& kAmostra = zq_teste::AmostraEmpresa();

json Amostra() { return json::parse(zq_teste::LeArquivo(kAmostra)); }

// Everything the master tables hold, as one text, to tell whether a load changed anything.
std::string Retrato(CZQBancoSQL& banco) {
  std::string r;
  std::istringstream tabelas(
      "empresa filial feriado_filial plano_empresarial plano_gerencial banco leiaute leiaute_colunas mestre_cl"
      " mestre_empresa mestre_financeiro periodo_contabil forma_pagamento historico regra_lancamento config_servico"
      " config_importacao_regra config_importacao_conta config_conciliacao_regra config_conciliacao_conta extrato");
  for (std::string tabela; tabelas >> tabela;) {
    r += "#" + tabela + "\n";
    soci::rowset<soci::row> linhas = (banco.Sessao().prepare << "SELECT * FROM " + tabela);
    for (const soci::row& linha : linhas) {
      for (std::size_t i = 0; i < linha.size(); ++i) {
        const bool nulo = linha.get_indicator(i) == soci::i_null;
        const bool texto = !nulo && linha.get_properties(i).get_data_type() == soci::dt_string;
        r += (nulo ? "null" : texto ? linha.get<std::string>(i) : std::to_string(linha.get<long long>(i))) + "|";
      }
      r += "\n";
    }
  }
  return r;
}

using ArquivoEmpresaTest = zq_teste::ArmazemVazioTest;

TEST_F(ArquivoEmpresaTest, SampleCompanyLoads) {
  CZQDadosDF_Erro erro;
  ZQProblemaArquivoEmpresa problema;
  ASSERT_EQ(ZQCarregaArquivoEmpresa(*m_banco, kAmostra, erro, &problema), S_OK)
      << problema.campo << ": " << problema.mensagem << " / " << erro.GetTextoMostraMensagem().c_str();
  EXPECT_FALSE(erro.TemErro());
  // The masters, the rules in the file's order and the configurations are read back
  // field by field by the store's own tests (cadastros_sql_test, conciliacao_sql_test).
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM filial"), 2);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM banco"), 4);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM banco WHERE integrar_com_terceiro = 1"), 2);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM banco WHERE integrar_com_terceiro = 2"), 2);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM plano_empresarial WHERE tipo_banco = 'S'"), 4);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM config_conciliacao_conta"), 4);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM regra_lancamento WHERE agrupa = 'A'"), 2);
}

TEST_F(ArquivoEmpresaTest, ReloadReplacesMasterDataAndKeepsStatements) {
  CZQDadosDF_Erro erro;
  ASSERT_EQ(ZQCarregaArquivoEmpresa(*m_banco, kAmostra, erro), S_OK);
  m_banco->Sessao()
      << "INSERT INTO extrato (posicao, conta, filial, documento, valor, natureza, hist_bco,"
         " codigo_mvto_bco, dma_extrato, dma_importacao, conciliado, tipo_conciliacao, numero_conciliacao)"
         " VALUES (1, 111, 1, 10, 500, '+', 'PIX RECEBIDO', '', 65000, 65000, 'N', '', 0)";
  const std::string antes = Retrato(*m_banco);

  ASSERT_EQ(ZQCarregaArquivoEmpresa(*m_banco, kAmostra, erro), S_OK);
  EXPECT_EQ(Retrato(*m_banco), antes) << "loading the same file twice is not idempotent";

  json menor = Amostra();
  menor["regras_lancamento"].erase(menor["regras_lancamento"].begin() + 1, menor["regras_lancamento"].end());
  menor["empresa"]["nome"] = "Outro nome";
  ASSERT_EQ(ZQCarregaDocumentoEmpresa(*m_banco, menor.dump(), erro), S_OK);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM regra_lancamento"), 1);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM empresa"), 1);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato"), 1);
}

struct DocumentoRuim {
  const char* nome;
  std::function<std::string()> documento;
  const char* campo;
  const char* trecho;
};

// The sample with the value at `caminho` (a JSON pointer) replaced, or taken out.
std::function<std::string()> Troca(const std::string& caminho, json valor) {
  return [=] {
    json d = Amostra();
    d[json::json_pointer(caminho)] = valor;
    return d.dump(2);
  };
}
std::function<std::string()> Remove(const std::string& caminho) {
  return [=] {
    json d = Amostra();
    const json::json_pointer p(caminho);
    d[p.parent_pointer()].erase(p.back());
    return d.dump(2);
  };
}

class DocumentoRuimTest : public zq_teste::ArmazemTest, public ::testing::WithParamInterface<DocumentoRuim> {};

TEST_P(DocumentoRuimTest, NamesTheFieldAndChangesNothing) {
  const DocumentoRuim& caso = GetParam();
  CZQDadosDF_Erro erro;
  const std::string antes = Retrato(*m_banco);
  ASSERT_NE(antes.find("Comercial Exemplo"), std::string::npos);

  ZQProblemaArquivoEmpresa problema;
  EXPECT_EQ(ZQCarregaDocumentoEmpresa(*m_banco, caso.documento(), erro, &problema), ZQ_E_SQL_INVALIDO);
  EXPECT_EQ(problema.campo, caso.campo) << problema.mensagem;
  EXPECT_NE(problema.mensagem.find(caso.trecho), std::string::npos) << problema.mensagem;
  EXPECT_EQ(erro.GetHR(), ZQ_E_SQL_INVALIDO);
  const std::string texto = erro.GetTextoMostraMensagem().c_str();
  EXPECT_EQ(texto.rfind("Arquivo da empresa inválido: ", 0), 0u) << texto;
  EXPECT_NE(texto.find(caso.campo), std::string::npos) << texto;
  EXPECT_EQ(Retrato(*m_banco), antes) << "a refused document changed the store";

  ZQProblemaArquivoEmpresa soVerificado;
  EXPECT_EQ(ZQVerificaDocumentoEmpresa(caso.documento(), soVerificado), ZQ_E_SQL_INVALIDO);
  EXPECT_EQ(soVerificado.campo, caso.campo);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, DocumentoRuimTest,
    ::testing::Values(
        DocumentoRuim{"NotJson", [] { return std::string("{\n  \"formato\": 1,\n  \"empresa\": \n"); }, "", "linha 4"},
        DocumentoRuim{"RootIsAList", [] { return std::string("[]"); }, "(documento)", "objeto"},
        // A number beyond any numeric type, anywhere in the text: refused, not thrown out.
        DocumentoRuim{"NumberBeyondAnyType",
                      [] {
                        std::string d = Amostra().dump(2);
                        const size_t p = d.find("\"ponteiro\": ") + 13;
                        return d.insert(p, "88000000000000000000e888888");
                      },
                      "", "fora do intervalo"},
        DocumentoRuim{"UnknownSection", Troca("/filais", json::array()), "filais", "desconhecido"},
        DocumentoRuim{"MissingCompany", Remove("/empresa"), "empresa", "obrigatório"},
        DocumentoRuim{"OtherFormat", Troca("/formato", 2), "formato", "intervalo"},
        DocumentoRuim{"CompanyNameNotText", Troca("/empresa/nome", 5), "empresa.nome", "texto"},
        DocumentoRuim{"CompanyCodeEmpty", Troca("/empresa/codigo", ""), "empresa.codigo", "vazio"},
        DocumentoRuim{"NoBranch", Troca("/filiais", json::array()), "filiais", "filial"},
        DocumentoRuim{"BranchPointerRepeated", Troca("/filiais/1/ponteiro", 1), "filiais[1].ponteiro", "filiais[0]"},
        DocumentoRuim{"BranchPointerTooBig", Troca("/filiais/0/ponteiro", 70000), "filiais[0].ponteiro", "65535"},
        DocumentoRuim{"HolidayNotADay", Troca("/filiais/0/feriados/3/data", "31/02/2026"),
                      "filiais[0].feriados[3].data", "DD/MM/AAAA"},
        DocumentoRuim{"HolidayTwice", Troca("/filiais/1/feriados/2/data", "01/01/2026"), "filiais[1].feriados[2].data",
                      "repetido"},
        DocumentoRuim{"BankKindOutOfRange", Troca("/plano_contas/1/banco/integrar_com_terceiro", 300),
                      "plano_contas[1].banco.integrar_com_terceiro", "intervalo"},
        DocumentoRuim{"BankWithoutAgency", Remove("/plano_contas/3/banco/agencia"), "plano_contas[3].banco.agencia",
                      "obrigatório"},
        DocumentoRuim{"BankKeyMisspelt", Troca("/plano_contas/2/banco/agencai", "1"), "plano_contas[2].banco.agencai",
                      "desconhecido"},
        DocumentoRuim{"FileLayoutNotStored", Troca("/plano_contas/1/banco/leiaute_arquivo", 99),
                      "plano_contas[1].banco.leiaute_arquivo", "não está cadastrado"},
        DocumentoRuim{"FileLayoutOfCnab", Troca("/plano_contas/1/banco/leiaute_arquivo", 3),
                      "plano_contas[1].banco.leiaute_arquivo", "OFX (3)"},
        DocumentoRuim{"BankAccountWithoutBank", Troca("/plano_contas/0/tipo_banco", "S"), "plano_contas[0].banco",
                      "dados do banco"},
        DocumentoRuim{"AccountTypeTwoLetters", Troca("/plano_contas/5/tipo", "AS"), "plano_contas[5].tipo",
                      "único caractere"},
        DocumentoRuim{"BankFlagUnknown", Troca("/plano_contas/0/tipo_banco", "X"), "plano_contas[0].tipo_banco",
                      "\"S\", \"N\""},
        DocumentoRuim{"AccountRepeated", Troca("/plano_contas/5/ponteiro", 111), "plano_contas[5].ponteiro",
                      "plano_contas[1]"},
        DocumentoRuim{"InactiveNotBoolean", Troca("/plano_gerencial/0/inativa", "sim"), "plano_gerencial[0].inativa",
                      "true ou false"},
        DocumentoRuim{"ManagementPointerNegative", Troca("/plano_gerencial/0/ponteiro", -1),
                      "plano_gerencial[0].ponteiro", "intervalo"},
        DocumentoRuim{"HugeNumber", Troca("/plano_contas/1/banco/numero_banco", 18446744073709551615ull),
                      "plano_contas[1].banco.numero_banco", "intervalo"},
        DocumentoRuim{"FractionalNumber", Troca("/leiautes/1/separador", 1.5), "leiautes[1].separador", "inteiro"},
        DocumentoRuim{"ColumnsKeyMisspelt", Troca("/leiautes/1/colunas/histrico", 2), "leiautes[1].colunas.histrico",
                      "desconhecido"},
        DocumentoRuim{"ColumnsWithoutDate", Remove("/leiautes/1/colunas/data"), "leiautes[1].colunas.data",
                      "obrigatório"},
        DocumentoRuim{"TwoRolesOneColumn", Troca("/leiautes/1/colunas/documento", 2), "leiautes[1].colunas.historico",
                      "documento"},
        DocumentoRuim{"AmountTwice", Troca("/leiautes/1/colunas/credito", 5), "leiautes[1].colunas.credito", "duas"},
        DocumentoRuim{"DebitWithoutCredit", Troca("/leiautes/1/colunas", json{{"data", 1}, {"debito", 2}}),
                      "leiautes[1].colunas.valor", "credito e debito"},
        DocumentoRuim{"FlagWithoutAmount",
                      Troca("/leiautes/1/colunas", json{{"data", 1}, {"credito", 2}, {"debito", 3}, {"dc", 4}}),
                      "leiautes[1].colunas.dc", "valor"},
        DocumentoRuim{"AccountColumnWithoutSeparator7", Troca("/leiautes/1/colunas/conta", 9),
                      "leiautes[1].colunas.conta", "separador 7"},
        DocumentoRuim{"DateFormatWithoutYear", Troca("/leiautes/1/colunas/formato_data", "DD/MM"),
                      "leiautes[1].colunas.formato_data", "AAAA"},
        DocumentoRuim{"DelimiterIsAQuote", Troca("/leiautes/1/colunas/delimitador", "\""),
                      "leiautes[1].colunas.delimitador", "tabulação"},
        DocumentoRuim{"ColumnsOnAnOfxLayout", Troca("/leiautes/3/colunas", json{{"data", 1}, {"valor", 2}}),
                      "leiautes[3].colunas", "tipo_arquivo 1"},
        DocumentoRuim{"LockDateAsNumber", Troca("/mestre/data_bloqueio_movimentacao", 20261031),
                      "mestre.data_bloqueio_movimentacao", "DD/MM/AAAA"},
        DocumentoRuim{"PeriodInverted", Troca("/periodo_contabil/data_superior_movimentacao", "31/12/2025"),
                      "periodo_contabil.data_superior_movimentacao", "anterior"},
        DocumentoRuim{"BlockedMonthInvalid", Troca("/periodo_contabil/mes_bloqueio", "13/2026"),
                      "periodo_contabil.mes_bloqueio", "MM/AAAA"},
        DocumentoRuim{"PaymentFormRepeated", Troca("/formas_pagamento/4/posicao", 2), "formas_pagamento[4].posicao",
                      "repetido"},
        DocumentoRuim{"RuleCodeTooLong", Troca("/regras_lancamento/0/codigo_mvto_bco", "12345"),
                      "regras_lancamento[0].codigo_mvto_bco", "4 bytes"},
        DocumentoRuim{"RuleHistoryTooLong", Troca("/regras_lancamento/5/historico_bco", std::string(62, 'H')),
                      "regras_lancamento[5].historico_bco", "61 bytes"},
        DocumentoRuim{"RuleTextWithNul", Troca("/regras_lancamento/5/historico_bco", std::string("PIX\0X", 5)),
                      "regras_lancamento[5].historico_bco", "nulo"},
        DocumentoRuim{"RuleWithoutCodeOrHistory", Remove("/regras_lancamento/1/historico_bco"),
                      "regras_lancamento[1].historico_bco", "código de movimento"},
        DocumentoRuim{"RuleAccountNotABank", Troca("/regras_lancamento/1/conta", 101), "regras_lancamento[1].conta",
                      "não é uma conta bancária"},
        DocumentoRuim{"RuleCounterpartUnknown", Troca("/regras_lancamento/2/conta_contrapartida", 999),
                      "regras_lancamento[2].conta_contrapartida", "999"},
        DocumentoRuim{"RuleHistoryUnknown", Troca("/regras_lancamento/3/historico", 77),
                      "regras_lancamento[3].historico", "77"},
        DocumentoRuim{"RulePaymentFormUnknown", Troca("/regras_lancamento/6/forma_pagamento_saida", 9),
                      "regras_lancamento[6].forma_pagamento_saida", "9"},
        DocumentoRuim{"RuleComplementOutOfRange", Troca("/regras_lancamento/4/compl_historico", 11),
                      "regras_lancamento[4].compl_historico", "0 a 10"},
        DocumentoRuim{"RuleWithoutTransaction", Remove("/regras_lancamento/7/transacao"),
                      "regras_lancamento[7].transacao", "obrigatório"},
        DocumentoRuim{"ImportAccountUnknown", Troca("/configuracao_importacao/regras/0/contas/1", 999),
                      "configuracao_importacao.regras[0].contas[1]", "999"},
        DocumentoRuim{"ReconciliationAccountNotABank", Troca("/configuracao_conciliacao/regras/1/contas/0", 201),
                      "configuracao_conciliacao.regras[1].contas[0]", "não é uma conta bancária"},
        DocumentoRuim{"ConfigurationBranchUnknown", Troca("/configuracao_conciliacao/regras/0/filial", 9),
                      "configuracao_conciliacao.regras[0].filial", "9"},
        DocumentoRuim{"ConfigurationTimeInvalid", Troca("/configuracao_importacao/regras/0/hora_execucao", "25:00:00"),
                      "configuracao_importacao.regras[0].hora_execucao", "HH:MM:SS"},
        DocumentoRuim{"ConfigurationAccountNotANumber", Troca("/configuracao_importacao/regras/1/contas/0", "114"),
                      "configuracao_importacao.regras[1].contas[0]", "ponteiro"},
        DocumentoRuim{"ConfigurationRulesNotAList", Troca("/configuracao_importacao/regras", json::object()),
                      "configuracao_importacao.regras", "lista"}),
    [](const auto& info) { return info.param.nome; });

TEST_F(ArquivoEmpresaTest, MissingFileIsRefused) {
  CZQDadosDF_Erro erro;
  ZQProblemaArquivoEmpresa problema;
  EXPECT_EQ(ZQCarregaArquivoEmpresa(*m_banco, m_pasta.Arquivo("nao-existe.json"), erro, &problema), ZQ_E_SQL_NAO_ABRE);
  EXPECT_NE(problema.mensagem.find("nao-existe.json"), std::string::npos);
  EXPECT_EQ(erro.GetHR(), ZQ_E_SQL_NAO_ABRE);
}

TEST_F(ArquivoEmpresaTest, ReadOnlyStoreReportsTheDatabaseFailure) {
  m_hub.reset();
  m_banco = zq_teste::AbreBanco(Conexao() + "?modo=leitura");
  ASSERT_TRUE(m_banco);
  CZQDadosDF_Erro erro;
  EXPECT_EQ(ZQCarregaArquivoEmpresa(*m_banco, kAmostra, erro), ZQ_E_SQL_SOMENTE_LEITURA);
  EXPECT_EQ(std::string(erro.GetTextoMostraMensagem().c_str()).rfind("Falha em CarregaArquivoEmpresa: ", 0), 0u);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM empresa"), 0);
  EXPECT_FALSE(m_banco->EmTransacao());
}

struct TextoData {
  const char* texto;
  bool aceito;
  int dia, mes, ano;
};

class TextoDataTest : public ::testing::TestWithParam<TextoData> {};

TEST_P(TextoDataTest, ReadsOnlyWholeExistingDays) {
  const TextoData& c = GetParam();
  REG_ZQDMA data = 12345;
  EXPECT_EQ(ZQLeDataTexto(c.texto, data), c.aceito);
  if (!c.aceito) return;
  if (c.dia == 0) {
    EXPECT_EQ(data, 0u);
    return;
  }
  EXPECT_EQ(data, CZQDma(c.dia, c.mes, c.ano).GetDma());
  EXPECT_EQ(ZQDataTexto(data), c.texto);
}

INSTANTIATE_TEST_SUITE_P(
    Textos, TextoDataTest,
    ::testing::Values(TextoData{"05/12/2026", true, 5, 12, 2026}, TextoData{"29/02/2024", true, 29, 2, 2024},
                      TextoData{"01/01/1848", true, 1, 1, 1848}, TextoData{"31/12/4717", true, 31, 12, 4717},
                      TextoData{"", true, 0, 0, 0}, TextoData{"29/02/2026", false, 0, 0, 0},
                      TextoData{"31/04/2026", false, 0, 0, 0}, TextoData{"00/01/2026", false, 0, 0, 0},
                      TextoData{"01/13/2026", false, 0, 0, 0}, TextoData{"31/12/1847", false, 0, 0, 0},
                      TextoData{"5/12/2026", false, 0, 0, 0}, TextoData{"05/12/26", false, 0, 0, 0},
                      TextoData{"2026-12-05", false, 0, 0, 0}, TextoData{"05-12-2026", false, 0, 0, 0},
                      TextoData{"05/12/2026 ", false, 0, 0, 0}));

TEST(TextoHoraTest, TimesOfDayAndMonths) {
  REG_ZQHMS hms = -1;
  EXPECT_TRUE(ZQLeHoraTexto("00:00:00", hms));
  EXPECT_EQ(hms, 0);
  EXPECT_TRUE(ZQLeHoraTexto("23:59:59", hms));
  EXPECT_EQ(hms, 86399);
  EXPECT_FALSE(ZQLeHoraTexto("24:00:00", hms));
  EXPECT_FALSE(ZQLeHoraTexto("12:60:00", hms));
  EXPECT_FALSE(ZQLeHoraTexto("8:00:00", hms));
  uint16_t mes = 1;
  EXPECT_TRUE(ZQLeMesTexto("", mes));
  EXPECT_EQ(mes, 0);
  EXPECT_TRUE(ZQLeMesTexto("02/2026", mes));
  EXPECT_EQ(mes, CZQMa(2, 2026).GetMa());
  EXPECT_FALSE(ZQLeMesTexto("00/2026", mes));
  EXPECT_FALSE(ZQLeMesTexto("2/2026", mes));
}

}  // namespace
