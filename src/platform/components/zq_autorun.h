#pragma once

#include <cstdint>
#include <cstring>
#include <new>

#include "frame/cl_export.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"

struct CRuntimeClass {
  const char* m_lpszClassName;
};

// The root of the host's object model.
class CL_EXPORT CObject {
 public:
  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject();
  virtual void Serialize();
  virtual void AssertValid() const;
  virtual void Dump() const;
};

// What the service host offers a running service.
class IZQHostServico {
 public:
  virtual ~IZQHostServico() = default;
  // Writes an entry into the host's log.
  virtual HRESULT GravaLog(unsigned short tipo, unsigned short nivel, const char* texto) = 0;
  // True when the host wants the current run to stop.
  virtual bool Abortar() = 0;
};

// Base of a scheduled service: the host creates it through its factory, calls OnRun
// once per cycle and disposes of it through OnDestroi.
class CL_EXPORT CAutoRun : public CObject, public CZQBaseParaRotinas {
 public:
  CAutoRun();
  ~CAutoRun() override;

  virtual HRESULT OnRun() = 0;
  virtual HRESULT OnGetIntervalo(unsigned long* intervalo) = 0;
  virtual void OnDestroi() = 0;
  virtual bool OnUsarEventoProprio();
  virtual HRESULT OnCriaEvento();
  virtual HRESULT OnMonitoraEvento(bool* sinalizado);
  virtual bool OnConsultaIndicador();
  virtual unsigned long OnGetCodigoServico();
  virtual CZQString OnGetMensagemAmigavel() const;

  HRESULT OnInicializa() override;
  HRESULT OnFinaliza() override;

  // Host operations a service calls. Without a host the log goes to standard error.
  HRESULT GravaLog(unsigned short tipo, unsigned short nivel, const char* texto);
  bool Abortar();

  // How many accounts the last run handled, so a host can tell "nothing due" from work
  // done: the host clears it before OnRun and the service counts what it handled.
  void SetContasProcessadas(long contas) { m_lContasProcessadas = contas; }
  long GetContasProcessadas() const { return m_lContasProcessadas; }

  // Set by the host before the first run; not owned.
  void SetHost(IZQHostServico* host) { m_pHost = host; }
  IZQHostServico* GetHost() const { return m_pHost; }

 private:
  IZQHostServico* m_pHost;
  long m_lContasProcessadas;
};

// The failure path shared by the services: "%s - %s" of the step's message and the
// HRESULT's description, trimmed (so an undescribed code ends it in " -"), written to the
// host's log with GravaLog(1, 4, text), then
// thrown as a CZQExceptionEx with the service's company, source file and line.
[[noreturn]] CL_EXPORT void ZQFalhaServico(CAutoRun& servico, const char* mensagem, HRESULT hr, const char* arquivo,
                                           int linha);

// What the services' factories do: allocate without throwing, zero every byte, then
// construct. Null when the allocation or the construction fails.
template <typename Servico>
CAutoRun* ZQCriaServico() {
  void* memoria = ::operator new(sizeof(Servico), std::nothrow);
  if (!memoria) return nullptr;
  std::memset(memoria, 0, sizeof(Servico));
  try {
    return new (memoria) Servico();
  } catch (...) {
    ::operator delete(memoria);
    return nullptr;
  }
}
