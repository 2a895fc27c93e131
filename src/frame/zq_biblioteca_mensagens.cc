#include "frame/zq_biblioteca_mensagens.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "frame/zq_config.h"

namespace zq {

namespace {

constexpr const char kNomeBiblioteca[] = "libzqmensagens.so";

// Directory of the shared object (or executable) this code was linked into.
std::string DiretorioDesteCodigo() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&DiretorioDesteCodigo), &info) == 0 || info.dli_fname == nullptr) return {};
  std::string caminho = info.dli_fname;
  if (caminho.empty() || caminho[0] != '/') {
    // The main program is named as it was started (argv[0]); the kernel knows its real place.
    std::error_code ec;
    std::filesystem::path programa = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) caminho = programa.string();
  }
  size_t barra = caminho.rfind('/');
  return barra == std::string::npos ? std::string() : caminho.substr(0, barra);
}

}  // namespace

std::string CZQBibliotecaMensagens::Caminho() {
  std::string configurado = CZQConfiguracao::Global().Get("biblioteca_mensagens");
  if (!configurado.empty()) return configurado;
  std::string diretorio = DiretorioDesteCodigo();
  return diretorio.empty() ? std::string(kNomeBiblioteca) : diretorio + "/" + kNomeBiblioteca;
}

CZQBibliotecaMensagens::CZQBibliotecaMensagens() {
  m_handle = dlopen(Caminho().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m_handle == nullptr) dlerror();  // a missing library only means empty texts
}

CZQBibliotecaMensagens::~CZQBibliotecaMensagens() {
  if (m_handle != nullptr) dlclose(m_handle);
}

void* CZQBibliotecaMensagens::SimboloBruto(const char* nome) const {
  if (m_handle == nullptr || nome == nullptr) return nullptr;
  void* simbolo = dlsym(m_handle, nome);
  if (simbolo == nullptr) dlerror();
  return simbolo;
}

}  // namespace zq
