// The record buffer every evaluation reads: a 384-byte header written by the
// host's record source, then the record's data.
//
//   bytes 0-3      u32 rec_id
//   bytes 12-15    u32 record kind: data fields decode only for kinds 1-3
//   byte  364      set to 'T' when a trigger fires for the record
//   bytes 380-383  i32 length of the record data
//   bytes 384-     the record data
//
// Field offsets 0-383 address the header; offsets from 384 up address the
// data at offset - 386 (the expression's "db" offsets carry that bias).
#ifndef QXEXPPAR_EVALUATOR_RECORD_BUFFER_H
#define QXEXPPAR_EVALUATOR_RECORD_BUFFER_H

#include <cstdint>
#include <cstring>

#include "qxexpc.h"

inline constexpr int32_t kRecordHeaderSize = QX_RECORD_HEADER_SIZE;
inline constexpr int32_t kRecordBufferSize = QX_RECORD_BUFFER_SIZE;  // header and data together, at most
inline constexpr int32_t kRecordDataMax = kRecordBufferSize - kRecordHeaderSize;
inline constexpr int32_t kRecordIdOffset = 0;
inline constexpr int32_t kRecordKindOffset = 12;
inline constexpr int32_t kRecordFiredOffset = 364;
inline constexpr int32_t kRecordDataLengthOffset = 380;
inline constexpr int32_t kRecordDataBias = 386;

inline uint32_t RecordReadU32(const unsigned char* record, int32_t offset) {
  uint32_t value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

inline int32_t RecordDataLength(const unsigned char* record) {
  return static_cast<int32_t>(RecordReadU32(record, kRecordDataLengthOffset));
}

inline uint32_t RecordKind(const unsigned char* record) {
  return RecordReadU32(record, kRecordKindOffset);
}

// The data length the header claims, held to what a record buffer can hold,
// so a damaged header never sends a reader past the buffer.
inline int32_t RecordDataLengthBounded(const unsigned char* record) {
  int32_t length = RecordDataLength(record);
  if (length < 0) return 0;
  return length > kRecordDataMax ? kRecordDataMax : length;
}

#endif
