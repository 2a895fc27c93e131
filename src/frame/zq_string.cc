#include "frame/zq_string.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kBrancos = " \t\r\n\v\f";

// Upper and lower forms of the letters of code page 1252 outside ASCII, as UTF-8.
struct ParCaixa {
  const char* minuscula;
  const char* maiuscula;
};

constexpr ParCaixa kPares[] = {
    {"\xC3\xA0", "\xC3\x80"}, {"\xC3\xA1", "\xC3\x81"}, {"\xC3\xA2", "\xC3\x82"}, {"\xC3\xA3", "\xC3\x83"},
    {"\xC3\xA4", "\xC3\x84"}, {"\xC3\xA5", "\xC3\x85"}, {"\xC3\xA6", "\xC3\x86"}, {"\xC3\xA7", "\xC3\x87"},
    {"\xC3\xA8", "\xC3\x88"}, {"\xC3\xA9", "\xC3\x89"}, {"\xC3\xAA", "\xC3\x8A"}, {"\xC3\xAB", "\xC3\x8B"},
    {"\xC3\xAC", "\xC3\x8C"}, {"\xC3\xAD", "\xC3\x8D"}, {"\xC3\xAE", "\xC3\x8E"}, {"\xC3\xAF", "\xC3\x8F"},
    {"\xC3\xB0", "\xC3\x90"}, {"\xC3\xB1", "\xC3\x91"}, {"\xC3\xB2", "\xC3\x92"}, {"\xC3\xB3", "\xC3\x93"},
    {"\xC3\xB4", "\xC3\x94"}, {"\xC3\xB5", "\xC3\x95"}, {"\xC3\xB6", "\xC3\x96"}, {"\xC3\xB8", "\xC3\x98"},
    {"\xC3\xB9", "\xC3\x99"}, {"\xC3\xBA", "\xC3\x9A"}, {"\xC3\xBB", "\xC3\x9B"}, {"\xC3\xBC", "\xC3\x9C"},
    {"\xC3\xBD", "\xC3\x9D"}, {"\xC3\xBE", "\xC3\x9E"}, {"\xC3\xBF", "\xC5\xB8"}, {"\xC5\xA1", "\xC5\xA0"},
    {"\xC5\x93", "\xC5\x92"}, {"\xC5\xBE", "\xC5\xBD"},
};

std::string TrocaCaixa(const std::string& texto, bool paraMaiuscula) {
  std::string saida;
  saida.reserve(texto.size());
  for (size_t i = 0; i < texto.size();) {
    unsigned char c = static_cast<unsigned char>(texto[i]);
    if (c < 0x80) {
      if (paraMaiuscula && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
      if (!paraMaiuscula && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
      saida += static_cast<char>(c);
      ++i;
      continue;
    }
    bool trocou = false;
    if (i + 1 < texto.size()) {
      for (const auto& par : kPares) {
        const char* de = paraMaiuscula ? par.minuscula : par.maiuscula;
        const char* para = paraMaiuscula ? par.maiuscula : par.minuscula;
        if (texto[i] == de[0] && texto[i + 1] == de[1]) {
          saida += para;
          i += 2;
          trocou = true;
          break;
        }
      }
    }
    if (!trocou) {
      saida += texto[i];
      ++i;
    }
  }
  return saida;
}

// Unicode code points of bytes 0x80..0x9F of code page 1252; 0 marks an unused byte.
constexpr uint16_t kCp1252Alto[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AcrescentaUtf8(std::string& saida, uint32_t cp) {
  if (cp < 0x80) {
    saida += static_cast<char>(cp);
  } else if (cp < 0x800) {
    saida += static_cast<char>(0xC0 | (cp >> 6));
    saida += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    saida += static_cast<char>(0xE0 | (cp >> 12));
    saida += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    saida += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

CZQString::CZQString(const char* texto, int tamanho) {
  if (texto && tamanho > 0) m_texto.assign(texto, static_cast<size_t>(tamanho));
}

CZQString::CZQString(char c, int repeticoes) {
  if (repeticoes > 0) m_texto.assign(static_cast<size_t>(repeticoes), c);
}

void CZQString::FormatV(const char* formato, va_list args) {
  if (!formato) {
    m_texto.clear();
    return;
  }
  va_list copia;
  va_copy(copia, args);
  char fixo[512];
  int n = std::vsnprintf(fixo, sizeof fixo, formato, copia);
  va_end(copia);
  if (n < 0) {
    m_texto.clear();
    return;
  }
  if (static_cast<size_t>(n) < sizeof fixo) {
    m_texto.assign(fixo, static_cast<size_t>(n));
    return;
  }
  std::vector<char> grande(static_cast<size_t>(n) + 1);
  std::vsnprintf(grande.data(), grande.size(), formato, args);
  m_texto.assign(grande.data(), static_cast<size_t>(n));
}

void CZQString::Format(const char* formato, ...) {
  va_list args;
  va_start(args, formato);
  FormatV(formato, args);
  va_end(args);
}

void CZQString::AppendFormat(const char* formato, ...) {
  CZQString parte;
  va_list args;
  va_start(args, formato);
  parte.FormatV(formato, args);
  va_end(args);
  m_texto += parte.m_texto;
}

CZQString& CZQString::Trim() { return Trim(kBrancos); }
CZQString& CZQString::TrimLeft() { return TrimLeft(kBrancos); }
CZQString& CZQString::TrimRight() { return TrimRight(kBrancos); }
CZQString& CZQString::Trim(const char* caracteres) { return TrimRight(caracteres).TrimLeft(caracteres); }

CZQString& CZQString::TrimLeft(const char* caracteres) {
  size_t p = m_texto.find_first_not_of(caracteres ? caracteres : "");
  m_texto.erase(0, p == std::string::npos ? m_texto.size() : p);
  return *this;
}

CZQString& CZQString::TrimRight(const char* caracteres) {
  size_t p = m_texto.find_last_not_of(caracteres ? caracteres : "");
  m_texto.erase(p == std::string::npos ? 0 : p + 1);
  return *this;
}

CZQString& CZQString::MakeUpper() {
  m_texto = TrocaCaixa(m_texto, true);
  return *this;
}

CZQString& CZQString::MakeLower() {
  m_texto = TrocaCaixa(m_texto, false);
  return *this;
}

int CZQString::Compare(const char* outro) const {
  int r = std::strcmp(m_texto.c_str(), outro ? outro : "");
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CZQString::CompareNoCase(const char* outro) const {
  std::string a = TrocaCaixa(m_texto, true);
  std::string b = TrocaCaixa(outro ? outro : "", true);
  int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CZQString::Find(char c, int inicio) const {
  if (inicio < 0 || inicio > GetLength()) return -1;
  size_t p = m_texto.find(c, static_cast<size_t>(inicio));
  return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CZQString::Find(const char* sub, int inicio) const {
  if (!sub || inicio < 0 || inicio > GetLength()) return -1;
  size_t p = m_texto.find(sub, static_cast<size_t>(inicio));
  return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CZQString::ReverseFind(char c) const {
  size_t p = m_texto.rfind(c);
  return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CZQString::Replace(const char* antigo, const char* novo) {
  if (!antigo || !*antigo) return 0;
  std::string de(antigo), para(novo ? novo : "");
  int vezes = 0;
  for (size_t p = m_texto.find(de); p != std::string::npos; p = m_texto.find(de, p + para.size())) {
    m_texto.replace(p, de.size(), para);
    ++vezes;
  }
  return vezes;
}

int CZQString::Remove(char c) {
  size_t antes = m_texto.size();
  m_texto.erase(std::remove(m_texto.begin(), m_texto.end(), c), m_texto.end());
  return static_cast<int>(antes - m_texto.size());
}

CZQString CZQString::Mid(int inicio) const { return Mid(inicio, GetLength()); }

CZQString CZQString::Mid(int inicio, int quantidade) const {
  if (inicio < 0) inicio = 0;
  if (quantidade < 0 || inicio >= GetLength()) return CZQString();
  return CZQString(m_texto.substr(static_cast<size_t>(inicio), static_cast<size_t>(quantidade)));
}

CZQString CZQString::Left(int quantidade) const { return Mid(0, quantidade); }

CZQString CZQString::Right(int quantidade) const {
  if (quantidade <= 0) return CZQString();
  if (quantidade >= GetLength()) return *this;
  return CZQString(m_texto.substr(m_texto.size() - static_cast<size_t>(quantidade)));
}

int CZQString::GetQuantidadeCaracteres() const {
  int n = 0;
  for (size_t i = 0; i < m_texto.size();) {
    i += static_cast<size_t>(zq::TamanhoSequenciaUtf8(static_cast<unsigned char>(m_texto[i])));
    ++n;
  }
  return n;
}

CZQString CZQString::LeftCaracteres(int caracteres) const {
  size_t i = 0;
  for (int n = 0; n < caracteres && i < m_texto.size(); ++n)
    i += static_cast<size_t>(zq::TamanhoSequenciaUtf8(static_cast<unsigned char>(m_texto[i])));
  return CZQString(m_texto.substr(0, std::min(i, m_texto.size())));
}

CZQString CZQString::LeftBytesInteiros(int bytes) const {
  if (bytes <= 0) return CZQString();
  size_t i = 0;
  while (i < m_texto.size()) {
    size_t proximo = i + static_cast<size_t>(zq::TamanhoSequenciaUtf8(static_cast<unsigned char>(m_texto[i])));
    if (proximo > static_cast<size_t>(bytes)) break;
    i = proximo;
  }
  return CZQString(m_texto.substr(0, std::min(i, m_texto.size())));
}

namespace zq {

int TamanhoSequenciaUtf8(unsigned char c) {
  if (c >= 0xF0 && c <= 0xF4) return 4;
  if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
  if (c >= 0xC2) return 2;
  return 1;
}

bool EhUtf8Valido(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int n = (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3 : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    if (n == 0 || i + static_cast<size_t>(n) > s.size()) return false;
    unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
    // Reject overlong forms, surrogates and code points above U+10FFFF.
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
      return false;
    for (int k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) != 0x80) return false;
    i += static_cast<size_t>(n);
  }
  return true;
}

std::string Cp1252ParaUtf8(std::string_view bytes) {
  std::string saida;
  saida.reserve(bytes.size() + bytes.size() / 4);
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    uint32_t cp = c;
    if (c >= 0x80 && c <= 0x9F) cp = kCp1252Alto[c - 0x80] ? kCp1252Alto[c - 0x80] : 0xFFFD;
    AcrescentaUtf8(saida, cp);
  }
  return saida;
}

std::string NormalizaParaUtf8(std::string_view bytes) {
  return EhUtf8Valido(bytes) ? std::string(bytes) : Cp1252ParaUtf8(bytes);
}

}  // namespace zq
