/* qxdbg: the allocator behind every record the expression library owns.
 *
 * qxdbgMalloc returns a block of at least `size` bytes aligned for any type,
 * or NULL when no memory is left (or a test asked this allocation to fail).
 * A zero size is served as a one-byte block. qxdbgFree releases a block that
 * qxdbgMalloc returned; NULL is ignored. Both functions are thread-safe. */
#ifndef QXDBG_H
#define QXDBG_H

#include <stddef.h>

#ifndef QXDBG_API
#define QXDBG_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

QXDBG_API void *qxdbgMalloc(size_t size);
QXDBG_API void qxdbgFree(void *block);

#ifdef __cplusplus
}
#endif

#endif
