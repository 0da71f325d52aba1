// The monitor log: one formatted line per call, under one lock.

#include "uxldmon.h"
#include "uxldmon_host.h"
#include "uxldmon_testing.h"

#include "local_time.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

std::mutex log_mutex;
std::FILE* log_file = nullptr;  // nullptr: standard error
UxldmonCaptureFn capture_fn = nullptr;
void* capture_context = nullptr;

constexpr int kLineSize = 1280;

}  // namespace

extern "C" int32_t uxldmonWriteLog(int32_t level, const char* source_file, int32_t line,
                                   const char* component, int32_t, const char* format, ...) {
  char text[kLineSize];
  std::tm now{};
  if (!uxldmon::LocalTime(std::time(nullptr), &now)) now = std::tm{};
  int used = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d L%d %s %s:%d ",
                           now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour,
                           now.tm_min, now.tm_sec, static_cast<int>(level),
                           component != nullptr ? component : "-",
                           source_file != nullptr ? source_file : "-", static_cast<int>(line));
  if (used < 0) return -1;
  if (used >= kLineSize) used = kLineSize - 1;
  if (format != nullptr) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text + used, sizeof text - static_cast<size_t>(used), format, args);
    va_end(args);
  }

  std::lock_guard<std::mutex> lock(log_mutex);
  if (capture_fn != nullptr) {
    capture_fn(capture_context, text);
    return 0;
  }
  std::FILE* out = log_file != nullptr ? log_file : stderr;
  if (std::fprintf(out, "%s\n", text) < 0) return -1;
  std::fflush(out);
  return 0;
}

extern "C" int32_t uxldmonSetLogFile(const char* path) {
  std::lock_guard<std::mutex> lock(log_mutex);
  if (log_file != nullptr) std::fclose(log_file);
  log_file = nullptr;
  if (path == nullptr) return 0;
  log_file = std::fopen(path, "a");
  return log_file != nullptr ? 0 : -1;
}

extern "C" void uxldmonSetCapture(UxldmonCaptureFn capture, void* context) {
  std::lock_guard<std::mutex> lock(log_mutex);
  capture_fn = capture;
  capture_context = context;
}
