#include "store/zq_historico_sql.h"

#include <cstdio>
#include <map>

#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "store/zq_soci.h"

const char* ZQNomeTipoConciliacao(long long tipo) {
  switch (tipo) {
    case 1:
      return "automática";
    case 2:
      return "lançamento automático";
    case 3:
      return "manual";
    default:
      return "?";
  }
}

std::string ZQMomentoHistorico(long long momento) {
  if (momento == 0) return "-";
  const auto stamp = static_cast<REG_ZQDMAHMSUTC>(momento);
  int h = 0, m = 0, s = 0;
  zq::DesmontaHms(zq::HmsDeDmaHms(stamp), h, m, s);
  char hora[16];
  std::snprintf(hora, sizeof hora, " %02d:%02d:%02d", h, m, s);
  return ZQDataTexto(zq::DmaDeDmaHms(stamp)) + hora;
}

std::vector<ZQConciliacaoHistorico> ZQLeHistoricoConciliacoes(CZQBancoSQL& banco, uint32_t contaPedida) {
  std::lock_guard<std::recursive_mutex> trava(banco.Trava());
  soci::session& sql = banco.Sessao();
  long long conta = contaPedida;
  // One entry per number: its first log says who made it; the keys of all its logs count
  // its items (a posting run may log one number in several steps).
  std::map<long long, ZQConciliacaoHistorico> porNumero;
  ZQConciliacaoHistorico c;
  long long id = 0;
  soci::statement logs = (sql.prepare << "SELECT id, numero_conciliacao, tipo_conciliacao, usuario, sessao, quando"
                                         " FROM log_conciliacao WHERE banco = :b ORDER BY numero_conciliacao, id",
                          soci::use(conta), soci::into(id), soci::into(c.numero), soci::into(c.tipo),
                          soci::into(c.usuario), soci::into(c.sessao), soci::into(c.quando));
  logs.execute();
  while (logs.fetch()) porNumero.try_emplace(c.numero, c);
  long long numero = 0, linhas = 0, entradas = 0;
  soci::statement itens =
      (sql.prepare << "SELECT l.numero_conciliacao, SUM(CASE WHEN k.lado = 'E' THEN 1 ELSE 0 END),"
                      " SUM(CASE WHEN k.lado = 'T' THEN 1 ELSE 0 END) FROM log_conciliacao l"
                      " JOIN log_conciliacao_chave k ON k.log = l.id WHERE l.banco = :b GROUP BY l.numero_conciliacao",
       soci::use(conta), soci::into(numero), soci::into(linhas), soci::into(entradas));
  itens.execute();
  while (itens.fetch()) {
    if (auto it = porNumero.find(numero); it != porNumero.end()) {
      it->second.linhas = linhas;
      it->second.entradas = entradas;
    }
  }
  long long n = 0;
  ZQDesfeitaHistorico d;
  soci::statement desfeitas = (sql.prepare << "SELECT numero_conciliacao, quando, usuario, sessao, motivo FROM"
                                              " conciliacao_desfeita WHERE banco = :b ORDER BY id",
                               soci::use(conta), soci::into(n), soci::into(d.quando), soci::into(d.usuario),
                               soci::into(d.sessao), soci::into(d.motivo));
  desfeitas.execute();
  while (desfeitas.fetch()) {
    ZQConciliacaoHistorico& h = porNumero[n];
    h.numero = n;
    h.desfeitas.push_back(d);
  }
  std::vector<ZQConciliacaoHistorico> lista;
  lista.reserve(porNumero.size());
  for (auto& [k, v] : porNumero) lista.push_back(std::move(v));
  return lista;
}

std::vector<ZQLeiauteImportacao> ZQLeLeiautesImportacao(CZQBancoSQL& banco) {
  std::lock_guard<std::recursive_mutex> trava(banco.Trava());
  std::vector<ZQLeiauteImportacao> lista;
  ZQLeiauteImportacao l;
  soci::statement st =
      (banco.Sessao().prepare << "SELECT posicao, descricao, tipo_arquivo FROM leiaute ORDER BY posicao",
       soci::into(l.posicao), soci::into(l.descricao), soci::into(l.tipo));
  st.execute();
  while (st.fetch()) lista.push_back(l);
  return lista;
}
