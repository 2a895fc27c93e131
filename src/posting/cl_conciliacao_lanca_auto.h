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
#include "platform/access/zq_acesso_areas.h"
#include "platform/components/zq_conexao_plano.h"
#include "platform/records/zq_dados_conciliacao.h"
#include "platform/records/zq_dados_extrato.h"
#include "platform/records/zq_dados_tesouraria.h"
#include "platform/records/zq_estruturas_conciliacao.h"
#include "platform/records/zq_estruturas_tesouraria.h"

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
  int iPosicao = -1;      // the rule's position, -1 when the line has none
  int iPasso = -1;        // place in the history list where it was decided
  CZQString sTextoBusca;  // the lookup text at that place (a rule text or the whole history)
  CZQString sChave;       // the key that gave the rule
  ZQTipoChavePropriedade tipoChave = ZQ_CHAVE_NENHUMA;
};

class CCLCacheResolucao;
struct CCLEstadoLancamento;

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
  CZQAcessoConciliacao* GetAcessoConciliacao() { return AreaConciliacao(); }
  CZQAcessoEmpresarial* GetAcessoEmpresarial() { return AreaEmpresarial(); }
  CL_INTERNO CCLCacheResolucao& Cache(uint32_t lConta);
  CL_INTERNO void InvalidaCache();

  // Derived from the members above; dropped whenever the rules or the index change.
  std::unique_ptr<CCLCacheResolucao> m_pCacheResolucao;
  // The line and rule of LancaLinha while its run goes; null in any other run.
  struct CCLLancamentoAvulso* m_pAvulso = nullptr;

  // The posting run is a list of steps over one shared state; each step says where the
  // run goes next: on, past the current line (its entry undone), or out with the result.
  enum class Rumo { Segue, DescartaLinha, EncerraCorrida };
  using Passo = Rumo (CCLConciliacaoLancaAuto::*)(CCLEstadoLancamento&);

  // The open statement lines and treasury entries are what the run posts from.
  CL_INTERNO Rumo LeLinhasEmAberto(CCLEstadoLancamento& c);
  // Lines of one day, code and sign side by side: that is what a group can take.
  CL_INTERNO Rumo OrdenaLinhas(CCLEstadoLancamento& c);
  // The saved rules, or the one rule of a line posted by hand.
  CL_INTERNO Rumo CarregaRegras(CCLEstadoLancamento& c);
  // The classification the entries of the run are spread by.
  CL_INTERNO Rumo PreparaClassificacao(CCLEstadoLancamento& c);
  // The one integration transaction every entry of the run joins.
  CL_INTERNO Rumo AbreTransacaoIntegracao(CCLEstadoLancamento& c);
  // The accounting and the chart of accounts the entries are checked against.
  CL_INTERNO Rumo PreparaContabilizacao(CCLEstadoLancamento& c);
  // The run numbers its entries on from the account's last reconciliation number.
  CL_INTERNO Rumo LeUltimoNumeroConciliacao(CCLEstadoLancamento& c);
  // The lines in order, each through the steps of one entry, until the transaction is full.
  CL_INTERNO Rumo LancaLinhas(CCLEstadoLancamento& c);
  // A line without a rule has nothing to post.
  CL_INTERNO Rumo ProcuraRegraDaLinha(CCLEstadoLancamento& c);
  // An entry the treasury list already holds is not posted again.
  CL_INTERNO Rumo ConfereLancamentoPossivel(CCLEstadoLancamento& c);
  // The lines that go into one entry get its number and their place in the transaction.
  CL_INTERNO Rumo TomaGrupo(CCLEstadoLancamento& c);
  // Money that moves needs the rule's payment form for its direction.
  CL_INTERNO Rumo ConfereFormaPagamento(CCLEstadoLancamento& c);
  // A standard history still holding '*' placeholders cannot stand alone in an entry.
  CL_INTERNO Rumo ConfereHistoricoPadrao(CCLEstadoLancamento& c);
  // The treasury entry of the group, on the bank side of the reconciliation number.
  CL_INTERNO Rumo GeraLancamentoDoGrupo(CCLEstadoLancamento& c);
  // The history complement goes with the entry and into its duplicate check.
  CL_INTERNO Rumo MontaComplementoHistorico(CCLEstadoLancamento& c);
  // The origin ties the entry to its statement line in the integration.
  CL_INTERNO Rumo MontaOrigem(CCLEstadoLancamento& c);
  // An identical treasury entry is posted only when the user says so.
  CL_INTERNO Rumo ConfereDuplicadoNaTesouraria(CCLEstadoLancamento& c);
  // An unusable classification account refuses the entry.
  CL_INTERNO Rumo ConfereContaClassificacao(CCLEstadoLancamento& c);
  // The entry's amount spread over the classification's enterprise account.
  CL_INTERNO Rumo ClassificaLancamento(CCLEstadoLancamento& c);
  // Inactive management accounts refuse the entry, all named in one warning.
  CL_INTERNO Rumo ConfereContasGerenciais(CCLEstadoLancamento& c);
  // The accounting component may refuse the entry at each of its three stages.
  CL_INTERNO Rumo ContabilizaLancamento(CCLEstadoLancamento& c);
  // The entry joins the transaction with its accounting, management shares and group.
  CL_INTERNO Rumo SubmeteLancamento(CCLEstadoLancamento& c);
  // A dropped entry gives back its number and its lines.
  CL_INTERNO void DescartaEntrada(CCLEstadoLancamento& c);
  // A line by hand that was not posted leaves the store as it was.
  CL_INTERNO Rumo DeixaAvulsoNaoLancado(CCLEstadoLancamento& c);
  // The account's last number is saved whether or not anything was posted.
  CL_INTERNO Rumo SalvaNumeroConciliacao(CCLEstadoLancamento& c);
  // The logs gather the run's numbers as the lines are marked.
  CL_INTERNO Rumo IniciaLogs(CCLEstadoLancamento& c);
  // Every entry of the run is stored at once, or none.
  CL_INTERNO Rumo RegistraTransacao(CCLEstadoLancamento& c);
  // The lines of the recorded entries are stored reconciled, each under its number's log.
  CL_INTERNO Rumo MarcaLinhas(CCLEstadoLancamento& c);
  // The logs name the treasury entries reconciled with the lines too.
  CL_INTERNO Rumo AnotaTesourariaNosLogs(CCLEstadoLancamento& c);
  // The accounting ends, the rules are let go and the logs written.
  CL_INTERNO Rumo FinalizaCorrida(CCLEstadoLancamento& c);
};
