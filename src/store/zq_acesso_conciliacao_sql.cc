#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>

#include "frame/zq_data.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_consulta_preparada.h"
#include "store/zq_integracao_sql.h"
#include "store/zq_soci.h"
#include "store/zq_sql_util.h"
#include "store/zq_tesouraria_sql.h"

using zq_sql::Cabe;
using zq_sql::Car;

namespace {

constexpr int kSqliteConstraint = 19;

constexpr const char* kColunasExtrato =
    "posicao, conta, filial, documento, valor, natureza, hist_bco, codigo_mvto_bco, dma_extrato, dma_importacao,"
    " conciliado, tipo_conciliacao, numero_conciliacao";

// A statement line as columns; the statements bind to its members.
struct LinhaExtrato {
  long long posicao = 0, conta = 0, filial = 0, documento = 0, valor = 0, dmaExtrato = 0, dmaImportacao = 0,
            numero = 0;
  std::string natureza, historico, codigo, conciliado, tipo;

  void De(const CZQDadosCL_Extrato& e) {
    posicao = e.GetPosicao();
    conta = e.GetConta();
    filial = e.GetFilial();
    documento = e.GetDocumento();
    valor = e.GetValor();
    natureza = Car(e.GetNatureza());
    historico = e.GetHistBco().str();
    codigo = e.GetCodigoMvtoBco().str();
    dmaExtrato = e.GetDmaExtrato();
    dmaImportacao = e.GetDmaImportacao();
    conciliado = Car(e.GetConciliado());
    tipo = Car(e.GetTipoConciliacao());
    numero = e.GetNumeroConciliacao();
  }
  CZQDadosCL_Extrato Para() const {
    CZQDadosCL_Extrato e;
    e.SetConta(Cabe<uint32_t>(conta, "extrato.conta"))
        .SetFilial(Cabe<uint16_t>(filial, "extrato.filial"))
        .SetDocumento(documento)
        .SetValor(valor)
        .SetNatureza(Car(natureza))
        .SetHistBco(CZQString(historico))
        .SetCodigoMvtoBco(CZQString(codigo))
        .SetDmaExtrato(Cabe<REG_ZQDMA>(dmaExtrato, "extrato.dma_extrato"))
        .SetDmaImportacao(Cabe<REG_ZQDMA>(dmaImportacao, "extrato.dma_importacao"))
        .SetConciliado(Car(conciliado))
        .SetTipoConciliacao(Car(tipo))
        .SetNumeroConciliacao(Cabe<uint32_t>(numero, "extrato.numero_conciliacao"));
    e.SetChaveRegistro(ZQMontaDmc(0, Cabe<uint32_t>(posicao, "extrato.posicao")));
    return e;
  }
  void Liga(soci::statement& st) {
    st.exchange(soci::into(posicao));
    st.exchange(soci::into(conta));
    st.exchange(soci::into(filial));
    st.exchange(soci::into(documento));
    st.exchange(soci::into(valor));
    st.exchange(soci::into(natureza));
    st.exchange(soci::into(historico));
    st.exchange(soci::into(codigo));
    st.exchange(soci::into(dmaExtrato));
    st.exchange(soci::into(dmaImportacao));
    st.exchange(soci::into(conciliado));
    st.exchange(soci::into(tipo));
    st.exchange(soci::into(numero));
  }
};

// Runs a SELECT of the statement columns and hands every line to `cada`.
template <typename F>
void PercorreExtratos(soci::session& sql, const std::string& condicao, const std::string& ordem, F&& cada) {
  LinhaExtrato linha;
  soci::statement st(sql);
  linha.Liga(st);
  st.alloc();
  st.prepare(std::string("SELECT ") + kColunasExtrato + " FROM extrato" +
             (condicao.empty() ? "" : " WHERE " + condicao) + (ordem.empty() ? "" : " ORDER BY " + ordem));
  st.define_and_bind();
  st.execute(false);
  while (st.fetch()) cada(linha);
}

// A text for a condition: quoted, with quotes doubled (the filters' one-character codes).
std::string Literal(const std::string& texto) {
  std::string r = "'";
  for (char c : texto) {
    if (c == '\'') r += '\'';
    r += c;
  }
  return r + "'";
}

// The condition of a statement filter; a zero field does not filter. With `semIndice`
// the numeric columns are written "+coluna", which keeps the planner off the
// (account, date) index: a search by positions must go by the primary key, or each
// batch of positions scans the whole account.
std::string CondicaoExtrato(const CZQDadosCL_FiltroExtrato& f, bool semIndice = false) {
  const std::string m = semIndice ? "+" : "";
  std::vector<std::string> partes;
  if (f.GetConta()) partes.push_back(m + "conta = " + std::to_string(f.GetConta()));
  // A line keeps only the low 16 bits of its branch.
  if (f.GetFilial()) partes.push_back(m + "filial = " + std::to_string(f.GetFilial() & 0xFFFFu));
  if (f.GetDataInicial()) partes.push_back(m + "dma_extrato >= " + std::to_string(f.GetDataInicial()));
  if (f.GetDataFinal()) partes.push_back(m + "dma_extrato <= " + std::to_string(f.GetDataFinal()));
  if (f.GetConciliado() == ZQ_CONCILIADO_SIM) {
    partes.push_back("conciliado = 'S'");
  } else if (f.GetConciliado() != 0) {
    partes.push_back("conciliado <> 'S'");
  }
  if (f.GetTipoConciliacao()) partes.push_back("tipo_conciliacao = " + Literal(Car(f.GetTipoConciliacao())));
  if (f.GetNumeroConciliacao()) partes.push_back("numero_conciliacao = " + std::to_string(f.GetNumeroConciliacao()));
  std::string condicao;
  for (const std::string& p : partes) condicao += (condicao.empty() ? "" : " AND ") + p;
  return condicao;
}

std::string E(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + " AND " + b;
}

std::string TextoChave(const REG_ZQDMC& chave) {
  return std::to_string(chave.dma) + "/" + std::to_string(chave.codigo);
}

// ---- the posting rules and layout servers ----

constexpr std::size_t kReservadoRegra1 = sizeof(_REG_PROP_CONC_TESBAN_PS::reservado68);
constexpr std::size_t kReservadoRegra2 = sizeof(_REG_PROP_CONC_TESBAN_PS::reservado108);

class CZQMestreCLSQL : public TZQRefCounted<IZQCL_Mestre> {
 public:
  explicit CZQMestreCLSQL(std::shared_ptr<CZQBancoSQL> banco) : m_banco(std::move(banco)) {}

  HRESULT BuscaQuantProTesBan(uint16_t* quantidade) override {
    if (!quantidade) return E_POINTER;
    CZQDadosDF_Erro erro;
    return ZQExecutaSQL(*m_banco, erro, "BuscaQuantProTesBan", [&] {
      long long n = 0;
      m_banco->Sessao() << "SELECT COUNT(*) FROM regra_lancamento", soci::into(n);
      *quantidade = Cabe<uint16_t>(n, "regra_lancamento (quantidade)");
      return S_OK;
    });
  }

  HRESULT BuscaRegistrosTesBan(uint16_t quantidade, _REG_PROP_CONC_TESBAN_PS* registros) override {
    if (quantidade == 0) return S_OK;
    if (!registros) return E_POINTER;
    CZQDadosDF_Erro erro;
    return ZQExecutaSQL(*m_banco, erro, "BuscaRegistrosTesBan", [&] {
      std::string codigo, historico, agrupa, reservado;
      long long transacao = 0, forma = 0, complemento = 0, contabilSaida = 0, historicoPadrao = 0, formaSaida = 0,
                contabilEntrada = 0, classificacao = 0, contrapartida = 0, conta = 0;
      soci::statement st =
          (m_banco->Sessao().prepare << "SELECT codigo_mvto_bco, historico_bco, agrupa, transacao, forma_pagamento,"
                                        " compl_historico, contabil_saida, historico, forma_pagamento_saida,"
                                        " contabil_entrada, classificacao, conta_contrapartida, conta, reservado"
                                        " FROM regra_lancamento ORDER BY posicao",
           soci::into(codigo), soci::into(historico), soci::into(agrupa), soci::into(transacao), soci::into(forma),
           soci::into(complemento), soci::into(contabilSaida), soci::into(historicoPadrao), soci::into(formaSaida),
           soci::into(contabilEntrada), soci::into(classificacao), soci::into(contrapartida), soci::into(conta),
           soci::into(reservado));
      st.execute(false);
      for (uint16_t i = 0; i < quantidade && st.fetch(); ++i) {
        _REG_PROP_CONC_TESBAN_PS r{};
        r.szCodigoMvtoBco.Set(CZQString(codigo));
        r.szHistoricoBco.Set(CZQString(historico));
        r.cAgrupa = Car(agrupa);
        r.iTransacao = Cabe<uint16_t>(transacao, "regra_lancamento.transacao");
        r.iPosFormaPagamento = Cabe<uint16_t>(forma, "regra_lancamento.forma_pagamento");
        r.iComplHistorico = Cabe<uint16_t>(complemento, "regra_lancamento.compl_historico");
        r.iContabilSaida = Cabe<uint16_t>(contabilSaida, "regra_lancamento.contabil_saida");
        r.lHistorico = Cabe<uint16_t>(historicoPadrao, "regra_lancamento.historico");
        r.iPosFormaPagamentoSaida = Cabe<uint16_t>(formaSaida, "regra_lancamento.forma_pagamento_saida");
        r.iContabilEntrada = Cabe<uint16_t>(contabilEntrada, "regra_lancamento.contabil_entrada");
        r.lPosClassificacao = Cabe<uint32_t>(classificacao, "regra_lancamento.classificacao");
        r.lContaContrapartida = Cabe<uint32_t>(contrapartida, "regra_lancamento.conta_contrapartida");
        r.lPonteiroConta = Cabe<uint32_t>(conta, "regra_lancamento.conta");
        unsigned char bytes[kReservadoRegra1 + kReservadoRegra2];
        if (!zq_sql::DeHex(reservado, bytes, sizeof bytes)) {
          throw CZQExcecaoSQL(ZQ_E_SQL_CORROMPIDO, "bytes reservados ilegíveis numa regra de lançamento");
        }
        std::copy(bytes, bytes + kReservadoRegra1, r.reservado68);
        std::copy(bytes + kReservadoRegra1, bytes + sizeof bytes, r.reservado108);
        registros[i] = r;
      }
      return S_OK;
    });
  }

 private:
  std::shared_ptr<CZQBancoSQL> m_banco;
};

constexpr std::size_t kReservadoLeiaute = sizeof(RegLeiauteps::reservado6);

// Reads the layout at a position; false when there is none.
bool LeLeiauteSQL(soci::session& sql, int32_t posicao, RegLeiauteps& reg) {
  std::string descricao, reservado;
  long long separador = 0, tipo = 0, cabecalho = 0, rodape = 0;
  soci::indicator ind = soci::i_ok;
  long long p = posicao;
  sql << "SELECT descricao, separador, tipo_arquivo, linhas_cabecalho, linhas_rodape, reservado FROM leiaute"
         " WHERE posicao = :p",
      soci::use(p), soci::into(descricao, ind), soci::into(separador), soci::into(tipo), soci::into(cabecalho),
      soci::into(rodape), soci::into(reservado);
  if (!sql.got_data()) return false;
  reg = RegLeiauteps{};
  reg.lPosicao = posicao;
  reg.ucSeparador = Cabe<uint8_t>(separador, "leiaute.separador");
  reg.ucTipoArquivo = Cabe<uint8_t>(tipo, "leiaute.tipo_arquivo");
  reg.iLinhasCabecalho = Cabe<uint16_t>(cabecalho, "leiaute.linhas_cabecalho");
  reg.iLinhasRodape = Cabe<uint16_t>(rodape, "leiaute.linhas_rodape");
  reg.szDescricao.Set(CZQString(descricao));
  if (!zq_sql::DeHex(reservado, reg.reservado6, kReservadoLeiaute)) {
    throw CZQExcecaoSQL(ZQ_E_SQL_CORROMPIDO, "bytes reservados ilegíveis no leiaute " + std::to_string(posicao));
  }
  return true;
}

class CZQImportacaoCBNSQL : public TZQRefCounted<IZQCL_ImportacaoCBN> {
 public:
  explicit CZQImportacaoCBNSQL(std::shared_ptr<CZQBancoSQL> banco) : m_banco(std::move(banco)) {}

  HRESULT LeLeiaute(int32_t posicao, RegLeiauteps* leiaute) override {
    if (!leiaute) return E_POINTER;
    // Online statements carry no layout key: they read as a layout without header or
    // trailer lines.
    if (posicao == 0) {
      *leiaute = RegLeiauteps{};
      return S_OK;
    }
    CZQDadosDF_Erro erro;
    return ZQExecutaSQL(*m_banco, erro, "LeLeiaute", [&] {
      return LeLeiauteSQL(m_banco->Sessao(), posicao, *leiaute) ? S_OK : ZQ_E_SQL_NAO_ENCONTRADO;
    });
  }

 private:
  std::shared_ptr<CZQBancoSQL> m_banco;
};

// ---- service configurations, the same for both services ----

template <typename Configuracao>
void LeConfiguracaoSQL(soci::session& sql, const std::string& servico, const std::string& prefixo,
                       Configuracao& configuracao) {
  using Regra = typename Configuracao::Regra;
  configuracao.Limpar();
  long long alteracao = 0, usuario = 0;
  sql << "SELECT dma_hms_alteracao, usuario_alteracao FROM config_servico WHERE servico = :s", soci::use(servico),
      soci::into(alteracao), soci::into(usuario);
  if (sql.got_data()) {
    configuracao.SetDmaHmsAlteracao(alteracao);
    configuracao.SetUsuarioAlteracao(Cabe<uint16_t>(usuario, "config_servico.usuario_alteracao"));
  }

  std::map<long long, std::size_t> indice;
  CZQVector<Regra> regras;
  {
    long long id = 0, filial = 0, frequencia = 0, hms = 0, uteis = 0;
    soci::statement st = (sql.prepare << "SELECT id, filial, frequencia, hms_execucao, apenas_dias_uteis FROM " +
                                             prefixo + "_regra ORDER BY id",
                          soci::into(id), soci::into(filial), soci::into(frequencia), soci::into(hms),
                          soci::into(uteis));
    st.execute(false);
    while (st.fetch()) {
      Regra regra;
      regra.SetPonteiroFilial(Cabe<uint32_t>(filial, "regra.filial"))
          .SetFrequencia(Cabe<uint8_t>(frequencia, "regra.frequencia"))
          .SetHmsExecucao(Cabe<REG_ZQHMS>(hms, "regra.hms_execucao"))
          .SetApenasDiasUteis(uteis != 0);
      indice[id] = static_cast<std::size_t>(regras.Add(regra));
    }
  }
  {
    long long regra = 0, conta = 0;
    soci::statement st =
        (sql.prepare << "SELECT regra, conta FROM " + prefixo + "_conta ORDER BY regra, ordem", soci::into(regra),
         soci::into(conta));
    st.execute(false);
    while (st.fetch()) {
      auto it = indice.find(regra);
      if (it == indice.end()) continue;  // an account of a rule that is gone
      regras[it->second].AdicionaPonteiroContaBanco(Cabe<uint32_t>(conta, "conta.conta"));
    }
  }
  configuracao.SetListaRegras(regras);
}

template <typename Configuracao>
void GravaConfiguracaoSQL(CZQBancoSQL& banco, const std::string& servico, const std::string& prefixo,
                          const Configuracao& configuracao) {
  soci::session& sql = banco.Sessao();
  CZQTransacaoSQL transacao(banco);
  sql << "DELETE FROM config_servico WHERE servico = :s", soci::use(servico);
  sql << "DELETE FROM " + prefixo + "_conta";
  sql << "DELETE FROM " + prefixo + "_regra";
  long long alteracao = configuracao.GetDmaHmsAlteracao(), usuario = configuracao.GetUsuarioAlteracao();
  sql << "INSERT INTO config_servico (servico, dma_hms_alteracao, usuario_alteracao) VALUES (:s, :a, :u)",
      soci::use(servico), soci::use(alteracao), soci::use(usuario);
  long long id = 0;
  for (const auto& regra : configuracao.GetListaRegras()) {
    ++id;
    long long filial = regra.GetPonteiroFilial(), frequencia = regra.GetFrequencia(), hms = regra.GetHmsExecucao(),
              uteis = regra.GetApenasDiasUteis() ? 1 : 0;
    sql << "INSERT INTO " + prefixo +
               "_regra (id, filial, frequencia, hms_execucao, apenas_dias_uteis) VALUES (:i, :f, :q, :h, :u)",
        soci::use(id), soci::use(filial), soci::use(frequencia), soci::use(hms), soci::use(uteis);
    long long ordem = 0;
    for (uint32_t c : regra.GetListaPonteirosContaBanco()) {
      long long conta = c;
      sql << "INSERT INTO " + prefixo + "_conta (regra, ordem, conta) VALUES (:r, :o, :c)", soci::use(id),
          soci::use(ordem), soci::use(conta);
      ++ordem;
    }
  }
  transacao.Confirma();
}

// Ids of execution keys for an IN list, and the keys by id to check their dates.
std::vector<long long> IdsDasChaves(const CZQVector<REG_ZQDMC>& chaves) {
  std::vector<long long> ids;
  ids.reserve(static_cast<std::size_t>(chaves.GetQuantidade()));
  for (const REG_ZQDMC& c : chaves) ids.push_back(c.codigo);
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

}  // namespace

// Rows of one multi-row insert of statement lines: one statement and one round trip
// for them all. 64 rows of 13 columns stay under SQLite's oldest limit of 999 values.
constexpr std::size_t kLinhasPorInsercao = 64;
constexpr std::size_t kColunasPorLinha = 13;

// Prepared once per area: the statements a bulk of statement lines goes through.
struct CZQAcessoConciliacaoSQL::Comandos {
  LinhaExtrato linha;
  soci::statement insere;
  soci::statement atualiza;
  LinhaExtrato bloco[kLinhasPorInsercao];
  soci::statement insereBloco;
  // The table key of an account and branch, asked once per generated entry.
  struct ChaveTabela {
    long long conta = 0, filial = 0, chave = 0;
  };
  TZQConsultaPreparada<ChaveTabela> leChave;

  explicit Comandos(soci::session& sql)
      : insere((sql.prepare << "INSERT INTO extrato (posicao, conta, filial, documento, valor, natureza, hist_bco,"
                               " codigo_mvto_bco, dma_extrato, dma_importacao, conciliado, tipo_conciliacao,"
                               " numero_conciliacao) VALUES (:p, :c, :f, :d, :v, :n, :h, :cm, :de, :di, :cc, :tc,"
                               " :nc)",
                soci::use(linha.posicao), soci::use(linha.conta), soci::use(linha.filial), soci::use(linha.documento),
                soci::use(linha.valor), soci::use(linha.natureza), soci::use(linha.historico), soci::use(linha.codigo),
                soci::use(linha.dmaExtrato), soci::use(linha.dmaImportacao), soci::use(linha.conciliado),
                soci::use(linha.tipo), soci::use(linha.numero))),
        atualiza((sql.prepare << "UPDATE extrato SET conta = :c, filial = :f, documento = :d, valor = :v,"
                                 " natureza = :n, hist_bco = :h, codigo_mvto_bco = :cm, dma_extrato = :de,"
                                 " dma_importacao = :di, conciliado = :cc, tipo_conciliacao = :tc,"
                                 " numero_conciliacao = :nc WHERE posicao = :p",
                  soci::use(linha.conta), soci::use(linha.filial), soci::use(linha.documento), soci::use(linha.valor),
                  soci::use(linha.natureza), soci::use(linha.historico), soci::use(linha.codigo),
                  soci::use(linha.dmaExtrato), soci::use(linha.dmaImportacao), soci::use(linha.conciliado),
                  soci::use(linha.tipo), soci::use(linha.numero), soci::use(linha.posicao))),
        insereBloco(sql) {
    std::string texto = std::string("INSERT INTO extrato (") + kColunasExtrato + ") VALUES ";
    for (std::size_t i = 0; i < kLinhasPorInsercao; ++i) {
      LinhaExtrato& l = bloco[i];
      texto += i == 0 ? "(" : ", (";
      for (std::size_t coluna = 0; coluna < kColunasPorLinha; ++coluna) {
        texto += (coluna == 0 ? ":v" : ", :v") + std::to_string(i * kColunasPorLinha + coluna);
      }
      texto += ")";
      for (auto* campo : {&l.posicao, &l.conta, &l.filial, &l.documento, &l.valor})
        insereBloco.exchange(soci::use(*campo));
      for (auto* campo : {&l.natureza, &l.historico, &l.codigo}) insereBloco.exchange(soci::use(*campo));
      for (auto* campo : {&l.dmaExtrato, &l.dmaImportacao}) insereBloco.exchange(soci::use(*campo));
      for (auto* campo : {&l.conciliado, &l.tipo}) insereBloco.exchange(soci::use(*campo));
      insereBloco.exchange(soci::use(l.numero));
    }
    insereBloco.alloc();
    insereBloco.prepare(texto);
    insereBloco.define_and_bind();
  }

  // Adds new lines (without position) inside the caller's transaction, where the
  // positions are counted in memory: whole blocks by the multi-row insert, the rest one
  // by one. Returns their positions in order.
  void Insere(CZQBancoSQL& banco, const std::vector<const CZQDadosCL_Extrato*>& novas,
              std::vector<uint32_t>& posicoes) {
    std::size_t feitas = 0;
    for (; feitas + kLinhasPorInsercao <= novas.size(); feitas += kLinhasPorInsercao) {
      for (std::size_t i = 0; i < kLinhasPorInsercao; ++i) {
        bloco[i].De(*novas[feitas + i]);
        bloco[i].posicao = Cabe<uint32_t>(banco.ProximoNumero("extrato", "posicao"), "extrato.posicao");
        posicoes.push_back(static_cast<uint32_t>(bloco[i].posicao));
      }
      insereBloco.execute(true);
    }
    for (; feitas < novas.size(); ++feitas) {
      linha.De(*novas[feitas]);
      linha.posicao = Cabe<uint32_t>(banco.ProximoNumero("extrato", "posicao"), "extrato.posicao");
      posicoes.push_back(static_cast<uint32_t>(linha.posicao));
      insere.execute(true);
    }
  }

  // Stores one line; returns its position.
  uint32_t Grava(CZQBancoSQL& banco, const CZQDadosCL_Extrato& extrato) {
    if (extrato.GetConta() == 0) throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, "a linha de extrato não tem conta");
    linha.De(extrato);
    if (extrato.GetPosicao() == 0) {
      // One statement, so no transaction of its own: the position is the one remembered,
      // and when another writer took it the insert is refused and tried again with the
      // highest position read anew. Several writers at once may each take the one read
      // again, so a few more attempts than writers are allowed.
      constexpr int kTentativas = 64;
      for (int tentativa = 0;; ++tentativa) {
        linha.posicao = Cabe<uint32_t>(banco.ProximoNumeroLembrado("extrato", "posicao"), "extrato.posicao");
        try {
          insere.execute(true);
          break;
        } catch (const soci::sqlite3_soci_error& e) {
          banco.EsqueceNumeroLembrado("extrato", "posicao");
          if (tentativa + 1 >= kTentativas || (e.result() & 0xFF) != kSqliteConstraint) throw;
        }
      }
    } else {
      atualiza.execute(true);
      if (atualiza.get_affected_rows() == 0) {
        throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO,
                            "não há linha de extrato na posição " + std::to_string(extrato.GetPosicao()));
      }
    }
    return static_cast<uint32_t>(linha.posicao);
  }
};

CZQAcessoConciliacaoSQL::CZQAcessoConciliacaoSQL(std::shared_ptr<CZQBancoSQL> banco) : CZQAreaSQL(std::move(banco)) {}
CZQAcessoConciliacaoSQL::~CZQAcessoConciliacaoSQL() = default;

CZQAcessoConciliacaoSQL::Comandos& CZQAcessoConciliacaoSQL::Prepara() {
  if (!m_comandos) m_comandos = std::make_unique<Comandos>(Banco().Sessao());
  return *m_comandos;
}

HRESULT CZQAcessoConciliacaoSQL::LeBufferMestre(CZQDadosCL_Mestre* mestre, int) {
  if (!mestre) return Falha("LeBufferMestre", E_POINTER, "registro nulo");
  return Executa("LeBufferMestre", [&] {
    long long bloqueio = 0;
    Banco().Sessao() << "SELECT data_bloqueio_movimentacao FROM mestre_cl WHERE id = 1", soci::into(bloqueio);
    if (!Banco().Sessao().got_data()) {
      return Falha("LeBufferMestre", ZQ_E_SQL_NAO_ENCONTRADO, "o mestre da conciliação não está cadastrado");
    }
    mestre->Limpar();
    mestre->SetDataBloqueioMovimentacao(Cabe<REG_ZQDMA>(bloqueio, "mestre_cl.data_bloqueio_movimentacao"));
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::BuscaPonteirosMovimentoExtrato(const CZQDadosCL_FiltroExtrato& filtro,
                                                                CZQVector<uint32_t>& posicoes) {
  return Executa("BuscaPonteirosMovimentoExtrato", [&] {
    CZQVector<uint32_t> lidas;
    long long posicao = 0;
    const std::string condicao = CondicaoExtrato(filtro);
    soci::statement st = (Banco().Sessao().prepare << "SELECT posicao FROM extrato" +
                                                          (condicao.empty() ? "" : " WHERE " + condicao) +
                                                          " ORDER BY dma_extrato, posicao",
                          soci::into(posicao));
    st.execute(false);
    while (st.fetch()) lidas.Add(Cabe<uint32_t>(posicao, "extrato.posicao"));
    posicoes = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::BuscaRegistrosMovimentoExtrato(const CZQDadosCL_FiltroExtrato& filtro,
                                                                const CZQVector<uint32_t>& posicoes,
                                                                CZQVector<CZQDadosCL_Extrato>& extratos) {
  return Executa("BuscaRegistrosMovimentoExtrato", [&] {
    std::unordered_map<uint32_t, CZQDadosCL_Extrato> achadas;
    const std::string condicao = CondicaoExtrato(filtro, true);
    for (const std::string& lista : zq_sql::ListasIn(posicoes.Std())) {
      PercorreExtratos(Banco().Sessao(), E("posicao IN (" + lista + ")", condicao), "",
                       [&](const LinhaExtrato& l) { achadas.emplace(static_cast<uint32_t>(l.posicao), l.Para()); });
    }
    CZQVector<CZQDadosCL_Extrato> lidas;
    lidas.Reserve(static_cast<std::size_t>(posicoes.GetQuantidade()));
    for (uint32_t p : posicoes) {
      if (auto it = achadas.find(p); it != achadas.end()) lidas.Add(it->second);
    }
    extratos = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GravaExtrato(CZQDadosCL_Extrato& extrato) {
  return Executa("GravaExtrato", [&] {
    // PostgreSQL counts new positions only inside a transaction (ProximoNumeroLembrado).
    std::optional<CZQTransacaoSQL> transacao;
    if (Banco().GetBackend() == "postgresql" && extrato.GetPosicao() == 0) transacao.emplace(Banco());
    const uint32_t posicao = Prepara().Grava(Banco(), extrato);
    if (transacao) transacao->Confirma();
    extrato.SetChaveRegistro(ZQMontaDmc(extrato.GetDmaExtrato(), posicao));
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GravaExtratos(CZQVector<CZQDadosCL_Extrato>& extratos,
                                               const ZQArquivoExtratoImportado* arquivo) {
  return Executa("GravaExtratos", [&] {
    // A line without account is refused before anything is written.
    for (const CZQDadosCL_Extrato& e : extratos) {
      if (e.GetConta() == 0) throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, "a linha de extrato não tem conta");
    }
    Comandos& comandos = Prepara();
    std::vector<const CZQDadosCL_Extrato*> novas;
    for (const CZQDadosCL_Extrato& e : extratos) {
      if (e.GetPosicao() == 0) novas.push_back(&e);
    }
    std::vector<uint32_t> posicoesNovas;
    posicoesNovas.reserve(novas.size());

    // A large batch on SQLite: pages enough for its rows and their two indexes, so that
    // the transaction does not spill half-written pages to the log and read them back.
    struct CachePaginas {
      CZQBancoSQL* banco = nullptr;
      ~CachePaginas() {
        if (banco) banco->Sessao() << "PRAGMA cache_size=-32768";
      }
    } cache;
    if (Banco().GetBackend() == "sqlite3" && novas.size() >= 50000) {
      Banco().Sessao() << "PRAGMA cache_size=-524288";
      cache.banco = &Banco();
    }
    CZQTransacaoSQL transacao(Banco());
    comandos.Insere(Banco(), novas, posicoesNovas);
    for (const CZQDadosCL_Extrato& e : extratos) {
      if (e.GetPosicao() != 0) comandos.Grava(Banco(), e);
    }
    // After the lines: on PostgreSQL their positions were taken under the store's lock of
    // new numbers, so a batch of the same file from another connection waits here until
    // this one is committed and then finds its record.
    if (arquivo) {
      const std::string resumo = arquivo->resumo.str(), nomeArquivo = arquivo->nome.str();
      std::string nome;
      long long dma = 0;
      Banco().Sessao() << "SELECT nome, dma_importacao FROM arquivo_extrato WHERE resumo = :r", soci::use(resumo),
          soci::into(nome), soci::into(dma);
      if (Banco().Sessao().got_data()) {
        throw CZQExcecaoSQL(ZQ_E_ARQUIVO_JA_IMPORTADO,
                            "o arquivo " + nomeArquivo + " tem o conteúdo do arquivo " + nome + ", já importado");
      }
      long long conta = arquivo->conta, dmaImportacao = arquivo->dmaImportacao,
                linhas = static_cast<long long>(extratos.GetQuantidade());
      Banco().Sessao() << "INSERT INTO arquivo_extrato (resumo, nome, conta, dma_importacao, linhas)"
                          " VALUES (:r, :n, :c, :d, :l)",
          soci::use(resumo), soci::use(nomeArquivo), soci::use(conta), soci::use(dmaImportacao), soci::use(linhas);
    }
    transacao.Confirma();
    // The one-by-one inserts count from the table again, past what this batch took.
    Banco().EsqueceNumeroLembrado("extrato", "posicao");

    std::size_t proxima = 0;
    for (CZQDadosCL_Extrato& e : extratos) {
      const uint32_t posicao = e.GetPosicao() == 0 ? posicoesNovas[proxima++] : e.GetPosicao();
      e.SetChaveRegistro(ZQMontaDmc(e.GetDmaExtrato(), posicao));
    }
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::BuscaArquivoExtratoImportado(const CZQString& resumo,
                                                              ZQArquivoExtratoImportado& arquivo) {
  return Executa("BuscaArquivoExtratoImportado", [&] {
    const std::string chave = resumo.str();
    std::string nome;
    long long conta = 0, dma = 0;
    Banco().Sessao() << "SELECT nome, conta, dma_importacao FROM arquivo_extrato WHERE resumo = :r", soci::use(chave),
        soci::into(nome), soci::into(conta), soci::into(dma);
    if (!Banco().Sessao().got_data()) return S_FALSE;
    arquivo.resumo = resumo;
    arquivo.nome = CZQString(nome);
    arquivo.conta = Cabe<uint32_t>(conta, "arquivo_extrato.conta");
    arquivo.dmaImportacao = Cabe<REG_ZQDMA>(dma, "arquivo_extrato.dma_importacao");
    return S_OK;
  });
}

// ProcessaConciliacaoAutomatica: zq_conciliacao_automatica_sql.cc.

HRESULT CZQAcessoConciliacaoSQL::BuscaConciliacao(const CZQDadosCL_ConciliacaoAutomatica& conciliacao,
                                                  CZQDadosCL_ConciliacaoTesourariaBancos& resultado) {
  // Held while reading, so that what a posting run of the account that stopped after
  // recording left undone is finished first and no live run is half-way.
  return ExecutaComConta("BuscaConciliacao", conciliacao.GetPonteiroConta(), [&] {
    const uint32_t conta = conciliacao.GetPonteiroConta();
    if (conta != 0) ZQCompletaIntegracoesPendentes(Banco(), conta);
    std::string periodoExtrato, periodoTesouraria;
    if (conciliacao.GetDataInicial()) {
      periodoExtrato = E(periodoExtrato, "dma_extrato >= " + std::to_string(conciliacao.GetDataInicial()));
      periodoTesouraria = E(periodoTesouraria, "data_lancamento >= " + std::to_string(conciliacao.GetDataInicial()));
    }
    if (conciliacao.GetDataFinal()) {
      periodoExtrato = E(periodoExtrato, "dma_extrato <= " + std::to_string(conciliacao.GetDataFinal()));
      periodoTesouraria = E(periodoTesouraria, "data_lancamento <= " + std::to_string(conciliacao.GetDataFinal()));
    }
    std::string condicaoExtrato = E("conta = " + std::to_string(conta) + " AND conciliado <> 'S'", periodoExtrato);
    std::string condicaoTesouraria =
        E("((conta_ent = " + std::to_string(conta) + " AND conciliado_ent <> 'S') OR (conta_sai = " +
              std::to_string(conta) + " AND conciliado_sai <> 'S'))",
          periodoTesouraria);
    if (conciliacao.GetPonteiroFilial()) {
      condicaoExtrato = E(condicaoExtrato, "filial = " + std::to_string(conciliacao.GetPonteiroFilial()));
      condicaoTesouraria = E(condicaoTesouraria, "filial = " + std::to_string(conciliacao.GetPonteiroFilial()));
    }
    CZQVector<CZQDadosCL_Extrato> extratos;
    PercorreExtratos(Banco().Sessao(), condicaoExtrato, "dma_extrato, posicao",
                     [&](const LinhaExtrato& l) { extratos.Add(l.Para()); });
    CZQVector<CZQDadosFN_Tesouraria> entradas;
    zq_sql::LeEntradasTesouraria(Banco().Sessao(), condicaoTesouraria, entradas);

    resultado.Limpar();
    resultado.SetPonteiroConta(conta);
    resultado.SetListaExtrato(extratos);
    resultado.SetListaTesouraria(entradas);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GetUltimoNrConciliacao(uint32_t conta, uint32_t& numero) {
  return Executa("GetUltimoNrConciliacao", [&] {
    long long ultimo = 0;
    long long c = conta;
    Banco().Sessao() << "SELECT ultimo_numero FROM numero_conciliacao WHERE conta = :c", soci::use(c),
        soci::into(ultimo);
    numero = Banco().Sessao().got_data() ? Cabe<uint32_t>(ultimo, "numero_conciliacao.ultimo_numero") : 0;
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::SalvaArqNumConciliacao(uint32_t conta, uint32_t numero) {
  return Executa("SalvaArqNumConciliacao", [&] {
    if (conta == 0) throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, "conta 0 não tem numeração de conciliação");
    long long c = conta, n = numero;
    CZQTransacaoSQL transacao(Banco());
    soci::statement atualiza =
        (Banco().Sessao().prepare << "UPDATE numero_conciliacao SET ultimo_numero = :n WHERE conta = :c",
         soci::use(n), soci::use(c));
    atualiza.execute(true);
    if (atualiza.get_affected_rows() == 0) {
      Banco().Sessao() << "INSERT INTO numero_conciliacao (conta, ultimo_numero) VALUES (:c, :n)", soci::use(c),
          soci::use(n);
    }
    transacao.Confirma();
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GetChave(CZQDadosCL_Tabela& tabela) {
  return Executa("GetChave", [&] {
    long long conta = tabela.GetConta(), filial = tabela.GetFilial(), chave = 0;
    soci::session& sql = Banco().Sessao();
    using ChaveTabela = Comandos::ChaveTabela;
    TZQConsultaPreparada<ChaveTabela>& leChave = Prepara().leChave;
    leChave.valores.conta = conta;
    leChave.valores.filial = filial;
    const bool achou = leChave.Executa(sql, [](soci::session& s, ChaveTabela& v) {
      return soci::statement((s.prepare << "SELECT chave FROM chave_tabela WHERE conta = :c AND filial = :f",
                              soci::use(v.conta), soci::use(v.filial), soci::into(v.chave)));
    });
    if (achou) {
      chave = leChave.valores.chave;
    } else {
      CZQTransacaoSQL transacao(Banco());
      chave = Banco().ProximoNumero("chave_tabela", "chave");
      // Under the numbering lock: another process may have given this pair its key
      // since the read above.
      long long dada = 0;
      sql << "SELECT chave FROM chave_tabela WHERE conta = :c AND filial = :f", soci::use(conta), soci::use(filial),
          soci::into(dada);
      if (sql.got_data()) {
        chave = dada;
      } else {
        if (chave > std::numeric_limits<uint16_t>::max()) {
          throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, "as chaves de tabela se esgotaram");
        }
        sql << "INSERT INTO chave_tabela (conta, filial, chave) VALUES (:c, :f, :k)", soci::use(conta),
            soci::use(filial), soci::use(chave);
      }
      transacao.Confirma();
    }
    tabela.SetChave(Cabe<uint16_t>(chave, "chave_tabela.chave"));
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LeConfiguracaoServicoImportacaoExtratos(
    CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& configuracao, int) {
  return Executa("LeConfiguracaoServicoImportacaoExtratos", [&] {
    CZQDadosCL_ConfiguracaoServicoImportacaoExtratos lida;
    LeConfiguracaoSQL(Banco().Sessao(), "importacao", "config_importacao", lida);
    configuracao = lida;
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LeConfiguracaoConciliacaoTesourariaBanco(
    CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& configuracao, int) {
  return Executa("LeConfiguracaoConciliacaoTesourariaBanco", [&] {
    CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco lida;
    LeConfiguracaoSQL(Banco().Sessao(), "conciliacao", "config_conciliacao", lida);
    configuracao = lida;
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GravaConfiguracaoServicoImportacaoExtratos(
    const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& configuracao) {
  return Executa("GravaConfiguracaoServicoImportacaoExtratos", [&] {
    GravaConfiguracaoSQL(Banco(), "importacao", "config_importacao", configuracao);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GravaConfiguracaoConciliacaoTesourariaBanco(
    const CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& configuracao) {
  return Executa("GravaConfiguracaoConciliacaoTesourariaBanco", [&] {
    GravaConfiguracaoSQL(Banco(), "conciliacao", "config_conciliacao", configuracao);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GravaExecucaoConciliacaoTesourariaBanco(
    const CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& execucoes) {
  return Executa("GravaExecucaoConciliacaoTesourariaBanco", [&] {
    soci::session& sql = Banco().Sessao();
    CZQTransacaoSQL transacao(Banco());
    for (const auto& e : execucoes) {
      long long id = Banco().ProximoNumero("execucao_conciliacao", "id");
      long long data = zq::DmaDeDmaHms(e.GetDataHoraExecucao()), momento = e.GetDataHoraExecucao(),
                banco = e.GetPonteiroBanco(), filial = e.GetPonteiroFilial(), status = e.GetTipoStatus();
      const std::string mensagem = e.GetMensagemStatus().str();
      sql << "INSERT INTO execucao_conciliacao (id, data, data_hora_execucao, banco, filial, tipo_status, mensagem)"
             " VALUES (:i, :d, :m, :b, :f, :s, :t)",
          soci::use(id), soci::use(data), soci::use(momento), soci::use(banco), soci::use(filial), soci::use(status),
          soci::use(mensagem);
    }
    transacao.Confirma();
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::BuscaPonteirosExecucaoConciliacaoTesourariaBanco(
    const CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco& filtro, CZQVector<REG_ZQDMC>& chaves) {
  return Executa("BuscaPonteirosExecucaoConciliacaoTesourariaBanco", [&] {
    std::string condicao;
    if (filtro.GetDmaExecucaoInicial()) condicao = E(condicao, "data >= " + std::to_string(filtro.GetDmaExecucaoInicial()));
    if (filtro.GetDmaExecucaoFinal()) condicao = E(condicao, "data <= " + std::to_string(filtro.GetDmaExecucaoFinal()));
    if (filtro.GetPonteiroFilial()) condicao = E(condicao, "filial = " + std::to_string(filtro.GetPonteiroFilial()));
    const auto& contas = filtro.GetListaPonteirosContaBanco().Std();
    if (!contas.empty()) {
      std::string ou;
      for (const std::string& lista : zq_sql::ListasIn(contas)) {
        ou += (ou.empty() ? "" : " OR ") + std::string("banco IN (") + lista + ")";
      }
      condicao = E(condicao, "(" + ou + ")");
    }
    CZQVector<REG_ZQDMC> lidas;
    long long id = 0, data = 0;
    soci::statement st = (Banco().Sessao().prepare << "SELECT id, data FROM execucao_conciliacao" +
                                                          (condicao.empty() ? "" : " WHERE " + condicao) +
                                                          " ORDER BY data_hora_execucao, id",
                          soci::into(id), soci::into(data));
    st.execute(false);
    while (st.fetch()) {
      lidas.Add(ZQMontaDmc(Cabe<REG_ZQDMA>(data, "execucao_conciliacao.data"),
                           Cabe<uint32_t>(id, "execucao_conciliacao.id")));
    }
    chaves = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LePonteirosExecucaoConciliacaoTesourariaBanco(
    const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& execucoes, int) {
  return Executa("LePonteirosExecucaoConciliacaoTesourariaBanco", [&] {
    std::unordered_map<long long, CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> achadas;
    for (const std::string& lista : zq_sql::ListasIn(IdsDasChaves(chaves))) {
      long long id = 0, data = 0, momento = 0, banco = 0, filial = 0, status = 0;
      std::string mensagem;
      soci::statement st =
          (Banco().Sessao().prepare << "SELECT id, data, data_hora_execucao, banco, filial, tipo_status, mensagem"
                                       " FROM execucao_conciliacao WHERE id IN (" + lista + ")",
           soci::into(id), soci::into(data), soci::into(momento), soci::into(banco), soci::into(filial),
           soci::into(status), soci::into(mensagem));
      st.execute(false);
      while (st.fetch()) {
        CZQDadosCL_ExecucaoConciliacaoTesourariaBanco e;
        e.SetPonteiroBanco(Cabe<uint32_t>(banco, "execucao_conciliacao.banco"))
            .SetPonteiroFilial(Cabe<uint32_t>(filial, "execucao_conciliacao.filial"))
            .SetDataHoraExecucao(momento)
            .SetTipoStatus(Cabe<uint8_t>(status, "execucao_conciliacao.tipo_status"))
            .SetMensagemStatus(CZQString(mensagem));
        e.SetChaveRegistro(ZQMontaDmc(Cabe<REG_ZQDMA>(data, "execucao_conciliacao.data"), static_cast<uint32_t>(id)));
        achadas.emplace(id, e);
      }
    }
    CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> lidas;
    for (const REG_ZQDMC& chave : chaves) {
      auto it = achadas.find(chave.codigo);
      if (it == achadas.end() || it->second.GetChave().dma != chave.dma) {
        throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO, "não há execução do serviço de conciliação com a chave " +
                                                         TextoChave(chave));
      }
      lidas.Add(it->second);
    }
    execucoes = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GravaExecucaoServicoImportacaoExtratos(
    CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& execucoes) {
  std::vector<REG_ZQDMC> chaves;
  const HRESULT hr = Executa("GravaExecucaoServicoImportacaoExtratos", [&] {
    soci::session& sql = Banco().Sessao();
    CZQTransacaoSQL transacao(Banco());
    for (const auto& e : execucoes) {
      long long id = e.GetChave().codigo, data = zq::DmaDeDmaHms(e.GetDmaHmsExecucao()),
                momento = e.GetDmaHmsExecucao(), ordem = 0;
      if (id == 0) {
        id = Banco().ProximoNumero("execucao_importacao", "id");
        sql << "INSERT INTO execucao_importacao (id, data, dma_hms_execucao) VALUES (:i, :d, :m)", soci::use(id),
            soci::use(data), soci::use(momento);
      } else {
        // A run's record grows as its accounts are done: only the new entries are written.
        long long guardada = 0;
        sql << "SELECT data FROM execucao_importacao WHERE id = :i", soci::use(id), soci::into(guardada);
        if (!sql.got_data() || guardada != e.GetChave().dma) {
          throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO,
                              "não há execução do serviço de importação com a chave " + TextoChave(e.GetChave()));
        }
        data = guardada;
        sql << "SELECT COUNT(*) FROM execucao_importacao_conta WHERE execucao = :i", soci::use(id), soci::into(ordem);
      }
      const auto& entradas = e.GetListaRegras().Std();
      for (std::size_t i = static_cast<std::size_t>(ordem); i < entradas.size(); ++i, ++ordem) {
        const auto& r = entradas[i];
        long long filial = r.GetPonteiroFilial(), conta = r.GetPonteiroContaBanco(), status = r.GetTipoStatus();
        const std::string mensagem = r.GetMensagemStatus().str();
        sql << "INSERT INTO execucao_importacao_conta (execucao, ordem, filial, conta, tipo_status, mensagem)"
               " VALUES (:e, :o, :f, :c, :s, :m)",
            soci::use(id), soci::use(ordem), soci::use(filial), soci::use(conta), soci::use(status),
            soci::use(mensagem);
      }
      chaves.push_back(ZQMontaDmc(Cabe<REG_ZQDMA>(data, "execucao_importacao.data"), static_cast<uint32_t>(id)));
    }
    transacao.Confirma();
    return S_OK;
  });
  // Keys only for a write that stood: an undone one leaves the records as they came.
  if (SUCCEEDED(hr)) {
    for (std::size_t i = 0; i < chaves.size(); ++i) execucoes[i].SetChaveRegistro(chaves[i]);
  }
  return hr;
}

HRESULT CZQAcessoConciliacaoSQL::BuscaPonteirosExecucaoServicoImportacaoExtratos(
    const CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos& filtro, CZQVector<REG_ZQDMC>& chaves) {
  return Executa("BuscaPonteirosExecucaoServicoImportacaoExtratos", [&] {
    std::string condicao;
    if (filtro.GetDmaExecucaoInicial()) condicao = E(condicao, "data >= " + std::to_string(filtro.GetDmaExecucaoInicial()));
    if (filtro.GetDmaExecucaoFinal()) condicao = E(condicao, "data <= " + std::to_string(filtro.GetDmaExecucaoFinal()));
    CZQVector<REG_ZQDMC> lidas;
    long long id = 0, data = 0;
    soci::statement st = (Banco().Sessao().prepare << "SELECT id, data FROM execucao_importacao" +
                                                          (condicao.empty() ? "" : " WHERE " + condicao) +
                                                          " ORDER BY dma_hms_execucao, id",
                          soci::into(id), soci::into(data));
    st.execute(false);
    while (st.fetch()) {
      lidas.Add(ZQMontaDmc(Cabe<REG_ZQDMA>(data, "execucao_importacao.data"),
                           Cabe<uint32_t>(id, "execucao_importacao.id")));
    }
    chaves = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LePonteirosExecucaoServicoImportacaoExtratos(
    const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& execucoes,
    int flag) {
  return Executa("LePonteirosExecucaoServicoImportacaoExtratos", [&] {
    std::unordered_map<long long, CZQDadosCL_ExecucaoServicoImportacaoExtratos> achadas;
    const std::vector<long long> ids = IdsDasChaves(chaves);
    for (const std::string& lista : zq_sql::ListasIn(ids)) {
      long long id = 0, data = 0, momento = 0;
      soci::statement st = (Banco().Sessao().prepare << "SELECT id, data, dma_hms_execucao FROM execucao_importacao"
                                                        " WHERE id IN (" + lista + ")",
                            soci::into(id), soci::into(data), soci::into(momento));
      st.execute(false);
      while (st.fetch()) {
        CZQDadosCL_ExecucaoServicoImportacaoExtratos e;
        e.SetDmaHmsExecucao(momento);
        e.SetChaveRegistro(ZQMontaDmc(Cabe<REG_ZQDMA>(data, "execucao_importacao.data"), static_cast<uint32_t>(id)));
        achadas.emplace(id, e);
      }
      if (flag != 1) continue;
      long long execucao = 0, filial = 0, conta = 0, status = 0;
      std::string mensagem;
      soci::statement entradas =
          (Banco().Sessao().prepare << "SELECT execucao, filial, conta, tipo_status, mensagem"
                                       " FROM execucao_importacao_conta WHERE execucao IN (" + lista +
                                           ") ORDER BY execucao, ordem",
           soci::into(execucao), soci::into(filial), soci::into(conta), soci::into(status), soci::into(mensagem));
      entradas.execute(false);
      while (entradas.fetch()) {
        auto it = achadas.find(execucao);
        if (it == achadas.end()) continue;
        CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra r;
        r.SetPonteiroFilial(Cabe<uint32_t>(filial, "execucao_importacao_conta.filial"))
            .SetPonteiroContaBanco(Cabe<uint32_t>(conta, "execucao_importacao_conta.conta"))
            .SetTipoStatus(Cabe<uint8_t>(status, "execucao_importacao_conta.tipo_status"))
            .SetMensagemStatus(CZQString(mensagem));
        it->second.AdicionaRegra(r);
      }
    }
    CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> lidas;
    for (const REG_ZQDMC& chave : chaves) {
      auto it = achadas.find(chave.codigo);
      if (it == achadas.end() || it->second.GetChave().dma != chave.dma) {
        throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO, "não há execução do serviço de importação com a chave " +
                                                         TextoChave(chave));
      }
      lidas.Add(it->second);
    }
    execucoes = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LeColunasLeiaute(int32_t posicao, REG_LEIAUTE_COLUNASPS& colunas) {
  return Executa("LeColunasLeiaute", [&] {
    colunas = REG_LEIAUTE_COLUNASPS{};
    std::string delimitador, marca, formato;
    long long c[9] = {};
    long long p = posicao;
    Banco().Sessao() << "SELECT delimitador, marca_decimal, formato_data, coluna_data, coluna_valor, coluna_credito,"
                        " coluna_debito, coluna_natureza, coluna_documento, coluna_historico, coluna_codigo_mvto,"
                        " coluna_conta FROM leiaute_colunas WHERE posicao = :p",
        soci::use(p), soci::into(delimitador), soci::into(marca), soci::into(formato), soci::into(c[0]),
        soci::into(c[1]), soci::into(c[2]), soci::into(c[3]), soci::into(c[4]), soci::into(c[5]), soci::into(c[6]),
        soci::into(c[7]), soci::into(c[8]);
    if (!Banco().Sessao().got_data()) return S_FALSE;
    if (delimitador.size() != 1 || marca.size() != 1) {
      throw CZQExcecaoSQL(ZQ_E_SQL_CORROMPIDO, "delimitador ilegível no leiaute " + std::to_string(posicao));
    }
    colunas.cDelimitador = delimitador[0];
    colunas.cMarcaDecimal = marca[0];
    colunas.sFormatoData = CZQString(formato);
    uint16_t* destinos[9] = {&colunas.iColunaData,      &colunas.iColunaValor,      &colunas.iColunaCredito,
                             &colunas.iColunaDebito,    &colunas.iColunaNatureza,   &colunas.iColunaDocumento,
                             &colunas.iColunaHistorico, &colunas.iColunaCodigoMvto, &colunas.iColunaConta};
    for (int i = 0; i < 9; ++i) *destinos[i] = Cabe<uint16_t>(c[i], "leiaute_colunas.coluna");
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LeLeiaute(int32_t posicao, CZQDadosCL_Leiaute& leiaute) {
  return Executa("LeLeiaute", [&] {
    RegLeiauteps reg{};
    if (!LeLeiauteSQL(Banco().Sessao(), posicao, reg)) {
      return Falha("LeLeiaute", ZQ_E_SQL_NAO_ENCONTRADO, "não há leiaute na posição " + std::to_string(posicao));
    }
    leiaute.SetRegistro(reg);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GetICLMestre(CZQComPtr<IZQCL_Mestre>& mestre) {
  m_erro.Limpar();
  mestre = new CZQMestreCLSQL(m_banco);
  return S_OK;
}

HRESULT CZQAcessoConciliacaoSQL::GetICLImportacaoCBN(CZQComPtr<IZQCL_ImportacaoCBN>& importacao) {
  m_erro.Limpar();
  importacao = new CZQImportacaoCBNSQL(m_banco);
  return S_OK;
}

HRESULT CZQAcessoConciliacaoSQL::TravaConta(uint32_t conta) {
  // Not under the connection's lock for the wait: the holder may be another thread of
  // this connection, which needs the lock to let the account go.
  m_erro.Limpar();
  try {
    Banco().TravaConta(conta);
    return S_OK;
  } catch (const std::exception& e) {
    return ZQPreencheErroSQL(m_erro, "TravaConta", ZQTraduzExcecaoSQL(e));
  }
}

HRESULT CZQAcessoConciliacaoSQL::TentaTravaConta(uint32_t conta, bool& obtida) {
  obtida = false;
  return Executa("TentaTravaConta", [&] {
    obtida = Banco().TentaTravaConta(conta);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LiberaConta(uint32_t conta) {
  // S_FALSE: this thread did not hold the account, nothing to let go.
  return Executa("LiberaConta", [&] { return Banco().LiberaConta(conta) ? S_OK : S_FALSE; });
}
