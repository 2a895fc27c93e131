#include "frame/zq_relogio.h"

#include <atomic>
#include <ctime>

namespace {

const CZQRelogioSistema g_relogioSistema;
std::atomic<const IZQRelogio*> g_relogioAtual{nullptr};

}  // namespace

REG_ZQDMAHMSUTC CZQRelogioSistema::Agora() const {
  const std::time_t agora = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&agora, &local) == nullptr) return zq::MontaDmaHms(ZQ_DMA_VAZIA, 0);
  const CZQDma data(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
  return zq::MontaDmaHms(data.GetDma(), zq::MontaHms(local.tm_hour, local.tm_min, local.tm_sec));
}

namespace zq {

const IZQRelogio& RelogioAtual() {
  const IZQRelogio* relogio = g_relogioAtual.load(std::memory_order_acquire);
  return relogio ? *relogio : g_relogioSistema;
}

const IZQRelogio* DefineRelogio(const IZQRelogio* relogio) {
  return g_relogioAtual.exchange(relogio, std::memory_order_acq_rel);
}

REG_ZQDMAHMSUTC Agora() { return RelogioAtual().Agora(); }

CZQDma Hoje() { return CZQDma(DmaDeDmaHms(Agora())); }

REG_ZQHMS HoraAtual() { return HmsDeDmaHms(Agora()); }

}  // namespace zq
