#include "cli/zq_cli_lancamento.h"

#include <filesystem>
#include <memory>

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
  m_comando = app.add_subcommand("post", "Gera os lançamentos automáticos de uma conta pelas regras e concilia");
  m_comando->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas)")->required();
  m_comando->add_option("--from", m_de, "Data inicial, DD/MM/AAAA")->required();
  m_comando->add_option("--to", m_ate, "Data final, DD/MM/AAAA")->required();
  m_comando->add_option("--branch", m_filial, "Filial (1 se omitida)");
  m_comando->add_flag("--silent", m_silencioso, "Sem perguntas: lançamentos idênticos na tesouraria são ignorados");
}

bool ZQComandoLancamento::Conhece(const std::string& nome) const { return nome == "post"; }

bool ZQComandoLancamento::Escolhido() const { return m_comando && m_comando->parsed(); }

int ZQComandoLancamento::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  REG_ZQDMA de = 0, ate = 0;
  if (!ZQLeDataTexto(m_de, de) || !de || !ZQLeDataTexto(m_ate, ate) || !ate || ate < de) {
    erros << "cl: período inválido: \"" << m_de << "\" a \"" << m_ate << "\" (use DD/MM/AAAA)\n";
    return ZQ_CL_SAIDA_ARGUMENTOS;
  }
  if (conexao.rfind("sqlite:", 0) == 0) {
    std::string arquivo = conexao.substr(7);
    arquivo = arquivo.substr(0, arquivo.find('?'));
    std::error_code ec;
    if (!std::filesystem::exists(arquivo, ec)) {
      erros << "cl: o banco " << arquivo << " não existe; crie-o com \"cl init\"\n";
      return ZQ_CL_SAIDA_FALHA;
    }
  }
  CZQDadosDF_Erro erro;
  std::shared_ptr<CZQBancoSQL> banco;
  if (FAILED(ZQInstalaArmazemSQL(conexao, erro, &banco))) {
    erros << "cl: " << erro.GetTextoMostraMensagem().c_str() << "\n";
    return ZQ_CL_SAIDA_FALHA;
  }
  struct Remove {
    ~Remove() { ZQRemoveArmazemSQL(); }
  } remove;

  const std::string conta = std::to_string(m_conta);
  const std::string periodo = " BETWEEN " + std::to_string(de) + " AND " + std::to_string(ate);
  auto lancados = [&] {
    return Conta(*banco, "SELECT COUNT(*) FROM tesouraria t JOIN integracao_origem o ON o.posicao_tesouraria ="
                         " t.posicao WHERE (t.conta_ent = " + conta + " OR t.conta_sai = " + conta +
                             ") AND t.data_lancamento" + periodo);
  };
  auto conciliadas = [&] {
    return Conta(*banco, "SELECT COUNT(*) FROM extrato WHERE conta = " + conta +
                             " AND conciliado = 'S' AND tipo_conciliacao = 'L' AND dma_extrato" + periodo);
  };
  const long long lancadosAntes = lancados(), conciliadasAntes = conciliadas();

  CZQInteracaoTerminal terminal;
  IZQInteracao* anterior = m_silencioso ? nullptr : ZQDefineInteracao(&terminal);
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
  if (!m_silencioso) ZQDefineInteracao(anterior);

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
