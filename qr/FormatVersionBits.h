// The format and version information words of ISO/IEC 18004 (7.9, 7.10).
#pragma once

#include <cstdint>

#include "TBitArray.h"

namespace vd::qr {

// The remainder of Value * x^(n-1) divided by Generator over GF(2), n being
// the number of significant bits of Generator: the n - 1 BCH check bits.
std::uint32_t BCHCheckBits(std::uint32_t Value, std::uint32_t Generator) noexcept;

// The 15-bit format word for a two-bit level indicator and a mask 0..7:
// 5 data bits and their (15,5) BCH check bits, XORed with 101010000010010.
std::uint32_t FormatWord(int LevelBits, int MaskPattern) noexcept;
// The same as a bit sequence, most significant bit first.
TBitArray FormatBits(int LevelBits, int MaskPattern);

// The 18-bit version word for versions 7..40: 6 data bits and their (18,6)
// BCH check bits. Most significant bit first.
TBitArray VersionBits(int Version);

}  // namespace vd::qr
