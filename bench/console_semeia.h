// The store the console's speed is measured on: the sample company, and on its account
// 111 a month of 5,000 open statement lines and 5,000 open treasury entries, half of them
// pairs a suggestion finds.
#pragma once

#include <memory>
#include <string>

#include "frame/zq_data.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "support/pasta_temporaria.h"

namespace cl_bench {

inline constexpr int kItensConsole = 5000;

// The workbench's filter over the seeded month.
inline constexpr const char* kMesConsole = "from=01/11/2026&to=30/11/2026";

// Fills the store at `conexao` and installs it as the process's; empty, or the reason.
inline std::string SemeiaConsole(const std::string& conexao, std::shared_ptr<CZQBancoSQL>& banco) {
  CZQDadosDF_Erro erro;
  const std::string amostra = std::string(CL_FONTE) + "/data/sample-company.json";
  if (FAILED(ZQInstalaArmazemSQL(conexao, erro, &banco)) ||
      FAILED(ZQCarregaDocumentoEmpresa(*banco, zq_teste::LeArquivo(amostra), erro)))
    return erro.GetTextoMostraMensagem().c_str();
  CZQAcessoServidoresSQL hub(banco);
  CZQVector<CZQDadosCL_Extrato> linhas;
  for (int i = 0; i < kItensConsole; ++i) {
    const REG_ZQDMA data = CZQDma(1 + i % 28, 11, 2026).GetDma();
    const tagCY valor = 10000 + 37 * i;
    CZQDadosCL_Extrato e;
    e.SetConta(111).SetFilial(1).SetDmaExtrato(data).SetValor(valor).SetNatureza('+').SetConciliado('N');
    e.SetHistBco(CZQString(("PIX RECEBIDO CLIENTE " + std::to_string(i)).c_str())).SetDocumento(i);
    linhas.Add(e);
    tagREG_TESOURARIAPS reg{};
    // Every other entry has its line's amount and date; the rest match nothing.
    reg.cyValor = i % 2 == 0 ? valor : valor + 7;
    reg.dmaLancamento = data;
    reg.lPonteiroContaEnt = 111;
    reg.iPonteiroFilial = 1;
    reg.cConciliadoEnt = reg.cConciliadoSai = 'N';
    CZQDadosFN_Tesouraria t(reg);
    if (FAILED(hub.Financeiro().GravaTesouraria(t))) return "não gravou os lançamentos";
  }
  if (FAILED(hub.Conciliacao().GravaExtratos(linhas))) return "não gravou as linhas";
  return "";
}

}  // namespace cl_bench
