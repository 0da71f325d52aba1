// The record-definition store: a table's numbered record definitions, each
// with a selection expression kept as one "tdefex" record per node, and the
// definitions themselves listed in "tabdef" (written by other programs,
// only read here).
//
// The module's state is process-wide and unguarded: its two files, opened
// together by QXMRDInitDat and closed by QXMRDDeinitDat, each with one
// record buffer that every operation works in. The host calls the store
// from one thread at a time.
#ifndef QXEXPPAR_STORES_DEFINITION_STORE_H
#define QXEXPPAR_STORES_DEFINITION_STORE_H

#include <cstdint>

#include "datafiles/record_files.h"
#include "qxexpc.h"
#include "qxldra_product.h"

// The files, in the order they are opened.
enum MrdFile : int { kMrdTdefex, kMrdTabdef, kMrdFileCount };

// The one module state of the process.
RecModule* MrdFiles();

// The store handle: which definition of which table the nodes belong to.
// Made by MrdNewHandle, released by QXMRDFreeHandle.
struct DefinitionHandle {
  uint32_t table_id;
  char table_name[QX_TABLE_NAME_SIZE + 1];  // terminated; at most 20 significant
  uint32_t definition;
};

// A new DefinitionHandle of table 0, empty name, definition 0; null when
// no memory is left. The NewHandle slot of the store's table.
void* MrdNewHandle();

// Sets the handle's table id and name (its first 20 characters; a longer
// name is cut), zeroing the rest of the name field. The definition number
// stays. 0, or -2 for a missing handle or name.
int32_t MrdSetHandle(DefinitionHandle* handle, uint32_t table_id, const char* table_name);

// Deletes every node of the handle's definition. 0 whatever the record
// manager answers (nodes that are not there are deleted already); -2 for a
// missing handle or a closed store.
int32_t MrdDeleteNodes(const DefinitionHandle* handle);

// Steps through the handle's table's definitions in "tabdef" key order:
// First reads the first one, Next the one after the last read. Each sets
// the handle's definition number and *definition to the one read. Returns
// 0; the read's status (9: no more); 9 too when the record read belongs to
// another table, which ends the walk there, *definition then unchanged; -2
// for a missing argument or a closed store.
int32_t MrdFirstDefinition(DefinitionHandle* handle, uint32_t* definition);
int32_t MrdNextDefinition(DefinitionHandle* handle, uint32_t* definition);

// The store's callback table: MrdNewHandle, QXMRDFreeHandle,
// QXMRDGetExpNode, QXMRDAddNewExpNode, and no record fetch, so that a
// "getrecid" operand fails its walk (no match).
ExpStoreFns MrdStoreFns();

#endif
