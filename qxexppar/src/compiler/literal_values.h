// Numbers, dates and times as the expression language writes them, and the
// bytes literal values are stored as. Every function here is pure: it reads
// terminated text or numbers and writes only its output.
#ifndef QXEXPPAR_COMPILER_LITERAL_VALUES_H
#define QXEXPPAR_COMPILER_LITERAL_VALUES_H

#include <cstdint>

// A whole number: leading white space, an optional sign, then decimal
// digits up to the first other character. Text without leading digits reads
// as 0. A number beyond the range saturates at the nearest limit; it is not
// reported.
int32_t ExpWholeNumber(const char* text);
int64_t ExpWholeNumber64(const char* text);

// A decimal floating-point number: leading white space, an optional sign,
// digits with an optional point and exponent ("inf" and "nan" too), up to
// the first other character; text without a number reads as 0. Independent
// of the process locale: the point is always ".". A number too large for a
// double reads as an infinity of its sign, one too small as zero.
double ExpFloatingNumber(const char* text);

// Writes the `width` low-order bytes of `number`, little-endian, to `out`;
// nothing when `width` is not 1 to 8.
void ExpStoreLowOrder(int64_t number, int32_t width, unsigned char* out);

// Date bytes: day, month, then the year as a 16-bit little-endian integer.
// False (nothing written) for a month outside 1 to 12, a day below 1 or
// beyond the month's length, or a year outside 0 to 65535.
bool ExpDateBytes(int32_t month, int32_t day, int32_t year, unsigned char out[4]);

// Time bytes: hundredths (0), seconds, minutes, hours. False (nothing
// written) for hours outside 0 to 23, or minutes or seconds outside 0 to 59.
bool ExpTimeBytes(int32_t hours, int32_t minutes, int32_t seconds, unsigned char out[4]);

// The parts of a timestamp text written month/day/year hour:minute:second:
// each number may be preceded by white space and a sign, the blank between
// the date and the time stands for any white space (none included), and "/"
// and ":" must follow the numbers directly. Returns how many numbers were
// read in turn (0 to 6) before the text stopped matching.
int32_t ExpTimestampParts(const char* text, int32_t parts[6]);

// The seconds stamp of the six parts (month, day, year, hours, minutes,
// seconds), counted from 0001-01-01 00:00:00. False for any part out of
// range, year 0 included.
bool ExpSecondsStamp(const int32_t parts[6], uint64_t* stamp);

#endif
