// Little-endian integers at byte offsets of buffers.
#ifndef QXLDRA_BYTES_H
#define QXLDRA_BYTES_H

#include <cstddef>
#include <cstdint>

namespace qxldra {

inline uint64_t LoadLittle(const unsigned char* p, std::size_t width) {
  uint64_t value = 0;
  for (std::size_t i = width; i > 0; --i) value = (value << 8) | p[i - 1];
  return value;
}

inline void StoreLittle(unsigned char* p, std::size_t width, uint64_t value) {
  for (std::size_t i = 0; i < width; ++i, value >>= 8) p[i] = static_cast<unsigned char>(value);
}

inline uint16_t LoadU16(const unsigned char* p) { return static_cast<uint16_t>(LoadLittle(p, 2)); }
inline uint32_t LoadU32(const unsigned char* p) { return static_cast<uint32_t>(LoadLittle(p, 4)); }
inline uint64_t LoadU64(const unsigned char* p) { return LoadLittle(p, 8); }
inline void StoreU16(unsigned char* p, uint16_t v) { StoreLittle(p, 2, v); }
inline void StoreU32(unsigned char* p, uint32_t v) { StoreLittle(p, 4, v); }
inline void StoreU64(unsigned char* p, uint64_t v) { StoreLittle(p, 8, v); }

}  // namespace qxldra

#endif
