// In-memory filters: one compiled expression per handle, its nodes kept in a
// list of FilterNode copies in position order.
//
// The list, its one iterator and the node callbacks behave as hosts see
// them through QXQFAddNewExpNode and QXQFGetExpNode. Evaluation reaches the
// nodes by a faster path: an array of the nodes by position, made when the
// filter is compiled and made again after a host adds nodes. The walk then
// reads each node in place instead of searching the list for it, and the
// iterator is moved, when it is next needed, to where the searches would
// have left it.

#include <climits>
#include <cstring>

#include "evaluator/evaluate.h"
#include "evaluator/program.h"
#include "platform/lists.h"
#include "qxdbg.h"
#include "qxexpc.h"

namespace {

// One stored node: exactly 284 bytes, the list's element size.
struct FilterNode {
  uint32_t position;  // 1 for the root; the look-up key
  int32_t kind;
  unsigned char value[QX_STORED_VALUE_SIZE];
  int32_t type;
  int32_t offset;
  int32_t length;
  int32_t attr1;
  int32_t attr2;
  uint32_t group;
};
static_assert(sizeof(FilterNode) == 284, "a filter node is a 284-byte list element");

bool HasValueBytes(int32_t kind, int32_t length) { return length >= 1 && kind != QX_KIND_FIELD; }

// The list's compare callback: both given and their positions equal.
int MatchPosition(const void* node, const void* key) {
  if (node == nullptr || key == nullptr) return 0;
  uint32_t a, b;
  std::memcpy(&a, node, sizeof a);
  std::memcpy(&b, key, sizeof b);
  return a == b ? 1 : 0;
}

void NodeToToken(const FilterNode& node, ExpToken* token) {
  token->kind = node.kind;
  token->type = node.type;
  token->offset = node.offset;
  token->length = node.length;
  token->attr1 = node.attr1;
  token->attr2 = node.attr2;
  token->group = node.group;
  std::memset(token->value, 0, QX_STORED_VALUE_SIZE);
  if (HasValueBytes(node.kind, node.length)) {
    std::memcpy(token->value, node.value, static_cast<size_t>(node.length));
  }
}

// Where the iterator must stand before the list is next used, as the
// searches of a walk would have left it.
enum class IteratorDue : uint8_t { kNowhere, kAtStart, kAtPosition };

}  // namespace

struct FilterHandle {
  UxLinkList* nodes;
  UxLinkIterator* iterator;
  // The faster path: tokens by position, or nullptr when stale or when the
  // list does not hold positions 1..n exactly once each.
  ExpToken* by_position;
  uint32_t count;
  // The nodes worked out for the walk; no steps when they hold what a
  // program does not cover.
  ExpProgram program;
  bool stale;
  IteratorDue due;
  uint32_t due_position;
};

namespace {

void SyncIterator(FilterHandle* handle) {
  if (handle->due == IteratorDue::kNowhere) return;
  ux_LinkIteratorMoveToStart(handle->nodes, &handle->iterator);
  if (handle->due == IteratorDue::kAtPosition) {
    ux_LinkIteratorFind(handle->nodes, &handle->iterator, &handle->due_position, MatchPosition);
  }
  handle->due = IteratorDue::kNowhere;
}

// Makes the array of tokens by position; leaves none when the list does not
// hold each position of 1..n exactly once, or when no memory is left (the
// walk then searches the list as hosts do).
void IndexNodes(FilterHandle* handle) {
  constexpr int32_t kUnfilled = INT32_MIN;
  qxdbgFree(handle->by_position);
  handle->by_position = nullptr;
  handle->count = 0;
  handle->stale = false;
  ExpFreeProgram(&handle->program);
  auto count = static_cast<uint32_t>(ux_LinkCount(handle->nodes));
  if (count == 0) return;
  auto* tokens = static_cast<ExpToken*>(qxdbgMalloc(count * sizeof(ExpToken)));
  if (tokens == nullptr) return;
  std::memset(tokens, 0, count * sizeof(ExpToken));
  for (uint32_t i = 0; i < count; ++i) tokens[i].kind = kUnfilled;
  UxLinkIterator* walker = nullptr;
  int32_t status = ux_LinkIteratorCreate(handle->nodes, &walker);
  uint32_t seen = 0;
  while (status == UX_LINK_OK) {
    const auto* node = static_cast<const FilterNode*>(ux_LinkIteratorGetData(walker));
    if (node->position < 1 || node->position > count || node->kind == kUnfilled ||
        tokens[node->position - 1].kind != kUnfilled) {
      break;
    }
    NodeToToken(*node, &tokens[node->position - 1]);
    ++seen;
    status = ux_LinkIteratorMoveNext(handle->nodes, &walker);
  }
  if (walker != nullptr) ux_LinkIteratorFree(handle->nodes, walker);
  if (seen != count) {
    qxdbgFree(tokens);
    return;
  }
  handle->by_position = tokens;
  handle->count = count;
  ExpBuildProgram(tokens, count, &handle->program);
}

const ExpToken* ReadByPosition(ExpWalk* walk, uint32_t position, int32_t* status) {
  auto* handle = static_cast<FilterHandle*>(walk->store);
  if (position < 1 || position > handle->count) {
    // As the search would: the iterator ends at the start, not found.
    handle->due = IteratorDue::kAtStart;
    *status = QX_STATUS_NODE_NOT_FOUND;
    return nullptr;
  }
  handle->due = IteratorDue::kAtPosition;
  handle->due_position = position;
  return &handle->by_position[position - 1];
}

FilterHandle* NewFilterHandle() {
  auto* handle = static_cast<FilterHandle*>(qxdbgMalloc(sizeof(FilterHandle)));
  if (handle == nullptr) return nullptr;
  *handle = FilterHandle{nullptr, nullptr, nullptr, 0, ExpProgram{nullptr, 0, nullptr, nullptr}, true,
                         IteratorDue::kNowhere, 0};
  handle->nodes = QxCreateList(sizeof(FilterNode), MatchPosition);
  if (handle->nodes == nullptr) {
    qxdbgFree(handle);
    return nullptr;
  }
  int32_t status = ux_LinkIteratorCreate(handle->nodes, &handle->iterator);
  if (status != UX_LINK_OK && status != UX_LINK_EMPTY) {
    ux_LinkDeleteList(&handle->nodes);
    qxdbgFree(handle);
    return nullptr;
  }
  return handle;
}

ExpStoreFns FilterStoreFns(ExpFetchRecordFn fetch) {
  ExpStoreFns fns{};
  fns.FreeHandle = QXTRGAddNewTriggerFn;
  fns.GetExpNode = QXQFGetExpNode;
  fns.AddNewExpNode = QXQFAddNewExpNode;
  fns.FetchRecord = fetch;
  return fns;
}

}  // namespace

extern "C" int32_t QXTRGAddNewTriggerFn(void*) noexcept { return 0; }

extern "C" int32_t QXQFStoreExpression(const char* text, FilterHandle** handle) noexcept {
  if (text == nullptr || handle == nullptr) return QX_STATUS_MISSING;
  *handle = NewFilterHandle();
  if (*handle == nullptr) return QX_STATUS_NO_MEMORY;
  size_t length = std::strlen(text);
  ExpStoreFns fns = FilterStoreFns(nullptr);
  int32_t status = length > INT32_MAX ? QX_STATUS_MISSING
                                      : QXExpStoreExpression(*handle, &fns, text, static_cast<int32_t>(length), 0);
  if (status != 0) {
    QXQFDeleteExpression(*handle);
    *handle = nullptr;
    return status;
  }
  IndexNodes(*handle);
  return 0;
}

extern "C" int32_t QXQFEvaluateExpression(const void* record, FilterHandle* handle, uint32_t* match,
                                          ExpFetchRecordFn fetch) noexcept {
  if (match == nullptr) return QX_STATUS_MISSING;
  if (record == nullptr || handle == nullptr) {
    *match = 0;
    return QX_STATUS_MISSING;
  }
  ExpStoreFns fns = FilterStoreFns(fetch);
  if (handle->stale) IndexNodes(handle);
  ExpWalk walk;
  ExpWalkInit(&walk, handle, &fns, record, handle->by_position != nullptr ? ReadByPosition : nullptr);
  if (handle->program.steps == nullptr) return ExpEvaluateWalk(&walk, match);
  uint32_t last_read = 0;
  int32_t status = ExpRunProgram(&handle->program, &walk, match, &last_read);
  if (last_read != 0) {
    handle->due = IteratorDue::kAtPosition;
    handle->due_position = last_read;
  }
  return status;
}

extern "C" int32_t QXQFDeleteExpression(FilterHandle* handle) noexcept {
  if (handle == nullptr) return QX_STATUS_MISSING;
  if (handle->iterator != nullptr) ux_LinkIteratorFree(handle->nodes, handle->iterator);
  ux_LinkDeleteList(&handle->nodes);
  qxdbgFree(handle->by_position);
  ExpFreeProgram(&handle->program);
  qxdbgFree(handle);
  return 0;
}

extern "C" int32_t QXQFAddNewExpNode(void* store, const ExpToken* token, uint32_t position) noexcept {
  auto* handle = static_cast<FilterHandle*>(store);
  if (handle == nullptr || token == nullptr) return QX_STATUS_MISSING;
  // A node keeps at most 250 value bytes: a longer value is refused rather
  // than cut, so that no stored constant silently differs from its text.
  if (HasValueBytes(token->kind, token->length) && token->length > QX_STORED_VALUE_SIZE) {
    return QX_STATUS_NODE_REFUSED;
  }
  FilterNode node{};
  node.position = position;
  node.kind = token->kind;
  node.type = token->type;
  node.offset = token->offset;
  node.length = token->length;
  node.attr1 = token->attr1;
  node.attr2 = token->attr2;
  node.group = token->group;
  if (HasValueBytes(token->kind, token->length)) {
    std::memcpy(node.value, token->value, static_cast<size_t>(token->length));
  }
  SyncIterator(handle);
  if (ux_LinkIteratorAddElementAfter(handle->nodes, &handle->iterator, &node) != UX_LINK_OK) {
    return QX_STATUS_NODE_REFUSED;
  }
  handle->stale = true;
  return 0;
}

extern "C" int32_t QXQFGetExpNode(void* store, uint32_t position, ExpToken* token) noexcept {
  auto* handle = static_cast<FilterHandle*>(store);
  if (handle == nullptr || token == nullptr) return QX_STATUS_MISSING;
  handle->due = IteratorDue::kNowhere;  // this search moves it anew
  if (ux_LinkIteratorMoveToStart(handle->nodes, &handle->iterator) != UX_LINK_OK) {
    return QX_STATUS_NODES_UNREACHABLE;
  }
  if (ux_LinkIteratorFind(handle->nodes, &handle->iterator, &position, MatchPosition) != UX_LINK_OK) {
    return QX_STATUS_NODE_NOT_FOUND;
  }
  const auto* node = static_cast<const FilterNode*>(ux_LinkIteratorGetData(handle->iterator));
  if (node == nullptr) return QX_STATUS_NODE_NO_DATA;
  NodeToToken(*node, token);
  return 0;
}
