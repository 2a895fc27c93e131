// The reading of Banco do Brasil's statement answer (what the middleware does with each
// page it receives, and the test mode's mock file) over any text: a refusal leaves the
// record empty and says why; an accepted page gives one row per item of its list, with
// valid UTF-8 texts; a single page reads the same as a page and as a document.
#include <cstdint>
#include <string>
#include <string_view>

#include "comum.h"
#include "frame/zq_string.h"
#include "platform/components/zq_consulta_sistema_terceiro.h"
#include "platform/components/zq_extrato_banco_brasil_json.h"

namespace {

bool Vazia(const CZQDadosCR_ConsultaExtratoBancoBrasil& r) {
  return r.GetListaExtratosBancoBrasil().IsEmpty() && r.GetNumeroPaginaAtual() == 0 &&
         r.GetNumeroPaginaProximo() == 0 && r.GetQuantidadeTotalRegistro() == 0;
}

void VerificaLinhas(const CZQDadosCR_ConsultaExtratoBancoBrasil& r) {
  for (const CZQDadosCR_ExtratoBancoBrasil& l : r.GetListaExtratosBancoBrasil()) {
    CL_FUZZ_EXIGE(zq::EhUtf8Valido(l.GetTextoDescricaoHistorico().str()));
    CL_FUZZ_EXIGE(zq::EhUtf8Valido(l.GetTextoInformacaoComplementar().str()));
    CL_FUZZ_EXIGE(zq::EhUtf8Valido(l.GetNumeroContaContrapartida().str()));
    CL_FUZZ_EXIGE(l.GetNumeroDocumento() <= static_cast<uint64_t>(INT64_MAX));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  const std::string_view texto(reinterpret_cast<const char*>(dados), tamanho);

  CZQDadosCR_ConsultaExtratoBancoBrasil pagina;
  std::string erroPagina;
  const HRESULT hrPagina = zq::extrato_bb::LePagina(texto, pagina, erroPagina);
  if (FAILED(hrPagina)) {
    CL_FUZZ_EXIGE(hrPagina == ZQ_E_CONSULTA_RESPOSTA_INVALIDA);
    CL_FUZZ_EXIGE(Vazia(pagina));
    CL_FUZZ_EXIGE(!erroPagina.empty());
  } else {
    VerificaLinhas(pagina);
  }

  CZQDadosCR_ConsultaExtratoBancoBrasil documento;
  std::string erroDocumento;
  const HRESULT hrDocumento = zq::extrato_bb::LeDocumento(texto, documento, erroDocumento);
  if (FAILED(hrDocumento)) {
    CL_FUZZ_EXIGE(hrDocumento == ZQ_E_CONSULTA_RESPOSTA_INVALIDA);
    CL_FUZZ_EXIGE(Vazia(documento));
    CL_FUZZ_EXIGE(!erroDocumento.empty());
  } else {
    VerificaLinhas(documento);
  }
  // A page that reads as a page reads alike as a document.
  if (SUCCEEDED(hrPagina)) {
    CL_FUZZ_EXIGE(SUCCEEDED(hrDocumento));
    CL_FUZZ_EXIGE(documento.GetListaExtratosBancoBrasil().GetQuantidade() ==
                  pagina.GetListaExtratosBancoBrasil().GetQuantidade());
    CL_FUZZ_EXIGE(documento.GetNumeroPaginaProximo() == pagina.GetNumeroPaginaProximo());
  }

  // The amount reader over the same bytes: an amount without sign read with a minus is
  // its opposite.
  tagCY valor = 0;
  if (tamanho <= 64 && !texto.empty() && texto[0] != '-' && texto[0] != '+' &&
      zq::extrato_bb::LeValorDecimal(texto, valor)) {
    tagCY oposto = 0;
    CL_FUZZ_EXIGE(zq::extrato_bb::LeValorDecimal("-" + std::string(texto), oposto) && oposto == -valor);
  }
  return 0;
}
