// Walking a trigger's action functions for a platform, link by link.
//
// The walk's place is the module's "tracxref" position block: First reads
// the trigger's first link, Next the link after the one last read, in the
// order the links were made. Each link's action and platform row are read
// by their keys, so every linked action is reached wherever it sits in
// "actions" and "pfactpro64".

#include <cstring>

#include "platform/blank_padding.h"
#include "qxexpc.h"
#include "triggers/perform.h"
#include "triggers/qxtrg.h"

namespace {

bool WalkFilesOpen() {
  const RecModule* files = TrgFiles();
  return RecModuleHasFile(files, kTrgTracxref) && RecModuleHasFile(files, kTrgActions) &&
         RecModuleHasFile(files, kTrgPfactpro);
}

// The platform row of the action that `link` names, into `function`: 0;
// kTrgSkip when the action is not stored (links are not checked when they
// are made), disabled, or has no row for the platform; else the status of
// the failed read of "actions".
int32_t ReadLinkedFunction(const unsigned char* link, unsigned char* function, int32_t platform) {
  RecModule* files = TrgFiles();
  unsigned char action[QX_ACTIONS_RECORD_SIZE];
  unsigned char key[8];
  std::memcpy(key, link + QX_TRACXREF_ACTION_ID, 4);
  const int32_t status = RecModuleCall(files, kTrgActions, QX_LDRA_OP_GET_EQUAL, action, key, 4, QX_ACTIONS_KEY_ID);
  if (status == QX_LDRA_KEY_NOT_FOUND) return kTrgSkip;
  if (status != 0) return status;
  if (RecGetU32(action + QX_ACTIONS_ENABLED) == 0) return kTrgSkip;
  RecPutU32(key, static_cast<uint32_t>(platform));
  std::memcpy(key + 4, link + QX_TRACXREF_ACTION_ID, 4);
  if (RecModuleCall(files, kTrgPfactpro, QX_LDRA_OP_GET_EQUAL, function, key, sizeof key, QX_PFACTPRO_KEY_PLATFORM) !=
      0) {
    return kTrgSkip;
  }
  CutTrailingBlanks(function + QX_PFACTPRO_FUNCTION, QX_ACTION_ITEM_SIZE);
  CutTrailingBlanks(function + QX_PFACTPRO_LIBRARY, QX_ACTION_ITEM_SIZE);
  return 0;
}

// Reads a link of the trigger with `operation` and hands it on.
int32_t WalkLinks(uint16_t operation, const uint32_t* trigger_id, void* function, int32_t platform) {
  if (trigger_id == nullptr || function == nullptr || !WalkFilesOpen()) return QX_STATUS_MISSING;
  unsigned char link[QX_TRACXREF_RECORD_SIZE];
  unsigned char key[4];
  RecPutU32(key, *trigger_id);
  const int32_t status =
      RecModuleCall(TrgFiles(), kTrgTracxref, operation, link, key, sizeof key, QX_TRACXREF_KEY_TRIGGER);
  if (status != 0) return status;
  if (RecGetU32(link + QX_TRACXREF_TRIGGER_ID) != *trigger_id) return QX_LDRA_END_OF_FILE;
  return ReadLinkedFunction(link, static_cast<unsigned char*>(function), platform);
}

}  // namespace

extern "C" int32_t QXTRGGetFirstTriggerFnByTrigByPlatform(uint32_t* trigger_id, void* function,
                                                          int32_t platform) noexcept {
  return WalkLinks(QX_LDRA_OP_GET_EQUAL, trigger_id, function, platform);
}

extern "C" int32_t QXTRGGetNextTriggerFnByTrigByPlatform(uint32_t* trigger_id, void* function,
                                                         int32_t platform) noexcept {
  return WalkLinks(QX_LDRA_OP_GET_NEXT, trigger_id, function, platform);
}
