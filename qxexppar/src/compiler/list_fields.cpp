#include "compiler/list_fields.h"

#include <cstring>

namespace {

// Word k of entry i, as a byte offset in the value area.
constexpr std::size_t WordAt(int32_t i, std::size_t k) {
  return kExpListCountSize + static_cast<std::size_t>(i) * kExpListEntrySize + 4 * k;
}

int32_t ReadWord(const unsigned char* value, std::size_t at) {
  int32_t word;
  std::memcpy(&word, value + at, sizeof word);
  return word;
}

void WriteWord(unsigned char* value, std::size_t at, int32_t word) {
  std::memcpy(value + at, &word, sizeof word);
}

}  // namespace

uint64_t ExpListExcludedRangeNodes(uint32_t count, ExpListBlock first) {
  return first.marker == kExpExcludedRangeMarker ? uint64_t{first.group} * 2 * count : 0;
}

uint64_t ExpListConstantCount(bool is_range, uint32_t count, ExpListBlock first, ExpListBlock after_ranges) {
  if (!is_range) return uint64_t{first.group} * count;
  uint64_t nodes = ExpListExcludedRangeNodes(count, first);
  ExpListBlock values = nodes > 0 ? after_ranges : first;
  if (values.marker == kExpExcludedValueMarker) nodes += uint64_t{values.group} * count;
  return nodes + 2 * uint64_t{count};  // the range's own upper and lower tuples
}

int32_t ExpListTokenLength(int32_t count) {
  return static_cast<int32_t>(kExpListCountSize + static_cast<std::size_t>(count) * kExpListEntrySize);
}

void ExpWriteListFields(ExpToken* token, const ExpListField* fields, int32_t count) {
  WriteWord(token->value, 0, count);
  for (int32_t i = 0; i < count; ++i) {
    const ExpListField& field = fields[i];
    const int32_t words[5] = {field.offset, field.length, field.type, field.attr1, field.attr2};
    for (std::size_t k = 0; k < 5; ++k) WriteWord(token->value, WordAt(i, k), words[k]);
  }
}

int32_t ExpReadListFields(const ExpToken* token, ExpListField* fields) {
  int32_t count = ReadWord(token->value, 0);
  if (count < 1 || count > kExpMaxListFields) return 0;
  for (int32_t i = 0; i < count; ++i) {
    fields[i] = ExpListField{ReadWord(token->value, WordAt(i, 0)), ReadWord(token->value, WordAt(i, 1)),
                             ReadWord(token->value, WordAt(i, 2)), ReadWord(token->value, WordAt(i, 3)),
                             ReadWord(token->value, WordAt(i, 4))};
  }
  return count;
}
