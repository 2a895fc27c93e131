#include "import/cl_arquivos.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

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

bool PreparaDiretorioPrivado(const std::string& diretorio) {
  if (diretorio.empty()) return false;
  std::error_code ec;
  const std::filesystem::path pasta(diretorio);
  if (pasta.has_parent_path()) std::filesystem::create_directories(pasta.parent_path(), ec);
  // Created by us with 0700 from the start, so no other user ever finds it open.
  if (::mkdir(diretorio.c_str(), 0700) != 0 && errno != EEXIST) return false;
  // Opened without following a link: a link planted in its place is refused, not entered.
  const Descritor fd(::open(diretorio.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.Get() < 0) return false;
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
  if ((info.st_mode & 077) != 0 && ::fchmod(fd.Get(), 0700) != 0) return false;
  return true;
}

bool GravaArquivo(const std::string& caminho, std::string_view bytes) {
  // A new file of our own beside the target, then one rename: a reader sees the old file
  // or the whole new one, and a link planted at the target is replaced, never followed.
  // O_EXCL | O_NOFOLLOW keep the temporary name from being taken over the same way.
  static std::atomic<unsigned> sequencia{0};
  std::string temporario;
  int d = -1;
  for (int tentativa = 0; tentativa < 100 && d < 0; ++tentativa) {
    temporario = caminho + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(sequencia++);
    d = ::open(temporario.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (d < 0 && errno != EEXIST) return false;
  }
  if (d < 0) return false;
  bool escrito = true;
  for (std::size_t feito = 0; feito < bytes.size();) {
    const ssize_t n = ::write(d, bytes.data() + feito, bytes.size() - feito);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      escrito = false;
      break;
    }
    feito += static_cast<std::size_t>(n);
  }
  const bool fechado = ::close(d) == 0;
  if (escrito && fechado && ::rename(temporario.c_str(), caminho.c_str()) == 0) return true;
  ::unlink(temporario.c_str());
  return false;
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
