#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string>

#include "frame/zq_data.h"
#include "import/cl_leitor_arquivo_extrato.h"

namespace {

using cl_import::LeiauteArquivoExtrato;

std::string Corpus(const std::string& nome) {
  std::ifstream f(std::string(CL_TEST_SOURCE_DIR) + "/tests/fixtures/extratos/" + nome, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

LeiauteArquivoExtrato Ofx() {
  LeiauteArquivoExtrato l;
  l.tipoArquivo = ZQ_TIPO_ARQUIVO_OFX;
  return l;
}

// Delimited: delimiter, decimal mark, date format, header and trailer lines, then the
// columns of date, amount, credit, debit, D/C, document, history, movement code, account.
LeiauteArquivoExtrato Delimitado(char delimitador, char marca, const char* formato, std::size_t cabecalho,
                                 std::size_t rodape, std::array<uint16_t, 9> c) {
  LeiauteArquivoExtrato l;
  l.linhasCabecalho = cabecalho;
  l.linhasRodape = rodape;
  l.colunas.cDelimitador = delimitador;
  l.colunas.cMarcaDecimal = marca;
  l.colunas.sFormatoData = formato;
  l.colunas.iColunaData = c[0];
  l.colunas.iColunaValor = c[1];
  l.colunas.iColunaCredito = c[2];
  l.colunas.iColunaDebito = c[3];
  l.colunas.iColunaNatureza = c[4];
  l.colunas.iColunaDocumento = c[5];
  l.colunas.iColunaHistorico = c[6];
  l.colunas.iColunaCodigoMvto = c[7];
  l.colunas.iColunaConta = c[8];
  return l;
}

struct CasoCorpus {
  const char* arquivo;
  LeiauteArquivoExtrato leiaute;
  std::size_t linhas;
  tagCY somaComSinal;  // credits minus debits, ten-thousandths
  const char* primeiroHistorico;
  REG_ZQDMA primeiraData;
  int64_t primeiroDocumento;
  std::size_t ignoradas;
  uint32_t primeiraConta = 0;
  const char* primeiroCodigo = "";
};

class CorpusTest : public ::testing::TestWithParam<CasoCorpus> {};

// Every file of the corpus reads whole, in the bank's shape, with the right signs,
// dates, texts (in UTF-8 whatever the file's encoding) and nothing refused.
TEST_P(CorpusTest, ReadsEveryRowOfTheBanksShape) {
  const CasoCorpus& c = GetParam();
  const std::string bytes = Corpus(c.arquivo);
  ASSERT_FALSE(bytes.empty()) << c.arquivo;
  const cl_import::LeituraArquivoExtrato leitura = cl_import::LeArquivoExtrato(bytes, c.leiaute);
  EXPECT_TRUE(leitura.recusas.empty()) << leitura.recusas.front().numeroLinha << " " << leitura.recusas.front().detalhe;
  ASSERT_EQ(leitura.linhas.size(), c.linhas);
  tagCY soma = 0;
  for (const auto& l : leitura.linhas)
    soma += l.extrato.GetNatureza() == '-' ? -l.extrato.GetValor() : l.extrato.GetValor();
  EXPECT_EQ(soma, c.somaComSinal);
  const CZQDadosCL_Extrato& primeira = leitura.linhas.front().extrato;
  EXPECT_EQ(primeira.GetHistBco().str(), c.primeiroHistorico);
  EXPECT_EQ(primeira.GetDmaExtrato(), c.primeiraData);
  EXPECT_EQ(primeira.GetDocumento(), c.primeiroDocumento);
  EXPECT_EQ(primeira.GetCodigoMvtoBco().str(), c.primeiroCodigo);
  EXPECT_EQ(leitura.linhas.front().conta, c.primeiraConta);
  EXPECT_EQ(leitura.ignoradas, c.ignoradas);
}

REG_ZQDMA Dia(int dia, int mes = 12) { return CZQDma(dia, mes, 2026).GetDma(); }

INSTANTIATE_TEST_SUITE_P(
    Arquivos, CorpusTest,
    ::testing::Values(
        CasoCorpus{"ofx-sgml-sem-fechamento-1252.ofx", Ofx(), 3, 10046500, "TARIFA PACOTE SERVIÇOS", Dia(2), 123, 0},
        CasoCorpus{"ofx-sgml-misto-virgula.ofx", Ofx(), 2, 1868000, "PAGTO BOLETO", Dia(5), 9001, 0},
        CasoCorpus{"ofx-xml-202-uma-linha-bom.ofx", Ofx(), 2, 24101000, "CONTA DE ENERGIA ÁGUA", Dia(7), 501, 0},
        CasoCorpus{"ofx-sgml-name-e-memo.ofx", Ofx(), 2, 455000, "SAQUE TERMINAL", Dia(2), 0, 0},
        CasoCorpus{"ofx-sgml-saldos-other.ofx", Ofx(), 4, 18617600, "Saldo Anterior", Dia(1), 0, 0},
        // The "." amount reads as nothing and is not a line.
        CasoCorpus{"ofx-sgml-utf8-sob-1252.ofx", Ofx(), 2, 2900100, "ASSINATURA PLANO BÁSICO", Dia(9), 0, 0},
        // A balance row without date and a blank line are skipped.
        CasoCorpus{"csv-ponto-e-virgula.csv", Delimitado(';', ',', "DD/MM/AAAA", 1, 0, {1, 4, 0, 0, 0, 3, 2, 0, 0}), 3,
                   -8004400, "TARIFA MANUTENÇÃO", Dia(1), 1001, 2},
        CasoCorpus{"csv-virgula-ponto-bom.csv", Delimitado(',', '.', "AAAA-MM-DD", 1, 0, {1, 4, 0, 0, 0, 3, 2, 0, 0}),
                   2, 2395000, "SUPPLIER, INC \"A\"", Dia(4), 77, 0},
        // The balance row has neither credit nor debit.
        CasoCorpus{"csv-credito-debito-latin1.csv",
                   Delimitado(';', ',', "DD/MM/AAAA", 1, 0, {1, 0, 3, 4, 0, 0, 2, 0, 0}), 2, 3796000,
                   "RECEBIMENTO BOLETO", Dia(1), 0, 1},
        CasoCorpus{"csv-dc-barra.txt", Delimitado('|', ',', "DD/MM/AA", 2, 1, {1, 4, 0, 0, 5, 0, 3, 2, 0}), 2, 38000000,
                   "CHEQUE COMPENSADO", Dia(5), 0, 0, 0, "0101"},
        CasoCorpus{"csv-com-conta.csv", Delimitado(';', ',', "DD/MM/AAAA", 1, 0, {2, 4, 0, 0, 0, 0, 3, 0, 1}), 2,
                   -1099000, "TARIFA", Dia(7), 0, 0, 111}),
    [](const ::testing::TestParamInfo<CasoCorpus>& info) {
      std::string nome;
      for (const char* p = info.param.arquivo; *p; ++p) nome += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
      return nome;
    });

// A file whose rows are all refused or skipped still reads to its end: one bad row is one
// report line with its line number and reason.
struct CasoMalformado {
  const char* nome;
  const char* linha;
  char tipoLeiaute;  // 'v' signed amount, 'd' amount and D/C, 'c' credit and debit, 'k' with account
  long codigo;
};

class MalformadoTest : public ::testing::TestWithParam<CasoMalformado> {};

TEST_P(MalformadoTest, RefusesTheRowWithItsReasonAndReadsTheNext) {
  const CasoMalformado& c = GetParam();
  LeiauteArquivoExtrato l;
  switch (c.tipoLeiaute) {
    case 'd':
      l = Delimitado(';', ',', "DD/MM/AAAA", 0, 0, {1, 3, 0, 0, 4, 0, 2, 0, 0});
      break;
    case 'c':
      l = Delimitado(';', ',', "DD/MM/AAAA", 0, 0, {1, 0, 3, 4, 0, 0, 2, 0, 0});
      break;
    case 'k':
      l = Delimitado(';', ',', "DD/MM/AAAA", 0, 0, {2, 4, 0, 0, 0, 0, 3, 0, 1});
      break;
    default:
      l = Delimitado(';', ',', "DD/MM/AAAA", 0, 0, {1, 3, 0, 0, 0, 0, 2, 0, 0});
  }
  const std::string boa = c.tipoLeiaute == 'k'   ? "111;01/12/2026;BOA;1,00"
                          : c.tipoLeiaute == 'c' ? "01/12/2026;BOA;1,00;"
                                                 : "01/12/2026;BOA;1,00;C";
  const std::string texto = boa + "\n" + c.linha + "\n" + boa + "\n";
  const cl_import::LeituraArquivoExtrato leitura = cl_import::LeArquivoExtrato(texto, l);
  ASSERT_EQ(leitura.recusas.size(), 1u);
  EXPECT_EQ(leitura.recusas[0].numeroLinha, 2u);
  EXPECT_EQ(leitura.recusas[0].codigo, c.codigo);
  EXPECT_EQ(leitura.linhas.size(), 2u);
  EXPECT_EQ(leitura.linhas[1].numeroLinha, 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Linhas, MalformadoTest,
    ::testing::Values(CasoMalformado{"NoSuchDay", "31/02/2026;X;10,00", 'v', cl_import::CL_RECUSA_DATA},
                      CasoMalformado{"OtherDateFormat", "2026-12-01;X;10,00", 'v', cl_import::CL_RECUSA_DATA},
                      CasoMalformado{"TextAfterDate", "01/12/2026x;X;10,00", 'v', cl_import::CL_RECUSA_DATA},
                      CasoMalformado{"EmptyDate", ";X;10,00", 'v', cl_import::CL_RECUSA_DATA},
                      CasoMalformado{"Letters", "01/12/2026;X;abc", 'v', cl_import::CL_RECUSA_VALOR},
                      CasoMalformado{"TwoDecimalMarks", "01/12/2026;X;10,00,5", 'v', cl_import::CL_RECUSA_VALOR},
                      CasoMalformado{"FiveDecimals", "01/12/2026;X;1,23456", 'v', cl_import::CL_RECUSA_VALOR},
                      CasoMalformado{"SignOnly", "01/12/2026;X;-", 'v', cl_import::CL_RECUSA_VALOR},
                      CasoMalformado{"TooBig", "01/12/2026;X;999999999999999,00", 'v', cl_import::CL_RECUSA_VALOR},
                      CasoMalformado{"MissingColumn", "01/12/2026;X", 'v', cl_import::CL_RECUSA_COLUNAS},
                      CasoMalformado{"UnknownFlag", "01/12/2026;X;10,00;Z", 'd', cl_import::CL_RECUSA_NATUREZA},
                      CasoMalformado{"BothColumns", "01/12/2026;X;10,00;5,00", 'c',
                                     cl_import::CL_RECUSA_CREDITO_DEBITO},
                      CasoMalformado{"AccountLetters", "abc;01/12/2026;X;1,00", 'k', cl_import::CL_RECUSA_CONTA},
                      CasoMalformado{"AccountZero", "0;01/12/2026;X;1,00", 'k', cl_import::CL_RECUSA_CONTA}),
    [](const ::testing::TestParamInfo<CasoMalformado>& info) { return std::string(info.param.nome); });

struct CasoValor {
  const char* texto;
  char marca;
  bool ok;
  tagCY valor;
};

class ValorTest : public ::testing::TestWithParam<CasoValor> {};

TEST_P(ValorTest, ReadsAmountsAsBanksWriteThem) {
  tagCY valor = -1;
  EXPECT_EQ(cl_import::LeValorTexto(GetParam().texto, GetParam().marca, valor), GetParam().ok) << GetParam().texto;
  if (GetParam().ok) {
    EXPECT_EQ(valor, GetParam().valor) << GetParam().texto;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Valores, ValorTest,
    ::testing::Values(CasoValor{"R$ 1.234,56", ',', true, 12345600}, CasoValor{"-R$ 35,00", ',', true, -350000},
                      CasoValor{"R$ -35,00", ',', true, -350000}, CasoValor{"(1.234,56)", ',', true, -12345600},
                      CasoValor{"1.234,56-", ',', true, -12345600},
                      CasoValor{"R$\xC2\xA0"
                                "12,5",
                                ',', true, 125000},
                      CasoValor{"1,234.56", '.', true, 12345600}, CasoValor{"0,0001", ',', true, 1},
                      CasoValor{"", ',', true, 0}, CasoValor{"1.234,5.6", ',', false, 0},
                      CasoValor{"--1", ',', false, 0}, CasoValor{"R$", ',', false, 0}));

}  // namespace
