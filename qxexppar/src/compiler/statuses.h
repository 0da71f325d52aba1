// The library's statuses for people: a name and what each code means where
// it arises. Several codes mean one thing to the compiler and another to
// the evaluator or a store.
#ifndef QXEXPPAR_COMPILER_STATUSES_H
#define QXEXPPAR_COMPILER_STATUSES_H

#include <cstdint>

struct ExpStatusInfo {
  int32_t code;
  const char* name;      // the QX_STATUS_* name, or the service's
  const char* compile;   // meaning when compiling text
  const char* evaluate;  // meaning when evaluating or storing, or nullptr
  // The QX_STATUS_* name of the evaluating meaning when it has one of its
  // own (QX_STATUS_FIELD_NOT_AVAILABLE for -17), else nullptr.
  const char* evaluate_name;
};

// The entry of `code`, or nullptr for a code of no entry (a record-manager
// status, for instance).
const ExpStatusInfo* ExpFindStatus(int32_t code);

// Every entry, for tools and tests.
const ExpStatusInfo* ExpStatusTable(int* count);

#endif
