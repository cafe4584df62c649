#pragma once
// Which clipboard texts become records of the short-link table, and in
// which form.

#include <QString>
#include <optional>

#include "app/core/Language.h"

namespace vd::app {

/// The longest address the table takes, in bytes of its stored form: the
/// table is fetched whole for every shortening, and the server script reads
/// it whole for every redirect.
inline constexpr qsizetype kMaxStoredAddressBytes = 8 * 1024;

/// A clipboard text as the table stores it, or why it cannot be stored.
struct TStorableAddress {
    QString Stored;                // empty when refused
    std::optional<TText> Refusal;  // the message, followed by ShownAddress
};

/// The address to store for a clipboard text. Blanks, line breaks and
/// controls at its end are dropped (copying from a terminal adds a line
/// break; browsers drop them too). Percent-encoded are the characters that
/// a server's INI reader expands or unescapes ("${NAME}" becomes a setting
/// of the server, "\" escapes), the blank, and controls (C0, DEL, C1), which
/// no address holds and which a redirect would carry raw; encoded as
/// browsers send them, the address leads where it led. Refused: a line
/// break or quotation mark inside (no record can hold them), NUL, and a
/// stored form longer than kMaxStoredAddressBytes.
TStorableAddress AddressToStore(const QString& ClipboardText);

/// The text for a message about the address: controls and NUL encoded as in
/// the table, and no longer than a message box can show.
QString ShownAddress(const QString& ClipboardText);

/// True when the text starts with "http://" or "https://" in any case.
bool IsWebAddress(const QString& Text);

}  // namespace vd::app
