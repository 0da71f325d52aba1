// The local calendar time, whatever the platform calls it.
#ifndef QXEXPPAR_PLATFORM_LOCAL_TIME_H
#define QXEXPPAR_PLATFORM_LOCAL_TIME_H

#include <ctime>

// Fills `out` with the local time now; all zero when it cannot be had.
void QxLocalTimeNow(std::tm* out);

#endif
