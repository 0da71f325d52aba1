// Key values in two forms. The caller's form is the key's segments one
// after another as stored in the record (little-endian integers). The
// stored form is what the engine indexes: compared bytewise (as SQLite
// compares BLOBs), it orders as the key does, segment by segment, since
// every segment has a fixed length:
//   unsigned integers are written most significant byte first;
//   signed integers likewise, with the sign bit flipped, so that negative
//   values come before positive ones;
//   texts stay as they are.
#ifndef QXLDRA_KEY_CODEC_H
#define QXLDRA_KEY_CODEC_H

#include "file_definition.h"

namespace qxldra {

// Copies the key's segments out of `record` into `key` (the caller's form).
void KeyFromRecord(const KeyDefinition& definition, const unsigned char* record, unsigned char* key);

// Turns a key value of the caller's form into the stored form; both hold
// definition.Length() bytes.
void EncodeKey(const KeyDefinition& definition, const unsigned char* key, unsigned char* stored);

}  // namespace qxldra

#endif
