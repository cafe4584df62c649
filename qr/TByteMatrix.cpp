#include "TByteMatrix.h"

#include <algorithm>

namespace vd::qr {

TByteMatrix::TByteMatrix(int Width, int Height)
    : FBytes(static_cast<std::size_t>(Height), TByteArray(static_cast<std::size_t>(Width), 0)),
      FWidth(Width),
      FHeight(Height) {}

void TByteMatrix::Clear(int Value) {
    const auto v = static_cast<std::uint8_t>(Value & 0xFF);
    for (TByteArray& row : FBytes) std::fill(row.begin(), row.end(), v);
}

}  // namespace vd::qr
