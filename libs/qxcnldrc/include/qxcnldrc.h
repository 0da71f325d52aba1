/* qxcnldrc: field conversion of the record manager.
 *
 * Field data
 *   A caller selects a return form (qxLDRSetReturnType), makes a record's
 *   data current (qxLDRSetBuffer) and copies fields out of it
 *   (qxLDRGetFieldData). Return form 1 delivers a field's bytes as stored:
 *   little-endian integers, IEEE floats, packed decimals, texts. The return
 *   form and the current buffer are held per thread, because callers hand in
 *   a conversion context they have not initialised; the context argument is
 *   accepted and not read.
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

/* The return form that delivers fields as stored. */
#define QX_LDR_RETURN_STORED 1

/* Describes one field of the current record data. */
typedef struct QxLdrFieldDescriptor {
  int32_t offset;    /* first byte of the field in the record data */
  int32_t length;    /* field length; receives the length delivered */
  uint32_t reserved; /* not read */
  uint32_t type;     /* field type code */
  uint32_t attr1;    /* first field attribute */
  uint32_t attr2;    /* second field attribute */
} QxLdrFieldDescriptor;

/* Selects the return form of this thread's later qxLDRGetFieldData calls and
 * returns the form selected before (0 before the first call). */
QXCNLDRC_API int32_t qxLDRSetReturnType(int32_t type, void *context);

/* Makes `length` bytes at `buffer` this thread's current record data.
 * Returns 0; -1 for a missing buffer with a positive length or a negative
 * length (the current data is then empty). */
QXCNLDRC_API int32_t qxLDRSetBuffer(int32_t length, const void *buffer, void *context);

/* Copies the field `descriptor` names out of the current record data into
 * `value`, which has room for *length bytes. On return *length and
 * descriptor->length hold the number of bytes delivered: the field length,
 * or the room when the room is smaller. Returns 0; -1 when the field starts
 * or ends outside the record data (negative offsets and lengths included),
 * nothing written; -2 for a missing argument or a return form other than
 * QX_LDR_RETURN_STORED. */
QXCNLDRC_API int32_t qxLDRGetFieldData(QxLdrFieldDescriptor *descriptor, int32_t *length,
                                       void *value, void *context);

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
