#include "platform/access/zq_acesso_servidores.h"

#include <mutex>

namespace {

std::mutex g_mutex;
ZQFabricaAcessoServidores& Fabrica() {
  static ZQFabricaAcessoServidores fabrica;
  return fabrica;
}

}  // namespace

ZQFabricaAcessoServidores ZQDefineFabricaAcessoServidores(ZQFabricaAcessoServidores fabrica) {
  std::lock_guard<std::mutex> trava(g_mutex);
  ZQFabricaAcessoServidores anterior = std::move(Fabrica());
  Fabrica() = std::move(fabrica);
  return anterior;
}

std::unique_ptr<CZQAcessoServidores> ZQNovoAcessoServidores(const IZQDF_Profiler& profiler) {
  ZQFabricaAcessoServidores fabrica;
  {
    std::lock_guard<std::mutex> trava(g_mutex);
    fabrica = Fabrica();
  }
  return fabrica ? fabrica(profiler) : nullptr;
}
