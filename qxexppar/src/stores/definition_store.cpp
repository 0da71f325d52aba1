// The record-definition files, the store handle, the node callbacks and the
// walk over a table's definitions.

#include "stores/definition_store.h"

#include <cstring>

#include "datafiles/node_block.h"
#include "platform/blank_padding.h"
#include "qxdbg.h"

namespace {

constexpr RecModuleFile kDefinitionFiles[kMrdFileCount] = {
    {QX_TDEFEX_FILE, QX_TDEFEX_RECORD_SIZE},
    {QX_TABDEF_FILE, QX_TABDEF_RECORD_SIZE},
};

RecModule g_files = {kDefinitionFiles, kMrdFileCount, {}, {}, {}, false};

// Both files start with the same 28 bytes, which are also the key value of
// a definition: table id, name padded with blanks, definition number. A
// node's key adds its position.
static_assert(QX_TDEFEX_TABLE_ID == QX_TABDEF_TABLE_ID && QX_TDEFEX_TABLE_NAME == QX_TABDEF_TABLE_NAME &&
              QX_TDEFEX_DEFINITION == QX_TABDEF_DEFINITION);
constexpr std::size_t kTableKeySize = QX_TDEFEX_DEFINITION;
constexpr std::size_t kDefinitionKeySize = QX_TDEFEX_DEFINITION + 4;
static_assert(QX_TDEFEX_POSITION == kDefinitionKeySize);
constexpr std::size_t kNodeKeySize = QX_TDEFEX_POSITION + 4;
static_assert(kNodeKeySize == 32 && kDefinitionKeySize == 28);

// A name's significant length: up to its terminator, at most 20 bytes.
std::size_t NameLength(const char* name) {
  std::size_t length = 0;
  while (length < QX_TABLE_NAME_SIZE && name[length] != '\0') ++length;
  return length;
}

// Writes the handle's definition key at `at`.
void PutDefinitionKey(const DefinitionHandle& handle, unsigned char* at) {
  RecPutU32(at + QX_TDEFEX_TABLE_ID, handle.table_id);
  unsigned char* name = at + QX_TDEFEX_TABLE_NAME;
  std::memset(name, 0, QX_TABLE_NAME_SIZE);
  std::memcpy(name, handle.table_name, NameLength(handle.table_name));
  PadWithBlanks(name, QX_TABLE_NAME_SIZE);
  RecPutU32(at + QX_TDEFEX_DEFINITION, handle.definition);
}

void PutNodeKey(const DefinitionHandle& handle, uint32_t position, unsigned char* at) {
  PutDefinitionKey(handle, at);
  RecPutU32(at + QX_TDEFEX_POSITION, position);
}

bool CanWalk(const DefinitionHandle* handle, const uint32_t* definition) {
  return handle != nullptr && definition != nullptr && RecModuleHasFile(&g_files, kMrdTabdef);
}

// Takes the definition number of the "tabdef" record just read, when it is
// one of the handle's table's; a record of another table ends the walk as
// the end of the file would.
int32_t TakeDefinition(DefinitionHandle* handle, uint32_t* definition, int32_t status) {
  if (status != 0) return status;
  const unsigned char* record = RecModuleBuffer(&g_files, kMrdTabdef);
  unsigned char table[kDefinitionKeySize];
  PutDefinitionKey(*handle, table);
  if (std::memcmp(record, table, kTableKeySize) != 0) return QX_LDRA_END_OF_FILE;
  handle->definition = RecGetU32(record + QX_TABDEF_DEFINITION);
  *definition = handle->definition;
  return 0;
}

}  // namespace

RecModule* MrdFiles() { return &g_files; }

void* MrdNewHandle() {
  auto* handle = static_cast<DefinitionHandle*>(qxdbgMalloc(sizeof(DefinitionHandle)));
  if (handle != nullptr) std::memset(handle, 0, sizeof *handle);
  return handle;
}

int32_t MrdSetHandle(DefinitionHandle* handle, uint32_t table_id, const char* table_name) {
  if (handle == nullptr || table_name == nullptr) return QX_STATUS_MISSING;
  handle->table_id = table_id;
  std::memset(handle->table_name, 0, sizeof handle->table_name);
  std::memcpy(handle->table_name, table_name, NameLength(table_name));
  return 0;
}

int32_t MrdDeleteNodes(const DefinitionHandle* handle) {
  if (handle == nullptr || !RecModuleHasFile(&g_files, kMrdTdefex)) return QX_STATUS_MISSING;
  unsigned char key[kDefinitionKeySize];
  PutDefinitionKey(*handle, key);
  // Whatever stopped the loop, what is left cannot be deleted now either.
  (void)RecModuleDeleteAll(&g_files, kMrdTdefex, QX_TDEFEX_KEY_DEFINITION, key, sizeof key);
  return 0;
}

int32_t MrdFirstDefinition(DefinitionHandle* handle, uint32_t* definition) {
  if (!CanWalk(handle, definition)) return QX_STATUS_MISSING;
  unsigned char key[kDefinitionKeySize];
  PutDefinitionKey(*handle, key);
  RecPutU32(key + QX_TABDEF_DEFINITION, 0);
  const int32_t status =
      RecModuleCall(&g_files, kMrdTabdef, QX_LDRA_OP_GET_GREATER, RecModuleBuffer(&g_files, kMrdTabdef), key,
                    sizeof key, QX_TABDEF_KEY_DEFINITION);
  return TakeDefinition(handle, definition, status);
}

int32_t MrdNextDefinition(DefinitionHandle* handle, uint32_t* definition) {
  if (!CanWalk(handle, definition)) return QX_STATUS_MISSING;
  unsigned char key[kDefinitionKeySize];
  const int32_t status = RecModuleCall(&g_files, kMrdTabdef, QX_LDRA_OP_GET_NEXT, RecModuleBuffer(&g_files, kMrdTabdef),
                                       key, sizeof key, QX_TABDEF_KEY_DEFINITION);
  return TakeDefinition(handle, definition, status);
}

ExpStoreFns MrdStoreFns() {
  return {MrdNewHandle, QXMRDFreeHandle, QXMRDGetExpNode, QXMRDAddNewExpNode, nullptr};  // no record fetch
}

extern "C" int32_t QXMRDInitDat(const char* directory, const char* owner_name) noexcept {
  return RecModuleOpen(&g_files, directory, owner_name);
}

extern "C" void QXMRDDeinitDat(void) noexcept { RecModuleClose(&g_files); }

extern "C" int32_t QXMRDAddNewExpNode(void* handle, const ExpToken* token, uint32_t position) noexcept {
  if (handle == nullptr || token == nullptr || !RecModuleHasFile(&g_files, kMrdTdefex)) return QX_STATUS_MISSING;
  if (!NodeBlockFits(*token)) return QX_STATUS_NODE_REFUSED;
  unsigned char* record = RecModuleBuffer(&g_files, kMrdTdefex);
  PutNodeKey(*static_cast<const DefinitionHandle*>(handle), position, record);
  NodeBlockFromToken(*token, record + QX_TDEFEX_NODE);
  return RecModuleCall(&g_files, kMrdTdefex, QX_LDRA_OP_INSERT, record, nullptr, 0, -1);
}

extern "C" int32_t QXMRDGetExpNode(void* handle, uint32_t position, ExpToken* token) noexcept {
  if (handle == nullptr || token == nullptr || !RecModuleHasFile(&g_files, kMrdTdefex)) return QX_STATUS_MISSING;
  unsigned char key[kNodeKeySize];
  PutNodeKey(*static_cast<const DefinitionHandle*>(handle), position, key);
  unsigned char* record = RecModuleBuffer(&g_files, kMrdTdefex);
  const int32_t status =
      RecModuleCall(&g_files, kMrdTdefex, QX_LDRA_OP_GET_EQUAL, record, key, sizeof key, QX_TDEFEX_KEY_NODE);
  if (status != 0) return status;
  NodeBlockToToken(record + QX_TDEFEX_NODE, token);
  return 0;
}
