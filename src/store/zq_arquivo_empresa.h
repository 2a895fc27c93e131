#pragma once

#include <string>

#include "frame/zq_erro.h"
#include "frame/zq_tipos.h"

class CZQBancoSQL;

// The company file: one JSON document with a company's master data (company, branches
// and their holidays, chart of accounts with the bank data of its bank accounts,
// management accounts, layouts, module master, accounting master and period, payment
// forms, histories, posting rules and both services' configurations). Loading it
// replaces the master data of the store in one transaction; statement lines, treasury
// entries, execution records and reconciliation numbers are kept. A document with a
// bad field is refused as a whole, naming the field, and the store is left as it was.
//
// The format is described field by field in data/README-company-file.md.

// What a refused document says: the field (its path in the document, such as
// "plano_contas[2].banco.integrar_com_terceiro"; empty for a document that is not
// JSON at all) and what is wrong with it.
struct ZQProblemaArquivoEmpresa {
  std::string campo;
  std::string mensagem;
};

// Reads, checks and loads a company file. On a refusal returns a negative HRESULT,
// fills the error record (text "Arquivo da empresa inválido: <campo>: <mensagem>") and,
// when given, the problem.
HRESULT ZQCarregaArquivoEmpresa(CZQBancoSQL& banco, const std::string& caminho, CZQDadosDF_Erro& erro,
                                ZQProblemaArquivoEmpresa* problema = nullptr);
// The same from the document's text.
HRESULT ZQCarregaDocumentoEmpresa(CZQBancoSQL& banco, const std::string& documento, CZQDadosDF_Erro& erro,
                                  ZQProblemaArquivoEmpresa* problema = nullptr);

// Only checks a document; nothing is written.
HRESULT ZQVerificaDocumentoEmpresa(const std::string& documento, ZQProblemaArquivoEmpresa& problema);
