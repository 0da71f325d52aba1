/* Thread services for hosts and tests of the uxposs library. */
#ifndef UXPOSS_HOST_H
#define UXPOSS_HOST_H

#include "uxposs.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Blocks until every thread started by ux_BeginThread so far has returned
 * from its start routine. */
UXPOSS_API void ux_WaitForThreads(void);

/* Makes the next ux_BeginThread call fail (return 0) without starting a
 * thread. For tests of the callers' failure paths. */
UXPOSS_API void ux_FailNextThreadStart(void);

#ifdef __cplusplus
}
#endif

#endif
