#pragma once
// The program's pseudo-random generator and the random names drawn from it
// (uploads, short-link codes, extra directory levels). One generator per
// process, seeded once at start; used on the window thread only.

#include <QString>
#include <cstdint>

namespace vd::app {

/// The 60 characters random names are made of: no "0" and no "O", which
/// are easily mistaken for each other.
inline constexpr char16_t kRandomAlphabet[] =
    u"123456789ABCDEFGHIJKLMNPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

/// Sets the generator's state.
void Randomize(std::uint32_t Seed);

/// The generator's state.
std::uint32_t RandSeed();

/// An index below `Range` (a linear congruential step, then the high half
/// of Range x seed); `Range` must be positive.
std::uint32_t RandomBelow(std::uint32_t Range);

/// `numberOfChars` characters drawn from the alphabet; empty text for a
/// count of zero or less.
QString randomString(std::int32_t numberOfChars);

}  // namespace vd::app
