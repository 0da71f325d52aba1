// Postfix conversion of tokens given in text order (operator precedence),
// and the hand-over of the nodes to a store, root first.
//
// Operands and popped operators are always added at the head of the output
// list, and the output is handed over from its head, so positions run in
// reverse postfix order: node 1 is the root operator, and every operator is
// followed by the subtree of its right operand, then that of its left one.

#include "qxexpc.h"

#include "compiler/kinds.h"
#include "platform/lists.h"
#include "qxdbg.h"

struct ExpBuilder {
  UxLinkList* operators;  // head is the top of the stack
  UxLinkList* output;     // head is the token most recently output
  void* store;
  const ExpStoreFns* fns;
};

namespace {

const ExpToken* Top(UxLinkIterator* it) {
  return static_cast<const ExpToken*>(ux_LinkIteratorGetData(it));
}

void DestroyBuilder(ExpBuilder* builder) {
  if (builder->operators != nullptr) ux_LinkDeleteList(&builder->operators);
  if (builder->output != nullptr) ux_LinkDeleteList(&builder->output);
  qxdbgFree(builder);
}

// Frees `it` and returns `status`, or the free's status when `status` is 0.
int32_t FreeIterator(UxLinkList* list, UxLinkIterator* it, int32_t status) {
  int32_t freed = ux_LinkIteratorFree(list, it);
  return status != 0 ? status : freed;
}

// An infix operator, a list operator or "not": output every operator on the
// stack that binds at least as tightly (so equal priorities group to the
// left), then push the new one.
//
// A failed output addition or push is reported rather than ignored: going
// on would drop an operator from the expression and still report success.
int32_t AddOperator(ExpBuilder* builder, const ExpToken* token) {
  UxLinkIterator* it = nullptr;
  int32_t status = ux_LinkIteratorCreate(builder->operators, &it);
  if (status != UX_LINK_OK && status != UX_LINK_EMPTY) return status;
  if (status == UX_LINK_OK) {
    int32_t priority = ExpKindPriority(token->kind);
    while (ExpKindPriority(Top(it)->kind) >= priority) {
      status = ux_LinkAddElementToFront(builder->output, Top(it));
      if (status != UX_LINK_OK) return FreeIterator(builder->operators, it, status);
      if (ux_LinkIteratorRemoveNode(builder->operators, &it) != UX_LINK_OK) break;
    }
  }
  status = ux_LinkIteratorAddElementBefore(builder->operators, &it, token);
  return FreeIterator(builder->operators, it, status);
}

// ")": output operators down to the matching "(", which is dropped with it.
int32_t CloseParenthesis(ExpBuilder* builder) {
  UxLinkIterator* it = nullptr;
  int32_t status = ux_LinkIteratorCreate(builder->operators, &it);
  if (status == UX_LINK_EMPTY) return FreeIterator(builder->operators, it, QX_STATUS_NO_MEMORY);
  if (status != UX_LINK_OK) return status;
  for (;;) {
    if (Top(it)->kind == QX_KIND_OPEN) {
      ux_LinkIteratorRemoveNode(builder->operators, &it);
      return FreeIterator(builder->operators, it, UX_LINK_OK);
    }
    status = ux_LinkAddElementToFront(builder->output, Top(it));
    if (status != UX_LINK_OK) return FreeIterator(builder->operators, it, status);
    status = ux_LinkIteratorRemoveNode(builder->operators, &it);
    if (status == UX_LINK_END) return FreeIterator(builder->operators, it, QX_STATUS_NO_MEMORY);
    if (status != UX_LINK_OK) return FreeIterator(builder->operators, it, status);
  }
}

// Moves what is left on the operator stack, top first, to the output. An
// unclosed "(" moves like any operator; the hand-over refuses it.
int32_t FlushOperators(ExpBuilder* builder) {
  UxLinkIterator* it = nullptr;
  int32_t status = ux_LinkIteratorCreate(builder->operators, &it);
  if (status != UX_LINK_OK && status != UX_LINK_EMPTY) return status;
  while (status == UX_LINK_OK) {
    status = ux_LinkAddElementToFront(builder->output, Top(it));
    if (status != UX_LINK_OK) return FreeIterator(builder->operators, it, status);
    status = ux_LinkIteratorRemoveNode(builder->operators, &it);
  }
  return FreeIterator(builder->operators, it, UX_LINK_OK);
}

// Hands the output to the store from its head, positions from 1.
int32_t HandOver(ExpBuilder* builder) {
  UxLinkIterator* it = nullptr;
  int32_t status = ux_LinkIteratorCreate(builder->output, &it);
  if (status == UX_LINK_EMPTY) return FreeIterator(builder->output, it, UX_LINK_EMPTY);
  if (status != UX_LINK_OK) return status;
  if (builder->fns == nullptr || builder->fns->AddNewExpNode == nullptr) {
    return FreeIterator(builder->output, it, QX_STATUS_MISSING);
  }
  for (uint32_t position = 1;; ++position) {
    const ExpToken* node = Top(it);
    ExpKindClass kind_class = ExpKindClassOf(node->kind);
    if (kind_class == ExpKindClass::kParenthesis || kind_class == ExpKindClass::kNone) {
      return FreeIterator(builder->output, it, QX_STATUS_NO_MEMORY);
    }
    status = builder->fns->AddNewExpNode(builder->store, node, position);
    if (status != 0) return FreeIterator(builder->output, it, status);
    status = ux_LinkIteratorRemoveNode(builder->output, &it);
    if (status == UX_LINK_END) return FreeIterator(builder->output, it, UX_LINK_OK);
    if (status != UX_LINK_OK) return FreeIterator(builder->output, it, status);
  }
}

}  // namespace

extern "C" ExpBuilder* QXExpStartExpression(void* store, const ExpStoreFns* fns) noexcept {
  UxLinkList* operators = QxCreateList(sizeof(ExpToken), nullptr);
  if (operators == nullptr) return nullptr;
  UxLinkList* output = QxCreateList(sizeof(ExpToken), nullptr);
  if (output == nullptr) {
    ux_LinkDeleteList(&operators);
    return nullptr;
  }
  auto* builder = static_cast<ExpBuilder*>(qxdbgMalloc(sizeof(ExpBuilder)));
  if (builder == nullptr) {
    ux_LinkDeleteList(&operators);
    ux_LinkDeleteList(&output);
    return nullptr;
  }
  *builder = ExpBuilder{operators, output, store, fns};
  return builder;
}

extern "C" int32_t QXExpAddToken(ExpBuilder* builder, const ExpToken* token) noexcept {
  if (builder == nullptr || token == nullptr) return QX_STATUS_MISSING;
  switch (ExpKindClassOf(token->kind)) {
    case ExpKindClass::kNone:
      return QX_STATUS_NO_MEMORY;
    case ExpKindClass::kLiteral:
    case ExpKindClass::kField:
    case ExpKindClass::kFetchByNumber:
    case ExpKindClass::kFetchByField:
      return ux_LinkAddElementToFront(builder->output, token);
    case ExpKindClass::kInfix:
    case ExpKindClass::kList:
    case ExpKindClass::kPrefix:
      return AddOperator(builder, token);
    case ExpKindClass::kParenthesis:
      if (token->kind == QX_KIND_OPEN) return ux_LinkAddElementToFront(builder->operators, token);
      return CloseParenthesis(builder);
  }
  return QX_STATUS_NO_MEMORY;
}

extern "C" int32_t QXExpFinishExpression(ExpBuilder* builder, int32_t abort_flag) noexcept {
  if (builder == nullptr) return QX_STATUS_MISSING;
  int32_t status = UX_LINK_OK;
  if (abort_flag == 0) {
    // A failure to reach the operator stack also destroys the builder: it
    // belongs to this one compilation, and nothing could be retried with it.
    status = FlushOperators(builder);
    if (status == UX_LINK_OK) status = HandOver(builder);
  }
  DestroyBuilder(builder);
  return status;
}
