#include "triggers/server_paths.h"

#include <cstring>

#include "platform/blank_padding.h"
#include "qxdbg.h"
#include "qxexpc.h"
#include "qxldra_host.h"

const char* const kServerPathSettings[kServerPathCount] = {
    "Archive Path", "Config Path", "Compress Path", "Empty Path",
    "Data Path",    "Log Path",    "Root Path",     "View Path",
};

namespace {

constexpr char kPathSection[] = "QXMON PATHS";
constexpr std::size_t kSettingKeySize = 2 * QX_SETTING_TEXT_SIZE;
static_assert(QX_SETTING_TEXT_SIZE < kServerPathSlotSize, "a value and its terminator fit a slot");
static_assert(QX_QXSERVER_SECTION == 0 && QX_QXSERVER_SETTING == QX_SETTING_TEXT_SIZE,
              "key 0 is the record's first 80 bytes: section, then setting");

void PutText(unsigned char* field, const char* text) {
  std::memset(field, 0, QX_SETTING_TEXT_SIZE);
  std::memcpy(field, text, strnlen(text, QX_SETTING_TEXT_SIZE));
  PadWithBlanks(field, QX_SETTING_TEXT_SIZE);
}

// Fails the load: the trigger files close with it.
int32_t Fail(int32_t status) {
  QXTRGDeinitDat();
  return status;
}

}  // namespace

int32_t TrgLoadServerPaths(const char* directory, ServerPaths* paths) {
  if (paths == nullptr) return QX_STATUS_MISSING;
  const unsigned char* client = TrgFiles()->client;
  RecFileHandle* file = nullptr;
  const int32_t status = RecFileOpen(client, directory, QX_QXSERVER_FILE, QX_LDRA_SERVER_OWNER, &file);
  if (status != 0) return Fail(status);
  auto* record = static_cast<unsigned char*>(qxdbgMalloc(QX_QXSERVER_RECORD_SIZE));
  if (record == nullptr) {
    RecFileClose(client, &file);
    return Fail(QX_STATUS_NO_MEMORY);
  }
  paths->loaded = 1;
  for (int slot = 0; slot < kServerPathCount; ++slot) {
    unsigned char key[kSettingKeySize];
    PutText(key + QX_QXSERVER_SECTION, kPathSection);
    PutText(key + QX_QXSERVER_SETTING, kServerPathSettings[slot]);
    char* text = paths->slots[slot];
    text[0] = '\0';
    if (RecFileCall(file, client, QX_LDRA_OP_GET_EQUAL, record, QX_QXSERVER_RECORD_SIZE, key, sizeof key,
                    QX_QXSERVER_KEY_SETTING) != 0) {
      continue;
    }
    unsigned char* value = record + QX_QXSERVER_VALUE;
    CutTrailingBlanks(value, QX_SETTING_TEXT_SIZE);
    const std::size_t length = strnlen(reinterpret_cast<const char*>(value), QX_SETTING_TEXT_SIZE);
    std::memcpy(text, value, length);
    text[length] = '\0';
  }
  RecFileClose(client, &file);
  qxdbgFree(record);
  return 0;
}
