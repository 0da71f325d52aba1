#include "csv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Read {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::vector<std::pair<int, int>>> places;  // line and column of each cell
  std::string error;
};

Read ReadAll(const std::string& text) {
  const char* path = "csv_test_input.csv";
  std::FILE* out = std::fopen(path, "wb");
  std::fwrite(text.data(), 1, text.size(), out);
  std::fclose(out);
  Read read;
  std::FILE* in = std::fopen(path, "rb");
  CsvReader reader(in, "in.csv");
  std::vector<CsvCell> cells;
  int status;
  while ((status = reader.ReadRow(&cells, &read.error)) > 0) {
    read.rows.emplace_back();
    read.places.emplace_back();
    for (const CsvCell& cell : cells) {
      read.rows.back().push_back(cell.text);
      read.places.back().emplace_back(cell.line, cell.column);
    }
  }
  std::fclose(in);
  std::remove(path);
  if (status == 0) read.error.clear();
  return read;
}

using Rows = std::vector<std::vector<std::string>>;

TEST(CsvTest, ReadsCellsAndQuotedCells) {
  Read read = ReadAll("a,b,c\n1,\"x, y\",\"say \"\"hi\"\"\"\n,,\n\"two\nlines\",z,\"\"\n");
  EXPECT_EQ(read.error, "");
  EXPECT_EQ(read.rows, (Rows{{"a", "b", "c"}, {"1", "x, y", "say \"hi\""}, {"", "", ""}, {"two\nlines", "z", ""}}));
  EXPECT_EQ(read.places[1][2], std::make_pair(2, 10));
  EXPECT_EQ(read.places[3][1], std::make_pair(5, 8));
}

TEST(CsvTest, TakesCrLfEmptyLinesAndAByteOrderMark) {
  Read read = ReadAll("\xEF\xBB\xBFid,name\r\n\r\n\n1,ab\r\n2,\"cd\"\r\n");
  EXPECT_EQ(read.error, "");
  EXPECT_EQ(read.rows, (Rows{{"id", "name"}, {"1", "ab"}, {"2", "cd"}}));
  EXPECT_EQ(read.places[0][0], std::make_pair(1, 1));
  EXPECT_EQ(read.places[2][1], std::make_pair(5, 3));
  EXPECT_EQ(ReadAll("x").rows, (Rows{{"x"}}));  // no line end at the end
  // One cell a row: an empty cell is written "", empty lines only end it.
  EXPECT_EQ(ReadAll("a\n1\n\"\"\n2\n\n").rows, (Rows{{"a"}, {"1"}, {""}, {"2"}}));
  EXPECT_TRUE(ReadAll("").rows.empty());
}

struct BadCsv {
  const char* text;
  const char* error;
};

TEST(CsvTest, SaysWhereACellGoesWrong) {
  const BadCsv cases[] = {
      {"a,b\n1,x\"y\n", "in.csv:2:4: a quote inside a cell that does not begin with one"},
      {"a,b\n1,\"xy\"z\n", "in.csv:2:7: text after the closing quote of a cell"},
      {"a,b\n1,\"xy\n\n", "in.csv:2:3: the quoted cell that begins here never ends"},
      {"a,b\r1,2\n", "in.csv:1:4: a carriage return inside a row"},
      {"a\n1\n\n2\n", "in.csv:3:1: an empty line among rows of one cell: write \"\" for an empty cell"},
  };
  for (const BadCsv& c : cases) EXPECT_EQ(ReadAll(c.text).error, c.error) << c.text;
  EXPECT_EQ(ReadAll(std::string("a\n\"x\0\"\n", 7)).error, "in.csv:2:3: a NUL byte, which no cell may hold");
}

}  // namespace
