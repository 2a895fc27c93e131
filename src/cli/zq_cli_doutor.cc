#include "cli/zq_cli_doutor.h"

#include <curl/curl.h>
#include <netdb.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <memory>
#include <set>
#include <string_view>

#include "frame/zq_config.h"
#include "frame/zq_mensagens.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"

namespace {

// Every key some part of the product reads; a key outside this list is a typing mistake
// that would otherwise leave its default silently in force.
constexpr std::array<std::string_view, 42> kChavesConhecidas = {"banco",
                                                                "bb.app_key",
                                                                "bb.arquivo_ca",
                                                                "bb.certificado",
                                                                "bb.chave_certificado",
                                                                "bb.client_id",
                                                                "bb.client_secret",
                                                                "bb.maximo_paginas",
                                                                "bb.parametro_app_key",
                                                                "bb.parametro_pagina",
                                                                "bb.scope",
                                                                "bb.senha_certificado",
                                                                "bb.timeout_conexao_ms",
                                                                "bb.timeout_ms",
                                                                "bb.url_api",
                                                                "bb.url_oauth",
                                                                "biblioteca_mensagens",
                                                                "conciliacao_candidatos",
                                                                "conciliacao_candidatos_backtracking",
                                                                "conciliacao_dias_diferenca",
                                                                "console.certificado",
                                                                "console.chave_certificado",
                                                                "console.senha",
                                                                "console.usuario",
                                                                "consulta.tamanho_maximo_resposta",
                                                                "empresa",
                                                                "local_orbel",
                                                                "log_erros",
                                                                "log_erros_empresa",
                                                                "log_host",
                                                                "relatorios",
                                                                "tavorin.arquivo_ca",
                                                                "tavorin.certificado",
                                                                "tavorin.chave_certificado",
                                                                "tavorin.senha_certificado",
                                                                "tavorin.timeout_conexao_ms",
                                                                "tavorin.timeout_ms",
                                                                "tavorin.token",
                                                                "tavorin.url",
                                                                "temporario",
                                                                "trava_conta_espera_s",
                                                                "versao_orbel"};

// Writes the lines of the report and remembers whether anything was wrong.
class Relatorio {
 public:
  explicit Relatorio(std::ostream& saida) : m_saida(saida) {}
  void Ok(const std::string& item) { m_saida << "ok    " << item << "\n"; }
  void Problema(const std::string& item, const std::string& problema, const std::string& correcao) {
    m_saida << "ERRO  " << item << ": " << problema << "\n      como corrigir: " << correcao << "\n";
    m_problemas = true;
  }
  bool TemProblemas() const { return m_problemas; }

 private:
  std::ostream& m_saida;
  bool m_problemas = false;
};

void ConfereChaves(Relatorio& r) {
  const CZQConfiguracao& config = CZQConfiguracao::Global();
  const std::string arquivo = config.GetArquivo();
  if (arquivo.empty()) {
    r.Ok("configuração: nenhum arquivo (CL_CONFIG, /etc/cl/cl.conf, ./cl.conf); valem os padrões");
    return;
  }
  bool todas = true;
  for (const std::string& chave : config.ChavesDoArquivo()) {
    if (std::find(kChavesConhecidas.begin(), kChavesConhecidas.end(), chave) != kChavesConhecidas.end()) continue;
    r.Problema("configuração " + arquivo, "chave desconhecida \"" + chave + "\"",
               "corrija o nome (as chaves estão no README, seção Configuration) ou apague a linha");
    todas = false;
  }
  if (todas) r.Ok("configuração " + arquivo);
}

// A directory the services write to: it exists (its accessor creates it) and this user
// can create files in it.
void ConfereDiretorio(Relatorio& r, const std::string& nome, const std::string& dir) {
  const std::string item = "diretório " + nome + " " + dir;
  struct stat info {};
  if (::stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    r.Problema(item, "não existe e não pôde ser criado", "crie-o para este usuário: install -d -m 755 " + dir);
  } else if (::access(dir.c_str(), W_OK | X_OK) != 0) {
    r.Problema(item, "este usuário não pode gravar nele", "chown $(id -un) " + dir + " (ou mude a chave " + nome + ")");
  } else {
    r.Ok(item);
  }
}

// The private directory of the rejected-lines report: absent (the import creates it
// 0700), or a real directory of this user closed to everyone else.
void ConfereDiretorioPrivado(Relatorio& r, const std::string& dir) {
  const std::string item = "diretório temporario " + dir;
  struct stat info {};
  if (::lstat(dir.c_str(), &info) != 0) {
    r.Ok(item + " (criado com modo 0700 na primeira importação)");
  } else if (S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode)) {
    r.Problema(item, "é um link simbólico ou não é um diretório; o relatório não será gravado",
               "apague-o (rm " + dir + ") e deixe a importação criá-lo");
  } else if (info.st_uid != ::geteuid()) {
    r.Problema(item, "pertence a outro usuário; o relatório não será gravado",
               "aponte a chave temporario para um diretório deste usuário");
  } else if ((info.st_mode & 077) != 0) {
    r.Problema(item, "outros usuários podem entrar nele", "chmod 700 " + dir);
  } else {
    r.Ok(item);
  }
}

void ConfereBanco(Relatorio& r, const std::string& conexao) {
  std::string leitura = conexao;
  if (leitura.find("?modo=") == std::string::npos) leitura += "?modo=leitura";
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  if (FAILED(CZQBancoSQL::Abre(leitura, banco, erro))) {
    r.Problema("banco " + conexao, erro.GetTextoMostraMensagem().str(),
               "crie ou atualize o banco com \"cl init\" (confira a chave banco)");
    return;
  }
  r.Ok("banco " + conexao + ": esquema versão " + std::to_string(banco->GetVersaoEsquema()));
  try {
    std::string resultado = "ok";
    if (banco->GetBackend() == "sqlite3") {
      banco->Sessao() << "PRAGMA integrity_check", soci::into(resultado);
    } else {
      int um = 0;
      banco->Sessao() << "SELECT 1", soci::into(um);
    }
    if (resultado == "ok") {
      r.Ok("integridade do banco");
    } else {
      r.Problema("integridade do banco", resultado, "restaure a última cópia de segurança do banco");
    }
  } catch (const std::exception& e) {
    r.Problema("integridade do banco", e.what(), "restaure a última cópia de segurança do banco");
  }
}

void ConfereMensagens(Relatorio& r) {
  // A message every installation has: the catalogue's first refusal of an import request.
  if (ZQGetMensagem(5807, "CL").empty()) {
    r.Problema("biblioteca de mensagens", "os textos das mensagens não foram encontrados",
               "instale libzqmensagens.so ao lado de libcl.so ou defina a chave biblioteca_mensagens");
  } else {
    r.Ok("biblioteca de mensagens");
  }
}

void ConfereCertificados(Relatorio& r) {
  const CZQConfiguracao& config = CZQConfiguracao::Global();
  for (const char* origem : {"bb", "tavorin"}) {
    for (const char* campo : {"arquivo_ca", "certificado", "chave_certificado"}) {
      const std::string chave = std::string(origem) + "." + campo;
      const std::string arquivo = config.Get(chave);
      if (arquivo.empty()) continue;
      struct stat info {};
      if (::stat(arquivo.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || ::access(arquivo.c_str(), R_OK) != 0) {
        r.Problema(chave + " " + arquivo, "o arquivo não existe ou este usuário não pode lê-lo",
                   "confira o caminho e dê leitura a este usuário");
      } else if (std::string_view(campo) == "chave_certificado" && (info.st_mode & 077) != 0) {
        r.Problema(chave + " " + arquivo, "a chave privada pode ser lida por outros usuários", "chmod 600 " + arquivo);
      } else {
        r.Ok(chave + " " + arquivo);
      }
    }
  }
}

// Name resolution, then a TLS handshake with the configured CA and client certificate.
void ConfereEndereco(Relatorio& r, const std::string& chave, std::string url, const std::string& origem) {
  if (size_t p = url.find("{conta}"); p != std::string::npos) url.replace(p, 7, "0");
  const std::string item = chave + " " + url;
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> partes(curl_url(), curl_url_cleanup);
  char* host = nullptr;
  if (!partes || curl_url_set(partes.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
      curl_url_get(partes.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK) {
    r.Problema(item, "endereço inválido", "corrija a chave " + chave);
    return;
  }
  const std::string nome(host);
  curl_free(host);
  addrinfo* enderecos = nullptr;
  if (const int falha = ::getaddrinfo(nome.c_str(), nullptr, nullptr, &enderecos); falha != 0) {
    r.Problema(item, std::string("o nome ") + nome + " não resolve: " + gai_strerror(falha),
               "confira o endereço e o DNS desta máquina (/etc/resolv.conf)");
    return;
  }
  ::freeaddrinfo(enderecos);
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) {
    r.Problema(item, "sem memória para a conexão", "tente de novo");
    return;
  }
  const CZQConfiguracao& config = CZQConfiguracao::Global();
  const std::string ca = config.Get(origem + ".arquivo_ca"), certificado = config.Get(origem + ".certificado"),
                    chavePrivada = config.Get(origem + ".chave_certificado"),
                    senha = config.Get(origem + ".senha_certificado");
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_CONNECT_ONLY, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS, 10000L);
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  if (!ca.empty()) curl_easy_setopt(curl.get(), CURLOPT_CAINFO, ca.c_str());
  if (!certificado.empty()) curl_easy_setopt(curl.get(), CURLOPT_SSLCERT, certificado.c_str());
  if (!chavePrivada.empty()) curl_easy_setopt(curl.get(), CURLOPT_SSLKEY, chavePrivada.c_str());
  if (!senha.empty()) curl_easy_setopt(curl.get(), CURLOPT_KEYPASSWD, senha.c_str());
  const CURLcode resultado = curl_easy_perform(curl.get());
  if (resultado != CURLE_OK) {
    r.Problema(item, std::string("a conexão falhou: ") + curl_easy_strerror(resultado),
               "confira o endereço, o firewall e os certificados de " + origem);
  } else {
    r.Ok(item);
  }
}

void ConfereRede(Relatorio& r) {
  const CZQConfiguracao& config = CZQConfiguracao::Global();
  ConfereEndereco(r, "bb.url_api", config.Get("bb.url_api", "https://api.bb.com.br/extratos/v1"), "bb");
  ConfereEndereco(r, "bb.url_oauth", config.Get("bb.url_oauth", "https://oauth.bb.com.br/oauth/token"), "bb");
  if (const std::string tavorin = config.Get("tavorin.url"); !tavorin.empty()) {
    ConfereEndereco(r, "tavorin.url", tavorin, "tavorin");
  }
}

}  // namespace

void ZQComandoDoutor::Registra(CLI::App& app) {
  m_comando = Adiciona(app, "doctor",
                       "Confere a instalação: configuração, diretórios, banco, mensagens, certificados (e a rede)");
  m_comando->add_flag("--network", m_rede, "Também resolve os endereços dos bancos e faz o aperto de mão TLS");
}

int ZQComandoDoutor::Executa(const std::string& conexao, std::ostream& saida, std::ostream& erros) {
  Relatorio r(saida);
  const CZQConfiguracao& config = CZQConfiguracao::Global();
  ConfereChaves(r);
  ConfereDiretorio(r, "local_orbel", config.DiretorioInstalacao());
  ConfereDiretorio(r, "relatorios", config.DiretorioRelatorios());
  ConfereDiretorio(r, "log_erros", config.DiretorioLogErros(""));
  ConfereDiretorioPrivado(r, config.DiretorioTemporario());
  ConfereBanco(r, conexao);
  ConfereMensagens(r);
  ConfereCertificados(r);
  if (m_rede) ConfereRede(r);
  if (r.TemProblemas()) {
    erros << "cl: a instalação tem problemas; veja acima como corrigi-los\n";
    return 1;
  }
  saida << "Tudo certo.\n";
  return 0;
}
