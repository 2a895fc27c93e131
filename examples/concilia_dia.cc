// A day of an ERP program's work through libcl and its SQL store, the way a company
// without a service host would run it: load the company file, import the accounts'
// statements, post by the rules and reconcile, then tell how many statement lines are
// stored and how many of them are reconciled.
//
//   concilia_dia <store> <company file> <company code> "DD/MM/AAAA HH:MM:SS"
//
// <store> is a connection string ("sqlite:/path/cl.db"); the statements are read where
// the configuration says (CL_CONFIG, CL_LOCAL_ORBEL...). Exit status: 0 both services ran,
// 1 a step failed (its message on standard error), 2 wrong usage.
#include <cstdio>
#include <memory>
#include <string>

#include "frame/zq_data_texto.h"
#include "frame/zq_relogio.h"
#include "importservice/cl_servico_importacao_extratos.h"
#include "reconciliation/cl_conciliacao_tesouraria_banco_automatizada.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"

namespace {

// The host side of a service: its log entries go to standard output.
class HostExemplo : public IZQHostServico {
 public:
  HRESULT GravaLog(unsigned short, unsigned short, const char* texto) override {
    std::printf("  log: %s\n", texto ? texto : "");
    return S_OK;
  }
  bool Abortar() override { return false; }
};

// Creates a service through its factory, runs one cycle and disposes of it.
bool Executa(const char* nome, CAutoRun* servico, CZQProfilerEmpresa& identidade) {
  if (!servico) {
    std::fprintf(stderr, "concilia_dia: %s was not created\n", nome);
    return false;
  }
  HostExemplo host;
  servico->SetHost(&host);
  HRESULT hr = servico->Inicializa(&identidade);
  if (SUCCEEDED(hr)) hr = servico->OnRun();
  const long contas = servico->GetContasProcessadas();
  servico->OnDestroi();
  std::printf("%s: %#x, %ld account(s)\n", nome, static_cast<unsigned>(hr), contas);
  return SUCCEEDED(hr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: concilia_dia <store> <company file> <company code> \"DD/MM/AAAA HH:MM:SS\"\n");
    return 2;
  }
  const std::string agora = argv[4];
  const std::size_t espaco = agora.find(' ');
  REG_ZQDMA data = 0;
  REG_ZQHMS hora = 0;
  if (espaco == std::string::npos || !ZQLeDataTexto(agora.substr(0, espaco), data) ||
      !ZQLeHoraTexto(agora.substr(espaco + 1), hora) || data == 0) {
    std::fprintf(stderr, "concilia_dia: expected \"DD/MM/AAAA HH:MM:SS\", got %s\n", argv[4]);
    return 2;
  }
  // The services read the day from the process's clock: pin it to the day asked for.
  CZQRelogioFixo relogio(CZQDma(data), hora);
  CZQTrocaRelogio troca(relogio);

  CZQDadosDF_Erro erro;
  std::shared_ptr<CZQBancoSQL> banco;
  if (FAILED(ZQInstalaArmazemSQL(argv[1], erro, &banco)) || FAILED(ZQCarregaArquivoEmpresa(*banco, argv[2], erro))) {
    std::fprintf(stderr, "concilia_dia: %s\n", erro.GetTextoMostraMensagem().c_str());
    return 1;
  }
  CZQProfilerEmpresa identidade(CZQString(argv[3]), 1, 1);
  bool ok = Executa("import", CLServicoImportacaoExtratos_new(), identidade) &&
            Executa("reconciliation", CLConciliacaoTesourariaBanco_new(), identidade);

  long long linhas = 0, conciliadas = 0;
  banco->Sessao() << "SELECT COUNT(*), COALESCE(SUM(CASE WHEN conciliado = 'S' THEN 1 ELSE 0 END), 0) FROM extrato",
      soci::into(linhas), soci::into(conciliadas);
  std::printf("lines %lld reconciled %lld\n", linhas, conciliadas);
  banco.reset();
  ZQRemoveArmazemSQL();
  return ok ? 0 : 1;
}
