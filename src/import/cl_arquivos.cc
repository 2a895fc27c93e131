#include "import/cl_arquivos.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace cl_import {

namespace {

// Closes a descriptor at the end of its scope.
class Descritor {
 public:
  explicit Descritor(int fd) : m_fd(fd) {}
  ~Descritor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Descritor(const Descritor&) = delete;
  Descritor& operator=(const Descritor&) = delete;
  int Get() const { return m_fd; }

 private:
  int m_fd;
};

bool EhAusencia(int erro) { return erro == ENOENT || erro == ENOTDIR || erro == ENAMETOOLONG || erro == ELOOP; }

}  // namespace

std::string JuntaCaminho(std::string_view diretorio, std::string_view nome) {
  while (diretorio.size() > 1 && diretorio.back() == '/') diretorio.remove_suffix(1);
  while (!nome.empty() && nome.front() == '/') nome.remove_prefix(1);
  std::string caminho(diretorio);
  if (caminho.empty() || caminho.back() != '/') caminho += '/';
  caminho.append(nome);
  return caminho;
}

bool ArquivoPresente(const std::string& caminho) {
  if (caminho.empty()) return false;
  struct stat info {};
  const Descritor fd(::open(caminho.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.Get() < 0) {
    const int erro = errno;
    if (EhAusencia(erro)) return false;
    // It is there but cannot be opened (no permission, busy): present unless a directory.
    return !(::stat(caminho.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
  }
  return !(::fstat(fd.Get(), &info) == 0 && S_ISDIR(info.st_mode));
}

bool GravaArquivo(const std::string& caminho, std::string_view bytes) {
  std::FILE* arquivo = std::fopen(caminho.c_str(), "wb");
  if (!arquivo) return false;
  const bool escrito = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), arquivo) == bytes.size();
  const bool fechado = std::fclose(arquivo) == 0;
  return escrito && fechado;
}

bool RemoveArquivo(const std::string& caminho) { return ::unlink(caminho.c_str()) == 0; }

bool LeArquivo(const std::string& caminho, std::string& conteudo) {
  conteudo.clear();
  const Descritor fd(::open(caminho.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return false;
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  // Read to the end rather than trusting the size: the file may still be growing.
  std::size_t usado = 0;
  conteudo.resize(S_ISREG(info.st_mode) && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 1 << 16);
  for (;;) {
    if (usado == conteudo.size()) conteudo.resize(conteudo.size() * 2);
    const ssize_t lidos = ::read(fd.Get(), conteudo.data() + usado, conteudo.size() - usado);
    if (lidos == 0) break;
    if (lidos < 0) {
      if (errno == EINTR) continue;
      conteudo.clear();
      return false;
    }
    usado += static_cast<std::size_t>(lidos);
  }
  conteudo.resize(usado);
  return true;
}

std::string TextoComQuebrasWindows(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size() + texto.size() / 16);
  for (char c : texto) {
    if (c == '\n') saida += '\r';
    saida += c;
  }
  return saida;
}

}  // namespace cl_import
