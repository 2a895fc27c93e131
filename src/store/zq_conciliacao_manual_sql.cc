// A reconciliation a person makes: any lines and entries of one account whose signed
// totals agree, under one new number, on the same marks and logs as the services'.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "frame/zq_currency.h"
#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "frame/zq_relogio.h"
#include "platform/components/zq_componentes_lancamento.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_integracao_sql.h"
#include "store/zq_soci.h"
#include "store/zq_sql_util.h"
#include "store/zq_tesouraria_sql.h"

using zq_sql::Cabe;
using zq_sql::Car;

namespace {

// Kind of the marks and logs of a reconciliation by hand (the services' are 'L'/2 and 'A'/1).
constexpr char kTipoConciliacaoManual = 'M';
constexpr int kTipoLogManual = 3;

std::string Lista(const CZQVector<uint32_t>& posicoes) {
  std::string lista;
  for (uint32_t p : posicoes) lista += (lista.empty() ? "" : ",") + std::to_string(p);
  return lista;
}

std::string Valor(tagCY valor) { return CZQCurrencyEx::FormataValor(valor, 2).str(); }

[[noreturn]] void Recusa(const std::string& motivo) { throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, motivo); }

// What closes a date to a change by hand: the movement lock date, and the accounting
// period's blocked month (that month and every one before it).
struct Bloqueios {
  REG_ZQDMA movimento = 0;
  CZQMa mes;
};

Bloqueios LeBloqueios(soci::session& sql) {
  Bloqueios b;
  long long lido = 0;
  sql << "SELECT data_bloqueio_movimentacao FROM mestre_cl WHERE id = 1", soci::into(lido);
  if (sql.got_data()) b.movimento = Cabe<REG_ZQDMA>(lido, "mestre_cl.data_bloqueio_movimentacao");
  lido = 0;
  sql << "SELECT mes_bloqueio FROM periodo_contabil WHERE id = 1", soci::into(lido);
  if (sql.got_data()) b.mes = CZQMa(Cabe<uint16_t>(lido, "periodo_contabil.mes_bloqueio"));
  return b;
}

void ConfereData(REG_ZQDMA data, const Bloqueios& bloqueios, const std::string& item) {
  if (bloqueios.movimento != 0 && data <= bloqueios.movimento) {
    Recusa(item + ", de " + ZQDataTexto(data) + ", está no período bloqueado (movimentação bloqueada até " +
           ZQDataTexto(bloqueios.movimento) + ")");
  }
  if (!bloqueios.mes.EhVazio() && CZQMa(CZQDma(data)) <= bloqueios.mes) {
    Recusa(item + ", de " + ZQDataTexto(data) + ", está num mês bloqueado (meses bloqueados até " +
           ZQDataTexto(bloqueios.mes.GetUltimoDia().GetDma()).substr(3) + ")");
  }
}

}  // namespace

HRESULT CZQAcessoConciliacaoSQL::ConciliaManual(uint32_t conta, const CZQVector<uint32_t>& linhas,
                                                const CZQVector<uint32_t>& entradas, uint16_t usuario, uint32_t sessao,
                                                uint32_t& numero) {
  numero = 0;
  if (conta == 0) return Falha("ConciliaManual", ZQ_E_SQL_INVALIDO, "conciliação sem conta");
  // Held like a posting run holds it, so a run of the account never reads half a match.
  return ExecutaComConta("ConciliaManual", conta, [&] {
    ZQCompletaIntegracoesPendentes(Banco(), conta);
    soci::session& sql = Banco().Sessao();
    if (linhas.GetQuantidade() == 0 || entradas.GetQuantidade() == 0)
      Recusa("uma conciliação precisa de ao menos uma linha de extrato e um lançamento");
    const std::set<uint32_t> linhasUnicas(linhas.begin(), linhas.end());
    const std::set<uint32_t> entradasUnicas(entradas.begin(), entradas.end());
    if (static_cast<long>(linhasUnicas.size()) != static_cast<long>(linhas.GetQuantidade()) ||
        static_cast<long>(entradasUnicas.size()) != static_cast<long>(entradas.GetQuantidade()))
      Recusa("uma linha ou um lançamento foi dado mais de uma vez");

    CZQTransacaoSQL transacao(Banco());
    const Bloqueios bloqueio = LeBloqueios(sql);

    ZQLogConciliacao log;
    log.iTipoChaves = 0;
    log.iTipoConciliacao = kTipoLogManual;
    log.lPonteiroBanco = conta;
    tagCY totalLinhas = 0, totalEntradas = 0;
    for (uint32_t p : linhas) {
      long long contaLinha = 0, numeroLinha = 0, valor = 0, data = 0, pos = p;
      std::string conciliado, natureza;
      sql << "SELECT conta, conciliado, numero_conciliacao, valor, natureza, dma_extrato FROM extrato"
             " WHERE posicao = :p",
          soci::use(pos), soci::into(contaLinha), soci::into(conciliado), soci::into(numeroLinha), soci::into(valor),
          soci::into(natureza), soci::into(data);
      const std::string item = "a linha de extrato " + std::to_string(p);
      if (!sql.got_data()) throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO, item + " não existe");
      if (contaLinha != conta)
        Recusa(item + " é da conta " + std::to_string(contaLinha) + ", não da " + std::to_string(conta));
      if (Car(conciliado) == 'S') Recusa(item + " já está conciliada no número " + std::to_string(numeroLinha));
      ConfereData(Cabe<REG_ZQDMA>(data, "extrato.dma_extrato"), bloqueio, item);
      // A signed amount speaks for itself; a positive one goes by its nature.
      totalLinhas += valor < 0 ? valor : (Car(natureza) == '-' ? -valor : valor);
      log.chavesExtrato.emplace_back(Cabe<REG_ZQDMA>(data, "extrato.dma_extrato"), p);
    }
    std::vector<tagREG_TESOURARIAPS> marcadas;
    for (uint32_t p : entradas) {
      CZQVector<CZQDadosFN_Tesouraria> lidas;
      zq_sql::LeEntradasTesouraria(sql, "posicao = " + std::to_string(p), lidas);
      const std::string item = "o lançamento de tesouraria " + std::to_string(p);
      if (lidas.GetQuantidade() == 0) throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO, item + " não existe");
      tagREG_TESOURARIAPS reg = lidas[0].GetRegistro();
      const bool entra = reg.lPonteiroContaEnt == conta, sai = reg.lPonteiroContaSai == conta;
      if (entra == sai) Recusa(item + " não movimenta a conta " + std::to_string(conta));
      if ((entra ? reg.cConciliadoEnt : reg.cConciliadoSai) == 'S') {
        Recusa(item + " já está conciliado no número " +
               std::to_string(entra ? reg.lNumeroConciliacaoEnt : reg.lNumeroConciliacaoSai));
      }
      ConfereData(reg.dmaLancamento, bloqueio, item);
      const tagCY valor = reg.cyValor < 0 ? -reg.cyValor : reg.cyValor;
      totalEntradas += entra ? valor : -valor;
      log.chavesTesouraria.emplace_back(reg.lPosicaoReg, reg.dmaLancamento);
      marcadas.push_back(reg);
    }
    if (totalLinhas != totalEntradas) {
      Recusa("os totais diferem: linhas " + Valor(totalLinhas) + ", lançamentos " + Valor(totalEntradas) +
             ", diferença " + Valor(totalLinhas - totalEntradas));
    }

    long long ultimo = 0, cc = conta;
    sql << "SELECT ultimo_numero FROM numero_conciliacao WHERE conta = :c", soci::use(cc), soci::into(ultimo);
    const bool temNumero = sql.got_data();
    numero = (temNumero ? Cabe<uint32_t>(ultimo, "numero_conciliacao.ultimo_numero") : 0) + 1;
    long long n = numero, posicao = 0;
    std::string tipo(1, kTipoConciliacaoManual);
    // What each item carried before, so that an undo puts back exactly that.
    sql << "INSERT INTO conciliacao_marca_anterior (banco, numero_conciliacao, lado, posicao, conciliado, tipo,"
           " numero) SELECT CAST(:c AS BIGINT), CAST(:n AS BIGINT), 'E', posicao, conciliado, tipo_conciliacao,"
           " numero_conciliacao FROM extrato"
           " WHERE posicao IN (" +
               Lista(linhas) + ")",
        soci::use(cc), soci::use(n);
    for (const tagREG_TESOURARIAPS& reg : marcadas) {
      const bool entra = reg.lPonteiroContaEnt == conta;
      std::string antes = Car(entra ? reg.cConciliadoEnt : reg.cConciliadoSai);
      long long numeroAntes = entra ? reg.lNumeroConciliacaoEnt : reg.lNumeroConciliacaoSai, pos = reg.lPosicaoReg;
      sql << "INSERT INTO conciliacao_marca_anterior (banco, numero_conciliacao, lado, posicao, conciliado, tipo,"
             " numero) VALUES (:c, :n, 'T', :p, :k, '', :na)",
          soci::use(cc), soci::use(n), soci::use(pos), soci::use(antes), soci::use(numeroAntes);
    }
    for (uint32_t p : linhas) {
      posicao = p;
      sql << "UPDATE extrato SET conciliado = 'S', tipo_conciliacao = :t, numero_conciliacao = :n WHERE posicao = :p",
          soci::use(tipo), soci::use(n), soci::use(posicao);
    }
    for (tagREG_TESOURARIAPS& reg : marcadas) {
      if (reg.lPonteiroContaEnt == conta) {
        reg.lNumeroConciliacaoEnt = numero;
        reg.cConciliadoEnt = 'S';
      } else {
        reg.lNumeroConciliacaoSai = numero;
        reg.cConciliadoSai = 'S';
      }
      long long nEnt = reg.lNumeroConciliacaoEnt, nSai = reg.lNumeroConciliacaoSai;
      std::string kEnt = Car(reg.cConciliadoEnt), kSai = Car(reg.cConciliadoSai);
      std::string estrutura = zq_sql::Hex(&reg, sizeof reg);
      posicao = reg.lPosicaoReg;
      sql << "UPDATE tesouraria SET numero_conciliacao_ent = :ne, numero_conciliacao_sai = :ns,"
             " conciliado_ent = :ke, conciliado_sai = :ks, estrutura = :e WHERE posicao = :p",
          soci::use(nEnt), soci::use(nSai), soci::use(kEnt), soci::use(kSai), soci::use(estrutura), soci::use(posicao);
    }
    if (temNumero) {
      sql << "UPDATE numero_conciliacao SET ultimo_numero = :n WHERE conta = :c", soci::use(n), soci::use(cc);
    } else {
      sql << "INSERT INTO numero_conciliacao (conta, ultimo_numero) VALUES (:c, :n)", soci::use(cc), soci::use(n);
    }
    log.lNumeroConciliacao = numero;
    CZQFonteLancamentoSQL fonte(m_banco);
    const HRESULT hrLog = fonte.GravaLogs(CZQString(), usuario, sessao, {log});
    if (FAILED(hrLog)) throw CZQExcecaoSQL(hrLog, fonte.GetErro()->GetTextoMostraMensagem().str());
    transacao.Confirma();
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::DesfazConciliacao(uint32_t conta, uint32_t numero, uint16_t usuario, uint32_t sessao,
                                                   const CZQString& motivo) {
  if (conta == 0 || numero == 0) return Falha("DesfazConciliacao", ZQ_E_SQL_INVALIDO, "desfazer pede conta e número");
  return ExecutaComConta("DesfazConciliacao", conta, [&] {
    ZQCompletaIntegracoesPendentes(Banco(), conta);
    soci::session& sql = Banco().Sessao();
    CZQTransacaoSQL transacao(Banco());
    long long cc = conta, n = numero;
    const Bloqueios bloqueio = LeBloqueios(sql);

    // The marks to put back: what a manual match saw before, else the open mark.
    struct Anterior {
      std::string conciliado = "N", tipo;
      long long numero = 0;
    };
    std::map<std::pair<char, long long>, Anterior> anteriores;
    {
      std::string lado, conciliado, tipo;
      long long posicao = 0, numeroAntes = 0;
      soci::statement le = (sql.prepare << "SELECT lado, posicao, conciliado, tipo, numero FROM"
                                           " conciliacao_marca_anterior WHERE banco = :c AND numero_conciliacao = :n",
                            soci::use(cc), soci::use(n), soci::into(lado), soci::into(posicao), soci::into(conciliado),
                            soci::into(tipo), soci::into(numeroAntes));
      le.execute();
      while (le.fetch()) anteriores[{Car(lado), posicao}] = Anterior{conciliado, tipo, numeroAntes};
    }
    auto anterior = [&](char lado, long long posicao) {
      auto it = anteriores.find({lado, posicao});
      return it == anteriores.end() ? Anterior{} : it->second;
    };

    std::vector<std::pair<long long, REG_ZQDMA>> linhas;
    {
      long long posicao = 0, data = 0;
      soci::statement le = (sql.prepare << "SELECT posicao, dma_extrato FROM extrato WHERE conta = :c AND"
                                           " numero_conciliacao = :n AND conciliado = 'S' ORDER BY posicao",
                            soci::use(cc), soci::use(n), soci::into(posicao), soci::into(data));
      le.execute();
      while (le.fetch()) linhas.emplace_back(posicao, Cabe<REG_ZQDMA>(data, "extrato.dma_extrato"));
    }
    CZQVector<CZQDadosFN_Tesouraria> lidas;
    const std::string c = std::to_string(conta), num = std::to_string(numero);
    zq_sql::LeEntradasTesouraria(sql,
                                 "(conta_ent = " + c + " AND numero_conciliacao_ent = " + num +
                                     " AND conciliado_ent = 'S') OR (conta_sai = " + c +
                                     " AND numero_conciliacao_sai = " + num + " AND conciliado_sai = 'S')",
                                 lidas);
    if (linhas.empty() && lidas.GetQuantidade() == 0) {
      long long desfeitas = 0;
      sql << "SELECT COUNT(*) FROM conciliacao_desfeita WHERE banco = :c AND numero_conciliacao = :n", soci::use(cc),
          soci::use(n), soci::into(desfeitas);
      throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO, "a conciliação " + num + " da conta " + c +
                                                       (desfeitas > 0 ? " já foi desfeita" : " não existe"));
    }
    for (const auto& [posicao, data] : linhas)
      ConfereData(data, bloqueio, "a linha de extrato " + std::to_string(posicao));
    for (const CZQDadosFN_Tesouraria& e : lidas) {
      ConfereData(e.GetRegistro().dmaLancamento, bloqueio,
                  "o lançamento de tesouraria " + std::to_string(e.GetRegistro().lPosicaoReg));
    }

    for (const auto& [posicao, data] : linhas) {
      Anterior a = anterior('E', posicao);
      long long p = posicao;
      sql << "UPDATE extrato SET conciliado = :k, tipo_conciliacao = :t, numero_conciliacao = :n WHERE posicao = :p",
          soci::use(a.conciliado), soci::use(a.tipo), soci::use(a.numero), soci::use(p);
    }
    for (const CZQDadosFN_Tesouraria& e : lidas) {
      tagREG_TESOURARIAPS reg = e.GetRegistro();
      // An entry between two of the account's sides is unmarked on the side of this number.
      const bool entra = reg.lPonteiroContaEnt == conta && reg.lNumeroConciliacaoEnt == numero;
      const Anterior a = anterior('T', reg.lPosicaoReg);
      if (entra) {
        reg.cConciliadoEnt = Car(a.conciliado);
        reg.lNumeroConciliacaoEnt = Cabe<uint32_t>(a.numero, "conciliacao_marca_anterior.numero");
      } else {
        reg.cConciliadoSai = Car(a.conciliado);
        reg.lNumeroConciliacaoSai = Cabe<uint32_t>(a.numero, "conciliacao_marca_anterior.numero");
      }
      long long nEnt = reg.lNumeroConciliacaoEnt, nSai = reg.lNumeroConciliacaoSai, posicao = reg.lPosicaoReg;
      std::string kEnt = Car(reg.cConciliadoEnt), kSai = Car(reg.cConciliadoSai);
      std::string estrutura = zq_sql::Hex(&reg, sizeof reg);
      sql << "UPDATE tesouraria SET numero_conciliacao_ent = :ne, numero_conciliacao_sai = :ns,"
             " conciliado_ent = :ke, conciliado_sai = :ks, estrutura = :e WHERE posicao = :p",
          soci::use(nEnt), soci::use(nSai), soci::use(kEnt), soci::use(kSai), soci::use(estrutura), soci::use(posicao);
    }
    sql << "DELETE FROM conciliacao_marca_anterior WHERE banco = :c AND numero_conciliacao = :n", soci::use(cc),
        soci::use(n);
    // The logs of the number stay: with this record the history shows the decision and its undo.
    long long id = Banco().ProximoNumero("conciliacao_desfeita", "id"), u = usuario, s = sessao, quando = zq::Agora();
    std::string porque = motivo.str();
    sql << "INSERT INTO conciliacao_desfeita (id, banco, numero_conciliacao, usuario, sessao, quando, motivo)"
           " VALUES (:i, :c, :n, :u, :s, :q, :m)",
        soci::use(id), soci::use(cc), soci::use(n), soci::use(u), soci::use(s), soci::use(quando), soci::use(porque);
    transacao.Confirma();
    return S_OK;
  });
}
