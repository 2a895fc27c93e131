#include "platform/components/zq_transacao.h"

#include <cstring>
#include <mutex>

namespace {

std::mutex g_mutexTransacoes;
ZQFabricaTransacoes& FabricaTransacoes() {
  static ZQFabricaTransacoes fabrica;
  return fabrica;
}

}  // namespace

ZQFabricaTransacoes ZQDefineFabricaTransacoes(ZQFabricaTransacoes fabrica) {
  std::lock_guard<std::mutex> trava(g_mutexTransacoes);
  ZQFabricaTransacoes anterior = std::move(FabricaTransacoes());
  FabricaTransacoes() = std::move(fabrica);
  return anterior;
}

std::unique_ptr<IZQFonteTransacoes> ZQNovaFonteTransacoes(const IZQDF_Profiler& profiler) {
  ZQFabricaTransacoes fabrica;
  {
    std::lock_guard<std::mutex> trava(g_mutexTransacoes);
    fabrica = FabricaTransacoes();
  }
  return fabrica ? fabrica(profiler) : nullptr;
}

CTransacao::CTransacao(const IZQDF_Profiler& profiler) : m_pFonte(ZQNovaFonteTransacoes(profiler)) {}

CTransacao::~CTransacao() = default;

HRESULT CTransacao::GetTransacao(uint16_t codigo, REG_TRANSACAO* transacao) {
  m_erro.Limpar();
  if (!transacao) {
    m_erro.SetErro(E_POINTER, 0, 0);
    return E_POINTER;
  }
  std::memset(transacao, 0, sizeof *transacao);
  if (!m_pFonte) {
    m_erro.SetErro(ZQ_E_TRANSACOES_INDISPONIVEIS, 0, 0);
    m_erro.SetTexto("Não há componente de transações de tesouraria instalado.");
    return ZQ_E_TRANSACOES_INDISPONIVEIS;
  }
  HRESULT hr = m_pFonte->LeTransacao(codigo, transacao);
  if (FAILED(hr)) {
    const CZQDadosDF_Erro* erro = m_pFonte->GetErro();
    if (erro && erro->TemErro()) {
      m_erro.SetErro(erro);
    } else {
      m_erro.SetErro(hr, 0, 0);
    }
  }
  return hr;
}
