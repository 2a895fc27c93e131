#include "cli/zq_cli_importacao.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <sstream>

#include "cli/zq_cli.h"
#include "cli/zq_cli_terminal.h"
#include "cli/zq_cli_validacao.h"
#include "erp/middleware/zq_consulta_sistema_terceiro_http.h"
#include "frame/zq_config.h"
#include "frame/zq_conversao.h"
#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "import/cl_importacao_arquivo_extrato.h"
#include "import/cl_importacao_extrato.h"
#include "import/cl_trata_dados_importacao_extratos.h"
#include "platform/records/zq_dados_extrato.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"

namespace {

constexpr int kSaidaFalha = 1;
constexpr int kSaidaArgumentos = 2;
constexpr long kSemLinhas = 5891;

// The store and the middleware installed for the command, removed after it.
class Componentes {
 public:
  explicit Componentes(const std::string& conexao) { m_hr = ZQInstalaArmazemSQL(conexao, m_erro); }
  ~Componentes() {
    if (SUCCEEDED(m_hr)) ZQRemoveArmazemSQL();
  }
  Componentes(const Componentes&) = delete;
  Componentes& operator=(const Componentes&) = delete;
  bool Ok() const { return SUCCEEDED(m_hr); }
  const CZQDadosDF_Erro& Erro() const { return m_erro; }

 private:
  HRESULT m_hr;
  CZQDadosDF_Erro m_erro;
};

// 0 when the validator accepts the request; else what it said, printed, and the exit code.
int ValidaPedido(const CZQDadosCL_FiltroImportacaoExtrato& pedido, CZQProfilerEmpresa& pessoa, std::ostream& saida,
                 std::ostream& erros) {
  CCLTrataDadosImportacaoExtratos validador;
  if (FAILED(validador.Inicializa(&pessoa))) {
    erros << "cl: " << validador.GetErro().GetTextoMostraMensagem().c_str() << "\n";
    return kSaidaFalha;
  }
  CZQDadosCL_FiltroImportacaoExtrato copia = pedido;
  const CZQDadosDF_Erro& recusa = validador.TrataGravacao(&copia);
  if (recusa.EhErroNenhum()) return 0;
  if (recusa.EhAviso() || recusa.EhQuestionamento()) {
    saida << recusa.GetTextoMostraMensagem().c_str() << "\n";
    return ZQ_CL_SAIDA_RECUSA;
  }
  erros << "cl: " << recusa.GetTextoMostraMensagem().c_str() << "\n";
  return kSaidaFalha;
}

}  // namespace

void ZQComandoImportacao::Registra(CLI::App& app) {
  m_importa = Adiciona(app, "import", "Importa o extrato online de uma conta num período, ou um arquivo de extrato");
  m_importa->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas)");
  m_importa->add_option("--from", m_de, "Data inicial, DD/MM/AAAA");
  m_importa->add_option("--to", m_ate, "Data final, DD/MM/AAAA");
  m_importa->add_option("--branch", m_filial, "Filial da importação (padrão: 1)");
  m_importa->add_flag("--no-duplicate-check", m_semDuplicidade, "Não compara com as linhas já importadas");
  m_importa->add_option("--file", m_arquivo, "Arquivo de extrato (OFX ou texto delimitado) a importar");
  m_importa->add_option("--layout", m_leiaute, "Leiaute do arquivo (posição; veja cl layouts)");
  m_importa->add_flag("--dry-run", m_simulacao, "Mostra o que seria gravado e recusado, sem gravar nada");
  m_importa->add_flag("--json", m_json, "Saída em JSON, para scripts (com --file)");
  m_leiautes = Adiciona(app, "layouts", "Lista os leiautes de importação da empresa e as colunas dos delimitados");
  m_leiautes->add_flag("--json", m_json, "Saída em JSON, para scripts");
}

CZQDadosCL_FiltroImportacaoExtrato ZQComandoImportacao::Pedido(REG_ZQDMA de, REG_ZQDMA ate) const {
  CZQDadosCL_FiltroImportacaoExtrato pedido;
  pedido.SetConta(m_conta).SetFilial(m_filial).SetDataInicial(de).SetDataFinal(ate);
  CLVerificaDuplicidadeCompleta(pedido, m_semDuplicidade ? 0 : 1);
  return pedido;
}

int ZQComandoImportacao::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  if (m_leiautes->parsed()) return ExecutaLeiautes(conexao, saida, erros);
  if (!m_arquivo.empty()) return ExecutaArquivo(conexao, saida, erros);
  if (m_leiaute != 0 || m_simulacao || m_json) {
    erros << "cl: --layout, --dry-run e --json valem para a importação de um arquivo (--file)\n";
    return kSaidaArgumentos;
  }
  if (m_conta == 0 || m_de.empty() || m_ate.empty()) {
    erros << "cl: a importação online pede --account, --from e --to\n";
    return kSaidaArgumentos;
  }
  REG_ZQDMA de = 0, ate = 0;
  if (std::ostringstream motivo; !ZQCliLePeriodo(m_de, m_ate, de, ate, motivo)) {
    erros << "cl: " << motivo.str() << "\n";
    return kSaidaArgumentos;
  }
  Componentes componentes(conexao);
  if (!componentes.Ok()) {
    erros << "cl: " << componentes.Erro().GetTextoMostraMensagem().c_str() << "\n";
    return kSaidaFalha;
  }
  zq::middleware::ZQInstalaConsultaSistemaTerceiroHttp();
  CZQTerminalInstalado terminal;

  CZQDadosCL_FiltroImportacaoExtrato pedido = Pedido(de, ate);
  pedido.SetLeiaute(CZQString(ZQ_LEIAUTE_IMPORTACAO_ONLINE));

  CZQProfilerEmpresa pessoa(CZQConfiguracao::Global().Get("empresa"), 1, 1);
  // The request passes the screen's checks before anything is fetched or stored, as the
  // import service's runs do: a refused request changes nothing.
  if (const int recusa = ValidaPedido(pedido, pessoa, saida, erros); recusa != 0) {
    return recusa;
  }

  CCLImportacaoExtrato importacao;
  int status = 0;
  if (FAILED(importacao.Inicializa(&pessoa))) {
    erros << "cl: " << importacao.GetErro().GetTextoMostraMensagem().c_str() << "\n";
    status = kSaidaFalha;
  } else {
    CZQBarraProgresso barra(stderr);
    importacao.SetParent(&barra);
    const CZQDadosDF_Erro& erro = importacao.ImportaExtrato(pedido);
    CZQString texto = erro.GetTextoMostraMensagem();
    // An empty statement (5891) is an answer; any other error or warning means the
    // import did not happen.
    if (erro.TemErro() && erro.EhAviso() && erro.GetCodigoMensagem() == kSemLinhas) {
      saida << texto.c_str() << "\n";
    } else if (erro.TemErro()) {
      erros << "cl: " << texto.c_str() << "\n";
      status = kSaidaFalha;
    } else {
      saida << "Importação concluída.\n";
    }
    CZQDadosCL_ExtraInfoBase info = importacao.GetExtraInfoBase();
    if (!info.GetCaminhoArquivoErros().IsEmpty())
      saida << "Linhas recusadas: " << info.GetCaminhoArquivoErros().c_str() << "\n";
  }
  return status;
}

namespace {

// The line's amount as the statement shows it: debits negative.
tagCY ValorComSinal(const CZQDadosCL_Extrato& e) {
  return e.GetNatureza() == ZQ_NATUREZA_DEBITO ? -e.GetValor() : e.GetValor();
}

nlohmann::json LinhaJson(const CCLLinhaArquivoExtrato& l) {
  nlohmann::json j{{"line", l.numeroLinha}};
  if (l.extrato.GetDmaExtrato() != 0) {
    j["date"] = ZQDataTexto(l.extrato.GetDmaExtrato());
    j["amount"] = ZQCliValorJson(ValorComSinal(l.extrato));
    j["account"] = l.extrato.GetConta();
    j["document"] = l.extrato.GetDocumento();
    j["history"] = l.extrato.GetHistBco().str();
  }
  if (l.codigo != 0) {
    j["code"] = l.codigo;
    j["reason"] = l.motivo.str();
  }
  return j;
}

}  // namespace

int ZQComandoImportacao::ExecutaArquivo(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  if (m_leiaute <= 0) {
    erros << "cl: a importação de um arquivo pede --layout (veja cl layouts)\n";
    return kSaidaArgumentos;
  }
  REG_ZQDMA de = 0, ate = 0;
  if (!m_de.empty() || !m_ate.empty()) {
    if (std::ostringstream motivo; !ZQCliLePeriodo(m_de, m_ate, de, ate, motivo)) {
      erros << "cl: " << motivo.str() << "\n";
      return kSaidaArgumentos;
    }
  }
  Componentes componentes(conexao);
  if (!componentes.Ok()) {
    erros << "cl: " << componentes.Erro().GetTextoMostraMensagem().c_str() << "\n";
    return kSaidaFalha;
  }
  CZQTerminalInstalado terminal;

  CZQDadosCL_FiltroImportacaoExtrato pedido = Pedido(de, ate);
  pedido.SetPosicaoLeiaute(m_leiaute).SetArquivo(CZQString(m_arquivo));

  CZQProfilerEmpresa pessoa(CZQConfiguracao::Global().Get("empresa"), 1, 1);
  CCLImportacaoArquivoExtrato importacao;
  int status = 0;
  if (FAILED(importacao.Inicializa(&pessoa))) {
    erros << "cl: " << importacao.GetErro().GetTextoMostraMensagem().c_str() << "\n";
    return kSaidaFalha;
  }
  importacao.SetSimulacao(m_simulacao);
  CZQBarraProgresso barra(stderr);
  if (!m_json) importacao.SetParent(&barra);
  const CZQDadosDF_Erro& erro = importacao.ImportaArquivo(pedido);
  const CZQString texto = erro.GetTextoMostraMensagem();
  // A warning is a refusal of the file (exit 3); anything else is a failure (exit 1).
  if (erro.TemErro()) status = erro.EhAviso() ? ZQ_CL_SAIDA_RECUSA : kSaidaFalha;
  const CZQDadosCL_ExtraInfoBase info = importacao.GetExtraInfoBase();

  if (m_json) {
    nlohmann::json gravadas = nlohmann::json::array(), recusadas = nlohmann::json::array();
    for (const CCLLinhaArquivoExtrato& l : importacao.GetGravadas()) gravadas.push_back(LinhaJson(l));
    for (const CCLLinhaArquivoExtrato& l : importacao.GetRecusadas()) recusadas.push_back(LinhaJson(l));
    nlohmann::json j{{"file", m_arquivo},
                     {"layout", m_leiaute},
                     {"dry_run", m_simulacao},
                     {"stored", gravadas},
                     {"refused", recusadas},
                     {"ignored", importacao.GetIgnoradas()},
                     {"report", info.GetCaminhoArquivoErros().str()}};
    if (erro.TemErro()) j["error"] = texto.str();
    saida << j.dump() << "\n";
    return status;
  }

  if (erro.TemErro() && importacao.GetRecusadas().empty()) {
    (status == ZQ_CL_SAIDA_RECUSA ? saida : erros)
        << (status == ZQ_CL_SAIDA_RECUSA ? "" : "cl: ") << texto.c_str() << "\n";
    return status;
  }
  if (m_simulacao) {
    saida << "Simulação: nada foi gravado.\n";
    for (const CCLLinhaArquivoExtrato& l : importacao.GetGravadas()) {
      saida << "  linha " << ZQCliAjusta(std::to_string(l.numeroLinha), 5, true) << "  "
            << ZQDataTexto(l.extrato.GetDmaExtrato()) << "  "
            << ZQCliAjusta(ZQCliValor(ValorComSinal(l.extrato)), 14, true) << "  " << l.extrato.GetHistBco().c_str()
            << "\n";
    }
  }
  for (const CCLLinhaArquivoExtrato& l : importacao.GetRecusadas()) {
    saida << "Linha " << l.numeroLinha << ": " << l.motivo.c_str() << "\n";
  }
  if (erro.TemErro()) saida << texto.c_str() << "\n";
  saida << (m_simulacao ? "Seriam gravadas: " : "Gravadas: ") << importacao.GetGravadas().size()
        << "; recusadas: " << importacao.GetRecusadas().size()
        << "; sem valor ou de saldo: " << importacao.GetIgnoradas() << ".\n";
  if (!info.GetCaminhoArquivoErros().IsEmpty()) {
    saida << "Linhas recusadas: " << info.GetCaminhoArquivoErros().c_str() << "\n";
  }
  return status;
}

int ZQComandoImportacao::ExecutaLeiautes(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  ZQCliArmazem armazem;
  if (!armazem.Abre(conexao, true, erros)) return kSaidaFalha;
  soci::session& sql = armazem.Banco()->Sessao();
  struct Linha {
    long long posicao = 0, separador = 0, tipo = 0, cabecalho = 0, rodape = 0;
    std::string descricao, delimitador, marca, formato;
    long long colunas[9] = {};
    bool temColunas = false;
  };
  std::vector<Linha> linhas;
  {
    Linha l;
    long long temColunas = 0;
    // Delimited layouts have a row of columns; the others read as zeros and empty texts.
    soci::statement st =
        (sql.prepare << "SELECT l.posicao, l.descricao, l.separador, l.tipo_arquivo, l.linhas_cabecalho,"
                        " l.linhas_rodape, CASE WHEN c.posicao IS NULL THEN 0 ELSE 1 END,"
                        " COALESCE(c.delimitador, ''), COALESCE(c.marca_decimal, ''), COALESCE(c.formato_data, ''),"
                        " COALESCE(c.coluna_data, 0), COALESCE(c.coluna_valor, 0), COALESCE(c.coluna_credito, 0),"
                        " COALESCE(c.coluna_debito, 0), COALESCE(c.coluna_natureza, 0),"
                        " COALESCE(c.coluna_documento, 0), COALESCE(c.coluna_historico, 0),"
                        " COALESCE(c.coluna_codigo_mvto, 0), COALESCE(c.coluna_conta, 0)"
                        " FROM leiaute l LEFT JOIN leiaute_colunas c ON c.posicao = l.posicao ORDER BY l.posicao",
         soci::into(l.posicao), soci::into(l.descricao), soci::into(l.separador), soci::into(l.tipo),
         soci::into(l.cabecalho), soci::into(l.rodape), soci::into(temColunas), soci::into(l.delimitador),
         soci::into(l.marca), soci::into(l.formato), soci::into(l.colunas[0]), soci::into(l.colunas[1]),
         soci::into(l.colunas[2]), soci::into(l.colunas[3]), soci::into(l.colunas[4]), soci::into(l.colunas[5]),
         soci::into(l.colunas[6]), soci::into(l.colunas[7]), soci::into(l.colunas[8]));
    st.execute();
    while (st.fetch()) {
      l.temColunas = temColunas != 0;
      linhas.push_back(l);
    }
  }
  static constexpr const char* kPapeis[9] = {"data",      "valor",     "credito",          "debito", "dc",
                                             "documento", "historico", "codigo_movimento", "conta"};
  auto tipo = [](long long t) -> std::string {
    if (t == ZQ_TIPO_ARQUIVO_DELIMITADO) return "delimitado";
    if (t == ZQ_TIPO_ARQUIVO_OFX) return "OFX";
    if (t == ZQ_TIPO_ARQUIVO_CNAB) return "CNAB";
    return "-";
  };
  if (m_json) {
    nlohmann::json lista = nlohmann::json::array();
    for (const Linha& l : linhas) {
      nlohmann::json j{{"position", l.posicao}, {"description", l.descricao},  {"separator", l.separador},
                       {"file_type", l.tipo},   {"header_lines", l.cabecalho}, {"trailer_lines", l.rodape}};
      if (l.temColunas) {
        nlohmann::json c{{"delimiter", l.delimitador}, {"decimal_mark", l.marca}, {"date_format", l.formato}};
        for (int i = 0; i < 9; ++i)
          if (l.colunas[i] != 0) c[kPapeis[i]] = l.colunas[i];
        j["columns"] = c;
      }
      lista.push_back(j);
    }
    saida << lista.dump() << "\n";
    return 0;
  }
  for (const Linha& l : linhas) {
    saida << ZQCliAjusta(std::to_string(l.posicao), 4, true) << "  " << ZQCliAjusta(l.descricao, 36) << "  "
          << ZQCliAjusta(tipo(l.tipo), 10) << "  cabeçalho " << l.cabecalho << ", rodapé " << l.rodape
          << (l.separador == ZQ_SEPARADOR_LEIAUTE_COM_CONTA ? ", com a conta" : "") << "\n";
    if (!l.temColunas) continue;
    saida << "      delimitador \"" << (l.delimitador == "\t" ? "\\t" : l.delimitador) << "\", decimais \"" << l.marca
          << "\", datas " << l.formato << ";";
    for (int i = 0; i < 9; ++i)
      if (l.colunas[i] != 0) saida << " " << kPapeis[i] << " " << l.colunas[i];
    saida << "\n";
  }
  if (linhas.empty()) saida << "Nenhum leiaute cadastrado.\n";
  return 0;
}
