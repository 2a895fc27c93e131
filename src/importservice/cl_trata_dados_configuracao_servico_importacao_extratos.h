#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_erro.h"
#include "frame/zq_trata_dados.h"
#include "frame/zq_vector.h"
#include "platform/records/zq_dados_configuracao_servico.h"

class CZQAcessoEmpresarial;
class TZQBaseParaDados;

// Class number the configuration validators put into the error of a record of the
// wrong type.
inline constexpr unsigned short CL_CLASSE_TRATA_DADOS_CONFIGURACAO_SERVICO_IMPORTACAO = 2105;

// Save-time validation of the scheduled import service's configuration: each rule by
// itself (its bank accounts, each with its chart entry and bank data, then branch,
// frequency and execution time), then the rules as a set (an account in one rule
// only, once). The first problem is left as a warning of module 10 in the routine's
// error record; a failed read leaves the enterprise server's error there.
class CL_EXPORT CCLTrataDadosConfiguracaoServicoImportacaoExtratos : public CZQTrataDadosBase {
 public:
  using Regra = CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra;

  CCLTrataDadosConfiguracaoServicoImportacaoExtratos();
  CCLTrataDadosConfiguracaoServicoImportacaoExtratos(const CCLTrataDadosConfiguracaoServicoImportacaoExtratos& outro);
  CCLTrataDadosConfiguracaoServicoImportacaoExtratos(
      CCLTrataDadosConfiguracaoServicoImportacaoExtratos&& outro) noexcept;
  ~CCLTrataDadosConfiguracaoServicoImportacaoExtratos() override;
  CCLTrataDadosConfiguracaoServicoImportacaoExtratos& operator=(
      const CCLTrataDadosConfiguracaoServicoImportacaoExtratos& outro);
  CCLTrataDadosConfiguracaoServicoImportacaoExtratos& operator=(
      CCLTrataDadosConfiguracaoServicoImportacaoExtratos&& outro) noexcept;

  using CZQTrataDadosBase::OnTrataGravacao;

  // One rule by itself.
  CZQDadosDF_Erro& ConsisteRegra(const Regra& dadosRegra);
  // The rules as a set: the first account met a second time is refused.
  CZQDadosDF_Erro& ConsisteConjuntoRegra(const CZQVector<Regra>& listaRegras);

 private:
  // The bank accounts of one rule, in list order.
  CZQDadosDF_Erro& ConsisteContaBanco(const CZQVector<uint32_t>& listaPonteirosContaBanco);
  // Every rule, then the set.
  CZQDadosDF_Erro& Consiste(const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& dados);

 protected:
  // Takes the record as the service's configuration (the error 0x80FF0D12 with class
  // 2105 when it is not one) and validates it. The handler of inconsistencies is not
  // used here.
  CZQDadosDF_Erro& OnTrataGravacao(TZQBaseParaDados* dados, IZQTrataInconsistencia* trata) override;

 private:
  // The enterprise area of the routine's hub (never null).
  CL_INTERNO CZQAcessoEmpresarial* GetAcessoEmpresarial();
};
