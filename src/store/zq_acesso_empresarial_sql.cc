#include "store/zq_acesso_sql.h"
#include "store/zq_soci.h"
#include "store/zq_sql_util.h"

using zq_sql::Cabe;
using zq_sql::Car;

HRESULT CZQAcessoEmpresarialSQL::LeBufferFormaPagamento(uint32_t posicao, CZQDadosDF_FormaPagamento* formaPagamento,
                                                        int) {
  if (!formaPagamento) return Falha("LeBufferFormaPagamento", E_POINTER, "registro nulo");
  return Executa("LeBufferFormaPagamento", [&] {
    long long p = posicao, inativa = 0;
    std::string descricao;
    Banco().Sessao() << "SELECT descricao, inativa FROM forma_pagamento WHERE posicao = :p", soci::use(p),
        soci::into(descricao), soci::into(inativa);
    if (!Banco().Sessao().got_data()) {
      return Falha("LeBufferFormaPagamento", ZQ_E_SQL_NAO_ENCONTRADO,
                   "a forma de pagamento " + std::to_string(posicao) + " não está cadastrada");
    }
    formaPagamento->Limpar();
    formaPagamento->SetPosicao(posicao).SetDescricao(CZQString(descricao)).SetInativa(inativa ? 1 : 0);
    return S_OK;
  });
}

HRESULT CZQAcessoEmpresarialSQL::LeDadosBanco(const char* operacao, uint32_t conta, CZQDadosDF_Banco* banco) {
  if (!banco) return Falha(operacao, E_POINTER, "registro nulo");
  return Executa(operacao, [&] {
    BancoLido& v = m_leBanco.valores;
    v.conta = conta;
    const bool achou = m_leBanco.Executa(Banco().Sessao(), [](soci::session& sql, BancoLido& l) {
      return soci::statement((sql.prepare
                                  << "SELECT numero_banco, numero_agencia, conta_corrente, integrar_com_terceiro,"
                                     " tipo_operacao, ambiente_integracao, ambiente_integracao_bb_extrato,"
                                     " leiaute_arquivo FROM banco WHERE conta = :c",
                              soci::use(l.conta), soci::into(l.numero), soci::into(l.agencia),
                              soci::into(l.contaCorrente), soci::into(l.integrar), soci::into(l.operacoes),
                              soci::into(l.ambiente), soci::into(l.ambienteBB), soci::into(l.leiaute)));
    });
    if (!achou) {
      return Falha(operacao, ZQ_E_SQL_NAO_ENCONTRADO,
                   "a conta " + std::to_string(conta) + " não tem dados de banco cadastrados");
    }
    banco->Limpar();
    banco->SetPonteiroConta(conta)
        .SetCodigoBanco(Cabe<uint16_t>(v.numero, "banco.numero_banco"))
        .SetNumeroAgencia(CZQString(v.agencia))
        .SetContaCorrente(CZQString(v.contaCorrente))
        .SetIntegrarComTerceiro(
            static_cast<ZQIntegrarComTerceiro>(Cabe<uint8_t>(v.integrar, "banco.integrar_com_terceiro")))
        .SetTipoOperacao(static_cast<ZQTipoOperacaoBanco>(Cabe<uint32_t>(v.operacoes, "banco.tipo_operacao")))
        .SetAmbienteIntegracao(
            static_cast<ZQAmbienteIntegracao>(Cabe<uint8_t>(v.ambiente, "banco.ambiente_integracao")))
        .SetAmbienteIntegracaoBBExtrato(
            static_cast<ZQAmbienteIntegracao>(Cabe<uint8_t>(v.ambienteBB, "banco.ambiente_integracao_bb_extrato")))
        .SetPosicaoLeiauteArquivo(Cabe<int32_t>(v.leiaute, "banco.leiaute_arquivo"));
    return S_OK;
  });
}

HRESULT CZQAcessoEmpresarialSQL::LeBanco(const uint32_t& conta, CZQDadosDF_Banco* banco, int) {
  return LeDadosBanco("LeBanco", conta, banco);
}

HRESULT CZQAcessoEmpresarialSQL::LeBufferBanco(uint32_t conta, CZQDadosDF_Banco* banco, int) {
  return LeDadosBanco("LeBufferBanco", conta, banco);
}

HRESULT CZQAcessoEmpresarialSQL::LeConta(const char* operacao, const char* tabela, uint32_t conta,
                                         CZQDadosDF_PlanoEmpresarial* plano) {
  if (!plano) return Falha(operacao, E_POINTER, "registro nulo");
  return Executa(operacao, [&] {
    const bool gerencial = std::string(tabela) == "plano_gerencial";
    TZQConsultaPreparada<ContaLida>& consulta = gerencial ? m_leGerencial : m_leContabil;
    TZQLembradoNaTransacao<uint32_t, ContaLida>& lidas = gerencial ? m_gerenciaisLidas : m_contasLidas;
    const ContaLida* lida = lidas.AchaOuLe(Banco(), conta, [&](ContaLida& v) {
      consulta.valores.posicao = conta;
      if (!consulta.Executa(Banco().Sessao(), [&](soci::session& sql, ContaLida& l) {
            return soci::statement(
                (sql.prepare << std::string("SELECT codigo_proprio, codigo_usado, nome, tipo, inativa, ") +
                                    (gerencial ? "''" : "tipo_banco") + " FROM " + tabela + " WHERE ponteiro = :c",
                 soci::use(l.posicao), soci::into(l.codigoProprio), soci::into(l.codigoUsado), soci::into(l.nome),
                 soci::into(l.tipo), soci::into(l.inativa), soci::into(l.tipoBanco, l.indTipoBanco)));
          }))
        return false;
      v = consulta.valores;
      return true;
    });
    if (!lida) {
      return Falha(operacao, ZQ_E_SQL_NAO_ENCONTRADO,
                   std::string(gerencial ? "a conta gerencial " : "a conta ") + std::to_string(conta) +
                       " não está no plano de contas");
    }
    const ContaLida& v = *lida;
    plano->Limpar();
    plano->SetPosicao(conta)
        .SetCodigoProprio(CZQString(v.codigoProprio))
        .SetCodigoUsado(CZQString(v.codigoUsado))
        .SetNome(CZQString(v.nome))
        .SetTipo(static_cast<uint8_t>(Car(v.tipo)))
        .SetInativa(v.inativa ? 1 : 0)
        .SetTipoBanco(v.indTipoBanco == soci::i_ok ? Car(v.tipoBanco) : '\0');
    return S_OK;
  });
}

HRESULT CZQAcessoEmpresarialSQL::LeBufferPlanoContabil(uint32_t conta, CZQDadosDF_PlanoEmpresarial* plano, int) {
  return LeConta("LeBufferPlanoContabil", "plano_empresarial", conta, plano);
}

HRESULT CZQAcessoEmpresarialSQL::LePlanoGerencial(uint32_t conta, CZQDadosDF_PlanoEmpresarial* plano, int) {
  return LeConta("LePlanoGerencial", "plano_gerencial", conta, plano);
}

HRESULT CZQAcessoEmpresarialSQL::LeBufferHistorico(uint32_t historico, CZQDadosDF_Historico* dadosHistorico, int) {
  if (!dadosHistorico) return Falha("LeBufferHistorico", E_POINTER, "registro nulo");
  return Executa("LeBufferHistorico", [&] {
    long long codigo = historico;
    std::string nome;
    Banco().Sessao() << "SELECT nome FROM historico WHERE codigo = :c", soci::use(codigo), soci::into(nome);
    if (!Banco().Sessao().got_data()) {
      return Falha("LeBufferHistorico", ZQ_E_SQL_NAO_ENCONTRADO,
                   "o histórico " + std::to_string(historico) + " não está cadastrado");
    }
    dadosHistorico->Limpar();
    dadosHistorico->SetPosicao(historico).SetNome(CZQString(nome));
    return S_OK;
  });
}

HRESULT CZQAcessoEmpresarialSQL::LeBufferPeriodoContabil(CZQDadosDF_PeriodoContabil* periodo, int) {
  if (!periodo) return Falha("LeBufferPeriodoContabil", E_POINTER, "registro nulo");
  return Executa("LeBufferPeriodoContabil", [&] {
    long long inferior = 0, superior = 0, mes = 0;
    Banco().Sessao() << "SELECT data_inferior_movimentacao, data_superior_movimentacao, mes_bloqueio"
                        " FROM periodo_contabil WHERE id = 1",
        soci::into(inferior), soci::into(superior), soci::into(mes);
    if (!Banco().Sessao().got_data()) {
      return Falha("LeBufferPeriodoContabil", ZQ_E_SQL_NAO_ENCONTRADO, "o período contábil não está cadastrado");
    }
    periodo->Limpar();
    periodo->SetDataInferiorMovimentacao(Cabe<REG_ZQDMA>(inferior, "periodo_contabil.data_inferior_movimentacao"))
        .SetDataSuperiorMovimentacao(Cabe<REG_ZQDMA>(superior, "periodo_contabil.data_superior_movimentacao"))
        .SetMesBloqueio(Cabe<uint16_t>(mes, "periodo_contabil.mes_bloqueio"));
    return S_OK;
  });
}

HRESULT CZQAcessoEmpresarialSQL::BuscaFeriadosFilial(uint32_t filial, CZQVector<CZQDadosDF_Feriado>& feriados) {
  return Executa("BuscaFeriadosFilial", [&] {
    long long f = filial, data = 0, anual = 0;
    std::string descricao;
    soci::statement st = (Banco().Sessao().prepare << "SELECT data, anual, descricao FROM feriado_filial"
                                                      " WHERE filial = :f ORDER BY data",
                          soci::use(f), soci::into(data), soci::into(anual), soci::into(descricao));
    st.execute(false);
    CZQVector<CZQDadosDF_Feriado> lidos;
    while (st.fetch()) {
      CZQDadosDF_Feriado feriado;
      feriado.SetPonteiroFilial(filial)
          .SetDataFeriado(Cabe<REG_ZQDMA>(data, "feriado_filial.data"))
          .SetAnual(anual != 0)
          .SetDescricao(CZQString(descricao));
      lidos.Add(feriado);
    }
    feriados = std::move(lidos);
    return S_OK;
  });
}
