#include "platform/components/zq_interacao.h"

#include <atomic>
#include <cstdio>

namespace {

class InteracaoPadrao final : public IZQInteracao {
 public:
  int Mostra(const CZQString& texto, TipoIcone, TipoBotao botoes, TipoBotaoDefault padrao) override {
    if (!texto.IsEmpty()) std::fprintf(stderr, "%s\n", texto.c_str());
    return ZQRespostaPadrao(botoes, padrao);
  }
};

InteracaoPadrao g_padrao;
std::atomic<IZQInteracao*> g_atual{&g_padrao};

}  // namespace

int ZQRespostaDoBotao(TipoBotao botoes, int indice) {
  switch (botoes) {
    case ZQ_BOTAO_OK:
      return ZQ_IDOK;
    case ZQ_BOTAO_OK_CANCELAR:
      return indice == 0 ? ZQ_IDOK : ZQ_IDCANCEL;
    case ZQ_BOTAO_SIM_NAO:
      return indice == 0 ? ZQ_IDYES : ZQ_IDNO;
    case ZQ_BOTAO_SIM_NAO_CANCELAR:
      return indice == 0 ? ZQ_IDYES : (indice == 1 ? ZQ_IDNO : ZQ_IDCANCEL);
  }
  return ZQ_IDCANCEL;
}

int ZQRespostaPadrao(TipoBotao botoes, TipoBotaoDefault padrao) {
  return ZQRespostaDoBotao(botoes, static_cast<int>(padrao));
}

IZQInteracao& ZQGetInteracao() { return *g_atual.load(); }

IZQInteracao* ZQDefineInteracao(IZQInteracao* interacao) {
  IZQInteracao* anterior = g_atual.exchange(interacao ? interacao : &g_padrao);
  return anterior == &g_padrao ? nullptr : anterior;
}
