#include "file_definition.h"

#include "bytes.h"

namespace qxldra {

std::size_t KeyDefinition::Length() const {
  std::size_t length = 0;
  for (std::size_t i = 0; i < segment_count && i < segments.size(); ++i) length += segments[i].length;
  return length;
}

int FileDefinition::AutoNumberedKey() const {
  for (int k = 0; k < key_count && k < QX_LDRA_MAX_KEYS; ++k) {
    if (keys[k].AutoNumbered()) return k;
  }
  return -1;
}

namespace {

constexpr uint16_t kKnownFlags = QX_LDRA_KEY_DUPLICATES | QX_LDRA_KEY_AUTONUMBER;

bool ValidSegment(const Segment& segment, uint16_t record_length) {
  if (segment.length == 0 || segment.offset + segment.length > record_length) return false;
  switch (segment.kind) {
    case QX_LDRA_SEG_UNSIGNED:
    case QX_LDRA_SEG_SIGNED:
      return segment.length == 1 || segment.length == 2 || segment.length == 4 ||
             segment.length == 8;
    case QX_LDRA_SEG_TEXT:
      return segment.length <= QX_LDRA_MAX_KEY_LENGTH;
    default:
      return false;
  }
}

bool ValidKey(const KeyDefinition& key, uint16_t record_length) {
  if ((key.flags & ~kKnownFlags) != 0) return false;
  if (key.segment_count == 0 || key.segment_count > QX_LDRA_MAX_SEGMENTS) return false;
  for (std::size_t i = 0; i < key.segment_count; ++i) {
    if (!ValidSegment(key.segments[i], record_length)) return false;
  }
  if (key.Length() > QX_LDRA_MAX_KEY_LENGTH) return false;
  if (key.AutoNumbered()) {
    const Segment& id = key.segments[0];
    if (key.Duplicates() || key.segment_count != 1 || id.kind != QX_LDRA_SEG_UNSIGNED ||
        id.length != 4) {
      return false;
    }
  }
  return true;
}

}  // namespace

int16_t ValidateDefinition(const FileDefinition& definition) {
  if (definition.record_length == 0) return QX_LDRA_BAD_DEFINITION;
  if (definition.key_count == 0 || definition.key_count > QX_LDRA_MAX_KEYS) {
    return QX_LDRA_BAD_DEFINITION;
  }
  int auto_numbered = 0;
  for (std::size_t k = 0; k < definition.key_count; ++k) {
    if (!ValidKey(definition.keys[k], definition.record_length)) return QX_LDRA_BAD_DEFINITION;
    if (definition.keys[k].AutoNumbered()) ++auto_numbered;
  }
  return auto_numbered <= 1 ? QX_LDRA_OK : QX_LDRA_BAD_DEFINITION;
}

int16_t DecodeDefinition(const unsigned char* block, std::size_t size, FileDefinition* definition) {
  *definition = FileDefinition{};
  if (block == nullptr || size < QX_LDRA_DEF_HEADER_SIZE) return QX_LDRA_BAD_DEFINITION;
  definition->record_length = LoadU16(block);
  definition->key_count = LoadU16(block + 2);
  if (definition->key_count == 0 || definition->key_count > QX_LDRA_MAX_KEYS) {
    return QX_LDRA_BAD_DEFINITION;
  }
  std::size_t at = QX_LDRA_DEF_HEADER_SIZE;
  for (std::size_t k = 0; k < definition->key_count; ++k) {
    if (size - at < QX_LDRA_DEF_KEY_HEADER_SIZE) return QX_LDRA_BAD_DEFINITION;
    KeyDefinition& key = definition->keys[k];
    key.flags = LoadU16(block + at);
    key.segment_count = LoadU16(block + at + 2);
    at += QX_LDRA_DEF_KEY_HEADER_SIZE;
    if (key.segment_count == 0 || key.segment_count > QX_LDRA_MAX_SEGMENTS) {
      return QX_LDRA_BAD_DEFINITION;
    }
    if (size - at < std::size_t{key.segment_count} * QX_LDRA_DEF_SEGMENT_SIZE) {
      return QX_LDRA_BAD_DEFINITION;
    }
    for (std::size_t s = 0; s < key.segment_count; ++s, at += QX_LDRA_DEF_SEGMENT_SIZE) {
      key.segments[s] = Segment{LoadU16(block + at), LoadU16(block + at + 2), LoadU16(block + at + 4)};
    }
  }
  if (at != size) return QX_LDRA_BAD_DEFINITION;
  return ValidateDefinition(*definition);
}

std::size_t EncodeDefinition(const FileDefinition& definition, unsigned char* block) {
  StoreU16(block, definition.record_length);
  StoreU16(block + 2, definition.key_count);
  std::size_t at = QX_LDRA_DEF_HEADER_SIZE;
  for (std::size_t k = 0; k < definition.key_count; ++k) {
    const KeyDefinition& key = definition.keys[k];
    StoreU16(block + at, key.flags);
    StoreU16(block + at + 2, key.segment_count);
    at += QX_LDRA_DEF_KEY_HEADER_SIZE;
    for (std::size_t s = 0; s < key.segment_count; ++s, at += QX_LDRA_DEF_SEGMENT_SIZE) {
      StoreU16(block + at, key.segments[s].offset);
      StoreU16(block + at + 2, key.segments[s].length);
      StoreU16(block + at + 4, key.segments[s].kind);
    }
  }
  return at;
}

}  // namespace qxldra
