#include "uxldmon.h"
#include "uxldmon_host.h"
#include "uxldmon_testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

void Collect(void* context, const char* line) {
  static_cast<std::vector<std::string>*>(context)->push_back(line);
}

TEST(MonitorLog, LineCarriesTimeLevelComponentPlaceAndMessage) {
  std::vector<std::string> lines;
  uxldmonSetCapture(Collect, &lines);
  EXPECT_EQ(uxldmonWriteLog(1, "qxtrg", 147, "QXMAP", 0, "rec_id=%d due to %s", 42, "x"), 0);
  uxldmonSetCapture(nullptr, nullptr);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      lines[0], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d L1 QXMAP qxtrg:147 rec_id=42 due to x)")))
      << lines[0];
}

TEST(MonitorLog, OverlongMessagesAreCutNotOverrun) {
  std::vector<std::string> lines;
  std::string big(5000, 'm');
  uxldmonSetCapture(Collect, &lines);
  EXPECT_EQ(uxldmonWriteLog(1, "f", 1, "C", 0, "%s", big.c_str()), 0);
  uxldmonSetCapture(nullptr, nullptr);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_LT(lines[0].size(), 1300u);
  EXPECT_GT(lines[0].size(), 1000u);
}

TEST(MonitorLog, AppendsToTheFileAHostNames) {
  const char* path = "uxldmon_test.log";
  std::remove(path);
  ASSERT_EQ(uxldmonSetLogFile(path), 0);
  EXPECT_EQ(uxldmonWriteLog(1, "a", 1, "T", 0, "first"), 0);
  EXPECT_EQ(uxldmonWriteLog(2, "b", 2, "T", 0, "second %u", 7u), 0);
  ASSERT_EQ(uxldmonSetLogFile(nullptr), 0);
  std::ifstream in(path);
  std::string first, second, extra;
  ASSERT_TRUE(std::getline(in, first));
  ASSERT_TRUE(std::getline(in, second));
  EXPECT_FALSE(std::getline(in, extra));
  EXPECT_NE(first.find("L1 T a:1 first"), std::string::npos) << first;
  EXPECT_NE(second.find("L2 T b:2 second 7"), std::string::npos) << second;
  in.close();
  std::remove(path);
}

TEST(MonitorLog, AnUnopenableFileIsReported) {
  EXPECT_EQ(uxldmonSetLogFile("no-such-directory/x/log"), -1);
  EXPECT_EQ(uxldmonSetLogFile(nullptr), 0);
}

}  // namespace
