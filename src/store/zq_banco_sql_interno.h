#pragma once

#include <cstdint>
#include <string>

// Shared by the store's connection and its account locks; not part of the store's interface.
namespace zq::sql_interno {

// Local date and time as "AAAA-MM-DD HH:MM:SS", for the rows that record when.
std::string AgoraTexto();
// Start time of a process in clock ticks since boot (field 22 of /proc/<pid>/stat), 0
// when it cannot be read: with the pid, it tells a live holder from a reused pid.
int64_t InicioProcesso(int64_t pid);
// This machine's host name, "?" when it cannot be read.
std::string NomeMaquina();

}  // namespace zq::sql_interno
