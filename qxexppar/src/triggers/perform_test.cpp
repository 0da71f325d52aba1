// Performing triggers on real files with the sample action library: catches
// actions run, skipped or ordered wrongly, log rows that lose a field,
// failures while firing that leak or stay silent, and overlapping actions.

#include <fstream>
#include <regex>
#include <set>

#include "evaluator/record_buffer.h"
#include "qxsample.h"
#include "triggers/perform.h"
#include "triggers/test_trigger_files.h"
#include "uxldmon_testing.h"
#include "uxposs_host.h"

namespace {

// A record of kind 1 whose data is `field` (what the sample logs, or the
// length of its message) and then `key` (what the test triggers compare).
Record MakeRecord(uint32_t rec_id, int32_t field, int32_t key) {
  Record r = U32Bytes(rec_id) + std::string(8, '\0') + U32Bytes(1) + std::string(364, '\0') + U32Bytes(8);
  return r + U32Bytes(static_cast<uint32_t>(field)) + U32Bytes(static_cast<uint32_t>(key));
}

std::string Fill(int n) {
  std::string text;
  for (int i = 0; i < std::min(n, QX_ACTION_MESSAGE_MOST); ++i) text += static_cast<char>('a' + i % 26);
  return text;
}

class PerformTest : public TriggerFilesTest {
 protected:
  void SetUp() override {
    // The process's path block, made before the leak check counts; with no
    // "qxserver" the paths stay empty: the sample writes to the working folder.
    static Record first = MakeRecord(0, 0, 0);
    static const int32_t made = QXTRGPerformTriggers(first.data(), 0, "trg_nowhere/", nullptr);
    ASSERT_EQ(made, QX_STATUS_NO_SERVER_PATHS);
    TriggerFilesTest::SetUp();
    std::filesystem::remove(QX_SAMPLE_LOG_FILE);
    uxldmonSetCapture([](void* log, const char* line) { static_cast<std::vector<std::string>*>(log)->push_back(line); },
                      &log_);
  }
  void TearDown() override {
    ux_WaitForThreads();
    uxldmonSetCapture(nullptr, nullptr);
    TriggerFilesTest::TearDown();
  }

  // A trigger named `name` and `key`, matching records with that key,
  // linked to `actions` in that order.
  uint32_t AddTrigger(int32_t key, std::vector<uint32_t> actions, uint32_t active = 1, const char* name = "key ") {
    const std::string text = "db 4 4 int = val 4 int " + std::to_string(key);
    Record r = U32Bytes(0) + Field(name + std::to_string(key), QX_NAME_SIZE + QX_DESCRIPTION_SIZE) + U32Bytes(active);
    EXPECT_EQ(QXTRGCreateTrigger(r.data(), text.c_str(), static_cast<int32_t>(text.size())), 0);
    for (uint32_t action : actions) EXPECT_EQ(QXTRGAddNewTriggerAction((r.substr(0, 4) + U32Bytes(action)).data()), 0);
    return U32At(r, QX_TRIGGERS_ID);
  }
  uint32_t AddAction(const std::string& function, uint32_t enabled = 1, const std::string& row = "2," QX_SAMPLE_LIBRARY) {
    const std::string rows = row + "," + function + ",;";
    return static_cast<uint32_t>(QXTRGAddAction("a", "d", enabled, static_cast<int32_t>(rows.size()), 7, rows.c_str(),
                                                "1,x,y,;", ",", ";"));
  }
  int32_t Perform(Record& r) {
    const int32_t status = QXTRGPerformTriggers(r.data(), 0, nullptr, nullptr);
    ux_WaitForThreads();
    return status;
  }
  std::vector<Record> LogRows() { return Reader(QX_TRIGLOG_FILE).Records(0); }

  std::vector<std::string> log_;
};

TEST_F(PerformTest, EveryLinkedActionRunsInLinkOrderAndIsLogged) {
  Record none = MakeRecord(1, 0, 1);
  EXPECT_EQ(Perform(none), QX_LDRA_END_OF_FILE);  // no triggers stored
  const uint32_t append = AddAction(QX_SAMPLE_APPEND), fail = AddAction(QX_SAMPLE_FAIL),
                 off = AddAction(QX_SAMPLE_APPEND, 0), other = AddAction(QX_SAMPLE_APPEND, 1, "1," QX_SAMPLE_LIBRARY),
                 fill = AddAction(QX_SAMPLE_FILL), no_library = AddAction(QX_SAMPLE_APPEND, 1, "2,nolib"),
                 no_function = AddAction(std::string(QX_ACTION_ITEM_SIZE, 'F'));  // a name without terminator
  const std::vector<uint32_t> links[] = {{},  {append}, {other, append}, {off}, {append, fail},
                                         {fill, append},  // neither adjacent nor in id order
                                         {99, off, no_library, no_function, fail}};
  std::map<int32_t, uint32_t> trigger;  // by key; the one of key 2 inactive
  for (int32_t key = 1; key <= 7; ++key) trigger[key] = AddTrigger(key, links[key - 1], key == 2 ? 0 : 1);
  using Row = std::tuple<uint32_t, int32_t, std::string>;  // action, result, message
  const auto appended = [&](int id) { return Row{append, 0, "appended rec_id=" + std::to_string(id) + " to qxsample.log"}; };
  const Row failed{fail, QX_SAMPLE_FAILED, "sample failure rec_id="};
  const struct { int32_t field, key; bool fired; std::vector<Row> rows; } cases[] = {
      {0, 99, false, {}}, {0, 1, true, {}}, {0, 2, false, {}}, {5, 3, true, {appended(103)}}, {0, 4, true, {}},
      {0, 5, true, {appended(105), failed}}, {250, 6, true, {{fill, 250, Fill(250)}, appended(106)}},
      {251, 6, true, {{fill, 251, Fill(251)}, appended(107)}},
      {QX_ACTION_MESSAGE_SIZE, 6, true, {{fill, QX_ACTION_MESSAGE_SIZE, Fill(256)}, appended(108)}},
      {0, 7, true, {failed}},
  };
  uint32_t seen = 0, rec_id = 100;
  for (const auto& c : cases) {
    Record r = MakeRecord(rec_id, c.field, c.key);
    const std::time_t before = std::time(nullptr);
    EXPECT_EQ(Perform(r), QX_LDRA_END_OF_FILE);
    EXPECT_EQ(r[kRecordFiredOffset] == 'T', c.fired) << rec_id;
    const std::vector<Record> rows = LogRows();
    ASSERT_EQ(rows.size(), seen + c.rows.size()) << rec_id;
    for (auto [action, result, message] : c.rows) {  // the date and time as logged, every other byte as expected
      const Record& row = rows[seen++];
      std::tm when{};
      std::tie(when.tm_sec, when.tm_min, when.tm_hour, when.tm_mday) = std::tuple(row[9], row[10], row[11], row[4]);
      when.tm_mon = row[5] - 1, when.tm_year = static_cast<int>(U32At(row, 4) >> 16) - 1900, when.tm_isdst = -1;
      EXPECT_NEAR(std::difftime(std::mktime(&when), before), 0, 2);
      if (result == QX_SAMPLE_FAILED) message += std::to_string(rec_id);
      EXPECT_EQ(row, U32Bytes(seen) + row.substr(4, 4) + '0' + row.substr(9, 3) + U32Bytes(trigger[c.key]) +
                         U32Bytes(action) + U32Bytes(2) + U32Bytes(rec_id) + U32Bytes(static_cast<uint32_t>(result)) +
                         Field(message, QX_TRIGLOG_MESSAGE_SIZE));
    }
    ++rec_id;
  }
  std::string line, first = "trigger=" + std::to_string(trigger[3]) + " \"key 3\" rec_id=103 field=5";
  std::getline(std::ifstream(QX_SAMPLE_LOG_FILE), line);
  EXPECT_TRUE(std::regex_match(line, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d )" + first))) << line;
  EXPECT_EQ(log_, std::vector<std::string>{});
}

TEST_F(PerformTest, ABurstRunsEveryActionOnceAndOneAtATime) {
  AddTrigger(1, {AddAction(QX_SAMPLE_APPEND_ALONE)});
  std::set<uint32_t> burst, logged;
  for (uint32_t rec_id = 1; rec_id <= 500; ++rec_id) {
    Record r = MakeRecord(*burst.insert(rec_id).first, 0, 1);
    ASSERT_EQ(QXTRGPerformTriggers(r.data(), 0, nullptr, nullptr), QX_LDRA_END_OF_FILE);
  }
  ux_WaitForThreads();
  for (const Record& row : LogRows()) {  // each rec_id once, none overlapped
    EXPECT_TRUE(U32At(row, QX_TRIGLOG_RESULT) == 0 && logged.insert(U32At(row, QX_TRIGLOG_REC_ID)).second);
  }
  EXPECT_EQ(logged, burst);
}

TEST_F(PerformTest, FailuresWhileFiringAreReportedAndLeakNothing) {
  const uint32_t action = AddAction(QX_SAMPLE_APPEND);
  AddTrigger(1, {action});
  AddTrigger(1, {action}, 1, "second ");
  // Each allocation of the run failed in turn: the handle, then each
  // firing's block, record copy and trigger copy.
  std::vector<std::string> outcomes;
  Record r;
  int32_t status = 0;
  std::size_t rows = 0;
  const auto run = [&] { status = Perform(r = MakeRecord(7, 0, 1)); };
  SweepAllocationFailures(run, [&](long, bool) {
    const std::size_t added = LogRows().size() - std::exchange(rows, LogRows().size());
    outcomes.push_back(std::to_string(status) + (r[kRecordFiredOffset] == 'T' ? " fired " : " ") +
                       std::to_string(added) + (log_.empty() ? "" : " " + log_[0].substr(20)));
    log_.clear();
  });
  const std::string no_memory =
      " L1 QXMAP qxtrg:147 Alarm processing cannot proceed rec_id=7 due to malloc failure. Reconfigure for fewer "
      "alert events.";
  EXPECT_EQ(outcomes, (std::vector<std::string>{"-2 0", "0 0", "0 fired 0" + no_memory, "0 fired 0", "0 fired 1",
                                                "0 fired 1" + no_memory, "0 fired 1", "9 fired 2"}));
  ux_FailNextThreadStart();  // the first trigger's thread: logged, and the second still runs
  run();
  EXPECT_EQ(status, QX_LDRA_END_OF_FILE);
  ASSERT_EQ(log_.size(), 1u);
  EXPECT_EQ(log_[0].substr(20), "L1 QXMAP qxtrg:169 Alarm thread for rec_id=7 could not be launched. Reconfigure "
                                "for fewer alert events.");
  EXPECT_EQ(LogRows().size(), rows + 1);
  SweepRecordFailures([&] { run(); return status; },
                      [&](int32_t s, bool) { EXPECT_TRUE(s == QX_LDRA_END_OF_FILE || s == QX_LDRA_IO_ERROR) << s; });
}

TEST_F(PerformTest, RecordsAndPathsThatCannotServeAreRefused) {
  AddTrigger(0, {AddAction(QX_SAMPLE_APPEND)});
  Record negative = MakeRecord(7, 0, 0), too_long = negative, longest = negative;
  negative.replace(kRecordDataLengthOffset, 4, U32Bytes(UINT32_MAX));
  too_long.replace(kRecordDataLengthOffset, 4, U32Bytes(kRecordDataMax + 1));
  longest.replace(kRecordDataLengthOffset, 4, U32Bytes(kRecordDataMax)).resize(kRecordBufferSize, '\0');
  EXPECT_EQ(Perform(negative) + Perform(too_long) + QXTRGPerformTriggers(nullptr, 0, nullptr, nullptr), -6);
  EXPECT_EQ(negative[kRecordFiredOffset] + too_long[kRecordFiredOffset], 0);
  Record header_only = negative.substr(0, kRecordHeaderSize).replace(kRecordDataLengthOffset, 4, U32Bytes(0));
  EXPECT_EQ(Perform(longest) + Perform(header_only), 2 * QX_LDRA_END_OF_FILE);
  EXPECT_EQ(LogRows().size(), 1u);
  ServerPaths* kept = std::exchange(TrgState().server_paths, nullptr);
  qxdbgFailNthAllocation(1);  // no path block: refused, and made by the next call
  EXPECT_EQ(Perform(longest), QX_STATUS_MISSING);
  EXPECT_EQ(std::exchange(TrgState().server_paths, kept), nullptr);
  QXTRGDeinitDat();
  uint32_t id = 1;
  unsigned char function[QX_PFACTPRO_RECORD_SIZE];
  EXPECT_EQ(Perform(longest) + QXTRGGetFirstTriggerFnByTrigByPlatform(&id, function, 2) +
                QXTRGGetNextTriggerFnByTrigByPlatform(&id, function, 2),
            3 * QX_STATUS_MISSING);
}

}  // namespace
