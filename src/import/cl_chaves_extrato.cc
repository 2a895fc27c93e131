#include "import/cl_chaves_extrato.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace {

inline std::size_t Mistura(std::size_t h, uint64_t v) {
  // 64-bit mix of boost's hash_combine kind, with a multiplier that spreads small integers.
  v *= 0x9E3779B97F4A7C15ull;
  v ^= v >> 32;
  return h ^ (static_cast<std::size_t>(v) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
}

}  // namespace

std::size_t CCLChavesExtrato::Hash(const CZQDadosCL_Extrato& chave) {
  const tagREGEXT_BANPS& r = chave.GetRegistro();
  std::hash<std::string_view> hashTexto;
  std::size_t h = 0;
  h = Mistura(h, r.lPosicao);
  h = Mistura(h, r.lConta);
  h = Mistura(h, r.iFilial);
  h = Mistura(h, static_cast<uint64_t>(r.llDocumento));
  h = Mistura(h, static_cast<uint64_t>(r.cyValor));
  h = Mistura(h, static_cast<unsigned char>(r.cNatureza));
  h = Mistura(h, hashTexto(r.sHistBco.str()));
  h = Mistura(h, hashTexto(r.sCodigoMvtoBco.str()));
  h = Mistura(h, r.dmaExtrato);
  h = Mistura(h, r.dmaImportacao);
  h = Mistura(h, static_cast<unsigned char>(r.cConciliado));
  h = Mistura(h, static_cast<unsigned char>(r.cTipoConciliacao));
  h = Mistura(h, r.lNumeroConciliacao);
  return h;
}

bool CCLChavesExtrato::Contem(const CZQDadosCL_Extrato& chave) const {
  auto [inicio, fim] = m_indice.equal_range(Hash(chave));
  for (auto it = inicio; it != fim; ++it) {
    if (m_lista[it->second] == chave) return true;
  }
  return false;
}

void CCLChavesExtrato::Adiciona(const CZQDadosCL_Extrato& chave) {
  m_lista.Add(chave);
  Indexa(static_cast<std::size_t>(m_lista.GetQuantidade() - 1));
}

bool CCLChavesExtrato::AdicionaSeNova(const CZQDadosCL_Extrato& chave) {
  if (Contem(chave)) return false;
  Adiciona(chave);
  return true;
}

void CCLChavesExtrato::HistoricoEmMaiusculas() {
  m_indice.clear();
  for (std::size_t i = 0; i < m_lista.Std().size(); ++i) {
    CZQString historico = m_lista[i].GetHistBco();
    m_lista[i].SetHistBco(historico.MakeUpper());
    Indexa(i);
  }
}

void CCLChavesExtrato::Reserva(std::size_t quantidade) {
  m_lista.Reserve(quantidade);
  m_indice.reserve(quantidade);
}

void CCLChavesExtrato::Indexa(std::size_t indice) { m_indice.emplace(Hash(m_lista[indice]), indice); }
