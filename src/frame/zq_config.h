#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "frame/cl_export.h"

// The installation's configuration: one file of "chave = valor" lines ('#' starts a
// comment) named by CL_CONFIG (default /etc/cl/cl.conf, then ./cl.conf), and
// environment variables CL_<CHAVE> that override it (chave upper-cased, '.' -> '_').
// The known keys and their defaults are in the README.
class CL_EXPORT CZQConfiguracao {
 public:
  // The process-wide configuration, loaded on first use.
  static CZQConfiguracao& Global();

  // Value of the key: environment override, then file, then the given default.
  std::string Get(std::string_view chave, std::string_view padrao = "") const;
  long GetInteiro(std::string_view chave, long padrao) const;

  // Sets a value in memory (tests and command-line options); beats the file, loses to the environment.
  void Set(std::string_view chave, std::string_view valor);
  // Drops a value set in memory, so the file or the default applies again.
  void Remove(std::string_view chave);
  // Reads the file again and drops values set in memory.
  void Recarrega();
  // Loads a given file instead of the default one; false when it cannot be read.
  bool CarregaArquivo(const std::string& caminho);
  std::string GetArquivo() const;
  // The keys the loaded file sets, in order of name (none without a file).
  std::vector<std::string> ChavesDoArquivo() const;

  // Directories the module uses; each ends without a slash and is created when missing,
  // except the private one, which its writer creates with mode 0700.
  std::string DiretorioInstalacao() const;  // "local_orbel": sample files, test-mode answers
  std::string DiretorioRelatorios() const;  // "relatorios": saved statements
  // "temporario", else $XDG_RUNTIME_DIR/cl, else <local_orbel>/tmp: the user's private files
  // (the import's rejected-lines report).
  std::string DiretorioTemporario() const;
  // Monthly error log of a company ("log_erros_empresa", where "{empresa}" is replaced),
  // or of no company ("log_erros").
  std::string DiretorioLogErros(std::string_view empresa) const;

 private:
  CZQConfiguracao();
  void CarregaPadrao();
  std::string Diretorio(std::string_view chave, std::string_view padrao) const;

  mutable std::mutex m_mutex;
  std::string m_arquivo;
  std::map<std::string, std::string, std::less<>> m_arquivoValores;
  std::map<std::string, std::string, std::less<>> m_memoria;
};
