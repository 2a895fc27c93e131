#include "store/zq_arquivo_empresa.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "store/zq_banco_sql.h"
#include "store/zq_limites_sql.h"
#include "store/zq_soci.h"

using json = nlohmann::json;

namespace {

constexpr int kFormatoAtual = 1;

// ---- the document as read ----

struct Empresa {
  std::string codigo, nome, documento;
};
struct Feriado {
  REG_ZQDMA data = 0;
  int64_t anual = 0;
  std::string descricao;
};
struct Filial {
  int64_t ponteiro = 0;
  std::string codigo, nome, documento;
  std::vector<Feriado> feriados;
};
struct DadosBanco {
  int64_t numeroBanco = 0;
  std::string nomeBanco, agencia, contaCorrente;
  int64_t integrarComTerceiro = 0, tipoOperacao = 0, ambienteIntegracao = 0, ambienteIntegracaoBBExtrato = 0;
  int64_t leiauteArquivo = 0;
};
struct Conta {
  int64_t ponteiro = 0;
  std::string codigoProprio, codigoUsado, nome, tipo, tipoBanco;
  int64_t inativa = 0;
  std::optional<DadosBanco> banco;
};
struct ColunasLeiaute {
  std::string delimitador = ";", marcaDecimal = ",", formatoData = "DD/MM/AAAA";
  // data, valor, credito, debito, dc, documento, historico, codigo_movimento, conta
  int64_t coluna[9] = {};
};
struct Leiaute {
  int64_t posicao = 0;
  std::string descricao;
  int64_t separador = 0, tipoArquivo = 0, linhasCabecalho = 0, linhasRodape = 0;
  std::optional<ColunasLeiaute> colunas;
};
struct FormaPagamento {
  int64_t posicao = 0;
  std::string descricao;
  int64_t inativa = 0;
};
struct Historico {
  int64_t codigo = 0;
  std::string nome;
};
struct RegraLancamento {
  std::string codigoMvtoBco, historicoBco, agrupa;
  int64_t transacao = 0, formaPagamento = 0, complHistorico = 0, contabilSaida = 0, historico = 0,
          formaPagamentoSaida = 0, contabilEntrada = 0, classificacao = 0, contaContrapartida = 0, conta = 0;
};
struct RegraServico {
  int64_t filial = 0, frequencia = 0, hmsExecucao = 0, apenasDiasUteis = 0;
  std::vector<int64_t> contas;
};
struct Documento {
  Empresa empresa;
  std::vector<Filial> filiais;
  std::vector<Conta> contas;
  std::vector<Conta> gerenciais;
  std::vector<Leiaute> leiautes;
  REG_ZQDMA dataBloqueioMovimentacao = 0;
  REG_ZQDMA dataBloqueioLancamento = 0;
  REG_ZQDMA dataInferiorLancamento = 0, dataSuperiorLancamento = 0;
  REG_ZQDMA dataInferiorMovimentacao = 0, dataSuperiorMovimentacao = 0;
  int64_t mesBloqueio = 0;
  std::vector<FormaPagamento> formas;
  std::vector<Historico> historicos;
  std::vector<RegraLancamento> regras;
  bool temConfiguracaoImportacao = false;
  bool temConfiguracaoConciliacao = false;
  std::vector<RegraServico> configuracaoImportacao;
  std::vector<RegraServico> configuracaoConciliacao;
};

// A refused field: thrown by the reader, caught at the entry points.
struct CampoRuim {
  std::string campo;
  std::string mensagem;
};

[[noreturn]] void Recusa(const std::string& campo, const std::string& mensagem) { throw CampoRuim{campo, mensagem}; }

std::string Caminho(const std::string& base, const std::string& chave) {
  return base.empty() ? chave : base + "." + chave;
}
std::string Caminho(const std::string& base, size_t indice) { return base + "[" + std::to_string(indice) + "]"; }

// ---- typed reads of one field ----

// The object's keys must all be known: a misspelt key would otherwise be dropped
// without a word.
const json& Objeto(const json& valor, const std::string& campo, std::initializer_list<const char*> chaves) {
  if (!valor.is_object()) Recusa(campo.empty() ? "(documento)" : campo, "deve ser um objeto");
  for (auto it = valor.begin(); it != valor.end(); ++it) {
    bool conhecida = false;
    for (const char* chave : chaves) conhecida = conhecida || it.key() == chave;
    if (!conhecida) Recusa(Caminho(campo, it.key()), "campo desconhecido");
  }
  return valor;
}

const json* Membro(const json& objeto, const char* chave, const std::string& campo, bool obrigatorio) {
  auto it = objeto.find(chave);
  if (it == objeto.end() || it->is_null()) {
    if (obrigatorio) Recusa(Caminho(campo, chave), "campo obrigatório ausente");
    return nullptr;
  }
  return &*it;
}

const json& Lista(const json& objeto, const char* chave, const std::string& campo, bool obrigatorio) {
  static const json vazia = json::array();
  const json* v = Membro(objeto, chave, campo, obrigatorio);
  if (!v) return vazia;
  if (!v->is_array()) Recusa(Caminho(campo, chave), "deve ser uma lista");
  return *v;
}

std::string Texto(const json& objeto, const char* chave, const std::string& campo, size_t maximoBytes, bool obrigatorio,
                  bool naoVazio = false) {
  const json* v = Membro(objeto, chave, campo, obrigatorio);
  if (!v) return {};
  if (!v->is_string()) Recusa(Caminho(campo, chave), "deve ser um texto");
  std::string texto = v->get<std::string>();
  if (naoVazio && texto.empty()) Recusa(Caminho(campo, chave), "não pode ser vazio");
  if (texto.size() > maximoBytes) {
    Recusa(Caminho(campo, chave), "texto com mais de " + std::to_string(maximoBytes) + " bytes");
  }
  if (texto.find('\0') != std::string::npos) Recusa(Caminho(campo, chave), "o texto contém um caractere nulo");
  return texto;
}

int64_t Inteiro(const json& objeto, const char* chave, const std::string& campo, int64_t minimo, int64_t maximo,
                bool obrigatorio, int64_t padrao = 0) {
  const json* v = Membro(objeto, chave, campo, obrigatorio);
  if (!v) return padrao;
  if (!v->is_number_integer()) Recusa(Caminho(campo, chave), "deve ser um número inteiro");
  int64_t n = 0;
  if (v->is_number_unsigned()) {
    uint64_t u = v->get<uint64_t>();
    if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
      Recusa(Caminho(campo, chave),
             "valor fora do intervalo de " + std::to_string(minimo) + " a " + std::to_string(maximo));
    }
    n = static_cast<int64_t>(u);
  } else {
    n = v->get<int64_t>();
  }
  if (n < minimo || n > maximo) {
    Recusa(Caminho(campo, chave),
           "valor fora do intervalo de " + std::to_string(minimo) + " a " + std::to_string(maximo));
  }
  return n;
}

bool Logico(const json& objeto, const char* chave, const std::string& campo, bool padrao) {
  const json* v = Membro(objeto, chave, campo, false);
  if (!v) return padrao;
  if (!v->is_boolean()) Recusa(Caminho(campo, chave), "deve ser true ou false");
  return v->get<bool>();
}

REG_ZQDMA Data(const json& objeto, const char* chave, const std::string& campo, bool obrigatorio) {
  const json* v = Membro(objeto, chave, campo, obrigatorio);
  if (!v) return 0;
  REG_ZQDMA data = 0;
  if (!v->is_string() || !ZQLeDataTexto(v->get<std::string>(), data)) {
    Recusa(Caminho(campo, chave), "data inválida (use DD/MM/AAAA)");
  }
  if (obrigatorio && data == 0) Recusa(Caminho(campo, chave), "a data não pode ser vazia");
  return data;
}

// One character code ("A", "S"...), from a closed set when one is given.
std::string Codigo(const json& objeto, const char* chave, const std::string& campo, const std::string& aceitos,
                   const std::string& padrao) {
  const json* v = Membro(objeto, chave, campo, false);
  if (!v) return padrao;
  if (!v->is_string() || v->get<std::string>().size() != 1) {
    Recusa(Caminho(campo, chave), "deve ser um único caractere");
  }
  std::string c = v->get<std::string>();
  if (!aceitos.empty() && aceitos.find(c[0]) == std::string::npos) {
    std::string lista;
    for (char a : aceitos) lista += std::string(lista.empty() ? "" : ", ") + "\"" + a + "\"";
    Recusa(Caminho(campo, chave), "deve ser um de " + lista);
  }
  return c;
}

// ---- sections ----

constexpr int64_t kU16 = std::numeric_limits<uint16_t>::max();
constexpr int64_t kU32 = std::numeric_limits<uint32_t>::max();
constexpr int64_t kI32 = std::numeric_limits<int32_t>::max();
constexpr int64_t kU8 = std::numeric_limits<uint8_t>::max();

// ---- delimited layouts ----

constexpr const char* kPapeisColuna[9] = {"data",      "valor",     "credito",          "debito", "dc",
                                          "documento", "historico", "codigo_movimento", "conta"};
enum { kData, kValor, kCredito, kDebito, kDc, kDocumento, kHistorico, kCodigo, kConta };
constexpr int64_t kTipoDelimitado = 1;
constexpr int64_t kSeparadorComConta = 7;

// DD, MM and AA or AAAA once each, joined by "/", "-", "." or nothing.
bool FormatoDataValido(const std::string& f) {
  int dia = 0, mes = 0, ano = 0;
  for (size_t i = 0; i < f.size();) {
    if (f.compare(i, 4, "AAAA") == 0) {
      ++ano, i += 4;
    } else if (f.compare(i, 2, "AA") == 0) {
      ++ano, i += 2;
    } else if (f.compare(i, 2, "DD") == 0) {
      ++dia, i += 2;
    } else if (f.compare(i, 2, "MM") == 0) {
      ++mes, i += 2;
    } else if (f[i] == '/' || f[i] == '-' || f[i] == '.') {
      ++i;
    } else {
      return false;
    }
  }
  return dia == 1 && mes == 1 && ano == 1;
}

// The columns of a delimited layout, each role in a column of its own, the amount in
// exactly one of its three forms, and the account column when (and only when) the
// layout names its account.
ColunasLeiaute LeColunas(const json& v, const std::string& campo, int64_t separador) {
  Objeto(v, campo,
         {"delimitador", "marca_decimal", "formato_data", "data", "valor", "credito", "debito", "dc", "documento",
          "historico", "codigo_movimento", "conta"});
  ColunasLeiaute c;
  if (Membro(v, "delimitador", campo, false)) c.delimitador = Texto(v, "delimitador", campo, 1, true, true);
  if (c.delimitador != ";" && c.delimitador != "," && c.delimitador != "\t" && c.delimitador != "|") {
    Recusa(Caminho(campo, "delimitador"), "deve ser \";\", \",\", \"|\" ou tabulação");
  }
  if (Membro(v, "marca_decimal", campo, false)) c.marcaDecimal = Texto(v, "marca_decimal", campo, 1, true, true);
  if (c.marcaDecimal != "," && c.marcaDecimal != ".")
    Recusa(Caminho(campo, "marca_decimal"), "deve ser \",\" ou \".\"");
  if (Membro(v, "formato_data", campo, false)) c.formatoData = Texto(v, "formato_data", campo, 16, true, true);
  if (!FormatoDataValido(c.formatoData)) {
    Recusa(Caminho(campo, "formato_data"), "deve ter DD, MM e AA ou AAAA, separados por \"/\", \"-\" ou \".\"");
  }
  for (int i = 0; i < 9; ++i) {
    c.coluna[i] = Inteiro(v, kPapeisColuna[i], campo, 1, 255, i == kData);
    for (int j = 0; j < i; ++j) {
      if (c.coluna[i] != 0 && c.coluna[i] == c.coluna[j]) {
        Recusa(Caminho(campo, kPapeisColuna[i]), std::string("a coluna já é a de ") + kPapeisColuna[j]);
      }
    }
  }
  const bool valor = c.coluna[kValor] != 0, credito = c.coluna[kCredito] != 0, debito = c.coluna[kDebito] != 0;
  if (credito != debito || valor == credito) {
    Recusa(Caminho(campo, valor ? "credito" : "valor"),
           "o valor vem numa coluna (valor, com ou sem dc) ou em duas (credito e debito)");
  }
  if (c.coluna[kDc] != 0 && !valor) Recusa(Caminho(campo, "dc"), "a coluna dc acompanha a coluna valor");
  if ((c.coluna[kConta] != 0) != (separador == kSeparadorComConta)) {
    Recusa(Caminho(campo, "conta"), "a coluna conta existe exatamente nos leiautes de separador 7");
  }
  return c;
}

// ---- the document ----

DadosBanco LeBanco(const json& v, const std::string& campo) {
  Objeto(v, campo,
         {"numero_banco", "nome_banco", "agencia", "conta_corrente", "integrar_com_terceiro", "tipo_operacao",
          "ambiente_integracao", "ambiente_integracao_bb_extrato", "leiaute_arquivo"});
  DadosBanco b;
  b.numeroBanco = Inteiro(v, "numero_banco", campo, 0, 999, true);
  b.nomeBanco = Texto(v, "nome_banco", campo, zq_limites::kNomeBanco, false);
  b.agencia = Texto(v, "agencia", campo, zq_limites::kNumeroAgencia, true, true);
  b.contaCorrente = Texto(v, "conta_corrente", campo, zq_limites::kContaCorrente, true, true);
  b.integrarComTerceiro = Inteiro(v, "integrar_com_terceiro", campo, 0, kU8, true);
  b.tipoOperacao = Inteiro(v, "tipo_operacao", campo, 0, kI32, false);
  b.ambienteIntegracao = Inteiro(v, "ambiente_integracao", campo, 0, kU8, false);
  b.ambienteIntegracaoBBExtrato = Inteiro(v, "ambiente_integracao_bb_extrato", campo, 0, kU8, false);
  b.leiauteArquivo = Inteiro(v, "leiaute_arquivo", campo, 0, kI32, false);
  return b;
}

Conta LeConta(const json& v, const std::string& campo, bool gerencial) {
  if (gerencial) {
    Objeto(v, campo, {"ponteiro", "codigo_proprio", "codigo_usado", "nome", "tipo", "inativa"});
  } else {
    Objeto(v, campo, {"ponteiro", "codigo_proprio", "codigo_usado", "nome", "tipo", "inativa", "tipo_banco", "banco"});
  }
  Conta c;
  c.ponteiro = Inteiro(v, "ponteiro", campo, 1, kU32, true);
  c.codigoProprio = Texto(v, "codigo_proprio", campo, zq_limites::kCodigoProprio, true, true);
  c.codigoUsado = Texto(v, "codigo_usado", campo, zq_limites::kCodigoUsado, false);
  c.nome = Texto(v, "nome", campo, zq_limites::kNomeConta, true, true);
  // 'A' analytic, 'S' synthetic; other kinds are the validators' business, not the file's.
  c.tipo = Codigo(v, "tipo", campo, "", "A");
  c.inativa = Logico(v, "inativa", campo, false) ? 1 : 0;
  if (!gerencial) {
    if (const json* b = Membro(v, "banco", campo, false)) c.banco = LeBanco(*b, Caminho(campo, "banco"));
    c.tipoBanco = Codigo(v, "tipo_banco", campo, "SN", c.banco ? "S" : "N");
    if (c.tipoBanco == "S" && !c.banco) Recusa(Caminho(campo, "banco"), "conta bancária sem os dados do banco");
  }
  return c;
}

RegraServico LeRegraServico(const json& v, const std::string& campo) {
  Objeto(v, campo, {"filial", "frequencia", "hora_execucao", "apenas_dias_uteis", "contas"});
  RegraServico r;
  r.filial = Inteiro(v, "filial", campo, 0, kU32, true);
  r.frequencia = Inteiro(v, "frequencia", campo, 0, kU8, true);
  if (const json* h = Membro(v, "hora_execucao", campo, false)) {
    REG_ZQHMS hms = 0;
    if (!h->is_string() || !ZQLeHoraTexto(h->get<std::string>(), hms)) {
      Recusa(Caminho(campo, "hora_execucao"), "hora inválida (use HH:MM:SS)");
    }
    r.hmsExecucao = hms;
  }
  r.apenasDiasUteis = Logico(v, "apenas_dias_uteis", campo, false) ? 1 : 0;
  const json& contas = Lista(v, "contas", campo, true);
  for (size_t i = 0; i < contas.size(); ++i) {
    const std::string c = Caminho(Caminho(campo, "contas"), i);
    if (!contas[i].is_number_integer() || contas[i].get<int64_t>() < 1 || contas[i].get<int64_t>() > kU32) {
      Recusa(c, "deve ser o ponteiro de uma conta (1 a " + std::to_string(kU32) + ")");
    }
    r.contas.push_back(contas[i].get<int64_t>());
  }
  return r;
}

std::vector<RegraServico> LeConfiguracao(const json& raiz, const char* chave, bool& presente) {
  std::vector<RegraServico> regras;
  const json* v = Membro(raiz, chave, "", false);
  presente = v != nullptr;
  if (!v) return regras;
  Objeto(*v, chave, {"regras"});
  const json& lista = Lista(*v, "regras", chave, true);
  for (size_t i = 0; i < lista.size(); ++i) {
    regras.push_back(LeRegraServico(lista[i], Caminho(Caminho(chave, "regras"), i)));
  }
  return regras;
}

Documento LeDocumento(const json& raiz) {
  Objeto(raiz, "",
         {"formato", "empresa", "filiais", "plano_contas", "plano_gerencial", "leiautes", "mestre", "mestre_financeiro",
          "mestre_empresa", "periodo_contabil", "formas_pagamento", "historicos", "regras_lancamento",
          "configuracao_importacao", "configuracao_conciliacao"});
  Documento d;
  Inteiro(raiz, "formato", "", kFormatoAtual, kFormatoAtual, true);

  {
    const json* e = Membro(raiz, "empresa", "", true);
    Objeto(*e, "empresa", {"codigo", "nome", "documento"});
    d.empresa.codigo = Texto(*e, "codigo", "empresa", zq_limites::kCodigoEmpresa, true, true);
    d.empresa.nome = Texto(*e, "nome", "empresa", zq_limites::kNomeEmpresa, true, true);
    d.empresa.documento = Texto(*e, "documento", "empresa", zq_limites::kDocumento, false);
  }

  const json& filiais = Lista(raiz, "filiais", "", true);
  if (filiais.empty()) Recusa("filiais", "a empresa precisa de pelo menos uma filial");
  for (size_t i = 0; i < filiais.size(); ++i) {
    const std::string campo = Caminho("filiais", i);
    Objeto(filiais[i], campo, {"ponteiro", "codigo", "nome", "documento", "feriados"});
    Filial f;
    f.ponteiro = Inteiro(filiais[i], "ponteiro", campo, 1, kU16, true);
    f.codigo = Texto(filiais[i], "codigo", campo, zq_limites::kCodigoFilial, true, true);
    f.nome = Texto(filiais[i], "nome", campo, zq_limites::kNomeFilial, true, true);
    f.documento = Texto(filiais[i], "documento", campo, zq_limites::kDocumento, false);
    const json& feriados = Lista(filiais[i], "feriados", campo, false);
    for (size_t j = 0; j < feriados.size(); ++j) {
      const std::string cf = Caminho(Caminho(campo, "feriados"), j);
      Objeto(feriados[j], cf, {"data", "anual", "descricao"});
      Feriado fer;
      fer.data = Data(feriados[j], "data", cf, true);
      fer.anual = Logico(feriados[j], "anual", cf, false) ? 1 : 0;
      fer.descricao = Texto(feriados[j], "descricao", cf, zq_limites::kDescricaoFeriado, false);
      for (const Feriado& outro : f.feriados) {
        if (outro.data == fer.data) Recusa(Caminho(cf, "data"), "feriado repetido na filial");
      }
      f.feriados.push_back(fer);
    }
    d.filiais.push_back(std::move(f));
  }

  const json& contas = Lista(raiz, "plano_contas", "", false);
  for (size_t i = 0; i < contas.size(); ++i) d.contas.push_back(LeConta(contas[i], Caminho("plano_contas", i), false));
  const json& gerenciais = Lista(raiz, "plano_gerencial", "", false);
  for (size_t i = 0; i < gerenciais.size(); ++i) {
    d.gerenciais.push_back(LeConta(gerenciais[i], Caminho("plano_gerencial", i), true));
  }

  const json& leiautes = Lista(raiz, "leiautes", "", false);
  for (size_t i = 0; i < leiautes.size(); ++i) {
    const std::string campo = Caminho("leiautes", i);
    Objeto(leiautes[i], campo,
           {"posicao", "descricao", "separador", "tipo_arquivo", "linhas_cabecalho", "linhas_rodape", "colunas"});
    Leiaute l;
    l.posicao = Inteiro(leiautes[i], "posicao", campo, 1, kI32, true);
    l.descricao = Texto(leiautes[i], "descricao", campo, zq_limites::kDescricaoLeiaute, true, true);
    l.separador = Inteiro(leiautes[i], "separador", campo, 0, kU8, false);
    l.tipoArquivo = Inteiro(leiautes[i], "tipo_arquivo", campo, 0, kU8, false);
    l.linhasCabecalho = Inteiro(leiautes[i], "linhas_cabecalho", campo, 0, kU16, false);
    l.linhasRodape = Inteiro(leiautes[i], "linhas_rodape", campo, 0, kU16, false);
    if (const json* colunas = Membro(leiautes[i], "colunas", campo, false)) {
      if (l.tipoArquivo != kTipoDelimitado) {
        Recusa(Caminho(campo, "colunas"), "só um leiaute de arquivo delimitado (tipo_arquivo 1) tem colunas");
      }
      l.colunas = LeColunas(*colunas, Caminho(campo, "colunas"), l.separador);
    }
    d.leiautes.push_back(std::move(l));
  }

  {
    const json* m = Membro(raiz, "mestre", "", true);
    Objeto(*m, "mestre", {"data_bloqueio_movimentacao"});
    d.dataBloqueioMovimentacao = Data(*m, "data_bloqueio_movimentacao", "mestre", false);
  }
  if (const json* m = Membro(raiz, "mestre_financeiro", "", false)) {
    Objeto(*m, "mestre_financeiro", {"data_bloqueio_lancamento"});
    d.dataBloqueioLancamento = Data(*m, "data_bloqueio_lancamento", "mestre_financeiro", false);
  }
  {
    const json* m = Membro(raiz, "mestre_empresa", "", true);
    Objeto(*m, "mestre_empresa", {"data_inferior_lancamento", "data_superior_lancamento"});
    d.dataInferiorLancamento = Data(*m, "data_inferior_lancamento", "mestre_empresa", true);
    d.dataSuperiorLancamento = Data(*m, "data_superior_lancamento", "mestre_empresa", true);
    if (d.dataSuperiorLancamento < d.dataInferiorLancamento) {
      Recusa("mestre_empresa.data_superior_lancamento", "anterior à data inferior");
    }
  }
  {
    const json* p = Membro(raiz, "periodo_contabil", "", true);
    Objeto(*p, "periodo_contabil", {"data_inferior_movimentacao", "data_superior_movimentacao", "mes_bloqueio"});
    d.dataInferiorMovimentacao = Data(*p, "data_inferior_movimentacao", "periodo_contabil", true);
    d.dataSuperiorMovimentacao = Data(*p, "data_superior_movimentacao", "periodo_contabil", true);
    if (d.dataSuperiorMovimentacao < d.dataInferiorMovimentacao) {
      Recusa("periodo_contabil.data_superior_movimentacao", "anterior à data inferior");
    }
    if (const json* mes = Membro(*p, "mes_bloqueio", "periodo_contabil", false)) {
      uint16_t ma = 0;
      if (!mes->is_string() || !ZQLeMesTexto(mes->get<std::string>(), ma)) {
        Recusa("periodo_contabil.mes_bloqueio", "mês inválido (use MM/AAAA)");
      }
      d.mesBloqueio = ma;
    }
  }

  const json& formas = Lista(raiz, "formas_pagamento", "", false);
  for (size_t i = 0; i < formas.size(); ++i) {
    const std::string campo = Caminho("formas_pagamento", i);
    Objeto(formas[i], campo, {"posicao", "descricao", "inativa"});
    FormaPagamento f;
    f.posicao = Inteiro(formas[i], "posicao", campo, 1, kU8, true);
    f.descricao = Texto(formas[i], "descricao", campo, zq_limites::kDescricaoFormaPagamento, true, true);
    f.inativa = Logico(formas[i], "inativa", campo, false) ? 1 : 0;
    d.formas.push_back(std::move(f));
  }

  const json& historicos = Lista(raiz, "historicos", "", false);
  for (size_t i = 0; i < historicos.size(); ++i) {
    const std::string campo = Caminho("historicos", i);
    Objeto(historicos[i], campo, {"codigo", "nome"});
    Historico h;
    h.codigo = Inteiro(historicos[i], "codigo", campo, 1, kU16, true);
    h.nome = Texto(historicos[i], "nome", campo, zq_limites::kNomeHistorico, true, true);
    d.historicos.push_back(std::move(h));
  }

  const json& regras = Lista(raiz, "regras_lancamento", "", false);
  for (size_t i = 0; i < regras.size(); ++i) {
    const std::string campo = Caminho("regras_lancamento", i);
    const json& v = regras[i];
    Objeto(v, campo,
           {"codigo_mvto_bco", "historico_bco", "agrupa", "transacao", "forma_pagamento", "compl_historico",
            "contabil_saida", "historico", "forma_pagamento_saida", "contabil_entrada", "classificacao",
            "conta_contrapartida", "conta"});
    RegraLancamento r;
    r.codigoMvtoBco = Texto(v, "codigo_mvto_bco", campo, zq_limites::kCodigoMvtoBco, false);
    r.historicoBco = Texto(v, "historico_bco", campo, zq_limites::kHistoricoBco, false);
    r.agrupa = Logico(v, "agrupa", campo, false) ? "A" : "N";
    r.transacao = Inteiro(v, "transacao", campo, 1, kU8, true);
    r.formaPagamento = Inteiro(v, "forma_pagamento", campo, 0, kU8, false);
    r.complHistorico = Inteiro(v, "compl_historico", campo, 0, 10, false);
    r.contabilSaida = Inteiro(v, "contabil_saida", campo, 0, kU16, false);
    r.historico = Inteiro(v, "historico", campo, 0, kU16, false);
    r.formaPagamentoSaida = Inteiro(v, "forma_pagamento_saida", campo, 0, kU8, false);
    r.contabilEntrada = Inteiro(v, "contabil_entrada", campo, 0, kU16, false);
    r.classificacao = Inteiro(v, "classificacao", campo, 0, kU32, false);
    r.contaContrapartida = Inteiro(v, "conta_contrapartida", campo, 1, kU32, true);
    r.conta = Inteiro(v, "conta", campo, 0, kU32, false);
    if (r.codigoMvtoBco.empty() && r.historicoBco.empty() && !Membro(v, "historico_bco", campo, false)) {
      Recusa(Caminho(campo, "historico_bco"), "a regra precisa de um código de movimento ou de um histórico");
    }
    d.regras.push_back(std::move(r));
  }

  d.configuracaoImportacao = LeConfiguracao(raiz, "configuracao_importacao", d.temConfiguracaoImportacao);
  d.configuracaoConciliacao = LeConfiguracao(raiz, "configuracao_conciliacao", d.temConfiguracaoConciliacao);
  return d;
}

// ---- references between sections ----

template <typename T, typename Chave>
std::map<int64_t, size_t> Indice(const std::vector<T>& itens, Chave chave, const std::string& secao,
                                 const char* nomeChave) {
  std::map<int64_t, size_t> indice;
  for (size_t i = 0; i < itens.size(); ++i) {
    auto [it, novo] = indice.emplace(chave(itens[i]), i);
    if (!novo) {
      Recusa(Caminho(Caminho(secao, i), nomeChave), "valor repetido (já usado em " + Caminho(secao, it->second) + ")");
    }
  }
  return indice;
}

void VerificaReferencias(const Documento& d) {
  auto filiais = Indice(
      d.filiais, [](const Filial& f) { return f.ponteiro; }, "filiais", "ponteiro");
  std::map<std::string, size_t> codigosFilial;
  for (size_t i = 0; i < d.filiais.size(); ++i) {
    auto [it, novo] = codigosFilial.emplace(d.filiais[i].codigo, i);
    if (!novo) {
      Recusa(Caminho(Caminho("filiais", i), "codigo"),
             "valor repetido (já usado em " + Caminho("filiais", it->second) + ")");
    }
  }
  auto contas = Indice(
      d.contas, [](const Conta& c) { return c.ponteiro; }, "plano_contas", "ponteiro");
  Indice(
      d.gerenciais, [](const Conta& c) { return c.ponteiro; }, "plano_gerencial", "ponteiro");
  auto formas = Indice(
      d.formas, [](const FormaPagamento& f) { return f.posicao; }, "formas_pagamento", "posicao");
  auto historicos = Indice(
      d.historicos, [](const Historico& h) { return h.codigo; }, "historicos", "codigo");

  // A drop folder's files are read by a layout of a kind the file import reads.
  auto leiautes = Indice(
      d.leiautes, [](const Leiaute& l) { return l.posicao; }, "leiautes", "posicao");
  for (size_t i = 0; i < d.contas.size(); ++i) {
    if (!d.contas[i].banco || d.contas[i].banco->leiauteArquivo == 0) continue;
    const int64_t posicao = d.contas[i].banco->leiauteArquivo;
    const std::string campo = Caminho(Caminho(Caminho("plano_contas", i), "banco"), "leiaute_arquivo");
    auto it = leiautes.find(posicao);
    if (it == leiautes.end()) Recusa(campo, "o leiaute " + std::to_string(posicao) + " não está cadastrado");
    const int64_t tipo = d.leiautes[it->second].tipoArquivo;
    if (tipo != 1 && tipo != 3) {
      Recusa(campo, "o leiaute " + std::to_string(posicao) + " não é de arquivo delimitado (1) nem OFX (3)");
    }
  }

  auto contaBancaria = [&](int64_t ponteiro, const std::string& campo) {
    auto it = contas.find(ponteiro);
    if (it == contas.end()) Recusa(campo, "a conta " + std::to_string(ponteiro) + " não está no plano de contas");
    if (!d.contas[it->second].banco) {
      Recusa(campo, "a conta " + std::to_string(ponteiro) + " não é uma conta bancária");
    }
  };
  auto existe = [](const std::map<int64_t, size_t>& indice, int64_t valor, const std::string& campo,
                   const std::string& oque) {
    if (valor != 0 && !indice.count(valor)) Recusa(campo, oque + " " + std::to_string(valor) + " não está cadastrado");
  };

  for (size_t i = 0; i < d.regras.size(); ++i) {
    const RegraLancamento& r = d.regras[i];
    const std::string campo = Caminho("regras_lancamento", i);
    if (r.conta != 0) contaBancaria(r.conta, Caminho(campo, "conta"));
    if (!contas.count(r.contaContrapartida)) {
      Recusa(Caminho(campo, "conta_contrapartida"),
             "a conta " + std::to_string(r.contaContrapartida) + " não está no plano de contas");
    }
    if (r.classificacao != 0 && !contas.count(r.classificacao)) {
      Recusa(Caminho(campo, "classificacao"),
             "a conta " + std::to_string(r.classificacao) + " não está no plano de contas");
    }
    existe(formas, r.formaPagamento, Caminho(campo, "forma_pagamento"), "a forma de pagamento");
    existe(formas, r.formaPagamentoSaida, Caminho(campo, "forma_pagamento_saida"), "a forma de pagamento");
    existe(historicos, r.historico, Caminho(campo, "historico"), "o histórico");
  }

  for (const auto& [secao, regras] : {std::pair{"configuracao_importacao", &d.configuracaoImportacao},
                                      std::pair{"configuracao_conciliacao", &d.configuracaoConciliacao}}) {
    for (size_t i = 0; i < regras->size(); ++i) {
      const RegraServico& r = (*regras)[i];
      const std::string campo = Caminho(Caminho(secao, "regras"), i);
      if (r.filial != 0 && !filiais.count(r.filial)) {
        Recusa(Caminho(campo, "filial"), "a filial " + std::to_string(r.filial) + " não está cadastrada");
      }
      for (size_t j = 0; j < r.contas.size(); ++j) contaBancaria(r.contas[j], Caminho(Caminho(campo, "contas"), j));
    }
  }
}

Documento Interpreta(const std::string& texto) {
  json raiz;
  try {
    raiz = json::parse(texto);
  } catch (const json::parse_error& e) {
    size_t linha = 1, coluna = 1;
    for (size_t i = 0; i + 1 < e.byte && i < texto.size(); ++i) {
      if (texto[i] == '\n') {
        ++linha;
        coluna = 1;
      } else {
        ++coluna;
      }
    }
    Recusa("", "o documento não é JSON válido (linha " + std::to_string(linha) + ", coluna " + std::to_string(coluna) +
                   ")");
  } catch (const json::exception&) {
    // A number no numeric type holds (1e400) is not a parse error to the library, but the
    // document is no more usable for it.
    Recusa("", "o documento não é JSON válido (um número está fora do intervalo que o formato admite)");
  }
  Documento d = LeDocumento(raiz);
  VerificaReferencias(d);
  return d;
}

// ---- writing ----

const char* const kTabelasCadastro[] = {"empresa",
                                        "filial",
                                        "feriado_filial",
                                        "plano_empresarial",
                                        "plano_gerencial",
                                        "banco",
                                        "leiaute",
                                        "leiaute_colunas",
                                        "mestre_cl",
                                        "mestre_financeiro",
                                        "mestre_empresa",
                                        "periodo_contabil",
                                        "forma_pagamento",
                                        "historico",
                                        "regra_lancamento",
                                        "config_servico",
                                        "config_importacao_regra",
                                        "config_importacao_conta",
                                        "config_conciliacao_regra",
                                        "config_conciliacao_conta"};

void GravaConfiguracao(soci::session& sql, bool presente, const std::vector<RegraServico>& regras,
                       const std::string& servico, const std::string& prefixo) {
  if (!presente) return;
  sql << "INSERT INTO config_servico (servico, dma_hms_alteracao, usuario_alteracao) VALUES (:s, 0, 0)",
      soci::use(servico);
  long long id = 0;
  for (const RegraServico& r : regras) {
    ++id;
    long long filial = r.filial, frequencia = r.frequencia, hms = r.hmsExecucao, uteis = r.apenasDiasUteis;
    sql << "INSERT INTO " + prefixo +
               "_regra (id, filial, frequencia, hms_execucao, apenas_dias_uteis) VALUES (:i, :f, :q, :h, :u)",
        soci::use(id), soci::use(filial), soci::use(frequencia), soci::use(hms), soci::use(uteis);
    long long ordem = 0;
    for (int64_t conta : r.contas) {
      long long c = conta;
      sql << "INSERT INTO " + prefixo + "_conta (regra, ordem, conta) VALUES (:r, :o, :c)", soci::use(id),
          soci::use(ordem), soci::use(c);
      ++ordem;
    }
  }
}

void Grava(CZQBancoSQL& banco, const Documento& d) {
  soci::session& sql = banco.Sessao();
  CZQTransacaoSQL transacao(banco);
  for (const char* tabela : kTabelasCadastro) sql << std::string("DELETE FROM ") + tabela;

  sql << "INSERT INTO empresa (id, codigo, nome, documento) VALUES (1, :c, :n, :d)", soci::use(d.empresa.codigo),
      soci::use(d.empresa.nome), soci::use(d.empresa.documento);
  for (const Filial& f : d.filiais) {
    long long p = f.ponteiro;
    sql << "INSERT INTO filial (ponteiro, codigo, nome, documento) VALUES (:p, :c, :n, :d)", soci::use(p),
        soci::use(f.codigo), soci::use(f.nome), soci::use(f.documento);
    for (const Feriado& fer : f.feriados) {
      long long data = fer.data, anual = fer.anual;
      sql << "INSERT INTO feriado_filial (filial, data, anual, descricao) VALUES (:f, :d, :a, :s)", soci::use(p),
          soci::use(data), soci::use(anual), soci::use(fer.descricao);
    }
  }
  for (const Conta& c : d.contas) {
    long long p = c.ponteiro, inativa = c.inativa;
    sql << "INSERT INTO plano_empresarial (ponteiro, codigo_proprio, codigo_usado, nome, tipo, inativa, tipo_banco)"
           " VALUES (:p, :cp, :cu, :n, :t, :i, :tb)",
        soci::use(p), soci::use(c.codigoProprio), soci::use(c.codigoUsado), soci::use(c.nome), soci::use(c.tipo),
        soci::use(inativa), soci::use(c.tipoBanco);
    if (c.banco) {
      const DadosBanco& b = *c.banco;
      long long numero = b.numeroBanco, integrar = b.integrarComTerceiro, operacao = b.tipoOperacao,
                ambiente = b.ambienteIntegracao, ambienteBB = b.ambienteIntegracaoBBExtrato, leiaute = b.leiauteArquivo;
      sql << "INSERT INTO banco (conta, numero_banco, nome_banco, numero_agencia, conta_corrente,"
             " integrar_com_terceiro, tipo_operacao, ambiente_integracao, ambiente_integracao_bb_extrato,"
             " leiaute_arquivo) VALUES (:c, :n, :nb, :a, :cc, :i, :t, :ai, :ab, :l)",
          soci::use(p), soci::use(numero), soci::use(b.nomeBanco), soci::use(b.agencia), soci::use(b.contaCorrente),
          soci::use(integrar), soci::use(operacao), soci::use(ambiente), soci::use(ambienteBB), soci::use(leiaute);
    }
  }
  for (const Conta& c : d.gerenciais) {
    long long p = c.ponteiro, inativa = c.inativa;
    sql << "INSERT INTO plano_gerencial (ponteiro, codigo_proprio, codigo_usado, nome, tipo, inativa)"
           " VALUES (:p, :cp, :cu, :n, :t, :i)",
        soci::use(p), soci::use(c.codigoProprio), soci::use(c.codigoUsado), soci::use(c.nome), soci::use(c.tipo),
        soci::use(inativa);
  }
  for (const Leiaute& l : d.leiautes) {
    long long p = l.posicao, sep = l.separador, tipo = l.tipoArquivo, cab = l.linhasCabecalho, rod = l.linhasRodape;
    sql << "INSERT INTO leiaute (posicao, descricao, separador, tipo_arquivo, linhas_cabecalho, linhas_rodape,"
           " reservado) VALUES (:p, :d, :s, :t, :c, :r, '')",
        soci::use(p), soci::use(l.descricao), soci::use(sep), soci::use(tipo), soci::use(cab), soci::use(rod);
    if (!l.colunas) continue;
    const ColunasLeiaute& c = *l.colunas;
    long long k[9];
    for (int i = 0; i < 9; ++i) k[i] = c.coluna[i];
    sql << "INSERT INTO leiaute_colunas (posicao, delimitador, marca_decimal, formato_data, coluna_data, coluna_valor,"
           " coluna_credito, coluna_debito, coluna_natureza, coluna_documento, coluna_historico, coluna_codigo_mvto,"
           " coluna_conta) VALUES (:p, :de, :m, :f, :c0, :c1, :c2, :c3, :c4, :c5, :c6, :c7, :c8)",
        soci::use(p), soci::use(c.delimitador), soci::use(c.marcaDecimal), soci::use(c.formatoData), soci::use(k[0]),
        soci::use(k[1]), soci::use(k[2]), soci::use(k[3]), soci::use(k[4]), soci::use(k[5]), soci::use(k[6]),
        soci::use(k[7]), soci::use(k[8]);
  }
  {
    long long bloqueio = d.dataBloqueioMovimentacao;
    sql << "INSERT INTO mestre_cl (id, data_bloqueio_movimentacao) VALUES (1, :d)", soci::use(bloqueio);
    long long bloqueioFinanceiro = d.dataBloqueioLancamento;
    sql << "INSERT INTO mestre_financeiro (id, data_bloqueio_lancamento) VALUES (1, :d)", soci::use(bloqueioFinanceiro);
    long long inf = d.dataInferiorLancamento, sup = d.dataSuperiorLancamento;
    sql << "INSERT INTO mestre_empresa (id, data_inferior_lancamento, data_superior_lancamento) VALUES (1, :i, :s)",
        soci::use(inf), soci::use(sup);
    long long pinf = d.dataInferiorMovimentacao, psup = d.dataSuperiorMovimentacao, mes = d.mesBloqueio;
    sql << "INSERT INTO periodo_contabil (id, data_inferior_movimentacao, data_superior_movimentacao, mes_bloqueio)"
           " VALUES (1, :i, :s, :m)",
        soci::use(pinf), soci::use(psup), soci::use(mes);
  }
  for (const FormaPagamento& f : d.formas) {
    long long p = f.posicao, inativa = f.inativa;
    sql << "INSERT INTO forma_pagamento (posicao, descricao, inativa) VALUES (:p, :d, :i)", soci::use(p),
        soci::use(f.descricao), soci::use(inativa);
  }
  for (const Historico& h : d.historicos) {
    long long c = h.codigo;
    sql << "INSERT INTO historico (codigo, nome) VALUES (:c, :n)", soci::use(c), soci::use(h.nome);
  }
  long long posicao = 0;
  for (const RegraLancamento& r : d.regras) {
    ++posicao;
    long long transacao = r.transacao, forma = r.formaPagamento, complemento = r.complHistorico, cs = r.contabilSaida,
              hist = r.historico, formaSaida = r.formaPagamentoSaida, ce = r.contabilEntrada, classif = r.classificacao,
              contra = r.contaContrapartida, conta = r.conta;
    sql << "INSERT INTO regra_lancamento (posicao, codigo_mvto_bco, historico_bco, agrupa, transacao,"
           " forma_pagamento, compl_historico, contabil_saida, historico, forma_pagamento_saida, contabil_entrada,"
           " classificacao, conta_contrapartida, conta, reservado)"
           " VALUES (:p, :c, :h, :a, :t, :f, :ch, :cs, :hi, :fs, :ce, :cl, :cc, :co, '')",
        soci::use(posicao), soci::use(r.codigoMvtoBco), soci::use(r.historicoBco), soci::use(r.agrupa),
        soci::use(transacao), soci::use(forma), soci::use(complemento), soci::use(cs), soci::use(hist),
        soci::use(formaSaida), soci::use(ce), soci::use(classif), soci::use(contra), soci::use(conta);
  }
  GravaConfiguracao(sql, d.temConfiguracaoImportacao, d.configuracaoImportacao, "importacao", "config_importacao");
  GravaConfiguracao(sql, d.temConfiguracaoConciliacao, d.configuracaoConciliacao, "conciliacao", "config_conciliacao");
  transacao.Confirma();
}

HRESULT PreencheRecusa(const CampoRuim& ruim, CZQDadosDF_Erro& erro, ZQProblemaArquivoEmpresa* problema) {
  if (problema) *problema = {ruim.campo, ruim.mensagem};
  erro.SetErro(ZQ_E_SQL_INVALIDO, ZQ_CLASSE_ARMAZEM_SQL, 0);
  std::string texto = "Arquivo da empresa inválido: ";
  texto += ruim.campo.empty() ? ruim.mensagem : ruim.campo + ": " + ruim.mensagem;
  erro.SetTexto(CZQString(texto));
  return ZQ_E_SQL_INVALIDO;
}

}  // namespace

HRESULT ZQVerificaDocumentoEmpresa(const std::string& documento, ZQProblemaArquivoEmpresa& problema) {
  problema = {};
  try {
    Interpreta(documento);
    return S_OK;
  } catch (const CampoRuim& ruim) {
    problema = {ruim.campo, ruim.mensagem};
    return ZQ_E_SQL_INVALIDO;
  }
}

HRESULT ZQCarregaDocumentoEmpresa(CZQBancoSQL& banco, const std::string& documento, CZQDadosDF_Erro& erro,
                                  ZQProblemaArquivoEmpresa* problema) {
  if (problema) *problema = {};
  erro.Limpar();
  Documento d;
  try {
    d = Interpreta(documento);
  } catch (const CampoRuim& ruim) {
    return PreencheRecusa(ruim, erro, problema);
  }
  return ZQExecutaSQL(banco, erro, "CarregaArquivoEmpresa", [&] {
    Grava(banco, d);
    return S_OK;
  });
}

HRESULT ZQCarregaArquivoEmpresa(CZQBancoSQL& banco, const std::string& caminho, CZQDadosDF_Erro& erro,
                                ZQProblemaArquivoEmpresa* problema) {
  std::ifstream in(caminho, std::ios::binary);
  if (!in) {
    if (problema) *problema = {"", "não foi possível ler o arquivo " + caminho};
    erro.SetErro(ZQ_E_SQL_NAO_ABRE, ZQ_CLASSE_ARMAZEM_SQL, 0);
    erro.SetTexto(CZQString("Arquivo da empresa: não foi possível ler " + caminho));
    return ZQ_E_SQL_NAO_ABRE;
  }
  std::ostringstream conteudo;
  conteudo << in.rdbuf();
  return ZQCarregaDocumentoEmpresa(banco, conteudo.str(), erro, problema);
}
