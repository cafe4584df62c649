#pragma once
// The one UTF-8 codec below the application: decoding one character at a
// time, encoding code points, repairing byte strings, and the conversions
// between UTF-8 (files, POSIX, the FTP wire) and UTF-16 (the program's
// texts).
//
// Every decoder here rejects the same byte sequences: a byte that starts no
// sequence or a stray continuation byte, a sequence cut short, an overlong
// form, an encoded surrogate (U+D800..U+DFFF) and anything above U+10FFFF.
// A rejected sequence counts as one byte, and the caller decides what stands
// for it: U+FFFD in the conversions below, so that a damaged settings file
// still loads and a hostile FTP reply still reads.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vd::platform {

inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

/// Decodes the character that starts at Text[Pos] (Pos < Text.size()) and
/// moves Pos past it. Nothing when the bytes there are rejected; Pos then
/// moves past that one byte only.
std::optional<char32_t> DecodeUtf8(std::string_view Text, std::size_t& Pos);

/// Appends the UTF-8 bytes of a code point (1 to 4 bytes); a surrogate or a
/// value above U+10FFFF, which have none, appends U+FFFD.
void AppendUtf8(std::string& Out, char32_t CodePoint);

/// Well-formed UTF-8 as it is; every rejected byte of anything else becomes
/// U+FFFD.
std::string ToValidUtf8(std::string_view Text);

std::u16string Utf8ToUtf16(std::string_view Text);
std::string Utf16ToUtf8(std::u16string_view Text);

/// The longest prefix of the UTF-8 text `Text` that holds at most `MaxUnits`
/// UTF-16 code units, never ending inside a character or a surrogate pair.
std::string_view Utf8PrefixOfUtf16Units(std::string_view Text, std::size_t MaxUnits);

}  // namespace vd::platform
