#pragma once

#include <cstdint>
#include <unordered_set>

#include "frame/zq_erro.h"
#include "frame/zq_vector.h"
#include "platform/records/zq_dados_empresarial.h"

// What the save-time validators of the two scheduled services' configurations have in
// common: their warnings, the check of a rule account's chart entry and the search for
// an account met twice in the rules. The order of the checks and the reads stay in each
// validator, which traces its own failures.
namespace cl_configuracao_servico {

// Class number the configuration validators put into the error of a record of the
// wrong type.
inline constexpr unsigned short kClasseTrataDados = 2105;

// A plain warning of a rule: its message and the field it points the screen to.
struct AvisoRegra {
  long codigo;
  long campo;
};
inline constexpr AvisoRegra kRegraSemConta{5892, 1};
inline constexpr AvisoRegra kRegraSemFilial{5893, 2};
inline constexpr AvisoRegra kRegraSemFrequencia{5898, 3};
inline constexpr AvisoRegra kRegraSemHorario{5894, 4};

// Warnings naming one account by its own code.
inline constexpr long kAvisoContaSemIntegracao = 5895;
inline constexpr long kAvisoContaRepetida = 5896;
inline constexpr long kAvisoContaNaoBancaria = 5897;
inline constexpr long kAvisoContaTipoInvalido = 5899;

void Avisa(CZQDadosDF_Erro& erro, AvisoRegra aviso);
void AvisaConta(CZQDadosDF_Erro& erro, long codigoMensagem, const CZQDadosDF_PlanoEmpresarial& dadosConta);

// The chart entry of a rule's account: a bank account (else 5897) of type 'A' or 'S'
// (else 5899). True when it left a warning.
bool ConsisteContaPlano(CZQDadosDF_Erro& erro, const CZQDadosDF_PlanoEmpresarial& dadosConta);

// Walks the rules in list order and, within each, the accounts in list order; the first
// account already met (in the same rule or an earlier one) goes to `ulPonteiroRepetido`.
// False when every account occurs once.
template <typename Regra>
bool BuscaContaRepetida(const CZQVector<Regra>& listaRegras, uint32_t& ulPonteiroRepetido) {
  std::unordered_set<uint32_t> contasVistas;
  for (const Regra& dadosRegra : listaRegras) {
    for (const uint32_t ulPonteiro : dadosRegra.GetListaPonteirosContaBanco()) {
      if (contasVistas.insert(ulPonteiro).second) continue;
      ulPonteiroRepetido = ulPonteiro;
      return true;
    }
  }
  return false;
}

}  // namespace cl_configuracao_servico
