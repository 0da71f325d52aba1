// Performing triggers: records per second through QXTRGPerformTriggers with
// 1, 10 and 100 active triggers of 7 nodes that never match, beside the same
// filters through QXQFEvaluateExpression and written by hand, in the same
// run; and the cost of a fired trigger, on the host's thread alone and with
// its alarm thread run to the end (library loaded, action called, log row
// written, library unloaded).
//
// The trigger files live in a folder of the working directory,
// perform_bench_files/, made afresh for each run.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "qxexpc.h"
#include "qxldra_host.h"
#include "qxldra_product.h"
#include "qxsample.h"
#include "uxposs_host.h"

namespace {

constexpr char kFolder[] = "perform_bench_files/";
constexpr char kOwner[] = "bench";

// 7 nodes: "and", ">", a literal, a field, "=", a literal, a field.
std::string NoMatch(int i) {
  return "db 0 4 int = val 4 int " + std::to_string(-1 - i) + " and db 4 4 int > val 4 int 1000000";
}

std::vector<unsigned char> Record(int32_t a, int32_t b) {
  std::vector<unsigned char> r(QX_RECORD_HEADER_SIZE + 8, 0);
  const uint32_t kind = 1, length = 8;
  std::memcpy(r.data() + 12, &kind, 4);
  std::memcpy(r.data() + 380, &length, 4);
  std::memcpy(r.data() + QX_RECORD_HEADER_SIZE, &a, 4);
  std::memcpy(r.data() + QX_RECORD_HEADER_SIZE + 4, &b, 4);
  return r;
}

// Fresh trigger files holding `count` triggers made from `text(i)`; the
// first trigger is linked to the sample's failing action (no file of its
// own to write).
void MakeTriggers(int count, std::string (*text)(int)) {
  ux_WaitForThreads();
  QXTRGDeinitDat();
  std::filesystem::remove_all(kFolder);
  std::filesystem::create_directories(kFolder);
  qxldraCreateProductFiles(kFolder, kOwner);
  QXTRGInitDat(kFolder, kOwner);
  const char rows[] = "2," QX_SAMPLE_LIBRARY "," QX_SAMPLE_FAIL ",;";
  const int32_t action = QXTRGAddAction("fail", "d", 1, sizeof rows - 1, 7, rows, "1,x,y,;", ",", ";");
  for (int i = 0; i < count; ++i) {
    unsigned char trigger[QX_TRIGGERS_RECORD_SIZE] = {};
    trigger[QX_TRIGGERS_ACTIVE] = 1;
    const std::string name = "t" + std::to_string(i), t = text(i);  // names are unique
    std::memcpy(trigger + QX_TRIGGERS_NAME, name.data(), name.size());
    if (QXTRGCreateTrigger(trigger, t.c_str(), static_cast<int32_t>(t.size())) != 0) std::abort();
    unsigned char link[QX_TRACXREF_RECORD_SIZE];
    std::memcpy(link, trigger + QX_TRIGGERS_ID, 4);
    std::memcpy(link + 4, &action, 4);
    if (i == 0) QXTRGAddNewTriggerAction(link);
  }
}

void BM_PerformTriggers(benchmark::State& state) {
  MakeTriggers(static_cast<int>(state.range(0)), NoMatch);
  std::vector<unsigned char> r = Record(5, 5);
  for (auto _ : state) {
    if (QXTRGPerformTriggers(r.data(), 0, kFolder, nullptr) != 9) state.SkipWithError("not 9");
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_FilterEvaluate(benchmark::State& state) {
  std::vector<FilterHandle*> filters(static_cast<std::size_t>(state.range(0)));
  for (std::size_t i = 0; i < filters.size(); ++i) QXQFStoreExpression(NoMatch(static_cast<int>(i)).c_str(), &filters[i]);
  std::vector<unsigned char> r = Record(5, 5);
  for (auto _ : state) {
    for (FilterHandle* filter : filters) {
      uint32_t match = 0;
      QXQFEvaluateExpression(r.data(), filter, &match, nullptr);
      benchmark::DoNotOptimize(match);
    }
  }
  for (FilterHandle* filter : filters) QXQFDeleteExpression(filter);
  state.SetItemsProcessed(state.iterations());
}

void BM_ByHand(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  std::vector<unsigned char> r = Record(5, 5);
  for (auto _ : state) {
    benchmark::DoNotOptimize(r.data());
    int matched = 0;
    for (int i = 0; i < count; ++i) {
      int32_t a, b;
      std::memcpy(&a, r.data() + QX_RECORD_HEADER_SIZE, 4);
      std::memcpy(&b, r.data() + QX_RECORD_HEADER_SIZE + 4, 4);
      matched += a == -1 - i && b > 1000000;
    }
    benchmark::DoNotOptimize(matched);
  }
  state.SetItemsProcessed(state.iterations());
}

// One trigger that matches every record. Argument 0: the host's call only
// (the alarm threads are waited for outside the timing); 1: until the alarm
// thread has ended.
void BM_FiredTrigger(benchmark::State& state) {
  MakeTriggers(1, [](int) { return std::string("db 0 4 int = val 4 int 5"); });
  std::vector<unsigned char> r = Record(5, 5);
  for (auto _ : state) {
    QXTRGPerformTriggers(r.data(), 0, kFolder, nullptr);
    if (state.range(0) == 0) state.PauseTiming();
    ux_WaitForThreads();
    if (state.range(0) == 0) state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_PerformTriggers)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterEvaluate)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ByHand)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FiredTrigger)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
