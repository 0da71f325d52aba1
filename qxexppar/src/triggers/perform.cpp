#include "triggers/perform.h"

#include <cstring>

#include "evaluator/evaluate.h"
#include "evaluator/record_buffer.h"
#include "platform/alarm_lock.h"
#include "platform/blank_padding.h"
#include "qxdbg.h"
#include "qxexpc.h"
#include "triggers/qxtrg.h"
#include "triggers/server_paths.h"
#include "triggers/trigger_store.h"
#include "uxldmon.h"
#include "uxposs.h"

namespace {

// The monitor log's fields for this module's two messages.
constexpr int32_t kLogLevel = 1;
constexpr char kLogSource[] = "qxtrg";
constexpr char kLogComponent[] = "QXMAP";
constexpr int32_t kLineNoRecordCopy = 147;
constexpr int32_t kLineNoThread = 169;

int32_t ReadTriggerAfter(void* handle, unsigned char* trigger, uint32_t after) {
  if (handle == nullptr || trigger == nullptr) return QX_STATUS_MISSING;
  unsigned char key[4];
  RecPutU32(key, after);
  const int32_t status =
      RecModuleCall(TrgFiles(), kTrgTriggers, QX_LDRA_OP_GET_GREATER, trigger, key, sizeof key, QX_TRIGGERS_KEY_ID);
  if (status != 0) return status;
  CutTrailingBlanks(trigger + QX_TRIGGERS_NAME, QX_NAME_SIZE);
  CutTrailingBlanks(trigger + QX_TRIGGERS_DESCRIPTION, QX_DESCRIPTION_SIZE);
  std::memcpy(handle, trigger + QX_TRIGGERS_ID, sizeof(uint32_t));
  return RecGetU32(trigger + QX_TRIGGERS_ACTIVE) == 0 ? kTrgSkip : 0;
}

// A record the copy of an alarm thread can hold: a data length that is
// neither negative nor longer than a record buffer leaves room for.
bool RecordFits(const unsigned char* record) {
  if (record == nullptr) return false;
  const int32_t length = RecordDataLength(record);
  return length >= 0 && length <= kRecordDataMax;
}

void FreeArg(AlarmThreadArg* arg) {
  qxdbgFree(arg->record);
  qxdbgFree(arg->trigger);
  qxdbgFree(arg);
}

// Starts an alarm thread for `trigger` on copies of `record`, setting the
// record's byte 364 to 'T'. False when the run must end because memory for
// the copies is exhausted; a thread that does not start is logged and the
// run goes on.
bool Fire(unsigned char* record, const unsigned char* trigger) {
  auto* arg = static_cast<AlarmThreadArg*>(qxdbgMalloc(sizeof(AlarmThreadArg)));
  if (arg == nullptr) return false;
  *arg = AlarmThreadArg{};
  record[kRecordFiredOffset] = 'T';
  const int rec_id = static_cast<int>(RecordReadU32(record, kRecordIdOffset));
  arg->record = static_cast<unsigned char*>(qxdbgMalloc(kRecordBufferSize));
  if (arg->record == nullptr) {
    uxldmonWriteLog(kLogLevel, kLogSource, kLineNoRecordCopy, kLogComponent, 0,
                    "Alarm processing cannot proceed rec_id=%d due to malloc failure. "
                    "Reconfigure for fewer alert events.",
                    rec_id);
    FreeArg(arg);
    return false;
  }
  std::memcpy(arg->record, record, static_cast<std::size_t>(kRecordHeaderSize + RecordDataLength(record)));
  arg->trigger = static_cast<unsigned char*>(qxdbgMalloc(QX_TRIGGERS_RECORD_SIZE));
  if (arg->trigger == nullptr) {
    FreeArg(arg);
    return false;
  }
  std::memcpy(arg->trigger, trigger, QX_TRIGGERS_RECORD_SIZE);
  if (ux_BeginThread(AlarmThread, 0, 0, arg) == 0) {
    uxldmonWriteLog(kLogLevel, kLogSource, kLineNoThread, kLogComponent, 0,
                    "Alarm thread for rec_id=%d could not be launched. Reconfigure for fewer alert events.", rec_id);
    FreeArg(arg);
  }
  return true;
}

// Evaluates each active trigger from the one in `trigger` (whose read gave
// `status`) on, firing the matches. Returns what the run returns.
int32_t VisitTriggers(void* handle, const ExpStoreFns* fns, unsigned char* record, unsigned char* trigger,
                      int32_t status) {
  while (status == 0 || status == kTrgSkip) {
    if (status == 0) {
      uint32_t match = 0;
      status = ExpEvaluate(handle, fns, &match, record);
      if (status != 0) return status;
      if (match == 1 && !Fire(record, trigger)) return 0;
    }
    status = TrgNextTrigger(handle, trigger);
  }
  return status;
}

}  // namespace

int32_t TrgFirstTrigger(void* handle, unsigned char* trigger) { return ReadTriggerAfter(handle, trigger, 0); }

int32_t TrgNextTrigger(void* handle, unsigned char* trigger) {
  if (handle == nullptr) return QX_STATUS_MISSING;
  return ReadTriggerAfter(handle, trigger, RecGetU32(static_cast<unsigned char*>(handle)));
}

extern "C" int32_t QXTRGPerformTriggers(void* record, uint32_t, const char* directory,
                                        ExpFetchRecordFn fetch) noexcept {
  auto* bytes = static_cast<unsigned char*>(record);
  if (!RecordFits(bytes)) return QX_STATUS_MISSING;
  TriggerFiles& state = TrgState();
  if (state.server_paths == nullptr) {
    // Made once for the life of the process, even when loading fails.
    state.server_paths = static_cast<ServerPaths*>(qxdbgMalloc(sizeof(ServerPaths)));
    if (state.server_paths == nullptr) return QX_STATUS_MISSING;
    std::memset(state.server_paths, 0, sizeof(ServerPaths));
    if (TrgLoadServerPaths(directory, state.server_paths) != 0) return QX_STATUS_NO_SERVER_PATHS;
  }
  state.server_paths->loaded = 1;
  void* handle = TrgNewHandle();
  if (handle == nullptr) return QX_STATUS_MISSING;
  unsigned char trigger[QX_TRIGGERS_RECORD_SIZE];
  int32_t status = TrgFirstTrigger(handle, trigger);
  if (status == 0 || status == kTrgSkip) {
    const ExpStoreFns fns = TrgStoreFns(fetch);
    QxAlarmLockInit();
    status = VisitTriggers(handle, &fns, bytes, trigger, status);
  }
  QXTRGFreeHandle(handle);
  return status;
}
