// Every server call of every operation that talks to the data servers, failed one at a
// time: a statement import by each test-mode source, the import request and both
// service configuration validators, the posting test, the posting run, a line posted by
// hand and one cycle of each service. The calls are found by running the operation once, so new calls are
// swept as soon as the code makes them.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "import/cl_trata_dados_importacao_extratos.h"
#include "import/validacao_teste_util.h"
#include "importservice/cl_trata_dados_configuracao_servico_importacao_extratos.h"
#include "posting/lanca_auto_teste_util.h"
#include "reconciliation/cl_trata_dados_configuracao_conciliacao_tesouraria_banco.h"
#include "reconciliation/conciliacao_teste_util.h"
#include "store/zq_integracao_sql.h"
#include "sweep/varredura.h"

namespace {

using namespace zq_varredura;

// ---- stores the runs start from ----

// A store file made once per process: a fresh store with what `carrega` puts in it.
std::string Modelo(const std::string& nome, const std::function<void(std::shared_ptr<CZQBancoSQL>)>& carrega) {
  static zq_teste::PastaTemporaria pasta;
  static std::map<std::string, std::string> feitos;
  static std::mutex trava;
  std::lock_guard<std::mutex> guarda(trava);
  if (auto it = feitos.find(nome); it != feitos.end()) return it->second;
  const std::string arquivo = pasta.Arquivo(nome + ".db");
  {
    std::shared_ptr<CZQBancoSQL> banco;
    CZQDadosDF_Erro erro;
    if (FAILED(CZQBancoSQL::Abre("sqlite:" + arquivo, banco, erro)))
      throw std::runtime_error("model store not created: " + erro.GetTextoMostraMensagem().str());
    carrega(banco);
  }
  feitos[nome] = arquivo;
  return arquivo;
}

void Exige(HRESULT hr, const CZQDadosDF_Erro& erro, const char* passo) {
  if (FAILED(hr)) throw std::runtime_error(std::string(passo) + ": " + erro.GetTextoMostraMensagem().str());
}

void CarregaDocumento(CZQBancoSQL& banco, const std::string& documento) {
  CZQDadosDF_Erro erro;
  Exige(ZQCarregaDocumentoEmpresa(banco, documento, erro), erro, "company");
}

void CarregaArquivo(CZQBancoSQL& banco, const std::string& caminho) {
  CZQDadosDF_Erro erro;
  Exige(ZQCarregaArquivoEmpresa(banco, caminho, erro), erro, "company file");
}

std::string Texto(const CZQDadosDF_Erro& erro) { return erro.GetTextoMostraMensagem().str(); }

Resultado DoErro(const CZQDadosDF_Erro& erro) {
  Resultado r;
  if (erro.TemErro()) r.hr = erro.GetHR();
  r.texto = Texto(erro);
  return r;
}

long Vezes(const std::map<std::string, long>& chamadas, const std::string& operacao) {
  auto it = chamadas.find(operacao);
  return it == chamadas.end() ? 0 : it->second;
}

// Statement lines of the store, per account.
long long Linhas(Ambiente& amb, uint32_t conta) {
  return amb.Escalar("SELECT COUNT(*) FROM extrato WHERE conta = " + std::to_string(conta));
}

long long LinhasNoEstado(const Estado& e, uint32_t conta) {
  long long n = 0;
  auto it = e.find("extrato");
  if (it == e.end()) return 0;
  // The first column left is the account (the position is ignored by the import sweeps).
  for (const std::string& l : it->second) n += l.rfind(std::to_string(conta) + "|", 0) == 0;
  return n;
}

// ---- a statement import ----

// The import of a test-mode source: the statement lines are stored one by one, each
// after its checks. A failed read or write ends the import with the server's error, or
// (the checks of one line) rejects that line and goes on.
class Importacao : public Operacao {
 public:
  explicit Importacao(uint32_t conta) : m_conta(conta) {}
  std::string Modelo() override {
    return ::Modelo("importacao", [](std::shared_ptr<CZQBancoSQL> banco) {
      CarregaArquivo(*banco, cl_teste::Fixture("empresa-importacao.json"));
    });
  }
  CZQDma Dia() const override { return CZQDma(20, 11, 2026); }
  std::set<std::string> Ignoradas() const override { return {"extrato.posicao"}; }

  Resultado Executa(Ambiente&) override {
    CCLImportacaoExtrato rotina;
    cl_teste::JanelaGravadora janela;
    if (FAILED(rotina.Inicializa(&m_pessoa))) throw std::runtime_error("routine not initialised");
    rotina.SetParent(&janela);
    Resultado r = DoErro(rotina.ImportaExtrato(
        cl_teste::Pedido(m_conta, cl_teste::Dia(1, 11, 2026), cl_teste::Dia(30, 11, 2026), true)));
    if (!janela.Valores().empty()) r.relatos.push_back("progress " + std::to_string(janela.Valores().back()));
    return r;
  }

  void VerificaBase(const Base& base) override {
    Operacao::VerificaBase(base);
    EXPECT_GT(LinhasNoEstado(base.final, m_conta), 0);
  }

  // The reads of one line's checks: the line is rejected (or its warning loses its
  // report line) and the import goes on.
  bool PodeSeguir(const Chamada& c) const override {
    return c.operacao == "LeBanco" || c.operacao == "LeBufferPlanoContabil" || c.operacao == "LeBufferMestre";
  }
  void VerificaResultado(const Chamada&, const Resultado& r, const Base&) override {
    // The server's error, or a line rejected and the import finished.
    if (r.hr == kFalha) return;
    EXPECT_EQ(r.hr, S_OK) << r;
    EXPECT_EQ(r.relatos, std::vector<std::string>{"progress 100"}) << r;
  }

  void VerificaArmazem(Ambiente& amb, const Chamada& c, const Resultado&, const Base& base, const Estado& final,
                       const std::map<std::string, long>& chamadas) override {
    // Every line that was written stays, one row each; nothing is written otherwise.
    const long gravadas = Vezes(chamadas, "GravaExtrato") - (c.operacao == "GravaExtrato" ? 1 : 0);
    EXPECT_EQ(Linhas(amb, m_conta), LinhasNoEstado(base.inicial, m_conta) + gravadas);
    EXPECT_LE(LinhasNoEstado(final, m_conta), LinhasNoEstado(base.final, m_conta));
  }

 protected:
  uint32_t m_conta;
  CZQProfilerEmpresa m_pessoa{"IMPORTA", 7, 42};
};

// Tavorin (OFX): three lines, the first after the period (a warning with its report line).
class ImportacaoOfx : public Importacao {
 public:
  ImportacaoOfx() : Importacao(111) {}
  void Prepara(Ambiente& amb) override {
    cl_teste::Escreve(amb.Instalacao() / CL_ARQUIVO_MOCK_EXTRATO_TAVORIN,
                      cl_teste::Ofx({{"DEBIT", "20261201", "-1,00", "FORA DO PERIODO"},
                                     {"DEBIT", "20261110", "-2,00", "SEGUNDA"},
                                     {"CREDIT", "20261111", "3,00", "TERCEIRA"}}));
  }
};

// Banco do Brasil through its middleware's test mode.
class ImportacaoBancoBrasil : public Importacao {
 public:
  ImportacaoBancoBrasil() : Importacao(113) {}
  void Prepara(Ambiente& amb) override {
    fs::copy_file(cl_teste::Fixture("mock-extrato-bb.json"), amb.Instalacao() / CL_ARQUIVO_MOCK_EXTRATO_BANCO_BRASIL);
  }
};

// ---- validators: read only, the first failed read is the answer ----

class Validacao : public Operacao {
 public:
  std::string Modelo() override {
    return ::Modelo("validacao", [](std::shared_ptr<CZQBancoSQL> banco) {
      CarregaArquivo(*banco, cl_teste::Fixture("empresa-importacao.json"));
      CarregaDocumento(*banco, cl_validacao::Documento());
    });
  }
  CZQDma Dia() const override { return CZQDma(20, 11, 2026); }
  void VerificaArmazem(Ambiente&, const Chamada&, const Resultado&, const Base& base, const Estado& final,
                       const std::map<std::string, long>&) override {
    EXPECT_EQ(final, base.inicial) << "a validator wrote";
  }

 protected:
  CZQProfilerEmpresa m_pessoa{"IMPORTA", 7, 42};
};

// An online request by its layout: layout, company master, accounting period, module
// master and the account's bank.
class ValidacaoPedido : public Validacao {
 public:
  Resultado Executa(Ambiente&) override {
    CCLTrataDadosImportacaoExtratos validador;
    if (FAILED(validador.Inicializa(&m_pessoa))) throw std::runtime_error("validator not initialised");
    CZQDadosCL_FiltroImportacaoExtrato pedido;
    pedido.SetConta(cl_validacao::kTavorin)
        .SetFilial(1)
        .SetDataInicial(cl_teste::Dia(13, 11, 2026))
        .SetDataFinal(cl_teste::Dia(20, 11, 2026))
        .SetLeiaute(CZQString(""))
        .SetPosicaoLeiaute(cl_validacao::kLeiauteOnline);
    return DoErro(validador.TrataGravacao(&pedido));
  }
};

// A service's configuration: two rules over three reads each, the second repeating an
// account of the first (its chart entry read for the message), which is refused.
template <typename Validador, typename Configuracao, typename Regra, int HoraExecucao>
class ValidacaoConfiguracao : public Validacao {
 public:
  Resultado Executa(Ambiente&) override {
    Validador validador;
    if (FAILED(validador.Inicializa(&m_pessoa))) throw std::runtime_error("validator not initialised");
    Configuracao configuracao;
    for (const std::vector<uint32_t>& contas :
         {std::vector<uint32_t>{cl_validacao::kTavorin, cl_validacao::kBancoBrasil},
          std::vector<uint32_t>{cl_validacao::kTavorin}}) {
      Regra r;
      r.SetPonteiroFilial(1)
          .SetFrequencia(ZQ_FREQUENCIA_DIARIA)
          .SetHmsExecucao(zq::MontaHms(HoraExecucao, 0, 0))
          .SetApenasDiasUteis(true);
      for (uint32_t c : contas) r.AdicionaPonteiroContaBanco(c);
      configuracao.AdicionaRegra(r);
    }
    return DoErro(validador.TrataGravacao(&configuracao));
  }
  void VerificaBase(const Base& base) override { EXPECT_FALSE(base.resultado.texto.empty()) << base.resultado; }
};

using ValidacaoConfiguracaoImportacao = ValidacaoConfiguracao<CCLTrataDadosConfiguracaoServicoImportacaoExtratos,
                                                              CZQDadosCL_ConfiguracaoServicoImportacaoExtratos,
                                                              CZQDadosCL_ConfiguracaoServicoImportacaoExtratosRegra, 6>;
using ValidacaoConfiguracaoConciliacao =
    ValidacaoConfiguracao<CCLTrataDadosConfiguracaoConciliacaoTesourariaBanco,
                          CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco,
                          CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBancoRegra, 9>;

// ---- posting ----

// A credit rule that posts with a management share, and an aggregating one.
zq_lanca::Regra Credito(std::string codigo, std::string historico, bool agrupa) {
  return zq_lanca::Regra{.codigo = codigo,
                         .historico = historico,
                         .conta = 111,
                         .contabilEntrada = 41,
                         .contabilSaida = 0,
                         .transacao = 1,
                         .forma = 5,
                         .classificacao = 401,
                         .agrupa = agrupa};
}

void CarregaRegras(CZQBancoSQL& banco, const std::vector<zq_lanca::Regra>& regras) {
  nlohmann::json documento = zq_lanca::EmpresaAmostra();
  documento["regras_lancamento"] = nlohmann::json::array();
  for (const auto& r : regras) documento["regras_lancamento"].push_back(zq_lanca::ComoJson(r));
  CarregaDocumento(banco, documento.dump());
}

void GravaLinhas(std::shared_ptr<CZQBancoSQL> banco, std::vector<CZQDadosCL_Extrato> linhas) {
  CZQAcessoServidoresSQL hub(banco);
  CZQVector<CZQDadosCL_Extrato> lista;
  for (auto& l : linhas) lista.Add(l);
  if (FAILED(hub.Conciliacao().GravaExtratos(lista))) throw std::runtime_error("lines not stored");
}

// Rows that stand together per reconciliation number of an account: its treasury
// entries with their origin, accounting and management parts ("c/n entries"), each
// marked line on its own ("c/n line p") and the number's log with its keys ("c/n log").
std::map<std::string, std::string> GruposConciliacao(Ambiente& amb) {
  std::lock_guard<std::recursive_mutex> trava(amb.Banco().Trava());
  soci::session& s = amb.Banco().Sessao();
  auto linhas = [&](const std::string& sql) {
    std::string texto;
    soci::rowset<std::string> rs = s.prepare << sql;
    std::vector<std::string> v(rs.begin(), rs.end());
    std::sort(v.begin(), v.end());
    for (const auto& l : v) texto += l + "\n";
    return texto;
  };
  std::vector<std::pair<long long, long long>> chaves;
  {
    soci::rowset<soci::row> rs =
        s.prepare << "SELECT conta, numero_conciliacao FROM extrato WHERE conciliado = 'S'"
                     " UNION SELECT conta_ent, numero_conciliacao_ent FROM tesouraria WHERE conciliado_ent = 'S'"
                     " UNION SELECT conta_sai, numero_conciliacao_sai FROM tesouraria WHERE conciliado_sai = 'S'"
                     " UNION SELECT banco, numero_conciliacao FROM log_conciliacao";
    for (const soci::row& l : rs) chaves.emplace_back(l.get<long long>(0), l.get<long long>(1));
  }
  std::map<std::string, std::string> grupos;
  for (const auto& [conta, numero] : chaves) {
    const std::string c = std::to_string(conta), n = std::to_string(numero), k = c + "/" + n;
    const std::string entradas = "SELECT posicao FROM tesouraria WHERE (conta_ent = " + c +
                                 " AND numero_conciliacao_ent = " + n +
                                 " AND conciliado_ent = 'S') OR (conta_sai = " + c +
                                 " AND numero_conciliacao_sai = " + n + " AND conciliado_sai = 'S')";
    const std::string logs = "SELECT id FROM log_conciliacao WHERE banco = " + c + " AND numero_conciliacao = " + n;
    // The rows of `tabela` (as `colunas`) whose `chave` is one of `em`.
    auto de = [&](const char* colunas, const char* tabela, const char* chave, const std::string& em) {
      return linhas(std::string("SELECT ") + colunas + " FROM " + tabela + " WHERE " + chave + " IN (" + em + ")");
    };
    const std::string lancamentos =
        de("posicao || '|' || valor || '|' || conciliado_auto || '|' || estrutura", "tesouraria", "posicao", entradas);
    if (!lancamentos.empty()) {
      grupos[k + " entries"] =
          lancamentos + "origins:\n" +
          de("posicao_tesouraria || '|' || origem || '|' || quantidade_extratos || '|' || linhas_grupo",
             "integracao_origem", "posicao_tesouraria", entradas) +
          "accounting:\n" +
          de("posicao_tesouraria || '|' || ordem || '|' || valor || '|' || classificacao", "integracao_contabil",
             "posicao_tesouraria", entradas) +
          "management:\n" +
          de("posicao_tesouraria || '|' || ordem || '|' || valor || '|' || conta_gerencial", "integracao_gerencial",
             "posicao_tesouraria", entradas);
    }
    soci::rowset<soci::row> marcadas =
        s.prepare << "SELECT posicao, valor || '|' || natureza || '|' || tipo_conciliacao FROM extrato"
                     " WHERE conciliado = 'S' AND conta = " +
                         c + " AND numero_conciliacao = " + n;
    for (const soci::row& l : marcadas)
      grupos[k + " line " + std::to_string(l.get<long long>(0))] = l.get<std::string>(1);
    const std::string log = de("tipo_chaves || '|' || tipo_conciliacao", "log_conciliacao", "id", logs);
    if (!log.empty())
      grupos[k + " log"] =
          log + "keys:\n" + de("lado || '|' || data || '|' || posicao", "log_conciliacao_chave", "log", logs);
  }
  return grupos;
}

// A marked line or a log needs the entries of its number.
std::vector<std::string> DependenciasConciliacao(const std::map<std::string, std::string>& grupos) {
  std::vector<std::string> faltas;
  for (const auto& [chave, _] : grupos) {
    const std::size_t espaco = chave.find(' ');
    if (chave.compare(espaco, std::string::npos, " entries") == 0) continue;
    if (!grupos.count(chave.substr(0, espaco) + " entries")) faltas.push_back(chave);
  }
  return faltas;
}

// What a posting leaves, whatever its numbers: entries and their value, marked lines,
// the lines marked with the number of an entry of theirs, and the entries' parts. (The
// logs of a run that failed after recording are not written again by the next one.)
std::map<std::string, long long> FigurasLancamento(Ambiente& amb) {
  std::map<std::string, long long> f;
  f["entries"] = amb.Escalar("SELECT COUNT(*) FROM tesouraria");
  f["entries value"] = amb.Escalar("SELECT COALESCE(SUM(valor), 0) FROM tesouraria");
  f["marked lines"] = amb.Escalar("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S'");
  f["lines marked as their entry"] = amb.Escalar(
      "SELECT COUNT(*) FROM extrato e JOIN tesouraria t ON e.numero_conciliacao = t.numero_conciliacao_ent"
      " AND t.conta_ent = e.conta AND t.conciliado_ent = 'S' WHERE e.conciliado = 'S'");
  f["accounting parts"] = amb.Escalar("SELECT COUNT(*) FROM integracao_contabil");
  f["management parts"] = amb.Escalar("SELECT COUNT(*) FROM integracao_gerencial");
  return f;
}

// The last number saved per account covers every number in use.
void VerificaNumeracao(Ambiente& amb) {
  EXPECT_EQ(amb.Escalar("SELECT COUNT(*) FROM extrato e WHERE conciliado = 'S' AND numero_conciliacao >"
                        " COALESCE((SELECT ultimo_numero FROM numero_conciliacao n WHERE n.conta = e.conta), 0)"),
            0)
      << "a number in use above the last number saved";
}

class Lancamento : public Operacao {
 public:
  CZQDma Dia() const override { return CZQDma(15, 3, 2026); }
  // The last number saved may move on without the entries that took it.
  std::set<std::string> Ignoradas() const override { return {"numero_conciliacao.ultimo_numero"}; }

 protected:
  CZQProfilerEmpresa m_perfil{CZQString("EXEMPLO"), 7, 4242};
};

// The rule test: an open line of the account that a rule takes.
class TesteLancamento : public Lancamento {
 public:
  std::string Modelo() override {
    return ::Modelo("teste_lancamento", [](std::shared_ptr<CZQBancoSQL> banco) {
      CarregaRegras(*banco, {{.codigo = "105", .historico = "TARIFA", .conta = 111, .contabilSaida = 51}});
      GravaLinhas(banco, {zq_lanca::Linha("PIX", "1", '+'), zq_lanca::Linha("TARIFA", "105", '-')});
    });
  }
  Resultado Executa(Ambiente&) override {
    CCLConciliacaoLancaAuto rotina;
    if (FAILED(rotina.Inicializa(&m_perfil))) throw std::runtime_error("routine not initialised");
    bool bTem = false;
    Resultado r;
    r.hr = rotina.TesteLancamentoAutomatico(zq_lanca::Conciliacao(111), bTem);
    r.texto = Texto(rotina.GetErro());
    r.relatos.push_back(bTem ? "posts" : "nothing to post");
    return r;
  }
  void VerificaBase(const Base& base) override {
    Lancamento::VerificaBase(base);
    EXPECT_EQ(base.resultado.relatos, std::vector<std::string>{"posts"});
  }
  void VerificaResultado(const Chamada& c, const Resultado& r, const Base& base) override {
    Lancamento::VerificaResultado(c, r, base);
    EXPECT_EQ(r.relatos, std::vector<std::string>{"nothing to post"}) << r;
    EXPECT_FALSE(r.texto.empty()) << r;
  }
  void VerificaArmazem(Ambiente&, const Chamada&, const Resultado&, const Base& base, const Estado& final,
                       const std::map<std::string, long>&) override {
    EXPECT_EQ(final, base.inicial) << "the test wrote";
  }
};

// The posting run: three lines posted one by one with a management share, and two
// lines of a day aggregated into one entry. Every failed step ends the run with the
// failure; what was recorded before stays whole.
class ProcessaLancamento : public Lancamento {
 public:
  std::string Modelo() override {
    return ::Modelo("processa_lancamento", [](std::shared_ptr<CZQBancoSQL> banco) {
      CarregaRegras(*banco, {Credito("300", "DEPOSITO", false), Credito("400", "AGREGADO", true)});
      CZQVector<tagRegGerencial_ps> rateio;
      rateio.Add(tagRegGerencial_ps{0, 1000000, 9, 7001});
      CZQFonteLancamentoSQL fonte(banco);
      if (FAILED(fonte.GravaRateio(401, rateio))) throw std::runtime_error("shares not stored");
      std::vector<CZQDadosCL_Extrato> linhas;
      for (int i = 0; i < 3; ++i)
        linhas.push_back(zq_lanca::Linha("DEPOSITO", "300", '+', 111, 1000 + i, zq_lanca::Dia(10, 3, 2026), 7000 + i));
      for (int i = 0; i < 2; ++i)
        linhas.push_back(zq_lanca::Linha("AGREGADO", "400", '+', 111, 500 + i, zq_lanca::Dia(11, 3, 2026), 8000 + i));
      GravaLinhas(banco, linhas);
    });
  }
  Resultado Executa(Ambiente&) override {
    CCLConciliacaoLancaAuto rotina;
    if (FAILED(rotina.Inicializa(&m_perfil))) throw std::runtime_error("routine not initialised");
    rotina.SetModoSilencioso(true);
    CZQVector<CZQDadosDF_Erro> erros;
    Resultado r;
    r.hr = rotina.ProcessaLancamentoConcAutomatico(zq_lanca::Conciliacao(), erros);
    r.texto = Texto(rotina.GetErro());
    for (const CZQDadosDF_Erro& e : erros) r.relatos.push_back(Texto(e));
    return r;
  }
  void VerificaBase(const Base& base) override {
    Lancamento::VerificaBase(base);
    EXPECT_TRUE(base.resultado.relatos.empty()) << base.resultado;
  }
  // The rules unreadable: the run goes on without rules (the number saved, nothing
  // posted). The treasury side of the logs unreadable: the logs go without it. The
  // account not let go at the end: traced, the run's result stands.
  bool PodeSeguir(const Chamada& c) const override {
    return SemRegras(c) || c.operacao == "BuscaPonteirosTesouraria" || c.operacao == "LiberaConta";
  }
  static bool SemRegras(const Chamada& c) {
    return c.operacao == "GetICLMestre" || c.operacao == "BuscaQuantProTesBan" || c.operacao == "BuscaRegistrosTesBan";
  }
  void VerificaResultado(const Chamada&, const Resultado& r, const Base&) override {
    if (SUCCEEDED(r.hr)) return;
    EXPECT_EQ(r.hr, kFalha) << r;
    EXPECT_FALSE(r.texto.empty()) << r;
  }
  // The next run after a restart picks up what a failed one left: its marks finished,
  // nothing posted twice.
  bool Retoma() const override { return true; }
  std::map<std::string, long long> Figuras(Ambiente& amb) override { return FigurasLancamento(amb); }
  std::map<std::string, std::string> Grupos(Ambiente& amb) override { return GruposConciliacao(amb); }
  std::vector<std::string> Dependencias(const std::map<std::string, std::string>& g) override {
    return DependenciasConciliacao(g);
  }
  void VerificaArmazem(Ambiente& amb, const Chamada& c, const Resultado& r, const Base&, const Estado&,
                       const std::map<std::string, long>&) override {
    VerificaNumeracao(amb);
    // Without rules nothing is posted.
    if (SUCCEEDED(r.hr) && SemRegras(c)) {
      EXPECT_EQ(amb.Escalar("SELECT COUNT(*) FROM tesouraria"), 0);
    }
  }
};

// One line posted by hand with a rule of its own (the management share included): the
// run's steps for that line alone. A failure leaves what the run's failures leave, and a
// later try finds the line posted or open, never half.
class LancamentoLinha : public ProcessaLancamento {
 public:
  std::string Modelo() override {
    return ::Modelo("lanca_linha", [](std::shared_ptr<CZQBancoSQL> banco) {
      nlohmann::json documento = zq_lanca::EmpresaAmostra();
      // The line's day open to changes by hand.
      documento["mestre"]["data_bloqueio_movimentacao"] = "31/12/2025";
      documento["periodo_contabil"]["mes_bloqueio"] = "12/2025";
      CarregaDocumento(*banco, documento.dump());
      CZQVector<tagRegGerencial_ps> rateio;
      rateio.Add(tagRegGerencial_ps{0, 1000000, 9, 7001});
      CZQFonteLancamentoSQL fonte(banco);
      if (FAILED(fonte.GravaRateio(401, rateio))) throw std::runtime_error("shares not stored");
      GravaLinhas(banco, {zq_lanca::Linha("DEPOSITO", "300", '+', 111, 1000, zq_lanca::Dia(10, 3, 2026), 7000)});
    });
  }
  Resultado Executa(Ambiente& amb) override {
    CCLConciliacaoLancaAuto rotina;
    if (FAILED(rotina.Inicializa(&m_perfil))) throw std::runtime_error("routine not initialised");
    _REG_PROP_CONC_TESBAN_PS regra{};
    regra.iTransacao = 1;
    regra.iPosFormaPagamento = 5;
    regra.iContabilEntrada = 41;
    regra.lPosClassificacao = regra.lContaContrapartida = 401;
    regra.lPonteiroConta = 111;
    CZQVector<CZQDadosDF_Erro> erros;
    uint32_t numero = 0;
    Resultado r;
    const auto linha = static_cast<uint32_t>(amb.Escalar("SELECT MIN(posicao) FROM extrato"));
    r.hr = rotina.LancaLinha(111, 0, linha, regra, erros, numero);
    r.texto = Texto(rotina.GetErro());
    for (const CZQDadosDF_Erro& e : erros) r.relatos.push_back(Texto(e));
    return r;
  }
  void VerificaBase(const Base& base) override {
    ProcessaLancamento::VerificaBase(base);
    EXPECT_EQ(base.figuras.at("marked lines"), 1);
    EXPECT_EQ(base.figuras.at("management parts"), 1);
  }
  bool PodeSeguir(const Chamada& c) const override {
    return c.operacao == "BuscaPonteirosTesouraria" || c.operacao == "LiberaConta";
  }
};

// ---- one cycle of each service ----

class Servico : public Operacao {
 public:
  CZQDma Dia() const override { return CZQDma(4, 12, 2026); }
  REG_ZQHMS Hora() const override { return zq::MontaHms(9, 0, 0); }
  bool Analytics() const override { return true; }

 protected:
  virtual CAutoRun* Novo() = 0;

  Resultado Executa(Ambiente&) override {
    cl_servico_teste::HostGravador host;
    CAutoRun* servico = Novo();
    if (!servico) throw std::runtime_error("service not made");
    Resultado r;
    servico->SetHost(&host);
    if (FAILED(servico->Inicializa(&m_pessoa))) throw std::runtime_error("service not initialised");
    try {
      r.hr = servico->OnRun();
    } catch (const CZQExceptionEx& e) {
      r.excecao = true;
      r.hr = e.GetCodigo();
      r.texto = e.GetMensagem().str();
    }
    servico->OnDestroi();
    for (const auto& e : host.entradas) r.relatos.push_back(e.texto);
    return r;
  }

  void VerificaResultado(const Chamada& c, const Resultado& r, const Base&) override {
    // A failed step is logged to the host and thrown with the failure (a failed read of
    // the day's holidays ends the run with it, unlogged; a failed read of the request
    // validation is thrown with HRESULT 0 and the server's own text); a failure the
    // service takes for one account is recorded with that account instead.
    if (r.excecao) {
      if (r.hr == S_OK) {
        EXPECT_NE(r.texto.find("Falha injetada em " + c.operacao + " "), std::string::npos) << r;
      } else {
        EXPECT_EQ(r.hr, kFalha) << r;
        // The step's message and " -": the injected code has no description, and the
        // code itself is in the trace line of the same failure.
        EXPECT_GT(r.texto.size(), 2u) << r;
        EXPECT_TRUE(r.texto.ends_with(" -")) << "not the step's message and \" -\": " << r;
      }
      EXPECT_EQ(r.relatos, std::vector<std::string>{r.texto}) << r;
    } else {
      EXPECT_TRUE(r.hr == kFalha || SUCCEEDED(r.hr)) << r;
      EXPECT_TRUE(r.relatos.empty()) << r;
    }
  }
  // The holiday control traces nothing of its own; the service traces its call.
  Rastro RastroPermitido(const Chamada& c) const override {
    return c.operacao == "BuscaFeriadosFilial" ? Rastro::Componente : Rastro::Servidor;
  }

  CZQProfilerEmpresa m_pessoa{"EXEMPLO", 1, 77};
};

// The import service: one account due, a statement of two lines.
class ServicoImportacao : public Servico {
 public:
  std::string Modelo() override {
    return ::Modelo("servico_importacao", [](std::shared_ptr<CZQBancoSQL> banco) {
      CarregaArquivo(*banco, std::string(CL_TEST_SOURCE_DIR) + "/data/sample-company.json");
      CZQAcessoServidoresSQL hub(banco);
      CZQDadosCL_ConfiguracaoServicoImportacaoExtratos configuracao;
      CCLServicoImportacaoExtratos::Regra r;
      r.SetPonteiroFilial(1).SetFrequencia(ZQ_FREQUENCIA_CADA_CICLO).SetHmsExecucao(0).SetApenasDiasUteis(true);
      r.AdicionaPonteiroContaBanco(111);
      configuracao.AdicionaRegra(r);
      if (FAILED(hub.GetAcessoConciliacao()->GravaConfiguracaoServicoImportacaoExtratos(configuracao)))
        throw std::runtime_error("configuration not stored");
    });
  }
  void Prepara(Ambiente& amb) override {
    cl_teste::Escreve(amb.Instalacao() / CL_ARQUIVO_MOCK_EXTRATO_TAVORIN,
                      cl_teste::Ofx({{"DEBIT", "20261201", "-2,00", "TARIFA"}, {"CREDIT", "20261202", "3,00", "PIX"}}));
  }
  std::set<std::string> Ignoradas() const override { return {"extrato.posicao"}; }
  void VerificaBase(const Base& base) override {
    Servico::VerificaBase(base);
    EXPECT_EQ(LinhasNoEstado(base.final, 111), 2);
  }
  // The account's import steps: the account is recorded as failed and the run goes on.
  // The pending lines read for the hyper-automation status, and the status itself: not
  // reported, by design.
  bool PodeSeguir(const Chamada& c) const override {
    return c.operacao != "LeConfiguracaoServicoImportacaoExtratos" &&
           c.operacao != "BuscaPonteirosExecucaoServicoImportacaoExtratos" &&
           c.operacao != "LePonteirosExecucaoServicoImportacaoExtratos" &&
           c.operacao != "GravaExecucaoServicoImportacaoExtratos" && c.operacao != "BuscaFeriadosFilial";
  }
  Rastro RastroPermitido(const Chamada& c) const override {
    if (c.operacao == "BuscaPonteirosMovimentoExtrato" || c.operacao == "BuscaRegistrosMovimentoExtrato")
      return Rastro::Nenhum;
    // The hyper-automation stores the status; the service traces its error record.
    if (c.operacao == "GravaStatusHiperautomacaoFinanceira") return Rastro::Componente;
    return Servico::RastroPermitido(c);
  }
  void VerificaArmazem(Ambiente& amb, const Chamada& c, const Resultado& r, const Base& base, const Estado&,
                       const std::map<std::string, long>& chamadas) override {
    const long gravadas = Vezes(chamadas, "GravaExtrato") - (c.operacao == "GravaExtrato" ? 1 : 0);
    EXPECT_EQ(Linhas(amb, 111), gravadas);
    const long execucoes = Vezes(chamadas, "GravaExecucaoServicoImportacaoExtratos") -
                           (c.operacao == "GravaExecucaoServicoImportacaoExtratos" ? 1 : 0);
    EXPECT_EQ(amb.Escalar("SELECT COUNT(*) FROM execucao_importacao"), execucoes);
    // A run that went on recorded the account once: failed, saying why (the server's
    // text, or for a server interface, which has no error record, the failure's
    // description), unless the failure is one the import or the status take in stride.
    if (!r.excecao && SUCCEEDED(r.hr)) {
      EXPECT_EQ(amb.Escalar("SELECT COUNT(*) FROM execucao_importacao_conta"), 1) << r;
      const long long falhas =
          amb.Escalar("SELECT COUNT(*) FROM execucao_importacao_conta WHERE tipo_status <> 1 AND mensagem <> ''");
      EXPECT_EQ(falhas, ContaSegue(c, base) ? 0 : 1) << "the account's record does not match the failure";
    }
  }

  // Failures that leave the account imported: the checks of one line (the line is
  // rejected), letting the account go after its lines are stored, and the pending lines
  // read and the status stored for the hyper-automation after the import (the last calls
  // of those reads).
  static bool ContaSegue(const Chamada& c, const Base& base) {
    if (c.operacao == "LeBanco" || c.operacao == "LeBufferMestre" || c.operacao == "LeBufferPlanoContabil" ||
        c.operacao == "LiberaConta" || c.operacao == "GravaStatusHiperautomacaoFinanceira")
      return true;
    return (c.operacao == "BuscaPonteirosMovimentoExtrato" || c.operacao == "BuscaRegistrosMovimentoExtrato") &&
           c.n == Vezes(base.chamadas, c.operacao);
  }

 protected:
  CAutoRun* Novo() override { return CLServicoImportacaoExtratos_new(); }
};

// The reconciliation service: one account due with a line a rule posts, a line paired
// with an open treasury entry.
class ServicoConciliacao : public Servico {
 public:
  std::string Modelo() override {
    return ::Modelo("servico_conciliacao", [](std::shared_ptr<CZQBancoSQL> banco) {
      CarregaArquivo(*banco, std::string(CL_TEST_SOURCE_DIR) + "/data/sample-company.json");
      CZQAcessoServidoresSQL hub(banco);
      CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco configuracao;
      CCLConciliacaoTesourariaBancoAutomatizada::Regra r;
      r.SetPonteiroFilial(1).SetFrequencia(ZQ_FREQUENCIA_CADA_CICLO).SetHmsExecucao(0).SetApenasDiasUteis(false);
      // 113 after 111, with nothing to post or pair: a failure there keeps 111's record.
      r.AdicionaPonteiroContaBanco(111).AdicionaPonteiroContaBanco(113);
      configuracao.AdicionaRegra(r);
      if (FAILED(hub.GetAcessoConciliacao()->GravaConfiguracaoConciliacaoTesourariaBanco(configuracao)))
        throw std::runtime_error("configuration not stored");
      const REG_ZQDMA dia = cl_servico_teste::Dia(1, 12, 2026);
      GravaLinhas(banco, {zq_lanca::Linha("TARIFA", "105", '-', 111, 1290 * 100, dia, 1),
                          zq_lanca::Linha("DEPOSITO DIVERSO", "999", '+', 111, 5000 * 100, dia, 2)});
      tagREG_TESOURARIAPS reg{};
      reg.cyValor = 5000 * 100;
      reg.dmaLancamento = dia;
      reg.lPonteiroContaEnt = 111;
      reg.iPonteiroFilial = 1;
      reg.cConciliadoEnt = 'N';
      reg.cConciliadoSai = 'N';
      CZQDadosFN_Tesouraria t(reg);
      if (FAILED(hub.Financeiro().GravaTesouraria(t))) throw std::runtime_error("entry not stored");
    });
  }
  std::set<std::string> Ignoradas() const override { return {"numero_conciliacao.ultimo_numero"}; }
  // The next cycle after a restart posts and pairs what the failed one left.
  bool Retoma() const override { return true; }
  std::map<std::string, long long> Figuras(Ambiente& amb) override { return FigurasLancamento(amb); }
  void VerificaBase(const Base& base) override {
    Servico::VerificaBase(base);
    // The rule's line posted and the other paired: two numbers.
    EXPECT_EQ(base.grupos.count("111/1 entries") + base.grupos.count("111/2 entries"), 2u);
  }
  // The posting run's own tolerated steps; an account whose postings are blocked (the
  // finance master unreadable counts so) is recorded as such.
  bool PodeSeguir(const Chamada& c) const override {
    return ProcessaLancamento().PodeSeguir(c) || c.operacao == "Financeiro.LeBufferMestre" ||
           c.operacao == "BuscaPonteirosExecucaoConciliacaoTesourariaBanco";
  }
  std::map<std::string, std::string> Grupos(Ambiente& amb) override { return GruposConciliacao(amb); }
  std::vector<std::string> Dependencias(const std::map<std::string, std::string>& g) override {
    return DependenciasConciliacao(g);
  }
  void VerificaArmazem(Ambiente& amb, const Chamada& c, const Resultado& r, const Base&, const Estado&,
                       const std::map<std::string, long>& chamadas) override {
    VerificaNumeracao(amb);
    // Each account's record written before the failure stays.
    const long gravacoes = Vezes(chamadas, "GravaExecucaoConciliacaoTesourariaBanco") -
                           (c.operacao == "GravaExecucaoConciliacaoTesourariaBanco" ? 1 : 0);
    EXPECT_EQ(amb.Escalar("SELECT COUNT(*) FROM execucao_conciliacao"), gravacoes);
    if (r.excecao || FAILED(r.hr)) return;
    // A run that went on recorded both accounts: blocked when the finance master could
    // not be read (nothing posted or paired), processed otherwise.
    const bool bloqueada = c.operacao == "Financeiro.LeBufferMestre";
    EXPECT_EQ(amb.Escalar("SELECT COUNT(*) FROM execucao_conciliacao WHERE banco = 111 AND tipo_status = " +
                          std::string(bloqueada ? "3" : "1")),
              1);
    EXPECT_EQ(gravacoes, 2);
    if (bloqueada) {
      EXPECT_EQ(amb.Escalar("SELECT COUNT(*) FROM extrato WHERE conciliado = 'S'"), 0);
    }
  }

 protected:
  CAutoRun* Novo() override { return CLConciliacaoTesourariaBanco_new(); }
};

ZQ_VARREDURA(ImportacaoOfxVarredura, ImportacaoOfx);
ZQ_VARREDURA(ImportacaoBancoBrasilVarredura, ImportacaoBancoBrasil);
ZQ_VARREDURA(ValidacaoPedidoVarredura, ValidacaoPedido);
ZQ_VARREDURA(ValidacaoConfiguracaoImportacaoVarredura, ValidacaoConfiguracaoImportacao);
ZQ_VARREDURA(ValidacaoConfiguracaoConciliacaoVarredura, ValidacaoConfiguracaoConciliacao);
ZQ_VARREDURA(TesteLancamentoVarredura, TesteLancamento);
ZQ_VARREDURA(ProcessaLancamentoVarredura, ProcessaLancamento);
ZQ_VARREDURA(LancamentoLinhaVarredura, LancamentoLinha);
ZQ_VARREDURA(ServicoImportacaoVarredura, ServicoImportacao);
ZQ_VARREDURA(ServicoConciliacaoVarredura, ServicoConciliacao);

}  // namespace
