#include "frame/zq_log_erros.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "frame/zq_relogio.h"

#ifndef CL_VERSAO_PROJETO
#define CL_VERSAO_PROJETO "0.0.0"
#endif

namespace zq {

namespace {

struct Momento {
  int dia = 0, mes = 0, ano = 0;
  int hora = 0, minuto = 0, segundo = 0;
};

Momento Desmonta(REG_ZQDMAHMSUTC quando) {
  Momento m;
  CZQDma(zq::DmaDeDmaHms(quando)).GetDiaMesAno(m.dia, m.mes, m.ano);
  zq::DesmontaHms(zq::HmsDeDmaHms(quando), m.hora, m.minuto, m.segundo);
  return m;
}

// A column must stay one column and the record one line.
std::string Limpa(std::string_view texto, bool manterTab) {
  std::string s(texto);
  for (char& c : s) {
    if (c == '\n' || c == '\r' || c == '\0' || (c == '\t' && !manterTab)) c = ' ';
  }
  return s;
}

std::string Formata(const char* formato, ...) __attribute__((format(printf, 1, 2)));
std::string Formata(const char* formato, ...) {
  char buf[256];
  va_list args;
  va_start(args, formato);
  int n = std::vsnprintf(buf, sizeof buf, formato, args);
  va_end(args);
  return n < 0 ? std::string() : std::string(buf, std::min<size_t>(static_cast<size_t>(n), sizeof buf - 1));
}

std::string BaseNome(std::string_view caminho) {
  size_t barra = caminho.rfind('/');
  return std::string(barra == std::string_view::npos ? caminho : caminho.substr(barra + 1));
}

std::string Minusculas(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Identity of the process that does not change while it runs (a forked child keeps its
// parent's program, user and host); the pid and thread are read on every record.
struct IdentidadeProcesso {
  std::string aplicativo;
  std::string modulo;
  std::string usuario;
  std::string usuarioDominio;
};

const IdentidadeProcesso& Identidade() {
  static std::once_flag pronto;
  static IdentidadeProcesso id;
  std::call_once(pronto, [] {
    char caminho[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", caminho, sizeof caminho - 1);
    id.aplicativo = Minusculas(n > 0 ? BaseNome(std::string_view(caminho, static_cast<size_t>(n)))
                                     : std::string(program_invocation_short_name));

    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&GravaRegistroErro), &info) && info.dli_fname)
      id.modulo = BaseNome(info.dli_fname);

    std::vector<char> buf(16384);
    passwd pw{};
    passwd* achado = nullptr;
    if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &achado) == 0 && achado && achado->pw_name)
      id.usuario = achado->pw_name;
    else if (const char* env = std::getenv("USER"))
      id.usuario = env;
    else
      id.usuario = std::to_string(geteuid());

    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0 && host[0])
      id.usuarioDominio = id.usuario + "@" + host;
    else
      id.usuarioDominio = id.usuario;
  });
  return id;
}

std::once_flag g_versoesLidas;
std::string g_versaoOrbel;
std::string g_versaoSO;

void LeVersoes() {
  std::call_once(g_versoesLidas, [] {
    std::string configurada = CZQConfiguracao::Global().Get("versao_orbel");
    g_versaoOrbel = VersaoQuatroPartes(configurada.empty() ? CL_VERSAO_PROJETO : configurada);
    utsname u{};
    g_versaoSO = VersaoQuatroPartes(uname(&u) == 0 ? u.release : "");
  });
}

// A random GUID (version 4) as text without braces. The kernel's generator is asked
// each time, so processes forked from one parent never repeat each other's GUIDs.
std::string NovoGuid() {
  unsigned char b[16];
  size_t lidos = 0;
  while (lidos < sizeof b) {
    ssize_t n = getrandom(b + lidos, sizeof b - lidos, 0);
    if (n > 0) {
      lidos += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      std::random_device rd;
      for (size_t i = lidos; i < sizeof b; ++i) b[i] = static_cast<unsigned char>(rd());
      lidos = sizeof b;
    }
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
  return Formata("%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1], b[2], b[3], b[4],
                 b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
}

// Value in kB of a "Nome:   123 kB" line of /proc/self/status; -1 when absent.
long long CampoStatus(const std::string& conteudo, const char* nome) {
  size_t p = conteudo.find(nome);
  while (p != std::string::npos && p != 0 && conteudo[p - 1] != '\n') p = conteudo.find(nome, p + 1);
  if (p == std::string::npos) return -1;
  long long kb = -1;
  if (std::sscanf(conteudo.c_str() + p + std::strlen(nome), " %lld", &kb) != 1) return -1;
  return kb;
}

bool EscreveTudo(int fd, const std::string& texto) {
  const char* p = texto.data();
  size_t falta = texto.size();
  while (falta > 0) {
    ssize_t n = ::write(fd, p, falta);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    falta -= static_cast<size_t>(n);
  }
  return true;
}

// The company code names a directory; a slash in it must not lead elsewhere.
std::string EmpresaParaDiretorio(std::string_view empresa) {
  std::string s(empresa);
  for (char& c : s) {
    if (c == '/' || c == '\0') c = '_';
  }
  if (s == "." || s == "..") s = "_";
  return s;
}

}  // namespace

std::string VersaoQuatroPartes(std::string_view texto) {
  long long partes[4] = {0, 0, 0, 0};
  int achadas = 0;
  size_t i = 0;
  while (i < texto.size() && achadas < 4) {
    if (!std::isdigit(static_cast<unsigned char>(texto[i]))) {
      ++i;
      continue;
    }
    long long valor = 0;
    while (i < texto.size() && std::isdigit(static_cast<unsigned char>(texto[i]))) {
      if (valor < 1000000000LL) valor = valor * 10 + (texto[i] - '0');
      ++i;
    }
    partes[achadas++] = std::min<long long>(valor, INT_MAX);
  }
  return Formata("%d.%d.%d.%d", static_cast<int>(partes[0]), static_cast<int>(partes[1]), static_cast<int>(partes[2]),
                 static_cast<int>(partes[3]));
}

const std::string& VersaoOrbel() {
  LeVersoes();
  return g_versaoOrbel;
}

const std::string& VersaoSO() {
  LeVersoes();
  return g_versaoSO;
}

uint64_t MemoriaPrivadaProcesso() {
  std::ifstream status("/proc/self/status");
  if (status) {
    std::string conteudo((std::istreambuf_iterator<char>(status)), std::istreambuf_iterator<char>());
    long long anonima = CampoStatus(conteudo, "RssAnon:");
    if (anonima >= 0) {
      long long troca = CampoStatus(conteudo, "VmSwap:");
      return static_cast<uint64_t>(anonima + std::max(troca, 0LL)) * 1024u;
    }
  }
  std::ifstream statm("/proc/self/statm");
  unsigned long long total = 0, residente = 0, compartilhada = 0;
  if (statm >> total >> residente >> compartilhada) {
    long pagina = sysconf(_SC_PAGESIZE);
    if (pagina > 0 && residente >= compartilhada)
      return (residente - compartilhada) * static_cast<unsigned long long>(pagina);
  }
  return 0;
}

std::string NomeArquivoLogErros(bool comEmpresa, int ano, int mes) {
  ano = std::clamp(ano, 1848, 4717);
  mes = std::clamp(mes, 0, 99);
  return Formata("ZQProfilerErros_%s_%04d%02d.log", comEmpresa ? "Base" : "Pgms", ano, mes);
}

std::string CaminhoLogErros(std::string_view empresa, int ano, int mes) {
  std::string codigo = EmpresaParaDiretorio(empresa);
  std::string dir = CZQConfiguracao::Global().DiretorioLogErros(codigo);
  return dir + "/" + NomeArquivoLogErros(!codigo.empty(), ano, mes);
}

std::string MontaRegistroErro(const RegistroErro& r, REG_ZQDMAHMSUTC quando) {
  const IdentidadeProcesso& id = Identidade();
  const Momento m = Desmonta(quando);
  struct sysinfo si {};
  unsigned long long memDisponivel = 0, memTotal = 0;
  if (sysinfo(&si) == 0) {
    memDisponivel = static_cast<unsigned long long>(si.freeram) * si.mem_unit;
    memTotal = static_cast<unsigned long long>(si.totalram) * si.mem_unit;
  }
  std::string empresa, usuario, sessao, empresaBruta, usuarioBruto, sessaoBruta;
  if (r.temIdentidade) {
    empresaBruta = Limpa(r.empresa, false);
    empresa = "E" + empresaBruta;
    usuario = Formata("U%03d", static_cast<int>(r.usuario));
    sessao = Formata("S%08lu", r.sessao);
    usuarioBruto = std::to_string(r.usuario);
    sessaoBruta = std::to_string(r.sessao);
  }
  const std::string arquivo = Limpa(r.arquivo, false);
  const std::string linha = std::to_string(r.linha);

  const std::string colunas[kQuantidadeColunasLogErros] = {
      Formata("%02d/%02d/%04d", m.dia, m.mes, m.ano),
      Formata("%02d:%02d:%02d", m.hora, m.minuto, m.segundo),
      std::to_string(getpid()),
      Limpa(id.usuario, false),
      Limpa(r.classeFuncao, false),
      NovoGuid(),
      empresa,
      usuario,
      sessao,
      Formata("T%08d", static_cast<int>(gettid())),
      empresaBruta,
      usuarioBruto,
      sessaoBruta,
      Limpa(id.usuarioDominio, false),
      Limpa(id.aplicativo, false),
      Limpa(id.modulo, false),
      arquivo,
      linha,
      std::to_string(getsid(0)),
      "",
      "",
      "ERRO",
      std::to_string(memDisponivel),
      std::to_string(memTotal),
      std::to_string(MemoriaPrivadaProcesso()),
      VersaoOrbel(),
      VersaoSO(),
      arquivo,
      linha,
      Limpa(r.log, true),
      "",
      "",
      "",
      "",
      "",
      "",
      "",
      "",
      "",
  };
  std::string texto;
  texto.reserve(512 + r.log.size());
  for (int i = 0; i < kQuantidadeColunasLogErros; ++i) {
    if (i) texto += '\t';
    texto += colunas[i];
  }
  return texto;
}

namespace detalhe {

bool FalhaDefinitiva(int erro) {
  switch (erro) {
    case ENOENT:   // not found
    case ENOTDIR:  // bad path
    case ENAMETOOLONG:
    case ELOOP:
    case EFAULT:
    case EINVAL:  // invalid
    case EISDIR:
    case EIO:  // hard input/output error
    case ENXIO:
    case ENODEV:
    case EROFS:
      return true;
    default:
      return false;
  }
}

int AbreComTentativas(const std::function<int()>& abre, int tentativas, int* feitas) {
  int n = 0;
  int fd = -1;
  while (n < tentativas) {
    ++n;
    errno = 0;
    fd = abre();
    if (fd >= 0 || FalhaDefinitiva(errno)) break;
  }
  if (feitas) *feitas = n;
  return fd;
}

}  // namespace detalhe

bool GravaRegistroErro(const RegistroErro& registro) {
  try {
    const REG_ZQDMAHMSUTC quando = zq::Agora();
    const Momento m = Desmonta(quando);
    const std::string caminho =
        CaminhoLogErros(registro.temIdentidade ? registro.empresa : std::string(), m.ano, m.mes);
    std::string texto = MontaRegistroErro(registro, quando);
    texto += '\n';

    // Each attempt is open + exclusive lock; the lock makes "empty? header, then record"
    // one step against every other writer of the file, in this process or another.
    int pausas = 0;
    int fd = detalhe::AbreComTentativas([&caminho, &pausas]() -> int {
      int d = ::open(caminho.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
      if (d < 0) return -1;
      // Never an unbounded wait: one stuck holder would stop every thread that traces, in
      // every process. A busy lock is one failed attempt; the pause grows from 1 ms to
      // 128 ms, so the 19 attempts end within about two seconds and the record is lost.
      int r;
      do {
        r = ::flock(d, LOCK_EX | LOCK_NB);
      } while (r != 0 && errno == EINTR);
      if (r != 0) {
        int erro = errno;
        ::close(d);
        if (erro == EWOULDBLOCK) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1 << std::min(pausas++, 7)));
        }
        errno = erro;
        return -1;
      }
      return d;
    });
    if (fd < 0) return false;

    bool ok = false;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
      if (st.st_size == 0) texto.insert(0, kCabecalhoLogErros);
      ok = EscreveTudo(fd, texto);
    }
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return ok;
  } catch (...) {
    return false;
  }
}

}  // namespace zq
