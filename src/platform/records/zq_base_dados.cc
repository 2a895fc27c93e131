#include "platform/records/zq_base_dados.h"

const std::type_info& TZQBaseParaDados::GetRuntimeClass() const { return typeid(*this); }

TZQBaseParaDados::~TZQBaseParaDados() = default;

bool TZQBaseParaDados::IsSerializable() const { return false; }
void TZQBaseParaDados::AssertValid() const {}
void TZQBaseParaDados::Dump() const {}

REG_ZQDMC TZQBaseParaDados::OnGetChave() const { return REG_ZQDMC{}; }
void TZQBaseParaDados::OnSetChave(REG_ZQDMC) {}
uint16_t TZQBaseParaDados::OnGetVersaoPS() const { return 1; }

HRESULT TZQBaseParaDados::CopiarDe(const void* ps, std::size_t tamanho) { return OnCopiarDe(ps, tamanho); }

HRESULT TZQBaseParaDados::CopiarPara(TZQBaseParaDados& destino) const { return OnCopiarPara(destino); }

HRESULT TZQBaseParaDados::CopiarParaPS(void* ps, std::size_t tamanho) const { return OnCopiarParaPS(ps, tamanho); }

HRESULT TZQBaseParaDados::OnCopiarPara(TZQBaseParaDados& destino) const {
  return destino.Copiar(*this) ? S_OK : E_INVALIDARG;
}
