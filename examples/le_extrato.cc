// Reads a Banco do Brasil statement answer (as the bank sends it, or the sample mock
// file) through libcl and prints its lines' count and the credits' and debits' totals.
// Exit status: 0 read, 1 unreadable or invalid document, 2 wrong usage.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/components/zq_extrato_banco_brasil_json.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: le_extrato <statement.json>\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "le_extrato: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream texto;
  texto << in.rdbuf();

  CZQDadosCR_ConsultaExtratoBancoBrasil resposta;
  std::string erro;
  if (zq::extrato_bb::LeDocumento(texto.str(), resposta, erro) != S_OK) {
    std::fprintf(stderr, "le_extrato: %s\n", erro.c_str());
    return 1;
  }
  // Amounts are in ten-thousandths: no floating point between the bank and the total.
  tagCY creditos = 0, debitos = 0;
  const auto& linhas = resposta.GetListaExtratosBancoBrasil();
  for (long i = 0; i < linhas.GetQuantidade(); ++i) {
    const REG_EXTRATO_BANCO_BRASILPS& l = linhas[static_cast<std::size_t>(i)].GetRegistro();
    (l.cIndicadorSinalLancamento == 'D' ? debitos : creditos) += l.cyValorLancamento;
  }
  std::printf("lines %ld credits %lld.%04lld debits %lld.%04lld\n", linhas.GetQuantidade(),
              static_cast<long long>(creditos / 10000), static_cast<long long>(creditos % 10000),
              static_cast<long long>(debitos / 10000), static_cast<long long>(debitos % 10000));
  return 0;
}
