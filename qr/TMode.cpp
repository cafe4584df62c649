#include "TMode.h"

#include <array>

namespace vd::qr {

namespace {

struct TModeInfo {
    int Indicator;
    std::array<int, 3> CountBits;  // versions 1-9, 10-26, 27-40
};

// ISO/IEC 18004 Table 2 (mode indicators) and Table 3 (number of bits in the
// character count indicator); Hanzi as in GB/T 18284. Ordered as TMode.
constexpr std::array<TModeInfo, 10> kModes{{
    {0x0, {0, 0, 0}},     // terminator
    {0x1, {10, 12, 14}},  // numeric
    {0x2, {9, 11, 13}},   // alphanumeric
    {0x3, {0, 0, 0}},     // structured append
    {0x4, {8, 16, 16}},   // byte
    {0x7, {0, 0, 0}},     // ECI
    {0x8, {8, 10, 12}},   // Kanji
    {0x5, {0, 0, 0}},     // FNC1 in first position
    {0x9, {0, 0, 0}},     // FNC1 in second position
    {0xD, {8, 10, 12}},   // Hanzi
}};

}  // namespace

int ModeIndicator(TMode Mode) noexcept { return kModes[static_cast<std::size_t>(Mode)].Indicator; }

int CountFieldWidth(TMode Mode, int VersionNumber) noexcept {
    const std::size_t range = VersionNumber <= 9 ? 0 : VersionNumber <= 26 ? 1 : 2;
    return kModes[static_cast<std::size_t>(Mode)].CountBits[range];
}

}  // namespace vd::qr
