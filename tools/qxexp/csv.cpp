#include "csv.h"

#include <cerrno>
#include <cstring>

namespace {

// Cells are texts of the language, which end at a NUL.
constexpr char kNulInCell[] = "a NUL byte, which no cell may hold";

}  // namespace

int CsvReader::Peek() {
  if (at_ == size_) {
    if (read_failed_ || std::feof(in_)) return kEnd;
    size_ = std::fread(buffer_, 1, sizeof buffer_, in_);
    at_ = 0;
    if (size_ == 0) {
      read_failed_ = std::ferror(in_) != 0;
      read_errno_ = errno;
      return kEnd;
    }
  }
  return static_cast<unsigned char>(buffer_[at_]);
}

int CsvReader::Get() {
  int c = Peek();
  if (c == kEnd) return c;
  ++at_;
  if (c == '\n') {
    ++line_;
    column_ = 1;
  } else {
    ++column_;
  }
  return c;
}

int CsvReader::Fail(int line, int column, const std::string& message, std::string* error) {
  *error = source_ + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message;
  return -1;
}

// After the opening quote: up to the closing one, which a comma, a line end
// or the end of the input must follow.
int CsvReader::ReadQuoted(CsvCell* cell, std::string* error) {
  for (;;) {
    int c = Get();
    if (c == kEnd) {
      if (read_failed_) return 0;
      return Fail(cell->line, cell->column, "the quoted cell that begins here never ends", error);
    }
    if (c == '\0') return Fail(line_, column_ - 1, kNulInCell, error);
    if (c != '"') {
      cell->text += static_cast<char>(c);
      continue;
    }
    if (Peek() == '"') {
      cell->text += static_cast<char>(Get());
      continue;
    }
    int next = Peek();
    if (next == '\r') {
      Get();
      next = Peek();
      if (next != '\n' && next != kEnd) return Fail(line_, column_ - 1, "a carriage return inside a row", error);
    }
    if (next != ',' && next != '\n' && next != kEnd) {
      return Fail(line_, column_, "text after the closing quote of a cell", error);
    }
    return 1;
  }
}

int CsvReader::ReadRow(std::vector<CsvCell>* cells, std::string* error) {
  cells->clear();
  if (!started_) {
    started_ = true;
    static const unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
    if (Peek() == kByteOrderMark[0]) {
      for (unsigned char expected : kByteOrderMark) {
        if (Peek() != expected) return Fail(line_, column_, "a stray byte at the start", error);
        Get();
      }
      column_ = 1;
    }
  }
  // Empty lines separate nothing, or are empty cells of a single column.
  const int empty_line = line_;
  while (Peek() == '\n' || Peek() == '\r') Get();
  if (Peek() == kEnd) {
    if (read_failed_) {
      *error = "cannot read " + source_ + ": " + std::strerror(read_errno_);
      return -1;
    }
    return 0;
  }
  if (line_ != empty_line && first_row_cells_ == 1) {
    return Fail(empty_line, 1, "an empty line among rows of one cell: write \"\" for an empty cell", error);
  }
  for (;;) {
    CsvCell cell{std::string(), line_, column_};
    if (Peek() == '"') {
      Get();
      if (ReadQuoted(&cell, error) < 0) return -1;
    } else {
      for (int c = Peek(); c != ',' && c != '\n' && c != kEnd; c = Peek()) {
        if (c == '"') return Fail(line_, column_, "a quote inside a cell that does not begin with one", error);
        if (c == '\0') return Fail(line_, column_, kNulInCell, error);
        Get();
        if (c == '\r') {
          if (Peek() == '\n' || Peek() == kEnd) break;
          return Fail(line_, column_ - 1, "a carriage return inside a row", error);
        }
        cell.text += static_cast<char>(c);
      }
    }
    if (read_failed_) {
      *error = "cannot read " + source_ + ": " + std::strerror(read_errno_);
      return -1;
    }
    cells->push_back(std::move(cell));
    int c = Get();
    if (c != ',') {
      if (first_row_cells_ == 0) first_row_cells_ = cells->size();
      return 1;
    }
  }
}
