// Actions on real data files: every definition text gives exactly its rows
// or -1 with nothing of the action left; links and deletes take what they
// name and nothing more.

#include <string>
#include <vector>

#include "triggers/test_trigger_files.h"

namespace {

struct Row {
  int32_t code;
  std::string first, second;
  bool operator==(const Row&) const = default;
};

struct Case {
  std::string platform;
  std::string config;
  char delimiter, terminator;
  bool added;
  std::vector<Row> platform_rows, config_rows;
};

const std::string kRow = "1,key,value,;";
const std::string k100(QX_ACTION_ITEM_SIZE, 'i');

const Case kCases[] = {
    {"2,lib,fn,;", kRow, ',', ';', true, {{2, "lib", "fn"}}, {{1, "key", "value"}}},
    {"2,lib,fn;", kRow, ',', ';', false, {}, {}},  // the text after the last delimiter is no item
    {"2,   ,fn,;", kRow, ',', ';', true, {{2, "", "fn"}}, {{1, "key", "value"}}},
    // A blank between rows starts the next row's first item; items after
    // the third are ignored; leading blanks stay, trailing ones go.
    {"2,a,b,; 3, c  ,d,x,y,;", "7,p,q,;7,r,s,;", ',', ';', true,
     {{2, "a", "b"}, {3, " c", "d"}}, {{7, "p", "q"}, {7, "r", "s"}}},
    {"2,lib,fn,;", "1,key,value,", ',', ';', false, {}, {}},  // no terminator
    {"2,lib,fn,;", kRow + "1,k,v,;x", ',', ';', false, {}, {}},
    {"2;a;b;;", "1;k;v;;", ';', ';', false, {}, {}},  // a delimiter is never a terminator
    {"2," + k100 + ",fn,;", kRow, ',', ';', true, {{2, k100, "fn"}}, {{1, "key", "value"}}},
    {"2," + k100 + "i,fn,;", kRow, ',', ';', false, {}, {}},
    {"2,a," + k100 + "i,;", kRow, ',', ';', false, {}, {}},
    {"-5x,a,b,;99999999999,c,d,;-99999999999,e,f,;abc,g,h,;", kRow, ',', ';', true,
     {{-5, "a", "b"}, {INT32_MAX, "c", "d"}, {INT32_MIN, "e", "f"}, {0, "g", "h"}}, {{1, "key", "value"}}},
    {"2,a,b,;2,c,d,;", kRow, ',', ';', false, {}, {}},  // one function per platform
    {std::string("2\0a\0b\0|", 7), std::string("1\0k\0v\0|", 7), '\0', '|', true, {{2, "a", "b"}}, {{1, "k", "v"}}},
};

class ActionTest : public TriggerFilesTest {
 protected:
  int32_t Add(const Case& c, const char* name = "act") {
    return QXTRGAddAction(name, "does things", 1, static_cast<int32_t>(c.platform.size()),
                          static_cast<int32_t>(c.config.size()), c.platform.data(), c.config.data(), &c.delimiter,
                          &c.terminator);
  }
  std::vector<Row> Rows(const char* file, int16_t key, uint32_t id, std::size_t first, std::size_t second) {
    std::vector<Row> rows;
    for (const Record& r : Reader(file).Records(key, U32Bytes(id))) {
      auto text = [&](std::size_t at) { return r.substr(at, QX_ACTION_ITEM_SIZE); };
      rows.push_back({static_cast<int32_t>(U32At(r, 0)), text(first), text(second)});
      if (file == std::string(QX_PFACTCFG_FILE)) {
        EXPECT_EQ(r.substr(QX_PFACTCFG_REST), std::string(QX_PFACTCFG_REST_SIZE, ' '));
      }
    }
    return rows;
  }
  static std::vector<Row> Padded(std::vector<Row> rows) {
    for (Row& row : rows) {
      row.first = Field(row.first, QX_ACTION_ITEM_SIZE);
      row.second = Field(row.second, QX_ACTION_ITEM_SIZE);
    }
    return rows;
  }
};

TEST_F(ActionTest, EachRowBecomesOneRecordOrTheAddFails) {
  const std::string long_name(QX_NAME_SIZE + 5, 'N');
  for (const Case& c : kCases) {
    const auto before = Files();
    const int32_t id = Add(c, long_name.c_str());
    if (!c.added) {
      EXPECT_EQ(id, -1) << c.platform;
      EXPECT_EQ(Files(), before) << c.platform;
      continue;
    }
    ASSERT_GT(id, 0) << c.platform;
    const auto action_id = static_cast<uint32_t>(id);
    const Record action = U32Bytes(action_id) + std::string(QX_NAME_SIZE, 'N') +
                          Field("does things", QX_DESCRIPTION_SIZE) + U32Bytes(1);
    EXPECT_EQ(Reader(QX_ACTIONS_FILE).Records(QX_ACTIONS_KEY_ID, U32Bytes(action_id)), std::vector<Record>{action});
    EXPECT_EQ(Rows(QX_PFACTPRO_FILE, QX_PFACTPRO_KEY_ACTION, action_id, QX_PFACTPRO_LIBRARY, QX_PFACTPRO_FUNCTION),
              Padded(c.platform_rows))
        << c.platform;
    EXPECT_EQ(Rows(QX_PFACTCFG_FILE, QX_PFACTCFG_KEY_ACTION, action_id, QX_PFACTCFG_FIRST, QX_PFACTCFG_SECOND),
              Padded(c.config_rows))
        << c.config;
  }
}

TEST_F(ActionTest, LinksAndDeletesTakeWhatTheyName) {
  const auto before = Files();
  const auto id = static_cast<uint32_t>(Add(kCases[3]));
  const Record first = U32Bytes(7) + U32Bytes(id), second = U32Bytes(8) + U32Bytes(id);
  EXPECT_EQ(QXTRGAddNewTriggerAction(first.data()), 0);
  EXPECT_EQ(QXTRGAddNewTriggerAction(first.data()), QX_LDRA_DUPLICATE_KEY);
  EXPECT_EQ(QXTRGAddNewTriggerAction(second.data()), 0);
  EXPECT_EQ(QXTRGRemoveActionFromTrigger(first.data()), 0);
  EXPECT_EQ(QXTRGRemoveActionFromTrigger(first.data()), 0);
  EXPECT_EQ(Reader(QX_TRACXREF_FILE).Records(0), std::vector<Record>{second});
  EXPECT_EQ(QXTRGDeleteAction(id), 0);
  EXPECT_EQ(QXTRGDeleteAction(id + 100), 0);
  EXPECT_EQ(Files(), before);
}

TEST_F(ActionTest, AnyFailedWriteLeavesNothingBehind) {
  const auto before = Files();
  const int calls = SweepRecordFailures([&] { return Add(kCases[3]); },
                                        [&](int32_t status, bool injected) {
                                          EXPECT_EQ(status > 0, !injected);
                                          if (injected) {
                                            EXPECT_EQ(status, -1);
                                            EXPECT_EQ(Files(), before);
                                          }
                                        });
  EXPECT_EQ(calls, 5);  // the action, two platform rows, two configuration rows
}

}  // namespace
