// Record layouts: the fields of a record, one line each, a name followed by
// a field reference written as in expressions:
//
//   # an order of the shop
//   order     db 0 4 int
//   customer  db 4 16 char 0.0
//   price     db 24 5 decimal 9.2
//   source    qx 40 8 char
//
// "db" fields lie in the record data, "qx" fields in the 384-byte header.
// Blanks or tabs separate the words; "#" starts a comment. Names are letters,
// digits and "_", not starting with a digit, each used once ("rec_id" is
// taken by the record's id). Fields may not overlap one another, nor the
// header's rec_id (bytes 0-3), record kind (12-15) and data length (380-383).
#ifndef QXEXP_LAYOUT_H
#define QXEXP_LAYOUT_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "qxexpc.h"

struct LayoutField {
  std::string name;
  ExpToken field;    // the scanned reference (kind 51): offset as the evaluator reads it
  std::string text;  // the reference as the language writes it
  bool in_header;    // a "qx" field
  int32_t start;     // first byte: in the header for "qx" fields, in the data for "db" ones
  int line;          // where the layout names it
};

struct Layout {
  std::vector<LayoutField> fields;
  int32_t data_length = 0;  // record data bytes: up to the end of the farthest "db" field

  const LayoutField* Find(std::string_view name) const;
};

// Reads the layout in the file at `path`. False with a message in *error;
// problems with the text are placed as "PATH:LINE:COLUMN: ...".
bool ReadLayout(const std::string& path, Layout* layout, std::string* error);

// The same for a text, `source` naming it in messages.
bool ParseLayout(std::string_view text, const std::string& source, Layout* layout, std::string* error);

// Reads the whole file at `path` into *text: false with "cannot open PATH:
// ..." or "cannot read PATH: ..." in *error.
bool ReadWholeFile(const std::string& path, std::string* text, std::string* error);

#endif
