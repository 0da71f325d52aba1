#include "owner_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Hex(const qxldra::Digest& digest) {
  std::string text;
  char pair[3];
  for (unsigned char byte : digest) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    text += pair;
  }
  return text;
}

qxldra::Digest Sha(const std::string& text) {
  qxldra::Sha256 hash;
  hash.Add(text.data(), text.size());
  return hash.Finish();
}

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Hex(Sha("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Hex(Sha("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the length no longer fits the first block.
  EXPECT_EQ(Hex(Sha("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  qxldra::Sha256 pieces;
  const std::string million(1000000, 'a');
  for (std::size_t at = 0; at < million.size(); at += 999) pieces.Add(million.data() + at, std::min<std::size_t>(999, million.size() - at));
  EXPECT_EQ(Hex(pieces.Finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(OwnerName, HashDependsOnSaltAndEveryByteOfTheName) {
  unsigned char salt[qxldra::kSaltSize] = {1, 2, 3};
  unsigned char other_salt[qxldra::kSaltSize] = {1, 2, 4};
  const qxldra::Digest hash = qxldra::OwnerHash(salt, "PLOVR583");
  EXPECT_TRUE(qxldra::SameDigest(hash.data(), qxldra::OwnerHash(salt, "PLOVR583").data()));
  EXPECT_FALSE(qxldra::SameDigest(hash.data(), qxldra::OwnerHash(salt, "plovr583").data()));
  EXPECT_FALSE(qxldra::SameDigest(hash.data(), qxldra::OwnerHash(salt, "PLOVR58").data()));
  EXPECT_FALSE(qxldra::SameDigest(hash.data(), qxldra::OwnerHash(other_salt, "PLOVR583").data()));
}

TEST(OwnerName, IsReadUpToItsTerminatorWithinTheGivenLength) {
  EXPECT_EQ(qxldra::OwnerNameIn("abc\0def", 8), "abc");
  EXPECT_EQ(qxldra::OwnerNameIn("abcdef", 3), "abc");
  EXPECT_EQ(qxldra::OwnerNameIn("abc", 0), "");
  EXPECT_EQ(qxldra::OwnerNameIn(nullptr, 10), "");
}

}  // namespace
