#pragma once

#include <cstdint>
#include <string>

#include "frame/cl_export.h"
#include "frame/zq_data.h"
#include "frame/zq_tipos.h"

// Texts of dates, months and times as the company file, the command line and the console
// write them: "DD/MM/AAAA" (four-digit year, an existing day), "MM/AAAA", "HH:MM:SS". An
// empty text is the empty value. False for anything else, leaving the output unspecified.
CL_EXPORT bool ZQLeDataTexto(const std::string& texto, REG_ZQDMA& data);
CL_EXPORT bool ZQLeMesTexto(const std::string& texto, uint16_t& mes);
CL_EXPORT bool ZQLeHoraTexto(const std::string& texto, REG_ZQHMS& hms);
// "DD/MM/AAAA"; empty for a date that is not a valid one.
CL_EXPORT std::string ZQDataTexto(REG_ZQDMA data);
