// The OFX statement reader of the import routine.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "frame/zq_trace.h"
#include "import/cl_acesso_rotina.h"
#include "import/cl_arquivos.h"
#include "import/cl_importacao_extrato.h"
#include "import/cl_ofx.h"
#include "platform/zq_acesso_areas.h"

namespace {

constexpr const char kClasse[] = "CCLImportacaoExtrato";

constexpr long kAvisoArquivoNaoAbre = 5813;
// Class number the error of an unreadable layout carries.
constexpr int kClasseLeiaute = 2103;

constexpr unsigned char kMarcaUtf8[] = {0xEF, 0xBB, 0xBF};

// Lines of the normalised text: pieces between "\n", the last one without a break
// included when not empty.
std::size_t ContaLinhas(std::string_view texto) {
  std::size_t linhas = 0;
  std::size_t inicio = 0;
  while (inicio < texto.size()) {
    const void* quebra = std::memchr(texto.data() + inicio, '\n', texto.size() - inicio);
    ++linhas;
    if (!quebra) break;
    inicio = static_cast<std::size_t>(static_cast<const char*>(quebra) - texto.data()) + 1;
  }
  return linhas;
}

// A line as the field taker reads it: without line breaks and double quotes, and
// without white space at its right end. `linha` is reused from line to line.
void PreparaLinha(std::string_view peca, std::string& linha) {
  linha.assign(peca);
  linha.erase(std::remove_if(linha.begin(), linha.end(), [](char c) { return c == '"' || c == '\r' || c == '\n'; }),
              linha.end());
  std::size_t fim = linha.size();
  while (fim > 0) {
    const char c = linha[fim - 1];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\v' && c != '\f') break;
    --fim;
  }
  linha.resize(fim);
}

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

  std::string normalizado = cl_import::NormalizaTextoOfx(texto.str());
  std::string().swap(texto.str());
  const std::size_t quantidadeLinhas = ContaLinhas(normalizado);

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

  // Header and trailer lines of the layout; a count larger than the lines drops nothing.
  std::size_t primeira = 0;
  std::size_t fim = quantidadeLinhas;
  const std::size_t cabecalho = RegLeiauteps.iLinhasCabecalho;
  if (cabecalho != 0 && cabecalho <= quantidadeLinhas) primeira = cabecalho;
  const std::size_t rodape = RegLeiauteps.iLinhasRodape;
  if (rodape != 0 && rodape <= fim - primeira) fim -= rodape;

  // Only whether the remembered line held a history tag matters to the field taker.
  bool anteriorTemHistorico = false;
  CZQDadosCL_Extrato dadosExtrato;
  std::string linha;
  const std::string_view textoLinhas(normalizado);
  std::size_t inicio = 0;
  for (std::size_t indice = 0; indice < fim; ++indice) {
    const std::size_t quebra = textoLinhas.find('\n', inicio);
    const std::size_t tamanho = quebra == std::string_view::npos ? textoLinhas.size() - inicio : quebra - inicio;
    const std::string_view peca = textoLinhas.substr(inicio, tamanho);
    inicio = quebra == std::string_view::npos ? textoLinhas.size() : quebra + 1;
    if (indice < primeira) continue;

    PreparaLinha(peca, linha);
    const bool linhaTemHistorico = cl_import::AplicaLinhaOfx(linha, dadosExtrato);
    bool historicoCompleto = false;
    if (!(linhaTemHistorico && anteriorTemHistorico)) {
      anteriorTemHistorico = linhaTemHistorico;
      historicoCompleto = linhaTemHistorico;
    }
    if (!historicoCompleto) continue;

    if (dadosExtrato.GetValor() > 0 && dadosExtrato.GetNatureza() != '*') {
      dadosExtrato.SetConta(dadosFiltroImportacao.GetConta());
      dadosExtrato.SetFilial(static_cast<uint16_t>(dadosFiltroImportacao.GetFilial() & 0xFFFFu));
      listaExtratos.Add(dadosExtrato);
    }
    dadosExtrato.Limpar();
  }

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

void CCLImportacaoExtrato::ConverteParaUTF8(CZQString& texto) {
  std::string& bytes = texto.str();
  if (bytes.size() >= 3 && std::memcmp(bytes.data(), kMarcaUtf8, 3) == 0) bytes.erase(0, 3);
  // The module keeps its texts in UTF-8: a file that is not UTF-8 is in the banks'
  // code page 1252 and is converted here, at the edge.
  if (!cl_import::EhUtf8ValidoOfx(bytes)) bytes = zq::Cp1252ParaUtf8(bytes);
}
