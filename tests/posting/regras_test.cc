#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/access/zq_acesso_indisponivel.h"
#include "posting/lanca_auto_teste_util.h"
#include "store/zq_falhas_injetadas.h"

namespace {

using zq_lanca::Conciliacao;
using zq_lanca::LancaAutoTest;
using zq_lanca::Linha;
using zq_lanca::Regra;

struct CasoIndice {
  const char* nome;
  std::vector<Regra> regras;
  std::map<std::string, int> chaves;
  std::vector<std::string> historicos;
};

// The index as rule position by key, from the keys each rule gives in turn.
std::map<std::string, int> Chaves(const std::vector<std::vector<std::string>>& porRegra) {
  std::map<std::string, int> m;
  for (std::size_t i = 0; i < porRegra.size(); ++i)
    for (const std::string& chave : porRegra[i]) m.emplace(chave, static_cast<int>(i));
  return m;
}

class IndiceTest : public LancaAutoTest, public ::testing::WithParamInterface<CasoIndice> {};

TEST_P(IndiceTest, CadaRegraDaSuasTresChavesSemTirarAsQueJaExistem) {
  const CasoIndice& caso = GetParam();
  GravaRegras(caso.regras);
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);

  EXPECT_EQ(m_rotina.IndiceTexto(), caso.chaves);
  std::vector<std::string> historicos;
  for (const CZQString& h : m_rotina.Historicos()) historicos.push_back(h.str());
  EXPECT_EQ(historicos, caso.historicos);
  ASSERT_EQ(m_rotina.Quantidade(), caso.regras.size());
  ASSERT_EQ(static_cast<std::size_t>(m_rotina.Regras().GetQuantidade()), caso.regras.size());
  // The rules come in the server's order, as they were written.
  for (std::size_t i = 0; i < caso.regras.size(); ++i) {
    EXPECT_EQ(m_rotina.Regras()[i].szCodigoMvtoBco.Get().str(), caso.regras[i].codigo) << i;
    EXPECT_EQ(m_rotina.Regras()[i].lPonteiroConta, caso.regras[i].conta) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Regras, IndiceTest,
    ::testing::Values(
        CasoIndice("sentido_pela_conta_contabil_de_entrada",
                   {{.codigo = "105", .historico = "TARIFA", .conta = 111, .contabilSaida = 51},
                    {.codigo = "110", .historico = "JUROS", .conta = 111, .contabilEntrada = 42}},
                   Chaves({{"111-105", "111-TARIFA", "111-TARIFA-S"}, {"111-110", "111-JUROS", "111-JUROS-E"}}),
                   {"TARIFA", "JUROS"}),
        CasoIndice("primeira_regra_fica_com_a_chave",
                   {{.codigo = "105", .historico = "TARIFA", .conta = 111},
                    {.codigo = "105", .historico = "TARIFA DOC", .conta = 111},
                    {.codigo = "106", .historico = "TARIFA", .conta = 111, .contabilEntrada = 9}},
                   Chaves({{"111-105", "111-TARIFA", "111-TARIFA-S"},
                           {"111-TARIFA DOC", "111-TARIFA DOC-S"},
                           {"111-106", "111-TARIFA-E"}}),
                   {"TARIFA", "TARIFA DOC", "TARIFA"}),
        CasoIndice("codigo_e_historico_iguais_dividem_a_chave",
                   {{.codigo = "", .historico = "PIX", .conta = 111}, {.codigo = "PIX", .historico = "", .conta = 111}},
                   Chaves({{"111-", "111-PIX", "111-PIX-S"}, {"111--S"}}), {"PIX", ""}),
        CasoIndice("regras_de_todas_as_contas_e_de_uma_conta",
                   {{.codigo = "105", .historico = "TARIFA", .conta = 0},
                    {.codigo = "105", .historico = "TARIFA", .conta = 113}},
                   Chaves({{"0-105", "0-TARIFA", "0-TARIFA-S"}, {"113-105", "113-TARIFA", "113-TARIFA-S"}}),
                   {"TARIFA", "TARIFA"}),
        CasoIndice("chaves_e_textos_em_maiusculas",
                   {{.codigo = "ab1", .historico = "tarifa só", .conta = 111, .contabilEntrada = 1}},
                   Chaves({{"111-AB1", "111-TARIFA SÓ", "111-TARIFA SÓ-E"}}), {"TARIFA SÓ"})),
    [](const ::testing::TestParamInfo<CasoIndice>& info) { return std::string(info.param.nome); });

const std::vector<Regra> kRegrasA = {
    {.codigo = "105", .historico = "TARIFA", .conta = 111, .contabilSaida = 51},
    {.codigo = "110", .historico = "JUROS", .conta = 0, .contabilEntrada = 42},
    {.codigo = "", .historico = "PIX RECEBIDO", .conta = 111, .contabilEntrada = 11},
};

TEST_F(LancaAutoTest, RecargaSoAcrescentaChavesEAsExistentesGuardamAPrimeiraPosicao) {
  GravaRegras(kRegrasA);
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  const auto antes = m_rotina.IndiceTexto();

  GravaRegras(
      {{.codigo = "999", .historico = "NOVO", .conta = 111}, {.codigo = "105", .historico = "OUTRO", .conta = 111}});
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);

  const auto depois = m_rotina.IndiceTexto();
  for (const auto& [chave, posicao] : antes) {
    ASSERT_EQ(depois.count(chave), 1u) << chave;
    EXPECT_EQ(depois.at(chave), posicao) << chave;
  }
  EXPECT_EQ(depois.at("111-999"), 0);
  EXPECT_EQ(depois.at("111-OUTRO"), 1);
  EXPECT_EQ(depois.at("111-105"), 0);  // kept from the first load
  EXPECT_EQ(depois.size(), antes.size() + 5);
  ASSERT_EQ(m_rotina.Regras().GetQuantidade(), 2);
  EXPECT_EQ(m_rotina.Regras()[0].szCodigoMvtoBco.Get(), CZQString("999"));
  ASSERT_EQ(m_rotina.Historicos().GetQuantidade(), 2);
  EXPECT_EQ(m_rotina.Historicos()[1], CZQString("OUTRO"));
}

TEST_F(LancaAutoTest, ServidorSemRegrasDeixaRegrasEIndiceComoEstavam) {
  GravaRegras(kRegrasA);
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  const auto indice = m_rotina.IndiceTexto();
  const auto regras = m_rotina.Regras();

  GravaRegras({});
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);

  EXPECT_EQ(m_rotina.IndiceTexto(), indice);
  EXPECT_TRUE(m_rotina.Regras() == regras);
  EXPECT_EQ(m_rotina.Quantidade(), 0);
  // The history texts are read afresh every time: without them no line finds a rule.
  EXPECT_TRUE(m_rotina.Historicos().IsEmpty());
  EXPECT_EQ(m_rotina.ResolvePropriedade(111, Linha("TARIFA", "105", '-'), ZQ_RESOLUCAO_TESTE), -1);
}

TEST_F(LancaAutoTest, ListaDeRegrasReservaPeloMenosCemDeUmaVez) {
  GravaRegras(kRegrasA);
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  EXPECT_GE(m_rotina.CapacidadeRegras(), 100u);

  std::vector<Regra> muitas;
  for (int i = 0; i < 150; ++i) muitas.push_back({.codigo = std::to_string(1000 + i), .historico = "", .conta = 111});
  GravaRegras(muitas);
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  EXPECT_EQ(m_rotina.Regras().GetQuantidade(), 150);
  EXPECT_GE(m_rotina.CapacidadeRegras(), 150u);
}

struct CasoFalhaCarga {
  const char* operacao;
  const char* expressao;
  bool registrosZerados;  // the failure came after the rule array was resized
};

class FalhaCargaTest : public LancaAutoTest, public ::testing::WithParamInterface<CasoFalhaCarga> {};

TEST_P(FalhaCargaTest, CargaTerminaComOHresultRastreadoENadaDoQueJaHaviaSePerde) {
  const CasoFalhaCarga& caso = GetParam();
  GravaRegras(kRegrasA);
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  const auto indice = m_rotina.IndiceTexto();

  const HRESULT falha = ZQ_HR(0x80070005);
  CZQFalhasInjetadas falhas;
  falhas.Falha(caso.operacao, 1, falha);
  CZQInjecaoFalhas injecao(falhas);
  ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);  // a new hub, decorated

  EXPECT_EQ(m_rotina.BuscaPropriedades(), falha);
  EXPECT_TRUE(Rastreou(caso.expressao, falha)) << LogErros();
  EXPECT_EQ(falhas.FalhasOcorridas(), std::vector<std::string>{std::string(caso.operacao) + "#1"});
  EXPECT_EQ(m_rotina.IndiceTexto(), indice);
  EXPECT_TRUE(m_rotina.Historicos().IsEmpty());
  EXPECT_EQ(m_rotina.GetErro().GetHR(), falha);
  if (caso.registrosZerados) {
    ASSERT_EQ(m_rotina.Regras().GetQuantidade(), static_cast<long>(kRegrasA.size()));
    for (const auto& r : m_rotina.Regras()) EXPECT_TRUE(r == _REG_PROP_CONC_TESBAN_PS{});
  } else {
    EXPECT_EQ(m_rotina.Regras()[0].szCodigoMvtoBco.Get(), CZQString("105"));
  }

  // The posting test checks the load too: the failure is traced at both levels.
  falhas.Limpa();
  falhas.Falha(caso.operacao, 1, falha);
  bool bTem = true;
  EXPECT_EQ(m_rotina.TesteLancamentoAutomatico(Conciliacao(), bTem), falha);
  EXPECT_FALSE(bTem);
  EXPECT_TRUE(Rastreou("BuscaPropriedades()", falha)) << LogErros();
}

INSTANTIATE_TEST_SUITE_P(
    Servidor, FalhaCargaTest,
    ::testing::Values(CasoFalhaCarga("GetICLMestre", "GetAcessoConciliacao()->GetICLMestre(pIMestreCL)", false),
                      CasoFalhaCarga("BuscaQuantProTesBan", "pIMestreCL->BuscaQuantProTesBan(&m_iQtdMovimentosProp)",
                                     false),
                      CasoFalhaCarga("BuscaRegistrosTesBan",
                                     "pIMestreCL->BuscaRegistrosTesBan(m_iQtdMovimentosProp, "
                                     "m_RegMovimentosProp.GetData())",
                                     true)),
    [](const ::testing::TestParamInfo<CasoFalhaCarga>& info) { return std::string(info.param.operacao); });

TEST_F(LancaAutoTest, ResultadoIgnoradoPelaVerificacaoNaoInterrompeACarga) {
  GravaRegras(kRegrasA);
  ASSERT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  const std::size_t linhas = LinhasLog();

  // The count call is passed over: the count stays as the last load left it.
  CZQFalhasInjetadas falhas;
  falhas.Falha("BuscaQuantProTesBan", 1, ZQ_HR_IGNORADO);
  CZQInjecaoFalhas injecao(falhas);
  ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);

  EXPECT_EQ(m_rotina.BuscaPropriedades(), S_OK);
  EXPECT_EQ(LinhasLog(), linhas);
  EXPECT_EQ(falhas.Chamadas("BuscaRegistrosTesBan"), 1);
  EXPECT_EQ(m_rotina.Historicos().GetQuantidade(), 3);
}

TEST_F(LancaAutoTest, SemServidoresACargaFalhaRastreada) {
  ZQRemoveArmazemSQL();
  ASSERT_EQ(m_rotina.Inicializa(&m_perfil), S_OK);

  const HRESULT hr = m_rotina.BuscaPropriedades();
  EXPECT_EQ(hr, ZQ_E_SERVIDORES_INDISPONIVEIS);
  EXPECT_TRUE(Rastreou("GetAcessoConciliacao()->GetICLMestre(pIMestreCL)", hr)) << LogErros();
  EXPECT_EQ(m_rotina.GetErro().GetTextoMostraMensagem().str(),
            "Os servidores de acesso a dados não estão disponíveis para esta rotina.");
  bool bTem = true;
  EXPECT_EQ(m_rotina.TesteLancamentoAutomatico(Conciliacao(), bTem), hr);
  EXPECT_FALSE(bTem);
}

}  // namespace
