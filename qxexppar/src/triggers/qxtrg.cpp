// The trigger module's files: opening and closing them together.

#include "triggers/qxtrg.h"

#include "qxexpc.h"

namespace {

constexpr RecModuleFile kTriggerFiles[kTrgFileCount] = {
    {QX_TRIGEX_FILE, QX_TRIGEX_RECORD_SIZE},     {QX_TRIGGERS_FILE, QX_TRIGGERS_RECORD_SIZE},
    {QX_TRIGTXT_FILE, QX_TRIGTXT_RECORD_SIZE},   {QX_ACTIONS_FILE, QX_ACTIONS_RECORD_SIZE},
    {QX_TRACXREF_FILE, QX_TRACXREF_RECORD_SIZE}, {QX_PFACTPRO_FILE, QX_PFACTPRO_RECORD_SIZE},
    {QX_PFACTCFG_FILE, QX_PFACTCFG_RECORD_SIZE}, {QX_TRIGLOG_FILE, QX_TRIGLOG_RECORD_SIZE},
    {QX_TRDFXREF_FILE, QX_TRDFXREF_RECORD_SIZE}, {QX_TRAFXREF_FILE, QX_TRAFXREF_RECORD_SIZE},
};

TriggerFiles g_state = {{kTriggerFiles, kTrgFileCount, {}, {}, {}, false}, nullptr};

}  // namespace

TriggerFiles& TrgState() { return g_state; }

bool TrgIsOpen() { return RecModuleIsOpen(TrgFiles()); }

int32_t TrgDeleteAllOfId(int file, int16_t key_number, uint32_t id) {
  unsigned char key[4];
  RecPutU32(key, id);
  return RecModuleDeleteAll(TrgFiles(), file, key_number, key, sizeof key);
}

extern "C" int32_t QXTRGInitDat(const char* directory, const char* owner_name) noexcept {
  return RecModuleOpen(TrgFiles(), directory, owner_name);
}

extern "C" void QXTRGDeinitDat(void) noexcept { RecModuleClose(TrgFiles()); }
