#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// The ERP's growable array. A thin wrapper over std::vector with the names the
// rules use; iteration works with range-for.
template <typename T>
class CZQVector {
 public:
  CZQVector() = default;
  CZQVector(std::initializer_list<T> init) : m_itens(init) {}

  long GetQuantidade() const { return static_cast<long>(m_itens.size()); }
  bool IsEmpty() const { return m_itens.empty(); }
  T* GetData() { return m_itens.data(); }
  const T* GetData() const { return m_itens.data(); }

  T& operator[](std::size_t i) { return m_itens[i]; }
  const T& operator[](std::size_t i) const { return m_itens[i]; }
  T& GetAt(std::size_t i) { return m_itens[i]; }
  const T& GetAt(std::size_t i) const { return m_itens[i]; }

  long Add(const T& item) {
    m_itens.push_back(item);
    return GetQuantidade() - 1;
  }
  long Add(T&& item) {
    m_itens.push_back(std::move(item));
    return GetQuantidade() - 1;
  }
  void InsertAt(std::size_t i, const T& item) {
    m_itens.insert(m_itens.begin() + static_cast<std::ptrdiff_t>(i), item);
  }
  void RemoveAt(std::size_t i) { m_itens.erase(m_itens.begin() + static_cast<std::ptrdiff_t>(i)); }
  void RemoveAll() { m_itens.clear(); }
  void SetQuantidade(std::size_t n) { m_itens.resize(n); }
  void Reserve(std::size_t n) { m_itens.reserve(n); }

  auto begin() { return m_itens.begin(); }
  auto end() { return m_itens.end(); }
  auto begin() const { return m_itens.begin(); }
  auto end() const { return m_itens.end(); }

  std::vector<T>& Std() { return m_itens; }
  const std::vector<T>& Std() const { return m_itens; }

  bool operator==(const CZQVector& outro) const = default;

 private:
  std::vector<T> m_itens;
};
