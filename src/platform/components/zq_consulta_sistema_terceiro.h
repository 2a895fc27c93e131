#pragma once

#include <functional>
#include <memory>

#include "frame/cl_export.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_erro.h"
#include "frame/zq_profiler.h"
#include "frame/zq_tipos.h"
#include "platform/records/zq_base_dados.h"
#include "platform/records/zq_dados_consulta_terceiro.h"

// The ERP's external-system query middleware, as the rules see it.
//
// A routine creates a CZQConsultaSistemaTerceiro, binds it to itself with Inicializa(this)
// and calls BuscaDados with the query and a pointer to the answer record:
//   query kind 15 (Banco do Brasil statement): CZQDadosCR_ConsultaExtratoBancoBrasil,
//     key = CZQDadosCR_FiltroConsultaExtratoBancoBrasil::GetPathRequisicao(); the answer
//     holds the rows of every page;
//   query kind 6 (Tavorin statement): CZQDadosCR_StatusConsultaSistemaTerceiro,
//     key = "?inicio=<aaaa-mm-dd>&fim=<aaaa-mm-dd>&encoding=ofx"; the answer holds the
//     OFX document's bytes.
// The component that does the work lives outside the rules library and is installed by
// the program (host, command-line tool) through ZQDefineFabricaConsultaSistemaTerceiro;
// tests install fakes the same way.

// Facility of the middleware's own results, among the ERP's facilities.
inline constexpr uint32_t ZQ_FACILITY_CONSULTA_TERCEIROS = 270;

constexpr HRESULT ZQHResultConsulta(uint32_t codigo) { return MAKE_HRESULT(1, ZQ_FACILITY_CONSULTA_TERCEIROS, codigo); }

// Failures of a query. Each has its description in the ERP's message library
// (ZQGetErrorDescription); the error record of the middleware carries the details
// (address, HTTP status, the service's own message).
inline constexpr HRESULT ZQ_E_CONSULTA_NAO_INSTALADA = ZQHResultConsulta(0x1001);     // no component installed
inline constexpr HRESULT ZQ_E_CONSULTA_NAO_INICIALIZADA = ZQHResultConsulta(0x1002);  // BuscaDados before Inicializa
inline constexpr HRESULT ZQ_E_CONSULTA_INVALIDA = ZQHResultConsulta(0x1003);          // kind, key or answer record
inline constexpr HRESULT ZQ_E_CONSULTA_NAO_CONFIGURADA = ZQHResultConsulta(0x1004);   // address or credentials missing
inline constexpr HRESULT ZQ_E_CONSULTA_SEM_CONEXAO = ZQHResultConsulta(0x1005);       // name or connection refused
inline constexpr HRESULT ZQ_E_CONSULTA_TEMPO_ESGOTADO = ZQHResultConsulta(0x1006);    // time-out
inline constexpr HRESULT ZQ_E_CONSULTA_CONEXAO_INTERROMPIDA = ZQHResultConsulta(0x1007);  // truncated answer, reset
inline constexpr HRESULT ZQ_E_CONSULTA_CONEXAO_SEGURA = ZQHResultConsulta(0x1008);        // TLS or certificate
inline constexpr HRESULT ZQ_E_CONSULTA_RESPOSTA_INVALIDA = ZQHResultConsulta(0x1009);     // malformed answer
inline constexpr HRESULT ZQ_E_CONSULTA_RESPOSTA_GRANDE = ZQHResultConsulta(0x100A);       // answer over the size limit
inline constexpr HRESULT ZQ_E_CONSULTA_AUTENTICACAO = ZQHResultConsulta(0x100B);          // token refused
inline constexpr HRESULT ZQ_E_CONSULTA_PAGINACAO = ZQHResultConsulta(0x100C);             // paging never ends
// An HTTP error status: 0x2000 plus the status for the ones with a description of their
// own, 0x2000 alone for any other.
inline constexpr HRESULT ZQ_E_CONSULTA_STATUS_HTTP = ZQHResultConsulta(0x2000);

// The HRESULT of an HTTP error status (400 and above).
constexpr HRESULT ZQHResultStatusHttp(long status) {
  switch (status) {
    case 400:
    case 401:
    case 403:
    case 404:
    case 408:
    case 409:
    case 422:
    case 429:
    case 500:
    case 502:
    case 503:
    case 504:
      return ZQHResultConsulta(0x2000u + static_cast<uint32_t>(status));
    default:
      return ZQ_E_CONSULTA_STATUS_HTTP;
  }
}

// Class number the middleware's error records carry.
inline constexpr unsigned short ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO = 2701;

// What the program installs: performs one query. On failure it returns a failed HRESULT,
// fills `erro` (HRESULT, class ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO, value = HTTP status
// when there was one, Portuguese text with the details) and hands back no part of an
// answer: a statement answer is left empty; a status answer is left with status
// ZQ_STATUS_CONSULTA_ERRO, no document, and the service's own message when it sent one.
class IZQConsultaSistemaTerceiro {
 public:
  virtual ~IZQConsultaSistemaTerceiro() = default;
  virtual HRESULT BuscaDados(const CZQDadosCR_ConsultaSistemaTerceiro& consulta, TZQBaseParaDados* resultado,
                             CZQDadosDF_Erro& erro) = 0;
};

// Creates the component for a routine's identity (company, user, session).
using ZQFabricaConsultaSistemaTerceiro =
    std::function<std::unique_ptr<IZQConsultaSistemaTerceiro>(const IZQDF_Profiler&)>;

// Installs the process's factory and returns the previous one.
CL_EXPORT ZQFabricaConsultaSistemaTerceiro
ZQDefineFabricaConsultaSistemaTerceiro(ZQFabricaConsultaSistemaTerceiro fabrica);
// A new component from the installed factory; null when none is installed.
CL_EXPORT std::unique_ptr<IZQConsultaSistemaTerceiro> ZQNovaConsultaSistemaTerceiro(const IZQDF_Profiler& profiler);

// The middleware routine the rules hold (variable zqConsultaSistemaTerceiro).
class CL_EXPORT CZQConsultaSistemaTerceiro : public CZQBaseParaRotinas {
 public:
  CZQConsultaSistemaTerceiro();
  ~CZQConsultaSistemaTerceiro() override;
  CZQConsultaSistemaTerceiro(const CZQConsultaSistemaTerceiro&) = delete;
  CZQConsultaSistemaTerceiro& operator=(const CZQConsultaSistemaTerceiro&) = delete;

  // Takes the owner's identity and creates the component from the installed factory;
  // ZQ_E_CONSULTA_NAO_INSTALADA (GetErro tells why) when there is none.
  HRESULT OnInicializa() override;

  // Runs the query into the answer record (see the top of this file for the pairs of
  // query kind and record). S_OK and the answer filled; or a failed HRESULT, the
  // component's error record in GetErro, and no part of an answer (see above).
  HRESULT BuscaDados(const CZQDadosCR_ConsultaSistemaTerceiro& consulta, TZQBaseParaDados* resultado);

 private:
  std::unique_ptr<IZQConsultaSistemaTerceiro> m_pConsulta;
};

// The Banco do Brasil source's test mode: reads "MockExtratoBancoBrasil.json" of the
// installation directory, in the shape of the service's answer (one page object, or an
// array of page objects), into the answer record, with the same reading as a real query.
class CL_EXPORT CZQMockExtratoBancoBrasil {
 public:
  static constexpr const char* NOME_ARQUIVO = "MockExtratoBancoBrasil.json";

  // S_OK and the rows of every page; 0x80070002 when the file cannot be opened,
  // ZQ_E_CONSULTA_RESPOSTA_INVALIDA when it is not a well-formed answer (record left empty).
  static HRESULT ConverteJson(CZQDadosCR_ConsultaExtratoBancoBrasil* resposta);
  // The same from a given file; erro, when given, receives the details of a failure.
  static HRESULT ConverteJsonArquivo(const char* caminho, CZQDadosCR_ConsultaExtratoBancoBrasil* resposta,
                                     CZQDadosDF_Erro* erro = nullptr);
};
