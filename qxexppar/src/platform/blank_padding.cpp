#include "platform/blank_padding.h"

void PadWithBlanks(void* field, int32_t length) {
  if (field == nullptr) return;
  auto* bytes = static_cast<unsigned char*>(field);
  for (int32_t i = length - 1; i >= 0 && bytes[i] == 0; --i) bytes[i] = ' ';
}

void CutTrailingBlanks(void* field, int32_t length) {
  if (field == nullptr || length < 1) return;
  auto* bytes = static_cast<unsigned char*>(field);
  int32_t end = length;
  while (end > 0 && bytes[end - 1] == ' ') --end;
  if (end < length) bytes[end] = 0;
}
