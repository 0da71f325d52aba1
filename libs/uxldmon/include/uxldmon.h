/* uxldmon: the monitor log.
 *
 * uxldmonWriteLog appends one line per call:
 *
 *   2026-12-06 08:04:00 L1 QXMAP qxtrg:147 Alarm thread for rec_id=7 ...
 *
 * local date and time, "L" and the level, the component tag, the source-file
 * name and line, then the message formatted from `format` and the arguments
 * that follow it (printf conventions). The line goes to the file a host named
 * with uxldmonSetLogFile (uxldmon_host.h), or to standard error. `reserved`
 * is accepted for the caller's records (pass 0). Messages longer than 1023
 * bytes are cut. Returns 0 when the line was written, -1 when it could not
 * be. Thread-safe: lines of concurrent callers never interleave. */
#ifndef UXLDMON_H
#define UXLDMON_H

#include <stdint.h>

#ifndef UXLDMON_API
#define UXLDMON_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

UXLDMON_API int32_t uxldmonWriteLog(int32_t level, const char *source_file, int32_t line,
                                    const char *component, int32_t reserved,
                                    const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 6, 7)))
#endif
    ;

#ifdef __cplusplus
}
#endif

#endif
