#include "frame/zq_trace.h"

#include <cstdio>
#include <string>

#include "frame/zq_log_erros.h"
#include "frame/zq_nomes_hresult.h"

namespace zq {

namespace {

// The trace line is one column group of the record: its own five tabs separate its
// fields, so no value may bring a tab or a line break of its own.
std::string Campo(const char* texto) {
  std::string s(texto ? texto : "");
  for (char& c : s) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return s;
}

std::string Campo(const std::string& texto) { return Campo(texto.c_str()); }

}  // namespace

std::string MontaLinhaTrace(const char* variavel, const char* expressao, HRESULT hr) {
  const std::string nomeVariavel = Campo(variavel);
  const std::string verificado = nomeVariavel + " = " + Campo(expressao);
  const std::string descricao = Campo(DescricaoHResult(hr));
  const uint32_t severidade = HRESULT_SEVERITY(hr);
  const uint32_t facility = HRESULT_FACILITY(hr);
  const uint32_t codigo = HRESULT_CODE(hr);
  const std::string nomeSeveridade = Campo(NomeSeveridade(severidade));
  const std::string nomeFacility = Campo(NomeFacility(facility));
  const std::string nomeCodigo = Campo(NomeCodigo(hr));
  const std::string nomeHResult = Campo(NomeHResult(hr));

  static constexpr char kFormato[] =
      "%s\t%s = %#X %s\tSEVERITY = %d %s\tFACILITY = %d %s\tCODE = %d %s\tDescrição = %s";
  auto escreve = [&](char* destino, size_t tamanho) {
    return std::snprintf(destino, tamanho, kFormato, verificado.c_str(), nomeVariavel.c_str(),
                         static_cast<unsigned int>(hr), descricao.c_str(), static_cast<int>(severidade),
                         nomeSeveridade.c_str(), static_cast<int>(facility), nomeFacility.c_str(),
                         static_cast<int>(codigo), nomeCodigo.c_str(), nomeHResult.c_str());
  };
  int n = escreve(nullptr, 0);
  if (n <= 0) return {};
  std::string linha(static_cast<size_t>(n), '\0');
  escreve(linha.data(), linha.size() + 1);
  return linha;
}

bool RegistraFalha(const IZQDF_Profiler* profiler, const char* variavel, const char* expressao, HRESULT hr,
                   const LocalFonte& local) {
  if (!FAILED(hr)) return false;
  // The end marker of the passed-over list is itself passed over.
  if (hr == ZQ_HR_IGNORADO) return false;

  try {
    RegistroErro registro;
    const char* classe = local.classe ? local.classe : "";
    const char* funcao = local.funcao ? local.funcao : "";
    registro.classeFuncao = *classe ? std::string(classe) + "::" + funcao : std::string(funcao);
    if (profiler) {
      registro.temIdentidade = true;
      registro.empresa = profiler->GetEmpresa().str();
      registro.usuario = profiler->GetUsuario();
      registro.sessao = profiler->GetNumeroSessao();
    }
    registro.arquivo = local.arquivo ? local.arquivo : "";
    registro.linha = local.linha;
    registro.log = MontaLinhaTrace(variavel, expressao, hr);
    GravaRegistroErro(registro);  // a record that cannot be written is lost; the failure path runs all the same
  } catch (...) {
  }
  return true;
}

}  // namespace zq
