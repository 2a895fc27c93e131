#include "cli/zq_cli.h"
#include "cli/zq_cli_bancada.h"
#include "cli/zq_cli_comando.h"
#include "cli/zq_cli_console.h"
#include "cli/zq_cli_doutor.h"
#include "cli/zq_cli_execucoes.h"
#include "cli/zq_cli_historico.h"
#include "cli/zq_cli_importacao.h"
#include "cli/zq_cli_lancamento.h"
#include "cli/zq_cli_regras.h"
#include "cli/zq_cli_validacao.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "console/zq_console_texto.h"
#include "frame/zq_config.h"
#include "frame/zq_currency.h"
#include "frame/zq_data_texto.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"

namespace {

struct Opcoes {
  std::string config;
  std::string banco;
  std::string arquivoEmpresa;
  uint32_t conta = 0;
  uint32_t filial = 0;
  std::string de;
  std::string ate;
  bool abertos = false;
  bool conciliados = false;
};

// A failure to report: the text goes to the error stream, the code is the exit code.
struct Falha {
  std::string texto;
  int codigo = ZQ_CL_SAIDA_FALHA;
};

std::string Texto(const CZQDadosDF_Erro& erro) { return erro.GetTextoMostraMensagem().c_str(); }

std::string Conexao(const Opcoes& o) {
  if (!o.config.empty() && !CZQConfiguracao::Global().CarregaArquivo(o.config)) {
    throw Falha{"não foi possível ler o arquivo de configuração " + o.config, ZQ_CL_SAIDA_ARGUMENTOS};
  }
  return o.banco.empty() ? CZQBancoSQL::ConexaoConfigurada() : o.banco;
}

// Opens the store; `existente` refuses to create one (a SQLite file that is not there).
std::shared_ptr<CZQBancoSQL> Abre(std::string conexao, bool existente, bool somenteLeitura) {
  const bool sqlite = conexao.rfind("sqlite:", 0) == 0;
  if (existente && sqlite) {
    std::string arquivo = conexao.substr(7);
    arquivo = arquivo.substr(0, arquivo.find('?'));
    std::error_code ec;
    if (!std::filesystem::exists(arquivo, ec)) {
      throw Falha{"o banco " + arquivo + " não existe; crie-o com \"cl init\""};
    }
    if (somenteLeitura && conexao.find('?') == std::string::npos) conexao += "?modo=leitura";
  }
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  if (FAILED(CZQBancoSQL::Abre(conexao, banco, erro))) throw Falha{Texto(erro)};
  return banco;
}

long long Conta(CZQBancoSQL& banco, const std::string& consulta) {
  long long n = 0;
  banco.Sessao() << consulta, soci::into(n);
  return n;
}

void Init(const Opcoes& o, std::ostream& saida) {
  const std::string conexao = Conexao(o);
  auto banco = Abre(conexao, false, false);
  saida << "Banco pronto: " << conexao << " (esquema versão " << banco->GetVersaoEsquema() << ")\n";
}

void CarregaEmpresa(const Opcoes& o, std::ostream& saida) {
  auto banco = Abre(Conexao(o), false, false);
  CZQDadosDF_Erro erro;
  if (FAILED(ZQCarregaArquivoEmpresa(*banco, o.arquivoEmpresa, erro))) throw Falha{Texto(erro)};
  std::string codigo, nome;
  banco->Sessao() << "SELECT codigo, nome FROM empresa WHERE id = 1", soci::into(codigo), soci::into(nome);
  saida << "Empresa " << codigo << " - " << nome << " carregada: " << Conta(*banco, "SELECT COUNT(*) FROM filial")
        << " filiais, " << Conta(*banco, "SELECT COUNT(*) FROM plano_empresarial") << " contas ("
        << Conta(*banco, "SELECT COUNT(*) FROM banco") << " bancárias), "
        << Conta(*banco, "SELECT COUNT(*) FROM regra_lancamento") << " regras de lançamento.\n";
}

void Extratos(const Opcoes& o, std::ostream& saida) {
  REG_ZQDMA de = 0, ate = 0;
  std::ostringstream motivo;
  if (!ZQCliLePeriodo(o.de, o.ate, de, ate, motivo)) throw Falha{motivo.str(), ZQ_CL_SAIDA_ARGUMENTOS};

  auto banco = Abre(Conexao(o), true, true);
  CZQAcessoServidoresSQL hub(banco);
  CZQAcessoConciliacao& conciliacao = *hub.GetAcessoConciliacao();

  CZQDadosCL_FiltroExtrato filtro;
  filtro.SetConta(o.conta).SetFilial(o.filial).SetDataInicial(de).SetDataFinal(ate);
  if (o.abertos) filtro.SetConciliado(ZQ_CONCILIADO_NAO);
  if (o.conciliados) filtro.SetConciliado(ZQ_CONCILIADO_SIM);
  CZQVector<uint32_t> posicoes;
  if (FAILED(conciliacao.BuscaPonteirosMovimentoExtrato(filtro, posicoes))) throw Falha{Texto(*conciliacao.GetErro())};
  CZQVector<CZQDadosCL_Extrato> linhas;
  if (FAILED(conciliacao.BuscaRegistrosMovimentoExtrato(filtro, posicoes, linhas))) {
    throw Falha{Texto(*conciliacao.GetErro())};
  }

  std::string nomeConta;
  CZQDadosDF_PlanoEmpresarial plano;
  if (SUCCEEDED(hub.GetAcessoEmpresarial()->LeBufferPlanoContabil(o.conta, &plano))) {
    nomeConta = std::string(" - ") + plano.GetCodigoUsado_Nome().c_str();
  }
  saida << "Conta " << o.conta << nomeConta << ", de " << o.de << " a " << o.ate << "\n";
  if (linhas.IsEmpty()) {
    saida << "Nenhuma linha de extrato.\n";
    return;
  }
  saida << ZQCliAjusta("Posição", 8, true) << "  " << ZQCliAjusta("Data", 10) << "  "
        << ZQCliAjusta("Documento", 12, true) << "  " << ZQCliAjusta("Valor", 16, true) << "  "
        << ZQCliAjusta("Código", 6) << "  " << ZQCliAjusta("Conciliação", 11) << "  "
        << "Histórico\n";
  tagCY creditos = 0, debitos = 0;
  for (const CZQDadosCL_Extrato& l : linhas) {
    const bool debito = l.GetNatureza() == ZQ_NATUREZA_DEBITO;
    (debito ? debitos : creditos) += l.GetValor();
    std::string valor = CZQCurrencyEx::FormataValor(l.GetValor(), 2).c_str();
    valor += debito ? " D" : l.GetNatureza() == ZQ_NATUREZA_CREDITO ? " C" : "  ";
    std::string conciliado = "-";
    if (l.GetConciliado() == ZQ_CONCILIADO_SIM) {
      conciliado = "S";
      if (l.GetTipoConciliacao()) conciliado += std::string(" ") + l.GetTipoConciliacao();
      conciliado += " " + std::to_string(l.GetNumeroConciliacao());
    }
    saida << ZQCliAjusta(std::to_string(l.GetPosicao()), 8, true) << "  "
          << ZQCliAjusta(ZQDataTexto(l.GetDmaExtrato()), 10) << "  "
          << ZQCliAjusta(std::to_string(l.GetDocumento()), 12, true) << "  " << ZQCliAjusta(valor, 16, true) << "  "
          << ZQCliAjusta(l.GetCodigoMvtoBco().c_str(), 6) << "  " << ZQCliAjusta(conciliado, 11) << "  "
          << l.GetHistBco().c_str() << "\n";
  }
  saida << linhas.GetQuantidade() << (linhas.GetQuantidade() == 1 ? " linha" : " linhas") << "; créditos "
        << CZQCurrencyEx::FormataValor(creditos, 2).c_str() << ", débitos "
        << CZQCurrencyEx::FormataValor(debitos, 2).c_str() << "\n";
}

// An account given with --account must be in the chart: a mistyped one would otherwise read
// as an account with nothing in it. A store that cannot be opened is left to the command,
// which says why in its own words.
void ContaNoPlano(const CLI::App& app, const Opcoes& o) {
  for (const CLI::App* comando : app.get_subcommands()) {
    const CLI::Option* opcao = comando->get_option_no_throw("--account");
    if (!opcao || opcao->count() == 0) continue;
    const long long conta = opcao->as<long long>();
    std::shared_ptr<CZQBancoSQL> banco;
    try {
      banco = Abre(Conexao(o), true, true);
    } catch (const Falha&) {
      return;
    }
    long long n = 0;
    banco->Sessao() << "SELECT COUNT(*) FROM plano_empresarial WHERE ponteiro = :p", soci::use(conta), soci::into(n);
    if (n == 0) {
      throw Falha{"a conta " + std::to_string(conta) + " não está no plano de contas da empresa",
                  ZQ_CL_SAIDA_ARGUMENTOS};
    }
  }
}

}  // namespace

ZQCliArmazem::~ZQCliArmazem() {
  if (m_banco) ZQRemoveArmazemSQL();
}

bool ZQCliArmazem::Abre(std::string conexao, bool somenteLeitura, std::string& motivo) {
  if (conexao.rfind("sqlite:", 0) == 0) {
    std::string arquivo = conexao.substr(7);
    arquivo = arquivo.substr(0, arquivo.find('?'));
    std::error_code ec;
    if (!std::filesystem::exists(arquivo, ec)) {
      motivo = "o banco " + arquivo + " não existe; crie-o com \"cl init\"";
      return false;
    }
    if (somenteLeitura && conexao.find('?') == std::string::npos) conexao += "?modo=leitura";
  }
  CZQDadosDF_Erro erro;
  if (FAILED(ZQInstalaArmazemSQL(conexao, erro, &m_banco))) {
    m_banco.reset();
    motivo = erro.GetTextoMostraMensagem().c_str();
    return false;
  }
  return true;
}

bool ZQCliArmazem::Abre(const std::string& conexao, bool somenteLeitura, std::ostream& erros) {
  std::string motivo;
  if (Abre(conexao, somenteLeitura, motivo)) return true;
  erros << "cl: " << motivo << "\n";
  return false;
}

bool ZQCliLeData(const std::string& texto, const char* opcao, REG_ZQDMA& data, std::ostream& erros) {
  data = 0;
  if (ZQLeDataTexto(texto, data) && data != 0) return true;
  erros << "data inválida em " << opcao << ": \"" << texto << "\" (use DD/MM/AAAA)";
  return false;
}

bool ZQCliLePeriodo(const std::string& de, const std::string& ate, REG_ZQDMA& inicio, REG_ZQDMA& fim,
                    std::ostream& erros) {
  if (!ZQCliLeData(de, "--from", inicio, erros) || !ZQCliLeData(ate, "--to", fim, erros)) return false;
  if (fim >= inicio) return true;
  erros << "--to (" << ate << ") é anterior a --from (" << de << ")";
  return false;
}

std::string ZQCliAjusta(const std::string& texto, size_t largura, bool direita) {
  // Widths count letters, not bytes: the texts are UTF-8.
  size_t letras = 0;
  for (unsigned char c : texto) letras += (c & 0xC0) != 0x80;
  if (letras >= largura) return texto;
  const std::string espaco(largura - letras, ' ');
  return direita ? espaco + texto : texto + espaco;
}

std::string ZQCliValor(tagCY valor) { return CZQCurrencyEx::FormataValor(valor, 2).c_str(); }

std::string ZQCliValorJson(tagCY valor) { return ZQValorJson(valor); }

int ZQExecutaCl(const std::vector<std::string>& argumentos, std::ostream& saida, std::ostream& erros) {
  Opcoes o;
  CLI::App app{"Conciliação bancária (CL): banco de dados, cadastro da empresa e extratos", "cl"};
  app.option_defaults()->always_capture_default(false);
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("cl ") + CL_VERSAO_PROJETO);
  app.add_option("--config", o.config, "Arquivo de configuração (chave = valor) no lugar do padrão")
      ->check(CLI::ExistingFile);
  app.add_option("--db", o.banco, "Conexão do banco, como sqlite:/caminho/cl.db (padrão: a chave \"banco\")");

  CLI::App* init = app.add_subcommand("init", "Cria o banco, ou atualiza o esquema de um banco existente");

  CLI::App* empresa = app.add_subcommand("load-company", "Carrega o arquivo da empresa (JSON) no banco");
  empresa->add_option("arquivo", o.arquivoEmpresa, "Arquivo da empresa")->required()->check(CLI::ExistingFile);

  CLI::App* extratos = app.add_subcommand("statements", "Lista as linhas de extrato de uma conta num período");
  extratos->add_option("--account", o.conta, "Conta bancária (ponteiro do plano de contas)")->required();
  extratos->add_option("--from", o.de, "Data inicial, DD/MM/AAAA")->required();
  extratos->add_option("--to", o.ate, "Data final, DD/MM/AAAA")->required();
  extratos->add_option("--branch", o.filial, "Somente a filial dada");
  CLI::Option* abertos = extratos->add_flag("--open", o.abertos, "Somente as linhas não conciliadas");
  extratos->add_flag("--reconciled", o.conciliados, "Somente as linhas conciliadas")->excludes(abertos);

  ZQComandosRegras regras;
  ZQComandoImportacao importacao;
  ZQComandosValidacao validacao;
  ZQComandoExecucoes execucoes;
  ZQComandoLancamento lancamento;
  ZQComandosBancada bancada;
  ZQComandoDoutor doutor;
  ZQComandoHistorico historico;
  ZQComandoConsole console;
  // In the order "cl --help" lists them.
  const std::vector<ZQComandoCli*> grupos{&regras,  &importacao, &validacao, &execucoes, &lancamento,
                                          &bancada, &doutor,     &historico, &console};
  for (ZQComandoCli* grupo : grupos) grupo->Registra(app);

  // A misspelt command would otherwise read as a missing one: name it.
  for (size_t i = 1; i < argumentos.size(); ++i) {
    const std::string& a = argumentos[i];
    if (a == "--config" || a == "--db") {
      ++i;
      continue;
    }
    if (a.empty() || a[0] == '-') continue;
    bool conhecido = false;
    for (const CLI::App* comando : {init, empresa, extratos}) conhecido = conhecido || comando->get_name() == a;
    for (const ZQComandoCli* grupo : grupos) conhecido = conhecido || grupo->Conhece(a);
    if (!conhecido) {
      erros << "cl: comando desconhecido: \"" << a << "\" (veja cl --help)\n";
      return ZQ_CL_SAIDA_ARGUMENTOS;
    }
    break;
  }

  std::vector<const char*> argv;
  for (const std::string& a : argumentos) argv.push_back(a.c_str());
  if (argv.empty()) argv.push_back("cl");
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    // The parser's own codes (104 and the like) would break the promise that every bad
    // argument exits 2; help asked for still exits 0.
    return app.exit(e, saida, erros) == 0 ? 0 : 2;
  }

  try {
    ContaNoPlano(app, o);
    if (*init) Init(o, saida);
    if (*empresa) CarregaEmpresa(o, saida);
    if (*extratos) Extratos(o, saida);
    for (ZQComandoCli* grupo : grupos) {
      if (grupo->Escolhido()) return grupo->Executa(Conexao(o), saida, erros);
    }
  } catch (const Falha& f) {
    erros << "cl: " << f.texto << "\n";
    return f.codigo;
  } catch (const std::exception& e) {
    erros << "cl: " << e.what() << "\n";
    return ZQ_CL_SAIDA_FALHA;
  }
  return 0;
}
