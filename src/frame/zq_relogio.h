#pragma once

#include "frame/cl_export.h"
#include "frame/zq_data.h"
#include "frame/zq_tipos.h"

// Where "now" comes from. The process has one current clock, the machine's local
// clock unless replaced; tests and hosts replace it with a fixed one to run the
// rules on a chosen day and time.
class CL_EXPORT IZQRelogio {
 public:
  virtual ~IZQRelogio() = default;
  // The local date and time as a time stamp without offset.
  virtual REG_ZQDMAHMSUTC Agora() const = 0;
};

// The machine's local clock (the C library's local time of the current time).
class CL_EXPORT CZQRelogioSistema final : public IZQRelogio {
 public:
  REG_ZQDMAHMSUTC Agora() const override;
};

// A clock that stays where it is set.
class CL_EXPORT CZQRelogioFixo final : public IZQRelogio {
 public:
  CZQRelogioFixo(const CZQDma& data, REG_ZQHMS hms) : m_agora(zq::MontaDmaHms(data.GetDma(), hms)) {}
  explicit CZQRelogioFixo(REG_ZQDMAHMSUTC agora) : m_agora(agora) {}

  REG_ZQDMAHMSUTC Agora() const override { return m_agora; }
  void Define(const CZQDma& data, REG_ZQHMS hms) { m_agora = zq::MontaDmaHms(data.GetDma(), hms); }
  void Define(REG_ZQDMAHMSUTC agora) { m_agora = agora; }
  // Moves the clock by a number of seconds (negative goes back).
  void Avanca(int64_t segundos) {
    m_agora = zq::MontaDmaHmsUtc(zq::SegundosDmaHms(m_agora) + segundos, zq::ParteUtcDmaHms(m_agora));
  }

 private:
  REG_ZQDMAHMSUTC m_agora;
};

namespace zq {

// The current clock. Never null: the machine's clock when none was set.
CL_EXPORT const IZQRelogio& RelogioAtual();
// Makes `relogio` the current clock (null brings back the machine's) and returns
// the previous one (null for the machine's), to be handed back here later. The
// caller keeps `relogio` alive while it is current.
CL_EXPORT const IZQRelogio* DefineRelogio(const IZQRelogio* relogio);

// Now, today and the time of day, all from the current clock.
CL_EXPORT REG_ZQDMAHMSUTC Agora();
CL_EXPORT CZQDma Hoje();
CL_EXPORT REG_ZQHMS HoraAtual();

}  // namespace zq

// Replaces the current clock for its own lifetime and restores the previous one.
class CL_EXPORT CZQTrocaRelogio {
 public:
  explicit CZQTrocaRelogio(const IZQRelogio& relogio) : m_anterior(zq::DefineRelogio(&relogio)) {}
  ~CZQTrocaRelogio() { zq::DefineRelogio(m_anterior); }
  CZQTrocaRelogio(const CZQTrocaRelogio&) = delete;
  CZQTrocaRelogio& operator=(const CZQTrocaRelogio&) = delete;

 private:
  const IZQRelogio* m_anterior;
};
