#include "platform/components/zq_trata_dados_tesouraria.h"

#include "frame/zq_trace.h"
#include "platform/access/zq_acesso_areas.h"
#include "platform/access/zq_acesso_financeiro.h"
#include "platform/records/zq_dados_tesouraria.h"

namespace {
constexpr const char kClasse[] = "CFNTrataDadosTesouraria";
}

CFNTrataDadosTesouraria::CFNTrataDadosTesouraria() = default;
CFNTrataDadosTesouraria::~CFNTrataDadosTesouraria() = default;

bool CFNTrataDadosTesouraria::VerificaBloqueio(const CZQDma& inicio, const CZQDma& fim, int) {
  CZQAcessoServidores* servidores = GetAcessoServidores();
  if (!servidores || !servidores->GetAcessoFinanceiro()) return true;
  CZQDadosFN_Mestre dadosMestre;
  HRESULT hr = S_OK;
  if (ZQ_FALHOU_EM(this, kClasse, hr, servidores->GetAcessoFinanceiro()->LeBufferMestre(&dadosMestre))) return true;
  const REG_ZQDMA bloqueio = dadosMestre.GetDataBloqueioLancamento();
  if (bloqueio == 0) return false;
  const REG_ZQDMA primeiro = inicio.GetDma() ? inicio.GetDma() : fim.GetDma();
  return primeiro != 0 && primeiro <= bloqueio;
}
