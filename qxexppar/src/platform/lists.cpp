#include "platform/lists.h"

#include "qxdbg.h"

namespace {

constexpr int32_t kListKind = 15;

}  // namespace

void* QxListAllocate(std::size_t size) { return qxdbgMalloc(size); }

void QxListRelease(void* block) { qxdbgFree(block); }

UxLinkList* QxCreateList(int32_t element_size, UxLinkMatchFn compare) {
  return ux_LinkCreateList(kListKind, element_size, compare, 0, 0, QxListAllocate, QxListRelease);
}
