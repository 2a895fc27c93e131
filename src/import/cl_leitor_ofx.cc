// The OFX statement reader of the import routine.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "frame/zq_trace.h"
#include "import/cl_arquivos.h"
#include "import/cl_importacao_extrato.h"
#include "import/cl_ofx.h"
#include "platform/access/zq_acesso_areas.h"

namespace {

constexpr const char kClasse[] = "CCLImportacaoExtrato";

constexpr long kAvisoArquivoNaoAbre = 5813;
// Class number the error of an unreadable layout carries.
constexpr int kClasseLeiaute = 2103;

}  // namespace

CZQDadosDF_Erro& CCLImportacaoExtrato::InterpretaArquivoExtratoTavorin(
    const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao, CZQVector<CZQDadosCL_Extrato>& listaExtratos,
    const CZQString& caminhoArquivo) {
  LimpaErro();

  std::string bytes;
  if (!cl_import::LeArquivo(caminhoArquivo.str(), bytes)) {
    SetAviso(ZQ_MODULO_CL, kAvisoArquivoNaoAbre, 0);
    return GetErro();
  }
  // The text ends at its first NUL byte.
  const std::size_t nulo = bytes.find('\0');
  if (nulo != std::string::npos) bytes.resize(nulo);

  CZQString texto(std::move(bytes));
  ConverteParaUTF8(texto);
  if (texto.IsEmpty()) return GetErro();

  HRESULT hr = S_OK;
  CZQComPtr<IZQCL_ImportacaoCBN> pIImportacaoCBN;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->GetICLImportacaoCBN(pIImportacaoCBN))) {
    SetErro(GetAcessoConciliacao()->GetErro());
    return GetErro();
  }
  if (!pIImportacaoCBN) {
    // A server that answered without handing out the interface.
    SetErro(E_POINTER, kClasseLeiaute, 0);
    return GetErro();
  }

  RegLeiauteps RegLeiauteps;
  std::memset(&RegLeiauteps, 0, sizeof RegLeiauteps);
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   pIImportacaoCBN->LeLeiaute(dadosFiltroImportacao.GetPosicaoLeiaute(), &RegLeiauteps))) {
    SetErro(hr, kClasseLeiaute, 0);
    return GetErro();
  }

  listaExtratos.Reserve(listaExtratos.Std().size() + cl_import::ContaTransacoesOfx(texto.str()));
  // The same transaction reader serves the files imported by layout.
  cl_import::LeTransacoesOfx(
      texto.str(), RegLeiauteps.iLinhasCabecalho, RegLeiauteps.iLinhasRodape,
      [&](CZQDadosCL_Extrato& dadosExtrato, std::size_t) {
        dadosExtrato.SetConta(dadosFiltroImportacao.GetConta());
        dadosExtrato.SetFilial(static_cast<uint16_t>(dadosFiltroImportacao.GetFilial() & 0xFFFFu));
        listaExtratos.Add(std::move(dadosExtrato));
      });

  pIImportacaoCBN.Release();
  return GetErro();
}

void CCLImportacaoExtrato::RemoveInformacoesIniciaisArquivoExtratoTavorin(CZQString& texto) {
  texto = CZQString(cl_import::NormalizaTextoOfx(texto.str()));
}

void CCLImportacaoExtrato::ProcuraInformacoesExtratoTavorin(CZQString linha, CZQDadosCL_Extrato& dadosExtrato,
                                                            CZQString& linhaAnterior, bool& historicoCompleto) {
  const bool linhaTemHistorico = cl_import::AplicaLinhaOfx(linha.str(), dadosExtrato);
  // A history line right after another one completes nothing and is not remembered.
  if (linhaTemHistorico && cl_import::TemTagHistoricoOfx(linhaAnterior.str())) {
    historicoCompleto = false;
    return;
  }
  linhaAnterior = std::move(linha);
  historicoCompleto = linhaTemHistorico;
}

void CCLImportacaoExtrato::ConverteParaUTF8(CZQString& texto) { cl_import::TextoArquivoParaUtf8(texto.str()); }
