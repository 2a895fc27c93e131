// The reconciliation area's posting rules and layouts, and the servers that hand them out.
#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>

#include "frame/zq_data.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_consulta_preparada.h"
#include "store/zq_integracao_sql.h"
#include "store/zq_soci.h"
#include "store/zq_sql_util.h"
#include "store/zq_tesouraria_sql.h"

using zq_sql::Cabe;
using zq_sql::Car;

namespace {

// ---- the posting rules and layout servers ----

constexpr std::size_t kReservadoRegra1 = sizeof(_REG_PROP_CONC_TESBAN_PS::reservado68);
constexpr std::size_t kReservadoRegra2 = sizeof(_REG_PROP_CONC_TESBAN_PS::reservado108);

class CZQMestreCLSQL : public TZQRefCounted<IZQCL_Mestre> {
 public:
  explicit CZQMestreCLSQL(std::shared_ptr<CZQBancoSQL> banco) : m_banco(std::move(banco)) {}

  HRESULT BuscaQuantProTesBan(uint16_t* quantidade) override {
    if (!quantidade) return E_POINTER;
    CZQDadosDF_Erro erro;
    return ZQExecutaSQL(*m_banco, erro, "BuscaQuantProTesBan", [&] {
      long long n = 0;
      m_banco->Sessao() << "SELECT COUNT(*) FROM regra_lancamento", soci::into(n);
      *quantidade = Cabe<uint16_t>(n, "regra_lancamento (quantidade)");
      return S_OK;
    });
  }

  HRESULT BuscaRegistrosTesBan(uint16_t quantidade, _REG_PROP_CONC_TESBAN_PS* registros) override {
    if (quantidade == 0) return S_OK;
    if (!registros) return E_POINTER;
    CZQDadosDF_Erro erro;
    return ZQExecutaSQL(*m_banco, erro, "BuscaRegistrosTesBan", [&] {
      std::string codigo, historico, agrupa, reservado;
      long long transacao = 0, forma = 0, complemento = 0, contabilSaida = 0, historicoPadrao = 0, formaSaida = 0,
                contabilEntrada = 0, classificacao = 0, contrapartida = 0, conta = 0;
      soci::statement st =
          (m_banco->Sessao().prepare << "SELECT codigo_mvto_bco, historico_bco, agrupa, transacao, forma_pagamento,"
                                        " compl_historico, contabil_saida, historico, forma_pagamento_saida,"
                                        " contabil_entrada, classificacao, conta_contrapartida, conta, reservado"
                                        " FROM regra_lancamento ORDER BY posicao",
           soci::into(codigo), soci::into(historico), soci::into(agrupa), soci::into(transacao), soci::into(forma),
           soci::into(complemento), soci::into(contabilSaida), soci::into(historicoPadrao), soci::into(formaSaida),
           soci::into(contabilEntrada), soci::into(classificacao), soci::into(contrapartida), soci::into(conta),
           soci::into(reservado));
      st.execute(false);
      for (uint16_t i = 0; i < quantidade && st.fetch(); ++i) {
        _REG_PROP_CONC_TESBAN_PS r{};
        r.szCodigoMvtoBco.Set(CZQString(codigo));
        r.szHistoricoBco.Set(CZQString(historico));
        r.cAgrupa = Car(agrupa);
        r.iTransacao = Cabe<uint16_t>(transacao, "regra_lancamento.transacao");
        r.iPosFormaPagamento = Cabe<uint16_t>(forma, "regra_lancamento.forma_pagamento");
        r.iComplHistorico = Cabe<uint16_t>(complemento, "regra_lancamento.compl_historico");
        r.iContabilSaida = Cabe<uint16_t>(contabilSaida, "regra_lancamento.contabil_saida");
        r.lHistorico = Cabe<uint16_t>(historicoPadrao, "regra_lancamento.historico");
        r.iPosFormaPagamentoSaida = Cabe<uint16_t>(formaSaida, "regra_lancamento.forma_pagamento_saida");
        r.iContabilEntrada = Cabe<uint16_t>(contabilEntrada, "regra_lancamento.contabil_entrada");
        r.lPosClassificacao = Cabe<uint32_t>(classificacao, "regra_lancamento.classificacao");
        r.lContaContrapartida = Cabe<uint32_t>(contrapartida, "regra_lancamento.conta_contrapartida");
        r.lPonteiroConta = Cabe<uint32_t>(conta, "regra_lancamento.conta");
        unsigned char bytes[kReservadoRegra1 + kReservadoRegra2];
        if (!zq_sql::DeHex(reservado, bytes, sizeof bytes)) {
          throw CZQExcecaoSQL(ZQ_E_SQL_CORROMPIDO, "bytes reservados ilegíveis numa regra de lançamento");
        }
        std::copy(bytes, bytes + kReservadoRegra1, r.reservado68);
        std::copy(bytes + kReservadoRegra1, bytes + sizeof bytes, r.reservado108);
        registros[i] = r;
      }
      return S_OK;
    });
  }

 private:
  std::shared_ptr<CZQBancoSQL> m_banco;
};

constexpr std::size_t kReservadoLeiaute = sizeof(RegLeiauteps::reservado6);

// Reads the layout at a position; false when there is none.
bool LeLeiauteSQL(soci::session& sql, int32_t posicao, RegLeiauteps& reg) {
  std::string descricao, reservado;
  long long separador = 0, tipo = 0, cabecalho = 0, rodape = 0;
  soci::indicator ind = soci::i_ok;
  long long p = posicao;
  sql << "SELECT descricao, separador, tipo_arquivo, linhas_cabecalho, linhas_rodape, reservado FROM leiaute"
         " WHERE posicao = :p",
      soci::use(p), soci::into(descricao, ind), soci::into(separador), soci::into(tipo), soci::into(cabecalho),
      soci::into(rodape), soci::into(reservado);
  if (!sql.got_data()) return false;
  reg = RegLeiauteps{};
  reg.lPosicao = posicao;
  reg.ucSeparador = Cabe<uint8_t>(separador, "leiaute.separador");
  reg.ucTipoArquivo = Cabe<uint8_t>(tipo, "leiaute.tipo_arquivo");
  reg.iLinhasCabecalho = Cabe<uint16_t>(cabecalho, "leiaute.linhas_cabecalho");
  reg.iLinhasRodape = Cabe<uint16_t>(rodape, "leiaute.linhas_rodape");
  reg.szDescricao.Set(CZQString(descricao));
  if (!zq_sql::DeHex(reservado, reg.reservado6, kReservadoLeiaute)) {
    throw CZQExcecaoSQL(ZQ_E_SQL_CORROMPIDO, "bytes reservados ilegíveis no leiaute " + std::to_string(posicao));
  }
  return true;
}

class CZQImportacaoCBNSQL : public TZQRefCounted<IZQCL_ImportacaoCBN> {
 public:
  explicit CZQImportacaoCBNSQL(std::shared_ptr<CZQBancoSQL> banco) : m_banco(std::move(banco)) {}

  HRESULT LeLeiaute(int32_t posicao, RegLeiauteps* leiaute) override {
    if (!leiaute) return E_POINTER;
    // Online statements carry no layout key: they read as a layout without header or
    // trailer lines.
    if (posicao == 0) {
      *leiaute = RegLeiauteps{};
      return S_OK;
    }
    CZQDadosDF_Erro erro;
    return ZQExecutaSQL(*m_banco, erro, "LeLeiaute", [&] {
      return LeLeiauteSQL(m_banco->Sessao(), posicao, *leiaute) ? S_OK : ZQ_E_SQL_NAO_ENCONTRADO;
    });
  }

 private:
  std::shared_ptr<CZQBancoSQL> m_banco;
};

}  // namespace

HRESULT CZQAcessoConciliacaoSQL::LeColunasLeiaute(int32_t posicao, REG_LEIAUTE_COLUNASPS& colunas) {
  return Executa("LeColunasLeiaute", [&] {
    colunas = REG_LEIAUTE_COLUNASPS{};
    std::string delimitador, marca, formato;
    long long c[9] = {};
    long long p = posicao;
    Banco().Sessao() << "SELECT delimitador, marca_decimal, formato_data, coluna_data, coluna_valor, coluna_credito,"
                        " coluna_debito, coluna_natureza, coluna_documento, coluna_historico, coluna_codigo_mvto,"
                        " coluna_conta FROM leiaute_colunas WHERE posicao = :p",
        soci::use(p), soci::into(delimitador), soci::into(marca), soci::into(formato), soci::into(c[0]),
        soci::into(c[1]), soci::into(c[2]), soci::into(c[3]), soci::into(c[4]), soci::into(c[5]), soci::into(c[6]),
        soci::into(c[7]), soci::into(c[8]);
    if (!Banco().Sessao().got_data()) return S_FALSE;
    if (delimitador.size() != 1 || marca.size() != 1) {
      throw CZQExcecaoSQL(ZQ_E_SQL_CORROMPIDO, "delimitador ilegível no leiaute " + std::to_string(posicao));
    }
    colunas.cDelimitador = delimitador[0];
    colunas.cMarcaDecimal = marca[0];
    colunas.sFormatoData = CZQString(formato);
    uint16_t* destinos[9] = {&colunas.iColunaData,      &colunas.iColunaValor,      &colunas.iColunaCredito,
                             &colunas.iColunaDebito,    &colunas.iColunaNatureza,   &colunas.iColunaDocumento,
                             &colunas.iColunaHistorico, &colunas.iColunaCodigoMvto, &colunas.iColunaConta};
    for (int i = 0; i < 9; ++i) *destinos[i] = Cabe<uint16_t>(c[i], "leiaute_colunas.coluna");
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::LeLeiaute(int32_t posicao, CZQDadosCL_Leiaute& leiaute) {
  return Executa("LeLeiaute", [&] {
    RegLeiauteps reg{};
    if (!LeLeiauteSQL(Banco().Sessao(), posicao, reg)) {
      return Falha("LeLeiaute", ZQ_E_SQL_NAO_ENCONTRADO, "não há leiaute na posição " + std::to_string(posicao));
    }
    leiaute.SetRegistro(reg);
    return S_OK;
  });
}

HRESULT CZQAcessoConciliacaoSQL::GetICLMestre(CZQComPtr<IZQCL_Mestre>& mestre) {
  m_erro.Limpar();
  mestre = new CZQMestreCLSQL(m_banco);
  return S_OK;
}

HRESULT CZQAcessoConciliacaoSQL::GetICLImportacaoCBN(CZQComPtr<IZQCL_ImportacaoCBN>& importacao) {
  m_erro.Limpar();
  importacao = new CZQImportacaoCBNSQL(m_banco);
  return S_OK;
}
