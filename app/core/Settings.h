#pragma once
// The settings record: everything the settings file holds, in one place.
// The file reader and writer, the controller and the settings dialog all
// work on it.

#include <QString>
#include <cstdint>

namespace vd::app {

/// Where the settings file says the password is kept.
enum class TPasswordPlace {
    Unset,    // scrambled in the file, as always (also when no keyring was tried)
    File,     // scrambled in the file: no keyring answered, and the user was told
    Keyring,  // in the desktop's keyring; the file's Password is empty
};

/// The values a missing file or key gives are the defaults here.
struct TSettings {
    // section "FTP": the connection
    QString Host;
    std::uint16_t Port = 21;
    QString Username;
    QString Password;   // plain text; scrambled only in the file
    QString Directory;  // on the server, "/"-separated, relative to the login directory
    QString BaseURL;    // the web address under which Directory is visible
    bool UseTLS = false;
    TPasswordPlace PasswordPlace = TPasswordPlace::Unset;
    // section "Common"
    std::int32_t Timeout = 0;  // auto-close delay in seconds; 0 or less: none
    bool RemoveFileAtExit = false;
    bool CopyLinkToClipboard = false;
    std::int32_t ResizeJPGImages = 0;  // percent; only values above 0 act
    std::int32_t DeleteAfterDays = 0;  // shares are deleted so many days after; 0: kept
    bool Log = false;                  // read only: the traffic log, a key added by hand
    bool AutoLanguage = true;          // read only: German texts allowed, a key added by hand
};

}  // namespace vd::app
