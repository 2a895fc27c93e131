#include "platform/components/zq_consulta_sistema_terceiro.h"

#include <mutex>

namespace {

std::mutex g_mutex;
ZQFabricaConsultaSistemaTerceiro& Fabrica() {
  static ZQFabricaConsultaSistemaTerceiro fabrica;
  return fabrica;
}

}  // namespace

ZQFabricaConsultaSistemaTerceiro ZQDefineFabricaConsultaSistemaTerceiro(ZQFabricaConsultaSistemaTerceiro fabrica) {
  std::lock_guard<std::mutex> trava(g_mutex);
  ZQFabricaConsultaSistemaTerceiro anterior = std::move(Fabrica());
  Fabrica() = std::move(fabrica);
  return anterior;
}

std::unique_ptr<IZQConsultaSistemaTerceiro> ZQNovaConsultaSistemaTerceiro(const IZQDF_Profiler& profiler) {
  ZQFabricaConsultaSistemaTerceiro fabrica;
  {
    std::lock_guard<std::mutex> trava(g_mutex);
    fabrica = Fabrica();
  }
  return fabrica ? fabrica(profiler) : nullptr;
}

CZQConsultaSistemaTerceiro::CZQConsultaSistemaTerceiro() = default;
CZQConsultaSistemaTerceiro::~CZQConsultaSistemaTerceiro() = default;

HRESULT CZQConsultaSistemaTerceiro::OnInicializa() {
  m_pConsulta.reset();
  HRESULT hr = CZQBaseParaRotinas::OnInicializa();
  if (FAILED(hr)) return hr;
  LimpaErro();
  m_pConsulta = ZQNovaConsultaSistemaTerceiro(*this);
  if (!m_pConsulta) {
    return SetErro(ZQ_E_CONSULTA_NAO_INSTALADA, ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO, 0,
                   "O componente de consulta a sistemas de terceiros não está instalado neste programa; "
                   "as consultas online (Banco do Brasil, Tavorin) não estão disponíveis.");
  }
  return S_OK;
}

HRESULT CZQConsultaSistemaTerceiro::BuscaDados(const CZQDadosCR_ConsultaSistemaTerceiro& consulta,
                                               TZQBaseParaDados* resultado) {
  LimpaErro();
  if (!m_pConsulta || !EstaInicializado()) {
    if (resultado) resultado->Limpar();
    return SetErro(ZQ_E_CONSULTA_NAO_INICIALIZADA, ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO, 0,
                   "A consulta a sistemas de terceiros foi chamada antes de ser inicializada.");
  }
  if (resultado == nullptr) {
    return SetErro(E_POINTER, ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO, 0,
                   "A consulta a sistemas de terceiros não recebeu o registro de retorno.");
  }
  CZQDadosDF_Erro erro;
  HRESULT hr = m_pConsulta->BuscaDados(consulta, resultado, erro);
  if (FAILED(hr)) {
    // A component that forgets its error record still leaves a usable one behind.
    if (!erro.TemErro()) erro.SetErro(hr, ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO, 0);
    SetErro(erro);
    // Nothing of a failed answer is handed back, but a status answer keeps the
    // service's own message for the user.
    if (auto* status = dynamic_cast<CZQDadosCR_StatusConsultaSistemaTerceiro*>(resultado)) {
      CZQString mensagem = status->GetMensagemRetorno();
      status->Limpar();
      status->SetStatusConsulta(ZQ_STATUS_CONSULTA_ERRO);
      status->SetMensagemRetorno(mensagem);
    } else {
      resultado->Limpar();
    }
  }
  return hr;
}
