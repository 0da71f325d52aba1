// Test driver for dec_oracle_test.py: reads one case per line on standard
// input and writes one result line per case on standard output. Bytes travel
// as hexadecimal after a '=' (so that empty texts and blanks survive).
//
//   T <precision> <scale> <size> =<text>   DecFromText, then DecToText
//     -> "<from status>" when that is neither 0 nor -7, else
//        "<from status> <exponent> <count> <word>,<word>,... <to status> =<text>"
//        (the text empty unless the second status is 0 or -7)
//   N <type> <decimals> =<field>            NumericFieldToText -> "=<text>"
//   P <decimals> =<field>                   PackedDecimalToText -> "=<text>"
//
// Every buffer is allocated with exactly the size the contracts give, so that
// the sanitizers catch a read or write beyond it.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "decimal/dec_number.h"
#include "decimal/field_text.h"

namespace {

std::vector<unsigned char> FromHex(const char* hex) {
  std::vector<unsigned char> bytes;
  if (*hex == '=') ++hex;
  auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (; hex[0] != '\0' && hex[1] != '\0'; hex += 2) {
    bytes.push_back(static_cast<unsigned char>(nibble(hex[0]) * 16 + nibble(hex[1])));
  }
  return bytes;
}

void PutHex(const char* text) {
  std::putchar('=');
  for (const char* p = text; *p != '\0'; ++p) std::printf("%02x", static_cast<unsigned char>(*p));
}

void RunText(int precision, int scale, int size, const char* hex) {
  std::vector<unsigned char> bytes = FromHex(hex);
  std::vector<char> text(bytes.begin(), bytes.end());
  text.push_back('\0');
  DecNumber number{};
  int32_t from = DecFromText(text.data(), &number, static_cast<uint16_t>(precision),
                             static_cast<int16_t>(scale));
  std::printf("%d", from);
  if (from != kDecOk && from != kDecDigitsDropped) return;
  std::printf(" %d %d ", number.exponent, number.count);
  for (int i = 0; i < number.count; ++i) std::printf("%s%04x", i == 0 ? "" : ",", number.words[i]);
  const int32_t room = std::max(std::min(size, kDecMaxSize), 0) + 1;
  std::vector<char> out(static_cast<size_t>(room));
  int32_t length = -1;
  int32_t to = DecToText(&number, out.data(), size, &length);
  std::printf(" %d ", to);
  if (to == kDecTooLarge) {
    std::putchar('=');
    return;
  }
  if (length != static_cast<int32_t>(std::strlen(out.data()))) std::printf("badlength");
  PutHex(out.data());
}

void RunNumeric(int type, int decimals, const char* hex) {
  std::vector<unsigned char> field = FromHex(hex);
  std::vector<char> text(kNumericTextSize);
  int32_t length = NumericFieldToText(text.data(), field.data(), static_cast<int32_t>(field.size()),
                                      decimals, type);
  if (length != static_cast<int32_t>(std::strlen(text.data()))) std::printf("badlength");
  PutHex(text.data());
}

void RunPacked(int decimals, const char* hex) {
  std::vector<unsigned char> field = FromHex(hex);
  std::vector<char> text(kPackedTextSize);
  int32_t length = PackedDecimalToText(text.data(), field.data(), static_cast<int32_t>(field.size()),
                                       decimals);
  if (length != static_cast<int32_t>(std::strlen(text.data()))) std::printf("badlength");
  PutHex(text.data());
}

}  // namespace

int main() {
  static char line[8192];
  static char hex[8192];
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    int a = 0, b = 0, c = 0;
    hex[0] = '\0';
    if (std::sscanf(line, "T %d %d %d %8000s", &a, &b, &c, hex) == 4) {
      RunText(a, b, c, hex);
    } else if (std::sscanf(line, "N %d %d %8000s", &a, &b, hex) == 3) {
      RunNumeric(a, b, hex);
    } else if (std::sscanf(line, "P %d %8000s", &a, hex) == 2) {
      RunPacked(a, hex);
    } else {
      std::printf("badcase");
    }
    std::putchar('\n');
  }
  return 0;
}
