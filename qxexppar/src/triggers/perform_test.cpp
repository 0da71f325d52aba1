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

// The paths are read once per process, so every test shares one "Log Path".
constexpr char kLogFolder[] = "trg_log/";
const std::string kSampleLog = std::string(kLogFolder) + QX_SAMPLE_LOG_FILE;

// A record of kind 1 whose data is `field` (what the sample logs, or the
// length of its message) and then `key` (what the test triggers compare).
Record MakeRecord(uint32_t rec_id, int32_t field, int32_t key) {
  Record r(kRecordHeaderSize + 8, '\0');
  r.replace(0, 4, U32Bytes(rec_id)).replace(12, 4, U32Bytes(1)).replace(380, 4, U32Bytes(8));
  return r.replace(kRecordHeaderSize, 8, U32Bytes(field) + U32Bytes(key));
}

std::string Fill(int n) {
  std::string text;
  for (int i = 0; i < std::min(n, QX_ACTION_MESSAGE_MOST); ++i) text += static_cast<char>('a' + i % 26);
  return text;
}

class PerformTest : public TriggerFilesTest {
 protected:
  void SetUp() override {
    static const bool paths_loaded = [] {  // before the leak check starts counting
      const std::string prefix = "trg_paths/";
      std::filesystem::remove_all(prefix);
      std::filesystem::create_directories(prefix);
      EXPECT_EQ(qxldraCreateProductFiles(prefix.c_str(), kTestOwner), 0);
      EXPECT_EQ(FileReader(prefix, QX_QXSERVER_FILE, QX_LDRA_SERVER_OWNER)
                    .Insert(Field("QXMON PATHS", QX_SETTING_TEXT_SIZE) + Field("Log Path", QX_SETTING_TEXT_SIZE) +
                            Field(kLogFolder, QX_QXSERVER_RECORD_SIZE - QX_QXSERVER_VALUE)),
                0);
      Record r = MakeRecord(0, 0, 0);
      return QXTRGPerformTriggers(r.data(), 0, prefix.c_str(), nullptr) == QX_STATUS_MISSING;  // files closed
    }();
    ASSERT_TRUE(paths_loaded);
    TriggerFilesTest::SetUp();
    std::filesystem::create_directories(kLogFolder);
    std::filesystem::remove(kSampleLog);
    uxldmonSetCapture([](void* lines, const char* line) { static_cast<std::vector<std::string>*>(lines)->push_back(line); },
                      &log_);
  }
  void TearDown() override {
    ux_WaitForThreads();
    uxldmonSetCapture(nullptr, nullptr);
    TriggerFilesTest::TearDown();
  }

  uint32_t AddTrigger(int32_t key, uint32_t active = 1, std::string name = {}) {
    unsigned char r[QX_TRIGGERS_RECORD_SIZE] = {};
    if (name.empty()) name = "key " + std::to_string(key);
    const std::string text = "db 4 4 int = val 4 int " + std::to_string(key);
    std::memcpy(r + QX_TRIGGERS_NAME, name.data(), name.size());
    RecPutU32(r + QX_TRIGGERS_ACTIVE, active);
    EXPECT_EQ(QXTRGCreateTrigger(r, text.c_str(), static_cast<int32_t>(text.size())), 0);
    return RecGetU32(r + QX_TRIGGERS_ID);
  }
  uint32_t AddAction(const std::string& function, uint32_t enabled = 1, const char* platform = "2",
                     const std::string& library = QX_SAMPLE_LIBRARY) {
    const std::string rows = std::string(platform) + "," + library + "," + function + ",;";
    const int32_t id = QXTRGAddAction("a", "d", enabled, static_cast<int32_t>(rows.size()), 7, rows.c_str(),
                                      "1,x,y,;", ",", ";");
    EXPECT_GT(id, 0);
    return static_cast<uint32_t>(id);
  }
  void Link(uint32_t trigger, std::vector<uint32_t> actions) {
    for (uint32_t action : actions) EXPECT_EQ(QXTRGAddNewTriggerAction((U32Bytes(trigger) + U32Bytes(action)).data()), 0);
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
                 off = AddAction(QX_SAMPLE_APPEND, 0), other = AddAction(QX_SAMPLE_APPEND, 1, "1"),
                 fill = AddAction(QX_SAMPLE_FILL), no_library = AddAction(QX_SAMPLE_APPEND, 1, "2", "nolib"),
                 no_function = AddAction("NoSuchFunction");
  std::map<int32_t, uint32_t> trigger;
  for (int32_t key = 1; key <= 7; ++key) trigger[key] = AddTrigger(key, key == 2 ? 0 : 1);
  Link(trigger[2], {append});
  Link(trigger[3], {other, append});
  Link(trigger[4], {off});
  Link(trigger[5], {append, fail});
  Link(trigger[6], {fill, append});  // neither adjacent nor in id order
  Link(trigger[7], {99, no_library, no_function, fail});
  struct Row {
    uint32_t action;
    int32_t result;
    std::string message;
  };
  const auto appended = [&](uint32_t rec_id) {
    return Row{append, 0, "appended rec_id=" + std::to_string(rec_id) + " to " + kSampleLog};
  };
  const struct {
    int32_t field, key;
    bool fired;
    std::vector<Row> rows;
  } cases[] = {
      {0, 99, false, {}}, {0, 1, true, {}}, {0, 2, false, {}}, {5, 3, true, {appended(103)}}, {0, 4, true, {}},
      {0, 5, true, {appended(105), {fail, QX_SAMPLE_FAILED, "sample failure rec_id=105"}}},
      {250, 6, true, {{fill, 250, Fill(250)}, appended(106)}}, {251, 6, true, {{fill, 251, Fill(251)}, appended(107)}},
      {QX_ACTION_MESSAGE_SIZE, 6, true, {{fill, QX_ACTION_MESSAGE_SIZE, Fill(256)}, appended(108)}},
      {0, 7, true, {{fail, QX_SAMPLE_FAILED, "sample failure rec_id=109"}}},
  };
  std::size_t seen = 0;
  uint32_t rec_id = 100;
  for (const auto& c : cases) {
    Record r = MakeRecord(rec_id, c.field, c.key);
    const std::time_t before = std::time(nullptr);
    EXPECT_EQ(Perform(r), QX_LDRA_END_OF_FILE);
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(r[kRecordFiredOffset] == 'T', c.fired) << rec_id;
    const std::vector<Record> rows = LogRows();
    ASSERT_EQ(rows.size(), seen + c.rows.size()) << rec_id;
    for (const Row& want : c.rows) {
      const Record& row = rows[seen++];
      std::tm when{};
      when.tm_mday = row[QX_TRIGLOG_DAY], when.tm_mon = row[QX_TRIGLOG_MONTH] - 1;
      when.tm_year = (U32At(row, QX_TRIGLOG_YEAR - 2) >> 16) - 1900, when.tm_hour = row[QX_TRIGLOG_HOUR];
      when.tm_min = row[QX_TRIGLOG_MINUTE], when.tm_sec = row[QX_TRIGLOG_SECOND], when.tm_isdst = -1;
      const std::time_t logged = std::mktime(&when);
      EXPECT_TRUE(logged >= before - 1 && logged <= after + 1) << logged;
      EXPECT_EQ(row[QX_TRIGLOG_HUNDREDTHS], 48);
      EXPECT_EQ(U32At(row, QX_TRIGLOG_ID), seen);
      EXPECT_EQ(U32At(row, QX_TRIGLOG_TRIGGER_ID), trigger[c.key]);
      EXPECT_EQ(U32At(row, QX_TRIGLOG_ACTION_ID), want.action);
      EXPECT_EQ(U32At(row, QX_TRIGLOG_PLATFORM), 2u);
      EXPECT_EQ(U32At(row, QX_TRIGLOG_REC_ID), rec_id);
      EXPECT_EQ(static_cast<int32_t>(U32At(row, QX_TRIGLOG_RESULT)), want.result);
      EXPECT_EQ(row.substr(QX_TRIGLOG_MESSAGE), Field(want.message, QX_TRIGLOG_MESSAGE_SIZE));
    }
    ++rec_id;
  }
  std::ifstream sample(kSampleLog);
  std::string line;
  ASSERT_TRUE(std::getline(sample, line));
  const std::string first = "trigger=" + std::to_string(trigger[3]) + " \"key 3\" rec_id=103 field=5";
  EXPECT_TRUE(std::regex_match(line, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d )" + first))) << line;
  EXPECT_EQ(log_, std::vector<std::string>{});
}

TEST_F(PerformTest, ABurstRunsEveryActionOnceAndOneAtATime) {
  Link(AddTrigger(1), {AddAction(QX_SAMPLE_APPEND_ALONE)});
  constexpr uint32_t kBurst = 500;
  for (uint32_t rec_id = 1; rec_id <= kBurst; ++rec_id) {
    Record r = MakeRecord(rec_id, 0, 1);
    ASSERT_EQ(QXTRGPerformTriggers(r.data(), 0, nullptr, nullptr), QX_LDRA_END_OF_FILE);
  }
  ux_WaitForThreads();
  std::set<uint32_t> logged;
  for (const Record& row : LogRows()) {
    EXPECT_EQ(U32At(row, QX_TRIGLOG_RESULT), 0u) << row.substr(QX_TRIGLOG_MESSAGE);
    logged.insert(U32At(row, QX_TRIGLOG_REC_ID));
  }
  EXPECT_EQ(logged.size(), kBurst);
  EXPECT_EQ(LogRows().size(), kBurst);
  std::ifstream sample(kSampleLog);
  std::size_t lines = 0;
  for (std::string line; std::getline(sample, line);) ++lines;
  EXPECT_EQ(lines, kBurst);
}

constexpr char kNoMemory[] =
    "L1 QXMAP qxtrg:147 Alarm processing cannot proceed rec_id=7 due to malloc failure. Reconfigure for fewer alert "
    "events.";
constexpr char kNoThread[] =
    "L1 QXMAP qxtrg:169 Alarm thread for rec_id=7 could not be launched. Reconfigure for fewer alert events.";

TEST_F(PerformTest, FailuresWhileFiringAreReportedAndLeakNothing) {
  const uint32_t action = AddAction(QX_SAMPLE_APPEND);
  Link(AddTrigger(1), {action});
  Link(AddTrigger(1, 1, "second"), {action});
  // Each allocation of the run failed in turn: the handle, then the first
  // firing's block, record copy and trigger copy.
  std::vector<std::string> outcomes;
  Record r;
  int32_t status = 0;
  std::size_t rows = 0;
  SweepAllocationFailures(
      [&] {
        log_.clear();
        r = MakeRecord(7, 0, 1);
        status = Perform(r);
      },
      [&](long, bool) {
        const std::size_t added = LogRows().size() - std::exchange(rows, LogRows().size());
        outcomes.push_back(std::to_string(status) + (r[kRecordFiredOffset] == 'T' ? " fired " : " ") +
                           std::to_string(added) + (log_.empty() ? "" : " " + log_[0].substr(20)));
      });
  const std::string no_memory = std::string(" ") + kNoMemory;
  const std::vector<std::string> expected = {"-2 0",      "0 0",       "0 fired 0" + no_memory, "0 fired 0",
                                             "0 fired 1", "0 fired 1" + no_memory, "0 fired 1", "9 fired 2"};
  EXPECT_EQ(outcomes, expected);
  ux_FailNextThreadStart();  // the first trigger's thread: logged, and the second still runs
  r = MakeRecord(7, 0, 1);
  EXPECT_EQ(Perform(r), QX_LDRA_END_OF_FILE);
  ASSERT_EQ(log_.size(), 1u);
  EXPECT_EQ(log_[0].substr(20), kNoThread);
  EXPECT_EQ(LogRows().size(), rows + 1);
  SweepRecordFailures([&] { return Perform(r = MakeRecord(7, 0, 1)); },
                      [&](int32_t s, bool) { EXPECT_TRUE(s == QX_LDRA_END_OF_FILE || s == QX_LDRA_IO_ERROR) << s; });
}

TEST_F(PerformTest, RecordsAndPathsThatCannotServeAreRefused) {
  Link(AddTrigger(1), {AddAction(QX_SAMPLE_APPEND)});
  Record negative = MakeRecord(7, 0, 1), too_long = negative, longest = negative;
  negative.replace(kRecordDataLengthOffset, 4, U32Bytes(static_cast<uint32_t>(-1)));
  too_long.replace(kRecordDataLengthOffset, 4, U32Bytes(kRecordDataMax + 1));
  longest.resize(kRecordBufferSize, '\0');
  longest.replace(kRecordDataLengthOffset, 4, U32Bytes(kRecordDataMax));
  for (Record* r : {&negative, &too_long}) EXPECT_EQ(Perform(*r), QX_STATUS_MISSING);
  EXPECT_EQ(QXTRGPerformTriggers(nullptr, 0, nullptr, nullptr), QX_STATUS_MISSING);
  EXPECT_EQ(Perform(longest), QX_LDRA_END_OF_FILE);
  EXPECT_EQ(LogRows().size(), 1u);
  EXPECT_EQ(negative[kRecordFiredOffset] + too_long[kRecordFiredOffset], 0);
  uint32_t id = 1;
  unsigned char function[QX_PFACTPRO_RECORD_SIZE];
  EXPECT_EQ(QXTRGGetFirstTriggerFnByTrigByPlatform(nullptr, function, 2), QX_STATUS_MISSING);
  EXPECT_EQ(QXTRGGetNextTriggerFnByTrigByPlatform(&id, nullptr, 2), QX_STATUS_MISSING);
  // The path block: none when it cannot be made; made but not loaded when
  // "qxserver" cannot be read, and then kept as it is.
  ServerPaths* kept = std::exchange(TrgState().server_paths, nullptr);
  qxdbgFailNthAllocation(1);
  EXPECT_EQ(Perform(longest), QX_STATUS_MISSING);
  EXPECT_EQ(TrgState().server_paths, nullptr);
  EXPECT_EQ(QXTRGPerformTriggers(longest.data(), 0, "nowhere/", nullptr), QX_STATUS_NO_SERVER_PATHS);
  EXPECT_FALSE(TrgIsOpen());
  EXPECT_EQ(Perform(longest), QX_STATUS_MISSING);  // the files are closed; the paths are not read again
  EXPECT_EQ(QXTRGGetFirstTriggerFnByTrigByPlatform(&id, function, 2), QX_STATUS_MISSING);
  qxdbgFree(std::exchange(TrgState().server_paths, kept));
}

}  // namespace
