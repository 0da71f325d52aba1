// Tables for people: columns separated by two blanks, each as wide as its
// widest cell among the header and the first rows; rows after those stream
// out as they come, a cell wider than its column pushing the rest along.
#ifndef QXEXP_TABLE_H
#define QXEXP_TABLE_H

#include <cstdio>
#include <string>
#include <vector>

class Table {
 public:
  // `right` says, column by column, which are aligned to the right (numbers).
  Table(std::FILE* out, std::vector<std::string> header, std::vector<bool> right = {});
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  ~Table() { Finish(); }

  void Add(std::vector<std::string> row);
  // Writes what is held back; later rows are not expected.
  void Finish();

  // Rows held back to size the columns.
  static constexpr size_t kSizingRows = 1000;

 private:
  void Size();
  void Write(const std::vector<std::string>& row);

  std::FILE* out_;
  std::vector<std::string> header_;
  std::vector<bool> right_;
  std::vector<std::vector<std::string>> held_;
  std::vector<size_t> widths_;
  bool sized_ = false;
};

#endif
