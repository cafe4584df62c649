// Reed-Solomon error-correction codewords over the GF(256) of QR codes
// (x^8 + x^4 + x^3 + x^2 + 1, generator roots alpha^0 onwards), the
// encoder's path. The field and every generator polynomial a symbol can ask
// for are tables computed once by the compiler, so a block costs no
// allocation and no polynomial arithmetic; TReedSolomonEncoder remains for
// any field.
#pragma once

#include <cstdint>

namespace vd::qr {

// The most EC codewords a block has (ISO/IEC 18004 Table 9).
inline constexpr int kMaxECCodewordsPerBlock = 30;

// Writes the ECCount (1 to kMaxECCodewordsPerBlock) EC codewords of the
// DataCount data codewords at Data into EC: the remainder of
// data(x) * x^ECCount divided by the generator polynomial of degree ECCount.
void QRCodeECBytes(const std::uint8_t* Data, int DataCount, std::uint8_t* EC, int ECCount) noexcept;

}  // namespace vd::qr
