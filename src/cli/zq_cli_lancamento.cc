#include "cli/zq_cli_lancamento.h"

#include <filesystem>
#include <memory>
#include <sstream>

#include "cli/zq_cli.h"
#include "cli/zq_cli_terminal.h"
#include "frame/zq_data.h"
#include "posting/cl_conciliacao_lanca_auto.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_soci.h"

namespace {

long long Conta(CZQBancoSQL& banco, const std::string& consulta) {
  long long n = 0;
  banco.Sessao() << consulta, soci::into(n);
  return n;
}

}  // namespace

void ZQComandoLancamento::Registra(CLI::App& app) {
  m_comando = Adiciona(app, "post", "Gera os lançamentos automáticos de uma conta pelas regras e concilia");
  m_comando->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas)")->required();
  m_comando->add_option("--from", m_de, "Data inicial, DD/MM/AAAA")->required();
  m_comando->add_option("--to", m_ate, "Data final, DD/MM/AAAA")->required();
  m_comando->add_option("--branch", m_filial, "Filial (1 se omitida)");
  m_comando->add_flag("--silent", m_silencioso, "Sem perguntas: lançamentos idênticos na tesouraria são ignorados");
  m_logs = Adiciona(app, "reconciliation-logs", "Lista os logs de conciliação gravados pelo lançamento automático");
  m_logs->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas)")->required();
  m_logs->add_option("--number", m_numero, "Somente o número de conciliação dado");
}

int ZQComandoLancamento::ExecutaLogs(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  if (FAILED(CZQBancoSQL::Abre(conexao, banco, erro))) {
    erros << "cl: " << erro.GetTextoMostraMensagem().c_str() << "\n";
    return ZQ_CL_SAIDA_FALHA;
  }
  long long id = 0, numero = 0, usuario = 0, sessao = 0, conta = m_conta, filtro = m_numero;
  std::string empresa;
  soci::session& sql = banco->Sessao();
  soci::statement logs = (sql.prepare << "SELECT id, numero_conciliacao, empresa, usuario, sessao FROM log_conciliacao"
                                         " WHERE banco = :b AND (:n < 0 OR numero_conciliacao = :n2)"
                                         " ORDER BY numero_conciliacao, id",
                          soci::use(conta), soci::use(filtro), soci::use(filtro), soci::into(id), soci::into(numero),
                          soci::into(empresa), soci::into(usuario), soci::into(sessao));
  logs.execute(false);
  std::vector<std::pair<long long, std::string>> cabecalhos;
  while (logs.fetch()) {
    cabecalhos.emplace_back(id, "Conciliação " + std::to_string(numero) + " (empresa " + empresa + ", usuário " +
                                    std::to_string(usuario) + ", sessão " + std::to_string(sessao) + ")");
  }
  for (const auto& [log, cabecalho] : cabecalhos) {
    saida << cabecalho << "\n";
    long long data = 0, posicao = 0, l = log;
    std::string lado;
    soci::statement chaves = (sql.prepare << "SELECT lado, data, posicao FROM log_conciliacao_chave WHERE log = :l"
                                             " ORDER BY ordem",
                              soci::use(l), soci::into(lado), soci::into(data), soci::into(posicao));
    chaves.execute(false);
    while (chaves.fetch()) {
      saida << "  " << (lado == "E" ? "extrato   " : "tesouraria") << " " << posicao << " de "
            << CZQDma::FormataData(CZQDma(static_cast<REG_ZQDMA>(data)), ZQ_FORMATO_AAAAMMDD, "-").c_str() << "\n";
    }
  }
  if (cabecalhos.empty()) saida << "Nenhum log de conciliação.\n";
  return 0;
}

int ZQComandoLancamento::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  if (m_logs && m_logs->parsed()) return ExecutaLogs(conexao, saida, erros);
  REG_ZQDMA de = 0, ate = 0;
  if (std::ostringstream motivo; !ZQCliLePeriodo(m_de, m_ate, de, ate, motivo)) {
    erros << "cl: " << motivo.str() << "\n";
    return ZQ_CL_SAIDA_ARGUMENTOS;
  }
  ZQCliArmazem armazem;
  if (!armazem.Abre(conexao, false, erros)) return ZQ_CL_SAIDA_FALHA;
  const std::shared_ptr<CZQBancoSQL>& banco = armazem.Banco();

  const std::string conta = std::to_string(m_conta);
  const std::string periodo = " BETWEEN " + std::to_string(de) + " AND " + std::to_string(ate);
  auto lancados = [&] {
    return Conta(*banco,
                 "SELECT COUNT(*) FROM tesouraria t JOIN integracao_origem o ON o.posicao_tesouraria ="
                 " t.posicao WHERE (t.conta_ent = " +
                     conta + " OR t.conta_sai = " + conta + ") AND t.data_lancamento" + periodo);
  };
  auto conciliadas = [&] {
    return Conta(*banco, "SELECT COUNT(*) FROM extrato WHERE conta = " + conta +
                             " AND conciliado = 'S' AND tipo_conciliacao = 'L' AND dma_extrato" + periodo);
  };
  const long long lancadosAntes = lancados(), conciliadasAntes = conciliadas();

  CZQTerminalInstalado terminal(!m_silencioso);
  CZQProfilerEmpresa perfil;
  CCLConciliacaoLancaAuto rotina;
  HRESULT hr = rotina.Inicializa(&perfil);
  CZQVector<CZQDadosDF_Erro> listaErros;
  if (SUCCEEDED(hr)) {
    rotina.SetModoSilencioso(m_silencioso);
    CZQDadosCL_ConciliacaoAutomatica conciliacao;
    conciliacao.SetPonteiroConta(m_conta).SetPonteiroFilial(m_filial).SetDataInicial(de).SetDataFinal(ate);
    hr = rotina.ProcessaLancamentoConcAutomatico(conciliacao, listaErros);
  }

  saida << "Lançamentos gerados: " << lancados() - lancadosAntes << "\n";
  saida << "Linhas conciliadas: " << conciliadas() - conciliadasAntes << "\n";
  for (const CZQDadosDF_Erro& e : listaErros) {
    saida << "Erro " << e.GetCodigoMensagem() << ": " << e.GetTextoMostraMensagem().c_str() << "\n";
  }
  if (FAILED(hr) || hr != S_OK) {
    erros << "cl: o lançamento automático falhou: " << rotina.GetErro().GetTextoMostraMensagem().c_str() << "\n";
    return ZQ_CL_SAIDA_FALHA;
  }
  return 0;
}
