#pragma once

// The data-access hub and every area it hands out, with their records and interfaces.
#include "platform/access/zq_acesso_conciliacao.h"
#include "platform/access/zq_acesso_contabil.h"
#include "platform/access/zq_acesso_empresarial.h"
#include "platform/access/zq_acesso_financeiro.h"
#include "platform/access/zq_acesso_integracao.h"
#include "platform/access/zq_acesso_servidores.h"
