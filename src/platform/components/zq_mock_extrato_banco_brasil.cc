#include <fstream>
#include <sstream>
#include <string>

#include "frame/zq_config.h"
#include "platform/components/zq_consulta_sistema_terceiro.h"
#include "platform/components/zq_extrato_banco_brasil_json.h"

namespace {

// Same code the message library describes as "file not found".
constexpr HRESULT kArquivoNaoEncontrado = ZQ_HR(0x80070002);

}  // namespace

HRESULT CZQMockExtratoBancoBrasil::ConverteJson(CZQDadosCR_ConsultaExtratoBancoBrasil* resposta) {
  const std::string caminho = CZQConfiguracao::Global().DiretorioInstalacao() + "/" + NOME_ARQUIVO;
  return ConverteJsonArquivo(caminho.c_str(), resposta);
}

HRESULT CZQMockExtratoBancoBrasil::ConverteJsonArquivo(const char* caminho,
                                                       CZQDadosCR_ConsultaExtratoBancoBrasil* resposta,
                                                       CZQDadosDF_Erro* erro) {
  if (resposta == nullptr) return E_POINTER;
  resposta->Limpar();
  std::ifstream arquivo;
  if (caminho != nullptr) arquivo.open(caminho, std::ios::binary);
  if (!arquivo) {
    if (erro) {
      erro->SetErro(kArquivoNaoEncontrado, ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO, 0);
      erro->SetTexto(CZQString("Não foi possível abrir o arquivo de teste do extrato do Banco do Brasil ") +
                     (caminho ? caminho : "") + ".");
    }
    return kArquivoNaoEncontrado;
  }
  std::ostringstream conteudo;
  conteudo << arquivo.rdbuf();
  std::string texto = conteudo.str();
  // An editor may have saved the file with a byte-order mark.
  if (texto.rfind("\xEF\xBB\xBF", 0) == 0) texto.erase(0, 3);
  std::string motivo;
  HRESULT hr = zq::extrato_bb::LeDocumento(texto, *resposta, motivo);
  if (FAILED(hr) && erro) {
    erro->SetErro(hr, ZQ_CLASSE_CONSULTA_SISTEMA_TERCEIRO, 0);
    erro->SetTexto(CZQString(std::string(caminho) + ": " + motivo));
  }
  return hr;
}
