// Text helpers of the language's words. Keywords are ASCII: letters
// compare without regard to case, every other byte (multibyte characters
// included) compares exactly, whatever the locale.
#ifndef QXEXPPAR_PLATFORM_TEXT_H
#define QXEXPPAR_PLATFORM_TEXT_H

#include <cstddef>

// True when the two terminated texts are equal without regard to case.
bool QxEqualNoCase(const char* a, const char* b);

// True when `text` begins with the `n` characters of `prefix`, without
// regard to case.
bool QxStartsWithNoCase(const char* text, const char* prefix, std::size_t n);

// True for the white-space characters of the C locale (blank, tab, line
// feed, vertical tab, form feed, carriage return), whatever the locale.
bool QxIsWhiteSpace(char c);

#endif
