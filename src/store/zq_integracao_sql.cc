#include "store/zq_integracao_sql.h"

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "frame/zq_relogio.h"
#include "platform/components/zq_bstr.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_insercao_lote.h"
#include "store/zq_soci.h"
#include "store/zq_sql_util.h"

using zq_sql::Cabe;

namespace {

// One entry of an open transaction with the parts that joined it.
struct EntradaIntegracao {
  RegSetTesouraria tesouraria{};
  CZQString sComplemento;
  std::vector<RegContasContabil> contabil;
  std::vector<RegContasGerencial> gerencial;
  std::vector<ChaveOrigem> agrupadas;  // the group's other lines
};

class CZQIntegracaoTransacaoSQL : public TZQRefCounted<IZQDF_IntegracaoTransacao> {
 public:
  explicit CZQIntegracaoTransacaoSQL(std::shared_ptr<CZQBancoSQL> banco) : m_banco(std::move(banco)) {}

  HRESULT NovaIntegracao(regNovaTransacaoPS* transacao) override {
    if (!transacao) return E_POINTER;
    m_entradas.clear();
    m_bAberta = true;
    return S_OK;
  }

  HRESULT SetFinanceiroTesouraria(const RegSetTesouraria* tesouraria, RegFNRetorno* retorno) override {
    if (!tesouraria) return E_POINTER;
    if (!m_bAberta) return E_UNEXPECTED;
    EntradaIntegracao e;
    e.tesouraria = *tesouraria;
    e.sComplemento = ZQStringDeBstr(tesouraria->bstrComplemento);
    e.tesouraria.bstrComplemento = nullptr;  // the caller frees its string
    m_entradas.push_back(std::move(e));
    if (retorno) *retorno = RegFNRetorno{};
    return S_OK;
  }

  HRESULT SetContabilTes(uint16_t quantidade, const RegContasContabil* contas) override {
    if (!contas && quantidade) return E_POINTER;
    if (m_entradas.empty()) return E_UNEXPECTED;
    m_entradas.back().contabil.insert(m_entradas.back().contabil.end(), contas, contas + quantidade);
    return S_OK;
  }

  HRESULT SetGerencialTes(int32_t quantidade, const RegContasGerencial* contas) override {
    if (quantidade < 0 || (!contas && quantidade)) return E_INVALIDARG;
    if (m_entradas.empty()) return E_UNEXPECTED;
    m_entradas.back().gerencial.insert(m_entradas.back().gerencial.end(), contas, contas + quantidade);
    return S_OK;
  }

  HRESULT SetOrigensAgrupadas(uint32_t quantidade, const ChaveOrigem* chaves) override {
    if (!chaves && quantidade) return E_POINTER;
    if (m_entradas.empty()) return E_UNEXPECTED;
    m_entradas.back().agrupadas.insert(m_entradas.back().agrupadas.end(), chaves, chaves + quantidade);
    return S_OK;
  }

  HRESULT GravaIntegracao(const RegGravaIntegracao* gravacao, RegRetorno* retorno) override {
    if (!gravacao || !retorno) return E_POINTER;
    *retorno = RegRetorno{};
    if (!m_bAberta) return E_UNEXPECTED;
    CZQDadosDF_Erro erro;
    const HRESULT hr = ZQExecutaSQL(*m_banco, erro, "GravaIntegracao", [&] { return Grava(); });
    if (hr != S_OK) {
      retorno->lCodigoRetorno = ZQ_RETORNO_INTEGRACAO_FALHA_GRAVACAO;
      return FAILED(hr) ? hr : ZQ_E_SQL_INVALIDO;
    }
    retorno->lNumeroTransacao = ++m_lGravadas;
    m_entradas.clear();
    m_bAberta = false;
    return S_OK;
  }

 private:
  // Everything of the transaction in one database transaction, the rows of each table
  // sent many to a statement.
  HRESULT Grava() {
    soci::session& sql = m_banco->Sessao();
    CZQTransacaoSQL transacao(*m_banco);
    VerificaNovas();
    CZQInsercaoEmLote tesouraria(sql,
                                 "INSERT INTO tesouraria (posicao, data_lancamento, valor, conta_ent, conta_sai,"
                                 " numero_conciliacao_ent, numero_conciliacao_sai, filial, conciliado_ent,"
                                 " conciliado_sai, conciliado_auto, estrutura) VALUES",
                                 "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    CZQInsercaoEmLote origens(sql,
                              "INSERT INTO integracao_origem (posicao_tesouraria, origem, chave_tabela, sessao,"
                              " quantidade_extratos, linhas_grupo, complemento) VALUES",
                              "(?, ?, ?, ?, ?, ?, ?)");
    CZQInsercaoEmLote contabeis(sql,
                                "INSERT INTO integracao_contabil (posicao_tesouraria, ordem, valor, classificacao,"
                                " filial, quantidade_extratos) VALUES",
                                "(?, ?, ?, ?, ?, ?)");
    CZQInsercaoEmLote gerenciais(sql,
                                 "INSERT INTO integracao_gerencial (posicao_tesouraria, ordem, valor, centro_custo,"
                                 " conta_gerencial, quantidade_extratos) VALUES",
                                 "(?, ?, ?, ?, ?, ?)");
    CZQInsercaoEmLote grupos(
        sql, "INSERT INTO integracao_origem_grupo (origem, chave_tabela, posicao_tesouraria) VALUES", "(?, ?, ?)");
    // Only a line still in the statement gets its pending mark, with its account. The
    // casts give the list's values a type before the join compares them.
    CZQInsercaoEmLote pendentes(sql,
                                "INSERT INTO integracao_pendente (posicao_tesouraria, conta)"
                                " SELECT v.column1, e.conta FROM (VALUES",
                                "(CAST(? AS BIGINT), CAST(? AS BIGINT))",
                                ") AS v JOIN extrato e ON e.posicao = v.column2");
    // Lines of each entry: what its count of lines grew by since the entry before.
    long long qtdAnterior = 0;
    for (EntradaIntegracao& e : m_entradas) {
      const long long origem = e.tesouraria.chaveOrigem.lPosicaoTipo, chave = e.tesouraria.chaveOrigem.iChaveTabela;
      tagREG_TESOURARIAPS reg = e.tesouraria.RegTesouraria;
      reg.lPosicaoReg = Cabe<uint32_t>(m_banco->ProximoNumero("tesouraria", "posicao"), "tesouraria.posicao");
      // The side that carries a reconciliation number is reconciled by this posting.
      if (reg.lNumeroConciliacaoEnt) reg.cConciliadoEnt = 'S';
      if (reg.lNumeroConciliacaoSai) reg.cConciliadoSai = 'S';
      const long long posicao = reg.lPosicaoReg;
      tesouraria << posicao << static_cast<long long>(reg.dmaLancamento) << static_cast<long long>(reg.cyValor)
                 << static_cast<long long>(reg.lPonteiroContaEnt) << static_cast<long long>(reg.lPonteiroContaSai)
                 << static_cast<long long>(reg.lNumeroConciliacaoEnt)
                 << static_cast<long long>(reg.lNumeroConciliacaoSai) << static_cast<long long>(reg.iPonteiroFilial)
                 << zq_sql::Car(reg.cConciliadoEnt) << zq_sql::Car(reg.cConciliadoSai)
                 << zq_sql::Car(reg.cConciliadoAuto) << zq_sql::Hex(&reg, sizeof reg);
      tesouraria.FimLinha();

      const long long qtd = e.tesouraria.lQuantidadeExtratos;
      const long long grupo = qtd > qtdAnterior ? qtd - qtdAnterior : 1;
      qtdAnterior = qtd;
      origens << posicao << origem << chave << static_cast<long long>(e.tesouraria.lNumeroSessao) << qtd << grupo
              << e.sComplemento.str();
      origens.FimLinha();
      pendentes << posicao << (origem >> 8);
      pendentes.FimLinha();
      long long ordem = 0;
      for (const RegContasContabil& c : e.contabil) {
        contabeis << posicao << ordem++ << static_cast<long long>(c.cyValor)
                  << static_cast<long long>(c.lPosClassificacao) << static_cast<long long>(c.iPonteiroFilial)
                  << static_cast<long long>(c.lQuantidadeExtratos);
        contabeis.FimLinha();
      }
      ordem = 0;
      for (const RegContasGerencial& g : e.gerencial) {
        tagCY v = 0;
        std::memcpy(&v, g.abValor, sizeof v);
        gerenciais << posicao << ordem++ << static_cast<long long>(v) << static_cast<long long>(g.lPonteiroCentroCusto)
                   << static_cast<long long>(g.lContaGerencial) << static_cast<long long>(g.lQuantidadeExtratos);
        gerenciais.FimLinha();
      }
      for (const ChaveOrigem& a : e.agrupadas) {
        grupos << static_cast<long long>(a.lPosicaoTipo) << static_cast<long long>(a.iChaveTabela) << posicao;
        grupos.FimLinha();
      }
    }
    for (CZQInsercaoEmLote* lote : {&tesouraria, &origens, &pendentes, &contabeis, &gerenciais, &grupos}) lote->Envia();
    transacao.Confirma();
    return S_OK;
  }

  // A line is integrated once, as an entry's origin or as one of its aggregated lines:
  // throws for the first line of the transaction, in its order, that the store already
  // has or that the transaction names twice.
  void VerificaNovas() {
    std::vector<std::pair<long long, long long>> chaves;  // origin, table key
    // By value: the keys are fields of packed structures, and a reference to one may be
    // misaligned.
    const auto chave = [](const ChaveOrigem& c) {
      return std::pair<long long, long long>(static_cast<long long>(c.lPosicaoTipo),
                                             static_cast<long long>(c.iChaveTabela));
    };
    for (const EntradaIntegracao& e : m_entradas) {
      chaves.push_back(chave(e.tesouraria.chaveOrigem));
      for (const ChaveOrigem& a : e.agrupadas) chaves.push_back(chave(a));
    }
    std::vector<long long> origens;
    origens.reserve(chaves.size());
    for (const auto& c : chaves) origens.push_back(c.first);
    std::set<std::pair<long long, long long>> vistas;
    soci::session& sql = m_banco->Sessao();
    for (const std::string& em : zq_sql::CondicoesEm("origem", origens, m_banco->GetBackend() == "postgresql")) {
      long long origem = 0, chave = 0;
      soci::statement st =
          (sql.prepare << "SELECT origem, chave_tabela FROM integracao_origem WHERE " + em +
                              " UNION ALL SELECT origem, chave_tabela FROM integracao_origem_grupo WHERE " + em,
           soci::into(origem), soci::into(chave));
      st.execute(false);
      while (st.fetch()) vistas.emplace(origem, chave);
    }
    for (const auto& c : chaves) {
      if (!vistas.insert(c).second) {
        // The statement line already has its entry: posting it again would double it.
        throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, "a linha de extrato de origem " + std::to_string(c.first >> 8) +
                                                   " já tem lançamento integrado");
      }
    }
  }

  std::shared_ptr<CZQBancoSQL> m_banco;
  std::vector<EntradaIntegracao> m_entradas;
  bool m_bAberta = false;
  uint32_t m_lGravadas = 0;
};

}  // namespace

CZQComPtr<IZQDF_IntegracaoTransacao> ZQNovaIntegracaoTransacaoSQL(std::shared_ptr<CZQBancoSQL> banco) {
  return CZQComPtr<IZQDF_IntegracaoTransacao>(new CZQIntegracaoTransacaoSQL(std::move(banco)));
}

HRESULT CZQFonteLancamentoSQL::LeClassificacao(uint32_t posicao, ZQContaClassificacao& conta) {
  if (auto it = m_classificacoes.find(posicao); it != m_classificacoes.end()) {
    m_erro.Limpar();
    conta = it->second;
    return S_OK;
  }
  return ZQExecutaSQL(*m_banco, m_erro, "LeClassificacao", [&] {
    conta = ZQContaClassificacao{};
    soci::session& sql = m_banco->Sessao();
    long long p = posicao, inativa = 0;
    std::string tipo;
    sql << "SELECT tipo, inativa FROM plano_empresarial WHERE ponteiro = :p", soci::use(p), soci::into(tipo),
        soci::into(inativa);
    conta.bExiste = sql.got_data() && tipo == "A" && !inativa;
    if (!conta.bExiste) {
      m_classificacoes[posicao] = conta;
      return S_OK;
    }
    long long centro = 0, gerencial = 0, percentual = 0;
    soci::statement st = (sql.prepare << "SELECT centro_custo, conta_gerencial, percentual FROM"
                                         " classificacao_gerencial WHERE classificacao = :p ORDER BY ordem",
                          soci::use(p), soci::into(centro), soci::into(gerencial), soci::into(percentual));
    st.execute(false);
    while (st.fetch()) {
      tagRegGerencial_ps g{};
      g.cyPercentual = percentual;
      g.lPonteiroCentroCusto = Cabe<uint32_t>(centro, "classificacao_gerencial.centro_custo");
      g.ContaGerencial = Cabe<uint32_t>(gerencial, "classificacao_gerencial.conta_gerencial");
      conta.rateio.Add(g);
    }
    m_classificacoes[posicao] = conta;
    return S_OK;
  });
}

HRESULT CZQFonteLancamentoSQL::ExisteContaContabil(uint32_t posicao, bool& existe) {
  if (auto it = m_contas.find(posicao); it != m_contas.end()) {
    m_erro.Limpar();
    existe = it->second;
    return S_OK;
  }
  return ZQExecutaSQL(*m_banco, m_erro, "ExisteContaContabil", [&] {
    long long p = posicao, n = 0;
    m_banco->Sessao() << "SELECT COUNT(*) FROM plano_empresarial WHERE ponteiro = :p AND inativa = 0", soci::use(p),
        soci::into(n);
    existe = n > 0;
    m_contas[posicao] = existe;
    return S_OK;
  });
}

HRESULT CZQFonteLancamentoSQL::LePeriodoContabil(REG_ZQDMA& inicio, REG_ZQDMA& fim) {
  return ZQExecutaSQL(*m_banco, m_erro, "LePeriodoContabil", [&] {
    long long a = 0, b = 0;
    m_banco->Sessao() << "SELECT data_inferior_lancamento, data_superior_lancamento FROM mestre_empresa WHERE id = 1",
        soci::into(a), soci::into(b);
    inicio = m_banco->Sessao().got_data() ? Cabe<REG_ZQDMA>(a, "mestre_empresa.data_inferior_lancamento") : 0;
    fim = m_banco->Sessao().got_data() ? Cabe<REG_ZQDMA>(b, "mestre_empresa.data_superior_lancamento") : 0;
    return S_OK;
  });
}

HRESULT CZQFonteLancamentoSQL::GravaLogs(const CZQString& empresa, unsigned short usuario, unsigned long sessao,
                                         const std::vector<ZQLogConciliacao>& logs) {
  return ZQExecutaSQL(*m_banco, m_erro, "GravaLogs", [&] {
    if (logs.empty()) return S_OK;
    soci::session& sql = m_banco->Sessao();
    CZQTransacaoSQL transacao(*m_banco);
    const std::string e = empresa.str();
    const long long u = usuario, s = static_cast<long long>(sessao), quando = zq::Agora();
    CZQInsercaoEmLote log(sql,
                          "INSERT INTO log_conciliacao (id, numero_conciliacao, banco, tipo_chaves, tipo_conciliacao,"
                          " empresa, usuario, sessao, quando) VALUES",
                          "(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    CZQInsercaoEmLote chaves(sql, "INSERT INTO log_conciliacao_chave (log, ordem, lado, data, posicao) VALUES",
                             "(?, ?, ?, ?, ?)");
    for (const ZQLogConciliacao& l : logs) {
      const long long id = m_banco->ProximoNumero("log_conciliacao", "id");
      log << id << static_cast<long long>(l.lNumeroConciliacao) << static_cast<long long>(l.lPonteiroBanco)
          << static_cast<long long>(l.iTipoChaves) << static_cast<long long>(l.iTipoConciliacao) << e << u << s
          << quando;
      log.FimLinha();
      long long ordem = 0;
      for (const auto& [d, p] : l.chavesExtrato) {
        chaves << id << ordem++ << std::string(1, 'E') << static_cast<long long>(d) << static_cast<long long>(p);
        chaves.FimLinha();
      }
      for (const auto& [p, d] : l.chavesTesouraria) {
        chaves << id << ordem++ << std::string(1, 'T') << static_cast<long long>(d) << static_cast<long long>(p);
        chaves.FimLinha();
      }
    }
    log.Envia();
    chaves.Envia();
    transacao.Confirma();
    return S_OK;
  });
}

HRESULT CZQFonteLancamentoSQL::GravaRateio(uint32_t classificacao, const CZQVector<tagRegGerencial_ps>& rateio) {
  return ZQExecutaSQL(*m_banco, m_erro, "GravaRateio", [&] {
    soci::session& sql = m_banco->Sessao();
    CZQTransacaoSQL transacao(*m_banco);
    long long c = classificacao;
    sql << "DELETE FROM classificacao_gerencial WHERE classificacao = :c", soci::use(c);
    long long ordem = 0;
    for (const tagRegGerencial_ps& g : rateio) {
      long long centro = g.lPonteiroCentroCusto, conta = g.ContaGerencial, percentual = g.cyPercentual;
      sql << "INSERT INTO classificacao_gerencial (classificacao, ordem, centro_custo, conta_gerencial, percentual)"
             " VALUES (:c, :o, :cc, :g, :p)",
          soci::use(c), soci::use(ordem), soci::use(centro), soci::use(conta), soci::use(percentual);
      ++ordem;
    }
    transacao.Confirma();
    return S_OK;
  });
}

void ZQCompletaIntegracoesPendentes(CZQBancoSQL& banco, uint32_t conta, long long* completadas) {
  if (completadas) *completadas = 0;
  soci::session& sql = banco.Sessao();
  long long c = conta;
  // The entries of the account, with their origin and treasury entry, that have a line
  // still open or no log: none at all unless a run stopped between recording and its
  // logs. Each test is a subquery of one value, looked up by key for each pending entry:
  // as joins and EXISTS, PostgreSQL hashed whole tables (every open line of the company,
  // every origin, every log) at each call, which grew with the company's size.
  std::vector<long long> incompletas;
  {
    long long posicao = 0;
    soci::statement st =
        (sql.prepare
             << "SELECT p.posicao_tesouraria FROM integracao_pendente p WHERE p.conta = :c"
                " AND (SELECT 1 FROM integracao_origem o JOIN tesouraria t ON t.posicao = o.posicao_tesouraria"
                "      WHERE o.posicao_tesouraria = p.posicao_tesouraria) IS NOT NULL"
                " AND ((SELECT e.conciliado FROM integracao_origem o JOIN extrato e ON e.posicao = o.origem / 256"
                "       WHERE o.posicao_tesouraria = p.posicao_tesouraria) <> 'S'"
                "  OR (SELECT 1 FROM integracao_origem_grupo g JOIN extrato e ON e.posicao = g.origem / 256"
                "      WHERE g.posicao_tesouraria = p.posicao_tesouraria AND e.conciliado <> 'S' LIMIT 1)"
                "     IS NOT NULL"
                "  OR (SELECT 1 FROM tesouraria t JOIN log_conciliacao l ON l.banco = p.conta"
                "      AND l.numero_conciliacao = CASE WHEN t.conta_ent = p.conta"
                "      THEN t.numero_conciliacao_ent ELSE t.numero_conciliacao_sai END"
                "      WHERE t.posicao = p.posicao_tesouraria LIMIT 1) IS NULL)"
                " ORDER BY p.posicao_tesouraria",
         soci::use(c), soci::into(posicao));
    st.execute(false);
    while (st.fetch()) incompletas.push_back(posicao);
  }
  CZQTransacaoSQL transacao(banco);
  if (!incompletas.empty()) {
    std::string empresa;
    sql << "SELECT codigo FROM empresa ORDER BY id LIMIT 1", soci::into(empresa);
    long long posicao = 0, data = 0, contaEnt = 0, numeroEnt = 0, numeroSai = 0, origem = 0, grupo = 0, sessao = 0;
    soci::statement entrada =
        (sql.prepare << "SELECT t.data_lancamento, t.conta_ent, t.numero_conciliacao_ent, t.numero_conciliacao_sai,"
                        " o.origem, o.linhas_grupo, o.sessao FROM tesouraria t"
                        " JOIN integracao_origem o ON o.posicao_tesouraria = t.posicao WHERE t.posicao = :p",
         soci::use(posicao), soci::into(data), soci::into(contaEnt), soci::into(numeroEnt), soci::into(numeroSai),
         soci::into(origem), soci::into(grupo), soci::into(sessao));
    long long linha = 0, dma = 0, numero = 0, existentes = 0;
    std::string conciliado;
    soci::statement outras = (sql.prepare << "SELECT origem FROM integracao_origem_grupo"
                                             " WHERE posicao_tesouraria = :p ORDER BY origem",
                              soci::use(posicao), soci::into(origem));
    soci::statement leLinha = (sql.prepare << "SELECT dma_extrato, conciliado FROM extrato WHERE posicao = :l",
                               soci::use(linha), soci::into(dma), soci::into(conciliado));
    soci::statement marca = (sql.prepare << "UPDATE extrato SET conciliado = 'S', tipo_conciliacao = 'L',"
                                            " numero_conciliacao = :n WHERE posicao = :l",
                             soci::use(numero), soci::use(linha));
    soci::statement temLog = (sql.prepare << "SELECT COUNT(*) FROM log_conciliacao WHERE banco = :b AND"
                                             " numero_conciliacao = :n",
                              soci::use(c), soci::use(numero), soci::into(existentes));
    long long id = 0, ordem = 0, usuario = 0, quando = zq::Agora();
    std::string lado(1, 'E');
    soci::statement log =
        (sql.prepare << "INSERT INTO log_conciliacao (id, numero_conciliacao, banco, tipo_chaves, tipo_conciliacao,"
                        " empresa, usuario, sessao, quando) VALUES (:i, :n, :b, 0, 2, :e, :u, :s, :q)",
         soci::use(id), soci::use(numero), soci::use(c), soci::use(empresa), soci::use(usuario), soci::use(sessao),
         soci::use(quando));
    soci::statement chave =
        (sql.prepare
             << "INSERT INTO log_conciliacao_chave (log, ordem, lado, data, posicao) VALUES (:i, :o, :l, :d, :p)",
         soci::use(id), soci::use(ordem), soci::use(lado), soci::use(dma), soci::use(linha));
    for (const long long p : incompletas) {
      posicao = p;
      entrada.execute(true);
      if (!sql.got_data()) continue;
      numero = contaEnt == c ? numeroEnt : numeroSai;
      std::vector<long long> linhas{origem >> 8};
      outras.execute(false);
      while (outras.fetch()) linhas.push_back(origem >> 8);
      // An aggregated entry recorded before its other lines were kept: which lines it
      // stands for is not known, so none is marked for it.
      if (static_cast<long long>(linhas.size()) != grupo) continue;
      std::vector<std::pair<long long, long long>> chaves;  // date, line
      for (const long long l : linhas) {
        linha = l;
        leLinha.execute(true);
        if (!sql.got_data()) continue;
        chaves.emplace_back(dma, l);
        if (conciliado != "S") {
          marca.execute(true);
          if (completadas) ++*completadas;
        }
      }
      temLog.execute(true);
      if (existentes == 0 && !chaves.empty()) {
        // The log the run would have written: its lines, then its own entry.
        id = banco.ProximoNumero("log_conciliacao", "id");
        log.execute(true);
        ordem = 0;
        lado[0] = 'E';
        for (const auto& [d, l] : chaves) {
          dma = d;
          linha = l;
          chave.execute(true);
          ++ordem;
        }
        lado[0] = 'T';
        dma = data;
        linha = p;
        chave.execute(true);
      }
    }
  }
  sql << "DELETE FROM integracao_pendente WHERE conta = :c", soci::use(c);
  transacao.Confirma();
}

void ZQInstalaComponentesLancamentoSQL(std::shared_ptr<CZQBancoSQL> banco) {
  ZQDefineFabricaFonteLancamento(
      [banco]() -> std::unique_ptr<IZQFonteLancamento> { return std::make_unique<CZQFonteLancamentoSQL>(banco); });
}

void ZQRemoveComponentesLancamentoSQL() { ZQDefineFabricaFonteLancamento(nullptr); }
