#pragma once

#include "frame/cl_export.h"
#include "frame/zq_base_rotinas.h"
#include "frame/zq_erro.h"

class TZQBaseParaDados;

// Receives the inconsistencies a save-time validation finds, for a screen to show.
class IZQTrataInconsistencia {
 public:
  virtual ~IZQTrataInconsistencia() = default;
  virtual int TrataInconsistencia(const CZQDadosDF_Erro& erro) = 0;
};

// Base of the save-time validators: TrataGravacao runs the class's OnTrataGravacao.
class CL_EXPORT CZQTrataDadosBase : public CZQBaseParaRotinas {
 public:
  virtual CZQDadosDF_Erro& OnPreencheGravacao(TZQBaseParaDados* dados);
  virtual CZQDadosDF_Erro& OnTrataGravacao(TZQBaseParaDados* dados, IZQTrataInconsistencia* trata);
  virtual CZQDadosDF_Erro& OnTrataGravacao(TZQBaseParaDados* dados, CZQDadosDF_Erro& erro);
  virtual CZQDadosDF_Erro& OnTrataExclusao(REG_ZQDMC chave, IZQTrataInconsistencia* trata);
  virtual CZQDadosDF_Erro& OnConsisteGravacao(TZQBaseParaDados* dados);
  virtual CZQDadosDF_Erro& OnConsisteExclusao(TZQBaseParaDados* dados);
  virtual CZQDadosDF_Erro& OnConsisteFiltroBusca(TZQBaseParaDados* filtro);
  virtual CZQDadosDF_Erro& AtualizaTipoOperacao(TZQBaseParaDados* dados);

  // The save-time entry the screens call; hands a found inconsistency to `trata`.
  CZQDadosDF_Erro& TrataGravacao(TZQBaseParaDados* dados, IZQTrataInconsistencia* trata = nullptr);
};

// The shared rules library's data-handling base.
class CL_EXPORT CDFTrataDados : public CZQBaseParaRotinas {
 public:
  virtual int TrataGravacao(TZQBaseParaDados* dados, IZQTrataInconsistencia* trata);
  virtual int TrataGravacao(TZQBaseParaDados* dados, CZQDadosDF_Erro& erro);
  virtual int TrataExclusao(uint32_t posicao, IZQTrataInconsistencia* trata);
  virtual int TrataExclusao(REG_ZQDMC chave, IZQTrataInconsistencia* trata);
  virtual CZQDadosDF_Erro& OnTrataGravacao(TZQBaseParaDados* dados, IZQTrataInconsistencia* trata);
  virtual CZQDadosDF_Erro& OnTrataGravacao(TZQBaseParaDados* dados, CZQDadosDF_Erro& erro);
  virtual CZQDadosDF_Erro& OnTrataExclusao(REG_ZQDMC chave, IZQTrataInconsistencia* trata);
  virtual CZQDadosDF_Erro& AtualizaTipoOperacao(TZQBaseParaDados* dados);
};
