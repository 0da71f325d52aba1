/* uxposs: linked lists of fixed-size elements, and thread start.
 *
 * Lists
 *   A list stores copies of elements of the size given at creation: adding
 *   an element copies that many bytes, so callers may add records that live
 *   on their stack. The head is the front of the list (the top, when the list
 *   serves as a stack). Every block a list needs (the list, its elements, its
 *   iterators) comes from the allocate callback given at creation and goes
 *   back through the free callback.
 *
 *   An iterator stands on one element (its current element) or, when the
 *   list is empty or it walked off the end, on no element ("past the end").
 *   Iterators are created on a list and must be freed on the same list,
 *   before the list is deleted.
 *
 * Statuses
 *   0 success; UX_LINK_EMPTY (1501) from ux_LinkIteratorCreate and
 *   ux_LinkIteratorMoveToStart on an empty list; UX_LINK_END (1502) from
 *   ux_LinkIteratorRemoveNode when no element follows the removed one. Every
 *   other non-zero status is a failure, named below.
 *
 * Threads
 *   ux_BeginThread starts a detached thread. uxposs_host.h lets a host wait
 *   until every thread started so far has ended.
 *
 * Thread safety: a list and its iterators are used by one thread at a time;
 * different lists are independent. ux_BeginThread may be called from any
 * thread. */
#ifndef UXPOSS_H
#define UXPOSS_H

#include <stddef.h>
#include <stdint.h>

#ifndef UXPOSS_API
#define UXPOSS_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
  UX_LINK_OK = 0,
  UX_LINK_EMPTY = 1501,       /* the list has no element */
  UX_LINK_END = 1502,         /* no element follows the removed one */
  UX_LINK_NO_MEMORY = 1503,   /* the allocate callback gave no block */
  UX_LINK_BAD_ARGUMENT = 1504,/* a missing list, iterator or element */
  UX_LINK_NO_CURRENT = 1505,  /* the iterator stands on no element */
  UX_LINK_NOT_FOUND = 1506    /* ux_LinkIteratorFind found no element */
};

typedef struct UxLinkList UxLinkList;
typedef struct UxLinkIterator UxLinkIterator;

/* Returns non-zero when `element` matches `key`. */
typedef int (*UxLinkMatchFn)(const void *element, const void *key);
typedef void *(*UxLinkAllocFn)(size_t size);
typedef void (*UxLinkFreeFn)(void *block);

/* Creates an empty list of elements of `element_size` bytes (at least 1).
 * `kind`, `reserved1` and `reserved2` are kept for the caller's records and
 * do not change the behaviour. `compare` may be NULL. NULL allocate or free
 * callbacks stand for the C heap. Returns NULL on failure. */
UXPOSS_API UxLinkList *ux_LinkCreateList(int32_t kind, int32_t element_size,
                                         UxLinkMatchFn compare, int32_t reserved1,
                                         int32_t reserved2, UxLinkAllocFn allocate,
                                         UxLinkFreeFn release);

/* Frees the list and its elements and sets *list to NULL. */
UXPOSS_API int32_t ux_LinkDeleteList(UxLinkList **list);

/* Copies `element` to the head of the list. */
UXPOSS_API int32_t ux_LinkAddElementToFront(UxLinkList *list, const void *element);

/* Number of elements in the list (0 for NULL). */
UXPOSS_API int32_t ux_LinkCount(const UxLinkList *list);

/* Creates an iterator on the head element: 0, or UX_LINK_EMPTY when the list
 * is empty; in both cases *iterator is set and must be freed (an iterator on
 * an empty list still serves for insertion). On any other status *iterator
 * is NULL. */
UXPOSS_API int32_t ux_LinkIteratorCreate(UxLinkList *list, UxLinkIterator **iterator);

/* The current element's bytes inside the list (not a copy), or NULL when the
 * iterator stands on no element. Valid until that element is removed. */
UXPOSS_API void *ux_LinkIteratorGetData(UxLinkIterator *iterator);

/* Removes the current element and moves to the one after it: 0, or
 * UX_LINK_END when none follows (the iterator is then past the end). */
UXPOSS_API int32_t ux_LinkIteratorRemoveNode(UxLinkList *list, UxLinkIterator **iterator);

/* Inserts a copy of `element` before the current element; past the end
 * (an empty list included) the copy goes at the tail. The iterator stays
 * where it was. */
UXPOSS_API int32_t ux_LinkIteratorAddElementBefore(UxLinkList *list,
                                                   UxLinkIterator **iterator,
                                                   const void *element);

/* Inserts a copy of `element` after the current element (at the tail when
 * the iterator is past the end) and makes the copy current. */
UXPOSS_API int32_t ux_LinkIteratorAddElementAfter(UxLinkList *list,
                                                  UxLinkIterator **iterator,
                                                  const void *element);

/* Moves to the head element: 0, or UX_LINK_EMPTY when the list is empty. */
UXPOSS_API int32_t ux_LinkIteratorMoveToStart(UxLinkList *list, UxLinkIterator **iterator);

/* Moves to the element after the current one: 0, or UX_LINK_END when none
 * follows (the iterator is then past the end). */
UXPOSS_API int32_t ux_LinkIteratorMoveNext(UxLinkList *list, UxLinkIterator **iterator);

/* Moves from the current element (included) towards the tail to the first
 * element for which match(element, key) is non-zero: 0 when found; else
 * UX_LINK_NOT_FOUND and the iterator does not move. */
UXPOSS_API int32_t ux_LinkIteratorFind(UxLinkList *list, UxLinkIterator **iterator,
                                       const void *key, UxLinkMatchFn match);

/* Releases the iterator. */
UXPOSS_API int32_t ux_LinkIteratorFree(UxLinkList *list, UxLinkIterator *iterator);

typedef void (*UxThreadStart)(void *argument);

/* Starts a detached thread running start(argument). `stack_size` and
 * `flags` are accepted for the caller's records (pass 0). Returns a non-zero
 * value on success and 0 when the thread could not be started. */
UXPOSS_API uintptr_t ux_BeginThread(UxThreadStart start, uint32_t stack_size,
                                    uint32_t flags, void *argument);

#ifdef __cplusplus
}
#endif

#endif
