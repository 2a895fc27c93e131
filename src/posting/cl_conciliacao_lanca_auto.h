#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "frame/cl_export.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_erro.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"
#include "platform/zq_acesso_areas.h"
#include "platform/zq_conexao_plano.h"
#include "platform/zq_dados_conciliacao.h"
#include "platform/zq_dados_extrato.h"
#include "platform/zq_dados_tesouraria.h"
#include "platform/zq_estruturas_conciliacao.h"
#include "platform/zq_estruturas_tesouraria.h"

// Members that only this library and its tools call: kept out of libcl.so's exports.
#define CL_INTERNO __attribute__((visibility("hidden")))

// The two ways a statement line looks for its posting rule: the posting run also tries
// the direction keys when the rule found cannot post the line's sign; the test that
// comes before it takes a history hit over a code hit and stops there.
enum ZQVarianteResolucao : int {
  ZQ_RESOLUCAO_LANCAMENTO = 0,
  ZQ_RESOLUCAO_TESTE = 1,
};

// Which key of the index gave a line its rule.
enum ZQTipoChavePropriedade : int {
  ZQ_CHAVE_NENHUMA = 0,
  ZQ_CHAVE_CODIGO_CONTA = 1,     // "<conta>-<código>"
  ZQ_CHAVE_CODIGO_GERAL = 2,     // "0-<código>"
  ZQ_CHAVE_HISTORICO_CONTA = 3,  // "<conta>-<texto>"
  ZQ_CHAVE_HISTORICO_GERAL = 4,  // "0-<texto>"
  ZQ_CHAVE_SENTIDO_CONTA = 5,    // "<conta>-<texto>-E" or "-S"
  ZQ_CHAVE_SENTIDO_GERAL = 6,    // "0-<texto>-E" or "-S"
};

// How a statement line found (or missed) its rule.
struct ZQResolucaoPropriedade {
  int iPosicao = -1;            // the rule's position, -1 when the line has none
  int iPasso = -1;              // place in the history list where it was decided
  CZQString sTextoBusca;        // the lookup text at that place (a rule text or the whole history)
  CZQString sChave;             // the key that gave the rule
  ZQTipoChavePropriedade tipoChave = ZQ_CHAVE_NENHUMA;
};

class CCLCacheResolucao;

// Automatic treasury posting from bank statement lines: loads the posting rules of the
// reconciliation master, finds each line's rule by movement code or history text,
// tells whether a reconciliation has anything to post, and builds the treasury entry
// and the history complement of a line.
class CL_EXPORT CCLConciliacaoLancaAuto : public CZQBaseParaRotinas {
 public:
  CCLConciliacaoLancaAuto();
  CCLConciliacaoLancaAuto(const CCLConciliacaoLancaAuto& outro);
  ~CCLConciliacaoLancaAuto() override;
  CCLConciliacaoLancaAuto& operator=(const CCLConciliacaoLancaAuto& outro);

 protected:
  // Loads the rules of the reconciliation master and adds their keys to the index.
  HRESULT BuscaPropriedades();

 private:
  // Looks an upper-cased key up; on a hit writes the rule position.
  bool ProcuraPropriedade(CZQString chave, int& posicao);

 protected:
  // The treasury entry a rule makes of a statement line.
  tagREG_TESOURARIAPS GeraLancamento(uint16_t iFilial, uint32_t lConta, tagCY cyValor,
                                     _REG_PROP_CONC_TESBAN_PS regPropriedade, const CZQDadosCL_Extrato& dadosExtrato);
  // The text that completes the entry's standard history, by complement type.
  HRESULT GetComplHistorico(uint16_t iIndiceProp, tagREG_TESOURARIAPS RegTesourariaps, uint16_t iComplHistorico,
                            const CZQDadosCL_Extrato& dadosExtrato, CZQString& sComplHistorico);
  // 1 when the entry may be posted, 0 when the treasury list holds an identical one.
  int VerificaPodeLancar(tagCY cyValor, uint16_t iFilial, uint32_t lConta, const CZQDadosCL_Extrato& dadosExtrato,
                         _REG_PROP_CONC_TESBAN_PS regPropriedade,
                         const CZQVector<CZQDadosFN_Tesouraria>& listaTesouraria);

 public:
  // Whether at least one open statement line of the reconciliation has a posting rule.
  HRESULT TesteLancamentoAutomatico(const CZQDadosCL_ConciliacaoAutomatica& dadosConciliacaoAutomatica,
                                    bool& bTemLancamento);
  // The posting run over the reconciliation's open statement lines.
  HRESULT ProcessaLancamentoConcAutomatico(const CZQDadosCL_ConciliacaoAutomatica& dadosConciliacaoAutomatica,
                                           CZQVector<CZQDadosDF_Erro>& listaErros);
  // Posts one statement line of the account by a rule given for it alone (nothing is
  // saved), exactly as the posting run posts a line that found that rule: its entry
  // through one integration transaction, then the line marked under a new reconciliation
  // number and the number's log, in the routine's user and session. iFilial 0 is the
  // line's own branch. S_OK with the number when posted. S_FALSE when refused, with the
  // reasons in listaErros and nothing stored: the line missing, of another account or
  // branch, already reconciled or in a locked period (movement lock date, blocked
  // month), or the entry dropped by the run (an identical one in the treasury, a refusal
  // of the rule's payment form, history, classification or accounting). A failed server
  // call as the run ends on it.
  HRESULT LancaLinha(uint32_t lConta, uint16_t iFilial, uint32_t lPosicaoLinha, const _REG_PROP_CONC_TESBAN_PS& regra,
                     CZQVector<CZQDadosDF_Erro>& listaErros, uint32_t& lNumConciliacao);
  void SetModoSilencioso(bool bModoSilencioso);
  bool GetModoSilencioso() const;

 protected:
  // The rule of one statement line for the reconciled account, in either variant:
  // its position, or -1. `explicacao`, when given, tells where and by which key. The
  // tools that explain rules to the people who write them call it too.
  int ResolvePropriedade(uint32_t lConta, const CZQDadosCL_Extrato& dadosExtrato, ZQVarianteResolucao variante,
                         ZQResolucaoPropriedade* explicacao = nullptr);

  // The index and the history texts change only through BuscaPropriedades: the lookups
  // remember what they found until the next load.
  CConexaoPlanoContabil m_pClassificacaoEmp;
  CZQVector<_REG_PROP_CONC_TESBAN_PS> m_RegMovimentosProp;
  uint16_t m_iQtdMovimentosProp = 0;
  std::map<CZQString, int> m_mapPropriedades;
  CZQVector<CZQString> m_aHistoricosProp;
  bool m_bModoSilencioso = false;

 private:
  CZQAcessoConciliacao* GetAcessoConciliacao() { return GetAcessoServidores()->GetAcessoConciliacao(); }
  CZQAcessoEmpresarial* GetAcessoEmpresarial() { return GetAcessoServidores()->GetAcessoEmpresarial(); }
  CL_INTERNO CCLCacheResolucao& Cache(uint32_t lConta);
  CL_INTERNO void InvalidaCache();

  // Derived from the members above; dropped whenever the rules or the index change.
  std::unique_ptr<CCLCacheResolucao> m_pCacheResolucao;
  // The line and rule of LancaLinha while its run goes; null in any other run.
  struct CCLLancamentoAvulso* m_pAvulso = nullptr;
};
