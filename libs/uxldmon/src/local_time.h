// The local calendar time of a moment, whatever the platform calls it.
#ifndef UXLDMON_LOCAL_TIME_H
#define UXLDMON_LOCAL_TIME_H

#include <ctime>

namespace uxldmon {

// Fills `out` with the local time of `moment`; false when it cannot.
bool LocalTime(std::time_t moment, std::tm* out);

}  // namespace uxldmon

#endif
