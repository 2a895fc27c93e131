#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"

// What a scheduled service throws to its host when a step of its run fails.
class CL_EXPORT CZQExceptionEx {
 public:
  CZQExceptionEx(HRESULT codigo, int32_t codigo2, int32_t codigo3, const char* empresa, const char* mensagem,
                 const char* arquivo, int32_t linha, const char* dataHoraCompilacao);
  virtual ~CZQExceptionEx();

  HRESULT GetCodigo() const { return m_codigo; }
  int32_t GetCodigo2() const { return m_codigo2; }
  int32_t GetCodigo3() const { return m_codigo3; }
  const CZQString& GetEmpresa() const { return m_sEmpresa; }
  const CZQString& GetMensagem() const { return m_sMensagem; }
  const CZQString& GetArquivo() const { return m_sArquivo; }
  int32_t GetLinha() const { return m_linha; }
  const CZQString& GetDataHoraCompilacao() const { return m_sDataHoraCompilacao; }

 private:
  HRESULT m_codigo;
  int32_t m_codigo2;
  int32_t m_codigo3;
  CZQString m_sEmpresa;
  CZQString m_sMensagem;
  CZQString m_sArquivo;
  int32_t m_linha;
  CZQString m_sDataHoraCompilacao;
};

// Message-box styles the ERP's exceptions understand.
inline constexpr unsigned int ZQ_MB_OK = 0x0;
inline constexpr unsigned int ZQ_MB_OKCANCEL = 0x1;
inline constexpr unsigned int ZQ_MB_YESNOCANCEL = 0x3;
inline constexpr unsigned int ZQ_MB_YESNO = 0x4;
inline constexpr unsigned int ZQ_MB_ICONHAND = 0x10;
inline constexpr unsigned int ZQ_MB_ICONQUESTION = 0x20;
inline constexpr unsigned int ZQ_MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned int ZQ_MB_ICONASTERISK = 0x40;
inline constexpr unsigned int ZQ_MB_ICONMASK = 0xF0;

// Base of the support library's exceptions.
class CL_EXPORT CException {
 public:
  virtual ~CException();
  // Shows the exception to the user and returns the answer.
  virtual int ReportError(unsigned int estilo = ZQ_MB_OK, unsigned int ajuda = 0) const;
  virtual CZQString GetErrorMessage() const;
};

// The support library's exception: a code, the module of its message, an operating
// system error number and a text.
class CL_EXPORT CZQException : public CException {
 public:
  CZQException(long codigo, _ZQModulo modulo, int erroSO = 0, const char* texto = nullptr);

  long GetCodigo() const { return m_lCodigo; }
  _ZQModulo GetModulo() const { return m_modulo; }
  int GetErroSO() const { return m_iErroSO; }

  int ReportError(unsigned int estilo = ZQ_MB_OK, unsigned int ajuda = 0) const override;
  // The text shown: own text, else the message by code and module, else the unknown-code
  // text; followed by the operating system's error when there is one.
  CZQString GetErrorMessage() const override;

 private:
  long m_lCodigo;
  _ZQModulo m_modulo;
  int m_iErroSO;
  CZQString m_sTexto;
};

namespace zq {
// The library's build date and time, "Mmm dd yyyy hh:mm:ss".
const char* DataHoraCompilacao();
}  // namespace zq
