#include "cli/zq_cli_importacao.h"

#include <cstdio>
#include <sstream>

#include "cli/zq_cli.h"
#include "cli/zq_cli_terminal.h"
#include "cli/zq_cli_validacao.h"
#include "erp/middleware/zq_consulta_sistema_terceiro_http.h"
#include "frame/zq_conversao.h"
#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "import/cl_importacao_extrato.h"
#include "import/cl_trata_dados_importacao_extratos.h"
#include "platform/zq_dados_extrato.h"
#include "store/zq_acesso_sql.h"

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
  m_importa = Adiciona(app, "import", "Importa o extrato online de uma conta num período");
  m_importa->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas)")->required();
  m_importa->add_option("--from", m_de, "Data inicial, DD/MM/AAAA")->required();
  m_importa->add_option("--to", m_ate, "Data final, DD/MM/AAAA")->required();
  m_importa->add_option("--branch", m_filial, "Filial da importação (padrão: 1)");
  m_importa->add_flag("--no-duplicate-check", m_semDuplicidade, "Não compara com as linhas já importadas");
}

int ZQComandoImportacao::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
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
  CZQInteracaoTerminal terminal;
  IZQInteracao* anterior = ZQDefineInteracao(&terminal);

  CZQDadosCL_FiltroImportacaoExtrato pedido;
  const int32_t verifica = m_semDuplicidade ? 0 : 1;
  pedido.SetConta(m_conta)
      .SetFilial(m_filial)
      .SetDataInicial(de)
      .SetDataFinal(ate)
      .SetLeiaute(CZQString(ZQ_LEIAUTE_IMPORTACAO_ONLINE))
      .SetVerificaDuplicidade(verifica)
      .SetVerificaData(verifica)
      .SetVerificaValor(verifica)
      .SetVerificaDocumento(verifica)
      .SetVerificaSinal(verifica)
      .SetVerificaCodigoMovimento(verifica)
      .SetVerificaDescricaoMovimento(verifica);

  CZQProfilerEmpresa pessoa(CZQConfiguracao::Global().Get("empresa"), 1, 1);
  // The request passes the screen's checks before anything is fetched or stored, as the
  // import service's runs do: a refused request changes nothing.
  if (const int recusa = ValidaPedido(pedido, pessoa, saida, erros); recusa != 0) {
    ZQDefineInteracao(anterior);
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
  ZQDefineInteracao(anterior);
  return status;
}
