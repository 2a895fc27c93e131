#include "reconciliation/cl_trata_dados_conciliacao_automatica_tesouraria_banco.h"
#include "reconciliation/cl_combinacao_valores_interno.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <numeric>
#include <vector>

#include "frame/zq_currency.h"

namespace {

using ULONG32 = CCLTrataDadosConciliacaoAutomaticaTesourariaBanco::ULONG32;
using Candidatos = CCLTrataDadosConciliacaoAutomaticaTesourariaBanco::Candidatos;

// Built once when the library is loaded; every search compares its target with it.
const tagCY g_cyZero = CZQCurrencyEx(0.0).GetCY();

// Currency arithmetic on the raw counts the searches keep in their arrays.
inline tagCY SomaCY(tagCY a, tagCY b) { return (CZQCurrencyEx(a) + CZQCurrencyEx(b)).GetCY(); }
inline tagCY SubtraiCY(tagCY a, tagCY b) { return (CZQCurrencyEx(a) - CZQCurrencyEx(b)).GetCY(); }

inline uint64_t Modulo(tagCY valor) {
  return valor < 0 ? static_cast<uint64_t>(0) - static_cast<uint64_t>(valor) : static_cast<uint64_t>(valor);
}

inline uint64_t SomaSaturada(uint64_t a, uint64_t b) {
  const uint64_t soma = a + b;
  return soma < a ? std::numeric_limits<uint64_t>::max() : soma;
}

// ---------------------------------------------------------------------------
// Every sum the last j candidates of a list can make, for j = 0 .. t, sorted and
// without repeats. A running sum s at a level with j candidates left can still
// reach the target only if target - s is one of them: a test that cuts, with one
// search, a subtree the bounds alone would walk through in full.
class SomasDoFinal {
 public:
  // False when the table is not built: sums of these amounts could leave the
  // 64-bit range, where the table would not be exact.
  bool Monta(const tagCY* valores, size_t niveis, size_t t) {
    __int128 modulos = 0;
    for (size_t i = niveis - t; i < niveis; ++i) modulos += Modulo(valores[i]);
    if (modulos > std::numeric_limits<tagCY>::max()) return false;

    m_niveis = niveis;
    m_porRestantes.assign(t + 1, {});
    m_porRestantes[0].push_back(0);
    for (size_t j = 1; j <= t; ++j) {
      const std::vector<tagCY>& antes = m_porRestantes[j - 1];
      std::vector<tagCY>& agora = m_porRestantes[j];
      const tagCY x = valores[niveis - j];
      agora.reserve(antes.size() * 2);
      size_t a = 0;
      size_t b = 0;
      while (a < antes.size() || b < antes.size()) {
        tagCY proximo;
        if (b == antes.size() || (a < antes.size() && antes[a] <= antes[b] + x)) {
          proximo = antes[a++];
        } else {
          proximo = antes[b++] + x;
        }
        if (agora.empty() || agora.back() != proximo) agora.push_back(proximo);
      }
    }
    return true;
  }

  // Whether the candidates from level i on can make exactly `falta` (the target
  // minus the running sum, positive). Levels before the table answer yes.
  bool PodeFazer(size_t i, uint64_t falta) const {
    const size_t restantes = m_niveis - i;
    if (restantes >= m_porRestantes.size()) return true;
    if (falta > static_cast<uint64_t>(std::numeric_limits<tagCY>::max())) return false;
    const std::vector<tagCY>& somas = m_porRestantes[restantes];
    return std::binary_search(somas.begin(), somas.end(), static_cast<tagCY>(falta));
  }

 private:
  size_t m_niveis = 0;
  std::vector<std::vector<tagCY>> m_porRestantes;
};

// Depth-first search without recursion. Level i stands for position p0 + i; a
// branch is cut early only when no choice among the remaining candidates can
// bring the running sum to the target, so the combination met first is the same
// one the plain search meets first. The cuts: too little positive amount left;
// a gap that is not a multiple of the remaining amounts' common divisor; and,
// once the search has proved long enough to pay for it, a gap that no subset of
// the last candidates makes.
bool BuscaEmProfundidade(const Candidatos& listaCandidatos, tagCY cyAlvo, CZQVector<ULONG32>& listaResultado, size_t p0,
                         tagCY cySomaInicial, int64_t nosAntesDaTabela) {
  const size_t n = static_cast<size_t>(listaCandidatos.GetQuantidade());
  const size_t niveis = n - p0;

  std::vector<tagCY> valores(niveis);
  for (size_t i = 0; i < niveis; ++i) valores[i] = listaCandidatos[p0 + i].second;

  // Suffix bounds: what the positive amounts from level i on can still add, and
  // the common divisor of every amount from level i on (0 when all are zero).
  std::vector<uint64_t> restoPositivo(niveis + 1, 0);
  std::vector<uint64_t> mdcResto(niveis + 1, 0);
  for (size_t i = niveis; i-- > 0;) {
    restoPositivo[i] =
        valores[i] > 0 ? SomaSaturada(restoPositivo[i + 1], static_cast<uint64_t>(valores[i])) : restoPositivo[i + 1];
    mdcResto[i] = std::gcd(mdcResto[i + 1], Modulo(valores[i]));
  }

  // The table of final sums costs about 2^(t+1) steps; it is built only after the
  // search has taken about as many, so short searches never pay for it.
  constexpr size_t kMaxNiveisTabela = 20;
  const size_t t = std::min(niveis, kMaxNiveisTabela);
  const uint64_t limiarTabela = nosAntesDaTabela < 0 ? (uint64_t{1} << t) : static_cast<uint64_t>(nosAntesDaTabela);
  SomasDoFinal somasDoFinal;
  bool tabelaPronta = false;
  uint64_t nos = 0;

  std::vector<tagCY> somas(niveis + 1);
  std::vector<uint8_t> tomou(niveis + 1, 0);
  somas[0] = cySomaInicial;
  size_t i = 0;
  for (;;) {
    const tagCY s = somas[i];
    bool falhou;
    if (s == cyAlvo) {
      // Room first, so that running out of memory cannot leave half a combination.
      const size_t escolhidos = static_cast<size_t>(std::count(tomou.begin(), tomou.begin() + i, 1));
      listaResultado.Reserve(static_cast<size_t>(listaResultado.GetQuantidade()) + escolhidos);
      for (size_t q = 0; q < i; ++q) {
        if (tomou[q]) listaResultado.Add(listaCandidatos[p0 + q].first);
      }
      return true;
    }
    if (nos++ == limiarTabela) tabelaPronta = somasDoFinal.Monta(valores.data(), niveis, t);
    if (s > cyAlvo || i >= niveis) {
      falhou = true;
    } else {
      // s < alvo here, so the gap is positive and fits in 64 unsigned bits.
      const uint64_t falta = static_cast<uint64_t>(cyAlvo) - static_cast<uint64_t>(s);
      const uint64_t mdc = mdcResto[i];
      falhou = restoPositivo[i] < falta || mdc == 0 || falta % mdc != 0 ||
               (tabelaPronta && !somasDoFinal.PodeFazer(i, falta));
    }
    if (!falhou) {
      tomou[i] = 1;
      somas[i + 1] = SomaCY(s, valores[i]);
      ++i;
      continue;
    }
    // Back to the nearest level that took its candidate and now tries skipping it.
    for (;;) {
      if (i == 0) return false;
      --i;
      if (tomou[i]) {
        tomou[i] = 0;
        somas[i + 1] = somas[i];
        ++i;
        break;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// The subset sums of one half, sorted by sum and, among equal sums, by mask
// (bit 0 is the half's first candidate). Only subsets whose total does not
// exceed the target are kept.
class SomasDaMetade {
 public:
  size_t Quantidade() const { return m_quantidade; }
  const tagCY* Somas() const { return m_somas.get(); }
  const ULONG32* Mascaras() const { return m_mascaras.get(); }

  // Built by doubling: the subsets of the first i + 1 candidates are those of
  // the first i merged with the same subsets plus candidate i. Its bit is above
  // every earlier one, so on equal sums the merged-in entries come after, which
  // keeps the mask order inside each sum. Entries that even every remaining
  // negative amount cannot bring back under the target are cut at each step.
  void Monta(const tagCY* valores, unsigned k, tagCY cyAlvo) {
    // limite[i]: the largest sum of the first i candidates that may still end at
    // or below the target, that is target minus the negatives still to come.
    std::vector<__int128> limite(k + 1);
    __int128 negativos = 0;
    limite[k] = cyAlvo;
    for (unsigned i = k; i-- > 0;) {
      if (valores[i] < 0) negativos += valores[i];
      limite[i] = static_cast<__int128>(cyAlvo) - negativos;
    }

    // Up to 2^25 entries (384 MB) the whole half is reserved at once, as the pages
    // are only taken when written; beyond that, or when the system refuses that
    // much at once, the room grows as the cut allows.
    constexpr unsigned kMaxReservaInicial = 25;
    try {
      Garante(k <= kMaxReservaInicial ? size_t{1} << k : 1, 0);
    } catch (const std::bad_alloc&) {
      Garante(1, 0);
    }
    m_quantidade = 0;
    if (0 <= limite[0]) {
      m_somas[0] = 0;
      m_mascaras[0] = 0;
      m_quantidade = 1;
    }
    for (unsigned i = 0; i < k && m_quantidade > 0; ++i) {
      const tagCY x = valores[i];
      const ULONG32 bit = static_cast<ULONG32>(1) << i;
      const size_t m = m_quantidade;
      const size_t cb = ContaAte(m, limite[i + 1]);
      const size_t cp = ContaAte(m, limite[i + 1] - x);
      Garante(std::max(m, cb + cp), m);

      tagCY* S = m_somas.get();
      ULONG32* M = m_mascaras.get();
      // Merged from the back, in place: the slot written is never one still to
      // be read by either side.
      size_t ib = cb;
      size_t ip = cp;
      size_t o = cb + cp;
      // Written without branches: which side comes next is a coin toss the
      // processor cannot predict.
      while (ip > 0 && ib > 0) {
        const tagCY sp = SomaCY(S[ip - 1], x);
        const ULONG32 mp = M[ip - 1] | bit;
        const tagCY sb = S[ib - 1];
        const ULONG32 mb = M[ib - 1];
        const bool daBase = sb > sp;
        --o;
        S[o] = daBase ? sb : sp;
        M[o] = daBase ? mb : mp;
        ib -= daBase;
        ip -= !daBase;
      }
      while (ip > 0) {
        --o;
        --ip;
        S[o] = SomaCY(S[ip], x);
        M[o] = M[ip] | bit;
      }
      m_quantidade = cb + cp;
    }
  }

 private:
  // How many of the first m entries have a sum not above the limit.
  size_t ContaAte(size_t m, __int128 limiteSoma) const {
    if (limiteSoma >= std::numeric_limits<tagCY>::max()) return m;
    if (limiteSoma < std::numeric_limits<tagCY>::min()) return 0;
    const tagCY* S = m_somas.get();
    return static_cast<size_t>(std::upper_bound(S, S + m, static_cast<tagCY>(limiteSoma)) - S);
  }

  // Room for at least n entries, keeping the first manter.
  void Garante(size_t n, size_t manter) {
    if (n <= m_capacidade) return;
    const size_t novaCapacidade = std::max(n, m_capacidade * 2);
    std::unique_ptr<tagCY[]> somas(new tagCY[novaCapacidade]);
    std::unique_ptr<ULONG32[]> mascaras(new ULONG32[novaCapacidade]);
    if (manter > 0) {
      std::memcpy(somas.get(), m_somas.get(), manter * sizeof(tagCY));
      std::memcpy(mascaras.get(), m_mascaras.get(), manter * sizeof(ULONG32));
    }
    m_somas = std::move(somas);
    m_mascaras = std::move(mascaras);
    m_capacidade = novaCapacidade;
  }

  std::unique_ptr<tagCY[]> m_somas;
  std::unique_ptr<ULONG32[]> m_mascaras;
  size_t m_quantidade = 0;
  size_t m_capacidade = 0;
};

// The smallest mask whose subset sums exactly to the target, if any.
bool MenorMascaraExata(const SomasDaMetade& metade, tagCY cyAlvo, ULONG32& mascara) {
  const tagCY* S = metade.Somas();
  const size_t n = metade.Quantidade();
  const tagCY* p = std::lower_bound(S, S + n, cyAlvo);
  if (p == S + n || *p != cyAlvo) return false;
  mascara = metade.Mascaras()[p - S];
  return true;
}

void AcrescentaMascara(const Candidatos& listaCandidatos, size_t inicio, ULONG32 mascara,
                       CZQVector<ULONG32>& listaIds) {
  for (unsigned bit = 0; mascara != 0; ++bit, mascara >>= 1) {
    if (mascara & 1u) listaIds.Add(listaCandidatos[inicio + bit].first);
  }
}

bool BuscaPorMetades(const Candidatos& listaCandidatos, tagCY cyAlvo, CZQVector<ULONG32>& listaResultado) {
  const size_t n = static_cast<size_t>(listaCandidatos.GetQuantidade());
  const size_t h = n / 2;
  const unsigned kA = static_cast<unsigned>(h);
  const unsigned kB = static_cast<unsigned>(n - h);

  std::vector<tagCY> valores(n);
  for (size_t i = 0; i < n; ++i) valores[i] = listaCandidatos[i].second;

  // The winner is built aside and only then replaces the caller's list, so a
  // failure on the way leaves that list untouched.
  CZQVector<ULONG32> listaIds;

  SomasDaMetade somasA;
  somasA.Monta(valores.data(), kA, cyAlvo);
  ULONG32 mascaraA = 0;
  if (MenorMascaraExata(somasA, cyAlvo, mascaraA)) {
    AcrescentaMascara(listaCandidatos, 0, mascaraA, listaIds);
    listaResultado = std::move(listaIds);
    return true;
  }

  SomasDaMetade somasB;
  somasB.Monta(valores.data() + h, kB, cyAlvo);
  ULONG32 mascaraB = 0;
  if (MenorMascaraExata(somasB, cyAlvo, mascaraB)) {
    AcrescentaMascara(listaCandidatos, h, mascaraB, listaIds);
    listaResultado = std::move(listaIds);
    return true;
  }

  // Join: walk the first half upward by sum while the second half is walked
  // downward by the complement. Among all matches the first-half subset with the
  // smallest mask wins; its partner is the second-half subset with the largest
  // mask among those with the complementary sum, the top of that sum's run.
  const tagCY* SA = somasA.Somas();
  const ULONG32* MA = somasA.Mascaras();
  const size_t nA = somasA.Quantidade();
  const tagCY* SB = somasB.Somas();
  const ULONG32* MB = somasB.Mascaras();
  size_t j = somasB.Quantidade();
  bool achou = false;
  ULONG32 melhorA = 0;
  ULONG32 melhorB = 0;
  for (size_t i = 0; i < nA && j > 0;) {
    const tagCY somaA = SA[i];
    const ULONG32 menorMascaraGrupo = MA[i];
    while (i < nA && SA[i] == somaA) ++i;
    const tagCY complemento = SubtraiCY(cyAlvo, somaA);
    while (j > 0 && SB[j - 1] > complemento) --j;
    if (j > 0 && SB[j - 1] == complemento && (!achou || menorMascaraGrupo < melhorA)) {
      achou = true;
      melhorA = menorMascaraGrupo;
      melhorB = MB[j - 1];
    }
  }
  if (!achou) return false;
  AcrescentaMascara(listaCandidatos, 0, melhorA, listaIds);
  AcrescentaMascara(listaCandidatos, h, melhorB, listaIds);
  listaResultado = std::move(listaIds);
  return true;
}

}  // namespace

CCLTrataDadosConciliacaoAutomaticaTesourariaBanco::CCLTrataDadosConciliacaoAutomaticaTesourariaBanco() = default;
CCLTrataDadosConciliacaoAutomaticaTesourariaBanco::~CCLTrataDadosConciliacaoAutomaticaTesourariaBanco() = default;
CCLTrataDadosConciliacaoAutomaticaTesourariaBanco::CCLTrataDadosConciliacaoAutomaticaTesourariaBanco(
    const CCLTrataDadosConciliacaoAutomaticaTesourariaBanco&) = default;
CCLTrataDadosConciliacaoAutomaticaTesourariaBanco& CCLTrataDadosConciliacaoAutomaticaTesourariaBanco::operator=(
    const CCLTrataDadosConciliacaoAutomaticaTesourariaBanco&) = default;
CCLTrataDadosConciliacaoAutomaticaTesourariaBanco& CCLTrataDadosConciliacaoAutomaticaTesourariaBanco::operator=(
    CCLTrataDadosConciliacaoAutomaticaTesourariaBanco&&) = default;

bool cl_combinacao::BuscaBacktracking(const CZQVector<std::pair<uint32_t, tagCY>>& listaCandidatos, tagCY cyAlvo,
                                      CZQVector<uint32_t>& listaResultado, uint32_t ulPosicao, tagCY cySomaAtual,
                                      int64_t nosAntesDaTabela) {
  if (listaCandidatos.GetQuantidade() < 2) return false;
  if (cyAlvo == g_cyZero) return false;
  if (cySomaAtual == cyAlvo) return true;
  if (cySomaAtual > cyAlvo) return false;
  if (ulPosicao >= static_cast<size_t>(listaCandidatos.GetQuantidade())) return false;
  try {
    return BuscaEmProfundidade(listaCandidatos, cyAlvo, listaResultado, ulPosicao, cySomaAtual, nosAntesDaTabela);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool CCLTrataDadosConciliacaoAutomaticaTesourariaBanco::FindCombinacaoValoresBacktracking(
    const Candidatos& listaCandidatos, tagCY cyAlvo, CZQVector<ULONG32>& listaResultado, ULONG32 ulPosicao,
    tagCY cySomaAtual) {
  return cl_combinacao::BuscaBacktracking(listaCandidatos, cyAlvo, listaResultado, ulPosicao, cySomaAtual, -1);
}

bool CCLTrataDadosConciliacaoAutomaticaTesourariaBanco::FindCombinacaoValoresMeetInTheMiddle(
    const Candidatos& listaCandidatos, tagCY cyAlvo, CZQVector<ULONG32>& listaResultado) {
  if (listaCandidatos.GetQuantidade() < 2 || cyAlvo == g_cyZero) return false;
  // The masks are 32-bit: a half of more than 31 candidates cannot be listed.
  if (listaCandidatos.GetQuantidade() - listaCandidatos.GetQuantidade() / 2 > 31) return false;
  try {
    return BuscaPorMetades(listaCandidatos, cyAlvo, listaResultado);
  } catch (const std::bad_alloc&) {
    return false;
  }
}
