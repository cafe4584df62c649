// The data segment of a symbol: mode choice, character filter and data bits
// for numeric, alphanumeric and byte mode. Text is UTF-16; lengths and
// filters work on code units.
#pragma once

#include <string>

#include "QRTypes.h"
#include "TBitArray.h"
#include "TMode.h"

namespace vd::qr {

// '0'-'9' = 0-9, 'A'-'Z' = 10-35, then space $ % * + - . / : = 36-44
// (ISO/IEC 18004 Table 5); -1 for every other code unit.
int AlphanumericValue(char16_t ch) noexcept;

// The UTF-8 form of a UTF-16 text; a surrogate pair gives one four-byte
// sequence, an unpaired surrogate U+FFFD.
TByteArray Utf16ToUtf8(const std::u16string& text);

// Encoding 1 numeric, 2 alphanumeric, other nonzero values byte mode. For 0
// (auto) the mode that carries the whole text; auto byte mode rewrites
// Encoding to 3 (every code unit <= 255) or 4 (UTF-8 with EF BB BF).
TMode SelectMode(const std::u16string& Content, int& Encoding);

// The text without the code units that the mode (and in byte mode the
// encoding) cannot carry.
std::u16string FilterForMode(const std::u16string& Content, TMode mode, int Encoding);

// The bytes a byte segment carries for Encoding (3, 4 or 5; none otherwise).
TByteArray SegmentBytes(const std::u16string& text, int Encoding);

// Appends the segment's data bits (no header). False when a character has
// no value in the mode; appending stops there.
bool AppendSegmentData(const std::u16string& text, TMode mode, TBitArray& bits, int Encoding);

}  // namespace vd::qr
