// SHA-256 of a byte string, for the salted owner-name hash.
#ifndef QXLDRA_SHA256_H
#define QXLDRA_SHA256_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace qxldra {

using Digest = std::array<unsigned char, 32>;

class Sha256 {
 public:
  Sha256();
  void Add(const void* data, std::size_t size);
  Digest Finish();

 private:
  void Block(const unsigned char* block);

  std::array<uint32_t, 8> state_;
  std::array<unsigned char, 64> pending_{};
  std::size_t pending_size_ = 0;
  uint64_t total_ = 0;
};

}  // namespace qxldra

#endif
