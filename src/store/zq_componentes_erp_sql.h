#pragma once

#include <memory>
#include <string>

#include "frame/zq_erro.h"
#include "platform/components/zq_conexao_plano.h"
#include "platform/components/zq_transacao.h"
#include "store/zq_banco_sql.h"
#include "store/zq_consulta_preparada.h"
#include "store/zq_lembrado_transacao.h"

// The ERP components the posting rules read besides the data-access servers, over the
// same store: the chart-of-accounts connection and the names of the treasury
// transactions.

// The enterprise chart as the chart connection reads it. An account is unusable for
// postings when it is synthetic (only analytic accounts take entries) or inactive.
class CZQFontePlanoContasSQL : public IZQFontePlanoContas {
 public:
  explicit CZQFontePlanoContasSQL(std::shared_ptr<CZQBancoSQL> banco) : m_banco(std::move(banco)) {}

  HRESULT LeConta(uint32_t posicao, _RegContaPS* conta) override;
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }

 private:
  struct ContaLida {
    long long posicao = 0, inativa = 0;
    std::string codigoProprio, codigoUsado, nome, tipo;
  };

  std::shared_ptr<CZQBancoSQL> m_banco;
  CZQDadosDF_Erro m_erro;
  TZQConsultaPreparada<ContaLida> m_leConta;
  // The posting run reads the account of every entry.
  TZQLembradoNaTransacao<uint32_t, ContaLida> m_lidas;
};

// The treasury transactions' names.
class CZQFonteTransacoesSQL : public IZQFonteTransacoes {
 public:
  explicit CZQFonteTransacoesSQL(std::shared_ptr<CZQBancoSQL> banco) : m_banco(std::move(banco)) {}

  HRESULT LeTransacao(uint16_t codigo, REG_TRANSACAO* transacao) override;
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }

  // Stores a transaction's name (replacing the one it had). The names are the
  // financial module's; the store offers this to load them and for tests. Code 0 and
  // names longer than the record's field are refused.
  HRESULT GravaTransacao(uint16_t codigo, const CZQString& descricao);

 private:
  std::shared_ptr<CZQBancoSQL> m_banco;
  CZQDadosDF_Erro m_erro;
};

// Installs both components' factories over this connection; ZQInstalaArmazemSQL does
// it together with the data-access hub.
void ZQInstalaComponentesERPSQL(std::shared_ptr<CZQBancoSQL> banco);
// Removes both factories.
void ZQRemoveComponentesERPSQL();
