#include "platform/local_time.h"

void QxLocalTimeNow(std::tm* out) {
  const std::time_t now = std::time(nullptr);
  if (localtime_s(out, &now) != 0) *out = std::tm{};
}
