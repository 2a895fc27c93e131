#include <gtest/gtest.h>

#include <string>

#include "store/zq_soci.h"
#include "support/armazem.h"

namespace {

using zq_teste::ArmazemTest;
using zq_teste::TextoErro;

// A plan account and a table key read inside a transaction and kept for the posting
// run's next lines are, after the transaction (or its savepoint) ends, what the store
// holds: the changed name only when everything around it was committed, and a key given
// inside an undone part given again, row and all.
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
  uint16_t filial = 50;
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::to_string(c.confirmaInterna) + "/" + std::to_string(c.confirmaExterna));
    {
      CZQTransacaoSQL t(*m_banco);
      renomeia("ANTIGO");
      t.Confirma();
    }
    ++filial;
    {
      CZQTransacaoSQL externa(*m_banco);
      {
        CZQTransacaoSQL interna(*m_banco);  // a savepoint
        renomeia("NOVO");
        EXPECT_EQ(nome(), "NOVO");
        chave(filial);
        if (c.confirmaInterna) interna.Confirma();
      }
      if (c.confirmaExterna) externa.Confirma();
    }
    EXPECT_EQ(nome(), c.nome);
    const uint16_t dada = chave(filial);
    EXPECT_EQ(Escalar("SELECT chave FROM chave_tabela WHERE conta = 113 AND filial = " + std::to_string(filial)), dada);
  }
}

}  // namespace
