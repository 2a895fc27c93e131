#pragma once

#include <cstdint>

// The caller's window as far as the rules use it: a sink for progress messages.
class CWnd {
 public:
  virtual ~CWnd() = default;
  virtual intptr_t SendMessageA(uint32_t mensagem, uintptr_t wParam, intptr_t lParam) = 0;
};

// Progress of an import: wParam is 100 (the whole) and lParam the percentage done.
inline constexpr uint32_t ZQ_MENSAGEM_PROGRESSO = 1126;
