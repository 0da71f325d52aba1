/* qxcnldrc: field conversion of the record manager.
 *
 * Seconds stamps count whole seconds since 0001-01-01 00:00:00 of the
 * proleptic Gregorian calendar. A record-manager timestamp field holds an
 * unsigned 64-bit count of 100-nanosecond units since the same instant.
 * Both conversions are exact and keep order.
 *
 * Date bytes: day, month, then the year as a 16-bit little-endian integer.
 * Time bytes: hundredths, seconds, minutes, hours. */
#ifndef QXCNLDRC_H
#define QXCNLDRC_H

#include <stdint.h>

#ifndef QXCNLDRC_API
#define QXCNLDRC_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Writes the seconds stamp of the date and time (hundredths are dropped).
 * Returns 0, or -1 without writing when a part is out of range: year 0,
 * month outside 1 to 12, day outside the month, hours above 23, minutes or
 * seconds above 59, hundredths above 99. */
QXCNLDRC_API int32_t qxLDRBDateTimeToSecstamp(const unsigned char date[4],
                                              const unsigned char time[4],
                                              uint64_t *stamp);

/* Writes the seconds stamp of a timestamp field value (the 8 stored bytes
 * read as a little-endian unsigned integer): the whole seconds it holds.
 * Returns 0. */
QXCNLDRC_API int32_t qxLDRTimestampToSecstamp(uint64_t timestamp, uint64_t *stamp);

#ifdef __cplusplus
}
#endif

#endif
