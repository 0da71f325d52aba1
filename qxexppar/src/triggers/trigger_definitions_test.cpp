// Trigger definitions on real data files: what is written is what reads
// back, node by node; create and modify change the files wholly or not at
// all, whatever fails; deletes take what they promise and nothing more.

#include <functional>

#include "compiler/test_store.h"
#include "evaluator/evaluate.h"
#include "evaluator/test_records.h"
#include "triggers/test_trigger_files.h"
#include "triggers/trigger_store.h"

namespace {

constexpr char kExpression[] = "db 0 4 int = val 4 int 17 and qx 120 8 char != val 8 char \"ABC\"";
constexpr char kOther[] = "db 0 4 int > val 4 int 5";

int32_t Length(const std::string& text) { return static_cast<int32_t>(text.size()); }

// A trigger record as hosts pass it: texts zero-terminated in zero-filled
// fields.
Record TriggerRecord(const std::string& name, uint32_t id = 0, uint32_t active = 1) {
  Record r = U32Bytes(id) + name + std::string(QX_TRIGGERS_ACTIVE - 4 - name.size(), '\0') + U32Bytes(active);
  return r.replace(QX_TRIGGERS_DESCRIPTION, 5, "about");
}

class TriggerTest : public TriggerFilesTest {
 protected:
  uint32_t Create(const std::string& name, const char* expression = kExpression) {
    Record r = TriggerRecord(name);
    EXPECT_EQ(QXTRGCreateTrigger(r.data(), expression, Length(expression)), 0);
    return U32At(r, QX_TRIGGERS_ID);
  }
  int32_t Modify(Record& r, const std::string& expression, const std::string& source) {
    return QXTRGModifyTrigger(r.data(), expression.data(), Length(expression), source.data(), Length(source));
  }
  // Read back position by position, the nodes are the compiler's, no more.
  void ExpectNodes(uint32_t id, const char* expression) {
    TestStore store;
    ExpStoreFns fns = store.Fns();
    ASSERT_EQ(QXExpStoreExpression(&store, &fns, expression, Length(expression), 0), 0);
    store.nodes.emplace_back();
    for (uint32_t position = 1; position <= store.nodes.size(); ++position) {
      ExpToken node, &want = store.nodes[position - 1];
      const bool last = position == store.nodes.size();
      ASSERT_EQ(QXTRGGetExpNode(&id, position, &node), last ? QX_LDRA_KEY_NOT_FOUND : 0) << position;
      EXPECT_TRUE(last || std::memcmp(&node, &want, offsetof(ExpToken, value) + QX_STORED_VALUE_SIZE) == 0);
    }
  }
  std::string Text(uint32_t id, int32_t status = 0) {
    std::string text(QX_TRIGGER_TEXT_BUFFER_SIZE, '\x7F');
    EXPECT_EQ(QXTRGGetTrigTxt(id, text.data()), status);
    return status != 0 ? "" : text.substr(0, text.find('\0'));
  }
};

TEST_F(TriggerTest, CreateStoresTheRecordAndTheCompiledNodes) {
  Record r = TriggerRecord(std::string(QX_NAME_SIZE, 'N'));  // fills its field: no terminator
  ASSERT_EQ(QXTRGCreateTrigger(r.data(), kExpression, Length(kExpression)), 0);
  uint32_t id = U32At(r, QX_TRIGGERS_ID);
  EXPECT_EQ(r.substr(QX_TRIGGERS_DESCRIPTION, QX_DESCRIPTION_SIZE), Field("about", QX_DESCRIPTION_SIZE));
  EXPECT_EQ(Reader(QX_TRIGGERS_FILE).Records(QX_TRIGGERS_KEY_ID, U32Bytes(id)), std::vector<Record>{r});
  ExpectNodes(id, kExpression);
  uint32_t other = Create("second", kOther);
  EXPECT_EQ(other, id + 1);
  ExpStoreFns fns = TrgStoreFns(nullptr);  // as the evaluator reads a trigger
  for (int32_t data : {6, 5}) {
    uint32_t matched = 9;
    ASSERT_EQ(ExpEvaluate(&other, &fns, &matched, TestRecord().Data<int32_t>(0, data).data()), 0);
    EXPECT_EQ(matched, data > 5 ? 1u : 0u);
  }
}

TEST_F(TriggerTest, NodesKeepWhatTheStoreKeeps) {
  const struct {
    int32_t kind, length, kind_back, value_back;
  } cases[] = {
      {QX_KIND_LITERAL, 250, QX_KIND_LITERAL, 250}, {QX_KIND_FIELD, 8, QX_KIND_FIELD, 0},  // fields keep no value
      {40000, 4, 40000 - 65536, 4},  // the kind's low 16 bits, sign-extended
      {QX_KIND_LITERAL, 1, QX_KIND_LITERAL, 1},     {QX_KIND_LITERAL, 0, QX_KIND_LITERAL, 0},
      {QX_KIND_LITERAL, -3, QX_KIND_LITERAL, 0},
  };
  uint32_t id = 77, position = 0;
  for (const auto& c : cases) {
    ExpToken token{c.kind, 4, -1, c.length, 1, 2, 3, {}}, back;
    std::memset(token.value, 'v', sizeof token.value);
    std::memset(back.value, 'x', sizeof back.value);
    ASSERT_EQ(QXTRGAddNewExpNode(&id, &token, ++position), 0);
    ASSERT_EQ(QXTRGGetExpNode(&id, position, &back), 0);
    EXPECT_EQ(std::vector<int32_t>({back.kind, back.length, static_cast<int32_t>(back.group)}),
              std::vector<int32_t>({c.kind_back, c.length, 3}));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back.value), QX_TOKEN_VALUE_SIZE),
              std::string(c.value_back, 'v') + std::string(QX_STORED_VALUE_SIZE - c.value_back, '\0') + "xx");
  }
  ExpToken too_long{QX_KIND_LITERAL, 8, -1, QX_STORED_VALUE_SIZE + 1, 0, 0, 0, {}};
  EXPECT_EQ(QXTRGAddNewExpNode(&id, &too_long, ++position), QX_STATUS_NODE_REFUSED);  // refused, never cut
  EXPECT_EQ(QXTRGGetExpNode(&id, position, &too_long), QX_LDRA_KEY_NOT_FOUND);
}

TEST_F(TriggerTest, TextsAreKeptWholeOrRefused) {
  const std::string blanks(20, ' '), text(9000, 't');
  const struct {
    int32_t length;
    const std::string& text;
    int32_t status;
  } cases[] = {{0, text, 0}, {QX_TRIGGER_TEXT_MOST, text, 0}, {QX_TRIGGER_TEXT_MOST + 1, text, QX_STATUS_MISSING},
               {9000, text, QX_STATUS_MISSING}, {-1, text, QX_STATUS_MISSING}, {20, blanks, 0}};
  uint32_t id = 1;
  for (const auto& c : cases) {
    EXPECT_EQ(QXTRGInsertTrigTxt(++id, c.text.data(), c.length), c.status) << c.length;
    const bool stored = c.status == 0, blank = c.text[0] == ' ';  // an all-blank text reads back empty
    EXPECT_EQ(Text(id, stored ? 0 : QX_LDRA_KEY_NOT_FOUND), stored && !blank ? c.text.substr(0, c.length) : "");
  }
  EXPECT_EQ(QXTRGInsertTrigTxt(id, "again", 5), QX_LDRA_DUPLICATE_KEY);
  // A text that fills its field, as another program may write it, reads back
  // whole and terminated within the host's buffer.
  ASSERT_EQ(Reader(QX_TRIGTXT_FILE).Insert(U32Bytes(++id) + std::string(QX_TRIGTXT_TEXT_SIZE, 'f')), 0);
  EXPECT_EQ(Text(id), std::string(QX_TRIGTXT_TEXT_SIZE, 'f'));
}

TEST_F(TriggerTest, ModifyReplacesAllButTheIdAndLinksOrNothing) {
  const std::string name(QX_NAME_SIZE, 'M');
  const uint32_t id = Create(name);
  const Record link = U32Bytes(id) + U32Bytes(5);
  ASSERT_EQ(QXTRGInsertTrigTxt(id, "old", 3) + QXTRGAddNewTriggerAction(link.data()), 0);
  const auto before = Files();
  Record known = TriggerRecord(name, 999, 0), unknown = TriggerRecord("unknown");
  EXPECT_EQ(Modify(known, "", "x"), QX_STATUS_END_OF_TEXT);
  EXPECT_EQ(Modify(known, "db 0 4 nosuchtype = val 4 int 1", "x"), QX_STATUS_UNKNOWN_WORD);
  EXPECT_EQ(Modify(known, kExpression, std::string(QX_TRIGGER_TEXT_MOST + 1, 's')), QX_STATUS_MISSING);
  EXPECT_EQ(Modify(unknown, kExpression, "x"), QX_LDRA_KEY_NOT_FOUND);
  EXPECT_EQ(QXTRGCreateTrigger(unknown.data(), "( db 0 4 int", 12), -1);  // "(" never closed
  EXPECT_EQ(QXTRGCreateTrigger(known.data(), kExpression, 10), QX_LDRA_DUPLICATE_KEY);  // names are unique
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(U32At(known, QX_TRIGGERS_ID), 999u);

  ASSERT_EQ(Modify(known, kOther, "new source"), 0);
  EXPECT_EQ(U32At(known, QX_TRIGGERS_ID), id);
  EXPECT_EQ(Reader(QX_TRIGGERS_FILE).Records(QX_TRIGGERS_KEY_ID, U32Bytes(id)), std::vector<Record>{known});
  ExpectNodes(id, kOther);
  EXPECT_EQ(Text(id), "new source");
  EXPECT_EQ(Reader(QX_TRACXREF_FILE).Records(QX_TRACXREF_KEY_TRIGGER, U32Bytes(id)), std::vector<Record>{link});
}

TEST_F(TriggerTest, DeletesTakeTheirRecordsOnly) {
  const uint32_t id = Create("doomed");
  for (uint32_t trigger : {id, Create("other")}) {
    const Record link = U32Bytes(trigger) + U32Bytes(3);
    ASSERT_EQ(QXTRGInsertTrigTxt(trigger, "text", 4) + QXTRGAddNewTriggerAction(link.data()), 0);
    ASSERT_EQ(Reader(QX_TRIGLOG_FILE).Insert(U32Bytes(0) + Field("", 8) + U32Bytes(trigger) + Field("", 266)), 0);
    ASSERT_EQ(Reader(QX_TRDFXREF_FILE).Insert(U32Bytes(trigger) + std::string(32, 'd')), 0);
    ASSERT_EQ(Reader(QX_TRAFXREF_FILE).Insert(U32Bytes(trigger) + "aaaa"), 0);
  }
  auto files = Files();
  auto drop = [&](std::initializer_list<std::pair<const char*, std::size_t>> where) {
    for (auto [file, at] : where) std::erase_if(files[file], [&](const Record& r) { return U32At(r, at) == id; });
  };
  ASSERT_EQ(QXTRGDeleteTriggerAndExp(id), 0);
  drop({{QX_TRIGEX_FILE, 0}, {QX_TRIGGERS_FILE, 0}, {QX_TRIGTXT_FILE, 0}});
  EXPECT_EQ(Files(), files);
  ASSERT_EQ(QXTRGDeleteTriggers(id), 0);
  drop({{QX_TRACXREF_FILE, 0}, {QX_TRIGLOG_FILE, QX_TRIGLOG_TRIGGER_ID}, {QX_TRDFXREF_FILE, 0}, {QX_TRAFXREF_FILE, 0}});
  EXPECT_EQ(Files(), files);
  EXPECT_EQ(QXTRGDeleteTriggers(12345) + QXTRGDeleteTriggerAndExp(12345), 0);
  EXPECT_EQ(Files(), files);
}

// Whatever record-manager call or allocation fails, create and modify leave
// every file as it was and report the failure.
TEST_F(TriggerTest, FailuresLeaveTheFilesAsTheyWere) {
  const uint32_t id = Create("target");
  ASSERT_EQ(QXTRGInsertTrigTxt(id, "old text", 8), 0);
  int32_t status = 0;
  std::function<int32_t()> runs[] = {
      [&] {
        Record r = TriggerRecord("fresh");
        status = QXTRGCreateTrigger(r.data(), kExpression, Length(kExpression));
        EXPECT_EQ(U32At(r, QX_TRIGGERS_ID) == 0, status != 0);
        return status;
      },
      [&] {
        Record r = TriggerRecord("target");
        return status = Modify(r, kOther, "new text");  // again the same after the first success
      }};
  for (int sweep = 0; sweep < 4; ++sweep) {
    for (const Record& r : Reader(QX_TRIGGERS_FILE).Records(QX_TRIGGERS_KEY_NAME, Field("fresh", QX_NAME_SIZE))) {
      QXTRGDeleteTriggerAndExp(U32At(r, QX_TRIGGERS_ID));
    }
    const auto before = Files();
    auto check = [&](bool injected) { EXPECT_TRUE(injected ? status != 0 && Files() == before : status == 0); };
    EXPECT_GE(sweep % 2 ? SweepAllocationFailures(runs[sweep / 2], [&](long, bool injected) { check(injected); })
                        : SweepRecordFailures(runs[sweep / 2], [&](int32_t, bool injected) {
                            EXPECT_TRUE(!injected || status == QX_LDRA_IO_ERROR);
                            check(injected);
                          }),
              4);
  }
  ExpectNodes(id, kOther);
}

}  // namespace
