#include "access/password_digest.h"

#include <gtest/gtest.h>

#include <string>

namespace orlentis {
namespace {

// Double SHA-256, computed independently of the program.
constexpr const char* kEmptyDoubleDigest =
    "5df6e0e2761359d30a8275058e299fcc0381534545f55cf43e41983f5d4c9456";
constexpr const char* kAbcDoubleDigest =
    "4f8b42c22dd3729b519ba6f68d2da7cc5b2d606d05daed5ad5128cc03e6c6358";
constexpr const char* kAbcSingleDigest =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t at = 0; at < hex.size(); at += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
  }
  return bytes;
}

TEST(PasswordDigestTest, IsSha256AppliedTwiceInLowercaseHex) {
  EXPECT_EQ(PasswordDigest("", false), kEmptyDoubleDigest);
  EXPECT_EQ(PasswordDigest("abc", false), kAbcDoubleDigest);
  EXPECT_NE(PasswordDigest("abc", false), kAbcSingleDigest);
}

TEST(PasswordDigestTest, DigestInputIsHashedOnceMore) {
  EXPECT_EQ(PasswordDigest(FromHex(kAbcSingleDigest), true), kAbcDoubleDigest);
}

TEST(PasswordDigestTest, DigestInputOfWrongLengthGivesEmptyText) {
  EXPECT_EQ(PasswordDigest("abc", true), "");
  EXPECT_EQ(PasswordDigest(std::string(33, 'x'), true), "");
}

TEST(PasswordDigestTest, OnlyTheFirst127CharactersCount) {
  const std::string base(127, 'p');
  EXPECT_EQ(PasswordDigest(base + "tail", false), PasswordDigest(base, false));
  EXPECT_NE(PasswordDigest(base.substr(0, 126) + "q", false), PasswordDigest(base, false));
}

TEST(PasswordDigestTest, TextEndsAtItsTerminator) {
  EXPECT_EQ(PasswordDigest(std::string("abc\0garbage", 11), false), kAbcDoubleDigest);
}

}  // namespace
}  // namespace orlentis
