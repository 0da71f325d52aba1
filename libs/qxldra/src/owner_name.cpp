#include "owner_name.h"

#include <cstring>

namespace qxldra {

std::string_view OwnerNameIn(const void* data, std::size_t size) {
  if (data == nullptr) return {};
  const auto* bytes = static_cast<const char*>(data);
  const void* end = std::memchr(bytes, 0, size);
  return {bytes, end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - bytes) : size};
}

Digest OwnerHash(const unsigned char* salt, std::string_view name) {
  // The tag keeps these hashes apart from any other use of SHA-256 over the
  // same bytes.
  static const char kTag[] = "qxldra owner name v1";
  Sha256 hash;
  hash.Add(kTag, sizeof kTag);
  hash.Add(salt, kSaltSize);
  hash.Add(name.data(), name.size());
  return hash.Finish();
}

Digest MetaChecksum(std::string_view definition_block, const unsigned char* salt, const unsigned char* hash) {
  static const char kTag[] = "qxldra meta checksum v1";
  Sha256 sum;
  sum.Add(kTag, sizeof kTag);
  sum.Add(definition_block.data(), definition_block.size());
  sum.Add(salt, kSaltSize);
  sum.Add(hash, Digest().size());
  return sum.Finish();
}

bool SameDigest(const unsigned char* a, const unsigned char* b) {
  unsigned char difference = 0;
  for (std::size_t i = 0; i < Digest().size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

}  // namespace qxldra
