#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frame/zq_mensagens.h"
#include "importacao_teste_util.h"
#include "platform/components/zq_consulta_sistema_terceiro.h"

namespace {

using cl_teste::Dia;

// What the fake middleware answers, and what it was asked.
struct RoteiroConsulta {
  HRESULT hr = S_OK;
  ZQStatusConsultaSistemaTerceiro status = ZQ_STATUS_CONSULTA_SUCESSO;
  int64_t quantidade = 1;
  std::string documento;
  std::string mensagem;
  std::vector<CZQDadosCR_ExtratoBancoBrasil> linhasBB;
  std::vector<CZQDadosCR_ConsultaSistemaTerceiro> consultas;
};

class ConsultaFalsa : public IZQConsultaSistemaTerceiro {
 public:
  explicit ConsultaFalsa(RoteiroConsulta& roteiro) : m_roteiro(roteiro) {}
  HRESULT BuscaDados(const CZQDadosCR_ConsultaSistemaTerceiro& consulta, TZQBaseParaDados* resultado,
                     CZQDadosDF_Erro& erro) override {
    m_roteiro.consultas.push_back(consulta);
    if (auto* status = dynamic_cast<CZQDadosCR_StatusConsultaSistemaTerceiro*>(resultado)) {
      status->SetStatusConsulta(m_roteiro.status)
          .SetQuantidadeDocumentoRetorno(m_roteiro.quantidade)
          .SetMensagemRetorno(m_roteiro.mensagem);
      CZQVector<uint8_t> bytes;
      for (char c : m_roteiro.documento) bytes.Add(static_cast<uint8_t>(c));
      status->SetListaDocumentoRetorno(bytes);
    }
    if (auto* bb = dynamic_cast<CZQDadosCR_ConsultaExtratoBancoBrasil*>(resultado)) {
      for (const auto& l : m_roteiro.linhasBB) bb->GetListaExtratosBancoBrasil().Add(l);
    }
    if (FAILED(m_roteiro.hr)) erro.SetErro(m_roteiro.hr, ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO, 0);
    return m_roteiro.hr;
  }

 private:
  RoteiroConsulta& m_roteiro;
};

class FonteTest : public cl_teste::AmbienteImportacaoTest {
 protected:
  void SetUp() override {
    AmbienteImportacaoTest::SetUp();
    m_anterior = ZQDefineFabricaConsultaSistemaTerceiro(
        [this](const IZQDF_Profiler&) { return std::make_unique<ConsultaFalsa>(m_roteiro); });
    ASSERT_EQ(m_rotina.Inicializa(&m_pessoa), S_OK);
  }
  void TearDown() override {
    ZQDefineFabricaConsultaSistemaTerceiro(std::move(m_anterior));
    AmbienteImportacaoTest::TearDown();
  }

  CZQDadosDF_Erro& Tavorin(uint32_t conta, REG_ZQDMA inicial, REG_ZQDMA final) {
    return CCLImportacaoExtratoAcessoTeste::Tavorin(m_rotina, cl_teste::Pedido(conta, inicial, final), m_lista);
  }
  CZQDadosDF_Erro& BancoBrasil() {
    CZQDadosCL_FiltroImportacaoExtrato pedido = cl_teste::Pedido(113, Dia(1, 11, 2026), Dia(30, 11, 2026));
    pedido.SetFilial(65537);
    return CCLImportacaoExtratoAcessoTeste::BancoBrasil(m_rotina, pedido, m_lista);
  }
  std::vector<std::filesystem::path> ArquivosRelatorios() const {
    std::vector<std::filesystem::path> r;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(Relatorios(), ec)) r.push_back(e.path());
    return r;
  }

  RoteiroConsulta m_roteiro;
  ZQFabricaConsultaSistemaTerceiro m_anterior;
  CCLImportacaoExtrato m_rotina;
  CZQVector<CZQDadosCL_Extrato> m_lista;
};

const char kErroOnline[] = "Erro na importação dos extratos online.";

TEST_F(FonteTest, TavorinAnswerIsSavedUnderTheAccountAndTodayAndRead) {
  m_relogio.Define(CZQDma(15, 3, 2024), zq::MontaHms(8, 30, 0));
  m_roteiro.documento = cl_teste::Ofx({{"DEBIT", "20240305", "-10,00", "TARIFA"}, {"CREDIT", "20240306", "5", "PIX"}});
  m_lista.Add(cl_teste::Linha(1, 1, 1, '+', "ja estava"));
  // A longer file of an earlier query of the day is written over, not appended to.
  const std::filesystem::path salvo = Relatorios() / "123ExtratoOnline150324.ofx";
  cl_teste::Escreve(salvo, std::string(100000, 'x'));
  const CZQDadosDF_Erro& erro = Tavorin(123, Dia(1, 3, 2024), Dia(31, 3, 2024));
  ASSERT_FALSE(erro.TemErro()) << erro.GetTextoMostraMensagem().c_str();

  ASSERT_EQ(m_roteiro.consultas.size(), 1u);
  const CZQDadosCR_ConsultaSistemaTerceiro& consulta = m_roteiro.consultas[0];
  EXPECT_EQ(consulta.GetTipoConsulta(), 6u);
  EXPECT_EQ(consulta.GetTipoPonteiroAuxiliar(), 1);
  EXPECT_EQ(consulta.GetPonteiroAuxiliar(), 123u);
  EXPECT_EQ(consulta.GetScope(), 0u);
  EXPECT_EQ(consulta.GetChaveConsulta(), "?inicio=2024-03-01&fim=2024-03-31&encoding=ofx");

  EXPECT_EQ(cl_teste::LeTudo(salvo), m_roteiro.documento);
  EXPECT_EQ(ArquivosRelatorios().size(), 1u);

  ASSERT_EQ(m_lista.GetQuantidade(), 3);  // appended to what the list held
  EXPECT_EQ(m_lista[1].GetHistBco(), "TARIFA");
  EXPECT_EQ(m_lista[2].GetHistBco(), "PIX");
  EXPECT_EQ(m_lista[2].GetConta(), 123u);
}

struct CasoRespostaTavorin {
  const char* nome;
  HRESULT hr;
  ZQStatusConsultaSistemaTerceiro status;
  int64_t quantidade;
  std::string mensagem;
  std::string esperado;  // "%E" stands for the error's description
};

class RespostaTavorinTest : public FonteTest, public ::testing::WithParamInterface<CasoRespostaTavorin> {};

TEST_P(RespostaTavorinTest, UnusableAnswerIsAWarningWithTheServicesMessage) {
  const CasoRespostaTavorin& c = GetParam();
  m_roteiro.hr = c.hr;
  m_roteiro.status = c.status;
  m_roteiro.quantidade = c.quantidade;
  m_roteiro.mensagem = c.mensagem;
  m_roteiro.documento = cl_teste::Ofx({{"DEBIT", "20261110", "-1,00", "NAO DEVE SER LIDA"}});
  const CZQDadosDF_Erro& erro = Tavorin(111, Dia(1, 11, 2026), Dia(30, 11, 2026));

  std::string esperado = c.esperado;
  const size_t marca = esperado.find("%E");
  if (marca != std::string::npos) {
    const std::string descricao = ZQGetErrorDescription(c.hr);
    ASSERT_FALSE(descricao.empty());
    esperado.replace(marca, 2, descricao);
  }
  EXPECT_TRUE(erro.EhAviso());
  EXPECT_EQ(erro.GetModuloMensagem(), ZQ_MODULO_CL);
  EXPECT_EQ(erro.GetCodigoMensagem(), 0);
  EXPECT_EQ(erro.GetTextoMostraMensagem().str(), esperado);
  EXPECT_EQ(m_lista.GetQuantidade(), 0);
  EXPECT_TRUE(ArquivosRelatorios().empty());
  EXPECT_EQ(Traces("CCLImportacaoExtrato::MontaListaExtratosTavorin",
                   "zqConsultaSistemaTerceiro.BuscaDados(dadosConsultaSistemaTerceiros, &dadosConsultaExtrato)")
                .size(),
            FAILED(c.hr) ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Respostas, RespostaTavorinTest,
    ::testing::Values(
        CasoRespostaTavorin{"success_without_document", S_OK, ZQ_STATUS_CONSULTA_SUCESSO, 0, "", kErroOnline},
        CasoRespostaTavorin{"without_document_with_message", S_OK, ZQ_STATUS_CONSULTA_SUCESSO, 0, "Sem movimento",
                            std::string(kErroOnline) + "\nRetorno API:\nSem movimento"},
        CasoRespostaTavorin{"status_error", S_OK, ZQ_STATUS_CONSULTA_ERRO, 1, "Conta 100234-7 inválida",
                            std::string(kErroOnline) + "\nRetorno API:\nConta 100234-7 inválida"},
        CasoRespostaTavorin{"message_is_text_not_format", S_OK, ZQ_STATUS_CONSULTA_ERRO, 1, "100% %s %d",
                            std::string(kErroOnline) + "\nRetorno API:\n100% %s %d"},
        CasoRespostaTavorin{"success_code_other_than_zero", S_FALSE, ZQ_STATUS_CONSULTA_SUCESSO, 1, "", kErroOnline},
        CasoRespostaTavorin{"query_failed", ZQ_E_CONSULTA_TEMPO_ESGOTADO, ZQ_STATUS_CONSULTA_NENHUM, 0, "",
                            std::string(kErroOnline) + "\nErro:\n%E"},
        CasoRespostaTavorin{"query_failed_with_message", ZQHResultStatusHttp(503), ZQ_STATUS_CONSULTA_ERRO, 0,
                            "manutenção", std::string(kErroOnline) + "\nRetorno API:\nmanutenção\nErro:\n%E"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(FonteTest, AnswerThatCannotBeSavedIsNotReadFromAnOlderFile) {
  cl_teste::Escreve(m_raiz / "bloqueio", "um arquivo onde deveria haver uma pasta");
  CZQConfiguracao::Global().Set("relatorios", (m_raiz / "bloqueio" / "relatorios").string());
  m_roteiro.documento = cl_teste::Ofx({{"DEBIT", "20261110", "-1,00", "A"}});
  const CZQDadosDF_Erro& erro = Tavorin(111, Dia(1, 11, 2026), Dia(30, 11, 2026));
  EXPECT_TRUE(erro.EhAviso());
  EXPECT_EQ(erro.GetCodigoMensagem(), 5813);
  EXPECT_EQ(m_lista.GetQuantidade(), 0);
}

CZQDadosCR_ExtratoBancoBrasil LinhaBB(uint64_t documento, tagCY valor, REG_ZQDMA data, const char* historico,
                                      char sinal) {
  CZQDadosCR_ExtratoBancoBrasil l;
  l.SetNumeroDocumento(documento)
      .SetValorLancamento(valor)
      .SetDataLancamento(data)
      .SetTextoDescricaoHistorico(historico)
      .SetIndicadorSinalLancamento(sinal)
      .SetDataMovimento(Dia(1, 1, 2020));
  return l;
}

TEST_F(FonteTest, BancoDoBrasilQueryAndMapping) {
  m_roteiro.linhasBB = {LinhaBB(123456789012345ULL, 359000, Dia(4, 11, 2026), "TARIFA PACOTE", 'D'),
                        LinhaBB(42, 12345600, Dia(5, 11, 2026), "PIX RECEBIDO", 'C'),
                        LinhaBB(9, 100000, Dia(6, 11, 2026), "BLOQUEIO", '*'),
                        LinhaBB(0, 0, Dia(30, 11, 2026), "SALDO", 'c')};
  m_lista.Add(cl_teste::Linha(1, 1, 1, '+', "apagada"));
  const CZQDadosDF_Erro& erro = BancoBrasil();
  ASSERT_FALSE(erro.TemErro()) << erro.GetTextoMostraMensagem().c_str();

  ASSERT_EQ(m_roteiro.consultas.size(), 1u);
  const CZQDadosCR_ConsultaSistemaTerceiro& consulta = m_roteiro.consultas[0];
  CZQDadosCR_FiltroConsultaExtratoBancoBrasil caminho;
  caminho.SetAgencia("1234-5")
      .SetConta("00056789-0")
      .SetDataInicioSolicitacao(Dia(1, 11, 2026))
      .SetDataFimSolicitacao(Dia(30, 11, 2026));
  ASSERT_EQ(caminho.MontaPathRequisicao(), S_OK);
  EXPECT_EQ(consulta.GetTipoConsulta(), 15u);
  EXPECT_EQ(consulta.GetTipoPonteiroAuxiliar(), 1);
  EXPECT_EQ(consulta.GetScope(), 12u);
  EXPECT_EQ(consulta.GetPonteiroAuxiliar(), 113u);
  EXPECT_EQ(consulta.GetChaveConsulta(), caminho.GetPathRequisicao());

  // The list is emptied first; rows keep the answer's order.
  ASSERT_EQ(m_lista.GetQuantidade(), 4);
  const char naturezas[] = {'-', '+', '-', '-'};
  for (long i = 0; i < 4; ++i) {
    const CZQDadosCL_Extrato& e = m_lista[static_cast<size_t>(i)];
    const CZQDadosCR_ExtratoBancoBrasil& o = m_roteiro.linhasBB[static_cast<size_t>(i)];
    EXPECT_EQ(e.GetDocumento(), static_cast<int64_t>(o.GetNumeroDocumento()));
    EXPECT_EQ(e.GetValor(), o.GetValorLancamento());
    EXPECT_EQ(e.GetDmaExtrato(), o.GetDataLancamento());
    EXPECT_EQ(e.GetHistBco(), o.GetTextoDescricaoHistorico());
    EXPECT_EQ(e.GetConta(), 113u);
    EXPECT_EQ(e.GetFilial(), 1);  // low 16 bits of 65537
    EXPECT_EQ(e.GetNatureza(), naturezas[i]) << i;
    EXPECT_EQ(e.GetDmaImportacao(), Dia(20, 11, 2026));
  }
}

TEST_F(FonteTest, BancoDoBrasilFailedQueryIsAWarningThatKeepsTheResult) {
  m_roteiro.hr = ZQHResultStatusHttp(503);
  m_roteiro.linhasBB = {LinhaBB(1, 100, Dia(4, 11, 2026), "NAO", 'C')};
  const CZQDadosDF_Erro& erro = BancoBrasil();
  EXPECT_TRUE(erro.EhAviso());
  EXPECT_EQ(erro.GetModuloMensagem(), ZQ_MODULO_CL);
  EXPECT_EQ(erro.GetHR(), ZQHResultStatusHttp(503));
  EXPECT_EQ(erro.GetTextoMostraMensagem().str(),
            std::string(kErroOnline) + "\nErro:\n" + ZQGetErrorDescription(ZQHResultStatusHttp(503)));
  EXPECT_EQ(m_lista.GetQuantidade(), 0);
  EXPECT_EQ(Traces("CCLImportacaoExtrato::MontaListaExtratosBancoBrasil",
                   "zqConsultaSistemaTerceiro.BuscaDados(dadosConsultaSistemaTerceiros, &dadosConsultaExtrato)")
                .size(),
            1u);
}

TEST_F(FonteTest, BancoDoBrasilTestModeFileThatIsNoAnswerIsAWarning) {
  cl_teste::Escreve(MockBancoBrasil(), "{ isto não é json");
  const CZQDadosDF_Erro& erro = BancoBrasil();
  EXPECT_TRUE(erro.EhAviso());
  EXPECT_TRUE(FAILED(erro.GetHR()));
  EXPECT_EQ(erro.GetTextoMostraMensagem().str().rfind(std::string(kErroOnline) + "\nErro:\n", 0), 0u);
  EXPECT_TRUE(m_roteiro.consultas.empty());
  EXPECT_EQ(m_lista.GetQuantidade(), 0);
}

TEST_F(FonteTest, MiddlewareThatCannotBeBoundIsTracedAndItsErrorReturned) {
  ZQDefineFabricaConsultaSistemaTerceiro(nullptr);
  for (int fonte = 0; fonte < 2; ++fonte) {
    const CZQDadosDF_Erro& erro = fonte == 0 ? Tavorin(111, Dia(1, 11, 2026), Dia(30, 11, 2026)) : BancoBrasil();
    EXPECT_TRUE(erro.TemErro());
    EXPECT_EQ(erro.GetHR(), ZQ_E_CONSULTA_NAO_INSTALADA);
    EXPECT_FALSE(erro.GetTextoMostraMensagem().IsEmpty());
  }
  EXPECT_EQ(
      Traces("CCLImportacaoExtrato::MontaListaExtratosTavorin", "zqConsultaSistemaTerceiro.Inicializa(this)").size(),
      1u);
  EXPECT_EQ(Traces("CCLImportacaoExtrato::MontaListaExtratosBancoBrasil", "zqConsultaSistemaTerceiro.Inicializa(this)")
                .size(),
            1u);
}

}  // namespace
