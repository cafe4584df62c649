// Text helpers of the FTP client: trimming, case-insensitive comparison and
// the command-line guard. Texts in the API are UTF-8 std::string; bytes on
// the wire are std::string too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vd::ftp {

// Removes leading and trailing characters with codes up to 32.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);

bool SameText(std::string_view a, std::string_view b);
bool StartsText(std::string_view prefix, std::string_view s);
std::string UpperCase(std::string_view s);

// True when the bytes hold CR, LF or NUL. A command line holding one of them
// would end early on the wire and let the rest run as a second command (a
// file name "a\r\nDELE b" must never become two commands).
bool HasCtrlChars(std::string_view bytes) noexcept;
// The bytes with every IAC byte (0xFF) doubled. The control connection is a
// Telnet connection (RFC 959, 4.1; RFC 854): a lone IAC starts a Telnet
// command, and the server would take the bytes after it as one.
std::string DoubleIAC(std::string_view bytes);

// Strict decimal conversion with optional sign; false when not an integer in
// the 32-bit range.
bool TryStrToInt(std::string_view s, int32_t& value) noexcept;

}  // namespace vd::ftp
