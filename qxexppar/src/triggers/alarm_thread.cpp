// Alarm threads: a fired trigger's actions run and logged, one thread of
// the process at a time.

#include <cstring>
#include <ctime>

#include "evaluator/record_buffer.h"
#include "platform/alarm_lock.h"
#include "platform/blank_padding.h"
#include "platform/library_loader.h"
#include "platform/local_time.h"
#include "qxdbg.h"
#include "qxexpc.h"
#include "triggers/perform.h"
#include "triggers/qxtrg.h"

namespace {

constexpr unsigned char kHundredths = 0x30;  // every row's hundredths byte: '0', not 0
static_assert(QX_ACTION_MESSAGE_MOST == QX_TRIGLOG_MESSAGE_SIZE, "a message fills the log's field at most");
static_assert(QX_ACTION_MESSAGE_MOST < QX_ACTION_MESSAGE_SIZE, "a message and its terminator fit the buffer");

// A name field of a "pfactpro64" record as a terminated text: a name that
// fills its field has no terminator of its own.
struct ItemText {
  char text[QX_ACTION_ITEM_SIZE + 1];
  explicit ItemText(const unsigned char* field) {
    const std::size_t length = strnlen(reinterpret_cast<const char*>(field), QX_ACTION_ITEM_SIZE);
    std::memcpy(text, field, length);
    text[length] = '\0';
  }
};

// Loads the library of `function`, calls its function and logs the call;
// an empty name, a library that does not load or a function it lacks is
// skipped without a row.
void RunAction(const AlarmThreadArg& arg, const unsigned char* function) {
  const ItemText library_name(function + QX_PFACTPRO_LIBRARY);
  const ItemText function_name(function + QX_PFACTPRO_FUNCTION);
  // An empty name would name the process itself to some loaders.
  if (library_name.text[0] == '\0' || function_name.text[0] == '\0') return;
  QxLibrary* library = QxLoadLibrary(library_name.text);
  if (library == nullptr) return;
  const auto action = reinterpret_cast<QxActionFn>(QxFindFunction(library, function_name.text));
  if (action != nullptr) {
    // Zeroed before and terminated after: whatever the function writes,
    // the log reads a terminated text inside the buffer.
    char message[QX_ACTION_MESSAGE_SIZE] = {};
    const int32_t result = action(arg.trigger, arg.record, TrgState().server_paths, message);
    message[sizeof message - 1] = '\0';
    TrgWriteLog(arg.trigger, function, arg.record, nullptr, result, message);
  }
  QxFreeLibrary(library);
}

}  // namespace

void AlarmThread(void* argument) {
  auto* arg = static_cast<AlarmThreadArg*>(argument);
  QxAlarmLockEnter();
  arg->record[kRecordFiredOffset] = 'T';
  uint32_t trigger_id = RecGetU32(arg->trigger + QX_TRIGGERS_ID);
  unsigned char function[QX_PFACTPRO_RECORD_SIZE];
  int32_t status = QXTRGGetFirstTriggerFnByTrigByPlatform(&trigger_id, function, QX_ACTION_PLATFORM);
  while (status == 0 || status == kTrgSkip) {
    if (status == 0) RunAction(*arg, function);
    status = QXTRGGetNextTriggerFnByTrigByPlatform(&trigger_id, function, QX_ACTION_PLATFORM);
  }
  QxAlarmLockLeave();
  qxdbgFree(arg->record);
  qxdbgFree(arg->trigger);
  qxdbgFree(arg);
}

int32_t TrgWriteLog(const unsigned char* trigger, const unsigned char* function, const unsigned char* record,
                    const char*, int32_t result, const char* message) {
  if (trigger == nullptr || function == nullptr || record == nullptr || message == nullptr) {
    return QX_STATUS_MISSING;
  }
  unsigned char row[QX_TRIGLOG_RECORD_SIZE] = {};
  std::tm now{};
  QxLocalTimeNow(&now);
  row[QX_TRIGLOG_DAY] = static_cast<unsigned char>(now.tm_mday);
  row[QX_TRIGLOG_MONTH] = static_cast<unsigned char>(now.tm_mon + 1);
  const uint16_t year = static_cast<uint16_t>(now.tm_year + 1900);
  std::memcpy(row + QX_TRIGLOG_YEAR, &year, sizeof year);
  row[QX_TRIGLOG_HUNDREDTHS] = kHundredths;
  row[QX_TRIGLOG_SECOND] = static_cast<unsigned char>(now.tm_sec);
  row[QX_TRIGLOG_MINUTE] = static_cast<unsigned char>(now.tm_min);
  row[QX_TRIGLOG_HOUR] = static_cast<unsigned char>(now.tm_hour);
  std::memcpy(row + QX_TRIGLOG_TRIGGER_ID, trigger + QX_TRIGGERS_ID, 4);
  std::memcpy(row + QX_TRIGLOG_ACTION_ID, function + QX_PFACTPRO_ACTION_ID, 4);
  std::memcpy(row + QX_TRIGLOG_PLATFORM, function + QX_PFACTPRO_PLATFORM, 4);
  std::memcpy(row + QX_TRIGLOG_REC_ID, record + kRecordIdOffset, 4);
  std::memcpy(row + QX_TRIGLOG_RESULT, &result, 4);
  std::memcpy(row + QX_TRIGLOG_MESSAGE, message, strnlen(message, QX_TRIGLOG_MESSAGE_SIZE));
  PadWithBlanks(row + QX_TRIGLOG_MESSAGE, QX_TRIGLOG_MESSAGE_SIZE);
  return RecModuleCall(TrgFiles(), kTrgTriglog, QX_LDRA_OP_INSERT, row, nullptr, 0, QX_TRIGLOG_KEY_ID);
}
