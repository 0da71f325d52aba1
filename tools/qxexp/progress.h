// How far a pass over a record file has come, for people watching: a line on
// standard error, redrawn in place, only when standard error is a terminal
// and the file is large; and the closing line every pass ends with.
#ifndef QXEXP_PROGRESS_H
#define QXEXP_PROGRESS_H

#include <chrono>
#include <cstdint>
#include <string>

class Progress {
 public:
  // Files smaller than this pass too quickly to watch.
  static constexpr uint64_t kLargeFile = 32ull << 20;

  explicit Progress(uint64_t file_size);
  // Told after every record; redraws at most a few times a second.
  void Update(uint64_t bytes_read, uint64_t records) {
    if (shown_ && (records & 0x3FFF) == 0) Redraw(bytes_read, records);
  }
  // Clears the line, if one was drawn.
  void Finish();
  double Seconds() const;

 private:
  void Redraw(uint64_t bytes_read, uint64_t records);

  uint64_t file_size_;
  bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_;
};

// "2.35 M records/s" and the like.
std::string RateText(uint64_t records, double seconds);

#endif
