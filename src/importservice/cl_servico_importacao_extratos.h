#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "frame/cl_export.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"
#include "platform/components/zq_autorun.h"
#include "platform/records/zq_dados_configuracao_servico.h"
#include "platform/records/zq_dados_execucao_servico.h"
#include "platform/records/zq_dados_extrato.h"

class CZQAcessoConciliacao;

// Import failures worth another try later the same day (the source could not be reached
// or answered for the moment): the account's entry gets status 2.
inline constexpr HRESULT CL_E_IMPORTACAO_TEMPORARIA_1 = ZQ_HR(0x81080D0A);
inline constexpr HRESULT CL_E_IMPORTACAO_TEMPORARIA_2 = ZQ_HR(0x81080D13);

// What an imported account's entry says.
inline constexpr const char CL_MENSAGEM_SERVICO_SUCESSO[] = "O serviço foi executado com sucesso.";
// Layout name of the requests the service builds.
inline constexpr const char CL_LEIAUTE_IMPORTACAO_ONLINE[] = "Importação Online";
// Branch of an account visited for its drop folder alone that neither service's
// configuration names: the head office, as a file import without branch takes it.
inline constexpr uint32_t CL_FILIAL_PADRAO_PASTA_ENTRADA = 1;
// Event type of the hyper-automation status after an import.
inline constexpr uint8_t CL_TIPO_EVENTO_HIPERAUTOMACAO_IMPORTACAO = 10;

// The scheduled statement import service. The host creates it with
// CLServicoImportacaoExtratos_new and calls OnRun once per cycle; each run imports the
// last 7 days of every account that its configuration makes due, and the files waiting
// in the drop folder of every account with a file layout, and stores one execution
// record with an entry per account, stored again as each account is done.
// Several hosts may run it on one store at once: each account is done by one of them
// (the others skip it), and accounts another host is running are left for the end.
class CL_EXPORT CCLServicoImportacaoExtratos : public CAutoRun {
 public:
  using Regra = CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra;

  CCLServicoImportacaoExtratos();
  ~CCLServicoImportacaoExtratos() override;

  HRESULT OnRun() override;
  HRESULT OnGetIntervalo(unsigned long* intervalo) override;
  void OnDestroi() override;
  bool OnConsultaIndicador() override;

  // Reads the configuration and today's execution records and keeps the rules due now,
  // each with the accounts still to import, and the drop folders to visit on their own;
  // true in `bDeveExecutar` when any is.
  HRESULT DeveExecutar(bool& bDeveExecutar);

  // The rule's accounts not yet done today by the given execution records: an entry of
  // the rule's branch with status 1 or 3 takes its account out, status 2 only from the
  // second one on.
  static CZQVector<uint32_t> BuscaContasPendentes(
      const Regra& regra, const CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos>& listaExecucoes);

  // Validates the request of every due account; ends the run with the validation's
  // message at the first refusal.
  void ConsisteRegras(CZQDadosCL_FiltroImportacaoExtrato dadosFiltro);

  // The rules the last DeveExecutar found due.
  const CZQVector<Regra>& GetListaRegrasDevidas() const { return m_listaRegras; }

  // An account visited for its drop folder alone, under a branch.
  struct PastaDevida {
    uint32_t filial;
    uint32_t conta;
    friend bool operator==(const PastaDevida&, const PastaDevida&) = default;
  };
  // The drop folders the last DeveExecutar found due on their own: an account with a
  // file layout and files ready in its folder that no due rule imports now and no daily
  // rule imports later today (that import takes the files with it).
  const std::vector<PastaDevida>& GetListaPastasDevidas() const { return m_listaPastas; }

  [[noreturn]] void FalhaServico(const char* mensagem, HRESULT hr, int linha);

 private:
  // The failure path with a text of its own (the validation's message), without the
  // description of an HRESULT.
  [[noreturn]] void FalhaServicoTexto(const CZQString& texto, HRESULT hr, int linha);
  CZQAcessoConciliacao* GetAcessoConciliacao();
  // Fills the due drop folders; `importadas` are the accounts a rule imports online today
  // (now or later), which take their folder's files with them.
  void BuscaPastasDevidas(const CZQDadosCL_ConfiguracaoServicoImportacaoExtratos& dadosConfiguracao,
                          const std::set<uint32_t>& importadas);
  // Whether another host sharing the cycle imported the account since DeveExecutar read
  // the day's records: an entry of the branch and account with status 1 past those the
  // records had then, in any record of the day but this run's own. Ends the run as
  // DeveExecutar's reads do when the records cannot be read.
  bool ImportadaPorOutroHost(uint32_t filial, uint32_t conta, REG_ZQDMC chavePropria);

  CZQVector<Regra> m_listaRegras;
  std::vector<PastaDevida> m_listaPastas;
  // The day DeveExecutar read and how many entries each record (by day and code) had.
  REG_ZQDMA m_dmaLeitura = 0;
  std::map<std::pair<REG_ZQDMA, uint32_t>, std::size_t> m_entradasLidas;
};

extern "C" CL_EXPORT CAutoRun* CLServicoImportacaoExtratos_new();
