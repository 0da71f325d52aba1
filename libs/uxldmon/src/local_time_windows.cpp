#include "local_time.h"

namespace uxldmon {

bool LocalTime(std::time_t moment, std::tm* out) { return localtime_s(out, &moment) == 0; }

}  // namespace uxldmon
