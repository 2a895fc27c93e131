#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Files of the statement import: the error report, the saved online statement, the
// test-mode answers and the statement file read.
namespace cl_import {

// Directory and file name joined by exactly one "/".
std::string JuntaCaminho(std::string_view diretorio, std::string_view nome);

// Whether a file counts as present: it opens, or fails to open for a reason other than
// its absence (a missing file or a missing directory on the way), and is no directory.
bool ArquivoPresente(const std::string& caminho);

// Makes the directory one only this user can enter: created with mode 0700 when missing
// (its parents as usual), never a symbolic link, owned by this user, narrowed to 0700 when
// it allows more. False when it cannot be made so; nothing private is written there then.
bool PreparaDiretorioPrivado(const std::string& diretorio);

// Replaces the file with these bytes atomically (a temporary file in the same directory,
// then rename): readers see the old content or the whole new one, and a symbolic link at
// the path is replaced, never followed. False when it cannot be written whole; the file
// at the path is then as it was.
bool GravaArquivo(const std::string& caminho, std::string_view bytes);

// Removes a file; false when it was not there or could not be removed.
bool RemoveArquivo(const std::string& caminho);

// The whole content of a regular file. False when it cannot be opened or read (a
// directory cannot).
bool LeArquivo(const std::string& caminho, std::string& conteudo);

// Line ends of a text file as the Windows text mode writes them: every "\n" becomes
// "\r\n". The reports are read on Windows desktops as well.
std::string TextoComQuebrasWindows(std::string_view texto);

}  // namespace cl_import
