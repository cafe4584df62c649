#pragma once
// Conversions between UTF-8 (files, POSIX) and UTF-16 (the program's texts).
// Both directions are lenient: a byte sequence that is not UTF-8, or a lone
// surrogate, becomes U+FFFD instead of failing, so that a damaged settings
// file still loads.

#include <cstddef>
#include <string>
#include <string_view>

namespace vd::platform {

std::u16string Utf8ToUtf16(std::string_view Text);
std::string Utf16ToUtf8(std::u16string_view Text);

/// The longest prefix of the UTF-8 text `Text` that holds at most `MaxUnits`
/// UTF-16 code units, never ending inside a character or a surrogate pair.
std::string_view Utf8PrefixOfUtf16Units(std::string_view Text, std::size_t MaxUnits);

}  // namespace vd::platform
