#include "platform/blank_padding.h"

void PadWithBlanks(void* field, int32_t length) {
  if (field == nullptr) return;
  auto* bytes = static_cast<unsigned char*>(field);
  for (int32_t i = length - 1; i >= 0 && bytes[i] == 0; --i) bytes[i] = ' ';
}
