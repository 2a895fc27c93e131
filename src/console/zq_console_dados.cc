#include "console/zq_console_dados.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

#include "frame/zq_data.h"
#include "frame/zq_data_texto.h"
#include "platform/access/zq_acesso_conciliacao.h"
#include "platform/access/zq_acesso_empresarial.h"
#include "reconciliation/cl_bancada.h"

namespace {

constexpr int kDiasGrafico = 30;

using Chave = std::pair<uint32_t, uint32_t>;  // branch, account

// Keeps the later of two runs of the same account.
bool Guarda(ZQUltimaExecucao& u, REG_ZQDMAHMSUTC quando, uint8_t status, const CZQString& mensagem) {
  if (u.houve && u.quando > quando) return false;
  u.houve = true;
  u.quando = quando;
  u.status = status;
  u.mensagem = mensagem.c_str();
  return true;
}

// Seconds an account took in its run: from the account written before it in the same run
// (`anterior`; 0 when it came first) or else from the run's start, to its own writing.
int64_t DuracaoConta(REG_ZQDMAHMSUTC inicio, REG_ZQDMAHMSUTC anterior, REG_ZQDMAHMSUTC gravacao) {
  return ZQDuracao(anterior != 0 ? anterior : inicio, gravacao);
}

// The reconciliation service writes one record per account, each with its run's start:
// the one written before `i` in the same run is the one before it with that start, as
// the store hands records over in the order of their start, then of their writing.
REG_ZQDMAHMSUTC AnteriorConciliacao(const CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco>& lista,
                                    std::size_t i) {
  if (i == 0) return 0;
  const auto& antes = lista.Std()[i - 1];
  return antes.GetDataHoraExecucao() == lista.Std()[i].GetDataHoraExecucao() ? antes.GetDmaHmsGravacao() : 0;
}

}  // namespace

const char* ZQNomeStatusExecucao(uint8_t status, const char* sucesso) {
  switch (status) {
    case ZQ_STATUS_EXECUCAO_SUCESSO:
      return sucesso;
    case ZQ_STATUS_EXECUCAO_REPETIR:
      return "falhou (nova tentativa hoje)";
    case ZQ_STATUS_EXECUCAO_FALHA:
      return "falhou";
    default:
      return "?";
  }
}

std::string ZQMomentoTexto(REG_ZQDMAHMSUTC momento) {
  if (momento == 0) return "-";
  int h = 0, m = 0, s = 0;
  zq::DesmontaHms(zq::HmsDeDmaHms(momento), h, m, s);
  char hora[16];
  std::snprintf(hora, sizeof hora, " %02d:%02d", h, m);
  return ZQDataTexto(zq::DmaDeDmaHms(momento)) + hora;
}

int64_t ZQDuracao(REG_ZQDMAHMSUTC desde, REG_ZQDMAHMSUTC ate) {
  if (desde == 0 || ate == 0) return -1;
  const int64_t segundos = zq::SegundosDmaHms(ate) - zq::SegundosDmaHms(desde);
  return segundos < 0 ? -1 : segundos;
}

std::string ZQDuracaoTexto(int64_t segundos) {
  if (segundos < 0) return "-";
  const long long s = segundos;
  char texto[48];
  if (s < 60) {
    std::snprintf(texto, sizeof texto, "%lld s", s);
  } else if (s < 3600) {
    std::snprintf(texto, sizeof texto, "%lld min %02lld s", s / 60, s % 60);
  } else {
    std::snprintf(texto, sizeof texto, "%lld h %02lld min", s / 3600, s % 3600 / 60);
  }
  return texto;
}

bool ZQLePanorama(CZQAcessoServidores& servidores, REG_ZQDMA hoje, ZQPanorama& panorama, std::string& erro) {
  panorama = ZQPanorama{};
  panorama.hoje = hoje;
  CZQAcessoConciliacao& acesso = *servidores.GetAcessoConciliacao();
  const auto falha = [&] {
    erro = acesso.GetErro()->GetTextoMostraMensagem().c_str();
    return false;
  };
  const REG_ZQDMA inicio = CZQDma(hoje).SubtraiDias(kDiasGrafico - 1).GetDma();

  // The accounts are those a service is configured for.
  std::map<Chave, ZQContaPanorama> contas;
  CZQDadosCL_ConfiguracaoServicoImportacaoExtratos importacao;
  CZQDadosCL_ConfiguracaoServicoConciliacaoTesourariaBanco conciliacao;
  if (FAILED(acesso.LeConfiguracaoServicoImportacaoExtratos(importacao)) ||
      FAILED(acesso.LeConfiguracaoConciliacaoTesourariaBanco(conciliacao))) {
    return falha();
  }
  for (const auto& r : importacao.GetListaRegras())
    for (uint32_t c : r.GetListaPonteirosContaBanco()) contas[{r.GetPonteiroFilial(), c}];
  for (const auto& r : conciliacao.GetListaRegras())
    for (uint32_t c : r.GetListaPonteirosContaBanco()) contas[{r.GetPonteiroFilial(), c}];

  CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos filtroImportacao;
  filtroImportacao.SetDmaExecucaoInicial(inicio).SetDmaExecucaoFinal(hoje);
  CZQVector<REG_ZQDMC> chaves;
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> execucoes;
  if (FAILED(acesso.BuscaPonteirosExecucaoServicoImportacaoExtratos(filtroImportacao, chaves)) ||
      FAILED(acesso.LePonteirosExecucaoServicoImportacaoExtratos(chaves, execucoes, 1))) {
    return falha();
  }
  for (const auto& e : execucoes) {
    REG_ZQDMAHMSUTC anterior = 0;
    for (const auto& r : e.GetListaRegras()) {
      ZQUltimaExecucao& u = contas[{r.GetPonteiroFilial(), r.GetPonteiroContaBanco()}].importacao;
      if (Guarda(u, e.GetDmaHmsExecucao(), r.GetTipoStatus(), r.GetMensagemStatus())) {
        u.gravadas = r.GetQuantidadeGravadas();
        u.recusadas = r.GetQuantidadeRecusadas();
        u.duracao = DuracaoConta(e.GetDmaHmsExecucao(), anterior, r.GetDmaHmsGravacao());
      }
      anterior = r.GetDmaHmsGravacao();
    }
  }
  // The runs come in the order they started; the last one ends at its last account.
  if (execucoes.GetQuantidade() > 0 && execucoes.Std().back().GetQuantidadeRegras() > 0) {
    const auto& ultima = execucoes.Std().back();
    panorama.duracaoImportacao =
        ZQDuracao(ultima.GetDmaHmsExecucao(), ultima.GetListaRegras().Std().back().GetDmaHmsGravacao());
  }
  CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco filtroConciliacao;
  filtroConciliacao.SetDmaExecucaoInicial(inicio).SetDmaExecucaoFinal(hoje);
  CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> conciliacoes;
  if (FAILED(acesso.BuscaPonteirosExecucaoConciliacaoTesourariaBanco(filtroConciliacao, chaves)) ||
      FAILED(acesso.LePonteirosExecucaoConciliacaoTesourariaBanco(chaves, conciliacoes))) {
    return falha();
  }
  for (std::size_t i = 0; i < conciliacoes.Std().size(); ++i) {
    const auto& e = conciliacoes.Std()[i];
    ZQUltimaExecucao& u = contas[{e.GetPonteiroFilial(), e.GetPonteiroBanco()}].conciliacao;
    if (Guarda(u, e.GetDataHoraExecucao(), e.GetTipoStatus(), e.GetMensagemStatus()))
      u.duracao = DuracaoConta(e.GetDataHoraExecucao(), AnteriorConciliacao(conciliacoes, i), e.GetDmaHmsGravacao());
  }
  if (conciliacoes.GetQuantidade() > 0) {
    const auto& ultima = conciliacoes.Std().back();
    panorama.duracaoConciliacao = ZQDuracao(ultima.GetDataHoraExecucao(), ultima.GetDmaHmsGravacao());
  }

  std::map<REG_ZQDMA, ZQDiaPanorama> dias;
  for (REG_ZQDMA d = inicio; d <= hoje; d = CZQDma(d).SomaDias(1).GetDma()) dias[d].dia = d;
  for (auto& [chave, c] : contas) {
    c.filial = chave.first;
    c.conta = chave.second;
    CZQDadosDF_PlanoEmpresarial plano;
    if (SUCCEEDED(servidores.GetAcessoEmpresarial()->LeBufferPlanoContabil(c.conta, &plano)))
      c.nome = plano.GetCodigoUsado_Nome().c_str();

    CLAbertos abertos;
    CZQDadosDF_Erro erroAbertos;
    if (FAILED(CLLeAbertos(acesso, c.conta, c.filial, CZQDma(1, 1, 1900).GetDma(), CZQDma(31, 12, 2999).GetDma(),
                           abertos, erroAbertos))) {
      erro = erroAbertos.GetTextoMostraMensagem().c_str();
      return false;
    }
    c.linhasAbertas = abertos.linhas.size();
    c.valorLinhasAbertas = abertos.totalLinhas;
    c.entradasAbertas = abertos.entradas.size();

    CZQDadosCL_FiltroExtrato filtro;
    filtro.SetConta(c.conta).SetFilial(c.filial).SetDataInicial(inicio).SetDataFinal(hoje);
    CZQVector<uint32_t> posicoes;
    CZQVector<CZQDadosCL_Extrato> linhas;
    if (FAILED(acesso.BuscaPonteirosMovimentoExtrato(filtro, posicoes)) ||
        FAILED(acesso.BuscaRegistrosMovimentoExtrato(filtro, posicoes, linhas))) {
      return falha();
    }
    for (const CZQDadosCL_Extrato& l : linhas) {
      const bool conciliada = l.GetConciliado() == ZQ_CONCILIADO_SIM;
      ++c.linhas30Dias;
      c.conciliadas30Dias += conciliada;
      c.lancadas30Dias += conciliada && l.GetTipoConciliacao() == ZQ_TIPO_CONCILIACAO_LANCAMENTO;
      auto it = dias.find(l.GetDmaExtrato());
      if (it != dias.end()) ++(conciliada ? it->second.conciliadas : it->second.abertas);
    }
    panorama.contas.push_back(c);
  }
  for (const auto& [d, dia] : dias) panorama.dias.push_back(dia);
  return true;
}

bool ZQLeBancada(CZQAcessoServidores& servidores, ZQBancada& b, std::string& erro) {
  CZQDadosDF_PlanoEmpresarial plano;
  if (FAILED(servidores.GetAcessoEmpresarial()->LeBufferPlanoContabil(b.conta, &plano))) {
    erro = "a conta " + std::to_string(b.conta) + " não está no plano de contas da empresa";
    return false;
  }
  b.nome = plano.GetCodigoUsado_Nome().c_str();
  CZQDadosDF_Erro erroAbertos;
  if (FAILED(CLLeAbertos(*servidores.GetAcessoConciliacao(), b.conta, b.filial, b.de, b.ate, b.abertos, erroAbertos))) {
    erro = erroAbertos.GetTextoMostraMensagem().c_str();
    return false;
  }
  const auto fora = [&](const CLItemAberto& i) {
    const tagCY v = i.valor < 0 ? -i.valor : i.valor;
    return (b.comMinimo && v < b.minimo) || (b.comMaximo && v > b.maximo);
  };
  CLAbertos& a = b.abertos;
  std::erase_if(a.linhas, fora);
  std::erase_if(a.entradas, fora);
  a.totalLinhas = a.totalEntradas = 0;
  for (const CLItemAberto& i : a.linhas) a.totalLinhas += i.valor;
  for (const CLItemAberto& i : a.entradas) a.totalEntradas += i.valor;
  b.sugestoes = CLSugere(a, CLLeParametrosSugestao());
  return true;
}

bool ZQLeExecucoesDia(CZQAcessoServidores& servidores, REG_ZQDMA dia, ZQExecucoesDia& e, std::string& erro) {
  // The days before the run's date that the import service's request covers.
  constexpr int kDiasImportacao = 7;
  e = ZQExecucoesDia{};
  e.dia = dia;
  CZQAcessoConciliacao& acesso = *servidores.GetAcessoConciliacao();
  CZQDadosCL_FiltroExecucaoServicoImportacaoExtratos filtro;
  filtro.SetDmaExecucaoInicial(dia).SetDmaExecucaoFinal(dia);
  CZQVector<REG_ZQDMC> chaves;
  CZQVector<CZQDadosCL_ExecucaoServicoImportacaoExtratos> importacoes;
  CZQDadosCL_FiltroExecucaoConciliacaoTesourariaBanco filtroConciliacao;
  filtroConciliacao.SetDmaExecucaoInicial(dia).SetDmaExecucaoFinal(dia);
  CZQVector<REG_ZQDMC> chavesConciliacao;
  CZQVector<CZQDadosCL_ExecucaoConciliacaoTesourariaBanco> conciliacoes;
  if (FAILED(acesso.BuscaPonteirosExecucaoServicoImportacaoExtratos(filtro, chaves)) ||
      FAILED(acesso.LePonteirosExecucaoServicoImportacaoExtratos(chaves, importacoes, 1)) ||
      FAILED(acesso.BuscaPonteirosExecucaoConciliacaoTesourariaBanco(filtroConciliacao, chavesConciliacao)) ||
      FAILED(acesso.LePonteirosExecucaoConciliacaoTesourariaBanco(chavesConciliacao, conciliacoes))) {
    erro = acesso.GetErro()->GetTextoMostraMensagem().c_str();
    return false;
  }
  for (const CZQDadosCL_ExecucaoServicoImportacaoExtratos& x : importacoes) {
    ZQExecucaoImportacao run;
    run.quando = x.GetDmaHmsExecucao();
    REG_ZQDMAHMSUTC anterior = 0;
    for (const CZQDadosCL_ExecucaoServicoImportacaoExtratosRegra& r : x.GetListaRegras()) {
      CZQDadosCL_FiltroExtrato periodo;
      periodo.SetConta(r.GetPonteiroContaBanco())
          .SetFilial(r.GetPonteiroFilial())
          .SetDataInicial(CZQDma(dia).SubtraiDias(kDiasImportacao).GetDma())
          .SetDataFinal(dia);
      CZQVector<uint32_t> posicoes;
      ZQContaImportada c;
      c.filial = r.GetPonteiroFilial();
      c.conta = r.GetPonteiroContaBanco();
      c.status = r.GetTipoStatus();
      c.mensagem = r.GetMensagemStatus().c_str();
      c.gravadas = r.GetQuantidadeGravadas();
      c.recusadas = r.GetQuantidadeRecusadas();
      c.duracao = DuracaoConta(run.quando, anterior, r.GetDmaHmsGravacao());
      anterior = r.GetDmaHmsGravacao();
      c.linhas = SUCCEEDED(acesso.BuscaPonteirosMovimentoExtrato(periodo, posicoes))
                     ? std::to_string(posicoes.GetQuantidade())
                     : "?";
      run.contas.push_back(std::move(c));
    }
    e.importacoes.push_back(std::move(run));
  }
  for (std::size_t i = 0; i < conciliacoes.Std().size(); ++i) {
    const auto& x = conciliacoes.Std()[i];
    e.conciliacoes.push_back(
        {x.GetDataHoraExecucao(), x.GetPonteiroFilial(), x.GetPonteiroBanco(), x.GetTipoStatus(),
         x.GetMensagemStatus().c_str(),
         DuracaoConta(x.GetDataHoraExecucao(), AnteriorConciliacao(conciliacoes, i), x.GetDmaHmsGravacao())});
  }
  std::stable_sort(e.conciliacoes.begin(), e.conciliacoes.end(),
                   [](const auto& a, const auto& b) { return a.quando < b.quando; });
  return true;
}
