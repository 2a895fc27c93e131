#pragma once

#include <map>

#include "frame/cl_export.h"
#include "frame/zq_data.h"
#include "frame/zq_string.h"
#include "frame/zq_trata_dados.h"
#include "frame/zq_vector.h"
#include "platform/records/zq_dados_extrato.h"

class CZQAcessoConciliacao;
class CZQAcessoEmpresarial;

class CCLChavesExtrato;

// Name of the report of the lines an online import rejected with a warning, in the
// temporary directory.
inline constexpr const char CL_ARQUIVO_ERROS_IMPORTACAO_EXTRATO[] = "ErrosImportacaoExtratoOnline.txt";

// Turns every duplicate check of an import request on (`verifica` 1) or off (0): the key of
// a repeated line is then made of every field the validator below can compare.
inline CZQDadosCL_FiltroImportacaoExtrato& CLVerificaDuplicidadeCompleta(CZQDadosCL_FiltroImportacaoExtrato& pedido,
                                                                         int32_t verifica = 1) {
  return pedido.SetVerificaDuplicidade(verifica)
      .SetVerificaData(verifica)
      .SetVerificaValor(verifica)
      .SetVerificaDocumento(verifica)
      .SetVerificaSinal(verifica)
      .SetVerificaCodigoMovimento(verifica)
      .SetVerificaDescricaoMovimento(verifica);
}

// Validation of the statement lines an import fetched: the rules of the line's online
// source, the duplicate key, and the collection of the warnings of rejected lines,
// written as a report at the end of the import.
class CL_EXPORT CCLTrataDadosExtrato : public CDFTrataDados {
 public:
  CCLTrataDadosExtrato();
  CCLTrataDadosExtrato(const CCLTrataDadosExtrato& outro);
  CCLTrataDadosExtrato(CCLTrataDadosExtrato&& outro) noexcept;
  ~CCLTrataDadosExtrato() override;
  CCLTrataDadosExtrato& operator=(const CCLTrataDadosExtrato& outro);
  CCLTrataDadosExtrato& operator=(CCLTrataDadosExtrato&& outro) noexcept;

  // Whether the line may be stored: a returned record with an error (TemErro) rejects it.
  CZQDadosDF_Erro& ConsisteDadosExtrato(const CZQDadosCL_Extrato& dadosExtratoGravacao,
                                        const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
                                        const CZQVector<CZQDadosCL_Extrato>& listaChavesExtrato);
  // The same against the import's indexed keys; the answers are those of the list form.
  CZQDadosDF_Erro& ConsisteDadosExtrato(const CZQDadosCL_Extrato& dadosExtratoGravacao,
                                        const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
                                        const CCLChavesExtrato& chavesExtrato);
  // The same for a line read from a statement file, of any bank: balance lines and
  // lines without amount are dropped silently, the period and the movement lock date
  // (`bloqueio`, empty for none) hold, and the duplicate key is looked up as for the
  // online sources. The caller reads the lock date and the line's chart account once per
  // file: the store is not asked once per line.
  CZQDadosDF_Erro& ConsisteDadosExtratoArquivo(const CZQDadosCL_Extrato& dadosExtratoGravacao,
                                               const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
                                               const CCLChavesExtrato& chavesExtrato, const CZQDma& bloqueio);

 private:
  CZQDadosDF_Erro& ConsisteDadosExtratoBancoBrasil(const CZQDadosCL_Extrato& dadosExtratoGravacao,
                                                   const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao);
  CZQDadosDF_Erro& ConsisteDadosExtratoTBB(const CZQDadosCL_Extrato& dadosExtratoGravacao,
                                           const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao);
  CZQDadosDF_Erro& ConsisteExtratoDuplicado(const CZQDadosCL_Extrato& dadosChaveExtrato,
                                            const CZQVector<CZQDadosCL_Extrato>& listaChavesExtrato);
  CZQDadosDF_Erro& ConsisteExtratoDuplicado(const CZQDadosCL_Extrato& dadosChaveExtrato,
                                            const CCLChavesExtrato& chavesExtrato);
  CZQDadosDF_Erro& AdicionaAvisoExtrato(const CZQDadosCL_Extrato& dadosExtrato);

 public:
  // The duplicate key of a line: the account, and each field the request's flags choose.
  CZQDadosCL_Extrato GetChaveExtrato(const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
                                     const CZQDadosCL_Extrato& dadosExtrato) const;

  HRESULT OnInicializa() override;

  // Writes the report of the warnings collected so far (when there is any) and says
  // where it is: inconsistency type 1 and the path, empty when nothing was collected.
  CZQDadosCL_ExtraInfoBase TrataRetornoImportacaoExtrato();

 private:
  friend struct CCLTrataDadosExtratoAcessoTeste;

  // The areas of the routine's data-access servers (never null).
  CZQAcessoConciliacao* GetAcessoConciliacao();
  CZQAcessoEmpresarial* GetAcessoEmpresarial();

  // Runs the source rule and the duplicate test; exactly one of the two key forms is given.
  CZQDadosDF_Erro& ConsisteDadosExtrato(const CZQDadosCL_Extrato& dadosExtratoGravacao,
                                        const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
                                        const CZQVector<CZQDadosCL_Extrato>* listaChavesExtrato,
                                        const CCLChavesExtrato* chavesExtrato);

  // Heading (" - " and the warning's text) -> the warning lines, in the order collected.
  std::map<CZQString, CZQVector<CZQString>> m_mapAvisos;
};
