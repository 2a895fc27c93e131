#include "store/zq_acesso_sql.h"

#include "store/zq_componentes_erp_sql.h"
#include "store/zq_integracao_sql.h"
#include "store/zq_soci.h"
#include "store/zq_sql_util.h"

using zq_sql::Cabe;

HRESULT CZQAcessoContabilSQL::LeBufferMestreEmpresa(CZQDadosCN_MestreEmpresa* mestre, int) {
  if (!mestre) return Falha("LeBufferMestreEmpresa", E_POINTER, "registro nulo");
  return Executa("LeBufferMestreEmpresa", [&] {
    long long inferior = 0, superior = 0;
    std::string nome, documento;
    Banco().Sessao() << "SELECT e.nome, e.documento, m.data_inferior_lancamento, m.data_superior_lancamento"
                        " FROM mestre_empresa m, empresa e WHERE m.id = 1 AND e.id = 1",
        soci::into(nome), soci::into(documento), soci::into(inferior), soci::into(superior);
    if (!Banco().Sessao().got_data()) {
      return Falha("LeBufferMestreEmpresa", ZQ_E_SQL_NAO_ENCONTRADO,
                   "o mestre contábil da empresa não está cadastrado");
    }
    mestre->Limpar();
    mestre->SetRazaoSocial(CZQString(nome))
        .SetCnpj(CZQString(documento))
        .SetDataInferiorLancamento(Cabe<REG_ZQDMA>(inferior, "mestre_empresa.data_inferior_lancamento"))
        .SetDataSuperiorLancamento(Cabe<REG_ZQDMA>(superior, "mestre_empresa.data_superior_lancamento"));
    return S_OK;
  });
}

HRESULT CZQAcessoIntegracaoSQL::GetIDFIntegracaoTransacao(CZQComPtr<IZQDF_IntegracaoTransacao>& integracao) {
  m_erro.Limpar();
  integracao = ZQNovaIntegracaoTransacaoSQL(m_banco);
  return S_OK;
}

CZQAcessoServidoresSQL::CZQAcessoServidoresSQL(std::shared_ptr<CZQBancoSQL> banco)
    : m_banco(banco),
      m_conciliacao(banco),
      m_empresarial(banco),
      m_financeiro(banco),
      m_contabil(banco),
      m_integracao(banco) {}

CZQAcessoServidoresSQL::~CZQAcessoServidoresSQL() {
  m_banco->Trava().lock();
  m_destravador.trava = &m_banco->Trava();
}

HRESULT ZQInstalaArmazemSQL(const std::string& conexao, CZQDadosDF_Erro& erro, std::shared_ptr<CZQBancoSQL>* aberto) {
  std::shared_ptr<CZQBancoSQL> banco;
  HRESULT hr = CZQBancoSQL::Abre(conexao.empty() ? CZQBancoSQL::ConexaoConfigurada() : conexao, banco, erro);
  if (FAILED(hr)) return hr;
  if (aberto) *aberto = banco;
  ZQDefineFabricaAcessoServidores([banco](const IZQDF_Profiler&) -> std::unique_ptr<CZQAcessoServidores> {
    return std::make_unique<CZQAcessoServidoresSQL>(banco);
  });
  ZQInstalaComponentesERPSQL(banco);
  ZQInstalaComponentesLancamentoSQL(banco);
  return S_OK;
}

void ZQRemoveArmazemSQL() {
  ZQDefineFabricaAcessoServidores(nullptr);
  ZQRemoveComponentesERPSQL();
  ZQRemoveComponentesLancamentoSQL();
}
