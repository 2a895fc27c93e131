#include "importservice/cl_consiste_configuracao_servico.h"

namespace cl_configuracao_servico {

namespace {

// A personalised warning carries its placeholders' arguments.
constexpr long kAvisoComArgumentos = 1;

constexpr char kContaBancaria = 'S';
constexpr unsigned char kTipoAnalitica = 'A';
constexpr unsigned char kTipoSintetica = 'S';

}  // namespace

void Avisa(CZQDadosDF_Erro& erro, AvisoRegra aviso) { erro.SetAviso(ZQ_MODULO_CL, aviso.codigo, aviso.campo); }

void AvisaConta(CZQDadosDF_Erro& erro, long codigoMensagem, const CZQDadosDF_PlanoEmpresarial& dadosConta) {
  erro.SetAvisoPersonalizado(ZQ_MODULO_CL, kAvisoComArgumentos, codigoMensagem, dadosConta.GetCodigoProprio());
}

bool ConsisteContaPlano(CZQDadosDF_Erro& erro, const CZQDadosDF_PlanoEmpresarial& dadosConta) {
  if (dadosConta.GetTipoBanco() != kContaBancaria) {
    AvisaConta(erro, kAvisoContaNaoBancaria, dadosConta);
    return true;
  }
  if (dadosConta.GetTipo() != kTipoAnalitica && dadosConta.GetTipo() != kTipoSintetica) {
    AvisaConta(erro, kAvisoContaTipoInvalido, dadosConta);
    return true;
  }
  return false;
}

}  // namespace cl_configuracao_servico
