// The statement file reader (cl_import::LeArquivoExtrato) over any bytes, delimited and
// OFX: it never fails, every row is either a line or a refusal with a line number inside
// the file, and every line has an amount, a sign, a day of the calendar and UTF-8 texts.
#include <cstdint>
#include <string_view>

#include "comum.h"
#include "frame/zq_data.h"
#include "frame/zq_string.h"
#include "import/cl_leitor_arquivo_extrato.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  if (tamanho == 0) return 0;
  // The first byte picks the layout: OFX, or one of the delimited forms of the amount.
  const uint8_t escolha = dados[0];
  const std::string_view bytes(reinterpret_cast<const char*>(dados + 1), tamanho - 1);
  cl_import::LeiauteArquivoExtrato l;
  REG_LEIAUTE_COLUNASPS& c = l.colunas;
  c.iColunaData = 1;
  c.iColunaHistorico = 2;
  c.iColunaDocumento = 3;
  switch (escolha % 4) {
    case 0:
      l.tipoArquivo = ZQ_TIPO_ARQUIVO_OFX;
      break;
    case 1:
      c.iColunaValor = 4;
      break;
    case 2:
      c.iColunaValor = 4;
      c.iColunaNatureza = 5;
      c.cMarcaDecimal = '.';
      c.cDelimitador = ',';
      c.sFormatoData = "AAAA-MM-DD";
      break;
    default:
      c.iColunaCredito = 4;
      c.iColunaDebito = 5;
      c.iColunaConta = 6;
      c.sFormatoData = "DD/MM/AA";
      break;
  }
  l.linhasCabecalho = (escolha >> 2) & 3;
  l.linhasRodape = (escolha >> 4) & 3;

  const cl_import::LeituraArquivoExtrato leitura = cl_import::LeArquivoExtrato(bytes, l);
  // A row is at least its line break or its "<", so neither list outgrows the bytes.
  CL_FUZZ_EXIGE(leitura.linhas.size() + leitura.recusas.size() <= tamanho);
  for (const cl_import::LinhaLidaExtrato& lida : leitura.linhas) {
    const CZQDadosCL_Extrato& e = lida.extrato;
    CL_FUZZ_EXIGE(lida.numeroLinha >= 1 && lida.numeroLinha <= tamanho);
    CL_FUZZ_EXIGE(e.GetValor() > 0);
    CL_FUZZ_EXIGE(CZQDma::EhValida(e.GetDmaExtrato()));
    CL_FUZZ_EXIGE(e.GetNatureza() == '+' || e.GetNatureza() == '-');
    CL_FUZZ_EXIGE(zq::EhUtf8Valido(e.GetHistBco().str()));
    CL_FUZZ_EXIGE(zq::EhUtf8Valido(e.GetCodigoMvtoBco().str()));
  }
  for (const cl_import::RecusaLeituraExtrato& r : leitura.recusas) {
    CL_FUZZ_EXIGE(r.numeroLinha >= 1 && r.numeroLinha <= tamanho);
    CL_FUZZ_EXIGE(r.codigo >= cl_import::CL_RECUSA_COLUNAS && r.codigo <= cl_import::CL_RECUSA_CONTA);
  }
  return 0;
}
