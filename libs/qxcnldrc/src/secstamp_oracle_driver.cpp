// Reads conversion requests on standard input, one per line, and prints one
// result line each, for the differential test against an independent
// calendar:
//   D year month day hours minutes seconds  ->  status stamp
//   T ticks                                 ->  status stamp

#include <cinttypes>
#include <cstdio>

#include "qxcnldrc.h"

int main() {
  char request[8];
  while (std::scanf("%7s", request) == 1) {
    uint64_t stamp = 0;
    int32_t status = -9;
    if (request[0] == 'D') {
      unsigned year, month, day, hours, minutes, seconds;
      if (std::scanf("%u %u %u %u %u %u", &year, &month, &day, &hours, &minutes, &seconds) != 6) return 2;
      unsigned char date[4] = {static_cast<unsigned char>(day), static_cast<unsigned char>(month),
                               static_cast<unsigned char>(year & 0xFF),
                               static_cast<unsigned char>(year >> 8)};
      unsigned char time[4] = {0, static_cast<unsigned char>(seconds),
                               static_cast<unsigned char>(minutes), static_cast<unsigned char>(hours)};
      status = qxLDRBDateTimeToSecstamp(date, time, &stamp);
    } else {
      uint64_t ticks = 0;
      if (std::scanf("%" SCNu64, &ticks) != 1) return 2;
      status = qxLDRTimestampToSecstamp(ticks, &stamp);
    }
    std::printf("%d %" PRIu64 "\n", static_cast<int>(status), status == 0 ? stamp : 0);
  }
  return 0;
}
