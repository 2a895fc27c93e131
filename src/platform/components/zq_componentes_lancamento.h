#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "frame/cl_export.h"
#include "frame/zq_erro.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"
#include "platform/components/zq_contabiliza_base.h"
#include "platform/records/zq_estruturas_contabil.h"
#include "platform/records/zq_estruturas_tesouraria.h"

// The ERP components the posting run leans on besides the data-access servers: the
// account classification, the treasury accounting and the reconciliation log batches,
// and the transaction facts of the finance library. They reach their data through one
// source installed in the process (the SQL store installs its own).

// ---- the finance library's facts ----

namespace ZQDadosFN {
namespace Tesouraria {
namespace Transacao {
// Non-zero when the transaction moves money in or out of the treasury; `saida` is then
// non-zero for money out. Transfers between own accounts (3, 6, 7) move none.
CL_EXPORT int TransacaoEhSaidaOuEntrada(uint16_t transacao, int& saida);
}  // namespace Transacao
}  // namespace Tesouraria
namespace Gerencial {
// Most management accounts one message lists.
CL_EXPORT int GetTamanhoMaximoMensagem();
}  // namespace Gerencial
}  // namespace ZQDadosFN

// ---- the source ----

// One reconciliation log as it is stored: its number, kinds, bank account and keys.
struct ZQLogConciliacao {
  uint32_t lNumeroConciliacao = 0;
  int iTipoChaves = 0;
  int iTipoConciliacao = 0;
  uint32_t lPonteiroBanco = 0;
  std::vector<std::pair<REG_ZQDMA, uint32_t>> chavesExtrato;     // date, position
  std::vector<std::pair<uint32_t, REG_ZQDMA>> chavesTesouraria;  // position, date
};

// An enterprise account of a classification as the source reads it.
struct ZQContaClassificacao {
  bool bExiste = false;                  // in the chart, analytic and active
  CZQVector<tagRegGerencial_ps> rateio;  // management shares (percent in ten-thousandths)
};

class IZQFonteLancamento {
 public:
  virtual ~IZQFonteLancamento() = default;
  // The enterprise account at a classification position and its management shares.
  virtual HRESULT LeClassificacao(uint32_t posicao, ZQContaClassificacao& conta) = 0;
  // Whether a chart position holds an account that takes entries.
  virtual HRESULT ExisteContaContabil(uint32_t posicao, bool& existe) = 0;
  // The period open for accounting entries (0 = no bound).
  virtual HRESULT LePeriodoContabil(REG_ZQDMA& inicio, REG_ZQDMA& fim) = 0;
  // Writes the logs of one run; all or none.
  virtual HRESULT GravaLogs(const CZQString& empresa, unsigned short usuario, unsigned long sessao,
                            const std::vector<ZQLogConciliacao>& logs) = 0;
  virtual const CZQDadosDF_Erro* GetErro() const = 0;
};

using ZQFabricaFonteLancamento = std::function<std::unique_ptr<IZQFonteLancamento>()>;
CL_EXPORT ZQFabricaFonteLancamento ZQDefineFabricaFonteLancamento(ZQFabricaFonteLancamento fabrica);
// Null when no source is installed.
CL_EXPORT std::unique_ptr<IZQFonteLancamento> ZQNovaFonteLancamento();

// HRESULT of a component used before it was initialised or without a source.
inline constexpr HRESULT ZQ_E_COMPONENTE_NAO_INICIADO = ZQ_HR(0x8004000F);  // OLE_E_BLANK

// ---- the classification ----

// An enterprise account of the current classification with its management shares.
class CL_EXPORT CCLContaEmpresarial {
 public:
  uint32_t GetPosicao() const { return m_lPosicao; }
  tagCY GetValor() const { return m_cyValor; }
  int GetQtdeContasGerenciais() const { return static_cast<int>(m_gerenciais.GetQuantidade()); }
  const tagRegGerencial_ps* GetContasGerenciais() const { return m_gerenciais.GetData(); }

  uint32_t m_lPosicao = 0;
  tagCY m_cyValor = 0;
  CZQVector<tagRegGerencial_ps> m_gerenciais;
};

class CL_EXPORT CCLClassificacao {
 public:
  CCLClassificacao();
  CCLClassificacao(const CCLClassificacao& outro);
  CCLClassificacao& operator=(const CCLClassificacao& outro);
  ~CCLClassificacao();

  // Opens the source; `bPergunta` is kept for the screens (questions while classifying).
  HRESULT Inicializa(int bPergunta);
  void SetModoSilencioso(bool bModoSilencioso) { m_bModoSilencioso = bModoSilencioso; }
  bool GetModoSilencioso() const { return m_bModoSilencioso; }
  void LimpaDados() { m_contas.clear(); }
  // Classifies an amount under an account: an account that cannot take entries adds
  // nothing. The management shares divide the amount by their percentages.
  HRESULT AdicionaConta(const _FN_REG_CONTABILPS& conta, uint16_t filial, REG_ZQDMA data, int bRateia);
  int GetQtdeContasEmpresariais() const { return static_cast<int>(m_contas.size()); }
  const CCLContaEmpresarial& GetContaEmpresarial(int i) const { return m_contas.at(static_cast<std::size_t>(i)); }
  const CZQDadosDF_Erro& GetErro() const { return m_erro; }

 private:
  std::unique_ptr<IZQFonteLancamento> m_pFonte;
  std::vector<CCLContaEmpresarial> m_contas;
  bool m_bModoSilencioso = false;
  CZQDadosDF_Erro m_erro;
};

// ---- the treasury accounting ----

// Refusals of the treasury accounting (positive results; the low 16 bits are the
// message code of module 10, so they need codes of their own).
inline constexpr int ZQ_RECUSA_CONTABIL_PERIODO_FECHADO = 5903;
inline constexpr int ZQ_RECUSA_CONTABIL_SEM_CONTA = 5904;

// One accounting entry of a treasury entry: debit and credit of the chart.
struct ZQPartidaContabil {
  uint32_t lContaDebito = 0;
  uint32_t lContaCredito = 0;
  tagCY cyValor = 0;
  REG_ZQDMA dmaLancamento = 0;
  uint16_t iFilial = 0;
  uint32_t lPosicaoExtrato = 0;
  uint16_t iChaveTabela = 0;
  CZQString sComplemento;
};

class CL_EXPORT CCLContabilizaTesouraria : public CContabilizaBase {
 public:
  CCLContabilizaTesouraria();
  ~CCLContabilizaTesouraria() override;
  CCLContabilizaTesouraria(const CCLContabilizaTesouraria&) = delete;
  CCLContabilizaTesouraria& operator=(const CCLContabilizaTesouraria&) = delete;

  HRESULT Inicializa(const CZQString& empresa, unsigned short usuario, unsigned long sessao, int tipo);
  void SetModoSilencioso(bool bModoSilencioso) { m_bModoSilencioso = bModoSilencioso; }
  // 0 = the entry can be accounted; positive = refusal code; negative = failure.
  int TestaContabilizacao(const tagREG_TESOURARIAPS& entrada, CCLClassificacao classificacao, CZQString complemento);
  // Forms the accounting entries of the entry last tested.
  int GeraLancamentos();
  // Binds them to the entry's origin; they are written with the integration.
  int Contabiliza(uint32_t posicaoExtrato, uint16_t chaveTabela);
  // Ends the accounting of the run.
  HRESULT Finaliza();

  const std::vector<ZQPartidaContabil>& GetPartidas() const { return m_partidas; }
  bool EstaFinalizado() const { return m_bFinalizado; }

 private:
  std::unique_ptr<IZQFonteLancamento> m_pFonte;
  bool m_bModoSilencioso = false;
  bool m_bFinalizado = false;
  REG_ZQDMA m_dmaInicio = 0, m_dmaFim = 0;
  tagREG_TESOURARIAPS m_entrada{};
  bool m_bTestado = false;
  std::vector<ZQPartidaContabil> m_pendentes;
  std::vector<ZQPartidaContabil> m_partidas;
};

// ---- the reconciliation logs ----

class CL_EXPORT CCLBatchGravaLog {
 public:
  void SetNumeroConciliacao(uint32_t numero) { m_log.lNumeroConciliacao = numero; }
  void SetTipoChaves(int tipo) { m_log.iTipoChaves = tipo; }
  void SetTipoConciliacao(int tipo) { m_log.iTipoConciliacao = tipo; }
  void SetPonteiroBanco(uint32_t banco) { m_log.lPonteiroBanco = banco; }
  void AddChaveExtrato(REG_ZQDMA data, uint32_t posicao) { m_log.chavesExtrato.emplace_back(data, posicao); }
  void AddChave(uint32_t posicao, REG_ZQDMA data) { m_log.chavesTesouraria.emplace_back(posicao, data); }
  const ZQLogConciliacao& GetLog() const { return m_log; }

 private:
  ZQLogConciliacao m_log;
};

class CL_EXPORT CMapBatchGravaLog {
 public:
  CMapBatchGravaLog();
  ~CMapBatchGravaLog();
  CMapBatchGravaLog(const CMapBatchGravaLog&) = delete;
  CMapBatchGravaLog& operator=(const CMapBatchGravaLog&) = delete;

  HRESULT Inicializa(const CZQString& empresa, unsigned short usuario, unsigned long sessao);
  CCLBatchGravaLog& GetBatchGravaLog(uint32_t numero) { return m_batches[numero]; }
  bool HasKey(uint32_t numero) const { return m_batches.count(numero) != 0; }
  std::size_t GetQuantidade() const { return m_batches.size(); }
  // Writes every batch, in number order.
  HRESULT GravaLogs();
  const CZQDadosDF_Erro& GetErro() const { return m_erro; }

 private:
  std::unique_ptr<IZQFonteLancamento> m_pFonte;
  CZQString m_sEmpresa;
  unsigned short m_usUsuario = 0;
  unsigned long m_ulSessao = 0;
  std::map<uint32_t, CCLBatchGravaLog> m_batches;
  CZQDadosDF_Erro m_erro;
};
