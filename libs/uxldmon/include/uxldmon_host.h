/* Log destination for hosts of the monitor log. */
#ifndef UXLDMON_HOST_H
#define UXLDMON_HOST_H

#include "uxldmon.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Appends later lines to the file at `path` (created when missing), or
 * writes them to standard error when `path` is NULL. Returns 0, or -1 when
 * the file cannot be opened (lines then go to standard error). */
UXLDMON_API int32_t uxldmonSetLogFile(const char *path);

#ifdef __cplusplus
}
#endif

#endif
