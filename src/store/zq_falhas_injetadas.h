#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/zq_erro.h"
#include "frame/zq_tipos.h"
#include "platform/access/zq_acesso_areas.h"

// Failures injected into the data-access servers, for the tests of every failure path.
//
//   CZQFalhasInjetadas falhas;
//   falhas.Falha("GravaExtrato", 3, E_FAIL);        // the 3rd GravaExtrato fails
//   CZQInjecaoFalhas injecao(falhas);               // every hub made from now on is decorated
//   ... run the routine ...
//   EXPECT_EQ(falhas.Chamadas("GravaExtrato"), 3);
//
// A failing call does not reach the real server: it returns the HRESULT and leaves the
// error record in the area's GetErro (the server interfaces have no error record and
// only return the HRESULT). Every other call goes through unchanged and is counted.
//
// Operations are named as declared. Two names exist twice and are qualified there:
// the finance area's master read is "Financeiro.LeBufferMestre" (the reconciliation
// area's is "LeBufferMestre") and the layout server's read is "ImportacaoCBN.LeLeiaute"
// (the reconciliation area's is "LeLeiaute"). Operations() lists them all.
//
// Copies share one state: a copy handed to a hub counts into the test's object.
class CZQFalhasInjetadas {
 public:
  CZQFalhasInjetadas();

  // The `chamada`-th call (1 = the first, counted since creation or Limpa) of the
  // operation fails with the HRESULT; the error record says "Falha injetada em
  // <operação> (chamada N)". An unknown operation name throws std::invalid_argument.
  CZQFalhasInjetadas& Falha(const std::string& operacao, long chamada, HRESULT hr);
  // The same with the error record to leave in GetErro.
  CZQFalhasInjetadas& Falha(const std::string& operacao, long chamada, HRESULT hr, const CZQDadosDF_Erro& erro);
  // Every call from the `aPartirDe`-th on fails.
  CZQFalhasInjetadas& FalhaSempre(const std::string& operacao, HRESULT hr, long aPartirDe = 1);

  // Calls of an operation so far, failed ones included.
  long Chamadas(const std::string& operacao) const;
  // Every operation called so far with its count.
  std::map<std::string, long> TodasChamadas() const;
  // Failures injected so far, in order: "<operação>#<chamada>".
  std::vector<std::string> FalhasOcorridas() const;
  // Forgets the failures to inject and the counts.
  void Limpa();

  // Every operation name the decorators know.
  static const std::vector<std::string>& Operacoes();

  // For the decorators: counts one call; true when it must fail, with its HRESULT
  // and error record.
  bool Conta(const char* operacao, HRESULT& hr, CZQDadosDF_Erro& erro) const;

 private:
  struct Estado;
  std::shared_ptr<Estado> m_estado;
};

// The decorating hub: the areas and the interfaces they hand out count their calls and
// fail as told. It owns the real hub it decorates, or only refers to one.
class CZQAcessoServidoresFalhas : public CZQAcessoServidores {
 public:
  CZQAcessoServidoresFalhas(std::unique_ptr<CZQAcessoServidores> interno, CZQFalhasInjetadas falhas);
  CZQAcessoServidoresFalhas(CZQAcessoServidores& interno, CZQFalhasInjetadas falhas);
  ~CZQAcessoServidoresFalhas() override;

  CZQAcessoConciliacao* GetAcessoConciliacao() override;
  CZQAcessoEmpresarial* GetAcessoEmpresarial() override;
  CZQAcessoFinanceiro* GetAcessoFinanceiro() override;
  CZQAcessoContabil* GetAcessoContabil() override;
  CZQAcessoIntegracao* GetAcessoIntegracao() override;

  CZQAcessoServidores& Interno() { return *m_interno; }

 private:
  struct Areas;
  std::unique_ptr<CZQAcessoServidores> m_dono;
  CZQAcessoServidores* m_interno;
  std::unique_ptr<Areas> m_areas;
};

// While alive, the process's hub factory gives decorated hubs over what the factory
// installed before gave; the earlier factory is back afterwards. Without an earlier
// factory the hubs are null, as they would have been.
class CZQInjecaoFalhas {
 public:
  explicit CZQInjecaoFalhas(CZQFalhasInjetadas falhas);
  ~CZQInjecaoFalhas();
  CZQInjecaoFalhas(const CZQInjecaoFalhas&) = delete;
  CZQInjecaoFalhas& operator=(const CZQInjecaoFalhas&) = delete;

 private:
  ZQFabricaAcessoServidores m_anterior;
};
