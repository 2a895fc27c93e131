#include "reconciliation/cl_bancada.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "frame/zq_config.h"
#include "reconciliation/cl_trata_dados_conciliacao_automatica_tesouraria_banco.h"

namespace {

using Combinacao = CCLTrataDadosConciliacaoAutomaticaTesourariaBanco;

long Dias(REG_ZQDMA a, REG_ZQDMA b) { return a > b ? static_cast<long>(a - b) : static_cast<long>(b - a); }

std::string Apara(std::string texto) {
  const auto fora = texto.find_last_not_of(' ');
  texto.erase(fora == std::string::npos ? 0 : fora + 1);
  texto.erase(0, std::min(texto.size(), texto.find_first_not_of(' ')));
  return texto;
}

std::string TextoDias(long dias) {
  if (dias == 0) return "mesma data";
  return std::to_string(dias) + (dias == 1 ? " dia de diferença" : " dias de diferença");
}

// One to one is the surest kind; every day apart costs, an equal document
// earns.
constexpr int kPontosUmParaUm = 100;
constexpr int kPontosCombinacao = 60;
constexpr int kPontosPorDia = 5;
constexpr int kPontosDocumento = 10;

// Seeks, among the unused items of `outros` with the sign of `alvo` and dated
// near it, a combination of two or more whose amounts add up to it.
bool BuscaCombinacao(const CLItemAberto& alvo, const std::vector<CLItemAberto>& outros, const std::vector<bool>& usados,
                     const CLParametrosSugestao& p, std::vector<std::size_t>& escolhidos, long& maiorDistancia) {
  std::vector<std::size_t> candidatos;
  for (std::size_t i = 0; i < outros.size(); ++i) {
    const CLItemAberto& o = outros[i];
    if (usados[i] || o.valor == 0 || (o.valor > 0) != (alvo.valor > 0)) continue;
    if (std::llabs(o.valor) > std::llabs(alvo.valor) || Dias(o.data, alvo.data) > p.dias) continue;
    candidatos.push_back(i);
  }
  if (candidatos.size() < 2) return false;
  std::stable_sort(candidatos.begin(), candidatos.end(), [&](std::size_t a, std::size_t b) {
    return std::make_tuple(Dias(outros[a].data, alvo.data), outros[a].posicao) <
           std::make_tuple(Dias(outros[b].data, alvo.data), outros[b].posicao);
  });
  if (candidatos.size() > static_cast<std::size_t>(p.maxCandidatos)) candidatos.resize(p.maxCandidatos);
  // The searches work on positive amounts and hand back indexes into
  // `candidatos`.
  Combinacao::Candidatos lista;
  for (std::size_t k = 0; k < candidatos.size(); ++k)
    lista.Add({static_cast<uint32_t>(k), std::llabs(outros[candidatos[k]].valor)});
  CZQVector<uint32_t> resultado;
  const bool achou = static_cast<long>(candidatos.size()) <= p.limiteBacktracking
                         ? Combinacao::FindCombinacaoValoresBacktracking(lista, std::llabs(alvo.valor), resultado, 0, 0)
                         : Combinacao::FindCombinacaoValoresMeetInTheMiddle(lista, std::llabs(alvo.valor), resultado);
  if (!achou || resultado.GetQuantidade() < 2) return false;
  escolhidos.clear();
  maiorDistancia = 0;
  for (uint32_t k : resultado) {
    escolhidos.push_back(candidatos[k]);
    maiorDistancia = std::max(maiorDistancia, Dias(outros[candidatos[k]].data, alvo.data));
  }
  std::sort(escolhidos.begin(), escolhidos.end());
  return true;
}

}  // namespace

HRESULT CLLeAbertos(CZQAcessoConciliacao& acesso, uint32_t conta, uint32_t filial, REG_ZQDMA de, REG_ZQDMA ate,
                    CLAbertos& abertos, CZQDadosDF_Erro& erro) {
  abertos = CLAbertos{};
  abertos.conta = conta;
  CZQDadosCL_ConciliacaoAutomatica pedido;
  pedido.SetPonteiroConta(conta).SetPonteiroFilial(filial).SetDataInicial(de).SetDataFinal(ate);
  CZQDadosCL_ConciliacaoTesourariaBancos achado;
  const HRESULT hr = acesso.BuscaConciliacao(pedido, achado);
  if (FAILED(hr)) {
    erro = *acesso.GetErro();
    return hr;
  }
  for (const CZQDadosCL_Extrato& l : achado.GetListaExtrato()) {
    CLItemAberto item;
    item.posicao = l.GetPosicao();
    item.data = l.GetDmaExtrato();
    item.valor = l.GetNatureza() == '-' ? -std::llabs(l.GetValor()) : std::llabs(l.GetValor());
    if (l.GetDocumento() != 0) item.documento = std::to_string(l.GetDocumento());
    item.historico = l.GetHistBco().c_str();
    item.codigo = l.GetCodigoMvtoBco().c_str();
    abertos.totalLinhas += item.valor;
    abertos.linhas.push_back(std::move(item));
  }
  for (const CZQDadosFN_Tesouraria& e : achado.GetListaTesouraria()) {
    // A transfer between two sides of the same account moves nothing on the
    // statement.
    if (e.GetPonteiroContaEnt() == conta && e.GetPonteiroContaSai() == conta) continue;
    CLItemAberto item;
    item.posicao = e.GetPosicaoReg();
    item.data = e.GetDataLancamento();
    item.valor = e.GetPonteiroContaEnt() == conta ? std::llabs(e.GetValor()) : -std::llabs(e.GetValor());
    item.documento = Apara(e.GetDocumento().c_str());
    abertos.totalEntradas += item.valor;
    abertos.entradas.push_back(std::move(item));
  }
  const auto ordem = [](const CLItemAberto& a, const CLItemAberto& b) {
    return std::tie(a.data, a.posicao) < std::tie(b.data, b.posicao);
  };
  std::sort(abertos.linhas.begin(), abertos.linhas.end(), ordem);
  std::sort(abertos.entradas.begin(), abertos.entradas.end(), ordem);
  return S_OK;
}

CLParametrosSugestao CLLeParametrosSugestao() {
  const CZQConfiguracao& c = CZQConfiguracao::Global();
  CLParametrosSugestao p;
  p.dias = std::max(0L, c.GetInteiro("conciliacao_dias_diferenca", p.dias));
  // A half of the split search lists 2^(n/2) sums: 40 keeps it within memory.
  p.maxCandidatos = std::clamp(c.GetInteiro("conciliacao_candidatos", p.maxCandidatos), 2L, 40L);
  p.limiteBacktracking = std::max(0L, c.GetInteiro("conciliacao_candidatos_backtracking", p.limiteBacktracking));
  return p;
}

std::vector<CLSugestao> CLSugere(const CLAbertos& abertos, const CLParametrosSugestao& p) {
  const std::vector<CLItemAberto>& linhas = abertos.linhas;
  const std::vector<CLItemAberto>& entradas = abertos.entradas;
  std::vector<bool> linhaUsada(linhas.size()), entradaUsada(entradas.size());
  std::vector<CLSugestao> sugestoes;

  // One to one: every admissible pair scored, then taken best first so that a
  // line goes to the entry that fits it best, not to the first one met.
  struct Par {
    int pontos;
    std::size_t l, e;
  };
  std::vector<Par> pares;
  for (std::size_t l = 0; l < linhas.size(); ++l) {
    for (std::size_t e = 0; e < entradas.size(); ++e) {
      if (linhas[l].valor != entradas[e].valor || linhas[l].valor == 0) continue;
      const long dias = Dias(linhas[l].data, entradas[e].data);
      if (dias > p.dias) continue;
      int pontos = kPontosUmParaUm - kPontosPorDia * static_cast<int>(dias);
      if (!linhas[l].documento.empty() && linhas[l].documento == entradas[e].documento) pontos += kPontosDocumento;
      pares.push_back({pontos, l, e});
    }
  }
  std::sort(pares.begin(), pares.end(), [&](const Par& a, const Par& b) {
    return std::make_tuple(-a.pontos, linhas[a.l].posicao, entradas[a.e].posicao) <
           std::make_tuple(-b.pontos, linhas[b.l].posicao, entradas[b.e].posicao);
  });
  for (const Par& par : pares) {
    if (linhaUsada[par.l] || entradaUsada[par.e]) continue;
    linhaUsada[par.l] = entradaUsada[par.e] = true;
    CLSugestao s;
    s.linhas = {linhas[par.l].posicao};
    s.entradas = {entradas[par.e].posicao};
    s.pontos = par.pontos;
    s.razoes = {"valor igual", TextoDias(Dias(linhas[par.l].data, entradas[par.e].data))};
    if (!linhas[par.l].documento.empty() && linhas[par.l].documento == entradas[par.e].documento)
      s.razoes.push_back("documento igual");
    sugestoes.push_back(std::move(s));
  }

  // One item against a combination from the other side, in each direction.
  const auto combina = [&](const std::vector<CLItemAberto>& alvos, std::vector<bool>& alvoUsado,
                           const std::vector<CLItemAberto>& outros, std::vector<bool>& outroUsado, bool alvoELinha) {
    for (std::size_t a = 0; a < alvos.size(); ++a) {
      if (alvoUsado[a] || alvos[a].valor == 0) continue;
      std::vector<std::size_t> escolhidos;
      long distancia = 0;
      if (!BuscaCombinacao(alvos[a], outros, outroUsado, p, escolhidos, distancia)) continue;
      alvoUsado[a] = true;
      CLSugestao s;
      std::vector<uint32_t>& deAlvo = alvoELinha ? s.linhas : s.entradas;
      std::vector<uint32_t>& deOutros = alvoELinha ? s.entradas : s.linhas;
      deAlvo.push_back(alvos[a].posicao);
      for (std::size_t i : escolhidos) {
        outroUsado[i] = true;
        deOutros.push_back(outros[i].posicao);
      }
      s.pontos = kPontosCombinacao - kPontosPorDia * static_cast<int>(distancia);
      s.razoes = {"soma igual de " + std::to_string(escolhidos.size()) + (alvoELinha ? " lançamentos" : " linhas"),
                  distancia == 0 ? "mesma data" : "até " + TextoDias(distancia)};
      sugestoes.push_back(std::move(s));
    }
  };
  combina(linhas, linhaUsada, entradas, entradaUsada, true);
  combina(entradas, entradaUsada, linhas, linhaUsada, false);

  std::stable_sort(sugestoes.begin(), sugestoes.end(),
                   [](const CLSugestao& a, const CLSugestao& b) { return a.pontos > b.pontos; });
  return sugestoes;
}
