// The sample action library's functions (qxsample.h).

#include "qxsample.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/local_time.h"
#include "qxexpc.h"
#include "qxldra_product.h"

namespace {

// Calls of the library running now. The count lives as long as the library
// stays loaded, which it does while any call runs.
std::atomic<int> g_running{0};

// Long enough for a second thread to arrive while the first one runs.
constexpr auto kAloneWindow = std::chrono::microseconds(200);

uint32_t U32At(const void* block, std::size_t at) {
  uint32_t value;
  std::memcpy(&value, static_cast<const unsigned char*>(block) + at, sizeof value);
  return value;
}

// The first 4 data bytes as a signed number; false when the data is shorter.
bool FirstField(const void* record, int32_t* value) {
  const auto length = static_cast<int32_t>(U32At(record, 380));
  if (length < 4) return false;
  std::memcpy(value, static_cast<const unsigned char*>(record) + QX_RECORD_HEADER_SIZE, sizeof *value);
  return true;
}

int32_t AppendLine(const void* trigger, const void* record, const void* server_paths, char* message) {
  const auto* paths = static_cast<const char*>(server_paths);
  const unsigned rec_id = U32At(record, 0);
  char file_name[QX_SERVER_PATH_SIZE + sizeof QX_SAMPLE_LOG_FILE];
  std::snprintf(file_name, sizeof file_name, "%s%s", paths + QX_SERVER_PATH_AT(QX_SERVER_PATH_LOG), QX_SAMPLE_LOG_FILE);
  std::FILE* file = std::fopen(file_name, "a");
  if (file == nullptr) {
    std::snprintf(message, QX_ACTION_MESSAGE_MOST + 1, "cannot open %.200s", file_name);
    return QX_SAMPLE_CANNOT_OPEN;
  }
  std::tm now{};
  QxLocalTimeNow(&now);
  char field[16] = "-";
  int32_t value = 0;
  if (FirstField(record, &value)) std::snprintf(field, sizeof field, "%d", static_cast<int>(value));
  // The name is zero-terminated unless it fills its field.
  std::fprintf(file, "%04d-%02d-%02d %02d:%02d:%02d trigger=%u \"%.*s\" rec_id=%u field=%s\n", now.tm_year + 1900,
               now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec, U32At(trigger, QX_TRIGGERS_ID),
               QX_NAME_SIZE, static_cast<const char*>(trigger) + QX_TRIGGERS_NAME, rec_id, field);
  std::fclose(file);
  std::snprintf(message, QX_ACTION_MESSAGE_MOST + 1, "appended rec_id=%u to %.200s", rec_id, file_name);
  return 0;
}

}  // namespace

extern "C" int32_t QxSampleAppendLine(const void* trigger, const void* record, const void* server_paths,
                                                   char* message) {
  return AppendLine(trigger, record, server_paths, message);
}

extern "C" int32_t QxSampleAppendAlone(const void* trigger, const void* record,
                                                    const void* server_paths, char* message) {
  bool overlapped = g_running.fetch_add(1) != 0;
  std::this_thread::sleep_for(kAloneWindow);
  int32_t result = AppendLine(trigger, record, server_paths, message);
  overlapped = g_running.fetch_sub(1) != 1 || overlapped;
  if (overlapped) {
    std::snprintf(message, QX_ACTION_MESSAGE_MOST + 1, "overlapped rec_id=%u", U32At(record, 0));
    result = QX_SAMPLE_OVERLAPPED;
  }
  return result;
}

extern "C" int32_t QxSampleFail(const void*, const void* record, const void*, char* message) {
  std::snprintf(message, QX_ACTION_MESSAGE_MOST + 1, "sample failure rec_id=%u", U32At(record, 0));
  return QX_SAMPLE_FAILED;
}

extern "C" int32_t QxSampleFillMessage(const void*, const void* record, const void*, char* message) {
  int32_t count = 0;
  FirstField(record, &count);
  if (count < 0) count = 0;
  if (count > QX_ACTION_MESSAGE_SIZE) count = QX_ACTION_MESSAGE_SIZE;
  for (int32_t i = 0; i < count; ++i) message[i] = static_cast<char>('a' + i % 26);
  if (count < QX_ACTION_MESSAGE_SIZE) message[count] = '\0';
  return count;
}
