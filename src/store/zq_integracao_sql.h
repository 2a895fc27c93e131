#pragma once

#include <map>
#include <memory>

#include "frame/zq_comptr.h"
#include "platform/access/zq_interfaces_servidores.h"
#include "platform/components/zq_componentes_lancamento.h"
#include "store/zq_banco_sql.h"

// The integration transaction over the store, and the source of the classification,
// the treasury accounting and the reconciliation logs.

// A new open transaction over the connection.
CZQComPtr<IZQDF_IntegracaoTransacao> ZQNovaIntegracaoTransacaoSQL(std::shared_ptr<CZQBancoSQL> banco);

class CZQFonteLancamentoSQL : public IZQFonteLancamento {
 public:
  explicit CZQFonteLancamentoSQL(std::shared_ptr<CZQBancoSQL> banco) : m_banco(std::move(banco)) {}

  HRESULT LeClassificacao(uint32_t posicao, ZQContaClassificacao& conta) override;
  HRESULT ExisteContaContabil(uint32_t posicao, bool& existe) override;
  HRESULT LePeriodoContabil(REG_ZQDMA& inicio, REG_ZQDMA& fim) override;
  HRESULT GravaLogs(const CZQString& empresa, unsigned short usuario, unsigned long sessao,
                    const std::vector<ZQLogConciliacao>& logs) override;
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }

  // Stores a classification's management shares (replacing what it had).
  HRESULT GravaRateio(uint32_t classificacao, const CZQVector<tagRegGerencial_ps>& rateio);

 private:
  std::shared_ptr<CZQBancoSQL> m_banco;
  CZQDadosDF_Erro m_erro;
  // A source serves one run of a component: what it read stays for that run.
  std::map<uint32_t, ZQContaClassificacao> m_classificacoes;
  std::map<uint32_t, bool> m_contas;
};

// Finishes what a run of the account that stopped after recording its integration left
// undone: marks the lines of its entries reconciled by posting, with each entry's number,
// and writes the log of each number that has none. Then forgets the account's recorded
// entries. Called with the account held (TravaConta) and inside the connection's lock;
// throws what the database throws.
void ZQCompletaIntegracoesPendentes(CZQBancoSQL& banco, uint32_t conta, long long* completadas = nullptr);

// Installs (and removes) the source's factory over the connection.
void ZQInstalaComponentesLancamentoSQL(std::shared_ptr<CZQBancoSQL> banco);
void ZQRemoveComponentesLancamentoSQL();
