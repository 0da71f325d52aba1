// Record definitions on real data files: the definition found against a
// model of the tables, nodes and deletes, every refusal and injected failure
// with nothing left behind, and the trigger module's files kept apart.

#include "evaluator/test_records.h"
#include "stores/definition_store.h"
#include "triggers/test_trigger_files.h"
#include "uxposs.h"

namespace {

constexpr int kNever = 1000, kNoNodes = 1001;  // a record fetch; no expression at all
struct Table {  // a name as hosts give it; definitions: number, highest first data word that does not match
  uint32_t id;
  std::string name;
  std::vector<std::pair<uint32_t, int>> definitions;
};
const std::string kLong = std::string(20, 'L') + "XXXXX";  // behaves as its first 20 characters
const std::vector<Table> kTables = {{1, "ORDERS", {{2, 5}, {3, kNever}, {7, 1}, {9, kNoNodes}}}, {1, "ORDERS1", {}},
                                    {1, "ORDERS2", {{1, 8}}}, {2, std::string(20, 'T'), {{1, kNoNodes}, {4, 3}, {5, 0}}},
                                    {3, kLong, {{6, 2}, {8, 6}}}, {9, "LAST", {}}};
std::string Expression(int below) {
  return below == kNever ? "db 0 4 int = getrecid val 5" : "db 0 4 int > val 4 int " + std::to_string(below);
}

class DefinitionTest : public TriggerFilesTest {
 protected:
  void SetUp() override {
    TriggerFilesTest::SetUp();
    ASSERT_EQ(QXMRDInitDat(prefix_.c_str(), kTestOwner), 0);
  }
  void TearDown() override { QXMRDDeinitDat(), TriggerFilesTest::TearDown(); }
  void Define() {  // "tabdef" as other programs write it, and the expressions
    FileReader tabdef(prefix_, QX_TABDEF_FILE);
    for (const Table& t : kTables) {
      for (const auto& [number, below] : t.definitions) {
        ASSERT_EQ(tabdef.Insert(U32Bytes(t.id) + Field(t.name.substr(0, 20), 20) + U32Bytes(number) + Field("", 142)), 0);
        ASSERT_EQ(below == kNoNodes ? 0 : Store(t.id, t.name, number, Expression(below)), 0);
      }
    }
  }
  int32_t Store(uint32_t id, const std::string& name, uint32_t number, const std::string& text) {
    return QXMRDStoreExpression(id, name.c_str(), number, text.c_str(), static_cast<uint32_t>(text.size()));
  }
  std::pair<int32_t, uint32_t> Find(const Table& t, int32_t word, uint32_t all) {
    uint32_t found = 77;
    const int32_t status = QXMRDFindRecordDefinition(&found, t.id, t.name.c_str(), TestRecord().Data(0, word).data(), all);
    return {status, found};
  }
  std::vector<Record> Nodes() { return Reader(QX_TDEFEX_FILE).Records(QX_TDEFEX_KEY_NODE); }
};

TEST_F(DefinitionTest, FindGivesTheFirstMatchingDefinitionOfTheTableOrItsLast) {
  Define();
  for (const Table& t : kTables) {
    for (int32_t word : {-1, 0, 2, 3, 6, 9}) {
      const uint32_t last = t.definitions.empty() ? 0 : t.definitions.back().first;
      std::pair<int32_t, uint32_t> first{QX_LDRA_END_OF_FILE, last};
      for (const auto& [number, below] : t.definitions) {
        if (below < kNever && word > below && first.first != 0) first = {0, number};
      }
      EXPECT_EQ(Find(t, word, 0), first) << t.name << " " << word;
      EXPECT_EQ(Find(t, word, 1), std::make_pair(last == 0 ? QX_LDRA_END_OF_FILE : 0, last));
    }
  }
  for (long n = 1; n <= 5; ++n) {  // every read of the walk, reported whatever the flag
    qxldraFailNthCall(QX_TABDEF_FILE, -1, n, QX_LDRA_IO_ERROR);
    EXPECT_EQ(Find(kTables[0], 9, 1).first, QX_LDRA_IO_ERROR) << n;
  }
  qxldraFailNthCall(QX_TDEFEX_FILE, -1, 1, QX_LDRA_IO_ERROR);  // a node that cannot be read does not match
  EXPECT_EQ(Find(kTables[0], 6, 0), std::make_pair(0, 7u));
}

TEST_F(DefinitionTest, NodesAreStoredWholeOrNotAtAllAndDeletedByDefinition) {
  DefinitionHandle handle{4, "K", 0};
  ExpToken node{40000, 4, -1, 4, 0, 0, 0, {1, 2, 3, 4}}, back{};
  ASSERT_EQ(QXMRDAddNewExpNode(&handle, &node, 3), 0);
  ASSERT_EQ(QXMRDGetExpNode(&handle, 3, &back), 0);
  EXPECT_EQ(back.kind, 40000 - 65536);
  ASSERT_EQ(Store(4, "T", 1, Expression(1)) + Store(4, "T", 2, Expression(2)), 0);
  const auto nodes = Nodes();
  EXPECT_EQ(Store(4, "T", 2, "db 0 4 int"), QX_LDRA_DUPLICATE_KEY);  // the expression there stays whole
  SweepRecordFailures([&] { return Store(4, "T", 3, Expression(3) + " and db 4 4 int = val 4 int 0"); },
                      [&](int32_t status, bool injected) {  // 7 nodes, or none
                        EXPECT_EQ(status, injected ? QX_LDRA_IO_ERROR : 0);
                        EXPECT_EQ(Nodes().size(), nodes.size() + (injected ? 0 : 7));
                        EXPECT_EQ(QXMRDDeleteExpression(4, "T", 3), 0);
                      });
  EXPECT_EQ(QXMRDDeleteExpression(4, "T", 1), 0);
  EXPECT_EQ(Nodes().size(), nodes.size() - 3);
  EXPECT_EQ(QXMRDDeleteExpression(4, "T", 1), 0);  // no nodes left
  SweepRecordFailures([&] { return QXMRDDeleteExpression(4, "T", 2); }, [](int32_t s, bool) { EXPECT_EQ(s, 0); });
  EXPECT_EQ(Nodes().size(), 1u);
}

TEST_F(DefinitionTest, RefusalsAndAllocationFailuresLeaveNothingBehind) {
  ExpToken node{};
  uint32_t found = 77, id = 0;
  DefinitionHandle handle{};
  const TestRecord zeros;
  const unsigned char* record = zeros.data();
  const char* text = "db 0 4 int > val 4 int 1";
  const std::vector<int32_t> missing = {
      QXMRDStoreExpression(1, nullptr, 1, text, 24), QXMRDStoreExpression(1, "T", 1, nullptr, 24),
      QXMRDDeleteExpression(1, nullptr, 1), QXMRDFindRecordDefinition(nullptr, 1, "T", record, 0),
      QXMRDFindRecordDefinition(&found, 1, nullptr, record, 0), QXMRDFindRecordDefinition(&found, 1, "T", nullptr, 0),
      QXMRDAddNewExpNode(nullptr, &node, 1), QXMRDAddNewExpNode(&id, nullptr, 1), QXMRDGetExpNode(nullptr, 1, &node),
      QXMRDGetExpNode(&id, 1, nullptr), QXMRDInitDat(prefix_.c_str(), nullptr), MrdSetHandle(nullptr, 1, "T"),
      MrdSetHandle(&handle, 1, nullptr), MrdDeleteNodes(nullptr), MrdFirstDefinition(nullptr, &found),
      MrdNextDefinition(&handle, nullptr)};
  EXPECT_EQ(missing, std::vector<int32_t>(missing.size(), QX_STATUS_MISSING));
  EXPECT_EQ(found, 77u);
  const std::string too_long = prefix_ + std::string(QX_LDRA_MAX_PATH, 'p');
  const std::vector<int32_t> closed = {
      QXMRDInitDat(too_long.c_str(), kTestOwner), QXMRDStoreExpression(1, "T", 1, text, 24),
      QXMRDDeleteExpression(1, "T", 1), QXMRDFindRecordDefinition(&found, 1, "T", record, 1),
      QXMRDAddNewExpNode(&id, &node, 1), QXMRDGetExpNode(&id, 1, &node)};
  EXPECT_EQ(closed, std::vector<int32_t>(closed.size(), QX_STATUS_MISSING));
  EXPECT_EQ(found, 0u);
  qxldraFailNthCall(QX_TABDEF_FILE, QX_LDRA_OP_OPEN, 1, QX_LDRA_IO_ERROR);
  EXPECT_EQ(QXMRDInitDat(prefix_.c_str(), kTestOwner), QX_LDRA_IO_ERROR);
  EXPECT_EQ(qxldraOpenFileCount(), open_before_ + kTrgFileCount);  // all or none
  std::filesystem::current_path(folder_);  // a null directory: the bare names
  EXPECT_EQ(QXMRDInitDat(nullptr, kTestOwner), 0);
  std::filesystem::current_path(folder_.parent_path());
  QXMRDDeinitDat();

  int32_t status = 0;
  SweepAllocationFailures([&] { status = QXMRDInitDat(prefix_.c_str(), kTestOwner), QXMRDDeinitDat(); },
                          [&](long, bool injected) { EXPECT_EQ(status, injected ? QX_STATUS_NO_MEMORY : 0); });
  ASSERT_EQ(QXMRDInitDat(prefix_.c_str(), kTestOwner), 0);
  for (const std::function<int32_t()>& run : std::vector<std::function<int32_t()>>{
           [&] { return QXMRDDeleteExpression(5, "T", 1); }, [&] { return Store(5, "T", 1, text); },
           [&] { return QXMRDFindRecordDefinition(&found, 5, "T", record, 0); }}) {
    const auto before = Nodes();
    SweepAllocationFailures([&] { status = run(); }, [&](long, bool injected) {  // the handle's, or the compiler's
      const bool no_memory = status == QX_STATUS_MISSING || status == QX_STATUS_NO_MEMORY || status == UX_LINK_NO_MEMORY;
      EXPECT_TRUE(!injected || (no_memory && Nodes() == before)) << status;
    });
  }
}

// Closing one module, or failing to open it, leaves the other's files open and working.
TEST_F(DefinitionTest, EachModuleKeepsItsFilesWhenTheOtherCloses) {
  Define();
  Record trigger = U32Bytes(0) + "T" + std::string(QX_TRIGGERS_RECORD_SIZE - 5, '\0');
  QXMRDDeinitDat();
  EXPECT_EQ(QXMRDInitDat((prefix_ + "nowhere/").c_str(), kTestOwner), QX_LDRA_FILE_NOT_FOUND);
  EXPECT_EQ(qxldraOpenFileCount(), open_before_ + kTrgFileCount);
  EXPECT_EQ(QXTRGCreateTrigger(trigger.data(), "db 0 4 int > val 4 int 1", 24), 0);
  ASSERT_EQ(QXMRDInitDat(prefix_.c_str(), kTestOwner), 0);
  QXTRGDeinitDat();
  EXPECT_EQ(qxldraOpenFileCount(), open_before_ + kMrdFileCount);
  EXPECT_EQ(Find(kTables[0], 6, 0), std::make_pair(0, 2u));
}

}  // namespace
