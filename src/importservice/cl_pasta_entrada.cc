#include "importservice/cl_pasta_entrada.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <utility>

#include "frame/zq_config.h"
#include "frame/zq_trace.h"
#include "import/cl_arquivos.h"
#include "import/cl_importacao_arquivo_extrato.h"
#include "platform/access/zq_acesso_empresarial.h"
#include "platform/records/zq_dados_empresarial.h"

namespace fs = std::filesystem;

namespace {

constexpr const char kClasse[] = "CCLPastaEntrada";

constexpr long kAvisoSemLeiaute = 6113;
constexpr long kAvisoNadaGravado = 6114;
constexpr long kErroPastaEntrada = 6115;
constexpr long kErroMovimento = 6116;
constexpr long kResumoArquivo = 6117;

// A warning of the catalogue with its placeholders filled.
template <typename... A>
CZQDadosDF_Erro Aviso(long codigo, const A&... args) {
  CZQDadosDF_Erro erro;
  erro.SetAvisoPersonalizado(ZQ_MODULO_CL, 0, codigo, args...);
  return erro;
}

// A failure (not the file's fault) with the catalogue's text: the file stays.
template <typename... A>
CZQDadosDF_Erro Falha(long codigo, const A&... args) {
  CZQDadosDF_Erro erro;
  const CZQString texto = Aviso(codigo, args...).GetTextoMostraMensagem();
  erro.SetErro(E_FAIL, 0, 0);
  erro.SetCodigoMensagem(codigo);
  erro.SetModuloMensagem(ZQ_MODULO_CL);
  erro.SetTexto(texto);
  return erro;
}

// Names a program gives a file while it writes it, and hidden files: never taken.
bool EmEscrita(const std::string& nome) {
  if (nome.empty() || nome[0] == '.' || nome.back() == '~') return true;
  for (const char* sufixo : {".part", ".tmp", ".crdownload", ".partial"}) {
    const std::string s(sufixo);
    if (nome.size() >= s.size() && nome.compare(nome.size() - s.size(), s.size(), s) == 0) return true;
  }
  return false;
}

// A name in the folder that no file has yet: the file's own, else with "-2", "-3"...
// before its extension, so an earlier file of the same name is never replaced.
fs::path NomeLivre(const fs::path& pasta, const std::string& nome) {
  std::error_code ec;
  fs::path candidato = pasta / nome;
  const fs::path original(nome);
  for (int n = 2; fs::exists(candidato, ec) || fs::exists(candidato.string() + CL_SUFIXO_RELATORIO, ec); ++n) {
    candidato = pasta / (original.stem().string() + "-" + std::to_string(n) + original.extension().string());
  }
  return candidato;
}

}  // namespace

CCLPastaEntrada::CCLPastaEntrada(CZQBaseParaRotinas& rotina, Registro registra, std::string raiz)
    : m_rotina(rotina), m_registra(std::move(registra)), m_raiz(std::move(raiz)) {
  if (m_raiz.empty()) m_raiz = cl_import::JuntaCaminho(CZQConfiguracao::Global().DiretorioInstalacao(), "entrada");
}

std::string CCLPastaEntrada::PastaConta(uint32_t conta) const {
  return cl_import::JuntaCaminho(m_raiz, std::to_string(conta));
}

std::vector<std::string> CCLPastaEntrada::ArquivosProntos(const std::string& pasta, std::size_t& adiados) {
  std::vector<std::string> nomes;
  std::error_code ec;
  if (!fs::is_directory(pasta, ec)) return nomes;
  const auto agora = fs::file_time_type::clock::now();
  for (fs::directory_iterator it(pasta, ec), fim; !ec && it != fim; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;  // processados/, rejeitados/ and anything not a file
    const std::string nome = it->path().filename().string();
    const auto alterado = it->last_write_time(ec);
    if (EmEscrita(nome) || ec || agora - alterado < std::chrono::seconds(CL_SEGUNDOS_ARQUIVO_QUIETO)) {
      ++adiados;
      continue;
    }
    nomes.push_back(nome);
  }
  std::sort(nomes.begin(), nomes.end());
  return nomes;
}

std::vector<uint32_t> CCLPastaEntrada::ContasComArquivos() const {
  std::vector<uint32_t> contas;
  std::error_code ec;
  for (fs::directory_iterator it(m_raiz, ec), fim; !ec && it != fim; it.increment(ec)) {
    const std::string nome = it->path().filename().string();
    // Only a name PastaConta would give: digits, no leading zero, within 32 bits.
    if (nome.empty() || nome.size() > 10 ||
        !std::all_of(nome.begin(), nome.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const unsigned long long numero = std::stoull(nome);
    if (numero == 0 || numero > UINT32_MAX || std::to_string(numero) != nome) continue;
    std::size_t adiados = 0;
    if (!ArquivosProntos(it->path().string(), adiados).empty()) contas.push_back(static_cast<uint32_t>(numero));
  }
  std::sort(contas.begin(), contas.end());
  return contas;
}

CCLResultadoPastaEntrada CCLPastaEntrada::Processa(const CZQDadosCL_FiltroImportacaoExtrato& pedidoConta) {
  CCLResultadoPastaEntrada resultado;
  const uint32_t conta = pedidoConta.GetConta();
  const fs::path pasta = PastaConta(conta);
  std::error_code ec;
  const std::vector<std::string> nomes = ArquivosProntos(pasta.string(), resultado.adiados);
  if (nomes.empty()) return resultado;

  // Both destinations exist before anything is imported: a file whose lines are stored
  // must be able to leave the folder.
  for (const char* destino : {CL_PASTA_PROCESSADOS, CL_PASTA_REJEITADOS}) {
    fs::create_directories(pasta / destino, ec);
    if (!ec && !fs::is_directory(pasta / destino, ec)) ec = std::make_error_code(std::errc::not_a_directory);
    if (ec) {
      resultado.erro = Falha(kErroPastaEntrada, pasta.string().c_str(), ec.message().c_str());
      break;
    }
  }
  CZQDadosDF_Banco banco;
  if (!resultado.erro.TemErro()) {
    HRESULT hr = S_OK;
    CZQAcessoEmpresarial* empresarial = m_rotina.AreaEmpresarial();
    if (ZQ_FALHOU_EM(&m_rotina, kClasse, hr, empresarial->LeBufferBanco(conta, &banco))) {
      resultado.erro.SetErro(empresarial->GetErro());
    }
  }
  if (resultado.erro.TemErro()) {
    // Nothing was taken: every file waits for the next cycle.
    m_registra(resultado.erro.GetTextoMostraMensagem());
    for (const std::string& nome : nomes) {
      resultado.arquivos.push_back({nome, CCLArquivoPastaEntrada::kFica, (pasta / nome).string(), resultado.erro, {}});
    }
    return resultado;
  }

  const int32_t leiaute = banco.GetPosicaoLeiauteArquivo();
  for (const std::string& nome : nomes) {
    CCLArquivoPastaEntrada arquivo;
    arquivo.nome = nome;
    arquivo.caminho = (pasta / nome).string();
    std::string relatorio;
    if (leiaute == 0) {
      arquivo.destino = CCLArquivoPastaEntrada::kRejeitado;
      arquivo.erro = Aviso(kAvisoSemLeiaute, std::to_string(conta).c_str(), nome.c_str());
      relatorio = arquivo.erro.GetTextoMostraMensagem().str() + "\n";
    } else {
      relatorio = Importa(pedidoConta, leiaute, arquivo, arquivo.caminho);
    }
    if (arquivo.destino == CCLArquivoPastaEntrada::kFica) {
      m_registra(arquivo.erro.GetTextoMostraMensagem());
    } else {
      const bool processado = arquivo.destino == CCLArquivoPastaEntrada::kProcessado;
      Move((pasta / (processado ? CL_PASTA_PROCESSADOS : CL_PASTA_REJEITADOS)).string(), arquivo.caminho, relatorio,
           arquivo);
    }
    if (arquivo.erro.TemErro() && !resultado.erro.TemErro()) resultado.erro = arquivo.erro;
    resultado.arquivos.push_back(std::move(arquivo));
  }
  return resultado;
}

std::string CCLPastaEntrada::Importa(const CZQDadosCL_FiltroImportacaoExtrato& pedidoConta, int32_t leiaute,
                                     CCLArquivoPastaEntrada& arquivo, const std::string& caminho) {
  CCLImportacaoArquivoExtrato importacao;
  HRESULT hr = S_OK;
  if (ZQ_FALHOU_EM(&m_rotina, kClasse, hr, importacao.Inicializa(&m_rotina))) {
    arquivo.destino = CCLArquivoPastaEntrada::kFica;
    arquivo.erro = importacao.GetErro();
    return std::string();
  }
  importacao.SetModoSilencioso();
  importacao.SetRegistraConteudo(true);
  CZQDadosCL_FiltroImportacaoExtrato pedido = pedidoConta;
  pedido.SetPosicaoLeiaute(leiaute)
      .SetArquivo(CZQString(caminho))
      .SetDataInicial(0)
      .SetDataFinal(0)
      .SetLeiaute(CZQString());
  const CZQDadosDF_Erro& erro = importacao.ImportaArquivo(pedido);

  std::string relatorio =
      Aviso(kResumoArquivo, arquivo.nome.c_str(), static_cast<int>(importacao.GetGravadas().size()),
            static_cast<int>(importacao.GetRecusadas().size()), static_cast<int>(importacao.GetIgnoradas()))
          .GetTextoMostraMensagem()
          .str() +
      "\n";
  if (!erro.TemErro() || erro.EhAviso()) {
    // Lines are stored all or none: a file refused whole stored nothing.
    arquivo.contagem.gravadas = erro.TemErro() ? 0 : static_cast<uint32_t>(importacao.GetGravadas().size());
    arquivo.contagem.recusadas = static_cast<uint32_t>(importacao.GetRecusadas().size());
  }
  if (erro.TemErro()) {
    // What the file holds is refused; a failure of the store is not the file's fault.
    arquivo.destino = erro.EhAviso() ? CCLArquivoPastaEntrada::kRejeitado : CCLArquivoPastaEntrada::kFica;
    arquivo.erro = erro;
  } else if (importacao.GetGravadas().empty()) {
    arquivo.destino = CCLArquivoPastaEntrada::kRejeitado;
    arquivo.erro = Aviso(kAvisoNadaGravado, arquivo.nome.c_str());
  } else {
    arquivo.destino = CCLArquivoPastaEntrada::kProcessado;
  }
  if (arquivo.erro.TemErro()) relatorio += arquivo.erro.GetTextoMostraMensagem().str() + "\n";
  return relatorio + importacao.TextoRelatorio();
}

void CCLPastaEntrada::Move(const std::string& pasta, const std::string& caminho, const std::string& relatorio,
                           CCLArquivoPastaEntrada& arquivo) {
  const fs::path destino = NomeLivre(pasta, arquivo.nome);
  std::error_code ec;
  // One rename within the folder's file system: the file is in one place or the other.
  Renomeia(caminho, destino.string(), ec);
  if (ec) {
    arquivo.destino = CCLArquivoPastaEntrada::kFica;
    arquivo.erro = Falha(kErroMovimento, arquivo.nome.c_str(), pasta.c_str(), ec.message().c_str());
    m_registra(arquivo.erro.GetTextoMostraMensagem());
    return;
  }
  arquivo.caminho = destino.string();
  const std::string caminhoRelatorio = arquivo.caminho + CL_SUFIXO_RELATORIO;
  if (!cl_import::GravaArquivo(caminhoRelatorio, cl_import::TextoComQuebrasWindows(relatorio))) {
    // The file has gone where it belongs; only its report is missing.
    CZQString texto;
    texto.Format("O relatório %s não pôde ser gravado.", caminhoRelatorio.c_str());
    m_registra(texto);
  }
}

void CCLPastaEntrada::Renomeia(const std::string& de, const std::string& para, std::error_code& ec) {
  fs::rename(de, para, ec);
}

void CCLPastaEntrada::Combina(const CCLResultadoPastaEntrada& resultado, CZQDadosDF_Erro& dadosErro) {
  if (resultado.arquivos.empty()) return;
  const bool falhaOnline = dadosErro.TemErro() && !dadosErro.EhAviso();
  if (falhaOnline) return;
  if (resultado.erro.TemErro()) {
    dadosErro = resultado.erro;
  } else {
    dadosErro.Limpar();
  }
}
