// The store's own reconciliation of the statement lines and treasury entries left open
// after the posting run: one to one first, then one line against a combination.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "frame/zq_config.h"
#include "platform/components/zq_componentes_lancamento.h"
#include "reconciliation/cl_trata_dados_conciliacao_automatica_tesouraria_banco.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_integracao_sql.h"
#include "store/zq_soci.h"
#include "store/zq_sql_util.h"
#include "store/zq_tesouraria_sql.h"

using zq_sql::Cabe;
using zq_sql::Car;

namespace {

using Combinacao = CCLTrataDadosConciliacaoAutomaticaTesourariaBanco;

// Kind of the marks and logs of this reconciliation (the posting run's are 'L' and 2).
constexpr char kTipoConciliacaoServidor = 'A';
constexpr int kTipoLogServidor = 1;

struct Linha {
  uint32_t posicao = 0;
  REG_ZQDMA data = 0;
  tagCY valor = 0;  // always positive: the direction is `credito`
  bool credito = false;
};

struct Entrada {
  tagREG_TESOURARIAPS reg{};
  bool credito = false;  // money into the account
  bool usada = false;
};

// What one call pairs: a line with one or more entries.
struct Par {
  const Linha* linha;
  std::vector<std::size_t> entradas;
};

// The store's tuning: how far apart a line and an entry may be dated, how many
// entries a combination search takes (the closest in date), and up to how many the
// depth-first search is used before the split search.
struct Parametros {
  long dias = 5;
  long maxCandidatos = 24;
  long limiteBacktracking = 12;
};

Parametros LeParametros() {
  const CZQConfiguracao& c = CZQConfiguracao::Global();
  Parametros p;
  p.dias = std::max(0L, c.GetInteiro("conciliacao_dias_diferenca", p.dias));
  // A half of the split search enumerates 2^(n/2) subsets: 40 keeps it within memory.
  p.maxCandidatos = std::clamp(c.GetInteiro("conciliacao_candidatos", p.maxCandidatos), 2L, 40L);
  p.limiteBacktracking = std::max(0L, c.GetInteiro("conciliacao_candidatos_backtracking", p.limiteBacktracking));
  return p;
}

long Distancia(REG_ZQDMA a, REG_ZQDMA b) { return a > b ? static_cast<long>(a - b) : static_cast<long>(b - a); }

std::string E(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + " AND " + b;
}

}  // namespace

HRESULT CZQAcessoConciliacaoSQL::ProcessaConciliacaoAutomatica(const CZQDadosCL_ConciliacaoAutomatica& conciliacao,
                                                               int32_t& extratosRestantes,
                                                               CZQDadosCL_ConciliacaoTesourariaBancos& resultado) {
  // What is read open and what gets marked must be the same: another process pairing
  // the account in between would number and mark the same lines again. The account is
  // held for the whole operation (before the connection's lock, as TravaConta waits).
  return ExecutaComConta("ProcessaConciliacaoAutomatica", conciliacao.GetPonteiroConta(), [&] {
    const uint32_t conta = conciliacao.GetPonteiroConta();
    if (conta == 0) throw CZQExcecaoSQL(ZQ_E_SQL_INVALIDO, "conciliação automática sem conta");
    // A posting run of the account that stopped after recording left lines to mark.
    ZQCompletaIntegracoesPendentes(Banco(), conta);
    const Parametros parametros = LeParametros();
    soci::session& sql = Banco().Sessao();
    const std::string c = std::to_string(conta);

    // Lines of the period; entries from the limit date (when earlier) to its end.
    const REG_ZQDMA inicio = conciliacao.GetDataInicial();
    const REG_ZQDMA fim = conciliacao.GetDataFinal();
    REG_ZQDMA inicioEntradas = inicio;
    if (conciliacao.GetDataLimite() && (inicioEntradas == 0 || conciliacao.GetDataLimite() < inicioEntradas))
      inicioEntradas = conciliacao.GetDataLimite();
    std::string condLinhas = "conta = " + c + " AND conciliado <> 'S'";
    std::string condEntradas =
        "((conta_ent = " + c + " AND conciliado_ent <> 'S') OR (conta_sai = " + c + " AND conciliado_sai <> 'S'))";
    if (inicio) condLinhas = E(condLinhas, "dma_extrato >= " + std::to_string(inicio));
    if (inicioEntradas) condEntradas = E(condEntradas, "data_lancamento >= " + std::to_string(inicioEntradas));
    if (fim) {
      condLinhas = E(condLinhas, "dma_extrato <= " + std::to_string(fim));
      condEntradas = E(condEntradas, "data_lancamento <= " + std::to_string(fim));
    }
    if (conciliacao.GetPonteiroFilial()) {
      // A line keeps only the low 16 bits of its branch.
      condLinhas = E(condLinhas, "filial = " + std::to_string(conciliacao.GetPonteiroFilial() & 0xFFFFu));
      condEntradas = E(condEntradas, "filial = " + std::to_string(conciliacao.GetPonteiroFilial() & 0xFFFFu));
    }

    std::vector<Linha> linhas;
    {
      long long posicao = 0, data = 0, valor = 0;
      std::string natureza;
      soci::statement st = (sql.prepare << "SELECT posicao, dma_extrato, valor, natureza FROM extrato WHERE " +
                                               condLinhas + " ORDER BY dma_extrato, posicao",
                            soci::into(posicao), soci::into(data), soci::into(valor), soci::into(natureza));
      st.execute(false);
      while (st.fetch()) {
        Linha l;
        l.posicao = Cabe<uint32_t>(posicao, "extrato.posicao");
        l.data = Cabe<REG_ZQDMA>(data, "extrato.dma_extrato");
        // A signed amount speaks for itself; a positive one goes by its nature.
        l.credito = valor < 0 ? false : Car(natureza) != '-';
        l.valor = valor < 0 ? -valor : valor;
        if (l.valor != 0) linhas.push_back(l);
      }
    }
    CZQVector<CZQDadosFN_Tesouraria> lidas;
    zq_sql::LeEntradasTesouraria(sql, condEntradas, lidas);
    std::vector<Entrada> entradas;
    for (const CZQDadosFN_Tesouraria& t : lidas) {
      Entrada e;
      e.reg = t.GetRegistro();
      // An entry between two sides of the same account moves nothing in it.
      if (e.reg.lPonteiroContaEnt == conta && e.reg.lPonteiroContaSai == conta) continue;
      e.credito = e.reg.lPonteiroContaEnt == conta;
      if (e.reg.cyValor > 0) entradas.push_back(e);
    }

    std::vector<Par> pares;
    std::vector<bool> linhaPareada(linhas.size(), false);

    // One to one: same amount and direction, the closest date within the limit; on a
    // tie the earlier entry.
    for (std::size_t i = 0; i < linhas.size(); ++i) {
      const Linha& l = linhas[i];
      std::size_t melhor = entradas.size();
      long melhorDistancia = 0;
      for (std::size_t j = 0; j < entradas.size(); ++j) {
        const Entrada& e = entradas[j];
        if (e.usada || e.credito != l.credito || e.reg.cyValor != l.valor) continue;
        const long d = Distancia(e.reg.dmaLancamento, l.data);
        if (d > parametros.dias) continue;
        if (melhor == entradas.size() || d < melhorDistancia) {
          melhor = j;
          melhorDistancia = d;
        }
      }
      if (melhor == entradas.size()) continue;
      entradas[melhor].usada = true;
      linhaPareada[i] = true;
      pares.push_back({&l, {melhor}});
    }

    // One line against a combination of the entries left, the closest in date first.
    for (std::size_t i = 0; i < linhas.size(); ++i) {
      if (linhaPareada[i]) continue;
      const Linha& l = linhas[i];
      std::vector<std::size_t> candidatas;
      for (std::size_t j = 0; j < entradas.size(); ++j) {
        const Entrada& e = entradas[j];
        if (e.usada || e.credito != l.credito || e.reg.cyValor >= l.valor) continue;
        if (Distancia(e.reg.dmaLancamento, l.data) > parametros.dias) continue;
        candidatas.push_back(j);
      }
      if (candidatas.size() < 2) continue;
      std::stable_sort(candidatas.begin(), candidatas.end(), [&](std::size_t a, std::size_t b) {
        return Distancia(entradas[a].reg.dmaLancamento, l.data) < Distancia(entradas[b].reg.dmaLancamento, l.data);
      });
      if (candidatas.size() > static_cast<std::size_t>(parametros.maxCandidatos))
        candidatas.resize(static_cast<std::size_t>(parametros.maxCandidatos));

      Combinacao::Candidatos lista;
      for (std::size_t j : candidatas)
        lista.Add({static_cast<Combinacao::ULONG32>(j), static_cast<tagCY>(entradas[j].reg.cyValor)});
      CZQVector<Combinacao::ULONG32> escolhidas;
      const bool achou = static_cast<long>(candidatas.size()) <= parametros.limiteBacktracking
                             ? Combinacao::FindCombinacaoValoresBacktracking(lista, l.valor, escolhidas, 0, 0)
                             : Combinacao::FindCombinacaoValoresMeetInTheMiddle(lista, l.valor, escolhidas);
      if (!achou || escolhidas.GetQuantidade() == 0) continue;
      Par par{&l, {}};
      for (Combinacao::ULONG32 j : escolhidas) {
        entradas[j].usada = true;
        par.entradas.push_back(j);
      }
      linhaPareada[i] = true;
      pares.push_back(std::move(par));
    }

    CZQVector<CZQDadosCL_Extrato> extratosConciliados;
    CZQVector<CZQDadosFN_Tesouraria> entradasConciliadas;
    if (!pares.empty()) {
      CZQTransacaoSQL transacao(Banco());
      long long ultimo = 0;
      long long cc = conta;
      sql << "SELECT ultimo_numero FROM numero_conciliacao WHERE conta = :c", soci::use(cc), soci::into(ultimo);
      const bool temNumero = sql.got_data();
      uint32_t numero = temNumero ? Cabe<uint32_t>(ultimo, "numero_conciliacao.ultimo_numero") : 0;

      long long n = 0, posicao = 0;
      std::string tipo(1, kTipoConciliacaoServidor);
      soci::statement marcaLinha =
          (sql.prepare << "UPDATE extrato SET conciliado = 'S', tipo_conciliacao = :t, numero_conciliacao = :n"
                          " WHERE posicao = :p AND conciliado <> 'S'",
           soci::use(tipo), soci::use(n), soci::use(posicao));
      long long nEnt = 0, nSai = 0;
      std::string kEnt, kSai, estrutura;
      soci::statement marcaEntrada =
          (sql.prepare << "UPDATE tesouraria SET numero_conciliacao_ent = :ne, numero_conciliacao_sai = :ns,"
                          " conciliado_ent = :ke, conciliado_sai = :ks, estrutura = :e WHERE posicao = :p",
           soci::use(nEnt), soci::use(nSai), soci::use(kEnt), soci::use(kSai), soci::use(estrutura),
           soci::use(posicao));

      std::vector<ZQLogConciliacao> logs;
      for (const Par& par : pares) {
        n = ++numero;
        posicao = par.linha->posicao;
        marcaLinha.execute(true);
        if (marcaLinha.get_affected_rows() != 1) {
          throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO,
                              "a linha de extrato " + std::to_string(posicao) + " mudou durante a conciliação");
        }
        ZQLogConciliacao log;
        log.lNumeroConciliacao = numero;
        log.iTipoChaves = 0;
        log.iTipoConciliacao = kTipoLogServidor;
        log.lPonteiroBanco = conta;
        log.chavesExtrato.emplace_back(par.linha->data, par.linha->posicao);

        CZQDadosCL_Extrato linha;
        linha.SetConta(conta)
            .SetValor(par.linha->valor)
            .SetNatureza(par.linha->credito ? '+' : '-')
            .SetDmaExtrato(par.linha->data)
            .SetConciliado('S')
            .SetTipoConciliacao(kTipoConciliacaoServidor)
            .SetNumeroConciliacao(numero);
        linha.SetChaveRegistro(ZQMontaDmc(par.linha->data, par.linha->posicao));
        extratosConciliados.Add(linha);

        for (std::size_t j : par.entradas) {
          tagREG_TESOURARIAPS& reg = entradas[j].reg;
          if (entradas[j].credito) {
            reg.lNumeroConciliacaoEnt = numero;
            reg.cConciliadoEnt = 'S';
          } else {
            reg.lNumeroConciliacaoSai = numero;
            reg.cConciliadoSai = 'S';
          }
          nEnt = reg.lNumeroConciliacaoEnt;
          nSai = reg.lNumeroConciliacaoSai;
          kEnt = Car(reg.cConciliadoEnt);
          kSai = Car(reg.cConciliadoSai);
          estrutura = zq_sql::Hex(&reg, sizeof reg);
          posicao = reg.lPosicaoReg;
          marcaEntrada.execute(true);
          if (marcaEntrada.get_affected_rows() != 1) {
            throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO, "o lançamento de tesouraria " + std::to_string(posicao) +
                                                             " sumiu durante a conciliação");
          }
          log.chavesTesouraria.emplace_back(reg.lPosicaoReg, reg.dmaLancamento);
          entradasConciliadas.Add(CZQDadosFN_Tesouraria(reg));
        }
        logs.push_back(std::move(log));
      }

      long long ultimoNovo = numero;
      if (temNumero) {
        sql << "UPDATE numero_conciliacao SET ultimo_numero = :n WHERE conta = :c", soci::use(ultimoNovo),
            soci::use(cc);
      } else {
        sql << "INSERT INTO numero_conciliacao (conta, ultimo_numero) VALUES (:c, :n)", soci::use(cc),
            soci::use(ultimoNovo);
      }

      // The logs are the server's own: no company, user or session of a person.
      CZQFonteLancamentoSQL fonte(m_banco);
      const HRESULT hrLogs = fonte.GravaLogs(CZQString(), 0, 0, logs);
      if (FAILED(hrLogs)) {
        throw CZQExcecaoSQL(hrLogs, fonte.GetErro()->GetTextoMostraMensagem().str());
      }
      transacao.Confirma();
    }

    long restantes = 0;
    for (bool pareada : linhaPareada)
      if (!pareada) ++restantes;
    extratosRestantes = static_cast<int32_t>(restantes);
    resultado.Limpar();
    resultado.SetPonteiroConta(conta);
    resultado.SetQuantidadeConciliada(static_cast<uint32_t>(pares.size()));
    resultado.SetListaExtrato(extratosConciliados);
    resultado.SetListaTesouraria(entradasConciliadas);
    return S_OK;
  });
}
