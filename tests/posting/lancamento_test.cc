#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/components/zq_interacao.h"
#include "posting/lanca_auto_teste_util.h"
#include "store/zq_falhas_injetadas.h"

namespace {

using zq_lanca::Conciliacao;
using zq_lanca::Dia;
using zq_lanca::LancaAutoTest;
using zq_lanca::Linha;
using zq_lanca::Regra;
using zq_lanca::Rotina;

_REG_PROP_CONC_TESBAN_PS RegraEntrada(char agrupa) {
  _REG_PROP_CONC_TESBAN_PS r{};
  r.szCodigoMvtoBco.Set("105");
  r.szHistoricoBco.Set("TARIFA");
  r.cAgrupa = agrupa;
  r.iTransacao = 0x0107;
  r.iPosFormaPagamento = 0x0205;
  r.iComplHistorico = 2;
  r.iContabilSaida = 51;
  r.lHistorico = 9;
  r.iPosFormaPagamentoSaida = 3;
  r.iContabilEntrada = 42;
  r.lPosClassificacao = 501;
  r.lContaContrapartida = 601;
  r.lPonteiroConta = 111;
  return r;
}

using Imagem = std::array<unsigned char, sizeof(tagREG_TESOURARIAPS)>;

template <typename T>
void Poe(Imagem& imagem, std::size_t deslocamento, T valor) {
  std::memcpy(imagem.data() + deslocamento, &valor, sizeof valor);
}

struct CasoEntrada {
  const char* nome;
  char natureza;
  char agrupa;
  int64_t documento;
  const char* textoDocumento;
  uint32_t contaEnt;
  uint32_t contaSai;
  uint16_t contabil;
  uint8_t forma;
};

class EntradaTest : public LancaAutoTest, public ::testing::WithParamInterface<CasoEntrada> {};

TEST_P(EntradaTest, CadaCampoNoSeuDeslocamentoEORestoZerado) {
  const CasoEntrada& caso = GetParam();
  const REG_ZQDMA data = Dia(10, 3, 2026);
  const CZQDadosCL_Extrato linha = Linha("TARIFA PACOTE", "105", caso.natureza, 111, 150000, data, caso.documento);

  const tagREG_TESOURARIAPS entrada = m_rotina.GeraLancamento(7, 111, 987654, RegraEntrada(caso.agrupa), linha);

  Imagem esperado{};
  Poe<tagCY>(esperado, 0, 987654);
  Poe<REG_ZQDMA>(esperado, 24, data);
  Poe<REG_ZQDMA>(esperado, 28, data);
  Poe<REG_ZQDMA>(esperado, 32, data);
  Poe<uint32_t>(esperado, 56, caso.contaEnt);
  Poe<uint32_t>(esperado, 60, caso.contaSai);
  Poe<uint32_t>(esperado, 64, 501);
  Poe<uint32_t>(esperado, 68, 501);
  Poe<uint16_t>(esperado, 170, 7);
  Poe<uint16_t>(esperado, 176, 9);
  Poe<uint16_t>(esperado, 184, caso.contabil);
  Poe<uint8_t>(esperado, 186, 0x07);
  Poe<uint8_t>(esperado, 188, caso.forma);
  esperado[193] = 'N';
  esperado[194] = 'N';
  esperado[199] = 'S';
  std::memcpy(esperado.data() + 241, caso.textoDocumento, std::strlen(caso.textoDocumento));

  Imagem obtido;
  std::memcpy(obtido.data(), &entrada, sizeof entrada);
  for (std::size_t i = 0; i < obtido.size(); ++i) {
    EXPECT_EQ(static_cast<int>(obtido[i]), static_cast<int>(esperado[i])) << "byte " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Linhas, EntradaTest,
    ::testing::Values(CasoEntrada{"credito", '+', 'N', 123456, "123456", 111, 601, 42, 0x05},
                      CasoEntrada{"debito", '-', 'N', 123456, "123456", 601, 111, 51, 3},
                      CasoEntrada{"sinal_desconhecido_sem_contas", '*', 'N', 5, "5", 0, 0, 0, 0},
                      CasoEntrada{"agrupado_leva_o_codigo_da_regra", '-', 'A', 123456, "105", 601, 111, 51, 3},
                      CasoEntrada{"documento_zero", '+', ' ', 0, "0", 111, 601, 42, 0x05},
                      CasoEntrada{"documento_negativo", '+', 'a', -42, "-42", 111, 601, 42, 0x05},
                      CasoEntrada{"documento_maximo", '+', 'N', INT64_MAX, "9223372036854775807", 111, 601, 42, 0x05}),
    [](const ::testing::TestParamInfo<CasoEntrada>& info) { return std::string(info.param.nome); });

// Rules, names and accounts the complements read: rule 0 with transaction 2, payment
// forms 5 (credit) and 2 (debit), classification account 501.
class ComplementoTest : public LancaAutoTest {
 protected:
  void SetUp() override {
    LancaAutoTest::SetUp();
    GravaRegras({{.codigo = "105",
                  .historico = "TARIFA",
                  .conta = 111,
                  .contabilSaida = 51,
                  .transacao = 2,
                  .forma = 5,
                  .formaSaida = 2,
                  .classificacao = 501}});
    CZQFonteTransacoesSQL transacoes(m_banco);
    ASSERT_EQ(transacoes.GravaTransacao(2, "Saída bancária"), S_OK);
    ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
    ASSERT_EQ(
        m_rotina.Plano().Inicializa(m_perfil.GetEmpresa(), m_perfil.GetUsuario(), m_perfil.GetNumeroSessao(), '0', '0'),
        S_OK);
    m_rotina.Plano().SetTrataErros(false);
    m_linha = Linha("Tarifa Pacote Servicos", "105", '-', 111, 150000, Dia(10, 3, 2026), 98765);
    m_entrada = m_rotina.GeraLancamento(7, 111, 150000, m_rotina.Regras()[0], m_linha);
    m_entrada.dmaDisponivel = Dia(12, 3, 2026);
  }

  CZQDadosCL_Extrato m_linha;
  tagREG_TESOURARIAPS m_entrada{};
};

struct CasoComplemento {
  uint16_t tipo;
  const char* esperado;
};

class ComplementoTipoTest : public ComplementoTest, public ::testing::WithParamInterface<CasoComplemento> {};

TEST_P(ComplementoTipoTest, TextoDoTipoSeguidoDeRetornoDeCarro) {
  CZQString texto("texto do chamador");
  EXPECT_EQ(m_rotina.GetComplHistorico(0, m_entrada, GetParam().tipo, m_linha, texto), S_OK);
  EXPECT_EQ(texto.str(), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(Tipos, ComplementoTipoTest,
                         ::testing::Values(CasoComplemento{0, "\r"}, CasoComplemento{1, "105\r"},
                                           CasoComplemento{2, "Tarifa Pacote Servicos\r"}, CasoComplemento{3, "7\r"},
                                           CasoComplemento{4, "Saída bancária\r"}, CasoComplemento{5, "10/03/26\r"},
                                           CasoComplemento{6, "12/03/26\r"}, CasoComplemento{7, "98765\r"},
                                           // The credit-side payment form, though the line is a debit.
                                           CasoComplemento{8, "Crédito em conta\r"},
                                           CasoComplemento{9, "Tarifas bancárias\r"}, CasoComplemento{10, "\r"},
                                           CasoComplemento{11, "texto do chamador\r"},
                                           CasoComplemento{0xFFFF, "texto do chamador\r"}),
                         [](const ::testing::TestParamInfo<CasoComplemento>& info) {
                           return "tipo_" + std::to_string(info.param.tipo);
                         });

TEST_F(ComplementoTest, TransacaoSemNomeOuPlanoFechadoDaoComplementoVazio) {
  ZQRemoveComponentesERPSQL();  // no transaction names, no chart
  CZQString texto("x");
  EXPECT_EQ(m_rotina.GetComplHistorico(0, m_entrada, 4, m_linha, texto), S_OK);
  EXPECT_EQ(texto.str(), "\r");

  CZQDadosCL_Extrato linha = m_linha;
  Rotina outra;
  ASSERT_EQ(outra.Inicializa(&m_perfil), S_OK);
  ASSERT_EQ(outra.BuscaPropriedades(), S_OK);
  outra.Plano().SetTrataErros(false);
  texto = "x";
  EXPECT_EQ(outra.GetComplHistorico(0, m_entrada, 9, linha, texto), S_OK);
  EXPECT_EQ(texto.str(), "\r");
}

TEST_F(ComplementoTest, FormaDePagamentoIlegivelFalhaRastreadaSemMexerNoTexto) {
  const HRESULT falha = ZQ_HR(0x80004005);
  CZQFalhasInjetadas falhas;
  falhas.Falha("LeBufferFormaPagamento", 1, falha);
  CZQInjecaoFalhas injecao(falhas);
  ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);

  CZQString texto("como estava");
  EXPECT_EQ(m_rotina.GetComplHistorico(0, m_entrada, 8, m_linha, texto), falha);
  EXPECT_EQ(texto.str(), "como estava");
  EXPECT_TRUE(
      Rastreou("GetAcessoEmpresarial()->LeBufferFormaPagamento(m_RegMovimentosProp[iIndiceProp]."
               "iPosFormaPagamento, &dadosFormaPagamento)",
               falha))
      << LogErros();
  EXPECT_EQ(m_rotina.GetErro().GetHR(), falha);
  EXPECT_EQ(falhas.Chamadas("LeBufferFormaPagamento"), 1);

  // The other types read nothing through the servers and never fail.
  for (uint16_t tipo : {0, 1, 2, 3, 5, 6, 7, 10}) {
    texto = "";
    EXPECT_EQ(m_rotina.GetComplHistorico(0, m_entrada, tipo, m_linha, texto), S_OK) << tipo;
  }
  EXPECT_EQ(falhas.Chamadas("LeBufferFormaPagamento"), 1);
}

TEST_F(ComplementoTest, FormaDePagamentoQueNaoExisteTambemFalha) {
  GravaRegras({{.codigo = "105", .historico = "TARIFA", .conta = 111, .contabilSaida = 51, .forma = 0}});
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  CZQString texto("como estava");
  const HRESULT hr = m_rotina.GetComplHistorico(0, m_entrada, 8, m_linha, texto);
  EXPECT_TRUE(FAILED(hr));
  EXPECT_EQ(texto.str(), "como estava");
  EXPECT_TRUE(
      Rastreou("GetAcessoEmpresarial()->LeBufferFormaPagamento(m_RegMovimentosProp[iIndiceProp]."
               "iPosFormaPagamento, &dadosFormaPagamento)",
               hr));
}

TEST_F(ComplementoTest, PosicaoSemRegraNaoLeForaDaLista) {
  for (uint16_t tipo : {1, 4, 8, 9}) {
    CZQString texto("como estava");
    EXPECT_EQ(m_rotina.GetComplHistorico(1, m_entrada, tipo, m_linha, texto), E_INVALIDARG) << tipo;
    EXPECT_EQ(texto.str(), "como estava");
  }
  CZQString texto;
  EXPECT_EQ(m_rotina.GetComplHistorico(1, m_entrada, 2, m_linha, texto), S_OK);
  EXPECT_EQ(texto.str(), "Tarifa Pacote Servicos\r");
}

TEST_F(LancaAutoTest, CopiaLevaRegrasIndiceEModo) {
  GravaRegras({{.codigo = "105", .historico = "TARIFA", .conta = 111, .contabilSaida = 51}});
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  EXPECT_FALSE(m_rotina.GetModoSilencioso());  // off as constructed
  m_rotina.SetModoSilencioso(true);
  const CZQDadosCL_Extrato linha = Linha("TARIFA", "105", '-');
  ASSERT_EQ(m_rotina.ResolvePropriedade(111, linha, ZQ_RESOLUCAO_LANCAMENTO), 0);

  Rotina copia(m_rotina);
  Rotina atribuida;
  atribuida = m_rotina;
  for (Rotina* r : {&copia, &atribuida}) {
    EXPECT_TRUE(r->GetModoSilencioso());
    EXPECT_EQ(r->IndiceTexto(), m_rotina.IndiceTexto());
    EXPECT_TRUE(r->Regras() == m_rotina.Regras());
    EXPECT_EQ(r->Quantidade(), 1);
    EXPECT_EQ(r->ResolvePropriedade(111, linha, ZQ_RESOLUCAO_LANCAMENTO), 0);
  }

  // The copies are not tied to the original: its next load leaves them as they were.
  GravaRegras({{.codigo = "200", .historico = "PIX", .conta = 111, .contabilSaida = 51}});
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  EXPECT_EQ(copia.Regras()[0].szCodigoMvtoBco.Get(), CZQString("105"));
  EXPECT_EQ(atribuida.IndiceTexto().count("111-PIX"), 0u);
  EXPECT_EQ(m_rotina.ResolvePropriedade(111, Linha("PIX", "", '-'), ZQ_RESOLUCAO_LANCAMENTO), 0);
  EXPECT_EQ(atribuida.ResolvePropriedade(111, Linha("PIX", "", '-'), ZQ_RESOLUCAO_LANCAMENTO), -1);
}

}  // namespace
