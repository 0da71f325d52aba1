// Comma-separated rows: cells separated by commas, rows by line ends (LF or
// CR LF). A cell that holds commas, quotes or line ends is written in double
// quotes, a quote inside it doubled ("say ""hi"""). Empty lines are skipped,
// except where they could be rows: in a file whose first row has one cell,
// an empty line before another row could be an empty cell and is refused
// ("" is one). No cell holds a NUL byte. A UTF-8 byte order mark at the start
// is ignored.
#ifndef QXEXP_CSV_H
#define QXEXP_CSV_H

#include <cstdio>
#include <string>
#include <vector>

struct CsvCell {
  std::string text;
  int line;    // where the cell begins
  int column;  // 1-based byte column
};

class CsvReader {
 public:
  // Reads from `in`, which stays the caller's; `source` names it in messages.
  CsvReader(std::FILE* in, std::string source) : in_(in), source_(std::move(source)) {}

  // 1 with the next row in *cells; 0 at the end of the input; -1 with a
  // message "SOURCE:LINE:COLUMN: ..." (or "cannot read SOURCE: ...") in *error.
  int ReadRow(std::vector<CsvCell>* cells, std::string* error);

  // Where the row read last ends: the line after it.
  int line() const { return line_; }
  const std::string& source() const { return source_; }

 private:
  static constexpr int kEnd = -1;
  int Peek();
  int Get();
  int Fail(int line, int column, const std::string& message, std::string* error);
  int ReadQuoted(CsvCell* cell, std::string* error);

  std::FILE* in_;
  std::string source_;
  char buffer_[65536];
  size_t size_ = 0;
  size_t at_ = 0;
  bool started_ = false;
  bool read_failed_ = false;
  int read_errno_ = 0;
  int line_ = 1;
  int column_ = 1;
  size_t first_row_cells_ = 0;  // 0 until the first row is read
};

#endif
