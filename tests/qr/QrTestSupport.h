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
#include "TErrorCorrectionLevel.h"
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

// The four error-correction levels by letter, with the indicator that
// ISO/IEC 18004 Table 12 gives each.
struct LevelCase {
    char letter;
    TErrorCorrectionLevel level;
    int indicator;
};
inline constexpr LevelCase kLevels[] = {
    {'L', LevelL(), 0b01}, {'M', LevelM(), 0b00}, {'Q', LevelQ(), 0b11}, {'H', LevelH(), 0b10}};
// The entry of kLevels for 'L', 'M', 'Q' or 'H'.
const LevelCase& Level(char letter);

// Data codewords of a version at level 'L', 'M', 'Q' or 'H', ISO/IEC 18004
// Table 7.
int DataCodewords(int version, char level = 'L');
enum class Kind { Numeric, Alphanumeric, Byte };
// The most characters (bytes in byte mode) of one segment that the version
// holds at the level: header, count field and data bits within its capacity.
int MaxLength(Kind kind, int version, char level = 'L');

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

// The 15-bit format word as the symbol carries it (masked with
// 101010000010010), most significant bit first: Copy 0 around the top-left
// finder, Copy 1 split between the other two. Needs a symbol that was built
// with its current quiet zone.
int FormatWordOf(const TQRCodeSymbol& symbol, int Copy);

}  // namespace vd::qr::test
