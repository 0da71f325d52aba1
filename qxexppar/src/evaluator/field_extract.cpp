// QXGetDataFromBuffer: one field's value out of a record buffer.

#include "evaluator/field_reader.h"
#include "qxexpc.h"

extern "C" int32_t QXGetDataFromBuffer(void* value, int32_t offset, int32_t length, uint32_t type,
                                       uint32_t attr1, uint32_t attr2, const void* record) noexcept {
  if (value == nullptr || record == nullptr) return QX_STATUS_MISSING;
  ExpFieldReader reader;
  ExpFieldReaderStart(&reader, record);
  int32_t status = ExpFieldReaderRead(&reader, value, offset, length, type, attr1, attr2);
  ExpFieldReaderFinish(&reader);
  return status;
}
