// Blank-padded text fields. Texts in data-file records, key buffers and
// literal values are fixed-width and padded with blanks, with no terminator.
// Every part of the library pads through this one helper.
#ifndef QXEXPPAR_PLATFORM_BLANK_PADDING_H
#define QXEXPPAR_PLATFORM_BLANK_PADDING_H

#include <cstdint>

// Turns the trailing zero bytes of the `length`-byte field at `field` into
// blanks: from the last byte backwards, up to the first non-zero byte, which
// stays as it is, as does everything before it. A field of zero bytes only
// becomes all blanks. Does nothing for a null `field` or a `length` below 1.
void PadWithBlanks(void* field, int32_t length);

#endif
