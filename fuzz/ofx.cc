// The statement import's OFX reader (CCLImportacaoExtrato::InterpretaArquivoExtratoTavorin)
// over any bytes: it never fails for the content of a readable file, and every line it
// gives has an amount, a sign that is the type's or the amount's (or none),
// the request's account and a valid UTF-8 history.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "comum.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_string.h"
#include "import/cl_importacao_extrato.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"

// Reaches the reader, which is private to the import routine.
struct CCLImportacaoExtratoAcessoTeste {
  static CZQDadosDF_Erro& Interpreta(CCLImportacaoExtrato& r, const CZQDadosCL_FiltroImportacaoExtrato& filtro,
                                     CZQVector<CZQDadosCL_Extrato>& lista, const CZQString& caminho) {
    return r.InterpretaArquivoExtratoTavorin(filtro, lista, caminho);
  }
};

namespace {

struct Ambiente {
  std::shared_ptr<CZQBancoSQL> banco;
  CZQProfilerEmpresa pessoa{"FUZZ", 7, 42};
  CCLImportacaoExtrato rotina;
  CZQDadosCL_FiltroImportacaoExtrato filtro;
  std::string arquivo;
};

Ambiente& Prepara() {
  static Ambiente* ambiente = [] {
    cl_fuzz::PreparaAmbiente();
    auto* a = new Ambiente;
    CZQDadosDF_Erro erro;
    if (ZQInstalaArmazemSQL("sqlite:" + (cl_fuzz::Raiz() / "cl.db").string(), erro, &a->banco) != S_OK) {
      std::fprintf(stderr, "%s\n", erro.GetTextoMostraMensagem().c_str());
      std::abort();
    }
    CL_FUZZ_EXIGE(ZQCarregaArquivoEmpresa(*a->banco,
                                          std::string(CL_FONTE) + "/tests/import/fixtures/empresa-importacao.json",
                                          erro) == S_OK);
    CL_FUZZ_EXIGE(a->rotina.Inicializa(&a->pessoa) == S_OK);
    a->filtro.SetConta(111).SetFilial(1).SetLeiaute(ZQ_LEIAUTE_IMPORTACAO_ONLINE).SetPosicaoLeiaute(1);
    a->arquivo = (cl_fuzz::Raiz() / "extrato.ofx").string();
    return a;
  }();
  return *ambiente;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  Ambiente& a = Prepara();
  cl_fuzz::Escreve(a.arquivo, dados, tamanho);
  CZQVector<CZQDadosCL_Extrato> lista;
  const CZQDadosDF_Erro& erro = CCLImportacaoExtratoAcessoTeste::Interpreta(a.rotina, a.filtro, lista, a.arquivo);
  CL_FUZZ_EXIGE(!erro.TemErro());
  // A line needs a "<" of its own for its history, so there are never more lines than bytes.
  CL_FUZZ_EXIGE(static_cast<size_t>(lista.GetQuantidade()) <= tamanho);
  for (const CZQDadosCL_Extrato& e : lista) {
    CL_FUZZ_EXIGE(e.GetValor() > 0);
    // No type and no minus sign leave the nature as it was: unset.
    CL_FUZZ_EXIGE(e.GetNatureza() == '+' || e.GetNatureza() == '-' || e.GetNatureza() == '\0');
    CL_FUZZ_EXIGE(e.GetConta() == 111u && e.GetFilial() == 1);
    CL_FUZZ_EXIGE(zq::EhUtf8Valido(e.GetHistBco().str()));
  }
  return 0;
}
