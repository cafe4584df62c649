#pragma once
// The settings file: an INI file with the sections "FTP" and "Common",
// read once at start and written after every confirmed settings dialog.
// A long value may be split over Key, Key_1, Key_2, ...; the parts are
// joined with a blank.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "app/core/Settings.h"

namespace vd::app {

/// Raised when a key cannot be written to the settings file.
class EIniFileException : public std::runtime_error {
  public:
    explicit EIniFileException(const QString& FileName);
};

/// The caller's buffer for one raw value: 4096 characters and a zero.
using TIniValueBuffer = std::array<char16_t, 4097>;

/// One raw value into `Buffer`, zero-terminated. Looks for `FileName`, else
/// for its file-name part in the current directory. An empty `Section`
/// means the user's own section, and one starting with "&" the user's name
/// followed by the rest. True when the value is not empty; `Buffer` stays
/// untouched when no file is found.
bool ReadIniValue(TIniValueBuffer& Buffer, const QString& FileName, const QString& Section,
                  const QString& Key);

/// One setting: `Key`, `Key_1`, `Key_2`, ... up to the first missing or
/// empty one, joined with blanks, and trimmed of blanks and control
/// characters.
QString ReadSetting(const QString& FileName, const QString& Section, const QString& Key);

/// Reads every key of an existing settings file.
TSettings ReadSettingsFile(const QString& FileName);

/// Writes one key; returns false on failure. Replaceable so that tests can
/// make a chosen key fail.
using TProfileWriter = std::function<bool(const std::string& Section, const std::string& Key,
                                          const std::string& Value, const std::string& Path)>;
TProfileWriter DefaultProfileWriter();

/// Writes the keys the settings dialog edits, "FTP" first, one at a time,
/// and where the password is kept ("PasswordStore", only once a keyring was
/// tried); all other lines of the file stay. Creates the file's folder
/// first. Raises EIniFileException at the first key that cannot be written;
/// the keys before it stay written. With the password in the keyring, the
/// file's "Password" is empty.
void WriteSettingsFile(const QString& FileName, const TSettings& Settings,
                       const TProfileWriter& Writer = DefaultProfileWriter());

/// Writes only "Password" and "PasswordStore", as WriteSettingsFile would:
/// a password that moved into the keyring leaves the rest of the file as it
/// was.
void WritePasswordKeys(const QString& FileName, const TSettings& Settings,
                       const TProfileWriter& Writer = DefaultProfileWriter());

}  // namespace vd::app
