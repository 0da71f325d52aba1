#include "progress.h"

#include <cstdio>

#include "terminal.h"

Progress::Progress(uint64_t file_size)
    : file_size_(file_size),
      shown_(file_size >= kLargeFile && IsTerminal(stderr)),
      start_(std::chrono::steady_clock::now()),
      last_(start_) {}

void Progress::Redraw(uint64_t bytes_read, uint64_t records) {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_ < std::chrono::milliseconds(250)) return;
  last_ = now;
  drawn_ = true;
  const unsigned percent = file_size_ > 0 ? static_cast<unsigned>(bytes_read * 100 / file_size_) : 0;
  std::fprintf(stderr, "\rqxexp: %3u%%  %llu records", percent, static_cast<unsigned long long>(records));
  std::fflush(stderr);
}

void Progress::Finish() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%60s\r", "");
  drawn_ = false;
}

double Progress::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string RateText(uint64_t records, double seconds) {
  if (seconds <= 0) return "- records/s";
  const double rate = static_cast<double>(records) / seconds;
  char text[64];
  if (rate >= 1e6) {
    std::snprintf(text, sizeof text, "%.2f M records/s", rate / 1e6);
  } else if (rate >= 1e3) {
    std::snprintf(text, sizeof text, "%.1f k records/s", rate / 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.0f records/s", rate);
  }
  return text;
}
