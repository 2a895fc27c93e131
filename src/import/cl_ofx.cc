#include "import/cl_ofx.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "frame/zq_conversao.h"
#include "frame/zq_data.h"
#include "frame/zq_string.h"

namespace cl_import {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Closing tags that give way to the line break when the next tag touches them.
bool EhFechamentoSubstituido(std::string_view token) {
  return token == "</TRNTYPE>" || token == "</DTPOSTED>" || token == "</TRNAMT>" || token == "</MCHKNUM>" ||
         token == "</CHECKNUM>" || token == "</MEMO>";
}

// Opening tags of the fields, in the order they are looked for.
enum Tag : int { TRNTYPE, DTPOSTED, TRNAMT, CHKNUM, CHECKNUM, MEMO, NAME, QUANTIDADE_TAGS };
constexpr std::string_view kTags[QUANTIDADE_TAGS] = {"<TRNTYPE>",  "<DTPOSTED>", "<TRNAMT>", "<CHKNUM>",
                                                     "<CHECKNUM>", "<MEMO>",     "<NAME>"};

bool EhBranco(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view SemBrancos(std::string_view s) {
  while (!s.empty() && EhBranco(s.front())) s.remove_prefix(1);
  while (!s.empty() && EhBranco(s.back())) s.remove_suffix(1);
  return s;
}

// First place of each opening tag in the line, in one pass over its "<". The letter
// after "<" tells which tags can start there, so most "<" cost one comparison.
void LocalizaTags(std::string_view linha, std::size_t (&posicoes)[QUANTIDADE_TAGS]) {
  for (std::size_t& p : posicoes) p = npos;
  const char* inicio = linha.data();
  const char* fim = inicio + linha.size();
  const char* p = inicio;
  while (p < fim) {
    const void* achado = std::memchr(p, '<', static_cast<std::size_t>(fim - p));
    if (!achado) break;
    p = static_cast<const char*>(achado);
    const std::string_view resto(p, static_cast<std::size_t>(fim - p));
    auto marca = [&](Tag tag) {
      if (posicoes[tag] == npos && resto.starts_with(kTags[tag])) posicoes[tag] = static_cast<std::size_t>(p - inicio);
    };
    if (resto.size() > 1) {
      switch (resto[1]) {
        case 'T':
          marca(TRNTYPE);
          marca(TRNAMT);
          break;
        case 'D':
          marca(DTPOSTED);
          break;
        case 'C':
          marca(CHKNUM);
          marca(CHECKNUM);
          break;
        case 'M':
          marca(MEMO);
          break;
        case 'N':
          marca(NAME);
          break;
        default:
          break;
      }
    }
    ++p;
  }
}

// The value that follows a tag: up to its closing tag when the line holds one (empty if
// that closing tag stands before the value), else the rest of the line.
std::string_view ValorAteFechamento(std::string_view linha, std::size_t inicio, std::string_view fechamento,
                                    bool& temFechamento) {
  const std::size_t fim = linha.find(fechamento);
  temFechamento = fim != npos;
  if (inicio > linha.size()) inicio = linha.size();
  if (!temFechamento) return linha.substr(inicio);
  return fim < inicio ? std::string_view() : linha.substr(inicio, fim - inicio);
}

// At most `caracteres` UTF-8 characters from the start of the text.
std::string_view PrimeirosCaracteres(std::string_view texto, int caracteres) {
  std::size_t i = 0;
  for (int n = 0; n < caracteres && i < texto.size(); ++n) {
    const unsigned char c = static_cast<unsigned char>(texto[i]);
    i += c < 0x80 ? 1 : static_cast<std::size_t>(zq::TamanhoSequenciaUtf8(c));
  }
  return texto.substr(0, i < texto.size() ? i : texto.size());
}

void AplicaTipo(std::string_view linha, std::size_t p, CZQDadosCL_Extrato& extrato) {
  bool temFechamento = false;
  std::string_view valor = ValorAteFechamento(linha, p + kTags[TRNTYPE].size(), "</TRNTYPE>", temFechamento);
  if (!temFechamento) valor = SemBrancos(valor);
  extrato.SetNatureza(valor == "DEBIT" ? ZQ_NATUREZA_DEBITO : ZQ_NATUREZA_CREDITO);
}

void AplicaData(std::string_view linha, std::size_t p, CZQDadosCL_Extrato& extrato) {
  const std::size_t inicio = p + kTags[DTPOSTED].size();
  const std::string_view valor = inicio <= linha.size() ? linha.substr(inicio) : std::string_view();
  extrato.SetDmaExtrato(zq::DataValorOfx(valor).GetDma());
}

void AplicaValor(std::string& linha, CZQDadosCL_Extrato& extrato) {
  const std::size_t menos = linha.find('-');
  if (menos != npos) {
    extrato.SetNatureza(ZQ_NATUREZA_DEBITO);
    linha.erase(menos, 1);
  }
  const std::size_t p = linha.find(kTags[TRNAMT]);
  if (p == npos) return;  // only a line that held the tag gets here
  bool temFechamento = false;
  const std::string_view valor = ValorAteFechamento(linha, p + kTags[TRNAMT].size(), "</TRNAMT>", temFechamento);
  tagCY cy = 0;
  zq::TextoParaValor(valor, cy);  // a text without digits is no amount: 0
  extrato.SetValor(cy);
}

void AplicaDocumento(std::string_view linha, std::size_t p, Tag tag, std::string_view fechamento,
                     CZQDadosCL_Extrato& extrato) {
  bool temFechamento = false;
  const std::string_view valor = ValorAteFechamento(linha, p + kTags[tag].size(), fechamento, temFechamento);
  // Only the digits count, and of them the last 16 (a 64-bit number holds them all):
  // gathered from the end, so a long value is not walked twice.
  constexpr int kMaximoDigitos = 16;
  int64_t documento = 0;
  int64_t peso = 1;
  int quantidade = 0;
  for (std::size_t i = valor.size(); i > 0 && quantidade < kMaximoDigitos; --i) {
    const char c = valor[i - 1];
    if (c < '0' || c > '9') continue;
    documento += (c - '0') * peso;
    peso *= 10;
    ++quantidade;
  }
  extrato.SetDocumento(documento);
}

void AplicaHistorico(std::string_view linha, std::size_t p, Tag tag, std::string_view fechamento,
                     CZQDadosCL_Extrato& extrato) {
  bool temFechamento = false;
  std::string_view valor = ValorAteFechamento(linha, p + kTags[tag].size(), fechamento, temFechamento);
  if (!temFechamento) valor = PrimeirosCaracteres(valor, kMaximoCaracteresHistoricoOfx);
  extrato.SetHistBco(CZQString(valor));
}

}  // namespace

std::string NormalizaTextoOfx(std::string_view s) {
  // The header goes: everything before the first "<" found from the second character.
  if (s.size() > 1) {
    const std::size_t k = s.find('<', 1);
    if (k != npos) s.remove_prefix(k);
  }

  // The text being worked on is always `saida` (final), then a line break inserted at
  // the working position when `quebra` is set, then s[pos...] as it came. Each round
  // moves pos past one tag, so the whole walk reads every byte a bounded number of times.
  std::string saida;
  saida.reserve(s.size() + s.size() / 8 + 16);
  const std::size_t n = s.size();
  std::size_t pos = 0;
  bool quebra = false;
  for (;;) {
    const std::size_t fimTag = s.find('>', pos);
    // The tag ends the text (or is never closed): nothing follows to split from.
    if (fimTag == npos || fimTag + 1 >= n) break;

    std::string_view token = s.substr(pos, fimTag - pos + 1);
    // A token that does not begin with "<" begins with the break put there before (or
    // with the text's first character): that character is not part of the tag.
    if (!quebra && token.front() != '<') token.remove_prefix(1);

    if (s[fimTag + 1] != '<') {
      // Text follows the tag: it stays on the tag's line; go on at the next tag.
      const std::size_t proxima = s.find('<', fimTag + 1);
      if (proxima == npos) break;
      if (quebra) saida += '\n';
      saida.append(s, pos, proxima - pos);
      quebra = false;
      pos = proxima;
      continue;
    }

    if (EhFechamentoSubstituido(token)) {
      // The closing tag itself gives way to the break; the next round starts at the break.
      const std::size_t fimRelativo = (quebra ? 1 : 0) + (fimTag - pos);
      quebra = true;
      pos = fimTag + 1;
      // The text shrank: when the tag's old end now lies at or past its end, stop.
      if (fimRelativo >= 1 + (n - pos)) break;
      continue;
    }

    if (quebra) saida += '\n';
    saida.append(s, pos, fimTag + 1 - pos);
    quebra = true;
    pos = fimTag + 1;
  }
  if (quebra) saida += '\n';
  saida.append(s, pos, npos);
  return saida;
}

bool EhUtf8ValidoOfx(std::string_view bytes) {
  const char* dados = bytes.data();
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    while (i + 8 <= n) {
      uint64_t palavra;
      std::memcpy(&palavra, dados + i, 8);
      if (palavra & 0x8080808080808080ull) break;
      i += 8;
    }
    while (i < n && static_cast<unsigned char>(dados[i]) < 0x80) ++i;
    if (i >= n) break;
    // One sequence, judged by the shared rules (lead byte, overlong forms, surrogates).
    const std::size_t tamanho =
        static_cast<std::size_t>(zq::TamanhoSequenciaUtf8(static_cast<unsigned char>(dados[i])));
    if (i + tamanho > n || !zq::EhUtf8Valido(bytes.substr(i, tamanho))) return false;
    i += tamanho;
  }
  return true;
}

bool TemTagHistoricoOfx(std::string_view linha) {
  return linha.find(kTags[MEMO]) != npos || linha.find(kTags[NAME]) != npos;
}

bool AplicaLinhaOfx(std::string& linha, CZQDadosCL_Extrato& extrato) {
  std::size_t posicoes[QUANTIDADE_TAGS];
  LocalizaTags(linha, posicoes);

  int usada = QUANTIDADE_TAGS;
  for (int t = 0; t < QUANTIDADE_TAGS; ++t) {
    if (posicoes[t] != npos) {
      usada = t;
      break;
    }
  }

  bool historico = posicoes[MEMO] != npos || posicoes[NAME] != npos;
  switch (usada) {
    case TRNTYPE:
      AplicaTipo(linha, posicoes[TRNTYPE], extrato);
      break;
    case DTPOSTED:
      AplicaData(linha, posicoes[DTPOSTED], extrato);
      break;
    case TRNAMT: {
      const std::size_t antes = linha.size();
      AplicaValor(linha, extrato);
      // The sign deleted may have joined the text into another tag.
      if (linha.size() != antes) historico = TemTagHistoricoOfx(linha);
      break;
    }
    case CHKNUM:
      AplicaDocumento(linha, posicoes[CHKNUM], CHKNUM, "</CHKNUM>", extrato);
      break;
    case CHECKNUM:
      AplicaDocumento(linha, posicoes[CHECKNUM], CHECKNUM, "</CHECKNUM>", extrato);
      break;
    case MEMO:
      AplicaHistorico(linha, posicoes[MEMO], MEMO, "</MEMO>", extrato);
      break;
    case NAME:
      AplicaHistorico(linha, posicoes[NAME], NAME, "</NAME>", extrato);
      break;
    default:
      break;
  }
  return historico;
}

namespace {

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
  while (fim > 0 && EhBranco(linha[fim - 1])) --fim;
  linha.resize(fim);
}

}  // namespace

void LeTransacoesOfx(std::string_view texto, std::size_t cabecalho, std::size_t rodape,
                     const std::function<void(CZQDadosCL_Extrato&, std::size_t)>& recebe) {
  const std::string normalizado = NormalizaTextoOfx(texto);
  const std::size_t quantidadeLinhas = ContaLinhas(normalizado);
  std::size_t primeira = 0;
  std::size_t fim = quantidadeLinhas;
  if (cabecalho != 0 && cabecalho <= quantidadeLinhas) primeira = cabecalho;
  if (rodape != 0 && rodape <= fim - primeira) fim -= rodape;

  // Only whether the remembered line held a history tag matters to the field taker.
  bool anteriorTemHistorico = false;
  std::size_t transacoes = 0;
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
    const bool linhaTemHistorico = AplicaLinhaOfx(linha, dadosExtrato);
    bool historicoCompleto = false;
    if (!(linhaTemHistorico && anteriorTemHistorico)) {
      anteriorTemHistorico = linhaTemHistorico;
      historicoCompleto = linhaTemHistorico;
    }
    if (!historicoCompleto) continue;

    ++transacoes;
    if (dadosExtrato.GetValor() > 0 && dadosExtrato.GetNatureza() != '*') recebe(dadosExtrato, transacoes);
    dadosExtrato.Limpar();
  }
}

void TextoArquivoParaUtf8(std::string& bytes) {
  static constexpr unsigned char kMarcaUtf8[] = {0xEF, 0xBB, 0xBF};
  if (bytes.size() >= 3 && std::memcmp(bytes.data(), kMarcaUtf8, 3) == 0) bytes.erase(0, 3);
  if (!EhUtf8ValidoOfx(bytes)) bytes = zq::Cp1252ParaUtf8(bytes);
}

std::size_t ContaTransacoesOfx(std::string_view texto) {
  constexpr std::string_view kAbertura = "<STMTTRN>";
  // The fewest bytes of a transaction that reads: its opening, an amount, a date, a memo.
  constexpr std::size_t kMenorTransacao = 48;
  std::size_t quantidade = 0;
  for (std::size_t p = texto.find(kAbertura); p != std::string_view::npos; p = texto.find(kAbertura, p + 1)) {
    ++quantidade;
  }
  // A text of bare openings asks for no more than a text of real transactions would.
  return std::min(quantidade, texto.size() / kMenorTransacao);
}

}  // namespace cl_import
