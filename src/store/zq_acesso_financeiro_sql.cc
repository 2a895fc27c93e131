#include <tuple>
#include <unordered_map>
#include <vector>

#include "store/zq_acesso_sql.h"
#include "store/zq_soci.h"
#include "store/zq_sql_util.h"
#include "store/zq_tesouraria_sql.h"

using zq_sql::Cabe;
using zq_sql::Car;

namespace zq_sql {

tagREG_TESOURARIAPS DecodificaTesouraria(long long posicao, const std::string& estrutura) {
  tagREG_TESOURARIAPS reg{};
  if (!DeHex(estrutura, &reg, sizeof reg)) {
    throw CZQExcecaoSQL(ZQ_E_SQL_CORROMPIDO, "lançamento de tesouraria ilegível na posição " + std::to_string(posicao));
  }
  // The position column is the entry's identity; the copy inside the bytes follows it.
  reg.lPosicaoReg = Cabe<uint32_t>(posicao, "tesouraria.posicao");
  return reg;
}

void LeEntradasTesouraria(soci::session& sql, const std::string& condicao, CZQVector<CZQDadosFN_Tesouraria>& entradas,
                          bool ordenadas) {
  long long posicao = 0;
  std::string estrutura;
  soci::statement st =
      (sql.prepare << "SELECT posicao, estrutura FROM tesouraria" + (condicao.empty() ? "" : " WHERE " + condicao) +
                          (ordenadas ? " ORDER BY data_lancamento, posicao" : ""),
       soci::into(posicao), soci::into(estrutura));
  st.execute(false);
  while (st.fetch()) entradas.Add(CZQDadosFN_Tesouraria(DecodificaTesouraria(posicao, estrutura)));
}

}  // namespace zq_sql

namespace {

std::string E(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + " AND " + b;
}

}  // namespace

struct CZQAcessoFinanceiroSQL::BuscaDuplicado {
  // The entries that could match one query: its date, accounts and branch.
  using Dia = std::tuple<long long, long long, long long, long long>;
  struct Entrada {
    long long valor = 0;
    tagREG_TESOURARIAPS reg{};
  };
  struct Valores {
    long long data = 0, ent = 0, sai = 0, filial = 0, posicao = 0, valor = 0;
    std::string estrutura;
  };
  TZQConsultaPreparada<Valores> consulta;
  // A posting run asks once per line, mostly for the same few days: each day is read
  // once and its entries kept until the connection's next boundary.
  TZQLembradoNaTransacao<Dia, std::vector<Entrada>> dias;
};

namespace {

class CZQTesourariaSQL : public TZQRefCounted<IZQFN_Tesouraria> {
 public:
  CZQTesourariaSQL(std::shared_ptr<CZQBancoSQL> banco, std::shared_ptr<CZQAcessoFinanceiroSQL::BuscaDuplicado> busca)
      : m_banco(std::move(banco)), m_busca(std::move(busca)) {}

  HRESULT Existe(const RegExisteTesps& consulta, tagREG_TESOURARIAPS* encontrado) override {
    CZQDadosDF_Erro erro;
    return ZQExecutaSQL(*m_banco, erro, "Existe", [&] {
      using Busca = CZQAcessoFinanceiroSQL::BuscaDuplicado;
      // By value: the query is a packed structure.
      const Busca::Dia dia(
          static_cast<long long>(consulta.dmaLancamento), static_cast<long long>(consulta.lPonteiroContaEnt),
          static_cast<long long>(consulta.lPonteiroContaSai), static_cast<long long>(consulta.iPonteiroFilial));
      const std::vector<Busca::Entrada>* lidas =
          m_busca->dias.AchaOuLe(*m_banco, dia, [&](std::vector<Busca::Entrada>& entradas) {
            Busca::Valores& v = m_busca->consulta.valores;
            std::tie(v.data, v.ent, v.sai, v.filial) = dia;
            m_busca->consulta.Executa(
                m_banco->Sessao(),
                [](soci::session& sql, Busca::Valores& l) {
                  return soci::statement((sql.prepare << "SELECT posicao, valor, estrutura FROM tesouraria"
                                                         " WHERE data_lancamento = :d AND conta_ent = :e"
                                                         " AND conta_sai = :s AND filial = :f ORDER BY posicao",
                                          soci::use(l.data), soci::use(l.ent), soci::use(l.sai), soci::use(l.filial),
                                          soci::into(l.posicao), soci::into(l.valor), soci::into(l.estrutura)));
                },
                [&] {
                  entradas.push_back({v.valor, zq_sql::DecodificaTesouraria(v.posicao, v.estrutura)});
                });
            return true;
          });
      const CZQString documento = consulta.szDocumento.Get();
      for (const Busca::Entrada& e : *lidas) {
        if (e.valor != consulta.cyValor) continue;
        const tagREG_TESOURARIAPS& r = e.reg;
        // The query holds the document cut to its shorter field.
        const CZQString documentoEntrada =
            r.szDocumento.Get().LeftBytesInteiros(static_cast<int>(decltype(consulta.szDocumento)::Capacidade()));
        if (r.lPonteiroOrigem == consulta.lPonteiroOrigem && r.iHistorico == consulta.iHistorico &&
            r.ucTipoDocumentoTransacao == consulta.ucTipoDocumentoTransacao &&
            r.ucTipoDocFormaPagamento == consulta.ucTipoDocFormaPagamento && documentoEntrada == documento) {
          if (encontrado) *encontrado = r;
          return S_OK;
        }
      }
      return S_FALSE;
    });
  }

 private:
  std::shared_ptr<CZQBancoSQL> m_banco;
  std::shared_ptr<CZQAcessoFinanceiroSQL::BuscaDuplicado> m_busca;
};

}  // namespace

CZQAcessoFinanceiroSQL::CZQAcessoFinanceiroSQL(std::shared_ptr<CZQBancoSQL> banco)
    : CZQAreaSQL(std::move(banco)), m_buscaDuplicado(std::make_shared<BuscaDuplicado>()) {}

CZQAcessoFinanceiroSQL::~CZQAcessoFinanceiroSQL() = default;

HRESULT CZQAcessoFinanceiroSQL::BuscaPonteirosTesouraria(const CZQDadosFN_FiltroTesouraria& filtro,
                                                         CZQVector<REG_ZQDMC>& chaves) {
  return Executa("BuscaPonteirosTesouraria", [&] {
    std::string condicao;
    if (filtro.GetDataInicial())
      condicao = E(condicao, "data_lancamento >= " + std::to_string(filtro.GetDataInicial()));
    if (filtro.GetDataFinal()) condicao = E(condicao, "data_lancamento <= " + std::to_string(filtro.GetDataFinal()));
    if (filtro.GetPonteiroConta()) {
      const std::string c = std::to_string(filtro.GetPonteiroConta());
      condicao = E(condicao, "(conta_ent = " + c + " OR conta_sai = " + c + ")");
    }
    if (filtro.GetPonteiroFilial()) condicao = E(condicao, "filial = " + std::to_string(filtro.GetPonteiroFilial()));
    if (filtro.GetConciliado() == ZQ_CONCILIADO_SIM) {
      condicao = E(condicao, zq_sql::kTesourariaConciliada);
    } else if (filtro.GetConciliado() != 0) {
      condicao = E(condicao, std::string("NOT ") + zq_sql::kTesourariaConciliada);
    }
    if (filtro.GetConciladoAuto() == ZQ_CONCILIADO_SIM) {
      condicao = E(condicao, "conciliado_auto = 'S'");
    } else if (filtro.GetConciladoAuto() != 0) {
      condicao = E(condicao, "conciliado_auto <> 'S'");
    }
    CZQVector<REG_ZQDMC> lidas;
    long long posicao = 0, data = 0;
    soci::statement st = (Banco().Sessao().prepare << "SELECT posicao, data_lancamento FROM tesouraria" +
                                                          (condicao.empty() ? "" : " WHERE " + condicao) +
                                                          " ORDER BY data_lancamento, posicao",
                          soci::into(posicao), soci::into(data));
    st.execute(false);
    while (st.fetch()) {
      lidas.Add(ZQMontaDmc(Cabe<REG_ZQDMA>(data, "tesouraria.data_lancamento"),
                           Cabe<uint32_t>(posicao, "tesouraria.posicao")));
    }
    chaves = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoFinanceiroSQL::LeTesouraria(const CZQVector<REG_ZQDMC>& chaves,
                                             CZQVector<CZQDadosFN_Tesouraria>& entradas) {
  return Executa("LeTesouraria", [&] {
    std::vector<uint32_t> posicoes;
    posicoes.reserve(static_cast<std::size_t>(chaves.GetQuantidade()));
    for (const REG_ZQDMC& c : chaves) posicoes.push_back(c.codigo);
    // Read in any order (the keys give it), into room made once: a posting run asks for
    // every entry of the period after each 255 lines.
    CZQVector<CZQDadosFN_Tesouraria> achadas;
    achadas.Reserve(posicoes.size());
    for (const std::string& em : zq_sql::CondicoesEm("posicao", posicoes, Banco().GetBackend() == "postgresql")) {
      zq_sql::LeEntradasTesouraria(Banco().Sessao(), em, achadas, false);
    }
    std::unordered_map<uint32_t, const CZQDadosFN_Tesouraria*> porPosicao;
    porPosicao.reserve(achadas.Std().size());
    for (const CZQDadosFN_Tesouraria& e : achadas) porPosicao.emplace(e.GetPosicaoReg(), &e);
    CZQVector<CZQDadosFN_Tesouraria> lidas;
    lidas.Reserve(posicoes.size());
    for (const REG_ZQDMC& c : chaves) {
      auto it = porPosicao.find(c.codigo);
      if (it == porPosicao.end() || it->second->GetDataLancamento() != c.dma) {
        throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO, "não há lançamento de tesouraria com a chave " +
                                                         std::to_string(c.dma) + "/" + std::to_string(c.codigo));
      }
      lidas.Add(*it->second);
    }
    entradas = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoFinanceiroSQL::GetIFNTesouraria(CZQComPtr<IZQFN_Tesouraria>& tesouraria) {
  m_erro.Limpar();
  tesouraria = new CZQTesourariaSQL(m_banco, m_buscaDuplicado);
  return S_OK;
}

HRESULT CZQAcessoFinanceiroSQL::LeBufferMestre(CZQDadosFN_Mestre* mestre, int) {
  if (!mestre) return Falha("LeBufferMestre", E_POINTER, "registro nulo");
  return Executa("LeBufferMestre", [&] {
    long long bloqueio = 0;
    Banco().Sessao() << "SELECT data_bloqueio_lancamento FROM mestre_financeiro WHERE id = 1", soci::into(bloqueio);
    mestre->Limpar();
    if (Banco().Sessao().got_data()) {
      mestre->SetDataBloqueioLancamento(Cabe<REG_ZQDMA>(bloqueio, "mestre_financeiro.data_bloqueio_lancamento"));
    }
    return S_OK;
  });
}

HRESULT CZQAcessoFinanceiroSQL::GravaStatusHiperautomacaoFinanceira(
    const CZQDadosFN_StatusHiperautomacaoFinanceira& status) {
  return Executa("GravaStatusHiperautomacaoFinanceira", [&] {
    CZQTransacaoSQL transacao(Banco());
    long long id = Banco().ProximoNumero("status_hiperautomacao", "id");
    long long tipo = status.GetTipoEvento(), conta = status.GetPonteiroContaBanco(), momento = status.GetDmaHmsEvento(),
              pendentes = status.GetQuantidadeExtratosPendentes(), saldo = status.GetSaldoExtrato();
    const std::string mensagem = status.GetMensagem().str();
    Banco().Sessao() << "INSERT INTO status_hiperautomacao (id, tipo_evento, conta, dma_hms_evento,"
                        " quantidade_extratos_pendentes, saldo_extrato, mensagem) VALUES (:i, :t, :c, :m, :q, :s, :x)",
        soci::use(id), soci::use(tipo), soci::use(conta), soci::use(momento), soci::use(pendentes), soci::use(saldo),
        soci::use(mensagem);
    transacao.Confirma();
    return S_OK;
  });
}

HRESULT CZQAcessoFinanceiroSQL::GravaTesouraria(CZQDadosFN_Tesouraria& entrada) {
  return Executa("GravaTesouraria", [&] {
    soci::session& sql = Banco().Sessao();
    CZQTransacaoSQL transacao(Banco());
    tagREG_TESOURARIAPS reg = entrada.GetRegistro();
    const bool nova = reg.lPosicaoReg == 0;
    if (nova) reg.lPosicaoReg = Cabe<uint32_t>(Banco().ProximoNumero("tesouraria", "posicao"), "tesouraria.posicao");
    long long posicao = reg.lPosicaoReg, data = reg.dmaLancamento, valor = reg.cyValor, ent = reg.lPonteiroContaEnt,
              sai = reg.lPonteiroContaSai, nEnt = reg.lNumeroConciliacaoEnt, nSai = reg.lNumeroConciliacaoSai,
              filial = reg.iPonteiroFilial;
    std::string cEnt = Car(reg.cConciliadoEnt), cSai = Car(reg.cConciliadoSai), cAuto = Car(reg.cConciliadoAuto);
    std::string estrutura = zq_sql::Hex(&reg, sizeof reg);
    if (nova) {
      sql << "INSERT INTO tesouraria (posicao, data_lancamento, valor, conta_ent, conta_sai, numero_conciliacao_ent,"
             " numero_conciliacao_sai, filial, conciliado_ent, conciliado_sai, conciliado_auto, estrutura)"
             " VALUES (:p, :d, :v, :ce, :cs, :ne, :ns, :f, :ke, :ks, :ka, :e)",
          soci::use(posicao), soci::use(data), soci::use(valor), soci::use(ent), soci::use(sai), soci::use(nEnt),
          soci::use(nSai), soci::use(filial), soci::use(cEnt), soci::use(cSai), soci::use(cAuto), soci::use(estrutura);
    } else {
      soci::statement st =
          (sql.prepare << "UPDATE tesouraria SET data_lancamento = :d, valor = :v, conta_ent = :ce, conta_sai = :cs,"
                          " numero_conciliacao_ent = :ne, numero_conciliacao_sai = :ns, filial = :f,"
                          " conciliado_ent = :ke, conciliado_sai = :ks, conciliado_auto = :ka, estrutura = :e"
                          " WHERE posicao = :p",
           soci::use(data), soci::use(valor), soci::use(ent), soci::use(sai), soci::use(nEnt), soci::use(nSai),
           soci::use(filial), soci::use(cEnt), soci::use(cSai), soci::use(cAuto), soci::use(estrutura),
           soci::use(posicao));
      st.execute(true);
      if (st.get_affected_rows() == 0) {
        throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO,
                            "não há lançamento de tesouraria na posição " + std::to_string(posicao));
      }
    }
    transacao.Confirma();
    entrada.SetChaveRegistro(ZQMontaDmc(reg.dmaLancamento, reg.lPosicaoReg));
    return S_OK;
  });
}
