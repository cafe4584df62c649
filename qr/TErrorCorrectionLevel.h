// An error-correction level: its two-bit indicator as written into the
// format information (ISO/IEC 18004 Table 12: L = 01, M = 00, Q = 11, H = 10).
#pragma once

namespace vd::qr {

class TErrorCorrectionLevel final {
  public:
    int Bits() const noexcept { return FBits; }
    void SetBits(int Bits) noexcept { FBits = Bits; }
    void Assign(const TErrorCorrectionLevel& Source) noexcept { FBits = Source.FBits; }
    // Column of the version table (L, M, Q, H). The system builds level L
    // only, so every level object answers the L column and block layout and
    // format information cannot disagree.
    int Ordinal() const noexcept { return 0; }

  private:
    int FBits = 0;
};

// The level the application uses: L, indicator 01.
inline TErrorCorrectionLevel LevelL() {
    TErrorCorrectionLevel level;
    level.SetBits(1);
    return level;
}

}  // namespace vd::qr
