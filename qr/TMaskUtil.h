// The eight data mask conditions of ISO/IEC 18004 Table 10.
#pragma once

namespace vd::qr {

class TMaskUtil final {
  public:
    // True where mask MaskPattern (0..7) inverts the data module at column
    // X, row Y (X, Y >= 0); True for every other MaskPattern.
    static constexpr bool GetDataMaskBit(int MaskPattern, int X, int Y) noexcept {
        // Table 10 with row i = Y and column j = X.
        switch (MaskPattern) {
            case 0:
                return (X + Y) % 2 == 0;
            case 1:
                return Y % 2 == 0;
            case 2:
                return X % 3 == 0;
            case 3:
                return (X + Y) % 3 == 0;
            case 4:
                return (Y / 2 + X / 3) % 2 == 0;
            case 5:
                return (X * Y) % 2 + (X * Y) % 3 == 0;
            case 6:
                return ((X * Y) % 2 + (X * Y) % 3) % 2 == 0;
            case 7:
                return ((X * Y) % 3 + (X + Y) % 2) % 2 == 0;
            default:
                return true;
        }
    }
};

}  // namespace vd::qr
