#include "frame/zq_conversao.h"

#include <cstdint>
#include <limits>
#include <string>

namespace zq {

namespace {

bool EhDigito(char c) { return c >= '0' && c <= '9'; }

bool EhBranco(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view SemBrancos(std::string_view s) {
  while (!s.empty() && EhBranco(s.front())) s.remove_prefix(1);
  while (!s.empty() && EhBranco(s.back())) s.remove_suffix(1);
  return s;
}

// A field of 1 to `maximo` digits, nothing else.
bool LeCampo(std::string_view campo, size_t minimo, size_t maximo, int& valor) {
  if (campo.size() < minimo || campo.size() > maximo) return false;
  valor = 0;
  for (char c : campo) {
    if (!EhDigito(c)) return false;
    valor = valor * 10 + (c - '0');
  }
  return true;
}

}  // namespace

bool TextoParaValor(std::string_view texto, tagCY& valor) {
  valor = 0;
  size_t separador = texto.rfind(',');
  if (separador == std::string_view::npos) separador = texto.find('.');

  constexpr uint64_t kMaximo = static_cast<uint64_t>(std::numeric_limits<tagCY>::max());
  uint64_t inteiro = 0;
  bool algumDigito = false;
  const size_t fimInteiro = separador == std::string_view::npos ? texto.size() : separador;
  for (size_t i = 0; i < fimInteiro; ++i) {
    const char c = texto[i];
    if (!EhDigito(c)) continue;
    algumDigito = true;
    // Leading zeros are free; past the limit the amount cannot fit anyway.
    if (inteiro > kMaximo / 10) return false;
    inteiro = inteiro * 10 + static_cast<uint64_t>(c - '0');
  }

  uint64_t fracao = 0;
  int casas = 0;
  if (separador != std::string_view::npos) {
    for (size_t i = separador + 1; i < texto.size(); ++i) {
      const char c = texto[i];
      if (!EhDigito(c)) continue;
      algumDigito = true;
      if (casas < 4) {
        fracao = fracao * 10 + static_cast<uint64_t>(c - '0');
        ++casas;
      }
    }
  }
  if (!algumDigito) return false;
  for (; casas < 4; ++casas) fracao *= 10;

  if (inteiro > (kMaximo - fracao) / 10000) return false;
  valor = static_cast<tagCY>(inteiro * 10000 + fracao);
  return true;
}

bool TextoParaValor(std::string_view texto, CZQCurrencyEx& valor) {
  tagCY contagem = 0;
  const bool ok = TextoParaValor(texto, contagem);
  valor = CZQCurrencyEx(contagem);
  return ok;
}

CZQDma TextoParaData(std::string_view texto) {
  texto = SemBrancos(texto);
  const size_t barra1 = texto.find('/');
  if (barra1 == std::string_view::npos) return CZQDma();
  const size_t barra2 = texto.find('/', barra1 + 1);
  if (barra2 == std::string_view::npos) return CZQDma();

  int dia = 0, mes = 0, ano = 0;
  const std::string_view campoAno = texto.substr(barra2 + 1);
  if (!LeCampo(texto.substr(0, barra1), 1, 2, dia) ||
      !LeCampo(texto.substr(barra1 + 1, barra2 - barra1 - 1), 1, 2, mes) ||
      (campoAno.size() != 2 && campoAno.size() != 4) || !LeCampo(campoAno, 2, 4, ano)) {
    return CZQDma();
  }
  // A four-digit year is taken as written, even below 100 ("0050" is no date).
  if (campoAno.size() == 4 && ano < 100) return CZQDma();
  return CZQDma(dia, mes, ano);
}

CZQString TextoDataValorOfx(std::string_view valor) {
  if (valor.size() < 8) return CZQString();
  std::string texto;
  texto.reserve(8);
  texto.append(valor.substr(6, 2));
  texto += '/';
  texto.append(valor.substr(4, 2));
  texto += '/';
  texto.append(valor.substr(2, 2));
  return CZQString(std::move(texto));
}

CZQDma DataValorOfx(std::string_view valor) {
  if (valor.size() < 8) return CZQDma();
  return TextoParaData(TextoDataValorOfx(valor).str());
}

}  // namespace zq
