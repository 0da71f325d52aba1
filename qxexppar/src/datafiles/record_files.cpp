#include "datafiles/record_files.h"

#include <cstdio>
#include <cstring>

#include "qxdbg.h"
#include "qxexpc.h"

namespace {

constexpr uint16_t kClientNumber = 140;
constexpr std::size_t kClientMarkAt = 12;

}  // namespace

void RecSetClientId(unsigned char* client) {
  std::memset(client, 0, QX_LDRA_CLIENT_ID_SIZE);
  client[kClientMarkAt] = 'U';
  client[kClientMarkAt + 1] = 'X';
  client[kClientMarkAt + 2] = kClientNumber & 0xFF;
  client[kClientMarkAt + 3] = kClientNumber >> 8;
}

bool RecJoinPath(const char* directory, const char* name, char* path) {
  const int written = directory != nullptr ? std::snprintf(path, kRecPathSize, "%s%s", directory, name)
                                           : std::snprintf(path, kRecPathSize, "%s", name);
  if (written < 0 || static_cast<std::size_t>(written) >= kRecPathSize) {
    path[0] = '\0';
    return false;
  }
  return true;
}

int32_t RecFileOpen(const unsigned char* client, const char* directory, const char* name,
                    const char* owner, RecFileHandle** file) {
  *file = nullptr;
  if (client == nullptr || name == nullptr || owner == nullptr) return QX_STATUS_MISSING;
  const std::size_t owner_length = std::strlen(owner);
  char path[kRecPathSize];
  if (owner_length >= UINT16_MAX || !RecJoinPath(directory, name, path)) return QX_STATUS_MISSING;
  auto* handle = static_cast<RecFileHandle*>(qxdbgMalloc(sizeof(RecFileHandle)));
  if (handle == nullptr) return QX_STATUS_NO_MEMORY;
  std::memset(handle, 0, sizeof *handle);
  handle->data_length = static_cast<uint16_t>(owner_length + 1);
  const int32_t status = qx_LDRAID(QX_LDRA_OP_OPEN, handle->position, const_cast<char*>(owner),
                                   &handle->data_length, path, 0, client);
  if (status != 0) {
    qxdbgFree(handle);
    return status;
  }
  *file = handle;
  return 0;
}

void RecFileClose(const unsigned char* client, RecFileHandle** file) {
  if (*file == nullptr) return;
  qx_LDRAID(QX_LDRA_OP_CLOSE, (*file)->position, nullptr, &(*file)->data_length, nullptr, 0, client);
  qxdbgFree(*file);
  *file = nullptr;
}

int32_t RecFileCall(RecFileHandle* file, const unsigned char* client, uint16_t operation, void* data,
                    uint16_t length, void* key, std::size_t key_size, int16_t key_number) {
  if (file == nullptr || key_size > QX_LDRA_MAX_KEY_LENGTH) return QX_STATUS_MISSING;
  unsigned char scratch[QX_LDRA_MAX_KEY_LENGTH] = {};
  if (key_size > 0) std::memcpy(scratch, key, key_size);
  file->data_length = length;
  const int32_t status = qx_LDRAID(operation, file->position, data, &file->data_length, scratch, key_number, client);
  if (key_size > 0) std::memcpy(key, scratch, key_size);
  return status;
}

// ---- Modules --------------------------------------------------------------

int32_t RecModuleOpen(RecModule* module, const char* directory, const char* owner) {
  RecModuleClose(module);
  RecSetClientId(module->client);
  if (owner == nullptr) return QX_STATUS_MISSING;
  for (int i = 0; i < module->file_count; ++i) {
    const int32_t status = RecFileOpen(module->client, directory, module->files[i].name, owner, &module->handles[i]);
    if (status != 0) {
      RecModuleClose(module);
      return status;
    }
  }
  for (int i = 0; i < module->file_count; ++i) {
    module->buffers[i] = static_cast<unsigned char*>(qxdbgMalloc(module->files[i].record_size));
    if (module->buffers[i] == nullptr) {
      RecModuleClose(module);
      return QX_STATUS_NO_MEMORY;
    }
    std::memset(module->buffers[i], 0, module->files[i].record_size);
  }
  module->open = true;
  return 0;
}

void RecModuleClose(RecModule* module) {
  module->open = false;
  for (int i = 0; i < module->file_count; ++i) RecFileClose(module->client, &module->handles[i]);
  qx_LDRAID(QX_LDRA_OP_RESET, nullptr, nullptr, nullptr, nullptr, 0, module->client);
  for (int i = 0; i < module->file_count; ++i) {
    qxdbgFree(module->buffers[i]);
    module->buffers[i] = nullptr;
  }
}

bool RecModuleHasFile(const RecModule* module, int file) {
  return module->handles[file] != nullptr && module->buffers[file] != nullptr;
}

unsigned char* RecModuleBuffer(const RecModule* module, int file) { return module->buffers[file]; }

int32_t RecModuleCall(RecModule* module, int file, uint16_t operation, void* data, void* key,
                      std::size_t key_size, int16_t key_number) {
  if (!RecModuleHasFile(module, file)) return QX_STATUS_MISSING;
  return RecFileCall(module->handles[file], module->client, operation, data, module->files[file].record_size, key,
                     key_size, key_number);
}

int32_t RecModuleDeleteAll(RecModule* module, int file, int16_t key_number, const void* key,
                           std::size_t key_size) {
  if (!RecModuleHasFile(module, file) || key_size > QX_LDRA_MAX_KEY_LENGTH) return QX_STATUS_MISSING;
  unsigned char value[QX_LDRA_MAX_KEY_LENGTH];
  std::memcpy(value, key, key_size);
  unsigned char* buffer = module->buffers[file];
  int32_t status = RecModuleCall(module, file, QX_LDRA_OP_GET_EQUAL, buffer, value, key_size, key_number);
  while (status == 0) {
    status = RecModuleCall(module, file, QX_LDRA_OP_DELETE, buffer, nullptr, 0, key_number);
    if (status != 0) return status;
    // The read leaves the found key in the buffer: the same value again.
    status = RecModuleCall(module, file, QX_LDRA_OP_GET_EQUAL, buffer, value, key_size, key_number);
  }
  return status == QX_LDRA_KEY_NOT_FOUND ? 0 : status;
}
