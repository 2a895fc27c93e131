// The ERP's message library: message texts by module and code, HRESULT descriptions and
// the facility test, read from a tab-separated catalogue compiled into the library
// (data/mensagens/mensagens.tsv). A catalogue named by CL_CATALOGO_MENSAGENS is read
// first, so a text can be corrected on an installation without rebuilding.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/components/zq_mensagens_abi.h"

#ifndef ZQ_CATALOGO_MENSAGENS
#error "ZQ_CATALOGO_MENSAGENS must name the catalogue file"
#endif

// The catalogue's bytes, placed in the library by the assembler; the build marks the
// object as depending on the file, so an edit rebuilds it.
asm(".pushsection .rodata.zq_catalogo_mensagens,\"a\"\n"
    ".globl zq_catalogo_mensagens_inicio\n"
    ".hidden zq_catalogo_mensagens_inicio\n"
    ".globl zq_catalogo_mensagens_fim\n"
    ".hidden zq_catalogo_mensagens_fim\n"
    "zq_catalogo_mensagens_inicio:\n"
    ".incbin \"" ZQ_CATALOGO_MENSAGENS
    "\"\n"
    "zq_catalogo_mensagens_fim:\n"
    ".byte 0\n"
    ".popsection\n");

extern "C" {
__attribute__((visibility("hidden"))) extern const char zq_catalogo_mensagens_inicio[];
__attribute__((visibility("hidden"))) extern const char zq_catalogo_mensagens_fim[];
}

namespace {

constexpr uint32_t kPrimeiraFacilityErp = 236;
constexpr uint32_t kUltimaFacilityErp = 270;

std::string_view CatalogoEmbutido() {
  return {zq_catalogo_mensagens_inicio, static_cast<size_t>(zq_catalogo_mensagens_fim - zq_catalogo_mensagens_inicio)};
}

// The override catalogue, read for each lookup (the library itself lives for one lookup).
std::string CatalogoExterno() {
  const char* caminho = std::getenv("CL_CATALOGO_MENSAGENS");
  if (caminho == nullptr || *caminho == '\0') return {};
  std::ifstream in(caminho, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool MesmoTextoSemCaixa(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// Code column: decimal or 0x-prefixed hexadecimal; false for anything else.
bool LeCodigo(std::string_view texto, unsigned long long& codigo) {
  if (texto.empty() || texto.size() > 20) return false;
  char buffer[24];
  std::memcpy(buffer, texto.data(), texto.size());
  buffer[texto.size()] = '\0';
  if (buffer[0] == '-' || buffer[0] == '+' || buffer[0] == ' ') return false;
  char* fim = nullptr;
  codigo = std::strtoull(buffer, &fim, 0);
  return fim != nullptr && *fim == '\0';
}

// Text column as stored: \n, \t and \\ escapes; a lone carriage return (CRLF files) dropped.
std::string Desescapa(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size());
  for (size_t i = 0; i < texto.size(); ++i) {
    char c = texto[i];
    if (c == '\r') continue;
    if (c == '\\' && i + 1 < texto.size()) {
      char proximo = texto[i + 1];
      if (proximo == 'n' || proximo == 't' || proximo == '\\') {
        saida += proximo == 'n' ? '\n' : proximo == 't' ? '\t' : '\\';
        ++i;
        continue;
      }
    }
    saida += c;
  }
  return saida;
}

// Looks for the row (modulo, codigo) in one catalogue; `curinga` also accepts the
// row whose code column is "*". The exact row wins over the wildcard.
bool ProcuraEm(std::string_view catalogo, std::string_view modulo, unsigned long long codigo, bool curinga,
               std::string& texto, bool& achouCuringa) {
  size_t pos = 0;
  while (pos < catalogo.size()) {
    size_t fimLinha = catalogo.find('\n', pos);
    if (fimLinha == std::string_view::npos) fimLinha = catalogo.size();
    std::string_view linha = catalogo.substr(pos, fimLinha - pos);
    pos = fimLinha + 1;
    if (linha.empty() || linha[0] == '#') continue;
    size_t tab1 = linha.find('\t');
    if (tab1 == std::string_view::npos) continue;
    size_t tab2 = linha.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos) continue;
    if (!MesmoTextoSemCaixa(linha.substr(0, tab1), modulo)) continue;
    std::string_view colunaCodigo = linha.substr(tab1 + 1, tab2 - tab1 - 1);
    std::string_view colunaTexto = linha.substr(tab2 + 1);
    unsigned long long valor = 0;
    if (LeCodigo(colunaCodigo, valor) && valor == codigo) {
      texto = Desescapa(colunaTexto);
      achouCuringa = false;
      return true;
    }
    if (curinga && !achouCuringa && colunaCodigo == "*") {
      texto = Desescapa(colunaTexto);
      achouCuringa = true;
    }
  }
  return false;
}

// The text of a row: the override catalogue first, then the built-in one.
bool Procura(std::string_view modulo, unsigned long long codigo, std::string& texto, bool curinga = false) {
  bool achouCuringa = false;
  std::string externo = CatalogoExterno();
  if (!externo.empty() && ProcuraEm(externo, modulo, codigo, curinga, texto, achouCuringa)) return true;
  if (ProcuraEm(CatalogoEmbutido(), modulo, codigo, curinga, texto, achouCuringa)) return true;
  return achouCuringa;
}

// Replaces the first occurrence of `marca` by `valor`.
void Substitui(std::string& texto, std::string_view marca, const std::string& valor) {
  size_t pos = texto.find(marca);
  if (pos != std::string::npos) texto.replace(pos, marca.size(), valor);
}

// Decimal text of a number. std::to_string is avoided on purpose: its inline tables
// become GNU unique symbols, which would keep the library loaded after dlclose.
std::string Decimal(uint32_t valor) {
  char texto[16];
  std::snprintf(texto, sizeof texto, "%u", static_cast<unsigned>(valor));
  return texto;
}

size_t Copia(const std::string& texto, char* destino, size_t tamanho) {
  if (destino != nullptr && tamanho > 0) {
    size_t n = texto.size() < tamanho - 1 ? texto.size() : tamanho - 1;
    std::memcpy(destino, texto.data(), n);
    destino[n] = '\0';
  }
  return texto.size();
}

std::string DescricaoHResult(int32_t hr) {
  const uint32_t valor = static_cast<uint32_t>(hr);
  std::string texto;
  if (Procura("HRESULT", valor, texto)) return texto;
  const uint32_t facility = (valor >> 16) & 0x1FFFu;
  if (facility < kPrimeiraFacilityErp || facility > kUltimaFacilityErp) return {};
  const uint32_t codigo = valor & 0xFFFFu;
  if (!Procura("FACILITY_ERP", codigo, texto, true)) return {};
  std::string modulo;
  if (!Procura("MODULO_ERP", facility, modulo)) modulo = "Módulo " + Decimal(facility);
  Substitui(texto, "%s", modulo);
  Substitui(texto, "%u", Decimal(codigo));
  return texto;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) size_t ZQMensagemTexto(const char* modulo, unsigned long codigo,
                                                              unsigned int idioma, char* destino, size_t tamanho) {
  (void)idioma;  // only Portuguese texts are filed
  if (destino != nullptr && tamanho > 0) destino[0] = '\0';
  if (modulo == nullptr || *modulo == '\0') return 0;
  std::string texto;
  try {
    if (!Procura(modulo, codigo, texto)) return 0;
  } catch (...) {  // nothing may cross the C boundary
    return 0;
  }
  return Copia(texto, destino, tamanho);
}

__attribute__((visibility("default"))) size_t ZQGetDescricaoHRESULT(int32_t hr, char* destino, size_t tamanho) {
  if (destino != nullptr && tamanho > 0) destino[0] = '\0';
  try {
    return Copia(DescricaoHResult(hr), destino, tamanho);
  } catch (...) {
    return 0;
  }
}

__attribute__((visibility("default"))) int EhFacilityMT(uint32_t facility) {
  return facility >= kPrimeiraFacilityErp && facility <= kUltimaFacilityErp ? 1 : 0;
}

}  // extern "C"
