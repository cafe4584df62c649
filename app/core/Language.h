#pragma once
// The interface language. The windows are designed in English; a user
// locale that the locale table names switches to that language's texts,
// unless the settings switch that off. The messages of the FTP client and
// the runtime stay as they are in every language.
//
// Every text the interface shows lives in one table, a row per text and a
// column per language. A text is named by the object name of the control
// that shows it (its caption) or by a name of its own (texts built at run
// time). A new language is one more column here and one more locale row.

#include <QString>
#include <QStringView>

namespace vd::app {

/// The columns of the text table; English is the design language.
enum class TLanguage { English, German };
inline constexpr int kLanguageCount = 2;

/// Locale information types that GetLocaleString answers.
inline constexpr int LOCALE_SABBREVLANGNAME = 3;

/// The user's locale information of the given type; only
/// LOCALE_SABBREVLANGNAME is known, anything else gives empty text.
QString GetLocaleString(int LCType);

/// The language of a locale abbreviation ("DEU": German); English for a
/// locale the table does not name.
TLanguage LanguageOfLocale(const QString& Abbreviation);

/// The language the interface speaks now: the user locale's when
/// `AutoLanguage` allows, English otherwise.
TLanguage InterfaceLanguage(bool AutoLanguage);

/// The texts the program names in its code (messages, hints built at run
/// time); a misspelt one does not compile.
enum class TText {
    DropHint,
    NotExistingText,
    QRCodeTooLong,
    LineBreakInFileName,
    OnlyFirstFileShared,
    LinkDoesNotLead,
    LinkWarning,
    LinkNotWebAddress,
    LinkConnectionRefused,
    LinkHostNotFound,
    LinkCertificateNotTrusted,
    LinkOtherContent,
    LinkNoAnswer,
    CertificateChanged,
    CertificateNotTrusted,
    HostKeyUnknown,
    HostKeyNotTrusted,
    HostKeyChanged,
    AddressNotStorable,
    AddressTooLong,
    CertificateNotRemembered,
    ClipboardNotSet,
    ShareRecordTrouble,
    ExpiresOn,
    RecentShares,
    DeleteShownShare,
    ShareDeleted,
    ShareNotInRecord,
    ShareOnOtherServer,
    ShareNameForeign,
    KeyringGaveNoPassword,
    KeyringUnreachable,
    NoKeyringFound,
};

/// The text `Id` in `Language`, or the English one where that language has
/// none of its own.
QString Text(TLanguage Language, TText Id);

/// The text of the row named `Name`, as for `Text`: controls find their
/// captions by their object names at run time. Empty text when the table
/// has no such row.
QString TextNamed(TLanguage Language, QStringView Name);

}  // namespace vd::app
