#pragma once

#include <memory>
#include <vector>

#include "frame/zq_erro.h"
#include "platform/components/zq_analytics_evento.h"
#include "store/zq_banco_sql.h"

// The usage analytics' destination over the store: one row per event, in the order the
// writer hands them over.
class CZQDestinoAnalyticsSQL : public IZQDestinoAnalytics {
 public:
  explicit CZQDestinoAnalyticsSQL(std::shared_ptr<CZQBancoSQL> banco) : m_banco(std::move(banco)) {}

  HRESULT Grava(const ZQEventoAnalytics& evento) override;
  // Every stored event, oldest first (the command-line tool and tests read them).
  HRESULT LeEventos(std::vector<ZQEventoAnalytics>& eventos);
  const CZQDadosDF_Erro& GetErro() const { return m_erro; }

 private:
  std::shared_ptr<CZQBancoSQL> m_banco;
  CZQDadosDF_Erro m_erro;
  bool m_bTabelaCriada = false;
};

// Installs the store's destination as the process's (the host and the command-line tool
// do it after opening the store).
void ZQInstalaAnalyticsSQL(std::shared_ptr<CZQBancoSQL> banco);
// Writes out what is pending and removes the destination.
void ZQRemoveAnalyticsSQL();
