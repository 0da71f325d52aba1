#include "compiler/scan_readers.h"

#include <cstring>

#include "compiler/literal_values.h"
#include "platform/text.h"

namespace {

constexpr int32_t kBadValue = QX_STATUS_BAD_VALUE;

bool IsSeparator(char c, const char* separators) {
  return c != '\0' && std::strchr(separators, c) != nullptr;
}

void SetWord(ExpScanner* scanner, const char* word, std::size_t length) {
  scanner->word_offset = static_cast<int32_t>(word - scanner->text);
  scanner->word_length = static_cast<int32_t>(length);
}

// Ends the piece read at `end` and moves the scan past that byte, unless
// `end` is the end of the text.
void EndPieceAt(ExpScanner* scanner, char* end) {
  if (*end == '\0') {
    scanner->next = end;
    return;
  }
  *end = '\0';
  scanner->next = end + 1;
}

}  // namespace

char* ExpReadWord(ExpScanner* scanner, const char* separators) {
  if (scanner->next == nullptr) return nullptr;
  char* p = scanner->next;
  while (IsSeparator(*p, separators)) ++p;
  char* word = p;
  while (*p != '\0' && !IsSeparator(*p, separators)) ++p;
  SetWord(scanner, word, static_cast<std::size_t>(p - word));
  if (p == word) {
    scanner->next = p;
    return nullptr;
  }
  EndPieceAt(scanner, p);
  return word;
}

bool ExpReadWholeNumber(ExpScanner* scanner, int32_t* number) {
  const char* word = ExpReadWord(scanner);
  if (word == nullptr) return false;
  *number = ExpWholeNumber(word);
  return true;
}

int32_t ExpReadAttributePair(ExpScanner* scanner, int32_t* attr1, int32_t* attr2) {
  const char* first = ExpReadWord(scanner, ".");
  if (first == nullptr) return QX_STATUS_END_OF_TEXT;
  const char* second = ExpReadWord(scanner);
  if (second == nullptr) return QX_STATUS_END_OF_TEXT;
  *attr1 = ExpWholeNumber(first);
  *attr2 = ExpWholeNumber(second);
  return 0;
}

int32_t ExpReadQuotedText(ExpScanner* scanner, const char** value, std::size_t* length) {
  if (scanner->next == nullptr) return kBadValue;
  char* p = scanner->next;
  while (QxIsWhiteSpace(*p)) ++p;
  if (*p == '\0') {
    // Only white space after the word before: no value was written.
    SetWord(scanner, p, 0);
    scanner->next = p;
    return kBadValue;
  }
  while (*p == '"') ++p;
  char* start = p;
  while (*p != '\0' && *p != '"') ++p;
  *length = static_cast<std::size_t>(p - start);
  SetWord(scanner, start, *length);
  EndPieceAt(scanner, p);
  if (*length >= kExpScanBufferSize) return kBadValue;
  *value = start;
  return 0;
}
