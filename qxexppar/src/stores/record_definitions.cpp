// Record definitions as hosts use them: an expression compiled into a
// definition's nodes, deleted again, and the first definition of a table
// that a record satisfies.

#include "evaluator/evaluate.h"
#include "stores/definition_store.h"

namespace {

// A handle for one exported call, filled with the table; null with *status
// set when none can be made.
DefinitionHandle* TableHandle(uint32_t table_id, const char* table_name, uint32_t definition, int32_t* status) {
  auto* handle = static_cast<DefinitionHandle*>(MrdNewHandle());
  *status = handle == nullptr ? QX_STATUS_MISSING : MrdSetHandle(handle, table_id, table_name);
  if (*status != 0) {
    QXMRDFreeHandle(handle);
    return nullptr;
  }
  handle->definition = definition;
  return handle;
}

// One compilation's hand-over: the nodes go to the definition's store, and
// whether the first of them was written is remembered.
struct StoreCall {
  DefinitionHandle* handle;
  bool wrote_root;
};

int32_t AddToDefinition(void* call, const ExpToken* token, uint32_t position) {
  auto* store = static_cast<StoreCall*>(call);
  const int32_t status = QXMRDAddNewExpNode(store->handle, token, position);
  if (status == 0 && position == 1) store->wrote_root = true;
  return status;
}

}  // namespace

extern "C" int32_t QXMRDStoreExpression(uint32_t table_id, const char* table_name, uint32_t definition,
                                        const char* text, uint32_t length) noexcept {
  if (text == nullptr || table_name == nullptr || !RecModuleIsOpen(MrdFiles())) return QX_STATUS_MISSING;
  int32_t status;
  DefinitionHandle* handle = TableHandle(table_id, table_name, definition, &status);
  if (handle == nullptr) return status;
  StoreCall call{handle, false};
  ExpStoreFns fns{};
  fns.AddNewExpNode = AddToDefinition;
  // A length beyond 32 bits signed reaches the compiler negative: refused.
  status = QXExpStoreExpression(&call, &fns, text, static_cast<int32_t>(length), 1);
  // A hand-over that stopped part way leaves no half expression behind. A
  // root this call wrote means the definition had none, so every node it
  // has now is of this call.
  if (status != 0 && call.wrote_root) MrdDeleteNodes(handle);
  QXMRDFreeHandle(handle);
  return status;
}

extern "C" int32_t QXMRDDeleteExpression(uint32_t table_id, const char* table_name, uint32_t definition) noexcept {
  if (table_name == nullptr) return QX_STATUS_MISSING;
  int32_t status;
  DefinitionHandle* handle = TableHandle(table_id, table_name, definition, &status);
  if (handle == nullptr) return status;
  status = MrdDeleteNodes(handle);
  QXMRDFreeHandle(handle);
  return status;
}

extern "C" int32_t QXMRDFindRecordDefinition(uint32_t* definition, uint32_t table_id, const char* table_name,
                                             const void* record, uint32_t all_definitions) noexcept {
  if (definition == nullptr || table_name == nullptr || record == nullptr) return QX_STATUS_MISSING;
  *definition = 0;
  int32_t status;
  DefinitionHandle* handle = TableHandle(table_id, table_name, 0, &status);
  if (handle == nullptr) return status;
  const ExpStoreFns fns = MrdStoreFns();
  status = MrdFirstDefinition(handle, definition);
  const bool walked = status == 0;
  while (status == 0) {
    uint32_t match = 0;
    status = ExpEvaluate(handle, &fns, &match, record);
    if (status != 0 || (match != 0 && all_definitions == 0)) break;
    status = MrdNextDefinition(handle, definition);
  }
  // With the flag set, the end of the table after its first definition ends
  // a walk that evaluated every one: *definition holds the last. Any other
  // failure of the walk is reported, whatever the flag.
  if (walked && all_definitions != 0 && status == QX_LDRA_END_OF_FILE) status = 0;
  QXMRDFreeHandle(handle);
  return status;
}
