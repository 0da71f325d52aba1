// The call entry: checks the arguments of each operation, finds the open
// file of the position block and hands the work to it.

#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "data_file.h"
#include "fault_injection.h"
#include "owner_name.h"
#include "position_table.h"
#include "qxldra.h"
#include "qxldra_testing.h"

namespace qxldra {

namespace {

// The zero-terminated path in a key buffer, or QX_LDRA_BAD_PATH. The scan
// stops at the terminator and never reads beyond QX_LDRA_MAX_PATH + 1 bytes.
int16_t PathIn(const void* key, const char** path) {
  if (key == nullptr) return QX_LDRA_BAD_PATH;
  const auto* text = static_cast<const char*>(key);
  const std::size_t length = strnlen(text, QX_LDRA_MAX_PATH + 1);
  if (length == 0 || length > QX_LDRA_MAX_PATH) return QX_LDRA_BAD_PATH;
  *path = text;
  return QX_LDRA_OK;
}

int16_t Open(unsigned char* position, const void* data, const uint16_t* data_length, const void* key,
             const void* client) {
  if (position == nullptr || client == nullptr) return QX_LDRA_MISSING_ARGUMENT;
  const char* path = nullptr;
  int16_t status = PathIn(key, &path);
  if (status != QX_LDRA_OK) return status;
  const std::string_view name = FileNameOf(path);
  status = InjectedFailure(name, QX_LDRA_OP_OPEN);
  if (status != QX_LDRA_OK) return status;
  const std::string_view owner = OwnerNameIn(data, data_length != nullptr ? *data_length : 0);
  if (owner.empty()) return QX_LDRA_OWNER_MISSING;
  if (owner.size() > QX_LDRA_MAX_OWNER_LENGTH) return QX_LDRA_OWNER_REFUSED;
  std::unique_ptr<DataFile> file;
  status = DataFile::Open(path, owner, &file);
  if (status != QX_LDRA_OK) return status;
  return PositionTable::Instance().Add(std::move(file), static_cast<const unsigned char*>(client),
                                       std::string(name), position);
}

int16_t Create(const void* data, const uint16_t* data_length, const void* key) {
  const char* path = nullptr;
  int16_t status = PathIn(key, &path);
  if (status != QX_LDRA_OK) return status;
  if (data == nullptr || data_length == nullptr) return QX_LDRA_MISSING_ARGUMENT;
  status = InjectedFailure(FileNameOf(path), QX_LDRA_OP_CREATE);
  if (status != QX_LDRA_OK) return status;
  const std::string_view owner = OwnerNameIn(data, *data_length);
  if (owner.empty()) return QX_LDRA_OWNER_MISSING;
  // The definition block starts after the owner name's terminator.
  if (owner.size() >= *data_length || owner.size() > QX_LDRA_MAX_OWNER_LENGTH) {
    return QX_LDRA_BAD_DEFINITION;
  }
  FileDefinition definition;
  status = DecodeDefinition(static_cast<const unsigned char*>(data) + owner.size() + 1,
                            *data_length - owner.size() - 1, &definition);
  if (status != QX_LDRA_OK) return status;
  return DataFile::Create(path, owner, definition);
}

int16_t CheckKeyNumber(const DataFile& file, int key_number) {
  return key_number >= 0 && key_number < file.definition().key_count ? QX_LDRA_OK
                                                                      : QX_LDRA_BAD_KEY_NUMBER;
}

int16_t Insert(DataFile& file, void* data, uint16_t* data_length, void* key, int key_number) {
  if (data == nullptr || data_length == nullptr) return QX_LDRA_MISSING_ARGUMENT;
  if (key_number != -1 && CheckKeyNumber(file, key_number) != QX_LDRA_OK) return QX_LDRA_BAD_KEY_NUMBER;
  if (*data_length < file.definition().record_length) return QX_LDRA_BUFFER_TOO_SHORT;
  if (*data_length > file.definition().record_length) return QX_LDRA_WRONG_RECORD_LENGTH;
  return file.Insert(static_cast<unsigned char*>(data), static_cast<unsigned char*>(key), key_number);
}

int16_t Read(DataFile& file, uint16_t operation, void* data, uint16_t* data_length, void* key,
             int key_number) {
  if (data == nullptr || data_length == nullptr || key == nullptr) return QX_LDRA_MISSING_ARGUMENT;
  int16_t status = CheckKeyNumber(file, key_number);
  if (status != QX_LDRA_OK) return status;
  if (operation == QX_LDRA_OP_GET_NEXT) {
    if (file.position_key() < 0) return QX_LDRA_NO_CURRENT_RECORD;
    if (file.position_key() != key_number) return QX_LDRA_KEY_NUMBER_CHANGED;
  }
  const uint16_t record_length = file.definition().record_length;
  if (*data_length < record_length) return QX_LDRA_BUFFER_TOO_SHORT;
  auto* record = static_cast<unsigned char*>(data);
  auto* key_bytes = static_cast<unsigned char*>(key);
  switch (operation) {
    case QX_LDRA_OP_GET_EQUAL:
      status = file.GetEqual(key_number, key_bytes, record);
      break;
    case QX_LDRA_OP_GET_GREATER:
      status = file.GetGreater(key_number, key_bytes, record);
      break;
    case QX_LDRA_OP_GET_FIRST:
      status = file.GetFirst(key_number, key_bytes, record);
      break;
    default:
      status = file.GetNext(key_bytes, record);
      break;
  }
  if (status == QX_LDRA_OK) *data_length = record_length;
  return status;
}

int16_t OnOpenFile(uint16_t operation, unsigned char* position, void* data, uint16_t* data_length,
                   void* key, int key_number) {
  if (position == nullptr) return QX_LDRA_MISSING_ARGUMENT;
  PositionTable& table = PositionTable::Instance();
  OpenFileLock found;
  int16_t status = table.Find(position, &found);
  if (status != QX_LDRA_OK) return status;
  status = InjectedFailure(found->name, operation);
  if (status != QX_LDRA_OK) return status;
  DataFile& file = *found->file;
  switch (operation) {
    case QX_LDRA_OP_CLOSE:
      table.Close(&found, position);
      return QX_LDRA_OK;
    case QX_LDRA_OP_INSERT:
      return Insert(file, data, data_length, key, key_number);
    case QX_LDRA_OP_DELETE:
      return file.Delete();
    default:
      return Read(file, operation, data, data_length, key, key_number);
  }
}

int16_t Dispatch(uint16_t operation, void* position, void* data, uint16_t* data_length, void* key,
                 int key_number, const void* client) {
  auto* block = static_cast<unsigned char*>(position);
  switch (operation) {
    case QX_LDRA_OP_OPEN:
      return Open(block, data, data_length, key, client);
    case QX_LDRA_OP_CREATE:
      return Create(data, data_length, key);
    case QX_LDRA_OP_RESET: {
      if (client == nullptr) return QX_LDRA_MISSING_ARGUMENT;
      const int16_t status = InjectedFailure({}, operation);
      if (status != QX_LDRA_OK) return status;
      PositionTable::Instance().Reset(static_cast<const unsigned char*>(client));
      return QX_LDRA_OK;
    }
    case QX_LDRA_OP_CLOSE:
    case QX_LDRA_OP_INSERT:
    case QX_LDRA_OP_DELETE:
    case QX_LDRA_OP_GET_EQUAL:
    case QX_LDRA_OP_GET_NEXT:
    case QX_LDRA_OP_GET_GREATER:
    case QX_LDRA_OP_GET_FIRST:
      return OnOpenFile(operation, block, data, data_length, key, key_number);
    default:
      return QX_LDRA_BAD_OPERATION;
  }
}

}  // namespace

}  // namespace qxldra

extern "C" int16_t qx_LDRAID(uint16_t operation, void* position, void* data, uint16_t* data_length,
                             void* key, int16_t key_number, const void* client) noexcept {
  try {
    return qxldra::Dispatch(operation, position, data, data_length, key, key_number, client);
  } catch (const std::bad_alloc&) {
    return QX_LDRA_NO_MEMORY;
  } catch (...) {
    return QX_LDRA_IO_ERROR;
  }
}

extern "C" const char* qxldraStatusText(int16_t status) noexcept {
  switch (status) {
#define QX_LDRA_STATUS_CASE(name, value, message) \
  case value:                                     \
    return message;
    QX_LDRA_STATUS_TABLE(QX_LDRA_STATUS_CASE)
#undef QX_LDRA_STATUS_CASE
    default:
      return "unknown status";
  }
}

extern "C" long qxldraOpenFileCount(void) noexcept { return qxldra::PositionTable::Instance().OpenCount(); }
