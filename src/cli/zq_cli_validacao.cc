#include "cli/zq_cli_validacao.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "frame/zq_base_rotinas.h"
#include "frame/zq_config.h"
#include "frame/zq_data_texto.h"
#include "import/cl_trata_dados_importacao_extratos.h"
#include "importservice/cl_trata_dados_configuracao_servico_importacao_extratos.h"
#include "platform/access/zq_acesso_areas.h"
#include "platform/records/zq_dados_configuracao_servico.h"
#include "platform/records/zq_dados_extrato.h"
#include "reconciliation/cl_trata_dados_configuracao_conciliacao_tesouraria_banco.h"
#include "store/zq_acesso_sql.h"

namespace {

using json = nlohmann::json;

constexpr int kSaidaFalha = 1;
constexpr int kSaidaArgumentos = 2;
constexpr const char kServicoImportacao[] = "importacao";
constexpr const char kServicoConciliacao[] = "conciliacao";
// The sections of a company file holding each service's configuration.
constexpr const char kSecaoImportacao[] = "configuracao_importacao";
constexpr const char kSecaoConciliacao[] = "configuracao_conciliacao";

// A command line or file the command cannot take: the text and the exit code.
struct Recusa {
  std::string texto;
  int codigo = kSaidaArgumentos;
};

// The store installed, read only, as the process's servers for the command; removed
// after it.
class ArmazemSomenteLeitura {
 public:
  explicit ArmazemSomenteLeitura(std::string conexao) {
    if (conexao.rfind("sqlite:", 0) == 0) {
      std::string arquivo = conexao.substr(7);
      arquivo = arquivo.substr(0, arquivo.find('?'));
      std::error_code ec;
      if (!std::filesystem::exists(arquivo, ec)) {
        throw Recusa{"o banco " + arquivo + " não existe; crie-o com \"cl init\"", kSaidaFalha};
      }
      // A validation never writes.
      if (conexao.find('?') == std::string::npos) conexao += "?modo=leitura";
    }
    CZQDadosDF_Erro erro;
    if (FAILED(ZQInstalaArmazemSQL(conexao, erro))) throw Recusa{erro.GetTextoMostraMensagem().c_str(), kSaidaFalha};
  }
  ~ArmazemSomenteLeitura() { ZQRemoveArmazemSQL(); }
  ArmazemSomenteLeitura(const ArmazemSomenteLeitura&) = delete;
  ArmazemSomenteLeitura& operator=(const ArmazemSomenteLeitura&) = delete;
};

REG_ZQDMA Data(const std::string& texto, const char* opcao) {
  // An empty text is the empty date: the validator says what it thinks of it.
  REG_ZQDMA data = 0;
  if (!ZQLeDataTexto(texto, data)) {
    throw Recusa{std::string("data inválida em ") + opcao + ": \"" + texto + "\" (use DD/MM/AAAA)"};
  }
  return data;
}

// A layout given by its position when the text is all digits, else by its name.
bool EhPosicao(const std::string& texto) {
  if (texto.empty() || texto.size() > 9) return false;
  for (char c : texto) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// ---- the configuration file

std::string Caminho(const std::string& campo, const std::string& filho) {
  return campo.empty() ? filho : campo + "." + filho;
}
std::string Caminho(const std::string& campo, size_t indice) { return campo + "[" + std::to_string(indice) + "]"; }

[[noreturn]] void ArquivoInvalido(const std::string& campo, const std::string& problema) {
  throw Recusa{"configuração inválida: " + (campo.empty() ? problema : campo + ": " + problema)};
}

int64_t Inteiro(const json& v, const std::string& campo, int64_t minimo, int64_t maximo) {
  if (!v.is_number_integer() || v.get<int64_t>() < minimo || v.get<int64_t>() > maximo) {
    ArquivoInvalido(campo, "deve ser um número inteiro de " + std::to_string(minimo) + " a " + std::to_string(maximo));
  }
  return v.get<int64_t>();
}

template <typename Regra>
Regra LeRegra(const json& v, const std::string& campo) {
  if (!v.is_object()) ArquivoInvalido(campo, "deve ser um objeto");
  for (const auto& [chave, valor] : v.items()) {
    if (chave != "filial" && chave != "frequencia" && chave != "hora_execucao" && chave != "apenas_dias_uteis" &&
        chave != "contas") {
      ArquivoInvalido(Caminho(campo, chave), "campo desconhecido");
    }
  }
  constexpr int64_t kU32 = std::numeric_limits<uint32_t>::max();
  Regra regra;
  // What is left out is left empty, as an unfilled field of the screen: the validator
  // says what it thinks of it.
  if (v.contains("filial")) {
    regra.SetPonteiroFilial(static_cast<uint32_t>(Inteiro(v["filial"], Caminho(campo, "filial"), 0, kU32)));
  }
  if (v.contains("frequencia")) {
    regra.SetFrequencia(static_cast<uint8_t>(Inteiro(v["frequencia"], Caminho(campo, "frequencia"), 0, 255)));
  }
  if (v.contains("hora_execucao")) {
    const json& h = v["hora_execucao"];
    REG_ZQHMS hms = 0;
    if (!h.is_string() || !ZQLeHoraTexto(h.get<std::string>(), hms)) {
      ArquivoInvalido(Caminho(campo, "hora_execucao"), "hora inválida (use HH:MM:SS)");
    }
    regra.SetHmsExecucao(hms);
  }
  if (v.contains("apenas_dias_uteis")) {
    if (!v["apenas_dias_uteis"].is_boolean())
      ArquivoInvalido(Caminho(campo, "apenas_dias_uteis"), "deve ser true ou false");
    regra.SetApenasDiasUteis(v["apenas_dias_uteis"].get<bool>());
  }
  if (v.contains("contas")) {
    const json& contas = v["contas"];
    const std::string campoContas = Caminho(campo, "contas");
    if (!contas.is_array()) ArquivoInvalido(campoContas, "deve ser uma lista de contas");
    for (size_t i = 0; i < contas.size(); ++i) {
      regra.AdicionaPonteiroContaBanco(static_cast<uint32_t>(Inteiro(contas[i], Caminho(campoContas, i), 0, kU32)));
    }
  }
  return regra;
}

// {"regras": [...]}, or a company file with its section of the service ("configuracao_importacao"
// or "configuracao_conciliacao").
template <typename Configuracao>
Configuracao LeArquivoConfiguracao(const std::string& caminho, const char* secao) {
  std::ifstream entrada(caminho, std::ios::binary);
  if (!entrada) throw Recusa{"não foi possível ler o arquivo " + caminho};
  std::ostringstream texto;
  texto << entrada.rdbuf();
  const json documento = json::parse(texto.str(), nullptr, false);
  if (documento.is_discarded()) ArquivoInvalido("", "o arquivo não é um documento JSON");
  if (!documento.is_object()) ArquivoInvalido("", "o documento deve ser um objeto");

  std::string campo;
  const json* configuracao = &documento;
  if (documento.contains(secao)) {
    campo = secao;
    configuracao = &documento[secao];
    if (!configuracao->is_object()) ArquivoInvalido(campo, "deve ser um objeto");
  }
  if (!configuracao->contains("regras")) ArquivoInvalido(Caminho(campo, "regras"), "falta a lista de regras");
  const json& regras = (*configuracao)["regras"];
  const std::string campoRegras = Caminho(campo, "regras");
  if (!regras.is_array()) ArquivoInvalido(campoRegras, "deve ser uma lista de regras");

  Configuracao dados;
  for (size_t i = 0; i < regras.size(); ++i) {
    dados.AdicionaRegra(LeRegra<typename Configuracao::Regra>(regras[i], Caminho(campoRegras, i)));
  }
  return dados;
}

// What the validator answered: 0 with `valido` printed, the warning's text on a
// refusal, the error's text on a failed read.
int Responde(const CZQDadosDF_Erro& erro, const std::string& valido, std::ostream& saida, std::ostream& erros) {
  if (erro.EhErroNenhum()) {
    saida << valido << "\n";
    return 0;
  }
  if (erro.EhAviso() || erro.EhQuestionamento()) {
    saida << erro.GetTextoMostraMensagem().c_str() << "\n";
    return ZQ_CL_SAIDA_RECUSA;
  }
  erros << "cl: " << erro.GetTextoMostraMensagem().c_str() << "\n";
  return kSaidaFalha;
}

CZQProfilerEmpresa Pessoa() { return CZQProfilerEmpresa(CZQConfiguracao::Global().Get("empresa"), 1, 1); }

std::string Plural(int64_t n, const char* um, const char* varios) {
  return std::to_string(n) + " " + (n == 1 ? um : varios);
}

// A service's configuration, from the file when one is given (its section of a company
// file named by `secao`) or else as stored, checked by the service's validator.
template <typename Validador, typename Configuracao>
int ValidaConfiguracaoServico(const std::string& arquivo, const char* secao,
                              HRESULT (CZQAcessoConciliacao::*leGravada)(Configuracao&, int), const char* servico,
                              std::ostream& saida, std::ostream& erros) {
  const CZQProfilerEmpresa pessoa = Pessoa();
  Validador validador;
  if (FAILED(validador.Inicializa(&pessoa))) {
    erros << "cl: " << validador.GetErro().GetTextoMostraMensagem().c_str() << "\n";
    return kSaidaFalha;
  }

  Configuracao configuracao;
  if (!arquivo.empty()) {
    configuracao = LeArquivoConfiguracao<Configuracao>(arquivo, secao);
  } else {
    CZQAcessoServidores* hub = validador.GetAcessoServidores();
    CZQAcessoConciliacao* conciliacao = hub ? hub->GetAcessoConciliacao() : nullptr;
    if (conciliacao == nullptr) {
      erros << "cl: os servidores de acesso a dados não estão disponíveis\n";
      return kSaidaFalha;
    }
    if (FAILED((conciliacao->*leGravada)(configuracao, 0))) {
      erros << "cl: " << conciliacao->GetErro()->GetTextoMostraMensagem().c_str() << "\n";
      return kSaidaFalha;
    }
  }

  int64_t contas = 0;
  for (const auto& regra : configuracao.GetListaRegras()) contas += regra.GetQuantidadePonteirosContaBanco();
  const std::string valido = std::string("Configuração do serviço de ") + servico +
                             " válida: " + Plural(configuracao.GetQuantidadeRegras(), "regra", "regras") + ", " +
                             Plural(contas, "conta", "contas") + ".";
  return Responde(validador.TrataGravacao(&configuracao), valido, saida, erros);
}

}  // namespace

void ZQComandosValidacao::Registra(CLI::App& app) {
  m_pedido = Adiciona(app, "validate-import", "Valida um pedido de importação de extrato, como a tela antes de gravar");
  m_pedido->add_option("--from", m_de, "Data inicial, DD/MM/AAAA")->required();
  m_pedido->add_option("--to", m_ate, "Data final, DD/MM/AAAA")->required();
  m_pedido->add_option("--account", m_conta, "Conta bancária (ponteiro do plano de contas; padrão: nenhuma)");
  m_pedido->add_option("--branch", m_filial, "Filial (padrão: 1)");
  m_pedido->add_option("--layout", m_leiaute,
                       "Layout: o nome, ou a posição do cadastro (padrão sem --file: \"Importação Online\")");
  m_pedido->add_option("--file", m_arquivo, "Arquivo do extrato, numa importação por arquivo");

  m_configuracao = Adiciona(app, "validate-config", "Valida a configuração de um serviço, como a tela antes de gravar");
  m_configuracao->add_option("servico", m_servico, "O serviço: importacao ou conciliacao")
      ->required()
      ->check(CLI::IsMember({std::string(kServicoImportacao), std::string(kServicoConciliacao)}));
  m_configuracao->add_option("--file", m_arquivoConfiguracao,
                             "Configuração em JSON ({\"regras\": [...]} ou o arquivo da empresa); padrão: a gravada");
}

int ZQComandosValidacao::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  try {
    if (m_pedido && m_pedido->parsed()) {
      // The arguments are read before the store is opened: a bad date costs nothing.
      Data(m_de, "--from");
      Data(m_ate, "--to");
      ArmazemSomenteLeitura armazem(conexao);
      return ValidaPedido(saida, erros);
    }
    if (m_configuracao && m_configuracao->parsed()) {
      if (!m_arquivoConfiguracao.empty()) {
        if (m_servico == kServicoConciliacao) {
          LeArquivoConfiguracao<CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco>(m_arquivoConfiguracao,
                                                                                          kSecaoConciliacao);
        } else {
          LeArquivoConfiguracao<CZQDadosCL_ConfiguracaoServicoImportacaoExtratos>(m_arquivoConfiguracao,
                                                                                  kSecaoImportacao);
        }
      }
      ArmazemSomenteLeitura armazem(conexao);
      return ValidaConfiguracao(saida, erros);
    }
  } catch (const Recusa& r) {
    erros << "cl: " << r.texto << "\n";
    return r.codigo;
  }
  return 0;
}

int ZQComandosValidacao::ValidaPedido(std::ostream& saida, std::ostream& erros) {
  CZQDadosCL_FiltroImportacaoExtrato pedido;
  pedido.SetConta(m_conta)
      .SetFilial(m_filial)
      .SetDataInicial(Data(m_de, "--from"))
      .SetDataFinal(Data(m_ate, "--to"))
      .SetArquivo(CZQString(m_arquivo));
  if (EhPosicao(m_leiaute)) {
    pedido.SetPosicaoLeiaute(static_cast<int32_t>(std::strtol(m_leiaute.c_str(), nullptr, 10)));
  } else if (!m_leiaute.empty()) {
    pedido.SetLeiaute(CZQString(m_leiaute));
  } else if (m_arquivo.empty()) {
    pedido.SetLeiaute(CZQString(ZQ_LEIAUTE_IMPORTACAO_ONLINE));
  }

  const CZQProfilerEmpresa pessoa = Pessoa();
  CCLTrataDadosImportacaoExtratos validador;
  if (FAILED(validador.Inicializa(&pessoa))) {
    erros << "cl: " << validador.GetErro().GetTextoMostraMensagem().c_str() << "\n";
    return kSaidaFalha;
  }
  return Responde(validador.TrataGravacao(&pedido), "Pedido de importação válido.", saida, erros);
}

int ZQComandosValidacao::ValidaConfiguracao(std::ostream& saida, std::ostream& erros) {
  if (m_servico == kServicoConciliacao) {
    return ValidaConfiguracaoServico<CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco>(
        m_arquivoConfiguracao, kSecaoConciliacao, &CZQAcessoConciliacao::LeConfiguracaoConciliacaoTesourariaBanco,
        "conciliação", saida, erros);
  }
  return ValidaConfiguracaoServico<CCLTrataDadosConfiguracaoServicoImportacaoExtratos>(
      m_arquivoConfiguracao, kSecaoImportacao, &CZQAcessoConciliacao::LeConfiguracaoServicoImportacaoExtratos,
      "importação", saida, erros);
}
