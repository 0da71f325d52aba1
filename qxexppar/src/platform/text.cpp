#include "platform/text.h"

namespace {

unsigned char FoldAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

bool QxEqualNoCase(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return false;
  for (;; ++a, ++b) {
    unsigned char ca = FoldAscii(static_cast<unsigned char>(*a));
    if (ca != FoldAscii(static_cast<unsigned char>(*b))) return false;
    if (ca == 0) return true;
  }
}

bool QxStartsWithNoCase(const char* text, const char* prefix, std::size_t n) {
  if (text == nullptr || prefix == nullptr) return false;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char cp = FoldAscii(static_cast<unsigned char>(prefix[i]));
    if (FoldAscii(static_cast<unsigned char>(text[i])) != cp) return false;
    if (cp == 0) return true;
  }
  return true;
}

bool QxIsWhiteSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
