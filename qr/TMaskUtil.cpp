#include "TMaskUtil.h"

namespace vd::qr {

bool TMaskUtil::GetDataMaskBit(int MaskPattern, int X, int Y) noexcept {
    // ISO/IEC 18004 Table 10 with row i = Y and column j = X.
    switch (MaskPattern) {
        case 0: return (X + Y) % 2 == 0;
        case 1: return Y % 2 == 0;
        case 2: return X % 3 == 0;
        case 3: return (X + Y) % 3 == 0;
        case 4: return (Y / 2 + X / 3) % 2 == 0;
        case 5: return (X * Y) % 2 + (X * Y) % 3 == 0;
        case 6: return ((X * Y) % 2 + (X * Y) % 3) % 2 == 0;
        case 7: return ((X * Y) % 3 + (X + Y) % 2) % 2 == 0;
        default: return true;
    }
}

}  // namespace vd::qr
