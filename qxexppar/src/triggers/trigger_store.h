// The trigger expression store: a trigger's compiled expression kept as one
// "trigex" record per node, addressed by trigger id and node position.
//
// Its handle, a TriggerHandle, is one heap word holding the trigger id; the
// store's callbacks (QXTRGAddNewExpNode, QXTRGGetExpNode in qxexpc.h) take
// the id from it. They work in the module's shared "trigex" record buffer.
#ifndef QXEXPPAR_TRIGGERS_TRIGGER_STORE_H
#define QXEXPPAR_TRIGGERS_TRIGGER_STORE_H

#include <cstdint>

#include "qxexpc.h"

// A new TriggerHandle holding 0, or null when no memory is left. Released
// with QXTRGFreeHandle.
void* TrgNewHandle();

// The trigger store's callback table: TrgNewHandle, QXTRGFreeHandle,
// QXTRGGetExpNode, QXTRGAddNewExpNode, and `fetch` for the record fetch.
ExpStoreFns TrgStoreFns(ExpFetchRecordFn fetch);

#endif
