#pragma once
// The interface language: German texts on a German (Germany) user locale
// unless the settings switch that off, English otherwise. The messages of
// the FTP client and the runtime stay German either way.

#include <QString>

namespace vd::app {

/// Locale information types that GetLocaleString answers.
inline constexpr int LOCALE_SABBREVLANGNAME = 3;

/// The user's locale information of the given type; only
/// LOCALE_SABBREVLANGNAME is known, anything else gives empty text.
QString GetLocaleString(int LCType);

/// True when German texts apply.
bool UseGermanTexts(bool AutoLanguage);

/// The two texts the program builds at run time.
struct TRuntimeTexts {
    QString NotExisting;  // appended to a missing file's path
    QString DropHint;     // the QR area's tooltip before a share
};
TRuntimeTexts RuntimeTexts(bool German);

}  // namespace vd::app
