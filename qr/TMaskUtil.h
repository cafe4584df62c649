// The eight data mask conditions of ISO/IEC 18004 Table 10.
#pragma once

namespace vd::qr {

class TMaskUtil final {
public:
    // True where mask MaskPattern (0..7) inverts the data module at column
    // X, row Y (X, Y >= 0); True for every other MaskPattern.
    static bool GetDataMaskBit(int MaskPattern, int X, int Y) noexcept;
};

}  // namespace vd::qr
