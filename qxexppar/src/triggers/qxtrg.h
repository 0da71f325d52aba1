// The trigger module's state: its ten data files, opened together by
// QXTRGInitDat and closed by QXTRGDeinitDat, with one record buffer per
// file, and the server path block of the alarm threads.
//
// The state is process-wide and unguarded: the host calls the definition
// operations from one thread at a time, and alarm threads touch the files
// only under the alarm lock.
#ifndef QXEXPPAR_TRIGGERS_QXTRG_H
#define QXEXPPAR_TRIGGERS_QXTRG_H

#include <cstddef>
#include <cstdint>

#include "datafiles/record_files.h"
#include "qxexpc.h"
#include "qxldra_product.h"

// The files, in the order they are opened.
enum TrgFile : int {
  kTrgTrigex,
  kTrgTriggers,
  kTrgTrigtxt,
  kTrgActions,
  kTrgTracxref,
  kTrgPfactpro,
  kTrgPfactcfg,
  kTrgTriglog,
  kTrgTrdfxref,
  kTrgTrafxref,
  kTrgFileCount
};
static_assert(kTrgFileCount <= kRecModuleMaxFiles);

// The eight installation paths every action function receives: a loaded
// word, then eight zero-terminated texts of kServerPathSlotSize bytes, in
// the order of kServerPathSettings (server_paths.h).
inline constexpr int kServerPathCount = QX_SERVER_PATH_COUNT;
inline constexpr std::size_t kServerPathSlotSize = QX_SERVER_PATH_SIZE;
struct ServerPaths {
  uint32_t loaded;  // 1 once loaded
  char slots[kServerPathCount][kServerPathSlotSize];
};
static_assert(sizeof(ServerPaths) == QX_SERVER_PATHS_SIZE, "the server path block is 2060 bytes");
static_assert(offsetof(ServerPaths, slots) == QX_SERVER_PATH_AT(0));
static_assert(offsetof(ServerPaths, slots[QX_SERVER_PATH_LOG]) == QX_SERVER_PATH_AT(QX_SERVER_PATH_LOG));

struct TriggerFiles {
  RecModule files;
  ServerPaths* server_paths;  // made by the first QXTRGPerformTriggers
};

// The one module state of the process.
TriggerFiles& TrgState();

// The module's files, for the operations of the module.
inline RecModule* TrgFiles() { return &TrgState().files; }

// True while the module's files are open: QXTRGInitDat opens all ten or
// none, and every operation that closes one closes all.
bool TrgIsOpen();

// Deletes every record of `file` whose key `key_number` is the 4-byte id
// `id` (the delete-all loop of the record-file layer); its status.
int32_t TrgDeleteAllOfId(int file, int16_t key_number, uint32_t id);

#endif
