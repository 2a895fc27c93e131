#include "frame/zq_excecao.h"

#include <cstring>

#include "frame/zq_mensagens.h"
#include "platform/components/zq_interacao.h"

CZQExceptionEx::CZQExceptionEx(HRESULT codigo, int32_t codigo2, int32_t codigo3, const char* empresa,
                               const char* mensagem, const char* arquivo, int32_t linha, const char* dataHoraCompilacao)
    : m_codigo(codigo),
      m_codigo2(codigo2),
      m_codigo3(codigo3),
      m_sEmpresa(empresa),
      m_sMensagem(mensagem),
      m_sArquivo(arquivo),
      m_linha(linha),
      m_sDataHoraCompilacao(dataHoraCompilacao) {}

CZQExceptionEx::~CZQExceptionEx() = default;

CException::~CException() = default;

namespace {

// The buttons a message-box style names.
TipoBotao BotoesDoEstilo(unsigned int estilo) {
  switch (estilo & 0xF) {
    case ZQ_MB_OKCANCEL:
      return ZQ_BOTAO_OK_CANCELAR;
    case ZQ_MB_YESNOCANCEL:
      return ZQ_BOTAO_SIM_NAO_CANCELAR;
    case ZQ_MB_YESNO:
      return ZQ_BOTAO_SIM_NAO;
    default:
      return ZQ_BOTAO_OK;
  }
}

}  // namespace

int CException::ReportError(unsigned int estilo, unsigned int) const {
  return ZQGetInteracao().Mostra(GetErrorMessage(), ZQ_ICONE_AVISO, BotoesDoEstilo(estilo), ZQ_BOTAO_DEFAULT_1);
}

CZQString CException::GetErrorMessage() const { return CZQString(); }

CZQException::CZQException(long codigo, _ZQModulo modulo, int erroSO, const char* texto)
    : m_lCodigo(codigo), m_modulo(modulo), m_iErroSO(erroSO), m_sTexto(texto) {}

CZQString CZQException::GetErrorMessage() const {
  CZQString texto = m_sTexto;
  if (texto.IsEmpty() && m_lCodigo > 0)
    texto = ZQGetMensagem(static_cast<unsigned long>(m_lCodigo), zq::CodigoModulo(m_modulo));
  if (texto.IsEmpty()) texto.Format("Erro desconhecido encontrado. Código (%d)", static_cast<int>(m_lCodigo));
  if (m_iErroSO != 0) texto.AppendFormat("\nErro do SO: %d - %s", m_iErroSO, std::strerror(m_iErroSO));
  return texto;
}

int CZQException::ReportError(unsigned int estilo, unsigned int) const {
  TipoIcone icone = ZQ_ICONE_AVISO;
  switch (estilo & ZQ_MB_ICONMASK) {
    case ZQ_MB_ICONHAND:
      icone = ZQ_ICONE_ERRO;
      break;
    case ZQ_MB_ICONQUESTION:
      icone = ZQ_ICONE_QUESTAO;
      break;
    case ZQ_MB_ICONEXCLAMATION:
      icone = ZQ_ICONE_AVISO;
      break;
    case ZQ_MB_ICONASTERISK:
      icone = ZQ_ICONE_INFORMACAO;
      break;
    default:
      break;  // no icon named: the warning icon
  }
  return ZQGetInteracao().Mostra(GetErrorMessage(), icone, BotoesDoEstilo(estilo), ZQ_BOTAO_DEFAULT_1);
}

namespace zq {
const char* DataHoraCompilacao() { return __DATE__ " " __TIME__; }
}  // namespace zq
