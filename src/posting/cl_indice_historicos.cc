#include "posting/cl_indice_historicos.h"

#include <algorithm>

void CCLIndiceHistoricos::Limpa() {
  m_nos.clear();
  m_textos.clear();
  m_primeiraPosicao.clear();
  m_iQuantidade = 0;
  m_iTextoUltimo = -1;
  m_bMontado = false;
}

int32_t CCLIndiceHistoricos::Filho(int32_t no, unsigned char byte) const {
  const auto& filhos = m_nos[static_cast<std::size_t>(no)].filhos;
  auto it = std::lower_bound(filhos.begin(), filhos.end(), byte,
                             [](const std::pair<unsigned char, int32_t>& f, unsigned char b) { return f.first < b; });
  return (it != filhos.end() && it->first == byte) ? it->second : -1;
}

int32_t CCLIndiceHistoricos::CriaFilho(int32_t no, unsigned char byte) {
  int32_t existente = Filho(no, byte);
  if (existente >= 0) return existente;
  const int32_t novo = static_cast<int32_t>(m_nos.size());
  m_nos.emplace_back();
  auto& filhos = m_nos[static_cast<std::size_t>(no)].filhos;
  auto it = std::lower_bound(filhos.begin(), filhos.end(), byte,
                             [](const std::pair<unsigned char, int32_t>& f, unsigned char b) { return f.first < b; });
  filhos.insert(it, {byte, novo});
  return novo;
}

void CCLIndiceHistoricos::Monta(const CZQVector<CZQString>& historicos) {
  Limpa();
  m_nos.emplace_back();  // the root: the empty text
  m_iQuantidade = static_cast<int32_t>(historicos.GetQuantidade());
  for (int32_t posicao = 0; posicao < m_iQuantidade; ++posicao) {
    const std::string& texto = historicos[static_cast<std::size_t>(posicao)].str();
    int32_t no = 0;
    for (char c : texto) no = CriaFilho(no, static_cast<unsigned char>(c));
    int32_t& id = m_nos[static_cast<std::size_t>(no)].iTexto;
    if (id < 0) {
      id = static_cast<int32_t>(m_textos.size());
      m_textos.emplace_back(texto);
      m_primeiraPosicao.push_back(posicao);
    }
    if (posicao == m_iQuantidade - 1) m_iTextoUltimo = id;
  }
  m_bMontado = true;
}

void CCLIndiceHistoricos::Prefixos(std::string_view historico, std::vector<Prefixo>& saida) const {
  saida.clear();
  if (m_nos.empty()) return;
  int32_t no = 0;
  std::size_t i = 0;
  for (;;) {
    const int32_t id = m_nos[static_cast<std::size_t>(no)].iTexto;
    if (id >= 0) saida.push_back({m_primeiraPosicao[static_cast<std::size_t>(id)], id});
    if (i == historico.size()) break;
    no = Filho(no, static_cast<unsigned char>(historico[i++]));
    if (no < 0) break;
  }
  // Few texts begin one history: a plain insertion sort keeps this cheap.
  for (std::size_t a = 1; a < saida.size(); ++a) {
    Prefixo p = saida[a];
    std::size_t b = a;
    while (b > 0 && saida[b - 1].iPosicao > p.iPosicao) {
      saida[b] = saida[b - 1];
      --b;
    }
    saida[b] = p;
  }
}
