#pragma once

// The statement every Tavorin account of the service benchmarks gets (the company is
// support/empresa_tavorin.h's).
#include <cstdio>
#include <string>

#include "support/empresa_tavorin.h"

namespace bench_empresa {

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
