#include "import/cl_importacao_arquivo_extrato.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "frame/zq_config.h"
#include "frame/zq_currency.h"
#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "frame/zq_relogio.h"
#include "frame/zq_trace.h"
#include "import/cl_arquivos.h"
#include "import/cl_chaves_extrato.h"
#include "import/cl_leitor_arquivo_extrato.h"
#include "import/cl_resumo_sha256.h"
#include "import/cl_trata_dados_importacao_extratos.h"
#include "platform/access/zq_acesso_areas.h"
#include "platform/components/zq_janela.h"

namespace {

constexpr const char kClasse[] = "CCLImportacaoArquivoExtrato";

constexpr long kAvisoArquivoIlegivel = 6100;
constexpr long kAvisoTipoArquivo = 6101;
constexpr long kRecusaOutraConta = 6108;
constexpr long kAvisoSemColunas = 6109;
constexpr long kAvisoNenhumaLinha = 6110;
constexpr long kAvisoJaImportado = 6111;
constexpr long kAvisoMesmoConteudo = 6112;
constexpr long kAvisoDuplicado = 5901;

constexpr uintptr_t kEscalaProgresso = 100;

// The text of a catalogue message with its placeholders filled.
template <typename... A>
CZQString TextoMensagem(long codigo, const A&... args) {
  CZQDadosDF_Erro erro;
  erro.SetAvisoPersonalizado(ZQ_MODULO_CL, 0, codigo, args...);
  return erro.GetTextoMostraMensagem();
}

}  // namespace

CCLImportacaoArquivoExtrato::CCLImportacaoArquivoExtrato() = default;
CCLImportacaoArquivoExtrato::~CCLImportacaoArquivoExtrato() = default;

CZQAcessoConciliacao* CCLImportacaoArquivoExtrato::GetAcessoConciliacao() { return AreaConciliacao(); }

HRESULT CCLImportacaoArquivoExtrato::OnInicializa() {
  HRESULT hr = CZQBaseParaRotinas::OnInicializa();
  if (ZQ_FALHOU_TEXTO(this, kClasse, hr, "__super::OnInicializa()")) return hr;
  if (ZQ_FALHOU_EM(this, kClasse, hr, m_trataDadosExtrato.Inicializa(this))) return hr;
  return hr;
}

void CCLImportacaoArquivoExtrato::SetSimulacao(bool simulacao) { m_bSimulacao = simulacao; }
void CCLImportacaoArquivoExtrato::SetRegistraConteudo(bool registra) { m_bRegistraConteudo = registra; }
void CCLImportacaoArquivoExtrato::SetModoSilencioso() { m_bModoSilencioso = true; }
void CCLImportacaoArquivoExtrato::SetParent(CWnd* pParent) {
  if (pParent != nullptr) m_pParent = pParent;
}

void CCLImportacaoArquivoExtrato::AtualizaBarraProgresso(uint32_t valor) {
  if (m_bModoSilencioso || m_pParent == nullptr) return;
  m_pParent->SendMessageA(ZQ_MENSAGEM_PROGRESSO, kEscalaProgresso, static_cast<intptr_t>(valor));
}

void CCLImportacaoArquivoExtrato::Recusa(std::size_t numeroLinha, const CZQDadosCL_Extrato& extrato, long codigo,
                                         const CZQString& detalhe) {
  m_recusadas.push_back({numeroLinha, extrato, codigo, TextoMensagem(codigo, detalhe.c_str())});
}

CZQDadosDF_Erro& CCLImportacaoArquivoExtrato::ImportaArquivo(
    const CZQDadosCL_FiltroImportacaoExtrato& dadosFiltroImportacao) {
  LimpaErro();
  m_gravadas.clear();
  m_recusadas.clear();
  m_ignoradas = 0;
  HRESULT hr = S_OK;

  CCLTrataDadosImportacaoExtratos validador;
  if (ZQ_FALHOU_EM(this, kClasse, hr, validador.Inicializa(this))) {
    SetErro(validador.GetErro());
    return GetErro();
  }
  CZQDadosCL_FiltroImportacaoExtrato pedido = dadosFiltroImportacao;
  const int32_t posicaoLeiaute = pedido.GetPosicaoLeiaute();
  // Without a layout or a file there is nothing to read: the validator says which.
  if (posicaoLeiaute == 0 || pedido.GetArquivo().IsEmpty()) {
    SetErro(validador.TrataGravacao(&pedido));
    return GetErro();
  }

  CZQDadosCL_Leiaute dadosLeiaute;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->LeLeiaute(posicaoLeiaute, dadosLeiaute))) {
    SetErro(GetAcessoConciliacao()->GetErro());
    return GetErro();
  }
  cl_import::LeiauteArquivoExtrato leiaute;
  leiaute.tipoArquivo = dadosLeiaute.GetTipoArquivo();
  leiaute.linhasCabecalho = dadosLeiaute.GetLinhasCabecalho();
  leiaute.linhasRodape = dadosLeiaute.GetLinhasRodape();
  if (leiaute.tipoArquivo != ZQ_TIPO_ARQUIVO_OFX && leiaute.tipoArquivo != ZQ_TIPO_ARQUIVO_DELIMITADO) {
    SetAvisoPersonalizado(ZQ_MODULO_CL, 0, kAvisoTipoArquivo, static_cast<int>(posicaoLeiaute));
    return GetErro();
  }
  if (leiaute.tipoArquivo == ZQ_TIPO_ARQUIVO_DELIMITADO) {
    if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->LeColunasLeiaute(posicaoLeiaute, leiaute.colunas))) {
      SetErro(GetAcessoConciliacao()->GetErro());
      return GetErro();
    }
    if (hr == S_FALSE) {
      SetAvisoPersonalizado(ZQ_MODULO_CL, 0, kAvisoSemColunas, static_cast<int>(posicaoLeiaute));
      return GetErro();
    }
  }

  std::string bytes;
  if (!cl_import::LeArquivo(pedido.GetArquivo().str(), bytes)) {
    SetAvisoPersonalizado(ZQ_MODULO_CL, 0, kAvisoArquivoIlegivel, pedido.GetArquivo().c_str());
    return GetErro();
  }
  // Known by the bytes read, so what is recorded is exactly what was imported.
  ZQArquivoExtratoImportado arquivo;
  if (m_bRegistraConteudo) {
    arquivo.resumo = CZQString(cl_import::ResumoSha256(bytes));
    arquivo.nome = CZQString(std::filesystem::path(pedido.GetArquivo().str()).filename().string());
    arquivo.conta = pedido.GetConta();
    arquivo.dmaImportacao = zq::Hoje().GetDma();
    ZQArquivoExtratoImportado anterior;
    if (ZQ_FALHOU_EM(this, kClasse, hr,
                     GetAcessoConciliacao()->BuscaArquivoExtratoImportado(arquivo.resumo, anterior))) {
      SetErro(GetAcessoConciliacao()->GetErro());
      return GetErro();
    }
    if (hr == S_OK) {
      SetAvisoPersonalizado(ZQ_MODULO_CL, 0, kAvisoMesmoConteudo, arquivo.nome.c_str(), anterior.nome.c_str(),
                            ZQDataTexto(anterior.dmaImportacao).c_str());
      return GetErro();
    }
  }
  cl_import::LeituraArquivoExtrato leitura = cl_import::LeArquivoExtrato(bytes, leiaute);
  std::string().swap(bytes);
  // A file of another kind than its layout reads as nothing at all.
  if (leitura.linhas.empty() && leitura.recusas.empty()) {
    SetAvisoPersonalizado(ZQ_MODULO_CL, 0, kAvisoNenhumaLinha, pedido.GetArquivo().c_str(),
                          static_cast<int>(posicaoLeiaute));
    return GetErro();
  }

  for (const cl_import::RecusaLeituraExtrato& recusa : leitura.recusas) {
    Recusa(recusa.numeroLinha, CZQDadosCL_Extrato(), recusa.codigo, CZQString(recusa.detalhe));
  }
  m_ignoradas = leitura.ignoradas;
  // Every row refused by the reading: they are the whole outcome, with no period to check.
  if (leitura.linhas.empty()) return GetErro();

  // Without a period the statement's is the file's own.
  if (pedido.GetDataInicial() == 0 && pedido.GetDataFinal() == 0) {
    REG_ZQDMA primeira = leitura.linhas.front().extrato.GetDmaExtrato(), ultima = primeira;
    for (const cl_import::LinhaLidaExtrato& lida : leitura.linhas) {
      primeira = std::min(primeira, lida.extrato.GetDmaExtrato());
      ultima = std::max(ultima, lida.extrato.GetDmaExtrato());
    }
    pedido.SetDataInicial(primeira).SetDataFinal(ultima);
  }

  // The request is checked as the screens check it before anything is stored.
  if (validador.TrataGravacao(&pedido).TemErro()) {
    SetErro(validador.GetErro());
    return GetErro();
  }

  // The movement lock date, read once for the whole file.
  CZQDadosCL_Mestre dadosMestre;
  if (ZQ_FALHOU_EM(this, kClasse, hr, GetAcessoConciliacao()->LeBufferMestre(&dadosMestre))) {
    SetErro(GetAcessoConciliacao()->GetErro());
    return GetErro();
  }
  const CZQDma bloqueio = dadosMestre.GetDataBloqueioMovimentacao();

  const bool verificaDuplicidade = pedido.GetVerificaDuplicidade() != 0;
  const bool verificaDescricao = pedido.GetVerificaDescricaoMovimento() != 0;
  const uint16_t filial = static_cast<uint16_t>(pedido.GetFilial() & 0xFFFFu);
  const REG_ZQDMA hoje = zq::Hoje().GetDma();
  // Known keys per account: a layout that names its account may bring several.
  std::map<uint32_t, CCLChavesExtrato> chavesPorConta;

  // What passes waits here and is stored in one batch at the end.
  CZQVector<CZQDadosCL_Extrato> lote;
  std::vector<std::size_t> numerosLote;
  lote.Reserve(leitura.linhas.size());
  numerosLote.reserve(leitura.linhas.size());

  const std::size_t quantidade = leitura.linhas.size();
  for (std::size_t indice = 0; indice < quantidade; ++indice) {
    AtualizaBarraProgresso(static_cast<uint32_t>(static_cast<uint64_t>(indice) * 100u / quantidade));
    cl_import::LinhaLidaExtrato& lida = leitura.linhas[indice];
    CZQDadosCL_Extrato& dadosExtrato = lida.extrato;

    uint32_t conta = pedido.GetConta();
    if (lida.conta != 0) {
      if (conta != 0 && conta != lida.conta) {
        Recusa(lida.numeroLinha, dadosExtrato, kRecusaOutraConta, CZQString(std::to_string(lida.conta)));
        continue;
      }
      conta = lida.conta;
    }
    if (conta == 0) {
      Recusa(lida.numeroLinha, dadosExtrato, cl_import::CL_RECUSA_CONTA, CZQString());
      continue;
    }
    dadosExtrato.SetConta(conta).SetFilial(filial).SetDmaImportacao(hoje);

    auto [chaves, nova] = chavesPorConta.try_emplace(conta);
    // Each account's chart record is read once: a store failure there stops the file.
    CZQAcessoEmpresarial* empresarial = AreaEmpresarial();
    CZQDadosDF_PlanoEmpresarial dadosPlano;
    if (nova && ZQ_FALHOU_EM(this, kClasse, hr, empresarial->LeBufferPlanoContabil(conta, &dadosPlano))) {
      SetErro(empresarial->GetErro());
      return GetErro();
    }
    if (nova && verificaDuplicidade) {
      CZQDadosCL_FiltroImportacaoExtrato pedidoConta = pedido;
      pedidoConta.SetConta(conta);
      CZQDadosCL_FiltroExtrato dadosFiltroExtrato;
      dadosFiltroExtrato.SetFiltroImportacao(pedidoConta);
      CZQVector<uint32_t> listaPonteirosExtrato;
      CZQVector<CZQDadosCL_Extrato> listaExtratos;
      if (ZQ_FALHOU_EM(
              this, kClasse, hr,
              GetAcessoConciliacao()->BuscaPonteirosMovimentoExtrato(dadosFiltroExtrato, listaPonteirosExtrato)) ||
          ZQ_FALHOU_EM(this, kClasse, hr,
                       GetAcessoConciliacao()->BuscaRegistrosMovimentoExtrato(dadosFiltroExtrato, listaPonteirosExtrato,
                                                                              listaExtratos))) {
        SetErro(GetAcessoConciliacao()->GetErro());
        return GetErro();
      }
      // The stored keys, and the file's when it is all this account's.
      chaves->second.Reserva(listaExtratos.Std().size() + (pedido.GetConta() != 0 ? quantidade : 0));
      for (const CZQDadosCL_Extrato& guardado : listaExtratos) {
        chaves->second.AdicionaSeNova(m_trataDadosExtrato.GetChaveExtrato(pedido, guardado));
      }
      if (verificaDescricao) chaves->second.HistoricoEmMaiusculas();
    }

    // Compared in upper case when the history is part of the key, stored as written.
    CZQDadosCL_Extrato dadosValidacao = dadosExtrato;
    if (verificaDescricao) {
      CZQString historico = dadosValidacao.GetHistBco();
      dadosValidacao.SetHistBco(historico.MakeUpper());
    }
    const CZQDadosDF_Erro& resultado =
        m_trataDadosExtrato.ConsisteDadosExtratoArquivo(dadosValidacao, pedido, chaves->second, bloqueio);
    if (resultado.TemErro()) {
      if (resultado.EhAviso()) {
        m_recusadas.push_back(
            {lida.numeroLinha, dadosExtrato, resultado.GetCodigoMensagem(), resultado.GetTextoMostraMensagem()});
      } else if (resultado.GetTipoErro() == ZQ_TIPO_ERRO_DESCARTE) {
        ++m_ignoradas;
      } else {
        // The store failed while validating: stop before anything is stored.
        SetErro(resultado);
        return GetErro();
      }
      continue;
    }

    if (verificaDuplicidade) chaves->second.Adiciona(m_trataDadosExtrato.GetChaveExtrato(pedido, dadosValidacao));
    lote.Add(std::move(dadosExtrato));
    numerosLote.push_back(lida.numeroLinha);
  }

  if (!m_bSimulacao && !lote.IsEmpty()) {
    const HRESULT hrGravacao = GetAcessoConciliacao()->GravaExtratos(lote, m_bRegistraConteudo ? &arquivo : nullptr);
    if (hrGravacao == ZQ_E_ARQUIVO_JA_IMPORTADO) {
      // Another import of the same content got there first.
      ZQArquivoExtratoImportado anterior = arquivo;
      GetAcessoConciliacao()->BuscaArquivoExtratoImportado(arquivo.resumo, anterior);
      SetAvisoPersonalizado(ZQ_MODULO_CL, 0, kAvisoMesmoConteudo, arquivo.nome.c_str(), anterior.nome.c_str(),
                            ZQDataTexto(anterior.dmaImportacao).c_str());
      return GetErro();
    }
    if (ZQ_FALHOU_EM(this, kClasse, hr, hrGravacao)) {
      SetErro(GetAcessoConciliacao()->GetErro());
      return GetErro();
    }
  }
  m_gravadas.reserve(static_cast<std::size_t>(lote.GetQuantidade()));
  for (std::size_t i = 0; i < numerosLote.size(); ++i) {
    m_gravadas.push_back({numerosLote[i], std::move(lote[i]), 0, CZQString()});
  }

  std::stable_sort(
      m_recusadas.begin(), m_recusadas.end(),
      [](const CCLLinhaArquivoExtrato& a, const CCLLinhaArquivoExtrato& b) { return a.numeroLinha < b.numeroLinha; });
  AtualizaBarraProgresso(100);

  // Every row already stored: the file itself was imported before.
  const bool todasDuplicadas =
      std::all_of(m_recusadas.begin(), m_recusadas.end(),
                  [](const CCLLinhaArquivoExtrato& recusada) { return recusada.codigo == kAvisoDuplicado; });
  if (m_gravadas.empty() && !m_recusadas.empty() && todasDuplicadas) {
    SetAvisoPersonalizado(ZQ_MODULO_CL, 0, kAvisoJaImportado, pedido.GetArquivo().c_str());
  }
  return GetErro();
}

std::string CCLImportacaoArquivoExtrato::TextoRelatorio() const {
  std::string relatorio;
  for (const CCLLinhaArquivoExtrato& recusada : m_recusadas) {
    CZQString linha;
    linha.Format("Linha %zu: %s", recusada.numeroLinha, recusada.motivo.c_str());
    if (recusada.extrato.GetDmaExtrato() != 0) {
      linha.AppendFormat(" - Documento: %lld - Valor: %s%s - Data de Lançamento: %s",
                         static_cast<long long>(recusada.extrato.GetDocumento()),
                         recusada.extrato.GetNatureza() == ZQ_NATUREZA_DEBITO ? "-" : "",
                         CZQCurrencyEx::FormataValorAutomatico(recusada.extrato.GetValor()).c_str(),
                         CZQDma::FormataData(recusada.extrato.GetDmaExtrato(), ZQ_FORMATO_DDMMAA, "/").c_str());
    }
    relatorio += linha.str();
    relatorio += '\n';
  }
  return relatorio;
}

CZQDadosCL_ExtraInfoBase CCLImportacaoArquivoExtrato::GetExtraInfoBase() {
  CZQString caminhoArquivoErros;
  if (!m_recusadas.empty()) {
    const std::string diretorio = CZQConfiguracao::Global().DiretorioTemporario();
    caminhoArquivoErros = cl_import::JuntaCaminho(diretorio, CL_ARQUIVO_ERROS_IMPORTACAO_ARQUIVO);
    // A report that cannot be written is skipped; the caller still learns the path.
    if (cl_import::PreparaDiretorioPrivado(diretorio)) {
      cl_import::GravaArquivo(caminhoArquivoErros.str(), cl_import::TextoComQuebrasWindows(TextoRelatorio()));
    }
  }
  CZQDadosCL_ExtraInfoBase extraInfo;
  extraInfo.SetTipoInconsistencia(1);
  extraInfo.SetCaminhoArquivoErros(caminhoArquivoErros);
  return extraInfo;
}
