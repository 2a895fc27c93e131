#include "cli/zq_cli_execucoes.h"

#include <filesystem>
#include <memory>
#include <sstream>

#include "cli/zq_cli.h"
#include "console/zq_console_dados.h"
#include "console/zq_console_paginas_registros.h"
#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "platform/records/zq_dados_execucao_servico.h"
#include "platform/records/zq_dados_extrato.h"
#include "store/zq_acesso_sql.h"

namespace {

constexpr int kSaidaFalha = 1;
constexpr int kSaidaArgumentos = 2;

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
  m_comando->add_flag("--json", m_json, "Saída em JSON, a mesma de /api/runs do console, para scripts");
}

int ZQComandoExecucoes::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  REG_ZQDMA dia = 0;
  if (std::ostringstream motivo; !ZQCliLeData(m_data, "--date", dia, motivo)) {
    erros << "cl: " << motivo.str() << "\n";
    return kSaidaArgumentos;
  }
  ZQCliArmazem armazem;
  if (!armazem.Abre(conexao, true, erros)) return kSaidaFalha;
  CZQAcessoServidoresSQL hub(armazem.Banco());
  ZQExecucoesDia execucoes;
  if (std::string motivo; !ZQLeExecucoesDia(hub, dia, execucoes, motivo)) {
    erros << "cl: " << motivo << "\n";
    return kSaidaFalha;
  }
  if (m_json) {
    saida << ZQExecucoesJson(execucoes) << "\n";
    return 0;
  }

  saida << "Execuções do serviço de importação em " << ZQDataTexto(dia) << ": " << execucoes.importacoes.size() << "\n";
  for (const ZQExecucaoImportacao& execucao : execucoes.importacoes) {
    saida << "Execução das " << Hora(execucao.quando) << ", " << execucao.contas.size()
          << (execucao.contas.size() == 1 ? " conta" : " contas") << "\n";
    for (const ZQContaImportada& e : execucao.contas) {
      std::string mensagem = e.mensagem;
      for (char& c : mensagem)
        if (c == '\n' || c == '\r') c = ' ';
      saida << "  filial " << e.filial << "  conta " << e.conta << "  " << ZQNomeStatusExecucao(e.status, "importada")
            << "  " << e.gravadas << " gravadas, " << e.recusadas << " recusadas, " << ZQDuracaoTexto(e.duracao)
            << "  (" << e.linhas << " linhas no período)  " << mensagem << "\n";
    }
  }
  return 0;
}
