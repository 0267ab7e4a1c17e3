// The platform's SHA-256 against the published known answers (FIPS 180-2, appendix B).
#include "sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct KnownAnswer {
  std::string input;
  const char* digest;
};

TEST(Sha256Test, KnownAnswers) {
  for (const KnownAnswer& k :
       {KnownAnswer{"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        KnownAnswer{"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        KnownAnswer{"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                    "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"}}) {
    EXPECT_EQ(kd::Sha256Hex(k.input), k.digest) << k.input;
  }
}

// A million "a", fed in pieces of growing, uneven sizes as a file is read block by block.
TEST(Sha256Test, FedInPieces) {
  const std::string a(1000000, 'a');
  kd::Sha256 digest;
  for (std::size_t at = 0, piece = 1; at < a.size(); at += piece, piece = piece * 3 + 1) {
    digest.Update(std::string_view(a).substr(at, piece));
  }
  EXPECT_EQ(digest.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
