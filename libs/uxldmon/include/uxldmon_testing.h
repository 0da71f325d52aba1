/* Capturing the monitor log in tests. */
#ifndef UXLDMON_TESTING_H
#define UXLDMON_TESTING_H

#include "uxldmon.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Receives each line (without its line end) instead of the file. */
typedef void (*UxldmonCaptureFn)(void *context, const char *line);

/* Sends every later line to `capture` until it is called with NULL. */
UXLDMON_API void uxldmonSetCapture(UxldmonCaptureFn capture, void *context);

#ifdef __cplusplus
}
#endif

#endif
