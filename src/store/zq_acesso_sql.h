#pragma once

#include <memory>
#include <string>

#include "frame/zq_erro.h"
#include "platform/access/zq_acesso_areas.h"
#include "store/zq_banco_sql.h"
#include "store/zq_consulta_preparada.h"
#include "store/zq_lembrado_transacao.h"

// The data-access servers over the SQL store. One hub per routine, all of a process
// sharing one connection (CZQBancoSQL); each area keeps its own last error.

// What every area of the store shares: the connection and the area's error record.
class CZQAreaSQL {
 public:
  explicit CZQAreaSQL(std::shared_ptr<CZQBancoSQL> banco) : m_banco(std::move(banco)) {}
  CZQBancoSQL& Banco() { return *m_banco; }

 protected:
  // Runs one operation: clears the error, runs the body under the connection's lock,
  // and turns whatever it throws into the operation's failure.
  template <typename F>
  HRESULT Executa(const char* operacao, F&& corpo) {
    return ZQExecutaSQL(*m_banco, m_erro, operacao, std::forward<F>(corpo));
  }
  // A failure that is not the database's: the HRESULT with the operation's name.
  HRESULT Falha(const char* operacao, HRESULT hr, const std::string& mensagem) {
    return ZQPreencheErroSQL(m_erro, operacao, {hr, mensagem});
  }

  // Runs one operation with an account held from before the connection's lock (taking
  // it may wait for another process) to after it; failing to take it is the operation's
  // failure. Account 0 holds nothing.
  template <typename F>
  HRESULT ExecutaComConta(const char* operacao, uint32_t conta, F&& corpo) {
    if (conta != 0) {
      try {
        m_banco->TravaConta(conta);
      } catch (const std::exception& e) {
        return ZQPreencheErroSQL(m_erro, operacao, ZQTraduzExcecaoSQL(e));
      }
    }
    struct Solta {
      CZQBancoSQL& banco;
      uint32_t conta;
      ~Solta() {
        if (conta == 0) return;
        try {
          std::lock_guard<std::recursive_mutex> trava(banco.Trava());
          banco.LiberaConta(conta);
        } catch (...) {
          // The connection is failing: closing it lets the account go.
        }
      }
    } solta{*m_banco, conta};
    return Executa(operacao, std::forward<F>(corpo));
  }

  std::shared_ptr<CZQBancoSQL> m_banco;
  CZQDadosDF_Erro m_erro;
};

class CZQAcessoConciliacaoSQL : public CZQAcessoConciliacao, public CZQAreaSQL {
 public:
  explicit CZQAcessoConciliacaoSQL(std::shared_ptr<CZQBancoSQL> banco);
  ~CZQAcessoConciliacaoSQL() override;

  HRESULT LeBufferMestre(CZQDadosCL_Mestre* mestre, int flag = 0) override;
  HRESULT BuscaPonteirosMovimentoExtrato(const CZQDadosCL_FiltroExtrato& filtro,
                                         CZQVector<uint32_t>& posicoes) override;
  HRESULT BuscaRegistrosMovimentoExtrato(const CZQDadosCL_FiltroExtrato& filtro, const CZQVector<uint32_t>& posicoes,
                                         CZQVector<CZQDadosCL_Extrato>& extratos) override;
  HRESULT GravaExtrato(CZQDadosCL_Extrato& extrato) override;
  HRESULT ProcessaConciliacaoAutomatica(const CZQDadosCL_ConciliacaoAutomatica& conciliacao, int32_t& extratosRestantes,
                                        CZQDadosCL_ConciliacaoTesourariaBancos& resultado) override;
  HRESULT BuscaConciliacao(const CZQDadosCL_ConciliacaoAutomatica& conciliacao,
                           CZQDadosCL_ConciliacaoTesourariaBancos& resultado) override;
  HRESULT ConciliaManual(uint32_t conta, const CZQVector<uint32_t>& linhas, const CZQVector<uint32_t>& entradas,
                         uint16_t usuario, uint32_t sessao, uint32_t& numero) override;
  HRESULT DesfazConciliacao(uint32_t conta, uint32_t numero, uint16_t usuario, uint32_t sessao,
                            const CZQString& motivo) override;
  HRESULT GetUltimoNrConciliacao(uint32_t conta, uint32_t& numero) override;
  HRESULT GetChave(CZQDadosCL_Tabela& tabela) override;
  HRESULT SalvaArqNumConciliacao(uint32_t conta, uint32_t numero) override;
  HRESULT LeConfiguracaoServicoImportacaoExtratos(CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& configuracao,
                                                  int flag = 0) override;
  HRESULT LeConfiguracaoConciliacaoTesourariaBanco(
      CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& configuracao, int flag = 0) override;
  HRESULT GravaExecucaoConciliacaoTesourariaBanco(
      const CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& execucoes) override;
  HRESULT LePonteirosExecucaoConciliacaoTesourariaBanco(
      const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& execucoes,
      int flag = 0) override;
  HRESULT BuscaPonteirosExecucaoConciliacaoTesourariaBanco(
      const CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco& filtro, CZQVector<REG_ZQDMC>& chaves) override;
  HRESULT GravaExecucaoServicoImportacaoExtratos(
      CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& execucoes) override;
  HRESULT BuscaPonteirosExecucaoServicoImportacaoExtratos(
      const CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos& filtro, CZQVector<REG_ZQDMC>& chaves) override;
  HRESULT LePonteirosExecucaoServicoImportacaoExtratos(
      const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& execucoes,
      int flag) override;
  HRESULT LeLeiaute(int32_t posicao, CZQDadosCL_Leiaute& leiaute) override;
  HRESULT LeColunasLeiaute(int32_t posicao, REG_LEIAUTE_COLUNASPS& colunas) override;
  HRESULT GetICLMestre(CZQComPtr<IZQCL_Mestre>& mestre) override;
  HRESULT GetICLImportacaoCBN(CZQComPtr<IZQCL_ImportacaoCBN>& importacao) override;
  HRESULT GravaConfiguracaoServicoImportacaoExtratos(
      const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& configuracao) override;
  HRESULT GravaConfiguracaoConciliacaoTesourariaBanco(
      const CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& configuracao) override;
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }
  HRESULT TravaConta(uint32_t conta) override;
  HRESULT TentaTravaConta(uint32_t conta, bool& obtida) override;
  HRESULT LiberaConta(uint32_t conta) override;
  HRESULT GravaExtratos(CZQVector<CZQDadosCL_Extrato>& extratos,
                        const ZQArquivoExtratoImportado* arquivo = nullptr) override;
  HRESULT BuscaArquivoExtratoImportado(const CZQString& resumo, ZQArquivoExtratoImportado& arquivo) override;

 private:
  struct Comandos;
  Comandos& Prepara();
  std::unique_ptr<Comandos> m_comandos;
  TZQConsultaPreparada<long long> m_leMestre;
  // Asked for every entry of a posting run; a pair's key, once given, never changes.
  TZQLembradoNaTransacao<std::pair<long long, long long>, long long> m_chavesTabela;
};

class CZQAcessoEmpresarialSQL : public CZQAcessoEmpresarial, public CZQAreaSQL {
 public:
  using CZQAreaSQL::CZQAreaSQL;

  HRESULT LeBufferFormaPagamento(uint32_t posicao, CZQDadosDF_FormaPagamento* formaPagamento, int flag = 0) override;
  HRESULT LeBanco(const uint32_t& conta, CZQDadosDF_Banco* banco, int flag = 0) override;
  HRESULT LeBufferBanco(uint32_t conta, CZQDadosDF_Banco* banco, int flag = 0) override;
  HRESULT LeBufferPlanoContabil(uint32_t conta, CZQDadosDF_PlanoEmpresarial* plano, int flag = 0) override;
  HRESULT LePlanoGerencial(uint32_t conta, CZQDadosDF_PlanoEmpresarial* plano, int flag = 0) override;
  HRESULT LeBufferHistorico(uint32_t historico, CZQDadosDF_Historico* dadosHistorico, int flag = 0) override;
  HRESULT LeBufferPeriodoContabil(CZQDadosDF_PeriodoContabil* periodo, int flag = 0) override;
  HRESULT BuscaFeriadosFilial(uint32_t filial, CZQVector<CZQDadosDF_Feriado>& feriados) override;
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }

 private:
  HRESULT LeDadosBanco(const char* operacao, uint32_t conta, CZQDadosDF_Banco* banco);
  HRESULT LeConta(const char* operacao, const char* tabela, uint32_t conta, CZQDadosDF_PlanoEmpresarial* plano);

  // Read once per stored line of an import: prepared once.
  struct BancoLido {
    long long conta = 0, numero = 0, integrar = 0, operacoes = 0, ambiente = 0, ambienteBB = 0, leiaute = 0;
    std::string agencia, contaCorrente;
  };
  TZQConsultaPreparada<BancoLido> m_leBanco;

  struct ContaLida {
    long long posicao = 0, inativa = 0;
    std::string codigoProprio, codigoUsado, nome, tipo, tipoBanco;
    soci::indicator indTipoBanco = soci::i_ok;
  };
  // Read once per entry of a posting run: the enterprise and the management chart.
  TZQConsultaPreparada<ContaLida> m_leContabil, m_leGerencial;
  TZQLembradoNaTransacao<uint32_t, ContaLida> m_contasLidas, m_gerenciaisLidas;
};

class CZQAcessoFinanceiroSQL : public CZQAcessoFinanceiro, public CZQAreaSQL {
 public:
  explicit CZQAcessoFinanceiroSQL(std::shared_ptr<CZQBancoSQL> banco);
  ~CZQAcessoFinanceiroSQL() override;

  HRESULT BuscaPonteirosTesouraria(const CZQDadosFN_FiltroTesouraria& filtro, CZQVector<REG_ZQDMC>& chaves) override;
  HRESULT LeTesouraria(const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosFN_Tesouraria>& entradas) override;
  HRESULT GetIFNTesouraria(CZQComPtr<IZQFN_Tesouraria>& tesouraria) override;
  HRESULT LeBufferMestre(CZQDadosFN_Mestre* mestre, int flag = 0) override;
  HRESULT GravaStatusHiperautomacaoFinanceira(const CZQDadosFN_StatusHiperautomacaoFinanceira& status) override;
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }

  // Stores a treasury entry: one without position is added and receives its new
  // position; one with a position replaces the stored entry. The treasury itself is
  // another module's; the store offers this for the integration and for tests.
  HRESULT GravaTesouraria(CZQDadosFN_Tesouraria& entrada);

  // The duplicate search of the treasury interfaces this area hands out, prepared once
  // for all of them.
  struct BuscaDuplicado;

 private:
  std::shared_ptr<BuscaDuplicado> m_buscaDuplicado;
};

class CZQAcessoContabilSQL : public CZQAcessoContabil, public CZQAreaSQL {
 public:
  using CZQAreaSQL::CZQAreaSQL;

  HRESULT LeBufferMestreEmpresa(CZQDadosCN_MestreEmpresa* mestre, int flag = 0) override;
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }
};

class CZQAcessoIntegracaoSQL : public CZQAcessoIntegracao, public CZQAreaSQL {
 public:
  using CZQAreaSQL::CZQAreaSQL;

  HRESULT GetIDFIntegracaoTransacao(CZQComPtr<IZQDF_IntegracaoTransacao>& integracao) override;
  const CZQDadosDF_Erro* GetErro() const override { return &m_erro; }
};

// The hub over one connection.
class CZQAcessoServidoresSQL : public CZQAcessoServidores {
 public:
  explicit CZQAcessoServidoresSQL(std::shared_ptr<CZQBancoSQL> banco);
  ~CZQAcessoServidoresSQL() override;

  CZQAcessoConciliacao* GetAcessoConciliacao() override { return &m_conciliacao; }
  CZQAcessoEmpresarial* GetAcessoEmpresarial() override { return &m_empresarial; }
  CZQAcessoFinanceiro* GetAcessoFinanceiro() override { return &m_financeiro; }
  CZQAcessoContabil* GetAcessoContabil() override { return &m_contabil; }
  CZQAcessoIntegracao* GetAcessoIntegracao() override { return &m_integracao; }

  // The concrete areas, for what only the store offers (bulk loads, treasury writes).
  CZQAcessoConciliacaoSQL& Conciliacao() { return m_conciliacao; }
  CZQAcessoFinanceiroSQL& Financeiro() { return m_financeiro; }
  CZQBancoSQL& Banco() { return *m_banco; }

 private:
  std::shared_ptr<CZQBancoSQL> m_banco;
  // The areas deallocate their prepared statements on the connection as they go, which
  // must not meet another thread's use of it (libpq's connections are not shared): the
  // destructor takes the connection's lock and this, destroyed after the areas, lets go.
  struct Destravador {
    std::recursive_mutex* trava = nullptr;
    ~Destravador() {
      if (trava) trava->unlock();
    }
  } m_destravador;
  CZQAcessoConciliacaoSQL m_conciliacao;
  CZQAcessoEmpresarialSQL m_empresarial;
  CZQAcessoFinanceiroSQL m_financeiro;
  CZQAcessoContabilSQL m_contabil;
  CZQAcessoIntegracaoSQL m_integracao;
};

// Opens the store (the configured one when the connection string is empty) and
// installs it as the process's hub factory: every hub created from then on shares
// this connection. Returns the opening's HRESULT; on failure nothing is installed.
HRESULT ZQInstalaArmazemSQL(const std::string& conexao, CZQDadosDF_Erro& erro,
                            std::shared_ptr<CZQBancoSQL>* banco = nullptr);
// Removes the store's factory (if it is the one installed).
void ZQRemoveArmazemSQL();
