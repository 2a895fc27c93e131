#pragma once

#include <cstdio>

#include "platform/components/zq_interacao.h"
#include "platform/components/zq_janela.h"

// The import's progress message (1126) drawn as a bar on a terminal; nothing when the
// stream is not one, so scripts and logs stay clean.
class CZQBarraProgresso : public CWnd {
 public:
  explicit CZQBarraProgresso(FILE* destino);
  ~CZQBarraProgresso() override;
  intptr_t SendMessageA(uint32_t mensagem, uintptr_t wParam, intptr_t lParam) override;
  int GetUltimoPercentual() const { return m_ultimo; }

 private:
  FILE* m_destino;
  bool m_terminal;
  int m_ultimo = -1;
};

// Questions to the person at the terminal: the text, the buttons as letters, and the
// answer read from the terminal. Without a terminal the default button answers.
class CZQInteracaoTerminal : public IZQInteracao {
 public:
  int Mostra(const CZQString& texto, TipoIcone icone, TipoBotao botoes, TipoBotaoDefault padrao) override;
};

// The terminal answers the library's questions while this lives (when asked to); the
// previous interaction comes back when it goes, on every way out of a command.
class CZQTerminalInstalado {
 public:
  explicit CZQTerminalInstalado(bool instala = true)
      : m_anterior(instala ? ZQDefineInteracao(&m_terminal) : nullptr), m_instalado(instala) {}
  ~CZQTerminalInstalado() {
    if (m_instalado) ZQDefineInteracao(m_anterior);
  }
  CZQTerminalInstalado(const CZQTerminalInstalado&) = delete;
  CZQTerminalInstalado& operator=(const CZQTerminalInstalado&) = delete;

 private:
  CZQInteracaoTerminal m_terminal;
  IZQInteracao* m_anterior;
  bool m_instalado;
};
