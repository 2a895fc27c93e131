// A reconciliation a person makes: any lines and entries of one account whose signed
// totals agree, under one new number, on the same marks and logs as the services'.
#include <set>
#include <vector>

#include "frame/zq_currency.h"
#include "platform/zq_componentes_lancamento.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
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

std::string Valor(tagCY valor) { return CZQCurrencyEx::FormataValor(valor, 2).str(); }

[[noreturn]] void Recusa(const std::string& motivo) { throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, motivo); }

void ConfereData(REG_ZQDMA data, REG_ZQDMA bloqueio, const std::string& item) {
  if (bloqueio != 0 && data <= bloqueio) {
    Recusa(item + ", de " + ZQDataTexto(data) + ", está no período bloqueado (movimentação bloqueada até " +
           ZQDataTexto(bloqueio) + ")");
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
    long long bloqueioLido = 0;
    sql << "SELECT data_bloqueio_movimentacao FROM mestre_cl WHERE id = 1", soci::into(bloqueioLido);
    const REG_ZQDMA bloqueio =
        sql.got_data() ? Cabe<REG_ZQDMA>(bloqueioLido, "mestre_cl.data_bloqueio_movimentacao") : 0;

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
