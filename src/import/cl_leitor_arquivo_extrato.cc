#include "import/cl_leitor_arquivo_extrato.h"

#include <algorithm>
#include <cctype>

#include "frame/zq_data.h"
#include "import/cl_ofx.h"

namespace cl_import {

namespace {

constexpr int64_t kEscalaValor = 10000;
// More integer digits than this cannot be an amount of a statement and would overflow.
constexpr int kMaximoDigitosInteiros = 14;
constexpr std::size_t kMaximoDigitosDocumento = 16;
constexpr std::size_t kMaximoHistorico = 99;
constexpr std::size_t kMaximoCodigoMvto = 4;

bool EhBranco(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view SemBrancos(std::string_view s) {
  while (!s.empty() && EhBranco(s.front())) s.remove_prefix(1);
  while (!s.empty() && EhBranco(s.back())) s.remove_suffix(1);
  return s;
}

bool EhDigito(char c) { return c >= '0' && c <= '9'; }

// A row whose history says it is a balance, in the forms banks write one.
bool EhLinhaSaldo(std::string_view historico) {
  std::string texto(SemBrancos(historico));
  std::transform(texto.begin(), texto.end(), texto.begin(), [](unsigned char c) { return std::toupper(c); });
  return texto.starts_with("SALDO") || texto == "S A L D O";
}

// Digits of a document, the last 16 of them, as a number (0 when there are none).
int64_t LeDocumento(std::string_view texto) {
  std::string digitos;
  for (char c : texto)
    if (EhDigito(c)) digitos += c;
  if (digitos.size() > kMaximoDigitosDocumento) digitos.erase(0, digitos.size() - kMaximoDigitosDocumento);
  int64_t n = 0;
  for (char c : digitos) n = n * 10 + (c - '0');
  return n;
}

// Cuts a UTF-8 text to at most `maximo` bytes without splitting a character.
std::string CortaUtf8(std::string_view texto, std::size_t maximo) {
  if (texto.size() <= maximo) return std::string(texto);
  std::size_t fim = maximo;
  while (fim > 0 && (static_cast<unsigned char>(texto[fim]) & 0xC0) == 0x80) --fim;
  return std::string(texto.substr(0, fim));
}

const std::string& Campo(const std::vector<std::string>& campos, uint16_t coluna) {
  static const std::string vazio;
  return coluna == 0 ? vazio : campos[coluna - 1u];
}

void LeOfx(std::string_view texto, const LeiauteArquivoExtrato& leiaute, LeituraArquivoExtrato& leitura) {
  leitura.linhas.reserve(ContaTransacoesOfx(texto));
  LeTransacoesOfx(texto, leiaute.linhasCabecalho, leiaute.linhasRodape,
                  [&](CZQDadosCL_Extrato& extrato, std::size_t numero) {
                    // A date the OFX reader could not take is the empty date: refused here rather
                    // than stored with no day.
                    if (!CZQDma::EhValida(extrato.GetDmaExtrato())) {
                      leitura.recusas.push_back({numero, CL_RECUSA_DATA, "DTPOSTED"});
                      return;
                    }
                    // No type and no minus sign: an amount with no sign is money in.
                    if (extrato.GetNatureza() == '\0') extrato.SetNatureza(ZQ_NATUREZA_CREDITO);
                    leitura.linhas.push_back({numero, std::move(extrato), 0});
                  });
}

// One delimited row into a statement line; false with the reason when it does not read.
bool LeLinhaDelimitada(const std::vector<std::string>& campos, const REG_LEIAUTE_COLUNASPS& c, LinhaLidaExtrato& lida,
                       RecusaLeituraExtrato& recusa, bool& ignorar) {
  CZQDadosCL_Extrato& extrato = lida.extrato;
  const std::string& historico = Campo(campos, c.iColunaHistorico);

  REG_ZQDMA data = 0;
  const std::string& textoData = Campo(campos, c.iColunaData);
  if (!LeDataTexto(textoData, c.sFormatoData.str(), data)) {
    // Banks put the balance on rows of their own, often with no date.
    ignorar = EhLinhaSaldo(historico);
    recusa = {0, CL_RECUSA_DATA, textoData};
    return false;
  }

  tagCY valor = 0;
  char natureza = '+';
  if (c.iColunaValor != 0) {
    const std::string& textoValor = Campo(campos, c.iColunaValor);
    if (!LeValorTexto(textoValor, c.cMarcaDecimal, valor)) {
      recusa = {0, CL_RECUSA_VALOR, textoValor};
      return false;
    }
    if (valor < 0) natureza = '-';
    if (c.iColunaNatureza != 0) {
      std::string flag(SemBrancos(Campo(campos, c.iColunaNatureza)));
      std::transform(flag.begin(), flag.end(), flag.begin(), [](unsigned char ch) { return std::toupper(ch); });
      if (flag == "D" || flag == "-" || flag == "DEBITO" || flag == "DÉBITO") {
        natureza = '-';
      } else if (flag == "C" || flag == "+" || flag == "CREDITO" || flag == "CRÉDITO") {
        natureza = '+';
      } else {
        recusa = {0, CL_RECUSA_NATUREZA, Campo(campos, c.iColunaNatureza)};
        return false;
      }
    }
  } else {
    tagCY credito = 0, debito = 0;
    const std::string& textoCredito = Campo(campos, c.iColunaCredito);
    const std::string& textoDebito = Campo(campos, c.iColunaDebito);
    if (!LeValorTexto(textoCredito, c.cMarcaDecimal, credito)) {
      recusa = {0, CL_RECUSA_VALOR, textoCredito};
      return false;
    }
    if (!LeValorTexto(textoDebito, c.cMarcaDecimal, debito)) {
      recusa = {0, CL_RECUSA_VALOR, textoDebito};
      return false;
    }
    if (credito != 0 && debito != 0) {
      recusa = {0, CL_RECUSA_CREDITO_DEBITO, textoCredito + " / " + textoDebito};
      return false;
    }
    // Some banks write the debit column with its minus sign; the column says what it is.
    valor = credito != 0 ? credito : debito;
    natureza = credito != 0 ? '+' : '-';
  }
  if (valor == 0) {
    ignorar = true;
    return false;
  }

  if (c.iColunaConta != 0) {
    const std::string_view textoConta = SemBrancos(Campo(campos, c.iColunaConta));
    uint64_t conta = 0;
    bool ok = !textoConta.empty() && textoConta.size() <= 10;
    for (char ch : textoConta) {
      ok = ok && EhDigito(ch);
      if (ok) conta = conta * 10 + static_cast<uint64_t>(ch - '0');
    }
    if (!ok || conta == 0 || conta > UINT32_MAX) {
      recusa = {0, CL_RECUSA_CONTA, std::string(textoConta)};
      return false;
    }
    lida.conta = static_cast<uint32_t>(conta);
  }

  extrato.SetNatureza(natureza)
      .SetDmaExtrato(data)
      .SetValor(valor < 0 ? -valor : valor)
      .SetDocumento(LeDocumento(Campo(campos, c.iColunaDocumento)))
      .SetHistBco(CZQString(CortaUtf8(historico, kMaximoHistorico)))
      .SetCodigoMvtoBco(CZQString(CortaUtf8(Campo(campos, c.iColunaCodigoMvto), kMaximoCodigoMvto)));
  return true;
}

void LeDelimitado(std::string_view texto, const LeiauteArquivoExtrato& leiaute, LeituraArquivoExtrato& leitura) {
  std::vector<std::string_view> linhas;
  // Counted first: a million rows then fill their lists without moving them again.
  linhas.reserve(static_cast<std::size_t>(std::count(texto.begin(), texto.end(), '\n')) + 1);
  for (std::size_t inicio = 0; inicio < texto.size();) {
    std::size_t quebra = texto.find('\n', inicio);
    if (quebra == std::string_view::npos) quebra = texto.size();
    std::string_view linha = texto.substr(inicio, quebra - inicio);
    if (!linha.empty() && linha.back() == '\r') linha.remove_suffix(1);
    linhas.push_back(linha);
    inicio = quebra + 1;
  }
  // A count larger than the rows drops nothing, as the OFX reader does.
  std::size_t primeira = 0, fim = linhas.size();
  if (leiaute.linhasCabecalho != 0 && leiaute.linhasCabecalho <= fim) primeira = leiaute.linhasCabecalho;
  if (leiaute.linhasRodape != 0 && leiaute.linhasRodape <= fim - primeira) fim -= leiaute.linhasRodape;

  // Every row, unless the rows are too short to read (a file of empty lines reserves
  // nothing like a line per byte).
  leitura.linhas.reserve(std::min(fim - primeira, texto.size() / 32));
  const REG_LEIAUTE_COLUNASPS& c = leiaute.colunas;
  const uint16_t colunasUsadas =
      std::max({c.iColunaData, c.iColunaValor, c.iColunaCredito, c.iColunaDebito, c.iColunaNatureza, c.iColunaDocumento,
                c.iColunaHistorico, c.iColunaCodigoMvto, c.iColunaConta});
  std::vector<std::string> campos;
  for (std::size_t i = primeira; i < fim; ++i) {
    const std::size_t numero = i + 1;
    if (SemBrancos(linhas[i]).empty()) {
      ++leitura.ignoradas;
      continue;
    }
    SeparaCampos(linhas[i], c.cDelimitador, campos);
    if (campos.size() < colunasUsadas) {
      leitura.recusas.push_back({numero, CL_RECUSA_COLUNAS, std::to_string(campos.size())});
      continue;
    }
    LinhaLidaExtrato lida;
    RecusaLeituraExtrato recusa;
    bool ignorar = false;
    if (LeLinhaDelimitada(campos, c, lida, recusa, ignorar)) {
      lida.numeroLinha = numero;
      leitura.linhas.push_back(std::move(lida));
    } else if (ignorar) {
      ++leitura.ignoradas;
    } else {
      recusa.numeroLinha = numero;
      leitura.recusas.push_back(std::move(recusa));
    }
  }
}

}  // namespace

void SeparaCampos(std::string_view linha, char delimitador, std::vector<std::string>& campos) {
  // The strings of the previous row are filled again: a million rows then allocate
  // nothing once their fields have found their sizes.
  std::size_t quantidade = 0;
  auto novoCampo = [&]() -> std::string& {
    if (quantidade == campos.size()) campos.emplace_back();
    std::string& campo = campos[quantidade++];
    campo.clear();
    return campo;
  };
  auto apara = [](std::string& campo) {
    const std::string_view aparado = SemBrancos(campo);
    const std::size_t inicio = static_cast<std::size_t>(aparado.data() - campo.data()), tamanho = aparado.size();
    campo.erase(inicio + tamanho);
    campo.erase(0, inicio);
  };
  std::string* campo = &novoCampo();
  bool aspas = false;
  for (std::size_t i = 0; i < linha.size(); ++i) {
    const char ch = linha[i];
    if (aspas) {
      if (ch == '"' && i + 1 < linha.size() && linha[i + 1] == '"') {
        *campo += '"';
        ++i;
      } else if (ch == '"') {
        aspas = false;
      } else {
        *campo += ch;
      }
    } else if (ch == '"') {
      aspas = true;
    } else if (ch == delimitador) {
      apara(*campo);
      campo = &novoCampo();
    } else {
      *campo += ch;
    }
  }
  apara(*campo);
  campos.resize(quantidade);
}

bool LeValorTexto(std::string_view texto, char marcaDecimal, tagCY& valor) {
  const char milhar = marcaDecimal == ',' ? '.' : ',';
  std::string t;
  for (std::size_t i = 0; i < texto.size(); ++i) {
    const char ch = texto[i];
    if (EhBranco(ch)) continue;
    // U+00A0, the no-break space some exports put between "R$" and the digits.
    if (static_cast<unsigned char>(ch) == 0xC2 && i + 1 < texto.size() &&
        static_cast<unsigned char>(texto[i + 1]) == 0xA0) {
      ++i;
      continue;
    }
    t += ch;
  }
  valor = 0;
  if (t.empty()) return true;
  bool negativo = false;
  if (t.size() >= 2 && t.front() == '(' && t.back() == ')') {
    negativo = true;
    t = t.substr(1, t.size() - 2);
  }
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
    negativo = negativo || t.front() == '-';
    t.erase(0, 1);
  }
  if (t.starts_with("R$")) t.erase(0, 2);
  if (!t.empty() && (t.front() == '-' || t.front() == '+') && !negativo) {
    negativo = t.front() == '-';
    t.erase(0, 1);
  }
  if (!t.empty() && t.back() == '-' && !negativo) {
    negativo = true;
    t.pop_back();
  }
  if (t.empty()) return false;

  int64_t inteiro = 0, fracao = 0;
  int digitosInteiros = 0, decimais = 0;
  bool depoisMarca = false, algumDigito = false;
  for (char ch : t) {
    if (EhDigito(ch)) {
      algumDigito = true;
      if (depoisMarca) {
        if (++decimais > 4) return false;
        fracao = fracao * 10 + (ch - '0');
      } else {
        if (inteiro != 0 || ch != '0') ++digitosInteiros;
        if (digitosInteiros > kMaximoDigitosInteiros) return false;
        inteiro = inteiro * 10 + (ch - '0');
      }
    } else if (ch == marcaDecimal && !depoisMarca) {
      depoisMarca = true;
    } else if (ch == milhar && !depoisMarca && algumDigito) {
      continue;
    } else {
      return false;
    }
  }
  if (!algumDigito) return false;
  for (int d = decimais; d < 4; ++d) fracao *= 10;
  valor = inteiro * kEscalaValor + fracao;
  if (negativo) valor = -valor;
  return true;
}

bool LeDataTexto(std::string_view texto, std::string_view formato, REG_ZQDMA& data) {
  data = 0;
  const std::string_view t = SemBrancos(texto);
  int dia = 0, mes = 0, ano = 0;
  bool anoCurto = false;
  std::size_t i = 0;
  auto numero = [&](std::size_t digitos, int& destino) {
    if (i + digitos > t.size()) return false;
    int n = 0;
    for (std::size_t k = 0; k < digitos; ++k) {
      if (!EhDigito(t[i + k])) return false;
      n = n * 10 + (t[i + k] - '0');
    }
    destino = n;
    i += digitos;
    return true;
  };
  for (std::size_t f = 0; f < formato.size();) {
    bool ok = true;
    if (formato.compare(f, 4, "AAAA") == 0) {
      ok = numero(4, ano), f += 4;
    } else if (formato.compare(f, 2, "AA") == 0) {
      ok = numero(2, ano), f += 2, anoCurto = true;
    } else if (formato.compare(f, 2, "DD") == 0) {
      ok = numero(2, dia), f += 2;
    } else if (formato.compare(f, 2, "MM") == 0) {
      ok = numero(2, mes), f += 2;
    } else {
      ok = i < t.size() && t[i] == formato[f];
      ++i, ++f;
    }
    if (!ok) return false;
  }
  // A time after the date (" 00:00:00") is allowed; any other text is not.
  if (i < t.size() && t[i] != ' ' && t[i] != 'T') return false;
  if (anoCurto) ano += ano < 84 ? 2000 : 1900;
  // Unlike the OFX reader, a day past the month's end is an error: a file row is typed by
  // a person or a program, and 31/02 is a fault, not a shorthand.
  if (mes < 1 || mes > 12 || dia < 1 || dia > CZQDma::DiasNoMes(mes, ano)) return false;
  const CZQDma lida(dia, mes, ano);
  if (!lida.EhValida()) return false;
  data = lida.GetDma();
  return true;
}

LeituraArquivoExtrato LeArquivoExtrato(std::string_view bytes, const LeiauteArquivoExtrato& leiaute) {
  LeituraArquivoExtrato leitura;
  std::string texto(bytes);
  // The text ends at its first NUL byte, as for the online source's file.
  if (const std::size_t nulo = texto.find('\0'); nulo != std::string::npos) texto.resize(nulo);
  TextoArquivoParaUtf8(texto);
  if (leiaute.tipoArquivo == ZQ_TIPO_ARQUIVO_OFX) {
    LeOfx(texto, leiaute, leitura);
  } else {
    LeDelimitado(texto, leiaute, leitura);
  }
  return leitura;
}

}  // namespace cl_import
