#include "import/cl_chaves_extrato.h"

#include <algorithm>
#include <bit>
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
  if (m_vagas.empty()) return false;
  const std::size_t hash = Hash(chave), mascara = m_vagas.size() - 1;
  for (std::size_t i = Inicio(hash); m_vagas[i].indiceMaisUm != 0; i = (i + 1) & mascara) {
    if (m_vagas[i].hash == hash && m_lista[m_vagas[i].indiceMaisUm - 1] == chave) return true;
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
  std::fill(m_vagas.begin(), m_vagas.end(), Vaga{});
  for (std::size_t i = 0; i < m_lista.Std().size(); ++i) {
    CZQString historico = m_lista[i].GetHistBco();
    m_lista[i].SetHistBco(historico.MakeUpper());
    Indexa(i);
  }
}

void CCLChavesExtrato::Reserva(std::size_t quantidade) {
  m_lista.Reserve(quantidade);
  if (quantidade * 2 > m_vagas.size()) Redimensiona(std::bit_ceil(quantidade * 2));
}

std::size_t CCLChavesExtrato::Inicio(std::size_t hash) const {
  // The hash's high bits after one more multiplication: its low bits alone mix less.
  return static_cast<std::size_t>((static_cast<uint64_t>(hash) * 0x9E3779B97F4A7C15ull) >> (64 - m_bitsVagas));
}

void CCLChavesExtrato::Redimensiona(std::size_t vagas) {
  std::vector<Vaga> antigas(vagas);
  antigas.swap(m_vagas);
  m_bitsVagas = static_cast<std::size_t>(std::countr_zero(vagas));
  const std::size_t mascara = vagas - 1;
  for (const Vaga& vaga : antigas) {
    if (vaga.indiceMaisUm == 0) continue;
    std::size_t i = Inicio(vaga.hash);
    while (m_vagas[i].indiceMaisUm != 0) i = (i + 1) & mascara;
    m_vagas[i] = vaga;
  }
}

void CCLChavesExtrato::Indexa(std::size_t indice) {
  // Kept at most half full, where a search ends after a place or two.
  if ((indice + 1) * 2 > m_vagas.size()) Redimensiona(std::max<std::size_t>(16, m_vagas.size() * 2));
  const std::size_t hash = Hash(m_lista[indice]), mascara = m_vagas.size() - 1;
  std::size_t i = Inicio(hash);
  while (m_vagas[i].indiceMaisUm != 0) i = (i + 1) & mascara;
  m_vagas[i] = {hash, indice + 1};
}
