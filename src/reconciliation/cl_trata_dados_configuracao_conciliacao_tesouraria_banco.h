#pragma once

#include "frame/cl_export.h"
#include "frame/zq_erro.h"
#include "frame/zq_trata_dados.h"
#include "frame/zq_vector.h"
#include "platform/records/zq_dados_configuracao_servico.h"

class CZQAcessoEmpresarial;
class TZQBaseParaDados;

// Save-time validation of the scheduled reconciliation service's configuration: each
// rule by itself (accounts present, branch, each account's chart entry, frequency and,
// for a daily rule, a time of day), then the rules as a set (an account in one rule
// only, once). The first problem is left as a warning of module 10 in the routine's
// error record; a failed read leaves the enterprise server's error there.
class CL_EXPORT CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco : public CZQTrataDadosBase {
 public:
  using Regra = CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra;

  CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco();
  CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco(const CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco& outro);
  CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco(
      CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco&& outro) noexcept;
  ~CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco() override;
  CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco& operator=(
      const CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco& outro);
  CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco& operator=(
      CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco&& outro) noexcept;

  using CZQTrataDadosBase::OnTrataGravacao;

  // The rules as a set: the first account met a second time is refused.
  CZQDadosDF_Erro& ConsisteConjuntoRegra(const CZQVector<Regra>& listaRegras);
  // One rule by itself.
  CZQDadosDF_Erro& ConsisteRegra(const Regra& dadosRegra);

 protected:
  // Takes the record as the service's configuration (the error 0x80FF0D12 with class
  // 2105 and value -1 when it is not one), checks every rule and then the set. The
  // handler of inconsistencies is not used here.
  CZQDadosDF_Erro& OnTrataGravacao(TZQBaseParaDados* dados, IZQTrataInconsistencia* trata) override;

 private:
  // The enterprise area of the routine's hub (never null).
  CL_INTERNO CZQAcessoEmpresarial* GetAcessoEmpresarial();
};
