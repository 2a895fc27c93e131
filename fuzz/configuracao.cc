// The configuration file and its environment overrides over any text, read by the
// configuration and by the middleware's settings: loading never fails for a readable
// file, a value read back is trimmed and comment-free, an override wins over the file
// and a value set in memory, and integer keys fall back to their default on any text
// that is not a whole number.
//
// Input: the file's text, then optionally a NUL byte and "NAME=value" lines put in the
// environment for the run (only names starting with CL_).
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "comum.h"
#include "erp/middleware/zq_consulta_sistema_terceiro_http.h"
#include "frame/zq_config.h"

namespace {

bool Branco(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<std::string_view> Linhas(std::string_view texto) {
  std::vector<std::string_view> linhas;
  while (!texto.empty()) {
    const size_t fim = texto.find('\n');
    linhas.push_back(texto.substr(0, fim));
    if (fim == std::string_view::npos) break;
    texto.remove_prefix(fim + 1);
  }
  return linhas;
}

// Whether a text is a whole decimal long, and which.
bool Inteiro(const std::string& texto, long& valor) {
  if (texto.empty()) return false;
  errno = 0;
  char* fim = nullptr;
  valor = std::strtol(texto.c_str(), &fim, 10);
  return fim && *fim == '\0' && errno != ERANGE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  static const std::string arquivo = [] {
    unsetenv("CL_CONFIG");
    return (cl_fuzz::Raiz() / "cl.conf").string();
  }();
  const std::string_view entrada(reinterpret_cast<const char*>(dados), tamanho);
  const size_t nulo = entrada.find('\0');
  const std::string_view texto = entrada.substr(0, nulo);

  std::vector<std::string> variaveis;
  if (nulo != std::string_view::npos) {
    for (std::string_view linha : Linhas(entrada.substr(nulo + 1))) {
      const size_t igual = linha.find('=');
      if (igual == std::string_view::npos) continue;
      const std::string nome(linha.substr(0, igual));
      if (nome.rfind("CL_", 0) != 0 || nome.find('\0') != std::string::npos) continue;
      if (nome == "CL_BIBLIOTECA_MENSAGENS" || nome == "CL_CONFIG") continue;
      const std::string valor(linha.substr(igual + 1));
      if (valor.find('\0') != std::string::npos) continue;
      if (setenv(nome.c_str(), valor.c_str(), 1) == 0) variaveis.push_back(nome);
    }
  }

  cl_fuzz::Escreve(arquivo, reinterpret_cast<const unsigned char*>(texto.data()), texto.size());
  CZQConfiguracao& config = CZQConfiguracao::Global();
  CL_FUZZ_EXIGE(config.CarregaArquivo(arquivo));
  CL_FUZZ_EXIGE(config.GetArquivo() == arquivo);

  // The keys the file names, and those of the middleware.
  std::vector<std::string> chaves = {
      "bb.url_api", "bb.timeout_ms", "bb.maximo_paginas", "tavorin.url", "consulta.tamanho_maximo_resposta", "empresa"};
  for (std::string_view linha : Linhas(texto)) {
    const size_t igual = linha.find('=');
    if (igual == std::string_view::npos || igual > 200) continue;
    std::string_view chave = linha.substr(0, igual);
    while (!chave.empty() && Branco(chave.front())) chave.remove_prefix(1);
    while (!chave.empty() && Branco(chave.back())) chave.remove_suffix(1);
    if (!chave.empty() && chaves.size() < 64) chaves.emplace_back(chave);
  }

  for (const std::string& chave : chaves) {
    const std::string valor = config.Get(chave, "\x01padrao");
    std::string sobreposto;
    for (char c : chave) {
      if (c == '.' || c == '-') c = '_';
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      sobreposto += c;
    }
    const char* ambiente = std::getenv(("CL_" + sobreposto).c_str());
    if (ambiente) {
      CL_FUZZ_EXIGE(valor == ambiente);
    } else if (valor != "\x01padrao") {
      // From the file: one line's value, trimmed, without its comment.
      CL_FUZZ_EXIGE(valor.find('\n') == std::string::npos && valor.find('#') == std::string::npos);
      CL_FUZZ_EXIGE(valor.empty() || (!Branco(valor.front()) && !Branco(valor.back())));
      CL_FUZZ_EXIGE(chave.find('#') == std::string::npos);
    }
    long esperado = 0;
    const long inteiro = config.GetInteiro(chave, -4242);
    const std::string lido = config.Get(chave);
    CL_FUZZ_EXIGE(inteiro == (Inteiro(lido, esperado) ? esperado : -4242));

    // Memory beats the file, the environment beats memory; removing it restores the file.
    config.Set(chave, "memoria");
    CL_FUZZ_EXIGE(config.Get(chave) == (ambiente ? std::string(ambiente) : std::string("memoria")));
    config.Remove(chave);
    CL_FUZZ_EXIGE(config.Get(chave, "\x01padrao") == valor);
  }

  const zq::middleware::ConfiguracaoMiddleware middleware = zq::middleware::ConfiguracaoMiddleware::Le(config);
  CL_FUZZ_EXIGE(middleware.tamanhoMaximoResposta > 0);

  for (const std::string& nome : variaveis) unsetenv(nome.c_str());
  return 0;
}
