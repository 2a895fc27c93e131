#include "store/zq_integracao_sql.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "frame/zq_relogio.h"
#include "platform/components/zq_bstr.h"
#include "store/zq_acesso_sql.h"
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
  // Everything of the transaction in one database transaction; each statement is
  // prepared once for all the entries.
  HRESULT Grava() {
    soci::session& sql = m_banco->Sessao();
    CZQTransacaoSQL transacao(*m_banco);
    long long origem = 0, chave = 0, existentes = 0, posicao = 0, sessao = 0, qtd = 0, ordem = 0, valor = 0,
              classificacao = 0, filial = 0, centro = 0, conta = 0, data = 0, ent = 0, sai = 0, nEnt = 0, nSai = 0;
    std::string complemento, cEnt, cSai, cAuto, estrutura;
    // Lines of each entry: what its count of lines grew by since the entry before.
    long long grupo = 0, qtdAnterior = 0;
    // A line is integrated once, as an entry's origin or as one of its aggregated lines.
    soci::statement procura =
        (sql.prepare << "SELECT (SELECT COUNT(*) FROM integracao_origem WHERE origem = :o AND chave_tabela = :k) +"
                        " (SELECT COUNT(*) FROM integracao_origem_grupo WHERE origem = :o2 AND chave_tabela = :k2)",
         soci::use(origem), soci::use(chave), soci::use(origem), soci::use(chave), soci::into(existentes));
    auto verificaNova = [&] {
      existentes = 0;
      procura.execute(true);
      if (existentes) {
        // The statement line already has its entry: posting it again would double it.
        throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, "a linha de extrato de origem " + std::to_string(origem >> 8) +
                                                   " já tem lançamento integrado");
      }
    };
    soci::statement tesouraria =
        (sql.prepare << "INSERT INTO tesouraria (posicao, data_lancamento, valor, conta_ent, conta_sai,"
                        " numero_conciliacao_ent, numero_conciliacao_sai, filial, conciliado_ent, conciliado_sai,"
                        " conciliado_auto, estrutura) VALUES (:p, :d, :v, :ce, :cs, :ne, :ns, :f, :ke, :ks, :ka, :e)",
         soci::use(posicao), soci::use(data), soci::use(valor), soci::use(ent), soci::use(sai), soci::use(nEnt),
         soci::use(nSai), soci::use(filial), soci::use(cEnt), soci::use(cSai), soci::use(cAuto), soci::use(estrutura));
    soci::statement origemIns =
        (sql.prepare << "INSERT INTO integracao_origem (posicao_tesouraria, origem, chave_tabela, sessao,"
                        " quantidade_extratos, linhas_grupo, complemento) VALUES (:p, :o, :k, :s, :q, :g, :c)",
         soci::use(posicao), soci::use(origem), soci::use(chave), soci::use(sessao), soci::use(qtd), soci::use(grupo),
         soci::use(complemento));
    soci::statement contabilIns =
        (sql.prepare << "INSERT INTO integracao_contabil (posicao_tesouraria, ordem, valor, classificacao, filial,"
                        " quantidade_extratos) VALUES (:p, :o, :v, :c, :f, :q)",
         soci::use(posicao), soci::use(ordem), soci::use(valor), soci::use(classificacao), soci::use(filial),
         soci::use(qtd));
    soci::statement gerencialIns =
        (sql.prepare << "INSERT INTO integracao_gerencial (posicao_tesouraria, ordem, valor, centro_custo,"
                        " conta_gerencial, quantidade_extratos) VALUES (:p, :o, :v, :c, :g, :q)",
         soci::use(posicao), soci::use(ordem), soci::use(valor), soci::use(centro), soci::use(conta), soci::use(qtd));
    soci::statement grupoIns = (sql.prepare << "INSERT INTO integracao_origem_grupo (origem, chave_tabela,"
                                               " posicao_tesouraria) VALUES (:o, :k, :p)",
                                soci::use(origem), soci::use(chave), soci::use(posicao));
    long long linha = 0;
    soci::statement pendenteIns = (sql.prepare << "INSERT INTO integracao_pendente (posicao_tesouraria, conta)"
                                                  " SELECT :p, conta FROM extrato WHERE posicao = :l",
                                   soci::use(posicao), soci::use(linha));

    for (EntradaIntegracao& e : m_entradas) {
      origem = e.tesouraria.chaveOrigem.lPosicaoTipo;
      chave = e.tesouraria.chaveOrigem.iChaveTabela;
      verificaNova();
      tagREG_TESOURARIAPS reg = e.tesouraria.RegTesouraria;
      reg.lPosicaoReg = Cabe<uint32_t>(m_banco->ProximoNumero("tesouraria", "posicao"), "tesouraria.posicao");
      // The side that carries a reconciliation number is reconciled by this posting.
      if (reg.lNumeroConciliacaoEnt) reg.cConciliadoEnt = 'S';
      if (reg.lNumeroConciliacaoSai) reg.cConciliadoSai = 'S';
      posicao = reg.lPosicaoReg;
      data = reg.dmaLancamento;
      valor = reg.cyValor;
      ent = reg.lPonteiroContaEnt;
      sai = reg.lPonteiroContaSai;
      nEnt = reg.lNumeroConciliacaoEnt;
      nSai = reg.lNumeroConciliacaoSai;
      filial = reg.iPonteiroFilial;
      cEnt = zq_sql::Car(reg.cConciliadoEnt);
      cSai = zq_sql::Car(reg.cConciliadoSai);
      cAuto = zq_sql::Car(reg.cConciliadoAuto);
      estrutura = zq_sql::Hex(&reg, sizeof reg);
      tesouraria.execute(true);

      sessao = e.tesouraria.lNumeroSessao;
      qtd = e.tesouraria.lQuantidadeExtratos;
      grupo = qtd > qtdAnterior ? qtd - qtdAnterior : 1;
      qtdAnterior = qtd;
      complemento = e.sComplemento.str();
      origemIns.execute(true);
      linha = origem >> 8;
      pendenteIns.execute(true);
      ordem = 0;
      for (const RegContasContabil& c : e.contabil) {
        valor = c.cyValor;
        classificacao = c.lPosClassificacao;
        filial = c.iPonteiroFilial;
        qtd = c.lQuantidadeExtratos;
        contabilIns.execute(true);
        ++ordem;
      }
      ordem = 0;
      for (const RegContasGerencial& g : e.gerencial) {
        tagCY v = 0;
        std::memcpy(&v, g.abValor, sizeof v);
        valor = v;
        centro = g.lPonteiroCentroCusto;
        conta = g.lContaGerencial;
        qtd = g.lQuantidadeExtratos;
        gerencialIns.execute(true);
        ++ordem;
      }
      for (const ChaveOrigem& a : e.agrupadas) {
        origem = a.lPosicaoTipo;
        chave = a.iChaveTabela;
        verificaNova();
        grupoIns.execute(true);
      }
    }
    transacao.Confirma();
    return S_OK;
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
    long long u = usuario, s = static_cast<long long>(sessao), quando = zq::Agora();
    long long id = 0, numero = 0, banco = 0, tipoChaves = 0, tipoConciliacao = 0, ordem = 0, data = 0, posicao = 0;
    // One bound text per side: the statements read whichever is bound.
    std::string lado(1, 'E');
    soci::statement log =
        (sql.prepare << "INSERT INTO log_conciliacao (id, numero_conciliacao, banco, tipo_chaves, tipo_conciliacao,"
                        " empresa, usuario, sessao, quando) VALUES (:i, :n, :b, :tc, :tk, :e, :u, :s, :q)",
         soci::use(id), soci::use(numero), soci::use(banco), soci::use(tipoChaves), soci::use(tipoConciliacao),
         soci::use(e), soci::use(u), soci::use(s), soci::use(quando));
    soci::statement chave =
        (sql.prepare
             << "INSERT INTO log_conciliacao_chave (log, ordem, lado, data, posicao) VALUES (:i, :o, :l, :d, :p)",
         soci::use(id), soci::use(ordem), soci::use(lado), soci::use(data), soci::use(posicao));
    for (const ZQLogConciliacao& l : logs) {
      id = m_banco->ProximoNumero("log_conciliacao", "id");
      numero = l.lNumeroConciliacao;
      banco = l.lPonteiroBanco;
      tipoChaves = l.iTipoChaves;
      tipoConciliacao = l.iTipoConciliacao;
      log.execute(true);
      ordem = 0;
      lado[0] = 'E';
      for (const auto& [d, p] : l.chavesExtrato) {
        data = d;
        posicao = p;
        chave.execute(true);
        ++ordem;
      }
      lado[0] = 'T';
      for (const auto& [p, d] : l.chavesTesouraria) {
        data = d;
        posicao = p;
        chave.execute(true);
        ++ordem;
      }
    }
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
  // The entries of the account with a line still open or without their log: none at all
  // unless a run stopped between recording and its logs.
  std::vector<long long> incompletas;
  {
    long long posicao = 0;
    soci::statement st =
        (sql.prepare << "SELECT p.posicao_tesouraria FROM integracao_pendente p"
                        " JOIN integracao_origem o ON o.posicao_tesouraria = p.posicao_tesouraria"
                        " JOIN tesouraria t ON t.posicao = p.posicao_tesouraria"
                        " WHERE p.conta = :c AND ("
                        "  EXISTS (SELECT 1 FROM extrato e WHERE e.posicao = o.origem / 256 AND e.conciliado <> 'S')"
                        "  OR EXISTS (SELECT 1 FROM integracao_origem_grupo g JOIN extrato e"
                        "             ON e.posicao = g.origem / 256"
                        "             WHERE g.posicao_tesouraria = p.posicao_tesouraria AND e.conciliado <> 'S')"
                        "  OR NOT EXISTS (SELECT 1 FROM log_conciliacao l WHERE l.banco = p.conta AND"
                        "                 l.numero_conciliacao = CASE WHEN t.conta_ent = p.conta"
                        "                 THEN t.numero_conciliacao_ent ELSE t.numero_conciliacao_sai END))"
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
