#include "store/zq_componentes_erp_sql.h"

#include <cstring>
#include <string>

#include "store/zq_soci.h"
#include "store/zq_sql_util.h"

using zq_sql::Cabe;

HRESULT CZQFontePlanoContasSQL::LeConta(uint32_t posicao, _RegContaPS* conta) {
  if (!conta) return ZQPreencheErroSQL(m_erro, "LeConta", {E_POINTER, "registro nulo"});
  std::memset(conta, 0, sizeof *conta);
  return ZQExecutaSQL(*m_banco, m_erro, "LeConta", [&] {
    const ContaLida* lida = m_lidas.AchaOuLe(*m_banco, posicao, [&](ContaLida& v) {
      m_leConta.valores.posicao = posicao;
      if (!m_leConta.Executa(m_banco->Sessao(), [](soci::session& sql, ContaLida& l) {
            return soci::statement((sql.prepare << "SELECT codigo_proprio, codigo_usado, nome, tipo, inativa"
                                                   " FROM plano_empresarial WHERE ponteiro = :p",
                                    soci::use(l.posicao), soci::into(l.codigoProprio), soci::into(l.codigoUsado),
                                    soci::into(l.nome), soci::into(l.tipo), soci::into(l.inativa)));
          }))
        return false;
      v = m_leConta.valores;
      return true;
    });
    if (!lida) {
      return ZQPreencheErroSQL(
          m_erro, "LeConta",
          {ZQ_E_SQL_NAO_ENCONTRADO, "a conta " + std::to_string(posicao) + " não está no plano de contas"});
    }
    const ContaLida& v = *lida;
    conta->lPosicao = posicao;
    conta->szCodigoProprio.Set(CZQString(v.codigoProprio));
    conta->szCodigoUsado.Set(CZQString(v.codigoUsado));
    conta->szNome.Set(CZQString(v.nome));
    conta->ucTipo = static_cast<uint8_t>(v.tipo.empty() ? '\0' : v.tipo[0]);
    conta->ucInativa = v.inativa ? 1 : 0;
    conta->ucInutilizavel = (v.tipo != "A" || v.inativa) ? 1 : 0;
    return S_OK;
  });
}

HRESULT CZQFonteTransacoesSQL::LeTransacao(uint16_t codigo, REG_TRANSACAO* transacao) {
  if (!transacao) return ZQPreencheErroSQL(m_erro, "LeTransacao", {E_POINTER, "registro nulo"});
  std::memset(transacao, 0, sizeof *transacao);
  return ZQExecutaSQL(*m_banco, m_erro, "LeTransacao", [&] {
    long long c = codigo;
    std::string descricao;
    m_banco->Sessao() << "SELECT descricao FROM transacao_tesouraria WHERE codigo = :c", soci::use(c),
        soci::into(descricao);
    if (!m_banco->Sessao().got_data()) {
      return ZQPreencheErroSQL(
          m_erro, "LeTransacao",
          {ZQ_E_SQL_NAO_ENCONTRADO, "a transação " + std::to_string(codigo) + " não está cadastrada"});
    }
    transacao->iCodigo = codigo;
    transacao->szDescricao.Set(CZQString(descricao));
    return S_OK;
  });
}

HRESULT CZQFonteTransacoesSQL::GravaTransacao(uint16_t codigo, const CZQString& descricao) {
  if (codigo == 0) {
    return ZQPreencheErroSQL(m_erro, "GravaTransacao", {ZQ_E_SQL_INVALIDO, "a transação 0 não existe"});
  }
  if (static_cast<std::size_t>(descricao.GetLength()) > decltype(REG_TRANSACAO::szDescricao)::Capacidade()) {
    return ZQPreencheErroSQL(m_erro, "GravaTransacao",
                             {ZQ_E_SQL_INVALIDO, "o nome da transação " + std::to_string(codigo) + " é longo demais"});
  }
  return ZQExecutaSQL(*m_banco, m_erro, "GravaTransacao", [&] {
    long long c = codigo;
    std::string texto = descricao.str();
    CZQTransacaoSQL transacao(*m_banco);
    m_banco->Sessao() << "DELETE FROM transacao_tesouraria WHERE codigo = :c", soci::use(c);
    m_banco->Sessao() << "INSERT INTO transacao_tesouraria (codigo, descricao) VALUES (:c, :d)", soci::use(c),
        soci::use(texto);
    transacao.Confirma();
    return S_OK;
  });
}

void ZQInstalaComponentesERPSQL(std::shared_ptr<CZQBancoSQL> banco) {
  ZQDefineFabricaPlanoContas([banco](const ZQParametrosPlanoContas&) -> std::unique_ptr<IZQFontePlanoContas> {
    return std::make_unique<CZQFontePlanoContasSQL>(banco);
  });
  ZQDefineFabricaTransacoes([banco](const IZQDF_Profiler&) -> std::unique_ptr<IZQFonteTransacoes> {
    return std::make_unique<CZQFonteTransacoesSQL>(banco);
  });
}

void ZQRemoveComponentesERPSQL() {
  ZQDefineFabricaPlanoContas(nullptr);
  ZQDefineFabricaTransacoes(nullptr);
}
