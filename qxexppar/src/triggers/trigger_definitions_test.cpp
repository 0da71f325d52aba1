// Trigger definitions on real data files: what is written is what reads
// back, node by node; create and modify change the files wholly or not at
// all, whatever fails; deletes take what they promise and nothing more.

#include <functional>
#include <string>
#include <vector>

#include "compiler/test_store.h"
#include "evaluator/evaluate.h"
#include "evaluator/test_records.h"
#include "triggers/test_trigger_files.h"
#include "triggers/trigger_store.h"

namespace {

constexpr char kExpression[] = "db 0 4 int = val 4 int 17 and qx 120 8 char != val 8 char \"ABC\"";
constexpr char kOtherExpression[] = "db 0 4 int > val 4 int 5";

// A trigger record as hosts pass it: texts zero-terminated in zero-filled
// fields.
Record TriggerRecord(const std::string& name, uint32_t id = 0, uint32_t active = 1) {
  Record record(QX_TRIGGERS_RECORD_SIZE, '\0');
  auto* bytes = reinterpret_cast<unsigned char*>(record.data());
  RecPutU32(bytes + QX_TRIGGERS_ID, id);
  record.replace(QX_TRIGGERS_NAME, name.size(), name);
  record.replace(QX_TRIGGERS_DESCRIPTION, 5, "about");
  RecPutU32(bytes + QX_TRIGGERS_ACTIVE, active);
  return record;
}

std::vector<ExpToken> Compiled(const char* text) {
  TestStore store;
  ExpStoreFns fns = store.Fns();
  EXPECT_EQ(QXExpStoreExpression(&store, &fns, text, static_cast<int32_t>(std::strlen(text)), 0), 0);
  return store.nodes;
}

class TriggerTest : public TriggerFilesTest {
 protected:
  uint32_t Create(const std::string& name, const char* expression = kExpression) {
    Record record = TriggerRecord(name);
    EXPECT_EQ(QXTRGCreateTrigger(record.data(), expression, static_cast<int32_t>(std::strlen(expression))), 0);
    return U32At(record, QX_TRIGGERS_ID);
  }
  int32_t Modify(Record& record, const char* expression, const std::string& source) {
    return QXTRGModifyTrigger(record.data(), expression, static_cast<int32_t>(std::strlen(expression)), source.data(),
                              static_cast<int32_t>(source.size()));
  }
  // The trigger's nodes read back through the store, position by position,
  // must be the compiler's nodes of `expression`, and no more.
  void ExpectNodes(uint32_t id, const char* expression) {
    const std::vector<ExpToken> expected = Compiled(expression);
    for (uint32_t position = 1; position <= expected.size(); ++position) {
      ExpToken node;
      std::memset(&node, 0x5A, sizeof node);
      ASSERT_EQ(QXTRGGetExpNode(&id, position, &node), 0) << position;
      const ExpToken& want = expected[position - 1];
      EXPECT_EQ(std::memcmp(&node, &want, offsetof(ExpToken, value) + QX_STORED_VALUE_SIZE), 0) << position;
    }
    ExpToken node;
    EXPECT_EQ(QXTRGGetExpNode(&id, static_cast<uint32_t>(expected.size() + 1), &node), QX_LDRA_KEY_NOT_FOUND);
  }
  std::string Text(uint32_t id, int32_t* status) {
    std::string text(QX_TRIGGER_TEXT_BUFFER_SIZE, '\x7F');
    *status = QXTRGGetTrigTxt(id, text.data());
    return text.substr(0, text.find('\0'));
  }
};

TEST_F(TriggerTest, CreateStoresTheRecordAndTheCompiledNodes) {
  Record record = TriggerRecord(std::string(QX_NAME_SIZE, 'N'));  // fills its field: no terminator
  ASSERT_EQ(QXTRGCreateTrigger(record.data(), kExpression, static_cast<int32_t>(std::strlen(kExpression))), 0);
  const uint32_t id = U32At(record, QX_TRIGGERS_ID);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(record.substr(QX_TRIGGERS_DESCRIPTION, QX_DESCRIPTION_SIZE), Field("about", QX_DESCRIPTION_SIZE));
  EXPECT_EQ(Reader(QX_TRIGGERS_FILE).Records(QX_TRIGGERS_KEY_ID, U32Bytes(id)), std::vector<Record>{record});
  ExpectNodes(id, kExpression);
  uint32_t other = Create("second", kOtherExpression);
  EXPECT_EQ(other, id + 1);

  // The evaluator reads a trigger through the store's callback table.
  ExpStoreFns fns = TrgStoreFns(nullptr);
  for (int32_t data : {6, 5}) {
    uint32_t matched = 9;
    ASSERT_EQ(ExpEvaluate(&other, &fns, &matched, TestRecord().Data<int32_t>(0, data).data()), 0);
    EXPECT_EQ(matched, data > 5 ? 1u : 0u);
  }
}

TEST_F(TriggerTest, NodesKeepWhatTheStoreKeeps) {
  struct Case {
    int32_t kind, length;
    int32_t kind_back;
    bool value_back;
  };
  const Case cases[] = {
      {QX_KIND_LITERAL, 250, QX_KIND_LITERAL, true},
      {QX_KIND_FIELD, 8, QX_KIND_FIELD, false},  // a field keeps no value bytes
      {40000, 4, 40000 - 65536, true},           // the kind's low 16 bits, sign-extended
      {QX_KIND_LITERAL, 0, QX_KIND_LITERAL, false},
      {QX_KIND_LITERAL, -3, QX_KIND_LITERAL, false},
  };
  uint32_t id = 77;
  uint32_t position = 0;
  for (const Case& c : cases) {
    ExpToken token{c.kind, 4, -1, c.length, 1, 2, 3, {}};
    std::memset(token.value, 'v', sizeof token.value);
    ASSERT_EQ(QXTRGAddNewExpNode(&id, &token, ++position), 0);
    ExpToken back;
    std::memset(back.value, 'x', sizeof back.value);
    ASSERT_EQ(QXTRGGetExpNode(&id, position, &back), 0);
    EXPECT_EQ(back.kind, c.kind_back);
    EXPECT_EQ(back.length, c.length);
    EXPECT_EQ(back.group, 3u);
    std::string value(reinterpret_cast<const char*>(back.value), QX_TOKEN_VALUE_SIZE);
    std::string kept = c.value_back ? std::string(static_cast<std::size_t>(c.length), 'v') : "";
    EXPECT_EQ(value, kept + std::string(QX_STORED_VALUE_SIZE - kept.size(), '\0') + "xx") << c.kind;
  }
  ExpToken too_long{QX_KIND_LITERAL, 8, -1, QX_STORED_VALUE_SIZE + 1, 0, 0, 0, {}};
  EXPECT_EQ(QXTRGAddNewExpNode(&id, &too_long, ++position), QX_STATUS_NODE_REFUSED);
  EXPECT_EQ(QXTRGAddNewExpNode(&id, &too_long, 1), QX_STATUS_NODE_REFUSED);
  ExpToken node;
  EXPECT_EQ(QXTRGGetExpNode(&id, position, &node), QX_LDRA_KEY_NOT_FOUND);
  uint32_t empty = 78;
  EXPECT_EQ(QXTRGGetExpNode(&empty, 1, &node), QX_LDRA_KEY_NOT_FOUND);
}

TEST_F(TriggerTest, TextsAreKeptWholeOrRefused) {
  struct Case {
    int32_t length;
    char fill;
    int32_t status;
    int32_t length_back;
  };
  const Case cases[] = {
      {0, 't', 0, 0},
      {QX_TRIGGER_TEXT_MOST, 't', 0, QX_TRIGGER_TEXT_MOST},
      {QX_TRIGGER_TEXT_MOST + 1, 't', QX_STATUS_MISSING, -1},  // never cut
      {9000, 't', QX_STATUS_MISSING, -1},
      {-1, 't', QX_STATUS_MISSING, -1},
      {20, ' ', 0, 0},  // all blanks reads back empty
  };
  uint32_t id = 1;
  for (const Case& c : cases) {
    const std::string text(9000, c.fill);
    EXPECT_EQ(QXTRGInsertTrigTxt(++id, text.data(), c.length), c.status) << c.length;
    int32_t status = 0;
    const std::string back = Text(id, &status);
    EXPECT_EQ(status, c.length_back < 0 ? QX_LDRA_KEY_NOT_FOUND : 0) << c.length;
    if (c.length_back >= 0) {
      EXPECT_EQ(back, text.substr(0, static_cast<std::size_t>(c.length_back)));
    }
  }
  EXPECT_EQ(QXTRGInsertTrigTxt(id, "again", 5), QX_LDRA_DUPLICATE_KEY);
  // A text that fills its whole field, as another program may write it,
  // reads back whole and terminated within the host's buffer.
  Record full = U32Bytes(++id) + std::string(QX_TRIGTXT_TEXT_SIZE, 'f');
  ASSERT_EQ(Reader(QX_TRIGTXT_FILE).Insert(full), 0);
  int32_t status = 0;
  EXPECT_EQ(Text(id, &status), std::string(QX_TRIGTXT_TEXT_SIZE, 'f'));
}

TEST_F(TriggerTest, ModifyReplacesEverythingButTheIdAndTheLinks) {
  const std::string name(QX_NAME_SIZE, 'M');
  const uint32_t id = Create(name);
  ASSERT_EQ(QXTRGInsertTrigTxt(id, "old", 3), 0);
  const Record link = U32Bytes(id) + U32Bytes(5);
  ASSERT_EQ(QXTRGAddNewTriggerAction(link.data()), 0);

  Record record = TriggerRecord(name, 999, 0);
  ASSERT_EQ(Modify(record, kOtherExpression, "new source"), 0);
  EXPECT_EQ(U32At(record, QX_TRIGGERS_ID), id);
  EXPECT_EQ(Reader(QX_TRIGGERS_FILE).Records(QX_TRIGGERS_KEY_ID, U32Bytes(id)), std::vector<Record>{record});
  ExpectNodes(id, kOtherExpression);
  int32_t status = 0;
  EXPECT_EQ(Text(id, &status), "new source");
  EXPECT_EQ(Reader(QX_TRACXREF_FILE).Records(QX_TRACXREF_KEY_TRIGGER, U32Bytes(id)), std::vector<Record>{link});
}

TEST_F(TriggerTest, RefusedInputChangesNothing) {
  const uint32_t id = Create("kept");
  ASSERT_EQ(QXTRGInsertTrigTxt(id, "kept text", 9), 0);
  const auto before = Files();
  Record known = TriggerRecord("kept");
  Record unknown = TriggerRecord("unknown");
  EXPECT_EQ(Modify(known, "", "x"), QX_STATUS_END_OF_TEXT);
  EXPECT_EQ(Modify(known, "db 0 4 nosuchtype = val 4 int 1", "x"), QX_STATUS_UNKNOWN_WORD);
  EXPECT_EQ(Modify(known, kExpression, std::string(QX_TRIGGER_TEXT_MOST + 1, 's')), QX_STATUS_MISSING);
  EXPECT_EQ(Modify(unknown, kExpression, "x"), QX_LDRA_KEY_NOT_FOUND);
  EXPECT_EQ(QXTRGCreateTrigger(unknown.data(), "( db 0 4 int", 12), -1);  // "(" never closed
  EXPECT_EQ(QXTRGCreateTrigger(unknown.data(), "", 0), QX_STATUS_END_OF_TEXT);
  EXPECT_EQ(QXTRGCreateTrigger(known.data(), kExpression, 10), QX_LDRA_DUPLICATE_KEY);  // names are unique
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(U32At(known, QX_TRIGGERS_ID), 0u);
}

TEST_F(TriggerTest, DeletesTakeTheirRecordsOnly) {
  const uint32_t id = Create("doomed");
  const uint32_t other = Create("other");
  for (uint32_t trigger : {id, other}) {
    ASSERT_EQ(QXTRGInsertTrigTxt(trigger, "text", 4), 0);
    Record link = U32Bytes(trigger) + U32Bytes(3);
    ASSERT_EQ(QXTRGAddNewTriggerAction(link.data()), 0);
    Record log(QX_TRIGLOG_RECORD_SIZE, ' ');
    log.replace(0, 4, U32Bytes(0));
    log.replace(QX_TRIGLOG_TRIGGER_ID, 4, U32Bytes(trigger));
    ASSERT_EQ(Reader(QX_TRIGLOG_FILE).Insert(log), 0);
    ASSERT_EQ(Reader(QX_TRDFXREF_FILE).Insert(U32Bytes(trigger) + std::string(32, 'd')), 0);
    ASSERT_EQ(Reader(QX_TRAFXREF_FILE).Insert(U32Bytes(trigger) + "aaaa"), 0);
  }
  auto files = Files();
  auto without = [&](const char* file, uint32_t trigger, std::size_t at) {
    std::erase_if(files[file], [&](const Record& r) { return U32At(r, at) == trigger; });
  };
  ASSERT_EQ(QXTRGDeleteTriggerAndExp(id), 0);
  without(QX_TRIGEX_FILE, id, QX_TRIGEX_TRIGGER_ID);
  without(QX_TRIGGERS_FILE, id, QX_TRIGGERS_ID);
  without(QX_TRIGTXT_FILE, id, QX_TRIGTXT_TRIGGER_ID);
  EXPECT_EQ(Files(), files);

  ASSERT_EQ(QXTRGDeleteTriggers(id), 0);
  without(QX_TRACXREF_FILE, id, QX_TRACXREF_TRIGGER_ID);
  without(QX_TRIGLOG_FILE, id, QX_TRIGLOG_TRIGGER_ID);
  without(QX_TRDFXREF_FILE, id, QX_XREF_TRIGGER_ID);
  without(QX_TRAFXREF_FILE, id, QX_XREF_TRIGGER_ID);
  EXPECT_EQ(Files(), files);
  EXPECT_EQ(QXTRGDeleteTriggers(12345), 0);
  EXPECT_EQ(QXTRGDeleteTriggerAndExp(12345), 0);
  EXPECT_EQ(Files(), files);
}

// Whatever record-manager call or allocation fails, create and modify leave
// every file as it was and report the failure.
TEST_F(TriggerTest, FailuresLeaveTheFilesAsTheyWere) {
  const uint32_t id = Create("target");
  ASSERT_EQ(QXTRGInsertTrigTxt(id, "old text", 8), 0);
  int32_t status = 0;
  auto create = [&] {
    Record record = TriggerRecord("fresh");
    status = QXTRGCreateTrigger(record.data(), kExpression, static_cast<int32_t>(std::strlen(kExpression)));
    if (status != 0) {
      EXPECT_EQ(U32At(record, QX_TRIGGERS_ID), 0u);
    }
    return status;
  };
  auto modify = [&] {
    Record record = TriggerRecord("target");
    return status = Modify(record, kOtherExpression, "new text");
  };
  // Takes the trigger create made; a modification is made again, the same.
  auto undo = [&] {
    for (const Record& r : Reader(QX_TRIGGERS_FILE).Records(0)) {
      if (r.compare(QX_TRIGGERS_NAME, 5, "fresh") == 0) QXTRGDeleteTriggerAndExp(U32At(r, QX_TRIGGERS_ID));
    }
  };
  for (const std::function<int32_t()>& run : {std::function<int32_t()>(create), std::function<int32_t()>(modify)}) {
    auto before = Files();
    const int calls = SweepRecordFailures(run, [&](int32_t result, bool injected) {
      EXPECT_EQ(result, injected ? QX_LDRA_IO_ERROR : 0);
      if (injected) {
        EXPECT_EQ(Files(), before);
      }
    });
    EXPECT_GE(calls, 8);
    undo();
    before = Files();
    const int allocations = SweepAllocationFailures(run, [&](long, bool injected) {
      EXPECT_EQ(status != 0, injected);
      if (injected) {
        EXPECT_EQ(Files(), before);
      }
    });
    EXPECT_GE(allocations, 4);
    undo();
  }
  ExpectNodes(id, kOtherExpression);
}

}  // namespace
