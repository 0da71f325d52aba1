#include "compiler/statuses.h"

#include "qxexpc.h"
#include "uxposs.h"

namespace {

const ExpStatusInfo kStatuses[] = {
    {QX_STATUS_OK, "QX_STATUS_OK", "compiled and stored", "done", nullptr},
    {QX_STATUS_NO_MEMORY, "QX_STATUS_NO_MEMORY",
     "no memory, a \")\" without its \"(\", a \"(\" never closed, or a token that cannot be converted",
     "no memory, or a node kind, operator or type that is not supported", "QX_STATUS_UNSUPPORTED"},
    {QX_STATUS_MISSING, "QX_STATUS_MISSING", "a missing argument or store handle",
     "a missing argument or handle, or a data file that is not open", nullptr},
    {QX_STATUS_NOT_COMPARABLE, "QX_STATUS_NOT_COMPARABLE", nullptr,
     "the operands cannot be compared, or a list holds a value that is no constant of its field", nullptr},
    {QX_STATUS_DATE_TIME_MISMATCH, "QX_STATUS_DATE_TIME_MISMATCH", nullptr,
     "date or time operands differ in type or length", nullptr},
    {QX_STATUS_UNKNOWN_WORD, "QX_STATUS_UNKNOWN_WORD",
     "a word that is no keyword, operator or type name", nullptr, nullptr},
    {QX_STATUS_BAD_LENGTH, "QX_STATUS_BAD_LENGTH", "the length is not allowed for the type", nullptr, nullptr},
    {QX_STATUS_BAD_VALUE, "QX_STATUS_BAD_VALUE", "a literal value is missing, malformed or out of range",
     "a stored node has no data, or the server paths cannot be loaded", "QX_STATUS_NODE_NO_DATA"},
    {QX_STATUS_BAD_TYPE_NUMBER, "QX_STATUS_BAD_TYPE_NUMBER",
     "an \"ldr\" type number outside 0 to 20, or 12 or 16", "the stored nodes cannot be reached", "QX_STATUS_NODES_UNREACHABLE"},
    {QX_STATUS_NODE_REFUSED, "QX_STATUS_NODE_REFUSED", nullptr, "the store refused a node", nullptr},
    {QX_STATUS_NODE_NOT_FOUND, "QX_STATUS_NODE_NOT_FOUND", nullptr, "no node at that position", nullptr},
    {QX_STATUS_LIST_TOO_FEW, "QX_STATUS_LIST_TOO_FEW",
     "a \"range\" group ended at an operator or parenthesis: too few values", nullptr, nullptr},
    {QX_STATUS_LIST_EXCLUDE_RANGE, "QX_STATUS_LIST_EXCLUDE_RANGE",
     "\"exclude range\" stands inside a value group", nullptr, nullptr},
    {QX_STATUS_LIST_BAD_VALUE, "QX_STATUS_LIST_BAD_VALUE",
     "a list value is not a literal of its field's type and length, or a list has no complete group",
     nullptr, nullptr},
    {QX_STATUS_LIST_BAD_FIELDS, "QX_STATUS_LIST_BAD_FIELDS",
     "a \"range\"/\"values\" count outside 1 to 5, or a list field that is no field reference", nullptr, nullptr},
    {QX_STATUS_END_OF_TEXT, "QX_STATUS_END_OF_TEXT",
     "the text is empty, or it ended where more words were needed", nullptr, nullptr},
    {QX_STATUS_MISPLACED_EXCLUDE, "QX_STATUS_MISPLACED_EXCLUDE",
     "\"exclude\" where no \"range\" list precedes it", "a field is not available in the record", "QX_STATUS_FIELD_NOT_AVAILABLE"},
    {UX_LINK_EMPTY, "UX_LINK_EMPTY", "nothing to store: the expression has no operand", nullptr, nullptr},
    {UX_LINK_END, "UX_LINK_END", "a list ran out of elements", nullptr, nullptr},
    {UX_LINK_NO_MEMORY, "UX_LINK_NO_MEMORY", "no memory for a list element", "no memory for a list element", nullptr},
};

}  // namespace

const ExpStatusInfo* ExpFindStatus(int32_t code) {
  for (const ExpStatusInfo& info : kStatuses) {
    if (info.code == code) return &info;
  }
  return nullptr;
}

const ExpStatusInfo* ExpStatusTable(int* count) {
  if (count != nullptr) *count = static_cast<int>(sizeof kStatuses / sizeof kStatuses[0]);
  return kStatuses;
}
