#include "frame/zq_nomes_hresult.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "frame/zq_biblioteca_mensagens.h"
#include "platform/components/zq_mensagens_abi.h"

namespace zq {

namespace {

struct NomeTabela {
  uint32_t chave;
  const char* nome;
};

// kFacilidadesSdk, kCodigosWin32, kHResultsConhecidos: generated from the Windows SDK
// headers by tools/gen_winerror_tables.py, sorted by key.
#include "frame/generated/winerror_tables.inc"

constexpr uint32_t kFacilityItf = 4;

// The ERP's own facilities: 235 + module number for the modules 1 to 32 (module 20
// is the shared base, whose 0xFF facility carries its generic errors such as
// 0x80FF0D12), then the two shared servers and the query middleware.
constexpr NomeTabela kFacilidadesErp[] = {
    {236, "ZQ_FACILITY_DF_DEFINICOES_GERAIS"},
    {237, "ZQ_FACILITY_CP_CONTAS_PAGAR"},
    {238, "ZQ_FACILITY_CR_CONTAS_RECEBER"},
    {239, "ZQ_FACILITY_FN_FINANCEIRO"},
    {240, "ZQ_FACILITY_CN_CONTABILIDADE"},
    {241, "ZQ_FACILITY_FS_ESCRITA_FISCAL"},
    {242, "ZQ_FACILITY_FP_FOLHA_PAGAMENTO"},
    {243, "ZQ_FACILITY_ES_ESTOQUE"},
    {244, "ZQ_FACILITY_CM_COMPRAS"},
    {245, "ZQ_FACILITY_CL_CONCILIACAO"},
    {246, "ZQ_FACILITY_FT_FATURAMENTO"},
    {247, "ZQ_FACILITY_VD_VENDAS"},
    {248, "ZQ_FACILITY_PT_PATRIMONIO"},
    {249, "ZQ_FACILITY_OR_ORCAMENTO"},
    {250, "ZQ_FACILITY_GC_CONTRATOS"},
    {251, "ZQ_FACILITY_PD_PRODUCAO"},
    {252, "ZQ_FACILITY_CS_CUSTOS"},
    {253, "ZQ_FACILITY_QL_QUALIDADE"},
    {254, "ZQ_FACILITY_MN_MANUTENCAO"},
    {255, "ZQ_FACILITY_ZQ_BASE"},
    {256, "ZQ_FACILITY_PE_PONTO_ELETRONICO"},
    {257, "ZQ_FACILITY_TR_TRANSPORTES"},
    {258, "ZQ_FACILITY_CE_COMERCIO_EXTERIOR"},
    {259, "ZQ_FACILITY_GE_GERENCIAL"},
    {260, "ZQ_FACILITY_BI_INDICADORES"},
    {261, "ZQ_FACILITY_WF_WORKFLOW"},
    {262, "ZQ_FACILITY_PV_PONTO_VENDA"},
    {263, "ZQ_FACILITY_OS_ORDENS_SERVICO"},
    {264, "ZQ_FACILITY_CB_COBRANCA"},
    {265, "ZQ_FACILITY_AD_ADMINISTRACAO"},
    {266, "ZQ_FACILITY_IT_INTEGRACAO"},
    {267, "ZQ_FACILITY_AT_AUTOMACAO"},
    {268, "ZQ_FACILITY_SA_SERVIDOR_ACESSO"},
    {269, "ZQ_FACILITY_SI_SERVIDOR_INTEGRACAO"},
    {270, "ZQ_FACILITY_MT_CONSULTA_TERCEIROS"},
};

// FACILITY_ITF codes of the two shared servers: the data-access server (ZQSA,
// 0x80047Dxx) and the integration-transaction server (ZQSI, 0x80047Exx).
constexpr NomeTabela kDescricoesItf[] = {
    {0x80047D01u, "ZQSA: Falha não especificada no servidor de acesso a dados."},
    {0x80047D02u, "ZQSA: Não foi possível conectar ao banco de dados da empresa."},
    {0x80047D03u, "ZQSA: A conexão com o banco de dados foi perdida."},
    {0x80047D04u, "ZQSA: Registro não encontrado."},
    {0x80047D05u, "ZQSA: Já existe um registro com a mesma chave."},
    {0x80047D06u, "ZQSA: O registro está bloqueado por outro usuário."},
    {0x80047D07u, "ZQSA: O registro foi alterado por outro usuário desde a leitura."},
    {0x80047D08u, "ZQSA: O registro não pode ser excluído porque é usado por outros registros."},
    {0x80047D09u, "ZQSA: O usuário não tem permissão para esta operação."},
    {0x80047D0Au, "ZQSA: Empresa não informada ou inexistente."},
    {0x80047D0Bu, "ZQSA: Filial não informada ou inexistente."},
    {0x80047D0Cu, "ZQSA: Sessão do usuário expirada ou inválida."},
    {0x80047D0Du, "ZQSA: Tempo de espera da consulta esgotado."},
    {0x80047D0Eu, "ZQSA: Parâmetro inválido na chamada ao servidor."},
    {0x80047D0Fu, "ZQSA: Estrutura do registro incompatível com a versão do servidor."},
    {0x80047D10u, "ZQSA: Não há transação aberta para confirmar ou desfazer."},
    {0x80047D11u, "ZQSA: A transação foi desfeita pelo banco de dados."},
    {0x80047D12u, "ZQSA: Memória insuficiente no servidor de acesso a dados."},
    {0x80047D13u, "ZQSA: Período contábil bloqueado para movimentação."},
    {0x80047D14u, "ZQSA: Limite de registros da consulta excedido."},
    {0x80047E01u, "ZQSI: Falha não especificada no servidor de integração de transações."},
    {0x80047E02u, "ZQSI: Transação de integração não iniciada."},
    {0x80047E03u, "ZQSI: Já existe uma transação de integração em andamento nesta sessão."},
    {0x80047E04u, "ZQSI: Tipo de transação desconhecido."},
    {0x80047E05u, "ZQSI: Lançamento sem conta contábil."},
    {0x80047E06u, "ZQSI: Débitos e créditos do lançamento não se equilibram."},
    {0x80047E07u, "ZQSI: Data do lançamento fora do período aberto."},
    {0x80047E08u, "ZQSI: Conta contábil inativa ou inexistente."},
    {0x80047E09u, "ZQSI: Conta gerencial inativa ou inexistente."},
    {0x80047E0Au, "ZQSI: Forma de pagamento não cadastrada."},
    {0x80047E0Bu, "ZQSI: Histórico padrão não cadastrado."},
    {0x80047E0Cu, "ZQSI: Lote de lançamentos excede o limite da transação."},
    {0x80047E0Du, "ZQSI: Lançamento duplicado na tesouraria."},
    {0x80047E0Eu, "ZQSI: Falha ao gravar o lançamento na tesouraria."},
    {0x80047E0Fu, "ZQSI: Falha ao gerar a contabilização do lançamento."},
    {0x80047E10u, "ZQSI: Falha ao gravar a conciliação do extrato."},
    {0x80047E11u, "ZQSI: A integração foi recusada pela contabilidade."},
    {0x80047E12u, "ZQSI: A transação de integração foi cancelada pelo usuário."},
    {0x80047E13u, "ZQSI: Registro de retorno da integração inválido."},
    {0x80047E14u, "ZQSI: Falha ao registrar o log da integração."},
};

template <size_t N>
constexpr bool Ordenada(const NomeTabela (&tabela)[N]) {
  for (size_t i = 1; i < N; ++i) {
    if (tabela[i - 1].chave >= tabela[i].chave) return false;
  }
  return true;
}
static_assert(Ordenada(kFacilidadesSdk), "facility table must be sorted");
static_assert(Ordenada(kCodigosWin32), "code table must be sorted");
static_assert(Ordenada(kHResultsConhecidos), "HRESULT table must be sorted");
static_assert(Ordenada(kFacilidadesErp), "ERP facility table must be sorted");
static_assert(Ordenada(kDescricoesItf), "ITF description table must be sorted");
static_assert(std::size(kDescricoesItf) == 40, "forty built-in server descriptions");

template <size_t N>
const char* Procura(const NomeTabela (&tabela)[N], uint32_t chave) {
  const NomeTabela* fim = tabela + N;
  const NomeTabela* it =
      std::lower_bound(tabela, fim, chave, [](const NomeTabela& linha, uint32_t k) { return linha.chave < k; });
  return (it != fim && it->chave == chave) ? it->nome : nullptr;
}

}  // namespace

const char* NomeSeveridade(uint32_t bit) { return (bit & 1u) ? "SEVERITY_ERROR" : "SEVERITY_SUCCESS"; }

const char* NomeFacility(uint32_t facility) {
  if (const char* nome = Procura(kFacilidadesSdk, facility)) return nome;
  if (const char* nome = Procura(kFacilidadesErp, facility)) return nome;
  return "Desconhecido ou novo código de FACILITY";
}

std::string NomeCodigo(HRESULT hr) {
  const uint32_t facility = HRESULT_FACILITY(hr);
  if (facility == kFacilityItf) return {};
  CZQBibliotecaMensagens biblioteca;
  auto ehFacilityMT = biblioteca.Simbolo<ZQPfnEhFacilityMT>(ZQ_SIMBOLO_EH_FACILITY_MT);
  if (ehFacilityMT == nullptr || ehFacilityMT(facility) != 0) return {};
  const char* nome = Procura(kCodigosWin32, HRESULT_CODE(hr));
  return nome ? std::string(nome) : std::string();
}

const char* NomeHResult(HRESULT hr) {
  const char* nome = Procura(kHResultsConhecidos, static_cast<uint32_t>(hr));
  return nome ? nome : "";
}

std::string DescricaoHResult(HRESULT hr) {
  if (HRESULT_FACILITY(hr) == kFacilityItf) {
    if (const char* texto = Procura(kDescricoesItf, static_cast<uint32_t>(hr))) return texto;
  }
  CZQBibliotecaMensagens biblioteca;
  auto descricao = biblioteca.Simbolo<ZQPfnGetDescricaoHRESULT>(ZQ_SIMBOLO_DESCRICAO_HRESULT);
  if (descricao == nullptr) return {};
  return LeTextoCopiado([&](char* destino, size_t tamanho) { return descricao(hr, destino, tamanho); });
}

}  // namespace zq
