#pragma once

#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_string.h"

// Buttons of a message shown to the user and the answers, with the values the ERP's
// screens know: set 0 asks yes or no, which is what a question needs.
enum TipoBotao : int {
  ZQ_BOTAO_SIM_NAO = 0,
  ZQ_BOTAO_OK = 1,
  ZQ_BOTAO_OK_CANCELAR = 2,
  ZQ_BOTAO_SIM_NAO_CANCELAR = 3,
};

enum TipoBotaoDefault : int {
  ZQ_BOTAO_DEFAULT_1 = 0,
  ZQ_BOTAO_DEFAULT_2 = 1,
  ZQ_BOTAO_DEFAULT_3 = 2,
};

enum TipoIcone : int {
  ZQ_ICONE_NENHUM = 0,
  ZQ_ICONE_ERRO = 1,
  ZQ_ICONE_QUESTAO = 2,
  ZQ_ICONE_AVISO = 3,
  ZQ_ICONE_INFORMACAO = 4,
};

inline constexpr int ZQ_IDOK = 1;
inline constexpr int ZQ_IDCANCEL = 2;
inline constexpr int ZQ_IDYES = 6;
inline constexpr int ZQ_IDNO = 7;

// The answer a button set gives when its n-th button (0-based) is chosen.
CL_EXPORT int ZQRespostaDoBotao(TipoBotao botoes, int indice);
// The answer of the default button.
CL_EXPORT int ZQRespostaPadrao(TipoBotao botoes, TipoBotaoDefault padrao);

// Where messages and questions for a person go: a terminal prompt in the command-line
// tool, the default answer in a service. Replaces the Windows message box.
class IZQInteracao {
 public:
  virtual ~IZQInteracao() = default;
  // Shows the text and returns the chosen answer (ZQ_IDOK, ZQ_IDYES, ...).
  virtual int Mostra(const CZQString& texto, TipoIcone icone, TipoBotao botoes, TipoBotaoDefault padrao) = 0;
};

// The process's current interaction; never null. By default nobody is asked: the
// default button answers and the text goes to standard error.
CL_EXPORT IZQInteracao& ZQGetInteracao();
// Installs an interaction (null restores the default); returns the previous one.
CL_EXPORT IZQInteracao* ZQDefineInteracao(IZQInteracao* interacao);
