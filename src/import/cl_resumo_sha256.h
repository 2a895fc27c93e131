#pragma once

#include <string>
#include <string_view>

namespace cl_import {

// The SHA-256 digest of `bytes` as 64 lowercase hex digits: how a statement file is known
// by its content, whatever its name. Written here so that the rules library depends on no
// cryptography library for it.
std::string ResumoSha256(std::string_view bytes);

}  // namespace cl_import
