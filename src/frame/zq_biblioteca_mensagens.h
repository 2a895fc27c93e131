#pragma once

#include <cstddef>
#include <string>

// The ERP's message library opened for one lookup and closed when the object goes
// out of scope, so that a library replaced on disk is picked up by the next lookup.
namespace zq {

class CZQBibliotecaMensagens {
 public:
  // Opens the library named by the configuration ("biblioteca_mensagens"), by default
  // libzqmensagens.so beside the shared object that holds this code. A library that
  // cannot be opened leaves the object closed; nothing is reported.
  CZQBibliotecaMensagens();
  ~CZQBibliotecaMensagens();
  CZQBibliotecaMensagens(const CZQBibliotecaMensagens&) = delete;
  CZQBibliotecaMensagens& operator=(const CZQBibliotecaMensagens&) = delete;

  bool Aberta() const { return m_handle != nullptr; }

  // The export of that name cast to the given function-pointer type; null when the
  // library is closed or lacks it.
  template <class Funcao>
  Funcao Simbolo(const char* nome) const {
    return reinterpret_cast<Funcao>(SimboloBruto(nome));
  }

  // Where the library is looked for.
  static std::string Caminho();

 private:
  void* SimboloBruto(const char* nome) const;
  void* m_handle = nullptr;
};

// Calls a copying export (see platform/components/zq_mensagens_abi.h) as `copia(destino,
// tamanho)` and returns the whole text, growing the buffer when the first one is short.
template <class Copia>
std::string LeTextoCopiado(Copia&& copia) {
  char local[512];
  size_t tamanho = copia(local, sizeof local);
  if (tamanho == 0) return {};
  if (tamanho < sizeof local) return std::string(local, tamanho);
  std::string texto(tamanho + 1, '\0');
  size_t segundo = copia(texto.data(), texto.size());
  texto.resize(segundo < tamanho ? segundo : tamanho);
  return texto;
}

}  // namespace zq
