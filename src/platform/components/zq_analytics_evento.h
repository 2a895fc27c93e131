#pragma once

#include <cstdint>
#include <memory>

#include "frame/cl_export.h"
#include "frame/zq_profiler.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"

// The ERP's usage analytics: numbered events recorded with who caused them and when.
// A caller hands an event over and goes on at once; a background writer of the process
// appends it to the analytics destination. Recording never blocks nor fails the caller:
// an event that cannot be written (no destination, a failing one, a full queue) is lost.

struct ZQEventoAnalytics {
  uint32_t ulEvento = 0;
  CZQString sEmpresa;
  unsigned short usUsuario = 0;
  unsigned long ulNumeroSessao = 0;
  REG_ZQDMAHMSUTC dmaHmsEvento = 0;
};

// Where the writer appends the events. Called on the writer's thread only.
class IZQDestinoAnalytics {
 public:
  virtual ~IZQDestinoAnalytics() = default;
  virtual HRESULT Grava(const ZQEventoAnalytics& evento) = 0;
};

// Installs the process's destination (null: none) after writing out, to the previous
// one, every event handed over before. The host and the command-line tool install the
// store's.
CL_EXPORT void ZQDefineDestinoAnalytics(std::shared_ptr<IZQDestinoAnalytics> destino);
// Waits until every event handed over so far was written (or lost).
CL_EXPORT void ZQEsvaziaAnalytics();
// Events lost since the process started: no destination, a failed write, a full queue.
CL_EXPORT uint64_t ZQEventosAnalyticsPerdidos();

class CL_EXPORT CZQAnalyticsEvento {
 public:
  // Records event `evento` for the profiler's company, user and session (none when
  // null) at the current moment, without waiting.
  static void GravaAsync(const IZQDF_Profiler* profiler, uint32_t evento);
};

// Events the module's services record.
inline constexpr uint32_t ZQ_EVENTO_ANALYTICS_IMPORTACAO_EXTRATO = 34;
