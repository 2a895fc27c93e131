#pragma once

// The sample company grown by many Tavorin accounts of the head office: what the host's
// long-cycle test and the service benchmarks run over.
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

namespace zq_teste {

// The company file `amostra` with `contas` Tavorin accounts numbered from `primeira`;
// `contasNovas` receives their numbers.
inline nlohmann::json EmpresaTavorin(const std::filesystem::path& amostra, int primeira, int contas,
                                     nlohmann::json& contasNovas) {
  nlohmann::json empresa;
  std::ifstream(amostra) >> empresa;
  contasNovas = nlohmann::json::array();
  for (int i = 0; i < contas; ++i) {
    const int ponteiro = primeira + i;
    empresa["plano_contas"].push_back({{"ponteiro", ponteiro},
                                       {"codigo_proprio", "1.1.2.T." + std::to_string(ponteiro)},
                                       {"codigo_usado", std::to_string(ponteiro)},
                                       {"nome", "Tavorin " + std::to_string(i)},
                                       {"tipo", "A"},
                                       {"banco",
                                        {{"numero_banco", 990},
                                         {"nome_banco", "Banco Tavorin"},
                                         {"agencia", "0042"},
                                         {"conta_corrente", std::to_string(ponteiro) + "-0"},
                                         {"integrar_com_terceiro", 1},
                                         {"tipo_operacao", 4},
                                         {"ambiente_integracao", 1},
                                         {"ambiente_integracao_bb_extrato", 0}}}});
    contasNovas.push_back(ponteiro);
  }
  return empresa;
}

}  // namespace zq_teste
