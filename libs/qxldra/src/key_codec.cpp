#include "key_codec.h"

#include <cstring>

namespace qxldra {

void KeyFromRecord(const KeyDefinition& definition, const unsigned char* record, unsigned char* key) {
  for (std::size_t s = 0; s < definition.segment_count; ++s) {
    const Segment& segment = definition.segments[s];
    std::memcpy(key, record + segment.offset, segment.length);
    key += segment.length;
  }
}

void EncodeKey(const KeyDefinition& definition, const unsigned char* key, unsigned char* stored) {
  for (std::size_t s = 0; s < definition.segment_count; ++s) {
    const Segment& segment = definition.segments[s];
    if (segment.kind == QX_LDRA_SEG_TEXT) {
      std::memcpy(stored, key, segment.length);
    } else {
      for (std::size_t i = 0; i < segment.length; ++i) stored[i] = key[segment.length - 1 - i];
      if (segment.kind == QX_LDRA_SEG_SIGNED) stored[0] ^= 0x80;
    }
    key += segment.length;
    stored += segment.length;
  }
}

}  // namespace qxldra
