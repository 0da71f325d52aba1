// The qxexp tool run as a process, as people run it: its outputs, its exit
// statuses, and what it leaves on disk when it fails.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "compile.h"
#include "evaluator/record_buffer.h"
#include "record_file.h"
#include "test_process.h"

namespace {

namespace fs = std::filesystem;

const std::string kDir = "qxexp_tool_files";

std::string Path(const std::string& name) { return kDir + "/" + name; }

void Write(const std::string& name, const std::string& text) {
  std::ofstream out(Path(name), std::ios::binary);
  out << text;
}

// Files in the work folder whose names begin with `prefix`.
std::vector<std::string> FilesStartingWith(const std::string& prefix) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kDir)) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
  }
  return names;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every field type cells can be written into.
const char kTypesLayout[] =
    "# every kind of field\n"
    "id     db 0 4 int\n"
    "name   db 4 10 char 0.0\n"
    "price  db 14 4 decimal 7.2\n"
    "born   db 18 4 date\n"
    "at     db 22 4 time\n"
    "stamp  db 26 8 timestamp\n"
    "ratio  db 34 8 float\n"
    "cash   db 42 8 currency\n"
    "flag   db 50 1 logical\n"
    "small  db 51 1 unsigned\n"
    "big    db 52 8 int\n"
    "code   db 60 6 numeric 6.1\n"
    "mbf    db 66 4 bfloat\n"
    "short  db 70 6 lstring\n"
    "zero   db 76 6 zstring\n"
    "memo\tdb 82 12 note\n"
    "tag    qx 20 4 char\n";
constexpr int32_t kTypesDataLength = 94;

const char kTypesCsv[] =
    "id,name,price,born,at,stamp,ratio,cash,flag,small,big,code,mbf,short,zero,memo,tag\r\n"
    "1,Ann,12.5,2 29 2000,23:59:59,2/29/2000 10:11:12,0.25,12.3456,Y,255,-9000000000,-12.5,1.5,abc,xyz,hello world,T1\r\n"
    "2,\"Bob, Jr.\",-0.01,12 31 1999,0:0:0,1/1/2001 0:0:0,-1e3,-0.0001,N,0,9000000000,0.1,-2,,,,\r\n"
    "\r\n"
    "3,Cy, 99999.99 ,1 1 1,1:2:3,12/31/9999 23:59:59,3,0,1,7,0,12345.6,0,x,q,memo,\r\n";

// A layout and rows for counting matches: many records, several kinds of
// field.
const char kOrdersLayout[] =
    "order    db 0 4 int\n"
    "country  db 4 2 char 0.0\n"
    "items    db 6 2 int\n"
    "price    db 8 5 decimal 9.2\n"
    "day      db 13 4 date\n";

std::string OrdersCsv() {
  static const char* const kCountries[] = {"NO", "SE", "DK", "FI"};
  std::string csv = "order,country,items,price,day\n";
  uint32_t state = 7;
  auto next = [&state](uint32_t n) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % n;
  };
  for (int i = 0; i < 400; ++i) {
    csv += std::to_string(1000 + i) + "," + kCountries[next(4)] + "," + std::to_string(next(50)) + "," +
           std::to_string(next(10000)) + "." + std::to_string(10 + next(90)) + "," + std::to_string(1 + next(12)) +
           " " + std::to_string(1 + next(28)) + " " + std::to_string(2020 + next(5)) + "\n";
  }
  return csv;
}

// The records of a record file that the library itself says match.
std::vector<uint32_t> LibraryMatches(const std::string& expression, const std::string& file) {
  std::vector<uint32_t> ids;
  FilterHandle* handle = nullptr;
  EXPECT_EQ(QXQFStoreExpression(expression.c_str(), &handle), 0) << expression;
  RecordFileReader reader;
  std::string error;
  EXPECT_TRUE(reader.Open(file, &error)) << error;
  std::vector<unsigned char> record(kRecordBufferSize);
  uint64_t offset = 0;
  while (reader.Next(record.data(), &offset, &error) > 0) {
    uint32_t match = 0;
    EXPECT_EQ(QXQFEvaluateExpression(record.data(), handle, &match, nullptr), 0);
    if (match != 0) ids.push_back(RecordReadU32(record.data(), kRecordIdOffset));
  }
  QXQFDeleteExpression(handle);
  return ids;
}

class ToolTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fs::remove_all(kDir);
    fs::create_directories(kDir);
    Write("types.layout", kTypesLayout);
    Write("types.csv", kTypesCsv);
    Write("orders.layout", kOrdersLayout);
    Write("orders.csv", OrdersCsv());
    ASSERT_EQ(RunTool({"records", "make", Path("types.layout"), Path("types.csv"), "-o", Path("types.records")})
                  .status,
              0);
    ASSERT_EQ(
        RunTool({"records", "make", Path("orders.layout"), Path("orders.csv"), "--output", Path("orders.records")})
            .status,
        0);
  }
};

TEST_F(ToolTest, HelpAndUsage) {
  ToolRun run = RunTool({"help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("commands:"), std::string::npos);
  EXPECT_EQ(run.err, "");

  run = RunTool({});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("usage: qxexp COMMAND"), std::string::npos);

  for (const char* command : {"explain", "records", "filter", "demo"}) {
    ToolRun help = RunTool({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_EQ(help.out.rfind(std::string("usage: qxexp ") + command, 0), 0u) << help.out;
    EXPECT_EQ(RunTool({"help", command}).out, help.out);
  }

  run = RunTool({"frobnicate"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err.rfind("qxexp: unknown command 'frobnicate'", 0), 0u) << run.err;
  EXPECT_EQ(RunTool({"help", "frobnicate"}).status, 2);

  run = RunTool({"filter", "--bogus", "x", "y"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("unknown option --bogus"), std::string::npos);
  EXPECT_EQ(RunTool({"filter", "only-one"}).status, 2);
  EXPECT_EQ(RunTool({"filter", "db 0 4 int = val 4 int 1", Path("orders.records"), "--trace", "x"}).status, 2);
  EXPECT_EQ(RunTool({"records", "make", Path("orders.layout"), Path("orders.csv")}).status, 2);  // no --output
  EXPECT_EQ(RunTool({"records", "drop"}).status, 2);
  EXPECT_EQ(RunTool({"demo", "--records", "0"}).status, 2);
  EXPECT_NE(RunTool({"demo", "--records", "99999999999"}).err.find("from 1 to 2147383648"), std::string::npos);
}

TEST_F(ToolTest, ExplainShowsNodesAndGrouping) {
  ToolRun run = RunTool({"explain", "db 0 4 int = val 4 int 1 and db 4 2 char 0.0 = val 2 char \"NO\" or "
                                    "db 6 4 decimal 7.2 > val 8 decimal 7.2 2.5"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "pos  kind   type        offset  length  attrs  group  value\n"
            "  1  and    -               -1      -1  -          0\n"
            "  2  or     -               -1      -1  -          0\n"
            "  3  >      -               -1      -1  -          0\n"
            "  4  val    12 float        -1       8  7.2        0  2.5\n"
            "  5  field  13 decimal     392       4  7.2        0  db 6 4 decimal 7.2\n"
            "  6  =      -               -1      -1  -          0\n"
            "  7  val    8 char          -1       2  -          0  \"NO\"\n"
            "  8  field  8 char         390       2  -          0  db 4 2 char 0.0\n"
            "  9  =      -               -1      -1  -          0\n"
            " 10  val    4 int           -1       4  -          0  1\n"
            " 11  field  4 int          386       4  -          0  db 0 4 int\n"
            "infix: ( db 0 4 int = val 4 int 1 ) and ( ( db 4 2 char 0.0 = val 2 char \"NO\" ) or "
            "( db 6 4 decimal 7.2 > val 8 decimal 7.2 2.5 ) )\n");

  // Words given as separate arguments make one text.
  EXPECT_EQ(RunTool({"explain", "not", "db", "0", "4", "int", "<", "val", "4", "int", "5"}).out,
            RunTool({"explain", "not db 0 4 int < val 4 int 5"}).out);

  std::string deep = "db 0 4 int = val 4 int 1";  // evaluates, but too deep to write back
  for (int i = 0; i < 500; ++i) deep += " and db 0 4 int = val 4 int 1";
  run = RunTool({"explain", deep});
  EXPECT_NE(run.out.find("\ninfix: not shown: the grouping nests deeper than 500 levels"), std::string::npos);
  EXPECT_EQ(run.out.find("matches no record"), std::string::npos);

  run = RunTool({"explain", "not not db 0 4 int > val 4 int 1"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("infix: not ( db 0 4 int > val 4 int 1 )\n"
                         "note: nodes 5 to 5 are never evaluated: the expression ends at node 4\n"),
            std::string::npos)
      << run.out;
}

struct CompileFailure {
  const char* text;
  const char* status;  // name and number
  const char* caret;   // the caret line
};

TEST_F(ToolTest, ExplainPointsAtTheWordWhereReadingStopped) {
  const CompileFailure failures[] = {
      {"db 0 3 int = val 4 int 17", "QX_STATUS_BAD_LENGTH (-6)", "       ^^^"},
      {"db 0 4 int = vaal 4 int 1", "QX_STATUS_UNKNOWN_WORD (-5)", "             ^^^^"},
      {"db 0 4 int = val 4 int", "QX_STATUS_BAD_VALUE (-7)", "                      ^"},
      {"db 0 4 int = val 4 int 1 )", "QX_STATUS_NO_MEMORY (-1)", "                         ^"},
      {"values 1 db 0 4 int and db 0 4 int = val 4 int 1", "QX_STATUS_LIST_BAD_VALUE (-14)",
       "                    ^^^"},
      {"db 0 4 int = val 4 int 1 and exclude values", "QX_STATUS_MISPLACED_EXCLUDE (-17)",
       "                                     ^^^^^^"},
      {"db 0 5 char 0.0 = val 5 char \"Å ö\" and db 0 4 inch", "QX_STATUS_UNKNOWN_WORD (-5)",
       "                                              ^^^^"},
  };
  for (const CompileFailure& failure : failures) {
    ToolRun run = RunTool({"explain", failure.text});
    EXPECT_EQ(run.status, 2) << failure.text;
    EXPECT_EQ(run.out, "");
    const std::vector<std::string> lines = Lines(run.err);
    ASSERT_EQ(lines.size(), 3u) << run.err;
    EXPECT_EQ(lines[0].rfind(std::string("qxexp: the expression does not compile: ") + failure.status, 0), 0u)
        << lines[0];
    EXPECT_EQ(lines[1], std::string("  ") + failure.text);
    EXPECT_EQ(lines[2], std::string("  ") + failure.caret) << failure.text;
  }
  ToolRun run = RunTool({"explain", ""});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("QX_STATUS_END_OF_TEXT (-16)"), std::string::npos);
}

TEST_F(ToolTest, RecordsMakeWritesEveryFieldTypeAndShowReadsThemBack) {
  EXPECT_EQ(fs::file_size(Path("types.records")), 3u * (kRecordHeaderSize + kTypesDataLength));
  ToolRun run = RunTool({"records", "show", Path("types.layout"), Path("types.records")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "rec_id  id  name         price  born        at        stamp                ratio     cash  flag  small          big     code  mbf  short  zero  memo         tag\n"
            "     1   1  Ann          12.50  2 29 2000   23:59:59  2/29/2000 10:11:12    0.25  12.3456  Y       255  -9000000000    -12.5  1.5  abc    xyz   hello world  T1\n"
            "     2   2  Bob, Jr.     -0.01  12 31 1999  00:00:00  1/1/2001 00:00:00    -1000  -0.0001  N         0   9000000000      0.1   -2\n"
            "     3   3  Cy        99999.99  1 1 1       01:02:03  12/31/9999 23:59:59      3        0  1         7            0  12345.6    0  x      q     memo\n");
}

TEST_F(ToolTest, MadeRecordsMeanWhatTheLanguageMeans) {
  struct Case {
    const char* expression;
    std::vector<uint32_t> ids;
  };
  const Case cases[] = {
      {"db 14 4 decimal 7.2 = val 8 decimal 7.2 12.5", {1}},
      {"db 26 8 timestamp > val 8 timestamp \"1/1/2001 0:0:0\"", {3}},
      {"db 26 8 timestamp = val 8 timestamp \"1/1/2001 0:0:0\"", {2}},
      {"db 42 8 currency = val 8 currency 12.3456", {1}},
      {"db 52 8 int < val 8 int -8999999999", {1}},
      {"db 60 6 numeric 6.1 < val 8 decimal 6.1 0", {1}},
      {"db 60 6 numeric 6.1 > val 8 decimal 6.1 12345.5", {3}},
      {"db 66 4 bfloat = val 4 bfloat 1.5", {1}},
      {"db 66 4 bfloat = val 4 bfloat -2", {2}},
      {"db 70 6 lstring = val 3 char \"abc\"", {1}},
      {"db 76 6 zstring = val 1 char \"q\"", {3}},
      {"db 82 12 note = val 5 char \"world\"", {1}},
      {"db 4 10 char 0.0 = val 8 char \"Bob, Jr.\"", {2}},
      {"qx 20 4 char = val 2 char \"T1\"", {1}},
  };
  // The library's own evaluation of the records the tool made; that the
  // tool's filter counts as the library does is shown below.
  for (const Case& c : cases) {
    EXPECT_EQ(LibraryMatches(c.expression, Path("types.records")), c.ids) << c.expression;
  }
}

TEST_F(ToolTest, FilterCountsAgreeWithTheLibrary) {
  const char* const expressions[] = {
      "db 4 2 char 0.0 = val 2 char \"NO\"",
      "db 6 2 int > val 2 int 40 and db 4 2 char 0.0 = val 2 char \"NO\" or db 4 2 char 0.0 = val 2 char \"SE\"",
      "not db 8 5 decimal 9.2 >= val 8 decimal 9.2 5000.5",
      "db 13 4 date >= val 4 date 6 1 2022 and db 13 4 date < val 4 date 1 1 2023",
      "range 1 db 6 2 int val 2 int 10 val 2 int 30 exclude values val 2 int 12 val 2 int 20 "
      "exclude range val 2 int 25 val 2 int 27",
      "values 2 db 4 2 char 0.0 db 6 2 int val 2 char \"DK\" val 2 int 7 val 2 char \"FI\" val 2 int 9",
      "db 0 4 int - val 4 int 1000 < val 4 int 10",
      "db 6 2 int > val 2 int 99",
  };
  for (const char* expression : expressions) {
    const std::vector<uint32_t> expected = LibraryMatches(expression, Path("orders.records"));
    ToolRun count = RunTool({"filter", expression, Path("orders.records"), "--count"});
    EXPECT_EQ(count.status, expected.empty() ? 1 : 0) << expression << count.err;
    EXPECT_EQ(count.out, std::to_string(expected.size()) + "\n") << expression;
    EXPECT_NE(count.err.find("qxexp: 400 records read, " + std::to_string(expected.size()) + " matched, "),
              std::string::npos)
        << count.err;

    ToolRun rows = RunTool({"filter", expression, Path("orders.records")});
    std::vector<std::string> lines = Lines(rows.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "rec_id  offset");
    ASSERT_EQ(lines.size(), expected.size() + 1);
    for (size_t i = 0; i < expected.size(); ++i) {
      std::istringstream row(lines[i + 1]);
      uint32_t id = 0;
      uint64_t offset = 0;
      row >> id >> offset;
      EXPECT_EQ(id, expected[i]);
      EXPECT_EQ(offset, (expected[i] - 1) * (kRecordHeaderSize + 17u));
    }
  }
  ToolRun table = RunTool({"filter", expressions[0], Path("orders.records"), "--layout", Path("orders.layout")});
  EXPECT_EQ(Lines(table.out).size(), LibraryMatches(expressions[0], Path("orders.records")).size() + 1);
  EXPECT_EQ(Lines(table.out)[0].rfind("rec_id  order  country  items", 0), 0u) << table.out;
}

TEST_F(ToolTest, TraceShowsEveryNodeInTheOrderEvaluated) {
  ToolRun run = RunTool({"filter", "db 0 4 int = val 4 int 2 or db 50 1 logical = val 1 logical Y",
                         Path("types.records"), "--count", "--trace", "2"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "trace of rec_id 2 (the record at byte 478), nodes in the order evaluated:\n"
            "pos  node             value\n"
            "  3  val 1 logical Y  Y\n"
            "  4  db 50 1 logical  N\n"
            "  2  =                false\n"
            "  6  val 4 int 2      2\n"
            "  7  db 0 4 int       2\n"
            "  5  =                true\n"
            "  1  or               true\n"
            "result: match\n"
            "2\n");

  run = RunTool({"filter", "db 90 8 int = val 8 int 0", Path("types.records"), "--count", "--trace", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("  3  db 90 8 int  failed: QX_STATUS_FIELD_NOT_AVAILABLE (-17)"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("result: no match"), std::string::npos);

  run = RunTool({"filter", "db 0 4 int = val 4 int 2", Path("types.records"), "--trace", "99"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("has rec_id 99"), std::string::npos) << run.err;
}

TEST_F(ToolTest, GetrecidFetchesRecordsOfTheSameFile) {
  // Only record 2 holds the id that record 2 holds.
  ToolRun run = RunTool({"filter", "db 0 4 int = getrecid val 2", Path("types.records"), "--count"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "1\n");
  // Standard input, which can be read once only.
  run = RunTool({"filter", "db 0 4 int = getrecid val 2", "-", "--count"}, Path("types.records"));
  EXPECT_EQ(run.err.rfind("qxexp: 3 records read, 1 matched", 0), 0u) << run.err;
}

struct MakeFailure {
  const char* name;
  const char* layout;  // file name in the work folder
  std::string csv;     // CSV text
  const char* message; // what standard error must hold
};

TEST_F(ToolTest, RecordsMakeFailsWholeWithLineAndColumn) {
  Write("old.records", "old contents");
  const MakeFailure failures[] = {
      {"bad date", "types.layout", "id,born\n1,2 28 2000\n2,2 30 2000\n",
       "bad.csv:3:3: field born (db 18 4 date): \"2 30 2000\" is no value of the field: QX_STATUS_BAD_VALUE (-7)"},
      {"not a number", "types.layout", "id\n12x\n", "bad.csv:2:1: field id (db 0 4 int): \"12x\" is not a whole"},
      {"unknown column", "types.layout", "id,colour\n1,red\n", "bad.csv:1:4: the layout has no field named \"colour\""},
      {"column twice", "types.layout", "id,id\n1,2\n", "bad.csv:1:4: the field id is named twice"},
      {"too many cells", "types.layout", "id,name\n1,a,b\n", "bad.csv:2:5: the row has 3 cells; the header names 2"},
      {"open quote", "types.layout", "id,name\n1,\"ab\n", "bad.csv:2:3: the quoted cell that begins here never ends"},
      {"no header", "types.layout", "", "bad.csv: no header row naming the fields"},
      {"empty number", "types.layout", "id,name\n,a\n", "bad.csv:2:1: field id (db 0 4 int): the cell is empty"},
      {"bad layout", "broken.layout", "id\n1\n", "broken.layout:2:12: not a field reference: QX_STATUS_BAD_LENGTH"},
      // What the language would read otherwise than written.
      {"NUL in a cell", "types.layout", std::string("id,name\n1,a\0b\n", 14), "bad.csv:2:4: a NUL byte"},
      {"empty line among rows of one cell", "types.layout", "name\nA\n\nB\n", "bad.csv:3:1: an empty line"},
      {"float too close to 0", "types.layout", "mbf\n1e-46\n", "bad.csv:2:1: field mbf (db 66 4 bfloat): 1e-46 is"},
      {"NUL in a layout", "zero.layout", "a\n1\n", "zero.layout:1:13: a NUL byte"},
  };
  Write("broken.layout", "ok db 0 4 int\nbad db 4 3 int\n");
  Write("zero.layout", std::string("a db 0 4 int\0b db 4 4 int\n", 26));
  for (const MakeFailure& failure : failures) {
    Write("bad.csv", failure.csv);
    // Over an existing file too, for failures in the header, the rows and
    // the last row.
    const std::string name = failure.name;
    const bool over_old = name == "bad date" || name == "unknown column" || name == "open quote";
    for (const char* output : {"new.records", "old.records"}) {
      if (!over_old && std::string(output) == "old.records") continue;
      ToolRun run = RunTool({"records", "make", Path(failure.layout), Path("bad.csv"), "-o", Path(output)});
      EXPECT_EQ(run.status, 2) << failure.name;
      EXPECT_EQ(run.err.rfind("qxexp: " + kDir + "/" + failure.message, 0), 0u) << failure.name << ": " << run.err;
    }
    EXPECT_FALSE(fs::exists(Path("new.records"))) << failure.name;
    EXPECT_EQ(ReadFileBytes(Path("old.records")), "old contents") << failure.name;
    EXPECT_EQ(FilesStartingWith("new.records").size(), 0u) << failure.name;
    EXPECT_EQ(FilesStartingWith("old.records").size(), 1u) << failure.name;
  }
}

TEST_F(ToolTest, MissingAndUnreadableFilesAreInputErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"records", "make", Path("none.layout"), Path("types.csv"), "-o", Path("new.records")},
       "qxexp: cannot open " + Path("none.layout")},
      {{"records", "make", Path("types.layout"), Path("none.csv"), "-o", Path("new.records")},
       "qxexp: cannot open " + Path("none.csv")},
      {{"records", "make", Path("types.layout"), Path("types.csv"), "-o", Path("no/such/dir/new.records")},
       "qxexp: cannot create " + Path("no/such/dir/new.records")},
      {{"records", "show", Path("types.layout"), Path("none.records")}, "qxexp: cannot open " + Path("none.records")},
      {{"filter", "db 0 4 int = val 4 int 1", Path("none.records")}, "qxexp: cannot open " + Path("none.records")},
      {{"filter", "db 0 4 int = val 4 int 1", Path("types.records"), "--layout", Path("none.layout")},
       "qxexp: cannot open " + Path("none.layout")},
      {{"records", "show", Path("types.layout"), Path("types.csv")}, "qxexp: " + Path("types.csv") +
                                                                       ": the record at byte 0 "},
      // A folder cannot be read as a file, on any system.
      {{"filter", "db 0 4 int = val 4 int 1", kDir}, "qxexp: cannot "},
      {{"records", "make", kDir, Path("types.csv"), "-o", Path("new.records")}, "qxexp: cannot "},
      {{"records", "make", Path("types.layout"), kDir, "-o", Path("new.records")}, "qxexp: cannot "},
  };
  for (const Case& c : cases) {
    ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.status, 2) << c.message;
    EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << c.message << " / " << run.err;
    EXPECT_FALSE(fs::exists(Path("new.records")));
  }

  // A record file cut short.
  std::string bytes = ReadFileBytes(Path("types.records"));
  Write("cut.records", bytes.substr(0, bytes.size() - 5));
  ToolRun run = RunTool({"filter", "db 0 4 int > val 4 int 0", Path("cut.records"), "--count"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(Path("cut.records") + ": the record at byte 956 is cut short"), std::string::npos)
      << run.err;
}

TEST_F(ToolTest, RecordsMakeReadsStandardInput) {
  Write("stdin.csv", "id,name\n7,seven\n");
  ToolRun run = RunTool({"records", "make", Path("types.layout"), "--output", Path("stdin.records")},
                        Path("stdin.csv"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "qxexp: 1 records written to " + Path("stdin.records") + "\n");
  run = RunTool({"filter", "db 4 10 char 0.0 = val 5 char \"seven\"", Path("stdin.records"), "--count"});
  EXPECT_EQ(run.out, "1\n");
}

TEST_F(ToolTest, DemoRunsItsFiltersOverItsRecords) {
  ToolRun run = RunTool({"demo", "--records", "600", "--dir", Path("demo")});
  EXPECT_EQ(run.status, 0) << run.err;
  size_t filters = 0;
  std::string first_count;
  for (const std::string& line : Lines(run.out)) {
    if (line.rfind("matched ", 0) == 0) {
      ++filters;
      EXPECT_NE(line.find(" of 600 records in "), std::string::npos) << line;
      if (first_count.empty()) first_count = line.substr(8, line.find(' ', 8) - 8);
    }
  }
  EXPECT_EQ(filters, 7u);
  EXPECT_NE(run.out.find("infix: ( db 22 2 int > val 2 int 90 ) and ( ( db 20 2 char 0.0"), std::string::npos);
  ToolRun count =
      RunTool({"filter", "db 22 2 int >= val 2 int 95", Path("demo/orders.records"), "--count"});
  EXPECT_EQ(count.out, first_count + "\n");
  EXPECT_EQ(fs::file_size(Path("demo/orders.records")), 600u * (kRecordHeaderSize + 42));

  // Only files it creates: none where its files are, unless --force, which
  // replaces a link itself, never the file it leads to.
  Write("outside.txt", "outside");
  std::error_code failure;
  fs::remove(Path("demo/orders.layout"));
  fs::create_symlink("../outside.txt", Path("demo/orders.layout"), failure);
  run = RunTool({"demo", "--records", "5", "--dir", Path("demo")});
  EXPECT_NE(run.err.find(" exists: the demo writes only files it creates"), std::string::npos) << run.err;
  EXPECT_EQ(fs::file_size(Path("demo/orders.records")), 600u * (kRecordHeaderSize + 42));
  EXPECT_EQ(RunTool({"demo", "--records", "5", "--dir", Path("demo"), "--force"}).status, 0);
  EXPECT_EQ(ReadFileBytes(Path("outside.txt")), "outside");
  EXPECT_EQ(Lines(ReadFileBytes(Path("demo/orders.csv"))).size(), 6u);
}

TEST_F(ToolTest, RecordsMakeWritesOnlyARegularFileThatIsNoInput) {
  Write("input.csv", "id\n1\n");
  fs::create_directories(Path("folder"));
  MakeFifo(Path("fifo"));
  std::error_code failure;
  fs::create_hard_link(Path("input.csv"), Path("hard.csv"), failure);
  fs::create_symlink("types.layout", Path("link.layout"), failure);
  const bool symlinks = !failure;  // not on every system
  // The output, its standard input ("" for the CSV file), the reason.
  const std::string refusals[][3] = {
      {Path("folder"), "", "not a regular file"}, {Path("fifo"), "", "not a regular file"},
      {Path("input.csv"), "", "is the input " + Path("input.csv")},
      {Path("hard.csv"), "", "is the input " + Path("input.csv")},
      {Path("link.layout"), "", "is the input " + Path("types.layout")},
      {Path("input.csv"), Path("input.csv"), "is the input standard input"}};
  for (const auto& [output, input, reason] : refusals) {
    const fs::file_type type = fs::symlink_status(output).type();
    if (type == fs::file_type::not_found) continue;  // this system has no such file
    const std::string bytes = type == fs::file_type::regular ? ReadFileBytes(output) : "";
    ToolRun run = RunTool({"records", "make", Path("types.layout"), input.empty() ? Path("input.csv") : "-", "-o",
                           output}, input);
    EXPECT_TRUE(run.status == 2 && run.err.find(reason) != std::string::npos) << output << ": " << run.err;
    EXPECT_EQ(fs::symlink_status(output).type(), type);
    EXPECT_EQ(type == fs::file_type::regular ? ReadFileBytes(output) : "", bytes);
  }
  // A file replaced keeps its permissions; a link leads to it.
  Write("private.records", "old");
  fs::permissions(Path("private.records"), fs::perms::owner_read | fs::perms::owner_write);
  const fs::perms permissions = fs::status(Path("private.records")).permissions();
  fs::create_symlink("private.records", Path("link.records"), failure);
  const std::string output = symlinks ? Path("link.records") : Path("private.records");
  EXPECT_EQ(RunTool({"records", "make", Path("types.layout"), Path("types.csv"), "-o", output}).status, 0);
  EXPECT_EQ(ReadFileBytes(Path("private.records")), ReadFileBytes(Path("types.records")));
  EXPECT_EQ(fs::status(Path("private.records")).permissions(), permissions);
  EXPECT_EQ(fs::is_symlink(output), symlinks);
}

TEST_F(ToolTest, InterruptedMakeLeavesNoTemporaryFile) {
  // More rows than the tool reads at once: it writes, then waits for more.
  std::string csv = "id\n";
  for (int id = 1; id <= 30000; ++id) csv += std::to_string(id) + "\n";
  Write("kept.records", "kept");
  for (Interruption how : InterruptionsOfThisSystem()) {
    EXPECT_TRUE(InterruptTool({"records", "make", Path("types.layout"), "-o", Path("kept.records")}, csv, how,
                              [] { return FilesStartingWith("kept.records.tmp").size() == 1; }));
    EXPECT_EQ(FilesStartingWith("kept.records"), std::vector<std::string>{"kept.records"});
    EXPECT_EQ(ReadFileBytes(Path("kept.records")), "kept");
  }
}

}  // namespace
