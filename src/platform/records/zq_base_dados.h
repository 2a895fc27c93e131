#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <tuple>
#include <typeinfo>
#include <utility>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"
#include "frame/zq_vector.h"

// Modules the records belong to (the ERP's module numbers).
inline constexpr _ZQModulo ZQ_MODULO_DF = 1;  // shared enterprise data
inline constexpr _ZQModulo ZQ_MODULO_CR = 3;  // query middleware
inline constexpr _ZQModulo ZQ_MODULO_FN = 4;  // finance (treasury)
inline constexpr _ZQModulo ZQ_MODULO_CN = 5;  // accounting

// Storage key of a record read or searched by the servers: a date and a code (a
// position). Keys order by date, then code.
constexpr REG_ZQDMC ZQMontaDmc(REG_ZQDMA dma, uint32_t codigo) { return REG_ZQDMC{dma, codigo}; }
constexpr bool ZQDmcMenor(const REG_ZQDMC& a, const REG_ZQDMC& b) {
  return a.dma != b.dma ? a.dma < b.dma : a.codigo < b.codigo;
}

// Base of every business record. The virtual operations keep the order of the ERP's
// record base; callers use the non-virtual entries below.
//
// Copy, equality and clearing are those of the record's plain structure (and lists):
// a record class adds accessors only, never state of its own.
class CL_EXPORT TZQBaseParaDados {
 public:
  virtual const std::type_info& GetRuntimeClass() const;
  virtual ~TZQBaseParaDados();
  // Hooks of the object base; records have nothing to say there.
  virtual bool IsSerializable() const;
  virtual void AssertValid() const;
  virtual void Dump() const;

  virtual void OnLimpar() = 0;
  // Takes over a record of the same class; false (nothing changed) for another class.
  virtual bool OnCopiar(const TZQBaseParaDados& origem) = 0;
  // Same class and equal plain structures (and lists).
  virtual bool OnIgual(const TZQBaseParaDados& outro) const = 0;
  virtual TZQBaseParaDados* OnClonar() const = 0;
  virtual bool OnEstaVazio() const = 0;
  // The plain structure, as the servers exchange it.
  virtual std::size_t OnGetTamanhoPS() const = 0;
  virtual const void* OnGetPS() const = 0;
  // Storage key given by the server that stored or read the record; empty ({0, 0})
  // when the record was never stored or its class has no key.
  virtual REG_ZQDMC OnGetChave() const;
  virtual void OnSetChave(REG_ZQDMC chave);
  // A readable name of the record kind, stable across builds (logs, tests, tables).
  virtual const char* OnGetNomeRegistro() const = 0;
  virtual _ZQModulo OnGetModulo() const = 0;
  virtual uint16_t OnGetVersaoPS() const;

  // From a plain structure of tamanho bytes (E_INVALIDARG when it is not this
  // record's structure or ps is null).
  virtual HRESULT CopiarDe(const void* ps, std::size_t tamanho);
  // Into another record of the same class (E_INVALIDARG for another class).
  virtual HRESULT CopiarPara(TZQBaseParaDados& destino) const;
  // Into a plain structure of tamanho bytes.
  virtual HRESULT CopiarParaPS(void* ps, std::size_t tamanho) const;

 protected:
  virtual HRESULT OnCopiarDe(const void* ps, std::size_t tamanho) = 0;
  virtual HRESULT OnCopiarPara(TZQBaseParaDados& destino) const;
  virtual HRESULT OnCopiarParaPS(void* ps, std::size_t tamanho) const = 0;

 public:
  TZQBaseParaDados() = default;
  TZQBaseParaDados(const TZQBaseParaDados&) = default;
  TZQBaseParaDados& operator=(const TZQBaseParaDados&) = default;
  TZQBaseParaDados(TZQBaseParaDados&&) = default;
  TZQBaseParaDados& operator=(TZQBaseParaDados&&) = default;

  void Limpar() { OnLimpar(); }
  bool EstaVazio() const { return OnEstaVazio(); }
  bool Igual(const TZQBaseParaDados& outro) const { return OnIgual(outro); }
  bool Copiar(const TZQBaseParaDados& origem) { return OnCopiar(origem); }
  std::unique_ptr<TZQBaseParaDados> Clonar() const { return std::unique_ptr<TZQBaseParaDados>(OnClonar()); }
  _ZQModulo GetModulo() const { return OnGetModulo(); }
  const char* GetNomeRegistro() const { return OnGetNomeRegistro(); }
  std::size_t GetTamanhoPS() const { return OnGetTamanhoPS(); }
  const void* GetPS() const { return OnGetPS(); }
  REG_ZQDMC GetChaveRegistro() const { return OnGetChave(); }
  void SetChaveRegistro(REG_ZQDMC chave) { OnSetChave(chave); }
  bool MesmaClasse(const TZQBaseParaDados& outro) const { return typeid(*this) == typeid(outro); }
};

// A record over its plain structure REG. REG carries a defaulted operator== (field by
// field, never over padding) and is value-initialised to its empty state.
template <typename REG>
class T_ZQDadosRegistro : public TZQBaseParaDados {
 public:
  using RegistroPS = REG;

  T_ZQDadosRegistro() : m_reg{} {}
  explicit T_ZQDadosRegistro(const REG& reg) : m_reg(reg) {}

  const REG& GetRegistro() const { return m_reg; }
  REG& GetRegistro() { return m_reg; }
  void SetRegistro(const REG& reg) { m_reg = reg; }

  using TZQBaseParaDados::CopiarDe;
  using TZQBaseParaDados::CopiarParaPS;
  void CopiarDe(const REG& reg) { m_reg = reg; }
  void CopiarParaPS(REG& reg) const { reg = m_reg; }

  // Equality of the plain structures: the duplicate key of the import relies on it.
  bool operator==(const T_ZQDadosRegistro& outro) const { return m_reg == outro.m_reg; }

  void OnLimpar() override { m_reg = REG{}; }
  bool OnCopiar(const TZQBaseParaDados& origem) override {
    const auto* outro = dynamic_cast<const T_ZQDadosRegistro*>(&origem);
    if (outro == nullptr || !MesmaClasse(origem)) return false;
    if (outro != this) m_reg = outro->m_reg;
    return true;
  }
  bool OnIgual(const TZQBaseParaDados& outro) const override {
    const auto* registro = dynamic_cast<const T_ZQDadosRegistro*>(&outro);
    return registro != nullptr && MesmaClasse(outro) && m_reg == registro->m_reg;
  }
  bool OnEstaVazio() const override { return m_reg == REG{}; }
  std::size_t OnGetTamanhoPS() const override { return sizeof(REG); }
  const void* OnGetPS() const override { return &m_reg; }

 protected:
  HRESULT OnCopiarDe(const void* ps, std::size_t tamanho) override {
    if (ps == nullptr || tamanho != sizeof(REG)) return E_INVALIDARG;
    m_reg = *static_cast<const REG*>(ps);
    return S_OK;
  }
  HRESULT OnCopiarParaPS(void* ps, std::size_t tamanho) const override {
    if (ps == nullptr || tamanho != sizeof(REG)) return E_INVALIDARG;
    *static_cast<REG*>(ps) = m_reg;
    return S_OK;
  }

  REG m_reg;
};

// A record over its plain structure with one list per item type (the service
// configurations with their rules, a rule with its accounts, the execution records
// with their entries). Lists take part in copy, equality and clearing.
template <typename REG, typename... ITENS>
class T_ZQDadosRegistroComLista : public T_ZQDadosRegistro<REG> {
  using Base = T_ZQDadosRegistro<REG>;

 public:
  static_assert(sizeof...(ITENS) >= 1, "a record with lists has at least one list");

  template <std::size_t I>
  const auto& GetLista() const {
    return std::get<I>(m_listas);
  }
  template <std::size_t I>
  auto& GetLista() {
    return std::get<I>(m_listas);
  }

  bool operator==(const T_ZQDadosRegistroComLista& outro) const {
    return this->m_reg == outro.m_reg && m_listas == outro.m_listas;
  }

  void OnLimpar() override {
    Base::OnLimpar();
    m_listas = {};
  }
  bool OnCopiar(const TZQBaseParaDados& origem) override {
    const auto* outro = dynamic_cast<const T_ZQDadosRegistroComLista*>(&origem);
    if (outro == nullptr || !this->MesmaClasse(origem)) return false;
    if (outro != this) {
      this->m_reg = outro->m_reg;
      m_listas = outro->m_listas;
    }
    return true;
  }
  bool OnIgual(const TZQBaseParaDados& outro) const override {
    const auto* registro = dynamic_cast<const T_ZQDadosRegistroComLista*>(&outro);
    return registro != nullptr && this->MesmaClasse(outro) && *this == *registro;
  }
  bool OnEstaVazio() const override { return Base::OnEstaVazio() && EstaoVazias(std::index_sequence_for<ITENS...>{}); }

 protected:
  std::tuple<CZQVector<ITENS>...> m_listas;

 private:
  template <std::size_t... I>
  bool EstaoVazias(std::index_sequence<I...>) const {
    return (std::get<I>(m_listas).IsEmpty() && ...);
  }
};

// Name, module and cloning of a record class, written once inside each class.
#define ZQ_DECLARA_DADOS(Classe, Modulo)                                    \
 public:                                                                    \
  const char* OnGetNomeRegistro() const override { return #Classe; }        \
  _ZQModulo OnGetModulo() const override { return Modulo; }                 \
  TZQBaseParaDados* OnClonar() const override { return new Classe(*this); } \
  std::unique_ptr<Classe> ClonarRegistro() const { return std::make_unique<Classe>(*this); }

// Get<Nome>/Set<Nome> over a member of the plain structure; the setter returns the
// record so calls chain.
#define ZQ_CAMPO(Classe, Nome, Tipo, membro)      \
  Tipo Get##Nome() const { return m_reg.membro; } \
  Classe& Set##Nome(const Tipo& valor) {          \
    m_reg.membro = valor;                         \
    return *this;                                 \
  }

// The same over a fixed text field (ZQTextoFixo): read as a string, written cut to
// the field without splitting a letter.
#define ZQ_CAMPO_TEXTO_FIXO(Classe, Nome, membro)            \
  CZQString Get##Nome() const { return m_reg.membro.Get(); } \
  Classe& Set##Nome(const CZQString& valor) {                \
    m_reg.membro.Set(valor);                                 \
    return *this;                                            \
  }
