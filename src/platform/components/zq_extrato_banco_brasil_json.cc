#include "platform/components/zq_extrato_banco_brasil_json.h"

#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "frame/zq_data.h"
#include "platform/components/zq_consulta_sistema_terceiro.h"

namespace zq::extrato_bb {

namespace {

using json = nlohmann::json;

// ---------------------------------------------------------------------------------
// Field names of the service's answer. A new version of the service changes them here.
// ---------------------------------------------------------------------------------
constexpr const char kNumeroPaginaAtual[] = "numeroPaginaAtual";
constexpr const char kQuantidadeRegistroPaginaAtual[] = "quantidadeRegistroPaginaAtual";
constexpr const char kNumeroPaginaAnterior[] = "numeroPaginaAnterior";
constexpr const char kNumeroPaginaProximo[] = "numeroPaginaProximo";
constexpr const char kQuantidadeTotalPagina[] = "quantidadeTotalPagina";
constexpr const char kQuantidadeTotalRegistro[] = "quantidadeTotalRegistro";
constexpr const char kListaLancamento[] = "listaLancamento";

constexpr const char kIndicadorTipoLancamento[] = "indicadorTipoLancamento";
constexpr const char kDataLancamento[] = "dataLancamento";
constexpr const char kDataMovimento[] = "dataMovimento";
constexpr const char kCodigoAgenciaOrigem[] = "codigoAgenciaOrigem";
constexpr const char kNumeroLote[] = "numeroLote";
constexpr const char kNumeroDocumento[] = "numeroDocumento";
constexpr const char kCodigoHistorico[] = "codigoHistorico";
constexpr const char kTextoDescricaoHistorico[] = "textoDescricaoHistorico";
constexpr const char kValorLancamento[] = "valorLancamento";
constexpr const char kIndicadorSinalLancamento[] = "indicadorSinalLancamento";
constexpr const char kTextoInformacaoComplementar[] = "textoInformacaoComplementar";
constexpr const char kNumeroCpfCnpjContrapartida[] = "numeroCpfCnpjContrapartida";
constexpr const char kIndicadorTipoPessoaContrapartida[] = "indicadorTipoPessoaContrapartida";
constexpr const char kCodigoBancoContrapartida[] = "codigoBancoContrapartida";
constexpr const char kCodigoAgenciaContrapartida[] = "codigoAgenciaContrapartida";
constexpr const char kNumeroContaContrapartida[] = "numeroContaContrapartida";
constexpr const char kTextoDvContaContrapartida[] = "textoDvContaContrapartida";

// A number with a fraction or an exponent is kept as its own text, marked as a binary
// value of this subtype (a JSON text never yields binary values, so nothing else can
// look like it). This keeps amounts away from binary floating point.
constexpr std::uint64_t kSubtipoDecimal = 0x44;

// Builds the document tree from the parser's events; only the numbers differ from the
// library's own tree builder.
class ConstrutorArvore {
 public:
  explicit ConstrutorArvore(json& raiz) : m_raiz(raiz) {}

  bool null() { return Poe(json(nullptr)) != nullptr; }
  bool boolean(bool valor) { return Poe(json(valor)) != nullptr; }
  bool number_integer(json::number_integer_t valor) { return Poe(json(valor)) != nullptr; }
  bool number_unsigned(json::number_unsigned_t valor) { return Poe(json(valor)) != nullptr; }
  bool number_float(json::number_float_t, const json::string_t& texto) {
    return Poe(json::binary(std::vector<std::uint8_t>(texto.begin(), texto.end()), kSubtipoDecimal)) != nullptr;
  }
  bool string(json::string_t& valor) { return Poe(json(std::move(valor))) != nullptr; }
  // JSON text has no binary values; kept for the parser's interface, without subtype so
  // it can never pass for a decimal.
  bool binary(json::binary_t& valor) {
    return Poe(json::binary(std::vector<std::uint8_t>(valor.begin(), valor.end()))) != nullptr;
  }
  bool start_object(std::size_t) {
    json* novo = Poe(json::object());
    m_pilha.push_back(novo);
    return novo != nullptr;
  }
  bool key(json::string_t& chave) {
    m_chave = std::move(chave);
    return true;
  }
  bool end_object() {
    m_pilha.pop_back();
    return true;
  }
  bool start_array(std::size_t) {
    json* novo = Poe(json::array());
    m_pilha.push_back(novo);
    return novo != nullptr;
  }
  bool end_array() {
    m_pilha.pop_back();
    return true;
  }
  bool parse_error(std::size_t posicao, const std::string&, const nlohmann::detail::exception&) {
    m_posicaoErro = posicao;
    return false;
  }

  std::size_t PosicaoErro() const { return m_posicaoErro; }

 private:
  json* Poe(json&& valor) {
    if (m_pilha.empty()) {
      m_raiz = std::move(valor);
      return &m_raiz;
    }
    json& topo = *m_pilha.back();
    if (topo.is_array()) {
      topo.push_back(std::move(valor));
      return &topo.back();
    }
    json& destino = topo[m_chave];
    destino = std::move(valor);
    return &destino;
  }

  json& m_raiz;
  std::vector<json*> m_pilha;
  std::string m_chave;
  std::size_t m_posicaoErro = 0;
};

bool Analisa(std::string_view texto, json& raiz, std::string& erro) {
  ConstrutorArvore construtor(raiz);
  bool ok = false;
  try {
    ok = json::sax_parse(texto.begin(), texto.end(), &construtor);
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) {
    raiz = json();
    erro = "o texto recebido não é um JSON válido (erro perto da posição " + std::to_string(construtor.PosicaoErro()) +
           ")";
  }
  return ok;
}

bool EhDecimal(const json& valor) {
  return valor.is_binary() && valor.get_binary().has_subtype() && valor.get_binary().subtype() == kSubtipoDecimal;
}

std::string TextoDecimal(const json& valor) {
  const auto& bytes = valor.get_binary();
  return std::string(bytes.begin(), bytes.end());
}

// A short picture of a value for an error text. A list or an object is only named: its
// text could be the whole answer, and writing out a deeply nested one recurses as deep.
std::string Amostra(const json& valor) {
  if (valor.is_array()) return "uma lista";
  if (valor.is_object()) return "um objeto";
  std::string texto = EhDecimal(valor) ? TextoDecimal(valor) : valor.dump();
  if (texto.size() > 40) texto = texto.substr(0, 40) + "...";
  return texto;
}

// Reads fields of one object, collecting the first failure.
class LeitorCampos {
 public:
  LeitorCampos(const json& objeto, std::string onde) : m_objeto(objeto), m_onde(std::move(onde)) {}

  const std::string& Erro() const { return m_erro; }
  bool Ok() const { return m_erro.empty(); }

  // Absent and null read as "not given".
  const json* Campo(const char* nome) const {
    auto it = m_objeto.find(nome);
    if (it == m_objeto.end() || it->is_null()) return nullptr;
    return &*it;
  }

  uint64_t Inteiro(const char* nome, uint64_t maximo, bool obrigatorio = false) {
    const json* valor = Campo(nome);
    if (valor == nullptr) {
      if (obrigatorio) Falha(nome, "está ausente");
      return 0;
    }
    uint64_t numero = 0;
    if (valor->is_number_unsigned()) {
      numero = valor->get<uint64_t>();
    } else if (valor->is_string() && SoDigitos(valor->get_ref<const std::string&>(), numero)) {
      // some gateways send codes as digit strings
    } else {
      Falha(nome, "não é um número inteiro não negativo", valor);
      return 0;
    }
    if (numero > maximo) {
      Falha(nome, "excede o limite do campo", valor);
      return 0;
    }
    return numero;
  }

  REG_ZQDMA Data(const char* nome, bool obrigatorio) {
    const json* valor = Campo(nome);
    if (valor == nullptr) {
      if (obrigatorio) Falha(nome, "está ausente");
      return 0;
    }
    uint64_t numero = Inteiro(nome, std::numeric_limits<uint64_t>::max());
    if (!Ok()) return 0;
    REG_ZQDMA data = 0;
    if (!LeDataDDMMAAAA(numero, data)) Falha(nome, "não é uma data DDMMAAAA válida", valor);
    return data;
  }

  tagCY Valor(const char* nome) {
    const json* valor = Campo(nome);
    if (valor == nullptr) {
      Falha(nome, "está ausente");
      return 0;
    }
    std::string texto;
    if (EhDecimal(*valor)) {
      texto = TextoDecimal(*valor);
    } else if (valor->is_number_integer()) {
      texto = valor->dump();
    } else {
      Falha(nome, "não é um número", valor);
      return 0;
    }
    tagCY cy = 0;
    if (!LeValorDecimal(texto, cy)) Falha(nome, "não é um valor com até 4 casas decimais que caiba no campo", valor);
    return cy;
  }

  CZQString Texto(const char* nome) {
    const json* valor = Campo(nome);
    if (valor == nullptr) return {};
    if (valor->is_string()) return CZQString(valor->get_ref<const std::string&>());
    if (valor->is_number_integer()) return CZQString(valor->dump());
    Falha(nome, "não é um texto", valor);
    return {};
  }

  // A one-letter indicator: the first character that is not blank; numbers as digits.
  char Indicador(const char* nome) {
    CZQString texto = Texto(nome);
    texto.Trim();
    return texto.IsEmpty() ? '\0' : texto.GetAt(0);
  }

 private:
  static bool SoDigitos(const std::string& texto, uint64_t& numero) {
    std::string_view digitos(texto);
    while (!digitos.empty() && digitos.front() == ' ') digitos.remove_prefix(1);
    while (!digitos.empty() && digitos.back() == ' ') digitos.remove_suffix(1);
    if (digitos.empty() || digitos.size() > 19) return false;
    numero = 0;
    for (char c : digitos) {
      if (c < '0' || c > '9') return false;
      numero = numero * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
  }

  void Falha(const char* nome, const char* problema, const json* valor = nullptr) {
    if (!m_erro.empty()) return;
    m_erro = "o campo " + std::string(nome) + m_onde + " " + problema;
    if (valor) m_erro += " (" + Amostra(*valor) + ")";
  }

  const json& m_objeto;
  std::string m_onde;
  std::string m_erro;
};

constexpr uint64_t kMax32 = std::numeric_limits<uint32_t>::max();

bool LeLancamento(const json& item, std::size_t indice, CZQDadosCR_ExtratoBancoBrasil& linha, std::string& erro) {
  const std::string onde = " do lançamento " + std::to_string(indice + 1);
  if (!item.is_object()) {
    erro = "o lançamento " + std::to_string(indice + 1) + " não é um objeto";
    return false;
  }
  LeitorCampos campos(item, onde);
  linha.SetIndicadorTipoLancamento(campos.Indicador(kIndicadorTipoLancamento));
  linha.SetDataLancamento(campos.Data(kDataLancamento, true));
  linha.SetDataMovimento(campos.Data(kDataMovimento, false));
  linha.SetCodigoAgenciaOrigem(static_cast<uint32_t>(campos.Inteiro(kCodigoAgenciaOrigem, kMax32)));
  linha.SetNumeroLote(static_cast<uint32_t>(campos.Inteiro(kNumeroLote, kMax32)));
  // The document number goes into a signed 64-bit field of the statement line.
  linha.SetNumeroDocumento(campos.Inteiro(kNumeroDocumento, static_cast<uint64_t>(INT64_MAX)));
  linha.SetCodigoHistorico(static_cast<uint32_t>(campos.Inteiro(kCodigoHistorico, kMax32)));
  linha.SetTextoDescricaoHistorico(campos.Texto(kTextoDescricaoHistorico));
  linha.SetValorLancamento(campos.Valor(kValorLancamento));
  linha.SetIndicadorSinalLancamento(campos.Indicador(kIndicadorSinalLancamento));
  linha.SetTextoInformacaoComplementar(campos.Texto(kTextoInformacaoComplementar));
  linha.SetNumeroCpfCnpjContrapartida(campos.Inteiro(kNumeroCpfCnpjContrapartida, UINT64_MAX));
  linha.SetIndicadorTipoPessoaContrapartida(campos.Indicador(kIndicadorTipoPessoaContrapartida));
  linha.SetCodigoBancoContrapartida(static_cast<uint32_t>(campos.Inteiro(kCodigoBancoContrapartida, kMax32)));
  linha.SetCodigoAgenciaContrapartida(static_cast<uint32_t>(campos.Inteiro(kCodigoAgenciaContrapartida, kMax32)));
  linha.SetNumeroContaContrapartida(campos.Texto(kNumeroContaContrapartida));
  linha.SetTextoDvContaContrapartida(campos.Texto(kTextoDvContaContrapartida));
  if (!campos.Ok()) {
    erro = campos.Erro();
    return false;
  }
  return true;
}

bool LePaginaArvore(const json& raiz, CZQDadosCR_ConsultaExtratoBancoBrasil& pagina, std::string& erro) {
  if (!raiz.is_object()) {
    erro = "a resposta não é um objeto JSON";
    return false;
  }
  LeitorCampos campos(raiz, " da página");
  pagina.SetNumeroPaginaAtual(static_cast<uint32_t>(campos.Inteiro(kNumeroPaginaAtual, kMax32)));
  pagina.SetQuantidadeRegistroPaginaAtual(
      static_cast<uint32_t>(campos.Inteiro(kQuantidadeRegistroPaginaAtual, kMax32)));
  pagina.SetNumeroPaginaAnterior(static_cast<uint32_t>(campos.Inteiro(kNumeroPaginaAnterior, kMax32)));
  pagina.SetNumeroPaginaProximo(static_cast<uint32_t>(campos.Inteiro(kNumeroPaginaProximo, kMax32)));
  pagina.SetQuantidadeTotalPagina(static_cast<uint32_t>(campos.Inteiro(kQuantidadeTotalPagina, kMax32)));
  pagina.SetQuantidadeTotalRegistro(static_cast<uint32_t>(campos.Inteiro(kQuantidadeTotalRegistro, kMax32)));
  if (!campos.Ok()) {
    erro = campos.Erro();
    return false;
  }
  const json* lista = campos.Campo(kListaLancamento);
  if (lista == nullptr) return true;  // a period without movement
  if (!lista->is_array()) {
    erro = "o campo " + std::string(kListaLancamento) + " não é uma lista";
    return false;
  }
  auto& linhas = pagina.GetListaExtratosBancoBrasil();
  for (std::size_t i = 0; i < lista->size(); ++i) {
    CZQDadosCR_ExtratoBancoBrasil linha;
    if (!LeLancamento((*lista)[i], i, linha, erro)) return false;
    linhas.Add(linha);
  }
  return true;
}

HRESULT Falhou(CZQDadosCR_ConsultaExtratoBancoBrasil& registro, std::string& erro, const std::string& motivo) {
  registro.Limpar();
  erro = "A resposta do Banco do Brasil não está no formato esperado: " + motivo + ".";
  return ZQ_E_CONSULTA_RESPOSTA_INVALIDA;
}

}  // namespace

HRESULT LePagina(std::string_view texto, CZQDadosCR_ConsultaExtratoBancoBrasil& pagina, std::string& erro) {
  pagina.Limpar();
  json raiz;
  std::string motivo;
  if (!Analisa(texto, raiz, motivo) || !LePaginaArvore(raiz, pagina, motivo)) return Falhou(pagina, erro, motivo);
  return S_OK;
}

HRESULT LeDocumento(std::string_view texto, CZQDadosCR_ConsultaExtratoBancoBrasil& resposta, std::string& erro) {
  resposta.Limpar();
  json raiz;
  std::string motivo;
  if (!Analisa(texto, raiz, motivo)) return Falhou(resposta, erro, motivo);
  if (!raiz.is_array()) {
    if (!LePaginaArvore(raiz, resposta, motivo)) return Falhou(resposta, erro, motivo);
    return S_OK;
  }
  for (std::size_t i = 0; i < raiz.size(); ++i) {
    CZQDadosCR_ConsultaExtratoBancoBrasil pagina;
    if (!LePaginaArvore(raiz[i], pagina, motivo)) {
      return Falhou(resposta, erro, "página " + std::to_string(i + 1) + ": " + motivo);
    }
    AcrescentaPagina(pagina, resposta);
  }
  return S_OK;
}

void AcrescentaPagina(const CZQDadosCR_ConsultaExtratoBancoBrasil& pagina,
                      CZQDadosCR_ConsultaExtratoBancoBrasil& resposta) {
  resposta.SetNumeroPaginaAtual(pagina.GetNumeroPaginaAtual());
  resposta.SetQuantidadeRegistroPaginaAtual(pagina.GetQuantidadeRegistroPaginaAtual());
  resposta.SetNumeroPaginaAnterior(pagina.GetNumeroPaginaAnterior());
  resposta.SetNumeroPaginaProximo(pagina.GetNumeroPaginaProximo());
  resposta.SetQuantidadeTotalPagina(pagina.GetQuantidadeTotalPagina());
  resposta.SetQuantidadeTotalRegistro(pagina.GetQuantidadeTotalRegistro());
  auto& linhas = resposta.GetListaExtratosBancoBrasil();
  for (const auto& linha : pagina.GetListaExtratosBancoBrasil()) linhas.Add(linha);
}

bool LeValorDecimal(std::string_view texto, tagCY& valor) {
  std::size_t i = 0;
  bool negativo = false;
  if (i < texto.size() && (texto[i] == '-' || texto[i] == '+')) negativo = texto[i++] == '-';
  // Significant digits, with the count of them that lie after the point.
  std::string digitos;
  std::size_t decimais = 0;
  bool temDigito = false;
  for (; i < texto.size() && texto[i] >= '0' && texto[i] <= '9'; ++i) {
    temDigito = true;
    if (!(digitos.empty() && texto[i] == '0')) digitos += texto[i];
  }
  if (i < texto.size() && texto[i] == '.') {
    ++i;
    for (; i < texto.size() && texto[i] >= '0' && texto[i] <= '9'; ++i) {
      temDigito = true;
      ++decimais;
      digitos += texto[i];
    }
  }
  if (!temDigito) return false;
  int64_t expoente = 0;
  if (i < texto.size() && (texto[i] == 'e' || texto[i] == 'E')) {
    ++i;
    bool expNegativo = false;
    if (i < texto.size() && (texto[i] == '-' || texto[i] == '+')) expNegativo = texto[i++] == '-';
    bool temExpoente = false;
    for (; i < texto.size() && texto[i] >= '0' && texto[i] <= '9'; ++i) {
      temExpoente = true;
      if (expoente < 100000) expoente = expoente * 10 + (texto[i] - '0');
    }
    if (!temExpoente) return false;
    if (expNegativo) expoente = -expoente;
  }
  if (i != texto.size()) return false;
  // value = digitos x 10^(expoente - decimais); in ten-thousandths the power grows by 4.
  int64_t potencia = expoente - static_cast<int64_t>(decimais) + 4;
  // Leading zeros of the fraction were kept: drop them now they no longer count.
  std::size_t inicio = digitos.find_first_not_of('0');
  if (inicio == std::string::npos) {
    valor = 0;
    return true;
  }
  digitos.erase(0, inicio);
  while (potencia < 0) {
    if (digitos.back() != '0') return false;  // a digit beyond the fourth decimal
    digitos.pop_back();
    ++potencia;
    if (digitos.empty()) {
      valor = 0;
      return true;
    }
  }
  if (static_cast<int64_t>(digitos.size()) + potencia > 19) return false;
  // Accumulate as a negative number so the most negative amount fits too.
  int64_t acumulado = 0;
  constexpr int64_t kMinimo = std::numeric_limits<int64_t>::min();
  auto empurra = [&](int algarismo) {
    if (acumulado < kMinimo / 10) return false;
    acumulado *= 10;
    if (acumulado < kMinimo + algarismo) return false;
    acumulado -= algarismo;
    return true;
  };
  for (char c : digitos) {
    if (!empurra(c - '0')) return false;
  }
  for (int64_t p = 0; p < potencia; ++p) {
    if (!empurra(0)) return false;
  }
  if (!negativo) {
    if (acumulado == kMinimo) return false;
    acumulado = -acumulado;
  }
  valor = acumulado;
  return true;
}

bool LeDataDDMMAAAA(uint64_t numero, REG_ZQDMA& data) {
  data = 0;
  if (numero == 0) return true;
  if (numero > 99999999u) return false;
  char texto[9];
  std::snprintf(texto, sizeof texto, "%08llu", static_cast<unsigned long long>(numero));
  const int dia = (texto[0] - '0') * 10 + (texto[1] - '0');
  const int mes = (texto[2] - '0') * 10 + (texto[3] - '0');
  const int ano = std::stoi(std::string(texto + 4, 4));
  if (mes < 1 || mes > 12 || ano < 1848 || ano > 4717) return false;
  if (dia < 1 || dia > CZQDma::DiasNoMes(mes, ano)) return false;
  data = CZQDma(dia, mes, ano).GetDma();
  return true;
}

}  // namespace zq::extrato_bb
