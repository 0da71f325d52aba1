#include "table.h"

namespace {

// Characters, not bytes, of UTF-8 text.
size_t Width(const std::string& text) {
  size_t width = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++width;
  }
  return width;
}

}  // namespace

Table::Table(std::FILE* out, std::vector<std::string> header, std::vector<bool> right)
    : out_(out), header_(std::move(header)), right_(std::move(right)) {
  right_.resize(header_.size(), false);
}

void Table::Add(std::vector<std::string> row) {
  row.resize(header_.size());
  if (sized_) {
    Write(row);
    return;
  }
  held_.push_back(std::move(row));
  if (held_.size() >= kSizingRows) Size();
}

void Table::Finish() {
  if (!sized_) Size();
}

void Table::Size() {
  sized_ = true;
  widths_.assign(header_.size(), 0);
  auto widen = [this](const std::vector<std::string>& row) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (Width(row[i]) > widths_[i]) widths_[i] = Width(row[i]);
    }
  };
  widen(header_);
  for (const auto& row : held_) widen(row);
  Write(header_);
  for (const auto& row : held_) Write(row);
  held_.clear();
}

void Table::Write(const std::vector<std::string>& row) {
  std::string line;
  size_t owed = 0;  // blanks still due before the next cell
  for (size_t i = 0; i < row.size(); ++i) {
    const size_t width = Width(row[i]);
    const size_t pad = widths_[i] > width ? widths_[i] - width : 0;
    if (i > 0) owed += 2;
    if (right_[i]) owed += pad;
    line.append(owed, ' ');
    line += row[i];
    owed = right_[i] ? 0 : pad;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  line += '\n';
  std::fputs(line.c_str(), out_);
}
