#include "store/zq_esquema_sql.h"

// The statements use only what SQLite and PostgreSQL both accept: BIGINT for every
// number (unsigned 32-bit keys do not fit PostgreSQL's INTEGER), TEXT for texts and
// one-character codes, keys chosen by the store rather than by the database.

const std::vector<ZQMigracaoSQL>& ZQMigracoesSQL() {
  static const std::vector<ZQMigracaoSQL> migracoes = {
      {1,
       "Cadastros da empresa, extratos, tesouraria, configurações e execuções dos serviços",
       {
           // Company master data.
           "CREATE TABLE empresa ("
           " id BIGINT NOT NULL PRIMARY KEY, codigo TEXT NOT NULL, nome TEXT NOT NULL,"
           " documento TEXT NOT NULL)",
           "CREATE TABLE filial ("
           " ponteiro BIGINT NOT NULL PRIMARY KEY, codigo TEXT NOT NULL, nome TEXT NOT NULL,"
           " documento TEXT NOT NULL)",
           "CREATE TABLE feriado_filial ("
           " filial BIGINT NOT NULL, data BIGINT NOT NULL, anual BIGINT NOT NULL, descricao TEXT NOT NULL,"
           " PRIMARY KEY (filial, data))",
           "CREATE TABLE plano_empresarial ("
           " ponteiro BIGINT NOT NULL PRIMARY KEY, codigo_proprio TEXT NOT NULL, codigo_usado TEXT NOT NULL,"
           " nome TEXT NOT NULL, tipo TEXT NOT NULL, inativa BIGINT NOT NULL, tipo_banco TEXT NOT NULL)",
           "CREATE TABLE plano_gerencial ("
           " ponteiro BIGINT NOT NULL PRIMARY KEY, codigo_proprio TEXT NOT NULL, codigo_usado TEXT NOT NULL,"
           " nome TEXT NOT NULL, tipo TEXT NOT NULL, inativa BIGINT NOT NULL)",
           "CREATE TABLE banco ("
           " conta BIGINT NOT NULL PRIMARY KEY, numero_banco BIGINT NOT NULL, nome_banco TEXT NOT NULL,"
           " numero_agencia TEXT NOT NULL, conta_corrente TEXT NOT NULL,"
           " integrar_com_terceiro BIGINT NOT NULL, tipo_operacao BIGINT NOT NULL,"
           " ambiente_integracao BIGINT NOT NULL, ambiente_integracao_bb_extrato BIGINT NOT NULL)",
           "CREATE TABLE leiaute ("
           " posicao BIGINT NOT NULL PRIMARY KEY, descricao TEXT NOT NULL, separador BIGINT NOT NULL,"
           " tipo_arquivo BIGINT NOT NULL, linhas_cabecalho BIGINT NOT NULL, linhas_rodape BIGINT NOT NULL,"
           " reservado TEXT NOT NULL)",
           "CREATE TABLE mestre_cl ("
           " id BIGINT NOT NULL PRIMARY KEY, data_bloqueio_movimentacao BIGINT NOT NULL)",
           "CREATE TABLE mestre_financeiro ("
           " id BIGINT NOT NULL PRIMARY KEY, data_bloqueio_lancamento BIGINT NOT NULL)",
           "CREATE TABLE mestre_empresa ("
           " id BIGINT NOT NULL PRIMARY KEY, data_inferior_lancamento BIGINT NOT NULL,"
           " data_superior_lancamento BIGINT NOT NULL)",
           "CREATE TABLE periodo_contabil ("
           " id BIGINT NOT NULL PRIMARY KEY, data_inferior_movimentacao BIGINT NOT NULL,"
           " data_superior_movimentacao BIGINT NOT NULL, mes_bloqueio BIGINT NOT NULL)",
           "CREATE TABLE forma_pagamento ("
           " posicao BIGINT NOT NULL PRIMARY KEY, descricao TEXT NOT NULL, inativa BIGINT NOT NULL)",
           "CREATE TABLE historico ("
           " codigo BIGINT NOT NULL PRIMARY KEY, nome TEXT NOT NULL)",
           // Posting rules, in the order the server hands them out; "reservado" keeps, as hex,
           // the bytes of the rule that nobody here reads, so they come back as they went in.
           "CREATE TABLE regra_lancamento ("
           " posicao BIGINT NOT NULL PRIMARY KEY, codigo_mvto_bco TEXT NOT NULL, historico_bco TEXT NOT NULL,"
           " agrupa TEXT NOT NULL, transacao BIGINT NOT NULL, forma_pagamento BIGINT NOT NULL,"
           " compl_historico BIGINT NOT NULL, contabil_saida BIGINT NOT NULL, historico BIGINT NOT NULL,"
           " forma_pagamento_saida BIGINT NOT NULL, contabil_entrada BIGINT NOT NULL,"
           " classificacao BIGINT NOT NULL, conta_contrapartida BIGINT NOT NULL, conta BIGINT NOT NULL,"
           " reservado TEXT NOT NULL)",
           // Service configurations: who saved each, its rules (one per row) and their bank
           // accounts in order.
           "CREATE TABLE config_servico ("
           " servico TEXT NOT NULL PRIMARY KEY, dma_hms_alteracao BIGINT NOT NULL,"
           " usuario_alteracao BIGINT NOT NULL)",
           "CREATE TABLE config_importacao_regra ("
           " id BIGINT NOT NULL PRIMARY KEY, filial BIGINT NOT NULL, frequencia BIGINT NOT NULL,"
           " hms_execucao BIGINT NOT NULL, apenas_dias_uteis BIGINT NOT NULL)",
           "CREATE TABLE config_importacao_conta ("
           " regra BIGINT NOT NULL, ordem BIGINT NOT NULL, conta BIGINT NOT NULL, PRIMARY KEY (regra, ordem))",
           "CREATE TABLE config_conciliacao_regra ("
           " id BIGINT NOT NULL PRIMARY KEY, filial BIGINT NOT NULL, frequencia BIGINT NOT NULL,"
           " hms_execucao BIGINT NOT NULL, apenas_dias_uteis BIGINT NOT NULL)",
           "CREATE TABLE config_conciliacao_conta ("
           " regra BIGINT NOT NULL, ordem BIGINT NOT NULL, conta BIGINT NOT NULL, PRIMARY KEY (regra, ordem))",
           // Execution records of the two services.
           "CREATE TABLE execucao_importacao ("
           " id BIGINT NOT NULL PRIMARY KEY, data BIGINT NOT NULL, dma_hms_execucao BIGINT NOT NULL)",
           "CREATE INDEX execucao_importacao_data ON execucao_importacao (data)",
           "CREATE TABLE execucao_importacao_conta ("
           " execucao BIGINT NOT NULL, ordem BIGINT NOT NULL, filial BIGINT NOT NULL, conta BIGINT NOT NULL,"
           " tipo_status BIGINT NOT NULL, mensagem TEXT NOT NULL, PRIMARY KEY (execucao, ordem))",
           "CREATE TABLE execucao_conciliacao ("
           " id BIGINT NOT NULL PRIMARY KEY, data BIGINT NOT NULL, data_hora_execucao BIGINT NOT NULL,"
           " banco BIGINT NOT NULL, filial BIGINT NOT NULL, tipo_status BIGINT NOT NULL, mensagem TEXT NOT NULL)",
           "CREATE INDEX execucao_conciliacao_data ON execucao_conciliacao (data)",
           // Statement lines.
           "CREATE TABLE extrato ("
           " posicao BIGINT NOT NULL PRIMARY KEY, conta BIGINT NOT NULL, filial BIGINT NOT NULL,"
           " documento BIGINT NOT NULL, valor BIGINT NOT NULL, natureza TEXT NOT NULL, hist_bco TEXT NOT NULL,"
           " codigo_mvto_bco TEXT NOT NULL, dma_extrato BIGINT NOT NULL, dma_importacao BIGINT NOT NULL,"
           " conciliado TEXT NOT NULL, tipo_conciliacao TEXT NOT NULL, numero_conciliacao BIGINT NOT NULL)",
           "CREATE INDEX extrato_conta_data ON extrato (conta, dma_extrato)",
           // Reconciliation numbering and the table keys of (account, branch) pairs.
           "CREATE TABLE numero_conciliacao ("
           " conta BIGINT NOT NULL PRIMARY KEY, ultimo_numero BIGINT NOT NULL)",
           "CREATE TABLE chave_tabela ("
           " conta BIGINT NOT NULL, filial BIGINT NOT NULL, chave BIGINT NOT NULL, PRIMARY KEY (conta, filial))",
           // Treasury entries: the searched fields as columns, the whole structure as hex.
           "CREATE TABLE tesouraria ("
           " posicao BIGINT NOT NULL PRIMARY KEY, data_lancamento BIGINT NOT NULL, valor BIGINT NOT NULL,"
           " conta_ent BIGINT NOT NULL, conta_sai BIGINT NOT NULL, numero_conciliacao_ent BIGINT NOT NULL,"
           " numero_conciliacao_sai BIGINT NOT NULL, filial BIGINT NOT NULL, conciliado_ent TEXT NOT NULL,"
           " conciliado_sai TEXT NOT NULL, conciliado_auto TEXT NOT NULL, estrutura TEXT NOT NULL)",
           "CREATE INDEX tesouraria_conta_ent ON tesouraria (conta_ent, data_lancamento)",
           "CREATE INDEX tesouraria_conta_sai ON tesouraria (conta_sai, data_lancamento)",
           // What the financial hyper-automation learned about each account, as it came.
           "CREATE TABLE status_hiperautomacao ("
           " id BIGINT NOT NULL PRIMARY KEY, tipo_evento BIGINT NOT NULL, conta BIGINT NOT NULL,"
           " dma_hms_evento BIGINT NOT NULL, quantidade_extratos_pendentes BIGINT NOT NULL,"
           " saldo_extrato BIGINT NOT NULL, mensagem TEXT NOT NULL)",
           "CREATE INDEX tesouraria_data ON tesouraria (data_lancamento)",
       }},
      {2,
       "Nomes das transações de tesouraria",
       {
           "CREATE TABLE transacao_tesouraria ("
           " codigo BIGINT NOT NULL PRIMARY KEY, descricao TEXT NOT NULL)",
       }},
      {3,
       "Integração da conciliação: origem, partes contábeis e gerenciais dos lançamentos, rateio das"
       " classificações e logs de conciliação",
       {
           // Management shares of a classification (percent in ten-thousandths of a percent).
           "CREATE TABLE classificacao_gerencial ("
           " classificacao BIGINT NOT NULL, ordem BIGINT NOT NULL, centro_custo BIGINT NOT NULL,"
           " conta_gerencial BIGINT NOT NULL, percentual BIGINT NOT NULL, PRIMARY KEY (classificacao, ordem))",
           // Where each integrated treasury entry came from: one statement line origin once.
           "CREATE TABLE integracao_origem ("
           " posicao_tesouraria BIGINT NOT NULL PRIMARY KEY, origem BIGINT NOT NULL, chave_tabela BIGINT NOT NULL,"
           " sessao BIGINT NOT NULL, quantidade_extratos BIGINT NOT NULL, linhas_grupo BIGINT NOT NULL,"
           " complemento TEXT NOT NULL, UNIQUE (origem, chave_tabela))",
           "CREATE TABLE integracao_contabil ("
           " posicao_tesouraria BIGINT NOT NULL, ordem BIGINT NOT NULL, valor BIGINT NOT NULL,"
           " classificacao BIGINT NOT NULL, filial BIGINT NOT NULL, quantidade_extratos BIGINT NOT NULL,"
           " PRIMARY KEY (posicao_tesouraria, ordem))",
           "CREATE TABLE integracao_gerencial ("
           " posicao_tesouraria BIGINT NOT NULL, ordem BIGINT NOT NULL, valor BIGINT NOT NULL,"
           " centro_custo BIGINT NOT NULL, conta_gerencial BIGINT NOT NULL, quantidade_extratos BIGINT NOT NULL,"
           " PRIMARY KEY (posicao_tesouraria, ordem))",
           // Reconciliation logs: one per number and bank account, with its keys on both sides.
           "CREATE TABLE log_conciliacao ("
           " id BIGINT NOT NULL PRIMARY KEY, numero_conciliacao BIGINT NOT NULL, banco BIGINT NOT NULL,"
           " tipo_chaves BIGINT NOT NULL, tipo_conciliacao BIGINT NOT NULL, empresa TEXT NOT NULL,"
           " usuario BIGINT NOT NULL, sessao BIGINT NOT NULL)",
           "CREATE INDEX log_conciliacao_numero ON log_conciliacao (banco, numero_conciliacao)",
           "CREATE TABLE log_conciliacao_chave ("
           " log BIGINT NOT NULL, ordem BIGINT NOT NULL, lado TEXT NOT NULL, data BIGINT NOT NULL,"
           " posicao BIGINT NOT NULL, PRIMARY KEY (log, ordem))",
       }},
      {4,
       "Linhas de extrato agregadas nos lançamentos integrados",
       {
           // The lines an aggregated entry stands for besides its origin; a line belongs to
           // one entry only.
           "CREATE TABLE integracao_origem_grupo ("
           " origem BIGINT NOT NULL, chave_tabela BIGINT NOT NULL, posicao_tesouraria BIGINT NOT NULL,"
           " PRIMARY KEY (origem, chave_tabela))",
           "CREATE INDEX integracao_origem_grupo_tesouraria ON integracao_origem_grupo (posicao_tesouraria)",
           // Entries recorded whose lines and log are not yet known to be complete, by the
           // bank account of their lines: the next run of the account finishes what an
           // interrupted one left. Entries recorded before this table are checked once.
           "CREATE TABLE integracao_pendente ("
           " posicao_tesouraria BIGINT NOT NULL PRIMARY KEY, conta BIGINT NOT NULL)",
           "CREATE INDEX integracao_pendente_conta ON integracao_pendente (conta)",
           "INSERT INTO integracao_pendente (posicao_tesouraria, conta)"
           " SELECT o.posicao_tesouraria, e.conta FROM integracao_origem o"
           " JOIN extrato e ON e.posicao = o.origem / 256",
           // The treasury's duplicate search, once per generated entry, goes by date and amount.
           "CREATE INDEX tesouraria_data_valor ON tesouraria (data_lancamento, valor)",
       }},
      {5,
       "Linhas de extrato em aberto por conta e data",
       {
           // A posting run reads the account's open lines again after every 255: with only
           // the open ones in this index it no longer walks the reconciled ones, and they
           // come in the order it asks for.
           "CREATE INDEX extrato_conta_aberta ON extrato (conta, dma_extrato, posicao) WHERE conciliado <> 'S'",
       }},
      {6,
       "Conciliações desfeitas e as marcas de antes de cada conciliação manual",
       {
           // One record per undo: who, when (the product's clock) and why. The logs of the
           // number stay, so the history keeps the decision and its undo.
           "CREATE TABLE conciliacao_desfeita ("
           " id BIGINT NOT NULL PRIMARY KEY, banco BIGINT NOT NULL, numero_conciliacao BIGINT NOT NULL,"
           " usuario BIGINT NOT NULL, sessao BIGINT NOT NULL, quando BIGINT NOT NULL, motivo TEXT NOT NULL)",
           "CREATE INDEX conciliacao_desfeita_numero ON conciliacao_desfeita (banco, numero_conciliacao)",
           // When each log was written (the product's clock); 0 for logs older than this.
           "ALTER TABLE log_conciliacao ADD COLUMN quando BIGINT NOT NULL DEFAULT 0",
           // The marks a manual match replaced, per side ('E' statement line, 'T' treasury
           // entry), until the match is undone.
           "CREATE TABLE conciliacao_marca_anterior ("
           " banco BIGINT NOT NULL, numero_conciliacao BIGINT NOT NULL, lado TEXT NOT NULL, posicao BIGINT NOT NULL,"
           " conciliado TEXT NOT NULL, tipo TEXT NOT NULL, numero BIGINT NOT NULL,"
           " PRIMARY KEY (banco, numero_conciliacao, lado, posicao))",
       }},
      {8,
       "Colunas dos leiautes de arquivos delimitados",
       {
           // One row per layout that reads a delimited file: the column of each role
           // (counted from 1, 0 = none), the delimiter, the date format and the decimal mark.
           "CREATE TABLE leiaute_colunas ("
           " posicao BIGINT NOT NULL PRIMARY KEY, delimitador TEXT NOT NULL, marca_decimal TEXT NOT NULL,"
           " formato_data TEXT NOT NULL, coluna_data BIGINT NOT NULL, coluna_valor BIGINT NOT NULL,"
           " coluna_credito BIGINT NOT NULL, coluna_debito BIGINT NOT NULL, coluna_natureza BIGINT NOT NULL,"
           " coluna_documento BIGINT NOT NULL, coluna_historico BIGINT NOT NULL,"
           " coluna_codigo_mvto BIGINT NOT NULL, coluna_conta BIGINT NOT NULL)",
       }},
      {9,
       "Arquivos de extrato importados e o leiaute dos arquivos de cada conta",
       {
           // One row per statement file imported through a drop folder, by the SHA-256 of
           // its bytes: the same content under any name is refused afterwards. Written in
           // the transaction of the file's lines.
           "CREATE TABLE arquivo_extrato ("
           " resumo TEXT NOT NULL PRIMARY KEY, nome TEXT NOT NULL, conta BIGINT NOT NULL,"
           " dma_importacao BIGINT NOT NULL, linhas BIGINT NOT NULL)",
           // The layout of the files left in the account's drop folder (0 = none).
           "ALTER TABLE banco ADD COLUMN leiaute_arquivo BIGINT NOT NULL DEFAULT 0",
       }},
      {10,
       "Linhas gravadas e recusadas de cada conta nas execuções do serviço de importação",
       {
           // What the validation let through and refused for the account in that run; runs
           // recorded before this read 0 for both.
           "ALTER TABLE execucao_importacao_conta ADD COLUMN linhas_gravadas BIGINT NOT NULL DEFAULT 0",
           "ALTER TABLE execucao_importacao_conta ADD COLUMN linhas_recusadas BIGINT NOT NULL DEFAULT 0",
       }},
      {11,
       "Momento em que cada conta das execuções dos serviços foi gravada",
       {
           // A run is rewritten as each account is done, so the moment an entry was written
           // (the product's clock) gives how long its account took; runs recorded before
           // this read 0 and show no duration.
           "ALTER TABLE execucao_importacao_conta ADD COLUMN dma_hms_gravacao BIGINT NOT NULL DEFAULT 0",
           "ALTER TABLE execucao_conciliacao ADD COLUMN dma_hms_gravacao BIGINT NOT NULL DEFAULT 0",
       }},
  };
  return migracoes;
}
