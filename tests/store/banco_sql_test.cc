#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "store/zq_banco_sql.h"
#include "store/zq_esquema_sql.h"
#include "store/zq_soci.h"
#include "store/zq_sql_util.h"
#include "support/armazem.h"

namespace {

using zq_teste::PastaTemporaria;

int ContaLinhas(CZQBancoSQL& banco, const std::string& tabela) {
  long long n = 0;
  banco.Sessao() << "SELECT COUNT(*) FROM " + tabela, soci::into(n);
  return static_cast<int>(n);
}

TEST(BancoSqlTest, EmptyFileIsMigratedToTheCurrentSchema) {
  PastaTemporaria pasta;
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  ASSERT_EQ(CZQBancoSQL::Abre("sqlite:" + pasta.Arquivo("sub/dir/cl.db"), banco, erro), S_OK)
      << erro.GetTextoMostraMensagem().c_str();
  ASSERT_TRUE(banco);
  EXPECT_FALSE(erro.TemErro());
  EXPECT_EQ(banco->GetVersaoEsquema(), ZQVersaoEsquemaSQL());
  EXPECT_EQ(ContaLinhas(*banco, "schema_version"), static_cast<int>(ZQMigracoesSQL().size()));
}

// An upgraded package meets the store the previous release wrote: the first open
// applies the one missing step and keeps every row.
TEST(BancoSqlTest, StoreOfThePreviousSchemaVersionIsMigratedOnFirstOpen) {
  PastaTemporaria pasta;
  const std::string arquivo = pasta.Arquivo("cl.db");
  const auto& migracoes = ZQMigracoesSQL();
  ASSERT_GE(migracoes.size(), 2u);
  {
    soci::session anterior(soci::sqlite3, "db=" + arquivo);
    anterior << "CREATE TABLE schema_version (versao INTEGER NOT NULL PRIMARY KEY, descricao TEXT NOT NULL,"
                " aplicada_em TEXT NOT NULL)";
    for (std::size_t i = 0; i + 1 < migracoes.size(); ++i) {
      for (const char* comando : migracoes[i].comandos) anterior << comando;
      anterior << "INSERT INTO schema_version VALUES (:v, 'x', 'x')", soci::use(migracoes[i].versao);
    }
    anterior << "INSERT INTO historico (codigo, nome) VALUES (7, 'TARIFA')";
    anterior << "INSERT INTO execucao_importacao_conta (execucao, ordem, filial, conta, tipo_status, mensagem)"
                " VALUES (1, 0, 1, 111, 1, 'ok')";
  }
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  ASSERT_EQ(CZQBancoSQL::Abre("sqlite:" + arquivo, banco, erro), S_OK) << erro.GetTextoMostraMensagem().c_str();
  // An import run recorded before its accounts had line counts reads none.
  long long linhas = -1;
  banco->Sessao() << "SELECT linhas_gravadas + linhas_recusadas FROM execucao_importacao_conta", soci::into(linhas);
  EXPECT_EQ(linhas, 0);
  EXPECT_EQ(banco->GetVersaoEsquema(), ZQVersaoEsquemaSQL());
  EXPECT_EQ(ContaLinhas(*banco, "schema_version"), static_cast<int>(migracoes.size()));
  std::string nome;
  banco->Sessao() << "SELECT nome FROM historico WHERE codigo = 7", soci::into(nome);
  EXPECT_EQ(nome, "TARIFA");
}

TEST(BancoSqlTest, FailedMigrationLeavesTheFileUntouched) {
  PastaTemporaria pasta;
  const std::string arquivo = pasta.Arquivo("cl.db");
  {
    // A table in the way of the first step makes it fail half-way.
    soci::session sql(*soci::factory_sqlite3(), "db=" + arquivo);
    sql << "CREATE TABLE extrato (x INTEGER)";
  }
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  EXPECT_LT(CZQBancoSQL::Abre("sqlite:" + arquivo, banco, erro), 0);
  EXPECT_FALSE(banco);
  EXPECT_EQ(erro.GetTipoErro(), ZQ_TIPO_ERRO_HRESULT);
  EXPECT_NE(std::string(erro.GetTextoMostraMensagem().c_str()).find("AbreBanco"), std::string::npos);

  soci::session sql(*soci::factory_sqlite3(), "db=" + arquivo);
  long long tabelas = 0;
  sql << "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name IN ('empresa', 'schema_version_x')",
      soci::into(tabelas);
  EXPECT_EQ(tabelas, 0) << "tables of the failed step stayed";
  long long versoes = -1;
  sql << "SELECT COUNT(*) FROM schema_version", soci::into(versoes);
  EXPECT_EQ(versoes, 0);
}

TEST(BancoSqlTest, StoreOfANewerProgramIsRefused) {
  PastaTemporaria pasta;
  const std::string conexao = "sqlite:" + pasta.Arquivo("cl.db");
  CZQDadosDF_Erro erro;
  {
    std::shared_ptr<CZQBancoSQL> banco;
    ASSERT_EQ(CZQBancoSQL::Abre(conexao, banco, erro), S_OK);
    const int futura = ZQVersaoEsquemaSQL() + 1;
    banco->Sessao() << "INSERT INTO schema_version (versao, descricao, aplicada_em) VALUES (:v, 'futuro', 'x')",
        soci::use(futura);
  }
  std::shared_ptr<CZQBancoSQL> banco;
  EXPECT_EQ(CZQBancoSQL::Abre(conexao, banco, erro), ZQ_E_SQL_VERSAO);
  EXPECT_FALSE(banco);
  EXPECT_NE(
      std::string(erro.GetTextoMostraMensagem().c_str()).find("versão " + std::to_string(ZQVersaoEsquemaSQL() + 1)),
      std::string::npos);
}

struct AberturaRuim {
  const char* nome;
  // Prepares the directory and returns the connection string.
  std::string (*prepara)(const PastaTemporaria&);
  HRESULT esperado;
  const char* trecho;  // part of the error text
};

class AberturaRuimTest : public ::testing::TestWithParam<AberturaRuim> {};

TEST_P(AberturaRuimTest, FailsWithItsErrorAndNoConnection) {
  PastaTemporaria pasta;
  const AberturaRuim& caso = GetParam();
  std::shared_ptr<CZQBancoSQL> banco;
  CZQDadosDF_Erro erro;
  EXPECT_EQ(CZQBancoSQL::Abre(caso.prepara(pasta), banco, erro), caso.esperado);
  EXPECT_FALSE(banco);
  EXPECT_EQ(erro.GetHR(), caso.esperado);
  EXPECT_EQ(erro.GetClasse(), ZQ_CLASSE_ARMAZEM_SQL);
  const std::string texto = erro.GetTextoMostraMensagem().c_str();
  EXPECT_EQ(texto.rfind("Falha em AbreBanco: ", 0), 0u) << texto;
  EXPECT_NE(texto.find(caso.trecho), std::string::npos) << texto;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, AberturaRuimTest,
    ::testing::Values(
        AberturaRuim{"NotADatabase",
                     [](const PastaTemporaria& p) {
                       zq_teste::EscreveArquivo(p.Arquivo("lixo.db"), std::string(4096, 'x'));
                       return "sqlite:" + p.Arquivo("lixo.db");
                     },
                     ZQ_E_SQL_CORROMPIDO, "lixo.db"},
        AberturaRuim{"Directory", [](const PastaTemporaria& p) { return "sqlite:" + p.Caminho(); }, ZQ_E_SQL_NAO_ABRE,
                     ""},
        AberturaRuim{"ReadOnlyMissing",
                     [](const PastaTemporaria& p) { return "sqlite:" + p.Arquivo("nada.db") + "?modo=leitura"; },
                     ZQ_E_SQL_NAO_ABRE, "nada.db"},
        AberturaRuim{"UnknownMode",
                     [](const PastaTemporaria& p) { return "sqlite:" + p.Arquivo("a.db") + "?modo=turbo"; },
                     E_INVALIDARG, "turbo"},
        AberturaRuim{"UnknownScheme", [](const PastaTemporaria&) { return std::string("mysql://x"); }, E_INVALIDARG,
                     "mysql://x"},
        // Nothing listens on port 1: refused at once, as a server that is down.
        AberturaRuim{"PostgresRefused",
                     [](const PastaTemporaria&) {
                       return std::string("postgresql://postgres@127.0.0.1:1/cl?connect_timeout=5");
                     },
                     ZQ_E_SQL_NAO_ABRE, "127.0.0.1"},
        AberturaRuim{"PostgresWithoutParameters", [](const PastaTemporaria&) { return std::string("postgresql:"); },
                     E_INVALIDARG, "PostgreSQL"},
        AberturaRuim{"NoFile", [](const PastaTemporaria&) { return std::string("sqlite:"); }, E_INVALIDARG, "arquivo"}),
    [](const auto& info) { return info.param.nome; });

TEST(BancoSqlTest, InnerTransactionUndoesOnlyItself) {
  PastaTemporaria pasta;
  auto banco = zq_teste::AbreBanco("sqlite:" + pasta.Arquivo("cl.db"));
  ASSERT_TRUE(banco);
  {
    CZQTransacaoSQL externa(*banco);
    banco->Sessao() << "INSERT INTO historico (codigo, nome) VALUES (1, 'FICA')";
    {
      CZQTransacaoSQL interna(*banco);
      banco->Sessao() << "INSERT INTO historico (codigo, nome) VALUES (2, 'SAI')";
    }  // not confirmed
    {
      CZQTransacaoSQL interna(*banco);
      banco->Sessao() << "INSERT INTO historico (codigo, nome) VALUES (3, 'FICA')";
      interna.Confirma();
    }
    externa.Confirma();
  }
  EXPECT_EQ(ContaLinhas(*banco, "historico"), 2);
  long long n = 0;
  banco->Sessao() << "SELECT COUNT(*) FROM historico WHERE codigo = 2", soci::into(n);
  EXPECT_EQ(n, 0);
  {
    CZQTransacaoSQL externa(*banco);
    banco->Sessao() << "INSERT INTO historico (codigo, nome) VALUES (9, 'SAI')";
  }
  EXPECT_EQ(ContaLinhas(*banco, "historico"), 2);
  EXPECT_FALSE(banco->EmTransacao());
}

TEST(BancoSqlTest, NextNumberCountsInsideATransactionAndRereadsAfter) {
  PastaTemporaria pasta;
  auto banco = zq_teste::AbreBanco("sqlite:" + pasta.Arquivo("cl.db"));
  ASSERT_TRUE(banco);
  EXPECT_EQ(banco->ProximoNumero("historico", "codigo"), 1);
  banco->Sessao() << "INSERT INTO historico (codigo, nome) VALUES (41, 'A')";
  EXPECT_EQ(banco->ProximoNumero("historico", "codigo"), 42);
  {
    CZQTransacaoSQL t(*banco);
    EXPECT_EQ(banco->ProximoNumero("historico", "codigo"), 42);
    EXPECT_EQ(banco->ProximoNumero("historico", "codigo"), 43);  // counted, not reread
  }
  EXPECT_EQ(banco->ProximoNumero("historico", "codigo"), 42);  // the transaction was undone
}

}  // namespace

// Stored structures come back byte for byte; a damaged text is refused whole and leaves
// the record as it was.
struct CasoHex {
  const char* nome;
  std::string texto;
  bool aceito;
};

class HexTest : public ::testing::TestWithParam<CasoHex> {};

TEST_P(HexTest, BytesVoltamOuNadaEscrito) {
  const CasoHex& caso = GetParam();
  unsigned char lido[3] = {0x11, 0x22, 0x33};
  EXPECT_EQ(zq_sql::DeHex(caso.texto, lido, sizeof lido), caso.aceito);
  if (caso.aceito) {
    std::string esperado = caso.texto.empty() ? "000000" : caso.texto;
    for (char& c : esperado) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(zq_sql::Hex(lido, sizeof lido), esperado);
  } else {
    EXPECT_EQ(lido[0], 0x11);
    EXPECT_EQ(lido[1], 0x22);
    EXPECT_EQ(lido[2], 0x33);
  }
}

INSTANTIATE_TEST_SUITE_P(Textos, HexTest,
                         ::testing::Values(CasoHex{"Minusculo", "00a1ff", true}, CasoHex{"Maiusculo", "0AB1FF", true},
                                           CasoHex{"Vazio", "", true}, CasoHex{"Curto", "00a1f", false},
                                           CasoHex{"Longo", "00a1ff00", false},
                                           CasoHex{"LetraForaDoHex", "00a1fg", false},
                                           CasoHex{"ByteAlto", std::string("00a1f\xff", 6), false},
                                           CasoHex{"NuloNoMeio", std::string("00\0a1f", 6), false},
                                           CasoHex{"Espaco", "00 1ff", false}),
                         [](const auto& info) { return std::string(info.param.nome); });

// Records larger than the decoder's own buffer take the same road.
TEST(HexGrandeTest, RoundTripsAndABadLastDigitLeavesTheRecordAsItWas) {
  std::vector<unsigned char> original(1000), lido(1000, 0x5A);
  for (std::size_t i = 0; i < original.size(); ++i) original[i] = static_cast<unsigned char>(i * 7);
  std::string texto = zq_sql::Hex(original.data(), original.size());
  ASSERT_TRUE(zq_sql::DeHex(texto, lido.data(), lido.size()));
  EXPECT_EQ(lido, original);
  texto.back() = 'x';
  std::fill(lido.begin(), lido.end(), 0x5A);
  EXPECT_FALSE(zq_sql::DeHex(texto, lido.data(), lido.size()));
  EXPECT_EQ(lido, std::vector<unsigned char>(1000, 0x5A));
}
