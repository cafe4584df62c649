#pragma once
// The FTP password is kept in the settings file scrambled, not in plain
// text: a running-key XOR over its UTF-8 bytes, written as hexadecimal.
// This keeps it from a casual look; it is no protection against anyone
// who has the program.

#include <QString>
#include <cstdint>

namespace vd::app {

/// The start key that the settings file uses for the password.
inline constexpr std::uint16_t kPasswordStartKey = 47837;

/// Two uppercase hexadecimal digits per scrambled byte of `Text`'s UTF-8.
QString EncodePassword(const QString& Text, std::uint16_t StartKey);

/// The password back from `EncodePassword`'s text; empty text for anything
/// that is not pairs of hexadecimal digits (a last unpaired digit is ignored).
QString DecodePassword(const QString& HexText, std::uint16_t StartKey);

}  // namespace vd::app
