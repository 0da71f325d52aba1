// Texts scanned on their own, as the compiler scans them, and bytes written
// as hexadecimal: for the tests of the compiler and of its users.
#ifndef QXEXPPAR_COMPILER_TEST_SCAN_H
#define QXEXPPAR_COMPILER_TEST_SCAN_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compiler/scanner.h"

// The first token of `text`, scanned from a private copy, with its status in
// *status. The token starts filled with 0x5A, so that whatever the scanner
// leaves unwritten shows.
inline ExpToken ScanText(const std::string& text, int32_t* status) {
  std::vector<char> copy(text.begin(), text.end());
  copy.push_back('\0');
  ExpScanner scanner;
  ExpToken token;
  std::memset(&token, 0x5A, sizeof token);
  *status = ScanToken(&scanner, &token, copy.data());
  return token;
}

// The token of a text that must scan.
inline ExpToken ScanValid(const std::string& text) {
  int32_t status = 0;
  const ExpToken token = ScanText(text, &status);
  EXPECT_EQ(status, 0) << text;
  return token;
}

inline std::string Hex(const void* data, std::size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char byte = static_cast<const unsigned char*>(data)[i];
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

#endif
