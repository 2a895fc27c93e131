#include "store/zq_integracao_sql.h"

#include <string>
#include <vector>

#include "platform/zq_bstr.h"
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
  // Everything of the transaction in one database transaction.
  HRESULT Grava() {
    soci::session& sql = m_banco->Sessao();
    CZQTransacaoSQL transacao(*m_banco);
    CZQAcessoFinanceiroSQL financeiro(m_banco);
    for (EntradaIntegracao& e : m_entradas) {
      long long origem = e.tesouraria.chaveOrigem.lPosicaoTipo, chave = e.tesouraria.chaveOrigem.iChaveTabela;
      int existentes = 0;
      sql << "SELECT COUNT(*) FROM integracao_origem WHERE origem = :o AND chave_tabela = :k", soci::use(origem),
          soci::use(chave), soci::into(existentes);
      if (existentes) {
        // The statement line already has its entry: posting it again would double it.
        throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, "a linha de extrato de origem " + std::to_string(origem >> 8) +
                                                    " já tem lançamento integrado");
      }
      tagREG_TESOURARIAPS reg = e.tesouraria.RegTesouraria;
      reg.lPosicaoReg = 0;
      // The side that carries a reconciliation number is reconciled by this posting.
      if (reg.lNumeroConciliacaoEnt) reg.cConciliadoEnt = 'S';
      if (reg.lNumeroConciliacaoSai) reg.cConciliadoSai = 'S';
      CZQDadosFN_Tesouraria entrada(reg);
      const HRESULT hr = financeiro.GravaTesouraria(entrada);
      if (FAILED(hr)) throw CZQExcecaoSQL(hr, financeiro.GetErro()->GetTextoMostraMensagem().str());
      long long posicao = entrada.GetPosicaoReg(), sessao = e.tesouraria.lNumeroSessao,
                qtd = e.tesouraria.lQuantidadeExtratos;
      std::string complemento = e.sComplemento.str();
      sql << "INSERT INTO integracao_origem (posicao_tesouraria, origem, chave_tabela, sessao, quantidade_extratos,"
             " complemento) VALUES (:p, :o, :k, :s, :q, :c)",
          soci::use(posicao), soci::use(origem), soci::use(chave), soci::use(sessao), soci::use(qtd),
          soci::use(complemento);
      long long ordem = 0;
      for (const RegContasContabil& c : e.contabil) {
        long long valor = c.cyValor, classificacao = c.lPosClassificacao, filial = c.iPonteiroFilial,
                  q = c.lQuantidadeExtratos;
        sql << "INSERT INTO integracao_contabil (posicao_tesouraria, ordem, valor, classificacao, filial,"
               " quantidade_extratos) VALUES (:p, :o, :v, :c, :f, :q)",
            soci::use(posicao), soci::use(ordem), soci::use(valor), soci::use(classificacao), soci::use(filial),
            soci::use(q);
        ++ordem;
      }
      ordem = 0;
      for (const RegContasGerencial& g : e.gerencial) {
        tagCY v = 0;
        std::memcpy(&v, g.abValor, sizeof v);
        long long valor = v, centro = g.lPonteiroCentroCusto, conta = g.lContaGerencial, q = g.lQuantidadeExtratos;
        sql << "INSERT INTO integracao_gerencial (posicao_tesouraria, ordem, valor, centro_custo, conta_gerencial,"
               " quantidade_extratos) VALUES (:p, :o, :v, :c, :g, :q)",
            soci::use(posicao), soci::use(ordem), soci::use(valor), soci::use(centro), soci::use(conta),
            soci::use(q);
        ++ordem;
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
  return ZQExecutaSQL(*m_banco, m_erro, "LeClassificacao", [&] {
    conta = ZQContaClassificacao{};
    soci::session& sql = m_banco->Sessao();
    long long p = posicao, inativa = 0;
    std::string tipo;
    sql << "SELECT tipo, inativa FROM plano_empresarial WHERE ponteiro = :p", soci::use(p), soci::into(tipo),
        soci::into(inativa);
    conta.bExiste = sql.got_data() && tipo == "A" && !inativa;
    if (!conta.bExiste) return S_OK;
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
    return S_OK;
  });
}

HRESULT CZQFonteLancamentoSQL::ExisteContaContabil(uint32_t posicao, bool& existe) {
  return ZQExecutaSQL(*m_banco, m_erro, "ExisteContaContabil", [&] {
    long long p = posicao, n = 0;
    m_banco->Sessao() << "SELECT COUNT(*) FROM plano_empresarial WHERE ponteiro = :p AND inativa = 0", soci::use(p),
        soci::into(n);
    existe = n > 0;
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
    soci::session& sql = m_banco->Sessao();
    CZQTransacaoSQL transacao(*m_banco);
    const std::string e = empresa.str();
    long long u = usuario, s = static_cast<long long>(sessao);
    for (const ZQLogConciliacao& log : logs) {
      long long id = m_banco->ProximoNumero("log_conciliacao", "id"), numero = log.lNumeroConciliacao,
                banco = log.lPonteiroBanco, tipoChaves = log.iTipoChaves, tipoConciliacao = log.iTipoConciliacao;
      sql << "INSERT INTO log_conciliacao (id, numero_conciliacao, banco, tipo_chaves, tipo_conciliacao, empresa,"
             " usuario, sessao) VALUES (:i, :n, :b, :tc, :tk, :e, :u, :s)",
          soci::use(id), soci::use(numero), soci::use(banco), soci::use(tipoChaves), soci::use(tipoConciliacao),
          soci::use(e), soci::use(u), soci::use(s);
      long long ordem = 0;
      auto chave = [&](const char* lado, long long data, long long posicao) {
        std::string l = lado;
        sql << "INSERT INTO log_conciliacao_chave (log, ordem, lado, data, posicao) VALUES (:i, :o, :l, :d, :p)",
            soci::use(id), soci::use(ordem), soci::use(l), soci::use(data), soci::use(posicao);
        ++ordem;
      };
      for (const auto& [data, posicao] : log.chavesExtrato) chave("E", data, posicao);
      for (const auto& [posicao, data] : log.chavesTesouraria) chave("T", data, posicao);
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

void ZQInstalaComponentesLancamentoSQL(std::shared_ptr<CZQBancoSQL> banco) {
  ZQDefineFabricaFonteLancamento(
      [banco]() -> std::unique_ptr<IZQFonteLancamento> { return std::make_unique<CZQFonteLancamentoSQL>(banco); });
}

void ZQRemoveComponentesLancamentoSQL() { ZQDefineFabricaFonteLancamento(nullptr); }
