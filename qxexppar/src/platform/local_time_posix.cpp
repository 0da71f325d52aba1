#include "platform/local_time.h"

void QxLocalTimeNow(std::tm* out) {
  const std::time_t now = std::time(nullptr);
  if (localtime_r(&now, out) == nullptr) *out = std::tm{};
}
