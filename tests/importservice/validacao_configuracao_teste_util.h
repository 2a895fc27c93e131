#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/validacao_teste_util.h"

// What the save-time checks of the two services' configurations share: rules written as
// the configuration screen fills them, and how an answer is judged.
namespace cl_validacao {

// A rule of either service: a valid daily rule unless changed.
template <typename Regra>
struct DescRegra {
  std::vector<uint32_t> contas = {kTavorin};
  uint32_t filial = 1;
  uint8_t frequencia = ZQ_FREQUENCIA_DIARIA;
  REG_ZQHMS hms = zq::MontaHms(9, 0, 0);

  Regra Registro() const {
    Regra r;
    r.SetPonteiroFilial(filial).SetFrequencia(frequencia).SetHmsExecucao(hms).SetApenasDiasUteis(true);
    for (uint32_t conta : contas) r.AdicionaPonteiroContaBanco(conta);
    return r;
  }
};

template <typename Configuracao>
Configuracao MontaConfiguracao(const std::vector<DescRegra<typename Configuracao::Regra>>& regras) {
  Configuracao c;
  for (const auto& r : regras) c.AdicionaRegra(r.Registro());
  return c;
}

// A configuration and the answer it must get: none (mensagem 0), a plain warning with its
// third value, or a personalised one naming the account.
template <typename Regra>
struct CasoConfiguracao {
  const char* nome;
  std::vector<DescRegra<Regra>> regras;
  long mensagem;
  long valor = 0;
  uint32_t conta = 0;
};

template <typename Regra>
void PrintTo(const CasoConfiguracao<Regra>& c, std::ostream* os) {
  *os << c.nome;
}

template <typename Regra>
void ConfereResposta(const CZQDadosDF_Erro& erro, const CasoConfiguracao<Regra>& c) {
  if (c.mensagem == 0) {
    EXPECT_TRUE(erro.EhErroNenhum()) << erro.GetCodigoMensagem() << ": " << erro.GetTextoMostraMensagem().c_str();
    return;
  }
  ASSERT_TRUE(erro.EhAviso()) << "type " << erro.GetTipoErro() << ": " << erro.GetTextoMostraMensagem().c_str();
  EXPECT_EQ(erro.GetModuloMensagem(), ZQ_MODULO_CL);
  EXPECT_EQ(erro.GetCodigoMensagem(), c.mensagem);
  EXPECT_EQ(erro.GetValor(), c.conta != 0 ? 1 : c.valor);
  EXPECT_EQ(erro.GetTextoMostraMensagem().c_str(),
            c.conta != 0 ? MensagemCom(c.mensagem, CodigoProprio(c.conta)) : Mensagem(c.mensagem));
}

using AmbienteConfiguracaoTest = AmbienteValidacaoTest;

}  // namespace cl_validacao
