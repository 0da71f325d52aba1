// Doubly linked lists of fixed-size element copies. Each element lives in one
// block together with its links; the element bytes follow the links.

#include "uxposs.h"

#include <cstdlib>
#include <cstring>

struct UxLinkNode {
  UxLinkNode* prev;
  UxLinkNode* next;
  // element bytes follow, aligned as the links are
};

struct UxLinkList {
  UxLinkNode* head;
  UxLinkNode* tail;
  std::size_t element_size;
  int32_t count;
  UxLinkMatchFn compare;
  UxLinkAllocFn allocate;
  UxLinkFreeFn release;
};

struct UxLinkIterator {
  UxLinkNode* current;  // nullptr: past the end
};

namespace {

void* HeapAllocate(std::size_t size) { return std::malloc(size); }
void HeapRelease(void* block) { std::free(block); }

unsigned char* ElementBytes(UxLinkNode* node) {
  return reinterpret_cast<unsigned char*>(node + 1);
}

UxLinkNode* NewNode(UxLinkList* list, const void* element) {
  auto* node = static_cast<UxLinkNode*>(list->allocate(sizeof(UxLinkNode) + list->element_size));
  if (node == nullptr) return nullptr;
  node->prev = nullptr;
  node->next = nullptr;
  std::memcpy(ElementBytes(node), element, list->element_size);
  return node;
}

// Links `node` in front of `before`; a null `before` means at the tail.
void LinkBefore(UxLinkList* list, UxLinkNode* node, UxLinkNode* before) {
  node->next = before;
  node->prev = before != nullptr ? before->prev : list->tail;
  if (node->prev != nullptr) node->prev->next = node; else list->head = node;
  if (before != nullptr) before->prev = node; else list->tail = node;
  ++list->count;
}

int32_t CheckArguments(const UxLinkList* list, UxLinkIterator** iterator) {
  if (list == nullptr || iterator == nullptr || *iterator == nullptr) return UX_LINK_BAD_ARGUMENT;
  return UX_LINK_OK;
}

}  // namespace

extern "C" UxLinkList* ux_LinkCreateList(int32_t, int32_t element_size, UxLinkMatchFn compare,
                                         int32_t, int32_t, UxLinkAllocFn allocate,
                                         UxLinkFreeFn release) {
  if (element_size < 1) return nullptr;
  if (allocate == nullptr) allocate = HeapAllocate;
  if (release == nullptr) release = HeapRelease;
  auto* list = static_cast<UxLinkList*>(allocate(sizeof(UxLinkList)));
  if (list == nullptr) return nullptr;
  *list = UxLinkList{nullptr, nullptr, static_cast<std::size_t>(element_size), 0,
                     compare, allocate, release};
  return list;
}

extern "C" int32_t ux_LinkDeleteList(UxLinkList** list) {
  if (list == nullptr || *list == nullptr) return UX_LINK_BAD_ARGUMENT;
  UxLinkList* doomed = *list;
  for (UxLinkNode* node = doomed->head; node != nullptr;) {
    UxLinkNode* next = node->next;
    doomed->release(node);
    node = next;
  }
  doomed->release(doomed);
  *list = nullptr;
  return UX_LINK_OK;
}

extern "C" int32_t ux_LinkAddElementToFront(UxLinkList* list, const void* element) {
  if (list == nullptr || element == nullptr) return UX_LINK_BAD_ARGUMENT;
  UxLinkNode* node = NewNode(list, element);
  if (node == nullptr) return UX_LINK_NO_MEMORY;
  LinkBefore(list, node, list->head);
  return UX_LINK_OK;
}

extern "C" int32_t ux_LinkCount(const UxLinkList* list) {
  return list != nullptr ? list->count : 0;
}

extern "C" int32_t ux_LinkIteratorCreate(UxLinkList* list, UxLinkIterator** iterator) {
  if (iterator != nullptr) *iterator = nullptr;
  if (list == nullptr || iterator == nullptr) return UX_LINK_BAD_ARGUMENT;
  auto* created = static_cast<UxLinkIterator*>(list->allocate(sizeof(UxLinkIterator)));
  if (created == nullptr) return UX_LINK_NO_MEMORY;
  created->current = list->head;
  *iterator = created;
  return list->head != nullptr ? UX_LINK_OK : UX_LINK_EMPTY;
}

extern "C" void* ux_LinkIteratorGetData(UxLinkIterator* iterator) {
  if (iterator == nullptr || iterator->current == nullptr) return nullptr;
  return ElementBytes(iterator->current);
}

extern "C" int32_t ux_LinkIteratorRemoveNode(UxLinkList* list, UxLinkIterator** iterator) {
  if (int32_t status = CheckArguments(list, iterator); status != UX_LINK_OK) return status;
  UxLinkNode* node = (*iterator)->current;
  if (node == nullptr) return UX_LINK_NO_CURRENT;
  if (node->prev != nullptr) node->prev->next = node->next; else list->head = node->next;
  if (node->next != nullptr) node->next->prev = node->prev; else list->tail = node->prev;
  --list->count;
  (*iterator)->current = node->next;
  list->release(node);
  return (*iterator)->current != nullptr ? UX_LINK_OK : UX_LINK_END;
}

extern "C" int32_t ux_LinkIteratorAddElementBefore(UxLinkList* list, UxLinkIterator** iterator,
                                                   const void* element) {
  if (int32_t status = CheckArguments(list, iterator); status != UX_LINK_OK) return status;
  if (element == nullptr) return UX_LINK_BAD_ARGUMENT;
  UxLinkNode* node = NewNode(list, element);
  if (node == nullptr) return UX_LINK_NO_MEMORY;
  LinkBefore(list, node, (*iterator)->current);
  return UX_LINK_OK;
}

extern "C" int32_t ux_LinkIteratorAddElementAfter(UxLinkList* list, UxLinkIterator** iterator,
                                                  const void* element) {
  if (int32_t status = CheckArguments(list, iterator); status != UX_LINK_OK) return status;
  if (element == nullptr) return UX_LINK_BAD_ARGUMENT;
  UxLinkNode* node = NewNode(list, element);
  if (node == nullptr) return UX_LINK_NO_MEMORY;
  UxLinkNode* current = (*iterator)->current;
  LinkBefore(list, node, current != nullptr ? current->next : nullptr);
  (*iterator)->current = node;
  return UX_LINK_OK;
}

extern "C" int32_t ux_LinkIteratorMoveToStart(UxLinkList* list, UxLinkIterator** iterator) {
  if (int32_t status = CheckArguments(list, iterator); status != UX_LINK_OK) return status;
  (*iterator)->current = list->head;
  return list->head != nullptr ? UX_LINK_OK : UX_LINK_EMPTY;
}

extern "C" int32_t ux_LinkIteratorMoveNext(UxLinkList* list, UxLinkIterator** iterator) {
  if (int32_t status = CheckArguments(list, iterator); status != UX_LINK_OK) return status;
  if ((*iterator)->current == nullptr) return UX_LINK_NO_CURRENT;
  (*iterator)->current = (*iterator)->current->next;
  return (*iterator)->current != nullptr ? UX_LINK_OK : UX_LINK_END;
}

extern "C" int32_t ux_LinkIteratorFind(UxLinkList* list, UxLinkIterator** iterator,
                                       const void* key, UxLinkMatchFn match) {
  if (int32_t status = CheckArguments(list, iterator); status != UX_LINK_OK) return status;
  if (match == nullptr) return UX_LINK_BAD_ARGUMENT;
  for (UxLinkNode* node = (*iterator)->current; node != nullptr; node = node->next) {
    if (match(ElementBytes(node), key) != 0) {
      (*iterator)->current = node;
      return UX_LINK_OK;
    }
  }
  return UX_LINK_NOT_FOUND;
}

extern "C" int32_t ux_LinkIteratorFree(UxLinkList* list, UxLinkIterator* iterator) {
  if (list == nullptr || iterator == nullptr) return UX_LINK_BAD_ARGUMENT;
  list->release(iterator);
  return UX_LINK_OK;
}
