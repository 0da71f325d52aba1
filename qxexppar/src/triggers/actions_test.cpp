// Actions on real data files: every definition text gives exactly its rows
// or -1 with nothing of the action left; links and deletes take what they
// name and nothing more.

#include "triggers/test_trigger_files.h"

namespace {

using Rows = std::vector<std::string>;  // "code|first item|second item", items padded

std::string Row(int32_t code, const std::string& first, const std::string& second) {
  return std::to_string(code) + "|" + Field(first, QX_ACTION_ITEM_SIZE) + "|" + Field(second, QX_ACTION_ITEM_SIZE);
}

const std::string kRow = "1,key,value,;", k100(QX_ACTION_ITEM_SIZE, 'i');
const Rows kRowRecord = {Row(1, "key", "value")};

const struct Case {
  std::string platform, config;
  char delimiter, terminator;
  Rows platform_rows, config_rows;  // none: the add fails
} kCases[] = {
    {"2,lib,fn,;", kRow, ',', ';', {Row(2, "lib", "fn")}, kRowRecord},
    {"2,lib,fn;", kRow, ',', ';', {}, {}},  // the text after the last delimiter is no item
    {"2,   ,fn,;", kRow, ',', ';', {Row(2, "", "fn")}, kRowRecord},
    // A blank between rows starts the next row's first item; items after the
    // third are ignored; leading blanks stay, trailing ones go.
    {"2,a,b,; 3, c  ,d,x,y,;", "7,p,q,;7,r,s,;", ',', ';', {Row(2, "a", "b"), Row(3, " c", "d")},
     {Row(7, "p", "q"), Row(7, "r", "s")}},
    {"2,lib,fn,;", "1,key,value,", ',', ';', {}, {}},  // no terminator
    {"2,lib,fn,;", kRow + "x", ',', ';', {}, {}},
    {"2;a;b;;", "1;k;v;;", ';', ';', {}, {}},  // a delimiter is never a terminator
    {"2," + k100 + ",fn,;", kRow, ',', ';', {Row(2, k100, "fn")}, kRowRecord},
    {"2," + k100 + "i,fn,;", kRow, ',', ';', {}, {}},
    {"2,a," + k100 + "i,;", kRow, ',', ';', {}, {}},
    {"-5x,a,b,;99999999999,c,d,;-99999999999,e,f,;abc,g,h,;", kRow, ',', ';',
     {Row(-5, "a", "b"), Row(INT32_MAX, "c", "d"), Row(INT32_MIN, "e", "f"), Row(0, "g", "h")}, kRowRecord},
    {"2,a,b,;2,c,d,;", kRow, ',', ';', {}, {}},  // one function per platform
    {std::string("2\0a\0b\0|", 7), std::string("1\0k\0v\0|", 7), '\0', '|', {Row(2, "a", "b")}, {Row(1, "k", "v")}},
};

class ActionTest : public TriggerFilesTest {
 protected:
  int32_t Add(const Case& c, const char* name = "act") {
    return QXTRGAddAction(name, "does things", 1, static_cast<int32_t>(c.platform.size()),
                          static_cast<int32_t>(c.config.size()), c.platform.data(), c.config.data(), &c.delimiter,
                          &c.terminator);
  }
  Rows Read(const char* file, int16_t key, uint32_t id, std::size_t first, std::size_t rest_at, std::size_t rest) {
    Rows rows;
    for (const Record& r : Reader(file).Records(key, U32Bytes(id))) {
      rows.push_back(Row(static_cast<int32_t>(U32At(r, 0)), r.substr(first, QX_ACTION_ITEM_SIZE),
                         r.substr(first + QX_ACTION_ITEM_SIZE, QX_ACTION_ITEM_SIZE)));
      EXPECT_EQ(r.substr(rest_at), std::string(rest, ' '));
    }
    return rows;
  }
};

TEST_F(ActionTest, EachRowBecomesOneRecordOrTheAddFails) {
  for (const Case& c : kCases) {
    const auto before = Files();
    const int32_t id = Add(c, std::string(QX_NAME_SIZE + 5, 'N').c_str());
    if (c.platform_rows.empty()) {
      EXPECT_EQ(id, -1) << c.platform;
      EXPECT_EQ(Files(), before) << c.platform;
      continue;
    }
    ASSERT_GT(id, 0) << c.platform;
    const auto action = static_cast<uint32_t>(id);
    EXPECT_EQ(Reader(QX_ACTIONS_FILE).Records(QX_ACTIONS_KEY_ID, U32Bytes(action)),
              Rows{U32Bytes(action) + std::string(QX_NAME_SIZE, 'N') + Field("does things", 100) + U32Bytes(1)});
    EXPECT_EQ(Read(QX_PFACTPRO_FILE, QX_PFACTPRO_KEY_ACTION, action, QX_PFACTPRO_LIBRARY, QX_PFACTPRO_RECORD_SIZE, 0),
              c.platform_rows);
    EXPECT_EQ(Read(QX_PFACTCFG_FILE, QX_PFACTCFG_KEY_ACTION, action, QX_PFACTCFG_FIRST, QX_PFACTCFG_REST,
                   QX_PFACTCFG_REST_SIZE),
              c.config_rows);
  }
}

TEST_F(ActionTest, LinksAndDeletesTakeWhatTheyName) {
  const auto before = Files();
  const auto id = static_cast<uint32_t>(Add(kCases[3]));
  const Record first = U32Bytes(7) + U32Bytes(id), second = U32Bytes(8) + U32Bytes(id);
  EXPECT_EQ(QXTRGAddNewTriggerAction(first.data()), 0);
  EXPECT_EQ(QXTRGAddNewTriggerAction(first.data()), QX_LDRA_DUPLICATE_KEY);
  EXPECT_EQ(QXTRGAddNewTriggerAction(second.data()), 0);
  EXPECT_EQ(QXTRGRemoveActionFromTrigger(first.data()) + QXTRGRemoveActionFromTrigger(first.data()), 0);
  EXPECT_EQ(Reader(QX_TRACXREF_FILE).Records(0), std::vector<Record>{second});
  EXPECT_EQ(QXTRGDeleteAction(id) + QXTRGDeleteAction(id + 100), 0);
  EXPECT_EQ(Files(), before);
}

TEST_F(ActionTest, AnyFailedWriteLeavesNothingBehind) {
  const auto before = Files();
  const int calls = SweepRecordFailures([&] { return Add(kCases[3]); }, [&](int32_t status, bool injected) {
    EXPECT_TRUE(injected ? status == -1 && Files() == before : status > 0) << status;
  });
  EXPECT_EQ(calls, 5);  // the action, two platform rows, two configuration rows
}

}  // namespace
