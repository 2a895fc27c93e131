#pragma once

#include <gtest/gtest.h>

#include "platform/records/zq_dados_conciliacao.h"
#include "platform/records/zq_dados_configuracao_servico.h"
#include "platform/records/zq_dados_consulta_terceiro.h"
#include "platform/records/zq_dados_empresarial.h"
#include "platform/records/zq_dados_execucao_servico.h"
#include "platform/records/zq_dados_extrato.h"
#include "platform/records/zq_dados_tesouraria.h"

// Filled records for the tests: Preenche(r, s) sets every field through its setter
// (chained, and the chain must hand back the record itself), with values that depend
// on the seed s, so two seeds give two different records.
namespace amostra {

// The chain of setters ends on the record it started from.
#define AMOSTRA_CADEIA(r, cadeia) EXPECT_EQ(&(r cadeia), &(r))

inline void Preenche(CZQDadosCL_Extrato& r, int s) {
  AMOSTRA_CADEIA(r, .SetConta(100u + s)
                        .SetFilial(static_cast<uint16_t>(s))
                        .SetDocumento(900000000000000LL + s)
                        .SetValor(12345 * s)
                        .SetNatureza(s % 2 ? '+' : '-')
                        .SetHistBco(CZQString("TED RECEBIDA ") + CZQString(std::to_string(s)))
                        .SetCodigoMvtoBco(CZQString(std::to_string(s)))
                        .SetDmaExtrato(64000u + s)
                        .SetDmaImportacao(64100u + s)
                        .SetConciliado('S')
                        .SetTipoConciliacao('L')
                        .SetNumeroConciliacao(7u * s));
  r.SetChaveRegistro(ZQMontaDmc(0, 50u + s));
}

inline void Preenche(CZQDadosCL_FiltroImportacaoExtrato& r, int s) {
  AMOSTRA_CADEIA(r, .SetConta(10u + s)
                        .SetFilial(2u + s)
                        .SetDataInicial(64000u + s)
                        .SetDataFinal(64030u + s)
                        .SetLeiaute(ZQ_LEIAUTE_IMPORTACAO_ONLINE)
                        .SetArquivo(CZQString("/tmp/extrato") + CZQString(std::to_string(s)))
                        .SetPosicaoLeiaute(s)
                        .SetVerificaDuplicidade(1)
                        .SetVerificaData(s)
                        .SetVerificaValor(1)
                        .SetVerificaDocumento(1)
                        .SetVerificaSinal(1)
                        .SetVerificaCodigoMovimento(1)
                        .SetVerificaDescricaoMovimento(1));
}

inline void Preenche(CZQDadosCL_FiltroExtrato& r, int s) {
  AMOSTRA_CADEIA(r, .SetConta(10u + s)
                        .SetFilial(1)
                        .SetDataInicial(64000u)
                        .SetDataFinal(64030u + s)
                        .SetConciliado('N')
                        .SetTipoConciliacao('L')
                        .SetNumeroConciliacao(3));
}

inline void Preenche(CZQDadosCL_ExtraInfoBase& r, int s) {
  AMOSTRA_CADEIA(r, .SetTipoInconsistencia(1).SetCaminhoArquivoErros(CZQString("/tmp/e") + std::to_string(s)));
}

template <typename Regra>
void PreencheRegra(Regra& r, int s) {
  AMOSTRA_CADEIA(r, .SetPonteiroFilial(1u + s)
                        .SetFrequencia(static_cast<uint8_t>(1 + s % 2))
                        .SetHmsExecucao(28800 + s)
                        .SetApenasDiasUteis(true)
                        .AdicionaPonteiroContaBanco(200u + s)
                        .AdicionaPonteiroContaBanco(300u + s));
}

inline void Preenche(CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra& r, int s) { PreencheRegra(r, s); }
inline void Preenche(CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra& r, int s) { PreencheRegra(r, s); }

template <typename Configuracao>
void PreencheConfiguracao(Configuracao& r, int s) {
  typename Configuracao::Regra a, b;
  PreencheRegra(a, s);
  PreencheRegra(b, s + 10);
  AMOSTRA_CADEIA(r, .SetDmaHmsAlteracao(5000000000LL + s).SetUsuarioAlteracao(3).AdicionaRegra(a).AdicionaRegra(b));
}

inline void Preenche(CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& r, int s) { PreencheConfiguracao(r, s); }
inline void Preenche(CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco& r, int s) { PreencheConfiguracao(r, s); }

inline void Preenche(CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra& r, int s) {
  AMOSTRA_CADEIA(r, .SetPonteiroFilial(1)
                        .SetPonteiroContaBanco(200u + s)
                        .SetTipoStatus(ZQ_STATUS_EXECUCAO_SUCESSO)
                        .SetMensagemStatus("O serviço foi executado com sucesso."));
}

inline void Preenche(CZQDadosCL_ExecucaoServicoImportacaoExtratos& r, int s) {
  CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra entrada;
  Preenche(entrada, s);
  AMOSTRA_CADEIA(r, .SetDmaHmsExecucao(5000000000LL + s).AdicionaRegra(entrada));
  r.SetChaveRegistro(ZQMontaDmc(64000u, 1u + s));
}

inline void Preenche(CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos& r, int s) {
  AMOSTRA_CADEIA(r, .SetDmaExecucaoInicial(64000u + s).SetDmaExecucaoFinal(64000u + s));
}

inline void Preenche(CZQDadosCL_ExecucaoConciliacaoTesourariaBanco& r, int s) {
  AMOSTRA_CADEIA(r, .SetPonteiroBanco(200u + s)
                        .SetPonteiroFilial(1)
                        .SetDataHoraExecucao(5000000000LL + s)
                        .SetTipoStatus(ZQ_STATUS_EXECUCAO_FALHA)
                        .SetMensagemStatus("Período bloqueado para integração."));
  r.SetChaveRegistro(ZQMontaDmc(64000u, 1u + s));
}

inline void Preenche(CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco& r, int s) {
  AMOSTRA_CADEIA(r, .SetDmaExecucaoInicial(64000u)
                        .SetDmaExecucaoFinal(64000u + s)
                        .SetPonteiroFilial(1)
                        .SetListaPonteirosContaBanco({200u, 300u + s}));
}

inline void Preenche(CZQDadosCL_ConciliacaoAutomatica& r, int s) {
  AMOSTRA_CADEIA(r, .SetPonteiroConta(200u + s)
                        .SetPonteiroFilial(1)
                        .SetDataInicial(64000u)
                        .SetDataFinal(64007u)
                        .SetDataLimite(64000u + s)
                        .SetModo(ZQ_MODO_CONCILIACAO_TESOURARIA)
                        .SetModoExt(ZQ_MODO_EXT_CONCILIACAO_NORMAL)
                        .SetConciliacaoContabilBancos(0));
}

inline void Preenche(CZQDadosFN_Tesouraria& r, int s) {
  AMOSTRA_CADEIA(r, .SetPosicaoReg(40u + s)
                        .SetValor(10000 * s)
                        .SetDataLancamento(64000u + s)
                        .SetDataEmissao(64000u + s)
                        .SetDataDisponivel(64001u + s)
                        .SetPonteiroContaEnt(200u)
                        .SetPonteiroContaSai(500u + s)
                        .SetPosClassificacao(70u)
                        .SetPosClassificacaoContabil(71u)
                        .SetPonteiroOrigem(0)
                        .SetNumeroConciliacaoEnt(9u + s)
                        .SetNumeroConciliacaoSai(0)
                        .SetPonteiroFilial(1)
                        .SetHistorico(12)
                        .SetContabil(301)
                        .SetPonteiroTipoDocumentoTransacao(static_cast<uint8_t>(4 + s))
                        .SetPonteiroTipoDocFormaPagamento(2)
                        .SetConciliadoEnt('N')
                        .SetConciliadoSai('N')
                        .SetConciliadoAuto('S')
                        .SetDocumento(CZQString(std::to_string(123456 + s))));
}

inline void Preenche(CZQDadosCL_ConciliacaoTesourariaBancos& r, int s) {
  CZQDadosCL_Extrato extrato;
  Preenche(extrato, s);
  CZQDadosFN_Tesouraria tesouraria;
  Preenche(tesouraria, s);
  AMOSTRA_CADEIA(r,
                 .SetPonteiroConta(200u + s).SetQuantidadeConciliada(2).SetListaExtrato({extrato}).SetListaTesouraria(
                     {tesouraria, tesouraria}));
}

inline void Preenche(CZQDadosCL_Tabela& r, int s) {
  AMOSTRA_CADEIA(r, .SetConta(200u + s).SetFilial(1).SetChave(static_cast<uint16_t>(s)));
}

inline void Preenche(CZQDadosCL_Leiaute& r, int s) {
  AMOSTRA_CADEIA(r, .SetPosicao(s)
                        .SetDescricao(ZQ_LEIAUTE_IMPORTACAO_ONLINE)
                        .SetSeparador(ZQ_SEPARADOR_LEIAUTE_COM_CONTA)
                        .SetTipoArquivo(1)
                        .SetLinhasCabecalho(static_cast<uint16_t>(9 + s))
                        .SetLinhasRodape(2));
}

inline void Preenche(CZQDadosCL_Mestre& r, int s) { AMOSTRA_CADEIA(r, .SetDataBloqueioMovimentacao(63990u + s)); }

inline void Preenche(CZQDadosFN_FiltroTesouraria& r, int s) {
  AMOSTRA_CADEIA(r, .SetDataInicial(64000u)
                        .SetDataFinal(64007u + s)
                        .SetPonteiroConta(200u)
                        .SetPonteiroFilial(1)
                        .SetConciliado('S')
                        .SetConciladoAuto('S'));
}

inline void Preenche(CZQDadosFN_Mestre& r, int s) { AMOSTRA_CADEIA(r, .SetDataBloqueioLancamento(63990u + s)); }

inline void Preenche(CZQDadosFN_StatusHiperautomacaoFinanceira& r, int s) {
  AMOSTRA_CADEIA(r, .SetTipoEvento(ZQ_EVENTO_HIPERAUTOMACAO_IMPORTACAO_EXTRATO)
                        .SetPonteiroContaBanco(200u + s)
                        .SetDmaHmsEvento(5000000000LL)
                        .SetQuantidadeExtratosPendentes(4)
                        .SetSaldoExtrato(-50000)
                        .SetMensagem("ok"));
}

inline void Preenche(CZQDadosDF_Banco& r, int s) {
  AMOSTRA_CADEIA(r, .SetPonteiroConta(200u + s)
                        .SetCodigoBanco(1)
                        .SetNumeroAgencia("0297-3")
                        .SetContaCorrente(CZQString("12345-") + std::to_string(s))
                        .SetIntegrarComTerceiro(ZQ_INTEGRAR_BANCO_BRASIL)
                        .SetTipoOperacao(ZQ_OPERACAO_PAGAMENTO | ZQ_OPERACAO_EXTRATO)
                        .SetAmbienteIntegracao(ZQ_AMBIENTE_PRODUCAO)
                        .SetAmbienteIntegracaoBBExtrato(ZQ_AMBIENTE_HOMOLOGACAO));
}

inline void Preenche(CZQDadosDF_PlanoEmpresarial& r, int s) {
  AMOSTRA_CADEIA(r, .SetPosicao(200u + s)
                        .SetCodigoProprio("1.1.02.001")
                        .SetCodigoUsado(CZQString(std::to_string(1020 + s)))
                        .SetNome("Banco do Brasil c/c")
                        .SetTipo(ZQ_TIPO_CONTA_ANALITICA)
                        .SetInativa(0)
                        .SetTipoBanco(ZQ_TIPO_BANCO_SIM));
}

inline void Preenche(CZQDadosDF_FormaPagamento& r, int s) {
  AMOSTRA_CADEIA(r, .SetPosicao(1u + s).SetDescricao("Transferência").SetInativa(0));
}

inline void Preenche(CZQDadosDF_Historico& r, int s) {
  AMOSTRA_CADEIA(r, .SetPosicao(1u + s).SetNome("Tarifa bancária"));
}

inline void Preenche(CZQDadosDF_PeriodoContabil& r, int s) {
  AMOSTRA_CADEIA(r, .SetDataInferiorMovimentacao(63900u)
                        .SetDataSuperiorMovimentacao(64300u + s)
                        .SetMesBloqueio(static_cast<uint16_t>(2100 + s)));
}

inline void Preenche(CZQDadosDF_Feriado& r, int s) {
  AMOSTRA_CADEIA(r,
                 .SetPonteiroFilial(1).SetDataFeriado(64000u + s).SetAnual(true).SetDescricao("Aniversário da cidade"));
}

inline void Preenche(CZQDadosCN_MestreEmpresa& r, int s) {
  AMOSTRA_CADEIA(r, .SetRazaoSocial("Comércio Exemplo Ltda")
                        .SetCnpj("00.000.000/0001-00")
                        .SetDataInferiorLancamento(63900u)
                        .SetDataSuperiorLancamento(64300u + s));
}

inline void Preenche(CZQDadosCR_ConsultaSistemaTerceiro& r, int s) {
  AMOSTRA_CADEIA(r, .SetTipoConsulta(ZQ_CONSULTA_EXTRATO_TAVORIN)
                        .SetTipoPonteiroAuxiliar(ZQ_PONTEIRO_AUXILIAR_CONTA_BANCO)
                        .SetPonteiroAuxiliar(200u + s)
                        .SetScope(0)
                        .SetChaveConsulta("?inicio=2024-03-01&fim=2024-03-31&encoding=ofx"));
}

inline void Preenche(CZQDadosCR_FiltroConsultaExtratoBancoBrasil& r, int s) {
  AMOSTRA_CADEIA(r, .SetAgencia("0297-3")
                        .SetConta("12345-6")
                        .SetDataInicioSolicitacao(64000u + s)
                        .SetDataFimSolicitacao(64010u + s)
                        .SetNumeroPaginaSolicitacao(1)
                        .SetQuantidadeRegistroPaginaSolicitacao(200));
}

inline void Preenche(CZQDadosCR_ExtratoBancoBrasil& r, int s) {
  AMOSTRA_CADEIA(r, .SetNumeroDocumento(123456789012345ULL + s)
                        .SetValorLancamento(150000)
                        .SetDataLancamento(64000u + s)
                        .SetDataMovimento(64000u + s)
                        .SetTextoDescricaoHistorico("Pix - Recebido")
                        .SetIndicadorSinalLancamento('C')
                        .SetIndicadorTipoLancamento('1')
                        .SetCodigoAgenciaOrigem(297)
                        .SetNumeroLote(14)
                        .SetCodigoHistorico(821)
                        .SetTextoInformacaoComplementar("comp")
                        .SetNumeroCpfCnpjContrapartida(191ULL)
                        .SetIndicadorTipoPessoaContrapartida('J')
                        .SetCodigoBancoContrapartida(1)
                        .SetCodigoAgenciaContrapartida(1234)
                        .SetNumeroContaContrapartida("99999")
                        .SetTextoDvContaContrapartida("X"));
}

inline void Preenche(CZQDadosCR_ConsultaExtratoBancoBrasil& r, int s) {
  CZQDadosCR_ExtratoBancoBrasil linha;
  Preenche(linha, s);
  AMOSTRA_CADEIA(r, .SetNumeroPaginaAtual(1)
                        .SetQuantidadeRegistroPaginaAtual(1)
                        .SetNumeroPaginaAnterior(0)
                        .SetNumeroPaginaProximo(0)
                        .SetQuantidadeTotalPagina(1)
                        .SetQuantidadeTotalRegistro(1u + s));
  r.GetListaExtratosBancoBrasil().Add(linha);
}

inline void Preenche(CZQDadosCR_StatusConsultaSistemaTerceiro& r, int s) {
  AMOSTRA_CADEIA(r, .SetStatusConsulta(ZQ_STATUS_CONSULTA_SUCESSO)
                        .SetQuantidadeDocumentoRetorno(1)
                        .SetMensagemRetorno("")
                        .SetListaDocumentoRetorno({'<', 'O', 'F', 'X', '>', static_cast<uint8_t>('0' + s)}));
}

}  // namespace amostra
