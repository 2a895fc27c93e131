#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "frame/cl_export.h"
#include "frame/zq_tipos.h"

// The monthly error log: one tab-separated text file per month, per company
// ("ZQProfilerErros_Base_<yyyymm>.log" in the company's directory) or for no company
// ("ZQProfilerErros_Pgms_<yyyymm>.log"), directories from CZQConfiguracao::DiretorioLogErros.
// Several processes may append to the same file at once: each record is written under an
// exclusive lock of the file, header and record in a single write, so lines never mix.
namespace zq {

// First line of every month's file.
inline constexpr char kCabecalhoLogErros[] =
    "Data\tHora\tProcesso\tUsuarioLocal\tClasseFuncao\tGuid\tEmpresa\tUsuario\tSessao\tThreadID\tEmpresa\tUsuario\t"
    "NumeroSessao\tUsuarioDominio\tAplicativo\tModuleName\tArquivoFonte\tLinhaFonte\tWTS\tFiller\tFiller\tTipo\t"
    "MemoriaDisponivel\tMemoriaTotal\tMemoriaComponente\t"
    "VersaoOrbel\tVersaoSO\tArquivo\tLinha\tLog"
    "\tParameter1\tParameter2\tParameter3\tParameter4\tParameter5\tParameter6\tParameter7\tParameter8\tParameter9\n";

// Positions of the columns of a record (0-based), before the Log column's own tabs.
enum ColunaLogErros : int {
  kColData = 0,
  kColHora = 1,
  kColProcesso = 2,
  kColUsuarioLocal = 3,
  kColClasseFuncao = 4,
  kColGuid = 5,
  kColEmpresa = 6,
  kColUsuario = 7,
  kColSessao = 8,
  kColThreadID = 9,
  kColTipo = 21,
  kColMemoriaComponente = 24,
  kColVersaoOrbel = 25,
  kColVersaoSO = 26,
  kColArquivo = 27,
  kColLinha = 28,
  kColLog = 29,
  kQuantidadeColunasLogErros = 39,
};

// What the caller supplies for one record of the kind "ERRO"; the writer fills the rest
// (date, time, process, thread, GUID, user, program, memory, versions).
struct RegistroErro {
  std::string classeFuncao;    // "Classe::Metodo"
  bool temIdentidade = false;  // false: no routine; company, user and session columns stay empty
  std::string empresa;         // company code; empty: the no-company file
  unsigned short usuario = 0;
  unsigned long sessao = 0;
  std::string arquivo;  // source file name
  int linha = 0;        // source line
  std::string log;      // the text; its own tabs are kept, line breaks are not
};

// Appends one record to the month's file (creating it with the header line). The date,
// the time and the month come from the process's current clock (zq_relogio.h). Returns
// false when the record could not be written: it is then lost, without further notice.
// Never throws.
CL_EXPORT bool GravaRegistroErro(const RegistroErro& registro);

// Name of the month's file: "ZQProfilerErros_Base_" (company) or "ZQProfilerErros_Pgms_",
// year in four digits (held to 1848..4717), month in two (held to 0..99), ".log".
std::string NomeArquivoLogErros(bool comEmpresa, int ano, int mes);
// Full path of the month's file for a company (empty: no company), directory created when missing.
std::string CaminhoLogErros(std::string_view empresa, int ano, int mes);

// The record's line, without the line break, as it would be written at the given local moment.
std::string MontaRegistroErro(const RegistroErro& registro, REG_ZQDMAHMSUTC quando);

// "VersaoOrbel" (configuration key "versao_orbel", else this library's version) and
// "VersaoSO" (the kernel release), each "%d.%d.%d.%d"; read once per process and kept.
const std::string& VersaoOrbel();
const std::string& VersaoSO();
// The first four numbers found in a version text, missing ones as 0 ("6.1.0-18-amd64" -> "6.1.0.18").
std::string VersaoQuatroPartes(std::string_view texto);

// The process's private (anonymous) memory in bytes; 0 when it cannot be read.
uint64_t MemoriaPrivadaProcesso();

namespace detalhe {
// Opens with up to `tentativas` immediate attempts; a failure that no retry can mend
// (not found, bad path, invalid, hard I/O) ends at once. Returns the descriptor or -1,
// and the number of attempts made in `feitas` when given.
int AbreComTentativas(const std::function<int()>& abre, int tentativas = 19, int* feitas = nullptr);
// True for the errno values that end the attempts at once.
bool FalhaDefinitiva(int erro);
}  // namespace detalhe

}  // namespace zq
