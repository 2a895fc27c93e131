#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "frame/zq_base_rotinas.h"
#include "platform/components/zq_autorun.h"

// Options of one host process.
struct ZQOpcoesHost {
  std::string biblioteca = "libcl.so";  // the rules library, loaded with dlopen
  std::vector<std::string> servicos;    // "importacao", "conciliacao"; empty: both
  long intervaloMs = -1;                // below 0: what each service asks for
  std::string arquivoLog;               // host log file; empty: standard error only
  CZQString empresa;
  unsigned short usuario = 1;
  unsigned long sessao = 1;
};

// How a cycle ended, which --once turns into the exit status.
enum class ZQResultadoCiclo : int { Sucesso = 0, Falha = 1, NadaAFazer = 3 };

// The service host: creates each service through its factory in the rules library,
// calls OnRun once per cycle at the service's interval, writes the services' log entries
// and their failures to the host log, and disposes of them through OnDestroi.
class CZQHost : public IZQHostServico {
 public:
  CZQHost();
  ~CZQHost() override;
  CZQHost(const CZQHost&) = delete;
  CZQHost& operator=(const CZQHost&) = delete;

  // Loads the library and creates the services; false with a message when it cannot.
  bool Carrega(const ZQOpcoesHost& opcoes, std::string& erro);
  // Runs every service once, whatever its interval.
  ZQResultadoCiclo ExecutaCiclo();
  // Runs the services at their intervals until a stop is asked for.
  void Executa();
  // Asks the running cycle to stop (signal-safe).
  void PedeParada() { m_bParar.store(true); }

  HRESULT GravaLog(unsigned short tipo, unsigned short nivel, const char* texto) override;
  bool Abortar() override { return m_bParar.load(); }

 private:
  struct Servico {
    std::string nome;
    CAutoRun* objeto = nullptr;
    std::chrono::steady_clock::time_point proximaExecucao;
  };

  ZQResultadoCiclo ExecutaServico(Servico& servico);
  std::chrono::milliseconds Intervalo(Servico& servico) const;
  void Escreve(const std::string& servico, const std::string& texto);

  ZQOpcoesHost m_opcoes;
  CZQProfilerEmpresa m_identidade;
  void* m_biblioteca = nullptr;
  std::vector<Servico> m_servicos;
  std::string m_servicoAtual;
  std::atomic<bool> m_bParar{false};
  std::mutex m_mutexLog;
  FILE* m_log = nullptr;
};
