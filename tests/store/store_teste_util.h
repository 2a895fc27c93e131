#pragma once

// Kept for the tests that still include it here; the helpers live in tests/support.
#include "store/zq_banco_sql.h"
#include "support/pasta_temporaria.h"
