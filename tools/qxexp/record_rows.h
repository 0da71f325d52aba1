// Records as rows of a table: the rec_id, then each field of a layout, its
// value written as the language writes literal values.
#ifndef QXEXP_RECORD_ROWS_H
#define QXEXP_RECORD_ROWS_H

#include <string>
#include <vector>

#include "layout.h"

// "rec_id" and the field names.
std::vector<std::string> RowHeader(const Layout& layout);
// Which columns hold numbers (aligned to the right).
std::vector<bool> RowNumberColumns(const Layout& layout);
// The rec_id and each field's value, taken with QXGetDataFromBuffer; "?"
// for a field the record does not hold.
std::vector<std::string> RecordRow(const Layout& layout, const unsigned char* record);

#endif
