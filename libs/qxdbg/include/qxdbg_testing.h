/* Test hooks of the qxdbg allocator: fault injection and a count of the
 * blocks still live, so that tests can walk every allocation-failure path
 * and prove that nothing leaks. Hosts never need these. */
#ifndef QXDBG_TESTING_H
#define QXDBG_TESTING_H

#include "qxdbg.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Makes the nth allocation from now fail (1 = the next one), once.
 * 0 cancels a pending failure. */
QXDBG_API void qxdbgFailNthAllocation(long n);

/* 1 while a failure set by qxdbgFailNthAllocation has not happened yet. */
QXDBG_API int qxdbgFailurePending(void);

/* Blocks returned by qxdbgMalloc and not yet freed. */
QXDBG_API long qxdbgLiveBlocks(void);

#ifdef __cplusplus
}
#endif

#endif
