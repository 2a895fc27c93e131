#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "frame/zq_base_rotinas.h"
#include "frame/zq_erro.h"
#include "frame/zq_string.h"
#include "import/cl_importacao_extrato.h"
#include "platform/records/zq_dados_extrato.h"

// Folders under the drop folder of an account, and the suffix of a file's report.
inline constexpr const char CL_PASTA_PROCESSADOS[] = "processados";
inline constexpr const char CL_PASTA_REJEITADOS[] = "rejeitados";
inline constexpr const char CL_SUFIXO_RELATORIO[] = ".relatorio.txt";
// A file changed more recently than this may still be being written: it waits.
inline constexpr int CL_SEGUNDOS_ARQUIVO_QUIETO = 5;

// What became of one file of a drop folder.
struct CCLArquivoPastaEntrada {
  enum Destino { kProcessado, kRejeitado, kFica };
  std::string nome;  // as it was found
  Destino destino = kFica;
  std::string caminho;   // where it is now
  CZQDadosDF_Erro erro;  // why it was rejected or stayed; clear for a processed file
  // Its lines stored and refused; none for a file left for the next cycle before its
  // import ended (a failure of the store), whose lines are counted when it is taken.
  CCLContagemLinhas contagem;
};

// One account's cycle of its drop folder.
struct CCLResultadoPastaEntrada {
  std::vector<CCLArquivoPastaEntrada> arquivos;  // in name order
  std::size_t adiados = 0;                       // left alone: still being written
  // The first rejection or failure, clear when every file taken was processed.
  CZQDadosDF_Erro erro;

  // The lines of every file, added up.
  CCLContagemLinhas Contagem() const {
    CCLContagemLinhas total;
    for (const CCLArquivoPastaEntrada& a : arquivos) {
      total.gravadas += a.contagem.gravadas;
      total.recusadas += a.contagem.recusadas;
    }
    return total;
  }
};

// The statement files an account receives through a folder: whatever is left in
// <installation directory>/entrada/<account>/ is imported with the account's file layout
// and then moved, beside a report of the same name plus ".relatorio.txt", to processados/
// (its lines are stored) or rejeitados/ (nothing of it is). A file whose content was
// imported before, under any name, is rejected. A file is never lost: one that cannot
// be moved, or whose import failed for a reason of the store's, stays where it was for the
// next cycle and the failure goes to the log.
class CCLPastaEntrada {
 public:
  using Registro = std::function<void(const CZQString&)>;

  // Over the routine's data-access servers; `registra` receives the failures to log.
  // The root is the configured installation directory's "entrada" unless given.
  CCLPastaEntrada(CZQBaseParaRotinas& rotina, Registro registra, std::string raiz = std::string());
  virtual ~CCLPastaEntrada() = default;

  // The folder of an account.
  std::string PastaConta(uint32_t conta) const;

  // The accounts whose folder holds a file ready to be taken (one being written does not
  // count), in account order: the folders under the root named by an account number.
  std::vector<uint32_t> ContasComArquivos() const;

  // Imports and moves the files waiting in the folder of the request's account, each
  // as a request like this one for the file by the account's layout (the period is
  // the file's own). The caller holds the account. A missing folder has no files.
  CCLResultadoPastaEntrada Processa(const CZQDadosCL_FiltroImportacaoExtrato& pedidoConta);

  // The outcome of an account's run once its drop folder had files: a rejection or
  // failure there is the account's when the online import did not fail otherwise; files
  // imported make a run whose online import found nothing (a warning) a success. With no
  // file the outcome is left as it was.
  static void Combina(const CCLResultadoPastaEntrada& resultado, CZQDadosDF_Erro& dadosErro);

 protected:
  // Moves a file by one rename, `ec` set when it fails. Virtual so that a failing move
  // can be put in its place.
  virtual void Renomeia(const std::string& de, const std::string& para, std::error_code& ec);

 private:
  // Imports one file; its destination and error filled, the report text returned.
  std::string Importa(const CZQDadosCL_FiltroImportacaoExtrato& pedidoConta, int32_t leiaute,
                      CCLArquivoPastaEntrada& arquivo, const std::string& caminho);
  // The names of the files of `pasta` ready to be taken, in name order; those still being
  // written are counted in `adiados`.
  static std::vector<std::string> ArquivosProntos(const std::string& pasta, std::size_t& adiados);
  // Moves the file and writes its report beside it; a move that fails leaves it.
  void Move(const std::string& pasta, const std::string& caminho, const std::string& relatorio,
            CCLArquivoPastaEntrada& arquivo);

  CZQBaseParaRotinas& m_rotina;
  Registro m_registra;
  std::string m_raiz;
};
