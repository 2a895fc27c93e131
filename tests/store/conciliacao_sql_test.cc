#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "frame/zq_relogio.h"
#include "platform/components/zq_bstr.h"
#include "store/zq_integracao_sql.h"
#include "store/zq_soci.h"
#include "support/armazem.h"

namespace {

using zq_teste::ArmazemTest;
using zq_teste::ArmazemVazioTest;
using zq_teste::Dia;
using zq_teste::Linha;
using zq_teste::TextoErro;

std::vector<uint32_t> Posicoes(const CZQVector<CZQDadosCL_Extrato>& extratos) {
  std::vector<uint32_t> r;
  for (const auto& e : extratos) r.push_back(e.GetPosicao());
  return r;
}

// ---- statement lines: round trip ----

struct LinhaCaso {
  const char* nome;
  CZQDadosCL_Extrato linha;
};

class ExtratoIdaVoltaTest : public ArmazemTest, public ::testing::WithParamInterface<LinhaCaso> {};

TEST_P(ExtratoIdaVoltaTest, StoredLineReadsBackEqual) {
  CZQDadosCL_Extrato linha = GetParam().linha;
  ASSERT_EQ(linha.GetPosicao(), 0u);
  ASSERT_EQ(Conc().GravaExtrato(linha), S_OK) << TextoErro(Conc().GetErro());
  ASSERT_NE(linha.GetPosicao(), 0u) << "the stored line got no position";

  CZQDadosCL_FiltroExtrato filtro;
  filtro.SetConta(linha.GetConta());
  CZQVector<uint32_t> posicoes;
  ASSERT_EQ(Conc().BuscaPonteirosMovimentoExtrato(filtro, posicoes), S_OK);
  ASSERT_EQ(posicoes.GetQuantidade(), 1);
  EXPECT_EQ(posicoes[0], linha.GetPosicao());
  CZQVector<CZQDadosCL_Extrato> lidas;
  ASSERT_EQ(Conc().BuscaRegistrosMovimentoExtrato(filtro, posicoes, lidas), S_OK);
  ASSERT_EQ(lidas.GetQuantidade(), 1);
  EXPECT_TRUE(lidas[0] == linha) << "hist '" << lidas[0].GetHistBco().c_str() << "' vs '" << linha.GetHistBco().c_str()
                                 << "'";
  EXPECT_FALSE(Conc().GetErro()->TemErro());

  // The same line through a batch, which goes to PostgreSQL by COPY.
  CZQVector<CZQDadosCL_Extrato> lote{GetParam().linha};
  ASSERT_EQ(Conc().GravaExtratos(lote), S_OK) << TextoErro(Conc().GetErro());
  ASSERT_EQ(Conc().BuscaRegistrosMovimentoExtrato(filtro, CZQVector<uint32_t>{lote[0].GetPosicao()}, lidas), S_OK);
  ASSERT_EQ(lidas.GetQuantidade(), 1);
  EXPECT_TRUE(lidas[0] == lote[0]) << "hist '" << lidas[0].GetHistBco().c_str() << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Linhas, ExtratoIdaVoltaTest,
    ::testing::Values(
        LinhaCaso{"Credit", Linha(111, 1, Dia(2, 12, 2026), 1234500, '+', "PIX RECEBIDO", "", 42)},
        LinhaCaso{"DebitWithCode", Linha(113, 1, Dia(3, 12, 2026), 8900, '-', "TARIFA", "105", 7)},
        LinhaCaso{"AccentsAndQuotes", Linha(111, 2, Dia(4, 12, 2026), 1, '-', "DÉBITO 'AUTOMÁTICO' ÇÃO \"X\"", "1'")},
        LinhaCaso{"ControlCharacters", Linha(111, 1, Dia(6, 12, 2026), 3, '+', "A\tB\nC\rD\\E \\.", "\\N")},
        LinhaCaso{"LongHistory", Linha(112, 1, Dia(5, 12, 2026), 5, '+', std::string(600, 'h').c_str())},
        LinhaCaso{"EmptyCodes", Linha(114, 2, 0, 0, '\0', "").SetConciliado('\0')},
        LinhaCaso{"Extremes",
                  Linha(std::numeric_limits<uint32_t>::max(), std::numeric_limits<uint16_t>::max(), 1048247,
                        std::numeric_limits<int64_t>::min(), '+', "X", "9999", std::numeric_limits<int64_t>::max())
                      .SetNumeroConciliacao(std::numeric_limits<uint32_t>::max())},
        LinhaCaso{"Reconciled", Linha(113, 1, Dia(1, 12, 2026), 100, '+', "TED RECEBIDA", "209")
                                    .SetConciliado('S')
                                    .SetTipoConciliacao('L')
                                    .SetNumeroConciliacao(17)}),
    [](const auto& info) { return info.param.nome; });

class ExtratoTest : public ArmazemTest {
 protected:
  // Ten lines over two accounts, two branches and a few days, some reconciled.
  void Povoa() {
    struct {
      uint32_t conta;
      uint16_t filial;
      int dia;
      char conciliado;
      char tipo;
      uint32_t numero;
    } linhas[] = {
        {111, 1, 3, 'N', 0, 0},   {111, 1, 1, 'S', 'L', 5}, {111, 2, 2, 'N', 0, 0}, {113, 1, 1, 'N', 0, 0},
        {111, 1, 2, 'S', 'M', 6}, {113, 1, 5, 'S', 'L', 1}, {111, 1, 1, 'N', 0, 0}, {111, 1, 30, 'N', 0, 0},
        {113, 2, 4, 'N', 0, 0},   {111, 1, 31, 'N', 0, 0},
    };
    for (const auto& l : linhas) {
      const int mes = l.dia == 31 ? 10 : l.dia == 30 ? 11 : 12;
      CZQDadosCL_Extrato e = Linha(l.conta, l.filial, Dia(l.dia, mes, 2026), 100 * l.dia, '+', "LINHA");
      e.SetConciliado(l.conciliado).SetTipoConciliacao(l.tipo).SetNumeroConciliacao(l.numero);
      ASSERT_EQ(Conc().GravaExtrato(e), S_OK) << TextoErro(Conc().GetErro());
      m_posicoes.push_back(e.GetPosicao());
    }
  }
  // Position of the i-th line of Povoa (1-based as in the table).
  uint32_t P(int i) const { return m_posicoes[static_cast<size_t>(i - 1)]; }

  std::vector<uint32_t> m_posicoes;
};

struct FiltroCaso {
  const char* nome;
  void (*monta)(CZQDadosCL_FiltroExtrato&);
  std::vector<int> esperadas;  // lines of Povoa, in the expected order
};

class FiltroExtratoTest : public ExtratoTest, public ::testing::WithParamInterface<FiltroCaso> {};

TEST_P(FiltroExtratoTest, SelectsInDateThenPositionOrder) {
  Povoa();
  CZQDadosCL_FiltroExtrato filtro;
  GetParam().monta(filtro);
  CZQVector<uint32_t> posicoes;
  ASSERT_EQ(Conc().BuscaPonteirosMovimentoExtrato(filtro, posicoes), S_OK) << TextoErro(Conc().GetErro());
  std::vector<uint32_t> esperadas;
  for (int i : GetParam().esperadas) esperadas.push_back(P(i));
  EXPECT_EQ(posicoes.Std(), esperadas);

  CZQVector<CZQDadosCL_Extrato> lidas;
  ASSERT_EQ(Conc().BuscaRegistrosMovimentoExtrato(filtro, posicoes, lidas), S_OK);
  EXPECT_EQ(Posicoes(lidas), esperadas);
}

INSTANTIATE_TEST_SUITE_P(
    Filtros, FiltroExtratoTest,
    ::testing::Values(
        FiltroCaso{"Everything", [](CZQDadosCL_FiltroExtrato&) {}, {10, 8, 2, 4, 7, 3, 5, 1, 9, 6}},
        FiltroCaso{"Account", [](CZQDadosCL_FiltroExtrato& f) { f.SetConta(113); }, {4, 9, 6}},
        FiltroCaso{
            "AccountAndBranch", [](CZQDadosCL_FiltroExtrato& f) { f.SetConta(111).SetFilial(1); }, {10, 8, 2, 7, 5, 1}},
        FiltroCaso{"Period",
                   [](CZQDadosCL_FiltroExtrato& f) {
                     f.SetConta(111).SetDataInicial(Dia(1, 12, 2026)).SetDataFinal(Dia(2, 12, 2026));
                   },
                   {2, 7, 3, 5}},
        FiltroCaso{"FromOnly", [](CZQDadosCL_FiltroExtrato& f) { f.SetDataInicial(Dia(4, 12, 2026)); }, {9, 6}},
        FiltroCaso{"UntilOnly", [](CZQDadosCL_FiltroExtrato& f) { f.SetDataFinal(Dia(30, 11, 2026)); }, {10, 8}},
        FiltroCaso{"Reconciled", [](CZQDadosCL_FiltroExtrato& f) { f.SetConciliado('S'); }, {2, 5, 6}},
        FiltroCaso{"Open", [](CZQDadosCL_FiltroExtrato& f) { f.SetConta(111).SetConciliado('N'); }, {10, 8, 7, 3, 1}},
        FiltroCaso{"ReconciledByPosting", [](CZQDadosCL_FiltroExtrato& f) { f.SetTipoConciliacao('L'); }, {2, 6}},
        FiltroCaso{"ReconciliationNumber", [](CZQDadosCL_FiltroExtrato& f) { f.SetNumeroConciliacao(6); }, {5}},
        FiltroCaso{"Nothing", [](CZQDadosCL_FiltroExtrato& f) { f.SetConta(114); }, {}}),
    [](const auto& info) { return info.param.nome; });

TEST_F(ExtratoTest, RecordsComeInTheOrderOfThePositionsAndOnlyWhatTheFilterStillSelects) {
  Povoa();
  CZQDadosCL_FiltroExtrato filtro;
  filtro.SetConta(111);
  CZQVector<uint32_t> pedidas{P(5), P(1), 999999, P(4) /* other account */, P(5), P(2)};
  CZQVector<CZQDadosCL_Extrato> lidas;
  ASSERT_EQ(Conc().BuscaRegistrosMovimentoExtrato(filtro, pedidas, lidas), S_OK);
  EXPECT_EQ(Posicoes(lidas), (std::vector<uint32_t>{P(5), P(1), P(5), P(2)}));

  CZQVector<CZQDadosCL_Extrato> nenhuma{Linha(1, 1, 1, 1, '+', "velha")};
  ASSERT_EQ(Conc().BuscaRegistrosMovimentoExtrato(filtro, CZQVector<uint32_t>{}, nenhuma), S_OK);
  EXPECT_EQ(nenhuma.GetQuantidade(), 0) << "the output list is replaced, not appended to";
}

TEST_F(ExtratoTest, ManyPositionsAreReadInParts) {
  CZQVector<CZQDadosCL_Extrato> muitas;
  for (int i = 0; i < 1203; ++i) muitas.Add(Linha(111, 1, Dia(1 + i % 28, 11, 2026), i, '-', "LOTE"));
  ASSERT_EQ(static_cast<CZQAcessoConciliacaoSQL&>(Conc()).GravaExtratos(muitas), S_OK);
  CZQDadosCL_FiltroExtrato filtro;
  CZQVector<uint32_t> posicoes;
  ASSERT_EQ(Conc().BuscaPonteirosMovimentoExtrato(filtro, posicoes), S_OK);
  ASSERT_EQ(posicoes.GetQuantidade(), 1203);
  std::reverse(posicoes.begin(), posicoes.end());
  CZQVector<CZQDadosCL_Extrato> lidas;
  ASSERT_EQ(Conc().BuscaRegistrosMovimentoExtrato(filtro, posicoes, lidas), S_OK);
  EXPECT_EQ(Posicoes(lidas), posicoes.Std());
}

TEST_F(ExtratoTest, LineWithPositionReplacesTheStoredOne) {
  Povoa();
  CZQDadosCL_FiltroExtrato filtro;
  CZQVector<CZQDadosCL_Extrato> lidas;
  ASSERT_EQ(Conc().BuscaRegistrosMovimentoExtrato(filtro, CZQVector<uint32_t>{P(3)}, lidas), S_OK);
  ASSERT_EQ(lidas.GetQuantidade(), 1);
  CZQDadosCL_Extrato marcada = lidas[0];
  marcada.SetConciliado('S').SetTipoConciliacao('L').SetNumeroConciliacao(77).SetConta(113);
  ASSERT_EQ(Conc().GravaExtrato(marcada), S_OK);
  EXPECT_EQ(marcada.GetPosicao(), P(3));

  filtro.SetNumeroConciliacao(77);
  CZQVector<uint32_t> posicoes;
  ASSERT_EQ(Conc().BuscaPonteirosMovimentoExtrato(filtro, posicoes), S_OK);
  EXPECT_EQ(posicoes.Std(), std::vector<uint32_t>{P(3)});
  ASSERT_EQ(Conc().BuscaRegistrosMovimentoExtrato(filtro, posicoes, lidas), S_OK);
  EXPECT_TRUE(lidas[0] == marcada);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato"), 10);
}

CZQDadosCL_Extrato ComPosicao(CZQDadosCL_Extrato e, uint32_t posicao) {
  e.SetChaveRegistro(ZQMontaDmc(0, posicao));
  return e;
}

struct GravacaoRuim {
  const char* nome;
  CZQDadosCL_Extrato linha;
  HRESULT esperado;
  const char* trecho;
};

class GravacaoRuimTest : public ArmazemTest, public ::testing::WithParamInterface<GravacaoRuim> {};

TEST_P(GravacaoRuimTest, FailsWithItsErrorAndStoresNothing) {
  CZQDadosCL_Extrato linha = GetParam().linha;
  const uint32_t posicaoAntes = linha.GetPosicao();
  EXPECT_EQ(Conc().GravaExtrato(linha), GetParam().esperado);
  EXPECT_EQ(linha.GetPosicao(), posicaoAntes);
  const CZQDadosDF_Erro* erro = Conc().GetErro();
  ASSERT_NE(erro, nullptr);
  EXPECT_EQ(erro->GetHR(), GetParam().esperado);
  EXPECT_EQ(erro->GetTipoErro(), ZQ_TIPO_ERRO_HRESULT);
  EXPECT_EQ(TextoErro(erro).rfind("Falha em GravaExtrato: ", 0), 0u) << TextoErro(erro);
  EXPECT_NE(TextoErro(erro).find(GetParam().trecho), std::string::npos) << TextoErro(erro);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato"), 0);

  // The next operation that works clears the area's error.
  CZQDadosCL_Extrato boa = Linha(111, 1, Dia(1, 12, 2026), 1, '+', "OK");
  EXPECT_EQ(Conc().GravaExtrato(boa), S_OK);
  EXPECT_FALSE(Conc().GetErro()->TemErro());
}

INSTANTIATE_TEST_SUITE_P(
    Casos, GravacaoRuimTest,
    ::testing::Values(GravacaoRuim{"NoAccount", Linha(0, 1, 1, 1, '+', "X"), ZQ_E_SQL_INVALIDO, "não tem conta"},
                      GravacaoRuim{"UnknownPosition", ComPosicao(Linha(111, 1, 1, 1, '+', "X"), 4242),
                                   ZQ_E_SQL_NAO_ENCONTRADO, "4242"}),
    [](const auto& info) { return info.param.nome; });

// A batch that fails anywhere stores nothing, even after whole multi-row inserts went
// through; the same batch mended then stores every line as it was given.
struct LoteRuim {
  const char* nome;
  HRESULT esperado;  // S_OK: whatever failure the database gives
  const char* trecho;
  std::function<void(soci::session&, bool postgres, CZQVector<CZQDadosCL_Extrato>&)> estraga;
};

class LoteRuimTest : public ArmazemTest, public ::testing::WithParamInterface<LoteRuim> {};

const ZQArquivoExtratoImportado kArquivo{CZQString(std::string(64, 'a')), CZQString("nov.csv"), 111, 20261130};

TEST_P(LoteRuimTest, FailureMidBatchStoresNothingAndTheMendedBatchStoresAll) {
  CZQDadosCL_Extrato primeira = Linha(111, 1, Dia(1, 12, 2026), 1, '+', "ANTES");
  ASSERT_EQ(Conc().GravaExtrato(primeira), S_OK);
  CZQVector<CZQDadosCL_Extrato> lote;
  for (int i = 0; i < 200; ++i) lote.Add(Linha(111, 1 + i % 2, Dia(1 + i % 28, 12, 2026), i, "+-"[i % 2], "L", "9", i));
  GetParam().estraga(m_banco->Sessao(), EmPostgres(), lote);

  const HRESULT hr = Conc().GravaExtratos(lote, &kArquivo);
  EXPECT_TRUE(FAILED(hr));
  if (GetParam().esperado != S_OK) {
    EXPECT_EQ(hr, GetParam().esperado);
  }
  EXPECT_NE(TextoErro(Conc().GetErro()).find(GetParam().trecho), std::string::npos) << TextoErro(Conc().GetErro());
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato"), 1);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM arquivo_extrato"), GetParam().esperado == ZQ_E_ARQUIVO_JA_IMPORTADO);
  EXPECT_EQ(lote[0].GetPosicao(), 0u);
  EXPECT_FALSE(m_banco->EmTransacao());

  m_banco->Sessao() << "DELETE FROM arquivo_extrato";
  m_banco->Sessao() << "DROP TRIGGER IF EXISTS falha_lote" + std::string(EmPostgres() ? " ON extrato" : "");
  lote.SetQuantidade(200);
  for (int i = 0; i < 200; ++i) lote[i] = Linha(111, 1 + i % 2, Dia(1 + i % 28, 12, 2026), i, "+-"[i % 2], "L", "9", i);
  ASSERT_EQ(Conc().GravaExtratos(lote, &kArquivo), S_OK) << TextoErro(Conc().GetErro());
  EXPECT_EQ(lote[0].GetPosicao(), primeira.GetPosicao() + 1);
  EXPECT_EQ(lote[199].GetPosicao(), primeira.GetPosicao() + 200);
  CZQVector<CZQDadosCL_Extrato> lidas;
  ASSERT_EQ(Conc().BuscaRegistrosMovimentoExtrato(
                {}, CZQVector<uint32_t>{lote[63].GetPosicao(), lote[199].GetPosicao()}, lidas),
            S_OK);
  ASSERT_EQ(lidas.GetQuantidade(), 2);
  EXPECT_TRUE(lidas[0] == lote[63] && lidas[1] == lote[199]) << "a line of a block is stored as given";
  ZQArquivoExtratoImportado achado;
  ASSERT_EQ(Conc().BuscaArquivoExtratoImportado(kArquivo.resumo, achado), S_OK);
  EXPECT_EQ(achado.nome, kArquivo.nome);
  // Positions counted in memory during the batch continue correctly afterwards.
  CZQDadosCL_Extrato depois = Linha(111, 1, Dia(1, 12, 2026), 1, '+', "DEPOIS");
  ASSERT_EQ(Conc().GravaExtrato(depois), S_OK);
  EXPECT_EQ(depois.GetPosicao(), lote[199].GetPosicao() + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, LoteRuimTest,
    ::testing::Values(LoteRuim{"LineWithoutAccount", ZQ_E_SQL_INVALIDO, "não tem conta",
                               [](soci::session&, bool, CZQVector<CZQDadosCL_Extrato>& l) { l[150].SetConta(0); }},
                      // The updates go after every insert: the whole inserts are undone.
                      LoteRuim{"UnknownPositionAfterTheInserts", ZQ_E_SQL_NAO_ENCONTRADO, "4242",
                               [](soci::session&, bool, CZQVector<CZQDadosCL_Extrato>& l) {
                                 l.Add(l[0]);
                                 l[200].SetChaveRegistro(ZQMontaDmc(0, 4242));
                               }},
                      LoteRuim{"FileRecordedBefore", ZQ_E_ARQUIVO_JA_IMPORTADO, "outro.csv",
                               [](soci::session& sql, bool, CZQVector<CZQDadosCL_Extrato>&) {
                                 sql << "INSERT INTO arquivo_extrato VALUES ('" + kArquivo.resumo.str() +
                                            "', 'outro.csv', 111, 20261101, 3)";
                               }},
                      // The database refuses one row in the middle of the batch.
                      LoteRuim{"DatabaseRefusesARowOfABlock", S_OK, "injetada",
                               [](soci::session& sql, bool postgres, CZQVector<CZQDadosCL_Extrato>&) {
                                 if (postgres) {
                                   sql << "CREATE FUNCTION falha_lote() RETURNS trigger AS $$ BEGIN"
                                          " IF NEW.documento = 128 THEN RAISE EXCEPTION 'injetada'; END IF;"
                                          " RETURN NEW; END $$ LANGUAGE plpgsql";
                                   sql << "CREATE TRIGGER falha_lote BEFORE INSERT ON extrato FOR EACH ROW"
                                          " EXECUTE FUNCTION falha_lote()";
                                 } else {
                                   sql << "CREATE TRIGGER falha_lote BEFORE INSERT ON extrato"
                                          " WHEN NEW.documento = 128 BEGIN SELECT RAISE(ABORT, 'injetada'); END";
                                 }
                               }}),
    [](const auto& info) { return info.param.nome; });

// ---- reconciliation search ----

TEST_F(ExtratoTest, ReconciliationFindsOpenLinesAndOpenTreasuryEntriesOfTheAccount) {
  Povoa();
  const uint32_t t1 = GravaTesouraria(111, 501, 1, 1001);       // open on the account's side
  GravaTesouraria(111, 501, 2, 1002, 'S');                      // reconciled on the account's side
  const uint32_t t3 = GravaTesouraria(401, 111, 2, 1002, 'S');  // the account is the outgoing side, open
  GravaTesouraria(113, 111, 9, 1009);                           // outside the period
  GravaTesouraria(113, 501, 1, 1001);                           // another account
  GravaTesouraria(111, 501, 1, 1001, 'N', 'N', 'N', 2);         // another branch

  CZQDadosCL_ConciliacaoAutomatica pedido;
  pedido.SetPonteiroConta(111).SetPonteiroFilial(1).SetDataInicial(Dia(1, 12, 2026)).SetDataFinal(Dia(3, 12, 2026));
  CZQDadosCL_ConciliacaoTesourariaBancos resultado;
  resultado.GetListaExtrato().Add(Linha(1, 1, 1, 1, '+', "velha"));
  ASSERT_EQ(Conc().BuscaConciliacao(pedido, resultado), S_OK) << TextoErro(Conc().GetErro());
  EXPECT_EQ(resultado.GetPonteiroConta(), 111u);
  EXPECT_EQ(Posicoes(resultado.GetListaExtrato()), (std::vector<uint32_t>{P(7), P(1)}));
  std::vector<uint32_t> tesouraria;
  for (const auto& t : resultado.GetListaTesouraria()) tesouraria.push_back(t.GetPosicaoReg());
  EXPECT_EQ(tesouraria, (std::vector<uint32_t>{t1, t3}));
}

// ---- numbering and table keys ----

TEST_F(ArmazemTest, ReconciliationNumbersAreKeptPerAccount) {
  uint32_t numero = 99;
  ASSERT_EQ(Conc().GetUltimoNrConciliacao(111, numero), S_OK);
  EXPECT_EQ(numero, 0u);
  ASSERT_EQ(Conc().SalvaArqNumConciliacao(111, 12), S_OK);
  ASSERT_EQ(Conc().SalvaArqNumConciliacao(113, 3), S_OK);
  ASSERT_EQ(Conc().SalvaArqNumConciliacao(111, 15), S_OK);
  ASSERT_EQ(Conc().GetUltimoNrConciliacao(111, numero), S_OK);
  EXPECT_EQ(numero, 15u);
  ASSERT_EQ(Conc().GetUltimoNrConciliacao(113, numero), S_OK);
  EXPECT_EQ(numero, 3u);

  EXPECT_EQ(Conc().SalvaArqNumConciliacao(0, 1), ZQ_E_SQL_INVALIDO);
  EXPECT_EQ(TextoErro(Conc().GetErro()).rfind("Falha em SalvaArqNumConciliacao: ", 0), 0u);
}

TEST_F(ArmazemTest, TableKeyIsGivenOnFirstUseAndKept) {
  auto chave = [&](uint32_t conta, uint16_t filial) {
    CZQDadosCL_Tabela t;
    t.SetConta(conta).SetFilial(filial);
    EXPECT_EQ(Conc().GetChave(t), S_OK) << TextoErro(Conc().GetErro());
    return t.GetChave();
  };
  const uint16_t a = chave(111, 1), b = chave(111, 2), c = chave(113, 1);
  EXPECT_NE(a, 0);
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  EXPECT_NE(b, c);
  EXPECT_EQ(chave(111, 2), b);
  EXPECT_EQ(chave(111, 1), a);
}

// ---- configurations ----

TEST_F(ArmazemTest, ConfigurationsOfTheSampleCompany) {
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos importacao;
  ASSERT_EQ(Conc().LeConfiguracaoServicoImportacaoExtratos(importacao), S_OK);
  ASSERT_EQ(importacao.GetQuantidadeRegras(), 2);
  const auto& r0 = importacao.GetListaRegras()[0];
  EXPECT_EQ(r0.GetPonteiroFilial(), 1u);
  EXPECT_EQ(r0.GetFrequencia(), 1);
  EXPECT_EQ(r0.GetHmsExecucao(), 7 * 3600 + 30 * 60);
  EXPECT_TRUE(r0.GetApenasDiasUteis());
  EXPECT_EQ(r0.GetListaPonteirosContaBanco().Std(), (std::vector<uint32_t>{111, 113}));
  EXPECT_EQ(importacao.GetListaRegras()[1].GetFrequencia(), 2);

  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco conciliacao;
  ASSERT_EQ(Conc().LeConfiguracaoConciliacaoTesourariaBanco(conciliacao), S_OK);
  ASSERT_EQ(conciliacao.GetQuantidadeRegras(), 2);
  EXPECT_EQ(conciliacao.GetListaRegras()[0].GetListaPonteirosContaBanco().Std(),
            (std::vector<uint32_t>{111, 112, 113}));
  EXPECT_EQ(conciliacao.GetListaRegras()[1].GetHmsExecucao(), 10 * 3600);
}

TEST_F(ArmazemVazioTest, NoConfigurationReadsAsOneWithoutRules) {
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco conciliacao;
  conciliacao.AdicionaRegra({});
  ASSERT_EQ(Conc().LeConfiguracaoConciliacaoTesourariaBanco(conciliacao), S_OK);
  EXPECT_EQ(conciliacao.GetQuantidadeRegras(), 0);
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos importacao;
  ASSERT_EQ(Conc().LeConfiguracaoServicoImportacaoExtratos(importacao), S_OK);
  EXPECT_TRUE(importacao.EstaVazio());
}

TEST_F(ArmazemTest, SavedConfigurationReadsBackEqualAndReplacesTheOldOne) {
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco nova;
  nova.SetDmaHmsAlteracao(zq::MontaDmaHms(Dia(5, 12, 2026), 3600)).SetUsuarioAlteracao(7);
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra regra;
  regra.SetPonteiroFilial(2).SetFrequencia(2).SetHmsExecucao(-5).SetApenasDiasUteis(false);
  regra.AdicionaPonteiroContaBanco(114).AdicionaPonteiroContaBanco(113);
  nova.AdicionaRegra(regra);
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra semContas;
  semContas.SetPonteiroFilial(1).SetFrequencia(1).SetHmsExecucao(86399).SetApenasDiasUteis(true);
  nova.AdicionaRegra(semContas);
  ASSERT_EQ(Conc().GravaConfiguracaoConciliacaoTesourariaBanco(nova), S_OK) << TextoErro(Conc().GetErro());

  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco lida;
  ASSERT_EQ(Conc().LeConfiguracaoConciliacaoTesourariaBanco(lida), S_OK);
  EXPECT_TRUE(lida == nova);

  // The other service's configuration is untouched.
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos importacao;
  ASSERT_EQ(Conc().LeConfiguracaoServicoImportacaoExtratos(importacao), S_OK);
  EXPECT_EQ(importacao.GetQuantidadeRegras(), 2);

  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos vazia;
  ASSERT_EQ(Conc().GravaConfiguracaoServicoImportacaoExtratos(vazia), S_OK);
  ASSERT_EQ(Conc().LeConfiguracaoServicoImportacaoExtratos(importacao), S_OK);
  EXPECT_TRUE(importacao == vazia);
}

// ---- execution records ----

TEST_F(ArmazemTest, ReconciliationExecutionsAreFoundByDayBranchAndAccount) {
  auto execucao = [](uint32_t banco, uint32_t filial, int dia, REG_ZQHMS hms, uint8_t status, const char* msg) {
    CZQDadosCL_ExecucaoConciliacaoTesourariaBanco e;
    e.SetPonteiroBanco(banco)
        .SetPonteiroFilial(filial)
        .SetDataHoraExecucao(zq::MontaDmaHms(Dia(dia, 12, 2026), hms))
        .SetTipoStatus(status)
        .SetMensagemStatus(msg);
    return e;
  };
  CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> gravar{
      execucao(111, 1, 4, 36000, 1, ""), execucao(113, 1, 5, 36000, 3, "Período bloqueado para integração."),
      execucao(111, 1, 5, 32400, 2, "tentar de novo"), execucao(114, 2, 5, 39600, 1, "")};
  CZQRelogioFixo relogio(zq::MontaDmaHms(Dia(7, 12, 2026), 600));  // the store stamps each record with it
  CZQTrocaRelogio troca(relogio);
  ASSERT_EQ(Conc().GravaExecucaoConciliacaoTesourariaBanco(gravar), S_OK) << TextoErro(Conc().GetErro());

  CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco filtro;
  filtro.SetDmaExecucaoInicial(Dia(5, 12, 2026)).SetDmaExecucaoFinal(Dia(5, 12, 2026));
  CZQVector<REG_ZQDMC> chaves;
  ASSERT_EQ(Conc().BuscaPonteirosExecucaoConciliacaoTesourariaBanco(filtro, chaves), S_OK);
  ASSERT_EQ(chaves.GetQuantidade(), 3);
  for (const REG_ZQDMC& c : chaves) EXPECT_EQ(c.dma, Dia(5, 12, 2026));

  CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> lidas;
  ASSERT_EQ(Conc().LePonteirosExecucaoConciliacaoTesourariaBanco(chaves, lidas), S_OK);
  ASSERT_EQ(lidas.GetQuantidade(), 3);
  // In execution order: 09:00 before the two at 10:00 and 11:00.
  EXPECT_EQ(lidas[0].GetMensagemStatus(), "tentar de novo");
  EXPECT_EQ(lidas[0].GetTipoStatus(), 2);
  EXPECT_EQ(lidas[1].GetMensagemStatus(), "Período bloqueado para integração.");
  EXPECT_EQ(lidas[1].GetDataHoraExecucao(), gravar[1].GetDataHoraExecucao());
  EXPECT_EQ(lidas[1].GetDmaHmsGravacao(), relogio.Agora());
  EXPECT_EQ(lidas[2].GetPonteiroBanco(), 114u);
  EXPECT_EQ(lidas[2].GetChave().codigo, chaves[2].codigo);

  filtro.SetPonteiroFilial(1).SetListaPonteirosContaBanco(CZQVector<uint32_t>{111, 112});
  ASSERT_EQ(Conc().BuscaPonteirosExecucaoConciliacaoTesourariaBanco(filtro, chaves), S_OK);
  ASSERT_EQ(chaves.GetQuantidade(), 1);
  ASSERT_EQ(Conc().LePonteirosExecucaoConciliacaoTesourariaBanco(chaves, lidas), S_OK);
  EXPECT_EQ(lidas[0].GetPonteiroBanco(), 111u);
  EXPECT_EQ(lidas[0].GetTipoStatus(), 2);

  filtro.SetDmaExecucaoInicial(Dia(6, 12, 2026)).SetDmaExecucaoFinal(Dia(6, 12, 2026));
  ASSERT_EQ(Conc().BuscaPonteirosExecucaoConciliacaoTesourariaBanco(filtro, chaves), S_OK);
  EXPECT_EQ(chaves.GetQuantidade(), 0);
}

TEST_F(ArmazemTest, ReadingAnExecutionThatDoesNotExistFails) {
  CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> lidas;
  EXPECT_EQ(Conc().LePonteirosExecucaoConciliacaoTesourariaBanco(CZQVector<REG_ZQDMC>{ZQMontaDmc(65000, 3)}, lidas),
            ZQ_E_SQL_NAO_ENCONTRADO);
  EXPECT_NE(TextoErro(Conc().GetErro()).find("65000/3"), std::string::npos);
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> importacoes;
  EXPECT_EQ(
      Conc().LePonteirosExecucaoServicoImportacaoExtratos(CZQVector<REG_ZQDMC>{ZQMontaDmc(65000, 3)}, importacoes, 1),
      ZQ_E_SQL_NAO_ENCONTRADO);
}

TEST_F(ArmazemTest, ImportExecutionsComeWithTheirEntriesOnlyWhenAsked) {
  // Each entry: account, status, lines refused (the lines stored are the account's number).
  auto execucao = [](int dia, std::initializer_list<std::tuple<uint32_t, uint8_t, uint32_t>> contas) {
    CZQDadosCL_ExecucaoServicoImportacaoExtratos e;
    e.SetDmaHmsExecucao(zq::MontaDmaHms(Dia(dia, 12, 2026), 8 * 3600));
    for (auto [conta, status, recusadas] : contas) {
      CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra r;
      r.SetPonteiroFilial(1).SetPonteiroContaBanco(conta).SetTipoStatus(status).SetMensagemStatus(
          status == 1 ? "O serviço foi executado com sucesso." : "falhou");
      e.AdicionaRegra(r.SetQuantidadeGravadas(conta).SetQuantidadeRecusadas(recusadas));
    }
    return e;
  };
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> gravar{
      execucao(4, {{111, 1, 0}}), execucao(5, {{111, 1, 3}, {113, 2, UINT32_MAX}}), execucao(5, {})};
  // The store stamps the entries it adds with the clock's moment, in the records too.
  CZQRelogioFixo relogio(zq::MontaDmaHms(Dia(5, 12, 2026), 8 * 3600 + 30));
  CZQTrocaRelogio troca(relogio);
  ASSERT_EQ(Conc().GravaExecucaoServicoImportacaoExtratos(gravar), S_OK) << TextoErro(Conc().GetErro());

  CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos filtro;
  filtro.SetDmaExecucaoInicial(Dia(5, 12, 2026)).SetDmaExecucaoFinal(Dia(5, 12, 2026));
  CZQVector<REG_ZQDMC> chaves;
  ASSERT_EQ(Conc().BuscaPonteirosExecucaoServicoImportacaoExtratos(filtro, chaves), S_OK);
  ASSERT_EQ(chaves.GetQuantidade(), 2);

  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> lidas;
  ASSERT_EQ(Conc().LePonteirosExecucaoServicoImportacaoExtratos(chaves, lidas, 1), S_OK);
  ASSERT_EQ(lidas.GetQuantidade(), 2);
  EXPECT_EQ(lidas[0].GetListaRegras().Std(), gravar[1].GetListaRegras().Std());
  EXPECT_EQ(lidas[0].GetDmaHmsExecucao(), gravar[1].GetDmaHmsExecucao());
  EXPECT_EQ(lidas[0].GetListaRegras()[1].GetDmaHmsGravacao(), relogio.Agora());
  EXPECT_EQ(lidas[1].GetQuantidadeRegras(), 0);

  ASSERT_EQ(Conc().LePonteirosExecucaoServicoImportacaoExtratos(chaves, lidas, 0), S_OK);
  EXPECT_EQ(lidas[0].GetQuantidadeRegras(), 0);

  // Stored again with its key, a record grows by the entries past its stored ones; a
  // key the store never gave is refused.
  EXPECT_EQ(gravar[1].GetChave(), chaves[0]);
  gravar[1].AdicionaRegra(execucao(5, {{114, 3, 1}}).GetListaRegras()[0]);
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> crescida{gravar[1]};
  relogio.Avanca(45);
  ASSERT_EQ(Conc().GravaExecucaoServicoImportacaoExtratos(crescida), S_OK) << TextoErro(Conc().GetErro());
  ASSERT_EQ(Conc().LePonteirosExecucaoServicoImportacaoExtratos(chaves, lidas, 1), S_OK);
  EXPECT_EQ(lidas[0].GetListaRegras().Std(), crescida[0].GetListaRegras().Std());
  EXPECT_EQ(zq::SegundosDmaHms(lidas[0].GetListaRegras()[2].GetDmaHmsGravacao()) -
                zq::SegundosDmaHms(lidas[0].GetListaRegras()[1].GetDmaHmsGravacao()),
            45);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM execucao_importacao"), 3);
  crescida[0].SetChaveRegistro(ZQMontaDmc(Dia(5, 12, 2026), 999));
  EXPECT_EQ(Conc().GravaExecucaoServicoImportacaoExtratos(crescida), ZQ_E_SQL_NAO_ENCONTRADO);
}

// ---- layouts, posting rules ----

TEST_F(ArmazemTest, LayoutsAreReadByPosition) {
  CZQDadosCL_Leiaute leiaute;
  ASSERT_EQ(Conc().LeLeiaute(1, leiaute), S_OK);
  EXPECT_EQ(leiaute.GetDescricao(), "Importação Online");
  EXPECT_EQ(leiaute.GetPosicao(), 1);
  ASSERT_EQ(Conc().LeLeiaute(3, leiaute), S_OK);
  EXPECT_EQ(leiaute.GetSeparador(), ZQ_SEPARADOR_LEIAUTE_COM_CONTA);
  EXPECT_EQ(leiaute.GetLinhasRodape(), 2);

  EXPECT_EQ(Conc().LeLeiaute(9, leiaute), ZQ_E_SQL_NAO_ENCONTRADO);
  EXPECT_EQ(TextoErro(Conc().GetErro()), "Falha em LeLeiaute: não há leiaute na posição 9");

  CZQComPtr<IZQCL_ImportacaoCBN> cbn;
  ASSERT_EQ(Conc().GetICLImportacaoCBN(cbn), S_OK);
  ASSERT_TRUE(cbn);
  RegLeiauteps reg{};
  ASSERT_EQ(cbn->LeLeiaute(2, &reg), S_OK);
  EXPECT_EQ(reg.lPosicao, 2);
  EXPECT_EQ(reg.iLinhasCabecalho, 1);
  EXPECT_EQ(reg.szDescricao.Get(), "Extrato CSV (ponto e vírgula)");
  EXPECT_EQ(cbn->LeLeiaute(77, &reg), ZQ_E_SQL_NAO_ENCONTRADO);
  EXPECT_EQ(cbn->LeLeiaute(1, nullptr), E_POINTER);
  // An online request has no layout key: no header, no trailer.
  ASSERT_EQ(cbn->LeLeiaute(0, &reg), S_OK);
  EXPECT_EQ(reg.lPosicao, 0);
  EXPECT_EQ(reg.iLinhasCabecalho, 0);
  EXPECT_EQ(reg.iLinhasRodape, 0);
}

TEST_F(ArmazemTest, PostingRulesComeInTheServersOrderAsPlainRecords) {
  CZQComPtr<IZQCL_Mestre> mestre;
  ASSERT_EQ(Conc().GetICLMestre(mestre), S_OK);
  ASSERT_TRUE(mestre);
  uint16_t quantidade = 0;
  ASSERT_EQ(mestre->BuscaQuantProTesBan(&quantidade), S_OK);
  ASSERT_EQ(quantidade, 12);

  std::vector<_REG_PROP_CONC_TESBAN_PS> regras(quantidade);
  ASSERT_EQ(mestre->BuscaRegistrosTesBan(quantidade, regras.data()), S_OK);
  const _REG_PROP_CONC_TESBAN_PS& tarifa = regras[0];
  EXPECT_EQ(tarifa.szCodigoMvtoBco.Get(), "105");
  EXPECT_EQ(tarifa.szHistoricoBco.Get(), "TARIFA");
  EXPECT_EQ(tarifa.cAgrupa, 'A');
  EXPECT_EQ(tarifa.iTransacao, 2);
  EXPECT_EQ(tarifa.iPosFormaPagamentoSaida, 2);
  EXPECT_EQ(tarifa.iContabilSaida, 51);
  EXPECT_EQ(tarifa.lHistorico, 1);
  EXPECT_EQ(tarifa.lPosClassificacao, 501u);
  EXPECT_EQ(tarifa.lContaContrapartida, 501u);
  EXPECT_EQ(tarifa.lPonteiroConta, 0u);
  EXPECT_EQ(regras[1].lPonteiroConta, 111u);
  EXPECT_EQ(regras[1].szCodigoMvtoBco.Get(), "");
  EXPECT_NE(regras[1].cAgrupa, 'A');
  EXPECT_EQ(regras[11].szHistoricoBco.Get(), "TRANSF ENTRE CONTAS");
  EXPECT_EQ(regras[11].iTransacao, 6);

  // Asking for fewer fills only those; the rest of the caller's storage is left alone.
  std::vector<_REG_PROP_CONC_TESBAN_PS> duas(3);
  duas[2].lPonteiroConta = 4242;
  ASSERT_EQ(mestre->BuscaRegistrosTesBan(2, duas.data()), S_OK);
  EXPECT_TRUE(duas[0] == regras[0]);
  EXPECT_TRUE(duas[1] == regras[1]);
  EXPECT_EQ(duas[2].lPonteiroConta, 4242u);
  EXPECT_EQ(mestre->BuscaQuantProTesBan(nullptr), E_POINTER);
  EXPECT_EQ(mestre->BuscaRegistrosTesBan(1, nullptr), E_POINTER);
}

TEST_F(ArmazemTest, ReservedBytesOfARuleComeBackAsStored) {
  const std::string reservado = "000102030405060708090a0b0c0dfffefdfc";
  m_banco->Sessao() << "UPDATE regra_lancamento SET reservado = :r WHERE posicao = 3", soci::use(reservado);
  CZQComPtr<IZQCL_Mestre> mestre;
  ASSERT_EQ(Conc().GetICLMestre(mestre), S_OK);
  std::vector<_REG_PROP_CONC_TESBAN_PS> regras(3);
  ASSERT_EQ(mestre->BuscaRegistrosTesBan(3, regras.data()), S_OK);
  EXPECT_EQ(regras[2].reservado68[13], 0x0d);
  EXPECT_EQ(regras[2].reservado108[0], 0xff);
  EXPECT_EQ(regras[2].reservado108[3], 0xfc);

  m_banco->Sessao() << "UPDATE regra_lancamento SET reservado = 'xyz' WHERE posicao = 3";
  EXPECT_EQ(mestre->BuscaRegistrosTesBan(3, regras.data()), ZQ_E_SQL_CORROMPIDO);
}

// ---- what comes with later work ----

TEST_F(ArmazemTest, ServerReconciliationWithoutAccountIsRefused) {
  CZQDadosCL_ConciliacaoAutomatica pedido;
  int32_t restantes = 0;
  CZQDadosCL_ConciliacaoTesourariaBancos resultado;
  EXPECT_EQ(Conc().ProcessaConciliacaoAutomatica(pedido, restantes, resultado), ZQ_E_SQL_INVALIDO);
  EXPECT_NE(TextoErro(Conc().GetErro()).find("ProcessaConciliacaoAutomatica"), std::string::npos);
}

// The integration transaction: all of it or nothing, whichever entry is refused (its
// origin already integrated).
class IntegracaoTest : public ArmazemTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(IntegracaoTest, ARefusedEntryUndoesTheWholeTransaction) {
  const uint32_t recusada = GetParam();  // 0: none
  if (recusada) {
    m_banco->Sessao() << "INSERT INTO integracao_origem (posicao_tesouraria, origem, chave_tabela, sessao,"
                         " quantidade_extratos, linhas_grupo, complemento) VALUES (9999, "
                      << ((recusada << 8) | 24) << ", 1, 0, 1, 1, '')";
  }
  CZQComPtr<IZQDF_IntegracaoTransacao> integracao = ZQNovaIntegracaoTransacaoSQL(m_banco);
  regNovaTransacaoPS nova{};
  ASSERT_EQ(integracao->NovaIntegracao(&nova), S_OK);
  for (uint32_t i = 1; i <= 3; ++i) {
    RegSetTesouraria t{};
    t.RegTesouraria.cyValor = 100 * i;
    t.RegTesouraria.dmaLancamento = Dia(10, 3, 2026);
    t.RegTesouraria.lPonteiroContaEnt = 111;
    t.RegTesouraria.lPonteiroContaSai = 201;
    t.RegTesouraria.lNumeroConciliacaoEnt = i;
    t.RegTesouraria.cConciliadoAuto = 'S';
    t.chaveOrigem = ZQMontaChaveOrigem(i, 1);
    t.lQuantidadeExtratos = i;
    t.iTipoLancamento = 1;
    CZQBstr complemento(CZQString("linha ") + CZQString(std::to_string(i)));
    t.bstrComplemento = complemento.Get();
    ASSERT_EQ(integracao->SetFinanceiroTesouraria(&t, nullptr), S_OK);
    RegContasContabil c{};
    c.cyValor = t.RegTesouraria.cyValor;
    ASSERT_EQ(integracao->SetContabilTes(1, &c), S_OK);
    RegContasGerencial g[2]{};
    ASSERT_EQ(integracao->SetGerencialTes(2, g), S_OK);
  }
  RegGravaIntegracao grava{};
  RegRetorno retorno{};
  const HRESULT hr = integracao->GravaIntegracao(&grava, &retorno);
  const long long esperadas = recusada ? 0 : 3;
  EXPECT_EQ(hr == S_OK, recusada == 0);
  EXPECT_EQ(retorno.lCodigoRetorno, recusada ? 172u : 0u);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM tesouraria"), esperadas);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM integracao_origem WHERE posicao_tesouraria <> 9999"), esperadas);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM integracao_contabil"), esperadas);
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM integracao_gerencial"), 2 * esperadas);
  if (!recusada) {
    std::string complemento;
    m_banco->Sessao() << "SELECT complemento FROM integracao_origem WHERE origem = " << ((2 << 8) | 24),
        soci::into(complemento);
    EXPECT_EQ(complemento, "linha 2");
    EXPECT_EQ(Escalar("SELECT COUNT(*) FROM tesouraria WHERE conciliado_ent = 'S' AND conciliado_sai <> 'S'"), 3);
  }
}

INSTANTIATE_TEST_SUITE_P(Entradas, IntegracaoTest, ::testing::Values(0u, 1u, 2u, 3u));

// Two processes (here two connections) storing lines in turn: the position each one
// remembers goes stale at every turn of the other, and no line may be lost for it.
TEST_F(ArmazemTest, TwoWritersStoringInTurnNeverLoseALine) {
  std::shared_ptr<CZQBancoSQL> outroBanco;
  CZQDadosDF_Erro erro;
  ASSERT_EQ(CZQBancoSQL::Abre(Conexao(), outroBanco, erro), S_OK);
  CZQAcessoServidoresSQL outro(outroBanco);
  std::vector<uint32_t> posicoes;
  for (int i = 0; i < 40; ++i) {
    CZQAcessoConciliacao& conc = (i / 3) % 2 ? *outro.GetAcessoConciliacao() : Conc();
    CZQDadosCL_Extrato e = Linha(111, 1, Dia(1, 12, 2026), i, '+', "VEZ");
    ASSERT_EQ(conc.GravaExtrato(e), S_OK) << i << ": " << TextoErro(conc.GetErro());
    posicoes.push_back(e.GetPosicao());
  }
  std::vector<uint32_t> unicas = posicoes;
  std::sort(unicas.begin(), unicas.end());
  unicas.erase(std::unique(unicas.begin(), unicas.end()), unicas.end());
  EXPECT_EQ(unicas.size(), posicoes.size());
  EXPECT_EQ(Escalar("SELECT COUNT(*) FROM extrato"), 40);
}

}  // namespace
