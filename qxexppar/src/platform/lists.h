// The library's lists: the list service with the library's allocator.
#ifndef QXEXPPAR_PLATFORM_LISTS_H
#define QXEXPPAR_PLATFORM_LISTS_H

#include <cstddef>
#include <cstdint>

#include "uxposs.h"

// One-line wrappers of qxdbgMalloc and qxdbgFree, the allocate and free
// callbacks of every list the library creates.
void* QxListAllocate(std::size_t size);
void QxListRelease(void* block);

// Creates a list of `element_size`-byte elements the way every part of the
// library does: list kind 15, the given compare callback (may be null), and
// the allocator wrappers above. Null when no memory is left.
UxLinkList* QxCreateList(int32_t element_size, UxLinkMatchFn compare);

#endif
