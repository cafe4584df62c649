#include "FormatVersionBits.h"

#include <array>
#include <bit>

namespace vd::qr {

namespace {

// x^10 + x^8 + x^5 + x^4 + x^2 + x + 1 (ISO/IEC 18004 Annex C).
constexpr std::uint32_t kFormatGenerator = 0x537;
// Keeps the format word from being all zero (7.9.1).
constexpr std::uint32_t kFormatMask = 0x5412;
// x^12 + x^11 + x^10 + x^9 + x^8 + x^5 + x^2 + 1 (Annex D).
constexpr std::uint32_t kVersionGenerator = 0x1F25;

constexpr int SignificantBits(std::uint32_t value) noexcept { return std::bit_width(value); }

constexpr std::uint32_t CheckBits(std::uint32_t Value, std::uint32_t Generator) noexcept {
    const int n = SignificantBits(Generator);
    Value <<= n - 1;
    while (SignificantBits(Value) >= n) Value ^= Generator << (SignificantBits(Value) - n);
    return Value;
}

// The 32 format words by their five data bits: the mask choice asks for one
// per mask and orientation, and they never change.
constexpr std::array<std::uint32_t, 32> MakeFormatWords() {
    std::array<std::uint32_t, 32> words{};
    for (std::uint32_t data = 0; data < 32; ++data)
        words[data] = ((data << 10) | CheckBits(data, kFormatGenerator)) ^ kFormatMask;
    return words;
}
constexpr std::array<std::uint32_t, 32> kFormatWords = MakeFormatWords();

}  // namespace

std::uint32_t BCHCheckBits(std::uint32_t Value, std::uint32_t Generator) noexcept {
    return CheckBits(Value, Generator);
}

std::uint32_t FormatWord(int LevelBits, int MaskPattern) noexcept {
    return kFormatWords[static_cast<std::uint32_t>((LevelBits << 3) | MaskPattern) & 0x1F];
}

TBitArray FormatBits(int LevelBits, int MaskPattern) {
    TBitArray word;
    word.AppendBits(FormatWord(LevelBits, MaskPattern), 15);
    return word;
}

TBitArray VersionBits(int Version) {
    const auto data = static_cast<std::uint32_t>(Version) & 0x3F;
    TBitArray word;
    word.AppendBits(data, 6);
    word.AppendBits(BCHCheckBits(data, kVersionGenerator), 12);
    return word;
}

}  // namespace vd::qr
