// Field data out of record buffers, in the stored form. The selected form
// and the current buffer are per thread: callers pass a conversion context
// they never initialise, so it cannot carry state.

#include "qxcnldrc.h"

#include <cstring>

namespace {

struct ThreadState {
  int32_t return_form = 0;
  const unsigned char* data = nullptr;
  int32_t length = 0;
};

// The build may name a cheaper model for reaching it (initial-exec on Linux:
// a few bytes of static thread storage instead of a look-up per call).
#ifndef QXCNLDRC_TLS_MODEL
#define QXCNLDRC_TLS_MODEL
#endif

thread_local ThreadState state QXCNLDRC_TLS_MODEL;

}  // namespace

extern "C" int32_t qxLDRSetReturnType(int32_t type, void*) {
  int32_t previous = state.return_form;
  state.return_form = type;
  return previous;
}

extern "C" int32_t qxLDRSetBuffer(int32_t length, const void* buffer, void*) {
  if (length < 0 || (buffer == nullptr && length > 0)) {
    state.data = nullptr;
    state.length = 0;
    return -1;
  }
  state.data = static_cast<const unsigned char*>(buffer);
  state.length = length;
  return 0;
}

extern "C" int32_t qxLDRGetFieldData(QxLdrFieldDescriptor* descriptor, int32_t* length,
                                     void* value, void*) {
  if (descriptor == nullptr || length == nullptr || value == nullptr) return -2;
  if (state.return_form != QX_LDR_RETURN_STORED) return -2;
  int32_t offset = descriptor->offset;
  int32_t field_length = descriptor->length;
  // Written so that no sum can overflow: both ends must lie in the data.
  if (offset < 0 || field_length < 0 || offset > state.length ||
      field_length > state.length - offset) {
    return -1;
  }
  int32_t delivered = field_length < *length ? field_length : *length;
  if (delivered < 0) delivered = 0;
  switch (delivered) {  // the usual widths copied without a call
    case 0: break;
    case 1: std::memcpy(value, state.data + offset, 1); break;
    case 2: std::memcpy(value, state.data + offset, 2); break;
    case 4: std::memcpy(value, state.data + offset, 4); break;
    case 8: std::memcpy(value, state.data + offset, 8); break;
    default: std::memcpy(value, state.data + offset, static_cast<size_t>(delivered)); break;
  }
  *length = delivered;
  descriptor->length = delivered;
  return 0;
}
