// The value area of a "range" or "values" token: a 32-bit count N (1 to 5),
// then N field entries of five 32-bit words each (offset, length, type,
// attr1, attr2), all little-endian. The entries describe the field
// references written after the keyword; the list's values follow as
// separate tokens.
#ifndef QXEXPPAR_COMPILER_LIST_FIELDS_H
#define QXEXPPAR_COMPILER_LIST_FIELDS_H

#include <cstddef>
#include <cstdint>

#include "qxexpc.h"

inline constexpr int32_t kExpMaxListFields = 5;
inline constexpr std::size_t kExpListCountSize = 4;
inline constexpr std::size_t kExpListEntrySize = 20;

// One field entry: the storage description of a field of the list.
struct ExpListField {
  int32_t offset;
  int32_t length;
  int32_t type;
  int32_t attr1;
  int32_t attr2;
};
static_assert(sizeof(ExpListField) == kExpListEntrySize, "a field entry is five 32-bit words");
static_assert(kExpListCountSize + kExpMaxListFields * kExpListEntrySize <= QX_TOKEN_VALUE_SIZE,
              "a list's fields fit a token's value area");

// The marks a list's constants carry in `offset`: the list's own bounds and
// "values" groups keep the literal's -1; excluded-range pairs and excluded
// value groups carry the codes of their "exclude" forms. Their `group` counts
// the tuples or pairs of a block from 1; the first node of a block, read
// first, carries the highest number, so it tells the block's size.
inline constexpr int32_t kExpListMarker = -1;
inline constexpr int32_t kExpExcludedRangeMarker = QX_KIND_EXCLUDE_RANGE;
inline constexpr int32_t kExpExcludedValueMarker = QX_KIND_EXCLUDE_VALUES;

// The first node of a block of list constants: its mark and group number.
struct ExpListBlock {
  int32_t marker;
  uint32_t group;
};

// The constants of a list with `count` fields, as stored after the list
// node. `first` is the node right after the list node; `after_ranges` the
// node after the excluded-range pairs, looked at only when `first` starts
// such pairs (ExpListExcludedRangeNodes tells how many nodes they take).
uint64_t ExpListExcludedRangeNodes(uint32_t count, ExpListBlock first);
uint64_t ExpListConstantCount(bool is_range, uint32_t count, ExpListBlock first, ExpListBlock after_ranges);

// The length of a list token with `count` fields: 4 + 20 × count.
int32_t ExpListTokenLength(int32_t count);

// Writes the count and the `count` entries (1 to kExpMaxListFields) into
// the value area of `token`.
void ExpWriteListFields(ExpToken* token, const ExpListField* fields, int32_t count);

// Reads the entries of a list token into `fields` (room for
// kExpMaxListFields) and returns their count; 0, with nothing read, when
// the stored count is outside 1 to kExpMaxListFields.
int32_t ExpReadListFields(const ExpToken* token, ExpListField* fields);

#endif
