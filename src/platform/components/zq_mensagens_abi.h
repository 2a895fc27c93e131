#pragma once

// C interface of the ERP's message library (libzqmensagens.so), loaded at run time.
// Texts are UTF-8. A copying function writes at most `tamanho` bytes, the terminating
// NUL included, into `destino` (null is allowed when `tamanho` is 0) and returns the
// length of the whole text without the NUL, as snprintf does; 0 means no text.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Message text by two-letter module code ("CL") and message code; `idioma` 0 is Portuguese
// (the only language filed today: any other value gets the Portuguese text).
typedef size_t (*ZQPfnMensagemTexto)(const char* modulo, unsigned long codigo, unsigned int idioma, char* destino,
                                     size_t tamanho);
// Description of an HRESULT.
typedef size_t (*ZQPfnGetDescricaoHRESULT)(int32_t hr, char* destino, size_t tamanho);
// Non-zero for the ERP's own facilities (236 to 270).
typedef int (*ZQPfnEhFacilityMT)(uint32_t facility);

#ifdef __cplusplus
}
#endif

#define ZQ_SIMBOLO_MENSAGEM_TEXTO "ZQMensagemTexto"
#define ZQ_SIMBOLO_DESCRICAO_HRESULT "ZQGetDescricaoHRESULT"
#define ZQ_SIMBOLO_EH_FACILITY_MT "EhFacilityMT"
