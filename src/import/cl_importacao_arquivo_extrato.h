#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/cl_export.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_string.h"
#include "import/cl_trata_dados_extrato.h"
#include "platform/records/zq_dados_extrato.h"

class CWnd;
class CZQAcessoConciliacao;

// Name of the report of the rows a file import refused, in the temporary directory.
inline constexpr const char CL_ARQUIVO_ERROS_IMPORTACAO_ARQUIVO[] = "ErrosImportacaoArquivoExtrato.txt";

// A row of a statement file and what became of it: its line in the file (for OFX, the
// transaction's number), the line as read (empty when it did not read) and, for a refused
// row, the message code and its text.
struct CCLLinhaArquivoExtrato {
  std::size_t numeroLinha = 0;
  CZQDadosCL_Extrato extrato;
  long codigo = 0;
  CZQString motivo;
};

// Import of a statement file by its layout, for the tool and for callers in the ERP's
// code: validates the request as the screens do, reads the file (OFX through the same
// reader as the online source, or delimited text by the layout's columns), validates
// every line as an online import does and stores those that pass. A row that does not
// read or does not pass never stops the file: it is reported with its line and reason.
class CL_EXPORT CCLImportacaoArquivoExtrato : public CZQBaseParaRotinas {
 public:
  CCLImportacaoArquivoExtrato();
  ~CCLImportacaoArquivoExtrato() override;

  // Imports the request's file (`Arquivo`) by its layout (`PosicaoLeiaute`). A request
  // without period takes the first and last dates of the file. Clear when the file was
  // read: the rows stored and refused are then in GetGravadas and GetRecusadas (a file
  // whose every row failed to read stops there, its rows refused). Otherwise
  // the warning or error that stopped it (the request's validation, an unreadable file,
  // a layout of a kind not read, a file with no row the layout reads, a store failure).
  // The lines that pass are stored together at the end, all or none: after any stop
  // nothing of the file is stored. Warning 6111, with the rows in GetRecusadas, when every
  // row is a duplicate of a stored line: the file was imported before.
  CZQDadosDF_Erro& ImportaArquivo(const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao);

  // Reads and validates everything but stores nothing: GetGravadas then holds what
  // would be stored.
  void SetSimulacao(bool simulacao);
  // With `registra`, the file is known by its content: one with the content of a file
  // recorded before is refused whole (warning 6112) and the content of a file whose lines
  // are stored is recorded with them, in the same transaction.
  void SetRegistraConteudo(bool registra);
  // No progress messages from now on.
  void SetModoSilencioso();
  // The window that receives the progress messages; a null one is ignored.
  void SetParent(CWnd* pParent);

  // Of the last import: the lines stored (or that would be), in file order.
  const std::vector<CCLLinhaArquivoExtrato>& GetGravadas() const { return m_gravadas; }
  // The rows refused, in file order.
  const std::vector<CCLLinhaArquivoExtrato>& GetRecusadas() const { return m_recusadas; }
  // Rows with nothing to store: blank, without amount, balance rows.
  std::size_t GetIgnoradas() const { return m_ignoradas; }

  // The report of the refused rows, one per line ("Linha N: reason - ..."); empty when
  // nothing was refused.
  std::string TextoRelatorio() const;

  // Writes the report of the refused rows (when there is any) and says where it is:
  // inconsistency type 1 and the path, empty when nothing was refused.
  CZQDadosCL_ExtraInfoBase GetExtraInfoBase();

  HRESULT OnInicializa() override;

 private:
  CZQAcessoConciliacao* GetAcessoConciliacao();
  // Progress message 1126 to the parent window, unless silent or without one.
  void AtualizaBarraProgresso(uint32_t valor);
  // A refused row, its reason's text taken from the catalogue with `detalhe` filled in.
  void Recusa(std::size_t numeroLinha, const CZQDadosCL_Extrato& extrato, long codigo, const CZQString& detalhe);

  CWnd* m_pParent = nullptr;
  bool m_bModoSilencioso = false;
  bool m_bSimulacao = false;
  bool m_bRegistraConteudo = false;
  CCLTrataDadosExtrato m_trataDadosExtrato;
  std::vector<CCLLinhaArquivoExtrato> m_gravadas;
  std::vector<CCLLinhaArquivoExtrato> m_recusadas;
  std::size_t m_ignoradas = 0;
};
