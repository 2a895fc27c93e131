#include "cli/zq_cli_execucoes.h"

#include <filesystem>
#include <memory>
#include <sstream>

#include "cli/zq_cli.h"
#include "console/zq_console_dados.h"
#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "platform/zq_dados_execucao_servico.h"
#include "platform/zq_dados_extrato.h"
#include "store/zq_acesso_sql.h"

namespace {

constexpr int kSaidaFalha = 1;
constexpr int kSaidaArgumentos = 2;
// The days before the run's date that the service's request covers.
constexpr int kDiasImportacao = 7;

std::string Hora(REG_ZQDMAHMSUTC momento) {
  int h = 0, m = 0, s = 0;
  zq::DesmontaHms(zq::HmsDeDmaHms(momento), h, m, s);
  char texto[16];
  std::snprintf(texto, sizeof texto, "%02d:%02d:%02d", h, m, s);
  return texto;
}

}  // namespace

void ZQComandoExecucoes::Registra(CLI::App& app) {
  m_comando = Adiciona(app, "executions", "Mostra as execuções do serviço de importação de extratos de um dia");
  m_comando->add_option("--date", m_data, "Dia das execuções, DD/MM/AAAA")->required();
}

int ZQComandoExecucoes::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  REG_ZQDMA dia = 0;
  if (std::ostringstream motivo; !ZQCliLeData(m_data, "--date", dia, motivo)) {
    erros << "cl: " << motivo.str() << "\n";
    return kSaidaArgumentos;
  }
  ZQCliArmazem armazem;
  if (!armazem.Abre(conexao, true, erros)) return kSaidaFalha;
  const std::shared_ptr<CZQBancoSQL>& banco = armazem.Banco();
  CZQAcessoServidoresSQL hub(banco);
  CZQAcessoConciliacao& conciliacao = *hub.GetAcessoConciliacao();

  CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos filtro;
  filtro.SetDmaExecucaoInicial(dia).SetDmaExecucaoFinal(dia);
  CZQVector<REG_ZQDMC> chaves;
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> execucoes;
  if (FAILED(conciliacao.BuscaPonteirosExecucaoServicoImportacaoExtratos(filtro, chaves)) ||
      FAILED(conciliacao.LePonteirosExecucaoServicoImportacaoExtratos(chaves, execucoes, 1))) {
    erros << "cl: " << conciliacao.GetErro()->GetTextoMostraMensagem().c_str() << "\n";
    return kSaidaFalha;
  }

  saida << "Execuções do serviço de importação em " << ZQDataTexto(dia) << ": " << execucoes.GetQuantidade() << "\n";
  for (const CZQDadosCL_ExecucaoServicoImportacaoExtratos& execucao : execucoes) {
    saida << "Execução das " << Hora(execucao.GetDmaHmsExecucao()) << ", " << execucao.GetQuantidadeRegras()
          << (execucao.GetQuantidadeRegras() == 1 ? " conta" : " contas") << "\n";
    for (const CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra& e : execucao.GetListaRegras()) {
      // What the account holds for the period the run asked for.
      CZQDadosCL_FiltroExtrato filtroExtrato;
      filtroExtrato.SetConta(e.GetPonteiroContaBanco())
          .SetFilial(e.GetPonteiroFilial())
          .SetDataInicial(CZQDma(dia).SubtraiDias(kDiasImportacao).GetDma())
          .SetDataFinal(dia);
      CZQVector<uint32_t> posicoes;
      std::string linhas = "?";
      if (SUCCEEDED(conciliacao.BuscaPonteirosMovimentoExtrato(filtroExtrato, posicoes)))
        linhas = std::to_string(posicoes.GetQuantidade());
      std::string mensagem = e.GetMensagemStatus().c_str();
      for (char& c : mensagem)
        if (c == '\n' || c == '\r') c = ' ';
      saida << "  filial " << e.GetPonteiroFilial() << "  conta " << e.GetPonteiroContaBanco() << "  "
            << ZQNomeStatusExecucao(e.GetTipoStatus(), "importada") << "  (" << linhas << " linhas no período)  "
            << mensagem << "\n";
    }
  }
  return 0;
}
