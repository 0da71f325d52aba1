#include "triggers/actions.h"

#include <cstring>

#include "platform/blank_padding.h"
#include "platform/text.h"
#include "qxexpc.h"
#include "triggers/qxtrg.h"

namespace {

// Every item kept lands in a field of this size; a longer one is refused.
constexpr int32_t kItemMost = QX_ACTION_ITEM_SIZE;

// The first item as a number: blanks, a sign, then digits up to the first
// other character; 0 without digits. A number beyond 32 bits is held at
// the nearest bound.
int32_t ParseCode(const char* text, const TrgItem& item) {
  const char* at = text + item.start;
  const char* end = at + item.length;
  while (at < end && QxIsWhiteSpace(*at)) ++at;
  const bool negative = at < end && *at == '-';
  if (at < end && (*at == '-' || *at == '+')) ++at;
  constexpr int64_t kBound = int64_t{INT32_MAX} + 1;
  int64_t value = 0;
  for (; at < end && *at >= '0' && *at <= '9'; ++at) {
    value = value * 10 + (*at - '0');
    if (value > kBound) value = kBound;
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

void PutText(unsigned char* field, int32_t width, const char* text, std::size_t length) {
  std::memset(field, 0, static_cast<std::size_t>(width));
  std::memcpy(field, text, length);
  PadWithBlanks(field, width);
}

void PutItem(unsigned char* field, const char* text, const TrgItem& item) {
  PutText(field, kItemMost, text + item.start, static_cast<std::size_t>(item.length));
}

using BuildRow = void (*)(const char* text, const TrgItem* items, uint32_t action_id, unsigned char* record);

void BuildPlatformRow(const char* text, const TrgItem* items, uint32_t action_id, unsigned char* record) {
  RecPutU32(record + QX_PFACTPRO_PLATFORM, static_cast<uint32_t>(ParseCode(text, items[0])));
  RecPutU32(record + QX_PFACTPRO_ACTION_ID, action_id);
  PutItem(record + QX_PFACTPRO_LIBRARY, text, items[1]);
  PutItem(record + QX_PFACTPRO_FUNCTION, text, items[2]);
}

void BuildConfigRow(const char* text, const TrgItem* items, uint32_t action_id, unsigned char* record) {
  RecPutU32(record + QX_PFACTCFG_CODE, static_cast<uint32_t>(ParseCode(text, items[0])));
  RecPutU32(record + QX_PFACTCFG_ACTION_ID, action_id);
  PutItem(record + QX_PFACTCFG_FIRST, text, items[1]);
  PutItem(record + QX_PFACTCFG_SECOND, text, items[2]);
  PutText(record + QX_PFACTCFG_REST, QX_PFACTCFG_REST_SIZE, "", 0);
}

// Inserts one record per row of the text into `file`; false at the first
// row that is cut short, has fewer than three items or a longer item than
// its field, or cannot be inserted.
bool AddRows(const char* text, int32_t length, char delimiter, char terminator, uint32_t action_id, int file,
             BuildRow build) {
  unsigned char* record = RecModuleBuffer(TrgFiles(), file);
  for (int32_t start = 0; start < length;) {
    int32_t count = 0;
    TrgItem items[kTrgRowItems];
    const int32_t end = TrgSplitItems(text, length, start, &count, items, delimiter, terminator);
    if (end < 0 || count < kTrgRowItems) return false;
    for (const TrgItem& item : items) {
      if (item.length > kItemMost) return false;
    }
    build(text, items, action_id, record);
    if (RecModuleCall(TrgFiles(), file, QX_LDRA_OP_INSERT, record, nullptr, 0, -1) != 0) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

int32_t TrgSplitItems(const char* text, int32_t length, int32_t start, int32_t* count, TrgItem* items,
                      char delimiter, char terminator) {
  *count = 0;
  if (start < 0) start = 0;
  int32_t item_start = start;
  for (int32_t i = start; i < length; ++i) {
    if (text[i] == delimiter) {
      if (*count < kTrgRowItems) {
        int32_t end = i;
        while (end > item_start && text[end - 1] == ' ') --end;
        items[*count] = TrgItem{item_start, end - item_start};
      }
      ++*count;
      item_start = i + 1;
    } else if (text[i] == terminator) {
      return i;
    }
  }
  return -1;
}

void TrgDeleteActionRows(uint32_t action_id) {
  TrgDeleteAllOfId(kTrgActions, QX_ACTIONS_KEY_ID, action_id);
  TrgDeleteAllOfId(kTrgPfactpro, QX_PFACTPRO_KEY_ACTION, action_id);
  TrgDeleteAllOfId(kTrgPfactcfg, QX_PFACTCFG_KEY_ACTION, action_id);
}

extern "C" int32_t QXTRGAddAction(const char* name, const char* description, uint32_t enabled,
                                  int32_t platform_length, int32_t config_length, const char* platform_text,
                                  const char* config_text, const char* delimiter,
                                  const char* terminator) noexcept {
  if (name == nullptr || description == nullptr || platform_text == nullptr || config_text == nullptr ||
      delimiter == nullptr || terminator == nullptr || platform_length < 1 || config_length < 1 || !TrgIsOpen()) {
    return QX_STATUS_MISSING;
  }
  RecModule* files = TrgFiles();
  unsigned char* action = RecModuleBuffer(files, kTrgActions);
  RecPutU32(action + QX_ACTIONS_ID, 0);
  PutText(action + QX_ACTIONS_NAME, QX_NAME_SIZE, name, strnlen(name, QX_NAME_SIZE));
  PutText(action + QX_ACTIONS_DESCRIPTION, QX_DESCRIPTION_SIZE, description,
          strnlen(description, QX_DESCRIPTION_SIZE));
  RecPutU32(action + QX_ACTIONS_ENABLED, enabled);
  unsigned char key[4];
  if (RecModuleCall(files, kTrgActions, QX_LDRA_OP_INSERT, action, key, sizeof key, QX_ACTIONS_KEY_ID) != 0) {
    return QX_STATUS_NO_MEMORY;
  }
  const uint32_t action_id = RecGetU32(action + QX_ACTIONS_ID);
  // The id is the result, so it must read as a positive status.
  if (action_id > INT32_MAX ||
      !AddRows(platform_text, platform_length, *delimiter, *terminator, action_id, kTrgPfactpro,
               BuildPlatformRow) ||
      !AddRows(config_text, config_length, *delimiter, *terminator, action_id, kTrgPfactcfg, BuildConfigRow)) {
    TrgDeleteActionRows(action_id);
    return QX_STATUS_NO_MEMORY;
  }
  return static_cast<int32_t>(action_id);
}

extern "C" int32_t QXTRGAddNewTriggerAction(const void* link) noexcept {
  if (link == nullptr || !TrgIsOpen()) return QX_STATUS_MISSING;
  unsigned char record[QX_TRACXREF_RECORD_SIZE];
  std::memcpy(record, link, sizeof record);
  return RecModuleCall(TrgFiles(), kTrgTracxref, QX_LDRA_OP_INSERT, record, nullptr, 0, -1);
}

static_assert(QX_TRACXREF_TRIGGER_ID == 0 && QX_TRACXREF_ACTION_ID == 4,
              "a link record is the value of its key 0");

extern "C" int32_t QXTRGRemoveActionFromTrigger(const void* link) noexcept {
  if (link == nullptr || !TrgIsOpen()) return QX_STATUS_MISSING;
  RecModuleDeleteAll(TrgFiles(), kTrgTracxref, QX_TRACXREF_KEY_LINK, link, QX_TRACXREF_RECORD_SIZE);
  return 0;
}

extern "C" int32_t QXTRGDeleteAction(uint32_t action_id) noexcept {
  if (!TrgIsOpen()) return QX_STATUS_MISSING;
  TrgDeleteAllOfId(kTrgTracxref, QX_TRACXREF_KEY_ACTION, action_id);
  TrgDeleteActionRows(action_id);
  return 0;
}
