#include "frame/zq_erro.h"

#include <gtest/gtest.h>

#include <string>

#include "frame/zq_base_rotinas.h"
#include "frame/zq_excecao.h"
#include "support/ambiente.h"
#include "support/interacao.h"

namespace {

using zq_teste::InteracaoGravada;

struct TipoCaso {
  const char* nome;
  void (*marca)(CZQDadosDF_Erro&);
  bool aviso;
  bool questionamento;
  const char* texto;  // the text shown; null: any but the empty one
};

class TipoErroTest : public ::testing::TestWithParam<TipoCaso> {};

// Every kind is an error until cleared, and a cleared record is a new one.
TEST_P(TipoErroTest, CadaTipoEhErroAteSerLimpo) {
  const TipoCaso& c = GetParam();
  zq_teste::ComBiblioteca biblioteca;
  CZQDadosDF_Erro erro;
  EXPECT_TRUE(erro.EhErroNenhum());
  EXPECT_FALSE(erro.TemErro());
  c.marca(erro);
  EXPECT_TRUE(erro.TemErro());
  EXPECT_EQ(erro.EhAviso(), c.aviso);
  EXPECT_EQ(erro.EhQuestionamento(), c.questionamento);
  if (c.texto) {
    EXPECT_EQ(erro.GetTextoMostraMensagem().str(), c.texto);
  } else {
    EXPECT_FALSE(erro.GetTextoMostraMensagem().IsEmpty());
  }
  erro.LimpaErro();
  EXPECT_TRUE(erro.EhErroNenhum());
  EXPECT_EQ(erro, CZQDadosDF_Erro());
}

INSTANTIATE_TEST_SUITE_P(
    Tipos, TipoErroTest,
    ::testing::Values(
        TipoCaso{"aviso", [](CZQDadosDF_Erro& e) { e.SetAviso(ZQ_MODULO_CL, 5901, 0); }, true, false, nullptr},
        TipoCaso{"descarte", [](CZQDadosDF_Erro& e) { e.SetTipoErro(ZQ_TIPO_ERRO_DESCARTE); }, false, false, ""},
        TipoCaso{"hresult", [](CZQDadosDF_Erro& e) { e.SetErro(ZQ_E_REGISTRO_INVALIDO, 2105, -1); }, false, false,
                 nullptr},
        TipoCaso{"aviso_personalizado",
                 [](CZQDadosDF_Erro& e) {
                   e.SetAvisoPersonalizado(ZQ_MODULO_CL, 0, "Erro na importação dos extratos online: %s (%d)",
                                           CZQString("conta 7"), 3);
                 },
                 true, false, "Erro na importação dos extratos online: conta 7 (3)"},
        TipoCaso{"questionamento",
                 [](CZQDadosDF_Erro& e) { e.SetQuestionamentoPersonalizado(ZQ_MODULO_CL, 0, "Deseja continuar?"); },
                 false, true, "Deseja continuar?"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(CZQDadosDF_ErroTest, AvisoEErroGuardamModuloCodigoClasseEValor) {
  CZQDadosDF_Erro erro;
  erro.SetAviso(ZQ_MODULO_CL, 5824, 3);
  EXPECT_EQ(erro.GetModuloMensagem(), 10);
  EXPECT_EQ(erro.GetCodigoMensagem(), 5824);
  EXPECT_EQ(erro.GetValor(), 3);
  EXPECT_LT(erro.GetHR(), 0);
  EXPECT_EQ(HRESULT_FACILITY(erro.GetHR()), ZQ_FACILITY_CL_CONCILIACAO);
  EXPECT_EQ(HRESULT_CODE(erro.GetHR()), 5824u);
  erro.SetErro(ZQ_E_REGISTRO_INVALIDO, 2105, -1);
  EXPECT_EQ(erro.GetHR(), ZQ_E_REGISTRO_INVALIDO);
  EXPECT_EQ(erro.GetClasse(), 2105);
  EXPECT_EQ(erro.GetValor(), -1);
}

TEST(CZQDadosDF_ErroTest, TakingOverAnotherRecordCopiesEverything) {
  CZQDadosDF_Erro servidor;
  servidor.SetAvisoPersonalizado(ZQ_MODULO_CL, 5897, "texto %d", 1);
  CZQDadosDF_Erro meu;
  EXPECT_EQ(meu.SetErro(&servidor), servidor.GetHR());
  EXPECT_EQ(meu, servidor);
  meu.SetErro(static_cast<const CZQDadosDF_Erro*>(nullptr));
  EXPECT_TRUE(meu.EhErroNenhum());
}

struct MostraCaso {
  TipoBotao botoes;
  TipoBotaoDefault padrao;
  int esperado;
};

class MostraMensagemPadraoTest : public ::testing::TestWithParam<MostraCaso> {};

// Nobody to ask (a service): the default button answers.
TEST_P(MostraMensagemPadraoTest, DefaultInteractionAnswersWithTheDefaultButton) {
  CZQDadosDF_Erro erro;
  erro.SetQuestionamentoPersonalizado(ZQ_MODULO_CL, 0, "Pergunta");
  EXPECT_EQ(erro.MostraMensagem(nullptr, GetParam().botoes, GetParam().padrao), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(Botoes, MostraMensagemPadraoTest,
                         ::testing::Values(MostraCaso{ZQ_BOTAO_SIM_NAO, ZQ_BOTAO_DEFAULT_1, ZQ_IDYES},
                                           MostraCaso{ZQ_BOTAO_SIM_NAO, ZQ_BOTAO_DEFAULT_2, ZQ_IDNO},
                                           MostraCaso{ZQ_BOTAO_OK_CANCELAR, ZQ_BOTAO_DEFAULT_2, ZQ_IDCANCEL},
                                           MostraCaso{ZQ_BOTAO_SIM_NAO_CANCELAR, ZQ_BOTAO_DEFAULT_3, ZQ_IDCANCEL},
                                           MostraCaso{ZQ_BOTAO_OK, ZQ_BOTAO_DEFAULT_1, ZQ_IDOK}));

TEST(CZQDadosDF_ErroTest, InstalledInteractionSeesTextAndButtons) {
  InteracaoGravada interacao(ZQ_IDNO);
  CZQDadosDF_Erro erro;
  erro.SetQuestionamentoPersonalizado(ZQ_MODULO_CL, 0, "Gerar %s?", "lançamento");
  EXPECT_EQ(erro.MostraMensagem(nullptr, ZQ_BOTAO_SIM_NAO, ZQ_BOTAO_DEFAULT_2), ZQ_IDNO);
  ASSERT_EQ(interacao.textos.size(), 1u);
  EXPECT_EQ(interacao.textos[0], "Gerar lançamento?");
  EXPECT_EQ(interacao.ultimoIcone, ZQ_ICONE_QUESTAO);
  EXPECT_EQ(interacao.ultimosBotoes, ZQ_BOTAO_SIM_NAO);
  EXPECT_EQ(interacao.ultimoPadrao, ZQ_BOTAO_DEFAULT_2);
}

struct ExcecaoCaso {
  const char* nome;
  long codigo;
  int erroSO;
  const char* texto;
  unsigned int estilo;
  std::string inicio;
  bool temErroSO;
  TipoIcone icone;
};

class CZQExceptionTest : public ::testing::TestWithParam<ExcecaoCaso> {};

TEST_P(CZQExceptionTest, ReportErrorShowsTextOsErrorAndIcon) {
  const auto& caso = GetParam();
  InteracaoGravada interacao(ZQ_IDOK);
  CZQException excecao(caso.codigo, ZQ_MODULO_CL, caso.erroSO, caso.texto);
  excecao.ReportError(caso.estilo);
  ASSERT_EQ(interacao.textos.size(), 1u);
  const std::string& mostrado = interacao.textos[0];
  EXPECT_EQ(mostrado.rfind(caso.inicio, 0), 0u) << mostrado;
  EXPECT_EQ(mostrado.find("\nErro do SO: ") != std::string::npos, caso.temErroSO) << mostrado;
  EXPECT_EQ(interacao.ultimoIcone, caso.icone);
}

std::string NomeExcecao(const ::testing::TestParamInfo<ExcecaoCaso>& info) { return info.param.nome; }

INSTANTIATE_TEST_SUITE_P(
    Casos, CZQExceptionTest,
    ::testing::Values(
        ExcecaoCaso{"OwnText", 5901, 0, "Texto próprio", ZQ_MB_OK, "Texto próprio", false, ZQ_ICONE_AVISO},
        ExcecaoCaso{"UnknownCode", 999999, 0, nullptr, ZQ_MB_OK, "Erro desconhecido encontrado. Código (999999)", false,
                    ZQ_ICONE_AVISO},
        ExcecaoCaso{"OsError", 999999, 2, nullptr, ZQ_MB_ICONHAND,
                    "Erro desconhecido encontrado. Código (999999)\nErro do SO: 2 - ", true, ZQ_ICONE_ERRO},
        ExcecaoCaso{"InformationIcon", 1, 0, "x", ZQ_MB_ICONASTERISK, "x", false, ZQ_ICONE_INFORMACAO}),
    NomeExcecao);

TEST(CZQExceptionExTest, CopiesItsTextsAndKeepsTheCodes) {
  std::string mensagem = "Falha - descrição";
  CZQExceptionEx excecao(E_FAIL, 0, 0, "001", mensagem.c_str(), "arquivo.cc", 42, zq::DataHoraCompilacao());
  mensagem.assign("mudou");
  EXPECT_EQ(excecao.GetCodigo(), E_FAIL);
  EXPECT_EQ(excecao.GetCodigo2(), 0);
  EXPECT_EQ(excecao.GetEmpresa(), "001");
  EXPECT_EQ(excecao.GetMensagem(), "Falha - descrição");
  EXPECT_EQ(excecao.GetArquivo(), "arquivo.cc");
  EXPECT_EQ(excecao.GetLinha(), 42);
}

}  // namespace
