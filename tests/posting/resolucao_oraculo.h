#pragma once

#include <string>

#include "posting/cl_conciliacao_lanca_auto.h"

// The resolution of a statement line walked literally: every place of the history
// list in order, the keys formatted and looked up again at each place where the text
// begins the history. The routine's own resolution must give the same rule, at the same
// place, with the same lookup text. `R` exposes the rules (Regras), the index (Indice)
// and the history texts (Historicos).
namespace zq_lanca {

struct ResolucaoLiteral {
  int posicao = -1;
  int passo = -1;
  std::string texto;
};

template <typename R>
ResolucaoLiteral ResolveLiteral(const R& rotina, uint32_t conta, const CZQDadosCL_Extrato& extrato,
                                ZQVarianteResolucao variante) {
  const auto& historicos = rotina.Historicos();
  const long n = historicos.GetQuantidade();
  const int qtdRegras = static_cast<int>(rotina.Regras().GetQuantidade());
  auto procura = [&](CZQString chave, int& posicao) {
    chave.MakeUpper();
    auto it = rotina.Indice().find(chave);
    if (it == rotina.Indice().end()) return false;
    posicao = it->second;
    return true;
  };
  const int c = static_cast<int>(conta);
  const CZQString codigo = extrato.GetCodigoMvtoBco();
  for (long j = 0; j < n; ++j) {
    CZQString h = extrato.GetHistBco();
    h.MakeUpper();
    const CZQString& t = historicos[static_cast<std::size_t>(j)];
    CZQString busca;
    if (h.Find(t.c_str()) == 0) {
      busca = t;
    } else if (j != n - 1) {
      continue;
    } else {
      busca = h;
    }
    int r = -1;
    CZQString chave;
    chave.Format("%d-%s", c, codigo.c_str());
    if (!procura(chave, r)) {
      chave.Format("0-%s", codigo.c_str());
      procura(chave, r);
    }
    if (variante == ZQ_RESOLUCAO_LANCAMENTO) {
      if (r == -1) {
        chave.Format("%d-%s", c, busca.c_str());
        if (!procura(chave, r)) {
          chave.Format("0-%s", busca.c_str());
          procura(chave, r);
        }
      }
      // A position an earlier, longer load left in the index has no rule to post by.
      if (r >= qtdRegras) r = -1;
      const char nat = extrato.GetNatureza();
      if (r != -1 && ((nat == '+' && rotina.Regras()[static_cast<std::size_t>(r)].iContabilEntrada == 0) ||
                      (nat == '-' && rotina.Regras()[static_cast<std::size_t>(r)].iContabilSaida == 0))) {
        r = -1;
        const char* s = nat == '+' ? "E" : "S";
        chave.Format("%d-%s-%s", c, busca.c_str(), s);
        if (!procura(chave, r)) {
          chave.Format("0-%s-%s", busca.c_str(), s);
          procura(chave, r);
        }
        if (r >= qtdRegras) r = -1;
      }
    } else {
      chave.Format("%d-%s", c, busca.c_str());
      if (!procura(chave, r)) {
        chave.Format("0-%s", busca.c_str());
        procura(chave, r);
      }
    }
    if (r != -1) return {r, static_cast<int>(j), busca.str()};
  }
  return {};
}

}  // namespace zq_lanca
