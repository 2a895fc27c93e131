#pragma once

#include <cstdint>
#include <string>

#include "frame/cl_export.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_string.h"
#include "frame/zq_vector.h"
#include "import/cl_trata_dados_extrato.h"
#include "platform/records/zq_dados_extrato.h"

class CWnd;
class CZQAcessoConciliacao;
class CZQAcessoEmpresarial;

// Test-mode answers in the installation directory: when one is present, its source
// makes no query and uses the file instead.
inline constexpr const char CL_ARQUIVO_MOCK_EXTRATO_BANCO_BRASIL[] = "MockExtratoBancoBrasil.json";
inline constexpr const char CL_ARQUIVO_MOCK_EXTRATO_TAVORIN[] = "MockExtratoTavorin.ofx";

// Statement lines of one import: stored, and refused by the validation. Lines dropped
// without a warning (balance lines, lines without amount) are neither.
struct CCLContagemLinhas {
  uint32_t gravadas = 0;
  uint32_t recusadas = 0;
};

// Import of the bank statement of one account for one period: fetches the lines from
// the account's online source, validates each one and stores those that pass, telling
// the parent window how far it went.
class CL_EXPORT CCLImportacaoExtrato : public CZQBaseParaRotinas {
 public:
  CCLImportacaoExtrato();
  CCLImportacaoExtrato(const CCLImportacaoExtrato& outro);
  CCLImportacaoExtrato(CCLImportacaoExtrato&& outro) noexcept;
  ~CCLImportacaoExtrato() override;
  CCLImportacaoExtrato& operator=(const CCLImportacaoExtrato& outro);
  CCLImportacaoExtrato& operator=(CCLImportacaoExtrato&& outro) noexcept;

  // Imports the request's account and period. Clear when done; warning 5891 of the
  // module when the source gave no line; otherwise the error of the step that failed.
  CZQDadosDF_Erro& ImportaExtrato(const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao);

  HRESULT OnInicializa() override;

 private:
  // Reads an OFX statement file into statement lines of the request's account and branch,
  // appended to the list.
  CZQDadosDF_Erro& InterpretaArquivoExtratoTavorin(const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
                                                   CZQVector<CZQDadosCL_Extrato>& listaExtratos,
                                                   const CZQString& caminhoArquivo);

 public:
  // Takes the one field a line of an OFX file carries into the line under construction;
  // `historicoCompleto` says whether the line completes a transaction.
  void ProcuraInformacoesExtratoTavorin(CZQString linha, CZQDadosCL_Extrato& dadosExtrato, CZQString& linhaAnterior,
                                        bool& historicoCompleto);
  // Drops what precedes the first tag and puts every tag on a line of its own.
  void RemoveInformacoesIniciaisArquivoExtratoTavorin(CZQString& texto);

 private:
  CZQDadosDF_Erro& MontaListaExtratosBancoBrasil(const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
                                                 CZQVector<CZQDadosCL_Extrato>& listaExtratos);
  CZQDadosDF_Erro& MontaListaExtratosTavorin(const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
                                             CZQVector<CZQDadosCL_Extrato>& listaExtratos);
  // Text of a statement file as the module keeps it (UTF-8): a byte-order mark is
  // dropped, UTF-8 stays as it is, and anything else is read as code page 1252.
  void ConverteParaUTF8(CZQString& texto);
  // Progress message 1126 to the parent window, unless silent or without one.
  void AtualizaBarraProgresso(uint32_t valor);

 public:
  // Where the report of the lines rejected so far is (after ImportaExtrato).
  CZQDadosCL_ExtraInfoBase GetExtraInfoBase();
  // What the last ImportaExtrato stored and refused (as far as it went).
  CCLContagemLinhas GetContagem() const { return m_contagem; }
  // No progress messages from now on.
  void SetModoSilencioso();
  // The window that receives the progress messages; a null one is ignored.
  void SetParent(CWnd* pParent);

 private:
  friend struct CCLImportacaoExtratoAcessoTeste;

  // The areas of the routine's data-access servers (never null).
  CZQAcessoConciliacao* GetAcessoConciliacao();
  CZQAcessoEmpresarial* GetAcessoEmpresarial();

  CWnd* m_pParent = nullptr;
  CCLTrataDadosExtrato m_trataDadosExtrato;
  bool m_bModoSilencioso = false;
  CCLContagemLinhas m_contagem;
};
