#include "frame/zq_mensagens.h"

#include "frame/zq_biblioteca_mensagens.h"
#include "frame/zq_nomes_hresult.h"
#include "platform/components/zq_mensagens_abi.h"

namespace {

struct ModuloErp {
  _ZQModulo numero;
  const char* codigo;
};

// The ERP's module numbers and the two-letter codes their message files are filed under.
constexpr ModuloErp kModulos[] = {
    {1, "DF"},  {2, "CP"},  {3, "CR"},  {4, "FN"},  {5, "CN"},  {6, "FS"},  {7, "FP"},  {8, "ES"},
    {9, "CM"},  {10, "CL"}, {11, "FT"}, {12, "VD"}, {13, "PT"}, {14, "OR"}, {15, "GC"}, {16, "PD"},
    {17, "CS"}, {18, "QL"}, {19, "MN"}, {20, "ZQ"}, {21, "PE"}, {22, "TR"}, {23, "CE"}, {24, "GE"},
    {25, "BI"}, {26, "WF"}, {27, "PV"}, {28, "OS"}, {29, "CB"}, {30, "AD"}, {31, "IT"}, {32, "AT"},
};

// The shared base (module 20) files its messages under "ZQ"; a module number the
// table does not know falls back to the same file.
constexpr const char kModuloPadrao[] = "ZQ";

}  // namespace

std::string ZQGetMensagem(unsigned long codigo, const char* modulo, unsigned int idioma) {
  if (modulo == nullptr || *modulo == '\0') return {};
  zq::CZQBibliotecaMensagens biblioteca;
  auto texto = biblioteca.Simbolo<ZQPfnMensagemTexto>(ZQ_SIMBOLO_MENSAGEM_TEXTO);
  if (texto == nullptr) return {};
  return zq::LeTextoCopiado(
      [&](char* destino, size_t tamanho) { return texto(modulo, codigo, idioma, destino, tamanho); });
}

std::string ZQGetErrorDescription(HRESULT hr) { return zq::DescricaoHResult(hr); }

namespace zq {

const char* CodigoModulo(_ZQModulo modulo) {
  for (const ModuloErp& linha : kModulos) {
    if (linha.numero == modulo) return linha.codigo;
  }
  return kModuloPadrao;
}

}  // namespace zq
