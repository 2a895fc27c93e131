#pragma once

#include <string>

// Reference for the OFX normalisation, shared by its test and its benchmark.
namespace cl_import_referencia {

// The normalisation as its steps read, one insertion or deletion at a time in a single
// string: slow (quadratic), but plainly what is meant. The routine's one-pass version
// must give the same text for every input.
inline std::string NormalizaPassoAPasso(std::string t) {
  if (t.size() > 1) {
    const size_t k = t.find('<', 1);
    if (k != std::string::npos) t.erase(0, k);
  }
  long i = 0;
  while (i >= 0) {
    size_t e = t.find('>', static_cast<size_t>(i));
    if (e == std::string::npos) e = t.size();
    std::string token = t.substr(static_cast<size_t>(i), e - static_cast<size_t>(i) + 1);
    if (!token.empty() && token[0] != '<') token.erase(0, 1);
    if (e + 1 >= t.size()) break;
    size_t fimTag = e;
    if (t[e + 1] != '<') {
      const size_t q = t.find('<', e);
      i = q == std::string::npos ? -1 : static_cast<long>(q);
    } else if (token == "</TRNTYPE>" || token == "</DTPOSTED>" || token == "</TRNAMT>" || token == "</MCHKNUM>" ||
               token == "</CHECKNUM>" || token == "</MEMO>") {
      t.erase(static_cast<size_t>(i), e - static_cast<size_t>(i) + 1);
      t.insert(static_cast<size_t>(i), "\n");
    } else {
      t.insert(e + 1, "\n");
      i = static_cast<long>(e + 1);
      fimTag = e + 1;
    }
    if (fimTag >= t.size()) break;
  }
  return t;
}

}  // namespace cl_import_referencia
