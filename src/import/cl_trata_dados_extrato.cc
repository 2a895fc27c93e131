#include "import/cl_trata_dados_extrato.h"

#include <string>
#include <utility>

#include "frame/zq_config.h"
#include "frame/zq_currency.h"
#include "frame/zq_data.h"
#include "frame/zq_trace.h"
#include "import/cl_arquivos.h"
#include "import/cl_chaves_extrato.h"
#include "platform/access/zq_acesso_areas.h"

namespace {

constexpr const char kClasse[] = "CCLTrataDadosExtrato";

// Messages of the module's catalogue.
constexpr long kAvisoExtratoDuplicado = 5901;
constexpr long kAvisoDataForaPeriodo = 5902;
constexpr long kAvisoDataBloqueio = 5872;

// History texts with which Banco do Brasil marks a balance line.
constexpr const char* kTextosSaldo[] = {"S A L D O",   "SALDO DO DIA", "SALDO ANTERIOR",
                                        "SALDO ATUAL", "SALDO",        "SALDO DISPONIVEL"};

bool EhTextoSaldo(const CZQString& historico) {
  for (const char* texto : kTextosSaldo) {
    if (historico == texto) return true;
  }
  return false;
}

// Banks that export files write their balance rows with blanks around the text and in
// forms of their own besides the online sources' ones.
bool EhTextoSaldoArquivo(CZQString historico) {
  historico.Trim();
  return EhTextoSaldo(historico) || historico == "SALDO DIA" || historico == "SALDO FINAL";
}

// Whether the line's date lies outside the request's period; a request without both
// dates valid has no period.
bool ForaDoPeriodo(const CZQDadosCL_Extrato& extrato, const CZQDadosCL_FiltroImportacaoExtrato& filtro) {
  const CZQDma inicial = filtro.GetDataInicial();
  const CZQDma final = filtro.GetDataFinal();
  if (!inicial.EhValida() || !final.EhValida()) return false;
  const CZQDma data = extrato.GetDmaExtrato();
  return data < inicial || data > final;
}

}  // namespace

CCLTrataDadosExtrato::CCLTrataDadosExtrato() = default;
CCLTrataDadosExtrato::CCLTrataDadosExtrato(const CCLTrataDadosExtrato& outro)
    : CDFTrataDados(outro), m_mapAvisos(outro.m_mapAvisos) {}
CCLTrataDadosExtrato::CCLTrataDadosExtrato(CCLTrataDadosExtrato&& outro) noexcept : CDFTrataDados(std::move(outro)) {
  m_mapAvisos.swap(outro.m_mapAvisos);
}
CCLTrataDadosExtrato::~CCLTrataDadosExtrato() = default;

CCLTrataDadosExtrato& CCLTrataDadosExtrato::operator=(const CCLTrataDadosExtrato& outro) {
  if (this != &outro) {
    CDFTrataDados::operator=(outro);
    m_mapAvisos.clear();
    m_mapAvisos = outro.m_mapAvisos;
  }
  return *this;
}

CCLTrataDadosExtrato& CCLTrataDadosExtrato::operator=(CCLTrataDadosExtrato&& outro) noexcept {
  if (this != &outro) {
    CDFTrataDados::operator=(std::move(outro));
    // Emptied first, then exchanged: the source is left without warnings.
    m_mapAvisos.clear();
    m_mapAvisos.swap(outro.m_mapAvisos);
  }
  return *this;
}

CZQAcessoConciliacao* CCLTrataDadosExtrato::GetAcessoConciliacao() { return AreaConciliacao(); }
CZQAcessoEmpresarial* CCLTrataDadosExtrato::GetAcessoEmpresarial() { return AreaEmpresarial(); }

CZQDadosDF_Erro& CCLTrataDadosExtrato::ConsisteDadosExtrato(
    const CZQDadosCL_Extrato& dadosExtratoGravacao, const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
    const CZQVector<CZQDadosCL_Extrato>& listaChavesExtrato) {
  return ConsisteDadosExtrato(dadosExtratoGravacao, dadosFiltroImportacao, &listaChavesExtrato, nullptr);
}

CZQDadosDF_Erro& CCLTrataDadosExtrato::ConsisteDadosExtrato(
    const CZQDadosCL_Extrato& dadosExtratoGravacao, const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
    const CCLChavesExtrato& chavesExtrato) {
  return ConsisteDadosExtrato(dadosExtratoGravacao, dadosFiltroImportacao, nullptr, &chavesExtrato);
}

CZQDadosDF_Erro& CCLTrataDadosExtrato::ConsisteDadosExtrato(
    const CZQDadosCL_Extrato& dadosExtratoGravacao, const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
    const CZQVector<CZQDadosCL_Extrato>* listaChavesExtrato, const CCLChavesExtrato* chavesExtrato) {
  LimpaErro();

  HRESULT hr = S_OK;
  CZQDadosDF_Banco dadosBanco;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoEmpresarial()->LeBanco(dadosExtratoGravacao.GetConta(), &dadosBanco))) {
    SetErro(GetAcessoEmpresarial()->GetErro());
    return GetErro();
  }

  switch (dadosBanco.GetIntegrarComTerceiro()) {
    case ZQ_INTEGRAR_TAVORIN:
      ConsisteDadosExtratoTBB(dadosExtratoGravacao, dadosFiltroImportacao);
      break;
    case ZQ_INTEGRAR_BANCO_BRASIL:
      ConsisteDadosExtratoBancoBrasil(dadosExtratoGravacao, dadosFiltroImportacao);
      break;
    default:
      break;
  }

  if (!TemErro()) {
    const CZQDadosCL_Extrato dadosChaveExtrato = GetChaveExtrato(dadosFiltroImportacao, dadosExtratoGravacao);
    if (chavesExtrato) {
      ConsisteExtratoDuplicado(dadosChaveExtrato, *chavesExtrato);
    } else {
      ConsisteExtratoDuplicado(dadosChaveExtrato, *listaChavesExtrato);
    }
    if (!TemErro()) return GetErro();
  }

  return AdicionaAvisoExtrato(dadosExtratoGravacao);
}

CZQDadosDF_Erro& CCLTrataDadosExtrato::ConsisteDadosExtratoArquivo(
    const CZQDadosCL_Extrato& dadosExtratoGravacao, const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao,
    const CCLChavesExtrato& chavesExtrato, const CZQDma& bloqueio) {
  LimpaErro();

  // A file's bank has no rule of its own: the balance rule of one online source and the
  // period and lock-date rule of the other together keep out what neither would store.
  CZQString historico = dadosExtratoGravacao.GetHistBco();
  historico.MakeUpper();
  if (EhTextoSaldoArquivo(historico) || dadosExtratoGravacao.GetValor() == 0) {
    SetTipoErro(ZQ_TIPO_ERRO_DESCARTE);
    return GetErro();
  }

  if (ForaDoPeriodo(dadosExtratoGravacao, dadosFiltroImportacao)) {
    SetAviso(ZQ_MODULO_CL, kAvisoDataForaPeriodo, 0);
  } else if (!bloqueio.EhVazia() && CZQDma(dadosExtratoGravacao.GetDmaExtrato()) <= bloqueio) {
    SetAviso(ZQ_MODULO_CL, kAvisoDataBloqueio, 0);
  } else {
    ConsisteExtratoDuplicado(GetChaveExtrato(dadosFiltroImportacao, dadosExtratoGravacao), chavesExtrato);
    if (!TemErro()) return GetErro();
  }
  return AdicionaAvisoExtrato(dadosExtratoGravacao);
}

CZQDadosDF_Erro& CCLTrataDadosExtrato::ConsisteDadosExtratoBancoBrasil(
    const CZQDadosCL_Extrato& dadosExtratoGravacao, const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao) {
  LimpaErro();

  HRESULT hr = S_OK;
  CZQDadosDF_PlanoEmpresarial dadosPlano;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoEmpresarial()->LeBufferPlanoContabil(dadosExtratoGravacao.GetConta(), &dadosPlano))) {
    SetErro(GetAcessoEmpresarial()->GetErro());
    return GetErro();
  }

  // Balance lines and lines without amount are dropped without a warning.
  CZQString historico = dadosExtratoGravacao.GetHistBco();
  historico.MakeUpper();
  if (EhTextoSaldo(historico)) {
    SetTipoErro(ZQ_TIPO_ERRO_DESCARTE);
    return GetErro();
  }
  if (dadosExtratoGravacao.GetValor() == 0) {
    SetTipoErro(ZQ_TIPO_ERRO_DESCARTE);
    return GetErro();
  }

  if (ForaDoPeriodo(dadosExtratoGravacao, dadosFiltroImportacao)) SetAviso(ZQ_MODULO_CL, kAvisoDataForaPeriodo, 0);
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosExtrato::ConsisteDadosExtratoTBB(
    const CZQDadosCL_Extrato& dadosExtratoGravacao, const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao) {
  LimpaErro();

  HRESULT hr = S_OK;
  CZQDadosDF_PlanoEmpresarial dadosPlano;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoEmpresarial()->LeBufferPlanoContabil(dadosExtratoGravacao.GetConta(), &dadosPlano))) {
    SetErro(GetAcessoEmpresarial()->GetErro());
    return GetErro();
  }

  if (ForaDoPeriodo(dadosExtratoGravacao, dadosFiltroImportacao)) {
    SetAviso(ZQ_MODULO_CL, kAvisoDataForaPeriodo, 0);
    return GetErro();
  }

  CZQDadosCL_Mestre dadosMestre;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->LeBufferMestre(&dadosMestre))) {
    SetErro(GetAcessoConciliacao()->GetErro());
    return GetErro();
  }

  const CZQDma bloqueio = dadosMestre.GetDataBloqueioMovimentacao();
  if (!bloqueio.EhVazia() && CZQDma(dadosExtratoGravacao.GetDmaExtrato()) <= bloqueio) {
    SetAviso(ZQ_MODULO_CL, kAvisoDataBloqueio, 0);
  }
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosExtrato::ConsisteExtratoDuplicado(
    const CZQDadosCL_Extrato& dadosChaveExtrato, const CZQVector<CZQDadosCL_Extrato>& listaChavesExtrato) {
  LimpaErro();
  if (listaChavesExtrato.IsEmpty()) return GetErro();
  for (const CZQDadosCL_Extrato& chave : listaChavesExtrato) {
    if (chave == dadosChaveExtrato) {
      SetAviso(ZQ_MODULO_CL, kAvisoExtratoDuplicado, 0);
      break;
    }
  }
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosExtrato::ConsisteExtratoDuplicado(const CZQDadosCL_Extrato& dadosChaveExtrato,
                                                                const CCLChavesExtrato& chavesExtrato) {
  LimpaErro();
  if (chavesExtrato.IsEmpty()) return GetErro();
  if (chavesExtrato.Contem(dadosChaveExtrato)) SetAviso(ZQ_MODULO_CL, kAvisoExtratoDuplicado, 0);
  return GetErro();
}

CZQDadosDF_Erro& CCLTrataDadosExtrato::AdicionaAvisoExtrato(const CZQDadosCL_Extrato& dadosExtrato) {
  if (!EhAviso()) return GetErro();
  const CZQString textoAviso = GetTextoMostraMensagem();
  if (textoAviso.IsEmpty()) return GetErro();

  HRESULT hr = S_OK;
  CZQDadosDF_PlanoEmpresarial dadosPlano;
  if (ZQ_FALHOU_EM(this, kClasse, hr,
                   GetAcessoEmpresarial()->LeBufferPlanoContabil(dadosExtrato.GetConta(), &dadosPlano))) {
    SetErro(GetAcessoEmpresarial()->GetErro());
    return GetErro();
  }

  CZQString linhaAviso;
  linhaAviso.Format("Documento: % lld - Conta: %s - Valor: %s - Data de Lançamento: %s \n",
                    static_cast<long long>(dadosExtrato.GetDocumento()), dadosPlano.GetCodigoUsado_Nome().c_str(),
                    CZQCurrencyEx::FormataValorAutomatico(dadosExtrato.GetValor()).c_str(),
                    CZQDma::FormataData(dadosExtrato.GetDmaExtrato(), ZQ_FORMATO_DDMMAA, "/").c_str());

  m_mapAvisos[" - " + textoAviso].Add(linhaAviso);
  return GetErro();
}

CZQDadosCL_Extrato CCLTrataDadosExtrato::GetChaveExtrato(
    const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao, const CZQDadosCL_Extrato& dadosExtrato) const {
  CZQDadosCL_Extrato chave;
  chave.SetConta(dadosExtrato.GetConta());
  if (dadosFiltroImportacao.GetVerificaData()) chave.SetDmaExtrato(dadosExtrato.GetDmaExtrato());
  if (dadosFiltroImportacao.GetVerificaCodigoMovimento()) chave.SetCodigoMvtoBco(dadosExtrato.GetCodigoMvtoBco());
  if (dadosFiltroImportacao.GetVerificaDescricaoMovimento()) chave.SetHistBco(dadosExtrato.GetHistBco());
  if (dadosFiltroImportacao.GetVerificaDocumento()) chave.SetDocumento(dadosExtrato.GetDocumento());
  if (dadosFiltroImportacao.GetVerificaValor()) chave.SetValor(dadosExtrato.GetValor());
  if (dadosFiltroImportacao.GetVerificaSinal()) chave.SetNatureza(dadosExtrato.GetNatureza());
  return chave;
}

HRESULT CCLTrataDadosExtrato::OnInicializa() {
  HRESULT hr = CDFTrataDados::OnInicializa();
  if (ZQ_FALHOU_TEXTO(this, kClasse, hr, "__super::OnInicializa()")) return hr;
  m_mapAvisos.clear();
  return hr;
}

CZQDadosCL_ExtraInfoBase CCLTrataDadosExtrato::TrataRetornoImportacaoExtrato() {
  CZQString caminhoArquivoErros;
  if (!m_mapAvisos.empty()) {
    caminhoArquivoErros =
        cl_import::JuntaCaminho(CZQConfiguracao::Global().DiretorioTemporario(), CL_ARQUIVO_ERROS_IMPORTACAO_EXTRATO);
    std::string relatorio;
    for (const auto& [cabecalho, linhas] : m_mapAvisos) {
      relatorio += cabecalho.str();
      relatorio += '\n';
      for (const CZQString& linha : linhas) relatorio += linha.str();
    }
    // A report that cannot be written is skipped; the caller still learns the path.
    if (cl_import::PreparaDiretorioPrivado(CZQConfiguracao::Global().DiretorioTemporario())) {
      cl_import::GravaArquivo(caminhoArquivoErros.str(), cl_import::TextoComQuebrasWindows(relatorio));
    }
  }

  CZQDadosCL_ExtraInfoBase extraInfo;
  extraInfo.SetTipoInconsistencia(1);
  extraInfo.SetCaminhoArquivoErros(caminhoArquivoErros);
  return extraInfo;
}
