#pragma once

#include <cstdint>
#include <memory>

#include "frame/cl_export.h"
#include "frame/zq_erro.h"
#include "frame/zq_profiler.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "platform/access/zq_acesso_servidores.h"

class IZQUnknown;
class CZQBaseParaRotinas;

// A block of bytes handed to FuncaoGenerica.
struct _REG_CR_LISTA_BYTESPS {
  uint32_t tamanho;
  uint8_t* bytes;
};

// Life cycle of a routine: initialisation, parameters and its data-access hub.
class CL_EXPORT TZQBase {
 public:
  virtual ~TZQBase() = default;
  virtual HRESULT OnInicializa();
  virtual HRESULT OnFinaliza();
  virtual void OnSetMostrarMensagens();
  virtual void OnLerParametros();
  virtual void OnResetBuffer();
  virtual HRESULT ForcarReinicializacaoBaseParaRotinas(const CZQString& empresa, unsigned short usuario,
                                                       long numeroSessao);
  virtual CZQAcessoServidores* GetAcessoServidores();
  virtual HRESULT FuncaoGenerica(unsigned long funcao, const _REG_CR_LISTA_BYTESPS& entrada,
                                 _REG_CR_LISTA_BYTESPS** saida);
  virtual CZQAcessoServidores* New_CZQAcessoServidores();
};

// Company, user and session of a routine. A screen or the command-line tool builds one
// with the person's identity and binds its first routine to it.
class CL_EXPORT CZQProfilerEmpresa : public IZQDF_Profiler {
 public:
  CZQProfilerEmpresa() = default;
  CZQProfilerEmpresa(const CZQString& empresa, unsigned short usuario, unsigned long numeroSessao)
      : m_sEmpresa(empresa), m_usUsuario(usuario), m_ulNumeroSessao(numeroSessao) {}

  CZQString GetEmpresa() const override { return m_sEmpresa; }
  unsigned short GetUsuario() const override { return m_usUsuario; }
  unsigned long GetNumeroSessao() const override { return m_ulNumeroSessao; }

  void SetIdentidade(const IZQDF_Profiler& outro);

 private:
  CZQString m_sEmpresa;
  unsigned short m_usUsuario = 0;
  unsigned long m_ulNumeroSessao = 0;
};

// Binding to an owner: takes the owner's identity and runs OnInicializa.
class CL_EXPORT CZQInicializador : public TZQBase, public CZQProfilerEmpresa {
 public:
  // Written Inicializa(this) by an owner that is itself a routine.
  HRESULT Inicializa(const IZQDF_Profiler* dono);
  bool EstaInicializado() const { return m_bInicializado; }

 protected:
  bool m_bInicializado = false;
};

// The routine's last error, kept in the record it derives from.
class CL_EXPORT CZQUltimoErro : public CZQDadosDF_Erro {
 public:
  ~CZQUltimoErro() override = default;
  virtual void OnErroRPC();
  virtual HRESULT SetErro(const CZQDadosDF_Erro& erro);
  virtual HRESULT SetErro(const CZQDadosDF_Erro* erro);
  virtual HRESULT SetErro(HRESULT hr, int classe, long valor, const char* formato, ...)
      __attribute__((format(printf, 5, 6)));
  virtual HRESULT SetErro(HRESULT hr, int classe, long valor);
  virtual void SetUltimoErroInterface(IZQUnknown* servidor);
  virtual const CZQDadosDF_Erro& GetErro() const;
  virtual CZQDadosDF_Erro& GetErro();
  virtual void LimpaErro();
  virtual HRESULT GetUltimoHR();
  virtual int GetNumeroServidorUltimoHR();
  virtual CZQString GetEmpresaErroVirtual();
};

class CL_EXPORT IZQGetBaseParaRotinas {
 public:
  virtual CZQBaseParaRotinas* GetBaseParaRotinas() = 0;

 protected:
  ~IZQGetBaseParaRotinas() = default;
};

// The base of every routine of the module.
class CL_EXPORT CZQBaseParaRotinas : public CZQInicializador, public CZQUltimoErro, public IZQGetBaseParaRotinas {
 public:
  CZQBaseParaRotinas() = default;
  CZQBaseParaRotinas(const CZQBaseParaRotinas& outro);
  CZQBaseParaRotinas& operator=(const CZQBaseParaRotinas& outro);
  CZQBaseParaRotinas(CZQBaseParaRotinas&& outro) noexcept;
  CZQBaseParaRotinas& operator=(CZQBaseParaRotinas&& outro) noexcept;
  ~CZQBaseParaRotinas() override;

  HRESULT OnInicializa() override;
  CZQAcessoServidores* GetAcessoServidores() override;
  CZQAcessoServidores* New_CZQAcessoServidores() override;
  CZQBaseParaRotinas* GetBaseParaRotinas() override { return this; }

  // The areas of the routine's hub, never null: without servers, or with a hub that
  // lacks the area, the one that refuses every call (platform/access/zq_acesso_indisponivel.h).
  CZQAcessoConciliacao* AreaConciliacao();
  CZQAcessoEmpresarial* AreaEmpresarial();
  CZQAcessoFinanceiro* AreaFinanceiro();
  CZQAcessoContabil* AreaContabil();
  CZQAcessoIntegracao* AreaIntegracao();

  // Both bases declare these; the routine's own record is the one meant.
  using CZQUltimoErro::GetErro;
  using CZQUltimoErro::LimpaErro;
  using CZQUltimoErro::SetErro;

 private:
  std::unique_ptr<CZQAcessoServidores> m_pAcessoServidores;
};
