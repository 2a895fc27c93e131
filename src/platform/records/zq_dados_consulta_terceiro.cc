#include "platform/records/zq_dados_consulta_terceiro.h"

#include <string>

#include "frame/zq_data.h"

CZQDadosCR_ConsultaSistemaTerceiro::~CZQDadosCR_ConsultaSistemaTerceiro() = default;
CZQDadosCR_FiltroConsultaExtratoBancoBrasil::~CZQDadosCR_FiltroConsultaExtratoBancoBrasil() = default;
CZQDadosCR_ExtratoBancoBrasil::~CZQDadosCR_ExtratoBancoBrasil() = default;
CZQDadosCR_ConsultaExtratoBancoBrasil::~CZQDadosCR_ConsultaExtratoBancoBrasil() = default;
CZQDadosCR_StatusConsultaSistemaTerceiro::~CZQDadosCR_StatusConsultaSistemaTerceiro() = default;

CZQString CZQDadosCR_FiltroConsultaExtratoBancoBrasil::NumeroSemDigito(const CZQString& texto) {
  const std::string& bytes = texto.str();
  std::string digitos;
  for (char c : bytes) {
    if (c == '-') break;  // the check digit follows
    if (c >= '0' && c <= '9') digitos += c;
  }
  size_t primeiro = digitos.find_first_not_of('0');
  if (digitos.empty()) return CZQString();
  if (primeiro == std::string::npos) return CZQString("0");
  return CZQString(digitos.substr(primeiro));
}

uint32_t CZQDadosCR_FiltroConsultaExtratoBancoBrasil::DataParaInteiroBB(REG_ZQDMA dma) {
  if (!CZQDma::EhValida(dma)) return 0;
  int dia = 0, mes = 0, ano = 0;
  CZQDma(dma).GetDiaMesAno(dia, mes, ano);
  return static_cast<uint32_t>(dia) * 1000000u + static_cast<uint32_t>(mes) * 10000u + static_cast<uint32_t>(ano);
}

HRESULT CZQDadosCR_FiltroConsultaExtratoBancoBrasil::MontaPathRequisicao() {
  m_reg.sPathRequisicao.Empty();

  CZQString agencia = NumeroSemDigito(m_reg.sAgencia);
  CZQString conta = NumeroSemDigito(m_reg.sConta);
  if (agencia.IsEmpty() || conta.IsEmpty()) return E_INVALIDARG;

  const bool semInicio = m_reg.dmaInicioSolicitacao == 0;
  const bool semFim = m_reg.dmaFimSolicitacao == 0;
  uint32_t inicio = DataParaInteiroBB(m_reg.dmaInicioSolicitacao);
  uint32_t fim = DataParaInteiroBB(m_reg.dmaFimSolicitacao);
  // Both dates or neither: the bank refuses one alone.
  if (semInicio != semFim) return E_INVALIDARG;
  if (!semInicio && (inicio == 0 || fim == 0)) return E_INVALIDARG;

  uint32_t pagina = m_reg.lNumeroPaginaSolicitacao == 0 ? 1 : m_reg.lNumeroPaginaSolicitacao;
  uint32_t quantidade = m_reg.lQuantidadeRegistroPaginaSolicitacao;
  if (quantidade == 0) quantidade = ZQ_BB_REGISTROS_PAGINA_MAXIMO;
  if (quantidade < ZQ_BB_REGISTROS_PAGINA_MINIMO) quantidade = ZQ_BB_REGISTROS_PAGINA_MINIMO;
  if (quantidade > ZQ_BB_REGISTROS_PAGINA_MAXIMO) quantidade = ZQ_BB_REGISTROS_PAGINA_MAXIMO;

  CZQString path;
  path.Format("/conta-corrente/agencia/%s/conta/%s?numeroPaginaSolicitacao=%u&quantidadeRegistroPaginaSolicitacao=%u",
              agencia.c_str(), conta.c_str(), pagina, quantidade);
  if (!semInicio) path.AppendFormat("&dataInicioSolicitacao=%u&dataFimSolicitacao=%u", inicio, fim);
  m_reg.sPathRequisicao = path;
  return S_OK;
}
