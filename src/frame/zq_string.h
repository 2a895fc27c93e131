#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "frame/cl_export.h"

// The ERP's narrow string. It holds UTF-8; lengths and positions are in bytes,
// as the MFC string's are in single-byte characters. Cuts by a number of
// characters go through the *Caracteres operations, which never split a letter.
class CL_EXPORT CZQString {
 public:
  CZQString() = default;
  CZQString(const char* texto) : m_texto(texto ? texto : "") {}  // NOLINT: implicit as in MFC
  CZQString(const char* texto, int tamanho);
  CZQString(std::string texto) : m_texto(std::move(texto)) {}  // NOLINT
  CZQString(std::string_view texto) : m_texto(texto) {}        // NOLINT
  CZQString(char c, int repeticoes);

  int GetLength() const { return static_cast<int>(m_texto.size()); }
  bool IsEmpty() const { return m_texto.empty(); }
  void Empty() { m_texto.clear(); }
  char GetAt(int i) const { return m_texto[static_cast<size_t>(i)]; }
  void SetAt(int i, char c) { m_texto[static_cast<size_t>(i)] = c; }
  char operator[](int i) const { return GetAt(i); }

  const char* c_str() const { return m_texto.c_str(); }
  operator const char*() const { return m_texto.c_str(); }  // NOLINT: as LPCSTR
  const std::string& str() const { return m_texto; }
  std::string& str() { return m_texto; }

  // printf-style formatting; replaces the content.
  void Format(const char* formato, ...) __attribute__((format(printf, 2, 3)));
  void FormatV(const char* formato, va_list args);
  void AppendFormat(const char* formato, ...) __attribute__((format(printf, 2, 3)));

  CZQString& Trim();
  CZQString& TrimLeft();
  CZQString& TrimRight();
  CZQString& Trim(const char* caracteres);
  CZQString& TrimLeft(const char* caracteres);
  CZQString& TrimRight(const char* caracteres);

  // Upper/lower case, accented Latin letters included (á -> Á, ç -> Ç, ÿ -> Ÿ).
  CZQString& MakeUpper();
  CZQString& MakeLower();

  int Compare(const char* outro) const;
  int CompareNoCase(const char* outro) const;
  int Find(char c, int inicio = 0) const;
  int Find(const char* sub, int inicio = 0) const;
  int ReverseFind(char c) const;
  int Replace(const char* antigo, const char* novo);
  int Remove(char c);

  CZQString Mid(int inicio) const;
  CZQString Mid(int inicio, int quantidade) const;
  CZQString Left(int quantidade) const;
  CZQString Right(int quantidade) const;

  // Number of characters (code points) and cuts that keep whole characters.
  int GetQuantidadeCaracteres() const;
  CZQString LeftCaracteres(int caracteres) const;
  // Longest prefix that fits in a field of the given size in bytes.
  CZQString LeftBytesInteiros(int bytes) const;

  CZQString& operator+=(const CZQString& outro) {
    m_texto += outro.m_texto;
    return *this;
  }
  CZQString& operator+=(const char* outro) {
    if (outro) m_texto += outro;
    return *this;
  }
  CZQString& operator+=(char c) {
    m_texto += c;
    return *this;
  }

  friend CZQString operator+(const CZQString& a, const CZQString& b) { return CZQString(a.m_texto + b.m_texto); }
  friend CZQString operator+(const CZQString& a, const char* b) { return CZQString(a.m_texto + (b ? b : "")); }
  friend CZQString operator+(const char* a, const CZQString& b) { return CZQString((a ? a : "") + b.m_texto); }
  friend bool operator==(const CZQString& a, const CZQString& b) { return a.m_texto == b.m_texto; }
  friend bool operator==(const CZQString& a, const char* b) { return a.m_texto == (b ? b : ""); }
  friend bool operator<(const CZQString& a, const CZQString& b) { return a.m_texto < b.m_texto; }

 private:
  std::string m_texto;
};

namespace zq {

// True when the bytes are well-formed UTF-8.
bool EhUtf8Valido(std::string_view bytes);
// Code page 1252 bytes to UTF-8 (undefined positions become U+FFFD).
std::string Cp1252ParaUtf8(std::string_view bytes);
// UTF-8 as it is; anything else is taken as code page 1252.
std::string NormalizaParaUtf8(std::string_view bytes);
// Byte length of the UTF-8 sequence that begins with this byte (1 for stray bytes).
int TamanhoSequenciaUtf8(unsigned char primeiro);

}  // namespace zq
