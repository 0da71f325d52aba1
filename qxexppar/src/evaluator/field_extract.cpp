// QXGetDataFromBuffer: one field's value out of a record buffer. Header
// fields are copied as stored; data fields are decoded by the field
// conversion service.

#include <cstring>

#include "evaluator/record_buffer.h"
#include "qxcnldrc.h"
#include "qxexpc.h"

namespace {

constexpr int32_t kFieldNotAvailable = -1;

bool DecodableKind(uint32_t kind) { return kind == 1 || kind == 2 || kind == 3; }

// Type 0 values end at their first NUL: the rest of the field reads as
// blanks.
void PadAfterNul(unsigned char* value, int32_t length) {
  if (length < 1) return;
  auto* nul = static_cast<unsigned char*>(std::memchr(value, 0, static_cast<size_t>(length)));
  if (nul != nullptr) std::memset(nul, ' ', static_cast<size_t>(value + length - nul));
}

}  // namespace

extern "C" int32_t QXGetDataFromBuffer(void* value, int32_t offset, int32_t length, uint32_t type,
                                       uint32_t attr1, uint32_t attr2,
                                       const void* record_buffer) noexcept {
  if (value == nullptr || record_buffer == nullptr) return QX_STATUS_MISSING;
  auto* out = static_cast<unsigned char*>(value);
  const auto* record = static_cast<const unsigned char*>(record_buffer);

  if (offset >= 0 && offset < kRecordHeaderSize) {
    // A header field may run on into the data, but never past the record
    // the header describes.
    int32_t record_size = kRecordHeaderSize + RecordDataLengthBounded(record);
    if (length < 0 || length > record_size - offset) return kFieldNotAvailable;
    std::memcpy(out, record + offset, static_cast<size_t>(length));
    return QX_STATUS_OK;
  }
  if (offset >= kRecordHeaderSize) offset -= kRecordDataBias;
  if (offset > RecordDataLength(record)) return kFieldNotAvailable;

  int32_t status = kFieldNotAvailable;
  if (DecodableKind(RecordKind(record))) {
    char context[24];  // the service keeps its state per thread, not here
    int32_t previous = qxLDRSetReturnType(QX_LDR_RETURN_STORED, context);
    qxLDRSetBuffer(RecordDataLengthBounded(record), record + kRecordHeaderSize, context);
    QxLdrFieldDescriptor descriptor{offset, length, 0, type, attr1, attr2};
    int32_t delivered = length;
    status = qxLDRGetFieldData(&descriptor, &delivered, out, context);
    qxLDRSetReturnType(previous, context);
  }
  if (type == 0) PadAfterNul(out, length);
  return status;
}
