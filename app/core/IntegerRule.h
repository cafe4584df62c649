#pragma once
// How settings values and numeric dialog fields become integers: optional
// leading blanks, an optional sign, then decimal digits, or hexadecimal
// digits after "$", "x", "X", "0x" or "0X". The whole text must be used up;
// a decimal number must fit a signed 32-bit integer, a hexadecimal one may
// have up to 8 digits and is taken as a 32-bit pattern ("$FFFFFFFF" is -1).

#include <QStringView>
#include <cstdint>
#include <optional>

namespace vd::app {

/// The integer the text denotes, or nothing when it denotes none.
std::optional<std::int32_t> ParseInteger(QStringView Text);

/// The integer the text denotes, or `Default`.
std::int32_t IntegerOrDefault(QStringView Text, std::int32_t Default);

/// The absolute value, except that the smallest integer keeps its sign
/// (its absolute value does not fit).
std::int32_t AbsoluteValue(std::int32_t Value);

}  // namespace vd::app
