// The online sources of the import routine: Banco do Brasil's statement service and the
// Tavorin statement service, each with its test mode.
#include <string>

#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "frame/zq_mensagens.h"
#include "frame/zq_relogio.h"
#include "frame/zq_trace.h"
#include "import/cl_arquivos.h"
#include "import/cl_importacao_extrato.h"
#include "platform/access/zq_acesso_areas.h"
#include "platform/components/zq_consulta_sistema_terceiro.h"

namespace {

constexpr const char kClasse[] = "CCLImportacaoExtrato";

constexpr long kAvisoArquivoNaoAbre = 5813;
constexpr const char kErroImportacaoOnline[] = "Erro na importação dos extratos online.";

std::string ArquivoInstalacao(const char* nome) {
  return cl_import::JuntaCaminho(CZQConfiguracao::Global().DiretorioInstalacao(), nome);
}

}  // namespace

CZQDadosDF_Erro& CCLImportacaoExtrato::MontaListaExtratosBancoBrasil(
    const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao, CZQVector<CZQDadosCL_Extrato>& listaExtratos) {
  LimpaErro();
  listaExtratos.RemoveAll();

  HRESULT hr = S_OK;
  CZQDadosDF_Banco dadosBanco;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBanco(dadosFiltroImportacao.GetConta(), &dadosBanco))) {
    SetErro(GetAcessoEmpresarial()->GetErro());
    return GetErro();
  }

  CZQDadosCR_ConsultaExtratoBancoBrasil dadosConsultaExtrato;
  if (cl_import::ArquivoPresente(ArquivoInstalacao(CL_ARQUIVO_MOCK_EXTRATO_BANCO_BRASIL))) {
    hr = CZQMockExtratoBancoBrasil::ConverteJson(&dadosConsultaExtrato);
  } else {
    CZQDadosCR_FiltroConsultaExtratoBancoBrasil dadosFiltroConsulta;
    dadosFiltroConsulta.SetAgencia(dadosBanco.GetNumeroAgencia())
        .SetConta(dadosBanco.GetContaCorrente())
        .SetDataInicioSolicitacao(dadosFiltroImportacao.GetDataInicial())
        .SetDataFimSolicitacao(dadosFiltroImportacao.GetDataFinal());
    // A path that cannot be built stays empty; the query then fails and says why.
    dadosFiltroConsulta.MontaPathRequisicao();

    CZQDadosCR_ConsultaSistemaTerceiro dadosConsultaSistemaTerceiros;
    dadosConsultaSistemaTerceiros.SetTipoConsulta(ZQ_CONSULTA_EXTRATO_BANCO_BRASIL)
        .SetTipoPonteiroAuxiliar(ZQ_PONTEIRO_AUXILIAR_CONTA_BANCO)
        .SetScope(ZQ_SCOPE_EXTRATO_BANCO_BRASIL)
        .SetPonteiroAuxiliar(dadosFiltroImportacao.GetConta())
        .SetChaveConsulta(dadosFiltroConsulta.GetPathRequisicao());

    CZQConsultaSistemaTerceiro zqConsultaSistemaTerceiro;
    if (ZQ_FALHOU_EM(this, kClasse, hr, zqConsultaSistemaTerceiro.Inicializa(this))) {
      SetErro(zqConsultaSistemaTerceiro.GetErro());
      return GetErro();
    }
    ZQ_FALHOU_EM(this, kClasse, hr,
                 zqConsultaSistemaTerceiro.BuscaDados(dadosConsultaSistemaTerceiros, &dadosConsultaExtrato));
  }

  if (FAILED(hr)) {
    SetAvisoPersonalizado(ZQ_MODULO_CL, 0, "Erro na importação dos extratos online.\nErro:\n%s",
                          ZQGetErrorDescription(hr));
    SetHR(hr);
    return GetErro();
  }

  const CZQDma hoje = zq::Hoje();
  for (const CZQDadosCR_ExtratoBancoBrasil& dadosExtratoBB : dadosConsultaExtrato.GetListaExtratosBancoBrasil()) {
    CZQDadosCL_Extrato dadosExtrato;
    dadosExtrato.SetDocumento(static_cast<int64_t>(dadosExtratoBB.GetNumeroDocumento()))
        .SetValor(dadosExtratoBB.GetValorLancamento())
        .SetDmaExtrato(dadosExtratoBB.GetDataLancamento())
        .SetHistBco(dadosExtratoBB.GetTextoDescricaoHistorico())
        .SetConta(dadosFiltroImportacao.GetConta())
        .SetFilial(static_cast<uint16_t>(dadosFiltroImportacao.GetFilial() & 0xFFFFu))
        .SetNatureza(dadosExtratoBB.GetIndicadorSinalLancamento() == 'C' ? ZQ_NATUREZA_CREDITO : ZQ_NATUREZA_DEBITO)
        .SetDmaImportacao(hoje.GetDma());
    listaExtratos.Add(dadosExtrato);
  }
  return GetErro();
}

CZQDadosDF_Erro& CCLImportacaoExtrato::MontaListaExtratosTavorin(
    const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao, CZQVector<CZQDadosCL_Extrato>& listaExtratos) {
  LimpaErro();

  std::string caminhoArquivo = ArquivoInstalacao(CL_ARQUIVO_MOCK_EXTRATO_TAVORIN);
  if (!cl_import::ArquivoPresente(caminhoArquivo)) {
    CZQString chaveConsulta;
    chaveConsulta.Format("?inicio=%s&fim=%s&encoding=ofx",
                         CZQDma::FormataData(dadosFiltroImportacao.GetDataInicial(), ZQ_FORMATO_AAAAMMDD, "-").c_str(),
                         CZQDma::FormataData(dadosFiltroImportacao.GetDataFinal(), ZQ_FORMATO_AAAAMMDD, "-").c_str());

    CZQDadosCR_ConsultaSistemaTerceiro dadosConsultaSistemaTerceiros;
    dadosConsultaSistemaTerceiros.SetTipoConsulta(ZQ_CONSULTA_EXTRATO_TAVORIN)
        .SetTipoPonteiroAuxiliar(ZQ_PONTEIRO_AUXILIAR_CONTA_BANCO)
        .SetPonteiroAuxiliar(dadosFiltroImportacao.GetConta())
        .SetChaveConsulta(chaveConsulta);

    HRESULT hr = S_OK;
    CZQConsultaSistemaTerceiro zqConsultaSistemaTerceiro;
    if (ZQ_FALHOU_EM(this, kClasse, hr, zqConsultaSistemaTerceiro.Inicializa(this))) {
      SetErro(zqConsultaSistemaTerceiro.GetErro());
      return GetErro();
    }

    CZQDadosCR_StatusConsultaSistemaTerceiro dadosConsultaExtrato;
    ZQ_FALHOU_EM(this, kClasse, hr,
                 zqConsultaSistemaTerceiro.BuscaDados(dadosConsultaSistemaTerceiros, &dadosConsultaExtrato));

    if (hr != S_OK || dadosConsultaExtrato.GetStatusConsulta() != ZQ_STATUS_CONSULTA_SUCESSO ||
        dadosConsultaExtrato.GetQuantidadeDocumentoRetorno() == 0) {
      CZQString textoAviso = kErroImportacaoOnline;
      if (!dadosConsultaExtrato.GetMensagemRetorno().IsEmpty()) {
        textoAviso.AppendFormat("\nRetorno API:\n%s", dadosConsultaExtrato.GetMensagemRetorno().c_str());
      }
      if (FAILED(hr)) textoAviso.AppendFormat("\nErro:\n%s", ZQGetErrorDescription(hr).c_str());
      // The service's message is text, never a format.
      SetAvisoPersonalizado(ZQ_MODULO_CL, 0, "%s", textoAviso);
      return GetErro();
    }

    // The answer is kept in the reports directory under the account and today's date.
    CZQString textoHoje = CZQDma::FormataData(zq::Hoje(), ZQ_FORMATO_DDMMAA, "/");
    textoHoje.Remove('/');
    CZQString nomeArquivo;
    nomeArquivo.Format("%dExtratoOnline%s.ofx", static_cast<int>(dadosFiltroImportacao.GetConta()), textoHoje.c_str());
    caminhoArquivo = cl_import::JuntaCaminho(CZQConfiguracao::Global().DiretorioRelatorios(), nomeArquivo.str());

    const CZQVector<uint8_t>& documento = dadosConsultaExtrato.GetListaDocumentoRetorno();
    const std::string_view bytes(reinterpret_cast<const char*>(documento.GetData()),
                                 static_cast<std::size_t>(documento.GetQuantidade()));
    if (!cl_import::GravaArquivo(caminhoArquivo, bytes)) {
      // Never read an older answer of the same day in place of the one that could not be saved.
      cl_import::RemoveArquivo(caminhoArquivo);
      SetAviso(ZQ_MODULO_CL, kAvisoArquivoNaoAbre, 0);
      return GetErro();
    }
  }

  return InterpretaArquivoExtratoTavorin(dadosFiltroImportacao, listaExtratos, caminhoArquivo);
}
