#include "app/core/AutoClose.h"

#include <algorithm>
#include <limits>

namespace vd::app {

void TAutoClose::ArmAfterShare(std::int32_t Timeout) noexcept {
    FShared = true;
    Arm(Timeout);
}

void TAutoClose::ArmAfterSettings(std::int32_t Timeout) noexcept {
    if (FShared)
        Arm(Timeout);
    else
        FArmed = false;
}

void TAutoClose::ModalClosed() noexcept {
    if (FOpenModals > 0) --FOpenModals;
}

void TAutoClose::Arm(std::int32_t Timeout) noexcept {
    // 0 or less: no auto-close. Seconds to milliseconds without overflow: a
    // huge delay means "never" in practice.
    FArmed = Timeout > 0;
    const std::int64_t ms = std::int64_t{Timeout} * 1000;
    FInterval =
        static_cast<int>(std::clamp<std::int64_t>(ms, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace vd::app
