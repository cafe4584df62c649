// Dynamic array types that the encoder's operations exchange.
#pragma once

#include <cstdint>
#include <vector>

namespace vd::qr {

using TByteArray = std::vector<std::uint8_t>;
using T2DByteArray = std::vector<TByteArray>;
using TIntegerArray = std::vector<std::int32_t>;
using T2DBooleanArray = std::vector<std::vector<bool>>;

}  // namespace vd::qr
