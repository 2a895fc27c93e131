#include "cli/zq_cli_terminal.h"

#include <unistd.h>

#include <cctype>
#include <string>

CZQBarraProgresso::CZQBarraProgresso(FILE* destino) : m_destino(destino), m_terminal(isatty(fileno(destino)) != 0) {}

CZQBarraProgresso::~CZQBarraProgresso() {
  if (m_terminal && m_ultimo >= 0) std::fputc('\n', m_destino);
}

intptr_t CZQBarraProgresso::SendMessageA(uint32_t mensagem, uintptr_t wParam, intptr_t lParam) {
  if (mensagem != ZQ_MENSAGEM_PROGRESSO || wParam == 0) return 0;
  long percentual = static_cast<long>(lParam * 100 / static_cast<intptr_t>(wParam));
  if (percentual < 0) percentual = 0;
  if (percentual > 100) percentual = 100;
  if (percentual == m_ultimo) return 0;
  m_ultimo = static_cast<int>(percentual);
  if (!m_terminal) return 0;
  constexpr int kLargura = 40;
  int cheio = static_cast<int>(percentual * kLargura / 100);
  std::string barra(static_cast<size_t>(cheio), '#');
  barra.append(static_cast<size_t>(kLargura - cheio), '.');
  std::fprintf(m_destino, "\r[%s] %3ld%%", barra.c_str(), percentual);
  std::fflush(m_destino);
  return 0;
}

namespace {

struct Opcao {
  char letra;
  const char* nome;
};

int Quantidade(TipoBotao botoes) {
  switch (botoes) {
    case ZQ_BOTAO_OK:
      return 1;
    case ZQ_BOTAO_OK_CANCELAR:
    case ZQ_BOTAO_SIM_NAO:
      return 2;
    case ZQ_BOTAO_SIM_NAO_CANCELAR:
      return 3;
  }
  return 1;
}

Opcao OpcaoDe(int resposta) {
  switch (resposta) {
    case ZQ_IDYES:
      return {'s', "sim"};
    case ZQ_IDNO:
      return {'n', "não"};
    case ZQ_IDCANCEL:
      return {'c', "cancelar"};
    default:
      return {'o', "ok"};
  }
}

}  // namespace

int CZQInteracaoTerminal::Mostra(const CZQString& texto, TipoIcone, TipoBotao botoes, TipoBotaoDefault padrao) {
  int respostaPadrao = ZQRespostaPadrao(botoes, padrao);
  FILE* tty = std::fopen("/dev/tty", "r+");
  if (!tty) {
    std::fprintf(stderr, "%s\n", texto.c_str());
    return respostaPadrao;
  }
  int n = Quantidade(botoes);
  std::string escolhas;
  for (int i = 0; i < n; ++i) {
    Opcao o = OpcaoDe(ZQRespostaDoBotao(botoes, i));
    if (!escolhas.empty()) escolhas += "/";
    escolhas += ZQRespostaDoBotao(botoes, i) == respostaPadrao ? static_cast<char>(std::toupper(o.letra)) : o.letra;
  }
  int resposta = respostaPadrao;
  for (;;) {
    std::fprintf(tty, "%s\n[%s] ", texto.c_str(), escolhas.c_str());
    std::fflush(tty);
    char linha[64];
    if (!std::fgets(linha, sizeof linha, tty)) break;
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(linha[0])));
    if (c == '\n' || c == '\0') break;
    bool valida = false;
    for (int i = 0; i < n && !valida; ++i) {
      int r = ZQRespostaDoBotao(botoes, i);
      if (OpcaoDe(r).letra == c) {
        resposta = r;
        valida = true;
      }
    }
    if (valida) break;
  }
  std::fclose(tty);
  return resposta;
}
