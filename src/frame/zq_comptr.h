#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

// Base of every server interface: intrusive reference count.
class IZQUnknown {
 public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  virtual ~IZQUnknown() = default;
};

// Reference counting for implementations; deletes itself on the last Release.
template <typename Base>
class TZQRefCounted : public Base {
 public:
  uint32_t AddRef() override { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32_t Release() override {
    uint32_t restantes = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (restantes == 0) delete this;
    return restantes;
  }

 private:
  std::atomic<uint32_t> m_refs{0};
};

// Reference-counted pointer to a server interface.
template <typename I>
class CZQComPtr {
 public:
  CZQComPtr() = default;
  CZQComPtr(I* p) : m_p(p) {  // NOLINT: implicit like the ERP's
    if (m_p) m_p->AddRef();
  }
  CZQComPtr(const CZQComPtr& o) : CZQComPtr(o.m_p) {}
  CZQComPtr(CZQComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
  ~CZQComPtr() { Release(); }

  CZQComPtr& operator=(const CZQComPtr& o) {
    if (this != std::addressof(o)) {
      CZQComPtr copia(o);
      std::swap(m_p, copia.m_p);
    }
    return *this;
  }
  CZQComPtr& operator=(CZQComPtr&& o) noexcept {
    if (this != std::addressof(o)) {
      Release();
      m_p = std::exchange(o.m_p, nullptr);
    }
    return *this;
  }
  CZQComPtr& operator=(I* p) {
    CZQComPtr copia(p);
    std::swap(m_p, copia.m_p);
    return *this;
  }

  void Release() {
    if (m_p) std::exchange(m_p, nullptr)->Release();
  }
  // Hands out the slot for a server to fill; the pointer it writes is owned from then on.
  I** operator&() {
    Release();
    return &m_p;
  }
  I* operator->() const { return m_p; }
  I& operator*() const { return *m_p; }
  I* Get() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  bool operator!() const { return m_p == nullptr; }

 private:
  I* m_p = nullptr;
};
