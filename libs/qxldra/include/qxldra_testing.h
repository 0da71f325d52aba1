/* Test hooks of the record manager: failing chosen calls on purpose, and
 * counting the files still open. Hosts never need these. */
#ifndef QXLDRA_TESTING_H
#define QXLDRA_TESTING_H

#include "qxldra.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Makes the nth matching call of qx_LDRAID from now (1 = the next one)
 * return `status` without doing anything, once. A call matches when its
 * file's name (the last part of the path it was opened or created with)
 * equals `file_name`, or always when `file_name` is NULL, and when its
 * operation is `operation`, or always when `operation` is -1. Calls refused
 * for bad arguments before their file is known do not count. n = 0 cancels
 * a pending failure. */
QXLDRA_API void qxldraFailNthCall(const char *file_name, int32_t operation, long n,
                                  int16_t status) QXLDRA_NOEXCEPT;

/* 1 while a failure set by qxldraFailNthCall has not happened yet. */
QXLDRA_API int qxldraFailurePending(void) QXLDRA_NOEXCEPT;

/* The number of files open in this process (open position blocks). */
QXLDRA_API long qxldraOpenFileCount(void) QXLDRA_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif
