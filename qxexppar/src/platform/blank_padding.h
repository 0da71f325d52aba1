// Blank-padded text fields. Texts in data-file records, key buffers and
// literal values are fixed-width and padded with blanks, with no terminator.
// Every part of the library pads and cuts through these two helpers.
#ifndef QXEXPPAR_PLATFORM_BLANK_PADDING_H
#define QXEXPPAR_PLATFORM_BLANK_PADDING_H

#include <cstdint>

// Turns the trailing zero bytes of the `length`-byte field at `field` into
// blanks: from the last byte backwards, up to the first non-zero byte, which
// stays as it is, as does everything before it. A field of zero bytes only
// becomes all blanks. Does nothing for a null `field` or a `length` below 1.
// A writer zero-fills a field, copies its text in, then pads.
void PadWithBlanks(void* field, int32_t length);

// Ends the text of a blank-padded field read back: writes one zero byte
// just after its last non-blank byte (at its first byte when it is all
// blanks). A field whose last byte is not a blank is left as it is: its
// text is exactly `length` bytes, with no terminator inside the field, so
// readers take at most `length` bytes of it. Does nothing for a null
// `field` or a `length` below 1.
void CutTrailingBlanks(void* field, int32_t length);

#endif
