#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/zq_mensagens.h"
#include "frame/zq_trata_dados.h"
#include "import/importacao_teste_util.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_falhas_injetadas.h"

// The company the save-time validators are tried on: one branch, bank accounts of every
// kind of online source, accounts a service rule may not take, three layouts, an
// accounting period wide enough for five years back, and a movement lock date.
namespace cl_validacao {

// Chart accounts.
constexpr uint32_t kCaixa = 101;                 // not a bank account
constexpr uint32_t kTavorin = 201;               // Tavorin, statement flag, environment
constexpr uint32_t kBancoBrasil = 202;           // Banco do Brasil, statement flag, only the BB statement environment
constexpr uint32_t kBancoBrasilSemFlag = 203;    // Banco do Brasil, payments only
constexpr uint32_t kSemIntegracao = 204;         // a bank with no online source at all
constexpr uint32_t kTavorinSemAmbiente = 205;    // Tavorin without any environment
constexpr uint32_t kTavorinSemFlag = 206;        // Tavorin, environment, no statement flag
constexpr uint32_t kTipoInvalido = 207;          // bank account of type 'X'
constexpr uint32_t kSintetica = 208;             // bank account of type 'S'
constexpr uint32_t kNaoBancoTipoInvalido = 209;  // neither a bank account nor of a valid type
constexpr uint32_t kInexistente = 999;           // not in the chart

// Layouts.
constexpr int32_t kLeiauteOnline = 1;    // described "Importação Online", separator 0
constexpr int32_t kLeiauteArquivo = 2;   // separator 1
constexpr int32_t kLeiauteComConta = 3;  // separator 7: every line carries its account

inline std::string CodigoProprio(uint32_t conta) { return "1.1.9." + std::to_string(conta); }

inline std::string ContaBanco(uint32_t conta, const char* tipo, int integrar, int operacao, int ambiente,
                              int ambienteBB) {
  return "{\"ponteiro\": " + std::to_string(conta) + ", \"codigo_proprio\": \"" + CodigoProprio(conta) +
         "\", \"nome\": \"Conta " + std::to_string(conta) + "\", \"tipo\": \"" + tipo +
         "\", \"banco\": {\"numero_banco\": " + (integrar == 2 ? "1" : "990") +
         ", \"nome_banco\": \"Banco\", \"agencia\": \"0001\", \"conta_corrente\": \"" + std::to_string(conta) +
         "-0\", \"integrar_com_terceiro\": " + std::to_string(integrar) +
         ", \"tipo_operacao\": " + std::to_string(operacao) + ", \"ambiente_integracao\": " + std::to_string(ambiente) +
         ", \"ambiente_integracao_bb_extrato\": " + std::to_string(ambienteBB) + "}}";
}

inline std::string ContaSemBanco(uint32_t conta, const char* tipo) {
  return "{\"ponteiro\": " + std::to_string(conta) + ", \"codigo_proprio\": \"" + CodigoProprio(conta) +
         "\", \"nome\": \"Conta " + std::to_string(conta) + "\", \"tipo\": \"" + tipo + "\"}";
}

// The document, with the movement lock date given ("" for none).
inline std::string Documento(const std::string& bloqueio = "31/12/2016") {
  std::string d =
      "{\"formato\": 1, \"empresa\": {\"codigo\": \"VALIDA\", \"nome\": \"Empresa das Validações\", "
      "\"documento\": \"00.000.000/0010-00\"}, "
      "\"filiais\": [{\"ponteiro\": 1, \"codigo\": \"0001\", \"nome\": \"Matriz\", \"documento\": "
      "\"00.000.000/0010-00\", \"feriados\": []}], \"plano_contas\": [";
  d += ContaSemBanco(kCaixa, "A") + ", ";
  d += ContaBanco(kTavorin, "A", 1, 4, 1, 0) + ", ";
  d += ContaBanco(kBancoBrasil, "A", 2, 4, 0, 1) + ", ";
  d += ContaBanco(kBancoBrasilSemFlag, "A", 2, 2, 1, 1) + ", ";
  d += ContaBanco(kSemIntegracao, "A", 0, 0, 0, 0) + ", ";
  d += ContaBanco(kTavorinSemAmbiente, "A", 1, 4, 0, 0) + ", ";
  d += ContaBanco(kTavorinSemFlag, "A", 1, 0, 1, 0) + ", ";
  d += ContaBanco(kTipoInvalido, "X", 1, 4, 1, 0) + ", ";
  d += ContaBanco(kSintetica, "S", 1, 4, 1, 0) + ", ";
  d += ContaSemBanco(kNaoBancoTipoInvalido, "X");
  d += "], \"leiautes\": ["
       "{\"posicao\": 1, \"descricao\": \"Importação Online\", \"separador\": 0}, "
       "{\"posicao\": 2, \"descricao\": \"Extrato em colunas\", \"separador\": 1, \"tipo_arquivo\": 1}, "
       "{\"posicao\": 3, \"descricao\": \"Extrato com a conta\", \"separador\": 7, \"tipo_arquivo\": 1}], ";
  d += bloqueio.empty() ? std::string("\"mestre\": {}, ")
                        : "\"mestre\": {\"data_bloqueio_movimentacao\": \"" + bloqueio + "\"}, ";
  d += "\"mestre_empresa\": {\"data_inferior_lancamento\": \"01/01/2015\", \"data_superior_lancamento\": "
       "\"31/12/2035\"}, "
       "\"periodo_contabil\": {\"data_inferior_movimentacao\": \"01/01/2015\", \"data_superior_movimentacao\": "
       "\"31/12/2035\"}}";
  return d;
}

inline constexpr HRESULT kFalhaLeitura = ZQ_HR(0x8007001F);

// The import environment (store installed as the process's servers, logs, message
// library, clock at 20/11/2026 10:00) over the validation company.
class AmbienteValidacaoTest : public cl_teste::AmbienteImportacaoTest {
 protected:
  void SetUp() override {
    AmbienteImportacaoTest::SetUp();
    if (HasFatalFailure()) return;
    Carrega(Documento());
  }

  void Carrega(const std::string& documento) {
    CZQDadosDF_Erro erro;
    ZQProblemaArquivoEmpresa problema;
    ASSERT_EQ(ZQCarregaDocumentoEmpresa(*m_banco, documento, erro, &problema), S_OK)
        << problema.campo << ": " << problema.mensagem;
  }

  void Hoje(int dia, int mes, int ano) { m_relogio.Define(CZQDma(dia, mes, ano), zq::MontaHms(10, 0, 0)); }

  // Hands the found inconsistency on, as a screen's handler would receive it.
  struct Coletor : IZQTrataInconsistencia {
    int TrataInconsistencia(const CZQDadosDF_Erro& erro) override {
      recebidos.push_back(erro);
      return 0;
    }
    std::vector<CZQDadosDF_Erro> recebidos;
  };

  // A record of the wrong class is refused with `classe` and `valor`, reading nothing, and
  // the refusal reaches the screen's handler.
  template <typename Validador>
  void ConfereRegistroErrado(TZQBaseParaDados* registro, long valor, long classe = 2105) {
    std::unique_ptr<TZQBaseParaDados> dono(registro);
    CZQFalhasInjetadas falhas;
    CZQInjecaoFalhas injecao(falhas);
    Validador validador;
    ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);
    Coletor coletor;
    const CZQDadosDF_Erro& erro = validador.TrataGravacao(registro, &coletor);
    EXPECT_EQ(erro.GetTipoErro(), ZQ_TIPO_ERRO_HRESULT);
    EXPECT_EQ(erro.GetHR(), ZQ_HR(0x80FF0D12));
    EXPECT_EQ(erro.GetClasse(), classe);
    EXPECT_EQ(erro.GetValor(), valor);
    EXPECT_TRUE(falhas.TodasChamadas().empty());
    ASSERT_EQ(coletor.recebidos.size(), 1u);
    EXPECT_EQ(coletor.recebidos[0], erro);
  }

  // The `chamada`-th call of `operacao` fails: the check stops there, traces it once in
  // `funcao` and answers with the server's own error. Gives the calls made.
  template <typename Validador, typename Registro>
  std::map<std::string, long> ConfereFalhaLeitura(const char* operacao, long chamada, Registro registro,
                                                  const char* funcao, const char* expressao) {
    CZQDadosDF_Erro erroServidor;
    erroServidor.SetErro(kFalhaLeitura, 31, 9);
    erroServidor.SetTexto("Plano de contas indisponível");
    CZQFalhasInjetadas falhas;
    falhas.Falha(operacao, chamada, kFalhaLeitura, erroServidor);
    CZQInjecaoFalhas injecao(falhas);
    Validador validador;
    EXPECT_EQ(validador.Inicializa(&m_pessoa), S_OK);

    const CZQDadosDF_Erro& erro = validador.TrataGravacao(&registro);

    EXPECT_EQ(falhas.FalhasOcorridas(),
              std::vector<std::string>{std::string(operacao) + "#" + std::to_string(chamada)});
    EXPECT_EQ(erro, erroServidor);
    EXPECT_EQ(erro.GetTextoMostraMensagem().str(), "Plano de contas indisponível");
    EXPECT_EQ(falhas.Chamadas(operacao), chamada);
    const std::vector<std::string> traces = Traces(funcao, expressao);
    EXPECT_EQ(traces.size(), 1u) << "expected the trace of " << expressao;
    if (!traces.empty()) {
      EXPECT_NE(traces[0].find("0X8007001F"), std::string::npos);
    }
    EXPECT_EQ(RegistrosLog().size(), 1u);
    return falhas.TodasChamadas();
  }
};

// The catalogue's text of a message of the module.
inline std::string Mensagem(long codigo) { return ZQGetMensagem(static_cast<unsigned long>(codigo), "CL"); }

// The catalogue's text with its one placeholder filled.
inline std::string MensagemCom(long codigo, const std::string& argumento) {
  std::string texto = Mensagem(codigo);
  const size_t p = texto.find("%s");
  if (p != std::string::npos) texto.replace(p, 2, argumento);
  return texto;
}

}  // namespace cl_validacao
