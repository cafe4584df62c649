#pragma once
// INI profile files with the semantics that Windows' profile functions give
// and that settings files written by hand rely on:
//   - "[Section]" lines open a section; "Key=Value" lines inside it hold
//     values; section and key names match without regard to (ASCII) case;
//     the first matching section and the first matching key win;
//   - blanks around names and values are dropped, then one pair of
//     enclosing single or double quotes is removed from the value;
//   - values are cut at 2047 characters (UTF-16 code units);
//   - lines end in LF, CR LF or CR; a UTF-8 byte-order mark is skipped.
// The writer changes one key at a time: it replaces the key's line in place,
// or appends the key to its section, or appends the section to the file, or
// creates the file; every other line stays byte for byte as it was.
// Texts are UTF-8.

#include <string>
#include <string_view>

namespace vd::platform {

/// The longest value the reader returns, in UTF-16 code units.
inline constexpr std::size_t kProfileValueMaxUnits = 2047;

/// The value of `Key` in `Section` of the file at `Path`, or `Default`
/// when the file, the section or the key does not exist.
std::string GetPrivateProfileString(std::string_view Section, std::string_view Key,
                                    std::string_view Default, const std::string& Path);

/// Sets `Key` in `Section` of the file at `Path` to `Value`. Line breaks in
/// `Value` become blanks (a one-line value cannot hold them; written as they
/// are they would start new keys), and a NUL ends it. Returns false when the
/// file cannot be read or written; the file is then unchanged.
bool WritePrivateProfileString(std::string_view Section, std::string_view Key,
                               std::string_view Value, const std::string& Path);

}  // namespace vd::platform
