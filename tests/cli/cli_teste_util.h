#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/zq_cli.h"
#include "frame/zq_config.h"
#include "support/armazem.h"

namespace cl_teste_cli {

inline const std::string kAmostra = std::string(CL_TEST_SOURCE_DIR) + "/data/sample-company.json";

// What one run of the tool gave: exit code and both streams.
struct Resultado {
  int codigo;
  std::string saida;
  std::string erros;
};

// Runs "cl" with the arguments (the program name is added).
inline Resultado Executa(std::vector<std::string> argumentos) {
  argumentos.insert(argumentos.begin(), "cl");
  std::ostringstream saida, erros;
  int codigo = ZQExecutaCl(argumentos, saida, erros);
  return {codigo, saida.str(), erros.str()};
}

using zq_teste::Dia;

// Arguments written as one text: split at blanks, "~" stands for an empty one and "_" for
// a blank inside one.
inline std::vector<std::string> Palavras(const std::string& texto) {
  std::istringstream in(texto);
  std::vector<std::string> palavras;
  for (std::string a; in >> a;) {
    std::replace(a.begin(), a.end(), '_', ' ');
    palavras.push_back(a == "~" ? "" : a);
  }
  return palavras;
}

// The pieces of a text split at '|'.
inline std::vector<std::string> Trechos(const std::string& texto) {
  std::istringstream in(texto);
  std::vector<std::string> trechos;
  for (std::string t; std::getline(in, t, '|');) trechos.push_back(t);
  return trechos;
}

// While it lives, the installation, temporary and error-log folders are `pasta`: an import
// writes its report and temporary files there.
class PastasEm {
 public:
  explicit PastasEm(const std::string& pasta) {
    for (const char* chave : kChaves) CZQConfiguracao::Global().Set(chave, pasta);
  }
  ~PastasEm() {
    for (const char* chave : kChaves) CZQConfiguracao::Global().Remove(chave);
  }

 private:
  static constexpr const char* kChaves[] = {"local_orbel", "temporario", "log_erros"};
};

// A store file of its own in a folder of its own; nothing created yet.
class ClTest : public ::testing::Test {
 protected:
  std::string Db() const { return "sqlite:" + m_pasta.Arquivo("cl.db"); }

  // Runs "cl --db <the test's store> ..."; "{pasta}" in an argument is the test's folder.
  Resultado Roda(std::vector<std::string> argumentos) const {
    for (std::string& a : argumentos) {
      if (size_t p = a.find("{pasta}"); p != std::string::npos) a.replace(p, 7, m_pasta.Caminho());
    }
    argumentos.insert(argumentos.begin(), {"--db", Db()});
    return Executa(std::move(argumentos));
  }

  // The store with the sample company loaded by the tool itself.
  void CarregaAmostra() {
    ASSERT_EQ(Roda({"init"}).codigo, 0);
    ASSERT_EQ(Roda({"load-company", kAmostra}).codigo, 0);
  }

  // A connection of the test's own to the store the tool writes.
  std::shared_ptr<CZQBancoSQL> Banco() const { return zq_teste::AbreBanco(Db()); }
  // The single number a statement on the store gives (-1 when it gives none).
  long long Escalar(const std::string& consulta) const {
    long long valor = -1;
    if (auto banco = Banco()) banco->Sessao() << consulta, soci::into(valor);
    return valor;
  }

  // Writes straight into the store through its own servers.
  void NoArmazem(const std::function<void(CZQAcessoConciliacao&)>& escreve) {
    auto banco = Banco();
    ASSERT_TRUE(banco);
    CZQAcessoServidoresSQL hub(banco);
    escreve(*hub.GetAcessoConciliacao());
  }
  // Stores the statement lines; gives back their positions.
  std::vector<uint32_t> GravaLinhas(std::vector<CZQDadosCL_Extrato> linhas) {
    std::vector<uint32_t> posicoes;
    NoArmazem([&](CZQAcessoConciliacao& conciliacao) {
      for (CZQDadosCL_Extrato& e : linhas) {
        ASSERT_EQ(conciliacao.GravaExtrato(e), S_OK);
        posicoes.push_back(e.GetPosicao());
      }
    });
    return posicoes;
  }

  zq_teste::PastaTemporaria m_pasta;
};

// The sample company loaded before each test.
class ClEmpresaTest : public ClTest {
 protected:
  void SetUp() override { CarregaAmostra(); }
};

// An open statement line with what the tests vary.
inline CZQDadosCL_Extrato Linha(uint32_t conta, REG_ZQDMA dia, tagCY valor, char natureza, const char* historico = "",
                                const char* codigo = "", int64_t documento = 0, uint16_t filial = 1) {
  return zq_teste::Linha(conta, filial, dia, valor, natureza, historico, codigo, documento);
}

}  // namespace cl_teste_cli
