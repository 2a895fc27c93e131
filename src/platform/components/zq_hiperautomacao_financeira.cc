#include "platform/components/zq_hiperautomacao_financeira.h"

#include "frame/zq_relogio.h"
#include "platform/access/zq_acesso_conciliacao.h"
#include "platform/access/zq_acesso_financeiro.h"
#include "platform/records/zq_dados_extrato.h"

CFNTrataDadosHiperautomacaoFinanceira::CFNTrataDadosHiperautomacaoFinanceira() = default;
CFNTrataDadosHiperautomacaoFinanceira::~CFNTrataDadosHiperautomacaoFinanceira() = default;

CZQDadosDF_Erro& CFNTrataDadosHiperautomacaoFinanceira::CarregaInformacoesHiperautomacaoFinanceira(
    uint32_t conta, CZQDadosFN_StatusHiperautomacaoFinanceira& status) {
  LimpaErro();
  CZQAcessoServidores* acesso = GetAcessoServidores();
  CZQAcessoConciliacao* conciliacao = acesso ? acesso->GetAcessoConciliacao() : nullptr;
  if (!conciliacao) {
    SetErro(E_POINTER, ZQ_CLASSE_HIPERAUTOMACAO_FINANCEIRA, 0);
    return GetErro();
  }

  CZQDadosCL_FiltroExtrato filtro;
  filtro.SetConta(conta).SetConciliado(ZQ_CONCILIADO_NAO);
  CZQVector<uint32_t> posicoes;
  CZQVector<CZQDadosCL_Extrato> pendentes;
  if (FAILED(conciliacao->BuscaPonteirosMovimentoExtrato(filtro, posicoes)) ||
      FAILED(conciliacao->BuscaRegistrosMovimentoExtrato(filtro, posicoes, pendentes))) {
    SetErro(conciliacao->GetErro());
    return GetErro();
  }

  tagCY saldo = 0;
  for (const CZQDadosCL_Extrato& extrato : pendentes)
    saldo += extrato.GetNatureza() == ZQ_NATUREZA_DEBITO ? -extrato.GetValor() : extrato.GetValor();

  CZQString mensagem;
  mensagem.Format("%lld extrato(s) pendente(s) de conciliação.", static_cast<long long>(pendentes.GetQuantidade()));
  status.SetPonteiroContaBanco(conta)
      .SetDmaHmsEvento(zq::Agora())
      .SetQuantidadeExtratosPendentes(pendentes.GetQuantidade())
      .SetSaldoExtrato(saldo)
      .SetMensagem(mensagem);
  return GetErro();
}

int CFNTrataDadosHiperautomacaoFinanceira::TrataGravacao(const CZQDadosFN_StatusHiperautomacaoFinanceira& status,
                                                         CZQDadosDF_Erro& dadosErro) {
  dadosErro.Limpar();
  if (status.GetPonteiroContaBanco() == 0 || status.GetTipoEvento() == 0) {
    dadosErro.SetErro(E_INVALIDARG, ZQ_CLASSE_HIPERAUTOMACAO_FINANCEIRA, 0);
    dadosErro.SetTexto("O status da hiperautomação financeira precisa de conta e tipo de evento.");
    return 0;
  }
  CZQAcessoServidores* acesso = GetAcessoServidores();
  CZQAcessoFinanceiro* financeiro = acesso ? acesso->GetAcessoFinanceiro() : nullptr;
  if (!financeiro) {
    dadosErro.SetErro(E_POINTER, ZQ_CLASSE_HIPERAUTOMACAO_FINANCEIRA, 0);
    return 0;
  }
  HRESULT hr = financeiro->GravaStatusHiperautomacaoFinanceira(status);
  if (FAILED(hr)) {
    dadosErro.SetErro(financeiro->GetErro());
    if (SUCCEEDED(dadosErro.GetHR())) dadosErro.SetHR(hr);
    return 0;
  }
  return 1;
}
