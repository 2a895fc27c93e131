#include "frame/zq_currency.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int kDecimaisCY = 4;
constexpr int kMaxDecimais = 9;
constexpr tagCY kPotencias[kDecimaisCY + 1] = {10000, 1000, 100, 10, 1};

// Integer digits grouped by three with "." (12345 -> "12.345").
void AnexaInteiroAgrupado(std::string& saida, uint64_t inteiro) {
  char digitos[24];
  int n = 0;
  do {
    digitos[n++] = static_cast<char>('0' + inteiro % 10);
    inteiro /= 10;
  } while (inteiro != 0);
  for (int i = n - 1; i >= 0; --i) {
    saida += digitos[i];
    if (i > 0 && i % 3 == 0) saida += '.';
  }
}

}  // namespace

const CZQCurrencyEx ZQ_CURRENCY_ZERO(0.0);

CZQCurrencyEx::CZQCurrencyEx(double valor) {
  const double escalado = std::nearbyint(valor * 10000.0);
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  constexpr double kLimite = 9223372036854775808.0;
  if (std::isnan(escalado) || escalado >= kLimite || escalado < -kLimite) {
    m_cy = 0;
    return;
  }
  m_cy = static_cast<tagCY>(escalado);
}

CZQString CZQCurrencyEx::FormataValor(const tagCY& valor, int decimais, bool removeZeros) {
  decimais = std::clamp(decimais, 0, kMaxDecimais);

  tagCY cortado = valor;
  if (decimais < kDecimaisCY) {
    const tagCY passo = kPotencias[decimais];
    cortado = (cortado / passo) * passo;  // division truncates toward zero
  }

  const bool negativo = cortado < 0;
  const uint64_t magnitude = negativo ? 0 - static_cast<uint64_t>(cortado) : static_cast<uint64_t>(cortado);
  const uint64_t inteiro = magnitude / 10000;
  const uint64_t fracao = magnitude % 10000;

  std::string texto;
  texto.reserve(40);
  if (negativo) texto += '-';
  AnexaInteiroAgrupado(texto, inteiro);

  if (decimais > 0) {
    texto += ',';
    const char quatro[4] = {static_cast<char>('0' + fracao / 1000), static_cast<char>('0' + fracao / 100 % 10),
                            static_cast<char>('0' + fracao / 10 % 10), static_cast<char>('0' + fracao % 10)};
    for (int i = 0; i < decimais; ++i) texto += i < kDecimaisCY ? quatro[i] : '0';
  }

  if (removeZeros && texto.find(',') != std::string::npos) {
    while (!texto.empty() && texto.back() == '0') texto.pop_back();
    if (!texto.empty() && texto.back() == ',') texto.pop_back();
  }
  return CZQString(std::move(texto));
}

CZQString CZQCurrencyEx::FormataValorAutomatico(const tagCY& valor) {
  int decimais = 2;
  if (valor % 10 != 0) {
    decimais = 4;
  } else if (valor % 100 != 0) {
    decimais = 3;
  }
  return FormataValor(valor, decimais, false);
}
