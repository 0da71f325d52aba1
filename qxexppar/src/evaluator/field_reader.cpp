#include "evaluator/field_reader.h"

#include <cstring>

#include "evaluator/record_buffer.h"
#include "qxexpc.h"
#include "qxcnldrc.h"

namespace {

constexpr int32_t kOutsideTheRecord = -1;

bool DecodableKind(uint32_t kind) { return kind == 1 || kind == 2 || kind == 3; }

// The rest of a field after its first NUL reads as blanks.
void PadAfterNul(unsigned char* value, int32_t length) {
  if (length < 1) return;
  auto* nul = static_cast<unsigned char*>(std::memchr(value, 0, static_cast<size_t>(length)));
  if (nul != nullptr) std::memset(nul, ' ', static_cast<size_t>(value + length - nul));
}

// Inlined into each reader below: a field is read once per operand and
// record, and the call itself would cost as much as the checks.
[[gnu::always_inline]] inline int32_t ReadField(ExpFieldReader* reader, unsigned char* out, int32_t offset,
                                                int32_t length, uint32_t type, uint32_t attr1, uint32_t attr2) {
  const unsigned char* record = reader->record;
  if (offset >= 0 && offset < kRecordHeaderSize) {
    // A header field may run on into the data, but never past the record
    // the header describes.
    int32_t record_size = kRecordHeaderSize + reader->data_bounded;
    if (length < 0 || length > record_size - offset) return kOutsideTheRecord;
    std::memcpy(out, record + offset, static_cast<size_t>(length));
    return 0;
  }
  if (offset >= kRecordHeaderSize) offset -= kRecordDataBias;
  if (offset > reader->data_length) return kOutsideTheRecord;
  int32_t status = kOutsideTheRecord;
  if (reader->decodable) {
    if (!reader->prepared) {
      reader->previous_form = qxLDRSetReturnType(QX_LDR_RETURN_STORED, reader->context);
      qxLDRSetBuffer(reader->data_bounded, record + kRecordHeaderSize, reader->context);
      reader->prepared = true;
    }
    QxLdrFieldDescriptor descriptor{offset, length, 0, type, attr1, attr2};
    int32_t delivered = length;
    status = qxLDRGetFieldData(&descriptor, &delivered, out, reader->context);
  }
  // Data fields of type 0 end at their first NUL, whatever the outcome.
  if (type == 0) PadAfterNul(out, length);
  return status;
}

}  // namespace

void ExpFieldReaderStart(ExpFieldReader* reader, const void* record) {
  reader->record = static_cast<const unsigned char*>(record);
  reader->data_length = RecordDataLength(reader->record);
  reader->data_bounded = RecordDataLengthBounded(reader->record);
  reader->decodable = DecodableKind(RecordKind(reader->record));
  reader->prepared = false;
  reader->previous_form = 0;
}

int32_t ExpFieldReaderRead(ExpFieldReader* reader, void* value, int32_t offset, int32_t length,
                           uint32_t type, uint32_t attr1, uint32_t attr2) {
  return ReadField(reader, static_cast<unsigned char*>(value), offset, length, type, attr1, attr2);
}

namespace {

[[gnu::always_inline]] inline int32_t ReadValue(ExpFieldReader* fields, int32_t offset, int32_t length, int32_t type,
                                                int32_t attr1, int32_t attr2, ExpValue* value) {
  if (length < 0 || length > kExpValueSize) return QX_STATUS_FIELD_NOT_AVAILABLE;
  ExpValueClear(value, length);
  int32_t status = ReadField(fields, value->value, offset, length, static_cast<uint32_t>(type),
                             static_cast<uint32_t>(attr1), static_cast<uint32_t>(attr2));
  value->type = static_cast<uint32_t>(type);
  value->length = length;
  value->attr1 = attr1;
  value->attr2 = attr2;
  return status == -1 ? QX_STATUS_FIELD_NOT_AVAILABLE : 0;
}

}  // namespace

int32_t ExpDescribedFieldValue(const ExpListField& field, ExpFieldReader* fields, ExpValue* value) {
  return ReadValue(fields, field.offset, field.length, field.type, field.attr1, field.attr2, value);
}

int32_t ExpFieldValue(const ExpToken* node, ExpFieldReader* fields, ExpValue* value) {
  return ReadValue(fields, node->offset, node->length, node->type, node->attr1, node->attr2, value);
}

void ExpFieldReaderFinish(ExpFieldReader* reader) {
  if (!reader->prepared) return;
  qxLDRSetReturnType(reader->previous_form, reader->context);
  reader->prepared = false;
}
