// An error-correction level: its two-bit indicator as written into the
// format information (ISO/IEC 18004 Table 12: L = 01, M = 00, Q = 11, H = 10),
// and the column of the version table that holds its block layouts.
#pragma once

#include <array>
#include <cstddef>

namespace vd::qr {

class TErrorCorrectionLevel final {
  public:
    // Level L.
    constexpr TErrorCorrectionLevel() noexcept = default;

    constexpr int Bits() const noexcept { return FBits; }
    // Indicators 0 to 3 select M, L, H or Q; any other value is ignored, so
    // that a level object always names one of the four levels.
    constexpr void SetBits(int Bits) noexcept {
        if (Bits >= 0 && Bits <= 3) FBits = Bits;
    }
    constexpr void Assign(const TErrorCorrectionLevel& Source) noexcept { FBits = Source.FBits; }
    // Column of the version table: 0 to 3 for L, M, Q, H. The indicators
    // are not in that order, so block layout and format information agree
    // only through this mapping.
    constexpr int Ordinal() const noexcept {
        constexpr std::array<int, 4> kOrdinalOfBits = {1, 0, 3, 2};  // 00 M, 01 L, 10 H, 11 Q
        return kOrdinalOfBits[static_cast<std::size_t>(FBits)];
    }

    friend constexpr bool operator==(const TErrorCorrectionLevel&,
                                     const TErrorCorrectionLevel&) noexcept = default;

  private:
    int FBits = 1;
};

// The four levels, from the most data to the most redundancy: L recovers
// about 7 % of the codewords, M 15 %, Q 25 %, H 30 %.
constexpr TErrorCorrectionLevel LevelWithBits(int Bits) noexcept {
    TErrorCorrectionLevel level;
    level.SetBits(Bits);
    return level;
}
constexpr TErrorCorrectionLevel LevelL() noexcept { return LevelWithBits(1); }
constexpr TErrorCorrectionLevel LevelM() noexcept { return LevelWithBits(0); }
constexpr TErrorCorrectionLevel LevelQ() noexcept { return LevelWithBits(3); }
constexpr TErrorCorrectionLevel LevelH() noexcept { return LevelWithBits(2); }

}  // namespace vd::qr
