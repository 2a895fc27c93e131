#include <gtest/gtest.h>

#include "frame/zq_base_rotinas.h"
#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "frame/zq_trata_dados.h"

namespace {

// Months outside the calendar have no days: a table lookup past December would read
// beyond it.
TEST(DiasNoMesTest, MonthsOutsideTheCalendarHaveNoDays) {
  const struct {
    int mes, ano, dias;
  } casos[] = {{1, 2023, 31}, {2, 2024, 29}, {12, 2023, 31}, {0, 2023, 0}, {13, 2023, 0}, {13, 2024, 0}};
  for (const auto& c : casos) EXPECT_EQ(CZQDma::DiasNoMes(c.mes, c.ano), c.dias) << c.mes << "/" << c.ano;
}

// An empty field is the empty date, accepted; a malformed one is refused.
TEST(LeDataTextoTest, EmptyTextIsTheEmptyDate) {
  const struct {
    const char* texto;
    bool aceita;
  } casos[] = {{"", true}, {"05/03/2024", true}, {"5/3/2024", false}};
  for (const auto& c : casos) {
    REG_ZQDMA data = 12345;
    EXPECT_EQ(ZQLeDataTexto(c.texto, data), c.aceita) << c.texto;
    if (*c.texto == '\0') {
      EXPECT_EQ(data, 0u);
    }
  }
}

// Assigning a routine carries its last error over.
TEST(BaseParaRotinasTest, CopyAssignmentCarriesTheError) {
  CZQBaseParaRotinas origem;
  origem.SetErro(E_FAIL, 7, 3);
  CZQBaseParaRotinas copia;
  copia = origem;
  EXPECT_EQ(copia.GetErro().GetHR(), E_FAIL);
  EXPECT_EQ(copia.GetErro().GetClasse(), 7);
}

// A deletion is allowed (1) unless the validator finds an inconsistency, which goes to
// the screen's handler (0).
class ExclusaoRecusavel final : public CDFTrataDados {
 public:
  explicit ExclusaoRecusavel(bool recusa) : m_bRecusa(recusa) {}
  CZQDadosDF_Erro& OnTrataExclusao(REG_ZQDMC, IZQTrataInconsistencia*) override {
    LimpaErro();
    if (m_bRecusa) SetErro(E_FAIL, 1, 0);
    return GetErro();
  }

 private:
  bool m_bRecusa;
};

class ContaInconsistencias final : public IZQTrataInconsistencia {
 public:
  int TrataInconsistencia(const CZQDadosDF_Erro&) override { return ++vezes; }
  int vezes = 0;
};

TEST(TrataDadosTest, DeletionAnswersOneUnlessRefused) {
  for (const bool recusa : {false, true}) {
    ExclusaoRecusavel validador(recusa);
    ContaInconsistencias tela;
    EXPECT_EQ(validador.TrataExclusao(42u, &tela), recusa ? 0 : 1);
    EXPECT_EQ(tela.vezes, recusa ? 1 : 0);
  }
}

}  // namespace
