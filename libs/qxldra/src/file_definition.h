// The definition of a data file: record length and keys, and its byte form
// (the definition block of QX_LDRA_OP_CREATE, also kept inside each file).
#ifndef QXLDRA_FILE_DEFINITION_H
#define QXLDRA_FILE_DEFINITION_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "qxldra.h"

namespace qxldra {

struct Segment {
  uint16_t offset = 0;
  uint16_t length = 0;
  uint16_t kind = 0;  // QX_LDRA_SEG_*
};

struct KeyDefinition {
  uint16_t flags = 0;  // QX_LDRA_KEY_*
  uint16_t segment_count = 0;
  std::array<Segment, QX_LDRA_MAX_SEGMENTS> segments{};

  bool Duplicates() const { return (flags & QX_LDRA_KEY_DUPLICATES) != 0; }
  bool AutoNumbered() const { return (flags & QX_LDRA_KEY_AUTONUMBER) != 0; }
  // The bytes of a key value: the sum of the segment lengths.
  std::size_t Length() const;
};

struct FileDefinition {
  uint16_t record_length = 0;
  uint16_t key_count = 0;
  std::array<KeyDefinition, QX_LDRA_MAX_KEYS> keys{};

  // The auto-numbered key, or -1.
  int AutoNumberedKey() const;
};

constexpr std::size_t kMaxDefinitionBlockSize =
    QX_LDRA_DEF_HEADER_SIZE +
    QX_LDRA_MAX_KEYS * (QX_LDRA_DEF_KEY_HEADER_SIZE + QX_LDRA_MAX_SEGMENTS * QX_LDRA_DEF_SEGMENT_SIZE);

// Checks the rules of the definition block: QX_LDRA_OK or QX_LDRA_BAD_DEFINITION.
int16_t ValidateDefinition(const FileDefinition& definition);

// Reads and validates a definition block of `size` bytes, which must hold
// exactly one definition. QX_LDRA_OK or QX_LDRA_BAD_DEFINITION.
int16_t DecodeDefinition(const unsigned char* block, std::size_t size, FileDefinition* definition);

// Writes the block of a valid definition into `block` (room for
// kMaxDefinitionBlockSize bytes); returns its size.
std::size_t EncodeDefinition(const FileDefinition& definition, unsigned char* block);

}  // namespace qxldra

#endif
