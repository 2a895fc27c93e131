#pragma once

#include "frame/cl_export.h"
#include "frame/zq_erro.h"
#include "frame/zq_trata_dados.h"
#include "platform/records/zq_dados_extrato.h"

class CZQAcessoConciliacao;
class CZQAcessoContabil;
class CZQAcessoEmpresarial;
class TZQBaseParaDados;

// Class number this validator puts into the error of a record of the wrong type.
inline constexpr unsigned short CL_CLASSE_TRATA_DADOS_IMPORTACAO_EXTRATOS = 2102;

// Save-time validation of a statement import request: account, branch, period, layout
// and file, and for an online request the movement lock date and the account's online
// source. The first problem found is left as a warning of module 10 in the routine's
// error record; a failed server read leaves the server's error there. The request is
// never changed.
//
// Screens and the import service reach it through TrataGravacao (CZQTrataDadosBase):
//
//   CCLTrataDadosImportacaoExtratos trataDados;
//   trataDados.Inicializa(this);
//   if (trataDados.TrataGravacao(&dadosFiltro).TemErro()) ... refuse, show GetErro() ...
class CL_EXPORT CCLTrataDadosImportacaoExtratos : public CZQTrataDadosBase {
 public:
  CCLTrataDadosImportacaoExtratos();
  CCLTrataDadosImportacaoExtratos(const CCLTrataDadosImportacaoExtratos& outro);
  CCLTrataDadosImportacaoExtratos(CCLTrataDadosImportacaoExtratos&& outro) noexcept;
  ~CCLTrataDadosImportacaoExtratos() override;
  CCLTrataDadosImportacaoExtratos& operator=(const CCLTrataDadosImportacaoExtratos& outro);
  CCLTrataDadosImportacaoExtratos& operator=(CCLTrataDadosImportacaoExtratos&& outro) noexcept;

  using CZQTrataDadosBase::OnTrataGravacao;

 protected:
  // Takes the record as an import request (the error 0x80FF0D12 with class 2102 when it
  // is not one) and validates it. The handler of inconsistencies is not used here.
  CZQDadosDF_Erro& OnTrataGravacao(TZQBaseParaDados* dados, IZQTrataInconsistencia* trata) override;

 private:
  // Every request: layout, branch, account, dates and the accounting period; then the
  // online checks or the file.
  CZQDadosDF_Erro& Consiste(const CZQDadosCL_FiltroImportacaoExtrato& dados);
  // Online requests: movement lock date and the account's online source with its limits.
  CZQDadosDF_Erro& ConsisteImportacaoOnline(const CZQDadosCL_FiltroImportacaoExtrato& dados);

  // The areas of the routine's data-access servers (never null: a missing one refuses
  // every call, so the read's failure path runs).
  CL_INTERNO CZQAcessoConciliacao* GetAcessoConciliacao();
  CL_INTERNO CZQAcessoEmpresarial* GetAcessoEmpresarial();
  CL_INTERNO CZQAcessoContabil* GetAcessoContabil();
};
