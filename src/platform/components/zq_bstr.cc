#include "platform/components/zq_bstr.h"

#include <cstring>
#include <string>

BSTR ZQAllocSysString(const CZQString& texto) {
  const std::string utf8 = zq::NormalizaParaUtf8(texto.str());
  std::wstring largo;
  largo.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const int n = zq::TamanhoSequenciaUtf8(c);
    char32_t cp = c;
    if (n == 2) cp = c & 0x1Fu;
    if (n == 3) cp = c & 0x0Fu;
    if (n == 4) cp = c & 0x07u;
    for (int k = 1; k < n && i + static_cast<size_t>(k) < utf8.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]) & 0x3Fu);
    }
    largo.push_back(static_cast<wchar_t>(cp));
    i += static_cast<size_t>(n);
  }
  BSTR bstr = new wchar_t[largo.size() + 1];
  std::memcpy(bstr, largo.c_str(), (largo.size() + 1) * sizeof(wchar_t));
  return bstr;
}

void ZQFreeSysString(BSTR bstr) { delete[] bstr; }

CZQString ZQStringDeBstr(const wchar_t* bstr) {
  std::string utf8;
  if (bstr == nullptr) return CZQString();
  for (const wchar_t* p = bstr; *p != L'\0'; ++p) {
    char32_t cp = static_cast<char32_t>(*p);
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
      utf8 += static_cast<char>(cp);
    } else if (cp < 0x800) {
      utf8 += static_cast<char>(0xC0 | (cp >> 6));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (cp >> 12));
      utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (cp >> 18));
      utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return CZQString(std::move(utf8));
}
