#include "store/zq_falhas_injetadas.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>

// ---- what to inject and what was called ----

namespace {

struct Regra {
  long chamada;  // the call that fails
  bool sempre;   // and every one after it
  HRESULT hr;
  bool temErro;
  CZQDadosDF_Erro erro;
};

}  // namespace

struct CZQFalhasInjetadas::Estado {
  mutable std::mutex trava;
  std::map<std::string, std::vector<Regra>> regras;
  std::map<std::string, long> chamadas;
  std::vector<std::string> ocorridas;
};

CZQFalhasInjetadas::CZQFalhasInjetadas() : m_estado(std::make_shared<Estado>()) {}

const std::vector<std::string>& CZQFalhasInjetadas::Operacoes() {
  static const std::vector<std::string> operacoes = {
      // reconciliation area
      "LeBufferMestre", "BuscaPonteirosMovimentoExtrato", "BuscaRegistrosMovimentoExtrato", "GravaExtrato",
      "ProcessaConciliacaoAutomatica", "BuscaConciliacao", "ConciliaManual", "DesfazConciliacao",
      "GetUltimoNrConciliacao", "GetChave", "SalvaArqNumConciliacao", "LeConfiguracaoServicoImportacaoExtratos",
      "LeConfiguracaoConciliacaoTesourariaBanco", "GravaExecucaoConciliacaoTesourariaBanco",
      "LePonteirosExecucaoConciliacaoTesourariaBanco", "BuscaPonteirosExecucaoConciliacaoTesourariaBanco",
      "GravaExecucaoServicoImportacaoExtratos", "BuscaPonteirosExecucaoServicoImportacaoExtratos",
      "LePonteirosExecucaoServicoImportacaoExtratos", "LeLeiaute", "LeColunasLeiaute", "GetICLMestre",
      "GetICLImportacaoCBN", "GravaConfiguracaoServicoImportacaoExtratos",
      "GravaConfiguracaoConciliacaoTesourariaBanco", "TravaConta", "LiberaConta", "GravaExtratos",
      "BuscaArquivoExtratoImportado", "TentaTravaConta",
      // enterprise area
      "LeBufferFormaPagamento", "LeBanco", "LeBufferBanco", "LeBufferPlanoContabil", "LePlanoGerencial",
      "LeBufferHistorico", "LeBufferPeriodoContabil", "BuscaFeriadosFilial",
      // finance area
      "BuscaPonteirosTesouraria", "LeTesouraria", "GetIFNTesouraria", "Financeiro.LeBufferMestre",
      "GravaStatusHiperautomacaoFinanceira",
      // accounting and integration areas
      "LeBufferMestreEmpresa", "GetIDFIntegracaoTransacao",
      // server interfaces
      "BuscaQuantProTesBan", "BuscaRegistrosTesBan", "ImportacaoCBN.LeLeiaute", "Existe", "NovaIntegracao",
      "SetFinanceiroTesouraria", "SetContabilTes", "SetGerencialTes", "GravaIntegracao", "SetOrigensAgrupadas"};
  return operacoes;
}

namespace {

void VerificaNome(const std::string& operacao) {
  const auto& todas = CZQFalhasInjetadas::Operacoes();
  if (std::find(todas.begin(), todas.end(), operacao) == todas.end()) {
    throw std::invalid_argument("operação desconhecida para injetar falha: " + operacao);
  }
}

}  // namespace

CZQFalhasInjetadas& CZQFalhasInjetadas::Falha(const std::string& operacao, long chamada, HRESULT hr) {
  VerificaNome(operacao);
  std::lock_guard<std::mutex> trava(m_estado->trava);
  m_estado->regras[operacao].push_back(Regra{chamada, false, hr, false, {}});
  return *this;
}

CZQFalhasInjetadas& CZQFalhasInjetadas::Falha(const std::string& operacao, long chamada, HRESULT hr,
                                              const CZQDadosDF_Erro& erro) {
  VerificaNome(operacao);
  std::lock_guard<std::mutex> trava(m_estado->trava);
  m_estado->regras[operacao].push_back(Regra{chamada, false, hr, true, erro});
  return *this;
}

CZQFalhasInjetadas& CZQFalhasInjetadas::FalhaSempre(const std::string& operacao, HRESULT hr, long aPartirDe) {
  VerificaNome(operacao);
  std::lock_guard<std::mutex> trava(m_estado->trava);
  m_estado->regras[operacao].push_back(Regra{aPartirDe, true, hr, false, {}});
  return *this;
}

long CZQFalhasInjetadas::Chamadas(const std::string& operacao) const {
  std::lock_guard<std::mutex> trava(m_estado->trava);
  auto it = m_estado->chamadas.find(operacao);
  return it == m_estado->chamadas.end() ? 0 : it->second;
}

std::map<std::string, long> CZQFalhasInjetadas::TodasChamadas() const {
  std::lock_guard<std::mutex> trava(m_estado->trava);
  return m_estado->chamadas;
}

std::vector<std::string> CZQFalhasInjetadas::FalhasOcorridas() const {
  std::lock_guard<std::mutex> trava(m_estado->trava);
  return m_estado->ocorridas;
}

void CZQFalhasInjetadas::Limpa() {
  std::lock_guard<std::mutex> trava(m_estado->trava);
  m_estado->regras.clear();
  m_estado->chamadas.clear();
  m_estado->ocorridas.clear();
}

bool CZQFalhasInjetadas::Conta(const char* operacao, HRESULT& hr, CZQDadosDF_Erro& erro) const {
  std::lock_guard<std::mutex> trava(m_estado->trava);
  const long n = ++m_estado->chamadas[operacao];
  auto it = m_estado->regras.find(operacao);
  if (it == m_estado->regras.end()) return false;
  for (const Regra& r : it->second) {
    if (!(n == r.chamada || (r.sempre && n >= r.chamada))) continue;
    hr = r.hr;
    if (r.temErro) {
      erro = r.erro;
    } else {
      erro.SetErro(r.hr, 0, 0);
      CZQString texto;
      texto.Format("Falha injetada em %s (chamada %ld)", operacao, n);
      erro.SetTexto(texto);
    }
    m_estado->ocorridas.push_back(std::string(operacao) + "#" + std::to_string(n));
    return true;
  }
  return false;
}

// ---- decorators ----

namespace {

// Counts a call of an interface (no error record) and says whether it fails.
bool Falhou(const CZQFalhasInjetadas& falhas, const char* operacao, HRESULT& hr) {
  CZQDadosDF_Erro descartado;
  return falhas.Conta(operacao, hr, descartado);
}

class CZQMestreCLFalhas : public TZQRefCounted<IZQCL_Mestre> {
 public:
  CZQMestreCLFalhas(CZQComPtr<IZQCL_Mestre> interno, CZQFalhasInjetadas falhas)
      : m_interno(std::move(interno)), m_falhas(std::move(falhas)) {}
  HRESULT BuscaQuantProTesBan(uint16_t* quantidade) override {
    HRESULT hr = S_OK;
    return Falhou(m_falhas, "BuscaQuantProTesBan", hr) ? hr : m_interno->BuscaQuantProTesBan(quantidade);
  }
  HRESULT BuscaRegistrosTesBan(uint16_t quantidade, _REG_PROP_CONC_TESBAN_PS* registros) override {
    HRESULT hr = S_OK;
    return Falhou(m_falhas, "BuscaRegistrosTesBan", hr) ? hr : m_interno->BuscaRegistrosTesBan(quantidade, registros);
  }

 private:
  CZQComPtr<IZQCL_Mestre> m_interno;
  CZQFalhasInjetadas m_falhas;
};

class CZQImportacaoCBNFalhas : public TZQRefCounted<IZQCL_ImportacaoCBN> {
 public:
  CZQImportacaoCBNFalhas(CZQComPtr<IZQCL_ImportacaoCBN> interno, CZQFalhasInjetadas falhas)
      : m_interno(std::move(interno)), m_falhas(std::move(falhas)) {}
  HRESULT LeLeiaute(int32_t posicao, RegLeiauteps* leiaute) override {
    HRESULT hr = S_OK;
    return Falhou(m_falhas, "ImportacaoCBN.LeLeiaute", hr) ? hr : m_interno->LeLeiaute(posicao, leiaute);
  }

 private:
  CZQComPtr<IZQCL_ImportacaoCBN> m_interno;
  CZQFalhasInjetadas m_falhas;
};

class CZQTesourariaFalhas : public TZQRefCounted<IZQFN_Tesouraria> {
 public:
  CZQTesourariaFalhas(CZQComPtr<IZQFN_Tesouraria> interno, CZQFalhasInjetadas falhas)
      : m_interno(std::move(interno)), m_falhas(std::move(falhas)) {}
  HRESULT Existe(const RegExisteTesps& consulta, tagREG_TESOURARIAPS* encontrado) override {
    HRESULT hr = S_OK;
    return Falhou(m_falhas, "Existe", hr) ? hr : m_interno->Existe(consulta, encontrado);
  }

 private:
  CZQComPtr<IZQFN_Tesouraria> m_interno;
  CZQFalhasInjetadas m_falhas;
};

class CZQIntegracaoFalhas : public TZQRefCounted<IZQDF_IntegracaoTransacao> {
 public:
  CZQIntegracaoFalhas(CZQComPtr<IZQDF_IntegracaoTransacao> interno, CZQFalhasInjetadas falhas)
      : m_interno(std::move(interno)), m_falhas(std::move(falhas)) {}
  HRESULT NovaIntegracao(regNovaTransacaoPS* transacao) override {
    HRESULT hr = S_OK;
    return Falhou(m_falhas, "NovaIntegracao", hr) ? hr : m_interno->NovaIntegracao(transacao);
  }
  HRESULT SetFinanceiroTesouraria(const RegSetTesouraria* tesouraria, RegFNRetorno* retorno) override {
    HRESULT hr = S_OK;
    return Falhou(m_falhas, "SetFinanceiroTesouraria", hr) ? hr
                                                           : m_interno->SetFinanceiroTesouraria(tesouraria, retorno);
  }
  HRESULT SetContabilTes(uint16_t quantidade, const RegContasContabil* contas) override {
    HRESULT hr = S_OK;
    return Falhou(m_falhas, "SetContabilTes", hr) ? hr : m_interno->SetContabilTes(quantidade, contas);
  }
  HRESULT SetGerencialTes(int32_t quantidade, const RegContasGerencial* contas) override {
    HRESULT hr = S_OK;
    return Falhou(m_falhas, "SetGerencialTes", hr) ? hr : m_interno->SetGerencialTes(quantidade, contas);
  }
  HRESULT GravaIntegracao(const RegGravaIntegracao* gravacao, RegRetorno* retorno) override {
    HRESULT hr = S_OK;
    return Falhou(m_falhas, "GravaIntegracao", hr) ? hr : m_interno->GravaIntegracao(gravacao, retorno);
  }
  HRESULT SetOrigensAgrupadas(uint32_t quantidade, const ChaveOrigem* chaves) override {
    HRESULT hr = S_OK;
    return Falhou(m_falhas, "SetOrigensAgrupadas", hr) ? hr : m_interno->SetOrigensAgrupadas(quantidade, chaves);
  }

 private:
  CZQComPtr<IZQDF_IntegracaoTransacao> m_interno;
  CZQFalhasInjetadas m_falhas;
};

// What every decorated area shares: the real area, the failures, and its own error
// record for the calls that were made to fail.
template <typename Area>
class TZQAreaFalhas : public Area {
 public:
  TZQAreaFalhas(Area* interna, CZQFalhasInjetadas falhas) : m_interna(interna), m_falhas(std::move(falhas)) {}

  const CZQDadosDF_Erro* GetErro() const override { return m_bInjetada ? &m_erro : m_interna->GetErro(); }

 protected:
  template <typename F>
  HRESULT Chama(const char* operacao, F&& real) {
    HRESULT hr = S_OK;
    if (m_falhas.Conta(operacao, hr, m_erro)) {
      m_bInjetada = true;
      return hr;
    }
    m_bInjetada = false;
    return real();
  }
  // Decorates the interface a successful call handed out.
  template <typename Decorador, typename I>
  void Decora(HRESULT hr, CZQComPtr<I>& ponteiro) {
    if (SUCCEEDED(hr) && ponteiro) {
      CZQComPtr<I> interno = ponteiro;
      ponteiro = new Decorador(interno, m_falhas);
    }
  }

  Area* m_interna;
  CZQFalhasInjetadas m_falhas;
  CZQDadosDF_Erro m_erro;
  bool m_bInjetada = false;
};

class CZQConciliacaoFalhas : public TZQAreaFalhas<CZQAcessoConciliacao> {
 public:
  using TZQAreaFalhas::TZQAreaFalhas;

  HRESULT LeBufferMestre(CZQDadosCL_Mestre* mestre, int flag) override {
    return Chama("LeBufferMestre", [&] { return m_interna->LeBufferMestre(mestre, flag); });
  }
  HRESULT BuscaPonteirosMovimentoExtrato(const CZQDadosCL_FiltroExtrato& filtro,
                                         CZQVector<uint32_t>& posicoes) override {
    return Chama("BuscaPonteirosMovimentoExtrato",
                 [&] { return m_interna->BuscaPonteirosMovimentoExtrato(filtro, posicoes); });
  }
  HRESULT BuscaRegistrosMovimentoExtrato(const CZQDadosCL_FiltroExtrato& filtro, const CZQVector<uint32_t>& posicoes,
                                         CZQVector<CZQDadosCL_Extrato>& extratos) override {
    return Chama("BuscaRegistrosMovimentoExtrato",
                 [&] { return m_interna->BuscaRegistrosMovimentoExtrato(filtro, posicoes, extratos); });
  }
  HRESULT GravaExtrato(CZQDadosCL_Extrato& extrato) override {
    return Chama("GravaExtrato", [&] { return m_interna->GravaExtrato(extrato); });
  }
  HRESULT ProcessaConciliacaoAutomatica(const CZQDadosCL_ConciliacaoAutomatica& conciliacao, int32_t& restantes,
                                        CZQDadosCL_ConciliacaoTesourariaBancos& resultado) override {
    return Chama("ProcessaConciliacaoAutomatica",
                 [&] { return m_interna->ProcessaConciliacaoAutomatica(conciliacao, restantes, resultado); });
  }
  HRESULT BuscaConciliacao(const CZQDadosCL_ConciliacaoAutomatica& conciliacao,
                           CZQDadosCL_ConciliacaoTesourariaBancos& resultado) override {
    return Chama("BuscaConciliacao", [&] { return m_interna->BuscaConciliacao(conciliacao, resultado); });
  }
  HRESULT ConciliaManual(uint32_t conta, const CZQVector<uint32_t>& linhas, const CZQVector<uint32_t>& entradas,
                         uint16_t usuario, uint32_t sessao, uint32_t& numero) override {
    return Chama("ConciliaManual",
                 [&] { return m_interna->ConciliaManual(conta, linhas, entradas, usuario, sessao, numero); });
  }
  HRESULT DesfazConciliacao(uint32_t conta, uint32_t numero, uint16_t usuario, uint32_t sessao,
                            const CZQString& motivo) override {
    return Chama("DesfazConciliacao",
                 [&] { return m_interna->DesfazConciliacao(conta, numero, usuario, sessao, motivo); });
  }
  HRESULT GetUltimoNrConciliacao(uint32_t conta, uint32_t& numero) override {
    return Chama("GetUltimoNrConciliacao", [&] { return m_interna->GetUltimoNrConciliacao(conta, numero); });
  }
  HRESULT GetChave(CZQDadosCL_Tabela& tabela) override {
    return Chama("GetChave", [&] { return m_interna->GetChave(tabela); });
  }
  HRESULT SalvaArqNumConciliacao(uint32_t conta, uint32_t numero) override {
    return Chama("SalvaArqNumConciliacao", [&] { return m_interna->SalvaArqNumConciliacao(conta, numero); });
  }
  HRESULT LeConfiguracaoServicoImportacaoExtratos(CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& configuracao,
                                                  int flag) override {
    return Chama("LeConfiguracaoServicoImportacaoExtratos",
                 [&] { return m_interna->LeConfiguracaoServicoImportacaoExtratos(configuracao, flag); });
  }
  HRESULT LeConfiguracaoConciliacaoTesourariaBanco(
      CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& configuracao, int flag) override {
    return Chama("LeConfiguracaoConciliacaoTesourariaBanco",
                 [&] { return m_interna->LeConfiguracaoConciliacaoTesourariaBanco(configuracao, flag); });
  }
  HRESULT GravaExecucaoConciliacaoTesourariaBanco(
      const CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& execucoes) override {
    return Chama("GravaExecucaoConciliacaoTesourariaBanco",
                 [&] { return m_interna->GravaExecucaoConciliacaoTesourariaBanco(execucoes); });
  }
  HRESULT LePonteirosExecucaoConciliacaoTesourariaBanco(
      const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& execucoes,
      int flag) override {
    return Chama("LePonteirosExecucaoConciliacaoTesourariaBanco",
                 [&] { return m_interna->LePonteirosExecucaoConciliacaoTesourariaBanco(chaves, execucoes, flag); });
  }
  HRESULT BuscaPonteirosExecucaoConciliacaoTesourariaBanco(
      const CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco& filtro, CZQVector<REG_ZQDMC>& chaves) override {
    return Chama("BuscaPonteirosExecucaoConciliacaoTesourariaBanco",
                 [&] { return m_interna->BuscaPonteirosExecucaoConciliacaoTesourariaBanco(filtro, chaves); });
  }
  HRESULT GravaExecucaoServicoImportacaoExtratos(
      CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& execucoes) override {
    return Chama("GravaExecucaoServicoImportacaoExtratos",
                 [&] { return m_interna->GravaExecucaoServicoImportacaoExtratos(execucoes); });
  }
  HRESULT BuscaPonteirosExecucaoServicoImportacaoExtratos(
      const CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos& filtro, CZQVector<REG_ZQDMC>& chaves) override {
    return Chama("BuscaPonteirosExecucaoServicoImportacaoExtratos",
                 [&] { return m_interna->BuscaPonteirosExecucaoServicoImportacaoExtratos(filtro, chaves); });
  }
  HRESULT LePonteirosExecucaoServicoImportacaoExtratos(
      const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& execucoes,
      int flag) override {
    return Chama("LePonteirosExecucaoServicoImportacaoExtratos",
                 [&] { return m_interna->LePonteirosExecucaoServicoImportacaoExtratos(chaves, execucoes, flag); });
  }
  HRESULT LeLeiaute(int32_t posicao, CZQDadosCL_Leiaute& leiaute) override {
    return Chama("LeLeiaute", [&] { return m_interna->LeLeiaute(posicao, leiaute); });
  }
  HRESULT LeColunasLeiaute(int32_t posicao, REG_LEIAUTE_COLUNASPS& colunas) override {
    return Chama("LeColunasLeiaute", [&] { return m_interna->LeColunasLeiaute(posicao, colunas); });
  }
  HRESULT GravaExtratos(CZQVector<CZQDadosCL_Extrato>& extratos, const ZQArquivoExtratoImportado* arquivo) override {
    return Chama("GravaExtratos", [&] { return m_interna->GravaExtratos(extratos, arquivo); });
  }
  HRESULT BuscaArquivoExtratoImportado(const CZQString& resumo, ZQArquivoExtratoImportado& arquivo) override {
    return Chama("BuscaArquivoExtratoImportado",
                 [&] { return m_interna->BuscaArquivoExtratoImportado(resumo, arquivo); });
  }
  HRESULT GetICLMestre(CZQComPtr<IZQCL_Mestre>& mestre) override {
    return Chama("GetICLMestre", [&] {
      HRESULT hr = m_interna->GetICLMestre(mestre);
      Decora<CZQMestreCLFalhas>(hr, mestre);
      return hr;
    });
  }
  HRESULT GetICLImportacaoCBN(CZQComPtr<IZQCL_ImportacaoCBN>& importacao) override {
    return Chama("GetICLImportacaoCBN", [&] {
      HRESULT hr = m_interna->GetICLImportacaoCBN(importacao);
      Decora<CZQImportacaoCBNFalhas>(hr, importacao);
      return hr;
    });
  }
  HRESULT GravaConfiguracaoServicoImportacaoExtratos(
      const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& configuracao) override {
    return Chama("GravaConfiguracaoServicoImportacaoExtratos",
                 [&] { return m_interna->GravaConfiguracaoServicoImportacaoExtratos(configuracao); });
  }
  HRESULT GravaConfiguracaoConciliacaoTesourariaBanco(
      const CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& configuracao) override {
    return Chama("GravaConfiguracaoConciliacaoTesourariaBanco",
                 [&] { return m_interna->GravaConfiguracaoConciliacaoTesourariaBanco(configuracao); });
  }
  HRESULT TravaConta(uint32_t conta) override {
    return Chama("TravaConta", [&] { return m_interna->TravaConta(conta); });
  }
  HRESULT LiberaConta(uint32_t conta) override {
    return Chama("LiberaConta", [&] { return m_interna->LiberaConta(conta); });
  }
  HRESULT TentaTravaConta(uint32_t conta, bool& obtida) override {
    obtida = false;
    return Chama("TentaTravaConta", [&] { return m_interna->TentaTravaConta(conta, obtida); });
  }
};

class CZQEmpresarialFalhas : public TZQAreaFalhas<CZQAcessoEmpresarial> {
 public:
  using TZQAreaFalhas::TZQAreaFalhas;

  HRESULT LeBufferFormaPagamento(uint32_t posicao, CZQDadosDF_FormaPagamento* forma, int flag) override {
    return Chama("LeBufferFormaPagamento", [&] { return m_interna->LeBufferFormaPagamento(posicao, forma, flag); });
  }
  HRESULT LeBanco(const uint32_t& conta, CZQDadosDF_Banco* banco, int flag) override {
    return Chama("LeBanco", [&] { return m_interna->LeBanco(conta, banco, flag); });
  }
  HRESULT LeBufferBanco(uint32_t conta, CZQDadosDF_Banco* banco, int flag) override {
    return Chama("LeBufferBanco", [&] { return m_interna->LeBufferBanco(conta, banco, flag); });
  }
  HRESULT LeBufferPlanoContabil(uint32_t conta, CZQDadosDF_PlanoEmpresarial* plano, int flag) override {
    return Chama("LeBufferPlanoContabil", [&] { return m_interna->LeBufferPlanoContabil(conta, plano, flag); });
  }
  HRESULT LePlanoGerencial(uint32_t conta, CZQDadosDF_PlanoEmpresarial* plano, int flag) override {
    return Chama("LePlanoGerencial", [&] { return m_interna->LePlanoGerencial(conta, plano, flag); });
  }
  HRESULT LeBufferHistorico(uint32_t historico, CZQDadosDF_Historico* dados, int flag) override {
    return Chama("LeBufferHistorico", [&] { return m_interna->LeBufferHistorico(historico, dados, flag); });
  }
  HRESULT LeBufferPeriodoContabil(CZQDadosDF_PeriodoContabil* periodo, int flag) override {
    return Chama("LeBufferPeriodoContabil", [&] { return m_interna->LeBufferPeriodoContabil(periodo, flag); });
  }
  HRESULT BuscaFeriadosFilial(uint32_t filial, CZQVector<CZQDadosDF_Feriado>& feriados) override {
    return Chama("BuscaFeriadosFilial", [&] { return m_interna->BuscaFeriadosFilial(filial, feriados); });
  }
};

class CZQFinanceiroFalhas : public TZQAreaFalhas<CZQAcessoFinanceiro> {
 public:
  using TZQAreaFalhas::TZQAreaFalhas;

  HRESULT BuscaPonteirosTesouraria(const CZQDadosFN_FiltroTesouraria& filtro, CZQVector<REG_ZQDMC>& chaves) override {
    return Chama("BuscaPonteirosTesouraria", [&] { return m_interna->BuscaPonteirosTesouraria(filtro, chaves); });
  }
  HRESULT LeTesouraria(const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosFN_Tesouraria>& entradas) override {
    return Chama("LeTesouraria", [&] { return m_interna->LeTesouraria(chaves, entradas); });
  }
  HRESULT GetIFNTesouraria(CZQComPtr<IZQFN_Tesouraria>& tesouraria) override {
    return Chama("GetIFNTesouraria", [&] {
      HRESULT hr = m_interna->GetIFNTesouraria(tesouraria);
      Decora<CZQTesourariaFalhas>(hr, tesouraria);
      return hr;
    });
  }
  HRESULT LeBufferMestre(CZQDadosFN_Mestre* mestre, int flag) override {
    return Chama("Financeiro.LeBufferMestre", [&] { return m_interna->LeBufferMestre(mestre, flag); });
  }
  HRESULT GravaStatusHiperautomacaoFinanceira(const CZQDadosFN_StatusHiperautomacaoFinanceira& status) override {
    return Chama("GravaStatusHiperautomacaoFinanceira",
                 [&] { return m_interna->GravaStatusHiperautomacaoFinanceira(status); });
  }
};

class CZQContabilFalhas : public TZQAreaFalhas<CZQAcessoContabil> {
 public:
  using TZQAreaFalhas::TZQAreaFalhas;

  HRESULT LeBufferMestreEmpresa(CZQDadosCN_MestreEmpresa* mestre, int flag) override {
    return Chama("LeBufferMestreEmpresa", [&] { return m_interna->LeBufferMestreEmpresa(mestre, flag); });
  }
};

class CZQIntegracaoAreaFalhas : public TZQAreaFalhas<CZQAcessoIntegracao> {
 public:
  using TZQAreaFalhas::TZQAreaFalhas;

  HRESULT GetIDFIntegracaoTransacao(CZQComPtr<IZQDF_IntegracaoTransacao>& integracao) override {
    return Chama("GetIDFIntegracaoTransacao", [&] {
      HRESULT hr = m_interna->GetIDFIntegracaoTransacao(integracao);
      Decora<CZQIntegracaoFalhas>(hr, integracao);
      return hr;
    });
  }
};

}  // namespace

// The areas are made on first use, so a decorated hub over a partial fake (one that
// gives null for areas it does not have) stays usable.
struct CZQAcessoServidoresFalhas::Areas {
  std::unique_ptr<CZQConciliacaoFalhas> conciliacao;
  std::unique_ptr<CZQEmpresarialFalhas> empresarial;
  std::unique_ptr<CZQFinanceiroFalhas> financeiro;
  std::unique_ptr<CZQContabilFalhas> contabil;
  std::unique_ptr<CZQIntegracaoAreaFalhas> integracao;
  CZQFalhasInjetadas falhas;
};

namespace {

template <typename Decorada, typename Area>
Area* AreaDecorada(std::unique_ptr<Decorada>& slot, Area* interna, const CZQFalhasInjetadas& falhas) {
  if (!interna) return nullptr;
  if (!slot) slot = std::make_unique<Decorada>(interna, falhas);
  return slot.get();
}

}  // namespace

CZQAcessoServidoresFalhas::CZQAcessoServidoresFalhas(std::unique_ptr<CZQAcessoServidores> interno,
                                                     CZQFalhasInjetadas falhas)
    : m_dono(std::move(interno)), m_interno(m_dono.get()), m_areas(std::make_unique<Areas>()) {
  m_areas->falhas = std::move(falhas);
}

CZQAcessoServidoresFalhas::CZQAcessoServidoresFalhas(CZQAcessoServidores& interno, CZQFalhasInjetadas falhas)
    : m_interno(&interno), m_areas(std::make_unique<Areas>()) {
  m_areas->falhas = std::move(falhas);
}

CZQAcessoServidoresFalhas::~CZQAcessoServidoresFalhas() {
  m_areas.reset();  // the decorated areas point into the hub they decorate
  m_dono.reset();
}

CZQAcessoConciliacao* CZQAcessoServidoresFalhas::GetAcessoConciliacao() {
  return AreaDecorada(m_areas->conciliacao, m_interno->GetAcessoConciliacao(), m_areas->falhas);
}
CZQAcessoEmpresarial* CZQAcessoServidoresFalhas::GetAcessoEmpresarial() {
  return AreaDecorada(m_areas->empresarial, m_interno->GetAcessoEmpresarial(), m_areas->falhas);
}
CZQAcessoFinanceiro* CZQAcessoServidoresFalhas::GetAcessoFinanceiro() {
  return AreaDecorada(m_areas->financeiro, m_interno->GetAcessoFinanceiro(), m_areas->falhas);
}
CZQAcessoContabil* CZQAcessoServidoresFalhas::GetAcessoContabil() {
  return AreaDecorada(m_areas->contabil, m_interno->GetAcessoContabil(), m_areas->falhas);
}
CZQAcessoIntegracao* CZQAcessoServidoresFalhas::GetAcessoIntegracao() {
  return AreaDecorada(m_areas->integracao, m_interno->GetAcessoIntegracao(), m_areas->falhas);
}

CZQInjecaoFalhas::CZQInjecaoFalhas(CZQFalhasInjetadas falhas) {
  // The earlier factory is kept twice: to restore it, and inside the new one.
  auto anterior = std::make_shared<ZQFabricaAcessoServidores>(ZQDefineFabricaAcessoServidores(nullptr));
  m_anterior = *anterior;
  ZQDefineFabricaAcessoServidores(
      [anterior, falhas](const IZQDF_Profiler& perfil) -> std::unique_ptr<CZQAcessoServidores> {
        if (!*anterior) return nullptr;
        std::unique_ptr<CZQAcessoServidores> interno = (*anterior)(perfil);
        if (!interno) return nullptr;
        return std::make_unique<CZQAcessoServidoresFalhas>(std::move(interno), falhas);
      });
}

CZQInjecaoFalhas::~CZQInjecaoFalhas() { ZQDefineFabricaAcessoServidores(std::move(m_anterior)); }
