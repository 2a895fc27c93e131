#include "store/zq_analytics_sql.h"

#include <string>

#include "store/zq_soci.h"
#include "store/zq_sql_util.h"

namespace {

// The analytics keep a table of their own, made on first use; the module's tables and
// their versions are not theirs to change.
void CriaTabela(CZQBancoSQL& banco) {
  banco.Sessao() << "CREATE TABLE IF NOT EXISTS evento_analytics ("
                    " id BIGINT NOT NULL PRIMARY KEY, evento BIGINT NOT NULL, empresa TEXT NOT NULL,"
                    " usuario BIGINT NOT NULL, sessao BIGINT NOT NULL, dma_hms_evento BIGINT NOT NULL)";
}

}  // namespace

HRESULT CZQDestinoAnalyticsSQL::Grava(const ZQEventoAnalytics& evento) {
  return ZQExecutaSQL(*m_banco, m_erro, "GravaEventoAnalytics", [&] {
    if (!m_bTabelaCriada) {
      CriaTabela(*m_banco);
      m_bTabelaCriada = true;
    }
    CZQTransacaoSQL transacao(*m_banco);
    long long id = m_banco->ProximoNumero("evento_analytics", "id");
    long long numero = evento.ulEvento, usuario = evento.usUsuario,
              sessao = static_cast<long long>(evento.ulNumeroSessao), momento = evento.dmaHmsEvento;
    std::string empresa = evento.sEmpresa.str();
    m_banco->Sessao() << "INSERT INTO evento_analytics (id, evento, empresa, usuario, sessao, dma_hms_evento)"
                         " VALUES (:i, :e, :m, :u, :s, :d)",
        soci::use(id), soci::use(numero), soci::use(empresa), soci::use(usuario), soci::use(sessao), soci::use(momento);
    transacao.Confirma();
    return S_OK;
  });
}

HRESULT CZQDestinoAnalyticsSQL::LeEventos(std::vector<ZQEventoAnalytics>& eventos) {
  return ZQExecutaSQL(*m_banco, m_erro, "LeEventosAnalytics", [&] {
    CriaTabela(*m_banco);
    long long numero = 0, usuario = 0, sessao = 0, momento = 0;
    std::string empresa;
    soci::statement st =
        (m_banco->Sessao().prepare << "SELECT evento, empresa, usuario, sessao, dma_hms_evento"
                                      " FROM evento_analytics ORDER BY id",
         soci::into(numero), soci::into(empresa), soci::into(usuario), soci::into(sessao), soci::into(momento));
    st.execute(false);
    std::vector<ZQEventoAnalytics> lidos;
    while (st.fetch()) {
      ZQEventoAnalytics e;
      e.ulEvento = static_cast<uint32_t>(numero);
      e.sEmpresa = CZQString(empresa);
      e.usUsuario = static_cast<unsigned short>(usuario);
      e.ulNumeroSessao = static_cast<unsigned long>(sessao);
      e.dmaHmsEvento = momento;
      lidos.push_back(std::move(e));
    }
    eventos = std::move(lidos);
    return S_OK;
  });
}

void ZQInstalaAnalyticsSQL(std::shared_ptr<CZQBancoSQL> banco) {
  // The writer runs on a thread of its own. On PostgreSQL it gets a connection of its
  // own too: libpq's connection is one conversation, and the routines' statements are
  // deallocated (as their objects go) outside the connection's lock, which would cut
  // into the writer's transaction. Without a second connection it shares the first.
  if (banco && banco->GetBackend() == "postgresql") {
    std::shared_ptr<CZQBancoSQL> propria;
    CZQDadosDF_Erro erro;
    if (SUCCEEDED(CZQBancoSQL::Abre(banco->GetConexao(), propria, erro))) banco = std::move(propria);
  }
  ZQDefineDestinoAnalytics(std::make_shared<CZQDestinoAnalyticsSQL>(std::move(banco)));
}

void ZQRemoveAnalyticsSQL() { ZQDefineDestinoAnalytics(nullptr); }
