#include "local_time.h"

namespace uxldmon {

bool LocalTime(std::time_t moment, std::tm* out) { return localtime_r(&moment, out) != nullptr; }

}  // namespace uxldmon
