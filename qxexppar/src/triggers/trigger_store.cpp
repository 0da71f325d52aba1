#include "triggers/trigger_store.h"

#include <cstring>

#include "datafiles/node_block.h"
#include "qxdbg.h"
#include "triggers/qxtrg.h"

namespace {

uint32_t HandleId(const void* handle) {
  uint32_t id;
  std::memcpy(&id, handle, sizeof id);
  return id;
}

}  // namespace

void* TrgNewHandle() {
  void* handle = qxdbgMalloc(sizeof(uint32_t));
  if (handle != nullptr) std::memset(handle, 0, sizeof(uint32_t));
  return handle;
}

ExpStoreFns TrgStoreFns(ExpFetchRecordFn fetch) {
  ExpStoreFns fns{};
  fns.NewHandle = TrgNewHandle;
  fns.FreeHandle = QXTRGFreeHandle;
  fns.GetExpNode = QXTRGGetExpNode;
  fns.AddNewExpNode = QXTRGAddNewExpNode;
  fns.FetchRecord = fetch;
  return fns;
}

extern "C" int32_t QXTRGFreeHandle(void* handle) noexcept {
  qxdbgFree(handle);
  return 0;
}

// Both data-file stores release their handles the same way: one operation
// under both names.
extern "C" int32_t QXMRDFreeHandle(void* handle) noexcept __attribute__((alias("QXTRGFreeHandle")));

extern "C" int32_t QXTRGAddNewExpNode(void* handle, const ExpToken* token, uint32_t position) noexcept {
  RecModule* files = TrgFiles();
  if (handle == nullptr || token == nullptr || !RecModuleHasFile(files, kTrgTrigex)) return QX_STATUS_MISSING;
  if (!NodeBlockFits(*token)) return QX_STATUS_NODE_REFUSED;
  unsigned char* record = RecModuleBuffer(files, kTrgTrigex);
  RecPutU32(record + QX_TRIGEX_TRIGGER_ID, HandleId(handle));
  RecPutU32(record + QX_TRIGEX_POSITION, position);
  NodeBlockFromToken(*token, record + QX_TRIGEX_NODE);
  return RecModuleCall(files, kTrgTrigex, QX_LDRA_OP_INSERT, record, nullptr, 0, -1);
}

extern "C" int32_t QXTRGGetExpNode(void* handle, uint32_t position, ExpToken* token) noexcept {
  RecModule* files = TrgFiles();
  if (handle == nullptr || token == nullptr || !RecModuleHasFile(files, kTrgTrigex)) return QX_STATUS_MISSING;
  unsigned char key[8];
  RecPutU32(key, HandleId(handle));
  RecPutU32(key + 4, position);
  unsigned char* record = RecModuleBuffer(files, kTrgTrigex);
  const int32_t status = RecModuleCall(files, kTrgTrigex, QX_LDRA_OP_GET_EQUAL, record, key, sizeof key,
                                       QX_TRIGEX_KEY_NODE);
  if (status != 0) return status;
  NodeBlockToToken(record + QX_TRIGEX_NODE, token);
  return 0;
}
