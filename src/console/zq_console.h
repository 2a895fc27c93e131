#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CZQAcessoServidoresSQL;

// The operator console: pages and a JSON API over HTTP, served from this process,
// working through the same operations as the command-line tool.

struct ZQOpcoesConsole {
  std::string endereco = "127.0.0.1";
  int porta = 8080;         // 0: any free port (see Porta())
  std::string hashSenha;    // ZQConsoleHashSenha's form; required off loopback
  uint16_t usuario = 0;     // written in the logs when no login names one
  std::string certificado;  // PEM files: both set serves HTTPS
  std::string chaveCertificado;
  std::size_t maximoCorpo = 64 * 1024;          // a request body larger than this is refused (413)
  std::size_t maximoArquivo = 2 * 1024 * 1024;  // the same for a statement file sent to import
  std::size_t maximoPorMinuto = 600;            // requests of one client address per minute; then 429
};

// Whether the address only this machine reaches (127.0.0.0/8, ::1, "localhost").
bool ZQEnderecoLoopback(const std::string& endereco);

class ZQConsole {
 public:
  // `servidores` is used from the serving threads one request at a time; it must
  // outlive this object, and be the store installed as the process's servers (the
  // posting routine behind the rules pages reads from there).
  ZQConsole(CZQAcessoServidoresSQL& servidores, ZQOpcoesConsole opcoes);
  ~ZQConsole();
  ZQConsole(const ZQConsole&) = delete;
  ZQConsole& operator=(const ZQConsole&) = delete;

  // Checks the options and binds the address. False, with the reason in `motivo`, when
  // the address is not loopback and no password is configured, a certificate cannot be
  // loaded, or the address cannot be bound.
  bool Liga(std::string& motivo);
  // The port bound (after Liga).
  int Porta() const;
  // Serves until Para() is called (from another thread or a signal's watcher).
  void Atende();
  void Para();

 private:
  struct Estado;
  std::unique_ptr<Estado> m_estado;
};
