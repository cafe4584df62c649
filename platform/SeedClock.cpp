#include "platform/SeedClock.h"

#include <time.h>

namespace vd::platform {

std::uint32_t SeedClock() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ns = static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u +
                    static_cast<std::uint64_t>(ts.tv_nsec);
    return static_cast<std::uint32_t>(ns);
}

}  // namespace vd::platform
