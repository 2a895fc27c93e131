#include "host/zq_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <ctime>
#include <exception>
#include <thread>

#include "frame/zq_excecao.h"

namespace {

using FabricaServico = CAutoRun* (*)();

struct ServicoConhecido {
  const char* nome;
  const char* fabrica;
};

constexpr ServicoConhecido kServicos[] = {
    {"importacao", "CLServicoImportacaoExtratos_new"},
    {"conciliacao", "CLConciliacaoTesourariaBanco_new"},
};

std::string Agora() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char texto[32];
  std::strftime(texto, sizeof texto, "%Y-%m-%d %H:%M:%S", &local);
  return texto;
}

}  // namespace

CZQHost::CZQHost() = default;

CZQHost::~CZQHost() {
  for (Servico& s : m_servicos)
    if (s.objeto) s.objeto->OnDestroi();
  m_servicos.clear();
  if (m_biblioteca) dlclose(m_biblioteca);
  if (m_log) std::fclose(m_log);
}

bool CZQHost::Carrega(const ZQOpcoesHost& opcoes, std::string& erro) {
  m_opcoes = opcoes;
  m_identidade = CZQProfilerEmpresa(opcoes.empresa, opcoes.usuario, opcoes.sessao);
  if (!opcoes.arquivoLog.empty()) {
    m_log = std::fopen(opcoes.arquivoLog.c_str(), "a");
    if (!m_log) {
      erro = "não foi possível abrir o log do host: " + opcoes.arquivoLog;
      return false;
    }
  }
  m_biblioteca = dlopen(opcoes.biblioteca.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (!m_biblioteca) {
    const char* motivo = dlerror();
    erro = "não foi possível carregar " + opcoes.biblioteca + ": " + (motivo ? motivo : "");
    return false;
  }
  for (const ServicoConhecido& conhecido : kServicos) {
    const auto& pedidos = opcoes.servicos;
    if (!pedidos.empty() && std::find(pedidos.begin(), pedidos.end(), conhecido.nome) == pedidos.end()) continue;
    auto fabrica = reinterpret_cast<FabricaServico>(dlsym(m_biblioteca, conhecido.fabrica));
    if (!fabrica) {
      erro = std::string("a biblioteca não exporta ") + conhecido.fabrica;
      return false;
    }
    CAutoRun* objeto = fabrica();
    if (!objeto) {
      erro = std::string(conhecido.fabrica) + " não criou o serviço";
      return false;
    }
    m_servicos.push_back({conhecido.nome, objeto, std::chrono::steady_clock::now()});
    objeto->SetHost(this);
    HRESULT hr = objeto->Inicializa(&m_identidade);
    if (FAILED(hr)) {
      char texto[128];
      std::snprintf(texto, sizeof texto, "falha ao inicializar o serviço %s (%#X)", conhecido.nome,
                    static_cast<unsigned>(hr));
      erro = texto;
      return false;
    }
  }
  for (const std::string& pedido : opcoes.servicos) {
    bool existe = std::any_of(std::begin(kServicos), std::end(kServicos),
                              [&](const ServicoConhecido& c) { return pedido == c.nome; });
    if (!existe) {
      erro = "serviço desconhecido: " + pedido + " (use importacao ou conciliacao)";
      return false;
    }
  }
  return true;
}

HRESULT CZQHost::GravaLog(unsigned short tipo, unsigned short nivel, const char* texto) {
  char prefixo[32];
  std::snprintf(prefixo, sizeof prefixo, "%u/%u\t", static_cast<unsigned>(tipo), static_cast<unsigned>(nivel));
  Escreve(m_servicoAtual, prefixo + std::string(texto ? texto : ""));
  return S_OK;
}

void CZQHost::Escreve(const std::string& servico, const std::string& texto) {
  std::string linha = Agora() + "\t" + (servico.empty() ? "host" : servico) + "\t" + texto + "\n";
  std::lock_guard<std::mutex> trava(m_mutexLog);
  std::fputs(linha.c_str(), stderr);
  if (m_log) {
    std::fputs(linha.c_str(), m_log);
    std::fflush(m_log);
  }
}

std::chrono::milliseconds CZQHost::Intervalo(Servico& servico) const {
  if (m_opcoes.intervaloMs >= 0) return std::chrono::milliseconds(m_opcoes.intervaloMs);
  unsigned long ms = 3600000;
  if (FAILED(servico.objeto->OnGetIntervalo(&ms))) ms = 3600000;
  return std::chrono::milliseconds(ms);
}

ZQResultadoCiclo CZQHost::ExecutaServico(Servico& servico) {
  m_servicoAtual = servico.nome;
  servico.objeto->SetContasProcessadas(0);
  ZQResultadoCiclo resultado = ZQResultadoCiclo::Falha;
  try {
    HRESULT hr = servico.objeto->OnRun();
    char texto[96];
    std::snprintf(texto, sizeof texto, "OnRun: %#X, %ld conta(s)", static_cast<unsigned>(hr),
                  servico.objeto->GetContasProcessadas());
    Escreve(servico.nome, texto);
    if (SUCCEEDED(hr))
      resultado = servico.objeto->GetContasProcessadas() > 0 ? ZQResultadoCiclo::Sucesso : ZQResultadoCiclo::NadaAFazer;
  } catch (const CZQExceptionEx& e) {
    char texto[64];
    std::snprintf(texto, sizeof texto, "%#X", static_cast<unsigned>(e.GetCodigo()));
    Escreve(servico.nome, std::string("exceção ") + texto + " da empresa '" + e.GetEmpresa().str() + "' em " +
                              e.GetArquivo().str() + ":" + std::to_string(e.GetLinha()) + " (compilação " +
                              e.GetDataHoraCompilacao().str() + "): " + e.GetMensagem().str());
  } catch (const std::exception& e) {
    Escreve(servico.nome, std::string("exceção inesperada: ") + e.what());
  } catch (...) {
    Escreve(servico.nome, "exceção desconhecida");
  }
  m_servicoAtual.clear();
  return resultado;
}

ZQResultadoCiclo CZQHost::ExecutaCiclo() {
  ZQResultadoCiclo geral = ZQResultadoCiclo::NadaAFazer;
  for (Servico& servico : m_servicos) {
    if (m_bParar.load()) break;
    ZQResultadoCiclo r = ExecutaServico(servico);
    if (r == ZQResultadoCiclo::Falha)
      geral = ZQResultadoCiclo::Falha;
    else if (r == ZQResultadoCiclo::Sucesso && geral != ZQResultadoCiclo::Falha)
      geral = ZQResultadoCiclo::Sucesso;
  }
  return geral;
}

void CZQHost::Executa() {
  Escreve("", "host iniciado");
  while (!m_bParar.load()) {
    auto agora = std::chrono::steady_clock::now();
    auto proxima = agora + std::chrono::hours(24);
    for (Servico& servico : m_servicos) {
      if (m_bParar.load()) break;
      if (servico.proximaExecucao <= agora) {
        ExecutaServico(servico);
        servico.proximaExecucao = std::chrono::steady_clock::now() + Intervalo(servico);
      }
      proxima = std::min(proxima, servico.proximaExecucao);
    }
    // Sleep in short slices so a stop request is seen quickly.
    while (!m_bParar.load() && std::chrono::steady_clock::now() < proxima)
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          proxima - std::chrono::steady_clock::now(), std::chrono::milliseconds(100)));
  }
  Escreve("", "host encerrado");
}
