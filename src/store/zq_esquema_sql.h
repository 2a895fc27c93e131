#pragma once

#include <vector>

// One numbered step of the store's schema. The steps are applied in order, each once;
// the table schema_version remembers which ones a store has. A step, once released,
// never changes: a new need is a new step.
struct ZQMigracaoSQL {
  int versao;
  const char* descricao;
  std::vector<const char*> comandos;
};

// Every step, in ascending order of version.
const std::vector<ZQMigracaoSQL>& ZQMigracoesSQL();
