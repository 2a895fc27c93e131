#include "platform/components/zq_analytics_evento.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "frame/zq_relogio.h"

namespace {

// Far more than a service run hands over between two writes; beyond it events are lost
// rather than the caller kept waiting or the memory grown without end.
constexpr std::size_t kLimiteFila = 100000;

class CEscritorAnalytics {
 public:
  static CEscritorAnalytics& Instancia() {
    static CEscritorAnalytics escritor;
    return escritor;
  }

  // The process is ending: write out what is queued, then stop the thread.
  ~CEscritorAnalytics() {
    {
      std::lock_guard<std::mutex> trava(m_mutex);
      m_bParar = true;
    }
    m_cvFila.notify_all();
    if (m_thread.joinable()) m_thread.join();
  }

  void Entrega(ZQEventoAnalytics&& evento) {
    {
      std::lock_guard<std::mutex> trava(m_mutex);
      if (m_bParar || m_fila.size() >= kLimiteFila) {
        ++m_perdidos;
        return;
      }
      m_fila.push_back(std::move(evento));
      ++m_entregues;
      if (!m_thread.joinable()) m_thread = std::thread([this] { Escreve(); });
    }
    m_cvFila.notify_one();
  }

  void Esvazia() {
    std::unique_lock<std::mutex> trava(m_mutex);
    const uint64_t alvo = m_entregues;
    m_cvFeito.wait(trava, [&] { return m_concluidos >= alvo || !m_thread.joinable(); });
  }

  void DefineDestino(std::shared_ptr<IZQDestinoAnalytics> destino) {
    Esvazia();
    std::lock_guard<std::mutex> trava(m_mutex);
    m_destino = std::move(destino);
  }

  uint64_t Perdidos() {
    std::lock_guard<std::mutex> trava(m_mutex);
    return m_perdidos;
  }

 private:
  void Escreve() {
    std::unique_lock<std::mutex> trava(m_mutex);
    for (;;) {
      m_cvFila.wait(trava, [&] { return m_bParar || !m_fila.empty(); });
      if (m_fila.empty()) return;  // stopping with nothing left
      ZQEventoAnalytics evento = std::move(m_fila.front());
      m_fila.pop_front();
      std::shared_ptr<IZQDestinoAnalytics> destino = m_destino;
      trava.unlock();
      bool gravado = false;
      if (destino) {
        try {
          gravado = SUCCEEDED(destino->Grava(evento));
        } catch (...) {
          gravado = false;
        }
      }
      trava.lock();
      if (!gravado) ++m_perdidos;
      ++m_concluidos;
      m_cvFeito.notify_all();
    }
  }

  std::mutex m_mutex;
  std::condition_variable m_cvFila;
  std::condition_variable m_cvFeito;
  std::deque<ZQEventoAnalytics> m_fila;
  std::shared_ptr<IZQDestinoAnalytics> m_destino;
  std::thread m_thread;
  bool m_bParar = false;
  uint64_t m_entregues = 0;
  uint64_t m_concluidos = 0;
  uint64_t m_perdidos = 0;
};

}  // namespace

void ZQDefineDestinoAnalytics(std::shared_ptr<IZQDestinoAnalytics> destino) {
  CEscritorAnalytics::Instancia().DefineDestino(std::move(destino));
}

void ZQEsvaziaAnalytics() { CEscritorAnalytics::Instancia().Esvazia(); }

uint64_t ZQEventosAnalyticsPerdidos() { return CEscritorAnalytics::Instancia().Perdidos(); }

void CZQAnalyticsEvento::GravaAsync(const IZQDF_Profiler* profiler, uint32_t evento) {
  try {
    ZQEventoAnalytics e;
    e.ulEvento = evento;
    if (profiler) {
      e.sEmpresa = profiler->GetEmpresa();
      e.usUsuario = profiler->GetUsuario();
      e.ulNumeroSessao = profiler->GetNumeroSessao();
    }
    e.dmaHmsEvento = zq::Agora();
    CEscritorAnalytics::Instancia().Entrega(std::move(e));
  } catch (...) {
    // Recording usage never fails the caller.
  }
}
