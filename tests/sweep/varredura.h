#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "frame/zq_config.h"
#include "frame/zq_data.h"
#include "frame/zq_excecao.h"
#include "frame/zq_log_erros.h"
#include "frame/zq_relogio.h"
#include "import/importacao_teste_util.h"
#include "platform/components/zq_analytics_evento.h"
#include "store/zq_acesso_sql.h"
#include "store/zq_analytics_sql.h"
#include "store/zq_banco_sql.h"
#include "store/zq_falhas_injetadas.h"
#include "store/zq_soci.h"
#include "support/log_erros.h"
#include "support/pasta_temporaria.h"

// The fault sweep: an operation is run once on a real store to count its server calls,
// then run again from the same starting store once per call with exactly that call
// failing. Every rerun is checked for what any failure must keep to (the failure happened
// once, it is traced once where it happened, nothing else is logged, the store holds
// only rows the start or the run without failure hold) and for what the operation itself
// promises about its result and its store.
namespace zq_varredura {

namespace fs = std::filesystem;

// The failure every swept call returns: a device attached to the system is not functioning.
constexpr HRESULT kFalha = ZQ_HR(0x8007001F);
inline constexpr char kFalhaTrace[] = " = 0X8007001F ";

// The n-th call (from 1) of an operation. An empty name stands for a discovery that
// went wrong; its case fails with the reason.
struct Chamada {
  std::string operacao;
  long n = 0;
};

inline void PrintTo(const Chamada& c, std::ostream* os) { *os << c.operacao << "#" << c.n; }

inline std::string NomeCaso(const ::testing::TestParamInfo<Chamada>& info) {
  if (info.param.operacao.empty()) return "descoberta";
  std::string nome = info.param.operacao + "_" + std::to_string(info.param.n);
  for (char& c : nome)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return nome;
}

// The method name an operation is called by ("Financeiro.LeBufferMestre" is LeBufferMestre).
inline std::string Metodo(const std::string& operacao) {
  const std::size_t ponto = operacao.rfind('.');
  return ponto == std::string::npos ? operacao : operacao.substr(ponto + 1);
}

// ---- the store as rows ----

// Every table's rows as text ("a|b|c"), sorted. Columns named in `ignoradas` as
// "tabela.coluna" are left out (keys a failure may legitimately shift).
using Estado = std::map<std::string, std::vector<std::string>>;

inline Estado Fotografa(CZQBancoSQL& banco, const std::set<std::string>& ignoradas = {}) {
  std::lock_guard<std::recursive_mutex> trava(banco.Trava());
  soci::session& s = banco.Sessao();
  std::vector<std::string> tabelas;
  {
    soci::rowset<std::string> nomes =
        s.prepare << "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY name";
    for (const std::string& n : nomes) {
      // Recorded entries the account's next run checks: a failure after recording leaves
      // them by design, for that run to finish the marks and logs.
      if (n != "integracao_pendente") tabelas.push_back(n);
    }
  }
  Estado estado;
  for (const std::string& tabela : tabelas) {
    std::vector<std::string> colunas;
    {
      soci::rowset<std::string> nomes = s.prepare << "SELECT name FROM pragma_table_info('" + tabela + "')";
      for (const std::string& c : nomes)
        if (!ignoradas.count(tabela + "." + c)) colunas.push_back(c);
    }
    std::string expressao;
    for (const std::string& c : colunas) expressao += (expressao.empty() ? "" : " || '|' || ") + ("quote(" + c + ")");
    if (expressao.empty()) expressao = "''";
    std::vector<std::string>& linhas = estado[tabela];
    soci::rowset<std::string> rs = s.prepare << "SELECT " + expressao + " FROM " + tabela;
    for (const std::string& l : rs) linhas.push_back(l);
    std::sort(linhas.begin(), linhas.end());
  }
  return estado;
}

// Rows of `final` that neither the start nor the run without failure hold (as many times).
inline std::vector<std::string> Sobras(const Estado& final, const Estado& inicial, const Estado& base) {
  auto vezes = [](const Estado& e, const std::string& tabela, const std::string& linha) {
    auto it = e.find(tabela);
    if (it == e.end()) return std::ptrdiff_t{0};
    const auto [de, ate] = std::equal_range(it->second.begin(), it->second.end(), linha);
    return ate - de;
  };
  std::vector<std::string> sobras;
  for (const auto& [tabela, linhas] : final)
    for (auto l = linhas.begin(); l != linhas.end(); l = std::upper_bound(l, linhas.end(), *l))
      if (vezes(final, tabela, *l) > std::max(vezes(inicial, tabela, *l), vezes(base, tabela, *l)))
        sobras.push_back(tabela + ": " + *l);
  return sobras;
}

inline std::string Junta(const std::vector<std::string>& linhas) {
  std::string t;
  for (const auto& l : linhas) t += "  " + l + "\n";
  return t;
}

// ---- the environment of one run ----

// A directory of its own with the store copied from the operation's model, installed as
// the process's servers; installation, reports, temporary and error-log directories under
// it; the message library; the clock fixed. All undone at the end.
class Ambiente {
 public:
  Ambiente(const std::string& modelo, CZQDma dia, REG_ZQHMS hora, bool analytics)
      : m_relogio(dia, hora), m_analytics(analytics) {
    for (const char* var :
         {"CL_LOCAL_ORBEL", "CL_RELATORIOS", "CL_TEMPORARIO", "CL_LOG_ERROS", "CL_LOG_ERROS_EMPRESA", "CL_BANCO"})
      m_variaveis.push_back(std::make_unique<zq_teste::AmbienteTrocado>(var, nullptr));
    m_variaveis.push_back(std::make_unique<zq_teste::AmbienteTrocado>(
        "CL_BIBLIOTECA_MENSAGENS", (std::string(CL_TEST_BINARY_DIR) + "/libzqmensagens.so").c_str()));
    const fs::path raiz = Raiz();
    CZQConfiguracao& config = CZQConfiguracao::Global();
    config.Set("local_orbel", Instalacao().string());
    config.Set("relatorios", (raiz / "relatorios").string());
    config.Set("temporario", (raiz / "tmp").string());
    config.Set("log_erros", (raiz / "log" / "pgms").string());
    config.Set("log_erros_empresa", (raiz / "log" / "empresas" / "{empresa}").string());
    fs::create_directories(Instalacao());
    m_relogioAnterior = zq::DefineRelogio(&m_relogio);

    fs::copy_file(modelo, raiz / "cl.db");
    Abre();
  }

  ~Ambiente() {
    Fecha();
    zq::DefineRelogio(m_relogioAnterior);
    CZQConfiguracao& config = CZQConfiguracao::Global();
    for (const char* chave : {"local_orbel", "relatorios", "temporario", "log_erros", "log_erros_empresa"})
      config.Remove(chave);
    m_variaveis.clear();
  }

  Ambiente(const Ambiente&) = delete;
  Ambiente& operator=(const Ambiente&) = delete;

  // The store closed and opened again, as a new process would find it.
  void Reabre() {
    Fecha();
    Abre();
  }

  fs::path Raiz() const { return m_pasta.Caminho(); }

  fs::path Instalacao() const { return Raiz() / "instalacao"; }
  CZQBancoSQL& Banco() { return *m_banco; }

  long long Escalar(const std::string& sql) {
    long long valor = 0;
    std::lock_guard<std::recursive_mutex> trava(m_banco->Trava());
    m_banco->Sessao() << sql, soci::into(valor);
    return valor;
  }

  // The store after the run (pending usage events written first).
  zq_varredura::Estado Foto(const std::set<std::string>& ignoradas = {}) {
    if (m_analytics) ZQEsvaziaAnalytics();
    return Fotografa(*m_banco, ignoradas);
  }

  // Every record of the error log (header lines left out), as "where | what": the class
  // and method, source file and line, and the text. The columns that differ between two
  // runs of the same step (GUID, thread, memory) are left out.
  std::vector<std::string> Log() const {
    std::vector<std::string> registros;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(Raiz() / "log", ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_regular_file()) continue;
      for (const std::string& linha : zq_teste::Linhas(it->path())) {
        if (linha.empty() || linha.rfind("Data\tHora\t", 0) == 0) continue;
        const std::vector<std::string> c = zq_teste::Separa(linha);
        if (c.size() <= zq::kColLog) {
          registros.push_back(linha);
          continue;
        }
        std::string texto;
        for (std::size_t i = zq::kColLog; i < c.size(); ++i) texto += (i == zq::kColLog ? "" : "\t") + c[i];
        registros.push_back(c[zq::kColClasseFuncao] + "\t" + c[zq::kColArquivo] + "\t" + c[zq::kColLinha] + "\t" +
                            texto);
      }
    }
    std::sort(registros.begin(), registros.end());
    return registros;
  }

 private:
  // The store installed as the process's servers, with its usage events if asked.
  void Abre() {
    CZQDadosDF_Erro erro;
    if (FAILED(ZQInstalaArmazemSQL("sqlite:" + (Raiz() / "cl.db").string(), erro, &m_banco)))
      throw std::runtime_error("store not opened: " + erro.GetTextoMostraMensagem().str());
    {
      // A run's store is thrown away: waiting for the disk on every commit buys nothing.
      std::lock_guard<std::recursive_mutex> trava(m_banco->Trava());
      m_banco->Sessao() << "PRAGMA synchronous = OFF";
    }
    if (m_analytics) ZQInstalaAnalyticsSQL(m_banco);
  }
  void Fecha() {
    if (m_analytics) ZQDefineDestinoAnalytics(nullptr);
    ZQRemoveArmazemSQL();
    m_banco.reset();
  }

  zq_teste::PastaTemporaria m_pasta;
  std::vector<std::unique_ptr<zq_teste::AmbienteTrocado>> m_variaveis;
  CZQRelogioFixo m_relogio;
  const IZQRelogio* m_relogioAnterior = nullptr;
  std::shared_ptr<CZQBancoSQL> m_banco;
  bool m_analytics;
};

// A trace record of the error log: where (class::method, file and line of the check)
// and what (variable = expression).
struct Trace {
  std::string local;
  std::string expressao;
  bool operator<(const Trace& o) const { return std::tie(local, expressao) < std::tie(o.local, o.expressao); }
};

// The traces of the injected failure among the records of Ambiente::Log.
inline std::vector<Trace> TracesDaFalha(const std::vector<std::string>& registros) {
  std::vector<Trace> traces;
  for (const std::string& r : registros) {
    if (r.find(kFalhaTrace) == std::string::npos) continue;
    // <class::method>\t<file>\t<line>\t<var> = <expr>\t<var> = 0X8007001F ...
    const std::vector<std::string> c = zq_teste::Separa(r);
    if (c.size() < 5) {
      traces.push_back({"", r});
      continue;
    }
    traces.push_back({c[0] + " " + c[1] + ":" + c[2], c[3]});
  }
  return traces;
}

// ---- the operations ----

// What a run handed back.
struct Resultado {
  HRESULT hr = S_OK;                 // returned, the error record's or the exception's code
  bool excecao = false;              // the run ended by an exception of the services
  std::string texto;                 // the error's or the exception's text
  std::vector<std::string> relatos;  // anything else it reported: listed errors, host log entries
};

inline std::ostream& operator<<(std::ostream& os, const Resultado& r) {
  char hr[16];
  std::snprintf(hr, sizeof hr, "%#X", static_cast<unsigned>(r.hr));
  os << "hr " << hr << (r.excecao ? " (exception)" : "") << " \"" << r.texto << "\"";
  for (const auto& x : r.relatos) os << "\n  reported: " << x;
  return os;
}

// The run without failure, as the reruns compare to it.
struct Base {
  std::map<std::string, long> chamadas;
  Estado inicial;
  Estado final;
  std::vector<std::string> log;
  Resultado resultado;
  std::map<std::string, std::string> grupos;  // by key, as the operation groups its rows
  std::map<std::string, long long> figuras;
};

class Operacao {
 public:
  virtual ~Operacao() = default;
  // The store every run starts from (a file made once per process).
  virtual std::string Modelo() = 0;
  virtual CZQDma Dia() const = 0;
  virtual REG_ZQHMS Hora() const { return zq::MontaHms(10, 0, 0); }
  virtual bool Analytics() const { return false; }
  // Files the run reads, next to the store.
  virtual void Prepara(Ambiente&) {}
  // The operation, under the fault injection: every routine made here.
  virtual Resultado Executa(Ambiente&) = 0;
  // Columns the comparison of rows leaves out.
  virtual std::set<std::string> Ignoradas() const { return {}; }
  // Where the code documents a failure it takes without ending the operation, or a
  // failure traced elsewhere than at the server call. Permissions, not obligations: a
  // call named here may still end the operation or be traced at the call.
  enum class Rastro {
    Servidor,    // once, at the server call (always allowed)
    Componente,  // a component in between traces nothing; its caller traces the step
    Nenhum,      // documented as not reported
  };
  virtual bool PodeSeguir(const Chamada&) const { return false; }
  // Whether a run without failure after a failed one and a restart must leave what the
  // complete run left: the same figures of the store (numbers and positions may differ).
  virtual bool Retoma() const { return false; }
  virtual std::map<std::string, long long> Figuras(Ambiente&) { return {}; }
  virtual Rastro RastroPermitido(const Chamada&) const { return Rastro::Servidor; }
  // What the run without failure must give.
  virtual void VerificaBase(const Base& base) { EXPECT_EQ(base.resultado.hr, S_OK) << base.resultado; }
  // What a failure of this call must give back; by default the failure itself.
  virtual void VerificaResultado(const Chamada&, const Resultado& r, const Base&) {
    EXPECT_EQ(r.hr, kFalha) << "the failure did not come back: " << r;
  }
  // Rows that stand or fall together (an entry with its parts, its marked lines and its
  // log), each group as text by a key: after a failure a group is either as it started
  // or as the run without failure left it.
  virtual std::map<std::string, std::string> Grupos(Ambiente&) { return {}; }
  // Groups present without the group they need (a marked line without its entry).
  virtual std::vector<std::string> Dependencias(const std::map<std::string, std::string>&) { return {}; }
  // What the operation promises about its store after a failure, beyond the common rule.
  // `chamadas`: the calls the failed run made, the failed one included.
  virtual void VerificaArmazem(Ambiente&, const Chamada&, const Resultado&, const Base&,
                               const zq_varredura::Estado& /*final*/, const std::map<std::string, long>& /*chamadas*/) {
  }
};

// The run without failure of an operation and the calls it made, found once per process.
struct Descoberta {
  std::vector<Chamada> chamadas;
  Base base;
  std::string erro;
};

inline Resultado Roda(Operacao& op, Ambiente& amb, CZQFalhasInjetadas& falhas) {
  CZQInjecaoFalhas injecao(falhas);
  return op.Executa(amb);
}

inline Descoberta Descobre(Operacao& op) {
  Descoberta d;
  try {
    Ambiente amb(op.Modelo(), op.Dia(), op.Hora(), op.Analytics());
    op.Prepara(amb);
    d.base.inicial = amb.Foto(op.Ignoradas());
    const std::map<std::string, std::string> gruposIniciais = op.Grupos(amb);
    CZQFalhasInjetadas falhas;
    d.base.resultado = Roda(op, amb, falhas);
    d.base.final = amb.Foto(op.Ignoradas());
    d.base.log = amb.Log();
    d.base.chamadas = falhas.TodasChamadas();
    d.base.grupos = op.Grupos(amb);
    d.base.figuras = op.Figuras(amb);
    for (const auto& [chave, grupo] : gruposIniciais)
      if (!d.base.grupos.count(chave)) d.erro = "group " + chave + " vanished in the run without failure";
    for (const auto& [operacao, vezes] : d.base.chamadas)
      for (long n = 1; n <= vezes; ++n) d.chamadas.push_back({operacao, n});
    if (d.chamadas.empty()) d.erro = "the operation made no server call";
  } catch (const CZQExceptionEx& e) {
    d.erro = "the run without failure threw: " + e.GetMensagem().str();
  } catch (const std::exception& e) {
    d.erro = std::string("the run without failure threw: ") + e.what();
  }
  if (!d.erro.empty()) d.chamadas = {Chamada{}};
  return d;
}

// Reruns the operation with this call failing and checks everything a failure must keep to.
inline void Varre(Operacao& op, const Descoberta& d, const Chamada& c) {
  ASSERT_TRUE(d.erro.empty()) << d.erro;
  op.VerificaBase(d.base);
  Ambiente amb(op.Modelo(), op.Dia(), op.Hora(), op.Analytics());
  op.Prepara(amb);
  ASSERT_TRUE(amb.Foto(op.Ignoradas()) == d.base.inicial) << "the starting store is not the discovery's";
  const std::map<std::string, std::string> gruposIniciais = op.Grupos(amb);

  CZQFalhasInjetadas falhas;
  falhas.Falha(c.operacao, c.n, kFalha);
  const Resultado r = Roda(op, amb, falhas);
  const std::string chamada = c.operacao + "#" + std::to_string(c.n);
  SCOPED_TRACE("failing call " + chamada);

  // The failure happened, once, where the run without failure made that call.
  ASSERT_EQ(falhas.FalhasOcorridas(), std::vector<std::string>{chamada}) << r;

  // What it hands back: the failure, unless the code takes this one and goes on.
  const bool seguiu = !r.excecao && SUCCEEDED(r.hr);
  if (seguiu) {
    EXPECT_TRUE(op.PodeSeguir(c)) << "the failure was swallowed: " << r;
  }
  op.VerificaResultado(c, r, d.base);

  // Traced once where the server was called (outer levels may trace their own step,
  // each once); nothing else logged that the run without failure did not log.
  const std::vector<std::string> log = amb.Log();
  const std::vector<Trace> traces = TracesDaFalha(log);
  const std::string metodo = Metodo(c.operacao) + "(";
  std::size_t noServidor = 0;
  for (const Trace& t : traces) noServidor += t.expressao.find(metodo) != std::string::npos;
  const Operacao::Rastro permitido = op.RastroPermitido(c);
  if (noServidor == 0 && permitido == Operacao::Rastro::Componente) {
    EXPECT_FALSE(traces.empty()) << "the failure was not traced at all";
  } else if (noServidor == 0 && permitido == Operacao::Rastro::Nenhum) {
    EXPECT_TRUE(traces.empty()) << "traced outside the server call:\n" << Junta(log);
  } else {
    EXPECT_EQ(noServidor, 1u) << "traces of the failure:\n" << Junta(log);
  }
  const std::set<Trace> distintos(traces.begin(), traces.end());
  EXPECT_EQ(distintos.size(), traces.size()) << "a trace written twice:\n" << Junta(log);
  std::vector<std::string> outros;
  for (const std::string& registro : log)
    if (registro.find(kFalhaTrace) == std::string::npos) outros.push_back(registro);
  std::vector<std::string> alheios;
  std::set_difference(outros.begin(), outros.end(), d.base.log.begin(), d.base.log.end(), std::back_inserter(alheios));
  EXPECT_TRUE(alheios.empty()) << "records other than the failure's:\n" << Junta(alheios);

  // The store: a failure that ended the operation leaves no row that neither the start
  // nor the complete run has (a run that went on is checked by its groups and its own rules).
  const Estado final = amb.Foto(op.Ignoradas());
  if (!seguiu) {
    const std::vector<std::string> sobras = Sobras(final, d.base.inicial, d.base.final);
    EXPECT_TRUE(sobras.empty()) << "rows the failure made up:\n" << Junta(sobras);
  }
  // Each group whole: as it started or as the complete run left it. A run that went on
  // may number its groups otherwise; each group still stands on its own.
  const std::map<std::string, std::string> grupos = op.Grupos(amb);
  for (const auto& [chave, grupo] : grupos) {
    const auto inicial = gruposIniciais.find(chave);
    if (inicial != gruposIniciais.end() && inicial->second == grupo) continue;
    if (seguiu) continue;
    const auto base = d.base.grupos.find(chave);
    EXPECT_TRUE(base != d.base.grupos.end() && base->second == grupo)
        << "group " << chave << " half-written:\n"
        << grupo << "\nthe complete run left:\n"
        << (base == d.base.grupos.end() ? std::string("(nothing)") : base->second);
  }
  for (const std::string& falta : op.Dependencias(grupos))
    ADD_FAILURE() << "a group without the group it stands on: " << falta;
  op.VerificaArmazem(amb, c, r, d.base, final, falhas.TodasChamadas());
  // After the failure and a restart, a run without it finishes the work: the figures the
  // operation names are those of the complete run (numbers and positions may differ).
  if (op.Retoma()) {
    amb.Reabre();
    CZQFalhasInjetadas nenhuma;
    const Resultado r2 = Roda(op, amb, nenhuma);
    EXPECT_TRUE(!r2.excecao && SUCCEEDED(r2.hr)) << "the run after the failure: " << r2;
    for (const std::string& falta : op.Dependencias(op.Grupos(amb)))
      ADD_FAILURE() << "after the run that followed the failure, a group without the group it stands on: " << falta;
    EXPECT_EQ(op.Figuras(amb), d.base.figuras) << "the run after the failure left other figures";
  }
}

// The calls of an operation as the cases of its suite (a discovery that failed gives
// one case that reports why).
template <typename Op>
const Descoberta& DescobertaDe() {
  static const Descoberta d = [] {
    Op op;
    return Descobre(op);
  }();
  return d;
}

template <typename Op>
std::vector<Chamada> CasosDe() {
  return DescobertaDe<Op>().chamadas;
}

}  // namespace zq_varredura

// One parameterised suite per operation: a case per server call of its run.
#define ZQ_VARREDURA(Suite, Op)                                                                 \
  class Suite : public ::testing::TestWithParam<::zq_varredura::Chamada> {};                    \
  TEST_P(Suite, FalhaDeUmaChamada) {                                                            \
    Op op;                                                                                      \
    ::zq_varredura::Varre(op, ::zq_varredura::DescobertaDe<Op>(), GetParam());                  \
  }                                                                                             \
  INSTANTIATE_TEST_SUITE_P(Chamadas, Suite, ::testing::ValuesIn(::zq_varredura::CasosDe<Op>()), \
                           ::zq_varredura::NomeCaso)
