#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "import/validacao_teste_util.h"
#include "store/zq_falhas_injetadas.h"

// What the save-time checks of the two services' configurations share: rules written as
// the configuration screen fills them, and how an answer, a wrong record and a failed read
// are judged.
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

inline constexpr HRESULT kFalhaLeitura = ZQ_HR(0x8007001F);

class AmbienteConfiguracaoTest : public AmbienteValidacaoTest {
 protected:
  // A record of the wrong class is refused with class 2105 and `valor`, reading nothing.
  template <typename Validador>
  void ConfereRegistroErrado(TZQBaseParaDados* registro, long valor) {
    std::unique_ptr<TZQBaseParaDados> dono(registro);
    CZQFalhasInjetadas falhas;
    CZQInjecaoFalhas injecao(falhas);
    Validador validador;
    ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);
    const CZQDadosDF_Erro& erro = validador.TrataGravacao(registro);
    EXPECT_EQ(erro.GetTipoErro(), ZQ_TIPO_ERRO_HRESULT);
    EXPECT_EQ(erro.GetHR(), ZQ_HR(0x80FF0D12));
    EXPECT_EQ(erro.GetClasse(), 2105);
    EXPECT_EQ(erro.GetValor(), valor);
    EXPECT_TRUE(falhas.TodasChamadas().empty());
  }

  // The `chamada`-th call of `operacao` fails: the check stops there, traces it once in
  // `funcao` and answers with the server's own error.
  template <typename Validador, typename Configuracao>
  void ConfereFalhaLeitura(const char* operacao, long chamada, Configuracao registro, const char* funcao,
                           const char* expressao) {
    CZQDadosDF_Erro erroServidor;
    erroServidor.SetErro(kFalhaLeitura, 31, 9);
    erroServidor.SetTexto("Plano de contas indisponível");
    CZQFalhasInjetadas falhas;
    falhas.Falha(operacao, chamada, kFalhaLeitura, erroServidor);
    CZQInjecaoFalhas injecao(falhas);
    Validador validador;
    ASSERT_EQ(validador.Inicializa(&m_pessoa), S_OK);

    const CZQDadosDF_Erro& erro = validador.TrataGravacao(&registro);

    EXPECT_EQ(falhas.FalhasOcorridas(), std::vector<std::string>{std::string(operacao) + "#" + std::to_string(chamada)});
    EXPECT_EQ(erro, erroServidor);
    EXPECT_EQ(falhas.Chamadas(operacao), chamada);
    const std::vector<std::string> traces = Traces(funcao, expressao);
    ASSERT_EQ(traces.size(), 1u) << "expected the trace of " << expressao;
    EXPECT_NE(traces[0].find("0X8007001F"), std::string::npos);
    EXPECT_EQ(RegistrosLog().size(), 1u);
  }
};

}  // namespace cl_validacao
