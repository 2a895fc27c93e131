#include "cli/zq_cli_console.h"

#include <pthread.h>
#include <csignal>
#include <iostream>
#include <thread>

#include "cli/zq_cli.h"
#include "console/zq_console.h"
#include "console/zq_console_texto.h"
#include "frame/zq_config.h"
#include "store/zq_acesso_sql.h"

namespace {

constexpr std::size_t kMinimoSenha = 10;

}  // namespace

void ZQComandoConsole::Registra(CLI::App& app) {
  m_comando = Adiciona(app, "serve", "Serve o console do operador no navegador sobre o banco");
  m_comando->add_option("--bind", m_endereco, "Endereço em que atende (padrão 127.0.0.1)");
  m_comando->add_option("--port", m_porta, "Porta (padrão 8080; 0 escolhe uma livre)")->check(CLI::Range(0, 65535));
  m_comando->add_flag("--hash-password", m_hashSenha,
                      "Lê uma senha da entrada padrão e escreve o valor da chave console.senha");
}

int ZQComandoConsole::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  if (m_hashSenha) {
    std::string senha;
    std::getline(std::cin, senha);
    if (senha.size() < kMinimoSenha) {
      erros << "cl: a senha precisa de ao menos " << kMinimoSenha << " caracteres\n";
      return ZQ_CL_SAIDA_ARGUMENTOS;
    }
    saida << ZQConsoleHashSenha(senha) << "\n";
    return 0;
  }
  const CZQConfiguracao& config = CZQConfiguracao::Global();
  ZQOpcoesConsole opcoes;
  opcoes.endereco = m_endereco;
  opcoes.porta = m_porta;
  opcoes.hashSenha = config.Get("console.senha");
  opcoes.certificado = config.Get("console.certificado");
  opcoes.chaveCertificado = config.Get("console.chave_certificado");
  const long usuario = config.GetInteiro("console.usuario", 0);
  if (usuario < 0 || usuario > UINT16_MAX) {
    erros << "cl: console.usuario deve ser um código de usuário de 0 a 65535\n";
    return ZQ_CL_SAIDA_ARGUMENTOS;
  }
  opcoes.usuario = static_cast<uint16_t>(usuario);

  ZQCliArmazem armazem;
  if (!armazem.Abre(conexao, false, erros)) return ZQ_CL_SAIDA_FALHA;
  CZQAcessoServidoresSQL servidores(armazem.Banco());
  ZQConsole console(servidores, opcoes);

  // The serving threads inherit the mask: only the watcher below takes the signals, and
  // stops the server from a normal thread rather than from a handler.
  sigset_t sinais;
  sigemptyset(&sinais);
  sigaddset(&sinais, SIGINT);
  sigaddset(&sinais, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &sinais, nullptr);

  std::string motivo;
  if (!console.Liga(motivo)) {
    pthread_sigmask(SIG_UNBLOCK, &sinais, nullptr);
    erros << "cl: " << motivo << "\n";
    return ZQ_CL_SAIDA_ARGUMENTOS;
  }
  const bool ipv6 = m_endereco.find(':') != std::string::npos;
  saida << "Console em " << (opcoes.certificado.empty() ? "http" : "https") << "://"
        << (ipv6 ? "[" + m_endereco + "]" : m_endereco) << ":" << console.Porta() << "/" << std::endl;
  std::thread vigia([&] {
    int sinal = 0;
    sigwait(&sinais, &sinal);
    console.Para();
  });
  console.Atende();
  // Atende only returns once stopped, which only the watcher does.
  vigia.join();
  pthread_sigmask(SIG_UNBLOCK, &sinais, nullptr);
  return 0;
}
