// Data modes with their mode indicators and character-count field widths.
#pragma once

#include <cstdint>

namespace vd::qr {

enum class TMode : std::uint8_t {
    qmTerminator,
    qmNumeric,
    qmAlphanumeric,
    qmStructuredAppend,
    qmByte,
    qmECI,
    qmKanji,
    qmFNC1FirstPosition,
    qmFNC1SecondPosition,
    qmHanzi,
};

// The 4-bit mode indicator.
int ModeIndicator(TMode Mode) noexcept;
// Width of the character-count field for VersionNumber: versions up to 9,
// 10 to 26, 27 and above.
int CountFieldWidth(TMode Mode, int VersionNumber) noexcept;

}  // namespace vd::qr
