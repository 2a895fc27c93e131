#pragma once

// Every operation of the store's areas and server interfaces, each called with arguments
// that reach its tables. The fault injection, the database failures and the read-only
// store are all checked over this one list.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "store/zq_falhas_injetadas.h"
#include "support/armazem.h"

namespace zq_teste {

// Where the calls put what they read, so that each one fits on a line.
struct Saidas {
  CZQDadosCL_Mestre mestre;
  CZQDadosFN_Mestre mestreFinanceiro;
  CZQDadosCN_MestreEmpresa mestreEmpresa;
  CZQVector<uint32_t> posicoes;
  CZQVector<CZQDadosCL_Extrato> linhas;
  CZQDadosCL_ConciliacaoTesourariaBancos conciliacao;
  CZQVector<REG_ZQDMC> chaves;
  CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> execucoes;
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> importacoes;
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos configImportacao;
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco configConciliacao;
  CZQDadosCL_Leiaute leiaute;
  REG_LEIAUTE_COLUNASPS colunas;
  CZQDadosCL_Tabela tabela;
  CZQDadosDF_FormaPagamento forma;
  CZQDadosDF_Banco banco;
  CZQDadosDF_PlanoEmpresarial plano;
  CZQDadosDF_Historico historico;
  CZQDadosDF_PeriodoContabil periodo;
  CZQVector<CZQDadosDF_Feriado> feriados;
  CZQVector<CZQDadosFN_Tesouraria> tesouraria;
  CZQComPtr<IZQCL_Mestre> iMestre;
  CZQComPtr<IZQCL_ImportacaoCBN> iCbn;
  CZQComPtr<IZQFN_Tesouraria> iTesouraria;
  CZQComPtr<IZQDF_IntegracaoTransacao> iIntegracao;
  uint32_t numero = 0;
  bool obtida = false;
  int32_t restantes = 0;
  uint16_t quantidade = 0;
};

struct OperacaoArmazem {
  const char* nome;    // as the fault injection names it; its method name ends it
  const char* tabela;  // a table it needs (nullptr: none taken away in the tests)
  bool escreve;        // refused by a store opened read-only
  std::function<HRESULT(CZQAcessoServidores&, Saidas&)> chama;
  std::function<const CZQDadosDF_Erro*(CZQAcessoServidores&)> erro;  // nullptr for the interfaces
};

inline CZQAcessoConciliacao& C(CZQAcessoServidores& h) { return *h.GetAcessoConciliacao(); }
inline CZQAcessoEmpresarial& E(CZQAcessoServidores& h) { return *h.GetAcessoEmpresarial(); }
inline CZQAcessoFinanceiro& F(CZQAcessoServidores& h) { return *h.GetAcessoFinanceiro(); }
inline const CZQDadosDF_Erro* ErroC(CZQAcessoServidores& h) { return C(h).GetErro(); }
inline const CZQDadosDF_Erro* ErroE(CZQAcessoServidores& h) { return E(h).GetErro(); }
inline const CZQDadosDF_Erro* ErroF(CZQAcessoServidores& h) { return F(h).GetErro(); }
inline const CZQDadosDF_Erro* ErroK(CZQAcessoServidores& h) { return h.GetAcessoContabil()->GetErro(); }
inline const CZQDadosDF_Erro* ErroI(CZQAcessoServidores& h) { return h.GetAcessoIntegracao()->GetErro(); }

// A call on a server interface, once the area handed it out.
template <typename I, typename Usa>
HRESULT Com(HRESULT obtido, CZQComPtr<I>& i, Usa usa) {
  return FAILED(obtido) ? obtido : usa(*i);
}

template <typename Usa>
HRESULT ComIntegracao(CZQAcessoServidores& h, Saidas& s, Usa usa) {
  return Com(h.GetAcessoIntegracao()->GetIDFIntegracaoTransacao(s.iIntegracao), s.iIntegracao, usa);
}

inline CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> UmaImportacao() {
  CZQDadosCL_ExecucaoServicoImportacaoExtratos e;
  e.SetDmaHmsExecucao(zq::MontaDmaHms(Dia(5, 12, 2026), 100));
  CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra r;
  r.SetPonteiroFilial(1).SetPonteiroContaBanco(111).SetTipoStatus(1);
  e.AdicionaRegra(r);
  return CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>{e};
}

inline CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> UmaConciliacao() {
  CZQDadosCL_ExecucaoConciliacaoTesourariaBanco e;
  e.SetPonteiroBanco(111).SetPonteiroFilial(1).SetTipoStatus(1);
  e.SetDataHoraExecucao(zq::MontaDmaHms(Dia(5, 12, 2026), 100));
  return CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>{e};
}

inline CZQDadosCL_ConfiguracaoServicoImportacaoExtratos UmaConfiguracao() {
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos c;
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra r;
  r.SetPonteiroFilial(1).SetFrequencia(2).AdicionaPonteiroContaBanco(111);
  c.AdicionaRegra(r);
  return c;
}

inline REG_ZQDMC UmaChave() { return ZQMontaDmc(Dia(5, 12, 2026), 1); }

inline const std::vector<OperacaoArmazem>& OperacoesArmazem() {
  using H = CZQAcessoServidores;
  using S = Saidas;
  static const std::vector<OperacaoArmazem> tabela = {
      {"LeBufferMestre", "mestre_cl", false, [](H& h, S& s) { return C(h).LeBufferMestre(&s.mestre); }, ErroC},
      {"BuscaPonteirosMovimentoExtrato", "extrato", false,
       [](H& h, S& s) { return C(h).BuscaPonteirosMovimentoExtrato(CZQDadosCL_FiltroExtrato{}, s.posicoes); }, ErroC},
      {"BuscaRegistrosMovimentoExtrato", "extrato", false,
       [](H& h, S& s) { return C(h).BuscaRegistrosMovimentoExtrato({}, CZQVector<uint32_t>{1}, s.linhas); }, ErroC},
      {"GravaExtrato", "extrato", true,
       [](H& h, S&) {
         CZQDadosCL_Extrato e = Linha(111, 1, Dia(1, 12, 2026), 1, '+', "X");
         return C(h).GravaExtrato(e);
       },
       ErroC},
      {"ProcessaConciliacaoAutomatica", nullptr, false,
       [](H& h, S& s) { return C(h).ProcessaConciliacaoAutomatica({}, s.restantes, s.conciliacao); }, ErroC},
      {"BuscaConciliacao", "tesouraria", false,
       [](H& h, S& s) {
         CZQDadosCL_ConciliacaoAutomatica p;
         p.SetPonteiroConta(111);
         return C(h).BuscaConciliacao(p, s.conciliacao);
       },
       ErroC},
      {"ConciliaManual", nullptr, false,
       [](H& h, S& s) {
         return C(h).ConciliaManual(111, CZQVector<uint32_t>{1}, CZQVector<uint32_t>{1}, 0, 0, s.numero);
       },
       ErroC},
      {"DesfazConciliacao", nullptr, false,
       [](H& h, S&) { return C(h).DesfazConciliacao(111, 1, 0, 0, CZQString("teste")); }, ErroC},
      {"GetUltimoNrConciliacao", "numero_conciliacao", false,
       [](H& h, S& s) { return C(h).GetUltimoNrConciliacao(111, s.numero); }, ErroC},
      {"SalvaArqNumConciliacao", "numero_conciliacao", true,
       [](H& h, S&) { return C(h).SalvaArqNumConciliacao(111, 4); }, ErroC},
      {"GetChave", "chave_tabela", true,
       [](H& h, S& s) {
         s.tabela.SetConta(111).SetFilial(1);
         return C(h).GetChave(s.tabela);
       },
       ErroC},
      {"LeConfiguracaoServicoImportacaoExtratos", "config_importacao_regra", false,
       [](H& h, S& s) { return C(h).LeConfiguracaoServicoImportacaoExtratos(s.configImportacao); }, ErroC},
      {"LeConfiguracaoConciliacaoTesourariaBanco", "config_conciliacao_conta", false,
       [](H& h, S& s) { return C(h).LeConfiguracaoConciliacaoTesourariaBanco(s.configConciliacao); }, ErroC},
      {"GravaConfiguracaoServicoImportacaoExtratos", "config_importacao_conta", true,
       [](H& h, S&) { return C(h).GravaConfiguracaoServicoImportacaoExtratos(UmaConfiguracao()); }, ErroC},
      {"GravaConfiguracaoConciliacaoTesourariaBanco", "config_servico", false,
       [](H& h, S&) { return C(h).GravaConfiguracaoConciliacaoTesourariaBanco({}); }, ErroC},
      {"GravaExecucaoConciliacaoTesourariaBanco", "execucao_conciliacao", true,
       [](H& h, S&) { return C(h).GravaExecucaoConciliacaoTesourariaBanco(UmaConciliacao()); }, ErroC},
      {"BuscaPonteirosExecucaoConciliacaoTesourariaBanco", "execucao_conciliacao", false,
       [](H& h, S& s) { return C(h).BuscaPonteirosExecucaoConciliacaoTesourariaBanco({}, s.chaves); }, ErroC},
      {"LePonteirosExecucaoConciliacaoTesourariaBanco", "execucao_conciliacao", false,
       [](H& h, S& s) {
         return C(h).LePonteirosExecucaoConciliacaoTesourariaBanco(CZQVector<REG_ZQDMC>{UmaChave()}, s.execucoes);
       },
       ErroC},
      {"GravaExecucaoServicoImportacaoExtratos", "execucao_importacao_conta", true,
       [](H& h, S& s) { return C(h).GravaExecucaoServicoImportacaoExtratos(s.importacoes = UmaImportacao()); }, ErroC},
      {"BuscaPonteirosExecucaoServicoImportacaoExtratos", "execucao_importacao", false,
       [](H& h, S& s) { return C(h).BuscaPonteirosExecucaoServicoImportacaoExtratos({}, s.chaves); }, ErroC},
      {"LePonteirosExecucaoServicoImportacaoExtratos", "execucao_importacao", false,
       [](H& h, S& s) {
         return C(h).LePonteirosExecucaoServicoImportacaoExtratos(CZQVector<REG_ZQDMC>{UmaChave()}, s.importacoes, 1);
       },
       ErroC},
      {"LeLeiaute", "leiaute", false, [](H& h, S& s) { return C(h).LeLeiaute(1, s.leiaute); }, ErroC},
      {"LeColunasLeiaute", "leiaute_colunas", false, [](H& h, S& s) { return C(h).LeColunasLeiaute(2, s.colunas); },
       ErroC},
      {"GetICLMestre", nullptr, false, [](H& h, S& s) { return C(h).GetICLMestre(s.iMestre); }, ErroC},
      {"GetICLImportacaoCBN", nullptr, false, [](H& h, S& s) { return C(h).GetICLImportacaoCBN(s.iCbn); }, ErroC},
      {"TravaConta", nullptr, false, [](H& h, S&) { return C(h).TravaConta(111); }, ErroC},
      {"LiberaConta", nullptr, false, [](H& h, S&) { return C(h).LiberaConta(111); }, ErroC},
      {"GravaExtratos", "extrato", true,
       [](H& h, S&) {
         CZQVector<CZQDadosCL_Extrato> lote{Linha(111, 1, Dia(1, 12, 2026), 1, '+', "X")};
         return C(h).GravaExtratos(lote);
       },
       ErroC},
      {"BuscaArquivoExtratoImportado", "arquivo_extrato", false,
       [](H& h, S&) {
         ZQArquivoExtratoImportado arquivo;
         return C(h).BuscaArquivoExtratoImportado(CZQString("00"), arquivo);
       },
       ErroC},
      {"TentaTravaConta", nullptr, false, [](H& h, S& s) { return C(h).TentaTravaConta(111, s.obtida); }, ErroC},
      {"LeBufferFormaPagamento", "forma_pagamento", false,
       [](H& h, S& s) { return E(h).LeBufferFormaPagamento(1, &s.forma); }, ErroE},
      {"LeBanco", "banco", false, [](H& h, S& s) { return E(h).LeBanco(111, &s.banco); }, ErroE},
      {"LeBufferBanco", "banco", false, [](H& h, S& s) { return E(h).LeBufferBanco(111, &s.banco); }, ErroE},
      {"LeBufferPlanoContabil", "plano_empresarial", false,
       [](H& h, S& s) { return E(h).LeBufferPlanoContabil(111, &s.plano); }, ErroE},
      {"LePlanoGerencial", "plano_gerencial", false, [](H& h, S& s) { return E(h).LePlanoGerencial(7001, &s.plano); },
       ErroE},
      {"LeBufferHistorico", "historico", false, [](H& h, S& s) { return E(h).LeBufferHistorico(1, &s.historico); },
       ErroE},
      {"LeBufferPeriodoContabil", "periodo_contabil", false,
       [](H& h, S& s) { return E(h).LeBufferPeriodoContabil(&s.periodo); }, ErroE},
      {"BuscaFeriadosFilial", "feriado_filial", false,
       [](H& h, S& s) { return E(h).BuscaFeriadosFilial(1, s.feriados); }, ErroE},
      {"BuscaPonteirosTesouraria", "tesouraria", false,
       [](H& h, S& s) { return F(h).BuscaPonteirosTesouraria(CZQDadosFN_FiltroTesouraria{}, s.chaves); }, ErroF},
      {"LeTesouraria", "tesouraria", false,
       [](H& h, S& s) { return F(h).LeTesouraria(CZQVector<REG_ZQDMC>{ZQMontaDmc(1, 1)}, s.tesouraria); }, ErroF},
      {"GetIFNTesouraria", nullptr, false, [](H& h, S& s) { return F(h).GetIFNTesouraria(s.iTesouraria); }, ErroF},
      {"Financeiro.LeBufferMestre", "mestre_financeiro", false,
       [](H& h, S& s) { return F(h).LeBufferMestre(&s.mestreFinanceiro); }, ErroF},
      {"GravaStatusHiperautomacaoFinanceira", "status_hiperautomacao", true,
       [](H& h, S&) { return F(h).GravaStatusHiperautomacaoFinanceira({}); }, ErroF},
      {"LeBufferMestreEmpresa", "mestre_empresa", false,
       [](H& h, S& s) { return h.GetAcessoContabil()->LeBufferMestreEmpresa(&s.mestreEmpresa); }, ErroK},
      {"GetIDFIntegracaoTransacao", nullptr, false,
       [](H& h, S& s) { return h.GetAcessoIntegracao()->GetIDFIntegracaoTransacao(s.iIntegracao); }, ErroI},
      {"BuscaQuantProTesBan", "regra_lancamento", false,
       [](H& h, S& s) {
         return Com(C(h).GetICLMestre(s.iMestre), s.iMestre,
                    [&](auto& i) { return i.BuscaQuantProTesBan(&s.quantidade); });
       },
       nullptr},
      {"BuscaRegistrosTesBan", "regra_lancamento", false,
       [](H& h, S& s) {
         _REG_PROP_CONC_TESBAN_PS r{};
         return Com(C(h).GetICLMestre(s.iMestre), s.iMestre, [&](auto& i) { return i.BuscaRegistrosTesBan(1, &r); });
       },
       nullptr},
      {"ImportacaoCBN.LeLeiaute", "leiaute", false,
       [](H& h, S& s) {
         RegLeiauteps l{};
         return Com(C(h).GetICLImportacaoCBN(s.iCbn), s.iCbn, [&](auto& i) { return i.LeLeiaute(1, &l); });
       },
       nullptr},
      {"Existe", "tesouraria", false,
       [](H& h, S& s) {
         return Com(F(h).GetIFNTesouraria(s.iTesouraria), s.iTesouraria,
                    [](auto& i) { return i.Existe(RegExisteTesps{}, nullptr); });
       },
       nullptr},
      {"NovaIntegracao", nullptr, false,
       [](H& h, S& s) {
         regNovaTransacaoPS n{};
         return ComIntegracao(h, s, [&](auto& i) { return i.NovaIntegracao(&n); });
       },
       nullptr},
      {"SetFinanceiroTesouraria", nullptr, false,
       [](H& h, S& s) {
         return ComIntegracao(h, s, [](auto& i) { return i.SetFinanceiroTesouraria(nullptr, nullptr); });
       },
       nullptr},
      {"SetContabilTes", nullptr, false,
       [](H& h, S& s) { return ComIntegracao(h, s, [](auto& i) { return i.SetContabilTes(0, nullptr); }); }, nullptr},
      {"SetGerencialTes", nullptr, false,
       [](H& h, S& s) { return ComIntegracao(h, s, [](auto& i) { return i.SetGerencialTes(0, nullptr); }); }, nullptr},
      {"GravaIntegracao", nullptr, false,
       [](H& h, S& s) { return ComIntegracao(h, s, [](auto& i) { return i.GravaIntegracao(nullptr, nullptr); }); },
       nullptr},
      {"SetOrigensAgrupadas", nullptr, false,
       [](H& h, S& s) { return ComIntegracao(h, s, [](auto& i) { return i.SetOrigensAgrupadas(0, nullptr); }); },
       nullptr},
      // Not on the areas' contract: the store's own write of a treasury entry.
      {"GravaTesouraria", "tesouraria", false,
       [](H& h, S&) {
         CZQDadosFN_Tesouraria t;
         t.SetDataLancamento(Dia(1, 12, 2026));
         return dynamic_cast<CZQAcessoServidoresSQL&>(h).Financeiro().GravaTesouraria(t);
       },
       ErroF},
  };
  return tabela;
}

// The method an operation's error text names ("Financeiro.LeBufferMestre" is LeBufferMestre).
inline std::string MetodoDe(const std::string& nome) { return nome.substr(nome.rfind('.') + 1); }

// An operation's name as a test case's ("Financeiro_LeBufferMestre").
inline std::string NomeCaso(std::string nome) {
  std::replace(nome.begin(), nome.end(), '.', '_');
  return nome;
}

}  // namespace zq_teste
