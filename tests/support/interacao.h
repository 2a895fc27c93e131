#pragma once

// A person at the screen, recorded.

#include <string>
#include <vector>

#include "platform/components/zq_interacao.h"

namespace zq_teste {

// Installed for its lifetime: records what would have been shown to a person and
// answers with a fixed button.
class InteracaoGravada : public IZQInteracao {
 public:
  explicit InteracaoGravada(int resposta) : m_resposta(resposta) { m_anterior = ZQDefineInteracao(this); }
  ~InteracaoGravada() override { ZQDefineInteracao(m_anterior); }
  int Mostra(const CZQString& texto, TipoIcone icone, TipoBotao botoes, TipoBotaoDefault padrao) override {
    textos.push_back(texto.str());
    ultimoIcone = icone;
    ultimosBotoes = botoes;
    ultimoPadrao = padrao;
    return m_resposta;
  }
  std::vector<std::string> textos;
  TipoIcone ultimoIcone = ZQ_ICONE_NENHUM;
  TipoBotao ultimosBotoes = ZQ_BOTAO_OK;
  TipoBotaoDefault ultimoPadrao = ZQ_BOTAO_DEFAULT_1;

 private:
  int m_resposta;
  IZQInteracao* m_anterior = nullptr;
};

}  // namespace zq_teste
