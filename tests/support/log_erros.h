#pragma once

// The error log as the tests see it: a private pair of log directories, a fixed process
// clock, and readers of the month's file.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "frame/zq_log_erros.h"
#include "frame/zq_relogio.h"
#include "support/ambiente.h"
#include "support/pasta_temporaria.h"

namespace zq_teste {

inline REG_ZQDMAHMSUTC Momento(int ano, int mes, int dia, int hora, int minuto, int segundo) {
  return zq::MontaDmaHms(CZQDma(dia, mes, ano).GetDma(), zq::MontaHms(hora, minuto, segundo));
}

inline std::vector<std::string> Separa(const std::string& linha, char sep = '\t') {
  std::vector<std::string> partes;
  size_t inicio = 0;
  for (;;) {
    size_t p = linha.find(sep, inicio);
    partes.push_back(linha.substr(inicio, p == std::string::npos ? std::string::npos : p - inicio));
    if (p == std::string::npos) break;
    inicio = p + 1;
  }
  return partes;
}

// Lines of a file without their line breaks; a last piece without a break is kept too.
inline std::vector<std::string> Linhas(const std::filesystem::path& caminho) {
  std::vector<std::string> linhas;
  std::string conteudo = LeArquivo(caminho);
  size_t inicio = 0;
  while (inicio < conteudo.size()) {
    size_t p = conteudo.find('\n', inicio);
    if (p == std::string::npos) {
      linhas.push_back(conteudo.substr(inicio));
      break;
    }
    linhas.push_back(conteudo.substr(inicio, p - inicio));
    inicio = p + 1;
  }
  return linhas;
}

// Points the error log at fresh directories (no company: <raiz>/pgms; company X:
// <raiz>/empresas/X) and fixes the process clock at 15/03/2026 10:20:30; everything is
// undone at the end.
class AmbienteLogErros {
 public:
  AmbienteLogErros() {
    std::string modelo = (std::filesystem::temp_directory_path() / "cl_log_erros_XXXXXX").string();
    if (char* feito = mkdtemp(modelo.data())) m_raiz = feito;
    CZQConfiguracao::Global().Set("log_erros", (m_raiz / "pgms").string());
    CZQConfiguracao::Global().Set("log_erros_empresa", (m_raiz / "empresas" / "{empresa}").string());
    m_relogioAnterior = zq::DefineRelogio(&m_relogio);
  }
  ~AmbienteLogErros() {
    zq::DefineRelogio(m_relogioAnterior);
    CZQConfiguracao::Global().Remove("log_erros");
    CZQConfiguracao::Global().Remove("log_erros_empresa");
    std::error_code ec;
    if (!m_raiz.empty()) std::filesystem::remove_all(m_raiz, ec);
  }
  AmbienteLogErros(const AmbienteLogErros&) = delete;
  AmbienteLogErros& operator=(const AmbienteLogErros&) = delete;

  void DefineMomento(REG_ZQDMAHMSUTC quando) { m_relogio.Define(quando); }

  const std::filesystem::path& Raiz() const { return m_raiz; }
  std::filesystem::path Pgms(const char* aaaamm = "202603") const {
    return m_raiz / "pgms" / (std::string("ZQProfilerErros_Pgms_") + aaaamm + ".log");
  }
  std::filesystem::path Base(const std::string& empresa, const char* aaaamm = "202603") const {
    return m_raiz / "empresas" / empresa / (std::string("ZQProfilerErros_Base_") + aaaamm + ".log");
  }

  // Every file written under the root.
  std::vector<std::filesystem::path> Arquivos() const {
    std::vector<std::filesystem::path> arquivos;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(m_raiz, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_regular_file()) arquivos.push_back(it->path());
    }
    return arquivos;
  }

 private:
  std::filesystem::path m_raiz;
  CZQRelogioFixo m_relogio{Momento(2026, 3, 15, 10, 20, 30)};
  const IZQRelogio* m_relogioAnterior = nullptr;
  AmbienteTrocado m_semLog{"CL_LOG_ERROS", nullptr};
  AmbienteTrocado m_semLogEmpresa{"CL_LOG_ERROS_EMPRESA", nullptr};
};

// The header line without its line break.
inline std::string Cabecalho() {
  std::string c = zq::kCabecalhoLogErros;
  c.pop_back();
  return c;
}

}  // namespace zq_teste
