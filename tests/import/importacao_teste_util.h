#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "frame/zq_base_rotinas.h"
#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "frame/zq_relogio.h"
#include "import/cl_importacao_extrato.h"
#include "import/cl_trata_dados_extrato.h"
#include "platform/access/zq_acesso_areas.h"
#include "platform/components/zq_janela.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "support/ambiente.h"
#include "support/log_erros.h"

// Reaches the private members of the import routine for the tests.
struct CCLImportacaoExtratoAcessoTeste {
  static CZQDadosDF_Erro& Interpreta(CCLImportacaoExtrato& r, const CZQDadosCL_FiltroImportacaoExtrato& filtro,
                                     CZQVector<CZQDadosCL_Extrato>& lista, const CZQString& caminho) {
    return r.InterpretaArquivoExtratoTavorin(filtro, lista, caminho);
  }
  static CZQDadosDF_Erro& Tavorin(CCLImportacaoExtrato& r, const CZQDadosCL_FiltroImportacaoExtrato& filtro,
                                  CZQVector<CZQDadosCL_Extrato>& lista) {
    return r.MontaListaExtratosTavorin(filtro, lista);
  }
  static CZQDadosDF_Erro& BancoBrasil(CCLImportacaoExtrato& r, const CZQDadosCL_FiltroImportacaoExtrato& filtro,
                                      CZQVector<CZQDadosCL_Extrato>& lista) {
    return r.MontaListaExtratosBancoBrasil(filtro, lista);
  }
  static void ConverteParaUTF8(CCLImportacaoExtrato& r, CZQString& texto) { r.ConverteParaUTF8(texto); }
};

namespace cl_teste {

inline REG_ZQDMA Dia(int dia, int mes, int ano) { return CZQDma(dia, mes, ano).GetDma(); }

inline std::string Fixture(const std::string& nome) {
  return std::string(CL_TEST_SOURCE_DIR) + "/tests/import/fixtures/" + nome;
}

inline std::string LeTudo(const std::filesystem::path& caminho) { return zq_teste::LeArquivo(caminho); }

inline void Escreve(const std::filesystem::path& caminho, const std::string& conteudo) {
  std::filesystem::create_directories(caminho.parent_path());
  std::ofstream out(caminho, std::ios::binary | std::ios::trunc);
  out << conteudo;
}

// A window that records the messages it receives.
class JanelaGravadora : public CWnd {
 public:
  struct Mensagem {
    uint32_t numero;
    uintptr_t wParam;
    intptr_t lParam;
  };
  intptr_t SendMessageA(uint32_t mensagem, uintptr_t wParam, intptr_t lParam) override {
    mensagens.push_back({mensagem, wParam, lParam});
    return 0;
  }
  std::vector<intptr_t> Valores() const {
    std::vector<intptr_t> v;
    for (const Mensagem& m : mensagens) v.push_back(m.lParam);
    return v;
  }
  std::vector<Mensagem> mensagens;
};

// A request over an account and period with the duplicate flags given.
inline CZQDadosCL_FiltroImportacaoExtrato Pedido(uint32_t conta, REG_ZQDMA inicial, REG_ZQDMA final,
                                                 bool duplicidade = false) {
  CZQDadosCL_FiltroImportacaoExtrato f;
  f.SetConta(conta)
      .SetFilial(1)
      .SetDataInicial(inicial)
      .SetDataFinal(final)
      .SetLeiaute(ZQ_LEIAUTE_IMPORTACAO_ONLINE)
      .SetPosicaoLeiaute(1);
  if (duplicidade) CLVerificaDuplicidadeCompleta(f);
  return f;
}

inline CZQDadosCL_Extrato Linha(uint32_t conta, REG_ZQDMA data, tagCY valor, char natureza, const char* historico,
                                int64_t documento = 0) {
  CZQDadosCL_Extrato e;
  e.SetConta(conta)
      .SetFilial(1)
      .SetDmaExtrato(data)
      .SetValor(valor)
      .SetNatureza(natureza)
      .SetHistBco(historico)
      .SetDocumento(documento);
  return e;
}

// Everything an import test stands on: the SQL store in a directory of its own with the
// test company, installed as the process's servers; installation, reports, temporary and
// error-log directories under the same directory; the built message library; the clock
// fixed at 20/11/2026 10:00. All undone at the end.
class AmbienteImportacaoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string modelo = (std::filesystem::temp_directory_path() / "cl_import_XXXXXX").string();
    ASSERT_NE(mkdtemp(modelo.data()), nullptr);
    m_raiz = modelo;
    for (const char* var :
         {"CL_LOCAL_ORBEL", "CL_RELATORIOS", "CL_TEMPORARIO", "CL_LOG_ERROS", "CL_LOG_ERROS_EMPRESA", "CL_BANCO"}) {
      m_variaveis.push_back(std::make_unique<zq_teste::AmbienteTrocado>(var, nullptr));
    }
    m_variaveis.push_back(std::make_unique<zq_teste::AmbienteTrocado>(zq_teste::kVariavelBiblioteca,
                                                                      zq_teste::BibliotecaConstruida().c_str()));
    CZQConfiguracao& config = CZQConfiguracao::Global();
    config.Set("local_orbel", Instalacao().string());
    config.Set("relatorios", Relatorios().string());
    config.Set("temporario", Temporario().string());
    config.Set("log_erros", (m_raiz / "log" / "pgms").string());
    config.Set("log_erros_empresa", (m_raiz / "log" / "empresas" / "{empresa}").string());
    m_relogioAnterior = zq::DefineRelogio(&m_relogio);

    CZQDadosDF_Erro erro;
    ASSERT_EQ(ZQInstalaArmazemSQL("sqlite:" + (m_raiz / "cl.db").string(), erro, &m_banco), S_OK)
        << erro.GetTextoMostraMensagem().c_str();
    ASSERT_EQ(ZQCarregaArquivoEmpresa(*m_banco, ArquivoEmpresa(), erro), S_OK) << erro.GetTextoMostraMensagem().c_str();
    m_hub = std::make_unique<CZQAcessoServidoresSQL>(m_banco);
  }

  void TearDown() override {
    m_hub.reset();
    ZQRemoveArmazemSQL();
    m_banco.reset();
    zq::DefineRelogio(m_relogioAnterior);
    CZQConfiguracao& config = CZQConfiguracao::Global();
    for (const char* chave : {"local_orbel", "relatorios", "temporario", "log_erros", "log_erros_empresa"}) {
      config.Remove(chave);
    }
    m_variaveis.clear();
    std::error_code ec;
    std::filesystem::remove_all(m_raiz, ec);
  }

  // The company file the store is loaded with.
  virtual std::string ArquivoEmpresa() const { return Fixture("empresa-importacao.json"); }

  std::filesystem::path Instalacao() const { return m_raiz / "instalacao"; }
  std::filesystem::path Relatorios() const { return m_raiz / "relatorios"; }
  std::filesystem::path Temporario() const { return m_raiz / "tmp"; }
  std::filesystem::path Relatorio() const { return Temporario() / CL_ARQUIVO_ERROS_IMPORTACAO_EXTRATO; }
  std::filesystem::path MockTavorin() const { return Instalacao() / CL_ARQUIVO_MOCK_EXTRATO_TAVORIN; }
  std::filesystem::path MockBancoBrasil() const { return Instalacao() / CL_ARQUIVO_MOCK_EXTRATO_BANCO_BRASIL; }
  std::filesystem::path ArquivoTemporario(const std::string& nome) const { return m_raiz / nome; }

  // The lines stored for an account, in posting-date order.
  std::vector<CZQDadosCL_Extrato> Armazenadas(uint32_t conta) {
    CZQDadosCL_FiltroExtrato filtro;
    filtro.SetConta(conta);
    CZQVector<uint32_t> posicoes;
    CZQVector<CZQDadosCL_Extrato> linhas;
    EXPECT_EQ(m_hub->GetAcessoConciliacao()->BuscaPonteirosMovimentoExtrato(filtro, posicoes), S_OK);
    EXPECT_EQ(m_hub->GetAcessoConciliacao()->BuscaRegistrosMovimentoExtrato(filtro, posicoes, linhas), S_OK);
    return linhas.Std();
  }

  void Armazena(CZQDadosCL_Extrato linha) { ASSERT_EQ(m_hub->GetAcessoConciliacao()->GravaExtrato(linha), S_OK); }

  // Every record of the error log so far (header lines left out).
  std::vector<std::string> RegistrosLog() const {
    std::vector<std::string> registros;
    std::error_code ec;
    const std::filesystem::path raiz = m_raiz / "log";
    for (auto it = std::filesystem::recursive_directory_iterator(raiz, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_regular_file()) continue;
      std::istringstream conteudo(LeTudo(it->path()));
      std::string linha;
      while (std::getline(conteudo, linha)) {
        if (linha.rfind("Data\tHora\t", 0) != 0 && !linha.empty()) registros.push_back(linha);
      }
    }
    return registros;
  }

  // The records whose trace is of this expression, by this class and method.
  std::vector<std::string> Traces(const std::string& classeFuncao, const std::string& expressao) const {
    std::vector<std::string> achados;
    for (const std::string& r : RegistrosLog()) {
      if (r.find("\t" + classeFuncao + "\t") != std::string::npos &&
          r.find("\thr = " + expressao + "\thr = 0X") != std::string::npos) {
        achados.push_back(r);
      }
    }
    return achados;
  }

  std::filesystem::path m_raiz;
  std::vector<std::unique_ptr<zq_teste::AmbienteTrocado>> m_variaveis;
  CZQRelogioFixo m_relogio{CZQDma(20, 11, 2026), zq::MontaHms(10, 0, 0)};
  const IZQRelogio* m_relogioAnterior = nullptr;
  std::shared_ptr<CZQBancoSQL> m_banco;
  std::unique_ptr<CZQAcessoServidoresSQL> m_hub;
  CZQProfilerEmpresa m_pessoa{"IMPORTA", 7, 42};
};

}  // namespace cl_teste

namespace cl_teste {

// One transaction of a synthetic OFX statement.
struct Transacao {
  std::string tipo;   // TRNTYPE
  std::string data;   // DTPOSTED
  std::string valor;  // TRNAMT
  std::string memo;
  std::string documento = {};  // CHECKNUM, when not empty
};

// An SGML statement (OFX 1.02) with these transactions, one element per line.
inline std::string Ofx(const std::vector<Transacao>& transacoes) {
  std::string t =
      "OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\nCHARSET:1252\r\n\r\n<OFX>\r\n<BANKMSGSRSV1>\r\n<STMTTRNRS>\r\n"
      "<STMTRS>\r\n<BANKTRANLIST>\r\n";
  int fitid = 1;
  for (const Transacao& x : transacoes) {
    t += "<STMTTRN>\r\n<TRNTYPE>" + x.tipo + "\r\n<DTPOSTED>" + x.data + "\r\n<TRNAMT>" + x.valor + "\r\n<FITID>" +
         std::to_string(fitid++) + "\r\n";
    if (!x.documento.empty()) t += "<CHECKNUM>" + x.documento + "\r\n";
    t += "<MEMO>" + x.memo + "\r\n</STMTTRN>\r\n";
  }
  t += "</BANKTRANLIST>\r\n</STMTRS>\r\n</STMTTRNRS>\r\n</BANKMSGSRSV1>\r\n</OFX>\r\n";
  return t;
}

}  // namespace cl_teste
