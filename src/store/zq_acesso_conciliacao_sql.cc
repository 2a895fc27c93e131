#include <algorithm>
#include <limits>
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
using zq_sql::E;

namespace {

constexpr int kSqliteConstraint = 19;

constexpr const char* kColunasExtrato =
    "posicao, conta, filial, documento, valor, natureza, hist_bco, codigo_mvto_bco, dma_extrato, dma_importacao,"
    " conciliado, tipo_conciliacao, numero_conciliacao";

// A statement line as columns; the statements bind to its members.
struct LinhaExtrato {
  long long posicao = 0, conta = 0, filial = 0, documento = 0, valor = 0, dmaExtrato = 0, dmaImportacao = 0, numero = 0;
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

}  // namespace

// SQLite: rows of one multi-row insert of statement lines, one statement for them all
// (PostgreSQL gets a batch by COPY). 64 rows of 13 columns stay under SQLite's oldest
// limit of 999 values.
constexpr std::size_t kLinhasPorInsercao = 64;
constexpr std::size_t kColunasPorLinha = 13;

// Prepared once per area: the statements a bulk of statement lines goes through.
struct CZQAcessoConciliacaoSQL::Comandos {
  LinhaExtrato linha;
  soci::statement insere;
  soci::statement atualiza;
  LinhaExtrato bloco[kLinhasPorInsercao];
  soci::statement insereBloco;
  std::unique_ptr<soci::statement> insereNumerada;  // PostgreSQL only, on first use
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
  // positions are counted in memory. Returns their positions in the lines' order.
  void Insere(CZQBancoSQL& banco, const std::vector<const CZQDadosCL_Extrato*>& novas,
              std::vector<uint32_t>& posicoes) {
    if (novas.empty()) return;
    const std::size_t primeira = posicoes.size();
    const int64_t quantas = static_cast<int64_t>(novas.size());
    const int64_t inicio = banco.ReservaNumeros("extrato", "posicao", quantas);
    // Refused at the first position past the column's limit, as counted one by one.
    constexpr int64_t kMaior = std::numeric_limits<uint32_t>::max();
    if (inicio + quantas - 1 > kMaior) Cabe<uint32_t>(std::max(inicio, kMaior + 1), "extrato.posicao");
    for (int64_t i = 0; i < quantas; ++i) posicoes.push_back(static_cast<uint32_t>(inicio + i));
    // Stored in the order of the (account, date) indexes: most of PostgreSQL's time for
    // a batch is theirs, and rows in their order land on the same pages one after
    // another instead of all over them (a fifth less for 100,000 lines over a year;
    // SQLite's time is the same either way). Each line keeps its own position.
    std::vector<std::size_t> ordem(novas.size());
    for (std::size_t i = 0; i < ordem.size(); ++i) ordem[i] = i;
    std::stable_sort(ordem.begin(), ordem.end(), [&](std::size_t a, std::size_t b) {
      return std::pair(novas[a]->GetConta(), novas[a]->GetDmaExtrato()) <
             std::pair(novas[b]->GetConta(), novas[b]->GetDmaExtrato());
    });
    auto prepara = [&](LinhaExtrato& l, std::size_t i) {
      l.De(*novas[ordem[i]]);
      l.posicao = posicoes[primeira + ordem[i]];
    };
    if (banco.GetBackend() == "postgresql") return InsereCopiando(banco, novas.size(), prepara);
    // SQLite: whole blocks by the multi-row insert, the rest one by one.
    std::size_t feitas = 0;
    for (; feitas + kLinhasPorInsercao <= novas.size(); feitas += kLinhasPorInsercao) {
      for (std::size_t i = 0; i < kLinhasPorInsercao; ++i) prepara(bloco[i], feitas + i);
      insereBloco.execute(true);
    }
    for (; feitas < novas.size(); ++feitas) {
      prepara(linha, feitas);
      insere.execute(true);
    }
  }

  // PostgreSQL: the lines go by COPY, one statement for the whole batch. Multi-row
  // inserts made the server parse a parameter per value, more work than storing the
  // rows. `prepara(linha, i)` gives the i-th line to send.
  template <typename Prepara>
  static void InsereCopiando(CZQBancoSQL& banco, std::size_t quantas, Prepara&& prepara) {
    constexpr std::size_t kLinhasPorParte = 4096;
    std::size_t proxima = 0;
    LinhaExtrato l;
    banco.Copia(std::string("COPY extrato (") + kColunasExtrato + ") FROM STDIN", [&](std::string& parte) {
      const std::size_t fim = std::min(quantas, proxima + kLinhasPorParte);
      if (proxima == fim) return false;
      for (; proxima < fim; ++proxima) {
        prepara(l, proxima);
        // In the order of kColunasExtrato.
        for (long long n : {l.posicao, l.conta, l.filial, l.documento, l.valor}) parte += std::to_string(n) + '\t';
        for (const std::string* t : {&l.natureza, &l.historico, &l.codigo}) {
          CZQBancoSQL::EscapaCopia(parte, *t);
          parte += '\t';
        }
        for (long long n : {l.dmaExtrato, l.dmaImportacao}) parte += std::to_string(n) + '\t';
        for (const std::string* t : {&l.conciliado, &l.tipo}) {
          CZQBancoSQL::EscapaCopia(parte, *t);
          parte += '\t';
        }
        parte += std::to_string(l.numero) + '\n';
      }
      return true;
    });
  }

  // PostgreSQL, outside a transaction: a new line with its position in one statement,
  // one round trip instead of five. It takes the lock of new numbers (ProximoNumero)
  // until it ends, so a batch counting positions in memory is not overtaken. It reads
  // the table as it was when it began: when another writer stored the position while it
  // waited for the lock, it stores nothing and runs again. The caller checked the
  // line's account. Returns the position.
  uint32_t InsereNumerada(soci::session& sql, const CZQDadosCL_Extrato& extrato) {
    linha.De(extrato);
    if (!insereNumerada) {
      insereNumerada = std::make_unique<soci::statement>(
          (sql.prepare << "WITH trava AS (SELECT pg_advisory_xact_lock(10, -2)),"
                          " maior AS (SELECT COALESCE(MAX(posicao), 0) AS p FROM extrato)"
                          " INSERT INTO extrato (posicao, conta, filial, documento, valor, natureza, hist_bco,"
                          " codigo_mvto_bco, dma_extrato, dma_importacao, conciliado, tipo_conciliacao,"
                          " numero_conciliacao) VALUES ((SELECT p + 1 FROM maior, trava), :c, :f, :d, :v, :n, :h,"
                          " :cm, :de, :di, :cc, :tc, :nc) ON CONFLICT (posicao) DO NOTHING RETURNING posicao",
           soci::use(linha.conta), soci::use(linha.filial), soci::use(linha.documento), soci::use(linha.valor),
           soci::use(linha.natureza), soci::use(linha.historico), soci::use(linha.codigo), soci::use(linha.dmaExtrato),
           soci::use(linha.dmaImportacao), soci::use(linha.conciliado), soci::use(linha.tipo), soci::use(linha.numero),
           soci::into(linha.posicao)));
    }
    constexpr int kTentativas = 64;
    for (int tentativa = 0; tentativa < kTentativas; ++tentativa) {
      try {
        if (insereNumerada->execute(true)) return Cabe<uint32_t>(linha.posicao, "extrato.posicao");
      } catch (...) {
        // Prepared again on the next call, as a kept query is after a failure.
        insereNumerada.reset();
        throw;
      }
    }
    throw CZQExcecaoSQL(ZQ_E_SQL_OCUPADO, "outras conexões tomaram a posição da nova linha de extrato " +
                                              std::to_string(kTentativas) + " vezes seguidas");
  }

  // Stores one line whose account the caller checked; returns its position.
  uint32_t Grava(CZQBancoSQL& banco, const CZQDadosCL_Extrato& extrato) {
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
    // Read once per stored line of an import: prepared once.
    const bool achou = m_leMestre.Executa(Banco().Sessao(), [](soci::session& sql, long long& bloqueio) {
      return soci::statement(
          (sql.prepare << "SELECT data_bloqueio_movimentacao FROM mestre_cl WHERE id = 1", soci::into(bloqueio)));
    });
    if (!achou) {
      return Falha("LeBufferMestre", ZQ_E_SQL_NAO_ENCONTRADO, "o mestre da conciliação não está cadastrado");
    }
    mestre->Limpar();
    mestre->SetDataBloqueioMovimentacao(Cabe<REG_ZQDMA>(m_leMestre.valores, "mestre_cl.data_bloqueio_movimentacao"));
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::BuscaPonteirosMovimentoExtrato(const CZQDadosCL_FiltroExtrato& filtro,
                                                                CZQVector<uint32_t>& posicoes) {
  return Executa("BuscaPonteirosMovimentoExtrato", [&] {
    CZQVector<uint32_t> lidas;
    long long posicao = 0;
    const std::string condicao = CondicaoExtrato(filtro);
    soci::statement st =
        (Banco().Sessao().prepare << "SELECT posicao FROM extrato" + (condicao.empty() ? "" : " WHERE " + condicao) +
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
    for (const std::string& em : zq_sql::CondicoesEm("posicao", posicoes.Std(), Banco().GetBackend() == "postgresql")) {
      PercorreExtratos(Banco().Sessao(), E(em, condicao), "",
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
    // Checked here for both ways of storing it (a batch checks all of its lines first).
    if (extrato.GetConta() == 0) throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, "a linha de extrato não tem conta");
    const bool novaNoServidor = Banco().GetBackend() == "postgresql" && extrato.GetPosicao() == 0;
    uint32_t posicao = 0;
    if (novaNoServidor && !Banco().EmTransacao()) {
      posicao = Prepara().InsereNumerada(Banco().Sessao(), extrato);
    } else {
      // Inside the caller's transaction PostgreSQL counts a new position under the lock
      // the transaction then holds (ProximoNumeroLembrado), in a savepoint of its own.
      std::optional<CZQTransacaoSQL> transacao;
      if (novaNoServidor) transacao.emplace(Banco());
      posicao = Prepara().Grava(Banco(), extrato);
      if (transacao) transacao->Confirma();
    }
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

    // On SQLite, for the batch only. Each multi-row insert inside the transaction keeps
    // the pages it touches in a statement journal, so that it alone can be undone; kept
    // in a temporary file that journal was half of a million-line batch's time, so it
    // lives in memory (a few pages per insert). A large batch also gets pages enough for
    // its rows and their indexes, so that the transaction does not spill half-written
    // pages to the log and read them back.
    struct PragmasDoLote {
      CZQBancoSQL* banco = nullptr;
      bool cacheGrande = false;
      ~PragmasDoLote() {
        if (!banco) return;
        try {
          banco->Sessao() << "PRAGMA temp_store=DEFAULT";
          if (cacheGrande) banco->Sessao() << "PRAGMA cache_size=-32768";
        } catch (...) {
          // Only speed settings stay behind; the batch's own outcome is what counts.
        }
      }
    } pragmas;
    if (Banco().GetBackend() == "sqlite3" && novas.size() >= kLinhasPorInsercao) {
      Banco().Sessao() << "PRAGMA temp_store=MEMORY";
      pragmas.banco = &Banco();
      if (novas.size() >= 50000) {
        Banco().Sessao() << "PRAGMA cache_size=-524288";
        pragmas.cacheGrande = true;
      }
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
        E("((conta_ent = " + std::to_string(conta) +
              " AND conciliado_ent <> 'S') OR (conta_sai = " + std::to_string(conta) + " AND conciliado_sai <> 'S'))",
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
        (Banco().Sessao().prepare << "UPDATE numero_conciliacao SET ultimo_numero = :n WHERE conta = :c", soci::use(n),
         soci::use(c));
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
    if (const long long* lembrada = m_chavesTabela.Acha(Banco(), {conta, filial})) {
      tabela.SetChave(Cabe<uint16_t>(*lembrada, "chave_tabela.chave"));
      return S_OK;
    }
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
    m_chavesTabela.Guarda(Banco(), {conta, filial}, chave);
    return S_OK;
  });
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
