#pragma once

// The company of the service benchmarks: the sample company with many Tavorin accounts
// of the head office, and the statement every one of them gets.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

namespace bench_empresa {

// The sample company (`fontes` is the source tree) with `contas` Tavorin accounts
// numbered from 30001; `contasNovas` receives their numbers.
inline nlohmann::json EmpresaTavorin(const std::filesystem::path& fontes, int contas, nlohmann::json& contasNovas) {
  nlohmann::json empresa;
  std::ifstream(fontes / "data" / "sample-company.json") >> empresa;
  contasNovas = nlohmann::json::array();
  for (int i = 0; i < contas; ++i) {
    const int ponteiro = 30001 + i;
    empresa["plano_contas"].push_back({{"ponteiro", ponteiro},
                                       {"codigo_proprio", "1.1.2.8." + std::to_string(i)},
                                       {"codigo_usado", std::to_string(ponteiro)},
                                       {"nome", "Tavorin " + std::to_string(i)},
                                       {"tipo", "A"},
                                       {"banco",
                                        {{"numero_banco", 990},
                                         {"nome_banco", "Banco Tavorin"},
                                         {"agencia", "0042"},
                                         {"conta_corrente", std::to_string(700000 + i)},
                                         {"integrar_com_terceiro", 1},
                                         {"tipo_operacao", 4},
                                         {"ambiente_integracao", 1},
                                         {"ambiente_integracao_bb_extrato", 0}}}});
    contasNovas.push_back(ponteiro);
  }
  return empresa;
}

// An OFX statement of `linhas` lines over the five days up to Friday 04/12/2026.
inline std::string ExtratoOfx(int linhas) {
  std::string ofx = "OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\n\r\n<OFX>\r\n<BANKTRANLIST>\r\n";
  char bloco[320];
  for (int i = 0; i < linhas; ++i) {
    const bool debito = i % 3 == 0;
    std::snprintf(bloco, sizeof bloco,
                  "<STMTTRN>\r\n<TRNTYPE>%s\r\n<DTPOSTED>%s\r\n<TRNAMT>%s%d.%02d\r\n<FITID>%d\r\n<CHECKNUM>%d\r\n"
                  "<MEMO>%s %d\r\n</STMTTRN>\r\n",
                  debito ? "DEBIT" : "CREDIT", i % 5 == 0 ? "20261130" : ("2026120" + std::to_string(i % 5)).c_str(),
                  debito ? "-" : "", 10 + i * 7, i % 100, i, 100000 + i, debito ? "PAGTO BOLETO" : "PIX RECEBIDO", i);
    ofx += bloco;
  }
  return ofx + "</BANKTRANLIST>\r\n</OFX>\r\n";
}

}  // namespace bench_empresa
