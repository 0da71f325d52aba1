#include "compiler/statuses.h"

#include <gtest/gtest.h>

#include <set>

#include "qxexpc.h"

namespace {

TEST(Statuses, EachCodeHasOneEntryWithAMeaning) {
  int count = 0;
  const ExpStatusInfo* table = ExpStatusTable(&count);
  std::set<int32_t> codes;
  for (int i = 0; i < count; ++i) {
    EXPECT_TRUE(codes.insert(table[i].code).second) << table[i].code;
    EXPECT_TRUE(table[i].compile != nullptr || table[i].evaluate != nullptr) << table[i].code;
    EXPECT_EQ(ExpFindStatus(table[i].code), &table[i]);
  }
  for (int32_t code = QX_STATUS_MISPLACED_EXCLUDE; code <= QX_STATUS_OK; ++code) {
    if (code == -8) continue;  // not a status of the exported operations
    EXPECT_NE(ExpFindStatus(code), nullptr) << code;
  }
  EXPECT_EQ(ExpFindStatus(9), nullptr);
  EXPECT_STREQ(ExpFindStatus(QX_STATUS_FIELD_NOT_AVAILABLE)->evaluate_name, "QX_STATUS_FIELD_NOT_AVAILABLE");
  EXPECT_EQ(ExpFindStatus(QX_STATUS_UNKNOWN_WORD)->evaluate_name, nullptr);
}

}  // namespace
