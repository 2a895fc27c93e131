#include <gtest/gtest.h>

#include <string>

#include "import/cl_resumo_sha256.h"

namespace {

std::string Bytes256VezesTres() {
  std::string s;
  for (int vez = 0; vez < 3; ++vez)
    for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
  return s;
}

// The published vectors and the lengths around the padding's block boundary (55, 56, 64).
TEST(ResumoSha256Test, KnownDigests) {
  const struct {
    std::string bytes;
    const char* resumo;
  } casos[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {Bytes256VezesTres(), "f3a25aa93aa2fbba28d79260535bbd6a5eb0fc1c24a8b0f04e12b484c1dfe363"},
  };
  for (const auto& caso : casos) {
    EXPECT_EQ(cl_import::ResumoSha256(caso.bytes), caso.resumo) << caso.bytes.size() << " bytes";
  }
}

}  // namespace
