#include <gtest/gtest.h>

#include <string>

#include "platform/access/zq_interfaces_servidores.h"
#include "store/zq_soci.h"
#include "support/armazem.h"

namespace {

using zq_teste::ArmazemTest;
using zq_teste::TextoErro;

// A plan account, a table key and a day's treasury entries read inside a transaction and
// kept for the posting run's next lines are, after the transaction (or its savepoint)
// ends, what the store holds: the changed name and the new entry only when everything
// around them was committed, and a key given inside an undone part given again, row and
// all.
TEST_F(ArmazemTest, ReadsKeptForARunFollowTheEndOfTheirTransaction) {
  struct Caso {
    bool confirmaInterna, confirmaExterna;
    const char* nome;
  };
  const Caso casos[] = {{true, true, "NOVO"}, {true, false, "ANTIGO"}, {false, true, "ANTIGO"}};
  auto renomeia = [&](const std::string& nome) {
    m_banco->Sessao() << "UPDATE plano_empresarial SET nome = :n WHERE ponteiro = 113", soci::use(nome);
  };
  auto nome = [&] {
    CZQDadosDF_PlanoEmpresarial p;
    EXPECT_EQ(Emp().LeBufferPlanoContabil(113, &p), S_OK) << TextoErro(Emp().GetErro());
    return p.GetNome().str();
  };
  auto chave = [&](uint16_t filial) {
    CZQDadosCL_Tabela t;
    t.SetConta(113).SetFilial(filial);
    EXPECT_EQ(Conc().GetChave(t), S_OK) << TextoErro(Conc().GetErro());
    return t.GetChave();
  };
  // The entry GravaTesouraria writes for the day, as the duplicate check asks for it.
  auto existe = [&](int dia) {
    CZQComPtr<IZQFN_Tesouraria> tesouraria;
    EXPECT_EQ(Fin().GetIFNTesouraria(tesouraria), S_OK);
    RegExisteTesps q{};
    q.cyValor = 700;
    q.dmaLancamento = zq_teste::Dia(dia, 12, 2026);
    q.iPonteiroFilial = 1;
    q.iHistorico = 4;
    q.lPonteiroContaEnt = 113;
    q.ucTipoDocumentoTransacao = 1;
    q.ucTipoDocFormaPagamento = 3;
    q.szDocumento.Set("DOC-" + std::to_string(dia));
    return tesouraria->Existe(q, nullptr);
  };
  uint16_t filial = 50;
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::to_string(c.confirmaInterna) + "/" + std::to_string(c.confirmaExterna));
    {
      CZQTransacaoSQL t(*m_banco);
      renomeia("ANTIGO");
      t.Confirma();
    }
    ++filial;
    const int dia = filial - 50;
    {
      CZQTransacaoSQL externa(*m_banco);
      EXPECT_EQ(existe(dia), S_FALSE);
      {
        CZQTransacaoSQL interna(*m_banco);  // a savepoint
        renomeia("NOVO");
        EXPECT_EQ(nome(), "NOVO");
        chave(filial);
        GravaTesouraria(113, 0, dia, 700);
        if (c.confirmaInterna) interna.Confirma();
      }
      EXPECT_EQ(existe(dia), c.confirmaInterna ? S_OK : S_FALSE);
      if (c.confirmaExterna) externa.Confirma();
    }
    EXPECT_EQ(nome(), c.nome);
    EXPECT_EQ(existe(dia), c.confirmaInterna && c.confirmaExterna ? S_OK : S_FALSE);
    const uint16_t dada = chave(filial);
    EXPECT_EQ(Escalar("SELECT chave FROM chave_tabela WHERE conta = 113 AND filial = " + std::to_string(filial)), dada);
  }
}

}  // namespace
