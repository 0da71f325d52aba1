// "values" and "range" lists. The constants of a list follow its node, each
// tuple with its last field first:
//   values: G tuples (marker -1, groups G..1, the highest first);
//   range:  P excluded-range pairs (marker 16), each its upper tuple then its
//           lower one; E excluded-value tuples (marker 17); then the range's
//           own upper and lower tuples (marker -1).
// The first node of each block carries in its group number the number of
// tuples or pairs in that block. Scanners advance the position before each
// read, so it always stands on the last node consumed.

#include <cmath>
#include <cstring>

#include "compiler/list_fields.h"
#include "evaluator/compare.h"
#include "evaluator/evaluate.h"

namespace {

constexpr int32_t kListOutOfShape = QX_STATUS_NOT_COMPARABLE;

// Reads the constant at the next position. A node of another kind ends the
// scan with -3.
const ExpToken* NextConstant(ExpWalk* walk, int32_t* status) {
  const ExpToken* node = walk->read(walk, ++walk->position, status);
  if (node != nullptr && node->kind != QX_KIND_LITERAL) {
    *status = kListOutOfShape;
    return nullptr;
  }
  return node;
}

// Stored bytes equal, with the tolerances of the floating and stamp codes.
bool SameValue(const ExpToken* node, const ExpValue& field) {
  switch (node->type) {
    case 62: {
      double a, b;
      std::memcpy(&a, node->value, 8);
      std::memcpy(&b, field.value, 8);
      return std::fabs(a - b) <= 0.001;
    }
    case 59: {
      float a, b;
      std::memcpy(&a, node->value, 4);
      std::memcpy(&b, field.value, 4);
      // The difference is taken in single precision; the tolerance is the
      // same 0.001 as for doubles, not the float nearest it (a little above).
      float difference = a - b;
      return std::fabs(static_cast<double>(difference)) <= 0.001;
    }
    case 61: {
      int32_t a[2], b[2];
      std::memcpy(a, node->value, 8);
      std::memcpy(b, field.value, 8);
      int64_t apart = static_cast<int64_t>(a[0]) - b[0];
      return a[1] == b[1] && apart >= -300 && apart <= 300;
    }
    default: {
      int32_t n = field.length > kExpValueSize ? kExpValueSize : field.length;
      if (n > QX_TOKEN_VALUE_SIZE) n = QX_TOKEN_VALUE_SIZE;
      return n <= 0 || std::memcmp(node->value, field.value, static_cast<size_t>(n)) == 0;
    }
  }
}

}  // namespace

int32_t ExpScanRanges(ExpWalk* walk, uint32_t pairs, uint32_t count, ExpValue* fields,
                      uint32_t* inside) {
  *inside = 0;
  for (uint32_t pair = 0; pair < pairs; ++pair) {
    bool outside = false;
    // Upper half ("field > bound" is outside), then lower half ("<").
    for (int half = 0; half < 2 && !outside; ++half) {
      for (uint32_t k = 1; k <= count; ++k) {
        int32_t status = 0;
        const ExpToken* node = NextConstant(walk, &status);
        if (node == nullptr) return status;
        ExpValue bound;
        if (walk->constant_values != nullptr) {
          ExpValueCopy(&bound, walk->constant_values[walk->position - 1]);
        } else {
          ExpConstantValue(node, &bound);
        }
        ExpValue test;
        test.length = 0;
        status = ExpCompareValues(&bound, &fields[count - k], half == 0 ? QX_KIND_GT : QX_KIND_LT, &test);
        if (status < 0) return status;
        if (ExpValueWord(test) != 0) {
          // Outside this pair: skip its unread nodes.
          walk->position += (count - k) + (half == 0 ? count : 0);
          outside = true;
          break;
        }
      }
    }
    if (!outside) {
      *inside = 1;
      walk->position += (pairs - pair - 1) * 2 * count;
      return 0;
    }
  }
  return 0;
}

int32_t ExpScanValues(ExpWalk* walk, uint32_t tuples, uint32_t count, ExpValue* fields,
                      uint32_t* found) {
  *found = 0;
  for (uint32_t tuple = 0; tuple < tuples; ++tuple) {
    bool equal = true;
    for (uint32_t k = 1; k <= count && equal; ++k) {
      int32_t status = 0;
      const ExpToken* node = walk->read(walk, ++walk->position, &status);
      if (node == nullptr) return status;
      ExpValue& field = fields[count - k];
      if (field.length == 0) {
        // Nothing was taken for a field of no length: it reads as zeros.
        field.length = node->length;
        ExpValueClear(&field, field.length);
      }
      if (node->kind != QX_KIND_LITERAL || static_cast<uint32_t>(node->type) != field.type ||
          node->length != field.length) {
        return kListOutOfShape;
      }
      if (!SameValue(node, field)) {
        walk->position += count - k;
        equal = false;
      }
    }
    if (equal) {
      *found = 1;
      walk->position += (tuples - tuple - 1) * count;
      return 0;
    }
  }
  return 0;
}

int32_t ExpEvalList(ExpWalk* walk, const ExpToken* list, ExpValue* result) {
  if (list->kind != QX_KIND_VALUES && list->kind != QX_KIND_RANGE) return kListOutOfShape;
  const bool is_range = list->kind == QX_KIND_RANGE;
  ExpListField descriptors[kExpMaxListFields];
  const auto count = static_cast<uint32_t>(ExpReadListFields(list, descriptors));
  if (count == 0) return kListOutOfShape;

  ExpValue fields[kExpMaxListFields];
  for (uint32_t i = 0; i < count; ++i) {
    // A field too long for its value area fails the walk; any other
    // extraction result is taken as it is.
    if (descriptors[i].length < 0 || descriptors[i].length > kExpValueSize) return QX_STATUS_FIELD_NOT_AVAILABLE;
    ExpDescribedFieldValue(descriptors[i], &walk->fields, &fields[i]);
  }
  list = nullptr;  // may be the reader's copy, overwritten by the reads below

  result->type = kLogicalType;
  result->length = -1;
  int32_t status = 0;
  const uint32_t list_position = walk->position - 1;
  const ExpToken* first_node = walk->read(walk, walk->position, &status);
  if (first_node == nullptr) return status;
  const ExpListBlock first{first_node->offset, first_node->group};
  walk->position = list_position;

  uint32_t verdict = 0;
  ExpListBlock after_ranges{kExpListMarker, 0};
  if (!is_range) {
    status = ExpScanValues(walk, first.group, count, fields, &verdict);
  } else {
    // Each exclusion, once it holds, decides: the nodes after it are skipped.
    bool decided = false;
    ExpListBlock values = first;
    if (first.marker == kExpExcludedRangeMarker) {
      uint32_t inside = 0;
      status = ExpScanRanges(walk, first.group, count, fields, &inside);
      if (status != 0) return status;
      const ExpToken* next = walk->read(walk, walk->position + 1, &status);
      if (next == nullptr) return status;
      values = after_ranges = ExpListBlock{next->offset, next->group};
      decided = inside != 0;
    }
    if (!decided && values.marker == kExpExcludedValueMarker) {
      uint32_t found = 0;
      status = ExpScanValues(walk, values.group, count, fields, &found);
      if (status != 0) return status;
      decided = found != 0;
    }
    if (!decided) status = ExpScanRanges(walk, 1, count, fields, &verdict);
  }
  if (status != 0) return status;
  ExpSetTruth(result, verdict != 0);
  result->length = -1;
  // In every outcome, the walk goes on after the list's last constant.
  walk->position = static_cast<uint32_t>(list_position + 1 +
                                         ExpListConstantCount(is_range, count, first, after_ranges));
  return 0;
}
