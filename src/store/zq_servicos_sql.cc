// The reconciliation area's service configurations and execution records, the same for both services.
#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>

#include "frame/zq_data.h"
#include "frame/zq_relogio.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_consulta_preparada.h"
#include "store/zq_integracao_sql.h"
#include "store/zq_soci.h"
#include "store/zq_sql_util.h"
#include "store/zq_tesouraria_sql.h"

using zq_sql::Cabe;
using zq_sql::Car;
using zq_sql::E;
using zq_sql::TextoChave;

namespace {

// ---- service configurations, the same for both services ----

template <typename Configuracao>
void LeConfiguracaoSQL(soci::session& sql, const std::string& servico, const std::string& prefixo,
                       Configuracao& configuracao) {
  using Regra = typename Configuracao::Regra;
  configuracao.Limpar();
  long long alteracao = 0, usuario = 0;
  sql << "SELECT dma_hms_alteracao, usuario_alteracao FROM config_servico WHERE servico = :s", soci::use(servico),
      soci::into(alteracao), soci::into(usuario);
  if (sql.got_data()) {
    configuracao.SetDmaHmsAlteracao(alteracao);
    configuracao.SetUsuarioAlteracao(Cabe<uint16_t>(usuario, "config_servico.usuario_alteracao"));
  }

  std::map<long long, std::size_t> indice;
  CZQVector<Regra> regras;
  {
    long long id = 0, filial = 0, frequencia = 0, hms = 0, uteis = 0;
    soci::statement st =
        (sql.prepare << "SELECT id, filial, frequencia, hms_execucao, apenas_dias_uteis FROM " + prefixo +
                            "_regra ORDER BY id",
         soci::into(id), soci::into(filial), soci::into(frequencia), soci::into(hms), soci::into(uteis));
    st.execute(false);
    while (st.fetch()) {
      Regra regra;
      regra.SetPonteiroFilial(Cabe<uint32_t>(filial, "regra.filial"))
          .SetFrequencia(Cabe<uint8_t>(frequencia, "regra.frequencia"))
          .SetHmsExecucao(Cabe<REG_ZQHMS>(hms, "regra.hms_execucao"))
          .SetApenasDiasUteis(uteis != 0);
      indice[id] = static_cast<std::size_t>(regras.Add(regra));
    }
  }
  {
    long long regra = 0, conta = 0;
    soci::statement st = (sql.prepare << "SELECT regra, conta FROM " + prefixo + "_conta ORDER BY regra, ordem",
                          soci::into(regra), soci::into(conta));
    st.execute(false);
    while (st.fetch()) {
      auto it = indice.find(regra);
      if (it == indice.end()) continue;  // an account of a rule that is gone
      regras[it->second].AdicionaPonteiroContaBanco(Cabe<uint32_t>(conta, "conta.conta"));
    }
  }
  configuracao.SetListaRegras(regras);
}

template <typename Configuracao>
void GravaConfiguracaoSQL(CZQBancoSQL& banco, const std::string& servico, const std::string& prefixo,
                          const Configuracao& configuracao) {
  soci::session& sql = banco.Sessao();
  CZQTransacaoSQL transacao(banco);
  sql << "DELETE FROM config_servico WHERE servico = :s", soci::use(servico);
  sql << "DELETE FROM " + prefixo + "_conta";
  sql << "DELETE FROM " + prefixo + "_regra";
  long long alteracao = configuracao.GetDmaHmsAlteracao(), usuario = configuracao.GetUsuarioAlteracao();
  sql << "INSERT INTO config_servico (servico, dma_hms_alteracao, usuario_alteracao) VALUES (:s, :a, :u)",
      soci::use(servico), soci::use(alteracao), soci::use(usuario);
  long long id = 0;
  for (const auto& regra : configuracao.GetListaRegras()) {
    ++id;
    long long filial = regra.GetPonteiroFilial(), frequencia = regra.GetFrequencia(), hms = regra.GetHmsExecucao(),
              uteis = regra.GetApenasDiasUteis() ? 1 : 0;
    sql << "INSERT INTO " + prefixo +
               "_regra (id, filial, frequencia, hms_execucao, apenas_dias_uteis) VALUES (:i, :f, :q, :h, :u)",
        soci::use(id), soci::use(filial), soci::use(frequencia), soci::use(hms), soci::use(uteis);
    long long ordem = 0;
    for (uint32_t c : regra.GetListaPonteirosContaBanco()) {
      long long conta = c;
      sql << "INSERT INTO " + prefixo + "_conta (regra, ordem, conta) VALUES (:r, :o, :c)", soci::use(id),
          soci::use(ordem), soci::use(conta);
      ++ordem;
    }
  }
  transacao.Confirma();
}

// Ids of execution keys for an IN list, and the keys by id to check their dates.
std::vector<long long> IdsDasChaves(const CZQVector<REG_ZQDMC>& chaves) {
  std::vector<long long> ids;
  ids.reserve(static_cast<std::size_t>(chaves.GetQuantidade()));
  for (const REG_ZQDMC& c : chaves) ids.push_back(c.codigo);
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

}  // namespace

HRESULT CZQAcessoConciliacaoSQL::LeConfiguracaoServicoImportacaoExtratos(
    CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& configuracao, int) {
  return Executa("LeConfiguracaoServicoImportacaoExtratos", [&] {
    CZQDadosCL_ConfiguracaoServicoImportacaoExtratos lida;
    LeConfiguracaoSQL(Banco().Sessao(), "importacao", "config_importacao", lida);
    configuracao = lida;
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LeConfiguracaoConciliacaoTesourariaBanco(
    CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& configuracao, int) {
  return Executa("LeConfiguracaoConciliacaoTesourariaBanco", [&] {
    CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco lida;
    LeConfiguracaoSQL(Banco().Sessao(), "conciliacao", "config_conciliacao", lida);
    configuracao = lida;
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GravaConfiguracaoServicoImportacaoExtratos(
    const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& configuracao) {
  return Executa("GravaConfiguracaoServicoImportacaoExtratos", [&] {
    GravaConfiguracaoSQL(Banco(), "importacao", "config_importacao", configuracao);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GravaConfiguracaoConciliacaoTesourariaBanco(
    const CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& configuracao) {
  return Executa("GravaConfiguracaoConciliacaoTesourariaBanco", [&] {
    GravaConfiguracaoSQL(Banco(), "conciliacao", "config_conciliacao", configuracao);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GravaExecucaoConciliacaoTesourariaBanco(
    const CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& execucoes) {
  return Executa("GravaExecucaoConciliacaoTesourariaBanco", [&] {
    soci::session& sql = Banco().Sessao();
    CZQTransacaoSQL transacao(Banco());
    const long long gravacao = zq::Agora();  // when these records were written
    for (const auto& e : execucoes) {
      long long id = Banco().ProximoNumero("execucao_conciliacao", "id");
      long long data = zq::DmaDeDmaHms(e.GetDataHoraExecucao()), momento = e.GetDataHoraExecucao(),
                banco = e.GetPonteiroBanco(), filial = e.GetPonteiroFilial(), status = e.GetTipoStatus();
      const std::string mensagem = e.GetMensagemStatus().str();
      sql << "INSERT INTO execucao_conciliacao (id, data, data_hora_execucao, banco, filial, tipo_status, mensagem,"
             " dma_hms_gravacao) VALUES (:i, :d, :m, :b, :f, :s, :t, :g)",
          soci::use(id), soci::use(data), soci::use(momento), soci::use(banco), soci::use(filial), soci::use(status),
          soci::use(mensagem), soci::use(gravacao);
    }
    transacao.Confirma();
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::BuscaPonteirosExecucaoConciliacaoTesourariaBanco(
    const CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco& filtro, CZQVector<REG_ZQDMC>& chaves) {
  return Executa("BuscaPonteirosExecucaoConciliacaoTesourariaBanco", [&] {
    std::string condicao;
    if (filtro.GetDmaExecucaoInicial())
      condicao = E(condicao, "data >= " + std::to_string(filtro.GetDmaExecucaoInicial()));
    if (filtro.GetDmaExecucaoFinal()) condicao = E(condicao, "data <= " + std::to_string(filtro.GetDmaExecucaoFinal()));
    if (filtro.GetPonteiroFilial()) condicao = E(condicao, "filial = " + std::to_string(filtro.GetPonteiroFilial()));
    const auto& contas = filtro.GetListaPonteirosContaBanco().Std();
    if (!contas.empty()) {
      std::string ou;
      for (const std::string& em : zq_sql::CondicoesEm("banco", contas, Banco().GetBackend() == "postgresql")) {
        ou += (ou.empty() ? "" : " OR ") + em;
      }
      condicao = E(condicao, "(" + ou + ")");
    }
    CZQVector<REG_ZQDMC> lidas;
    long long id = 0, data = 0;
    soci::statement st = (Banco().Sessao().prepare << "SELECT id, data FROM execucao_conciliacao" +
                                                          (condicao.empty() ? "" : " WHERE " + condicao) +
                                                          " ORDER BY data_hora_execucao, id",
                          soci::into(id), soci::into(data));
    st.execute(false);
    while (st.fetch()) {
      lidas.Add(ZQMontaDmc(Cabe<REG_ZQDMA>(data, "execucao_conciliacao.data"),
                           Cabe<uint32_t>(id, "execucao_conciliacao.id")));
    }
    chaves = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LePonteirosExecucaoConciliacaoTesourariaBanco(
    const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& execucoes, int) {
  return Executa("LePonteirosExecucaoConciliacaoTesourariaBanco", [&] {
    std::unordered_map<long long, CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> achadas;
    for (const std::string& em :
         zq_sql::CondicoesEm("id", IdsDasChaves(chaves), Banco().GetBackend() == "postgresql")) {
      long long id = 0, data = 0, momento = 0, banco = 0, filial = 0, status = 0, gravacao = 0;
      std::string mensagem;
      soci::statement st =
          (Banco().Sessao().prepare << "SELECT id, data, data_hora_execucao, banco, filial, tipo_status, mensagem,"
                                       " dma_hms_gravacao FROM execucao_conciliacao WHERE " +
                                           em,
           soci::into(id), soci::into(data), soci::into(momento), soci::into(banco), soci::into(filial),
           soci::into(status), soci::into(mensagem), soci::into(gravacao));
      st.execute(false);
      while (st.fetch()) {
        CZQDadosCL_ExecucaoConciliacaoTesourariaBanco e;
        e.SetPonteiroBanco(Cabe<uint32_t>(banco, "execucao_conciliacao.banco"))
            .SetPonteiroFilial(Cabe<uint32_t>(filial, "execucao_conciliacao.filial"))
            .SetDataHoraExecucao(momento)
            .SetTipoStatus(Cabe<uint8_t>(status, "execucao_conciliacao.tipo_status"))
            .SetMensagemStatus(CZQString(mensagem))
            .SetDmaHmsGravacao(gravacao);
        e.SetChaveRegistro(ZQMontaDmc(Cabe<REG_ZQDMA>(data, "execucao_conciliacao.data"), static_cast<uint32_t>(id)));
        achadas.emplace(id, e);
      }
    }
    CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> lidas;
    for (const REG_ZQDMC& chave : chaves) {
      auto it = achadas.find(chave.codigo);
      if (it == achadas.end() || it->second.GetChave().dma != chave.dma) {
        throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO,
                            "não há execução do serviço de conciliação com a chave " + TextoChave(chave));
      }
      lidas.Add(it->second);
    }
    execucoes = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GravaExecucaoServicoImportacaoExtratos(
    CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& execucoes) {
  std::vector<REG_ZQDMC> chaves;
  std::vector<std::size_t> novas;  // per run, the entries before the ones this write adds
  // Every entry written here is stamped with the same moment of the product's clock.
  const long long gravacao = zq::Agora();
  const HRESULT hr = Executa("GravaExecucaoServicoImportacaoExtratos", [&] {
    soci::session& sql = Banco().Sessao();
    CZQTransacaoSQL transacao(Banco());
    for (const auto& e : execucoes) {
      long long id = e.GetChave().codigo, data = zq::DmaDeDmaHms(e.GetDmaHmsExecucao()),
                momento = e.GetDmaHmsExecucao(), ordem = 0;
      if (id == 0) {
        id = Banco().ProximoNumero("execucao_importacao", "id");
        sql << "INSERT INTO execucao_importacao (id, data, dma_hms_execucao) VALUES (:i, :d, :m)", soci::use(id),
            soci::use(data), soci::use(momento);
      } else {
        // A run's record grows as its accounts are done: only the new entries are written.
        long long guardada = 0;
        sql << "SELECT data FROM execucao_importacao WHERE id = :i", soci::use(id), soci::into(guardada);
        if (!sql.got_data() || guardada != e.GetChave().dma) {
          throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO,
                              "não há execução do serviço de importação com a chave " + TextoChave(e.GetChave()));
        }
        data = guardada;
        sql << "SELECT COUNT(*) FROM execucao_importacao_conta WHERE execucao = :i", soci::use(id), soci::into(ordem);
      }
      const auto& entradas = e.GetListaRegras().Std();
      novas.push_back(static_cast<std::size_t>(ordem));
      for (std::size_t i = static_cast<std::size_t>(ordem); i < entradas.size(); ++i, ++ordem) {
        const auto& r = entradas[i];
        long long filial = r.GetPonteiroFilial(), conta = r.GetPonteiroContaBanco(), status = r.GetTipoStatus(),
                  gravadas = r.GetQuantidadeGravadas(), recusadas = r.GetQuantidadeRecusadas();
        const std::string mensagem = r.GetMensagemStatus().str();
        sql << "INSERT INTO execucao_importacao_conta (execucao, ordem, filial, conta, tipo_status, mensagem,"
               " linhas_gravadas, linhas_recusadas, dma_hms_gravacao) VALUES (:e, :o, :f, :c, :s, :m, :g, :r, :q)",
            soci::use(id), soci::use(ordem), soci::use(filial), soci::use(conta), soci::use(status),
            soci::use(mensagem), soci::use(gravadas), soci::use(recusadas), soci::use(gravacao);
      }
      chaves.push_back(ZQMontaDmc(Cabe<REG_ZQDMA>(data, "execucao_importacao.data"), static_cast<uint32_t>(id)));
    }
    transacao.Confirma();
    return S_OK;
  });
  // Keys and moments only for a write that stood: an undone one leaves the records as they came.
  if (SUCCEEDED(hr)) {
    for (std::size_t i = 0; i < chaves.size(); ++i) {
      execucoes[i].SetChaveRegistro(chaves[i]);
      auto& entradas = execucoes[i].GetListaRegras().Std();
      for (std::size_t k = novas[i]; k < entradas.size(); ++k) entradas[k].SetDmaHmsGravacao(gravacao);
    }
  }
  return hr;
}

HRESULT CZQAcessoConciliacaoSQL::BuscaPonteirosExecucaoServicoImportacaoExtratos(
    const CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos& filtro, CZQVector<REG_ZQDMC>& chaves) {
  return Executa("BuscaPonteirosExecucaoServicoImportacaoExtratos", [&] {
    std::string condicao;
    if (filtro.GetDmaExecucaoInicial())
      condicao = E(condicao, "data >= " + std::to_string(filtro.GetDmaExecucaoInicial()));
    if (filtro.GetDmaExecucaoFinal()) condicao = E(condicao, "data <= " + std::to_string(filtro.GetDmaExecucaoFinal()));
    CZQVector<REG_ZQDMC> lidas;
    long long id = 0, data = 0;
    soci::statement st = (Banco().Sessao().prepare << "SELECT id, data FROM execucao_importacao" +
                                                          (condicao.empty() ? "" : " WHERE " + condicao) +
                                                          " ORDER BY dma_hms_execucao, id",
                          soci::into(id), soci::into(data));
    st.execute(false);
    while (st.fetch()) {
      lidas.Add(
          ZQMontaDmc(Cabe<REG_ZQDMA>(data, "execucao_importacao.data"), Cabe<uint32_t>(id, "execucao_importacao.id")));
    }
    chaves = std::move(lidas);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LePonteirosExecucaoServicoImportacaoExtratos(
    const CZQVector<REG_ZQDMC>& chaves, CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& execucoes, int flag) {
  return Executa("LePonteirosExecucaoServicoImportacaoExtratos", [&] {
    std::unordered_map<long long, CZQDadosCL_ExecucaoServicoImportacaoExtratos> achadas;
    const std::vector<long long> ids = IdsDasChaves(chaves);
    for (const std::string& lista : zq_sql::ListasIn(ids)) {
      long long id = 0, data = 0, momento = 0;
      soci::statement st = (Banco().Sessao().prepare << "SELECT id, data, dma_hms_execucao FROM execucao_importacao"
                                                        " WHERE id IN (" +
                                                            lista + ")",
                            soci::into(id), soci::into(data), soci::into(momento));
      st.execute(false);
      while (st.fetch()) {
        CZQDadosCL_ExecucaoServicoImportacaoExtratos e;
        e.SetDmaHmsExecucao(momento);
        e.SetChaveRegistro(ZQMontaDmc(Cabe<REG_ZQDMA>(data, "execucao_importacao.data"), static_cast<uint32_t>(id)));
        achadas.emplace(id, e);
      }
      if (flag != 1) continue;
      long long execucao = 0, filial = 0, conta = 0, status = 0, gravadas = 0, recusadas = 0, gravacao = 0;
      std::string mensagem;
      soci::statement entradas =
          (Banco().Sessao().prepare << "SELECT execucao, filial, conta, tipo_status, mensagem, linhas_gravadas,"
                                       " linhas_recusadas, dma_hms_gravacao FROM execucao_importacao_conta"
                                       " WHERE execucao IN (" +
                                           lista + ") ORDER BY execucao, ordem",
           soci::into(execucao), soci::into(filial), soci::into(conta), soci::into(status), soci::into(mensagem),
           soci::into(gravadas), soci::into(recusadas), soci::into(gravacao));
      entradas.execute(false);
      while (entradas.fetch()) {
        auto it = achadas.find(execucao);
        if (it == achadas.end()) continue;
        CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra r;
        r.SetPonteiroFilial(Cabe<uint32_t>(filial, "execucao_importacao_conta.filial"))
            .SetPonteiroContaBanco(Cabe<uint32_t>(conta, "execucao_importacao_conta.conta"))
            .SetTipoStatus(Cabe<uint8_t>(status, "execucao_importacao_conta.tipo_status"))
            .SetMensagemStatus(CZQString(mensagem))
            .SetQuantidadeGravadas(Cabe<uint32_t>(gravadas, "execucao_importacao_conta.linhas_gravadas"))
            .SetQuantidadeRecusadas(Cabe<uint32_t>(recusadas, "execucao_importacao_conta.linhas_recusadas"))
            .SetDmaHmsGravacao(gravacao);
        it->second.AdicionaRegra(r);
      }
    }
    CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> lidas;
    for (const REG_ZQDMC& chave : chaves) {
      auto it = achadas.find(chave.codigo);
      if (it == achadas.end() || it->second.GetChave().dma != chave.dma) {
        throw CZQExcecaoSQL(ZQ_E_SQL_NAO_ENCONTRADO,
                            "não há execução do serviço de importação com a chave " + TextoChave(chave));
      }
      lidas.Add(it->second);
    }
    execucoes = std::move(lidas);
    return S_OK;
  });
}
