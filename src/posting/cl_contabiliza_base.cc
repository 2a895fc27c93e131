#include "platform/components/zq_contabiliza_base.h"

// The accounting component is the ERP's; these accessors of its base are this
// library's, so the screens and the posting run reach them through libcl.so.

CContabilizaBase::~CContabilizaBase() = default;

uint32_t CContabilizaBase::GetCodigoErroContabiliza() const { return m_ulCodigoErroContabiliza; }

uint16_t CContabilizaBase::GetModuloErroContabiliza() const { return m_usModuloErroContabiliza; }

void CContabilizaBase::SetComplemento(const char* complemento) { m_sComplemento = CZQString(complemento); }
