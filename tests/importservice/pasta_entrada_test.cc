#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "importservice/cl_pasta_entrada.h"
#include "importservice/servico_teste_util.h"

namespace {

using namespace cl_servico_teste;

// Three lines the sample's semicolon layout (2) reads and one amount it does not.
const std::string kNovembro =
    "Data;Histórico;Documento;Valor\r\n"
    "16/11/2026;TARIFA PACOTE;5001;-59,90\r\n"
    "17/11/2026;PIX RECEBIDO;5002;R$ 3.250,00\r\n"
    "18/11/2026;PAGTO BOLETO;5003;-1.200,00\r\n"
    "18/11/2026;RENDIMENTO;5004;12,3X\r\n";
const std::string kOutroNovembro = "Data;Histórico;Documento;Valor\n19/11/2026;DARF;6001;-10,00\n";
const std::string kIlegivel = "Data;Histórico;Documento;Valor\n19/11/2026;X;1;abc\n20/11/2026;Y;2;--\n";

// A drop folder whose rename always fails, as on a folder that refuses writes.
class PastaSemMovimento : public CCLPastaEntrada {
 public:
  using CCLPastaEntrada::CCLPastaEntrada;

 protected:
  void Renomeia(const std::string&, const std::string&, std::error_code& ec) override {
    ec = std::make_error_code(std::errc::permission_denied);
  }
};

// Words of a text split at blanks.
std::vector<std::string> Palavras(const std::string& texto) {
  std::istringstream in(texto);
  std::vector<std::string> palavras;
  for (std::string p; in >> p;) palavras.push_back(p);
  return palavras;
}

struct CasoPasta {
  const char* nome;
  // "path:K" per file under the account's folder, K its content: N kNovembro, O
  // kOutroNovembro, I kIlegivel, R a report. A leading "~" writes it just now.
  const char* arquivos;
  int32_t leiaute;
  bool falhaMovimento;
  const char* depois;     // every file but the reports afterwards, in path order
  long long linhas;       // stored for the account
  const char* relatorio;  // the report of the last file moved holds this
  const char* log;        // the service's log holds this ("" = nothing logged)
};

class PastaEntradaTest : public ServicoImportacaoTest, public ::testing::WithParamInterface<CasoPasta> {
 protected:
  fs::path Pasta() const { return Instalacao() / "entrada" / "111"; }
};

TEST_P(PastaEntradaTest, EachFileEndsWhereItsImportSays) {
  const CasoPasta& caso = GetParam();
  Sql("UPDATE banco SET leiaute_arquivo = " + std::to_string(caso.leiaute) + " WHERE conta = 111");
  for (std::string arquivo : Palavras(caso.arquivos)) {
    const bool recente = arquivo[0] == '~';
    const char tipo = arquivo.back();
    const fs::path caminho = Pasta() / arquivo.substr(recente ? 1 : 0, arquivo.size() - (recente ? 3 : 2));
    fs::create_directories(caminho.parent_path());
    zq_teste::EscreveArquivo(caminho.string(), tipo == 'N'   ? kNovembro
                                               : tipo == 'O' ? kOutroNovembro
                                               : tipo == 'I' ? kIlegivel
                                                             : "-");
    if (!recente) fs::last_write_time(caminho, fs::file_time_type::clock::now() - std::chrono::minutes(1));
  }

  CZQDadosCL_FiltroImportacaoExtrato pedido;
  pedido.SetConta(111).SetFilial(1).SetVerificaDuplicidade(1).SetVerificaDocumento(1).SetVerificaValor(1);
  std::vector<std::string> log;
  auto registra = [&log](const CZQString& texto) { log.push_back(texto.str()); };
  PastaSemMovimento semMovimento(*m_servico, registra, (Instalacao() / "entrada").string());
  CCLPastaEntrada pasta(*m_servico, registra);
  const CCLResultadoPastaEntrada resultado = (caso.falhaMovimento ? semMovimento : pasta).Processa(pedido);

  std::vector<std::string> depois;
  for (const auto& e : fs::recursive_directory_iterator(Pasta())) {
    const std::string caminho = fs::relative(e.path(), Pasta()).string();
    if (!e.is_regular_file() || caminho.ends_with(CL_SUFIXO_RELATORIO)) continue;
    depois.push_back(caminho);
    // A file moved has its report beside it.
    if (caminho.find('/') != std::string::npos) {
      EXPECT_TRUE(fs::exists(e.path().string() + CL_SUFIXO_RELATORIO)) << caminho;
    }
  }
  std::sort(depois.begin(), depois.end());
  EXPECT_EQ(depois, Palavras(caso.depois));
  EXPECT_EQ(LinhasExtrato(111), caso.linhas);

  std::string relatorio;
  for (const CCLArquivoPastaEntrada& arquivo : resultado.arquivos) {
    if (arquivo.destino != CCLArquivoPastaEntrada::kFica)
      relatorio = zq_teste::LeArquivo(arquivo.caminho + CL_SUFIXO_RELATORIO);
  }
  EXPECT_NE(relatorio.find(caso.relatorio), std::string::npos) << relatorio;
  std::string registrado;
  for (const std::string& texto : log) registrado += texto + "\n";
  EXPECT_EQ(registrado.empty(), *caso.log == '\0') << registrado;
  EXPECT_NE(registrado.find(caso.log), std::string::npos) << registrado;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, PastaEntradaTest,
    ::testing::Values(
        CasoPasta{"Processed", "nov.csv:N", 2, false, "processados/nov.csv", 3,
                  "1 recusada(s), 0 sem valor ou de saldo.\r\nLinha 5: valor ilegível", ""},
        CasoPasta{"NothingReadableIsRejected", "ruim.csv:I", 2, false, "rejeitados/ruim.csv", 0,
                  "Linha 3: valor ilegível", ""},
        CasoPasta{"SameContentUnderAnotherName", "a.csv:N b.csv:N", 2, false, "processados/a.csv rejeitados/b.csv", 3,
                  "mesmo conteúdo do arquivo a.csv", ""},
        CasoPasta{"EarlierFileOfTheSameNameKept", "processados/nov.csv:O processados/nov.csv.relatorio.txt:R nov.csv:N",
                  2, false, "processados/nov-2.csv processados/nov.csv", 3, "3 linha(s) gravada(s)", ""},
        CasoPasta{"AccountWithoutLayout", "nov.csv:N", 0, false, "rejeitados/nov.csv", 0,
                  "A conta 111 não tem leiaute de arquivos", ""},
        CasoPasta{"FilesBeingWrittenWait", "nov.csv.part:N nov.tmp:N ~agora.csv:N", 2, false,
                  "agora.csv nov.csv.part nov.tmp", 0, "", ""},
        // The lines are stored and the file stays: the next cycle finds its content known.
        CasoPasta{"MoveFailsTheFileStays", "nov.csv:N", 2, true, "nov.csv", 3, "", "não pôde ser movido"}),
    [](const auto& info) { return std::string(info.param.nome); });

// kNovembro left in the account's folder a minute ago, ready to be taken.
fs::path DeixaNovembro(const fs::path& instalacao, uint32_t conta) {
  const fs::path caminho = instalacao / "entrada" / std::to_string(conta) / "nov.csv";
  fs::create_directories(caminho.parent_path());
  zq_teste::EscreveArquivo(caminho.string(), kNovembro);
  fs::last_write_time(caminho, fs::file_time_type::clock::now() - std::chrono::minutes(1));
  return caminho;
}

// The account's execution record says what became of its folder's files, and an account
// with no files is recorded as before.
TEST_F(ServicoImportacaoTest, DropFolderOutcomeIsTheAccountsRecord) {
  Sql("UPDATE banco SET leiaute_arquivo = 2 WHERE conta = 111");
  for (uint32_t conta : {111u, 113u}) DeixaNovembro(Instalacao(), conta);
  ASSERT_EQ(m_servico->OnRun(), S_OK);
  EXPECT_EQ(LinhasExtrato(111), 8 + 3);
  EXPECT_EQ(LinhasExtrato(113), 7);

  const auto execucoes = Execucoes();
  ASSERT_EQ(execucoes.size(), 1u);
  ASSERT_EQ(execucoes[0].GetQuantidadeRegras(), 3);
  const auto& regras = execucoes[0].GetListaRegras();
  EXPECT_EQ(regras[0].GetTipoStatus(), ZQ_STATUS_EXECUCAO_SUCESSO);
  EXPECT_EQ(regras[1].GetTipoStatus(), ZQ_STATUS_EXECUCAO_FALHA);
  EXPECT_NE(regras[1].GetMensagemStatus().str().find("A conta 113 não tem leiaute de arquivos"), std::string::npos)
      << regras[1].GetMensagemStatus().c_str();
  EXPECT_EQ(regras[2].GetTipoStatus(), ZQ_STATUS_EXECUCAO_SUCESSO);
  EXPECT_TRUE(fs::exists(Instalacao() / "entrada" / "113" / "rejeitados" / "nov.csv"));
}

struct CasoPastaSozinha {
  const char* nome;
  bool semConfiguracao;  // the import service's configuration emptied
  int hora;              // of Friday 04/12/2026
  uint32_t conta;        // gets kNovembro in its folder (unless vazia) and layout 2 (unless semLeiaute)
  bool vazia, semLeiaute, importadaAntes;                         // importadaAntes: an earlier run today imported it
  std::vector<CCLServicoImportacaoExtratos::PastaDevida> pastas;  // visited for the folder alone
  int gravadas;  // of the account's one entry in the run (-1: none, the file stays)
  uint32_t recusadas;
};

class PastaSozinhaTest : public ServicoImportacaoTest, public ::testing::WithParamInterface<CasoPastaSozinha> {};

TEST_P(PastaSozinhaTest, FoldersOfAccountsWithALayoutAreVisitedOnceEvenWithoutAnOnlineRule) {
  const CasoPastaSozinha& caso = GetParam();
  if (caso.semConfiguracao) Configura({});
  Relogio(4, 12, 2026, caso.hora, 0);
  if (caso.importadaAntes) GravaExecucao({{1, caso.conta, ZQ_STATUS_EXECUCAO_SUCESSO}});
  if (!caso.semLeiaute) Sql("UPDATE banco SET leiaute_arquivo = 2 WHERE conta = " + std::to_string(caso.conta));
  const fs::path arquivo = DeixaNovembro(Instalacao(), caso.conta);
  if (caso.vazia) fs::remove(arquivo);

  RegrasDevidas();  // due with no rule at all when a folder is
  EXPECT_EQ(m_servico->GetListaPastasDevidas(), caso.pastas);
  m_servico->OnRun();

  std::vector<CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra> entradas;
  const auto execucoes = Execucoes();
  for (std::size_t i = caso.importadaAntes ? 1 : 0; i < execucoes.size(); ++i)
    for (const auto& e : execucoes[i].GetListaRegras())
      if (e.GetPonteiroContaBanco() == caso.conta) entradas.push_back(e);
  ASSERT_EQ(entradas.size(), caso.gravadas < 0 ? 0u : 1u);
  EXPECT_EQ(fs::exists(arquivo), caso.gravadas < 0 && !caso.vazia);
  if (caso.gravadas >= 0) {
    EXPECT_EQ(std::make_pair(entradas[0].GetQuantidadeGravadas(), entradas[0].GetQuantidadeRecusadas()),
              std::make_pair(static_cast<uint32_t>(caso.gravadas), caso.recusadas));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, PastaSozinhaTest,
    ::testing::Values(
        // 112 has no import rule; the reconciliation's configuration names it under branch 1.
        CasoPastaSozinha{"LayoutOnlyAccountIsDueWithNoRuleAtAll", true, 9, 112, false, false, false, {{1, 112}}, 3, 1},
        CasoPastaSozinha{"OnlineAndFolderInOneVisit", false, 9, 111, false, false, false, {}, 8 + 3, 1},
        CasoPastaSozinha{"EmptyFolderIsNotDue", true, 9, 112, true, false, false, {}, -1, 0},
        CasoPastaSozinha{"FolderWithoutLayoutIsNotDue", true, 9, 112, false, true, false, {}, -1, 0},
        CasoPastaSozinha{"DailyImportLaterTodayTakesTheFile", false, 6, 111, false, false, false, {}, -1, 0},
        CasoPastaSozinha{"AfterTheDaysImportTheFolderAlone", false, 9, 111, false, false, true, {{1, 111}}, 3, 1}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
