#include "platform/components/zq_conexao_plano.h"

#include <cstring>
#include <mutex>

#include "platform/components/zq_interacao.h"

namespace {

std::mutex g_mutexPlano;
ZQFabricaPlanoContas& FabricaPlano() {
  static ZQFabricaPlanoContas fabrica;
  return fabrica;
}

}  // namespace

ZQFabricaPlanoContas ZQDefineFabricaPlanoContas(ZQFabricaPlanoContas fabrica) {
  std::lock_guard<std::mutex> trava(g_mutexPlano);
  ZQFabricaPlanoContas anterior = std::move(FabricaPlano());
  FabricaPlano() = std::move(fabrica);
  return anterior;
}

std::unique_ptr<IZQFontePlanoContas> ZQNovaFontePlanoContas(const ZQParametrosPlanoContas& parametros) {
  ZQFabricaPlanoContas fabrica;
  {
    std::lock_guard<std::mutex> trava(g_mutexPlano);
    fabrica = FabricaPlano();
  }
  return fabrica ? fabrica(parametros) : nullptr;
}

CConexaoPlano::CConexaoPlano() = default;

CConexaoPlano::CConexaoPlano(const CConexaoPlano& outro)
    : m_parametros(outro.m_parametros),
      m_bConectado(outro.m_bConectado),
      m_bTrataErros(outro.m_bTrataErros),
      m_erro(outro.m_erro) {
  if (m_bConectado) m_pFonte = ZQNovaFontePlanoContas(m_parametros);
}

CConexaoPlano& CConexaoPlano::operator=(const CConexaoPlano& outro) {
  if (this != &outro) {
    m_parametros = outro.m_parametros;
    m_bConectado = outro.m_bConectado;
    m_bTrataErros = outro.m_bTrataErros;
    m_erro = outro.m_erro;
    m_pFonte = m_bConectado ? ZQNovaFontePlanoContas(m_parametros) : nullptr;
  }
  return *this;
}

CConexaoPlano::~CConexaoPlano() = default;

HRESULT CConexaoPlano::Conecta(const ZQParametrosPlanoContas& parametros) {
  m_erro.Limpar();
  m_parametros = parametros;
  m_pFonte = ZQNovaFontePlanoContas(parametros);
  m_bConectado = m_pFonte != nullptr;
  if (!m_bConectado) {
    m_erro.SetErro(ZQ_E_PLANO_NAO_CONECTADO, 0, 0);
    m_erro.SetTexto("Não há componente de plano de contas instalado para abrir a conexão.");
    return ZQ_E_PLANO_NAO_CONECTADO;
  }
  return S_OK;
}

HRESULT CConexaoPlano::Le(uint32_t posicao, _RegContaPS* conta) {
  m_erro.Limpar();
  if (!conta) {
    m_erro.SetErro(E_POINTER, 0, 0);
    return E_POINTER;
  }
  std::memset(conta, 0, sizeof *conta);
  HRESULT hr;
  if (!m_pFonte) {
    hr = ZQ_E_PLANO_NAO_CONECTADO;
    m_erro.SetErro(hr, 0, 0);
    m_erro.SetTexto("A conexão com o plano de contas não foi aberta.");
  } else {
    hr = m_pFonte->LeConta(posicao, conta);
    if (FAILED(hr)) {
      if (const CZQDadosDF_Erro* erro = m_pFonte->GetErro(); erro && erro->TemErro()) {
        m_erro.SetErro(erro);
      } else {
        m_erro.SetErro(hr, 0, 0);
      }
    }
  }
  // A connection that handles its own errors tells the person at once; the silent
  // posting run switches this off and only looks at the result.
  if (FAILED(hr) && m_bTrataErros) m_erro.MostraMensagem(nullptr, ZQ_BOTAO_OK, ZQ_BOTAO_DEFAULT_1);
  return hr;
}

CConexaoPlanoContabil::~CConexaoPlanoContabil() = default;

HRESULT CConexaoPlanoContabil::Inicializa(const CZQString& empresa, unsigned short usuario, unsigned long numeroSessao,
                                          char opcao1, char opcao2) {
  ZQParametrosPlanoContas parametros;
  parametros.sEmpresa = empresa;
  parametros.usUsuario = usuario;
  parametros.ulNumeroSessao = numeroSessao;
  parametros.cOpcao1 = opcao1;
  parametros.cOpcao2 = opcao2;
  return Conecta(parametros);
}
