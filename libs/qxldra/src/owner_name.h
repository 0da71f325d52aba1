// Owner names: how callers pass them, and the salted hash that a data file
// keeps instead of the name.
#ifndef QXLDRA_OWNER_NAME_H
#define QXLDRA_OWNER_NAME_H

#include <cstddef>
#include <string_view>

#include "sha256.h"

namespace qxldra {

constexpr std::size_t kSaltSize = 16;

// The name at the start of `data`: its bytes up to the first zero byte, or
// all `size` bytes when there is none. Empty for a NULL buffer.
std::string_view OwnerNameIn(const void* data, std::size_t size);

// SHA-256 over a domain tag, the salt and the name.
Digest OwnerHash(const unsigned char* salt, std::string_view name);

// The checksum a data file keeps over its definition block and its owner
// salt and hash, so that damage to them is told from a wrong owner name. It
// guards against accidents only: whoever can write the file can recompute
// it.
Digest MetaChecksum(std::string_view definition_block, const unsigned char* salt, const unsigned char* hash);

// Compares two digests in a time that does not depend on where they differ.
bool SameDigest(const unsigned char* a, const unsigned char* b);

}  // namespace qxldra

#endif
