// Helpers shared by the qr tests: hexadecimal codeword lists, the bytes of a
// bit sequence, and decoding a rendered symbol with zbar.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TBitArray.h"
#include "TByteMatrix.h"
#include "TQRCodeSymbol.h"

namespace vd::qr::test {

using Bytes = std::vector<std::uint8_t>;

// "10 14 7B" -> {0x10, 0x14, 0x7B}.
Bytes Hex(std::string_view text);
std::string ToHex(const Bytes& bytes);
// The whole bytes of a bit sequence, most significant bit first.
Bytes BytesOf(const TBitArray& bits);
// The bytes of a UTF-8 literal, as written by the compiler.
Bytes Utf8Bytes(std::u8string_view text);

// Data codewords of a version at level L, ISO/IEC 18004 Table 7.
int DataCodewordsL(int version);
enum class Kind { Numeric, Alphanumeric, Byte };
// The most characters (bytes in byte mode) of one segment that the version
// holds at level L: header, count field and data bits within its capacity.
int MaxLength(Kind kind, int version);

// GF(256) multiplication by shift and add, modulo x^8+x^4+x^3+x^2+1.
int SlowMultiply(int a, int b);
// Reed-Solomon from first principles (shift-and-add multiplication, long
// division by the product of (x - alpha^i)): the EC codewords of data.
std::vector<int> TextbookRemainder(const std::vector<int>& data, int degree);

// Renders the symbol (quiet zone included) with Scale pixels per module and
// decodes it with zbar in binary mode: the raw bytes of the one QR code
// found, or nothing when zbar finds none or more than one.
std::optional<std::string> DecodeWithZbar(const TQRCodeSymbol& symbol, int Scale = 4);
// The same for a bare module matrix (cells 0 and 1), with a quiet zone of
// four modules added around it.
std::optional<std::string> DecodeMatrixWithZbar(const TByteMatrix& matrix, int Scale = 4);

}  // namespace vd::qr::test
