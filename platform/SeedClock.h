#pragma once

#include <cstdint>

namespace vd::platform {

/// The low 32 bits of the monotonic clock in nanoseconds: the seed of the
/// program's random generator.
std::uint32_t SeedClock();

}  // namespace vd::platform
