#pragma once
// Which clipboard texts become records of the short-link table.

#include <QString>

namespace vd::app {

/// The address to store for a clipboard text: line breaks at its end are
/// dropped (copying from a terminal adds one, and stored as it is the
/// record would be split over two lines and break the table). Empty text
/// when the rest still holds a line break or a quotation mark, which no
/// record can hold.
QString AddressToStore(const QString& ClipboardText);

/// True when the text starts with "http://" or "https://" in any case.
bool IsWebAddress(const QString& Text);

}  // namespace vd::app
