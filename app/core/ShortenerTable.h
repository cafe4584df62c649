#pragma once
// The short-link table "shortener.ini" on the server: one record a line,
// code="address", read and written back in the encoding it came in.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace vd::app {

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

/// Draws codes until one is used nowhere in the table and is no word that
/// an INI reader takes for a value ("false").
QString NewCode(const QStringList& Lines, const std::function<QString()>& Draw);

}  // namespace vd::app
