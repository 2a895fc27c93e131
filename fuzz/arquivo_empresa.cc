// The company file loader over any text, into a store that already holds a company:
// the loader agrees with the checker, a refusal names the problem in the error record
// and leaves every table as it was, and nothing crashes.
#include <cstdint>
#include <memory>
#include <string>

#include "comum.h"
#include "store/zq_arquivo_empresa.h"
#include "store/zq_banco_sql.h"
#include "store/zq_soci.h"

namespace {

long long Alteracoes(CZQBancoSQL& banco) {
  long long n = 0;
  banco.Sessao() << "SELECT total_changes()", soci::into(n);
  return n;
}

// Every row of every table, as one text.
std::string Retrato(CZQBancoSQL& banco) {
  std::vector<std::string> tabelas(200);
  banco.Sessao() << "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", soci::into(tabelas);
  std::string r;
  for (const std::string& tabela : tabelas) {
    r += "#" + tabela + "\n";
    soci::rowset<soci::row> linhas = (banco.Sessao().prepare << "SELECT * FROM \"" + tabela + "\" ORDER BY 1");
    for (const soci::row& linha : linhas) {
      for (std::size_t i = 0; i < linha.size(); ++i) {
        if (linha.get_indicator(i) == soci::i_null) {
          r += "null";
        } else {
          switch (linha.get_properties(i).get_data_type()) {
            case soci::dt_string:
              r += linha.get<std::string>(i);
              break;
            case soci::dt_double:
              r += std::to_string(linha.get<double>(i));
              break;
            case soci::dt_integer:
              r += std::to_string(linha.get<int>(i));
              break;
            case soci::dt_long_long:
              r += std::to_string(linha.get<long long>(i));
              break;
            case soci::dt_unsigned_long_long:
              r += std::to_string(linha.get<unsigned long long>(i));
              break;
            default:
              r += "?";
              break;
          }
        }
        r += "|";
      }
      r += "\n";
    }
  }
  return r;
}

CZQBancoSQL& Banco() {
  static std::shared_ptr<CZQBancoSQL> banco = [] {
    cl_fuzz::PreparaAmbiente();
    std::shared_ptr<CZQBancoSQL> b;
    CZQDadosDF_Erro erro;
    if (CZQBancoSQL::Abre("sqlite::memory:", b, erro) != S_OK) {
      std::fprintf(stderr, "%s\n", erro.GetTextoMostraMensagem().c_str());
      std::abort();
    }
    CL_FUZZ_EXIGE(ZQCarregaArquivoEmpresa(*b, std::string(CL_FONTE) + "/data/sample-company.json", erro) == S_OK);
    // A statement line, which a load keeps.
    b->Sessao() << "INSERT INTO extrato (posicao, conta, filial, documento, valor, natureza, hist_bco,"
                   " codigo_mvto_bco, dma_extrato, dma_importacao, conciliado, tipo_conciliacao, numero_conciliacao)"
                   " VALUES (1, 111, 1, 10, 500, '+', 'PIX RECEBIDO', '', 65000, 65000, 'N', '', 0)";
    return b;
  }();
  return *banco;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  CZQBancoSQL& banco = Banco();
  const std::string documento(reinterpret_cast<const char*>(dados), tamanho);

  ZQProblemaArquivoEmpresa verificado;
  const HRESULT hrVerificado = ZQVerificaDocumentoEmpresa(documento, verificado);
  // Only a document the checker accepts reaches the tables; the rest must not touch them.
  const std::string antes = SUCCEEDED(hrVerificado) ? Retrato(banco) : std::string();
  const long long alteracoesAntes = Alteracoes(banco);

  CZQDadosDF_Erro erro;
  ZQProblemaArquivoEmpresa problema;
  const HRESULT hr = ZQCarregaDocumentoEmpresa(banco, documento, erro, &problema);
  CL_FUZZ_EXIGE(!banco.EmTransacao());
  if (FAILED(hrVerificado)) {
    CL_FUZZ_EXIGE(hrVerificado == ZQ_E_SQL_INVALIDO);
    CL_FUZZ_EXIGE(hr == hrVerificado);
    CL_FUZZ_EXIGE(problema.campo == verificado.campo && problema.mensagem == verificado.mensagem);
    CL_FUZZ_EXIGE(!problema.mensagem.empty());
    CL_FUZZ_EXIGE(erro.TemErro() && erro.GetHR() == hr);
    CL_FUZZ_EXIGE(std::string(erro.GetTextoMostraMensagem().c_str()).rfind("Arquivo da empresa inválido: ", 0) == 0);
    CL_FUZZ_EXIGE(Alteracoes(banco) == alteracoesAntes);
  } else if (FAILED(hr)) {
    // The database refused what the checker let through: rolled back whole.
    CL_FUZZ_EXIGE(erro.TemErro() && erro.GetHR() == hr);
    CL_FUZZ_EXIGE(Retrato(banco) == antes);
  } else {
    CL_FUZZ_EXIGE(!erro.TemErro());
    long long linhas = 0;
    banco.Sessao() << "SELECT COUNT(*) FROM extrato", soci::into(linhas);
    CL_FUZZ_EXIGE(linhas == 1);
  }
  return 0;
}
