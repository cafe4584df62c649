#pragma once
// The short-link table "shortener.ini" on the server: one record a line,
// code="address", and the two server-side files that serve it.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace vd::app {

/// ".htaccess": hands every request path except index.php to index.php.
QByteArray HtaccessContent();
/// "index.php": looks the code up in shortener.ini and redirects, or
/// answers 404 "Unknown link.".
QByteArray IndexPhpContent();

/// The table as read: its lines, and the encoding it is written back in.
struct TShortenerTable {
    enum class TEncoding { Plain, Utf8Bom, Utf16LE, Utf16BE };
    TEncoding Encoding = TEncoding::Plain;  // plain: the system's 8-bit code page (UTF-8 here)
    QStringList Lines;
    /// The bytes of the first lines as the file held them, without their
    /// line breaks. Records added by hand in another encoding (Latin-1, say)
    /// decode to replacement characters; their own bytes go back instead.
    QList<QByteArray> ReadBytes;
};

/// Decodes the file (a byte-order mark names the encoding), splits it into
/// lines and drops blanks, line breaks and control characters at both ends
/// of the whole text.
TShortenerTable ParseShortenerTable(const QByteArray& Bytes);

/// Every line followed by CR LF, mark included: the lines read as the file
/// held them, the others in the table's encoding.
QByteArray SerializeShortenerTable(const TShortenerTable& Table);

/// The code stored for `URL` (exact, case-sensitive), or empty text.
QString FindCode(const QStringList& Lines, const QString& URL);

/// Draws codes until one is used nowhere in the table.
QString NewCode(const QStringList& Lines, const std::function<QString()>& Draw);

/// The address to store for a clipboard text: line breaks at its end are
/// dropped (copying from a terminal adds one, and stored as it is the
/// record would be split over two lines and break the table). Empty text
/// when the rest still holds a line break or a quotation mark, which no
/// record can hold.
QString AddressToStore(const QString& ClipboardText);

/// True when the text starts with "http://" or "https://" in any case.
bool IsWebAddress(const QString& Text);

}  // namespace vd::app
