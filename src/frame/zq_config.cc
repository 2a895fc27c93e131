#include "frame/zq_config.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

std::string Apara(std::string_view s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string_view::npos) return {};
  size_t b = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(a, b - a + 1));
}

std::string NomeVariavel(std::string_view chave) {
  std::string nome = "CL_";
  for (char c : chave) {
    if (c == '.' || c == '-') c = '_';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    nome += c;
  }
  return nome;
}

// A directory as the modules join names to it: without its trailing slashes ("/" stays).
std::string SemBarraFinal(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace

CZQConfiguracao& CZQConfiguracao::Global() {
  static CZQConfiguracao instancia;
  return instancia;
}

CZQConfiguracao::CZQConfiguracao() { CarregaPadrao(); }

void CZQConfiguracao::CarregaPadrao() {
  const char* nomeado = std::getenv("CL_CONFIG");
  if (nomeado && *nomeado) {
    CarregaArquivo(nomeado);
    return;
  }
  for (const char* candidato : {"/etc/cl/cl.conf", "cl.conf"}) {
    std::error_code ec;
    if (std::filesystem::exists(candidato, ec) && CarregaArquivo(candidato)) return;
  }
}

bool CZQConfiguracao::CarregaArquivo(const std::string& caminho) {
  std::ifstream in(caminho);
  if (!in) return false;
  std::map<std::string, std::string, std::less<>> valores;
  std::string linha;
  while (std::getline(in, linha)) {
    std::string_view v(linha);
    if (size_t hash = v.find('#'); hash != std::string_view::npos) v = v.substr(0, hash);
    size_t igual = v.find('=');
    if (igual == std::string_view::npos) continue;
    std::string chave = Apara(v.substr(0, igual));
    if (!chave.empty()) valores[chave] = Apara(v.substr(igual + 1));
  }
  std::lock_guard<std::mutex> trava(m_mutex);
  m_arquivo = caminho;
  m_arquivoValores = std::move(valores);
  return true;
}

std::string CZQConfiguracao::GetArquivo() const {
  std::lock_guard<std::mutex> trava(m_mutex);
  return m_arquivo;
}

std::vector<std::string> CZQConfiguracao::ChavesDoArquivo() const {
  std::lock_guard<std::mutex> trava(m_mutex);
  std::vector<std::string> chaves;
  for (const auto& [chave, valor] : m_arquivoValores) chaves.push_back(chave);
  return chaves;
}

void CZQConfiguracao::Recarrega() {
  {
    std::lock_guard<std::mutex> trava(m_mutex);
    m_memoria.clear();
    m_arquivoValores.clear();
    m_arquivo.clear();
  }
  CarregaPadrao();
}

std::string CZQConfiguracao::Get(std::string_view chave, std::string_view padrao) const {
  if (const char* env = std::getenv(NomeVariavel(chave).c_str())) return env;
  std::lock_guard<std::mutex> trava(m_mutex);
  if (auto it = m_memoria.find(chave); it != m_memoria.end()) return it->second;
  if (auto it = m_arquivoValores.find(chave); it != m_arquivoValores.end()) return it->second;
  return std::string(padrao);
}

long CZQConfiguracao::GetInteiro(std::string_view chave, long padrao) const {
  std::string texto = Get(chave);
  if (texto.empty()) return padrao;
  char* fim = nullptr;
  errno = 0;
  long valor = std::strtol(texto.c_str(), &fim, 10);
  // A number too large for a long is as wrong as a word: the default, not LONG_MAX.
  return (fim && *fim == '\0' && errno != ERANGE) ? valor : padrao;
}

void CZQConfiguracao::Set(std::string_view chave, std::string_view valor) {
  std::lock_guard<std::mutex> trava(m_mutex);
  m_memoria[std::string(chave)] = std::string(valor);
}

void CZQConfiguracao::Remove(std::string_view chave) {
  std::lock_guard<std::mutex> trava(m_mutex);
  if (auto it = m_memoria.find(chave); it != m_memoria.end()) m_memoria.erase(it);
}

std::string CZQConfiguracao::Diretorio(std::string_view chave, std::string_view padrao) const {
  std::string dir = SemBarraFinal(Get(chave, padrao));
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);  // a failure shows up when the file is opened
  return dir;
}

std::string CZQConfiguracao::DiretorioInstalacao() const { return Diretorio("local_orbel", "/var/lib/cl"); }
std::string CZQConfiguracao::DiretorioRelatorios() const {
  return Diretorio("relatorios", DiretorioInstalacao() + "/relatorios");
}
std::string CZQConfiguracao::DiretorioTemporario() const {
  // Never the shared system directory: another user could take the report's fixed name
  // there. The import makes this one private (0700) before it writes.
  const char* sessao = std::getenv("XDG_RUNTIME_DIR");
  return SemBarraFinal(
      Get("temporario", sessao && *sessao == '/' ? std::string(sessao) + "/cl" : DiretorioInstalacao() + "/tmp"));
}

std::string CZQConfiguracao::DiretorioLogErros(std::string_view empresa) const {
  if (empresa.empty()) return Diretorio("log_erros", DiretorioInstalacao() + "/log");
  std::string modelo = Get("log_erros_empresa", DiretorioInstalacao() + "/empresas/{empresa}/log");
  std::string caminho;
  for (size_t p = 0;;) {
    size_t marca = modelo.find("{empresa}", p);
    caminho += modelo.substr(p, marca == std::string::npos ? std::string::npos : marca - p);
    if (marca == std::string::npos) break;
    caminho += empresa;
    p = marca + 9;
  }
  while (caminho.size() > 1 && caminho.back() == '/') caminho.pop_back();
  std::error_code ec;
  std::filesystem::create_directories(caminho, ec);
  return caminho;
}
