#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/zq_string.h"
#include "frame/zq_vector.h"

// The rules' history texts arranged for the lookup of one statement line: which of
// the texts begin a given history, each with the first place it holds in the list.
//
// A line tries the texts in list order and stops at the first that gives a rule; what a
// text gives depends on the text alone, never on its place, so only the first place of
// each distinct text matters. A prefix tree over the distinct texts finds every text
// that begins a history in one walk over the history's bytes, instead of one
// comparison per rule.
class CCLIndiceHistoricos {
 public:
  // A text that begins the history: its first place in the list and its number among
  // the distinct texts.
  struct Prefixo {
    int32_t iPosicao;
    int32_t iTexto;
  };

  void Monta(const CZQVector<CZQString>& historicos);
  void Limpa();

  bool EstaMontado() const { return m_bMontado; }
  // Number of places in the list the index was made from.
  int32_t Quantidade() const { return m_iQuantidade; }
  int32_t QuantidadeTextos() const { return static_cast<int32_t>(m_textos.size()); }
  const CZQString& Texto(int32_t iTexto) const { return m_textos[static_cast<std::size_t>(iTexto)]; }
  // Number of the text at the last place of the list.
  int32_t TextoUltimo() const { return m_iTextoUltimo; }

  // Every distinct text that begins `historico` (the empty text always does), in order
  // of first place. `saida` is replaced.
  void Prefixos(std::string_view historico, std::vector<Prefixo>& saida) const;

 private:
  struct No {
    // Children by next byte, in ascending order of byte.
    std::vector<std::pair<unsigned char, int32_t>> filhos;
    int32_t iTexto = -1;
  };

  int32_t Filho(int32_t no, unsigned char byte) const;
  int32_t CriaFilho(int32_t no, unsigned char byte);

  std::vector<No> m_nos;
  std::vector<CZQString> m_textos;
  std::vector<int32_t> m_primeiraPosicao;  // by text number
  int32_t m_iQuantidade = 0;
  int32_t m_iTextoUltimo = -1;
  bool m_bMontado = false;
};
