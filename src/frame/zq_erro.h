#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_formato.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "platform/components/zq_interacao.h"

class CWnd;

// Kinds of content of an error record.
enum ZQTipoErro : int {
  ZQ_TIPO_ERRO_NENHUM = 0,
  ZQ_TIPO_ERRO_HRESULT = 1,
  ZQ_TIPO_ERRO_AVISO = 2,
  ZQ_TIPO_ERRO_QUESTIONAMENTO = 3,
  ZQ_TIPO_ERRO_INFORMACAO = 4,
  // A line the caller drops silently: an error with no message.
  ZQ_TIPO_ERRO_DESCARTE = 6,
};

// The error record: an HRESULT with two values, or a warning or question by module and
// message code, with the text as it will be shown.
class CL_EXPORT CZQDadosDF_Erro {
 public:
  CZQDadosDF_Erro() = default;
  virtual ~CZQDadosDF_Erro() = default;
  CZQDadosDF_Erro(const CZQDadosDF_Erro&) = default;
  CZQDadosDF_Erro& operator=(const CZQDadosDF_Erro&) = default;

  void Limpar();
  void LimpaErro() { Limpar(); }

  // Takes over another record (a null one clears).
  HRESULT SetErro(const CZQDadosDF_Erro* outro);
  HRESULT SetErro(const CZQDadosDF_Erro& outro) { return SetErro(&outro); }
  // An error from an HRESULT, the class number of who set it and a further value.
  HRESULT SetErro(HRESULT hr, unsigned short classe, long valor);

  // A warning by module and message code; the third value is kept as given.
  HRESULT SetAviso(_ZQModulo modulo, long codigoMensagem, long valor);

  // A warning by module, a value and a message code whose text has placeholders.
  template <typename... A>
  HRESULT SetAvisoPersonalizado(_ZQModulo modulo, long valor, long codigoMensagem, const A&... args) {
    SetAviso(modulo, codigoMensagem, valor);
    m_sTexto = zq::Formata(TextoDoCatalogo(), args...);
    m_bTextoProprio = true;
    return m_hr;
  }
  // A warning by module and code with its own format.
  template <typename... A>
  HRESULT SetAvisoPersonalizado(_ZQModulo modulo, long codigoMensagem, const char* formato, const A&... args) {
    SetAviso(modulo, codigoMensagem, 0);
    m_sTexto = zq::Formata(formato ? formato : "", args...);
    m_bTextoProprio = true;
    return m_hr;
  }
  // A question to the user, formed like the warning above.
  template <typename... A>
  HRESULT SetQuestionamentoPersonalizado(_ZQModulo modulo, long codigoMensagem, const char* formato, const A&... args) {
    SetAvisoPersonalizado(modulo, codigoMensagem, formato, args...);
    m_iTipoErro = ZQ_TIPO_ERRO_QUESTIONAMENTO;
    return m_hr;
  }

  void SetTipoErro(int tipo) { m_iTipoErro = tipo; }
  void SetHR(HRESULT hr) { m_hr = hr; }
  void SetCodigoMensagem(long codigo) { m_lCodigoMensagem = codigo; }
  void SetModuloMensagem(_ZQModulo modulo) { m_modulo = modulo; }
  void SetClasse(unsigned short classe) { m_usClasse = classe; }
  void SetValor(long valor) { m_lValor = valor; }
  // Replaces the text that will be shown.
  void SetTexto(const CZQString& texto) {
    m_sTexto = texto;
    m_bTextoProprio = true;
  }

  bool TemErro() const { return m_iTipoErro != ZQ_TIPO_ERRO_NENHUM; }
  bool EhAviso() const { return m_iTipoErro == ZQ_TIPO_ERRO_AVISO; }
  bool EhQuestionamento() const { return m_iTipoErro == ZQ_TIPO_ERRO_QUESTIONAMENTO; }
  bool EhErroNenhum() const { return m_iTipoErro == ZQ_TIPO_ERRO_NENHUM; }

  int GetTipoErro() const { return m_iTipoErro; }
  HRESULT GetHR() const { return m_hr; }
  long GetCodigoMensagem() const { return m_lCodigoMensagem; }
  _ZQModulo GetModuloMensagem() const { return m_modulo; }
  unsigned short GetClasse() const { return m_usClasse; }
  long GetValor() const { return m_lValor; }
  // The text as it would be shown: the record's own text, else the catalogue's text of
  // the message, else the description of the HRESULT.
  CZQString GetTextoMostraMensagem() const;

  // Shows the record through the process's interaction and returns the answer.
  int MostraMensagem(CWnd* janela, TipoBotao botoes, TipoBotaoDefault padrao) const;

  bool operator==(const CZQDadosDF_Erro& outro) const;

 private:
  std::string TextoDoCatalogo() const;

  int m_iTipoErro = ZQ_TIPO_ERRO_NENHUM;
  HRESULT m_hr = S_OK;
  long m_lCodigoMensagem = 0;
  _ZQModulo m_modulo = 0;
  unsigned short m_usClasse = 0;
  long m_lValor = 0;
  bool m_bTextoProprio = false;
  CZQString m_sTexto;
};

// HRESULT that a warning of a module carries: failure, the module's facility, the code.
CL_EXPORT HRESULT ZQHResultDoAviso(_ZQModulo modulo, long codigoMensagem);
