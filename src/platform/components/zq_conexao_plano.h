#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "frame/cl_export.h"
#include "frame/zq_erro.h"
#include "frame/zq_profiler.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "platform/records/zq_estruturas_contabil.h"

// The ERP's connection to its chart of accounts: reads an account of the chart into
// the plain record the posting run and the history complement use.

// Where a connection reads from. One per connection; each keeps its last error.
class IZQFontePlanoContas {
 public:
  virtual ~IZQFontePlanoContas() = default;
  // Fills the account at a chart position (the record is cleared first). An account
  // that is not in the chart is a failure.
  virtual HRESULT LeConta(uint32_t posicao, _RegContaPS* conta) = 0;
  // The reason of the last failure (never null).
  virtual const CZQDadosDF_Erro* GetErro() const = 0;
};

// What a connection is opened with: who opens it and the two options of the chart
// connection (the posting run passes '0', '0').
struct ZQParametrosPlanoContas {
  CZQString sEmpresa;
  unsigned short usUsuario = 0;
  unsigned long ulNumeroSessao = 0;
  char cOpcao1 = '0';
  char cOpcao2 = '0';
};

// Creates a source for a connection. The host and the command-line tool install the
// store's; tests install their own.
using ZQFabricaPlanoContas = std::function<std::unique_ptr<IZQFontePlanoContas>(const ZQParametrosPlanoContas&)>;

// Installs the process's factory and returns the previous one.
CL_EXPORT ZQFabricaPlanoContas ZQDefineFabricaPlanoContas(ZQFabricaPlanoContas fabrica);
// A new source from the installed factory; null when none is installed.
CL_EXPORT std::unique_ptr<IZQFontePlanoContas> ZQNovaFontePlanoContas(const ZQParametrosPlanoContas& parametros);

// HRESULT of a connection that could not reach its chart: not opened, or no chart
// component installed in the process ("class not registered").
inline constexpr HRESULT ZQ_E_PLANO_NAO_CONECTADO = ZQ_HR(0x80040154);

// A connection to a chart. Empty until opened; a copy opens its own source.
class CL_EXPORT CConexaoPlano {
 public:
  CConexaoPlano();
  CConexaoPlano(const CConexaoPlano& outro);
  CConexaoPlano& operator=(const CConexaoPlano& outro);
  virtual ~CConexaoPlano();

  // Reads the account at a chart position into `conta` (cleared first). A failure
  // leaves the reason in GetErro() and, when the connection handles its own errors,
  // shows it to the user.
  HRESULT Le(uint32_t posicao, _RegContaPS* conta);

  // Whether the connection shows its own errors (on by default).
  void SetTrataErros(bool trataErros) { m_bTrataErros = trataErros; }
  bool GetTrataErros() const { return m_bTrataErros; }

  bool EstaConectado() const { return m_pFonte != nullptr; }
  const CZQDadosDF_Erro& GetErro() const { return m_erro; }
  const ZQParametrosPlanoContas& GetParametros() const { return m_parametros; }

 protected:
  HRESULT Conecta(const ZQParametrosPlanoContas& parametros);

 private:
  ZQParametrosPlanoContas m_parametros;
  bool m_bConectado = false;
  bool m_bTrataErros = true;
  std::unique_ptr<IZQFontePlanoContas> m_pFonte;
  CZQDadosDF_Erro m_erro;
};

// The connection to the enterprise chart (the accounts a treasury entry is classified
// under).
class CL_EXPORT CConexaoPlanoContabil : public CConexaoPlano {
 public:
  CConexaoPlanoContabil() = default;
  CConexaoPlanoContabil(const CConexaoPlanoContabil&) = default;
  CConexaoPlanoContabil& operator=(const CConexaoPlanoContabil&) = default;
  ~CConexaoPlanoContabil() override;

  // Opens the connection for a company, user and session, with the connection's two
  // options. Fails when no chart component is installed.
  HRESULT Inicializa(const CZQString& empresa, unsigned short usuario, unsigned long numeroSessao, char opcao1,
                     char opcao2);
};
